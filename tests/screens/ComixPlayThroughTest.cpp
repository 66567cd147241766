#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCComix.h"
#include "sound/ZCMusic.h"
#include "support/ScreenDriver.h"

// Day 5 played through its cut-scenes as a player would: the book, the intro over the paused
// café, a click, the button, the briefing, the day to its end, then the debriefing's
// start playing the finish scene that leads to day 6.
TEST_F(ScreenDriver, ComixPlayThrough) {
  StartOptions options = WithPlayers({L"Alice"});
  options.fill = [](size_t, ProfileStore::PlayerRecord& record) { record.levelsOpen = 5; };
  Start(options);
  Settle();
  ZCComix* comix = ScreenTable::GetComix();
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_TRUE(comix && board);
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  Click("career_menu/career_dlg/left_page/day_button_05");
  Click("career_menu/career_dlg/right_page/play_button");
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && comix->IsVisible(); }, 20000));
  EXPECT_EQ(board->GetLevel(), 5);
  EXPECT_EQ(comix->GetComixName(), "sample_intro");

  // The intro plays over the paused board, which draws no items meanwhile.
  for (float at : {0.5f, 1.5f, 3.0f}) {
    ASSERT_TRUE(StepUntil([&] { return comix->GetTime() >= at; }));
    EXPECT_EQ(PauseCount(), 1);
    EXPECT_TRUE(board->SkipItemDraw());
    EXPECT_EQ(comix->GetEpisodeIndex(), 0);
    Shot("comix_intro_" + std::to_string(int(at * 10)));
  }
  EXPECT_EQ(mGame->GetMusic()->GetCurrentName(), "");

  // A click moves the scene on by one episode; the button ends it.
  Click("comix_ui");
  Settle();
  EXPECT_EQ(comix->GetEpisodeIndex(), 1);
  Shot("comix_intro_episode_2");
  Click("comix_ui/comix_end");
  Settle();
  EXPECT_FALSE(comix->IsVisible());
  EXPECT_FALSE(board->SkipItemDraw());
  // The driver presses the briefing's start.
  ASSERT_TRUE(StepUntil([&] { return !board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }));
  Settle();
  EXPECT_EQ(PauseCount(), 0);
  EXPECT_EQ(mGame->GetMusic()->GetCurrentName(), "level1");

  // The day is ended at its goal; the file holds day 6 open.
  EndDayAtGoal();
  ASSERT_TRUE(StepUntil([&] { return !board->IsRunning(); }, 2000));
  Settle();
  ProfileStore stored;
  ASSERT_TRUE(stored.Load());
  EXPECT_EQ(stored.mPlayer.levelsOpen, 6);

  // The debriefing ends the day; its start plays the day's finish scene, whose button goes on
  // to day 6 and its briefing.
  ASSERT_TRUE(StepUntil([&] { return board->GetDialog(ZCBoard_Game3::kDebriefing).IsVisible(); }));
  Settle();
  Click("game_board/debriefing_dialog/start");
  ASSERT_TRUE(StepUntil([&] { return comix->IsVisible(); }));
  Settle();
  EXPECT_EQ(comix->GetComixName(), "sample_finish");
  EXPECT_EQ(PauseCount(), 1);
  Shot("comix_finish");
  Click("comix_ui/comix_end");
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && board->GetLevel() == 6; }, 20000));
  ASSERT_TRUE(StepUntil([&] { return !board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }));
  Settle();
  EXPECT_FALSE(comix->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
}
