#include "platform/process/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace Platform {
namespace {

constexpr int kStopSignals[] = {SIGHUP, SIGINT, SIGTERM};
constexpr int kStopSignalCount = sizeof(kStopSignals) / sizeof(kStopSignals[0]);

// Lock-free atomics are safe to touch in a signal handler.
std::atomic<int> gPending[kStopSignalCount];
std::atomic<int> gUnanswered{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStopSignal(int sig) {
  const int saved = errno;
  for (int i = 0; i < kStopSignalCount; ++i)
    if (kStopSignals[i] == sig) gPending[i].fetch_add(1, std::memory_order_acq_rel);
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
  for (int sig : kStopSignals) sigaction(sig, &sa, nullptr);
}

int TakeStopSignal() {
  gUnanswered.store(0, std::memory_order_release);
  for (int i = 0; i < kStopSignalCount; ++i) {
    int pending = gPending[i].load(std::memory_order_acquire);
    while (pending > 0)
      if (gPending[i].compare_exchange_weak(pending, pending - 1, std::memory_order_acq_rel)) return kStopSignals[i];
  }
  return 0;
}

int ReleaseStopSignals() {
  for (int sig : kStopSignals) signal(sig, SIG_DFL);
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
