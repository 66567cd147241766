#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cafe/ProfileStore.h"
#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;
class ZCEditWidget;
class ZCList;

// The main menu (layout "main_menu"), drawn as the open book: the main page with the buttons
// career, survival, scores, settings, help and quit; the player page with the list of players
// and create, select and delete; the create dialog with its name field; the tabs that open and
// close the player page. A first start (no player stored) opens the create dialog with cancel
// disabled, so a name must be given.
//
// TurnPage is the page turn every book screen appears with: for 0.7 s the target's two pages
// unfold from the fold (forward) or open to the right (backward) under the turning sheet
// "f_pages" and the cover "f_cover" of the target's parent; the destination screen is visible
// under them from the start. Any named part the layout lacks is skipped.
class ZCBoard_MainMenu : public ZCDialog {
 public:
  // Which screen a page turn opens.
  enum TurnMode : int32_t { kTurnNone = 0, kTurnMainMenu, kTurnHelp, kTurnCareer, kTurnSurvival, kTurnHiScores };
  // The turn's geometry: page and book width, page height, the sheet's offset from the fold
  // (left) and from the top, and the duration.
  static constexpr int32_t kPageWidth = 475;
  static constexpr int32_t kBookWidth = 950;
  static constexpr int32_t kPageHeight = 727;
  static constexpr int32_t kSheetLeft = 73;
  static constexpr int32_t kSheetTop = 35;
  static constexpr float kTurnSeconds = 0.7f;
  // The longest player name.
  static constexpr int32_t kNameLength = 12;

  ZCBoard_MainMenu(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnCommand(ZCCandyWidget* button) override;
  // Enter confirms the name, Escape cancels it while cancel is enabled (the create dialog
  // forwards them from the name field); only while the create dialog is open.
  void KeyDown(int32_t key) override;
  void OnShowStart() override;
  void UnlockTextures() override;
  // One step of a running page turn, then the dialog's own update.
  void Update() override;

  // Starts a page turn to the target page dialog (null: back to the main page, which ends on the
  // main menu whatever the mode).
  void TurnPage(ZCCandyWidget* target, bool backward, int32_t mode);
  bool IsTurning() const { return mTurning; }
  // One step of a running turn (Update's; a screen turning its own pages while the menu is
  // hidden calls it). False once the turn has ended.
  bool StepTurn();
  // Steps a running turn only while the menu is hidden (its own update steps it otherwise): the
  // book screens that turn their own pages call it from their update.
  void StepTurnWhileHidden() {
    if (!IsVisible() && mTurning) StepTurn();
  }

  void ShowMainPage();
  void ShowProfilePage();
  void OpenCreateProfile(bool cancelDisabled);
  // The list from the store, the current player selected; delete only with two players or
  // more; the text variable "profile_name".
  void RefreshPlayerList();
  // False when a stored player has exactly this name (case counts).
  bool IsNameFree(const std::wstring& name);

  ZCCandyWidget* mMainPage = nullptr;
  ZCCandyWidget* mCareer = nullptr;
  ZCCandyWidget* mSurvival = nullptr;
  ZCCandyWidget* mScores = nullptr;
  ZCCandyWidget* mSettings = nullptr;
  ZCCandyWidget* mHelp = nullptr;
  ZCCandyWidget* mQuit = nullptr;
  ZCCandyWidget* mProfileOpen = nullptr;
  ZCCandyWidget* mProfileClose = nullptr;
  ZCCandyWidget* mPlayerPage = nullptr;
  ZCCandyWidget* mCreate = nullptr;
  ZCCandyWidget* mSelect = nullptr;
  ZCCandyWidget* mDelete = nullptr;
  ZCList* mList = nullptr;
  ZCCandyWidget* mCreateDialog = nullptr;
  ZCCandyWidget* mCancel = nullptr;
  ZCCandyWidget* mCreateConfirm = nullptr;
  ZCEditWidget* mNameField = nullptr;

 private:
  // Places the pages and the sheet for the turn's progress.
  void LayoutTurn();
  void EndTurn();
  // The destination screens of the mode made visible (at the start of a turn).
  void ShowDestination();
  ZCCandyWidget* TargetPart(const std::string& name) const;
  ZCCandyWidget* TargetParentPart(const std::string& name) const;
  void EnableTabs(bool enabled);

  std::vector<ProfileStore::PlayerRecord> mPlayers;
  bool mTurning = false;
  bool mBackward = false;
  ZCCandyWidget* mTarget = nullptr;
  int32_t mMode = kTurnNone;
  float mProgress = 0;
};
