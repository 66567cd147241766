#include <gtest/gtest.h>

#include "board/ZCItemPart.h"
#include "board/support/BoardTestSupport.h"
#include "effects/ZCAnimController.h"
#include "cafe/CafeObjects.h"
#include "cafe/ZCBoss.h"
#include "cafe/support/CafeItemsFixture.h"
#include "cafe/support/StandInActors.h"

namespace {

class HeroineTest : public CafeItemsFixture {
 protected:
  void SetUp() override {
    CafeItemsFixture::SetUp();
    MakeObjects(R"(
      <object class="boss" name="boss"><part name="boss"/>
        <part name="held_items"/><part name="held_items"/><part name="held_items"/><part name="held_items"/></object>
      <object class="tray" name="colamachine" thing="0200"/>
      <object class="tray" name="candymachine" thing="0100"/>
      <object class="tray" name="wash_stand" thing="wash"/>
      <object class="tray" name="tray_left" thing="0300"/>
      <object class="trash_bin" name="trash_bin"/>
      <object class="pickable" name="table01"/>
      <object class="worker" name="worker01" skin="baker"/>
      <object class="pickable" name="client_place1"/>
      <object class="visitor" name="client1"/>)");
    mBoss = Boss();
    ASSERT_NE(mBoss, nullptr);
    mWorker = Find<StandInWorker>("worker01");
    ASSERT_NE(mWorker, nullptr);
    // The skin comes with the level state, which these objects have none of.
    mWorker->SetSkin("baker", false);
    mWorker->Activate(true);
  }
  ZCItem* Item(const std::string& name) const { return ZCItem::FindByName(name); }
  std::vector<std::string> Lines(const std::string& text) const { return mTrace.Starting(text); }

  ZCBoss* mBoss = nullptr;
  StandInWorker* mWorker = nullptr;
};

TEST_F(HeroineTest, MachinesFillTheFirstFreeHandAndFullHandsOnlyResetTheRush) {
  EXPECT_TRUE(Visit(Item("candymachine")));
  EXPECT_TRUE(Visit(Item("colamachine")));
  EXPECT_EQ(Hands(), "0100|0200");
  EXPECT_EQ(Lines("sound"), (std::vector<std::string>{"sound boss candy", "sound boss soda_mashine"}));
  EXPECT_EQ(mBoss->GetCurrentAnimation(), "");  // no animation sets in this test
  mTrace.mLines.clear();
  int32_t scratch = 0;
  EXPECT_FALSE(mBoss->Interact(Item("candymachine"), true, &scratch));
  EXPECT_EQ(Hands(), "0100|0200");
  EXPECT_EQ(mTrace.mLines, (std::vector<std::string>{"rush reset"}));
  // A tray is visited but nothing is taken there.
  EXPECT_FALSE(Visit(Item("tray_left")));
  // The machine reacts before she takes: its tutorial event comes first. The rush's reset tells
  // the tutorial (event 9).
  EXPECT_EQ(mCalls,
            (CallLog{"tutorial event 5", "tutorial event 10", "tutorial event 5", "tutorial event 10", "tutorial event 9"}));
}

TEST_F(HeroineTest, TheTrashEmptiesTheSecondHandFirstAndIgnoresEmptyHands) {
  mBoss->SetHands("0100", "0200");
  EXPECT_TRUE(Visit(Item("trash_bin")));
  EXPECT_EQ(Hands(), "0100|");
  EXPECT_TRUE(Visit(Item("trash_bin")));
  EXPECT_EQ(Hands(), "|");
  mTrace.mLines.clear();
  EXPECT_FALSE(Visit(Item("trash_bin")));
  int32_t scratch = 0;
  EXPECT_FALSE(mBoss->Interact(Item("trash_bin"), true, &scratch));
  EXPECT_TRUE(mTrace.mLines.empty());
  EXPECT_EQ(Lines("hands").size(), 0u);
}

TEST_F(HeroineTest, AWorkersProductGoesToAFreeHandBeforeAnUnwantedJoin) {
  ASSERT_EQ(mWorker->GetCode(), "0400");
  // Pass 1: the unwanted join "0401" waits, the free second hand takes the code.
  mBoss->SetHands("0100", "");
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(Hands(), "0100|0400");
  EXPECT_EQ(mWorker->GetCode(), "");
  // Both hands full: pass 2 joins into the first hand.
  mWorker->SetCode("0400");
  mBoss->SetHands("0100", "0200");
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(Hands(), "0401|0200");
  // A join a waiting visitor wants is made in pass 1, in the second hand if it is that one.
  Find<ZCItem>("client1")->SetCode("0402");
  mWorker->SetCode("0400");
  mBoss->SetHands("0100", "0200");
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(Hands(), "0100|0402");
  // Nothing joins: the code stays with the worker and the rush is reset.
  mWorker->SetCode("0400");
  mBoss->SetHands("0401", "0302");
  mTrace.mLines.clear();
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(Hands(), "0401|0302");
  EXPECT_EQ(mWorker->GetCode(), "0400");
  EXPECT_EQ(Lines("rush"), (std::vector<std::string>{"rush reset"}));
  // An empty worker ("0000") that can start on its product is started.
  mWorker->SetCode("0000");
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(mWorker->GetCode(), "0000");
  EXPECT_EQ(Hands(), "0401|0302");
  // A worker fresh from activation holds nothing: with a hand free, starting it is a quick
  // service like a take (the rush lesson counts on it); with both hands full the rush resets.
  for (const char* second : {"", "0302"}) {
    mWorker->SetCode("");
    mBoss->SetHands("0401", second);
    mTrace.mLines.clear();
    EXPECT_TRUE(Visit(Item("table01")));
    EXPECT_EQ(Hands(), std::string("0401|") + second);
    EXPECT_EQ(Lines("rush"), (std::vector<std::string>{*second ? "rush reset" : "rush step"})) << second;
  }
}

TEST_F(HeroineTest, TheBrushCleansOnlyABrokenWorkerAndOnlyTheFirstIsUsed) {
  mBoss->SetHands("wash", "wash");
  mWorker->mState = 1;
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(Hands(), "|wash");
  EXPECT_TRUE(mBoss->IsBusy());
  EXPECT_FLOAT_EQ(mBoss->GetActionTime(), 1.5f);
  // Cleaning ends: she may walk again.
  SetGameStep(2.0f);
  mBoss->Update();
  EXPECT_FALSE(mBoss->IsBusy());
  mWorker->mState = 0;
  EXPECT_TRUE(Visit(Item("table01")));
  EXPECT_EQ(Hands(), "|");
  EXPECT_FALSE(mBoss->IsBusy());
  // The wash stand resets the rush even when it gives a brush.
  mTrace.mLines.clear();
  EXPECT_TRUE(Visit(Item("wash_stand")));
  EXPECT_EQ(Hands(), "wash|");
  EXPECT_EQ(Lines("rush"), (std::vector<std::string>{"rush reset", "rush reset"}));
  EXPECT_EQ(Lines("sound"), (std::vector<std::string>{"sound boss take_brush"}));
}

TEST_F(HeroineTest, ServingCountsOneRushStepAndAHiddenVisitorResets) {
  ZCItem* visitor = Item("client1");
  visitor->SetCode("0301");
  visitor->SetVisibleFlag(true);
  mBoss->SetHands("0200", "0301");
  EXPECT_TRUE(Visit(Item("client_place1")));
  EXPECT_EQ(Hands(), "0200|");
  EXPECT_FALSE(mBoss->IsServed());
  EXPECT_EQ(Lines("rush"), (std::vector<std::string>{"rush step"}));
  // Nothing it wants: refused, nothing counted.
  mTrace.mLines.clear();
  EXPECT_FALSE(Visit(Item("client_place1")));
  EXPECT_TRUE(Lines("rush").empty());
  visitor->SetVisibleFlag(false);
  int32_t scratch = 0;
  EXPECT_FALSE(mBoss->Interact(Item("client_place1"), true, &scratch));
  EXPECT_EQ(Lines("rush"), (std::vector<std::string>{"rush reset"}));
}

TEST_F(HeroineTest, TheSpeedBonusKeepsTheLongerTimeAndAddsToTheSpeed) {
  EXPECT_FLOAT_EQ(mBoss->GetMoveSpeed(), 260.0f);
  mBoss->StartSpeedBonus(2.0f);
  mBoss->StartSpeedBonus(1.0f);
  EXPECT_FLOAT_EQ(mBoss->GetBonusRemaining(), 2.0f);
  EXPECT_FLOAT_EQ(mBoss->GetMoveSpeed(), 380.0f);
  mBoard->mEndless = true;
  for (UpgradeRecord& record : const_cast<std::vector<UpgradeRecord>&>(mBoard->GetFunctionalUpgrades()))
    if (record.mName == "speed") mBoard->ApplyUpgrade(record, true);
  EXPECT_FLOAT_EQ(mBoss->GetMoveSpeed(), 440.0f);
  SetGameStep(1.5f);
  mBoss->Update();
  EXPECT_TRUE(mBoss->IsBonusActive());
  EXPECT_TRUE(mBoss->IsBoostOn());
  mBoss->Update();
  EXPECT_FALSE(mBoss->IsBonusActive());
  EXPECT_FLOAT_EQ(mBoss->GetMoveSpeed(), 320.0f);
  mBoss->Update();
  EXPECT_FALSE(mBoss->IsBoostOn());
  // The mini-game's speed bonus reaches her through the actors.
  CafeActors actors;
  actors.StartSpeedBonus(6.0f);
  EXPECT_TRUE(mBoss->IsBonusActive());
  EXPECT_FLOAT_EQ(mBoss->GetBonusRemaining(), 6.0f);
  // A bonus still running when the day ends does not carry into the next one.
  mBoss->Update();
  EXPECT_TRUE(mBoss->IsBoostOn());
  mBoss->Activate(true);
  EXPECT_FALSE(mBoss->IsBonusActive());
  EXPECT_FLOAT_EQ(mBoss->GetBonusRemaining(), 0.0f);
  EXPECT_FALSE(mBoss->IsBoostOn());
  EXPECT_FLOAT_EQ(mBoss->GetMoveSpeed(), 320.0f);
}

TEST_F(HeroineTest, WithoutParametersSheStillWalks) {
  MakeObjects(R"(<object class="boss" name="stranger"/>)");
  auto* stranger = Find<ZCBoss>("stranger");
  ASSERT_NE(stranger, nullptr);
  EXPECT_EQ(stranger->GetParams(), nullptr);
  EXPECT_GT(stranger->GetMoveSpeed(), 0.0f);
  EXPECT_EQ(CountLogLines("ERROR: ZCBoss: no heroine parameters for 'stranger'"), 1);
}

TEST_F(HeroineTest, HeldItemsShowBothLayersExceptTheBrushesBack) {
  ASSERT_NE(mBoss->GetBodyPart(), nullptr);
  for (int i = 0; i < 4; ++i) ASSERT_NE(mBoss->GetHeldPart(i), nullptr);
  auto shown = [this] {
    std::string s;
    for (int i = 0; i < 4; ++i) s += mBoss->GetHeldPart(i)->IsVisible() ? '1' : '0';
    return s;
  };
  mBoss->AfterMove();
  EXPECT_EQ(shown(), "0000");
  mBoss->SetHands("0100", "wash");
  mBoss->AfterMove();
  EXPECT_EQ(shown(), "1101");
  mBoss->SetHands("", "0301");
  mBoss->AfterMove();
  EXPECT_EQ(shown(), "0011");
}

}  // namespace

namespace {

// The heroine of the sample café with her pictures.
class HeroineAnimTest : public CafeItemsFixture {
 protected:
  void SetUp() override {
    CafeItemsFixture::SetUp();
    ASSERT_TRUE(OpenSampleData());
    MakeObjects(R"(<object class="boss" name="boss"><part name="boss" orient="b"/>
        <part name="held_items"/><part name="held_items"/><part name="held_items"/><part name="held_items"/></object>)");
    mBoss = Boss();
  }
  static std::string Playing(ZCItemPart* part) {
    const AnimEntry* entry = part && part->GetController() ? part->GetController()->GetCurrentAnimation() : nullptr;
    return entry ? entry->mName : "";
  }
  ZCBoss* mBoss = nullptr;
};

TEST_F(HeroineAnimTest, HerAnimationsFollowHerHandsAndHerHeadingMidWalk) {
  ZCItemPart* body = mBoss->GetBodyPart();
  EXPECT_TRUE(Playing(body) == "bossbboss_idle_empty1" || Playing(body) == "bossbboss_idle_empty2") << Playing(body);
  mBoss->SetHands("0100", "");
  mBoss->SetAnimMode(1);
  EXPECT_EQ(Playing(body), "bossbboss_move_full");
  // Each turn plays the walk again under the new heading, and the load follows.
  mBoss->ChooseOrientation({1, 0});
  EXPECT_EQ(Playing(body), "bossrboss_move_full");
  mBoss->ChooseOrientation({-1, 1});
  EXPECT_EQ(Playing(body), "bossblboss_move_full");
  mBoss->AfterMove();
  EXPECT_EQ(Playing(mBoss->GetHeldPart(0)), "held_itemsbl0000boss_move_full");
  EXPECT_EQ(Playing(mBoss->GetHeldPart(1)), "held_itemsbl0100boss_move_full");
  // Both hands: each layer follows its own hand's base animation; a pair shows smaller half first.
  mBoss->SetHands("0401", "0200");
  mBoss->SetAnimMode(0);
  EXPECT_EQ(Playing(body), "bossbboss_idle_full_second");
  mBoss->AfterMove();
  EXPECT_EQ(Playing(mBoss->GetHeldPart(1)), "held_itemsb0104boss_idle_full");
  EXPECT_EQ(Playing(mBoss->GetHeldPart(3)), "held_itemsb0200boss_idle_second");
}

}  // namespace
