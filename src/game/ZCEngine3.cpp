#include "game/ZCEngine3.h"

#include <cstdio>

#include "board/ItemFactory.h"
#include "cafe/CafeObjects.h"
#include "cafe/ProfileStore.h"
#include "cafe/ZBoard_Hud.h"
#include "cafe/ZCBoard_Game3.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Briefing.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_EscapeMenu.h"
#include "screens/ZCBoard_Help.h"
#include "screens/ZCBoard_HiScores.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCBoard_Menu.h"
#include "screens/ZCBoard_Options.h"
#include "screens/ZCBoard_Splash.h"
#include "screens/ZCBoard_Survival.h"
#include "screens/ZCComix.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCDialog.h"

ZCEngine3::ZCEngine3() {
  mProductName = "Pellor Cafe";
  mProductVersion = "1.0";
  mVendorName = "Vantor Games";
  mRegKey = "Vantor Games\\Pellor Cafe";
  mTitle = "Pellor Cafe";
}

ZCEngine3::~ZCEngine3() {
  // The start-up loader may still be building the board, and a level loader filling it: both
  // end before the level is freed.
  JoinLoader();
  if (mBoard) {
    mBoard->UnloadLevel();
    mBoard->SetScreens(nullptr);
    for (int32_t id = 0; id < ZCBoard_Game3::kDialogCount; ++id) mBoard->SetDialog(ZCBoard_Game3::DialogId(id), nullptr);
    mBoard->SetComix(nullptr);
    mBoard->SetProfile(nullptr);
  }
  SetLoadScreen(nullptr);
  ScreenTable::Clear();
  DestroyStandardDialogs();
  // The widgets themselves go with the widget tree (or the loaded list) in ZCEngine.
  mBoard = nullptr;
}

bool ZCEngine3::IsBusyLoading() const {
  // mBoard is read only once the start-up loader that makes it has ended.
  return ZCEngine::IsBusyLoading() || (mBoard && mBoard->IsLoadingLevel());
}

bool ZCEngine3::Init() {
  // Texts first: the window title and every message come from them. Without them every screen
  // would show bare text ids; most often the text pack itself is gone or cut.
  if (!mLocTable.Load()) {
    const std::string problem = GetPakProblem("loc.pak");
    EndWithError("MISSING_LOC_PAK", problem.empty() ? "no texts in loc.pak" : "loc.pak is " + problem);
    return false;
  }
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
  return true;
}

void ZCEngine3::LoadOptions() {
  // The profile's header holds the options: the window opens in its mode; the volumes reach the
  // mixer once the sound starts. Loading also saves it once.
  GetProfileStore().Load();
}

void ZCEngine3::SwitchScreenMode(bool windowed, bool is3D, bool force) {
  ZCEngine::SwitchScreenMode(windowed, is3D, force);
  // The next start uses the mode the player last had.
  ProfileStore& store = GetProfileStore();
  const uint8_t mode = mWindowed ? 1 : 0;
  if (store.mHeader.windowed == mode) return;
  store.mHeader.windowed = mode;
  store.Save();
}

void ZCEngine3::RequestQuit() {
  // A second close while the box waits (its nested loop steps) asks nothing more.
  if (mMessageBoxOpen) return;
  if (IsSplashShowing()) {
    LogMessage("quit ignored while the splash shows");
    return;
  }
  if (!CanAskConfirmBox()) {
    // Without a box to ask in (a layout without it) the game could never be closed.
    LogMessage("WARNING: no confirm box to ask \"quit\"; the game quits without asking");
    OnQuitConfirmed();
    return;
  }
  // Anything but yes (no, or the loop ended under the box) plays on.
  if (ShowConfirmBox("quit") == 1) OnQuitConfirmed();
}

bool ZCEngine3::CanAskQuitNow() const { return !mMessageBoxOpen && !IsSplashShowing() && CanAskConfirmBox(); }

void ZCEngine3::ShowMessageBox(const std::string& id) { ::ShowMessageBox(id); }

void ZCEngine3::QuitWithoutAsking() { OnQuitConfirmed(); }

void ZCEngine3::OnQuitConfirmed() {
  GetProfileStore().Save();
  Shutdown();
}

void ZCEngine3::LoadConfig() {
  ZCEngine::LoadConfig();
  // The café's level object classes, before any level is read.
  InitItemFactoryTable();
  RegisterCafeItemClasses();
  // The game's board; everything built here joins the widget tree on the main thread when
  // loading is done.
  mBoard = new ZCBoard_Game3();
  mBoard->SetName("game_board");
  mBoard->LoadConfig();
  // A café without its head-up display cannot be played: start-up ends at the hand-over.
  mHudMissing = !ZBoard_Hud::CreateFor(mBoard, GetUiDocument(), this);
  CreateBoardDialogs();
  mBoard->SetScreens(this);
  mBoard->SetProfile(&mStoreProfile);
  SetLoadScreen(this);
  ZCCandyWidget* screens[kScreenCount] = {};
  screens[kGameBoard] = mBoard;

  if (const XmlNode& doc = GetUiDocument()) {
    screens[kMenuBackground] = new ZCBoard_Menu(this, doc);
    screens[kLoadScreen] = new ZCBoard_LoadScreen(this, doc);
    screens[kMainMenu] = new ZCBoard_MainMenu(this, doc);
  }
  if (const XmlNode& doc = GetUiDocument()) {
    screens[kOptions] = new ZCBoard_Options(this, doc);
    screens[kHelp] = new ZCBoard_Help(this, doc);
    screens[kHiScores] = new ZCBoard_HiScores(this, doc);
    screens[kCareer] = new ZCBoard_Career(this, doc);
    screens[kCareer]->SetVisible(false);
    screens[kSurvival] = new ZCBoard_Survival(this, doc);
    auto* splash = new ZCBoard_Splash(this, doc);
    // After its last slide the splash gives way to the menus (the test driver's may differ).
    splash->SetHandOver([this] { ShowMainMenu(); });
    screens[kSplash] = splash;
    // The cut-scene player stands in front of the board and plays the board's scenes.
    auto* comix = new ZCComix(this, doc);
    mBoard->SetComix(comix);
    screens[kComix] = comix;
  }
  // Attached in this order: the first lies at the back; the boxes and their background lie in
  // front of every screen.
  for (int32_t s = 0; s < kScreenCount; ++s) {
    ScreenTable::Set(ScreenTable::Id(s), screens[s]);
    AddLoadedWidget(screens[s]);
  }
  if (const XmlNode& doc = GetUiDocument()) CreateStandardDialogs(this, doc);
}

void ZCEngine3::CreateBoardDialogs() {
  const XmlNode& doc = GetUiDocument();
  if (!doc) return;
  // The board's dialogs are its children, after the head-up display: the escape menu, the
  // upgrade shop, the briefing and the two debriefings. A paused board stills only its game
  // time: their effects go on.
  struct Entry {
    ZCBoard_Game3::DialogId mId;
    const char* mName;
    BoardDialog* mDialog;
  };
  const Entry entries[] = {
      {ZCBoard_Game3::kEscapeMenu, "escape_menu", new ZCBoard_EscapeMenu(this, doc)},
      {ZCBoard_Game3::kShop, "upgrade", new ZCBoard_Upgrade(this, doc)},
      {ZCBoard_Game3::kBriefing, "briefingdlg", new ZCBoard_Briefing(this, doc)},
      {ZCBoard_Game3::kDebriefing, "debriefing_dialog", new ZCBoard_Debriefing(this, doc, false)},
      {ZCBoard_Game3::kFailDebriefing, "debriefing_dialog_fail", new ZCBoard_Debriefing(this, doc, true)},
  };
  for (const Entry& entry : entries) {
    entry.mDialog->SetVisible(false);
    // Escape over a dialog that has the focus reaches the board, which closes it.
    if (entry.mId != ZCBoard_Game3::kEscapeMenu) entry.mDialog->SetKeyForwardingTarget(mBoard);
    mBoard->AddChild(entry.mName, entry.mDialog);
    mBoard->SetDialog(entry.mId, entry.mDialog);
  }
}

void ZCEngine3::LoadingCompleted() {
  ZCEngine::LoadingCompleted();
  if (mHudMissing) {
    // Most often the pack itself is gone or cut: the player is told which file to restore.
    const std::string problem = GetPakProblem("data.pak");
    if (!problem.empty())
      EndWithError("MISSING_DATA_PAK", "data.pak is " + problem);
    else
      EndWithError("MISSING_HUD");
    return;
  }
  GetMusic()->Change("main_menu");
  if (GetScreen(kSplash))
    ShowScreen(kSplash, true);
  else
    ShowMainMenu();
}

void ZCEngine3::UpdateStep() {
  // Hidden, the splash hands over to the menus itself.
  if (IsSplashShowing() && IsSplashOver()) ShowScreen(kSplash, false);
  ZCEngine::UpdateStep();
}

bool ZCEngine3::IsSplashShowing() const {
  // The screens are the start-up loader's until it has been handed over.
  return !IsLoaderRunning() && GetScreen(kSplash) && GetScreen(kSplash)->IsVisible();
}

void ZCEngine3::ShowScreen(Screen screen, bool show) {
  ZCCandyWidget* widget = GetScreen(screen);
  if (!widget) return;
  widget->SetVisible(show);
  MarkDirty();
}

void ZCEngine3::ShowMainMenu() {
  ShowScreen(kMenuBackground, true);
  // Shown with its show-start step: a first start asks for a name.
  if (ZCCandyWidget* menu = GetScreen(kMainMenu)) menu->Show();
  MarkDirty();
}

void ZCEngine3::ShowLoadScreen() {
  ShowScreen(kMenuBackground, false);
  ShowScreen(kCareer, false);
  ShowScreen(kGameBoard, false);
  ZCCandyWidget* screen = GetScreen(kLoadScreen);
  if (!screen) return;
  GetWidgetManager()->SetFocus(screen);
  GetRootDialog()->BringToFront(screen);
  ShowScreen(kLoadScreen, true);
}

void ZCEngine3::HideLoadScreen() {
  ShowScreen(kLoadScreen, false);
  ShowScreen(kGameBoard, true);
}

void ZCEngine3::LevelLoadFailed() {
  // The loader has logged why; the player goes back to the menu rather than to an empty café.
  ShowScreen(kLoadScreen, false);
  ShowMainMenu();
}

void ZCEngine3::SetCareerResult(int32_t money, int32_t result, int32_t level) {
  // The book records it; the board's debriefing shows next and goes on with the career.
  if (auto* career = dynamic_cast<ZCBoard_Career*>(GetScreen(kCareer))) career->SetLevelResult(money, result, level);
}

void ZCEngine3::ShowSurvivalEnd(bool highScore) {
  // The book comes back on the high-score page when the money took a place, else on the
  // survival page, from which another café can be played.
  ShowScreen(kGameBoard, false);
  // The page turns over the shown book, as from the menu's own button: the turn runs in the
  // menu's update, so a hidden menu would leave the book in the middle of it.
  ShowScreen(kMenuBackground, true);
  ShowScreen(kMainMenu, true);
  if (ZCCandyWidget* screen = GetScreen(highScore ? kHiScores : kSurvival)) screen->Show();
  MarkDirty();
}
