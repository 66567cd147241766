#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "board/support/BoardTestSupport.h"
#include "board/support/TestBoard.h"
#include "board/support/ZOrderReference.h"
#include "shell/Log.h"

namespace {

using Names = std::vector<std::string>;

// A part with a base line through three points.
std::string Line(const std::string& name, int x0, int y0, int x1, int y1, int x2, int y2,
                 const std::string& extra = "") {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "<part name=\"%s\" order0_x=\"%d\" order0_y=\"%d\" order1_x=\"%d\" order1_y=\"%d\" "
                "order2_x=\"%d\" order2_y=\"%d\" %s/>",
                name.c_str(), x0, y0, x1, y1, x2, y2, extra.c_str());
  return buf;
}

std::string Object(const std::string& name, const std::string& parts, const std::string& cls = "item") {
  return "<object class=\"" + cls + "\" name=\"" + name + "\">" + parts + "</object>";
}

class ZOrderTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    RegisterItemClass("walker", &MovableTestItem::Create);
  }

  // Creates the objects and registers them with the board's solver.
  void Build(const std::string& objects) {
    ZCItem::ReadLevelObjects(ParseXml("<root><objects>" + objects + "</objects></root>"));
    for (ZCItem* item : GetItemRegistry().Items()) item->SetVisibleFlag(true);
    ZCItem::RegisterAllForZOrder();
  }

  MovableTestItem* Walker(const std::string& name) { return static_cast<MovableTestItem*>(ZCItem::FindByName(name)); }
  Names Order() { return PartNames(Solver().GetItemOrder(true)); }
  ZOrderResolver& Solver() { return *board.GetZOrderResolver(); }

  TestBoard board;
};

const std::string kFloor = Object("floor", Line("floor", 0, 0, 512, 0, 1023, 0));
const std::string kTable = Object("table", Line("top", 300, 400, 400, 400, 500, 400));

TEST_F(ZOrderTest, OfTwoOverlappingLinesTheLowerIsDrawnLaterWhateverTheRegistrationOrder) {
  Build(Object("low", Line("p", 100, 150, 200, 150, 300, 150)) + Object("high", Line("p", 0, 100, 100, 100, 200, 100)) +
        Object("apart", Line("p", 600, 50, 700, 50, 800, 50)));
  EXPECT_EQ(Order(), (Names{"high:p", "apart:p", "low:p"}));
  EXPECT_EQ(Solver().FloorOwner(150, 120)->GetOwner()->GetName(), "high");
  EXPECT_EQ(Solver().FloorOwner(150, 160)->GetOwner()->GetName(), "low");
  EXPECT_EQ(Solver().FloorOwner(150, 90), nullptr);
}

TEST_F(ZOrderTest, WalkersStandOnTheFloorBelowThemAndTheLowerIsInFront) {
  Build(kFloor + kTable + Object("w1", Line("body", 0, 0, 0, 0, 0, 0), "walker") +
        Object("w2", Line("body", 0, 0, 0, 0, 0, 0), "walker"));
  Walker("w1")->StandAt(400, 450);
  Walker("w2")->StandAt(420, 500);
  EXPECT_EQ(Order(), (Names{"floor:floor", "table:top", "w1:body", "w2:body"}));

  // Above the table's line the walker stands on the floor and the table hides it.
  Walker("w1")->StandAt(400, 350);
  EXPECT_EQ(Order(), (Names{"floor:floor", "w1:body", "table:top", "w2:body"}));

  // Both behind the table: still the lower in front.
  Walker("w2")->StandAt(380, 300);
  EXPECT_EQ(Order(), (Names{"floor:floor", "w2:body", "w1:body", "table:top"}));
}

TEST_F(ZOrderTest, AWalkerAboveEveryLineAndOneOffTheBoardAreSafeAndDrawnLast) {
  Build(kTable + Object("w", Line("body", 0, 0, 0, 0, 0, 0), "walker"));
  Walker("w")->StandAt(400, 300);
  EXPECT_EQ(Order(), (Names{"table:top", "w:body"}));
  // Near the sides and below the board the floor map is read at its edge.
  for (auto [x, y] : {std::pair{5, 300}, {1020, 450}, {400, 770}, {-5000, 100000}, {100000, -100000}}) {
    Walker("w")->StandAt(x, y);
    EXPECT_EQ(Order().size(), 2u) << x << "," << y;
  }
  Walker("w")->StandAt(400, 770);
  EXPECT_EQ(Order(), (Names{"table:top", "w:body"}));
}

TEST_F(ZOrderTest, OverlaysComeLastHeldItemsNeverAndZChildrenFollowTheirParentRootsIncluded) {
  Build(Object("glow", "<part name=\"halo\" zover=\"1\" order0_x=\"5\"/>") + kFloor + kTable +
        Object("cups", "<part name=\"cup\" parent_z=\"table:top\"/><part name=\"rug\" parent_z=\"floor:floor\"/>"
                       "<part name=\"held_items\"/>") +
        Object("w", Line("body", 0, 0, 0, 0, 0, 0) + "<part name=\"held_items\"/>", "walker"));
  Walker("w")->StandAt(400, 450);
  EXPECT_EQ(Order(), (Names{"floor:floor", "cups:rug", "table:top", "cups:cup", "w:body", "glow:halo"}));
  // A zover part keeps no base line.
  EXPECT_EQ(ZCItem::FindByName("glow")->GetParts()[0]->GetReferencePoint(0).x, 0);
}

TEST_F(ZOrderTest, FrameZChildrenFollowTheirParentForOneSolveOnly) {
  Build(kFloor + kTable + Object("w", Line("body", 0, 0, 0, 0, 0, 0), "walker") +
        Object("tray", Line("plate", 0, 0, 0, 0, 0, 0) + Line("cup", 0, 0, 0, 0, 0, 0), "walker"));
  MovableTestItem* walker = Walker("w");
  MovableTestItem* tray = Walker("tray");
  walker->StandAt(400, 450);
  tray->StandAt(400, 800);  // the tray's own place does not count once it is held
  ZCItemPart* body = walker->GetParts()[0].get();
  Solver().RegisterZParent(body, tray->GetParts()[0].get());
  Solver().RegisterZParent(body, tray->GetParts()[1].get());
  Solver().RegisterZParent(body, tray->GetParts()[0].get());
  EXPECT_EQ(Solver().GetFrameZChildCount(), 2u);
  const Names held = Order();
  EXPECT_EQ(Solver().GetFrameZChildCount(), 0u);
  // The tray's parts are placed by their own floor too, and the held copies follow the body.
  ASSERT_EQ(held.size(), 7u);
  EXPECT_EQ(Names(held.begin() + 2, held.begin() + 5), (Names{"w:body", "tray:plate", "tray:cup"}));
  EXPECT_EQ(Order().size(), 5u);
}

TEST_F(ZOrderTest, BadLinesWarnAndEveryPartIsStillDrawnOnce) {
  // Three identical points: a warning and a root. Crossing lines: a cycle with no root.
  Build(Object("dot", Line("p", 50, 50, 50, 50, 50, 50)) +
        Object("a", Line("p", 100, 100, 200, 200, 300, 300)) + Object("b", Line("p", 100, 300, 200, 200, 300, 100)));
  EXPECT_TRUE(LogHistory::Contains("WARNING: Invalid part (no zorder, no zparent): <dot:p>"));
  Names order = Order();
  EXPECT_EQ(order.front(), "dot:p");
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (Names{"a:p", "b:p", "dot:p"}));

  ResetBoardWorld();
  LogHistory::Clear();
  Build(Object("a", Line("p", 100, 100, 200, 200, 300, 300)) + Object("b", Line("p", 100, 300, 200, 200, 300, 100)));
  EXPECT_TRUE(LogHistory::Contains("!!!Critical Error: Can't find root object, remake z-order"));
  EXPECT_EQ(Order(), (Names{"a:p", "b:p"}));
}

TEST_F(ZOrderTest, ParentsThatTakeNoPartAndPointsOffTheBoardAreDrawnAfterTheOrder) {
  Build(Object("off", Line("p", -10, 100, 50, 100, 100, 100) + "<part name=\"on_off\" parent_z=\"off:p\"/>") +
        kFloor +
        Object("kids", "<part name=\"chain\" parent_z=\"kids:mid\"/><part name=\"mid\" parent_z=\"floor:floor\"/>"
                       "<part name=\"orphan\" parent_z=\"glow:halo\"/>") +
        Object("glow", "<part name=\"halo\" zover=\"1\"/>"));
  EXPECT_TRUE(LogHistory::Contains("WARNING: Crossparent part: part: <kids:chain>, parent: <kids:mid>"));
  EXPECT_TRUE(LogHistory::Contains("   --- part: <kids:orphan>"));
  EXPECT_EQ(Order(),
            (Names{"floor:floor", "kids:chain", "kids:mid", "off:p", "off:on_off", "kids:orphan", "glow:halo"}));
}

TEST_F(ZOrderTest, ClearForgetsEveryPart) {
  Build(kFloor + kTable);
  Solver().Clear();
  EXPECT_TRUE(Order().empty());
  EXPECT_EQ(Solver().FloorOwner(400, 450), nullptr);
}

// A bound on the relations a placement reads that grows with the parts and relations, not with
// their square.
uint64_t LinearBound(const std::vector<std::vector<int32_t>>& behind) {
  uint64_t relations = 0;
  for (const std::vector<int32_t>& list : behind) relations += list.size();
  return 6 * (behind.size() + relations);
}

// Random relations, with chains, shared predecessors and cycles: the counting placement gives
// the order the scanning one gave, part for part.
TEST(ZOrderPlacementTest, TheCountingPlacementKeepsTheScanningOrder) {
  std::mt19937 rng(19);
  for (int round = 0; round < 400; ++round) {
    const size_t n = size_t(rng() % 120);
    const int fanOut = 1 + int(rng() % 4);
    const bool acyclic = rng() % 3 != 0;
    std::vector<std::vector<int32_t>> behind(n);
    for (size_t i = 0; i < n; ++i) {
      const int count = int(rng() % unsigned(fanOut + 1));
      for (int k = 0; k < count; ++k) {
        // Acyclic rounds lead only to later parts, as the floor map's rows do.
        if (acyclic && i + 1 >= n) break;
        const int32_t q = acyclic ? int32_t(i + 1 + rng() % (n - i - 1)) : int32_t(rng() % n);
        if (q == int32_t(i) || std::find(behind[i].begin(), behind[i].end(), q) != behind[i].end()) continue;
        behind[i].push_back(q);
      }
    }
    ASSERT_EQ(ZOrderPlacement(PlacementRelations(behind)), ReferenceZOrderPlacement(behind)) << "round " << round;
  }
  // A chain far longer than a call stack would take (within the linear budget).
  std::vector<std::vector<int32_t>> chain(200000);
  for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i] = {int32_t(i + 1)};
  const std::vector<int32_t> order = ZOrderPlacement(PlacementRelations(chain, LinearBound(chain)));
  ASSERT_EQ(order.size(), chain.size());
  EXPECT_EQ(order.back(), int32_t(chain.size() - 1));
}

// The solver on random base lines (all on the board) orders its parts as the scanning placement
// of its relations.
TEST(ZOrderPlacementTest, RandomBoardsAreOrderedByThePlacementOfTheirRelations) {
  std::mt19937 rng(5);
  for (int round = 0; round < 4; ++round) {
    ZOrderResolver solver;
    std::vector<std::unique_ptr<ZCItemPart>> parts;
    for (int i = 0; i < 300; ++i) {
      const int32_t x = int32_t(rng() % 1000), y = 3 + int32_t(rng() % 760), w = 4 + int32_t(rng() % 60);
      auto part = std::make_unique<ZCItemPart>(nullptr);
      part->SetReferencePoints({x, y}, {std::min(1023, x + w / 2), y + int32_t(rng() % 7) - 3}, {std::min(1023, x + w), y});
      solver.AddPart(part.get(), false);
      parts.push_back(std::move(part));
    }
    solver.Resolve();
    std::vector<ZCItemPart*> expected;
    for (int32_t index : ReferenceZOrderPlacement(solver.GetRelations())) expected.push_back(parts[size_t(index)].get());
    EXPECT_EQ(solver.GetStaticOrder(), expected) << "round " << round;
  }
}

// The placement's work grows with the parts and relations, not with their square (a scanning
// placement takes tens of millions of steps here): 5,000 parts in a chain given back to front, in
// a fan, in random layers, and on a board of short overlapping lines.
TEST(ZOrderPlacementTest, FiveThousandPartsArePlacedInLinearSteps) {
  constexpr size_t kParts = 5000;
  std::vector<std::vector<int32_t>> chain(kParts), fan(kParts), layers(kParts);
  for (size_t i = 1; i < kParts; ++i) chain[i] = {int32_t(i - 1)};
  for (size_t i = 1; i < kParts; ++i) fan[0].push_back(int32_t(i));
  std::mt19937 rng(23);
  for (size_t i = 0; i + 1 < kParts; ++i)
    for (int k = 0; k < 4; ++k) {
      const int32_t q = int32_t(i + 1 + rng() % std::min<size_t>(kParts - i - 1, 200));
      if (std::find(layers[i].begin(), layers[i].end(), q) == layers[i].end()) layers[i].push_back(q);
    }
  for (const auto* behind : {&chain, &fan, &layers}) {
    // A placement over the budget throws as soon as it passes it.
    const PlacementRelations relations(*behind, LinearBound(*behind));
    ASSERT_EQ(ZOrderPlacement(relations).size(), kParts);
    EXPECT_GE(relations.Reads(), kParts);
  }

  ZOrderResolver solver;
  std::vector<std::unique_ptr<ZCItemPart>> parts;
  for (int32_t row = 0; row < 100; ++row)
    for (int32_t col = 0; col < 50; ++col) {
      const int32_t x = col * 20 + (row % 2) * 10, y = 3 + row * 7;
      auto part = std::make_unique<ZCItemPart>(nullptr);
      part->SetReferencePoints({x, y}, {x + 8, y + 1}, {std::min(1023, x + 16), y});
      solver.AddPart(part.get(), false);
      parts.push_back(std::move(part));
    }
  solver.Resolve();
  ASSERT_EQ(solver.GetStaticOrder().size(), kParts);
  EXPECT_GT(solver.GetRelations()[0].size(), 0u);
  EXPECT_LE(solver.GetPlacementSteps(), LinearBound(solver.GetRelations()));
}

}  // namespace
