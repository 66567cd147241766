// The café's part of the data read from arbitrary bytes: the input holds a level file and, after
// a line "%%", a document whose root serves both as cfg.xml (actor parameter blocks, game values,
// upgrade lists) and as the level's object document (without that line, one document serves as
// all). The café's object classes are registered, so the heroine, visitors, workers, trays and
// bubbles load as themselves. The café board reads the game parameters, loads the level (career
// or, for inputs of odd length, endless) and plays it for half a minute of game time: visitors
// come, order, are served or lose patience and leave, while the pick items are clicked in turn
// and the board is drawn now and then. Then every mini-game bonus is taken, the upgrade offers
// are listed and each applied and taken back, and the level is cleared again, which must undo
// its overrides. Each input starts from a new board and reset worlds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "CafeBoardFuzz.h"

namespace {
// Update steps of 10 ms played, and how often the pick items are clicked and the board drawn.
constexpr int kSteps = 3000;
constexpr int kClickEvery = 150;
constexpr int kDrawEvery = 1000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const cafe_fuzz::LevelInput input = cafe_fuzz::SplitLevelInput(data, size);
  if (!input.level || !input.root) return 0;

  auto board = cafe_fuzz::MakeBoard(input);
  const bool endless = (size & 1) != 0;
  board->ReadLevelDocuments(endless ? 1 : 2, endless, input.level, input.root);
  board->StartLevel();
  for (int step = 0; step < kSteps; ++step) {
    // One pick item at a time: the heroine walks to it, takes or hands over what it holds.
    if (step % kClickEvery == 0) cafe_fuzz::ClickPickItems(*board, size_t(step / kClickEvery), 1);
    board->StepGame();
    if (step % 500 == 0) board->AddMoney(60);
    if (step % kDrawEvery == kDrawEvery - 1) cafe_fuzz::DrawBoard(*board);
  }
  for (int type = -1; type <= 5; ++type) board->ApplyMiniGameBonus(type, 1 + (type & 1));
  board->KeyUp(ZCBoard_Game3::kEscapeKey);
  board->LoseLife();
  std::vector<UpgradeRecord*> offers;
  board->ListUpgradeOffers(offers);
  for (UpgradeRecord* offer : offers) {
    board->ApplyUpgrade(*offer, true);
    board->ApplyUpgrade(*offer, false);
  }
  board->ReapplyUpgrades();
  board->ReportLevelResult();

  cafe_fuzz::ClearBoard(std::move(board));
  return 0;
}
