#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ZCAtlasPack;
class ZCEngine;
namespace Vesk {
class MemoryImage;
}

struct AtlasImageEntry {
  ZCAtlasPack* atlas = nullptr;
  int32_t page = 0, offsetX = 0, offsetY = 0, W = 0, H = 0, atlasX = 0, atlasY = 0, origW = 0, origH = 0;
};

// Temporary stand-in until the atlas lands.
class ZCAtlasPack {
 public:
  ZCAtlasPack(ZCEngine* app, const std::string& name);
  ~ZCAtlasPack();
  AtlasImageEntry* Find(const std::string& name) const;
  Vesk::MemoryImage* GetPage(int32_t page) const;
  int32_t GetPageCount() const { return int32_t(mPages.size()); }
  static std::string NormaliseName(std::string name);

 private:
  std::vector<std::unique_ptr<Vesk::MemoryImage>> mPages;
  std::map<std::string, std::unique_ptr<AtlasImageEntry>> mEntries;
};
