#include "platform/process/StopSignals.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace Platform {
namespace {

constexpr int kStopSignals[] = {SIGHUP, SIGINT, SIGTERM};
constexpr int kStopSignalCount = sizeof(kStopSignals) / sizeof(kStopSignals[0]);
// A loop that has not looked at the signals for this long, with one waiting, has stopped: no
// step of a working loop (a level's hand-over, a save) comes near it.
constexpr int64_t kUnansweredMs = 5000;

// Lock-free atomics are safe to touch in a signal handler.
std::atomic<int> gPending[kStopSignalCount];
// When the loop last looked at the signals (monotonic milliseconds).
std::atomic<int64_t> gLastLookMs{0};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<int64_t>::is_always_lock_free);

// clock_gettime is async-signal-safe.
int64_t MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool AnyPending() {
  for (const std::atomic<int>& pending : gPending)
    if (pending.load(std::memory_order_acquire) > 0) return true;
  return false;
}

void OnStopSignal(int sig) {
  const int saved = errno;
  const bool earlierWaits = AnyPending();
  for (int i = 0; i < kStopSignalCount; ++i)
    if (kStopSignals[i] == sig) gPending[i].fetch_add(1, std::memory_order_acq_rel);
  if (earlierWaits && MonotonicMs() - gLastLookMs.load(std::memory_order_acquire) >= kUnansweredMs) {
    // Nobody is listening (the loop is stuck or gone): the signal takes its own course.
    signal(sig, SIG_DFL);
    raise(sig);
  }
  errno = saved;
}

}  // namespace

void CatchStopSignals() {
  gLastLookMs.store(MonotonicMs(), std::memory_order_release);
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  for (int sig : kStopSignals) sigaction(sig, &sa, nullptr);
}

int TakeStopSignal() {
  gLastLookMs.store(MonotonicMs(), std::memory_order_release);
  for (int i = 0; i < kStopSignalCount; ++i) {
    int pending = gPending[i].load(std::memory_order_acquire);
    while (pending > 0)
      if (gPending[i].compare_exchange_weak(pending, pending - 1, std::memory_order_acq_rel)) return kStopSignals[i];
  }
  return 0;
}

bool StopSignalWaiting() {
  gLastLookMs.store(MonotonicMs(), std::memory_order_release);
  return AnyPending();
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
