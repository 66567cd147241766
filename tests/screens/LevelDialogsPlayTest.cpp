#include <gtest/gtest.h>

#include <filesystem>

#include "cafe/ProfileStore.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCComix.h"
#include "shell/TextVars.h"
#include "sound/SoundManager.h"
#include "support/BoardDialogs.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace fs = std::filesystem;

// Days 5 and 6 with their dialogs, as a player goes through them, from the day-5 profile the
// README offers for `make run` (tests/screens/data/day5_pref.dat: Alice, levels open 5). With
// CAFE_UPDATE_REFERENCE=1 the test writes that file again first.
TEST_F(ScreenDriver, LevelDialogsPlay) {
  const fs::path fixture = fs::path(std::getenv("CAFE_SOURCE_DIR")) / "tests/screens/data/day5_pref.dat";
  if (std::getenv("CAFE_UPDATE_REFERENCE")) {
    fs::remove(ProfilePath());
    ProfileStore& store = GetProfileStore();
    store.Load();
    ASSERT_TRUE(store.CreatePlayer(L"Alice", [](ProfileStore::PlayerRecord& record) { record.levelsOpen = 5; }));
    ASSERT_TRUE(store.Save());
    fs::copy_file(ProfilePath(), fixture, fs::copy_options::overwrite_existing);
  }
  fs::create_directories(fs::path(ProfilePath()).parent_path());
  fs::copy_file(fixture, ProfilePath(), fs::copy_options::overwrite_existing);
  StartOptions options;
  options.keepProfile = true;
  options.settings["Is3D"] = "0";
  Start(options);
  mGame->mPressBriefingStart = false;
  mGame->mAnswerBox = [](const std::string& id) { return id == "restlvl" ? 0 : 1; };
  Settle();
  ZCBoard_Game3* board = mGame->GetBoard();
  ZCComix* comix = ScreenTable::GetComix();
  auto& briefing = board->GetDialog(ZCBoard_Game3::kBriefing);
  auto* debriefing = BoardDialogOf<ZCBoard_Debriefing>(mGame.get(), ZCBoard_Game3::kDebriefing);
  auto* shop = BoardDialogOf<ZCBoard_Upgrade>(mGame.get(), ZCBoard_Game3::kShop);
  auto loc = [](const char* id) { return GetEngine()->GetLocTable()->GetText(id); };

  // 1. Career, day 5, play; the intro's button; the briefing, which Escape hides.
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  Click("career_menu/career_dlg/left_page/day_button_05");
  Click("career_menu/career_dlg/right_page/play_button");
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && comix->IsVisible(); }, 20000));
  Settle();
  Click("comix_ui/comix_end");
  ASSERT_TRUE(StepUntil([&] { return briefing.IsVisible(); }));
  Settle();
  EXPECT_EQ(GetTextVars()->GetTextVar("currentcafe"), loc("1"));
  EXPECT_EQ(GetTextVars()->GetTextVar("currentday"), loc("5"));
  EXPECT_EQ(Find("game_board/briefingdlg/goal_text")->AsText()->GetText(), loc("mn04_goal"));
  EXPECT_EQ(Find("game_board/briefingdlg/expert_text")->AsText()->GetText(), loc("mn04_expert"));
  Shot("level_dialogs_briefing");
  EXPECT_EQ(PauseCount(), 1);
  Key(27);
  Settle();
  EXPECT_FALSE(briefing.IsVisible());
  EXPECT_EQ(PauseCount(), 0);

  // 2. The escape menu; restart answered no leaves it open and the day paused; Escape closes it.
  Key(27);
  Settle();
  auto& escape = board->GetDialog(ZCBoard_Game3::kEscapeMenu);
  ASSERT_TRUE(escape.IsVisible());
  Shot("level_dialogs_escape_menu");
  Click("game_board/escape_menu/escape_dlg/right_page/restart");
  Settle();
  EXPECT_EQ(mGame->mBoxesAsked.back(), "restlvl");
  EXPECT_TRUE(escape.IsVisible());
  EXPECT_EQ(PauseCount(), 1);
  Key(27);
  Settle();
  EXPECT_FALSE(escape.IsVisible());
  EXPECT_EQ(PauseCount(), 0);

  // 3. The day ends at its goal: its three awards 2, 3 and 4 s after the debriefing, each with
  // its sound; "menu" waits for the finish scene. Start plays it; its button opens day 6.
  EndDayAtGoal();
  ASSERT_TRUE(StepUntil([&] { return debriefing->IsVisible(); }, 3000));
  const uint64_t shown = mGame->GetUpdateCount();
  SoundManager* sounds = GetEngine()->GetSoundManager();
  std::vector<uint64_t> steps;
  for (int i = 0; i < 600 && steps.size() < 3; ++i) {
    const int32_t revealed = debriefing->GetRevealedCount();
    // The interface's sounds silenced before each step: one sounding after it started in it.
    sounds->StopGroup("ui");
    Step(1);
    if (debriefing->GetRevealedCount() == revealed) continue;
    steps.push_back(mGame->GetUpdateCount() - shown);
    EXPECT_EQ(sounds->GetActiveCount("ui"), 1) << "no sound with award " << steps.size();
  }
  ASSERT_EQ(steps.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(double(steps[i]), 200.0 + 100.0 * double(i), 2.0) << i;
  Settle();
  EXPECT_TRUE(debriefing->FindChild("menu")->IsDisabled());
  Shot("level_dialogs_debriefing");
  Click("game_board/debriefing_dialog/start");
  ASSERT_TRUE(StepUntil([&] { return comix->IsVisible(); }));
  EXPECT_EQ(comix->GetComixName(), "sample_finish");
  Settle();
  Click("comix_ui/comix_end");
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && board->GetLevel() == 6 && briefing.IsVisible(); }, 20000));
  Settle();
  Click("game_board/briefingdlg/start");
  Settle();
  EXPECT_EQ(PauseCount(), 0);
  EndDayAtGoal();

  // 4. Day 6 ends at its goal: the "upgrade" box, then the shop previewing the first offer. The third is
  // chosen and kept; the debriefing follows and the profile holds day 7 and that upgrade.
  ASSERT_TRUE(StepUntil([&] { return shop->IsVisible(); }, 3000));
  Settle();
  EXPECT_EQ(mGame->mBoxesAsked.back(), "upgrade");
  ASSERT_GE(shop->GetOfferCount(), 3);
  EXPECT_EQ(shop->GetSelected(), 0);
  Click("game_board/upgrade/upgrade_tray3/button");
  Settle();
  ASSERT_EQ(shop->GetSelected(), 2);
  const int32_t flag = shop->GetPreviewed()->mFlag;
  Shot("level_dialogs_shop");
  Click("game_board/upgrade/upgrade_dialog/upgrade");
  Settle();
  EXPECT_TRUE(debriefing->IsVisible());
  ProfileStore stored;
  ASSERT_TRUE(stored.Load());
  EXPECT_EQ(stored.mPlayer.levelsOpen, 7);
  ASSERT_GE(flag, 0);
  EXPECT_EQ(stored.mPlayer.upgrades[size_t(flag)], 1);

  // 5. Menu: the main menu, nothing paused.
  Click("game_board/debriefing_dialog/menu");
  Settle();
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
  EXPECT_FALSE(board->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
  Shot("level_dialogs_main_menu");
}
