#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "cafe/ProfileStore.h"
#include "support/TestGame.h"

namespace fs = std::filesystem;
using Type = Platform::InputEvent::Type;

// The close button through the whole start: nothing asked while the splash shows, a close during
// the level load asked only once the level runs, "no" plays on, a second close while the box
// waits asks nothing, "yes" saves the profile and ends the loop.
TEST(Quit, AsksOnlyWhenItMayAndYesSavesAndEnds) {
  TestGame game("Quit Test");
  int32_t answer = 0;
  bool closeAgainInside = false;
  game.mAnswerBox = [&](const std::string& id) {
    EXPECT_EQ(id, "quit");
    EXPECT_TRUE(game.mMessageBoxOpen);
    // The window's close again while the box waits, handled by the box's own loop steps.
    if (closeAgainInside) game.Input(Type::Close);
    return answer;
  };
  game.mHoldSplash = true;
  ASSERT_TRUE(game.Init());
  const std::string pref = GetProfileStore().GetPath();
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilStarted());
  ASSERT_NE(game.GetScreen(ZCEngine3::kSplash), nullptr);
  ASSERT_TRUE(game.GetScreen(ZCEngine3::kSplash)->IsVisible());

  game.Input(Type::Close);
  game.RunFor(50);
  EXPECT_TRUE(game.mBoxesAsked.empty()) << "asked while the splash shows";
  EXPECT_FALSE(game.IsShutdownRequested());

  // The splash gives way; the driver's main menu starts the level; a close during its load waits.
  game.mHoldSplash = false;
  ASSERT_TRUE(game.StepUntil([&] { return game.IsBusyLoading(); }, "the level load after the splash"));
  game.Input(Type::Close);
  ASSERT_TRUE(game.LoopStep());
  if (game.IsBusyLoading()) {
    EXPECT_TRUE(game.mBoxesAsked.empty()) << "asked during the level load";
  }
  ASSERT_TRUE(game.RunUntilLevelRuns());
  game.RunFor(400);
  EXPECT_EQ(game.mBoxesAsked.size(), 1u);
  EXPECT_FALSE(game.IsShutdownRequested()) << "a no plays on";
  EXPECT_FALSE(game.mMessageBoxOpen);

  fs::remove(pref);
  answer = 1;
  closeAgainInside = true;
  game.Input(Type::Close);
  EXPECT_TRUE(game.StepToEnd());
  EXPECT_EQ(game.mBoxesAsked.size(), 2u) << "the close inside the box asked again";
  EXPECT_TRUE(game.IsShutdownRequested());
  EXPECT_TRUE(fs::exists(pref)) << "the yes did not save the profile";
}

// A menu's quit asks as the close does; the unconditional end (a display failure, say) asks
// nothing.
TEST(Quit, ShutdownFromCodeNeverAsks) {
  TestGame game("Quit Test 2");
  game.mAnswerBox = [](const std::string&) { return 0; };
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilLevelRuns());
  game.AskToQuit();
  EXPECT_EQ(game.mBoxesAsked.size(), 1u);
  EXPECT_FALSE(game.IsShutdownRequested());
  game.Shutdown();
  EXPECT_FALSE(game.LoopStep());
  EXPECT_EQ(game.mBoxesAsked.size(), 1u);
}

// Waits that run out fail the test with what was awaited instead of waiting for ever: a
// condition that never comes, and a box nobody answers (which also ends the loop).
TEST(Quit, WaitsThatRunOutFailInsteadOfWaitingForEver) {
  TestGame game("Quit Test 3");
  game.mAnswerBox = nullptr;
  game.mBoxPatience = 100;
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilLevelRuns());
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(game.StepUntil([] { return false; }, "nothing", 10)),
                          "waited 10 loop steps for nothing");
  EXPECT_NONFATAL_FAILURE(game.AskToQuit(), "a box waited 101 loop steps for an answer (the last asked: \"quit\")");
  EXPECT_TRUE(game.IsShutdownRequested());
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(game.StepUntil([] { return false; }, "a step after the end")),
                          "the loop ended while waiting for a step after the end");
}
