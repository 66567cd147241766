#include "screens/ZCBoard_MainMenu.h"

#include <cmath>

#include "board/ZCBoard_Game.h"
#include "engine/ZCEngine.h"
#include "resources/ZCTextureCache.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_Help.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/TextVars.h"
#include "sound/ZCMusic.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

using ScreenWidgets::Child;
using ScreenWidgets::Is;
using ScreenWidgets::SetShown;

namespace {

void SetShown(ScreenTable::Id id, bool visible) { ScreenWidgets::SetShown(ScreenTable::Get(id), visible); }

void ShowScreen(ScreenTable::Id id) {
  if (ZCCandyWidget* screen = ScreenTable::Get(id)) screen->Show();
}

}  // namespace

ZCBoard_MainMenu::ZCBoard_MainMenu(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "main_menu");
}

void ZCBoard_MainMenu::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "main_menu_dlg") {
    mMainPage = widget;
    ZCCandyWidget* page = Child(widget, "right_page");
    mCareer = Child(page, "career");
    mSurvival = Child(page, "survival");
    mScores = Child(page, "scores");
    mSettings = Child(page, "settings");
    mHelp = Child(page, "help");
    mQuit = Child(page, "quit");
  } else if (name == "profile_open") {
    mProfileOpen = widget;
  } else if (name == "profile_close") {
    mProfileClose = widget;
  } else if (name == "select_profile") {
    mPlayerPage = widget;
    ZCCandyWidget* page = Child(widget, "left_page");
    mCreate = Child(page, "create");
    mSelect = Child(page, "select");
    mDelete = Child(page, "delete");
    mList = dynamic_cast<ZCList*>(Child(page, "list"));
  } else if (name == "create_profile") {
    mCreateDialog = widget;
    ZCCandyWidget* inner = Child(widget, "create_profile2");
    mCancel = Child(inner, "cancel");
    mCreateConfirm = Child(inner, "create");
    mNameField = dynamic_cast<ZCEditWidget*>(Child(inner, "entername_text"));
    // The name field hands Enter and Escape to this dialog, which hands them on here.
    if (auto* dialog = dynamic_cast<ZCDialog*>(widget)) dialog->SetKeyForwardingTarget(this);
  }
  ZCDialog::AddChild(name, widget);
}

void ZCBoard_MainMenu::OnCommand(ZCCandyWidget* button) {
  ProfileStore& store = GetProfileStore();
  if (Is(button, mCareer)) {
    ShowScreen(ScreenTable::kCareer);
  } else if (Is(button, mSurvival)) {
    ShowScreen(ScreenTable::kSurvival);
  } else if (Is(button, mQuit)) {
    // Asks "quit" as the window's close does; Shutdown stays the unconditional end.
    if (ZCEngine* engine = GetEngine()) engine->AskToQuit();
  } else if (Is(button, mHelp)) {
    if (ZCBoard_Help* help = ScreenTable::GetHelp()) help->HideAllPages();
    ShowScreen(ScreenTable::kHelp);
  } else if (Is(button, mSettings)) {
    ShowScreen(ScreenTable::kOptions);
  } else if (Is(button, mScores)) {
    ShowScreen(ScreenTable::kHiScores);
  } else if (Is(button, mProfileOpen)) {
    ShowProfilePage();
  } else if (Is(button, mSelect)) {
    if (mList) {
      const int32_t line = mList->GetSelected();
      if (line >= 0) {
        store.Save();
        store.LoadPlayer(line);
      }
      RefreshPlayerList();
      // The book opens on the new player's highest open level.
      if (ZCBoard_Career* career = ScreenTable::GetCareer()) career->ResetSelection();
    }
    ShowMainPage();
    TurnPage(mMainPage, false, kTurnMainMenu);
  } else if (Is(button, mProfileClose)) {
    ShowMainPage();
    TurnPage(mMainPage, false, kTurnMainMenu);
  } else if (Is(button, mDelete)) {
    // The list shows the stored players (refreshed whenever they change); its selection is the
    // player to remove.
    if (mList && mPlayers.size() > 1 && ShowConfirmBox("delprof") == 1) {
      const int32_t line = mList->GetSelected();
      if (line >= 0) store.DeletePlayer(line);
      RefreshPlayerList();
    }
  } else if (Is(button, mCreate)) {
    OpenCreateProfile(false);
  } else if (Is(button, mCancel)) {
    if (mCreateDialog) mCreateDialog->Hide();
    EnableTabs(true);
  } else if (Is(button, mCreateConfirm)) {
    // An empty name leaves the dialog open (and the tabs disabled, as while it is open).
    const std::wstring name = mNameField ? mNameField->GetText() : std::wstring();
    if (name.empty()) return;
    if (!store.HasPlayer()) ShowMainPage();
    // A name already taken closes the dialog without making a player.
    const bool nameFree = IsNameFree(name);
    if (nameFree && store.IsFull()) {
      // No room for another player: the box says so and the dialog stays open with the name. It
      // can be cancelled now even without a current player, to pick or remove a stored one.
      ShowMessageBox("fullprof");
      if (mCancel) mCancel->SetDisabled(false);
      return;
    }
    if (nameFree && !store.CreatePlayer(name)) {
      // Not in the file. Without a stored player the new one plays on in memory (the player has
      // been told that progress will not be saved). With one, whose progress could not be saved
      // first, nobody was made: the dialog stays open with the name, to try again or cancel.
      if (store.GetPlayerName() != name) {
        LogMessage("WARNING: the player \"%s\" was not created: the current player cannot be saved first",
                   WideToUtf8(name).c_str());
        RefreshPlayerList();
        return;
      }
      LogMessage("WARNING: the player \"%s\" plays on unsaved", WideToUtf8(name).c_str());
    }
    if (mCreateDialog) mCreateDialog->Hide();
    RefreshPlayerList();
    EnableTabs(true);
  }
}

void ZCBoard_MainMenu::KeyDown(int32_t key) {
  if (!mCreateDialog || !mCreateDialog->IsVisible() || mCreateDialog->IsHiding()) {
    ZCDialog::KeyDown(key);
    return;
  }
  if (key == 27) {
    if (mCancel && !mCancel->IsDisabled()) OnCommand(mCancel);
  } else if (key == 13) {
    if (mCreateConfirm) OnCommand(mCreateConfirm);
  }
}

void ZCBoard_MainMenu::OnShowStart() {
  if (ZCEngine* engine = GetEngine(); engine && engine->GetMusic()) engine->GetMusic()->Change("main_menu");
  if (GetProfileStore().HasPlayer())
    ShowMainPage();
  else
    OpenCreateProfile(true);
  if (mProfileOpen && !(mProfileClose && mProfileClose->IsVisibleInTree())) mProfileOpen->SetVisible(true);
}

void ZCBoard_MainMenu::UnlockTextures() {
  ZCDialog::UnlockTextures();
  std::vector<ProfileStore::PlayerRecord>().swap(mPlayers);
}

void ZCBoard_MainMenu::ShowMainPage() {
  RefreshPlayerList();
  ZCBoard_Game* board = ScreenTable::GetGameBoard();
  if (board && board->IsRunning()) {
    Hide();
    return;
  }
  SetShown(mMainPage, true);
  SetShown(mProfileOpen, true);
  SetShown(mProfileClose, false);
  if (auto* page = dynamic_cast<ZCDialog*>(mPlayerPage)) page->SetModal(false);
}

void ZCBoard_MainMenu::ShowProfilePage() {
  if (mPlayerPage) {
    TurnPage(mPlayerPage, true, kTurnMainMenu);
    mPlayerPage->ShowChildren();
  }
  if (mProfileOpen && mProfileOpen->IsVisible()) mProfileOpen->Hide();
  if (mProfileClose && !mProfileClose->IsVisible()) mProfileClose->Show();
  RefreshPlayerList();
}

void ZCBoard_MainMenu::EnableTabs(bool enabled) {
  if (mProfileOpen) mProfileOpen->SetDisabled(!enabled);
  if (mProfileClose) mProfileClose->SetDisabled(!enabled);
}

void ZCBoard_MainMenu::OpenCreateProfile(bool cancelDisabled) {
  EnableTabs(false);
  if (mCreateDialog) {
    if (mNameField) {
      mNameField->SetMaxLength(kNameLength);
      mNameField->SetText(L"");
      mNameField->GotFocus();
      if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(mNameField);
    }
    BringToFront(mCreateDialog);
    mCreateDialog->Show();
  }
  if (mCancel) mCancel->SetDisabled(cancelDisabled);
}

void ZCBoard_MainMenu::RefreshPlayerList() {
  ProfileStore& store = GetProfileStore();
  if (mList) {
    mPlayers.clear();
    store.ListPlayers(mPlayers);
    mList->Clear();
    for (const ProfileStore::PlayerRecord& player : mPlayers) mList->AddLine(ProfileCodec::NameToWide(player.name));
    mList->SelectAndReveal(store.mHeader.currentIndex);
    if (mDelete) mDelete->SetDisabled(mPlayers.size() < 2);
  }
  if (TextVars* vars = GetTextVars()) vars->SetTextVar("profile_name", store.HasPlayer() ? store.GetPlayerName() : L"");
  MarkDirty();
}

bool ZCBoard_MainMenu::IsNameFree(const std::wstring& name) {
  RefreshPlayerList();
  for (const ProfileStore::PlayerRecord& player : mPlayers)
    if (ProfileCodec::NameToWide(player.name) == name) return false;
  return true;
}

ZCCandyWidget* ZCBoard_MainMenu::TargetPart(const std::string& name) const { return Child(mTarget, name.c_str()); }

ZCCandyWidget* ZCBoard_MainMenu::TargetParentPart(const std::string& name) const {
  auto* parent = mTarget ? dynamic_cast<ZCCandyWidget*>(mTarget->GetParent()) : nullptr;
  return Child(parent, name.c_str());
}

void ZCBoard_MainMenu::TurnPage(ZCCandyWidget* target, bool backward, int32_t mode) {
  mMode = mode;
  if (!target) {
    target = mMainPage;
    mMode = kTurnMainMenu;
    SetShown(mPlayerPage, false);
  } else {
    SetShown(mProfileOpen, false);
  }
  mTarget = target;
  mProgress = 0;
  mBackward = backward;
  if (!mTarget) {
    // Nothing to turn: the destination shows at once.
    ShowDestination();
    EndTurn();
    return;
  }
  mTurning = true;
  // The target and every dialog above it come to the front of their parents.
  for (Vesk::Widget* child = mTarget; child;) {
    Vesk::WidgetContainer* parent = child->GetParent();
    if (!parent) break;
    parent->BringToFront(child);
    child = dynamic_cast<Vesk::Widget*>(parent);
  }
  if (ZCCandyWidget* sheet = TargetParentPart("f_pages")) {
    sheet->GetParent()->BringToFront(sheet);
    ZCEngine* engine = GetEngine();
    if (ZCTextureCache* cache = engine ? engine->GetTextureCache() : nullptr) {
      const TextureHandle pages = cache->GetTexture(backward ? "pages_b" : "pages_f");
      sheet->SetTexture(0, pages);
      sheet->SetTexture(1, pages);
    }
  }
  mTarget->SetVisible(false);
  ShowDestination();
  if (ZCCandyWidget* cover = TargetParentPart("f_cover")) cover->GetParent()->BringToFront(cover);
  // The pages start folded, so no frame shows them whole before the first step.
  LayoutTurn();
}

void ZCBoard_MainMenu::ShowDestination() {
  switch (mMode) {
    case kTurnMainMenu:
      SetShown(ScreenTable::kMenuBackground, true);
      SetShown(this, true);
      if (mProfileClose) BringToFront(mProfileClose);
      if (mProfileOpen) BringToFront(mProfileOpen);
      break;
    // The help screen's page arrows stay hidden under the sheet until the turn ends.
    case kTurnHelp:
      SetShown(ScreenTable::kHelp, true);
      if (ZCBoard_Help* help = ScreenTable::GetHelp()) help->HideArrows();
      break;
    case kTurnCareer: SetShown(ScreenTable::kCareer, true); break;
    case kTurnSurvival: SetShown(ScreenTable::kSurvival, true); break;
    case kTurnHiScores: SetShown(ScreenTable::kHiScores, true); break;
    default: break;
  }
}

void ZCBoard_MainMenu::Update() {
  if (!mTurning || StepTurn()) ZCDialog::Update();
}

bool ZCBoard_MainMenu::StepTurn() {
  if (!mTurning) return false;
  ZCCandyWidget* cover = TargetParentPart("f_cover");
  SetShown(cover, true);
  ZCEngine* engine = GetEngine();
  mProgress += float(engine ? engine->mFrameTime : 10) / 1000.0f;
  SetShown(mTarget, true);
  if (mProgress >= kTurnSeconds) {
    EndTurn();
    return false;
  }
  LayoutTurn();
  if (cover) cover->GetParent()->BringToFront(cover);
  return true;
}

void ZCBoard_MainMenu::LayoutTurn() {
  ZCCandyWidget* left = TargetPart("left_page");
  ZCCandyWidget* right = TargetPart("right_page");
  ZCCandyWidget* sheet = TargetParentPart("f_pages");
  const float share = mProgress / kTurnSeconds;
  const float alpha = 1.0f - 2.0f * std::fabs(0.5f - share);
  int32_t fold = 0;
  if (mBackward) {
    const int32_t x = int32_t(mProgress * float(kPageWidth) / kTurnSeconds);
    if (right) {
      right->Resize(x, 0, x, kPageHeight);
      right->SetDisplayOffset(x - kPageWidth, 0);
    }
    if (left) left->Resize(0, 0, x, kPageHeight);
    fold = x;
  } else {
    const int32_t x = kBookWidth - int32_t(mProgress * float(kBookWidth) / kTurnSeconds);
    const int32_t half = (kBookWidth - x) / 2;
    if (left) left->Resize(x, 0, half, kPageHeight);
    if (right) {
      right->Resize(x + half, 0, kBookWidth - x - half, kPageHeight);
      right->SetDisplayOffset(kPageWidth - x - half, 0);
    }
    fold = x + half;
  }
  if (sheet) {
    sheet->SetVisible(true);
    sheet->SetAlpha(alpha);
    sheet->Move(fold - kSheetLeft, kSheetTop);
  }
}

void ZCBoard_MainMenu::EndTurn() {
  if (ZCCandyWidget* left = TargetPart("left_page")) {
    left->Resize(0, 0, kPageWidth, kPageHeight);
    left->SetDisplayOffset(0, 0);
  }
  if (ZCCandyWidget* right = TargetPart("right_page")) {
    right->Resize(kPageWidth, 0, kPageWidth, kPageHeight);
    right->SetDisplayOffset(0, 0);
  }
  mTurning = false;
  SetShown(TargetParentPart("f_pages"), false);
  SetShown(TargetParentPart("f_cover"), false);
  SetShown(this, mMode == kTurnMainMenu);
  SetShown(ScreenTable::kCareer, mMode == kTurnCareer);
  SetShown(ScreenTable::kHelp, mMode == kTurnHelp);
  SetShown(ScreenTable::kHiScores, mMode == kTurnHiScores);
  SetShown(ScreenTable::kSurvival, mMode == kTurnSurvival);
  if (mMode == kTurnHelp) {
    if (ZCBoard_Help* help = ScreenTable::GetHelp()) help->ShowArrows();
  }
  if (mMode == kTurnCareer) {
    if (ZCBoard_Career* career = ScreenTable::GetCareer()) {
      career->ShowCafe(false);
      career->ShowCafeControls();
    }
  }
  if (mMode == kTurnMainMenu && mProfileOpen && !(mProfileClose && mProfileClose->IsVisibleInTree()))
    mProfileOpen->SetVisible(true);
  mMode = kTurnNone;
  MarkDirty();
}
