#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "board/BoardWorld.h"
#include "board/PathGraph.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "board/support/BoardTestSupport.h"
#include "driver/WaitUntil.h"
#include "effects/EffectServices.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"

namespace {

// Counts the load screen's calls.
class CountingLoadScreen : public LoadScreen {
 public:
  void ShowLoadScreen() override { ++mShown; }
  void HideLoadScreen() override { ++mHidden; }
  int mShown = 0;
  int mHidden = 0;
};

// A plain board that counts level starts and clears.
class CountingBoard : public ZCBoard_Plain {
 public:
  void OnLevelStarted() override {
    ++mStarts;
    ZCBoard_Plain::OnLevelStarted();
  }
  void OnLevelCleared() override { ++mClears; }
  int mStarts = 0;
  int mClears = 0;
};

class LoadingTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    // Level files are read as "cfg\\l%03d.xml" from the current folder.
    ASSERT_TRUE(EnterBoardDataFolder());
    SetLoadScreen(&mScreen);
    mBoard = std::make_unique<CountingBoard>();
    mBoard->LoadConfig();
  }
  void TearDown() override {
    mBoard.reset();
    BoardWorldTest::TearDown();
  }
  // Loads on the worker thread and hands over as the main loop does.
  void Load(int level) {
    mBoard->StartLoadingThread(level, false);
    HandOver(level);
  }
  // Polls the load as the main loop does until it is handed over (the board is the loader's
  // until then).
  void HandOver(int level) {
    ASSERT_TRUE(WaitUntil([&] { return mBoard->PollLevelLoad(); }))
        << "level " << level << " was not handed over within a minute";
    ASSERT_FALSE(mBoard->IsLoadingLevel());
  }

  CountingLoadScreen mScreen;
  std::unique_ptr<CountingBoard> mBoard;
};

TEST_F(LoadingTest, RoomLoadsItemsStatesGraphsAndStartsOnce) {
  Load(901);
  EXPECT_EQ(mScreen.mShown, 1);
  EXPECT_EQ(mScreen.mHidden, 1);
  EXPECT_EQ(mBoard->mStarts, 1);
  EXPECT_TRUE(mBoard->IsRunning());
  EXPECT_TRUE(mBoard->IsVisible());
  EXPECT_EQ(mBoard->GetStartComix(), "intro");
  EXPECT_EQ(GetItemRegistry().Size(), 6u);
  ASSERT_NE(ZCItem::FindByName("unused"), nullptr);
  EXPECT_FALSE(ZCItem::FindByName("unused")->IsRunning());  // no state in the level
  EXPECT_EQ(GetBoardWorld().mPickItems.size(), 3u);

  ZCMoveItem* boss = ZCMoveItem::FindMoveItem("boss");
  ASSERT_NE(boss, nullptr);
  EXPECT_EQ(GetBoardWorld().mBoss, boss);
  EXPECT_EQ(boss->GetPosition().x, 250);  // placed on its start point of the base graph
  EXPECT_EQ(boss->GetPosition().y, 400);
  ASSERT_NE(boss->GetPerson(), nullptr);
  EXPECT_FLOAT_EQ(boss->GetMoveSpeed(), 100);  // the first "boss" block
  EXPECT_EQ(boss->GetPerson()->mOrientations.size(), 1u);

  PathGraph* graph = mBoard->GetPathGraph("boss");
  BoardPoint pos;
  ASSERT_TRUE(graph->GetPointPos("extra", pos));
  ASSERT_TRUE(graph->GetPointPos("table2", pos));
  EXPECT_EQ(pos.x, 350);  // the first record of the owner
  EXPECT_FALSE(graph->GetPointPos("elsewhere", pos));
  EXPECT_FALSE(graph->GetPointPos("old", pos));

  auto* table1 = ZCPickItem::FindPickItem("table1");
  ASSERT_EQ(table1->GetPairs().size(), 1u);
  EXPECT_EQ(table1->GetCovers().size(), 1u);
}

TEST_F(LoadingTest, ClearingTwiceWorksOnceAndEmptiesTheMaps) {
  Load(901);
  mBoard->QueueClick(ZCPickItem::FindPickItem("table2"));
  mBoard->UpdateHover(150, 130);
  EXPECT_NE(mBoard->GetHoveredItem(), nullptr);
  mBoard->ClearLevelData();
  mBoard->ClearLevelData();
  EXPECT_EQ(mBoard->mClears, 1);
  EXPECT_EQ(mBoard->GetLevelNumber(), 0);
  EXPECT_EQ(GetItemRegistry().Size(), 0u);
  EXPECT_TRUE(GetBoardWorld().mPickItems.empty());
  EXPECT_TRUE(GetBoardWorld().mMoveItems.empty());
  EXPECT_TRUE(mBoard->GetClickQueue().empty());
  EXPECT_EQ(mBoard->GetHoveredItem(), nullptr);
  EXPECT_TRUE(mBoard->GetPathGraph("boss")->GetWorkingSet().mPoints.empty());
  // A second level loads cleanly over the first.
  Load(901);
  Load(901);
  EXPECT_EQ(mBoard->mStarts, 3);
  EXPECT_EQ(GetItemRegistry().Size(), 6u);
}

TEST_F(LoadingTest, BrokenLevelsLoadNothingAndStartNothing) {
  for (int level : {902, 903, 904, 905, 907, 0}) {
    LogHistory::Clear();
    Load(level);
    EXPECT_EQ(GetItemRegistry().Size(), 0u) << level;
    EXPECT_FALSE(mBoard->IsRunning()) << level;
    EXPECT_TRUE(LogHistory::Contains("ERROR: ")) << level;
  }
  EXPECT_EQ(mBoard->mStarts, 0);
  EXPECT_EQ(mScreen.mHidden, 6);
}

TEST_F(LoadingTest, ALoadAskedForDuringALoadIsIgnored) {
  mBoard->StartLoadingThread(901, false);
  mBoard->StartLoadingThread(906, false);
  EXPECT_TRUE(LogHistory::Contains("WARNING: ZCBoard_Game::StartLoadingThread"));
  HandOver(901);
  EXPECT_EQ(mBoard->GetLevelNumber(), 901);
  EXPECT_EQ(mBoard->mStarts, 1);
  // Starting a load stops the running level first.
  mBoard->StartLoadingThread(906, false);
  EXPECT_FALSE(mBoard->IsRunning());
  HandOver(906);
  EXPECT_EQ(mBoard->GetLevelNumber(), 906);
}

TEST_F(LoadingTest, BrokenGraphsAndCoverRingsDoNotHang) {
  Load(906);
  ZCMoveItem* boss = ZCMoveItem::FindMoveItem("boss");
  ASSERT_NE(boss, nullptr);
  // The level's edge to "nowhere" breaks every search.
  EXPECT_FALSE(boss->WalkTo("c", 100));
  EXPECT_TRUE(LogHistory::Contains("ToPointStr='nowhere'"));
  // Two items covering each other: each asked loses to the other, and the test ends.
  EXPECT_FALSE(ZCPickItem::FindPickItem("ring1")->HitTest({10, 10}));
  EXPECT_FALSE(ZCPickItem::FindPickItem("ring2")->HitTest({10, 10}));
  // One vertex: no region.
  EXPECT_FALSE(ZCPickItem::FindPickItem("far")->HitTest({0, 0}));
}

// Sheets loaded by name and shared while anyone holds them, as the engine shares them; counts
// the loads from the file. Called from the loading thread.
class CountingLoader {
 public:
  std::shared_ptr<Vesk::MemoryImage> Load(const std::string& file) {
    std::lock_guard<std::mutex> lock(mLock);
    if (auto held = mHeld[file].lock()) return held;
    std::shared_ptr<Vesk::MemoryImage> image(ImageLib::GetImage(file));
    if (image) ++mLoads[file];
    mHeld[file] = image;
    return image;
  }
  std::map<std::string, int> Loads() {
    std::lock_guard<std::mutex> lock(mLock);
    return mLoads;
  }

 private:
  std::mutex mLock;
  std::map<std::string, std::weak_ptr<Vesk::MemoryImage>> mHeld;
  std::map<std::string, int> mLoads;
};

// The sample levels 90 and 91 (the test room in other skins) from the sample data.
class SampleLevelTest : public LoadingTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    const char* dir = std::getenv("CAFE_BINARY_DIR");
    ASSERT_NE(dir, nullptr);
    ASSERT_EQ(chdir((std::string(dir) + "/bin").c_str()), 0);
    ASSERT_TRUE(OpenSampleData());
    GetEffectServices().mLoadImage = [this](const std::string& file) { return mLoader.Load(file); };
    mBoard = std::make_unique<CountingBoard>();
    mBoard->LoadConfig();
  }
  void TearDown() override {
    LoadingTest::TearDown();
    GetEffectServices().mLoadImage = nullptr;
  }
  CountingLoader mLoader;
};

TEST_F(SampleLevelTest, SheetsBothLevelsUseAreLoadedOnce) {
  Load(90);
  const std::map<std::string, int> first = mLoader.Loads();
  ASSERT_FALSE(first.empty());
  Load(91);
  EXPECT_EQ(mBoard->mStarts, 2);
  EXPECT_EQ(mBoard->GetLevelNumber(), 91);
  const std::map<std::string, int> both = mLoader.Loads();
  // Level 91 swaps the tables' skins: both table sheets are used by both levels.
  int tableSheets = 0;
  for (const auto& [file, loads] : both) {
    EXPECT_EQ(loads, 1) << file;
    if (file.find("table") != std::string::npos) ++tableSheets;
  }
  EXPECT_GE(tableSheets, 2);
  EXPECT_EQ(both.size(), first.size());
  // The images of level 90 were let go once level 91 had its own.
  EXPECT_EQ(mBoard->GetLevelImageCount(), 0u);
}

}  // namespace
