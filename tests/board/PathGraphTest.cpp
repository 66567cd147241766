#include <gtest/gtest.h>

#include "board/PathGraph.h"
#include "board/ZCPickItem.h"
#include "board/support/BoardTestSupport.h"
#include "shell/Log.h"

namespace {

class PathGraphTest : public BoardWorldTest {
 protected:
  // A graph of the owner "boss" loaded from an object root and a level node.
  void Load(const std::string& rootXml, const std::string& levelXml = "<level/>") {
    mRoot = ParseXml(rootXml);
    mLevel = ParseXml(levelXml);
    mGraph.LoadBaseGraphs(mRoot);
    mGraph.AddPickPoints("boss");
    mGraph.LoadLevelGraphs(mLevel);
  }
  // The route from one point to another as "a>b>c", empty without one.
  std::string Route(const std::string& from, const std::string& to) {
    if (!mGraph.SetStart(from) || !mGraph.FindPath(to, 100)) return "";
    std::string text;
    for (const RouteSegment& seg : mGraph.GetRoute())
      text += "(" + std::to_string(seg.x1) + "," + std::to_string(seg.y1) + ")";
    return text;
  }

  XmlNode mRoot, mLevel;
  PathGraph mGraph{"boss"};
};

// A diamond: two equal routes from s (0, 200) to t (0, 0), through l (-100, 100) or r (100, 100).
const char* const kDiamond = R"(<root><graphs><graph name="boss">
  <points><point name="s" x="0" y="200"/><point name="l" x="-100" y="100"/>
          <point name="r" x="100" y="100"/><point name="t" x="0" y="0" direction="l"/>
          <point name="island" x="500" y="500"/></points>
  <edges><edge p1="s" p2="l"/><edge p1="s" p2="r"/><edge p1="l" p2="t"/><edge p1="r" p2="t"/></edges>
</graph></graphs></root>)";

TEST_F(PathGraphTest, SourcesMergeWithBaseFirstAndEdgesOnceInEitherOrder) {
  Load(R"(<root><graphs>
      <graph name="boss"><points><point name="gone" x="1" y="1"/></points></graph>
      <graph name="other"><points><point name="foreign" x="1" y="1"/></points></graph>
      <graph name="boss"><points><point name="p" x="10" y="20"/><point name="p" x="99" y="99"/>
        <point name="q" x="30" y="20"/></points>
        <edges><edge p1="p" p2="q"/><edge p1="p" p2="q"/></edges></graph>
      </graphs></root>)",
       R"(<level><graphs><graph name="boss"><points><point name="p" x="-5" y="-5"/>
        <point name="n" x="50" y="20"/></points>
        <edges><edge p1="q" p2="p"/><edge p1="q" p2="n"/></edges></graph>
        <graph name="Boss"><points><point name="case" x="0" y="0"/></points></graph></graphs></level>)");
  BoardPoint pos;
  ASSERT_TRUE(mGraph.GetPointPos("p", pos));
  EXPECT_EQ(pos.x, 10);  // the base point stays: first of its element, base before level
  EXPECT_EQ(pos.y, 20);
  EXPECT_TRUE(mGraph.GetPointPos("n", pos));
  EXPECT_FALSE(mGraph.GetPointPos("gone", pos));  // the last "boss" element of a document wins
  EXPECT_FALSE(mGraph.GetPointPos("foreign", pos));
  EXPECT_FALSE(mGraph.GetPointPos("case", pos));
  // The base keeps its own duplicate; the reversed level edge is merged away; (q, n) is new.
  const auto& edges = mGraph.GetWorkingSet().mEdges;
  ASSERT_EQ(edges.size(), 3u);
  EXPECT_EQ(edges[2].mP1, "q");
  EXPECT_EQ(edges[2].mP2, "n");
  EXPECT_EQ(Route("p", "n"), "(30,20)(50,20)");
}

TEST_F(PathGraphTest, DiamondTieGoesToTheRouteRelaxedLast) {
  Load(kDiamond);
  // Both branches reach t in the same wave; r comes later in name order and wins.
  EXPECT_EQ(Route("s", "t"), "(100,100)(0,0)");
  // From t back: l and r are relaxed in one wave from t; s is reached from both, r last.
  EXPECT_EQ(Route("t", "s"), "(100,100)(0,200)");
  EXPECT_EQ(Route("s", "island"), "");
  EXPECT_EQ(Route("s", "s"), "");
  EXPECT_FALSE(mGraph.FindPath("nowhere", 10));
  EXPECT_FALSE(mGraph.SetStart("nowhere"));
}

TEST_F(PathGraphTest, WalkingArrivesFacingThePointsHeading) {
  Load(kDiamond);
  ASSERT_TRUE(mGraph.SetStart("s"));
  ASSERT_TRUE(mGraph.FindPath("t", 100));
  BoardPoint pos, dir;
  // 141.42 px a leg: after 1 s the walker is 100 px up the first leg.
  EXPECT_TRUE(mGraph.Advance(1.0f, pos, dir));
  EXPECT_EQ(pos.x, 70);
  EXPECT_EQ(pos.y, 130);  // 200 + trunc(-70.7)
  EXPECT_EQ(dir.x, 100);
  EXPECT_EQ(dir.y, -100);
  dir = BoardPoint{};
  EXPECT_FALSE(mGraph.Advance(2.0f, pos, dir));
  EXPECT_EQ(pos.x, 0);
  EXPECT_EQ(pos.y, 0);
  EXPECT_EQ(dir.x, -1);  // "l"
  EXPECT_EQ(dir.y, 0);
  // A point without direction leaves the caller's (0, 0).
  ASSERT_TRUE(mGraph.SetStart("t"));
  ASSERT_TRUE(mGraph.FindPath("r", 100));
  dir = BoardPoint{};
  EXPECT_FALSE(mGraph.Advance(5.0f, pos, dir));
  EXPECT_EQ(dir.x, 0);
  EXPECT_EQ(dir.y, 0);
}

TEST_F(PathGraphTest, SpeedChangesKeepTheDistanceWalked) {
  Load(kDiamond);
  ASSERT_TRUE(mGraph.SetStart("s"));
  ASSERT_TRUE(mGraph.FindPath("t", 100));
  BoardPoint pos, dir;
  mGraph.Advance(0.5f, pos, dir);
  EXPECT_FLOAT_EQ(mGraph.GetDistance(), 50);
  mGraph.SetSpeed(50);
  EXPECT_FLOAT_EQ(mGraph.GetDistance(), 50);
  mGraph.Advance(1.0f, pos, dir);
  EXPECT_FLOAT_EQ(mGraph.GetDistance(), 100);
  // Speed 0 stands still and keeps the distance; moving on continues from there.
  mGraph.SetSpeed(0);
  mGraph.Advance(3.0f, pos, dir);
  EXPECT_FLOAT_EQ(mGraph.GetDistance(), 100);
  EXPECT_EQ(pos.x, 70);
  mGraph.SetSpeed(200);
  mGraph.Advance(0.25f, pos, dir);
  EXPECT_FLOAT_EQ(mGraph.GetDistance(), 150);
}

TEST_F(PathGraphTest, UndefinedEndsFailTheSearchAndAreLogged) {
  Load(kDiamond, R"(<level><graphs><graph name="boss"><edges>
      <edge p1="ghost" p2="phantom"/><edge p1="t" p2="late"/></edges></graph></graphs></level>)");
  EXPECT_EQ(Route("s", "t"), "");
  EXPECT_TRUE(LogHistory::Contains("ERROR: Edge refer to undefined point. FromPointStr='ghost'"));
  EXPECT_TRUE(LogHistory::Contains("ERROR: Edge refer to undefined point. ToPointStr='phantom'"));
  // The search stops at the first broken edge.
  EXPECT_FALSE(LogHistory::Contains("'late'"));
}

TEST_F(PathGraphTest, ZeroLengthEdgesEndTheSearchAndAreWalkedOver) {
  Load(R"(<root><graphs><graph name="boss">
      <points><point name="a" x="0" y="0"/><point name="b" x="0" y="0"/><point name="c" x="0" y="30"/>
              <point name="d" x="0" y="30" direction="r"/></points>
      <edges><edge p1="a" p2="a"/><edge p1="a" p2="b"/><edge p1="b" p2="a"/><edge p1="b" p2="c"/>
             <edge p1="c" p2="d"/><edge p1="d" p2="c"/></edges></graph></graphs></root>)");
  EXPECT_EQ(Route("a", "d"), "(0,0)(0,30)(0,30)");
  BoardPoint pos, dir;
  EXPECT_TRUE(mGraph.Advance(0.1f, pos, dir));
  EXPECT_EQ(pos.y, 10);
  EXPECT_EQ(dir.y, 30);
  EXPECT_FALSE(mGraph.Advance(1.0f, pos, dir));
  EXPECT_EQ(pos.y, 30);
  EXPECT_EQ(dir.x, 1);
}

// Far out, float costs no longer grow by a short edge: p and q, 100 pixels apart and about
// 4e9 from s, reach each other at the cost they already have. Such a step must not hand the
// predecessor back and forth for ever (the test program has a short CTest timeout).
TEST_F(PathGraphTest, StepsThatDoNotRaiseTheCostFarOutEndTheSearch) {
  Load(R"(<root><graphs><graph name="boss">
      <points><point name="s" x="-2000000000" y="0"/><point name="p" x="2000000000" y="0"/>
              <point name="q" x="2000000000" y="100" direction="b"/><point name="r" x="2147483647" y="-2147483648"/></points>
      <edges><edge p1="s" p2="p"/><edge p1="s" p2="q"/><edge p1="p" p2="q"/><edge p1="q" p2="p"/>
             <edge p1="p" p2="r"/><edge p1="q" p2="r"/></edges></graph></graphs></root>)");
  EXPECT_EQ(Route("s", "q"), "(2000000000,100)");
  EXPECT_EQ(Route("s", "p"), "(2000000000,0)");
  EXPECT_EQ(Route("q", "p"), "(2000000000,0)");
  EXPECT_FALSE(Route("s", "r").empty());
  // Walking the far route ends on the point, facing its heading.
  ASSERT_EQ(Route("s", "q"), "(2000000000,100)");
  BoardPoint pos, dir;
  EXPECT_TRUE(mGraph.Advance(1.0f, pos, dir));
  EXPECT_FALSE(mGraph.Advance(1.0e9f, pos, dir));
  EXPECT_EQ(pos.x, 2000000000);
  EXPECT_EQ(pos.y, 100);
  EXPECT_EQ(dir.y, 1);
  EXPECT_FALSE(LogHistory::Contains("WARNING"));
}

TEST_F(PathGraphTest, PickItemsGiveOnePointPerOwnRecord) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="pickable" name="cup"><point owner="other" offs_x="1" offs_y="1"/>
        <point owner="boss" direction="br" offs_x="40" offs_y="0"/><point owner="boss" offs_x="9" offs_y="9"/></object>
      <object class="pickable" name="plate"><point owner="other" offs_x="1" offs_y="1"/></object>
      </objects></root>)"));
  Load(R"(<root><graphs><graph name="boss"><points><point name="home" x="0" y="0"/></points>
      <edges><edge p1="home" p2="cup"/></edges></graph></graphs></root>)");
  BoardPoint pos;
  ASSERT_TRUE(mGraph.GetPointPos("cup", pos));
  EXPECT_EQ(pos.x, 40);
  EXPECT_EQ(pos.y, 0);
  EXPECT_FALSE(mGraph.GetPointPos("plate", pos));
  EXPECT_EQ(Route("home", "cup"), "(40,0)");
  EXPECT_EQ(mGraph.GetRoute().back().mDirection, "br");
  mGraph.ClearPickPoints();
  EXPECT_FALSE(mGraph.GetPointPos("home", pos));
  EXPECT_TRUE(mGraph.GetStart().empty());
}

}  // namespace
