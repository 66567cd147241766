#include "screens/ScreenTable.h"

#include "board/ZCBoard_Game.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_Help.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCComix.h"

namespace ScreenTable {
namespace {
ZCCandyWidget* gScreens[kCount] = {};
ZCBoard_Confirm2* gConfirm = nullptr;
ZCBoard_Confirm1* gMessage = nullptr;
ZCBgDialog* gBackground = nullptr;
}  // namespace

void Set(Id id, ZCCandyWidget* screen) {
  if (id >= 0 && id < kCount) gScreens[id] = screen;
}

ZCCandyWidget* Get(Id id) { return id >= 0 && id < kCount ? gScreens[id] : nullptr; }

void Clear() {
  for (ZCCandyWidget*& screen : gScreens) screen = nullptr;
  SetBoxes(nullptr, nullptr, nullptr);
}

ZCBoard_MainMenu* GetMainMenu() { return dynamic_cast<ZCBoard_MainMenu*>(gScreens[kMainMenu]); }
ZCBoard_Career* GetCareer() { return dynamic_cast<ZCBoard_Career*>(gScreens[kCareer]); }
ZCBoard_Help* GetHelp() { return dynamic_cast<ZCBoard_Help*>(gScreens[kHelp]); }
ZCBoard_Game* GetGameBoard() { return dynamic_cast<ZCBoard_Game*>(gScreens[kGameBoard]); }
ZCComix* GetComix() { return dynamic_cast<ZCComix*>(gScreens[kComix]); }
ZCBoard_Confirm2* GetConfirmBox() { return gConfirm; }
ZCBoard_Confirm1* GetMessageBox() { return gMessage; }
ZCBgDialog* GetBoxBackground() { return gBackground; }

void SetBoxes(ZCBoard_Confirm2* confirm, ZCBoard_Confirm1* message, ZCBgDialog* background) {
  gConfirm = confirm;
  gMessage = message;
  gBackground = background;
}

}  // namespace ScreenTable
