#pragma once
#include <chrono>
#include <thread>

// How long a test waits for what another thread or process does: long enough for a machine busy
// with other builds, short enough that a hang fails within minutes.
inline constexpr std::chrono::milliseconds kTestWaitLimit = std::chrono::minutes(1);

// Asks done() every `poll` (a millisecond unless a costly done() asks less often) until it holds:
// true then; false when it still does not after `limit` (the caller then fails, naming what it
// waited for).
template <typename Done>
bool WaitUntil(Done&& done, std::chrono::milliseconds limit = kTestWaitLimit,
               std::chrono::milliseconds poll = std::chrono::milliseconds(1)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    std::this_thread::sleep_for(poll);
  }
  return true;
}
