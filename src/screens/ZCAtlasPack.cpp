#include "screens/ZCAtlasPack.h"

#include <cstdio>

#include "engine/ZCEngine.h"
#include "graphics/MemoryImage.h"
#include "shell/XmlNode.h"

ZCAtlasPack::ZCAtlasPack(ZCEngine* app, const std::string& name) {
  XmlNode doc = LoadXmlDocument(name + "_atlaspack.xml");
  XmlNode content = doc.selectSingleNode(L"atlas_content");
  if (!content) return;
  int32_t count = 0;
  GetAttrIntA(content, "atlas_count", count);
  for (int32_t i = 0; i < count && i < 64; ++i) {
    char page[300];
    std::snprintf(page, sizeof page, "%s_%02d.png", name.c_str(), int(i));
    mPages.push_back(app ? app->LoadImageFile(page, true) : nullptr);
  }
  for (const XmlNode& node : content.selectNodes(L"image")) {
    auto entry = std::make_unique<AtlasImageEntry>();
    std::string n;
    GetAttrStringA(node, "name", n);
    GetAttrIntA(node, "atlas", entry->page);
    GetAttrIntA(node, "offsetX", entry->offsetX);
    GetAttrIntA(node, "offsetY", entry->offsetY);
    GetAttrIntA(node, "W", entry->W);
    GetAttrIntA(node, "H", entry->H);
    GetAttrIntA(node, "atlasX", entry->atlasX);
    GetAttrIntA(node, "atlasY", entry->atlasY);
    GetAttrIntA(node, "origW", entry->origW);
    GetAttrIntA(node, "origH", entry->origH);
    mEntries[n] = std::move(entry);
  }
}

ZCAtlasPack::~ZCAtlasPack() = default;

AtlasImageEntry* ZCAtlasPack::Find(const std::string& name) const {
  auto it = mEntries.find(name);
  return it == mEntries.end() ? nullptr : it->second.get();
}

Vesk::MemoryImage* ZCAtlasPack::GetPage(int32_t page) const {
  return page >= 0 && page < int32_t(mPages.size()) ? mPages[size_t(page)].get() : nullptr;
}

std::string ZCAtlasPack::NormaliseName(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return name;
}
