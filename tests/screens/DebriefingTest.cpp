#include <gtest/gtest.h>

#include "cafe/AchievementParams.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCComix.h"
#include "shell/LocTable.h"
#include "shell/Log.h"
#include "shell/TextVars.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
#include "support/BoardDialogs.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

// The debriefings: the awards revealed one by one, a layout without an icon, the menu button by
// the level's finish scene, the descriptions under the mouse, and the ways on with the career.
class DebriefingTest : public ScreenDriver {
 protected:
  ZCBoard_Debriefing* Debriefing(bool fail = false) {
    return BoardDialogOf<ZCBoard_Debriefing>(mGame.get(), fail ? ZCBoard_Game3::kFailDebriefing : ZCBoard_Game3::kDebriefing);
  }
  std::wstring Label(ZCBoard_Debriefing* dialog, const char* name) {
    return dialog->FindDescendant(name)->AsText()->GetText();
  }
  void MouseTo(ZCCandyWidget* widget) {
    int32_t x = 0, y = 0;
    if (widget) widget->GetAbsolutePos(x, y);
    mGame->Input(Platform::InputEvent::Type::MouseMove, x + 20, y + 20);
    Step(2);
  }
  void WaitLoaded() {
    Settle();
    StepUntil([&] { return !mGame->GetBoard()->IsLoadingLevel(); }, 20000);
    Settle();
  }
};

TEST_F(DebriefingTest, AwardsOneBySecond) {
  Start(WithPlayers({L"Alice"}));
  Do([&] { mGame->GetBoard()->SetVisible(true); });
  Settle();
  // Achievements 0, 2 and 3 (no breakdown missing): three awards.
  uint64_t shown = 0;
  Do([&] {
    GetAchievementParams().Reset();
    GetAchievementParams().mNoBreakdown = false;
    Debriefing()->Show();
    shown = mGame->GetUpdateCount();
  });
  std::vector<uint64_t> steps;
  SoundManager* sounds = GetEngine()->GetSoundManager();
  for (int i = 0; i < 600 && steps.size() < 3; ++i) {
    const int32_t revealed = Debriefing()->GetRevealedCount();
    // The interface's sounds silenced before each step: one sounding after it started in it.
    sounds->StopGroup("ui");
    Step(1);
    if (Debriefing()->GetRevealedCount() == revealed) continue;
    steps.push_back(mGame->GetUpdateCount() - shown);
    EXPECT_EQ(sounds->GetActiveCount("ui"), 1) << "no \"debriefing_awards\" with award " << steps.size();
  }
  ASSERT_EQ(steps.size(), 3u);
  const uint64_t expected[] = {200, 300, 400};
  for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(double(steps[i]), double(expected[i]), 1.0) << i;
  Settle();
  for (int32_t a : {0, 2, 3}) EXPECT_TRUE(Debriefing()->GetIcon(a, ZCBoard_Debriefing::kActive)->IsVisible()) << a;
  for (int32_t a : {1, 4}) EXPECT_FALSE(Debriefing()->GetIcon(a, ZCBoard_Debriefing::kActive)->IsVisible()) << a;
  Shot("debriefing_awards");
  Do([&] { Debriefing()->Hide(); });
  Settle();
  EXPECT_EQ(PauseCount(), 0);

  // A layout without one inactive icon: logged, and nothing is revealed.
  const std::string layout =
      "<root><dialogs><widget type=\"zcdialog\" name=\"fixture_debriefing\" x=\"0\" y=\"0\" w=\"600\" h=\"400\">"
      "<widget type=\"picture\" name=\"achiev_flash_active\" x=\"0\" y=\"0\" w=\"50\" h=\"50\"/>"
      "<widget type=\"picture\" name=\"achiev_flash_inactive\" x=\"0\" y=\"0\" w=\"50\" h=\"50\"/>"
      "<widget type=\"picture\" name=\"achiev_clean_active\" x=\"60\" y=\"0\" w=\"50\" h=\"50\"/>"
      "</widget></dialogs></root>";
  LogHistory::Clear();
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(layout.data()), layout.size(), "fixture");
  ZCBoard_Debriefing fixture(mGame.get(), doc, "fixture_debriefing", false);
  EXPECT_TRUE(LogHistory::Contains("WARNING: Can not find element 'achiev_clean_inactive' in debriefing dialog"));
  EXPECT_FALSE(fixture.AreAwardsBound());
  fixture.SetVisible(true);
  fixture.OnShowStart();
  for (int i = 0; i < 300; ++i) fixture.Update();
  EXPECT_EQ(fixture.GetRevealedCount(), 0);
  fixture.OnHideStart();
  EXPECT_EQ(PauseCount(), 0);
}

TEST_F(DebriefingTest, MenuButtonAndDescriptions) {
  Start(WithPlayers({L"Alice"}));
  ZCBoard_Game3* board = mGame->GetBoard();
  Do([&] { board->SetVisible(true); });
  Settle();
  // A level with a finish scene: its normal debriefing cannot go to the menu (the scene comes
  // first); the fail debriefing can.
  Do([&] {
    BoardAccess::SetLevel(board, 5, false);
    BoardAccess::SetFinishComix(board, "sample_finish");
    Debriefing(false)->Show();
  });
  Settle();
  EXPECT_TRUE(Debriefing(false)->FindChild("menu")->IsDisabled());
  Do([&] { Debriefing(false)->Hide(); });
  Do([&] { Debriefing(true)->Show(); });
  Settle();
  EXPECT_FALSE(Debriefing(true)->FindChild("menu")->IsDisabled());
  Do([&] { Debriefing(true)->Hide(); });
  Do([&] { BoardAccess::SetFinishComix(board, ""); });
  Settle();
  EXPECT_EQ(PauseCount(), 0);

  // Descriptions: the hovered dialog's own labels only; leaving clears them.
  const std::wstring failTitle = Label(Debriefing(true), "label_achiev");
  Do([&] { Debriefing(false)->Show(); });
  Settle();
  MouseTo(Debriefing(false)->GetIcon(1, ZCBoard_Debriefing::kInactive));
  EXPECT_EQ(Label(Debriefing(false), "label_achiev"), GetEngine()->GetLocTable()->GetText("mn00_achiev_clean"));
  EXPECT_EQ(Label(Debriefing(false), "label_achiev_about"),
            GetEngine()->GetLocTable()->GetText("mn00_achiev_clean_inactive"));
  EXPECT_EQ(Label(Debriefing(true), "label_achiev"), failTitle);
  MouseTo(Debriefing(false)->FindChild("title"));
  EXPECT_EQ(Label(Debriefing(false), "label_achiev"), L"");
  EXPECT_EQ(Label(Debriefing(false), "label_achiev_about"), L"");
  Do([&] { Debriefing(false)->Hide(); });
  Settle();

  // The day's own debriefing text, not its briefing's (the sample's two texts read alike: a day
  // without texts shows the id asked for); the fail debriefing tells why the day was lost.
  auto loc = [](const char* id) { return GetEngine()->GetLocTable()->GetText(id); };
  Do([&] {
    BoardAccess::SetLevel(board, 98, false);
    Debriefing(false)->Show();
  });
  Settle();
  EXPECT_EQ(GetTextVars()->GetTextVar("level_briefing"), L"$breif_l98");
  Do([&] {
    Debriefing(false)->Hide();
    Debriefing(true)->Show();
  });
  Settle();
  EXPECT_EQ(Label(Debriefing(true), "level_outro_text"), loc("mn00_debrief_fail_goal"));
  Do([&] {
    Debriefing(true)->Hide();
    board->SetVipLost();
    Debriefing(true)->Show();
  });
  Settle();
  EXPECT_EQ(Label(Debriefing(true), "level_outro_text"), loc("mn00_debrief_fail_vip"));
  Do([&] { Debriefing(true)->Hide(); });
  Settle();
  EXPECT_EQ(PauseCount(), 0);
}

TEST_F(DebriefingTest, GoingOnWithTheCareer) {
  Start(WithPlayers({L"Alice"}, false));
  Settle();
  ZCBoard_Career* career = ScreenTable::GetCareer();
  ZCBoard_Game3* board = mGame->GetBoard();
  // After the last level: replay asks for it again, start ends the career at the main menu.
  Do([&] { career->StartLevel(59); });
  WaitLoaded();
  Do([&] { Debriefing()->Show(); });
  Settle();
  Click("game_board/debriefing_dialog/replay");
  WaitLoaded();
  EXPECT_EQ(career->GetStartedLevel(), 59);
  Do([&] { Debriefing()->Show(); });
  Settle();
  Click("game_board/debriefing_dialog/start");
  Settle();
  EXPECT_EQ(career->GetStartedLevel(), -1);
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
  EXPECT_FALSE(board->IsVisible());
  EXPECT_EQ(PauseCount(), 0);

  // Replay on day 5, whose finish scene plays first, then the day again.
  ZCComix* comix = ScreenTable::GetComix();
  Do([&] { career->StartLevel(5); });
  WaitLoaded();
  Click("comix_ui/comix_end");
  Settle();
  EndDayAtGoal();
  ASSERT_TRUE(StepUntil([&] { return Debriefing()->IsVisible(); }, 3000));
  Settle();
  Click("game_board/debriefing_dialog/replay");
  ASSERT_TRUE(StepUntil([&] { return comix->IsVisible(); }));
  Settle();
  EXPECT_EQ(comix->GetComixName(), "sample_finish");
  EXPECT_FALSE(Debriefing()->IsVisible());
  Click("comix_ui/comix_end");
  ASSERT_TRUE(StepUntil([&] { return board->IsLoadingLevel(); }));
  WaitLoaded();
  EXPECT_EQ(board->GetLevel(), 5);
  EXPECT_EQ(career->GetStartedLevel(), 5);
  EXPECT_TRUE(board->IsRunning());
}
