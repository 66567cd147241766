#include "resources/ResourceManager.h"

#include "fonts/FontLoader.h"
#include "shell/Log.h"

namespace Vesk {

ResourceManager::ResourceManager(ImageFileLoader loader) : mLoader(std::move(loader)) {}

ResourceManager::~ResourceManager() = default;

int ResourceManager::ParseResources(const XmlNode& node) {
  int declared = 0;
  for (XmlNode child = node.firstChild(); child; child = child.nextSibling()) {
    std::wstring kind = child.nodeName();
    if (kind != L"image" && kind != L"font") continue;
    std::string id, file;
    GetAttrStringA(child, "id", id);
    GetAttrStringA(child, "file", file);
    if (id.empty()) {
      LogMessage("WARNING: ResourceManager: a resource without id is skipped");
      continue;
    }
    if (kind == L"image") {
      if (file.empty()) {
        LogMessage("WARNING: ResourceManager: image %s has no file", id.c_str());
        continue;
      }
      AddImage(id, file);
    } else {
      std::lock_guard<std::mutex> hold(mLock);
      mFonts[id] = FontRes{child, nullptr, false};
    }
    ++declared;
  }
  return declared;
}

bool ResourceManager::ParseResourcesFile(const std::string& file) {
  XmlNode doc = LoadXmlDocument(file);
  if (!doc) return false;
  ParseResources(doc.documentElement());
  return true;
}

void ResourceManager::AddImage(const std::string& id, const std::string& file) {
  std::lock_guard<std::mutex> hold(mLock);
  mImages[id] = ImageRes{file, nullptr, false};
}

MemoryImage* ResourceManager::GetImage(const std::string& id) {
  std::lock_guard<std::mutex> hold(mLock);
  auto it = mImages.find(id);
  if (it == mImages.end()) return nullptr;
  ImageRes& r = it->second;
  // A resource that failed once is not read again on every lookup.
  if (!r.mImage && !r.mTried) {
    r.mTried = true;
    r.mImage = mLoader ? mLoader(r.mFile) : nullptr;
    if (!r.mImage) LogMessage("ERROR: ResourceManager: image %s (%s) cannot be loaded", id.c_str(), r.mFile.c_str());
  }
  return r.mImage.get();
}

Font* ResourceManager::GetFont(const std::string& id) {
  std::lock_guard<std::mutex> hold(mLock);
  auto it = mFonts.find(id);
  if (it == mFonts.end()) return nullptr;
  FontRes& r = it->second;
  if (!r.mFont && !r.mTried) {
    r.mTried = true;
    r.mFont = CreateFontFromNode(r.mNode, id);
  }
  return r.mFont.get();
}

MemoryImage* ResourceManager::GetImageThrow(const std::string& id) {
  MemoryImage* image = GetImage(id);
  if (!image) throw ResourceManagerException("Image resource not found: " + id);
  return image;
}

Font* ResourceManager::GetFontThrow(const std::string& id) {
  Font* font = GetFont(id);
  if (!font) throw ResourceManagerException("Font resource not found: " + id);
  return font;
}

}  // namespace Vesk
