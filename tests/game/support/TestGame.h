#pragma once
#include <string>

#include "driver/HeadlessGame.h"
#include "widgets/ZCCandyWidget.h"

// The headless game with a splash the test holds, and the loop's hooks in reach.
class TestGame : public HeadlessGame {
 public:
  explicit TestGame(const std::string& product) : HeadlessGame(product) { mSimulatedClock = true; }
  bool mHoldSplash = false;
  using HeadlessGame::LoopStep;
  using HeadlessGame::WriteSettings;
  using HeadlessGame::ShowMainMenu;
  // Loop steps until the start-up loader has handed over; false on time-out.
  bool RunUntilStarted(int timeoutMs = 60000) {
    for (int waited = 0; waited < timeoutMs; waited += 5) {
      if (!IsLoaderRunning() && GetBoard()) return true;
      if (!LoopStep()) return false;
    }
    return false;
  }

 protected:
  bool IsSplashOver() const override { return !mHoldSplash; }
};
