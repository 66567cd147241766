#include <gtest/gtest.h>

#include <filesystem>

#include "cafe/ProfileStore.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "effects/EffectCallbacks.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace fs = std::filesystem;

// The menu played through as a player would from a first start: a name, a second player, a
// choice, a removal refused and then made, pictures of a page turn, and the quit question
// answered no and then yes. The profile read back holds what was done.
namespace {
class MenuPlayThroughTest : public ScreenDriver {
 protected:
  // Inside an open box: a picture once it has faded in (before the next queued press).
  void ShotOfTheBox(const std::string& name) {
    StepUntil([] { return !AreWidgetsLocked(); }, 100);
    Shot(name);
  }
};
}  // namespace

TEST_F(MenuPlayThroughTest, FromAFirstStartToQuit) {
  Start();
  Settle();
  EXPECT_NE(Dump().find("main_menu/create_profile visible enabled"), std::string::npos) << Dump();
  Type(L"Alice");
  Settle();
  Shot("menu_first_start");
  Key(13);
  Click("main_menu/profile_open");
  Click("main_menu/select_profile/left_page/create");
  Type(L"Bob");
  Key(13);
  Settle();
  ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu();
  EXPECT_EQ(menu->mList->GetLineCount(), 2);
  EXPECT_EQ(menu->mList->GetSelected(), 1) << "the new player is current";

  // Alice chosen: the page turns back to the main page.
  Do([&] { menu->mList->SetSelected(0); });
  Click("main_menu/select_profile/left_page/select");
  Settle();
  EXPECT_EQ(GetProfileStore().GetPlayerName(), L"Alice");

  // Bob removed: the box asks first.
  Click("main_menu/profile_open");
  Do([&] { menu->mList->SetSelected(1); });
  Click("main_menu/select_profile/left_page/delete");
  Do([&] { ShotOfTheBox("menu_delprof_box"); });
  Click("dialogbox_2button/btn_no");
  Settle();
  EXPECT_EQ(menu->mList->GetLineCount(), 2);
  Do([&] { menu->mList->SetSelected(1); });
  Click("main_menu/select_profile/left_page/delete");
  Click("dialogbox_2button/btn_yes");
  Settle();
  EXPECT_EQ(menu->mList->GetLineCount(), 1);
  Shot("menu_player_page");

  // A page turn in pictures.
  Click("main_menu/profile_close");
  for (int step = 1; step <= 69; ++step) {
    Step(1);
    if (step == 10 || step == 35 || step == 69) Shot("page_turn_" + std::to_string(step));
  }
  Settle();
  Shot("menu_main_page");

  // Quit: no plays on, yes ends the loop and saves.
  fs::remove(ProfilePath());
  Click("main_menu/main_menu_dlg/right_page/quit");
  Do([&] { ShotOfTheBox("menu_quit_box"); });
  Click("dialogbox_2button/btn_no");
  Settle();
  EXPECT_FALSE(mGame->IsShutdownRequested());
  Click("main_menu/main_menu_dlg/right_page/quit");
  Click("dialogbox_2button/btn_yes");
  EXPECT_TRUE(StepUntil([&] { return mGame->IsShutdownRequested(); }));
  EXPECT_EQ(mGame->mBoxesAsked, (std::vector<std::string>{"delprof", "delprof", "quit", "quit"}));

  ProfileStore stored;
  ASSERT_TRUE(stored.Load());
  std::vector<ProfileStore::PlayerRecord> players;
  stored.ListPlayers(players);
  ASSERT_EQ(players.size(), 1u);
  EXPECT_EQ(ProfileCodec::NameToWide(players[0].name), L"Alice");
  EXPECT_EQ(stored.GetPlayerName(), L"Alice");
}
