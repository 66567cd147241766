#include "resources/ZCTextureCache.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "platform/memory/Memory.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

// --- ZCImageDesc -------------------------------------------------------------------------------

int32_t ZCImageDesc::GetLockCount() const {
  std::lock_guard<std::mutex> hold(mCache->mLock);
  return mLockCount;
}

bool ZCImageDesc::IsLoaded() const {
  std::lock_guard<std::mutex> hold(mCache->mLock);
  return mImage != nullptr;
}

// --- TextureHandle -----------------------------------------------------------------------------

TextureHandle& TextureHandle::operator=(TextureHandle&& other) noexcept {
  if (this != &other) {
    Release();
    mDesc = other.mDesc;
    mLocked = other.mLocked;
    other.mDesc = nullptr;
    other.mLocked = false;
  }
  return *this;
}

void TextureHandle::Lock() {
  if (!mDesc || mLocked) return;
  mDesc->mCache->LockDesc(mDesc);
  mLocked = true;
}

void TextureHandle::Unlock() {
  if (!mDesc || !mLocked) return;
  mLocked = false;
  mDesc->mCache->UnlockDesc(mDesc);
}

void TextureHandle::Assign(const TextureHandle& other) {
  if (this == &other) return;
  ZCImageDesc* desc = other.mDesc;
  bool lock = other.mLocked;
  // Lock the new texture before giving up the old one, so that assigning a handle on the same
  // texture never unloads and reloads it.
  if (desc && lock) desc->mCache->LockDesc(desc);
  Release();
  mDesc = desc;
  mLocked = desc && lock;
}

void TextureHandle::Release() {
  Unlock();
  mDesc = nullptr;
}

Vesk::MemoryImage* TextureHandle::GetImage() {
  if (!mDesc) return nullptr;
  Lock();
  std::lock_guard<std::mutex> hold(mDesc->mCache->mLock);
  return mDesc->mImage.get();
}

// --- ZCTextureCache ----------------------------------------------------------------------------

namespace {
bool AddOne(const XmlNode& node, void* cachePtr, void* countPtr) {
  std::string id, file, flags;
  GetAttrStringA(node, "id", id);
  GetAttrStringA(node, "file", file);
  GetAttrStringA(node, "flags", flags);
  bool table = false;
  const int32_t textureFlags = ZCTextureCache::ParseFlags(id, flags, &table);
  if (static_cast<ZCTextureCache*>(cachePtr)->AddTexture(id, file, textureFlags, table)) ++*static_cast<int*>(countPtr);
  return true;
}
}  // namespace

ZCTextureCache::ZCTextureCache(ImageFileLoader loader) : mLoader(std::move(loader)) {}

ZCTextureCache::~ZCTextureCache() = default;

int ZCTextureCache::LoadTextures(const XmlNode& root) {
  int added = 0;
  ForEachNode(root, L"textures/texture", AddOne, this, &added);
  return added;
}

int32_t ZCTextureCache::ParseFlags(const std::string& id, const std::string& words, bool* colourTable) {
  using Vesk::MemoryImage;
  int32_t flags = 0;
  *colourTable = false;
  size_t at = 0;
  while (at < words.size()) {
    const size_t start = words.find_first_not_of(" ,\t", at);
    if (start == std::string::npos) break;
    const size_t end = std::min(words.find_first_of(" ,\t", start), words.size());
    const std::string word = words.substr(start, end - start);
    at = end;
    if (word == "prefer16")
      flags |= MemoryImage::TEXFLAG_PREFER16;
    else if (word == "fullcolor")
      flags |= MemoryImage::TEXFLAG_FULLCOLOR;
    else if (word == "64x64")
      flags |= MemoryImage::TEXFLAG_64X64;
    else if (word == "pow2")
      flags |= MemoryImage::TEXFLAG_POW2;
    else if (word == "palette")
      *colourTable = true;
    else
      LogMessage("WARNING: ZCTextureCache: texture \"%s\" has an unknown flag \"%s\"; ignored", id.c_str(),
                 word.c_str());
  }
  return flags;
}

bool ZCTextureCache::AddTexture(const std::string& id, const std::string& file, int32_t textureFlags,
                                bool colourTable) {
  if (id.empty() || file.empty()) {
    LogMessage("WARNING: ZCTextureCache: texture \"%s\" needs an id and a file; skipped", id.c_str());
    return false;
  }
  std::lock_guard<std::mutex> hold(mLock);
  auto& slot = mDescs[id];
  if (slot) {
    LogMessage("WARNING: ZCTextureCache: texture \"%s\" is declared twice; the first is kept", id.c_str());
    return false;
  }
  slot = std::make_unique<ZCImageDesc>(this, id, file, textureFlags, colourTable);
  return true;
}

TextureHandle ZCTextureCache::GetTexture(const std::string& id) {
  std::lock_guard<std::mutex> hold(mLock);
  auto it = mDescs.find(id);
  if (it == mDescs.end()) {
    LogMessage("WARNING: ZCTextureCache: no texture \"%s\"", id.c_str());
    return TextureHandle();
  }
  return TextureHandle(it->second.get());
}

bool ZCTextureCache::HasTexture(const std::string& id) const {
  std::lock_guard<std::mutex> hold(mLock);
  return mDescs.count(id) != 0;
}

size_t ZCTextureCache::GetCount() const {
  std::lock_guard<std::mutex> hold(mLock);
  return mDescs.size();
}

size_t ZCTextureCache::GetLoadedCount() const {
  std::lock_guard<std::mutex> hold(mLock);
  size_t n = 0;
  for (const auto& [id, desc] : mDescs) n += desc->mImage ? 1 : 0;
  return n;
}

void ZCTextureCache::LockDesc(ZCImageDesc* desc) {
  std::lock_guard<std::mutex> hold(mLock);
  // The image is loaded under the lock, so a second thread locking the same texture waits for
  // it rather than loading it twice.
  if (desc->mLockCount++ == 0 && !desc->mImage) {
    desc->mImage = mLoader ? mLoader(desc->mFile) : nullptr;
    if (!desc->mImage) {
      LogMessage("ERROR: ZCTextureCache: texture \"%s\" (%s) cannot be loaded", desc->mId.c_str(),
                 desc->mFile.c_str());
    } else {
      desc->mImage->mTextureFlags = desc->mTextureFlags;
      if (desc->mColourTable && !desc->mImage->Palettize())
        LogMessage("WARNING: ZCTextureCache: texture \"%s\" has more than 256 colours; kept without a colour table",
                   desc->mId.c_str());
    }
  }
}

void ZCTextureCache::UnlockDesc(ZCImageDesc* desc) {
  std::lock_guard<std::mutex> hold(mLock);
  if (desc->mLockCount > 0 && --desc->mLockCount == 0 && mHolds == 0) desc->mImage.reset();
}

void ZCTextureCache::BeginHold() {
  std::lock_guard<std::mutex> hold(mLock);
  ++mHolds;
}

void ZCTextureCache::EndHold() {
  std::lock_guard<std::mutex> hold(mLock);
  if (mHolds <= 0 || --mHolds > 0) return;
  for (auto& [id, desc] : mDescs)
    if (desc->mLockCount == 0) desc->mImage.reset();
  Platform::ReturnFreeMemory();
}

// --- ZCTexture ---------------------------------------------------------------------------------

ZCTexture ZCTexture::ZCTextureFromHandle(const TextureHandle& handle, const Rect& srcRect) {
  ZCTexture t;
  if (handle.IsNullHandle()) {
    LogMessage("WARNING: ZCTexture: cut from an empty texture handle");
    return t;
  }
  t.mHandle = TextureHandle(handle.GetDesc());
  Vesk::MemoryImage* image = t.mHandle.GetImage();
  if (!image) {
    LogMessage("WARNING: ZCTexture: texture \"%s\" has no image to cut from", handle.GetDesc()->GetId().c_str());
    return ZCTexture();
  }
  t.mImage = image;
  t.mSrcRect = srcRect.Intersection(image->GetRect());
  return t;
}

void ZCTexture::Draw(Vesk::Graphics& g, int32_t x, int32_t y) const {
  if (mImage && mSrcRect.mWidth > 0) g.DrawImage(mImage, x, y, mSrcRect);
}
