#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/MemoryImage.h"
#include "graphics/Rect.h"
#include "resources/ImageLoader.h"

class XmlNode;
class ZCTextureCache;
namespace Vesk {
class Graphics;
}

// One texture id of the cache: its image file, and the image while any handle holds a lock on it.
class ZCImageDesc {
 public:
  ZCImageDesc(ZCTextureCache* cache, std::string id, std::string file, int32_t textureFlags = 0,
              bool colourTable = false)
      : mCache(cache), mId(std::move(id)), mFile(std::move(file)), mTextureFlags(textureFlags),
        mColourTable(colourTable) {}

  const std::string& GetId() const { return mId; }
  const std::string& GetFile() const { return mFile; }
  // What the loaded image gets: its texture flags (MemoryImage::TEXFLAG_*), and whether its
  // pixels go into a colour table.
  int32_t GetTextureFlags() const { return mTextureFlags; }
  bool WantsColourTable() const { return mColourTable; }
  // The number of locks held on it now.
  int32_t GetLockCount() const;
  bool IsLoaded() const;

 private:
  friend class ZCTextureCache;
  friend class TextureHandle;
  ZCTextureCache* mCache;
  std::string mId;
  std::string mFile;
  int32_t mTextureFlags;
  bool mColourTable;
  std::unique_ptr<Vesk::MemoryImage> mImage;
  int32_t mLockCount = 0;
};

// A counted handle on a texture: the descriptor and whether this handle holds a lock. The image
// is loaded by the first lock any handle takes and unloaded when the last lock goes.
class TextureHandle {
 public:
  TextureHandle() = default;
  explicit TextureHandle(ZCImageDesc* desc) : mDesc(desc) {}
  // A copy refers to the same texture and holds its own lock when the source holds one.
  TextureHandle(const TextureHandle& other) { Assign(other); }
  TextureHandle& operator=(const TextureHandle& other) {
    Assign(other);
    return *this;
  }
  TextureHandle(TextureHandle&& other) noexcept : mDesc(other.mDesc), mLocked(other.mLocked) {
    other.mDesc = nullptr;
    other.mLocked = false;
  }
  TextureHandle& operator=(TextureHandle&& other) noexcept;
  ~TextureHandle() { Release(); }

  // Loads the image on the first lock of the texture; nothing when this handle holds one.
  void Lock();
  // Gives up this handle's lock.
  void Unlock();
  // Refers to the other handle's texture (dropping this one's), locked when the other is.
  void Assign(const TextureHandle& other);
  // Gives up the lock and the texture.
  void Release();
  // Locks when needed; the image, or null when it failed to load or the handle is empty.
  Vesk::MemoryImage* GetImage();

  bool IsNullHandle() const { return mDesc == nullptr; }
  bool IsLocked() const { return mLocked; }
  ZCImageDesc* GetDesc() const { return mDesc; }

 private:
  ZCImageDesc* mDesc = nullptr;
  bool mLocked = false;
};

// Images by texture id, declared in the "textures" part of "cfg\\ui.xml". Used from the loading
// threads and the main thread: the table and every lock count are guarded by one lock.
class ZCTextureCache {
 public:
  explicit ZCTextureCache(ImageFileLoader loader = LoadMemoryImageFile);
  ~ZCTextureCache();
  ZCTextureCache(const ZCTextureCache&) = delete;
  ZCTextureCache& operator=(const ZCTextureCache&) = delete;

  // Reads every "textures/texture" element (id, file, flags) under the node. The number added.
  int LoadTextures(const XmlNode& root);
  // Declares a texture; false (and a warning) when the id is empty or taken, or the file is empty.
  bool AddTexture(const std::string& id, const std::string& file, int32_t textureFlags = 0, bool colourTable = false);
  // The words of a "flags" attribute ("prefer16", "fullcolor", "64x64", "pow2", "palette",
  // separated by blanks or commas) as texture flags and the colour-table wish; an unknown word
  // gives a warning naming the texture and is left out.
  static int32_t ParseFlags(const std::string& id, const std::string& words, bool* colourTable);
  // A handle on the texture of that id (not locked), or an empty handle when there is none.
  TextureHandle GetTexture(const std::string& id);
  bool HasTexture(const std::string& id) const;
  size_t GetCount() const;
  // The number of textures whose image is in memory.
  size_t GetLoadedCount() const;
  // While a hold lasts, an image whose last lock goes stays in memory, so that pictures shared
  // by many widgets built one after another (each locking and unlocking them) are read once;
  // the end of the last hold unloads every image then without a lock.
  void BeginHold();
  void EndHold();
  class Hold {
   public:
    explicit Hold(ZCTextureCache* cache) : mCache(cache) {
      if (mCache) mCache->BeginHold();
    }
    ~Hold() {
      if (mCache) mCache->EndHold();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    ZCTextureCache* mCache;
  };

 private:
  friend class TextureHandle;
  friend class ZCImageDesc;
  void LockDesc(ZCImageDesc* desc);
  void UnlockDesc(ZCImageDesc* desc);

  ImageFileLoader mLoader;
  mutable std::mutex mLock;
  std::map<std::string, std::unique_ptr<ZCImageDesc>> mDescs;
  int32_t mHolds = 0;
};

// A drawable part of a texture: a locked handle and a source rectangle in its image.
class ZCTexture {
 public:
  ZCTexture() = default;
  // Cut from the handle's image: the rectangle is kept inside the image. A null texture (with a
  // warning) when the handle is empty or its image does not load.
  static ZCTexture ZCTextureFromHandle(const TextureHandle& handle, const Rect& srcRect);

  bool IsNull() const { return mImage == nullptr; }
  Vesk::MemoryImage* GetImage() const { return mImage; }
  const Rect& GetSrcRect() const { return mSrcRect; }
  int32_t GetWidth() const { return mSrcRect.mWidth; }
  int32_t GetHeight() const { return mSrcRect.mHeight; }
  const TextureHandle& GetHandle() const { return mHandle; }
  // Draws the rectangle with its top-left corner at (x, y).
  void Draw(Vesk::Graphics& g, int32_t x, int32_t y) const;

 private:
  TextureHandle mHandle;
  Vesk::MemoryImage* mImage = nullptr;
  Rect mSrcRect;
};
