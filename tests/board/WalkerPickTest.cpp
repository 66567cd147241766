#include <gtest/gtest.h>


#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/PathGraph.h"
#include "board/PolygonRegion.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCItemPart.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "board/support/BoardTestSupport.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"

namespace {

TEST(HeadingTest, EightHeadingsFromDirections) {
  EXPECT_EQ(ZCMoveItem::HeadingFor({0, -5}), "t");
  EXPECT_EQ(ZCMoveItem::HeadingFor({0, 5}), "b");
  EXPECT_EQ(ZCMoveItem::HeadingFor({5, 0}), "r");
  EXPECT_EQ(ZCMoveItem::HeadingFor({-5, 0}), "l");
  EXPECT_EQ(ZCMoveItem::HeadingFor({1, -1}), "tr");
  EXPECT_EQ(ZCMoveItem::HeadingFor({-1, 1}), "bl");
  EXPECT_EQ(ZCMoveItem::HeadingFor({-1, -1}), "tl");
  EXPECT_EQ(ZCMoveItem::HeadingFor({1, 1}), "br");
  // 10 degrees right of up stays "t"; the diagonals are 67.5 degrees wide.
  EXPECT_EQ(ZCMoveItem::HeadingFor({176, -1000}), "t");
  EXPECT_EQ(ZCMoveItem::HeadingFor({1000, -300}), "tr");
  EXPECT_EQ(ZCMoveItem::HeadingFor({0, 0}), "");
}

TEST(PolygonRegionTest, WindingFillWithRightAndBottomEdgesOutside) {
  PolygonRegion square;
  square.SetPolygon(PolygonRegion::ParsePoints("10 10 20 10 20 20 10 20 99"));
  EXPECT_EQ(square.Vertices().size(), 4u);  // the odd ninth number is ignored
  EXPECT_TRUE(square.Contains(10, 10));
  EXPECT_TRUE(square.Contains(19, 19));
  EXPECT_FALSE(square.Contains(20, 15));
  EXPECT_FALSE(square.Contains(15, 20));
  EXPECT_FALSE(square.Contains(9, 15));
  // A five-pointed star drawn in one stroke: its centre is wound twice and still inside.
  PolygonRegion star;
  star.SetPolygon(PolygonRegion::ParsePoints("50 0 79 90 2 35 98 35 21 90"));
  EXPECT_TRUE(star.Contains(50, 50));
  EXPECT_TRUE(star.Contains(50, 10));
  EXPECT_FALSE(star.Contains(5, 80));
  // Huge and non-numeric input neither crashes nor wraps.
  PolygonRegion huge;
  huge.SetPolygon(PolygonRegion::ParsePoints("-99999999999 -99999999999 99999999999 -5 0 99999999999 x 7"));
  EXPECT_EQ(huge.Vertices().size(), 3u);
  EXPECT_EQ(huge.Vertices()[0].x, INT32_MIN);
  EXPECT_TRUE(huge.Contains(0, 0));
  PolygonRegion one;
  one.SetPolygon(PolygonRegion::ParsePoints("5 5"));
  EXPECT_TRUE(one.IsEmpty());
}

// The room of tests/board/data loaded on the test's own thread and started.
class RoomTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    ASSERT_TRUE(EnterBoardDataFolder());
    mBoard = std::make_unique<ZCBoard_Plain>();
    mBoard->LoadConfig();
    ASSERT_TRUE(mBoard->LoadLevel(901, false));
    mBoard->StartLevel();
    mBoss = ZCMoveItem::FindMoveItem("boss");
    mTable1 = ZCPickItem::FindPickItem("table1");
    mTable2 = ZCPickItem::FindPickItem("table2");
    mTray = ZCPickItem::FindPickItem("tray1");
    ASSERT_TRUE(mBoss && mTable1 && mTable2 && mTray);
  }
  void TearDown() override {
    mBoard.reset();
    BoardWorldTest::TearDown();
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) mBoard->StepGame();
  }
  void Click(int x, int y) {
    mBoard->UpdateHover(x, y);
    mBoard->ClickAt({x, y});
  }

  std::unique_ptr<ZCBoard_Plain> mBoard;
  ZCMoveItem* mBoss = nullptr;
  ZCPickItem *mTable1 = nullptr, *mTable2 = nullptr, *mTray = nullptr;
};

TEST_F(RoomTest, ClickedTablesAreServedInOrderAndTheWalkerEndsOnTheStand) {
  Click(350, 130);
  Click(150, 105);
  EXPECT_EQ(mTable2->GetPendingClicks(), 1);
  Steps(1);  // the drain gives both to the walker
  ASSERT_EQ(mBoss->GetTargets().size(), 2u);
  EXPECT_TRUE(mTable2->IsMarkerShown(0));
  Steps(1);
  EXPECT_TRUE(mBoss->IsMoving());
  // The diamond's later branch ("right") is taken.
  EXPECT_EQ(mBoss->GetGraph()->GetRoute().front().x1, 300);
  int steps = 0;
  while (!mBoss->GetTargets().empty() && steps < 2000) Steps(1), ++steps;
  EXPECT_LT(steps, 2000);
  EXPECT_EQ(mBoss->GetCurrentPoint(), "table1");
  EXPECT_EQ(mBoss->GetPosition().x, 150);
  EXPECT_EQ(mBoss->GetPosition().y, 200);
  EXPECT_EQ(mBoss->GetOrientation(), "t");
  EXPECT_EQ(mTable1->GetPendingClicks(), 0);
  EXPECT_EQ(mTable2->GetPendingClicks(), 0);
  EXPECT_FALSE(mTable1->IsMarkerShown(0));
  EXPECT_FALSE(mTable2->IsMarkerShown(0));
}

TEST_F(RoomTest, MarkersGoOutInOrderAndComeBackInReverse) {
  mBoss->QueueTarget(mTable1);
  mBoss->QueueTarget(mTable1);
  EXPECT_TRUE(mTable1->IsMarkerShown(0) && mTable1->IsMarkerShown(1));
  mBoss->QueueTarget(mTable1);
  EXPECT_TRUE(LogHistory::Contains("Warning: object <table1> is over clicked... oh... slowly, please!"));
  mTable1->HideClickMarker();
  EXPECT_TRUE(mTable1->IsMarkerShown(0));
  EXPECT_FALSE(mTable1->IsMarkerShown(1));
  EXPECT_FALSE(mTable1->GetMarker(1)->IsVisible());
  mTable1->HideClickMarker();
  EXPECT_FALSE(mTable1->IsMarkerShown(0));
}

TEST_F(RoomTest, RefusalAndUnreachableTargetsDropTheWholeQueue) {
  // A stand-in that refuses.
  struct Refusing : ActorFinder {
    struct No : ZCItem {
      bool Interact(ZCItem*, bool, int32_t*) override { return false; }
    } no;
    ZCItem* FindActorForPlace(ZCItem*, ZCItem*) override { return &no; }
  } refusing;
  mBoss->PlaceAtPoint("table1");
  mTable1->AddClick();
  mTable2->AddClick();
  mBoss->QueueTarget(mTable1);
  mBoss->QueueTarget(mTable2);
  SetActorFinder(&refusing);
  Steps(1);
  SetActorFinder(mBoard.get());
  EXPECT_TRUE(mBoss->GetTargets().empty());
  EXPECT_EQ(mTable2->GetPendingClicks(), 0);
  EXPECT_FALSE(mTable2->IsMarkerShown(0));
  // The tray has a stand record but no edge leads there.
  mBoss->QueueTarget(mTray);
  mBoss->QueueTarget(mTable2);
  Steps(1);
  EXPECT_TRUE(mBoss->GetTargets().empty());
  EXPECT_FALSE(mTray->IsMarkerShown(0));
  EXPECT_FALSE(mBoss->IsMoving());
}

TEST_F(RoomTest, ArrivalOnTheTargetInteractsAtOnceAndWithoutSpeedNothingMoves) {
  mBoss->PlaceAtPoint("table1");
  mBoss->QueueTarget(mTable1);
  Steps(1);
  EXPECT_TRUE(mBoss->GetTargets().empty());
  EXPECT_FALSE(mBoss->IsMoving());
  // Without a person the walker stands still on its route, dividing by nothing.
  ZCMoveItem::ClearPersons();
  EXPECT_TRUE(mBoss->WalkTo("extra", 0));
  const BoardPoint before = mBoss->GetPosition();
  Steps(50);
  EXPECT_TRUE(mBoss->IsMoving());
  EXPECT_EQ(mBoss->GetPosition().x, before.x);
  // Deactivated, the walker has no graph and walks nowhere.
  mBoss->Activate(false);
  EXPECT_EQ(mBoss->GetGraph(), nullptr);
  EXPECT_FALSE(mBoss->WalkTo("top", 10));
}

// Set down elsewhere in the middle of a walk (a scene set again): the walk ends there, and the
// board orders its drawing anew, since the walker now stands among other furniture.
TEST_F(RoomTest, PlacedMidWalkTheWalkerStaysAndIsDrawnInANewOrder) {
  Click(350, 130);
  Steps(10);
  ASSERT_TRUE(mBoss->IsMoving());
  Vesk::MemoryImage image{1024, 768};
  Vesk::Graphics g(&image);
  mBoard->Draw(&g);
  ASSERT_FALSE(mBoard->IsDrawOrderDirty());
  mBoss->ClearTargets();
  mBoss->PlaceAtPoint("table1");
  EXPECT_TRUE(mBoard->IsDrawOrderDirty());
  const BoardPoint placed = mBoss->GetPosition();
  Steps(50);
  EXPECT_FALSE(mBoss->IsMoving());
  EXPECT_EQ(mBoss->GetPosition().x, placed.x);
  EXPECT_EQ(mBoss->GetPosition().y, placed.y);
}

TEST_F(RoomTest, HoverLightsOneItemWithItsPairsAndCoversTakeClicks) {
  // Inside the tray, which lies over table1: the tray takes it.
  mBoard->UpdateHover(150, 120);
  EXPECT_EQ(mBoard->GetHoveredItem(), mTray);
  EXPECT_FALSE(mTable1->HitTest({150, 120}));
  // Hidden, the tray no longer covers table1.
  mTray->SetVisibleFlag(false);
  mBoard->UpdateHover(150, 120);
  EXPECT_EQ(mBoard->GetHoveredItem(), mTable1);
  EXPECT_TRUE(mTable1->IsHighlighted());
  EXPECT_TRUE(ZCItem::FindByName("lamp")->IsHighlighted());
  mBoard->UpdateHover(600, 600);
  EXPECT_EQ(mBoard->GetHoveredItem(), nullptr);
  EXPECT_FALSE(ZCItem::FindByName("lamp")->IsHighlighted());
}

TEST_F(RoomTest, TwoItemsUnderTheMouseTheLaterNameWins) {
  // table2's region moved over table1's: both are hit, "table2" sorts later.
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="pickable" name="table9" rgn="100 100 200 100 200 160 100 160"/></objects></root>)"));
  ZCPickItem* table9 = ZCPickItem::FindPickItem("table9");
  table9->SetRunning(true);
  table9->SetVisibleFlag(true);
  mBoard->UpdateHover(180, 150);
  EXPECT_EQ(mBoard->GetHoveredItem(), table9);
  EXPECT_TRUE(table9->IsHighlighted());
  EXPECT_FALSE(mTable1->IsHighlighted());
}

TEST_F(RoomTest, AClosedGateQueuesNothing) {
  mBoard->UpdateHover(350, 130);
  mBoard->Pause();
  mBoard->MouseDown(350, 130, 1, 1);
  mBoard->Resume();
  EXPECT_TRUE(mBoard->GetClickQueue().empty());
  EXPECT_EQ(mTable2->GetPendingClicks(), 0);
  // Outside the hovered item's region, or with another button, nothing either.
  mBoard->MouseDown(50, 50, 1, 1);
  mBoard->MouseDown(350, 130, 2, 1);
  EXPECT_TRUE(mBoard->GetClickQueue().empty());
  mBoard->MouseDown(350, 130, 1, 1);
  EXPECT_EQ(mBoard->GetClickQueue().size(), 1u);
}

// An actor that writes down who asked it, and answers as told.
struct LoggingFinder : ActorFinder {
  struct Actor : ZCItem {
    LoggingFinder* mFinder = nullptr;
    bool Interact(ZCItem*, bool dryRun, int32_t*) override {
      mFinder->mLog.push_back(mFinder->mPlace + (dryRun ? " dry" : " do"));
      return mFinder->mPlace != mFinder->mRefuser;
    }
  } mActor;
  std::string mPlace, mRefuser;
  std::vector<std::string> mLog;
  LoggingFinder() { mActor.mFinder = this; }
  ZCItem* FindActorForPlace(ZCItem*, ZCItem* place) override {
    mPlace = place->GetName();
    return &mActor;
  }
};

// On arrival the place is asked first, then the walker; both only try before either acts, and
// the walker's dry run is made even when the place says no (dry runs may reset counters).
TEST_F(RoomTest, OnArrivalThePlaceIsAskedFirstAndBothAreAskedBeforeEitherActs) {
  LoggingFinder finder;
  SetActorFinder(&finder);
  mBoss->PlaceAtPoint("table1");
  mBoss->QueueTarget(mTable1);
  Steps(1);
  EXPECT_EQ(finder.mLog, (std::vector<std::string>{"table1 dry", "boss dry", "table1 do", "boss do"}));
  EXPECT_TRUE(mBoss->GetTargets().empty());

  for (const char* refuser : {"table1", "boss"}) {
    SCOPED_TRACE(refuser);
    finder.mLog.clear();
    finder.mRefuser = refuser;
    mBoss->QueueTarget(mTable1);
    Steps(1);
    EXPECT_EQ(finder.mLog.front(), "table1 dry");
    EXPECT_EQ(finder.mLog, (std::vector<std::string>{"table1 dry", "boss dry"}));
    EXPECT_TRUE(mBoss->GetTargets().empty());
  }
  SetActorFinder(mBoard.get());
}

// Counts the highlights it is given.
struct HighlightCounter : ZCItem {
  static ZCItem* Create() { return new HighlightCounter(); }
  void SetHighlight(const BoardPoint& point, bool highlighted) override {
    ++mCount;
    ZCItem::SetHighlight(point, highlighted);
  }
  int mCount = 0;
};

TEST_F(BoardWorldTest, APairNamedTwiceOrAlsoTheActorIsLitOnce) {
  RegisterItemClass("counter", &HighlightCounter::Create);
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="pickable" name="desk" rgn="0 0 10 0 10 10 0 10">
        <select_block pair_item="lamp"/><select_block pair_item="lamp"/><select_block pair_item="clerk"/></object>
      <object class="counter" name="lamp"/><object class="counter" name="clerk"/></objects></root>)"));
  ZCItem::ApplyLevelStates(ParseXml(R"(<level><objects><object name="desk"/><object name="lamp"/>
      <object name="clerk"/></objects></level>)"));
  auto* lamp = static_cast<HighlightCounter*>(ZCItem::FindByName("lamp"));
  auto* clerk = static_cast<HighlightCounter*>(ZCItem::FindByName("clerk"));
  // The clerk is the desk's actor as well as its pair.
  struct Finder : ActorFinder {
    ZCItem* mClerk;
    ZCItem* FindActorForPlace(ZCItem*, ZCItem*) override { return mClerk; }
  } finder;
  finder.mClerk = clerk;
  SetActorFinder(&finder);
  ZCPickItem::FindPickItem("desk")->SetHighlight({5, 5}, true);
  EXPECT_EQ(lamp->mCount, 1);
  EXPECT_EQ(clerk->mCount, 1);
  EXPECT_TRUE(lamp->IsHighlighted());
  SetActorFinder(nullptr);
}

}  // namespace
