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

// The colour of a blit, classified once: white draws the words as they are; grey scales every
// channel by one factor k; any other colour scales each channel by its own factor.
struct Tint {
  enum Class { White, Grey, Other } cls = White;
  uint32_t ca = 255;     // colour alpha
  uint32_t k[3] = {};    // premultiplied colour channels r, g, b
  uint32_t grey = 0;     // k when all three agree

  explicit Tint(const Color& c) {
    if (Color::Equals(c, Color::White)) return;
    ca = Alpha(c);
    for (int i = 0; i < 3; ++i) k[i] = Channel(c, i) * ca / 255;
    cls = (k[0] == k[1] && k[1] == k[2]) ? Grey : Other;
    grey = k[0];
  }
  // The destination's weight under a source pixel of alpha a.
  uint32_t DestWeight(uint32_t a) const { return 256 - a * ca / 255; }
};

// The display's saturation table, shift and mask of each channel, for channel-wise adds.
struct Saturation {
  const int32_t* table[3];
  uint32_t shift[3];
  uint64_t mask[3];
  int32_t bits[3];
  bool valid = true;
  explicit Saturation(const DDInterface& d);
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
    for (int c = 0; c < 3; ++c)
      out |= uint32_t(mSat.table[c][((px & mSat.mask[c]) >> mSat.shift[c]) + mAdd[c]]) << mSat.shift[c];
    return out;
  }

 private:
  Saturation mSat;
  uint32_t mAdd[3] = {};
};

}  // namespace SurfacePixels
}  // namespace Vesk
