#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
  // Loop steps until the first level runs (start-up loading and the level load handed over, the
  // briefing pressed and gone when the driver presses it);
  // false when it does not within the time limit.
  bool RunUntilLevelRuns(int timeoutMs = 60000);
  // Loop steps until the loop ends (a shut-down) within the time limit; a recording run's demo is
  // then finished at the last step. False on time-out or when the demo cannot be written.
  bool RunToEnd(int timeoutMs = 120000);
  // Loop steps for about ms milliseconds of the loop's time (a failure when the loop's clock does
  // not get there within a step for each of them).
  void RunFor(int ms);
  // Loop steps until done() holds: false, with a test failure naming what was awaited, when the
  // loop ends first or maxSteps loop steps pass without it. Every wait of a test is bounded.
  bool StepUntil(const std::function<bool()>& done, const std::string& what, int maxSteps = 20000);
  // Loop steps until the loop ends (a shut-down): false, with a test failure, when it still runs
  // after maxSteps loop steps.
  bool StepToEnd(int maxSteps = 20000);
  // Hands an event in as the main loop does (recorded when a demo records). Mouse positions are
  // picture positions, handed in where the window shows them.
  void Input(Platform::InputEvent::Type type, int32_t x = 0, int32_t y = 0, int32_t key = 0);
  void Step() { UpdateStep(); }
  // The game would draw a frame now (something on screen changed since the last one).
  bool Dirty() const { return ZCEngine3::IsDirty(); }
  // Draws the frame, whether or not the loop would.
  void Frame() { DrawFrame(); }
  // Frames drawn so far.
  int mFrames = 0;
  // The loop draws a frame after each step that changed the picture, as the game does, only
  // when this is set: for a test that looks at what the loop drew (its frames, the screen after
  // a step). Otherwise a frame is drawn where a test reads it (Frame, a screenshot) and the
  // loop runs the game alone, every step as it would with the frames; a full-screen picture
  // per step that nobody reads is most of a sanitized test's time.
  bool mLoopDraws = false;
  using ZCEngine3::IsBusyLoading;

  // The main menu plays the first level at once, as a player going through the menus would, so
  // that the board's and the application's tests start play without the screens. The screens'
  // driver clears it.
  bool mPlayFirstLevel = true;
  // The splash gives way at the first step instead of running its slides (the screens' driver
  // runs them and skips them with keys).
  bool mSkipSplash = true;
  // How the driver answers an open confirm or message box, given its id: 1 presses yes, 0 no,
  // -1 leaves it to the test. Headless, nobody else could: the default says yes. Empty: -1.
  std::function<int32_t(const std::string& id)> mAnswerBox = [](const std::string&) { return 1; };
  // Presses the briefing's start once it has faded in, as a player does before the day can
  // begin (not while a demo replays: the demo holds the press).
  bool mPressBriefingStart = true;
  // The ids of the boxes opened so far, in order.
  std::vector<std::string> mBoxesAsked;
  // Answers boxes and presses the briefing as set above. A box that waits more than
  // mBoxPatience loop steps for an answer fails the test and ends the loop.
  bool LoopStep() override;
  int32_t mBoxPatience = 20000;
  // Loop steps taken while the box open now waits, counted from its first.
  int32_t mNestedSteps = 0;
  // The main loop on simulated time: one update step per 10 ms of it, no real waiting between
  // steps. While a loader works the time passes in real time too, so that a load takes as many
  // update steps as it would in the game (a recorded demo replays in about as long). Set before
  // the first loop step.
  bool mSimulatedClock = false;
  // Each loop step first waits (in real time) for the work of a running loader to end, so that
  // every load is handed over at the same step in every run: a run that follows its seed alone,
  // with no demo to hold the steps at which loads ended. Loads then take no game time.
  bool mWaitForLoads = false;

 protected:
  // A fault of the run (a wait that ran out, a box never answered): a test failure here.
  virtual void Fail(const std::string& what);
  uint64_t NowMs() override { return mSimulatedClock ? mNow : ZCEngine3::NowMs(); }
  void SleepMs(uint32_t ms) override;
  bool WantsWindow() const override { return false; }
  bool IsSplashOver() const override { return mSkipSplash; }
  void ShowMainMenu() override;
  bool IsDirty() const override { return mLoopDraws && ZCEngine3::IsDirty(); }
  void DrawFrame() override {
    ++mFrames;
    ZCEngine3::DrawFrame();
  }

 private:
  // Presses the answer of an open box once its fade-in has let go of the widgets.
  void AnswerOpenBox();
  void PressBriefingStart();
  // A click in the middle of the widget.
  void PressCentre(ZCCandyWidget* button);
  // Waits until no loader's work is under way (mWaitForLoads); fails after two minutes.
  void WaitForLoads();
  bool mBoxSeen = false;
  bool mBoxPressed = false;
  uint64_t mNow = 0;
};

class ZCPickItem;
// A point of the item's pick region, searched from the middle of its bounds; false when none.
bool PointInRegion(const ZCPickItem& item, BoardPoint& point);
// A point inside the pick region of the named item (which must exist).
BoardPoint PointInside(const std::string& pickItem);
