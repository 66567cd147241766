#pragma once
#include <functional>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "cafe/TutorialManager.h"
#include "cafe/support/CafeDoubles.h"

// Recording doubles of what the tutorial drives: the head-up display's tutorial widgets, the
// mini-game and the actors of the scene's reset. Each logs to the shared call log.
class RecordingTutorialHud : public CafeHud {
 public:
  explicit RecordingTutorialHud(CallLog& log) : mLog(log) {}
  void ShowSkipTutorial() override { mLog.push_back("hud skip show"); }
  void HideSkipTutorial() override { mLog.push_back("hud skip hide"); }
  void SetTutorialWidgetVisible(const std::string& name, bool visible) override;
  void HideTutorialWidgets() override { mLog.push_back("hud hide all"); }
  void SetTutorResetWidget(bool visible, float alpha) override;
  // Run when a widget is shown (a hint that reports back at once), and when the reset veil is
  // set.
  std::function<void()> mOnShow;
  std::function<void()> mOnVeil;
  CallLog& mLog;
};

class RecordingMiniGame : public CafeMiniGame {
 public:
  explicit RecordingMiniGame(CallLog& log) : mLog(log) {}
  void ResetLevel() override { mLog.push_back("minigame reset"); }
  void EnableToken(int32_t n) override { mLog.push_back("minigame enable " + std::to_string(n)); }
  void EnableAllTokens() override { mLog.push_back("minigame enable all"); }
  CallLog& mLog;
};

class RecordingSceneActors : public RecordingActors {
 public:
  using RecordingActors::RecordingActors;
  void ResetHeroine(const std::string& point) override { mLog.push_back("reset heroine " + point); }
  void ResetWorker(const std::string& name) override { mLog.push_back("reset " + name); }
  void ResetVisitor(const std::string& name) override { mLog.push_back("reset " + name); }
};

// The trace's lines into the call log.
class LogTrace : public BoardTrace {
 public:
  explicit LogTrace(CallLog& log) : mLog(log) {}
  void TraceEvent(const std::string& line) override { mLog.push_back(line); }
  CallLog& mLog;
};

// The café board with a tutorial manager of the test's own in place of the game's, installed as
// the board's tutorial and the board world's event gate, and the doubles above.
class TutorialFixture : public CafeBoardFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
  // One game step of the seconds: the game time, the step and the manager's update.
  void Step(float seconds);
  // The calls logged since the last Take.
  CallLog Take();

  TutorialManager mManager;
  RecordingTutorialHud mTutorialHud{mCalls};
  RecordingMiniGame mMiniGame{mCalls};
  RecordingSceneActors mSceneActors{mCalls};
  LogTrace mTrace{mCalls};
};
