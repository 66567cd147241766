#pragma once
// Pixel arithmetic shared by the surface image's own loops: reading and writing 16- and 32-bit
// surface pixels, the packed forms that blend all three channels of a 565, 555 or 0x00RRGGBB
// pixel with one or two multiplies, and the per-channel forms for any other channel masks.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/Color.h"
#include "platform/video/Video.h"

namespace Vesk {

class DDInterface;

namespace SurfacePixels {

// One surface pixel of a row at 16 or 32 bits.
inline uint32_t Load(const uint8_t* row, int32_t x, int32_t bpp) {
  if (bpp == 32) return reinterpret_cast<const uint32_t*>(row)[x];
  return reinterpret_cast<const uint16_t*>(row)[x];
}
inline void Store(uint8_t* row, int32_t x, int32_t bpp, uint32_t v) {
  if (bpp == 32)
    reinterpret_cast<uint32_t*>(row)[x] = v;
  else
    reinterpret_cast<uint16_t*>(row)[x] = uint16_t(v);
}

inline bool Is16Or32(const Platform::Video::LockInfo& lock) {
  return lock.mFormat.mBitCount == 16 || lock.mFormat.mBitCount == 32;
}

// A colour channel (0 red, 1 green, 2 blue) or the alpha, clamped to 0..255.
inline uint32_t Channel(const Color& c, int which) {
  int32_t v = which == 0 ? c.mRed : which == 1 ? c.mGreen : c.mBlue;
  return uint32_t(std::clamp(v, 0, 255));
}
inline uint32_t Alpha(const Color& c) { return uint32_t(std::clamp(c.mAlpha, 0, 255)); }

// How a destination is blended. The packed forms need blue below green below red (or the
// mirror order for the 32-bit form, which treats red and blue alike); every other layout is
// blended channel by channel through its masks.
enum class Layout { P565, P555, Packed32, Generic16, Generic32, Unsupported };

inline Layout LayoutOf(const Platform::Video::PixelFormat& f, bool rgbOrder) {
  using Platform::Video::PixelFormat;
  if (f.mBitCount == 16) {
    if (rgbOrder && f == PixelFormat::R5G6B5()) return Layout::P565;
    if (rgbOrder && f == PixelFormat::X1R5G5B5()) return Layout::P555;
    return Layout::Generic16;
  }
  if (f.mBitCount == 32)
    return rgbOrder && f.mGreenMask == 0xFF00u && (f.mRedMask | f.mBlueMask) == 0xFF00FFu ? Layout::Packed32
                                                                                           : Layout::Generic32;
  return Layout::Unsupported;
}

constexpr uint32_t kSpread565 = 0x07E0F81Fu;
constexpr uint32_t kSpread555 = 0x03E07C1Fu;

// Moves the green field of a 16-bit pixel into the high half, leaving a gap above each channel
// so that one multiply scales all three.
template <uint32_t K>
inline uint32_t Spread(uint32_t v) {
  return ((v << 16) | v) & K;
}
// Back to 16 bits.
inline uint32_t Fold(uint32_t t) { return ((t >> 16) | t) & 0xFFFFu; }

// The three channel masks of a surface, widened so that products never overflow.
struct Masks {
  uint64_t m[3];
  explicit Masks(const Platform::Video::PixelFormat& f) : m{f.mRedMask, f.mGreenMask, f.mBlueMask} {}
};

// Adds a colour to surface pixels channel by channel, saturating through the display's tables.
class AdditiveColour {
 public:
  // The colour is premultiplied by its alpha and narrowed to each channel's width. `valid` is
  // false when the display has no tables yet.
  AdditiveColour(const DDInterface& display, const Color& color);
  bool valid = false;
  uint32_t Apply(uint32_t px) const {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) out |= uint32_t(mTable[c][((px & mMask[c]) >> mShift[c]) + mAdd[c]]) << mShift[c];
    return out;
  }

 private:
  const int32_t* mTable[3] = {};
  uint32_t mMask[3] = {}, mShift[3] = {}, mAdd[3] = {};
};

}  // namespace SurfacePixels
}  // namespace Vesk
