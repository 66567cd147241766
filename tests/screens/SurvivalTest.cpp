#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "shell/LocTable.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCBoard_Survival.h"
#include "sound/ZCMusic.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace {

class SurvivalTest : public ScreenDriver {
 protected:
  ZCBoard_Survival* Survival() { return dynamic_cast<ZCBoard_Survival*>(ScreenTable::Get(ScreenTable::kSurvival)); }
  // The player's levels open change, then the page is drawn again.
  void Reopen(int32_t levelsOpen) {
    Do([this, levelsOpen] {
      GetProfileStore().mPlayer.levelsOpen = levelsOpen;
      Survival()->ShowSelection();
    });
    Settle();
  }
  // Which cafés can be picked: their buttons enabled and small photos visible.
  std::string Open() {
    std::string open;
    for (const auto& cafe : Survival()->mCafes)
      open += !cafe.mButton->IsDisabled() && cafe.mSmallPhoto->IsVisible() ? '1' : '0';
    return open;
  }
  static constexpr const char* kPage = "survival_menu/survival_dlg/left_page/";
};

}  // namespace

// The cafés open with the career; a café no longer open falls back to café 1; a small photo
// picks like its button; play leaves the book for the café's endless level. Each café's game is
// played for a few seconds, from the page the game before ends on.
TEST_F(SurvivalTest, PicksAnOpenCafeAndPlaysItsEndlessLevel) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  Click("main_menu/main_menu_dlg/right_page/survival");
  Settle();
  ZCBoard_Survival* survival = Survival();
  ASSERT_NE(survival, nullptr);
  ASSERT_TRUE(survival->IsVisible());
  EXPECT_EQ(Open(), "100");

  struct Step {
    int32_t levelsOpen;
    std::string click;  // "" for none
    std::string open;
    int32_t selected;
  };
  const Step steps[] = {
      {20, "cafe2_button", "110", 2},
      {15, "", "100", 1},  // café 2 closed again: back to café 1, its button gone
      {40, "cafe3_small_photo", "111", 3},
      {35, "", "110", 1},  // café 3 closed: café 1, though café 2 is open
      {40, "cafe2_small_photo", "111", 2},
      {40, "cafe1_button", "111", 1},
  };
  for (const Step& step : steps) {
    Reopen(step.levelsOpen);
    if (!step.click.empty()) Click(kPage + step.click);
    Settle();
    SCOPED_TRACE(step.levelsOpen);
    EXPECT_EQ(Open(), step.open);
    EXPECT_EQ(survival->GetSelectedCafe(), step.selected);
    const auto& cafe = survival->mCafes[step.selected - 1];
    // The selected café's name stands in for its button; its photo, head and text show.
    EXPECT_FALSE(cafe.mButton->IsVisible());
    EXPECT_TRUE(cafe.mLabel->IsVisible());
    EXPECT_TRUE(cafe.mPhoto->IsVisible() && cafe.mHead->IsVisible() && cafe.mDescription->IsVisible());
    for (const auto& other : survival->mCafes)
      if (&other != &cafe) {
        EXPECT_TRUE(other.mButton->IsVisible() && !other.mPhoto->IsVisible());
      }
  }

  Click("survival_menu/survival_dlg/right_page/play_button");
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning(); }, 20000));
  EXPECT_FALSE(survival->IsVisible());
  EXPECT_EQ(board->GetLevelNumber(), 1);
  EXPECT_TRUE(board->IsEndless());

  for (const int32_t cafe : {2, 3}) {
    SCOPED_TRACE(cafe);
    // The lives lost: a game without money ends on the survival page.
    Do([=] {
      for (int i = 0; i < 4; ++i) board->LoseLife();
    });
    ASSERT_TRUE(StepUntil([&] { return !board->IsVisible() && survival->IsVisible(); }, 3000));
    Settle();
    std::string button = kPage;
    button += "cafe" + std::to_string(cafe) + "_button";
    Click(button);
    Click("survival_menu/survival_dlg/right_page/play_button");
    ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && !board->IsLoadingLevel(); }, 20000));
    Settle();
    ScreenDriver::Step(300);
    EXPECT_TRUE(board->IsRunning());
    EXPECT_TRUE(board->IsEndless());
    EXPECT_EQ(board->GetLevelNumber(), cafe);
    EXPECT_EQ(board->GetCafe(), cafe);
    EXPECT_EQ(mGame->GetMusic()->GetCurrentName(), "level" + std::to_string(cafe));
  }
}

// The end of a survival game: a score with a place opens the high-score page, any other the
// survival page; the café is gone and the menu background back either way.
TEST_F(SurvivalTest, AnEndedGameOpensTheHighScoresOrTheSurvivalPage) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  for (const bool place : {true, false}) {
    SCOPED_TRACE(place);
    Do([this, place] {
      mGame->GetBoard()->SetVisible(true);
      mGame->ShowSurvivalEnd(place);
    });
    Settle();
    ZCCandyWidget* shown = ScreenTable::Get(place ? ScreenTable::kHiScores : ScreenTable::kSurvival);
    ZCCandyWidget* other = ScreenTable::Get(place ? ScreenTable::kSurvival : ScreenTable::kHiScores);
    EXPECT_TRUE(shown->IsVisible());
    EXPECT_FALSE(other->IsVisible());
    EXPECT_FALSE(mGame->GetBoard()->IsVisible());
    EXPECT_TRUE(ScreenTable::Get(ScreenTable::kMenuBackground)->IsVisible());
    EXPECT_FALSE(ScreenTable::GetMainMenu()->IsVisible());
    Click(place ? "hiscores/close" : "survival_menu/survival_dlg/right_page/cancel_button");
    Settle();
    EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
  }
}

// A survival game as a player meets it: the briefing counts stages and shows no best money
// before the first game; the end splash tells the money; the next briefing shows it as the best.
TEST_F(SurvivalTest, TheBriefingTellsTheBestGameAndTheEndTellsTheMoney) {
  Start(WithPlayers({L"Ann"}));
  mGame->mPressBriefingStart = false;
  Settle();
  ZCBoard_Game3* board = mGame->GetBoard();
  auto text = [this](const std::string& path) {
    ZCCandyWidget* widget = Find(path);
    return widget && widget->AsText() ? widget->AsText()->GetText() : std::wstring(L"?");
  };
  auto loc = [](const char* id) { return GetEngine()->GetLocTable()->GetText(id); };
  for (const int32_t best : {0, 250}) {
    SCOPED_TRACE(best);
    Do([=] { board->StartLoadingThread(1, true); });
    ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); },
                          20000));
    Settle();
    EXPECT_EQ(text("game_board/briefingdlg/day_title"), loc("mn04_endless_stage"));
    // "Best so far:" with the best game's money, or neither before a first game.
    EXPECT_EQ(text("game_board/briefingdlg/expert_text"), loc("mn04_endless_expert"));
    EXPECT_EQ(Find("game_board/briefingdlg/expert_text")->IsVisibleInTree(), best != 0);
    EXPECT_EQ(text("game_board/briefingdlg/expert_value"), best ? std::to_wstring(best) : L"");
    Shot(best ? "survival_briefing_best" : "survival_briefing_first");
    Click("game_board/briefingdlg/start");
    Settle();

    // Four unhappy guests end the game with the money earned.
    Do([=] {
      board->AddMoney(250 - board->GetMoney());
      for (int i = 0; i < 4; ++i) board->LoseLife();
    });
    ZCCandyWidget* splash = Find("game_board/hud/surv_end_splash");
    ASSERT_TRUE(StepUntil([&] { return splash && splash->IsVisibleInTree(); }, 1000));
    Step(60);
    EXPECT_EQ(text("game_board/hud/surv_end_splash/surv_end_text"), loc("hud_surv_end") + L"250");
    Shot(best ? "survival_end_again" : "survival_end");
    ASSERT_TRUE(StepUntil([&] { return !board->IsVisible(); }, 1000));
    Settle();
    EXPECT_EQ(GetProfileStore().GetBestScore(true, L"Ann"), 250);
  }
}
