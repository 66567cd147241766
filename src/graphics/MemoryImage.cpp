// Buffer management of the memory image: pixels, colour table, caches and flags.
#include "graphics/MemoryImage.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>

#include "graphics/ImageLib.h"
#include "graphics/PixelOps.h"
#include "shell/Log.h"

namespace Vesk {

using PixelOps::Div255;

const NativeDisplay& NativeDisplay::Default32() {
  static const NativeDisplay d;
  return d;
}

MemoryImage::MemoryImage() = default;

MemoryImage::MemoryImage(int32_t width, int32_t height) { Create(width, height); }

MemoryImage::~MemoryImage() = default;

std::unique_ptr<uint32_t[]> MemoryImage::AllocateBits(int32_t width, int32_t height) {
  size_t n = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
  std::unique_ptr<uint32_t[]> bits(new uint32_t[n + 1]);
  std::memset(bits.get(), 0, n * sizeof(uint32_t));
  bits[n] = kSentinel;
  return bits;
}

void MemoryImage::Create(int32_t width, int32_t height) {
  mBits.reset();
  mColorTable.reset();
  mColorIndices.reset();
  mWidth = std::max(width, 0);
  mHeight = std::max(height, 0);
  BitsChanged();
}

void MemoryImage::SetBits(const uint32_t* bits, int32_t width, int32_t height, bool commit) {
  if (width != mWidth || height != mHeight || !mBits) {
    mWidth = std::max(width, 0);
    mHeight = std::max(height, 0);
    mBits = AllocateBits(mWidth, mHeight);
  }
  if (bits) std::memcpy(mBits.get(), bits, size_t(mWidth) * size_t(mHeight) * sizeof(uint32_t));
  BitsChanged();
  if (commit) CommitBits();
}

void MemoryImage::TakeFilePixels(MemoryImage& decoded) {
  const bool fromFile = decoded.CanReloadBits();
  decoded.GetBits();
  mWidth = decoded.mWidth;
  mHeight = decoded.mHeight;
  mBits = std::move(decoded.mBits);
  BitsChanged();
  CommitBits();
  mFilePath = decoded.mFilePath;
  mNumRows = decoded.mNumRows;
  mNumCols = decoded.mNumCols;
  mFileBitsVersion = fromFile ? mBitsChangedCount : -1;
}

bool MemoryImage::ReloadBits() {
  if (!CanReloadBits()) return false;
  std::unique_ptr<MemoryImage> file = ImageLib::GetImage(mFilePath);
  if (!file || file->mWidth != mWidth || file->mHeight != mHeight || !file->mBits) {
    LogMessage("WARNING: the pixels of %s could not be read again from its file", mFilePath.c_str());
    mFileBitsVersion = -1;
    return false;
  }
  mBits = std::move(file->mBits);
  mKeepBits = true;
  return true;
}

namespace {
std::atomic<size_t> gDroppedBytes{0};
}  // namespace

void MemoryImage::DropBits() {
  if (!mBits) return;
  gDroppedBytes.fetch_add(size_t(mWidth) * size_t(mHeight) * sizeof(uint32_t), std::memory_order_relaxed);
  mBits.reset();
}

bool MemoryImage::TakeDroppedBytes(size_t bytes) {
  size_t dropped = gDroppedBytes.load(std::memory_order_relaxed);
  while (dropped >= bytes)
    if (gDroppedBytes.compare_exchange_weak(dropped, 0, std::memory_order_relaxed)) return true;
  return false;
}

void MemoryImage::DropBitsAfterDisplayCopy() {
  if (mNativeAlphaData && !mNativeFromTable && MayDropBits(false)) DropBits();
}

bool MemoryImage::CanGiveDisplayFormat(const NativeDisplay& display) {
  return (mNativeAlphaData && mNativeFormat.SameFormat(display)) || GetBits() != nullptr;
}

void MemoryImage::Clear() {
  if (!mBits) mBits = AllocateBits(mWidth, mHeight);
  std::memset(mBits.get(), 0, size_t(mWidth) * size_t(mHeight) * sizeof(uint32_t));
  BitsChanged();
}

void MemoryImage::BitsChanged() {
  ++mBitsChangedCount;
  mBitsChangedSinceCommit = true;
  DeleteNativeData();
  // The ARGB pixels are now the only current copy: a colour table would be stale.
  if (mBits) {
    mColorTable.reset();
    mColorIndices.reset();
  }
}

void MemoryImage::DeleteNativeData() {
  mNativeAlphaData.reset();
  mNativeData16.reset();
  mRLAlphaData.reset();
  mRLAdditiveData.reset();
}

void MemoryImage::DeleteDisplayFormatBits() {
  mNativeAlphaData.reset();
  mNativeData16.reset();
}

void MemoryImage::DeleteSoftwareBuffers() {
  // Keep a copy that can rebuild the pixels.
  if (!mBits && !mColorTable) GetBits();
  DeleteNativeData();
}

void MemoryImage::Delete3DBuffers() { mTextureData.reset(); }

void MemoryImage::DeleteExtraBuffers() {
  DeleteSoftwareBuffers();
  Delete3DBuffers();
}

void MemoryImage::ReapplyOptions() {
  // The display-format copy depends on the option byte and the display; rebuilt on demand.
  DeleteNativeData();
}

void MemoryImage::SetImageMode(bool hasTrans, bool hasAlpha) {
  mForcedMode = true;
  mHasTrans = hasTrans;
  mHasAlpha = hasAlpha;
}

void MemoryImage::SetImageOption(uint8_t option) {
  if (mImageOption == option) return;
  mImageOption = option;
  ReapplyOptions();
}

void MemoryImage::CommitBits() {
  if (!mBitsChangedSinceCommit || mForcedMode) return;
  mBitsChangedSinceCommit = false;
  mHasTrans = false;
  mHasAlpha = false;
  const uint32_t* p = nullptr;
  size_t n = 0;
  if (mBits) {
    p = mBits.get();
    n = size_t(mWidth) * size_t(mHeight);
  } else if (mColorTable) {
    p = mColorTable.get();
    n = 256;
  } else {
    mHasTrans = true;
    return;
  }
  for (size_t i = 0; i < n && !(mHasTrans && mHasAlpha); ++i) {
    uint32_t a = p[i] >> 24;
    if (a == 0)
      mHasTrans = true;
    else if (a != 255)
      mHasAlpha = true;
  }
}

uint32_t* MemoryImage::GetBits() {
  if (mBits) return mBits.get();
  // Pixels dropped after a copy was made come back exactly from their file.
  if (!(mColorTable && mColorIndices) && ReloadBits()) return mBits.get();
  size_t n = size_t(mWidth) * size_t(mHeight);
  auto bits = AllocateBits(mWidth, mHeight);
  if (mColorTable && mColorIndices) {
    for (size_t i = 0; i < n; ++i) bits[i] = mColorTable[mColorIndices[i]];
  } else if (mNativeAlphaData && mNativeFormat.mBitsPerPixel == 32 && mNativeFormat.mRedBits == 8 &&
             mNativeFormat.mGreenBits == 8 && mNativeFormat.mBlueBits == 8) {
    // Undo the premultiplication: each channel divided by alpha + 1.
    const NativeDisplay& f = mNativeFormat;
    for (size_t i = 0; i < n; ++i) {
      uint32_t w = mNativeAlphaData[i];
      uint32_t a = w >> 24;
      auto un = [&](int shift) { return std::min<uint32_t>(255, ((w >> shift) & 255) * 256 / (a + 1)); };
      bits[i] = PixelOps::Pack(a, un(f.mRedShift), un(f.mGreenShift), un(f.mBlueShift));
    }
  }
  // Anything else (no pixels yet, or only a copy that cannot be read back) gives zeroed pixels.
  mBits = std::move(bits);
  return mBits.get();
}

uint32_t* MemoryImage::GetDisplayFormatBits(const NativeDisplay& display) {
  if (mNativeAlphaData && mNativeFormat.SameFormat(display)) return mNativeAlphaData.get();
  mNativeData16.reset();
  mNativeFormat.mBitsPerPixel = display.mBitsPerPixel;
  mNativeFormat.mRedBits = display.mRedBits;
  mNativeFormat.mGreenBits = display.mGreenBits;
  mNativeFormat.mBlueBits = display.mBlueBits;
  mNativeFormat.mRedShift = display.mRedShift;
  mNativeFormat.mGreenShift = display.mGreenShift;
  mNativeFormat.mBlueShift = display.mBlueShift;
  auto convert = [&](uint32_t p) {
    uint32_t a = p >> 24;
    auto ch = [&](uint32_t c, int32_t bits, int32_t shift) { return (Div255(c * a) >> (8 - bits)) << shift; };
    return (a << 24) | ch((p >> 16) & 255, display.mRedBits, display.mRedShift) |
           ch((p >> 8) & 255, display.mGreenBits, display.mGreenShift) |
           ch(p & 255, display.mBlueBits, display.mBlueShift);
  };
  if (!mBits && mColorTable && mColorIndices) {
    mNativeAlphaData.reset(new uint32_t[256]);
    mNativeFromTable = true;
    for (int i = 0; i < 256; ++i) mNativeAlphaData[i] = convert(mColorTable[i]);
  } else {
    mNativeFromTable = false;
    const uint32_t* bits = GetBits();
    size_t n = size_t(mWidth) * size_t(mHeight);
    mNativeAlphaData.reset(new uint32_t[n + 1]);
    for (size_t i = 0; i < n; ++i) mNativeAlphaData[i] = convert(bits[i]);
    mNativeAlphaData[n] = kSentinel;
  }
  return mNativeAlphaData.get();
}

const uint16_t* MemoryImage::GetDisplayFormatBits16(const NativeDisplay& display) {
  if (display.mBitsPerPixel != 16) return nullptr;
  const uint32_t* words = GetDisplayFormatBits(display);
  if (mNativeFromTable) return nullptr;
  if (!mNativeData16) {
    const size_t n = size_t(mWidth) * size_t(mHeight);
    mNativeData16.reset(new uint16_t[n]);
    for (size_t i = 0; i < n; ++i) mNativeData16[i] = uint16_t(words[i]);
  }
  return mNativeData16.get();
}

namespace {
// Run lengths over `n` pixels of classes given by `cls`, each capped at 255.
template <typename Classify>
std::unique_ptr<uint8_t[]> BuildRuns(const uint32_t* bits, size_t n, Classify cls) {
  std::unique_ptr<uint8_t[]> runs(new uint8_t[n + 1]);
  runs[n] = 0;
  if (n == 0) return runs;
  size_t length = 1;
  runs[n - 1] = 1;
  int prevClass = cls(bits[n - 1]);
  for (size_t i = n - 1; i-- > 0;) {
    int c = cls(bits[i]);
    length = c == prevClass ? length + 1 : 1;
    runs[i] = uint8_t(std::min<size_t>(length, 255));
    prevClass = c;
  }
  return runs;
}
}  // namespace

uint8_t* MemoryImage::GetAlphaRuns() {
  if (mRLAlphaData) return mRLAlphaData.get();
  // The display-format words carry each pixel's alpha unchanged: dropped pixels need not come back.
  const bool fromCopy = !mBits && mNativeAlphaData && !mNativeFromTable;
  const uint32_t* bits = fromCopy ? mNativeAlphaData.get() : GetBits();
  mRLAlphaData = BuildRuns(bits, size_t(mWidth) * size_t(mHeight), [](uint32_t p) {
    uint32_t a = p >> 24;
    return a == 0 ? 0 : a == 255 ? 1 : 2;
  });
  return mRLAlphaData.get();
}

uint8_t* MemoryImage::GetAdditiveRuns() {
  if (mRLAdditiveData) return mRLAdditiveData.get();
  // Display-format words of 8-bit channels are zero exactly where the pixel adds nothing.
  const NativeDisplay& f = mNativeFormat;
  if (!mBits && mNativeAlphaData && !mNativeFromTable && f.mBitsPerPixel == 32 && f.mRedBits == 8 &&
      f.mGreenBits == 8 && f.mBlueBits == 8) {
    const uint32_t rgb = 0xFFu << f.mRedShift | 0xFFu << f.mGreenShift | 0xFFu << f.mBlueShift;
    mRLAdditiveData = BuildRuns(mNativeAlphaData.get(), size_t(mWidth) * size_t(mHeight),
                                [rgb](uint32_t w) { return (w & rgb) == 0 ? 0 : 1; });
    return mRLAdditiveData.get();
  }
  const uint32_t* bits = GetBits();
  mRLAdditiveData = BuildRuns(bits, size_t(mWidth) * size_t(mHeight),
                              [](uint32_t p) { return PixelOps::AddsNothing(p) ? 0 : 1; });
  return mRLAdditiveData.get();
}

void MemoryImage::PurgeBits() {
  mPurgeBits = true;
  // The colour table rebuilds the pixels exactly; without one the pixels are the only exact
  // copy (the display-format copy loses precision where alpha is partial) and stay.
  if (mBits && mColorTable && mColorIndices) mBits.reset();
}

bool MemoryImage::Palettize() {
  if (mColorTable && mColorIndices) return true;
  if (!mBits) return false;
  size_t n = size_t(mWidth) * size_t(mHeight);
  std::unordered_map<uint32_t, uint8_t> slots;
  auto table = std::make_unique<uint32_t[]>(256);
  auto indices = std::make_unique<uint8_t[]>(n + 1);
  for (size_t i = 0; i < n; ++i) {
    uint32_t p = mBits[i];
    auto it = slots.find(p);
    if (it == slots.end()) {
      if (slots.size() == 256) return false;
      uint8_t slot = uint8_t(slots.size());
      it = slots.emplace(p, slot).first;
      table[slot] = p;
    }
    indices[i] = it->second;
  }
  CommitBits();
  mColorTable = std::move(table);
  mColorIndices = std::move(indices);
  mBits.reset();
  DeleteNativeData();
  return true;
}

}  // namespace Vesk
