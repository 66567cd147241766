#include "CafeBoardFuzz.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzScreen.h"
#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCPickItem.h"
#include "cafe/CafeHooks.h"
#include "cafe/CafeObjects.h"
#include "effects/EffectServices.h"
#include "effects/GameClock.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "platform/paths/UserPaths.h"
#include "shell/PakInterface.h"
#include "shell/Random.h"

namespace cafe_fuzz {
namespace {
const char kSeparator[] = "\n%%\n";

// Screens that take the result and load nothing.
class QuietScreens : public CafeScreens {
 public:
  void SetCareerResult(int32_t, int32_t, int32_t) override {}
  void ShowSurvivalEnd(bool) override {}
};

void SetUpOnce() {
  static const bool done = [] {
    InitItemFactoryTable();
    RegisterCafeItemClasses();
    GetEffectServices().mLoadImage = [](const std::string& file) {
      static std::map<std::string, std::shared_ptr<Vesk::MemoryImage>> loaded;
      auto [it, added] = loaded.try_emplace(file);
      if (added) it->second = ImageLib::GetImage(file);
      return it->second;
    };
    AddStandardPaks(GetPakInterface(), Platform::ExecutableDir());
    return true;
  }();
  (void)done;
}

void ResetWorlds() {
  ResetBoardWorld();
  ResetCafeWorld();
  GameClock::ResetAll();
  SeedRandom(1);
}
}  // namespace

LevelInput SplitLevelInput(const uint8_t* data, size_t size) {
  const size_t separator = std::strlen(kSeparator);
  const uint8_t* end = data + size;
  const uint8_t* cut = std::search(data, end, kSeparator, kSeparator + separator);
  LevelInput input;
  input.levelDoc = LoadXmlFromMemory(data, size_t(cut - data), "fuzz level");
  input.rootDoc = cut == end ? input.levelDoc
                             : LoadXmlFromMemory(cut + separator, size_t(end - cut) - separator, "fuzz root");
  input.level = input.levelDoc.selectSingleNode(L"level");
  input.root = input.rootDoc.selectSingleNode(L"root");
  return input;
}

std::unique_ptr<FuzzCafeBoard> MakeBoard(const LevelInput& input) {
  SetUpOnce();
  ResetWorlds();
  static QuietScreens screens;
  auto board = std::make_unique<FuzzCafeBoard>();
  board->SetScreens(&screens);
  // Shown, as in the game: a hidden board's gate stays closed and nothing would be played.
  board->SetVisible(true);
  board->LoadGameParams(input.root);
  return board;
}

void ClearBoard(std::unique_ptr<FuzzCafeBoard> board) {
  board->ClearLevelData();
  board->ClearGameParams();
  board.reset();
  ResetWorlds();
}

void ClickPickItems(ZCBoard_Game& board, size_t first, size_t limit) {
  std::vector<ZCPickItem*> picks;
  for (const auto& [name, item] : GetBoardWorld().mPickItems) picks.push_back(item);
  for (size_t i = 0; i < std::min(limit, picks.size()); ++i) {
    ZCPickItem* item = picks[(first + i) % picks.size()];
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
}

void DrawBoard(ZCBoard_Game& board) {
  Vesk::Graphics g(&FuzzScreen());
  board.Draw(&g);
}

}  // namespace cafe_fuzz
