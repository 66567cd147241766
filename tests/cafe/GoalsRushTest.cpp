#include <gtest/gtest.h>

#include <algorithm>

#include "board/BoardWorld.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/AchievementParams.h"
#include "cafe/support/CafeItemsFixture.h"

namespace {

class TaskHud : public RecordingHud {
 public:
  using RecordingHud::RecordingHud;
  void RefreshAchievementIcons() override { ++mRefreshes; }
  int mRefreshes = 0;
};

class ForcingTutorial : public RecordingTutorial {
 public:
  using RecordingTutorial::RecordingTutorial;
  int32_t NextForcedBonus() override {
    if (mForced.empty()) return -1;
    const int32_t kind = mForced.front();
    mForced.erase(mForced.begin());
    return kind;
  }
  std::vector<int32_t> mForced;
};

class TokenMiniGame : public CafeMiniGame {
 public:
  explicit TokenMiniGame(CallLog& log) : mLog(log) {}
  void AddToken(int32_t kind, bool enabled, bool atFront) override {
    mLog.push_back("token " + std::to_string(kind) + (enabled ? " enabled" : " disabled") + (atFront ? " front" : ""));
  }
  void AddRandomToken() override { mLog.push_back("token random"); }
  CallLog& mLog;
};

// Allows every game event but the one named.
class Gate : public EventGate {
 public:
  bool IsEventAllowed(int32_t event) override { return event != mRefused; }
  int32_t mRefused = -1;
};

class GoalsRushTest : public CafeBoardFixture {
 protected:
  void SetUp() override {
    CafeBoardFixture::SetUp();
    mBoard->SetHud(&mTaskHud);
    mBoard->SetTutorial(&mForcing);
    mBoard->SetMiniGame(&mMiniGame);
    SetEventGate(&mGate);
    ASSERT_TRUE(LoadSampleConfig());
    SetBoardTrace(&mTrace);
    SetGameStep(0.01f);
  }
  void TearDown() override {
    SetBoardTrace(nullptr);
    SetEventGate(nullptr);
    GetAchievementParams().Clear();
    CafeBoardFixture::TearDown();
  }
  void ReadLevel(const std::string& levelXml, bool survival) {
    mBoard->mEndless = survival;
    mBoard->ReadLevelRules(ParseXml("<root><param/></root>"), ParseXml(levelXml));
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) mBoard->OnGameStep();
  }
  int Count(const std::string& line) const { return int(std::count(mCalls.begin(), mCalls.end(), line)); }

  TaskHud mTaskHud{mCalls};
  ForcingTutorial mForcing{mCalls};
  TokenMiniGame mMiniGame{mCalls};
  Gate mGate;
  TraceLines mTrace;
};

TEST_F(GoalsRushTest, TasksAreReadInCareerOnlyAndCountDownToTheirSound) {
  AchievementParams& params = GetAchievementParams();
  ReadLevel(R"(<level><params normal="150" expert="250"/><achparams coin="2" clean="1"/></level>)", false);
  EXPECT_EQ(params.GetTarget(0), 2);
  EXPECT_EQ(params.GetRemaining(2), 1);
  EXPECT_EQ(CountLogLines("WARNING: no attribute 'happy' in 'achparams'."), 1);
  EXPECT_FALSE(params.AllTasksDone());
  params.CompleteTask(2);
  params.CompleteTask(2);  // already 0: nothing
  params.CompleteTask(5);  // no such task: only the icons
  params.CompleteTask(-1);
  EXPECT_EQ(params.GetRemaining(2), 0);
  EXPECT_EQ(mTrace.Starting("task"), (std::vector<std::string>{"task 2 left 0", "task 2 complete"}));
  EXPECT_EQ(mTaskHud.mRefreshes, 4);
  params.CompleteTask(0);
  params.CompleteTask(0);
  EXPECT_TRUE(params.IsAchieved(3));

  // A level without "achparams" has no tasks: test 3 holds from the start.
  ReadLevel("<level><params normal=\"150\" expert=\"250\"/></level>", false);
  EXPECT_EQ(CountLogLines("WARNING: no 'achparams'  in level."), 1);
  EXPECT_TRUE(params.IsAchieved(3));

  // A survival level drops the career level's tasks (it never reads any).
  ReadLevel(R"(<level><achparams coin="3"/></level>)", false);
  EXPECT_FALSE(params.AllTasksDone());
  ReadLevel(R"(<level><achparams coin="3"/></level>)", true);
  EXPECT_EQ(params.GetTarget(0), 0);
  EXPECT_TRUE(params.AllTasksDone());
}

TEST_F(GoalsRushTest, AchievementsTestTheFlagsTheExpertGoalAndAllOfThem) {
  AchievementParams& params = GetAchievementParams();
  ReadLevel(R"(<level><params normal="150" expert="250"/><achparams coin="0"/></level>)", false);
  params.Reset();
  mBoard->mMoney = 200;  // the goal, not the expert goal
  EXPECT_TRUE(params.IsAchieved(0));
  EXPECT_TRUE(params.IsAchieved(1));
  EXPECT_FALSE(params.IsAchieved(2));
  EXPECT_FALSE(params.IsAchieved(4));
  mBoard->mMoney = 250;
  EXPECT_TRUE(params.IsAchieved(2));
  EXPECT_TRUE(params.IsAchieved(4));
  params.mNoBreakdown = false;
  EXPECT_FALSE(params.IsAchieved(4));
  EXPECT_FALSE(params.IsAchieved(5));
  params.Reset();
  EXPECT_TRUE(params.IsAchieved(1));
}

TEST_F(GoalsRushTest, QuickServicesStartTheRushUntilTheTimeoutResetsIt) {
  RushBonus& rush = mBoard->GetRushBonus();
  ASSERT_EQ(rush.GetStartCount(), 3);
  ASSERT_FLOAT_EQ(rush.GetRushTimeout(), 8.0f);
  mForcing.mForced = {2};
  mCalls.clear();
  for (int i = 0; i < 4; ++i) {
    mBoard->GetGoals().CountRush();
    Steps(100);
  }
  // The third service starts the rush with the tutorial's kind, the fourth with the mini-game's.
  EXPECT_EQ(mCalls, (CallLog{"token 2 disabled", "token random"}));
  // A gap of exactly the timeout resets the count and tells the tutorial; a held step (no game
  // time) does not count.
  Steps(699);
  SetGameStep(0);
  Steps(5);
  EXPECT_EQ(rush.GetCount(), 4);
  SetGameStep(0.01f);
  Steps(1);
  EXPECT_EQ(rush.GetCount(), 0);
  EXPECT_EQ(Count("tutorial event 9"), 1);
  mBoard->GetGoals().CountRush();
  EXPECT_EQ(rush.GetCount(), 1);
  // While the tutorial holds event 6 the rush does not start.
  mCalls.clear();
  mGate.mRefused = 6;
  for (int i = 0; i < 3; ++i) mBoard->GetGoals().CountRush();
  EXPECT_EQ(Count("token random"), 0);
}

}  // namespace
