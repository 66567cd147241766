#pragma once
#include <chrono>
#include <string>

#include "driver/HeadlessGame.h"
#include "driver/WaitUntil.h"
#include "widgets/ZCCandyWidget.h"

// The headless game with a splash the test holds, and the loop's hooks in reach.
class TestGame : public HeadlessGame {
 public:
  explicit TestGame(const std::string& product) : HeadlessGame(product) { mSimulatedClock = true; }
  bool mHoldSplash = false;
  using HeadlessGame::LoopStep;
  using HeadlessGame::WriteSettings;
  using HeadlessGame::ShowMainMenu;
  // Loop steps until the start-up loader has handed over; false when the loop ends first or a
  // minute passes without it.
  bool RunUntilStarted() {
    const auto end = std::chrono::steady_clock::now() + kTestWaitLimit;
    while (IsLoaderRunning() || !GetBoard())
      if (std::chrono::steady_clock::now() >= end || !LoopStep()) return false;
    return true;
  }

 protected:
  bool IsSplashOver() const override { return !mHoldSplash; }
};
