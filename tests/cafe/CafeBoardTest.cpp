#include <gtest/gtest.h>

#include <algorithm>

#include "board/BoardWorld.h"
#include "board/EventSchedule.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/ActorParams.h"
#include "cafe/support/CafeDoubles.h"
#include "shell/Log.h"

namespace {

// Refuses one game event.
class RefusingGate : public EventGate {
 public:
  bool IsEventAllowed(int32_t event) override { return event != mRefused; }
  int32_t mRefused = 0;
};

// A cut-scene on show.
class ShownComix : public CafeComix {
 public:
  bool IsVisible() const override { return true; }
};

class CafeBoardTest : public CafeBoardFixture {
 protected:
  bool Called(const std::string& call) const { return std::find(mCalls.begin(), mCalls.end(), call) != mCalls.end(); }
  // A career level of the first café with goals 100 and 200 and a functional upgrade, the
  // player's highest.
  void CareerLevel(int32_t money) {
    mBoard->mLevelNumber = 2;
    mBoard->mGoal = 100;
    mBoard->mExpertGoal = 200;
    mBoard->mMoney = money;
    mBoard->mLevelUpgradeKind = UpgradeRecord::kFunctional;
    mProfile.mLevelsOpen = 2;
  }
};

TEST_F(CafeBoardTest, CareerResultCodesFollowTheGoalsAndALostVip) {
  ASSERT_TRUE(LoadSampleConfig());
  CareerLevel(100);
  EXPECT_EQ(mBoard->GetResultCode(), 1);  // the goal exactly
  mBoard->mMoney = 199;
  EXPECT_EQ(mBoard->GetResultCode(), 1);
  mBoard->mMoney = 200;
  EXPECT_EQ(mBoard->GetResultCode(), 0);  // the expert goal exactly
  mBoard->SetVipLost();
  mBoard->mMoney = 500;
  EXPECT_EQ(mBoard->GetResultCode(), 3);  // a lost VIP fails whatever the money
}

TEST_F(CafeBoardTest, BelowTheGoalTheResultGoesStraightToTheFailDebriefing) {
  ASSERT_TRUE(LoadSampleConfig());
  CareerLevel(99);
  mBoard->OnLevelFinished();
  EXPECT_EQ(mCalls, (CallLog{"career 99 2 2", "fail show", "save"}));
}

TEST_F(CafeBoardTest, AReachedGoalWithOffersOpensTheBoxAndTheShopWhichReports) {
  ASSERT_TRUE(LoadSampleConfig());
  CareerLevel(150);
  mBoard->OnLevelFinished();
  EXPECT_EQ(mCalls, (CallLog{"box upgrade", "shop show"}));
  // Not the player's highest level: no offer, the result at once.
  mCalls.clear();
  mProfile.mLevelsOpen = 5;
  mBoard->OnLevelFinished();
  EXPECT_EQ(mCalls, (CallLog{"career 150 1 2", "debriefing show", "save"}));
  // With nothing left to offer neither the box nor the shop comes.
  mCalls.clear();
  mProfile.mLevelsOpen = 2;
  std::fill(mProfile.GetUpgradeFlags(), mProfile.GetUpgradeFlags() + CafeProfile::kUpgradeFlags, 1);
  mBoard->OnLevelFinished();
  EXPECT_EQ(mCalls, (CallLog{"career 150 1 2", "debriefing show", "save"}));
}

TEST_F(CafeBoardTest, WithoutAShopTheDefaultReportsTheResultAtOnce) {
  ASSERT_TRUE(LoadSampleConfig());
  CareerLevel(150);
  mBoard->SetDialog(ZCBoard_Game3::kShop, nullptr);
  mBoard->OnLevelFinished();
  EXPECT_EQ(mCalls, (CallLog{"box upgrade", "career 150 1 2", "debriefing show", "save"}));
}

TEST_F(CafeBoardTest, CafeAndDayOfEveryRangeWarnOutsideTheCareer) {
  struct Case {
    int32_t level, cafe, day;
  } cases[] = {{1, 1, 1},   {15, 1, 15}, {16, 2, 1}, {35, 2, 20}, {36, 3, 1}, {59, 3, 24},
               {60, 3, 1},  {99, 3, 1},  {100, 1, 1}, {199, 1, 1}, {200, 2, 1}, {300, 3, 1}, {450, 3, 1}};
  for (const Case& c : cases) {
    LogHistory::Clear();
    mBoard->mLevelNumber = c.level;
    EXPECT_EQ(mBoard->GetCafe(), c.cafe) << c.level;
    EXPECT_EQ(mBoard->GetDay(), c.day) << c.level;
    const bool cafeWarns = c.level >= 60 && c.level <= 99;
    const bool dayWarns = c.level >= 60;
    EXPECT_EQ(CountLogLines("WARNING: Cafe Detection FAILED for level " + std::to_string(c.level)), cafeWarns ? 1 : 0);
    EXPECT_EQ(CountLogLines("WARNING: Day Detection FAILED for level " + std::to_string(c.level)), dayWarns ? 1 : 0);
  }
  // Survival: the level is the café chosen, the day the stage reached.
  mBoard->mEndless = true;
  mBoard->mLevelNumber = 2;
  mBoard->mStageNumber = 4;
  EXPECT_EQ(mBoard->GetCafe(), 2);
  EXPECT_EQ(mBoard->GetDay(), 4);
}

TEST_F(CafeBoardTest, MoneyRaisesOneMarkPerChange) {
  mBoard->mGoal = 100;
  mBoard->mExpertGoal = 200;
  mBoard->AddMoney(50);
  EXPECT_FALSE(mBoard->IsGoalMarked());
  mBoard->AddMoney(300);  // past both goals at once
  EXPECT_TRUE(mBoard->IsGoalMarked());
  EXPECT_FALSE(mBoard->IsExpertMarked());
  mBoard->AddMoney(0);
  EXPECT_TRUE(mBoard->IsExpertMarked());
  mBoard->AddMoney(10);
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "hud goal"), 1);
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "hud expert"), 1);
  // The head-up display lets the goal be reached again.
  mBoard->ClearGoalMark();
  mBoard->AddMoney(1);
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "hud goal"), 2);
}

TEST_F(CafeBoardTest, SurvivalStageUpgradeComesOnlyOnItsStage) {
  mBoard->mEndless = true;
  mBoard->mStageUpgrades = {{3, UpgradeRecord::kVisual}, {4, UpgradeRecord::kFunctional}};
  mBoard->mStageNumber = 2;
  mBoard->OnStageAdvanced();
  EXPECT_TRUE(mBoard->GetPendingUpgrades().empty());
  EXPECT_FALSE(Called("hud upgrade on"));
  mBoard->mStageNumber = 3;
  mBoard->OnStageAdvanced();
  ASSERT_EQ(mBoard->GetPendingUpgrades().size(), 1u);
  EXPECT_EQ(mBoard->GetPendingUpgrades().front(), UpgradeRecord::kVisual);
  EXPECT_TRUE(Called("hud upgrade on"));
  // The same stage again offers nothing more.
  mBoard->OnStageAdvanced();
  EXPECT_EQ(mBoard->GetPendingUpgrades().size(), 1u);
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "hud goal"), 3);
}

TEST_F(CafeBoardTest, SurvivalEndsOnTheFourthLostLife) {
  mBoard->mEndless = true;
  mBoard->GetSchedule().SetMode(EventSchedule::kEndless);
  mBoard->GetSchedule().Load(ParseXml(R"(<level><stages><stage points="100">
      <time_point_template type="client" person1="girl" prob="1"/></stage></stages></level>)"));
  mBoard->mLives = 3;
  for (int lost = 1; lost <= 3; ++lost) {
    mBoard->LoseLife();
    EXPECT_FALSE(mBoard->AreQueuesDone()) << lost;
  }
  mBoard->LoseLife();
  EXPECT_TRUE(mBoard->AreQueuesDone());
  // The count shown never goes below 0.
  EXPECT_EQ(mCalls, (CallLog{"hud lives 2", "hud lives 1", "hud lives 0"}));
  // A career board has no lives to lose.
  mBoard->mEndless = false;
  mBoard->mLives = 3;
  mBoard->LoseLife();
  EXPECT_EQ(mBoard->GetLives(), 3);
}

// The stage a survival game plays decides whether a visitor can still come: one that can send
// nobody (its only type has a probability of 0) ends the game once the visitors still in the
// café have gone.
TEST_F(CafeBoardTest, SurvivalEndsOnAStageThatSendsNobody) {
  mBoard->mEndless = true;
  mBoard->mLives = 3;
  mBoard->GetSchedule().SetMode(EventSchedule::kEndless);
  mBoard->GetSchedule().Load(ParseXml(R"(<level><stages>
      <stage points="100"><time_point_template type="client" person1="girl" prob="1"/></stage>
      <stage points="200"><time_point_template type="client" person1="girl" prob="0"/></stage>
      </stages></level>)"));
  EXPECT_TRUE(LogHistory::Contains("prob=\"0\": never drawn"));
  EXPECT_FALSE(mBoard->AreQueuesDone());
  mBoard->GetSchedule().AdvanceStage();
  mActors.mVisitorsPresent = true;
  EXPECT_FALSE(mBoard->AreQueuesDone());
  mActors.mVisitorsPresent = false;
  EXPECT_TRUE(mBoard->AreQueuesDone());
}

TEST_F(CafeBoardTest, CareerWaitsWhileVisitorsRemainUnlessAVipWasLost) {
  // An empty schedule is done.
  ASSERT_TRUE(mBoard->ZCBoard_Game::AreQueuesDone());
  mActors.mVisitorsPresent = true;
  EXPECT_FALSE(mBoard->AreQueuesDone());
  mBoard->SetVipLost();
  EXPECT_TRUE(mBoard->AreQueuesDone());
  mActors.mVisitorsPresent = false;
  EXPECT_TRUE(mBoard->AreQueuesDone());
  // The lost guest belongs to its own day: the next one starts without it.
  mBoard->OnLevelStarted();
  EXPECT_FALSE(mBoard->IsVipLost());
  mActors.mVisitorsPresent = true;
  EXPECT_FALSE(mBoard->AreQueuesDone());
}

TEST_F(CafeBoardTest, CoinBonusPaysMoreWithTheCoinUpgrade) {
  ASSERT_TRUE(LoadSampleConfig());
  mBoard->mLevelNumber = 2;
  mBoard->ApplyMiniGameBonus(0, 1);
  EXPECT_EQ(mBoard->GetMoney(), 20);
  mBoard->ApplyMiniGameBonus(0, 2);
  EXPECT_EQ(mBoard->GetMoney(), 55);
  mProfile.GetUpgradeFlags()[13] = 1;  // the coin bonus
  ASSERT_TRUE(mBoard->IsUpgradeOwned("bonus", "money"));
  mBoard->ApplyMiniGameBonus(0, 1);
  EXPECT_EQ(mBoard->GetMoney(), 85);
  mBoard->ApplyMiniGameBonus(0, 3);
  EXPECT_EQ(mBoard->GetMoney(), 135);
  // The hint comes the first time only.
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "tutorial hint 0"), 1);
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "tutorial event 6"), 4);
}

TEST_F(CafeBoardTest, OtherBonusesReachTheActorsAndUnknownTypesAreIgnored) {
  ASSERT_TRUE(LoadSampleConfig());
  mBoard->ApplyMiniGameBonus(1, 2);
  mBoard->ApplyMiniGameBonus(2, 1);
  mBoard->ApplyMiniGameBonus(3, 1);
  mBoard->ApplyMiniGameBonus(3, 2);
  EXPECT_TRUE(Called("patience 1 60"));
  EXPECT_TRUE(Called("tidiness 1 25"));
  EXPECT_TRUE(Called("speed bonus 6"));
  EXPECT_TRUE(Called("speed bonus 10"));
  EXPECT_FALSE(mBoard->IsFrozen());
  mBoard->ApplyMiniGameBonus(4, 1);
  EXPECT_TRUE(mBoard->IsFrozen());
  mCalls.clear();
  mBoard->ApplyMiniGameBonus(5, 1);
  mBoard->ApplyMiniGameBonus(-1, 1);
  EXPECT_TRUE(mCalls.empty());
  EXPECT_EQ(mBoard->GetMoney(), 0);
}

// Survival shows no bonus hints; the career shows each once.
TEST_F(CafeBoardTest, BonusHintsComeOnceInTheCareerAndNeverInSurvival) {
  ASSERT_TRUE(LoadSampleConfig());
  auto hints = [&] {
    return std::count_if(mCalls.begin(), mCalls.end(), [](const std::string& c) { return c.rfind("tutorial hint", 0) == 0; });
  };
  mBoard->mEndless = true;
  for (int32_t type = 0; type < CafeProfile::kBonusTypes; ++type) mBoard->ApplyMiniGameBonus(type, 1);
  EXPECT_EQ(hints(), 0);
  mBoard->mEndless = false;
  for (int round = 0; round < 2; ++round)
    for (int32_t type = 0; type < CafeProfile::kBonusTypes; ++type) mBoard->ApplyMiniGameBonus(type, 1);
  EXPECT_EQ(hints(), CafeProfile::kBonusTypes);
}

TEST_F(CafeBoardTest, EscapeOpensTheMenuOrHidesOnlyWhatIsShown) {
  mBriefing.mVisible = true;
  mBoard->KeyUp(ZCBoard_Game3::kEscapeKey);
  EXPECT_EQ(mCalls, (CallLog{"briefing hide"}));
  mCalls.clear();
  mBoard->KeyUp(ZCBoard_Game3::kEscapeKey);
  EXPECT_EQ(mCalls, (CallLog{"escape show"}));
  mCalls.clear();
  mBoard->KeyUp(ZCBoard_Game3::kEscapeKey);
  EXPECT_EQ(mCalls, (CallLog{"escape hide"}));
  // Over the shop Escape closes nothing.
  mCalls.clear();
  mShop.mVisible = true;
  mBoard->KeyUp(ZCBoard_Game3::kEscapeKey);
  mBoard->KeyUp('A');
  EXPECT_TRUE(mCalls.empty());
  // Nor over a debriefing: the finished day would be left without a way on.
  mShop.mVisible = false;
  for (RecordingDialog* debriefing : {&mDebriefing, &mFailDebriefing}) {
    debriefing->mVisible = true;
    mBoard->KeyUp(ZCBoard_Game3::kEscapeKey);
    EXPECT_TRUE(mCalls.empty());
    debriefing->mVisible = false;
  }
  // Nor over a cut-scene.
  ShownComix comix;
  mBoard->SetComix(&comix);
  mBoard->KeyUp(ZCBoard_Game3::kEscapeKey);
  EXPECT_TRUE(mCalls.empty());
  mBoard->SetComix(nullptr);
}

TEST_F(CafeBoardTest, VisitorsAreSpawnedByKindWhileTheTutorialAllows) {
  GetClientParamsMap()["girl"].mName = "girl";
  ScheduleEvent event;
  event.mPersons[0] = "girl";
  event.mType = "client";
  EXPECT_TRUE(mBoard->SpawnClientFromEvent(&event));
  event.mType = "family";
  EXPECT_TRUE(mBoard->SpawnClientFromEvent(&event));
  event.mType = "staff";
  EXPECT_FALSE(mBoard->SpawnClientFromEvent(&event));
  EXPECT_EQ(mCalls, (CallLog{"stand 0 100", "tutorial event 1", "sit 0 100", "tutorial event 1"}));
  // No place free, or arrivals held by the tutorial: the event waits.
  mCalls.clear();
  mActors.mAcceptSpawn = false;
  EXPECT_FALSE(mBoard->SpawnClientFromEvent(&event));
  event.mType = "client";
  EXPECT_FALSE(mBoard->SpawnClientFromEvent(&event));
  mActors.mAcceptSpawn = true;
  RefusingGate gate;
  gate.mRefused = 5;
  SetEventGate(&gate);
  EXPECT_FALSE(mBoard->SpawnClientFromEvent(&event));
  SetEventGate(nullptr);
  EXPECT_EQ(mCalls, (CallLog{"stand 0 100"}));
  // A visitor without settings (or a member of a group) would never leave: its event is taken
  // without a visitor, with a warning.
  mCalls.clear();
  for (const char* second : {"", "ghost"}) {
    event.mPersons[0] = second[0] ? "girl" : "ghost";
    event.mPersons[1] = second;
    LogHistory::Clear();
    EXPECT_TRUE(mBoard->SpawnClientFromEvent(&event));
    EXPECT_TRUE(LogHistory::Contains("=\"ghost\" has no visitor settings in cfg\\cfg.xml; not spawned"));
  }
  // Nor does it wait for a kind of visitor the level has no object for.
  event.mPersons[1].clear();
  mActors.mHasVisitors = false;
  LogHistory::Clear();
  EXPECT_TRUE(mBoard->SpawnClientFromEvent(&event));
  EXPECT_TRUE(LogHistory::Contains("a \"client\" comes, but the level has no standing visitor; not spawned"));
  EXPECT_TRUE(mCalls.empty());
  ClearClientParams();
}

TEST_F(CafeBoardTest, ClickedItemsGoToTheHeroineWhileTheTutorialAllows) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="boss" name="boss"/><object class="pickable" name="table1"/><object class="pickable" name="bar"/>
      </objects></root>)"));
  ZCMoveItem* heroine = mBoard->GetHeroine();
  ASSERT_NE(heroine, nullptr);
  auto* table = dynamic_cast<ZCPickItem*>(ZCItem::FindByName("table1"));
  auto* bar = dynamic_cast<ZCPickItem*>(ZCItem::FindByName("bar"));
  mBoard->HandleClickedItem(table);
  mTutorial.mDisallowed = "bar";
  mBoard->HandleClickedItem(bar);
  RefusingGate gate;
  gate.mRefused = 7;
  SetEventGate(&gate);
  mBoard->HandleClickedItem(table);
  SetEventGate(nullptr);
  ASSERT_EQ(heroine->GetTargets().size(), 1u);
  EXPECT_EQ(heroine->GetTargets().front(), table);
  EXPECT_EQ(mCalls, (CallLog{"tutorial event 2"}));
}

TEST_F(CafeBoardTest, TheLevelEndingSplashTellsSuccessFailureOrSurvival) {
  CareerLevel(100);
  mBoard->OnLevelEnding();
  mBoard->mMoney = 99;
  mBoard->OnLevelEnding();
  mBoard->mMoney = 300;
  mBoard->SetVipLost();
  mBoard->OnLevelEnding();
  mBoard->mEndless = true;
  mBoard->OnLevelEnding();
  EXPECT_EQ(mCalls, (CallLog{"hud success_splash", "hud fail_splash", "hud fail_splash", "hud surv_end_splash"}));
}

}  // namespace
