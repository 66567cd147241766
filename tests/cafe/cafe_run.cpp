// The café's level runner: plays a level headless on the café board with its default
// neighbours (see driver/LevelRunner.h); the last line gives the money against the goals.
// With --profile the board keeps its results in the player profile store ("pref.dat" in the
// run's home), loaded with the game's texts when the board is made: a survival result enters
// its high-score table. With --minigame the board gets the bonus row of ui.xml as its child. With
// --hud the board has the game's head-up display from ui.xml, with the tutorial's notes (pressed
// by the script as "hud/<note>/close"). With --pack FILE the pack is added over the game's before
// the board reads its data, as a "mod.pak" would be.
#include <cstdio>
#include <string>
#include <vector>

#include "board/ItemFactory.h"
#include "cafe/CafeObjects.h"
#include "cafe/ProfileStore.h"
#include "cafe/StoreProfile.h"
#include "cafe/ZBoard_Hud.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCMiniGame.h"
#include "driver/LevelRunner.h"
#include "engine/ZCEngine.h"
#include "shell/LocTable.h"
#include "shell/PakInterface.h"

namespace {
void TraceEnd(RunTrace& trace, ZCBoard_Game& board) {
  auto* cafe = dynamic_cast<ZCBoard_Game3*>(&board);
  if (!cafe) return;
  trace.TraceEvent("end money " + std::to_string(cafe->GetMoney()) + " goal " + std::to_string(cafe->GetGoal()) +
                   " expert " + std::to_string(cafe->GetExpertGoal()));
}
}  // namespace

int main(int argc, char** argv) {
  InitItemFactoryTable();
  RegisterCafeItemClasses();
  bool useStore = false;
  bool useHud = false;
  bool withMiniGame = false;
  std::string pack;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::string(argv[i]) == "--pack" && i + 1 < argc)
      pack = argv[++i];
    else if (std::string(argv[i]) == "--profile")
      useStore = true;
    else if (std::string(argv[i]) == "--hud")
      useHud = true;
    else if (std::string(argv[i]) == "--minigame")
      withMiniGame = true;
    else
      args.push_back(argv[i]);
  }
  static StoreProfile profile(GetProfileStore());
  return RunLevelMain(
      int(args.size()), args.data(), "cafe_run",
      [useStore, useHud, withMiniGame, pack] {
        if (!pack.empty() && !GetPakInterface()->AddPakFile(pack)) std::fprintf(stderr, "cannot add %s\n", pack.c_str());
        auto* board = new ZCBoard_Game3();
        if (ZCEngine* engine = GetEngine(); useHud && engine && engine->GetUiDocument())
          ZBoard_Hud::CreateFor(board, engine->GetUiDocument(), engine);
        if (ZCEngine* engine = GetEngine(); engine && withMiniGame)
          ZCMiniGame::CreateFor(board, board, engine->GetUiDocument(), engine);
        if (useStore) {
          // The game's texts hold the high-score tables of a new profile.
          if (ZCEngine* engine = GetEngine()) engine->GetLocTable()->Load();
          GetProfileStore().Load();
          board->SetProfile(&profile);
        }
        return board;
      },
      TraceEnd);
}
