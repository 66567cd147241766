// Every dialog and page of the sample ui.xml as the game shows it, on both drawing routes: what
// is drawn lies on the screen, buttons and labels of a page keep clear of each other, and every
// text fits its widget (see support/LayoutCheck.h).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"
#include "cafe/ProfileStore.h"
#include "cafe/ZCWorker.h"
#include "engine/ZCEngine.h"
#include "graphics/MemoryImage.h"
#include "game/ZCEngine3.h"
#include "resources/ZCTextureCache.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCComix.h"
#include "shell/LocTable.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"
#include "support/BoardDialogs.h"
#include "support/LayoutCheck.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace {

constexpr const char* kMenu = "main_menu/main_menu_dlg/right_page/";
constexpr const char* kEscape = "game_board/escape_menu/escape_dlg/right_page/";

// A sample file of content/cfg, read from the source as the game's loader reads it.
XmlNode SampleXml(const std::string& name) {
  std::ifstream in(std::string(std::getenv("CAFE_SOURCE_DIR")) + "/content/cfg/" + name, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), name);
}

}  // namespace

class LayoutCheckTest : public ScreenDriver, public ::testing::WithParamInterface<bool> {
 protected:
  // A player far into the career: every café open, days with goal and expert marks and badges.
  StartOptions Player() {
    StartOptions options = WithPlayers({L"Alexandra"});
    options.settings["Is3D"] = GetParam() ? "1" : "0";
    options.fill = [](size_t, ProfileStore::PlayerRecord& record) {
      record.levelsOpen = 59;
      for (int32_t level = 1; level < 59; ++level) {
        record.bestMoney[size_t(level)] = 100 + level;
        record.expert[size_t(level)] = level % 2;
        for (size_t a = 0; a < 5; ++a) record.achievements[size_t(level) * 5 + a] = 1;
      }
    };
    return options;
  }

  void Check(const std::string& where) {
    std::ostringstream all;
    for (const std::string& fault : LayoutFaults(mGame.get())) all << "\n  " << fault;
    EXPECT_TRUE(all.str().empty()) << where << ":" << all.str();
  }
  // Settles after the queued clicks, then checks.
  void SettleAndCheck(const std::string& where) {
    Settle();
    Check(where);
  }
};

TEST_P(LayoutCheckTest, TheBookScreens) {
  Start(Player());
  SettleAndCheck("main menu");

  Click("main_menu/profile_open");
  SettleAndCheck("player page");
  Click("main_menu/select_profile/left_page/create");
  SettleAndCheck("name box");
  Type(L"WWWWWWWWWWWW");
  SettleAndCheck("name box with the longest name");
  Click("main_menu/create_profile/create_profile2/cancel");
  Click("main_menu/profile_close");
  Settle();

  Click(std::string(kMenu) + "settings");
  SettleAndCheck("options");
  Click("options/cancel");
  Settle();

  Click(std::string(kMenu) + "help");
  SettleAndCheck("help page 1");
  Click("help/next_btn");
  SettleAndCheck("help page 2");
  Click("help/next_btn");
  SettleAndCheck("help page 3");
  Click("help/close");
  Settle();

  Click(std::string(kMenu) + "scores");
  SettleAndCheck("high scores");
  Click("hiscores/close");
  Settle();

  Click(std::string(kMenu) + "career");
  SettleAndCheck("career, café 3");
  // Every day of every café: each day's own text must fit the page.
  const int daysOfCafe[] = {15, 20, 24};
  for (int cafe = 1; cafe <= 3; ++cafe) {
    Click("career_menu/cafe" + std::to_string(cafe) + "_button");
    SettleAndCheck("career, café " + std::to_string(cafe));
    for (int day = 1; day <= daysOfCafe[cafe - 1]; ++day) {
      char button[64];
      std::snprintf(button, sizeof button, "career_menu/career_dlg/left_page/day_button_%02d", day);
      Click(button);
      SettleAndCheck("career, café " + std::to_string(cafe) + ", day " + std::to_string(day));
    }
  }
  Click("career_menu/career_dlg/left_page/back_button");
  Settle();

  Click(std::string(kMenu) + "survival");
  SettleAndCheck("survival, café 1");
  for (const char* cafe : {"cafe2", "cafe3"}) {
    Click(std::string("survival_menu/survival_dlg/left_page/") + cafe + "_button");
    SettleAndCheck(std::string("survival, ") + cafe);
  }
  Click("survival_menu/survival_dlg/right_page/cancel_button");
  Settle();

  mGame->mAnswerBox = [this](const std::string& id) {
    Check("box " + id);
    return 0;
  };
  Click(std::string(kMenu) + "quit");
  Settle();
  EXPECT_FALSE(mGame->mBoxesAsked.empty());
}

TEST_P(LayoutCheckTest, TheDaysDialogs) {
  Start(Player());
  mGame->mPressBriefingStart = false;
  Settle();
  ZCBoard_Game3* board = mGame->GetBoard();
  PlayLevel(3);
  ASSERT_TRUE(StepUntil([&] { return board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }));
  SettleAndCheck("briefing");
  Click("game_board/briefingdlg/start");
  SettleAndCheck("the day");

  Key(27);
  SettleAndCheck("escape menu");
  Click(std::string(kEscape) + "help");
  SettleAndCheck("escape menu, help page 1");
  Click("help/next_btn");
  SettleAndCheck("escape menu, help page 2");
  Click("help/next_btn");
  SettleAndCheck("escape menu, help page 3");
  Click("help/close");
  Settle();
  Click(std::string(kEscape) + "settings");
  SettleAndCheck("escape menu, options");
  Click("options/cancel");
  Settle();
  mGame->mAnswerBox = [this](const std::string& id) {
    Check("box " + id);
    return 0;
  };
  Click(std::string(kEscape) + "restart");
  Settle();
  Key(27);
  Settle();

  // The day played to its end: the debriefing, as a goal reached shows it.
  auto* debriefing = BoardDialogOf<ZCBoard_Debriefing>(mGame.get(), ZCBoard_Game3::kDebriefing);
  Do([&] { board->ReportLevelResult(); });
  ASSERT_TRUE(StepUntil([&] { return debriefing->IsVisible() || board->GetDialog(ZCBoard_Game3::kFailDebriefing).IsVisible(); }, 3000));
  Step(500);
  SettleAndCheck("debriefing");
  Do([&] {
    debriefing->SetVisible(false);
    board->GetDialog(ZCBoard_Game3::kFailDebriefing).Show();
  });
  SettleAndCheck("debriefing after a failed day");
}

// Every question ui.xml gives an icon ("db01_icon_<id>"), in the confirm box and in the message box.
TEST_P(LayoutCheckTest, EveryQuestionBox) {
  Start(Player());
  Settle();
  const std::string prefix = "db01_icon_";
  std::vector<std::string> ids;
  for (const XmlNode& node : SampleXml("ui.xml").selectNodes(L"//texture")) {
    std::string id;
    if (node.getAttribute(std::string("id"), id) && id.rfind(prefix, 0) == 0) ids.push_back(id.substr(prefix.size()));
  }
  ASSERT_GE(ids.size(), 2u);
  bool confirm = true;
  mGame->mAnswerBox = [&](const std::string& id) {
    Check(std::string(confirm ? "confirm" : "message") + " box " + id);
    return confirm ? 0 : 1;
  };
  for (const bool asConfirm : {true, false})
    for (const std::string& id : ids) {
      confirm = asConfirm;
      Do([=] { asConfirm ? ShowConfirmBox(id) : ShowMessageBox(id); });
      Settle();
    }
  EXPECT_EQ(mGame->mBoxesAsked.size(), 2 * ids.size());
}

TEST_P(LayoutCheckTest, TheSplashCutScenesAndSurvival) {
  StartOptions options = Player();
  options.keepSplash = true;
  Start(options);
  ZCCandyWidget* splash = mGame->GetScreen(ZCEngine3::kSplash);
  ASSERT_TRUE(StepUntil([&] { return splash->IsVisible() && mGame->IsSettled(); }));
  Step(100);
  Check("splash");
  ASSERT_TRUE(StepUntil([&] {
    if (splash->IsVisible() && mGame->mActions.empty()) Key(' ');
    return !splash->IsVisible();
  }));
  Settle();

  // Day 5 opens with a cut-scene.
  mGame->mPressBriefingStart = false;
  ZCBoard_Game3* board = mGame->GetBoard();
  Do([=] { board->StartLoadingThread(5, false); });
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && ScreenTable::GetComix()->IsVisible(); }, 20000));
  Settle();
  Step(100);
  Check("cut-scene");
  Click("comix_ui/comix_end");
  ASSERT_TRUE(StepUntil([&] { return board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }));
  Settle();

  // A survival game: its briefing, its end.
  Do([=] { board->AbortLevel(); });
  Settle();
  Do([=] { board->StartLoadingThread(2, true); });
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); },
                        20000));
  SettleAndCheck("survival briefing");
  Click("game_board/briefingdlg/start");
  SettleAndCheck("survival");
  Do([=] {
    board->AddMoney(12345);
    for (int i = 0; i < 4; ++i) board->LoseLife();
  });
  ZCCandyWidget* end = Find("game_board/hud/surv_end_splash");
  ASSERT_TRUE(StepUntil([&] { return end && end->IsVisibleInTree(); }, 1000));
  Step(60);
  Check("survival end");
  ASSERT_TRUE(StepUntil([&] { return !board->IsVisible(); }, 1000));
  SettleAndCheck("high scores after survival");
}

INSTANTIATE_TEST_SUITE_P(Routes, LayoutCheckTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Route3D" : "RouteSoftware"; });

namespace {

// The sample texts by id.
std::map<std::string, std::string> SampleTexts() {
  std::map<std::string, std::string> texts;
  for (const XmlNode& node : SampleXml("loc.xml").selectNodes(L"//text")) {
    std::string id;
    node.getAttribute(std::string("id"), id);
    texts[id] = WideToUtf8(node.text());
  }
  return texts;
}

}  // namespace

// What the player reads agrees with itself: one spelling of café, and a day told the same on the
// career page as in its briefing.
TEST(SampleTexts, OneSpellingAndOneTextPerDay) {
  const std::map<std::string, std::string> texts = SampleTexts();
  ASSERT_FALSE(texts.empty());
  for (const auto& [id, text] : texts) {
    for (size_t at = text.find("afe"); at != std::string::npos; at = text.find("afe", at + 1))
      if (at > 0 && (text[at - 1] == 'C' || text[at - 1] == 'c') && (at + 3 == text.size() || !std::isalpha(text[at + 3])))
        ADD_FAILURE() << id << ": \"" << text << "\"";
  }
  for (const int day : {5, 6}) {
    char career[16], briefing[24];
    std::snprintf(career, sizeof career, "breif_l%d", day);
    std::snprintf(briefing, sizeof briefing, "breif_text_l%02d", day);
    ASSERT_TRUE(texts.count(career) && texts.count(briefing)) << day;
    EXPECT_EQ(texts.at(career), texts.at(briefing)) << "day " << day;
  }
}

// The menu background draws its 16-bit picture ("menu_bg", held in 16 bits as ui.xml asks) on
// the screen, around the book.
TEST_F(ScreenDriver, TheMenuBackgroundDrawsItsSixteenBitPicture) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  ZCCandyWidget* background = ScreenTable::Get(ScreenTable::kMenuBackground);
  ZCTextureCache* cache = GetEngine()->GetTextureCache();
  ASSERT_TRUE(background && cache && cache->HasTexture("menu_bg"));
  Vesk::MemoryImage* wanted = cache->GetTexture("menu_bg").GetImage();
  bool drawn = false;
  std::function<void(ZCCandyWidget*)> look = [&](ZCCandyWidget* w) {
    if (!w->IsVisible()) return;
    for (int32_t slot = 0; slot < w->GetTextureCount(); ++slot)
      if (ZCWidgetTexture* t = w->GetTexture(slot); t && wanted && t->mHandle.GetImage() == wanted) {
        const Rect r = ScreenRect(w);
        drawn = drawn || (r.mX < 22 && r.mWidth > 0);  // reaching out beside the book's cover
      }
    for (Vesk::Widget* child : w->GetChildren())
      if (auto* candy = dynamic_cast<ZCCandyWidget*>(child)) look(candy);
  };
  for (Vesk::Widget* child : mGame->GetRootDialog()->GetChildren())
    if (auto* candy = dynamic_cast<ZCCandyWidget*>(child)) look(candy);
  EXPECT_TRUE(drawn);
}

// Each café's days as they start, every worker at work: nothing the player watches or clicks
// there (a worker or her bubble, the trash bin, the heroine at her start) lies under the head-up
// display's panels, its menu button or the day's task icons. For each café the days of its fullest
// display (five task icons) and those that bring on each kind of worker it has (the grocer of
// the second café works only on day 26).
TEST_F(ScreenDriver, EveryCafeKeepsClearOfTheHud) {
  const struct {
    const char* cafe;
    int32_t level;
  } days[] = {{"cafe1.xml", 15}, {"cafe2.xml", 26}, {"cafe2.xml", 35},
              {"cafe3.xml", 36}, {"cafe3.xml", 37}, {"cafe3.xml", 59}};
  StartOptions options = WithPlayers({L"Alexandra"});
  options.fill = [](size_t, ProfileStore::PlayerRecord& record) { record.levelsOpen = 59; };
  Start(options);
  Settle();
  ZCBoard_Game3* board = mGame->GetBoard();
  for (const auto& [cafe, level] : days) {
    PlayLevel(level);
    Do([] {
      for (ZCItem* item : GetItemRegistry().Items())
        if (auto* worker = dynamic_cast<ZCWorker*>(item); worker && worker->GetTable())
          worker->SetWorkState(ZCWorker::kWorking);
    });
    Step(100);
    std::ostringstream all;
    for (const std::string& fault : CafeLayoutFaults(mGame.get())) all << "\n  " << fault;
    EXPECT_TRUE(all.str().empty()) << "day " << level << " (" << cafe << "):" << all.str();
    Do([=] { board->AbortLevel(); });
    Settle();
  }
}
