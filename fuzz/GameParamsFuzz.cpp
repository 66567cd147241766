// The game-parameter blocks of "cfg\\cfg.xml" read from arbitrary bytes: the walkers, workers,
// visitors, period items, the heroine, the level values, the rush bonus and the upgrade lists.
// Each input is read twice into a new café board (a second read replaces the first, as a
// restart of the game does). Then the upgrade offers are built from what was read: for each
// café, a day of it that offers functional upgrades and one that offers visual ones is read
// (a level with no objects), its offers are listed, and each is applied and taken back. The
// blocks are cleared again at the end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "cafe/CafeObjects.h"
#include "cafe/ZCBoard_Game3.h"
#include "shell/XmlNode.h"

namespace {
XmlNode ParseRoot(const std::string& text, const wchar_t* root) {
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "fuzz day")
      .selectSingleNode(root);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A day's level that asks for upgrades of each kind, and an object document with no objects.
  static const XmlNode kDays[] = {
      ParseRoot(R"(<level upgrade="func"><params normal="1" expert="2"/></level>)", L"level"),
      ParseRoot(R"(<level upgrade="vis"><params normal="1" expert="2"/></level>)", L"level")};
  static const XmlNode kNoObjects = ParseRoot("<root><param/></root>", L"root");
  XmlNode doc = LoadXmlFromMemory(data, size, "fuzz cfg.xml");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) return 0;
  ResetBoardWorld();
  ResetCafeWorld();
  auto board = std::make_unique<ZCBoard_Game3>();
  board->LoadGameParams(root);
  board->LoadGameParams(root);
  for (int32_t cafe = 1; cafe <= 3; ++cafe) {
    for (const XmlNode& day : kDays) {
      board->ReadLevelDocuments(FirstDayOfCafe(cafe).mFirstLevel + 1, false, day, kNoObjects);
      std::vector<UpgradeRecord*> offers;
      board->ListUpgradeOffers(offers);
      for (UpgradeRecord* offer : offers) {
        Rect area;
        board->GetUpgradeArea(*offer, area);
        board->ApplyUpgrade(*offer, true);
        board->ApplyUpgrade(*offer, false);
      }
      board->ClearLevelData();
    }
  }
  board->ClearGameParams();
  board.reset();
  ResetBoardWorld();
  ResetCafeWorld();
  return 0;
}
