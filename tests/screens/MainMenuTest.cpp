#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "fonts/ZCFont.h"
#include "platform/window/MessageBox.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "support/LayoutCheck.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace {

std::vector<std::wstring> Players() {
  std::vector<ProfileStore::PlayerRecord> records;
  GetProfileStore().ListPlayers(records);
  std::vector<std::wstring> names;
  for (const auto& r : records) names.push_back(ProfileCodec::NameToWide(r.name));
  return names;
}

class MainMenuTest : public ScreenDriver {
 protected:
  ZCBoard_MainMenu* Menu() { return ScreenTable::GetMainMenu(); }
  // The player page, then the create dialog, then the name typed and Enter.
  void CreateFromPlayerPage(const std::wstring& name) {
    Click("main_menu/select_profile/left_page/create");
    Type(name);
    Key(13);
    Settle();
  }
};

}  // namespace

// A first start asks for a name and cannot be cancelled: Enter on the empty field, Escape and
// letters make nobody, Enter on a name makes the player and shows the main page.
TEST_F(MainMenuTest, FirstStartAsksForAName) {
  Start();
  Settle();
  ZCBoard_MainMenu* menu = Menu();
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(menu->mCreateDialog->IsVisible());
  EXPECT_TRUE(menu->mCancel->IsDisabled());
  EXPECT_TRUE(menu->mProfileOpen->IsDisabled());
  Key(13);
  Settle();
  EXPECT_FALSE(GetProfileStore().HasPlayer()) << "Enter on an empty name made a player";
  EXPECT_TRUE(menu->mCreateDialog->IsVisible());
  Type(L"Alice");
  Key(27);
  Key('A');
  Settle();
  EXPECT_TRUE(menu->mCreateDialog->IsVisible());
  EXPECT_FALSE(GetProfileStore().HasPlayer());
  Key(13);
  Settle();
  EXPECT_FALSE(menu->mCreateDialog->IsVisible());
  EXPECT_EQ(Players(), std::vector<std::wstring>{L"Alice"});
  EXPECT_TRUE(menu->mMainPage->IsVisible());
  EXPECT_FALSE(menu->mProfileOpen->IsDisabled());
  EXPECT_EQ(GetTextVars()->GetTextVar("profile_name"), L"Alice");
}

// Names: an equal one makes nobody, another letter case is another player, a long one keeps 12
// characters; Escape cancels once cancel is enabled; with one player delete is disabled.
TEST_F(MainMenuTest, NamesAndTheLonePlayer) {
  Start(WithPlayers({L"Alice"}));
  Settle();
  ZCBoard_MainMenu* menu = Menu();
  Click("main_menu/profile_open");
  Settle();
  EXPECT_TRUE(menu->mDelete->IsDisabled());
  Click("main_menu/select_profile/left_page/delete");
  Settle();
  EXPECT_TRUE(mGame->mBoxesAsked.empty()) << "delete asked with one player";

  CreateFromPlayerPage(L"Alice");
  EXPECT_EQ(Players().size(), 1u);
  EXPECT_FALSE(menu->mCreateDialog->IsVisible()) << "a taken name closes the dialog";
  CreateFromPlayerPage(L"alice");
  EXPECT_EQ(Players(), (std::vector<std::wstring>{L"Alice", L"alice"}));
  EXPECT_FALSE(menu->mDelete->IsDisabled());

  Click("main_menu/select_profile/left_page/create");
  Type(L"ABCDEFGHIJKLM");
  Settle();
  EXPECT_EQ(menu->mNameField->GetText(), L"ABCDEFGHIJKL");
  EXPECT_FALSE(menu->mCancel->IsDisabled());
  Key(27);
  Settle();
  EXPECT_FALSE(menu->mCreateDialog->IsVisible());
  EXPECT_EQ(Players().size(), 2u);
}

// Messages of the system's box that say progress will not be saved, counted while it lives.
struct UnsavedNotices {
  UnsavedNotices() {
    Platform::SetMessageBoxHandler([this](const std::string&, const std::string& text, Platform::MessageBoxButtons) {
      if (text.find("progress will not be saved") != std::string::npos) ++mCount;
      return Platform::MessageBoxAnswer::Ok;
    });
  }
  ~UnsavedNotices() { Platform::SetMessageBoxHandler(nullptr); }
  int mCount = 0;
};

// A profile that cannot be written (its name taken by a folder) on a first start: the typed name
// is kept and shown, the player is told once that progress will not be saved, and play goes on.
TEST_F(MainMenuTest, AnUnwritableProfileKeepsTheTypedName) {
  UnsavedNotices notices;
  std::filesystem::remove(ProfilePath());
  std::filesystem::create_directories(ProfilePath());
  StartOptions options;
  options.keepProfile = true;
  Start(options);
  Settle();
  ZCBoard_MainMenu* menu = Menu();
  ASSERT_TRUE(menu->mCreateDialog->IsVisible());
  Type(L"Alice");
  Key(13);
  Settle();
  EXPECT_FALSE(menu->mCreateDialog->IsVisible());
  EXPECT_TRUE(GetProfileStore().HasPlayer());
  EXPECT_EQ(GetTextVars()->GetTextVar("profile_name"), L"Alice");
  EXPECT_TRUE(menu->mMainPage->IsVisible());
  EXPECT_EQ(notices.mCount, 1);
  std::filesystem::remove(ProfilePath());
}

// With a stored player whose progress cannot be saved first, a new player is refused: the
// dialog stays open with the name (to try again or cancel) and the stored player stays current.
TEST_F(MainMenuTest, ARefusedPlayerLeavesTheDialogOpen) {
  UnsavedNotices notices;
  Start(WithPlayers({L"Alice"}));
  Settle();
  std::filesystem::remove(ProfilePath());
  std::filesystem::create_directories(ProfilePath());
  Click("main_menu/profile_open");
  Settle();
  CreateFromPlayerPage(L"Bob");
  ZCBoard_MainMenu* menu = Menu();
  EXPECT_TRUE(menu->mCreateDialog->IsVisible());
  EXPECT_EQ(menu->mNameField->GetText(), L"Bob");
  EXPECT_FALSE(menu->mCancel->IsDisabled());
  EXPECT_EQ(GetProfileStore().GetPlayerName(), L"Alice");
  EXPECT_EQ(notices.mCount, 1);
  Key(27);
  Settle();
  EXPECT_FALSE(menu->mCreateDialog->IsVisible());
  std::filesystem::remove(ProfilePath());
}

// A profile holds 1000 players at most (a load reads no more): another name gets the message box
// and the name box stays with it, and the file keeps its players, whole. With no current player
// (the box opened at start, its cancel disabled) cancel is enabled, to go and pick a stored one.
TEST_F(MainMenuTest, AFullProfileRefusesAnotherPlayer) {
  for (const int32_t current : {999, -1}) {
    SCOPED_TRACE(current);
    std::vector<ProfileCodec::PlayerRecord> records(ProfileCodec::kMaxRecords);
    for (size_t n = 0; n < records.size(); ++n) records[n].name = ProfileCodec::WideToName(L"p" + std::to_wstring(n));
    ProfileCodec::Header header;
    header.currentIndex = current;
    const std::vector<uint8_t> full = ProfileCodec::Build(header, {}, {}, records);
    const std::filesystem::path folder = std::filesystem::path(ProfilePath()).parent_path();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(ProfilePath(), std::ios::binary).write(reinterpret_cast<const char*>(full.data()), std::streamsize(full.size()));
    StartOptions options;
    options.keepProfile = true;
    Start(options);
    Settle();
    ZCBoard_MainMenu* menu = Menu();
    if (current >= 0) {
      Click("main_menu/profile_open");
      Click("main_menu/select_profile/left_page/create");
    } else {
      ASSERT_TRUE(menu->mCancel->IsDisabled());
    }
    Type(L"Zed");
    Key(13);
    Click("dialogbox_1button/btn_yes");
    Settle();
    EXPECT_EQ(mGame->mBoxesAsked, std::vector<std::string>{"fullprof"});
    EXPECT_TRUE(menu->mCreateDialog->IsVisible());
    EXPECT_EQ(menu->mNameField->GetText(), L"Zed");
    EXPECT_FALSE(menu->mCancel->IsDisabled());
    EXPECT_EQ(GetProfileStore().HasPlayer(), current >= 0);
    Key(27);
    Settle();
    EXPECT_FALSE(menu->mCreateDialog->IsVisible());
    // The store refuses on its own too; the save on quit writes the same players back and keeps
    // nothing aside.
    EXPECT_FALSE(GetProfileStore().CreatePlayer(L"Zed"));
    ASSERT_TRUE(GetProfileStore().Save());
    EXPECT_EQ(std::filesystem::file_size(ProfilePath()), ProfileCodec::kMaxFileSize);
    EXPECT_FALSE(std::filesystem::exists(ProfilePath() + ".bad"));
    EXPECT_EQ(Players().size(), ProfileCodec::kMaxRecords);
    mGame.reset();
  }
}

// The career button opens the book on day 1; play there: the menu goes, the level loads behind
// the load screen and runs.
TEST_F(MainMenuTest, CareerPlaysTheFirstDay) {
  Start(WithPlayers({L"Alice"}));
  Settle();
  Click("main_menu/main_menu_dlg/right_page/career");
  Click("career_menu/career_dlg/right_page/play_button");
  ASSERT_TRUE(StepUntil([&] { return mGame->GetBoard() && mGame->GetBoard()->IsRunning(); }));
  EXPECT_EQ(mGame->GetBoard()->GetLevel(), 1);
  EXPECT_FALSE(Menu()->IsVisible());
  EXPECT_TRUE(mGame->GetBoard()->IsVisible());
}

// One limit for a player's name: the field takes that many letters and no more, and a name of
// that many of the widest letters shows whole in the player list and on the main page.
TEST_F(MainMenuTest, TheLongestNameShowsWholeWhereverItIsShown) {
  Start(WithPlayers({L"Alice"}));
  Settle();
  Click("main_menu/profile_open");
  Settle();
  const std::wstring longest(size_t(ZCBoard_MainMenu::kNameLength), L'W');
  CreateFromPlayerPage(longest + L"WW");
  EXPECT_EQ(Players(), (std::vector<std::wstring>{L"Alice", longest}));
  auto* list = dynamic_cast<ZCList*>(Find("main_menu/select_profile/left_page/list"));
  ASSERT_TRUE(list && list->mFont);
  for (int32_t i = 0; i < list->GetLineCount(); ++i)
    EXPECT_LE(4 + list->mFont->StringWidth(list->GetLine(i)), list->mWidth) << "row " << i << " is cut";
  for (const std::string& fault : LayoutFaults(mGame.get())) ADD_FAILURE() << fault;
  Click("main_menu/profile_close");
  Settle();
  for (const std::string& fault : LayoutFaults(mGame.get())) ADD_FAILURE() << fault;
}
