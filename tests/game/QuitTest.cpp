#include <gtest/gtest.h>

#include <filesystem>

#include "cafe/ProfileStore.h"
#include "support/TestGame.h"

namespace fs = std::filesystem;
using Platform::MessageBoxAnswer;
using Platform::MessageBoxButtons;
using Type = Platform::InputEvent::Type;

// The close button through the whole start: nothing asked while the splash shows, a close during
// the level load asked only once the level runs, "no" plays on, a second close while the box
// waits asks nothing, "yes" saves the profile and ends the loop.
TEST(Quit, AsksOnlyWhenItMayAndYesSavesAndEnds) {
  TestGame game("Quit Test");
  int asked = 0;
  MessageBoxAnswer answer = MessageBoxAnswer::No;
  bool closeAgainInside = false;
  ScopedBoxHandler handler([&](const std::string&, const std::string& text, MessageBoxButtons buttons) {
    ++asked;
    EXPECT_EQ(buttons, MessageBoxButtons::YesNo);
    EXPECT_NE(text.find("Leave the caf"), std::string::npos) << text;
    EXPECT_TRUE(game.mMessageBoxOpen);
    if (closeAgainInside) {
      // The window's close again while the box waits, handled by the box's own loop steps.
      game.Input(Type::Close);
      game.RunFor(30);
    }
    return answer;
  });
  game.mHoldSplash = true;
  ASSERT_TRUE(game.Init());
  const std::string pref = GetProfileStore().GetPath();
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilStarted());
  ASSERT_NE(game.GetScreen(ZCEngine3::kSplash), nullptr);
  ASSERT_TRUE(game.GetScreen(ZCEngine3::kSplash)->IsVisible());

  game.Input(Type::Close);
  game.RunFor(50);
  EXPECT_EQ(asked, 0) << "asked while the splash shows";
  EXPECT_FALSE(game.IsShutdownRequested());

  // The splash gives way; the main menu starts the level; a close during its load waits for it.
  game.mHoldSplash = false;
  while (!game.IsBusyLoading()) ASSERT_TRUE(game.LoopStep());
  game.Input(Type::Close);
  ASSERT_TRUE(game.LoopStep());
  if (game.IsBusyLoading()) {
    EXPECT_EQ(asked, 0) << "asked during the level load";
  }
  ASSERT_TRUE(game.RunUntilLevelRuns());
  game.RunFor(30);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(game.IsShutdownRequested()) << "a no plays on";
  EXPECT_FALSE(game.mMessageBoxOpen);

  fs::remove(pref);
  answer = MessageBoxAnswer::Yes;
  closeAgainInside = true;
  game.Input(Type::Close);
  EXPECT_FALSE(game.LoopStep());
  EXPECT_EQ(asked, 2) << "the close inside the box asked again";
  EXPECT_TRUE(game.IsShutdownRequested());
  EXPECT_TRUE(fs::exists(pref)) << "the yes did not save the profile";
}

// A menu's quit button asks as the close does; the unconditional end (a display failure, say)
// asks nothing.
TEST(Quit, ShutdownFromCodeNeverAsks) {
  TestGame game("Quit Test 2");
  int asked = 0;
  ScopedBoxHandler handler([&](const std::string&, const std::string&, MessageBoxButtons) {
    ++asked;
    return MessageBoxAnswer::No;
  });
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilLevelRuns());
  game.AskToQuit();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(game.IsShutdownRequested());
  game.Shutdown();
  EXPECT_FALSE(game.LoopStep());
  EXPECT_EQ(asked, 1);
}
