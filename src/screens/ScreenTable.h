#pragma once
#include <cstdint>

class ZCCandyWidget;
class ZCBoard_Game;
class ZCBoard_MainMenu;
class ZCBoard_Career;
class ZCBoard_Help;
class ZCComix;
class ZCBoard_Confirm2;
class ZCBoard_Confirm1;
class ZCBgDialog;

// How the screens find each other without reaching the application class: one pointer per
// screen, filled by the application once its start-up loader has built them (the boxes by
// CreateStandardDialogs). A screen that is missing (no layout) stays null; every user checks.
// Written on the start-up loading thread before the hand-over, read on the main thread after it.
namespace ScreenTable {

// The boards, back to front as the application attaches them.
enum Id : int32_t {
  kMenuBackground,
  kLoadScreen,
  kMainMenu,
  kOptions,
  kHelp,
  kHiScores,
  kCareer,
  kSurvival,
  kGameBoard,
  // The cut-scene player, in front of the café board it pauses.
  kComix,
  kSplash,
  kCount
};

void Set(Id id, ZCCandyWidget* screen);
ZCCandyWidget* Get(Id id);
// Forgets every screen and box (the widget tree owns them).
void Clear();

ZCBoard_MainMenu* GetMainMenu();
ZCBoard_Career* GetCareer();
ZCBoard_Help* GetHelp();
ZCBoard_Game* GetGameBoard();
ZCComix* GetComix();
// The two boxes and the background behind them (null before CreateStandardDialogs).
ZCBoard_Confirm2* GetConfirmBox();
ZCBoard_Confirm1* GetMessageBox();
ZCBgDialog* GetBoxBackground();
void SetBoxes(ZCBoard_Confirm2* confirm, ZCBoard_Confirm1* message, ZCBgDialog* background);

}  // namespace ScreenTable
