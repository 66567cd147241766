// The game-parameter blocks of "cfg\\cfg.xml" read from arbitrary bytes: the walkers, workers,
// visitors, period items, the heroine, the level values, the rush bonus and the upgrade lists.
// Each input is read twice into a new café board (a second read replaces the first, as a
// restart of the game does), the upgrade offers of each kind are listed, and the blocks are
// cleared again.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "board/BoardWorld.h"
#include "cafe/ZCBoard_Game3.h"
#include "shell/XmlNode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XmlNode doc = LoadXmlFromMemory(data, size, "fuzz cfg.xml");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) return 0;
  ResetBoardWorld();
  auto board = std::make_unique<ZCBoard_Game3>();
  board->LoadGameParams(root);
  board->LoadGameParams(root);
  board->ClearGameParams();
  return 0;
}
