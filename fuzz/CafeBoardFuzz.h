// What the café board's fuzz targets share: an input cut into a level document and a root
// document, the café's object classes and the sample packs set up once, a board that reports
// nothing, and the ways of playing a loaded level (clicks on its pick items, drawing).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "cafe/CafeProfile.h"
#include "cafe/ZCBoard_Game3.h"
#include "shell/XmlNode.h"

namespace cafe_fuzz {

// The input's level file and, after a line "%%", the root document (without that line, one
// document serves as both). The nodes are null when the documents have no "level" or "root".
struct LevelInput {
  XmlNode levelDoc, rootDoc;
  XmlNode level, root;
};
LevelInput SplitLevelInput(const uint8_t* data, size_t size);

// The café board, except that a finished level is not reported (the default would load it
// again: the next input is what comes next), and that it keeps its own player profile: the
// board's default lasts as long as the process, so the bonus hints and upgrade flags an input
// set would change what the inputs after it do.
class FuzzCafeBoard : public ZCBoard_Game3 {
 public:
  FuzzCafeBoard() { SetProfile(&mProfile); }
  ~FuzzCafeBoard() override { SetProfile(nullptr); }
  void OnLevelFinished() override {}

 private:
  CafeProfile mProfile;
};

// A new board for the input, shown, with the input's root read as its game parameters. Once per
// process the board's and the café's object classes are registered first (the heroine, visitors,
// workers, trays and bubbles load as themselves) and the sample packs beside the program are
// opened, so that parts find the animation sets and pictures their names give (the pictures are
// read once and shared by every input, as the game shares them between levels). Each input
// starts from an empty board world and café world, a reset clock and seed 1.
std::unique_ptr<FuzzCafeBoard> MakeBoard(const LevelInput& input);
// Clears the board's level and game parameters (which must undo the level's overrides), deletes
// it and resets the worlds.
void ClearBoard(std::unique_ptr<FuzzCafeBoard> board);

// Hovers and clicks the pick items of the level (at most `limit`, from the `first` on, in the
// order of their names) inside their regions, as a player's clicks reach them.
void ClickPickItems(ZCBoard_Game& board, size_t first, size_t limit);

// Draws the board into a screen-sized picture whose pixels are never looked at.
void DrawBoard(ZCBoard_Game& board);

}  // namespace cafe_fuzz
