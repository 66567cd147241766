#include "cafe/ZCEngine3.h"

#include "board/ItemFactory.h"
#include "cafe/CafeObjects.h"
#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "shell/StringUtil.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "widgets/ZCWidgetKit.h"

ZCEngine3::ZCEngine3() {
  mProductName = "Pellor Cafe";
  mProductVersion = "1.0";
  mVendorName = "Vantor Games";
  mRegKey = "Vantor Games\\Pellor Cafe";
  mTitle = "Pellor Cafe";
}

ZCEngine3::~ZCEngine3() {
  // The start-up loader may still be building the board, and the level loader filling it: both
  // end before the level is freed.
  JoinLoader();
  if (mBoard) mBoard->UnloadLevel();
}

bool ZCEngine3::IsBusyLoading() const {
  // mBoard is read only once the start-up loader that makes it has ended.
  return ZCEngine::IsBusyLoading() || (mBoard && mBoard->IsLoadingLevel());
}

bool ZCEngine3::Init() {
  // Texts first: the window title and every message come from them.
  mLocTable.Load();
  if (mLocTable.HasText("app_title")) mTitle = WideToUtf8(mLocTable.GetText("app_title"));
  if (!ZCEngine::Init()) return false;
  OfferCrashReport(WideToUtf8(mLocTable.GetText("crash_offer")), WideToUtf8(mLocTable.GetText("crash_sent")),
                   WideToUtf8(mLocTable.GetText("crash_failed")));
  if (GetCommandLine().mCrash) {
    // Started only to hand in a crash report: wait for the upload, tell how it went and leave.
    if (mCrashUpload.IsRunning()) mCrashUpload.WaitFor(15000);
    TellCrashUploadOutcome();
    return false;
  }
  // The profile's options replace those of settings.ini; loading also saves it once.
  GetProfileStore().Load();
  return true;
}

void ZCEngine3::SwitchScreenMode(bool windowed, bool is3D, bool force) {
  ZCEngine::SwitchScreenMode(windowed, is3D, force);
  // The next start uses the mode the player last had.
  GetProfileStore().mHeader.windowed = mWindowed ? 1 : 0;
}

void ZCEngine3::RequestQuit() { OnQuitConfirmed(); }

void ZCEngine3::OnQuitConfirmed() {
  GetProfileStore().Save();
  Shutdown();
}

void ZCEngine3::LoadConfig() {
  ZCEngine::LoadConfig();
  LoadTestDialog();
  // The café's level object classes, before any level is read.
  InitItemFactoryTable();
  RegisterCafeItemClasses();
  // The game's board; it joins the widget tree on the main thread when loading is done.
  mBoard = new ZCBoard_Game3();
  mBoard->LoadConfig();
  mBoard->SetProfile(&mStoreProfile);
  AddLoadedWidget(mBoard);
}

void ZCEngine3::LoadTestDialog() {
  if (!GetUiDocument()) return;
  auto* dialog = new ZCDialog(0, this);
  dialog->SetOwner(this);
  if (!dialog->LoadByName(GetUiDocument(), "test_dialog")) {
    delete dialog;
    return;
  }
  mTextVars.SetTextVar("test_var", L"Text variable");
  mTestDialog = dialog;
  AddLoadedWidget(dialog);
}

void ZCEngine3::LoadingCompleted() {
  ZCEngine::LoadingCompleted();
  GetMusic()->Change("main_menu");
  // Until the screens exist, the game opens on the first level.
  if (mBoard) mBoard->StartLoadingThread(kFirstLevel, false);
}

void ZCEngine3::DialogCommand(ZCDialog* dialog, int32_t) {
  if (dialog != mTestDialog) return;
  // The test dialog's button fades its inner box out and in again.
  ZCCandyWidget* box = mTestDialog->FindChild("fade_box");
  if (!box) return;
  if (box->IsVisible() && !box->IsHiding())
    box->Hide();
  else
    box->Show();
}
