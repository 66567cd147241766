#include "resources/SharedImages.h"

#include "shell/Log.h"
#include "shell/StringUtil.h"

struct SharedImageState {
  struct Entry {
    std::unique_ptr<Vesk::MemoryImage> mImage;
    int32_t mRefs = 0;
  };
  std::mutex mLock;
  std::map<std::string, Entry> mEntries;

  void Drop(const std::string& key) {
    std::lock_guard<std::mutex> hold(mLock);
    auto it = mEntries.find(key);
    if (it != mEntries.end() && --it->second.mRefs <= 0) mEntries.erase(it);
  }
  void Add(const std::string& key) {
    std::lock_guard<std::mutex> hold(mLock);
    ++mEntries[key].mRefs;
  }
};

namespace {
std::string KeyOf(const std::string& prefix, const std::string& file) {
  std::string key = ToLowerAscii(prefix + file);
  for (char& c : key)
    if (c == '\\') c = '/';
  return key;
}
}  // namespace

// --- ImageRef ----------------------------------------------------------------------------------

ImageRef::ImageRef(const ImageRef& other) { *this = other; }

ImageRef& ImageRef::operator=(const ImageRef& other) {
  if (this == &other) return *this;
  // Share first, release after: re-assigning a share of the same image never frees it.
  if (other.mState) other.mState->Add(other.mKey);
  Release();
  mState = other.mState;
  mKey = other.mKey;
  mShared = other.mShared;
  return *this;
}

ImageRef::ImageRef(ImageRef&& other) noexcept
    : mOwned(std::move(other.mOwned)),
      mState(std::move(other.mState)),
      mKey(std::move(other.mKey)),
      mShared(other.mShared) {
  other.mShared = nullptr;
}

ImageRef& ImageRef::operator=(ImageRef&& other) noexcept {
  if (this != &other) {
    Release();
    mOwned = std::move(other.mOwned);
    mState = std::move(other.mState);
    mKey = std::move(other.mKey);
    mShared = other.mShared;
    other.mShared = nullptr;
  }
  return *this;
}

void ImageRef::Release() {
  mOwned.reset();
  if (mState) mState->Drop(mKey);
  mState.reset();
  mKey.clear();
  mShared = nullptr;
}

Vesk::MemoryImage* ImageRef::GetImage() const { return mOwned ? mOwned.get() : mShared; }

// --- SharedImageTable --------------------------------------------------------------------------

SharedImageTable::SharedImageTable(ImageFileLoader loader)
    : mLoader(std::move(loader)), mState(std::make_shared<SharedImageState>()) {}

SharedImageTable::~SharedImageTable() = default;

bool SharedImageTable::GetSharedImage(ImageRef& ref, const std::string& file, const std::string& prefix,
                                      int32_t /*flags*/) {
  std::string key = KeyOf(prefix, file);
  ImageRef result;
  {
    std::lock_guard<std::mutex> hold(mState->mLock);
    auto it = mState->mEntries.find(key);
    if (it == mState->mEntries.end()) {
      // Loaded under the lock: two threads asking for the same file load it once.
      std::unique_ptr<Vesk::MemoryImage> image = mLoader ? mLoader(prefix + file) : nullptr;
      if (image) it = mState->mEntries.emplace(key, SharedImageState::Entry{std::move(image), 0}).first;
      else LogMessage("ERROR: shared image %s%s cannot be loaded", prefix.c_str(), file.c_str());
    }
    if (it != mState->mEntries.end()) {
      ++it->second.mRefs;
      result.mState = mState;
      result.mKey = key;
      result.mShared = it->second.mImage.get();
    }
  }
  // The old contents of the reference are released outside the table's lock (releasing takes it).
  ref = std::move(result);
  return !ref.IsNull();
}

size_t SharedImageTable::GetCount() const {
  std::lock_guard<std::mutex> hold(mState->mLock);
  return mState->mEntries.size();
}

int32_t SharedImageTable::GetRefCount(const std::string& file, const std::string& prefix) const {
  std::lock_guard<std::mutex> hold(mState->mLock);
  auto it = mState->mEntries.find(KeyOf(prefix, file));
  return it == mState->mEntries.end() ? 0 : it->second.mRefs;
}
