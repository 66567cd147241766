#include <gtest/gtest.h>

#include <functional>

#include "effects/EffectCallbacks.h"
#include "engine/ZCEngine.h"
#include "shell/TextVars.h"
#include "support/BoardDialogs.h"
#include "widgets/ZCWidgetKit.h"
#include "support/ScreenDriver.h"

// The briefing: the café and day of a level, its picture and texts in career and survival, and
// over a running level: it holds play until start.
class BriefingTest : public ScreenDriver {
 protected:
  ZCBoard_Briefing* Briefing() { return BoardDialogOf<ZCBoard_Briefing>(mGame.get(), ZCBoard_Game3::kBriefing); }
  std::wstring Var(const char* name) { return GetTextVars()->GetTextVar(name); }
  std::wstring Loc(const std::string& id) { return GetEngine()->GetLocTable()->GetText(id); }
  std::wstring Child(const char* name) { return Briefing()->FindChild(name)->AsText()->GetText(); }
  // Day 3 loaded with the briefing left for the test to press; steps on until it runs and `also`
  // holds.
  ZCBoard_Game3* LoadDayThree(const std::function<bool()>& also) {
    Start(WithPlayers({L"Alice"}));
    mGame->mPressBriefingStart = false;
    Settle();
    ZCBoard_Game3* board = mGame->GetBoard();
    Do([&] { board->StartLoadingThread(3, false); });
    EXPECT_TRUE(StepUntil([&] { return !board->IsLoadingLevel() && board->IsRunning() && also(); }, 20000));
    return board;
  }
};

TEST_F(BriefingTest, CafeDayPictureAndTexts) {
  Start(WithPlayers({L"Alice"}));
  mGame->mPressBriefingStart = false;
  // The board stands behind its dialogs as in a level.
  Do([&] { mGame->GetBoard()->SetVisible(true); });
  Settle();
  struct Case {
    int32_t level;
    bool survival;
    int32_t stage;
    const char* cafe;
    const char* day;
    const char* picture;
    const char* intro;
  };
  const Case cases[] = {
      {15, false, 1, "1", "15", "briefing_15", "breif_text_l15"},
      {16, false, 1, "2", "1", "briefing_16", "breif_text_l16"},
      {35, false, 1, "2", "20", "briefing_35", "breif_text_l35"},
      {36, false, 1, "3", "1", "briefing_36", "breif_text_l36"},
      {4, false, 1, "1", "4", "briefing_04", "breif_text_l04"},
      {5, false, 1, "1", "5", "briefing_05", "breif_text_l05"},
      // Survival: the café is the one chosen; the day row counts the board's stages.
      {1, true, 1, "1", "1", "ebriefing_01", "ebreif_text_l01"},
      {2, true, 1, "2", "1", "ebriefing_02", "ebreif_text_l02"},
      {3, true, 1, "3", "1", "ebriefing_03", "ebreif_text_l03"},
      {3, true, 4, "3", "4", "ebriefing_03", "ebreif_text_l03"},
  };
  // A level past the career has no picture of its own: the default one shows.
  Do([&] {
    BoardAccess::SetLevel(mGame->GetBoard(), 60, false);
    Briefing()->Show();
  });
  Settle();
  EXPECT_EQ(Briefing()->GetPicture(), "briefing_00");
  Do([&] { Briefing()->Hide(); });
  Settle();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    Do([&] {
      BoardAccess::SetLevel(mGame->GetBoard(), c.level, c.survival);
      BoardAccess::SetStage(mGame->GetBoard(), c.stage);
      Briefing()->Show();
    });
    Settle();
    EXPECT_EQ(Var("currentcafe"), Loc(c.cafe));
    EXPECT_EQ(Var("cafe"), Loc(c.cafe));
    EXPECT_EQ(Var("currentday"), Loc(c.day));
    EXPECT_EQ(Var("day"), Loc(c.day));
    EXPECT_EQ(Briefing()->GetPicture(), c.picture);
    EXPECT_EQ(Var("level_briefing"), Loc(c.intro));
    EXPECT_EQ(Child("goal_text"), Loc(c.survival ? "mn04_endless_goal" : "mn04_goal"));
    EXPECT_EQ(Child("expert_text"), Loc(c.survival ? "mn04_endless_expert" : "mn04_expert"));
    EXPECT_EQ(Child("settings_text"), Loc(c.survival ? "mn04_endless_ready" : "mn04_ready"));
    EXPECT_EQ(PauseCount(), 1);
    Do([&] { Briefing()->Hide(); });
    Settle();
    EXPECT_EQ(PauseCount(), 0);
  }
}

TEST_F(BriefingTest, HoldsARunningLevelUntilStart) {
  ZCBoard_Game3* board = LoadDayThree([&] { return true; });
  Settle();
  ASSERT_TRUE(Briefing()->IsVisibleInTree());
  EXPECT_FLOAT_EQ(Briefing()->GetAlpha(), 1.0f);
  EXPECT_EQ(PauseCount(), 1);
  EXPECT_FALSE(board->AcceptsInput());
  const float time = board->GetLevelTime();
  Step(50);
  EXPECT_EQ(board->GetLevelTime(), time);
  Shot("briefing_l003");
  Click("game_board/briefingdlg/start");
  Settle();
  EXPECT_FALSE(Briefing()->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
  Step(10);
  EXPECT_GT(board->GetLevelTime(), time);
}

// The café hidden while the briefing still fades in (the career ended, the player sent back to
// the menu): the fade holds the widget lock and no longer runs, so hiding gives the lock back and
// the menus take input again.
TEST_F(BriefingTest, HidingTheCafeMidFadeGivesBackTheLock) {
  ZCBoard_Game3* board = LoadDayThree([&] { return AreWidgetsLocked(); });
  board->SetVisible(false);
  Step(1);
  EXPECT_FALSE(AreWidgetsLocked());
}
