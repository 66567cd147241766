#include "screens/ZCAtlasPack.h"

#include <algorithm>
#include <cstdio>

#include "engine/ZCEngine.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/XmlNode.h"

ZCAtlasPack::ZCAtlasPack(ZCEngine* app, const std::string& name) : mName(name) {
  const std::string description = name + "_atlaspack.xml";
  // A cut-scene without its atlas is quiet: its pictures are then read from their own files.
  if (!GetPakInterface()->Exists(description)) return;
  XmlNode doc = LoadXmlDocument(description);
  XmlNode content = doc.selectSingleNode(L"atlas_content");
  if (!content) return;
  int32_t count = 0;
  GetAttrIntA(content, "atlas_count", count);
  if (count < 0 || count > kMaxPages) {
    LogMessage("WARNING: %s: atlas_count %d taken as %d", description.c_str(), count,
               std::clamp(count, 0, kMaxPages));
    count = std::clamp(count, 0, kMaxPages);
  }
  for (int32_t i = 0; i < count; ++i) {
    char page[16];
    std::snprintf(page, sizeof page, "_%02d.png", int(i));
    mPages.push_back(app ? app->LoadImageFile(name + page, true) : nullptr);
  }
  for (const XmlNode& node : content.selectNodes(L"image")) {
    std::string entryName;
    node.getAttribute("name", entryName);
    auto e = std::make_unique<AtlasImageEntry>();
    e->atlas = this;
    GetAttrIntA(node, "atlas", e->page);
    GetAttrIntA(node, "offsetX", e->offsetX);
    GetAttrIntA(node, "offsetY", e->offsetY);
    GetAttrIntA(node, "atlasX", e->atlasX);
    GetAttrIntA(node, "atlasY", e->atlasY);
    GetAttrIntA(node, "W", e->W);
    GetAttrIntA(node, "H", e->H);
    GetAttrIntA(node, "origW", e->origW);
    GetAttrIntA(node, "origH", e->origH);
    Mend(entryName, *e);
    // A later entry of the same name takes the place of the earlier one.
    mEntries[entryName] = std::move(e);
  }
}

ZCAtlasPack::~ZCAtlasPack() = default;

void ZCAtlasPack::Mend(const std::string& name, AtlasImageEntry& e) const {
  const AtlasImageEntry read = e;
  auto hold = [](int32_t& v, int32_t lo, int32_t hi) { v = std::clamp(v, lo, hi); };
  hold(e.offsetX, -kMaxSide, kMaxSide);
  hold(e.offsetY, -kMaxSide, kMaxSide);
  hold(e.origW, 0, kMaxSide);
  hold(e.origH, 0, kMaxSide);
  hold(e.W, 0, kMaxSide);
  hold(e.H, 0, kMaxSide);
  if (const Vesk::MemoryImage* page = GetPage(e.page)) {
    // Cut the rectangle to the page (computed in 64 bits: the corners may be far out).
    const int64_t x0 = std::clamp<int64_t>(e.atlasX, 0, page->GetWidth());
    const int64_t y0 = std::clamp<int64_t>(e.atlasY, 0, page->GetHeight());
    const int64_t x1 = std::clamp<int64_t>(int64_t(e.atlasX) + e.W, x0, page->GetWidth());
    const int64_t y1 = std::clamp<int64_t>(int64_t(e.atlasY) + e.H, y0, page->GetHeight());
    e.atlasX = int32_t(x0);
    e.atlasY = int32_t(y0);
    e.W = int32_t(x1 - x0);
    e.H = int32_t(y1 - y0);
  } else if (e.page < 0 || e.page >= GetPageCount()) {
    LogMessage("WARNING: atlas %s: the picture %s lies on page %d, which the atlas lacks", mName.c_str(),
               name.c_str(), int(e.page));
  }
  if (e.offsetX != read.offsetX || e.offsetY != read.offsetY || e.origW != read.origW || e.origH != read.origH ||
      e.W != read.W || e.H != read.H || e.atlasX != read.atlasX || e.atlasY != read.atlasY)
    LogMessage("WARNING: atlas %s: the picture %s (at %d,%d, %dx%d of %dx%d, offset %d,%d) was cut to %d,%d, %dx%d of %dx%d, offset %d,%d",
               mName.c_str(), name.c_str(), read.atlasX, read.atlasY, read.W, read.H, read.origW, read.origH,
               read.offsetX, read.offsetY, e.atlasX, e.atlasY, e.W, e.H, e.origW, e.origH, e.offsetX, e.offsetY);
}

AtlasImageEntry* ZCAtlasPack::Find(const std::string& name) const {
  auto found = mEntries.find(name);
  return found == mEntries.end() ? nullptr : found->second.get();
}

Vesk::MemoryImage* ZCAtlasPack::GetPage(int32_t page) const {
  if (page < 0 || page >= GetPageCount()) return nullptr;
  return mPages[size_t(page)].get();
}

std::string ZCAtlasPack::NormaliseName(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
    else if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return name;
}
