#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "driver/HeadlessGame.h"

// The real game headless in the test process as the screens' tests and the whole-game run drive
// it: the real start-up loader on its thread, the main loop on simulated time (one update step
// per 10 ms; loading takes its real time). Input goes through the main loop's queue as the
// window's would.
//
// Clicks, keys and calls are queued and played by the main loop as it steps, one per loop step,
// so that a click that opens a box (which runs the loop in place until answered) is answered by
// the next queued click. A click waits while effects lock the widgets or a page turns, and until
// its widget exists.
class ScreenGame : public HeadlessGame {
 public:
  explicit ScreenGame(const std::string& product) : HeadlessGame(product) {
    mPlayFirstLevel = false;
    mAnswerBox = nullptr;
    mSimulatedClock = true;
    mSkipSplash = false;
  }
  bool LoopStep() override;

  struct Action {
    // kClick: the centre of the widget of mPath; kPoint: the picture position mX, mY.
    enum Kind { kClick, kPoint, kKey, kText, kCall } mKind = kCall;
    std::string mPath;
    int32_t mX = 0, mY = 0;
    int32_t mKey = 0;
    std::wstring mText;
    std::function<void()> mCall;
    int32_t mWaited = 0;
  };
  std::deque<Action> mActions;

  void QueueClick(const std::string& path);
  void QueuePoint(int32_t x, int32_t y);
  void QueueKey(int32_t vk);
  void QueueText(const std::wstring& text);
  void QueueCall(std::function<void()> call);
  // Nothing queued, no effect locks the widgets and no page turns.
  bool IsSettled() const;
  // A whole run: the start-up loader, then loop steps until the loop ends; a run that outlasts
  // stepLimit update steps is a failure and stops there.
  void PlayToEnd(uint64_t stepLimit);

 private:
  // Plays the first queued action when it can be; true when it was played.
  bool PlayAction();
  void Press(int32_t x, int32_t y);
};

// The widget of a path: the first name is a screen among the root's children (or a box), the
// others named children below it, joined by "/". Null when there is none.
ZCCandyWidget* FindWidget(ZCEngine* game, const std::string& path);
// One line per widget: path, visible or hidden, enabled or disabled, its text.
std::string DumpWidgets(ZCEngine* game);
// The main menu's page is turning.
bool IsPageTurning();
