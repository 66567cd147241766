#pragma once
#include "cafe/StoreProfile.h"
#include "engine/ZCEngine.h"
#include "widgets/ZCDialog.h"

class ZCBoard_Game3;

// The game's application class.
class ZCEngine3 : public ZCEngine, public ZCDialogOwner {
 public:
  ZCEngine3();
  ~ZCEngine3() override;

  bool Init() override;
  void SwitchScreenMode(bool windowed, bool is3D, bool force) override;
  // A confirmed quit: the profile is saved, then the main loop ends.
  void OnQuitConfirmed();

  // The first level played: the first café's second day.
  static constexpr int32_t kFirstLevel = 2;

  // The widget kit's test dialog, hidden until shown (null when ui.xml lacks it).
  ZCDialog* GetTestDialog() const { return mTestDialog; }
  // The game's board (null before start-up loading).
  ZCBoard_Game3* GetBoard() const { return mBoard; }

  void DialogCommand(ZCDialog* dialog, int32_t buttonId) override;

 protected:
  void LoadConfig() override;
  // The widget kit's test dialog, built hidden.
  void LoadTestDialog();
  void LoadingCompleted() override;
  // Until the quit box exists, every quit request counts as confirmed.
  void RequestQuit() override;
  // The start-up loader or a level load is running.
  bool IsBusyLoading() const override;

 private:
  ZCDialog* mTestDialog = nullptr;
  ZCBoard_Game3* mBoard = nullptr;
  // The board keeps the player's progress, upgrades and scores in the profile store.
  StoreProfile mStoreProfile{GetProfileStore()};
};
