#include <gtest/gtest.h>

#include "board/ItemFactory.h"
#include "board/ZCItemPart.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/ActorParams.h"
#include "cafe/CafeObjects.h"
#include "cafe/ZCWorker.h"
#include "cafe/support/CafeItemsFixture.h"
#include "effects/ZCAnimController.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "sound/SoundManager.h"

namespace {

// Counts the breakdowns reported to the goals.
class RecordingGoals : public CafeGoals {
 public:
  void ClearNoBreakdown() override { ++mBreakdowns; }
  int mBreakdowns = 0;
};

// The engine without a window: its sound table is the workers'.
class Engine : public ZCEngine {
 public:
  Engine() {
    mProductName = "Worker Test";
    mRegKey = "Cafe Tests\\Worker Test";
  }

 protected:
  bool WantsWindow() const override { return false; }
};

// The baker at table01 (sample values: work time 6, tidiness down 5 and up 2 per second, the
// speed upgrade 0.7 of the time), the heroine and the wash stand.
class WorkerTest : public CafeItemsFixture {
 protected:
  void SetUp() override {
    CafeItemsFixture::SetUp();
    GameClock::ResetAll();
    mBoard->SetGoals(&mGoals);
    RegisterItemClass("worker", &ZCWorker::Create);
    MakeObjects(R"(
      <object class="boss" name="boss"/>
      <object class="tray" name="wash_stand" thing="wash"/>
      <object class="pickable" name="table01">
        <part name="soiling_table01"/><part name="soiling_floor02"/><part name="cleaning_small"/>
        <part name="worker_upgrade_1"/><part name="worker_upgrade_2"/></object>)");
    mWorker = MakeWorker("worker01", "baker");
    ASSERT_NE(mWorker, nullptr);
  }
  void TearDown() override {
    GameClock::ResetAll();
    CafeItemsFixture::TearDown();
  }
  ZCWorker* MakeWorker(const std::string& name, const std::string& skin) {
    ZCItem::ReadLevelObjects(ParseXml("<root><objects><object class=\"worker\" name=\"" + name + "\"/></objects></root>"));
    auto* worker = Find<ZCWorker>(name);
    if (!worker) return nullptr;
    worker->ReadState(ParseXml("<object name=\"" + name + "\" skin=\"" + skin + "\"/>"));
    worker->Activate(true);
    return worker;
  }
  // One game step of the seconds: the game time and the worker move on together.
  void Step(float seconds) {
    SetGameStep(seconds);
    GameClock::Advance(seconds);
    mWorker->Update();
  }
  ZCItemPart* TablePart(const char* name) const { return ZCItem::FindByName("table01")->FindPart(name, 0); }
  static int32_t Alpha(ZCItemPart* part) { return int32_t(part->GetTint() >> 24); }

  RecordingGoals mGoals;
  ZCWorker* mWorker = nullptr;
};

TEST_F(WorkerTest, TidinessExactlyZeroWhileWorkingBreaksAndNothingFallsWhileFrozen) {
  EXPECT_FLOAT_EQ(mWorker->ChangeTidiness(-90.0f), 10.0f);
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  ASSERT_EQ(mWorker->GetWorkState(), ZCWorker::kWorking);
  EXPECT_TRUE(mWorker->IsBusy());
  // The ice bonus: the freeze clock runs, tidiness stands.
  mBoard->ApplyMiniGameBonus(4, 1);
  Step(1.0f);
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 10.0f);
  // The freeze ends; the work starts afresh.
  GameClock::Advance(10.0f);
  mWorker->SetWorkState(ZCWorker::kIdle);
  mWorker->SetWorkState(ZCWorker::kWorking);
  ASSERT_FALSE(mBoard->IsFrozen());
  mTrace.mLines.clear();
  // 2 s at 5 a second: exactly 0, which breaks.
  Step(2.0f);
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 0.0f);
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kBroken);
  EXPECT_EQ(mGoals.mBreakdowns, 1);
  EXPECT_EQ(mTrace.mLines, (std::vector<std::string>{"sound worker01 worker_broke", "worker worker01 working -> broken"}));
  std::string bubble;
  EXPECT_TRUE(mWorker->GetBubbleName(bubble));
  EXPECT_EQ(bubble, "broken");
}

TEST_F(WorkerTest, TheBrushRestartsABrokenWorkerWithItsTimeLeftAndFillsAnyOtherAtOnce) {
  ZCBoss* boss = Boss();
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  Step(2.0f);  // 4 s of work left, tidiness 90
  mWorker->ChangeTidiness(-89.0f);
  Step(0.5f);  // 3.5 s left, tidiness 0: broken
  ASSERT_EQ(mWorker->GetWorkState(), ZCWorker::kBroken);
  Step(3.0f);  // broken, the work clock stands
  EXPECT_NEAR(mWorker->GetWorkClock().GetRemaining(), 3.5f, 1e-3);
  EXPECT_TRUE(mWorker->IsInProgress());
  boss->SetHands("wash", "");
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 100.0f);
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kWorking);
  EXPECT_NEAR(mWorker->GetWorkProgress(), 3.5f / 6.0f, 1e-3);
  EXPECT_TRUE(boss->IsBusy());
  EXPECT_EQ(Hands(), "|");
  EXPECT_TRUE(TablePart("cleaning_small")->IsVisible());
  // Idle at 40: filled to 100 at once, the heroine free.
  mWorker->SetWorkState(ZCWorker::kIdle);
  mWorker->ChangeTidiness(-60.0f);
  SetGameStep(2.0f);
  boss->Update();
  ASSERT_FALSE(boss->IsBusy());
  boss->SetHands("0100", "wash");
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 100.0f);
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kIdle);
  EXPECT_FALSE(boss->IsBusy());
  EXPECT_EQ(Hands(), "0100|");
  EXPECT_EQ(mTrace.Starting("sound worker01 worker_clean").size(), 2u);
}

TEST_F(WorkerTest, DirtShowsLostTidinessAndTidinessComesBackWhileIdle) {
  ZCItemPart* table = TablePart("soiling_table01");
  ZCItemPart* floor = TablePart("soiling_floor02");
  EXPECT_EQ(Alpha(table), 0);
  EXPECT_EQ(mWorker->ChangeTidiness(-50.0f), 50.0f);
  EXPECT_EQ(Alpha(table), 127);
  EXPECT_EQ(Alpha(floor), 127);
  mWorker->ChangeTidiness(-80.0f);
  EXPECT_EQ(Alpha(table), 255);
  EXPECT_EQ(table->GetTint() & 0xFFFFFFu, 0xFFFFFFu);
  // Idle: 2 a second back, crossing the red level upward.
  mTrace.mLines.clear();
  Step(10.0f);
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 20.0f);
  EXPECT_EQ(mTrace.Starting("tidiness"), (std::vector<std::string>{"tidiness worker01 rose above 15"}));
  Step(100.0f);
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 100.0f);
  EXPECT_EQ(Alpha(floor), 0);
  float level = 0;
  EXPECT_TRUE(mWorker->GetLevel(level));
  EXPECT_FLOAT_EQ(level, 100.0f);
}

TEST_F(WorkerTest, AReadyProductWaitsForAFreeOrJoinableHand) {
  ZCBoss* boss = Boss();
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  Step(6.5f);
  ASSERT_EQ(mWorker->GetWorkState(), ZCWorker::kReady);
  EXPECT_EQ(mWorker->GetCode(), "0400");
  std::string bubble;
  EXPECT_TRUE(mWorker->GetBubbleName(bubble));
  EXPECT_EQ(bubble, "cake");
  // Two finished combinations: nothing to take it into.
  boss->SetHands("0401", "0302");
  EXPECT_FALSE(Visit(ZCItem::FindByName("table01")));
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kReady);
  EXPECT_EQ(mWorker->GetCode(), "0400");
  // A single product in the second hand joins with it.
  boss->SetHands("0401", "0200");
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  EXPECT_EQ(Hands(), "0401|0402");
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kIdle);
  EXPECT_EQ(mWorker->GetCode(), "");
  EXPECT_FALSE(mWorker->GetBubbleName(bubble));
}

TEST_F(WorkerTest, TheSpeedUpgradeShortensTheWorkAndShowsItsPart) {
  EXPECT_FLOAT_EQ(mWorker->GetWorkDuration(), 6.0f);
  EXPECT_FLOAT_EQ(mWorker->GetWorkProgress(), -1.0f);
  EXPECT_FALSE(TablePart("worker_upgrade_2")->IsVisible());
  mBoard->mEndless = true;
  for (UpgradeRecord& record : const_cast<std::vector<UpgradeRecord>&>(mBoard->GetFunctionalUpgrades()))
    if (record.mObject == "baker" && record.mName == "speed") mBoard->ApplyUpgrade(record, true);
  EXPECT_TRUE(mWorker->HasSpeedUpgrade());
  EXPECT_FALSE(mWorker->HasTidinessUpgrade());
  EXPECT_TRUE(TablePart("worker_upgrade_2")->IsVisible());
  EXPECT_FALSE(TablePart("worker_upgrade_1")->IsVisible());
  EXPECT_FLOAT_EQ(mWorker->GetWorkDuration(), 4.2f);
  mWorker->SetWorkState(ZCWorker::kWorking);
  EXPECT_NEAR(mWorker->GetWorkProgress(), 1.0f, 1e-5);
  Step(4.0f);
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kWorking);
  Step(0.25f);
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kReady);
}

// The tidiness upgrade halves the wear of the work; the clean bonus, through the café's own
// actors, gives every running worker its tidiness and sets a broken one working again.
TEST_F(WorkerTest, TheTidinessUpgradeHalvesTheWearAndTheCleanBonusRepairs) {
  mBoard->mEndless = true;
  EXPECT_TRUE(Visit(ZCItem::FindByName("table01")));
  Step(1.0f);
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 95.0f);
  for (UpgradeRecord& record : const_cast<std::vector<UpgradeRecord>&>(mBoard->GetFunctionalUpgrades()))
    if (record.mObject == "baker" && record.mName == "tidiness") mBoard->ApplyUpgrade(record, true);
  ASSERT_TRUE(mWorker->HasTidinessUpgrade());
  EXPECT_TRUE(TablePart("worker_upgrade_1")->IsVisible());
  Step(2.0f);
  EXPECT_FLOAT_EQ(mWorker->GetTidiness(), 90.0f);  // 2 s at 5 a second, halved
  mWorker->ChangeTidiness(-89.0f);
  Step(0.5f);
  ASSERT_EQ(mWorker->GetWorkState(), ZCWorker::kBroken);

  mWorker->SetRunning(true);
  mBoard->SetActors(nullptr);
  mBoard->ApplyMiniGameBonus(2, 1);
  mBoard->SetActors(&mActors);
  EXPECT_EQ(mWorker->GetWorkState(), ZCWorker::kWorking);
  EXPECT_NEAR(mWorker->GetTidiness(), 25.0f, 0.3f);
  EXPECT_TRUE(TablePart("cleaning_small")->IsVisible());
}

TEST_F(WorkerTest, AnUnknownSkinGetsZeroedParametersAndTheRegistryFollowsTheWorkers) {
  LogHistory::Clear();
  ZCWorker* stranger = MakeWorker("worker07", "juggler");
  ASSERT_NE(stranger, nullptr);
  EXPECT_FLOAT_EQ(stranger->GetParams().mWorkTime, 0.0f);
  EXPECT_EQ(CountLogLines("no worker parameters for skin 'juggler'"), 1);
  EXPECT_EQ(CountLogLines("no table 'table07'"), 1);
  // Nothing divides by its zero work time.
  stranger->SetWorkState(ZCWorker::kWorking);
  EXPECT_FLOAT_EQ(stranger->GetWorkProgress(), 0.0f);
  EXPECT_EQ(FindWorker("worker07"), stranger);
  EXPECT_EQ(FindActorForPlace(Boss(), ZCItem::FindByName("table01")), mWorker);
  EXPECT_EQ(GetWorkerParamsMap().at("baker").mWorker, mWorker);
  delete stranger;
  EXPECT_EQ(FindWorker("worker07"), nullptr);
  EXPECT_EQ(CountWorkers(), 1u);
  ResetCafeWorld();
  EXPECT_EQ(CountWorkers(), 0u);
  EXPECT_EQ(GetWorkerParamsMap().at("baker").mWorker, nullptr);
}

// The sample worker's pictures: hovered while idle it greets and holds at the break frame until
// the cursor leaves, then finishes and stands idle again.
TEST_F(WorkerTest, HoverGreetsHoldsAtTheBreakFrameAndGoesBackToIdle) {
  ASSERT_TRUE(OpenSampleData());
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="worker" name="worker05"><part name="worker_up"/></object></objects></root>)"));
  mWorker = Find<ZCWorker>("worker05");
  ASSERT_NE(mWorker, nullptr);
  mWorker->ReadState(ParseXml(R"(<object name="worker05" skin="cook"/>)"));
  mWorker->Activate(true);
  ZCAnimController* anim = mWorker->GetParts()[0]->GetController();
  ASSERT_NE(anim, nullptr);
  auto playing = [&] { return anim->GetCurrentAnimation() ? anim->GetCurrentAnimation()->mName : ""; };
  EXPECT_EQ(playing(), "worker_upcookidle_green");
  mWorker->SetHighlight({0, 0}, true);
  EXPECT_EQ(playing(), "worker_upcookdirect_character");
  for (int i = 0; i < 100; ++i) Step(0.05f);
  EXPECT_EQ(playing(), "worker_upcookdirect_character");
  EXPECT_EQ(anim->GetFrameIndex(), mWorker->GetParams().mBreakFrame);
  mWorker->SetHighlight({0, 0}, false);
  for (int i = 0; i < 20; ++i) Step(0.05f);
  EXPECT_EQ(playing(), "worker_upcookidle_green");
}

// The begin sound of a worker that starts from idle plays; resuming it there is harmless, and
// the next breakdown pauses it.
TEST_F(WorkerTest, TheBeginSoundIsPausedAtTheNextBreakdown) {
  Engine engine;
  ASSERT_TRUE(engine.Init());
  ASSERT_TRUE(OpenSampleData());
  ASSERT_TRUE(engine.GetSoundManager()->AddSound(SoundDesc{"worker_begin", "sounds\\worker_begin.wav", "game"}));
  mWorker = MakeWorker("worker02", "baker");
  ASSERT_NE(mWorker, nullptr);
  SoundInstance* begin = mWorker->GetBeginSound();
  ASSERT_NE(begin, nullptr);
  mWorker->SetWorkState(ZCWorker::kWorking);
  EXPECT_TRUE(begin->IsPlaying());
  EXPECT_EQ(begin->GetPauseCount(), 0);
  mWorker->ChangeTidiness(-99.0f);
  Step(1.0f);
  ASSERT_EQ(mWorker->GetWorkState(), ZCWorker::kBroken);
  EXPECT_EQ(begin->GetPauseCount(), 1);
  EXPECT_FALSE(begin->IsPlaying());
  mWorker->Repair();
  EXPECT_EQ(begin->GetPauseCount(), 0);
  // The level stops: the sound stops with it.
  mWorker->Activate(false);
  EXPECT_FALSE(begin->IsActive());
  mWorker->ClearState();
  engine.GetSoundManager()->Clear();
}

}  // namespace
