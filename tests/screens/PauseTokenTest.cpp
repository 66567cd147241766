#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCComix.h"
#include "support/BoardDialogs.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"
#include "effects/EffectCallbacks.h"

// The board's pause count against what holds it: along a seeded walk of presses (Escape, the
// buttons of whatever dialog is shown, boxes answered yes or no, days left to run to their end),
// the count equals the pausing widgets shown (the five dialogs and the cut-scene) after every
// press, and is 0 whenever the main menu shows.
namespace {

constexpr ZCBoard_Game3::DialogId kPausing[] = {ZCBoard_Game3::kBriefing, ZCBoard_Game3::kDebriefing,
                                                ZCBoard_Game3::kFailDebriefing, ZCBoard_Game3::kEscapeMenu,
                                                ZCBoard_Game3::kShop};

bool Shown(const ZCCandyWidget* widget) { return widget && widget->Vesk::Widget::IsVisible() && !widget->IsHiding(); }

void CollectButtons(ZCCandyWidget* widget, std::vector<ZCCandyWidget*>& out) {
  for (Vesk::Widget* child : widget->GetChildren()) {
    auto* candy = dynamic_cast<ZCCandyWidget*>(child);
    if (!candy || !candy->Vesk::Widget::IsVisible()) continue;
    if (dynamic_cast<ZCButton*>(candy) && !candy->IsDisabled()) out.push_back(candy);
    CollectButtons(candy, out);
  }
}

}  // namespace

class PauseTokenTest : public ScreenDriver {
 protected:
  ZCBoard_Game3* Board() { return mGame->GetBoard(); }
  int32_t PausingShown() {
    int32_t shown = 0;
    for (ZCBoard_Game3::DialogId id : kPausing)
      if (Shown(dynamic_cast<ZCCandyWidget*>(&Board()->GetDialog(id)))) ++shown;
    if (ZCComix* comix = ScreenTable::GetComix(); comix && comix->IsVisible()) ++shown;
    return shown;
  }
  // The buttons a player could press now: those of a book screen over the level, else those of
  // the pausing widgets shown.
  std::vector<ZCCandyWidget*> Buttons() {
    std::vector<ZCCandyWidget*> buttons;
    for (ScreenTable::Id id : {ScreenTable::kHelp, ScreenTable::kOptions}) {
      ZCCandyWidget* screen = ScreenTable::Get(id);
      if (!Shown(screen)) continue;
      for (const char* name : {"close", "cancel", "apply", "next_btn"})
        if (ZCCandyWidget* button = dynamic_cast<ZCDialog*>(screen)->FindDescendant(name); button && !button->IsDisabled())
          buttons.push_back(button);
      return buttons;
    }
    for (ZCBoard_Game3::DialogId id : kPausing)
      if (auto* dialog = dynamic_cast<ZCCandyWidget*>(&Board()->GetDialog(id)); Shown(dialog))
        CollectButtons(dialog, buttons);
    if (ZCComix* comix = ScreenTable::GetComix(); comix && comix->IsVisible()) CollectButtons(comix, buttons);
    return buttons;
  }
  void Press(ZCCandyWidget* button) {
    int32_t x = 0, y = 0;
    button->GetAbsolutePos(x, y);
    mGame->QueuePoint(x + button->mWidth / 2, y + button->mHeight / 2);
  }
  // Steps until no level loads and the input was played.
  void Calm() {
    Settle();
    ASSERT_TRUE(StepUntil([&] { return !Board()->IsLoadingLevel(); }, 20000));
    Settle();
  }
};

TEST_F(PauseTokenTest, SeededWalkKeepsTheCount) {
  StartOptions options = WithPlayers({L"Alice"});
  // Day 6 open with two of café 1's furnishings owned, so that day 6 offers the shop.
  options.fill = [](size_t, ProfileStore::PlayerRecord& record) {
    record.levelsOpen = 6;
    record.upgrades[17] = record.upgrades[18] = 1;
  };
  // The software route draws the many frames faster.
  options.settings["Is3D"] = "0";
  Start(options);
  mGame->mPressBriefingStart = false;
  std::mt19937 random(20261207);
  mGame->mAnswerBox = [&](const std::string& id) { return id == "upgrade" ? 1 : int32_t(random() % 2); };
  ZCBoard_Career* career = ScreenTable::GetCareer();
  ZCBoard_Game3* board = Board();
  std::map<std::string, int> pressed;

  const int presses = getenv("WALK") ? atoi(getenv("WALK")) : 200;
  for (int press = 0; press < presses; ++press) {
    const auto t0 = std::chrono::steady_clock::now();
    std::string what;
    SCOPED_TRACE("press " + std::to_string(press));
    const bool menu = ScreenTable::GetMainMenu()->IsVisible() && !Board()->IsVisible();
    if (menu) {
      EXPECT_EQ(PauseCount(), 0);
      const int32_t level = int32_t(3 + random() % 4);
      Do([=] { career->StartLevel(level); });
      ++pressed[what = "play " + std::to_string(level)];
    } else {
      const std::vector<ZCCandyWidget*> buttons = Buttons();
      const uint32_t roll = random() % 10;
      if (board->IsRunning() && PausingShown() == 0 && buttons.empty() && roll < 6) {
        // The day ends, reaching its goal or not (the shop comes after a won day 6).
        const bool won = random() % 2;
        Do([=] {
          if (won) board->AddMoney(100000);
          board->FinishLevel();
        });
        ++pressed[what = won ? "day won" : "day lost"];
      } else if (buttons.empty() || roll < 3) {
        Key(27);
        ++pressed[what = "escape"];
      } else {
        ZCCandyWidget* button = buttons[random() % buttons.size()];
        Press(button);
        ++pressed[what = button->GetName()];
      }
    }
    Calm();
    if (HasFatalFailure()) return;
    EXPECT_EQ(PauseCount(), PausingShown());
    if (getenv("DBG")) std::printf("DBG %d %s pause %d shown %d board %d comix %d ms %d\n", press, what.c_str(), PauseCount(), PausingShown(), Board()->IsVisible(), ScreenTable::GetComix()->IsVisible(), int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()-t0).count()));
    if (ScreenTable::GetMainMenu()->IsVisible() && !Board()->IsVisible()) {
      EXPECT_EQ(PauseCount(), 0);
    }
  }
  std::string walk;
  for (const auto& [what, count] : pressed) walk += what + " " + std::to_string(count) + ", ";
  std::printf("%s\n", walk.c_str());
  // The walk went through the dialogs' ways out.
  for (const char* way : {"escape", "restart", "quit", "resume", "start", "replay", "menu", "upgrade"})
    EXPECT_GT(pressed[way], 0) << way;
}

