#include <gtest/gtest.h>

#include "board/ItemFactory.h"
#include "board/ZCItemPart.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/CafeActor.h"
#include "cafe/ZCStatus.h"
#include "cafe/ZIStatSrc.h"
#include "cafe/support/CafeItemsFixture.h"
#include "effects/ZCAnimController.h"

namespace {

// An actor the indicators read: its answers are set by the test.
class StatActor : public ZCItem, public CafeActor, public ZIStatSrc {
 public:
  bool IsVisitor() const override { return mVisitor; }
  int32_t GetActorState() const override { return 1; }
  bool IsActive() override { return mActive; }
  bool IsInProgress() override { return false; }
  bool HasExtra() override { return false; }
  bool GetLevel(float& level) override {
    level = mLevel;
    return mActive;
  }
  bool GetBubbleName(std::string& name) override {
    name = mBubble;
    return !mBubble.empty();
  }
  bool GetIconName(std::string& name) override {
    name = mVisitor ? "client" : "worker";
    return true;
  }
  using CafeActor::GetProduct;
  bool GetProduct(std::string& product) override {
    product = GetCode();
    return true;
  }
  bool mVisitor = true;
  bool mActive = true;
  float mLevel = 100;
  std::string mBubble;
};

class StatVisitor : public StatActor {
 public:
  static ZCItem* Create() { return new StatVisitor(); }
};
class StatWorker : public StatActor {
 public:
  static ZCItem* Create() {
    auto* worker = new StatWorker();
    worker->mVisitor = false;
    return worker;
  }
};

// The actors hook answering the work progress and the VIP mark the test sets.
class StatActors : public RecordingActors {
 public:
  using RecordingActors::RecordingActors;
  float GetWorkProgress(ZCItem*) override { return mProgress; }
  bool IsVip(ZCItem*) override { return mVip; }
  float mProgress = -1.0f;
  bool mVip = false;
};

class IndicatorsTest : public CafeItemsFixture {
 protected:
  void SetUp() override {
    CafeItemsFixture::SetUp();
    // The indicators' animation sets of the sample data.
    ASSERT_TRUE(OpenSampleData());
    RegisterItemClass("stat_visitor", &StatVisitor::Create);
    RegisterItemClass("stat_worker", &StatWorker::Create);
    mBoard->SetActors(&mStatActors);
    GameClock::ResetAll();
    MakeObjects(R"(
      <object class="boss" name="boss"/>
      <object class="stat_visitor" name="client01" pos_x="300" pos_y="200"/>
      <object class="stat_worker" name="worker01" pos_x="500" pos_y="150"/>
      <object class="status_bubble" name="status_bubble_client01">
        <part name="status_bubble"/><part name="status_production"/>
      </object>
      <object class="status_bubble" name="status_bubble_worker01">
        <part name="status_bubble"/><part name="status_production"/>
      </object>
      <object class="status_hp_client" name="status_hp_client01">
        <part name="status_hp_client"/><part name="status_hp_client_back"/><part name="status_hp_client_smile"/>
      </object>
      <object class="status_hp_worker" name="status_hp_worker01">
        <part name="status_hp_worker"/><part name="status_hp_worker_back"/>
      </object>
      <object class="status_hp_worker" name="status_hp_worker07"/>)");
    mVisitor = Find<StatActor>("client01");
    mWorker = Find<StatActor>("worker01");
    for (const char* name : {"status_bubble_client01", "status_bubble_worker01", "status_hp_client01",
                             "status_hp_worker01", "status_hp_worker07"}) {
      ZCItem* item = ZCItem::FindByName(name);
      item->ReadState(ParseXml("<object/>"));
      item->Activate(true);
    }
    mTrace.mLines.clear();
  }
  void TearDown() override {
    GameClock::ResetAll();
    CafeItemsFixture::TearDown();
  }
  StatActors mStatActors{mCalls};
  StatActor* mVisitor = nullptr;
  StatActor* mWorker = nullptr;
};

TEST_F(IndicatorsTest, IndicatorsBindTheirActorByNameAndStandOverIt) {
  auto* bubble = Find<ZCStatus_Bubble>("status_bubble_client01");
  EXPECT_EQ(bubble->GetSource(), mVisitor);
  EXPECT_EQ(bubble->GetPosition().x, 300);
  EXPECT_EQ(Find<ZCStatus_HP_Worker>("status_hp_worker01")->GetSource(), mWorker);
  // No "worker07": hidden, and its updates do nothing.
  auto* lost = Find<ZCStatus_HP_Worker>("status_hp_worker07");
  EXPECT_EQ(lost->GetSource(), nullptr);
  EXPECT_FALSE(lost->IsVisible());
  lost->Update();
  EXPECT_EQ(lost->GetPointIndex(), -1);
}

TEST_F(IndicatorsTest, MeterPointsAndColoursFollowTheTidiness) {
  auto* meter = Find<ZCStatus_HP_Worker>("status_hp_worker01");
  // In float, 50 / 8.333333 gives 6 and 100 gives 13 before the cap.
  EXPECT_EQ(ZCStatus_HP_Worker::PointIndexOf(100), 12);
  EXPECT_EQ(ZCStatus_HP_Worker::PointIndexOf(50), 7);
  EXPECT_EQ(ZCStatus_HP_Worker::PointIndexOf(0), 0);
  EXPECT_EQ(ZCStatus_HP_Worker::PointIndexOf(8.4f), 2);
  // Blinking starts on falling to the red level (15) and stops on rising above it, both ways
  // once; landing exactly on red and leaving upwards also stops it.
  for (float t : {100.0f, 50.0f, 15.0f, 10.0f, 40.0f, 15.0f, 16.0f}) {
    mWorker->mLevel = t;
    meter->Update();
  }
  EXPECT_EQ(mTrace.Starting("status"),
            (std::vector<std::string>{"status status_hp_worker01 on_blink_hp", "status status_hp_worker01 off_blink_hp",
                                      "status status_hp_worker01 on_blink_hp",
                                      "status status_hp_worker01 off_blink_hp"}));
  EXPECT_EQ(meter->GetPointIndex(), 2);
  // Colours by the levels 66 / 33, and frozen while the ice bonus lasts.
  ZCItemPart* points = meter->FindPart("status_hp_worker", 0);
  EXPECT_EQ(points->GetTint(), kStatusRed);
  mWorker->mLevel = 66;
  meter->Update();
  EXPECT_EQ(points->GetTint(), kStatusYellow);
  mWorker->mLevel = 67;
  meter->Update();
  EXPECT_EQ(points->GetTint(), kStatusGreen);
  mBoard->ApplyMiniGameBonus(4, 1);
  meter->Update();
  EXPECT_EQ(points->GetTint(), 0xff47d6ffu);
}

TEST_F(IndicatorsTest, FaceColourAndPointsFollowPatienceAndTheFreeze) {
  auto* face = Find<ZCStatus_HP_Client>("status_hp_client01");
  // Levels 66 / 33 / 15: exactly green is yellow.
  mVisitor->mLevel = 66;
  face->Update();
  EXPECT_EQ(face->GetFace(), "yellowidle");
  EXPECT_EQ(face->GetPointIndex(), 3);
  mVisitor->mLevel = 95;
  face->Update();
  EXPECT_EQ(face->GetFace(), "greenidle");
  EXPECT_EQ(face->GetPointIndex(), 6);
  mVisitor->mLevel = 15;
  face->Update();
  EXPECT_EQ(face->GetFace(), "redidle");
  EXPECT_EQ(face->GetPointIndex(), 0);
  mVisitor->mLevel = 20;
  face->Update();
  EXPECT_EQ(mTrace.Starting("status"), (std::vector<std::string>{"status status_hp_client01 on_blink_hp",
                                                                  "status status_hp_client01 off_blink_hp"}));
  // The ice bonus freezes every face; a VIP has faces of its own.
  mBoard->ApplyMiniGameBonus(4, 1);
  mStatActors.mVip = true;
  face->Update();
  EXPECT_EQ(face->GetFace(), "vip_freezeidle");
  EXPECT_EQ(face->FindPart("status_hp_client", 0)->GetTint(), 0xff47d6ffu);
  // A visitor that goes hides its face.
  mVisitor->mActive = false;
  face->Update();
  EXPECT_FALSE(face->IsVisible());
}

TEST_F(IndicatorsTest, BubbleHidesForAFrameOnANewOrderAndShakesOverAScandal) {
  auto* bubble = Find<ZCStatus_Bubble>("status_bubble_client01");
  EXPECT_FALSE(bubble->IsVisible());
  mVisitor->mBubble = "0100";
  bubble->Update();
  EXPECT_TRUE(bubble->IsVisible());
  EXPECT_EQ(bubble->GetDisplayedName(), "0100");
  // A new order: one frame hidden, then the new one.
  mVisitor->mBubble = "0200";
  bubble->Update();
  EXPECT_FALSE(bubble->IsVisible());
  bubble->Update();
  EXPECT_TRUE(bubble->IsVisible());
  EXPECT_EQ(bubble->GetDisplayedName(), "0200");
  // A scandal shakes the bubble and keeps the order; when it ends the order shows at once.
  mVisitor->mBubble = "scandal";
  bubble->Update();
  EXPECT_TRUE(bubble->IsVisible());
  EXPECT_TRUE(bubble->IsShaking());
  EXPECT_EQ(bubble->GetDisplayedName(), "0200");
  mVisitor->mBubble = "0200";
  bubble->Update();
  EXPECT_TRUE(bubble->IsVisible());
  EXPECT_FALSE(bubble->IsShaking());
  // The heroine holding the order highlights it.
  Boss()->SetHands("0300", "0200");
  bubble->Update();
  EXPECT_TRUE(bubble->IsProductHighlighted());
  EXPECT_EQ(mTrace.Starting("bubble").back(), "bubble status_bubble_client01 client_active 0200");
  Boss()->SetHands("", "");
  bubble->Update();
  EXPECT_FALSE(bubble->IsProductHighlighted());
}

// The bar is the animation "working" shown paused at the share of the work done.
TEST_F(IndicatorsTest, AWorkerBubbleShowsItsProductionWhileItWorks) {
  auto* bubble = Find<ZCStatus_Bubble>("status_bubble_worker01");
  ZCItemPart* production = bubble->FindPart("status_production", 0);
  mWorker->mBubble = "working";
  bubble->Update();
  ASSERT_NE(production->GetController(), nullptr);
  EXPECT_EQ(production->GetCurrentAnimation(), "working");
  // A quarter of the work left: the bar stands at 0.75, frame 7 of 10; done shows the last.
  mStatActors.mProgress = 0.25f;
  bubble->Update();
  EXPECT_TRUE(production->IsVisible());
  EXPECT_EQ(production->GetController()->GetFrameIndex(), 7);
  mStatActors.mProgress = 0.0f;
  bubble->Update();
  EXPECT_EQ(production->GetController()->GetFrameIndex(), 9);
  mStatActors.mProgress = 1.0f;
  bubble->Update();
  EXPECT_EQ(production->GetController()->GetFrameIndex(), 0);
  mStatActors.mProgress = -1.0f;
  bubble->Update();
  EXPECT_FALSE(production->IsVisible());
}

// Ready, the bubble shows the dish the worker holds in its frame, not the frame alone, for as
// long as the dish waits; it goes when the dish is taken.
TEST_F(IndicatorsTest, AReadyWorkerBubbleShowsItsProduct) {
  auto* bubble = Find<ZCStatus_Bubble>("status_bubble_worker01");
  ZCItemPart* production = bubble->FindPart("status_production", 0);
  mWorker->mBubble = "working";
  mStatActors.mProgress = 0.5f;
  bubble->Update();
  bubble->Update();
  // Done: the bubble hides for a frame, comes back with the dish, and stays so while it waits.
  mWorker->mBubble = "cake";
  mStatActors.mProgress = -1.0f;
  for (int frame = 0; frame < 4; ++frame) bubble->Update();
  ASSERT_TRUE(bubble->IsVisible());
  EXPECT_TRUE(production->IsVisible());
  EXPECT_EQ(production->GetCurrentAnimation(), "cake");
  mWorker->mBubble = "";
  bubble->Update();
  EXPECT_FALSE(bubble->IsVisible());
}

}  // namespace
