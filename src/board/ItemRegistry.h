#pragma once
#include <map>
#include <string>
#include <vector>

class ZCItem;

// The level's items: by name, where the first item of a name stays, and in creation order. The
// registry owns the items of its list; ZCItem::DeleteAll deletes them.
class ItemRegistry {
 public:
  ItemRegistry() = default;
  ItemRegistry(const ItemRegistry&) = delete;
  ItemRegistry& operator=(const ItemRegistry&) = delete;

  // Appends the item to the list and enters it under the name unless the name is taken.
  void Add(const std::string& name, ZCItem* item);
  // The first item registered under the name, or null.
  ZCItem* Find(const std::string& name) const;
  // Forgets the item: its name entry only when the entry is its own, and its place in the list.
  void Remove(ZCItem* item);
  // Empties both and hands back the items of the list, for their owner to delete.
  std::vector<ZCItem*> TakeAll();

  const std::vector<ZCItem*>& Items() const { return mList; }
  size_t Size() const { return mList.size(); }

 private:
  std::map<std::string, ZCItem*> mByName;
  std::vector<ZCItem*> mList;
};
