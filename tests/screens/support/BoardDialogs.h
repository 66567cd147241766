#pragma once
#include <string>
#include <vector>

#include "cafe/ZCBoard_Game3.h"
#include "game/ZCEngine3.h"
#include "screens/ZCBoard_Briefing.h"
#include "screens/ZCBoard_EscapeMenu.h"

// What the board's dialog tests share: the board's level fields set as a level file would, and
// the dialogs by their id.
struct BoardAccess : ZCBoard_Game3 {
  static void SetLevel(ZCBoard_Game3* board, int32_t level, bool endless) {
    board->*(&BoardAccess::mLevelNumber) = level;
    board->*(&BoardAccess::mEndless) = endless;
  }
  static void SetStage(ZCBoard_Game3* board, int32_t stage) { board->*(&BoardAccess::mStageNumber) = stage; }
  static void SetFinishComix(ZCBoard_Game3* board, const std::string& name) {
    board->*(&BoardAccess::mFinishComix) = name;
  }
};

template <class T>
T* BoardDialogOf(ZCEngine3* game, ZCBoard_Game3::DialogId id) {
  return game && game->GetBoard() ? dynamic_cast<T*>(&game->GetBoard()->GetDialog(id)) : nullptr;
}
