#pragma once
// The rows of the surface image's bilinear rotation. A destination row steps through the source
// in 16.16 fixed point; each pixel weighs its four texels by area and alpha and blends over the
// destination. PlainRow does so channel by channel through the surface's masks for any layout
// and either mode; FastRow is the same arithmetic for normal drawing onto 0x00RRGGBB and 565,
// with the per-pixel choices taken once and red and blue summed in one word.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "display/SurfacePixels.h"

namespace Vesk::RotateRows {

// The source rectangle's pixels: its top-left pixel, the image's row length and its size.
struct Source {
  const uint32_t* base;
  size_t stride;
  int32_t width, height;
};

// How samples are drawn.
struct Blend {
  SurfacePixels::Masks masks;
  SurfacePixels::Saturation sat;
  bool additive;
  bool white;
  uint32_t ca;       // colour alpha
  uint32_t tint[3];  // colour channels plus one
  int32_t bpp;
};

// Pixels lo..hi-1 of a row whose pixel i samples (u0 + i * du, v0 + i * dv); every sample's
// texels lie inside the source. Pixel i is written at x0 + i of `row`.
inline void PlainRow(uint8_t* row, int32_t x0, int64_t u0, int64_t v0, int64_t du, int64_t dv, int32_t lo,
                     int32_t hi, const Source& s, const Blend& b) {
  using namespace SurfacePixels;
  const auto& sat = b.sat;
  const auto& M = b.masks;
  for (int32_t i = lo; i < hi; ++i) {
    const int64_t u = u0 + i * du, v = v0 + i * dv;
    const int32_t tx = int32_t(u >> 16), ty = int32_t(v >> 16);
    const int32_t nx = tx + 1 < s.width ? 1 : 0;
    const size_t ny = ty + 1 < s.height ? s.stride : 0;
    const uint32_t* t = s.base + size_t(ty) * s.stride + size_t(tx);
    const uint32_t texel[4] = {t[0], t[nx], t[ny], t[ny + size_t(nx)]};
    const uint64_t fx = (uint64_t(u) & 0xFFFE) + 1, fy = (uint64_t(v) & 0xFFFE) + 1;
    const uint64_t area[4] = {(0x10000 - fx) * (0x10000 - fy) >> 16, fx * (0x10000 - fy) >> 16,
                              (0x10000 - fx) * fy >> 16, fx * fy >> 16};
    uint64_t weight[4], total = 0;
    for (int k = 0; k < 4; ++k) {
      weight[k] = area[k] * (texel[k] >> 24) >> 16;
      if (!b.white) weight[k] = weight[k] * b.ca >> 8;
      total += weight[k];
    }
    if (total == 0) continue;
    const int x = x0 + i;
    const uint32_t d = Load(row, x, b.bpp);
    uint64_t out = 0;
    for (int c = 0; c < 3; ++c) {
      const int shift = 16 - 8 * c;
      uint64_t sum = 0;
      for (int k = 0; k < 4; ++k) sum += ((texel[k] >> shift) & 255) * weight[k];
      uint64_t ch = b.white ? sum >> 8 : (sum * b.tint[c]) >> 16;
      ch = std::min<uint64_t>(ch, 255);
      // Narrowed to the surface channel and moved into its place.
      const int32_t bits = sat.bits[c] > 0 ? sat.bits[c] : 8;
      const uint64_t field = bits <= 8 ? ch >> (8 - bits) : ch << (bits - 8);
      if (b.additive) {
        if (!sat.valid) continue;
        out |= uint64_t(sat.table[c][((d & sat.mask[c]) >> sat.shift[c]) + field]) << sat.shift[c];
      } else {
        const uint64_t keep = 256 - std::min<uint64_t>(total, 256);
        out += ((field << sat.shift[c]) & M.m[c]) + ((((d & M.m[c]) * keep) >> 8) & M.m[c]);
      }
    }
    Store(row, x, b.bpp, uint32_t(out));
  }
}

// The layouts FastRow serves.
enum class Fast { None, Xrgb32, Rgb565 };

// Whether a blend is normal drawing onto a layout FastRow serves, with channel widths and places
// that make its constants those PlainRow would use.
inline Fast FastLayoutOf(const Blend& b) {
  if (b.additive) return Fast::None;
  auto is = [&](int32_t bpp, const uint64_t (&m)[3], const uint32_t (&sh)[3], const int32_t (&bits)[3]) {
    if (b.bpp != bpp) return false;
    for (int c = 0; c < 3; ++c) {
      const int32_t w = b.sat.bits[c] > 0 ? b.sat.bits[c] : 8;
      if (b.masks.m[c] != m[c] || b.sat.shift[c] != sh[c] || w != bits[c]) return false;
    }
    return true;
  };
  if (is(32, {0xFF0000u, 0xFF00u, 0xFFu}, {16, 8, 0}, {8, 8, 8})) return Fast::Xrgb32;
  if (is(16, {0xF800u, 0x07E0u, 0x001Fu}, {11, 5, 0}, {5, 6, 5})) return Fast::Rgb565;
  return Fast::None;
}

// PlainRow for a blend FastLayoutOf classes as L, `White` being b.white. The area weights fit in
// 16 bits and the alpha weights of a sample sum to at most 255, so each channel's sum stays below
// 2^16 and red and blue can share one 32-bit product; every rounding is PlainRow's.
template <Fast L, bool White>
inline void FastRow(uint8_t* row, int32_t x0, int64_t u0, int64_t v0, int64_t du, int64_t dv, int32_t lo,
                    int32_t hi, const Source& s, const Blend& b) {
  static_assert(L != Fast::None);
  using P = std::conditional_t<L == Fast::Xrgb32, uint32_t, uint16_t>;
  P* out = reinterpret_cast<P*>(row) + x0;
  const uint32_t ca = b.ca, t0 = b.tint[0], t1 = b.tint[1], t2 = b.tint[2];
  const int32_t lastX = s.width - 1, lastY = s.height - 1;
  int64_t u = u0 + int64_t(lo) * du, v = v0 + int64_t(lo) * dv;
  for (int32_t i = lo; i < hi; ++i, u += du, v += dv) {
    const int32_t tx = int32_t(u >> 16), ty = int32_t(v >> 16);
    const size_t nx = tx < lastX ? 1 : 0;
    const size_t ny = ty < lastY ? s.stride : 0;
    const uint32_t* t = s.base + size_t(ty) * s.stride + size_t(tx);
    const uint32_t p0 = t[0], p1 = t[nx], p2 = t[ny], p3 = t[ny + nx];
    const uint32_t fx = (uint32_t(u) & 0xFFFE) + 1, fy = (uint32_t(v) & 0xFFFE) + 1;
    const uint32_t gx = 0x10000 - fx, gy = 0x10000 - fy;
    uint32_t w0 = ((gx * gy) >> 16) * (p0 >> 24) >> 16;
    uint32_t w1 = ((fx * gy) >> 16) * (p1 >> 24) >> 16;
    uint32_t w2 = ((gx * fy) >> 16) * (p2 >> 24) >> 16;
    uint32_t w3 = ((fx * fy) >> 16) * (p3 >> 24) >> 16;
    if constexpr (!White) {
      w0 = w0 * ca >> 8;
      w1 = w1 * ca >> 8;
      w2 = w2 * ca >> 8;
      w3 = w3 * ca >> 8;
    }
    const uint32_t total = w0 + w1 + w2 + w3;
    if (total == 0) continue;
    const uint32_t rb = (p0 & 0xFF00FFu) * w0 + (p1 & 0xFF00FFu) * w1 + (p2 & 0xFF00FFu) * w2 + (p3 & 0xFF00FFu) * w3;
    const uint32_t g = ((p0 >> 8) & 255) * w0 + ((p1 >> 8) & 255) * w1 + ((p2 >> 8) & 255) * w2 +
                       ((p3 >> 8) & 255) * w3;
    uint32_t r8, g8, b8;
    if constexpr (White) {
      r8 = rb >> 24;
      g8 = g >> 8;
      b8 = (rb >> 8) & 255;
    } else {
      r8 = std::min<uint32_t>(((rb >> 16) * t0) >> 16, 255);
      g8 = std::min<uint32_t>((g * t1) >> 16, 255);
      b8 = std::min<uint32_t>(((rb & 0xFFFF) * t2) >> 16, 255);
    }
    const uint32_t keep = 256 - std::min<uint32_t>(total, 256);
    const uint32_t d = out[i];
    if constexpr (L == Fast::Xrgb32) {
      out[i] = (r8 << 16) + (g8 << 8) + b8 + ((((d & 0xFF00FFu) * keep) >> 8) & 0xFF00FFu) +
               ((((d & 0xFF00u) * keep) >> 8) & 0xFF00u);
    } else {
      out[i] = P((((r8 >> 3) << 11) + ((g8 >> 2) << 5) + (b8 >> 3)) + ((((d & 0xF800u) * keep) >> 8) & 0xF800u) +
                 ((((d & 0x07E0u) * keep) >> 8) & 0x07E0u) + (((d & 0x001Fu) * keep) >> 8));
    }
  }
}

}  // namespace Vesk::RotateRows
