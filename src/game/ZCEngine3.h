#pragma once
#include "board/BoardWorld.h"
#include "cafe/CafeHooks.h"
#include "cafe/ProfileStore.h"
#include "cafe/StoreProfile.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"

class ZCBoard_Game3;
class ZCDialog;

// The game's application class: the last of VeskAppBase → ZCEngine → ZCEngine3. It reads the
// player's profile before the window opens (its options decide the window's mode and the
// volumes), builds the café board and every screen on the start-up loader, attaches them on the
// main thread in a fixed order (back to front), shows the load screen over every level load
// and asks before the game quits.
//
// The screens are loaded by name from "cfg\\ui.xml"; a plain one whose layout is missing stays
// null and is skipped wherever it is used. The splash hands over to the main menu; a career
// result goes to the career book and the board's debriefing; a survival result comes back to
// the main menu. Every screen and box is its screens' own class (src/screens); the café board's
// dialogs (briefing, debriefings, escape menu, upgrade shop) are its children.
class ZCEngine3 : public ZCEngine, public LoadScreen, public CafeScreens {
 public:
  ZCEngine3();
  ~ZCEngine3() override;

  bool Init() override;
  // Also keeps the new mode in the profile header (saved at once when it changed).
  void SwitchScreenMode(bool windowed, bool is3D, bool force) override;
  // A confirmed quit: the profile is saved, then the main loop ends.
  void OnQuitConfirmed();

  // The first level played: the first café's second day.
  static constexpr int32_t kFirstLevel = 2;

  // The boards, back to front as they are attached (each null until start-up loading is done,
  // or when its layout is missing): the screens' table's order.
  using Screen = ScreenTable::Id;
  using enum ScreenTable::Id;
  static constexpr int32_t kScreenCount = ScreenTable::kCount;
  ZCCandyWidget* GetScreen(Screen screen) const { return ScreenTable::Get(screen); }
  // The game's board (null before start-up loading).
  ZCBoard_Game3* GetBoard() const { return mBoard; }

  // LoadScreen: over the other boards with the focus while a level loads.
  void ShowLoadScreen() override;
  void HideLoadScreen() override;
  void LevelLoadFailed() override;
  // CafeScreens: the message box of the id; a career result is recorded by the book (the
  // board's debriefing shows next); a survival end opens the high scores or the survival page.
  void ShowMessageBox(const std::string& id) override;
  void SetCareerResult(int32_t money, int32_t result, int32_t level) override;
  void ShowSurvivalEnd(bool highScore) override;

 protected:
  void LoadOptions() override;
  void LoadConfig() override;
  void LoadingCompleted() override;
  void UpdateStep() override;
  // Asks the "quit" box first; nothing while the splash shows or a box is open (a stop signal
  // then leaves without asking: CanAskQuitNow).
  void RequestQuit() override;
  // A stop signal: the profile is saved as after a confirmed quit.
  void QuitWithoutAsking() override;
  // The "quit" box can open: no splash, no box open (the player's own "quit" box included).
  bool CanAskQuitNow() const override;
  // The start-up loader or a level load is running.
  bool IsBusyLoading() const override;
  // True when the splash is to give way to the main menu at once (never here: its slides run).
  virtual bool IsSplashOver() const { return false; }
  // The main menu over its background (it starts no level; the test driver's may).
  virtual void ShowMainMenu();

 private:
  // The café board's dialogs, as its children.
  void CreateBoardDialogs();
  void ShowScreen(Screen screen, bool show);
  // The splash is up and the start-up loader has handed the screens over.
  bool IsSplashShowing() const;

  ZCBoard_Game3* mBoard = nullptr;
  // Set by the start-up loader when ui.xml has no "hud"; read after the hand-over.
  bool mHudMissing = false;
  // The board keeps the player's progress, upgrades and scores in the profile store.
  StoreProfile mStoreProfile{GetProfileStore()};
};
