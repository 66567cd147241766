// A level read from arbitrary bytes: the input holds the level file and, after a line "%%", the
// object document (without that line, one document serves as both; its root serves as cfg.xml
// too). They go through the level load's steps into the café board, with the café's object
// classes registered, which then plays the level: every pick item (up to a handful) is hovered
// and clicked, the heroine runs her errands for a few hundred steps and the board is drawn now
// and then. The sample packs beside the program are opened, so that parts find the animation
// sets their names give; the input's length picks the level played. Each input starts from a
// new board and reset worlds, so that what one input does is reproduced by that input alone.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "CafeBoardFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const cafe_fuzz::LevelInput input = cafe_fuzz::SplitLevelInput(data, size);
  if (!input.level || !input.root) return 0;

  auto board = cafe_fuzz::MakeBoard(input);
  // The input's length picks the level: a survival café (odd) or a career day (even).
  const bool endless = (size & 1) != 0;
  const int32_t level = endless ? 1 + int32_t(size / 2 % 3) : 1 + int32_t(size / 2 % 60);
  board->ReadLevelDocuments(level, endless, input.level, input.root);
  board->StartLevel();

  cafe_fuzz::ClickPickItems(*board, 0, 8);
  cafe_fuzz::DrawBoard(*board);
  for (int step = 0; step < 300; ++step) {
    board->StepGame();
    if (step % 100 == 99) cafe_fuzz::DrawBoard(*board);
  }

  cafe_fuzz::ClearBoard(std::move(board));
  return 0;
}
