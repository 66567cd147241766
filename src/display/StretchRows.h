#pragma once
// One destination row of the surface image's nearest-pixel stretch: the per-pixel formula of
// every mode and colour, and the quicker row for the plain white blit, which writes opaque
// words straight wherever that gives the formula's pixel.
#include <cstdint>

#include "display/SurfacePixels.h"

namespace Vesk::StretchRows {

using SurfacePixels::Masks;
using SurfacePixels::Saturation;
using SurfacePixels::Tint;

// One destination pixel of a nearest-pixel stretch in the given mode and colour.
struct StretchPixel {
  const Masks& M;
  const Saturation& sat;
  const Tint& tint;
  bool additive;

  uint32_t operator()(uint32_t d, uint32_t s) const {
    const uint32_t a = s >> 24;
    if (additive) {
      if (s == 0) return d;
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const uint64_t df = (d & sat.mask[c]) >> sat.shift[c], sf = (s & sat.mask[c]) >> sat.shift[c];
        const uint64_t add = tint.cls == Tint::White ? sf : sf * tint.k[c] >> 8;
        out |= uint32_t(sat.table[c][df + add]) << sat.shift[c];
      }
      return out;
    }
    uint64_t out = 0;
    if (tint.cls == Tint::White) {
      if (a == 0) return d;
      for (uint64_t m : M.m) out += ((d & m) * (256 - a) >> 8) & m;
      return uint32_t(out + s);
    }
    const uint64_t scaled = a * tint.ca / 255;
    if (scaled == 0) return d;
    for (int c = 0; c < 3; ++c) out += ((d & M.m[c]) * (256 - scaled) + (s & M.m[c]) * tint.k[c]) >> 8 & M.m[c];
    return uint32_t(out);
  }

  // True when the white blit of an opaque word leaves the word itself: each channel of the
  // destination, scaled by 1/256, falls below its own field.
  bool OpaqueWritesTheWord() const {
    if (additive || tint.cls != Tint::White) return false;
    for (uint64_t m : M.m)
      if ((m >> 8) & m) return false;
    return true;
  }
};

// Writes n pixels from d, rightwards (Dir 1) or leftwards (Dir -1); pixel i takes source word
// src(cols[i]).
template <typename P, int Dir, typename Src>
void PlainRow(P* d, Src src, const int32_t* cols, int32_t n, const StretchPixel& pixel) {
  for (int32_t i = 0; i < n; ++i) d[Dir * i] = P(pixel(uint32_t(d[Dir * i]), src(size_t(cols[i]))));
}

// The same for a pixel whose OpaqueWritesTheWord() holds; true when every word was opaque, so
// that the row's pixels are its words whatever lay beneath.
template <typename P, int Dir, typename Src>
bool WhiteRow(P* d, Src src, const int32_t* cols, int32_t n, const StretchPixel& pixel) {
  bool opaque = true;
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t s = src(size_t(cols[i]));
    const uint32_t a = s >> 24;
    if (a == 255) {
      d[Dir * i] = P(s);
    } else {
      opaque = false;
      if (a != 0) d[Dir * i] = P(pixel(uint32_t(d[Dir * i]), s));
    }
  }
  return opaque;
}

// The same row when every word it reads is opaque.
template <typename P, int Dir, typename Src>
void OpaqueRow(P* d, Src src, const int32_t* cols, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[Dir * i] = P(src(size_t(cols[i])));
}

}  // namespace Vesk::StretchRows
