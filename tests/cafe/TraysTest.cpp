#include <gtest/gtest.h>

#include <algorithm>

#include "board/ZCItemPart.h"
#include "board/support/BoardTestSupport.h"
#include "effects/ZCAnimController.h"
#include "cafe/CafeObjects.h"
#include "cafe/support/CafeItemsFixture.h"
#include "shell/Random.h"

namespace {

class TraysTest : public CafeItemsFixture {
 protected:
  void SetUp() override {
    CafeItemsFixture::SetUp();
    GameClock::ResetAll();
    MakeObjects(R"(
      <object class="boss" name="boss"/>
      <object class="period_item" name="super_material" thing="super"/>
      <object class="tray" name="candymachine" thing="0100"/>
      <object class="trash_bin" name="trash_bin"/>
      <object class="item_bonus" name="bonus"><part name="cash"/><part name="cash"/><part name="cash"/></object>
      <object class="item" name="client1" pos_x="300" pos_y="200"/>)");
    mPeriod = Find<ZCPeriodItem>("super_material");
    ASSERT_NE(mPeriod, nullptr);
  }
  void TearDown() override {
    GameClock::ResetAll();
    CafeItemsFixture::TearDown();
  }
  ZCPeriodItem* mPeriod = nullptr;
};

TEST_F(TraysTest, APeriodItemComesAfterItsWaitIsCollectedOnceAndWaitsAgain) {
  EXPECT_EQ(mPeriod->GetCode(), "super");
  const float first = mPeriod->GetWaitClock().GetRemaining();
  EXPECT_GE(first, 20.0f);
  EXPECT_LE(first, 40.0f);
  // Waiting: refused and left as it is.
  EXPECT_FALSE(Visit(mPeriod));
  GameClock::Advance(first - 0.5f);
  mPeriod->Update();
  EXPECT_EQ(mPeriod->GetPeriodState(), 0);
  GameClock::Advance(1.0f);
  mPeriod->Update();
  EXPECT_EQ(mPeriod->GetPeriodState(), 1);
  // Both hands full: not now.
  Boss()->SetHands("0100", "0200");
  EXPECT_FALSE(Visit(mPeriod));
  EXPECT_EQ(mPeriod->GetPeriodState(), 1);
  Boss()->SetHands("", "0200");
  EXPECT_TRUE(Visit(mPeriod));
  EXPECT_EQ(Hands(), "super|0200");
  EXPECT_EQ(mPeriod->GetPeriodState(), 0);
  const float second = mPeriod->GetWaitClock().GetRemaining();
  EXPECT_GE(second, 20.0f);
  EXPECT_LE(second, 40.0f);
  EXPECT_FALSE(Visit(mPeriod));
  // The end of an animation that is not a change leaves the state alone.
  mPeriod->ArmAnimRestart(nullptr, "idle");
  EXPECT_EQ(mPeriod->GetPeriodState(), 0);
  // Each wait is drawn anew across the block's bounds, not always the shortest.
  SeedRandom(7);
  float shortest = 40.0f, longest = 20.0f;
  for (int i = 0; i < 8; ++i) {
    mPeriod->Activate(true);
    const float wait = mPeriod->GetWaitClock().GetRemaining();
    shortest = std::min(shortest, wait);
    longest = std::max(longest, wait);
  }
  EXPECT_GE(shortest, 20.0f);
  EXPECT_LE(longest, 40.0f);
  EXPECT_GT(longest - shortest, 5.0f);
}

TEST_F(TraysTest, TraysAndTheBinReactToAVisitAndReturnToIdle) {
  auto* tray = Find<ZCTray>("candymachine");
  auto* bin = Find<ZCTrash>("trash_bin");
  EXPECT_EQ(tray->GetCode(), "0100");
  EXPECT_TRUE(Visit(tray));
  EXPECT_EQ(tray->GetTrayState(), 1);
  tray->ArmAnimRestart(nullptr, "activation");
  EXPECT_EQ(tray->GetTrayState(), 0);
  // The bin only reacts to something thrown away.
  EXPECT_TRUE(Visit(bin));
  EXPECT_EQ(bin->GetTrayState(), 1);
  bin->ArmAnimRestart(nullptr, "activation");
  EXPECT_EQ(bin->GetTrayState(), 0);
  int32_t scratch = 0;
  EXPECT_FALSE(bin->Interact(Boss(), true, &scratch));
  // Nobody but the heroine is served.
  EXPECT_FALSE(tray->Interact(ZCItem::FindByName("client1"), true, &scratch));
  // An overlong "thing" is cut to 259 characters; an odd one is carried as it is.
  MakeObjects("<object class=\"tray\" name=\"material_long\" thing=\"" + std::string(300, '7') +
              "\"/><object class=\"tray\" name=\"material_odd\" thing=\"x9\"/>");
  EXPECT_EQ(Find<ZCTray>("material_long")->GetCode(), std::string(259, '7'));
  Boss()->SetHands("", "");
  EXPECT_TRUE(Visit(Find<ZCTray>("material_odd")));
  EXPECT_EQ(Hands(), "x9|");
}

TEST_F(TraysTest, FloatingMoneyUsesOneFreePartPerPayment) {
  auto* bonus = Find<ZCItemBonus>("bonus");
  ZCItem* owner = ZCItem::FindByName("client1");
  ASSERT_EQ(GetBoardWorld().mBonus, bonus);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(bonus->FindPart("cash", i)->IsVisible());
    EXPECT_EQ(bonus->FindPart("cash", i)->GetText(), L"$");
  }
  bonus->ShowMoney(owner, 0);
  bonus->ShowMoney(nullptr, 10);
  EXPECT_EQ(bonus->FindFreePart(), bonus->FindPart("cash", 0));
  bonus->ShowMoney(owner, 30);
  bonus->ShowMoney(owner, -15);
  bonus->ShowMoney(owner, 7);
  bonus->ShowMoney(owner, 99);  // no part left: dropped
  EXPECT_EQ(bonus->FindPart("cash", 0)->GetText(), L"$+30");
  EXPECT_EQ(bonus->FindPart("cash", 1)->GetText(), L"$-15");
  EXPECT_EQ(bonus->FindPart("cash", 2)->GetText(), L"$+7");
  EXPECT_EQ(bonus->FindFreePart(), nullptr);
  // The part stands over the owner.
  const BoardPoint at = bonus->FindPart("cash", 0)->GetDrawPos();
  EXPECT_EQ(at.x, 300);
  EXPECT_EQ(at.y, 200);
  // A part hidden again (its rise is over) is free for the next payment.
  bonus->FindPart("cash", 1)->SetVisible(false);
  bonus->ShowMoney(owner, 5);
  EXPECT_EQ(bonus->FindPart("cash", 1)->GetText(), L"$+5");
  EXPECT_TRUE(bonus->FindPart("cash", 1)->IsVisible());
}

}  // namespace

namespace {

// The super material of the sample café with its pictures: each change plays its animation, and
// the end of "activation" or "deactivation" moves on to "ready" or "idle".
TEST_F(TraysTest, APeriodItemPlaysItsChangesThroughToReadyAndIdle) {
  ASSERT_TRUE(OpenSampleData());
  MakeObjects(R"(<object class="period_item" name="material_gold" thing="super"><part name="super"/></object>)");
  auto* item = Find<ZCPeriodItem>("material_gold");
  ZCItemPart* part = item->GetParts()[0].get();
  auto playing = [part] {
    const AnimEntry* entry = part->GetController() ? part->GetController()->GetCurrentAnimation() : nullptr;
    return entry ? entry->mName : std::string();
  };
  EXPECT_EQ(playing(), "superidle");
  item->SetPeriodState(1);
  EXPECT_EQ(playing(), "superactivation");
  // The animation runs to its end by itself.
  SetGameStep(0.1f);
  for (int i = 0; i < 5; ++i) item->Update();
  EXPECT_EQ(playing(), "superready");
  EXPECT_TRUE(Visit(item));
  EXPECT_EQ(playing(), "superdeactivation");
  // (Only the part runs now: this item has no wait of its own and would come back at once.)
  for (int i = 0; i < 5; ++i) part->Update();
  EXPECT_EQ(playing(), "superidle");
  EXPECT_EQ(item->GetPeriodState(), 0);
}

}  // namespace
