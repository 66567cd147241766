#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "screens/BoardDialog.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "shell/TextVars.h"
#include "support/ScreenDriver.h"

// The career played through as a player would: the book on a player four days in, a look at an
// earlier day, day 5 played to its end, the record read back from the file, a second run, and
// the career started again.
namespace {

bool Has(const std::string& dump, const std::string& line) { return dump.find(line + "\n") != std::string::npos; }

ProfileStore::PlayerRecord StoredPlayer() {
  ProfileStore stored;
  EXPECT_TRUE(stored.Load());
  return stored.mPlayer;
}

}  // namespace

TEST_F(ScreenDriver, CareerPlayThrough) {
  StartOptions options = WithPlayers({L"Alice"});
  options.fill = [](size_t, ProfileStore::PlayerRecord& record) {
    record.levelsOpen = 5;
    record.bestMoney[1] = 120;
    record.bestMoney[2] = 90;
    record.bestMoney[4] = 200;
    record.expert[4] = 1;
  };
  Start(options);
  Settle();
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  Shot("career_book");
  const std::string page = "career_menu/career_dlg/left_page/";
  std::string dump = Dump();
  EXPECT_EQ(ScreenTable::GetCareer()->GetSelectedDay(), 5);
  EXPECT_TRUE(Has(dump, page + "day_button_05 visible enabled")) << dump;
  for (int day = 6; day <= 15; ++day) {
    char name[32];
    std::snprintf(name, sizeof name, "day_button_%02d visible disabled", day);
    EXPECT_TRUE(Has(dump, page + name)) << name;
  }
  EXPECT_TRUE(Has(dump, page + "goal_01 visible enabled"));
  EXPECT_TRUE(Has(dump, page + "goal_02 visible enabled"));
  // Day 3 has no money in the record: no mark.
  EXPECT_TRUE(Has(dump, page + "goal_03 hidden enabled"));
  EXPECT_TRUE(Has(dump, page + "expert_03 hidden enabled"));
  EXPECT_TRUE(Has(dump, page + "goal_04 hidden enabled"));
  EXPECT_TRUE(Has(dump, page + "expert_04 visible enabled"));

  Click(page + "day_button_03");
  Settle();
  EXPECT_EQ(GetTextVars()->GetTextVar("brief_debrief"), GetEngine()->GetLocTable()->GetText("breif_l3"));
  Shot("career_day_3");

  // Day 5: the load screen, then the day's opening cut-scene, ended by its button; the level
  // runs and is ended at its goal, and the debriefing shows (its menu waits for
  // the day's closing scene); back at the main menu the book opens on the same day.
  Click(page + "day_button_05");
  Click("career_menu/career_dlg/right_page/play_button");
  ASSERT_TRUE(StepUntil([&] { return mGame->GetBoard()->IsLoadingLevel(); }));
  EXPECT_TRUE(ScreenTable::Get(ScreenTable::kLoadScreen)->IsVisible());
  ASSERT_TRUE(StepUntil([&] { return mGame->GetBoard()->IsRunning(); }, 20000));
  EXPECT_EQ(mGame->GetBoard()->GetLevel(), 5);
  Click("comix_ui/comix_end");
  Settle();
  EndDayAtGoal();
  ASSERT_TRUE(StepUntil([&] { return !mGame->GetBoard()->IsRunning(); }, 2000));
  Settle();
  EXPECT_TRUE(mGame->GetBoard()->GetDialog(ZCBoard_Game3::kDebriefing).IsVisible());
  EXPECT_TRUE(Find("game_board/debriefing_dialog/menu")->IsDisabled());
  Do([] {
    dynamic_cast<BoardDialog&>(GetCafeBoard()->GetDialog(ZCBoard_Game3::kDebriefing)).HideNow();
    ScreenTable::GetCareer()->ReturnToMainMenu();
  });
  Settle();
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  EXPECT_TRUE(ScreenTable::GetCareer()->IsVisible());
  EXPECT_EQ(ScreenTable::GetCareer()->GetSelectedDay(), 5);
  Shot("career_after_day_5");

  ProfileStore::PlayerRecord stored = StoredPlayer();
  EXPECT_EQ(stored.levelsOpen, 6);
  const uint8_t* flags = &stored.achievements[5 * ProfileCodec::kAchievements];
  // Nobody lost, no breakdown, no tasks on day 5; the goal, not the expert goal.
  EXPECT_EQ(std::vector<uint8_t>(flags, flags + 5), (std::vector<uint8_t>{1, 1, 0, 1, 0}));

  // A second run on the same data opens the book on day 6.
  TearDown();
  StartOptions again;
  again.keepProfile = true;
  Start(again);
  Settle();
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  EXPECT_EQ(ScreenTable::GetCareer()->GetSelectedDay(), 6);

  // Start again, yes: the file holds one level open.
  Click("career_menu/reset_button");
  Click("dialogbox_2button/btn_yes");
  Settle();
  EXPECT_EQ(StoredPlayer().levelsOpen, 1);
  EXPECT_EQ(ScreenTable::GetCareer()->GetSelectedDay(), 1);

  // Start again, and the loop ends while it asks (the window's close is not taken over a box;
  // a shut-down ends the box unanswered): nothing is wiped, nothing saved.
  Do([] {
    GetProfileStore().mPlayer.levelsOpen = 6;
    EXPECT_TRUE(GetProfileStore().Save());
  });
  Click("career_menu/reset_button");
  Do([this] { mGame->Input(Platform::InputEvent::Type::Close); });
  Do([this] { mGame->Shutdown(); });
  EXPECT_TRUE(mGame->StepToEnd());
  ASSERT_FALSE(mGame->mBoxesAsked.empty());
  EXPECT_EQ(mGame->mBoxesAsked.back(), "delcareer");
  EXPECT_EQ(GetProfileStore().mPlayer.levelsOpen, 6);
  EXPECT_EQ(StoredPlayer().levelsOpen, 6);
}
