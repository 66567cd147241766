// The café's visitors against the sample parameters of cfg.xml (levels green 66, yellow 33; the
// girl: patience speed 2, decision 2 s, money 30/20/10, loss 15, a scandal at 5 that takes 5 from
// the others, none again for 8 s; the granny: speed 1.5, decision 3 s, eating 6 s): patience
// colours and payment, the scandal and its clock, the ice bonus, the hand-over rules, a seated
// group's meal, the unhappy exit, the free lists and bad skins.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "board/BoardWorld.h"
#include "board/EventSchedule.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/ActorParams.h"
#include "cafe/ZCClient.h"
#include "cafe/support/CafeItemsFixture.h"
#include "effects/GameClock.h"
#include "shell/Log.h"

namespace {

class RecordingGoals : public CafeGoals {
 public:
  void ClearNoVisitorLost() override { ++mVisitorLost; }
  int mVisitorLost = 0;
};

class VisitorTest : public CafeItemsFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallEffects());
    CafeItemsFixture::SetUp();
    // The second standing visitor fades in and out; the first has no effect.
    MakeObjects(R"(
      <object class="boss" name="boss"><part name="boss"/></object>
      <object class="pickable" name="client_place01"/>
      <object class="pickable" name="client_place02"/>
      <object class="pickable" name="client_sit_place01"/>
      <object class="client" name="client01"/>
      <object class="client" name="client02" effect="item_fade"/>
      <object class="client_sit" name="client_sit01"/>)");
    mBoard->SetGoals(&mGoals);
  }
  void TearDown() override {
    CafeItemsFixture::TearDown();
    RemoveEffects();
    // The visitors are gone: each gave its hold back, leaving the test's own.
    for (ScheduleEvent* event : mEvents) {
      EXPECT_EQ(event->mReferences, 1);
      event->Release();
    }
  }
  // An event the test holds once (it is deleted when the last hold goes).
  ScheduleEvent* Event(const std::string& type, std::vector<std::string> persons, std::vector<std::string> orders,
                       bool vip = false) {
    auto* event = new ScheduleEvent();
    event->AddRef();
    event->mType = type;
    for (size_t i = 0; i < persons.size() && i < 4; ++i) event->mPersons[i] = persons[i];
    event->mOrders = std::move(orders);
    event->mVip = vip;
    mEvents.push_back(event);
    return event;
  }
  // Game time passes in steps of `step` seconds.
  static void Step(float seconds, float step = 0.01f) {
    for (float t = 0; t < seconds - 1e-4f; t += step) {
      SetGameStep(step);
      GameClock::Advance(step);
      ZCItem::UpdateAll();
    }
  }
  // The clocks move on by the seconds in one update that takes no patience.
  static void Wait(float seconds) {
    SetGameStep(0);
    GameClock::Advance(seconds);
    ZCItem::UpdateAll();
  }
  ZCItem* Place(const std::string& name) { return ZCItem::FindByName(name); }
  // Takes the visitor's order at its place and lets it decide: it waits for the order then.
  void TakeOrder(ZCClient* visitor, const std::string& place, float decision) {
    ASSERT_TRUE(Visit(Place(place)));
    ASSERT_EQ(visitor->GetState(), ZCClient::kDeciding);
    Wait(decision + 0.01f);
    ASSERT_EQ(visitor->GetState(), ZCClient::kWaiting);
  }
  int Count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : mTrace.mLines) n += l == line;
    return n;
  }
  static std::string Bubble(ZCClient* v) {
    std::string name;
    return v->GetBubbleName(name) ? name : "-";
  }

  RecordingGoals mGoals;
  std::vector<ScheduleEvent*> mEvents;
};

TEST_F(VisitorTest, PatienceAtTheYellowLevelIsRedAndFallsOnlyWhileWaiting) {
  auto* girl = Find<ZCClient>("client01");
  ScheduleEvent* event = Event("client", {"girl"}, {"0100"});
  ASSERT_TRUE(ZCClientStand::Spawn(event, 0, 33.0f));
  EXPECT_EQ(event->mReferences, 2);
  EXPECT_EQ(Bubble(girl), "ready");

  ASSERT_TRUE(Visit(Place("client_place01")));
  EXPECT_EQ(girl->GetState(), ZCClient::kDeciding);
  EXPECT_EQ(Bubble(girl), "think");
  Step(1.9f);
  EXPECT_EQ(girl->GetState(), ZCClient::kDeciding);
  EXPECT_FLOAT_EQ(girl->GetPatience(), 33.0f);  // no fall while deciding
  Wait(0.2f);
  ASSERT_EQ(girl->GetState(), ZCClient::kWaiting);
  EXPECT_EQ(girl->GetCode(), "0100");
  EXPECT_EQ(Bubble(girl), "0100");
  EXPECT_EQ(girl->GetClientAnim(), "discontent");

  Boss()->SetHands("0100", "");
  ASSERT_TRUE(Visit(Place("client_place01")));
  EXPECT_EQ(Count("visitor client01 pays 10"), 1);
  EXPECT_EQ(mBoard->GetMoney(), 10);
  EXPECT_EQ(girl->GetState(), ZCClient::kAway);
  EXPECT_FALSE(AnyVisitorsPresent());
  EXPECT_EQ(event->mReferences, 1);
  EXPECT_EQ(Hands(), "|");
}

TEST_F(VisitorTest, AScandalWaitsForItsClockWhichStandsStillWhileFrozen) {
  auto* girl = Find<ZCClient>("client01");
  auto* boy = Find<ZCClient>("client02");
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {"girl"}, {"0100"}), 0, 5.3f));
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {"boy"}, {"0200"}), 0, 80.0f));
  Wait(8.0f);  // the arrival's scandal clock runs out
  EXPECT_EQ(Count("visitor client01 scandal"), 0);
  Step(0.2f, 0.2f);  // the girl falls to 4.9
  EXPECT_EQ(Count("visitor client01 scandal"), 1);
  EXPECT_FLOAT_EQ(boy->GetPatience(), 80.0f - 0.5f - 5.0f);
  EXPECT_EQ(Bubble(girl), "scandal");
  std::string icon;
  girl->GetIconName(icon);
  EXPECT_EQ(icon, "aggro");
  EXPECT_EQ(girl->GetClientAnim(), "scandal");
  Step(1.0f);
  EXPECT_EQ(Count("visitor client01 scandal"), 1);

  mBoard->ApplyMiniGameBonus(4, 1);  // 8 s of ice
  const float remaining = girl->GetScandalClock().GetRemaining();
  const float patience = girl->GetPatience(), boyPatience = boy->GetPatience();
  Step(7.9f);
  EXPECT_NEAR(girl->GetScandalClock().GetRemaining(), remaining, 1e-3f);
  EXPECT_FLOAT_EQ(girl->GetPatience(), patience);
  EXPECT_FLOAT_EQ(boy->GetPatience(), boyPatience);
  EXPECT_EQ(Count("visitor client01 scandal"), 1);
  // The ice ends; the clock runs out in what it had left (the girl's patience, which would run
  // out sooner, kept), and she makes her second scandal.
  Step(0.2f);
  EXPECT_EQ(Count("visitor client01 scandal"), 1);
  Wait(remaining);
  EXPECT_EQ(Count("visitor client01 scandal"), 2);
  EXPECT_EQ(girl->GetState(), ZCClient::kWaiting);
}

// The happy bonus, through the café's own actors, gives the visitors patience by the chain's
// strength; the ice lasts its time for each unit of strength.
TEST_F(VisitorTest, TheHappyBonusGivesPatienceAndTheIceLastsByTheChainsStrength) {
  auto* girl = Find<ZCClient>("client01");
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {"girl"}, {"0100"}), 0, 20.0f));
  mBoard->SetActors(nullptr);
  mBoard->ApplyMiniGameBonus(1, 1);
  EXPECT_FLOAT_EQ(girl->GetPatience(), 50.0f);
  mBoard->ApplyMiniGameBonus(1, 2);
  EXPECT_FLOAT_EQ(girl->GetPatience(), 100.0f);
  mBoard->SetActors(&mActors);
  mBoard->ApplyMiniGameBonus(4, 2);  // 2 x 8 s
  Wait(15.9f);
  EXPECT_TRUE(mBoard->IsFrozen()) << "the ice ignored the chain's strength";
  Wait(0.2f);
  EXPECT_FALSE(mBoard->IsFrozen());
}

TEST_F(VisitorTest, TheFirstMatchingHandIsHandedOverAndAnEmptyHandNeverServes) {
  auto* girl = Find<ZCClient>("client01");
  auto* boy = Find<ZCClient>("client02");
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {"girl"}, {"0100"}), 0, 100.0f));
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {"boy"}, {"0200"}), 0, 100.0f));
  Step(0.5f);  // the boy fades in
  EXPECT_FALSE(girl->WantsProduct("0100", ""));  // no order yet
  TakeOrder(girl, "client_place01", 2.0f);
  TakeOrder(boy, "client_place02", 2.0f);
  EXPECT_FALSE(girl->WantsProduct("", ""));
  EXPECT_TRUE(girl->WantsProduct("", "super"));

  Boss()->SetHands("0300", "0400");
  EXPECT_FALSE(Visit(Place("client_place01")));
  EXPECT_EQ(Hands(), "0300|0400");
  // Both hands would do: the first goes, the second moves into the first hand.
  Boss()->SetHands("0100", "super");
  EXPECT_TRUE(Visit(Place("client_place01")));
  EXPECT_EQ(Hands(), "super|");
  // Only the second matches: the first hand keeps its product.
  Boss()->SetHands("0300", "0200");
  EXPECT_TRUE(Visit(Place("client_place02")));
  EXPECT_EQ(Hands(), "0300|");
  EXPECT_EQ(Count("visitor client01 pays 30"), 1);
  EXPECT_EQ(Count("visitor client02 pays 30"), 1);
}

TEST_F(VisitorTest, ASeatedGroupEatsPaysItsLargestMemberAmountAndOrdersAgain) {
  GetClientParamsMap()["girl"].mMoneyGreen = 45;
  auto* group = Find<ZCClientSit>("client_sit01");
  ASSERT_TRUE(ZCClientSit::Spawn(Event("family", {"granny", "girl"}, {"0503", "0500"}), 0, 100.0f));
  EXPECT_EQ(group->GetMember(1), "girl");
  EXPECT_EQ(group->GetMember(2), "");
  Step(1.0f);
  EXPECT_NEAR(group->GetPatience(), 98.5f, 1e-3f);  // the granny's speed

  TakeOrder(group, "client_sit_place01", 3.0f);
  std::string icon;
  group->GetIconName(icon);
  EXPECT_EQ(icon, "multi_client");
  Boss()->SetHands("0503", "");
  ASSERT_TRUE(Visit(Place("client_sit_place01")));
  EXPECT_EQ(group->GetState(), ZCClient::kEating);
  EXPECT_EQ(group->GetClientAnim(), "eating_process");
  const float patience = group->GetPatience();
  Step(5.9f);
  EXPECT_EQ(group->GetState(), ZCClient::kEating);
  EXPECT_FLOAT_EQ(group->GetPatience(), patience);  // no fall while eating
  EXPECT_EQ(mBoard->GetMoney(), 0);
  Step(0.2f);
  EXPECT_EQ(Count("visitor client_sit01 pays 45"), 1);
  EXPECT_EQ(group->GetState(), ZCClient::kDeciding);

  Wait(3.01f);
  EXPECT_EQ(group->GetCode(), "0500");
  Boss()->SetHands("0500", "");
  ASSERT_TRUE(Visit(Place("client_sit_place01")));
  Wait(6.01f);
  EXPECT_EQ(mBoard->GetMoney(), 90);
  EXPECT_EQ(group->GetState(), ZCClient::kAway);
  EXPECT_FALSE(AnyVisitorsPresent());
}

TEST_F(VisitorTest, AnUnhappyExitCostsTheLargestLossALifeAndTheVipAndAchievementFlags) {
  GetClientParamsMap()["boy"].mLossesMoney = 25;
  mBoard->mEndless = true;
  mBoard->mLives = 3;
  mBoard->AddMoney(100);
  auto* group = Find<ZCClientSit>("client_sit01");
  ScheduleEvent* event = Event("family", {"granny", "boy"}, {"0100"}, true);
  ASSERT_TRUE(ZCClientSit::Spawn(event, 0, 0.75f));
  Step(0.49f);
  EXPECT_TRUE(group->IsHappy());
  Step(0.05f);
  EXPECT_EQ(group->GetState(), ZCClient::kAway);
  EXPECT_EQ(Count("visitor client_sit01 loses -25"), 1);
  EXPECT_EQ(mBoard->GetMoney(), 100);  // survival money never falls
  EXPECT_EQ(mBoard->GetLives(), 2);
  EXPECT_TRUE(mBoard->IsVipLost());
  EXPECT_EQ(mGoals.mVisitorLost, 1);
  EXPECT_EQ(group->GetClientAnim(), "go_unhappy");
  EXPECT_EQ(event->mReferences, 1);
  EXPECT_FALSE(AnyVisitorsPresent());
}

TEST_F(VisitorTest, WithNoFreeVisitorTheEventWaitsAndALeaverRestsBeforeComingBack) {
  mBoard->SetActors(nullptr);  // the café's own visitors
  auto* first = Find<ZCClient>("client01");
  auto* faded = Find<ZCClient>("client02");
  ScheduleEvent* a = Event("client", {"girl"}, {"0100"});
  ScheduleEvent* b = Event("client", {"boy"}, {"0200"});
  ScheduleEvent* c = Event("client", {"girl"}, {"0300"});
  EXPECT_TRUE(mBoard->SpawnClientFromEvent(a));
  EXPECT_TRUE(mBoard->SpawnClientFromEvent(b));
  EXPECT_FALSE(mBoard->SpawnClientFromEvent(c));
  EXPECT_EQ(c->mReferences, 1);

  // The first leaves at once (it has no effect), then rests for "client_pause" (1.5 s).
  first->SetState(ZCClient::kAway);
  EXPECT_FALSE(first->IsVisible());
  EXPECT_EQ(first->GetClientAnim(), "go_happy");
  EXPECT_EQ(GetPresentVisitors().size(), 1u);
  EXPECT_FALSE(mBoard->SpawnClientFromEvent(c));
  Wait(1.5f);
  EXPECT_TRUE(mBoard->SpawnClientFromEvent(c));
  EXPECT_EQ(first->GetEvent(), c);

  // The second fades out: it is present (and the level goes on) until it is hidden.
  Step(0.5f);
  faded->SetState(ZCClient::kAway);
  EXPECT_EQ(faded->GetClientAnim(), "go_happy");
  EXPECT_TRUE(faded->IsVisible());
  EXPECT_TRUE(faded->IsPresent());
  Step(0.5f);
  EXPECT_FALSE(faded->IsVisible());
  EXPECT_FALSE(faded->IsPresent());
}

TEST_F(VisitorTest, AMissingOrUnknownSkinIsReportedAndPlaysWithZeroes) {
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {""}, {"0100"}), 0, 100.0f));
  EXPECT_EQ(CountLogLines("WARNING: Client skin not defined!"), 1);
  auto* visitor = Find<ZCClient>("client02");
  ASSERT_TRUE(ZCClientStand::Spawn(Event("client", {"alien"}, {"0100"}), 0, 100.0f));
  Step(0.5f);
  TakeOrder(visitor, "client_place02", 0.0f);
  ASSERT_NE(visitor->GetParams(), nullptr);
  Boss()->SetHands("0100", "");
  ASSERT_TRUE(Visit(Place("client_place02")));
  EXPECT_EQ(Count("visitor client02 pays 0"), 1);
  EXPECT_EQ(CountLogLines("ERROR: Undefined client skin name: 'alien'"), 1);
}

}  // namespace
