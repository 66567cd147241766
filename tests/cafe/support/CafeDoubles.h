#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cafe/CafeHooks.h"
#include "cafe/CafeProfile.h"
#include "cafe/ZCBoard_Game3.h"

// Recording doubles of the café board's neighbours. Each appends what it was asked to one
// shared call log, so that tests can read the order across neighbours.
using CallLog = std::vector<std::string>;

class RecordingHud : public CafeHud {
 public:
  explicit RecordingHud(CallLog& log) : mLog(log) {}
  void Show() override { mLog.push_back("hud show"); }
  void Hide() override { mLog.push_back("hud hide"); }
  void OnGoalReached() override { mLog.push_back("hud goal"); }
  void OnExpertReached() override { mLog.push_back("hud expert"); }
  void SetLives(int32_t n) override { mLog.push_back("hud lives " + std::to_string(n)); }
  void SetUpgradeButton(bool on) override { mLog.push_back(on ? "hud upgrade on" : "hud upgrade off"); }
  void ShowSplash(const std::string& name) override { mLog.push_back("hud " + name); }
  CallLog& mLog;
};

class RecordingTutorial : public CafeTutorial {
 public:
  explicit RecordingTutorial(CallLog& log) : mLog(log) {}
  void ApplyRule(int32_t event) override { mLog.push_back("tutorial event " + std::to_string(event)); }
  void ShowBonusHint(int32_t type) override { mLog.push_back("tutorial hint " + std::to_string(type)); }
  bool IsItemAllowed(const std::string& name) override { return name != mDisallowed; }
  std::string mDisallowed;
  CallLog& mLog;
};

class RecordingActors : public CafeActors {
 public:
  explicit RecordingActors(CallLog& log) : mLog(log) {}
  bool AnyVisitorsPresent() override { return mVisitorsPresent; }
  bool SpawnStand(ScheduleEvent*, int32_t orderPos, float patience) override {
    mLog.push_back("stand " + std::to_string(orderPos) + " " + std::to_string(int(patience)));
    return mAcceptSpawn;
  }
  bool SpawnSit(ScheduleEvent*, int32_t orderPos, float patience) override {
    mLog.push_back("sit " + std::to_string(orderPos) + " " + std::to_string(int(patience)));
    return mAcceptSpawn;
  }
  bool mAcceptSpawn = true;
  bool HasVisitorsOfKind(bool) override { return mHasVisitors; }
  bool mHasVisitors = true;
  void ChangeAllPatience(int32_t mode, float amount) override {
    mLog.push_back("patience " + std::to_string(mode) + " " + std::to_string(int(amount)));
  }
  void ChangeAllTidiness(int32_t mode, float amount) override {
    mLog.push_back("tidiness " + std::to_string(mode) + " " + std::to_string(int(amount)));
  }
  void StartSpeedBonus(float seconds) override { mLog.push_back("speed bonus " + std::to_string(int(seconds))); }
  bool mVisitorsPresent = false;
  CallLog& mLog;
};

class RecordingScreens : public CafeScreens {
 public:
  explicit RecordingScreens(CallLog& log) : mLog(log) {}
  void ShowMessageBox(const std::string& id) override { mLog.push_back("box " + id); }
  void SetCareerResult(int32_t money, int32_t result, int32_t level) override {
    mLog.push_back("career " + std::to_string(money) + " " + std::to_string(result) + " " + std::to_string(level));
  }
  void ShowSurvivalEnd(bool highScore) override { mLog.push_back(highScore ? "survival high" : "survival board"); }
  CallLog& mLog;
};

// A dialog that is shown or not, and logs its calls under its name.
class RecordingDialog : public CafeDialog {
 public:
  RecordingDialog(CallLog& log, std::string name) : mLog(log), mName(std::move(name)) {}
  void Show() override {
    mLog.push_back(mName + " show");
    mVisible = true;
  }
  void Hide() override {
    mLog.push_back(mName + " hide");
    mVisible = false;
  }
  bool IsVisible() const override { return mVisible; }
  CallLog& mLog;
  std::string mName;
  bool mVisible = false;
};

class RecordingProfile : public CafeProfile {
 public:
  explicit RecordingProfile(CallLog& log) : mLog(log) {}
  int32_t GetLevelsOpen() const override { return mLevelsOpen; }
  bool Save() override {
    mLog.push_back("save");
    return true;
  }
  int32_t mLevelsOpen = 1;
  CallLog& mLog;
};

// A café board with its fields open to the tests.
class OpenCafeBoard : public ZCBoard_Game3 {
 public:
  using ZCBoard_Game3::mEndless;
  using ZCBoard_Game3::mExpertGoal;
  using ZCBoard_Game3::mGoal;
  using ZCBoard_Game3::mLevelNumber;
  using ZCBoard_Game3::mLevelUpgradeKind;
  using ZCBoard_Game3::mLives;
  using ZCBoard_Game3::mMoney;
  using ZCBoard_Game3::mPendingUpgrades;
  using ZCBoard_Game3::mStageNumber;
  using ZCBoard_Game3::mStageUpgrades;
};

// A café board with every neighbour a recording double, the board world reset around each
// test, and the log captured.
class CafeBoardFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Reads content/cfg/cfg.xml into the board's game parameters; false when it cannot.
  bool LoadSampleConfig();
  // The lines logged since SetUp that contain the text.
  int CountLogLines(const std::string& text) const;
  // Makes an item of the class word with the name, shown or hidden.
  ZCItem* MakeItem(const std::string& name, bool visible);

  CallLog mCalls;
  RecordingHud mHud{mCalls};
  RecordingTutorial mTutorial{mCalls};
  RecordingActors mActors{mCalls};
  RecordingScreens mScreens{mCalls};
  RecordingProfile mProfile{mCalls};
  RecordingDialog mBriefing{mCalls, "briefing"};
  RecordingDialog mDebriefing{mCalls, "debriefing"};
  RecordingDialog mFailDebriefing{mCalls, "fail"};
  RecordingDialog mEscapeMenu{mCalls, "escape"};
  RecordingDialog mShop{mCalls, "shop"};
  std::unique_ptr<OpenCafeBoard> mBoard;
};

// The folder of the sample content (CAFE_SOURCE_DIR/content).
std::string ContentDir();
