#include "screens/ZCBoard_Help.h"

#include "board/ZCBoard_Game.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_EscapeMenu.h"
#include "screens/ZCBoard_MainMenu.h"
#include "sound/SoundManager.h"
#include "widgets/WidgetManager.h"

using ScreenWidgets::Is;
using ScreenWidgets::SetShown;

ZCBoard_Help::ZCBoard_Help(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "help");
  SetVisible(false);
}

void ZCBoard_Help::AddChild(const std::string& name, ZCCandyWidget* widget) {
  ZCDialog::AddChild(name, widget);
  if (name == "prev_btn")
    mPrevious = widget;
  else if (name == "next_btn")
    mNext = widget;
  else if (name == "close")
    mClose = widget;
  else if (name.find("page_") != std::string::npos)
    mPages.push_back(widget);
}

void ZCBoard_Help::HideAllPages() {
  for (ZCCandyWidget* page : mPages) page->SetVisible(false);
}

void ZCBoard_Help::ShowPage(int32_t index) {
  mCurrent = index;
  const int32_t count = int32_t(mPages.size());
  const bool inside = index >= 0 && index < count;
  if (inside)
    if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu())
      menu->TurnPage(mPages[size_t(index)], mBackward, ZCBoard_MainMenu::kTurnHelp);
  for (ZCCandyWidget* button : {mPrevious, mNext, mClose})
    if (button) BringToFront(button);
  if (mPrevious) mPrevious->SetDisabled(!inside || index == 0);
  if (mNext) mNext->SetDisabled(!inside || index == count - 1);
}

void ZCBoard_Help::ShowArrows() {
  for (ZCCandyWidget* arrow : {mPrevious, mNext}) {
    if (!arrow) continue;
    arrow->RewindTextures();
    arrow->Show();
  }
}

void ZCBoard_Help::HideArrows() {
  SetShown(mPrevious, false);
  SetShown(mNext, false);
}

void ZCBoard_Help::OnCommand(ZCCandyWidget* button) {
  if (Is(button, mClose)) {
    Close();
  } else if (Is(button, mPrevious)) {
    mBackward = true;
    ShowPage(mCurrent - 1);
  } else if (Is(button, mNext)) {
    mBackward = false;
    ShowPage(mCurrent + 1);
  }
}

void ZCBoard_Help::Close() {
  ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu();
  // Opened from the escape menu (over a level, running or ended): the book turns back to its
  // page, the turn's end hides every book screen, and both slide back to where they stood. The
  // escape menu takes the focus, which would otherwise stay on the hidden help where no key
  // arrives, so Escape closes it again.
  ZCBoard_EscapeMenu* escape = GetShownEscapeMenu();
  if (!escape) {
    if (menu) menu->TurnPage(nullptr, true, ZCBoard_MainMenu::kTurnNone);
    return;
  }
  if (menu && escape->GetPage())
    menu->TurnPage(escape->GetPage(), true, ZCBoard_MainMenu::kTurnNone);
  else
    SetVisible(false);
  SendEffectMessage("onshiftleft");
  escape->SendEffectMessage("onshiftleft");
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(escape);
}

void ZCBoard_Help::OnShowStart() {
  if (Vesk::WidgetContainer* parent = GetParent()) parent->BringToFront(this);
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(this);
  mBackward = false;
  ShowPage(0);
  ScreenWidgets::PlaySound("window_open");
}

void ZCBoard_Help::OnHideStart() {
  if (Vesk::WidgetManager* manager = GetManager())
    if (ZCBoard_Game* board = ScreenTable::GetGameBoard()) manager->SetFocus(board);
}

void ZCBoard_Help::Update() {
  ZCDialog::Update();
  if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu()) menu->StepTurnWhileHidden();
}
