#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "cafe/AchievementParams.h"
#include "cafe/ProfileStore.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/DevSettings.h"
#include "support/LayoutCheck.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace {

using Record = ProfileStore::PlayerRecord;

// Levels open and best money per level (expert flags and achievements apart).
std::function<void(size_t, Record&)> Progress(int32_t open, std::vector<std::pair<int32_t, int32_t>> money = {}) {
  return [=](size_t, Record& record) {
    record.levelsOpen = open;
    for (auto [level, value] : money) record.bestMoney[size_t(level)] = value;
  };
}

class CareerBookTest : public ScreenDriver {
 protected:
  void OpenBook(const std::function<void(size_t, Record&)>& fill, std::vector<std::wstring> players = {L"Alice"}) {
    StartOptions options = WithPlayers(std::move(players));
    options.fill = fill;
    Start(options);
    Settle();
    Click("main_menu/main_menu_dlg/right_page/career");
    Settle();
  }
  ZCBoard_Career* Book() { return ScreenTable::GetCareer(); }
  ZCCandyWidget* Left(const std::string& name) { return Find("career_menu/career_dlg/left_page/" + name); }
  ZCCandyWidget* Right(const std::string& name) { return Find("career_menu/career_dlg/right_page/" + name); }
  ZCCandyWidget* Day(int32_t day, const char* kind = "day_button") {
    char name[32];
    std::snprintf(name, sizeof name, "%s_%02d", kind, int(day));
    return Left(name);
  }
  // Day by day: '-' hidden, 'x' disabled, 'o' open without mark, 'g' goal mark, 'e' expert mark.
  std::string Days() {
    std::string days;
    for (int32_t d = 1; d <= ZCBoard_Career::kSlots; ++d) {
      ZCCandyWidget* button = Day(d);
      if (!button->IsVisible())
        days += '-';
      else if (button->IsDisabled())
        days += 'x';
      else
        days += Day(d, "expert")->IsVisible() ? 'e' : Day(d, "goal")->IsVisible() ? 'g' : 'o';
    }
    return days;
  }
  // The current player's row in the career high scores (0: none).
  int32_t CareerScore() {
    ProfileStore& store = GetProfileStore();
    for (const ProfileStore::ScoreRow& row : store.GetScoreTable(false))
      if (ProfileCodec::NameToWide(row.name) == store.GetPlayerName()) return row.value;
    return 0;
  }
  bool CafeEnabled(int32_t cafe) {
    return !Find("career_menu/cafe" + std::to_string(cafe) + "_button")->IsDisabled();
  }
  // Reports a result with the achievements the level met.
  void Report(int32_t money, int32_t result, int32_t level, bool met = true) {
    Do([=, this] {
      AchievementParams& params = GetAchievementParams();
      params.Clear();
      params.Reset();
      params.mNoVisitorLost = met;
      Book()->SetLevelResult(money, result, level);
    });
    Settle();
  }
};

}  // namespace

// A new player sees the first café with day 1 open; the other cafés are closed. The selected
// day's ring and the badges of a level sit where the layout values put them.
TEST_F(CareerBookTest, ANewPlayerAndThePlaces) {
  OpenBook(Progress(1));
  ASSERT_NE(Book(), nullptr);
  EXPECT_TRUE(Book()->IsVisible());
  EXPECT_EQ(Book()->GetShownCafe(), 1);
  EXPECT_EQ(Book()->GetSelectedDay(), 1);
  EXPECT_EQ(Days(), "oxxxxxxxxxxxxxx---------");
  EXPECT_FALSE(CafeEnabled(2));
  EXPECT_FALSE(CafeEnabled(3));
  EXPECT_TRUE(Find("career_menu/cafe1_text_big")->IsVisible());
  // Day 1, the highest open day, not played yet, asks what it will bring.
  EXPECT_EQ(Book()->GetBriefingId(), "briefing_qq");
  EXPECT_EQ(GetTextVars()->GetTextVar("brief_debrief"), GetEngine()->GetLocTable()->GetText("breif_qq"));
  // A closed day's number takes its disabled colour.
  auto* text = dynamic_cast<ZCText*>(Day(2, "day_text"));
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->IsDisabledInTree());
  EXPECT_FALSE(dynamic_cast<ZCText*>(Day(1, "day_text"))->IsDisabledInTree());

  ZCCandyWidget* mark = Left("day_mark");
  ZCCandyWidget* button = Day(1);
  EXPECT_EQ(mark->mX, button->mX - (mark->mWidth / 2 - button->mWidth / 2) - 2);
  EXPECT_EQ(mark->mY, button->mY - (mark->mHeight / 2 - button->mHeight / 2) - 4);

  // Level 1 done with a visitor lost (no board level: money 0 meets the expert goal 0): badges
  // 1, 2 and 3 in a row from the layout values, 0 and 4 hidden.
  Report(50, 1, 1, false);
  Click("career_menu/career_dlg/left_page/day_button_01");
  Settle();
  const DevSettings& dev = GetDevSettings();
  const int32_t x = int32_t(dev.mCareerAchievX), y = int32_t(dev.mCareerAchievY), w = int32_t(dev.mCareerAchievW);
  EXPECT_FALSE(Right("achiev_flash_active")->IsVisible());
  EXPECT_TRUE(Right("achiev_clean_active")->IsVisible());
  EXPECT_EQ(Right("achiev_clean_active")->mX, x);
  EXPECT_EQ(Right("achiev_expert_active")->mX, x + w);
  EXPECT_EQ(Right("achiev_match_active")->mX, x + 2 * w);
  EXPECT_EQ(Right("achiev_match_active")->mY, y);
  EXPECT_FALSE(Right("achiev_mega_active")->IsVisible());
  const Record& record = GetProfileStore().mPlayer;
  EXPECT_EQ(record.achievements[5 + 0], 0);
  EXPECT_EQ(record.achievements[5 + 1], 1);
}

// Results land in the player's record: only a goal opens a level, the best money stays the best,
// the high-score total covers levels 1 to levels open (at most 59), and a level past the record
// writes nothing.
TEST_F(CareerBookTest, ResultsInTheRecord) {
  OpenBook(Progress(15, {{1, 100}, {14, 50}}));
  ProfileStore& store = GetProfileStore();
  // Days 2 to 13 have no money in the record: no mark.
  EXPECT_EQ(Days(), "g" + std::string(12, 'o') + "go---------");
  const Record before = store.mPlayer;
  Report(500, 2, 15);
  Report(500, 3, 15);
  EXPECT_EQ(store.mPlayer, before);

  Report(70, 1, 15);
  EXPECT_EQ(store.mPlayer.levelsOpen, 16);
  EXPECT_EQ(store.mPlayer.bestMoney[15], 70);
  EXPECT_TRUE(CafeEnabled(2));
  EXPECT_FALSE(CafeEnabled(3));
  EXPECT_EQ(CareerScore(), 220);
  EXPECT_EQ(Days()[14], 'g');

  // Expert after the goal: the expert mark replaces the goal mark; lower money keeps the best and
  // leaves the table alone.
  const auto table = store.GetScoreTable(false);
  Report(60, 0, 15);
  EXPECT_EQ(store.mPlayer.bestMoney[15], 70);
  EXPECT_EQ(store.mPlayer.expert[15], 1);
  EXPECT_EQ(store.GetScoreTable(false), table);
  EXPECT_EQ(Days()[14], 'e');
  EXPECT_EQ(store.mPlayer.levelsOpen, 16);

  // Level 70 records nothing.
  const Record now = store.mPlayer;
  Report(900, 1, 70);
  EXPECT_EQ(store.mPlayer, now);

  // Levels open 35 -> 36 opens café 3.
  Do([&] { store.mPlayer.levelsOpen = 35; });
  Report(10, 1, 35);
  EXPECT_EQ(store.mPlayer.levelsOpen, 36);
  EXPECT_TRUE(CafeEnabled(3));
}

TEST_F(CareerBookTest, TheLastLevelAndItsTotal) {
  OpenBook([](size_t, Record& record) {
    record.levelsOpen = 59;
    for (size_t level = 0; level < ProfileCodec::kLevels; ++level) record.bestMoney[level] = 1;
    record.bestMoney[59] = 0;
  });
  EXPECT_EQ(Book()->GetShownCafe(), 3);
  EXPECT_EQ(Book()->GetSelectedDay(), 24);
  Report(100, 1, 59);
  ProfileStore& store = GetProfileStore();
  EXPECT_EQ(store.mPlayer.levelsOpen, 60);
  // Levels 1..58 at 1 and level 59 at 100; level 0 never counts.
  EXPECT_EQ(CareerScore(), 158);
  // Levels open 60 selects the café's last day, and the page shows days 1..24 open.
  Do([&] { Book()->ResetSelection(); });
  Click("career_menu/career_dlg/left_page/back_button");
  Settle();
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  EXPECT_EQ(Book()->GetSelectedDay(), 24);
  EXPECT_EQ(Days(), std::string(24, 'g'));
}

// The selected day's briefing: the highest open level asks "what comes?"; the others show their
// own picture and text (day 4 its café's). StartLevel keeps to the career's levels.
TEST_F(CareerBookTest, BriefingsAndStartingLevels) {
  OpenBook(Progress(5, {{1, 10}, {2, 10}, {3, 10}, {4, 10}}));
  EXPECT_EQ(Book()->GetSelectedDay(), 5);
  EXPECT_EQ(Book()->GetBriefingId(), "briefing_qq");
  Click("career_menu/career_dlg/left_page/day_button_04");
  Settle();
  EXPECT_EQ(Book()->GetBriefingId(), "briefing_04");
  Click("career_menu/career_dlg/left_page/day_button_03");
  Settle();
  EXPECT_EQ(Book()->GetBriefingId(), "briefing_03");
  EXPECT_EQ(GetTextVars()->GetTextVar("level_score"), L"10");

  Do([&] { Book()->StartLevel(70); });
  Settle();
  EXPECT_EQ(Book()->GetStartedLevel(), 59);
  EXPECT_EQ(Book()->GetShownCafe(), 3);
  EXPECT_EQ(Book()->GetSelectedDay(), 24);
  StepUntil([&] { return !mGame->GetBoard()->IsLoadingLevel(); });
  Do([&] { Book()->StartLevel(0); });
  Settle();
  EXPECT_EQ(Book()->GetStartedLevel(), 1);
  EXPECT_EQ(Book()->GetSelectedDay(), 1);
  EXPECT_FALSE(Book()->IsVisible());
  StepUntil([&] { return !mGame->GetBoard()->IsLoadingLevel(); });
}

// After a level the career goes on to the next, plays the same again, or after the last level
// ends with the main menu and no current level.
TEST_F(CareerBookTest, ContinuingTheCareer) {
  OpenBook(Progress(60));
  // A day that loads holds the screen until it has started: long enough on a busy machine.
  auto loaded = [&] {
    Settle(20000);
    StepUntil([&] { return !mGame->GetBoard()->IsLoadingLevel(); });
  };
  // The day before the last plays; "next" after it starts the last.
  Do([&] { Book()->StartLevel(58); });
  loaded();
  EXPECT_EQ(Book()->GetStartedLevel(), 58);
  EXPECT_TRUE(mGame->GetBoard()->IsVisible());
  EXPECT_FALSE(ScreenTable::Get(ScreenTable::kLoadScreen)->IsVisible());
  Do([&] { Book()->ContinueCareer(false); });
  loaded();
  EXPECT_EQ(Book()->GetStartedLevel(), 59);
  Do([&] { Book()->ContinueCareer(true); });
  loaded();
  EXPECT_EQ(Book()->GetStartedLevel(), 59);
  EXPECT_TRUE(mGame->GetBoard()->IsVisible());
  Do([&] { Book()->ContinueCareer(false); });
  Settle();
  EXPECT_EQ(Book()->GetStartedLevel(), -1);
  EXPECT_FALSE(mGame->GetBoard()->IsVisible());
  EXPECT_FALSE(mGame->GetBoard()->IsRunning());
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
}

// "onleveldone" goes to the mark of the last open day, and only when that day has money: after
// the middle day 7 nobody gets it (day 8 is new); after day 15 its own mark does.
TEST_F(CareerBookTest, TheMarkOfTheLastOpenDay) {
  OpenBook(Progress(7, {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}}));
  auto anyBounce = [&] {
    for (int32_t d = 1; d <= 15; ++d)
      if (Day(d, "goal")->GetScale() > 1.25f) return true;
    return false;
  };
  Do([&] { Book()->SetLevelResult(40, 1, 7); });
  Step(25);
  EXPECT_FALSE(anyBounce());
  Do([&] {
    GetProfileStore().mPlayer.levelsOpen = 15;
    Book()->SetLevelResult(40, 1, 15);
  });
  Step(25);
  EXPECT_GT(Day(15, "goal")->GetScale(), 1.25f);
  for (int32_t d = 1; d < 15; ++d) EXPECT_LE(Day(d, "goal")->GetScale(), 1.25f) << d;
}

// A café change: the copy page takes the old page's texts and marks while the page turns, and a
// turn to an earlier café runs backward (the left page grows from the book's left edge).
TEST_F(CareerBookTest, TurningToAnotherCafe) {
  OpenBook(Progress(20, {{1, 5}, {2, 5}, {16, 9}}));
  EXPECT_EQ(Book()->GetShownCafe(), 2);
  EXPECT_EQ(Days(), "goooo" + std::string(15, 'x') + "----");
  Click("career_menu/cafe1_button");
  Step(20);
  Shot("career_turn_to_cafe_1");
  ZCCandyWidget* copy = Find("career_menu/career_dlg_fake");
  ASSERT_TRUE(copy->IsVisible());
  auto copyLeft = [&](const char* name) { return Find(std::string("career_menu/career_dlg_fake/left_page/") + name); };
  EXPECT_TRUE(copyLeft("day_text_20")->IsVisible());
  EXPECT_FALSE(copyLeft("day_text_21")->IsVisible());
  EXPECT_TRUE(copyLeft("goal_01")->IsVisible());
  EXPECT_FALSE(copyLeft("goal_02")->IsVisible());
  ZCCandyWidget* leftPage = Find("career_menu/career_dlg/left_page");
  EXPECT_EQ(leftPage->mX, 0);
  EXPECT_LT(leftPage->mWidth, ZCBoard_MainMenu::kPageWidth);
  Settle();
  EXPECT_FALSE(copy->IsVisible());
  EXPECT_EQ(Book()->GetShownCafe(), 1);
  EXPECT_EQ(Days(), "ggooooooooooooo---------");
}

// Another player chosen in the main menu: the book opens on their highest open level.
TEST_F(CareerBookTest, AnotherPlayerOpensOnTheirDay) {
  OpenBook([](size_t n, Record& record) { record.levelsOpen = n == 0 ? 20 : 3; }, {L"Alice", L"Bob"});
  EXPECT_EQ(Book()->GetSelectedDay(), 3);
  Click("career_menu/career_dlg/left_page/back_button");
  Settle();
  Click("main_menu/profile_open");
  Settle();
  Do([&] { ScreenTable::GetMainMenu()->mList->SetSelected(0); });
  Click("main_menu/select_profile/left_page/select");
  Settle();
  Click("main_menu/main_menu_dlg/right_page/career");
  Settle();
  EXPECT_EQ(Book()->GetShownCafe(), 2);
  EXPECT_EQ(Book()->GetSelectedDay(), 5);
}

// What the book's pages show stays whole: a finished day's mark sits beside its number, not on
// it; the café's name beside Play is still drawn after "Today"; and the buttons at the foot of the
// pages keep off the pages' corner flourish (book.svg draws it 295..415 across the right page and
// 60..180 across the left, from row 671 to row 689 of the 727).
TEST_F(CareerBookTest, ThePagesShowTheirMarksNamesAndButtonsWhole) {
  OpenBook(Progress(5, {{1, 5}, {2, 5}, {4, 5}}));
  auto overlap = [](const Rect& a, const Rect& b) {
    return std::min(a.mX + a.mWidth, b.mX + b.mWidth) > std::max(a.mX, b.mX) &&
           std::min(a.mY + a.mHeight, b.mY + b.mHeight) > std::max(a.mY, b.mY);
  };
  for (int32_t d = 1; d <= ZCBoard_Career::kSlots; ++d)
    for (const char* kind : {"goal", "expert"})
      EXPECT_FALSE(overlap(ScreenRect(Day(d, kind)), ScreenRect(Day(d, "day_text")))) << kind << " " << d;

  auto pixels = [&](const Rect& r) {
    mGame->Frame();
    Vesk::DDImage* screen = mGame->GetDisplay()->GetScreenImage();
    std::vector<uint32_t> out;
    for (int32_t y = r.mY; y < r.mY + r.mHeight; ++y)
      for (int32_t x = r.mX; x < r.mX + r.mWidth; ++x) out.push_back(screen->GetBits()[y * screen->GetWidth() + x]);
    return out;
  };
  ZCCandyWidget* title = Find("career_menu/cafe1_text_big");
  ASSERT_TRUE(title->IsVisibleInTree());
  const std::vector<uint32_t> before = pixels(ScreenRect(title));
  Click("career_menu/current_day");
  Settle();
  EXPECT_TRUE(title->IsVisibleInTree());
  EXPECT_TRUE(pixels(ScreenRect(title)) == before) << "the café's name is no longer drawn";

  for (const char* side : {"left_page", "right_page"}) {
    const Rect page = ScreenRect(Find(std::string("career_menu/career_dlg/") + side));
    const bool right = std::string(side) == "right_page";
    const Rect flourish(page.mX + (right ? 295 : 60), page.mY + 671, 120, 18);
    for (const char* button : {"cafe1_button", "cafe2_button", "cafe3_button", "current_day", "reset_button",
                               "career_dlg/left_page/back_button", "career_dlg/right_page/play_button"})
      EXPECT_FALSE(overlap(ScreenRect(Find(std::string("career_menu/") + button)), flourish)) << button << " " << side;
  }
}
