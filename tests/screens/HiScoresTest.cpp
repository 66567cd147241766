#include <gtest/gtest.h>

#include <string>

#include "cafe/ProfileStore.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_HiScores.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/StringUtil.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace {

void SetRow(bool survival, size_t row, const std::wstring& name, int32_t value) {
  ProfileStore::ScoreRow& r = GetProfileStore().GetScoreTable(survival)[row];
  r = ProfileStore::ScoreRow();
  for (size_t i = 0; i < name.size(); ++i) r.name[i] = char16_t(name[i]);
  r.value = value;
}

class HiScoresTest : public ScreenDriver {
 protected:
  ZCCandyWidget* Row(const std::string& name) {
    auto* scores = dynamic_cast<ZCBoard_HiScores*>(ScreenTable::Get(ScreenTable::kHiScores));
    return scores->FindDescendant(name);
  }
  std::string Text(const std::string& name) {
    ZCCandyWidget* widget = Row(name);
    return widget && widget->AsText() ? WideToUtf8(widget->AsText()->GetText()) : "<none>";
  }
  // The enabled line widgets of both tables.
  std::string Lit() {
    std::string lit;
    for (int table = 0; table < 2; ++table)
      for (int i = 0; i < 14; ++i)
        if (ZCCandyWidget* line = Row("line" + std::to_string(table) + std::to_string(i)); !line->IsDisabled())
          lit += "line" + std::to_string(table) + std::to_string(i) + " ";
    return lit;
  }
};

}  // namespace

// Both tables fill their pages: the current player's rows lit in each, a free row blank (no 0),
// row 10 of the survival table named with plain digits; without a name nothing lights up.
TEST_F(HiScoresTest, ShowsBothTablesAndLightsTheCurrentPlayersRows) {
  Start(WithPlayers({L"Bob", L"Ann"}));
  Settle();
  Do([] {
    SetRow(true, 10, L"Ann", 120);
    SetRow(false, 0, L"Ann", 9000);
    SetRow(false, 1, L"Annie", 8000);
    SetRow(true, 13, L"", 0);
    SetRow(false, 13, L"", 0);
  });
  Click("main_menu/main_menu_dlg/right_page/scores");
  Settle();
  auto* scores = ScreenTable::Get(ScreenTable::kHiScores);
  ASSERT_TRUE(scores->IsVisible());
  EXPECT_EQ(Lit(), "line00 line110 ");
  EXPECT_EQ(Text("line110"), "Ann");
  EXPECT_EQ(Text("score110"), "120");
  EXPECT_EQ(Text("score00"), "9000");
  EXPECT_EQ(Text("line01"), "Annie");
  for (const char* blank : {"line113", "score113", "line013", "score013"}) EXPECT_EQ(Text(blank), "") << blank;

  Click("hiscores/close");
  Settle();
  EXPECT_FALSE(scores->IsVisible());
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());

  // A player without a name would otherwise match every free row.
  Do([] { GetProfileStore().mPlayer.name = {}; });
  Click("main_menu/main_menu_dlg/right_page/scores");
  Settle();
  EXPECT_EQ(Lit(), "");
}
