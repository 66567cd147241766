#pragma once
#include "engine/ZCEngine.h"
#include "widgets/ZCDialog.h"

// The game's application class.
class ZCEngine3 : public ZCEngine, public ZCDialogOwner {
 public:
  ZCEngine3();
  ~ZCEngine3() override;

  bool Init() override;

  // The first screen for now: the widget kit's test dialog (null when ui.xml lacks it).
  ZCDialog* GetTestDialog() const { return mTestDialog; }

  void DialogCommand(ZCDialog* dialog, int32_t buttonId) override;

 protected:
  void LoadConfig() override;
  void LoadingCompleted() override;

 private:
  ZCDialog* mTestDialog = nullptr;
};
