// The café's part of a level, read by the real loading thread from the sample levels: goals,
// upgrade kinds, stage upgrades, overrides of the actors' parameters (and their exact undoing
// when the level is cleared) and the visitors' textures preloaded; and the heroine's walks in each
// sample café, which keep close to the straight line. Also built under ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <iostream>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "board/BoardWorld.h"
#include "board/PathGraph.h"
#include "board/PolygonRegion.h"
#include "board/ZCMoveItem.h"
#include "cafe/ActorParams.h"
#include "cafe/CafeHooks.h"
#include "cafe/TutorialManager.h"
#include "cafe/ZCBoard_Game3.h"
#include "driver/WaitUntil.h"
#include "graphics/MemoryImage.h"
#include "resources/ZCTextureCache.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {

std::string SourceDir() {
  const char* dir = std::getenv("CAFE_SOURCE_DIR");
  return dir ? dir : ".";
}

// Counts the neighbours' reading of the level (on the loading thread).
class CountingGoals : public CafeGoals {
 public:
  void LoadAchievements(const XmlNode&) override { ++mLoads; }
  int mLoads = 0;
};
class CountingMiniGame : public CafeMiniGame {
 public:
  void ReadLevel(const XmlNode&) override { ++mReads; }
  int mReads = 0;
};

// Declares textures without loading any image.
std::unique_ptr<Vesk::MemoryImage> NoImage(const std::string&) { return nullptr; }

class LevelRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoardWorld();
    LogHistory::Clear();
    // Level files are read as "cfg\\l%03d.xml" from the sample content.
    ASSERT_EQ(chdir((SourceDir() + "/content").c_str()), 0);
    for (const char* id : {"tex\\client_stand_downgirltldirect_green", "tex\\client_stand_headboytlgo_happy02",
                           "tex\\client_sitting_upgrannytlscandal", "tex\\client_stand_downgrannytlidle_green",
                           "tex\\unrelated"})
      mCache.AddTexture(id, "tex\\none.png");
    mBoard = std::make_unique<ZCBoard_Game3>();
    mBoard->SetGoals(&mGoals);
    mBoard->SetMiniGame(&mMiniGame);
    mBoard->SetTextureCache(&mCache);
    mBoard->LoadConfig();
  }
  void TearDown() override {
    mBoard.reset();
    ResetBoardWorld();
  }
  void Load(int level, bool endless) {
    mBoard->StartLoadingThread(level, endless);
    ASSERT_TRUE(WaitUntil([&] { return mBoard->PollLevelLoad(); }))
        << "level " << level << " was not handed over within a minute";
    ASSERT_FALSE(mBoard->IsLoadingLevel());
    ASSERT_TRUE(mBoard->IsRunning()) << level;
  }
  static float BossSpeed() { return ZCMoveItem::FindPersonParams("boss")->mMoveSpeed; }

  ZCTextureCache mCache{&NoImage};
  CountingGoals mGoals;
  CountingMiniGame mMiniGame;
  std::unique_ptr<ZCBoard_Game3> mBoard;
};

TEST_F(LevelRulesTest, SampleLevelsReadTheirRulesAndUndoTheirOverrides) {
  ASSERT_NE(FindWorkerParams("baker"), nullptr);
  const WorkerParams baker = *FindWorkerParams("baker");
  const ClientParams girl = *FindClientParams("girl");
  const float speed = BossSpeed();

  Load(2, false);
  EXPECT_EQ(mBoard->GetGoal(), 150);
  EXPECT_EQ(mBoard->GetExpertGoal(), 250);
  EXPECT_EQ(mBoard->GetLevelUpgradeKind(), UpgradeRecord::kFunctional);
  EXPECT_EQ(mBoard->GetUpgradeSkin(), "wood");
  EXPECT_EQ(mBoard->GetDefaultSkin(), "");
  EXPECT_EQ(mBoard->GetCafe(), 1);
  EXPECT_EQ(mBoard->GetDay(), 2);
  // The baker is overridden twice: the later values win where it gives them.
  const WorkerParams& bakerNow = *FindWorkerParams("baker");
  EXPECT_TRUE(bakerNow.mOverridden);
  EXPECT_FLOAT_EQ(bakerNow.mWorkTime, 4.0f);
  EXPECT_FLOAT_EQ(bakerNow.mTidinessDown, 6.0f);
  EXPECT_FLOAT_EQ(bakerNow.mTidinessUp, baker.mTidinessUp);
  EXPECT_FLOAT_EQ(bakerNow.mStartTidiness, 80.0f);
  const ClientParams& girlNow = *FindClientParams("girl");
  EXPECT_FLOAT_EQ(girlNow.mPatienceSpeed, 2.5f);
  EXPECT_EQ(girlNow.mMoneyGreen, 40);
  EXPECT_EQ(girlNow.mMoneyYellow, girl.mMoneyYellow);
  EXPECT_FLOAT_EQ(girlNow.mStartPatience, 90.0f);
  EXPECT_FLOAT_EQ(BossSpeed(), 280.0f);
  // Only the declared textures of the level's visitors, each once.
  EXPECT_EQ(mBoard->GetPreloadedIds(),
            (std::vector<std::string>{"tex\\client_stand_downgirltldirect_green", "tex\\client_stand_headboytlgo_happy02",
                                      "tex\\client_sitting_upgrannytlscandal"}));
  EXPECT_FALSE(LogHistory::Contains("no texture"));
  EXPECT_EQ(mGoals.mLoads, 1);
  EXPECT_EQ(mMiniGame.mReads, 1);

  // The next level's load clears this one: every overridden value is the true original again.
  Load(16, false);
  const WorkerParams& bakerAfter = *FindWorkerParams("baker");
  EXPECT_FALSE(bakerAfter.mOverridden);
  EXPECT_EQ(bakerAfter.mWorkTime, baker.mWorkTime);
  EXPECT_EQ(bakerAfter.mTidinessUp, baker.mTidinessUp);
  EXPECT_EQ(bakerAfter.mTidinessDown, baker.mTidinessDown);
  const ClientParams& girlAfter = *FindClientParams("girl");
  EXPECT_FALSE(girlAfter.mOverridden);
  EXPECT_EQ(girlAfter.mPatienceSpeed, girl.mPatienceSpeed);
  EXPECT_EQ(girlAfter.mMoneyGreen, girl.mMoneyGreen);
  EXPECT_EQ(BossSpeed(), speed);
  EXPECT_EQ(mBoard->GetLevelUpgradeKind(), UpgradeRecord::kVisual);
  EXPECT_EQ(mBoard->GetGoal(), 150);
  EXPECT_EQ(mBoard->GetCafe(), 2);
  EXPECT_EQ(mBoard->GetDay(), 1);
  // Level 16's visitors: a boy, a family of granny and girl, then a girl and a granny at the counter.
  EXPECT_EQ(mBoard->GetPreloadedIds(),
            (std::vector<std::string>{"tex\\client_stand_headboytlgo_happy02", "tex\\client_sitting_upgrannytlscandal",
                                      "tex\\client_stand_downgirltldirect_green",
                                      "tex\\client_stand_downgrannytlidle_green"}));

  Load(36, false);
  EXPECT_EQ(mBoard->GetLevelUpgradeKind(), UpgradeRecord::kNone);
  EXPECT_EQ(mBoard->GetExpertGoal(), 350);
  EXPECT_EQ(mBoard->GetCafe(), 3);
  EXPECT_EQ(mBoard->GetPreloadedIds(),
            (std::vector<std::string>{"tex\\client_stand_downgrannytlidle_green", "tex\\client_stand_headboytlgo_happy02",
                                      "tex\\client_sitting_upgrannytlscandal",
                                      "tex\\client_stand_downgirltldirect_green"}));
}

TEST_F(LevelRulesTest, SurvivalLevelListsItsStageUpgrades) {
  Load(1, true);
  EXPECT_EQ(mBoard->GetStageUpgrades(),
            (std::vector<std::pair<int32_t, int32_t>>{{2, UpgradeRecord::kFunctional}, {3, UpgradeRecord::kVisual}}));
  EXPECT_EQ(mBoard->GetLevelUpgradeKind(), UpgradeRecord::kNone);
  EXPECT_EQ(mBoard->GetLives(), 3);
  EXPECT_EQ(mBoard->GetCafe(), 1);
  EXPECT_EQ(mBoard->GetDay(), 1);
  // Survival reads no achievements and preloads nothing.
  EXPECT_EQ(mGoals.mLoads, 0);
  EXPECT_TRUE(mBoard->GetPreloadedIds().empty());
  EXPECT_EQ(mMiniGame.mReads, 1);
}

}  // namespace

namespace {

// A sample file of content/cfg.
XmlNode SampleRoot(const std::string& name) {
  std::ifstream in(SourceDir() + "/content/cfg/" + name, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  return LoadXmlFromMemory(bytes.data(), bytes.size(), name).documentElement();
}

// The heroine's walks in a sample café: the café's own graph merged with one point per pick item
// (at the item's pick point for her, named as the item), as a level load does.
class SampleCafeWalks {
 public:
  explicit SampleCafeWalks(const std::string& cafe) {
    const XmlNode root = SampleRoot(cafe);
    if (!root) return;
    std::string picks;
    for (const XmlNode& object : root.selectNodes(L"objects/object")) {
      XmlNode point;
      std::string owner, name, x, y, rgn;
      if (object.getAttribute(std::string("rgn"), rgn) && object.getAttribute(std::string("name"), name))
        mRegions[name].SetPolygon(PolygonRegion::ParsePoints(rgn));
      for (const XmlNode& child : object.selectNodes(L"point"))
        if (child.getAttribute(std::string("owner"), owner) && owner == "boss") point = child;
      if (!point || !object.getAttribute(std::string("name"), name) ||
          !point.getAttribute(std::string("offs_x"), x) || !point.getAttribute(std::string("offs_y"), y))
        continue;
      mPlaces.push_back(name);
      picks += "<point name=\"" + name + "\" x=\"" + x + "\" y=\"" + y + "\"/>";
    }
    const std::string level = "<level><graphs><graph name=\"boss\"><points>" + picks + "</points></graph></graphs></level>";
    const XmlNode levelRoot =
        LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(level.data()), level.size(), "level").documentElement();
    mGraph.LoadBaseGraphs(root);
    mGraph.AddPickPoints("boss");
    mGraph.LoadLevelGraphs(levelRoot);
  }
  // The length of her route between two places, or -1 when there is none.
  float Route(const std::string& from, const std::string& to) {
    if (!mGraph.SetStart(from) || !mGraph.FindPath(to, 100.0f)) return -1;
    float walked = 0;
    for (const RouteSegment& segment : mGraph.GetRoute()) walked += segment.mLength;
    return walked;
  }
  float Straight(const std::string& from, const std::string& to) {
    BoardPoint a{}, b{};
    if (!mGraph.GetPointPos(from, a) || !mGraph.GetPointPos(to, b)) return -1;
    return std::hypot(float(b.x - a.x), float(b.y - a.y));
  }
  const PathGraph& Graph() const { return mGraph; }
  std::vector<std::string> mPlaces;
  // The objects' regions (their "rgn" outlines), by name.
  std::map<std::string, PolygonRegion> mRegions;

 private:
  PathGraph mGraph{"boss"};
};

// The attribute of the first element at the path below the node (the node itself for ""), of
// the given name when `who` is set, or "".
std::string Attr(const XmlNode& node, const wchar_t* path, const char* name, const std::string& who = "") {
  std::string value, named;
  for (const XmlNode& at : *path ? node.selectNodes(path) : std::vector<XmlNode>{node})
    if (who.empty() || (at.getAttribute(std::string("name"), named) && named == who))
      return at.getAttribute(std::string(name), value) ? value : "";
  return "";
}

}  // namespace

// In every sample café the heroine walks from any place she serves to any other by a route at
// most half as long again as the straight line: the network leads round the furniture, never
// through the back of the room; and no edge of it crosses the region of an object other than the
// places it joins (a shortcut through a table).
TEST(SampleCafeWalksTest, RoutesKeepCloseToTheStraightLineAndClearOfTheFurniture) {
  for (const char* cafe : {"cafe1.xml", "cafe2.xml", "cafe3.xml"}) {
    SampleCafeWalks walks(cafe);
    ASSERT_GE(walks.mPlaces.size(), 10u) << cafe;
    float worst = 0;
    std::string worstPair;
    for (const std::string& from : walks.mPlaces) {
      for (const std::string& to : walks.mPlaces) {
        if (from == to) continue;
        const float walked = walks.Route(from, to), straight = walks.Straight(from, to);
        ASSERT_GE(walked, 0) << from << " to " << to << " in " << cafe;
        if (straight > 0 && walked / straight > worst) {
          worst = walked / straight;
          worstPair = from + " to " + to;
        }
      }
    }
    EXPECT_LE(worst, 1.5f) << cafe << ": " << worstPair;
    std::cout << cafe << ": the longest walk against the straight line is " << worst << " times, " << worstPair << "\n";

    ASSERT_GE(walks.mRegions.size(), 10u) << cafe;
    const PathGraph& graph = walks.Graph();
    for (const GraphEdge& edge : graph.GetWorkingSet().mEdges) {
      BoardPoint a{}, b{};
      ASSERT_TRUE(graph.GetPointPos(edge.mP1, a) && graph.GetPointPos(edge.mP2, b)) << edge.mP1 << "-" << edge.mP2;
      // The edge is walked pixel by pixel.
      const int steps = int(std::hypot(float(b.x - a.x), float(b.y - a.y)));
      for (const auto& [name, region] : walks.mRegions) {
        if (name == edge.mP1 || name == edge.mP2) continue;
        for (int i = 1; i < steps; ++i) {
          const int32_t x = a.x + int32_t(std::lround(float(b.x - a.x) * float(i) / float(steps)));
          const int32_t y = a.y + int32_t(std::lround(float(b.y - a.y) * float(i) / float(steps)));
          if (region.Contains(x, y)) {
            ADD_FAILURE() << cafe << ": the edge " << edge.mP1 << "-" << edge.mP2 << " crosses " << name << " at " << x
                          << "," << y;
            break;
          }
        }
      }
    }
  }
}

// A person keeps the rush of the first café. The first day's rush practice asks by a note for one
// step at a time, the next note coming with the click; the rush holds while each step (the
// heroine reaching what was clicked) follows the last within the day's rush timeout. So each leg,
// her walk from where the last step left her at her speed plus the time a person takes to click,
// must fit the timeout with a margin: in the practice a first-time player reads each note; on the
// other days (cfg.xml's timeout) the same legs, between the worker tables, the counter and the
// visitors' tables, come a click apart. The practice's clicks are the items the lessons free one
// after the other from the timer's restart on; she stands at the item freed before them.
TEST(SampleCafeWalksTest, TheRushPracticesLegsFitTheRushTimeoutAtAPersonsPace) {
  // A first-time player's time from a new note of the lessons to its click, and between two
  // clicks in play, as the end-to-end runs' slow bot takes them; the margin left for the pauses
  // at the items.
  constexpr float kNoteReading = 6.0f;
  constexpr float kClickInterval = 1.5f;
  constexpr float kMargin = 1.0f;
  const XmlNode cfg = SampleRoot("cfg.xml");
  const XmlNode day = SampleRoot("l001.xml");
  ASSERT_TRUE(cfg && day);
  const float playSpeed = std::stof(Attr(cfg, L"perses/pers", "move_speed", "boss"));
  const std::string daySpeed = Attr(day, L"", "override_boss_speed");
  const float playTimeout = std::stof(Attr(cfg, L"bonus_config", "rush_timeout"));
  const std::string dayTimeout = Attr(day, L"", "override_rush_timeout");
  const std::string cafe = Attr(day, L"", "doc");
  SampleCafeWalks walks(cafe.substr(cafe.find('\\') + 1));

  std::vector<std::string> freed, clicks;
  std::string at;
  for (const TutorialRule& rule : BuildLevel1TutorialTable().mRules) {
    if (rule.mCallback == TutorialRestartRushTimer && freed.size() >= 2) {
      at = freed[freed.size() - 2];
      clicks.push_back(freed.back());
    }
    if (!rule.mDisallow.empty())
      (clicks.empty() ? freed : clicks).push_back(rule.mDisallow.front());
    else if (!clicks.empty())
      break;
  }
  ASSERT_GE(clicks.size(), 3u);
  const struct {
    const char* where;
    float speed;
    float timeout;
    float pace;
  } paces[] = {{"the practice", daySpeed.empty() ? playSpeed : std::stof(daySpeed),
                dayTimeout.empty() ? playTimeout : std::stof(dayTimeout), kNoteReading},
               {"play", playSpeed, playTimeout, kClickInterval}};
  for (const std::string& next : clicks) {
    const float walked = walks.Route(at, next);
    ASSERT_GE(walked, 0) << at << " to " << next;
    for (const auto& pace : paces)
      EXPECT_LE(walked / pace.speed + pace.pace + kMargin, pace.timeout)
          << "in " << pace.where << ", the leg from " << at << " to " << next << " (" << std::lround(walked)
          << " px at " << pace.speed << " px/s, then " << pace.pace
          << " s to click) leaves no margin in the rush timeout of " << pace.timeout << " s";
    at = next;
  }
}
