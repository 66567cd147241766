// The café's part of the data read from arbitrary bytes: the input holds a level file and, after
// a line "%%", a document whose root serves both as cfg.xml (actor parameter blocks, game values,
// upgrade lists) and as the level's object document (without that line, one document serves as
// all). The café board reads the game parameters, loads the level (career or, for inputs of odd
// length, endless), plays it for a while, takes every mini-game bonus, lists the upgrade offers
// and applies and takes back each, and clears the level again, which must undo its overrides.
// Each input starts from a new board and a reset world.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "board/BoardWorld.h"
#include "cafe/ZCBoard_Game3.h"
#include "effects/GameClock.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"

namespace {
const char kSeparator[] = "\n%%\n";

// The café board, except that a finished level is not reported (the default would load it again).
class FuzzCafeBoard : public ZCBoard_Game3 {
 public:
  void OnLevelFinished() override {}
};

// Screens that take the result and load nothing.
class QuietScreens : public CafeScreens {
 public:
  void SetCareerResult(int32_t, int32_t, int32_t) override {}
  void ShowSurvivalEnd(bool) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* end = data + size;
  const uint8_t* cut = std::search(data, end, kSeparator, kSeparator + std::strlen(kSeparator));
  XmlNode levelDoc = LoadXmlFromMemory(data, size_t(cut - data), "fuzz level");
  XmlNode rootDoc = cut == end ? levelDoc
                               : LoadXmlFromMemory(cut + std::strlen(kSeparator),
                                                   size_t(end - cut) - std::strlen(kSeparator), "fuzz root");
  XmlNode level = levelDoc.selectSingleNode(L"level");
  XmlNode root = rootDoc.selectSingleNode(L"root");
  if (!level || !root) return 0;

  ResetBoardWorld();
  GameClock::ResetAll();
  SeedRandom(1);
  static QuietScreens screens;
  auto board = std::make_unique<FuzzCafeBoard>();
  board->SetScreens(&screens);
  board->SetVisible(true);
  board->LoadGameParams(root);
  const bool endless = (size & 1) != 0;
  board->ReadLevelDocuments(endless ? 1 : 2, endless, level, root);
  board->StartLevel();
  for (int step = 0; step < 200; ++step) {
    board->StepGame();
    if (step % 50 == 0) board->AddMoney(60);
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

  board->ClearLevelData();
  board->ClearGameParams();
  board.reset();
  ResetBoardWorld();
  return 0;
}
