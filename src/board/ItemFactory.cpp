#include "board/ItemFactory.h"

#include <utility>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/ZCItem.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "shell/Log.h"

namespace {
using FactoryTable = std::vector<std::pair<std::string, ItemCreateFn>>;

FactoryTable& Table() {
  // "boss" makes a plain walker until the café brings its heroine.
  static FactoryTable table = {
      {"item", &ZCItem::Create}, {"pickable", &ZCPickItem::Create}, {"boss", &ZCMoveItem::Create}};
  return table;
}
}  // namespace

void RegisterItemClass(const std::string& word, ItemCreateFn create) {
  if (!create) {
    LogMessage("WARNING: RegisterItemClass: no create function for class '%s'", word.c_str());
    return;
  }
  for (auto& row : Table())
    if (row.first == word) {
      row.second = create;
      return;
    }
  Table().emplace_back(word, create);
}

ItemCreateFn FindItemClass(const std::string& word) {
  for (const auto& row : Table())
    if (row.first == word) return row.second;
  return nullptr;
}

std::vector<std::string> ItemClassWords() {
  std::vector<std::string> words;
  for (const auto& row : Table()) words.push_back(row.first);
  return words;
}

void InitItemFactoryTable() {
  RegisterItemClass("item", &ZCItem::Create);
  RegisterItemClass("pickable", &ZCPickItem::Create);
  RegisterItemClass("boss", &ZCMoveItem::Create);
}

ZCItem** FindWellKnownItemSlot(const std::string& name) {
  BoardWorld& world = GetBoardWorld();
  if (name == "boss") return &world.mBoss;
  if (name == "bonus") return &world.mBonus;
  return nullptr;
}

void ZCItem::ReadLevelObjects(const XmlNode& root) {
  for (const XmlNode& node : root.selectNodes(L"objects/object")) {
    const std::string word = ReadBoardText(node, L"class");
    const std::string name = ReadBoardText(node, L"name");
    ItemCreateFn create = FindItemClass(word);
    if (!create) {
      LogMessage("WARNING: ZCItem::ReadLevelObjects: unknown class '%s' of object '%s' skipped", word.c_str(),
                 name.c_str());
      continue;
    }
    ZCItem* item = create();
    if (!item) continue;
    if (ZCItem** slot = FindWellKnownItemSlot(name)) *slot = item;
    item->ReadItem(node);
    GetItemRegistry().Add(name, item);
  }
}
