#include "screens/ZCBoard_Survival.h"

#include "board/ZCBoard_Game.h"
#include "cafe/ProfileStore.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_MainMenu.h"
#include "sound/SoundManager.h"

using ScreenWidgets::Child;
using ScreenWidgets::Is;
using ScreenWidgets::SetShown;

namespace {
void SetOff(Vesk::Widget* widget, bool disabled) {
  if (widget) widget->SetDisabled(disabled);
}
void ShowWith(ZCCandyWidget* widget, bool shown) {
  if (!widget) return;
  if (shown)
    widget->Show();
  else
    widget->Hide();
}
}  // namespace

ZCBoard_Survival::ZCBoard_Survival(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "survival_menu");
  SetVisible(false);
}

void ZCBoard_Survival::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "survival_dlg") {
    mPage = widget;
    ZCCandyWidget* left = Child(widget, "left_page");
    ZCCandyWidget* right = Child(widget, "right_page");
    for (int32_t c = 0; c < kCafes; ++c) {
      const std::string cafe = "cafe" + std::to_string(c + 1);
      mCafes[c].mButton = Child(left, (cafe + "_button").c_str());
      mCafes[c].mLabel = Child(left, (cafe + "_text").c_str());
      mCafes[c].mSmallPhoto = Child(left, (cafe + "_small_photo").c_str());
      mCafes[c].mPhoto = Child(right, (cafe + "_photo").c_str());
      mCafes[c].mHead = Child(right, (cafe + "_head").c_str());
      mCafes[c].mDescription = Child(right, (cafe + "_desc").c_str());
    }
    mCancel = Child(right, "cancel_button");
    mPlay = Child(right, "play_button");
  }
  ZCDialog::AddChild(name, widget);
}

void ZCBoard_Survival::ShowSelection() {
  const int32_t open = GetProfileStore().mPlayer.levelsOpen;
  for (int32_t c = 0; c < kCafes; ++c) {
    Cafe& cafe = mCafes[c];
    SetShown(cafe.mSmallPhoto, c == 0);
    SetOff(cafe.mSmallPhoto, c != 0);
    SetShown(cafe.mPhoto, false);
    SetShown(cafe.mLabel, false);
    SetShown(cafe.mHead, false);
    ShowWith(cafe.mDescription, false);
    SetShown(cafe.mButton, false);
    SetOff(cafe.mButton, c != 0);
  }
  auto openCafe = [this](int32_t c) {
    SetOff(mCafes[c].mButton, false);
    SetShown(mCafes[c].mSmallPhoto, true);
    SetOff(mCafes[c].mSmallPhoto, false);
  };
  if (open < kSecondCafeLevels)
    mSelected = 1;
  else
    openCafe(1);
  if (open < kThirdCafeLevels && mSelected == 3) mSelected = 1;
  if (open >= kThirdCafeLevels) openCafe(2);
  const int32_t selected = mSelected - 1;
  for (int32_t c = 0; c < kCafes; ++c) {
    Cafe& cafe = mCafes[c];
    if (c == selected) {
      ShowWith(cafe.mPhoto, true);
      ShowWith(cafe.mHead, true);
      ShowWith(cafe.mDescription, true);
      SetShown(cafe.mLabel, true);
    } else {
      SetShown(cafe.mButton, true);
    }
  }
  MarkDirty();
}

void ZCBoard_Survival::OnCommand(ZCCandyWidget* button) {
  if (Is(button, mCancel)) {
    if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu()) menu->TurnPage(nullptr, true, ZCBoard_MainMenu::kTurnNone);
    return;
  }
  if (Is(button, mPlay)) {
    Hide();
    if (ZCBoard_Game* board = ScreenTable::GetGameBoard()) board->StartLoadingThread(mSelected, true);
    return;
  }
  for (int32_t c = 0; c < kCafes; ++c) {
    if (Is(button, mCafes[c].mButton) || Is(button, mCafes[c].mSmallPhoto)) {
      mSelected = c + 1;
      ShowSelection();
      return;
    }
  }
}

void ZCBoard_Survival::OnShowStart() {
  ShowSelection();
  ScreenWidgets::PlaySound("briefing_show");
  ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu();
  if (menu && mPage) menu->TurnPage(mPage, false, ZCBoard_MainMenu::kTurnSurvival);
}
