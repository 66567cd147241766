#pragma once
#include <cstdint>
#include <string>

#include "board/ZCItem.h"
#include "game/ZCEngine3.h"
#include "platform/window/InputEvent.h"

// The game without a window, in the test process: the real start-up loader and level loader on
// their threads, the real main loop step on the real clock, input handed in as the window would.
class HeadlessGame : public ZCEngine3 {
 public:
  explicit HeadlessGame(const std::string& product = "Game Test");

  // What Start does before it enters the loop: the start-up loader on its thread.
  void BeginStartup();
  // Loop steps until the first level runs (start-up loading and the level load handed over);
  // false when it does not within the time limit.
  bool RunUntilLevelRuns(int timeoutMs = 60000);
  // Loop steps until the loop ends (a shut-down) within the time limit; a recording run's demo is
  // then finished at the last step. False on time-out or when the demo cannot be written.
  bool RunToEnd(int timeoutMs = 120000);
  // Loop steps for about ms milliseconds of real time.
  void RunFor(int ms);
  // Hands an event in as the main loop does (recorded when a demo records). Mouse positions are
  // picture positions, handed in where the window shows them.
  void Input(Platform::InputEvent::Type type, int32_t x = 0, int32_t y = 0, int32_t key = 0);
  void Step() { UpdateStep(); }
  bool Dirty() const { return IsDirty(); }
  void Frame() { DrawFrame(); }
  // Frames drawn so far.
  int mFrames = 0;
  using ZCEngine3::IsBusyLoading;

 protected:
  bool WantsWindow() const override { return false; }
  void DrawFrame() override {
    ++mFrames;
    ZCEngine3::DrawFrame();
  }
};

// A point inside the pick region of the named item (which must exist).
BoardPoint PointInside(const std::string& pickItem);
