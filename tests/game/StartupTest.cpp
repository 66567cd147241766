#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"

#include "cafe/ZCBoard_Game3.h"
#include "platform/window/MessageBox.h"
#include "screens/ZCBoard_Career.h"
#include "shell/ErrorReport.h"
#include "shell/PakFormat.h"
#include "shell/PakInterface.h"
#include "support/TestGame.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCDialog.h"

// Every screen joins the widget tree on the main thread, back to front in a fixed order; the
// splash shows first.
TEST(Startup, AttachesTheTenBoardsInOrder) {
  TestGame game("Startup Test");
  game.mHoldSplash = true;
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilStarted());
  const auto& children = game.GetRootDialog()->GetChildren();
  std::vector<Vesk::Widget*> boards;
  for (int s = 0; s < ZCEngine3::kScreenCount; ++s) {
    auto* screen = game.GetScreen(ZCEngine3::Screen(s));
    ASSERT_NE(screen, nullptr) << "screen " << s << " missing from the sample ui.xml";
    boards.push_back(screen);
  }
  auto first = std::find(children.begin(), children.end(), boards.front());
  ASSERT_NE(first, children.end());
  ASSERT_GE(children.end() - first, ZCEngine3::kScreenCount);
  EXPECT_TRUE(std::equal(boards.begin(), boards.end(), first)) << "the boards are not attached in order";
  EXPECT_TRUE(game.GetScreen(ZCEngine3::kSplash)->IsVisible());
  EXPECT_FALSE(game.GetScreen(ZCEngine3::kLoadScreen)->IsVisible());
}

namespace {
// Notes where and when the level's stop reached the head-up display.
struct StopProbe : CafeHud {
  void OnLevelStopped() override {
    ++mStops;
    mThread = std::this_thread::get_id();
    mItemsLeft = GetItemRegistry().Items().size();
  }
  int mStops = 0;
  std::thread::id mThread;
  size_t mItemsLeft = 0;
};
}  // namespace

// While a level loads the load screen is frontmost with the focus and the board hidden; once the
// level runs the board shows and the load screen is gone. Going back to the menus after a result
// loads the level again: the running level is stopped on the main thread, before the
// loader clears it.
TEST(Startup, LoadScreenCoversEveryLevelLoad) {
  TestGame game("Startup Test 2");
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilStarted());
  StopProbe probe;
  game.GetBoard()->SetHud(&probe);
  for (int load = 0; load < 2; ++load) {
    for (int step = 0; !game.IsBusyLoading(); ++step) {
      ASSERT_LT(step, 20000) << "load " << load << " never began";
      ASSERT_TRUE(game.LoopStep());
    }
    ZCCandyWidget* screen = game.GetScreen(ZCEngine3::kLoadScreen);
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->IsVisible());
    EXPECT_EQ(game.GetRootDialog()->GetChildren().back(), screen) << "load " << load;
    EXPECT_EQ(game.GetWidgetManager()->GetFocus(), screen);
    EXPECT_FALSE(game.GetBoard()->IsVisible());
    EXPECT_FALSE(game.GetScreen(ZCEngine3::kMenuBackground)->IsVisible());
    ASSERT_TRUE(game.RunUntilLevelRuns());
    EXPECT_FALSE(screen->IsVisible());
    EXPECT_TRUE(game.GetBoard()->IsVisible());
    if (load == 1) break;
    // The result is recorded; the debriefing's "menu" then takes the player back to the menus.
    game.SetCareerResult(0, 2, ZCEngine3::kFirstLevel);
    auto* career = dynamic_cast<ZCBoard_Career*>(game.GetScreen(ZCEngine3::kCareer));
    ASSERT_NE(career, nullptr);
    career->ReturnToMainMenu();
    game.ShowMainMenu();  // the driver's main menu plays the first level again
    EXPECT_EQ(probe.mStops, 1);
    EXPECT_EQ(probe.mThread, std::this_thread::get_id());
    EXPECT_GT(probe.mItemsLeft, 0u) << "the level was cleared before it was stopped";
  }
  game.GetBoard()->SetHud(nullptr);
}

// Destroyed while the start-up loader or a level load still runs: both end before anything is
// freed (the sanitizers see the rest).
TEST(Startup, DestroyedMidLoadIsClean) {
  for (int round = 0; round < 2; ++round) {
    auto game = std::make_unique<TestGame>("Startup Test 3");
    ASSERT_TRUE(game->Init());
    game->BeginStartup();
    if (round == 1) {
      ASSERT_TRUE(game->RunUntilStarted());
      ASSERT_TRUE(game->GetBoard()->IsLoadingLevel() || game->LoopStep());
    }
    game.reset();
  }
}

// A ui.xml without the café's head-up display: start-up ends at the hand-over with an error box
// (and a line in the error file), and the loop ends cleanly with a failure's exit code.
TEST(Startup, AUiWithoutTheHudEndsWithAnErrorBox) {
  std::vector<std::string> boxes;
  Platform::SetMessageBoxHandler([&](const std::string&, const std::string& text, Platform::MessageBoxButtons) {
    boxes.push_back(text);
    return Platform::MessageBoxAnswer::Ok;
  });
  {
    TestGame game("Startup Test");
    ASSERT_TRUE(game.Init());
    const std::string ui = "<root><textures/><dialogs/></root>";
    ASSERT_TRUE(GetPakInterface()->AddPakMemory(
        PakFormat::Build({{"cfg/ui.xml", std::vector<uint8_t>(ui.begin(), ui.end())}}), "no-hud.pak"));
    game.BeginStartup();
    EXPECT_TRUE(game.RunToEnd(60000));
    EXPECT_EQ(game.GetBoard()->IsRunning(), false);
    // A start that failed says so in the process's exit code.
    EXPECT_EQ(game.ExitCode(), 1);
  }
  Platform::SetMessageBoxHandler({});
  GetPakInterface()->Reset();
  AddStandardPaks(GetPakInterface(), ".");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], GetErrorText("MISSING_HUD"));
}
