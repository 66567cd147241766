#include <gtest/gtest.h>

#include <cstdlib>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "board/support/BoardTestSupport.h"
#include "board/support/TestBoard.h"
#include "effects/ZCAnimController.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"

namespace {

using Names = std::vector<std::string>;

// The test room (level 90) built the way a level load builds it: the level file, its object
// document, the factory, the starting states and the draw order.
class TestRoomTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    ASSERT_TRUE(OpenSampleData());
    RegisterTestRoomClasses();
    levelDoc = LoadXmlDocument("cfg\\l090.xml");
    ASSERT_TRUE(levelDoc);
    XmlNode level = levelDoc.documentElement();
    const std::string doc = ReadBoardText(level, L"doc");
    EXPECT_EQ(doc, "cfg\\testroom.xml");
    objectDoc = LoadXmlDocument(doc);
    ASSERT_TRUE(objectDoc);
    ZCItem::ReadLevelObjects(objectDoc.documentElement());
    ZCItem::ApplyLevelStates(level);
    ZCItem::RegisterAllForZOrder();
    ZCItem::ActivateAll();
    boss = dynamic_cast<MovableTestItem*>(ZCItem::FindByName("boss"));
    ASSERT_NE(boss, nullptr);
  }

  // Puts the walker's feet at the point and draws the board.
  void DrawWithWalkerAt(int32_t x, int32_t y) {
    boss->StandAt(x, y);
    board.SetDrawOrderDirty();
    image.Clear();
    Vesk::Graphics g(&image);
    board.Draw(&g);
    EXPECT_FALSE(board.IsDrawOrderDirty());
  }
  uint32_t At(int x, int y) { return image.GetBits()[y * image.GetWidth() + x]; }

  XmlNode levelDoc, objectDoc;
  TestBoard board;
  MovableTestItem* boss = nullptr;
  Vesk::MemoryImage image{1024, 768};
};

TEST_F(TestRoomTest, TheRoomIsOrderedFromTheFloorToTheGlow) {
  EXPECT_FALSE(LogHistory::Contains("WARNING"));
  EXPECT_EQ(PartNames(board.GetZOrderResolver()->GetStaticOrder()),
            (Names{"floor:floor", "family1:family", "table1:table", "table1:top", "table1:top",
                   "table1:checkmark", "table1:checkmark", "family2:family", "table2:table", "table2:checkmark",
                   "table2:checkmark", "lamp:lamp", "sign:sign", "client1:visitor", "client2:visitor",
                   "client3:visitor"}));
  boss->StandAt(400, 490);
  const Names order = PartNames(board.GetZOrderResolver()->GetItemOrder(true));
  EXPECT_EQ(order.back(), "lamp:glow");
  EXPECT_EQ(std::count(order.begin(), order.end(), "boss:held_items"), 0);
  // Each sheet of the tables is the one of its skin.
  EXPECT_EQ(ZCItem::FindByName("table2")->GetParts()[1]->GetSkin(), "");
  EXPECT_TRUE(ZCItem::FindByName("sign")->GetParts()[0]->IsMirrored());
}

TEST_F(TestRoomTest, TheWalkerIsDrawnInFrontOfTable2BelowItsLineAndBehindItAbove) {
  // The room with the walker out of the way: what table2 and the floor look like.
  DrawWithWalkerAt(960, 760);
  const uint32_t table = At(400, 450), floor = At(400, 390), farFloor = At(900, 700);

  DrawWithWalkerAt(400, 460);
  EXPECT_EQ(At(400, 450), table);  // the table hides the walker's legs
  EXPECT_NE(At(400, 390), floor);  // its head shows above the table

  DrawWithWalkerAt(400, 490);
  EXPECT_NE(At(400, 450), table);  // in front of the table
  EXPECT_EQ(At(900, 700), farFloor);
  // The glow lies over the wooden table in partial alpha: lighter and warmer than the wood.
  const uint32_t glow = At(450, 440);
  ZCItem::FindByName("lamp")->GetParts()[1]->SetAlpha(0.0f);
  DrawWithWalkerAt(400, 490);
  const uint32_t wood = At(450, 440);
  ZCItem::FindByName("lamp")->GetParts()[1]->SetAlpha(1.0f);
  EXPECT_NE(glow, wood);
  EXPECT_GT(int((glow >> 16) & 0xFF), int((wood >> 16) & 0xFF));
  EXPECT_GT(int((glow >> 8) & 0xFF), int((wood >> 8) & 0xFF));

  // For a reviewer: the room as drawn.
  DrawWithWalkerAt(400, 490);
  const char* dir = std::getenv("CAFE_BINARY_DIR");
  EXPECT_TRUE(ImageLib::WritePNG(image, std::string(dir ? dir : ".") + "/testroom.png"));
}

// The test room of the sample data, whose walker has a body animation for every heading.
TEST_F(BoardWorldTest, TheSampleWalkerTurnsOnEveryEdgeOfItsRoute) {
  ASSERT_TRUE(OpenSampleData());
  // The game's own classes this time, not the test room's stand-ins.
  RegisterItemClass("pickable", &ZCPickItem::Create);
  RegisterItemClass("boss", &ZCMoveItem::Create);
  auto board = std::make_unique<ZCBoard_Plain>();
  board->LoadConfig();
  ASSERT_TRUE(board->LoadLevel(90, false));
  board->StartLevel();
  ZCMoveItem* boss = ZCMoveItem::FindMoveItem("boss");
  ZCPickItem* table2 = ZCPickItem::FindPickItem("table2");
  ASSERT_TRUE(boss && table2);
  const ZCAnimController* body = boss->GetParts()[0]->GetController();
  ASSERT_NE(body, nullptr);

  board->QueueClick(table2);
  board->StepGame();  // the walker takes the click
  ASSERT_EQ(boss->GetTargets().size(), 1u);
  std::vector<std::string> headings;
  for (int step = 0; step < 1000 && (boss->IsMoving() || !boss->GetTargets().empty()); ++step) {
    board->StepGame();
    if (!boss->IsMoving()) continue;
    // The body always shows the heading the walker has.
    ASSERT_NE(body->GetCurrentAnimation(), nullptr);
    EXPECT_EQ(body->GetCurrentAnimation()->mName, "body" + boss->GetOrientation() + "walk") << "step " << step;
    if (headings.empty() || headings.back() != boss->GetOrientation()) headings.push_back(boss->GetOrientation());
  }
  // From the start up-left, up-right, then straight up to the table.
  EXPECT_EQ(headings, (std::vector<std::string>{"b", "tl", "tr", "t"}));
  EXPECT_EQ(boss->GetCurrentPoint(), "table2");
  EXPECT_EQ(body->GetCurrentAnimation()->mName, "bodytidle");
  board.reset();
}

}  // namespace
