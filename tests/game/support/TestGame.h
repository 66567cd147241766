#pragma once
#include <functional>
#include <string>

#include "driver/HeadlessGame.h"
#include "platform/window/MessageBox.h"
#include "widgets/ZCCandyWidget.h"

// The headless game with a splash the test holds, and the loop's hooks in reach.
class TestGame : public HeadlessGame {
 public:
  explicit TestGame(const std::string& product) : HeadlessGame(product) {}
  bool mHoldSplash = false;
  using HeadlessGame::LoopStep;
  using HeadlessGame::WriteSettings;
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

// Answers every message box through the handler until destroyed.
struct ScopedBoxHandler {
  explicit ScopedBoxHandler(
      std::function<Platform::MessageBoxAnswer(const std::string&, const std::string&, Platform::MessageBoxButtons)> h) {
    Platform::SetMessageBoxHandler(std::move(h));
  }
  ~ScopedBoxHandler() { Platform::SetMessageBoxHandler({}); }
};
