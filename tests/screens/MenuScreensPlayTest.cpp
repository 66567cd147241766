#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCBoard_Splash.h"
#include "shell/Log.h"
#include "support/ScreenDriver.h"

namespace {

// Lines the sample logs on purpose: upgrades of cfg.xml made to be refused.
const char* const kExpectedProblems[] = {
    "ERROR: upgrade 'floor' of 'floor' (café 4..4) has no flag; refused",
    "ERROR: upgrade 'lamp' of 'lamp' (café 1..1) has no flag; refused",
    "ERROR: upgrade 'speed' of 'juggler' (café 1..3) has no flag; refused",
};

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void NameRow(ProfileStore::ScoreRow& row, const std::wstring& name, int32_t value) {
  row = ProfileStore::ScoreRow();
  for (size_t i = 0; i < name.size(); ++i) row.name[i] = char16_t(name[i]);
  row.value = value;
}

class MenuScreensPlayTest : public ScreenDriver {
 protected:
  void SetUp() override {
    LogSink::Set([this](const std::string& line) {
      if (line.rfind("ERROR: ", 0) != 0 && line.rfind("WARNING: ", 0) != 0) return;
      for (const char* expected : kExpectedProblems)
        if (line == expected) return;
      mProblems.push_back(line);
    });
  }
  void TearDown() override {
    ScreenDriver::TearDown();
    LogSink::Set(nullptr);
  }
  // The state lines of the two help arrows in the dump ("visible enabled"...).
  std::string ArrowDump() {
    std::istringstream dump(Dump());
    std::string out;
    for (std::string line; std::getline(dump, line);)
      if (line.rfind("help/prev_btn ", 0) == 0 || line.rfind("help/next_btn ", 0) == 0) out += line + "\n";
    return out;
  }
  std::vector<std::string> mProblems;
};

}  // namespace

// From a first start through the splash, the name, help, options, a survival game and the high
// scores to the quit.
TEST_F(MenuScreensPlayTest, FromTheSplashToTheQuit) {
  // A profile without a player, holding one row of "Alice" in each table.
  std::filesystem::remove(ProfilePath());
  {
    ProfileStore& store = GetProfileStore();
    store.Load();
    NameRow(store.mCareer[3], L"Alice", 4200);
    NameRow(store.mSurvival[11], L"Alice", 77);
    ASSERT_TRUE(store.Save());
  }
  StartOptions options;
  options.keepProfile = true;
  options.keepSplash = true;
  Start(options);

  // 1. The slides; a key skips the second.
  auto* splash = dynamic_cast<ZCBoard_Splash*>(ScreenTable::Get(ScreenTable::kSplash));
  ASSERT_NE(splash, nullptr);
  auto slideFull = [&](int32_t n) {
    ZCCandyWidget* slide = splash->GetSlides().at(size_t(n));
    return splash->GetCurrentSlide() == n && slide->IsVisible() && slide->GetAlpha() >= 1.0f;
  };
  ASSERT_TRUE(StepUntil([&] { return slideFull(0); }));
  Shot("menu_screens_slide_1");
  ASSERT_TRUE(StepUntil([&] { return slideFull(1); }));
  Shot("menu_screens_slide_2");
  Key(' ');
  ASSERT_TRUE(StepUntil([&] { return splash->GetCurrentSlide() == 2; }, 5));
  ASSERT_TRUE(StepUntil([&] { return slideFull(2); }));
  Shot("menu_screens_slide_3");
  ASSERT_TRUE(StepUntil([&] { return !splash->IsVisible(); }));
  Settle();

  // 2. The name.
  ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu();
  ASSERT_TRUE(menu->mCreateDialog->IsVisible());
  Type(L"Alice");
  Key(13);
  Settle();
  ASSERT_EQ(GetProfileStore().GetPlayerName(), L"Alice");

  // 3. Help: next, next, close.
  std::vector<std::string> arrows;
  Click("main_menu/main_menu_dlg/right_page/help");
  Settle();
  arrows.push_back(ArrowDump());
  for (int i = 0; i < 2; ++i) {
    Click("help/next_btn");
    Settle();
    arrows.push_back(ArrowDump());
  }
  Shot("menu_screens_help_3");
  EXPECT_EQ(arrows, (std::vector<std::string>{
                        "help/prev_btn visible disabled\nhelp/next_btn visible enabled\n",
                        "help/prev_btn visible enabled\nhelp/next_btn visible enabled\n",
                        "help/prev_btn visible enabled\nhelp/next_btn visible disabled\n",
                    }));
  Click("help/close");
  Settle();
  ASSERT_TRUE(menu->IsVisible());

  // 4. Options: a move then cancel changes nothing stored; a move then apply does.
  const std::vector<uint8_t> before = FileBytes(ProfilePath());
  Click("main_menu/main_menu_dlg/right_page/settings");
  Click("options/musvol_slider");
  Do([&] { Shot("menu_screens_options"); });
  Click("options/cancel");
  Settle();
  EXPECT_EQ(FileBytes(ProfilePath()), before);
  Click("main_menu/main_menu_dlg/right_page/settings");
  Click("options/musvol_slider");
  Click("options/apply");
  Settle();
  const std::vector<uint8_t> applied = FileBytes(ProfilePath());
  ASSERT_GT(applied.size(), 20u);
  EXPECT_NE(applied[20], before[20]);

  // 5. Survival in café 1: its endless level (e001), held by the briefing until start.
  mGame->mPressBriefingStart = false;
  Click("main_menu/main_menu_dlg/right_page/survival");
  Settle();
  Shot("menu_screens_survival");
  Click("survival_menu/survival_dlg/right_page/play_button");
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && !board->IsLoadingLevel(); }, 20000));
  EXPECT_EQ(board->GetLevelNumber(), 1);
  EXPECT_TRUE(board->IsEndless());
  Settle();
  ASSERT_TRUE(board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible());
  Shot("menu_screens_survival_briefing");
  Click("game_board/briefingdlg/start");
  Settle();
  EXPECT_FALSE(board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible());
  EXPECT_EQ(PauseCount(), 0);
  Step(100);

  // 6. Escape, quit, yes: back to the main menu.
  Key(27);
  Click("game_board/escape_menu/escape_dlg/right_page/quit");
  Click("dialogbox_2button/btn_yes");
  Settle();
  ASSERT_TRUE(menu->IsVisible());
  EXPECT_FALSE(board->IsRunning());
  EXPECT_EQ(PauseCount(), 0);

  // 7. High scores: Alice's row in each table lit.
  Click("main_menu/main_menu_dlg/right_page/scores");
  Settle();
  Shot("menu_screens_hiscores");
  auto* scores = dynamic_cast<ZCDialog*>(ScreenTable::Get(ScreenTable::kHiScores));
  EXPECT_FALSE(scores->FindDescendant("line03")->IsDisabled());
  EXPECT_FALSE(scores->FindDescendant("line111")->IsDisabled());
  EXPECT_TRUE(scores->FindDescendant("line00")->IsDisabled());
  Click("hiscores/close");
  Settle();

  // 8. Quit, yes.
  Click("main_menu/main_menu_dlg/right_page/quit");
  Click("dialogbox_2button/btn_yes");
  EXPECT_TRUE(StepUntil([&] { return mGame->IsShutdownRequested(); }));
  ProfileStore stored;
  ASSERT_TRUE(stored.Load());
  EXPECT_EQ(stored.GetPlayerName(), L"Alice");

  EXPECT_TRUE(mProblems.empty()) << "unexpected: " << (mProblems.empty() ? "" : mProblems.front());
}
