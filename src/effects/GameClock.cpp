#include "effects/GameClock.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace {
// Clocks are made on the loading threads and advanced on the main thread.
std::mutex gMutex;
std::vector<GameClock*>& Clocks() {
  static std::vector<GameClock*> clocks;
  return clocks;
}
double gGameTime = 0;
std::function<bool()> gHoldQuery;

void Register(GameClock* clock) {
  std::lock_guard<std::mutex> lock(gMutex);
  Clocks().push_back(clock);
}
}  // namespace

GameClock::GameClock(bool hold) : mHold(hold) { Register(this); }

GameClock::GameClock(const GameClock& other) : mDeadline(other.mDeadline), mHold(other.mHold) { Register(this); }

GameClock& GameClock::operator=(const GameClock& other) {
  std::lock_guard<std::mutex> lock(gMutex);
  mDeadline = other.mDeadline;
  mHold = other.mHold;
  return *this;
}

GameClock::~GameClock() {
  std::lock_guard<std::mutex> lock(gMutex);
  auto& clocks = Clocks();
  clocks.erase(std::remove(clocks.begin(), clocks.end(), this), clocks.end());
}

void GameClock::SetTimeout(float seconds) {
  std::lock_guard<std::mutex> lock(gMutex);
  mDeadline = gGameTime + seconds;
}

void GameClock::AddTime(float seconds) {
  std::lock_guard<std::mutex> lock(gMutex);
  mDeadline += seconds;
}

float GameClock::GetRemaining() const {
  std::lock_guard<std::mutex> lock(gMutex);
  return float(mDeadline - gGameTime);
}

bool GameClock::IsRunning() const {
  std::lock_guard<std::mutex> lock(gMutex);
  return gGameTime < mDeadline;
}

void GameClock::Advance(float step) {
  if (!std::isfinite(step)) return;
  // The query may read clocks itself, so it runs outside the lock.
  std::function<bool()> query;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    query = gHoldQuery;
  }
  bool held = query && query();
  std::lock_guard<std::mutex> lock(gMutex);
  gGameTime += step;
  if (!held) return;
  for (GameClock* clock : Clocks())
    if (clock->mHold) clock->mDeadline += step;
}

void GameClock::ResetAll() {
  std::lock_guard<std::mutex> lock(gMutex);
  gGameTime = 0;
  for (GameClock* clock : Clocks()) clock->mDeadline = 0;
}

float GameClock::GetGameTime() {
  std::lock_guard<std::mutex> lock(gMutex);
  return float(gGameTime);
}

void GameClock::SetHoldQuery(std::function<bool()> query) {
  std::lock_guard<std::mutex> lock(gMutex);
  gHoldQuery = std::move(query);
}

size_t GameClock::Count() {
  std::lock_guard<std::mutex> lock(gMutex);
  return Clocks().size();
}
