#include "board/ItemRegistry.h"

#include <algorithm>

void ItemRegistry::Add(const std::string& name, ZCItem* item) {
  if (!item) return;
  mByName.emplace(name, item);
  mList.push_back(item);
}

ZCItem* ItemRegistry::Find(const std::string& name) const {
  auto it = mByName.find(name);
  return it == mByName.end() ? nullptr : it->second;
}

void ItemRegistry::Remove(ZCItem* item) {
  for (auto it = mByName.begin(); it != mByName.end();) {
    if (it->second == item)
      it = mByName.erase(it);
    else
      ++it;
  }
  mList.erase(std::remove(mList.begin(), mList.end(), item), mList.end());
}

std::vector<ZCItem*> ItemRegistry::TakeAll() {
  std::vector<ZCItem*> items;
  items.swap(mList);
  mByName.clear();
  return items;
}
