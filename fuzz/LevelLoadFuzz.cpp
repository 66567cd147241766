// A level read from arbitrary bytes: the input holds the level file and, after a line "%%", the
// object document (without that line, one document serves as both). They go through the
// level load's steps into a plain board, which then plays the level: every pick item is hovered
// and clicked, the walker runs its errands for a few hundred steps and the board is drawn now
// and then. The sample packs beside the program are opened, so that parts find the animation
// sets their names give. Each input starts from a new board and a reset world, so that what
// one input does is reproduced by that input alone.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCPickItem.h"
#include "effects/EffectServices.h"
#include "effects/GameClock.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "platform/paths/UserPaths.h"
#include "shell/PakInterface.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"

namespace {
const char kSeparator[] = "\n%%\n";

// The plain board, except that a finished level is not loaded again: the next input is.
class FuzzBoard : public ZCBoard_Plain {
 public:
  void OnLevelFinished() override {}
};

// The sample packs, once: their animation sets are read-only for the run. Their pictures are
// read once too and shared by every input, as the game shares them between levels.
void OpenSamplePacks() {
  static const int opened = [] {
    GetEffectServices().mLoadImage = [](const std::string& file) {
      static std::map<std::string, std::shared_ptr<Vesk::MemoryImage>> loaded;
      auto [it, added] = loaded.try_emplace(file);
      if (added) it->second = ImageLib::GetImage(file);
      return it->second;
    };
    return AddStandardPaks(GetPakInterface(), Platform::ExecutableDir());
  }();
  (void)opened;
}

// The board is drawn into this picture; its pixels are never looked at.
Vesk::MemoryImage& Screen() {
  static Vesk::MemoryImage* image = [] {
    auto* screen = new Vesk::MemoryImage(1024, 768);
    // Opaque by hand, like the display's own surface: drawing need not scan it for alpha.
    screen->SetImageMode(false, false);
    return screen;
  }();
  return *image;
}

void DrawBoard(ZCBoard_Plain& board) {
  Vesk::Graphics g(&Screen());
  board.Draw(&g);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* end = data + size;
  const uint8_t* cut = std::search(data, end, kSeparator, kSeparator + std::strlen(kSeparator));
  const size_t levelSize = size_t(cut - data);
  XmlNode levelDoc = LoadXmlFromMemory(data, levelSize, "fuzz level");
  XmlNode objectDoc = cut == end ? levelDoc
                                 : LoadXmlFromMemory(cut + std::strlen(kSeparator),
                                                     size_t(end - cut) - std::strlen(kSeparator), "fuzz objects");
  XmlNode level = levelDoc.selectSingleNode(L"level");
  XmlNode root = objectDoc.selectSingleNode(L"root");
  if (!level || !root) return 0;

  OpenSamplePacks();
  ResetBoardWorld();
  GameClock::ResetAll();
  SeedRandom(1);
  auto owned = std::make_unique<FuzzBoard>();
  ZCBoard_Plain& board = *owned;
  // Shown, as in the game: a hidden board's gate stays closed and nothing would be played.
  board.SetVisible(true);
  board.LoadGameParams(root);
  board.ReadLevelDocuments(90, (size & 1) != 0, level, root);
  board.StartLevel();

  // Every pick item (up to a handful) is hovered and clicked inside its region.
  std::vector<ZCPickItem*> picks;
  for (const auto& [name, item] : GetBoardWorld().mPickItems) picks.push_back(item);
  if (picks.size() > 8) picks.resize(8);
  for (ZCPickItem* item : picks) {
    const auto& vertices = item->GetRegion().Vertices();
    if (vertices.empty()) {
      board.QueueClick(item);
      continue;
    }
    int64_t x = 0, y = 0;
    for (const BoardPoint& v : vertices) x += v.x, y += v.y;
    const BoardPoint point{int32_t(x / int64_t(vertices.size())), int32_t(y / int64_t(vertices.size()))};
    board.UpdateHover(point.x, point.y);
    board.ClickAt(point);
  }
  DrawBoard(board);
  for (int step = 0; step < 300; ++step) {
    board.StepGame();
    if (step % 100 == 99) DrawBoard(board);
  }

  board.ClearLevelData();
  board.ClearGameParams();
  owned.reset();
  ResetBoardWorld();
  return 0;
}
