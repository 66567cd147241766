#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ZCEngine;
class ZCAtlasPack;
namespace Vesk {
class MemoryImage;
}

// One picture of an atlas: the rectangle (atlasX, atlasY, W, H) of page `page` holds the
// picture trimmed of its transparent border; drawn at (offsetX, offsetY) inside a frame of
// origW x origH it stands where the untrimmed picture would. Layout uses origW and origH.
struct AtlasImageEntry {
  ZCAtlasPack* atlas = nullptr;
  int32_t page = 0, offsetX = 0, offsetY = 0, W = 0, H = 0, atlasX = 0, atlasY = 0, origW = 0, origH = 0;
};

// A texture atlas: the pictures of one cut-scene packed on a few pages. The description
// "<name>_atlaspack.xml" lists the pictures ("atlas_content/image"), the pages are
// "<name>_00.png", "<name>_01.png"... ("atlas_count" of them). The name is used as written and
// read through the pack layer, like every game file.
//
// The atlas owns its pages and its entries. Entry names are kept as written; callers look up
// NormaliseName(name), so an entry written with capitals or "\\" is never found.
//
// Bad numbers are mended at load, each with a "WARNING: " line, so that drawing an entry never
// reads outside its page: negative sizes become 0, the rectangle is cut to its page, offsets and
// untrimmed sizes are held to +-kMaxSide. An entry whose page does not exist or failed to load
// is kept, and GetPage then gives null: the picture draws nothing.
class ZCAtlasPack {
 public:
  static constexpr int32_t kMaxPages = 100;    // "_00" to "_99"
  static constexpr int32_t kMaxSide = 32768;

  // Loads "<name>_atlaspack.xml" and its pages "<name>_%02d.png" through the engine's image
  // loader (ZCEngine::LoadImageFile(path, true)); never fails: an unreadable description gives an
  // empty atlas. Without an engine no page is loaded.
  ZCAtlasPack(ZCEngine* app, const std::string& name);
  ~ZCAtlasPack();
  ZCAtlasPack(const ZCAtlasPack&) = delete;
  ZCAtlasPack& operator=(const ZCAtlasPack&) = delete;

  // The entry stored under exactly that name, or null.
  AtlasImageEntry* Find(const std::string& name) const;
  // The page's image; null when out of range or the page failed to load.
  Vesk::MemoryImage* GetPage(int32_t page) const;
  int32_t GetPageCount() const { return int32_t(mPages.size()); }
  size_t GetEntryCount() const { return mEntries.size(); }

  // The form picture names are looked up in: every '\\' becomes '/', A-Z become a-z.
  static std::string NormaliseName(std::string name);

 private:
  void Mend(const std::string& name, AtlasImageEntry& e) const;

  std::string mName;
  std::vector<std::unique_ptr<Vesk::MemoryImage>> mPages;
  std::map<std::string, std::unique_ptr<AtlasImageEntry>> mEntries;
};
