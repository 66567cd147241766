#include "effects/AnmFile.h"

#include <cmath>
#include <cstring>
#include <set>

#include "effects/EffectServices.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"

namespace {

// Little-endian reading that remembers running past the end.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
  bool Ok() const { return mOk; }
  size_t Remaining() const { return mSize - mPos; }
  const uint8_t* Take(size_t n) {
    if (!mOk || n > Remaining()) {
      mOk = false;
      return nullptr;
    }
    const uint8_t* p = mData + mPos;
    mPos += n;
    return p;
  }
  uint8_t U8() {
    const uint8_t* p = Take(1);
    return p ? p[0] : 0;
  }
  uint16_t U16() {
    const uint8_t* p = Take(2);
    return p ? uint16_t(p[0] | (p[1] << 8)) : 0;
  }
  uint32_t U32() {
    const uint8_t* p = Take(4);
    return p ? uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24) : 0;
  }
  int32_t I32() { return int32_t(U32()); }
  float F32() {
    uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  bool String(std::string& out, size_t maxLength) {
    uint16_t length = U16();
    if (length > maxLength) {
      mOk = false;
      return false;
    }
    const uint8_t* p = Take(length);
    if (!p) return false;
    out.assign(reinterpret_cast<const char*>(p), length);
    return true;
  }

 private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
  bool mOk = true;
};

// Why an animation cannot be used, or null when it is sound.
const char* CheckAnimation(const AnimEntry& a) {
  if (a.mName.empty()) return "it has no name";
  if (a.mSheetWidth <= 0 || a.mSheetHeight <= 0 || a.mSheetWidth > Anm::kMaxSheetSide ||
      a.mSheetHeight > Anm::kMaxSheetSide)
    return "its sheet size is out of range";
  if (a.mFrameWidth < 0 || a.mFrameWidth > Anm::kMaxSheetSide) return "its frame width is out of range";
  if (a.mFrames.empty()) return "it has no frames";
  if (a.mStopFrame < -1 || a.mStopFrame >= int32_t(a.mFrames.size())) return "its stop frame is out of range";
  for (const AnimFrame& f : a.mFrames) {
    if (f.mWidth <= 0 || f.mHeight <= 0 || f.mX < 0 || f.mY < 0 ||
        int64_t(f.mX) + f.mWidth > a.mSheetWidth || int64_t(f.mY) + f.mHeight > a.mSheetHeight)
      return "a frame lies outside its sheet";
    if (std::abs(int64_t(f.mOffsetX)) > Anm::kMaxSheetSide || std::abs(int64_t(f.mOffsetY)) > Anm::kMaxSheetSide)
      return "a frame offset is out of range";
    if (!std::isfinite(f.mTime) || f.mTime <= 0 || f.mTime > 3600) return "a frame time is out of range";
  }
  return nullptr;
}

}  // namespace

bool AnimEntry::LoadImage() {
  if (mImage) return true;
  std::shared_ptr<Vesk::MemoryImage> image = LoadEffectImage(mImageFile);
  if (!image) {
    LogMessage("WARNING: animation '%s': image '%s' not found", mName.c_str(), mImageFile.c_str());
    return false;
  }
  if (image->GetWidth() < mSheetWidth || image->GetHeight() < mSheetHeight) {
    LogMessage("ERROR: animation '%s': image '%s' is %dx%d, smaller than its %dx%d frames need", mName.c_str(),
               mImageFile.c_str(), image->GetWidth(), image->GetHeight(), mSheetWidth, mSheetHeight);
    return false;
  }
  mImage = std::move(image);
  return true;
}

bool Anm::Parse(const uint8_t* data, size_t size, const std::string& label, std::vector<AnimEntry>& out) {
  out.clear();
  if (size < 8 || std::memcmp(data, kMagic, 4) != 0) {
    LogMessage("ERROR: %s is not an animation file (no \"ANM!\")", label.c_str());
    return false;
  }
  Reader r(data + 4, size - 4);
  uint16_t version = r.U16();
  if (version != kVersion) {
    LogMessage("ERROR: %s: animation file version %u is not supported", label.c_str(), unsigned(version));
    return false;
  }
  uint32_t count = r.U16();
  if (count > kMaxAnimations) {
    LogMessage("ERROR: %s: %u animations is more than %u", label.c_str(), count, kMaxAnimations);
    return false;
  }
  std::vector<AnimEntry> entries;
  std::set<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    AnimEntry a;
    if (!r.String(a.mName, kMaxNameLength) || !r.String(a.mImageFile, kMaxFileNameLength)) break;
    a.mSheetWidth = r.I32();
    a.mSheetHeight = r.I32();
    a.mFrameWidth = r.I32();
    uint8_t flags = r.U8();
    r.U8();
    a.mLooping = (flags & 1) != 0;
    a.mStopFrame = int16_t(r.U16());
    uint32_t frames = r.U16();
    if (!r.Ok()) break;
    if (frames > kMaxFrames || frames * kFrameBytes > r.Remaining()) {
      LogMessage("ERROR: %s: animation '%s' claims %u frames, more than the file holds", label.c_str(),
                 a.mName.c_str(), frames);
      return false;
    }
    a.mFrames.resize(frames);
    for (AnimFrame& f : a.mFrames) {
      f.mX = r.I32();
      f.mY = r.I32();
      f.mWidth = r.I32();
      f.mHeight = r.I32();
      f.mOffsetX = r.I32();
      f.mOffsetY = r.I32();
      f.mTime = r.F32();
    }
    if (const char* why = CheckAnimation(a)) {
      LogMessage("WARNING: %s: animation '%s' left out: %s", label.c_str(), a.mName.c_str(), why);
      continue;
    }
    if (!names.insert(a.mName).second) {
      LogMessage("WARNING: %s: animation '%s' is given twice; the first is kept", label.c_str(), a.mName.c_str());
      continue;
    }
    entries.push_back(std::move(a));
  }
  if (!r.Ok()) {
    LogMessage("ERROR: %s: animation file cut short", label.c_str());
    return false;
  }
  out = std::move(entries);
  return true;
}
