#include "driver/HeadlessGame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "cafe/ZCBoard_Game3.h"
#include "board/ZCPickItem.h"
#include "driver/WindowPoint.h"
#include "effects/EffectCallbacks.h"
#include "platform/time/Clock.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Confirm.h"

HeadlessGame::HeadlessGame(const std::string& product) { mRegKey = "Cafe Tests\\" + product; }

void HeadlessGame::BeginStartup() { BeginStartupLoading(); }

void HeadlessGame::ShowMainMenu() {
  if (!mPlayFirstLevel || !GetBoard()) {
    ZCEngine3::ShowMainMenu();
    return;
  }
  GetBoard()->StartLoadingThread(kFirstLevel, false);
}

void HeadlessGame::Fail(const std::string& what) { ADD_FAILURE() << what; }

bool HeadlessGame::LoopStep() {
  // The steps a box waits are those its own loop runs, whoever asked it (a test too).
  if (!mMessageBoxOpen) {
    mNestedSteps = 0;
  } else if (++mNestedSteps > mBoxPatience) {
    Fail("a box waited " + std::to_string(mNestedSteps) + " loop steps for an answer" +
         (mBoxesAsked.empty() ? std::string() : " (the last asked: \"" + mBoxesAsked.back() + "\")"));
    Shutdown();
  }
  if (mWaitForLoads) WaitForLoads();
  AnswerOpenBox();
  PressBriefingStart();
  return ZCEngine3::LoopStep();
}

void HeadlessGame::WaitForLoads() {
  // A loader that never finishes fails the test after two minutes instead of holding it for ever.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  auto waitWhile = [&](auto&& working, const char* what) {
    while (working()) {
      if (std::chrono::steady_clock::now() > deadline) {
        Fail(std::string("the ") + what + " did not finish within two minutes");
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  };
  if (!waitWhile([&] { return IsLoaderWorking(); }, "start-up loader")) return;
  // The board is the start-up loader's until it is handed over.
  const ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
  if (board) waitWhile([&] { return board->IsLevelLoadWorking(); }, "level load");
}

void HeadlessGame::AnswerOpenBox() {
  if (!mMessageBoxOpen) {
    mBoxSeen = mBoxPressed = false;
    return;
  }
  ZCBoard_Box* box = ScreenTable::GetConfirmBox();
  if (!box || !box->IsShowing()) box = ScreenTable::GetMessageBox();
  if (!box || !box->IsShowing()) return;
  if (!mBoxSeen) {
    mBoxSeen = true;
    mBoxesAsked.push_back(box->GetBoxId());
  }
  if (mBoxPressed || AreWidgetsLocked()) return;
  const int32_t answer = mAnswerBox ? mAnswerBox(box->GetBoxId()) : -1;
  ZCCandyWidget* button = answer == 1 ? box->mYes : answer == 0 ? box->mNo : nullptr;
  if (!button) return;
  mBoxPressed = true;
  PressCentre(button);
}

void HeadlessGame::PressCentre(ZCCandyWidget* button) {
  int32_t x = 0, y = 0;
  button->GetAbsolutePos(x, y);
  x += button->mWidth / 2;
  y += button->mHeight / 2;
  Input(Platform::InputEvent::Type::MouseMove, x, y);
  Input(Platform::InputEvent::Type::MouseDown, x, y);
  Input(Platform::InputEvent::Type::MouseUp, x, y);
}

void HeadlessGame::PressBriefingStart() {
  ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
  if (!mPressBriefingStart || !board || mDemo.IsPlaying() || mMessageBoxOpen || AreWidgetsLocked()) return;
  auto* briefing = dynamic_cast<ZCCandyWidget*>(&board->GetDialog(ZCBoard_Game3::kBriefing));
  if (!briefing || !briefing->IsVisibleInTree() || !briefing->IsShowing()) return;
  ZCCandyWidget* start = briefing->FindChild("start");
  if (start) PressCentre(start);
}

bool HeadlessGame::RunUntilLevelRuns(int timeoutMs) {
  const uint64_t end = Platform::GetTickMs() + uint64_t(timeoutMs);
  while (Platform::GetTickMs() < end) {
    // With the briefing pressed, the level runs once it has gone (with its fade).
    if (!IsBusyLoading() && GetBoard() && GetBoard()->IsRunning() &&
        (!mPressBriefingStart || (GetBoard()->GetPauseCount() == 0 && !AreWidgetsLocked() &&
                                  !GetBoard()->GetDialog(ZCBoard_Game3::kBriefing).IsVisible())))
      return true;
    if (!LoopStep()) return false;
  }
  return false;
}

bool HeadlessGame::RunToEnd(int timeoutMs) {
  const uint64_t end = Platform::GetTickMs() + uint64_t(timeoutMs);
  while (LoopStep() && Platform::GetTickMs() < end) {
  }
  if (!IsShutdownRequested()) return false;
  return !mDemo.IsRecording() || mDemo.Finish(GetUpdateCount());
}

void HeadlessGame::RunFor(int ms) {
  const uint64_t end = NowMs() + uint64_t(ms);
  // Each loop step sleeps at least a millisecond towards the next update step.
  const int limit = ms + 1000;
  for (int steps = 0; NowMs() < end; ++steps) {
    if (steps > limit) {
      Fail("the loop's clock did not move " + std::to_string(ms) + " ms in " + std::to_string(limit) + " loop steps");
      return;
    }
    if (!LoopStep()) return;
  }
}

bool HeadlessGame::StepUntil(const std::function<bool()>& done, const std::string& what, int maxSteps) {
  for (int steps = 0; steps < maxSteps; ++steps) {
    if (done()) return true;
    if (!LoopStep()) {
      if (done()) return true;
      Fail("the loop ended while waiting for " + what);
      return false;
    }
  }
  if (done()) return true;
  Fail("waited " + std::to_string(maxSteps) + " loop steps for " + what);
  return false;
}

bool HeadlessGame::StepToEnd(int maxSteps) {
  for (int steps = 0; steps < maxSteps; ++steps)
    if (!LoopStep()) return true;
  Fail("the loop still ran after " + std::to_string(maxSteps) + " loop steps");
  return false;
}

void HeadlessGame::SleepMs(uint32_t ms) {
  if (!mSimulatedClock) {
    ZCEngine3::SleepMs(ms);
    return;
  }
  mNow += ms;
  if (IsBusyLoading() && !mWaitForLoads) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void HeadlessGame::Input(Platform::InputEvent::Type type, int32_t x, int32_t y, int32_t key) {
  Platform::InputEvent e;
  e.mType = type;
  e.mX = x;
  e.mY = y;
  const bool mouse = type == Platform::InputEvent::Type::MouseMove || type == Platform::InputEvent::Type::MouseDown ||
                     type == Platform::InputEvent::Type::MouseUp;
  if (mouse) PictureToWindow(*this, e.mX, e.mY);
  e.mButton = 1;
  e.mClicks = 1;
  e.mKey = key;
  mInputQueue.push_back(e);
}

bool PointInRegion(const ZCPickItem& item, BoardPoint& point) {
  const auto& vertices = item.GetRegion().Vertices();
  int32_t left = INT32_MAX, right = INT32_MIN, top = INT32_MAX, bottom = INT32_MIN;
  for (const BoardPoint& v : vertices) {
    left = std::min(left, v.x);
    right = std::max(right, v.x);
    top = std::min(top, v.y);
    bottom = std::max(bottom, v.y);
  }
  for (int32_t y = (top + bottom) / 2; y < bottom; ++y)
    for (int32_t x = (left + right) / 2; x < right; ++x)
      if (item.HitTest(BoardPoint{x, y})) {
        point = BoardPoint{x, y};
        return true;
      }
  return false;
}

BoardPoint PointInside(const std::string& pickItem) {
  ZCPickItem* item = ZCPickItem::FindPickItem(pickItem);
  EXPECT_NE(item, nullptr) << pickItem;
  BoardPoint point{};
  if (item && !PointInRegion(*item, point)) ADD_FAILURE() << "no point inside " << pickItem;
  return point;
}
