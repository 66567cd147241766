#include "platform/process/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace Platform {
namespace {

// Lock-free atomics are safe to touch in a signal handler.
std::atomic<int> gLastSignal{0};
std::atomic<int> gUnanswered{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStopSignal(int sig) {
  const int saved = errno;
  gLastSignal.store(sig, std::memory_order_release);
  if (gUnanswered.fetch_add(1, std::memory_order_acq_rel) + 1 >= 3) {
    // Nobody is listening (the loop is stuck or gone): the signal takes its own course.
    signal(sig, SIG_DFL);
    raise(sig);
  }
  errno = saved;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

int TakeStopSignal() {
  gUnanswered.store(0, std::memory_order_release);
  return gLastSignal.exchange(0, std::memory_order_acq_rel);
}

int ReleaseStopSignals() {
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  return TakeStopSignal();
}

void EndBySignal(int sig) {
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

}  // namespace Platform
