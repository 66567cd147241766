#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/MemoryImage.h"
#include "resources/ImageLoader.h"

struct SharedImageState;

// A reference to an image: either an image it owns, or a counted share of an image of the
// shared-image table. Copies of a shared reference count as further shares; a copy of an owned
// reference is empty. Destroying a reference releases it.
class ImageRef {
 public:
  ImageRef() = default;
  explicit ImageRef(std::unique_ptr<Vesk::MemoryImage> owned) : mOwned(std::move(owned)) {}
  ImageRef(const ImageRef& other);
  ImageRef& operator=(const ImageRef& other);
  ImageRef(ImageRef&& other) noexcept;
  ImageRef& operator=(ImageRef&& other) noexcept;
  ~ImageRef() { Release(); }

  // Deletes an owned image, or drops this share (the table frees the image after the last one).
  void Release();
  Vesk::MemoryImage* GetImage() const;
  bool IsNull() const { return GetImage() == nullptr; }
  bool IsShared() const { return mState != nullptr; }

 private:
  friend class SharedImageTable;
  std::unique_ptr<Vesk::MemoryImage> mOwned;
  std::shared_ptr<SharedImageState> mState;
  std::string mKey;
  Vesk::MemoryImage* mShared = nullptr;
};

// Images loaded once per file name and shared through counted references. Safe from any thread;
// references may outlive the table.
class SharedImageTable {
 public:
  explicit SharedImageTable(ImageFileLoader loader = LoadMemoryImageFile);
  ~SharedImageTable();
  SharedImageTable(const SharedImageTable&) = delete;
  SharedImageTable& operator=(const SharedImageTable&) = delete;

  // Fills the reference with the image of prefix + file, loading it unless it is loaded already.
  // Names match without regard to case or separator. False (the reference left empty, an
  // "ERROR: " line) when the image cannot be loaded.
  bool GetSharedImage(ImageRef& ref, const std::string& file, const std::string& prefix = "", int32_t flags = 0);
  // The number of images held now, and the shares of one of them (0 when not loaded).
  size_t GetCount() const;
  int32_t GetRefCount(const std::string& file, const std::string& prefix = "") const;

 private:
  ImageFileLoader mLoader;
  std::shared_ptr<SharedImageState> mState;
};
