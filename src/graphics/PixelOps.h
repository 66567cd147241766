#pragma once
// Per-pixel arithmetic of the memory-route drawing, shared by the loops and the filters.
#include <cstdint>

#include "graphics/Color.h"

namespace Vesk::PixelOps {

// x / 255 rounded to the nearest integer, exact for 0 <= x <= 255 * 255.
constexpr uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

constexpr uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

// A colour that modulates source pixels (each channel times c / 255).
struct Modulation {
  uint32_t r = 255, g = 255, b = 255, a = 255;
  bool white = true;
  Modulation() = default;
  explicit Modulation(const Color& c)
      : r(uint32_t(c.mRed) & 255), g(uint32_t(c.mGreen) & 255), b(uint32_t(c.mBlue) & 255),
        a(uint32_t(c.mAlpha) & 255), white(r == 255 && g == 255 && b == 255 && a == 255) {}
  uint32_t Apply(uint32_t s) const {
    if (white) return s;
    return Pack(Div255((s >> 24) * a), Div255(((s >> 16) & 255) * r), Div255(((s >> 8) & 255) * g),
                Div255((s & 255) * b));
  }
};

// Source over destination, both straight (not premultiplied) ARGB. Over an opaque destination
// this is the plain mix d + (s - d) * a / 255 per channel.
inline uint32_t Over(uint32_t d, uint32_t s) {
  uint32_t a = s >> 24;
  if (a == 255) return s;
  if (a == 0) return d;
  uint32_t da = d >> 24;
  uint32_t ia = 255 - a;
  if (da == 255) {
    return 0xFF000000u | (Div255(((s >> 16) & 255) * a + ((d >> 16) & 255) * ia) << 16) |
           (Div255(((s >> 8) & 255) * a + ((d >> 8) & 255) * ia) << 8) | Div255((s & 255) * a + (d & 255) * ia);
  }
  if (da == 0) return s;
  // General case: weights a * 255 for the source and da * (255 - a) for the destination.
  uint32_t ws = a * 255, wd = da * ia, den = ws + wd;
  auto ch = [&](int shift) {
    uint32_t v = (((s >> shift) & 255) * ws + ((d >> shift) & 255) * wd + den / 2) / den;
    return v << shift;
  };
  return (Div255(den) << 24) | ch(16) | ch(8) | ch(0);
}

// Adds the source colour, premultiplied by its alpha, to the destination, saturating each
// channel; the destination alpha stays.
inline uint32_t Add(uint32_t d, uint32_t s) {
  uint32_t a = s >> 24;
  auto ch = [&](int shift) {
    uint32_t v = ((d >> shift) & 255) + Div255(((s >> shift) & 255) * a);
    return (v > 255 ? 255 : v) << shift;
  };
  return (d & 0xFF000000u) | ch(16) | ch(8) | ch(0);
}

// True when additive drawing of the pixel changes nothing.
inline bool AddsNothing(uint32_t s) {
  uint32_t a = s >> 24;
  return Div255(((s >> 16) & 255) * a) == 0 && Div255(((s >> 8) & 255) * a) == 0 && Div255((s & 255) * a) == 0;
}

// One pixel of a source (already modulated) drawn in a draw mode; other modes draw nothing.
inline void DrawPixel(uint32_t& d, uint32_t s, int32_t mode) {
  if (mode == 0)
    d = Over(d, s);
  else if (mode == 1)
    d = Add(d, s);
}

}  // namespace Vesk::PixelOps
