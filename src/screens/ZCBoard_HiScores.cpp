#include "screens/ZCBoard_HiScores.h"

#include <cstdio>

#include "cafe/ProfileStore.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_MainMenu.h"
#include "sound/SoundManager.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

using ScreenWidgets::Child;
using ScreenWidgets::Is;

namespace {
void SetText(ZCCandyWidget* widget, const std::wstring& text) {
  if (ZCText* label = widget ? widget->AsText() : nullptr) label->SetText(text);
}
}  // namespace

ZCBoard_HiScores::ZCBoard_HiScores(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "hiscores");
  SetVisible(false);
}

void ZCBoard_HiScores::AddChild(const std::string& name, ZCCandyWidget* widget) {
  ZCDialog::AddChild(name, widget);
  if (name == "close") {
    mClose = widget;
  } else if (name == "hiscores_dlg") {
    mPage = widget;
    mRight = Child(widget, "right_page");
    mLeft = Child(widget, "left_page");
  }
}

void ZCBoard_HiScores::FillTable(ZCCandyWidget* page, bool survival) {
  ProfileStore& store = GetProfileStore();
  // Without a current player no row is theirs (an empty name would match every free row).
  const std::wstring current = store.HasPlayer() ? store.GetPlayerName() : std::wstring();
  const ProfileStore::ScoreTable& table = store.GetScoreTable(survival);
  for (size_t i = 0; i < table.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "line%d%d", survival ? 1 : 0, int(i));
    const std::wstring rowName = ProfileCodec::NameToWide(table[i].name);
    const bool theirs = !current.empty() && rowName == current;
    if (ZCCandyWidget* line = Child(page, name)) {
      line->SetDisabled(!theirs);
      SetText(line, rowName);
    }
    std::snprintf(name, sizeof name, "score%d%d", survival ? 1 : 0, int(i));
    if (ZCCandyWidget* score = Child(page, name)) {
      // The score is coloured like its name: the player's own in full, the others' disabled.
      score->SetDisabled(!theirs);
      SetText(score, rowName.empty() ? L"" : std::to_wstring(table[i].value));
    }
  }
}

void ZCBoard_HiScores::OnShowStart() {
  FillTable(mRight, true);
  FillTable(mLeft, false);
  ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu();
  if (menu && mPage) menu->TurnPage(mPage, false, ZCBoard_MainMenu::kTurnHiScores);
  // The turn brought the book page to the front; close lies over it.
  if (mClose) BringToFront(mClose);
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(this);
  ScreenWidgets::PlaySound("window_open");
}

void ZCBoard_HiScores::OnCommand(ZCCandyWidget* button) {
  if (!Is(button, mClose)) return;
  if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu()) menu->TurnPage(nullptr, true, ZCBoard_MainMenu::kTurnNone);
}
