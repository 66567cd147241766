#include <gtest/gtest.h>

#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "sound/SoundManager.h"
#include "widgets/WidgetManager.h"
#include "support/BoardDialogs.h"
#include "support/ScreenDriver.h"

// The escape menu over a running level: Escape opens and closes it; restart and quit ask first;
// help slides it aside; Escape over the briefing closes only the briefing.
class EscapeMenuTest : public ScreenDriver {
 protected:
  ZCBoard_EscapeMenu* Menu() { return BoardDialogOf<ZCBoard_EscapeMenu>(mGame.get(), ZCBoard_Game3::kEscapeMenu); }
  static constexpr const char* kPage = "game_board/escape_menu/escape_dlg/right_page/";
  // A button of the menu's page. The path is appended to, not added up: g++ 12 at -O2 takes
  // std::string(literal) + literal for a write past the string (-Warray-bounds).
  void ClickOnPage(const char* button) {
    std::string path = kPage;
    path += button;
    Click(path);
  }
};

TEST_F(EscapeMenuTest, OpenCloseRestartAndQuit) {
  Start(WithPlayers({L"Alice"}));
  PlayLevel(3);
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_EQ(PauseCount(), 0);
  Key(27);
  Settle();
  EXPECT_TRUE(Menu()->IsVisible());
  EXPECT_EQ(PauseCount(), 1);
  Shot("escape_menu");
  Key(27);
  Settle();
  EXPECT_FALSE(Menu()->IsVisible());
  EXPECT_EQ(PauseCount(), 0);

  // Restart, answered no: the menu stays and the level stays paused.
  mGame->mAnswerBox = [](const std::string&) { return 0; };
  Key(27);
  ClickOnPage("restart");
  Settle();
  EXPECT_EQ(mGame->mBoxesAsked.back(), "restlvl");
  EXPECT_TRUE(Menu()->IsVisible());
  EXPECT_EQ(PauseCount(), 1);

  // Help turns in over the menu, which stays where it stands.
  ClickOnPage("help");
  Settle();
  Step(50);
  EXPECT_EQ(Menu()->GetOffsetX(), 0);
  EXPECT_TRUE(ScreenTable::Get(ScreenTable::kHelp)->IsVisible());
  EXPECT_TRUE(Menu()->IsVisible());
  Do([] { ScreenTable::Get(ScreenTable::kHelp)->SetVisible(false); });

  // Yes: the level starts again, left with the abandoned flag.
  mGame->mAnswerBox = [](const std::string&) { return 1; };
  bool abandoned = false;
  ClickOnPage("restart");
  ASSERT_TRUE(StepUntil([&] {
    abandoned = abandoned || (board->IsLoadingLevel() && board->IsAbandoned());
    return board->IsLoadingLevel();
  }));
  EXPECT_TRUE(abandoned);
  ASSERT_TRUE(StepUntil([&] { return !board->IsLoadingLevel() && board->IsRunning(); }, 20000));
  ASSERT_TRUE(StepUntil([&] { return !board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }));
  Settle();
  EXPECT_FALSE(Menu()->IsVisible());
  EXPECT_EQ(PauseCount(), 0);

  // Quit, yes: the level is aborted, "game" silenced, the main menu's main page shown.
  Key(27);
  ClickOnPage("quit");
  Settle();
  EXPECT_EQ(mGame->mBoxesAsked.back(), "exitmenu");
  EXPECT_FALSE(board->IsRunning());
  EXPECT_FALSE(board->IsVisible());
  EXPECT_TRUE(board->IsAbandoned());
  EXPECT_EQ(GetEngine()->GetSoundManager()->GetActiveCount("game"), 0);
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
  EXPECT_TRUE(Find("main_menu/main_menu_dlg")->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
}

TEST_F(EscapeMenuTest, EscapeOverTheBriefingClosesOnlyIt) {
  Start(WithPlayers({L"Alice"}));
  mGame->mPressBriefingStart = false;
  PlayLevel(3);
  auto* briefing = BoardDialogOf<ZCBoard_Briefing>(mGame.get(), ZCBoard_Game3::kBriefing);
  ASSERT_TRUE(briefing->IsVisible());
  EXPECT_EQ(PauseCount(), 1);
  Key(27);
  Settle();
  EXPECT_FALSE(briefing->IsVisible());
  EXPECT_FALSE(Menu()->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
}
