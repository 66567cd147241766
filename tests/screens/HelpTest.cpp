#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Help.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/XmlNode.h"
#include "support/BoardDialogs.h"
#include "support/LayoutCheck.h"
#include "support/ScreenDriver.h"

namespace {

class HelpTest : public ScreenDriver {
 protected:
  ZCBoard_Help* Help() { return ScreenTable::GetHelp(); }
  // "<previous><next>", each 1 when enabled, and the page shown.
  static std::string Arrows(ZCBoard_Help* help) {
    return std::string(help->mPrevious->IsDisabled() ? "0" : "1") + (help->mNext->IsDisabled() ? "0" : "1");
  }
  // The page in front (the others stay behind it as the turns left them), -1 for none.
  int32_t FrontPage() {
    const auto& pages = Help()->GetPages();
    int32_t front = -1;
    for (Vesk::Widget* child : Help()->GetChildren())
      for (size_t i = 0; i < pages.size(); ++i)
        if (child == pages[i] && pages[i]->IsVisible()) front = int32_t(i);
    return front;
  }
};

}  // namespace

// Leafing through: an arrow is disabled where there is no page to turn to, and both are for an
// index outside the pages (the count itself included); close turns back to the main page.
TEST_F(HelpTest, ArrowsFollowThePagesAndCloseReturnsToTheMenu) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  Click("main_menu/main_menu_dlg/right_page/help");
  Settle();
  ZCBoard_Help* help = Help();
  ASSERT_NE(help, nullptr);
  ASSERT_EQ(help->GetPages().size(), 3u);
  ASSERT_TRUE(help->IsVisible());
  EXPECT_FALSE(ScreenTable::GetMainMenu()->IsVisible());

  // Next turns the page forward (it unfolds from the book's right edge), previous backward
  // (it opens from the left edge).
  struct Step {
    const char* click;
    int32_t page;
    const char* arrows;
  };
  const Step steps[] = {
      {nullptr, 0, "01"},        {"help/next_btn", 1, "11"}, {"help/next_btn", 2, "10"},
      {"help/prev_btn", 1, "11"}, {"help/prev_btn", 0, "01"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.page);
    if (step.click) {
      Click(step.click);
      ASSERT_TRUE(StepUntil([] { return IsPageTurning(); })) << "no page turn";
      const ZCCandyWidget* left = help->GetPages()[size_t(step.page)]->FindChild("left_page");
      ASSERT_NE(left, nullptr);
      if (std::string(step.click) == "help/prev_btn")
        EXPECT_EQ(left->mX, 0) << "previous turned forward";
      else
        EXPECT_GT(left->mX, 475) << "next turned backward";
    }
    Settle();
    EXPECT_EQ(help->GetCurrentPage(), step.page);
    EXPECT_EQ(Arrows(help), step.arrows);
    EXPECT_EQ(FrontPage(), step.page);
    EXPECT_TRUE(help->mPrevious->IsVisible() && help->mNext->IsVisible()) << "arrows hidden after the turn";
  }
  for (int32_t outside : {3, -1, 7}) {
    Do([help, outside] { help->ShowPage(outside); });
    Settle();
    EXPECT_EQ(Arrows(help), "00") << outside;
  }

  Click("help/close");
  Settle();
  EXPECT_FALSE(help->IsVisible());
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
  EXPECT_TRUE(ScreenTable::GetMainMenu()->mMainPage->IsVisible());

  // A book of one page has no page to turn to either way.
  const std::string layout =
      "<root><dialogs><widget type=\"zcdialog\" name=\"help\" x=\"0\" y=\"0\" w=\"950\" h=\"727\">"
      "<widget type=\"zcdialog\" name=\"page_01\" x=\"0\" y=\"0\" w=\"950\" h=\"727\"/>"
      "<widget type=\"button\" name=\"prev_btn\" x=\"0\" y=\"0\" w=\"10\" h=\"10\"/>"
      "<widget type=\"button\" name=\"next_btn\" x=\"20\" y=\"0\" w=\"10\" h=\"10\"/>"
      "</widget></dialogs></root>";
  const XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(layout.data()), layout.size(), "one.xml");
  auto single = std::make_unique<ZCBoard_Help>(mGame.get(), doc);
  ASSERT_EQ(single->GetPages().size(), 1u);
  Do([&] { single->ShowPage(0); });
  Settle();
  EXPECT_EQ(Arrows(single.get()), "00");
}

// Opened from the escape menu during a level: the help stands where it stands from the main menu,
// wholly on the screen, and every page can be read; close turns back to the escape menu's page,
// every book screen is hidden after, and Escape then closes the escape menu.
TEST_F(HelpTest, CloseDuringALevelReturnsToTheEscapeMenu) {
  Start(WithPlayers({L"Ann"}));
  PlayLevel(3);
  auto* escape = BoardDialogOf<ZCBoard_EscapeMenu>(mGame.get(), ZCBoard_Game3::kEscapeMenu);
  Key(27);
  Click("game_board/escape_menu/escape_dlg/right_page/help");
  Settle();
  Step(50);
  ASSERT_TRUE(Help()->IsVisible());
  EXPECT_EQ(ScreenRect(Help()).mX, 37);
  for (int page = 0; page < 3; ++page) {
    EXPECT_EQ(Help()->GetCurrentPage(), page);
    for (const std::string& fault : LayoutFaults(mGame.get())) ADD_FAILURE() << "page " << page << ": " << fault;
    Shot("help_in_level_" + std::to_string(page + 1));
    Click("help/next_btn");
    Settle();
  }

  Click("help/close");
  Settle();
  Step(50);
  for (ScreenTable::Id id : {ScreenTable::kMainMenu, ScreenTable::kHelp, ScreenTable::kCareer, ScreenTable::kSurvival,
                             ScreenTable::kHiScores, ScreenTable::kMenuBackground})
    EXPECT_FALSE(ScreenTable::Get(id)->IsVisible()) << id;
  EXPECT_TRUE(escape->IsVisible());
  EXPECT_TRUE(escape->GetPage()->IsVisibleInTree());
  EXPECT_EQ(escape->GetOffsetX(), 0);
  EXPECT_EQ(Help()->GetOffsetX(), 0);
  EXPECT_TRUE(mGame->GetBoard()->IsRunning());
  EXPECT_EQ(PauseCount(), 1);
  Shot("help_closed_in_level");

  Key(27);
  Settle();
  EXPECT_FALSE(escape->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
}
