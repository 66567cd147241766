#pragma once
#include <cstdint>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/SpanFrame.h"
#include "raster/TriangleRaster.h"

// Destination formats, texel fetches and the per-pixel operations of the filler families. Colour
// arithmetic is unsigned 32-bit; scaling by a factor 0..255 is a multiply and a shift by 8.
namespace raster {

// ---- Destination formats ------------------------------------------------------------------

// 32-bit ARGB: the destination's alpha is the coverage of its (unpremultiplied) colour.
struct Dest8888 {
  using Pixel = uint32_t;
  static constexpr bool k32 = true;
  static constexpr bool kKeepsAlpha = true;
  // Opaque pixel from 0x00RRGGBB.
  static Pixel Opaque(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFFFFFFu); }
};

// 32-bit RGB: the alpha byte is written 0xFF and never read.
struct Dest888 {
  using Pixel = uint32_t;
  static constexpr bool k32 = true;
  static constexpr bool kKeepsAlpha = false;
  static Pixel Opaque(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFFFFFFu); }
};

struct Dest565 {
  using Pixel = uint16_t;
  static constexpr bool k32 = false;
  static constexpr bool kKeepsAlpha = false;
  static Pixel Opaque(uint32_t t) { return Pixel(((t >> 8) & 0xF800) | ((t >> 5) & 0x07E0) | ((t >> 3) & 0x001F)); }
  // Every field of d times k/32, truncated.
  static Pixel Scale(Pixel d, uint32_t k) {
    return Pixel((((uint32_t(d) & 0xF81F) * k) >> 5 & 0xF81F) | (((uint32_t(d) & 0x07E0) * k) >> 5 & 0x07E0));
  }
};

struct Dest555 {
  using Pixel = uint16_t;
  static constexpr bool k32 = false;
  static constexpr bool kKeepsAlpha = false;
  static Pixel Opaque(uint32_t t) { return Pixel(((t >> 9) & 0x7C00) | ((t >> 6) & 0x03E0) | ((t >> 3) & 0x001F)); }
  static Pixel Scale(Pixel d, uint32_t k) {
    return Pixel((((uint32_t(d) & 0x7C1F) * k) >> 5 & 0x7C1F) | (((uint32_t(d) & 0x03E0) * k) >> 5 & 0x03E0));
  }
};

// ---- Exact division of the 32-bit ARGB blend ------------------------------------------------

// n / d for n below 65536 and d from 1 to 256, by a multiply with a rounded-up reciprocal; equal
// to the integer division for every such pair (checked exhaustively by the tests).
struct BlendDivider {
  uint64_t reciprocal[257];
  constexpr BlendDivider() : reciprocal() {
    for (uint64_t d = 1; d <= 256; ++d) reciprocal[d] = ((uint64_t(1) << 32) + d - 1) / d;
  }
};
inline constexpr BlendDivider kBlendDivider{};

inline uint32_t DivideBlend(uint32_t n, uint32_t d) { return uint32_t((n * kBlendDivider.reciprocal[d]) >> 32); }

// Each colour byte of d times w, (c * w) >> 8, red and blue in one product; alpha byte 0.
inline uint32_t ScaleRGB(uint32_t d, uint32_t w) {
  return ((((d & 0xFF00FF) * w) >> 8) & 0xFF00FF) | ((((d & 0x00FF00) * w) >> 8) & 0x00FF00);
}

#if defined(__SSE2__)
// floor(n / d) of four lanes, n below 65536 and d from 1 to 256, where it is 256 or less (a
// larger quotient comes out 256 or more), through r = 1 / d as a float raised by 2^-20 of itself,
// one division shared by the three channels of a pixel. With the roundings of r and of the
// product, n * r lies between n / d * (1 + 2^-20 - 2^-22) and n / d * (1 + 2^-20 + 2^-22): never
// below n / d, so a whole quotient is kept, and less than n * 2^-19 / d above it, below 1 / d for
// n under 65536, so it does not reach the next whole number (the fractions of n / d are
// multiples of 1 / d). Its truncation is the quotient. Checked exhaustively by the tests.
[[gnu::always_inline]] inline __m128i DivideByReciprocal4(__m128i n, __m128 r) {
  return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(n), r));
}
[[gnu::always_inline]] inline __m128 Reciprocal4(__m128i d) {
  return _mm_mul_ps(_mm_div_ps(_mm_set1_ps(1.0f), _mm_cvtepi32_ps(d)), _mm_set1_ps(1.0f + 0x1p-20f));
}
inline __m128i DivideBlend4(__m128i n, __m128i d) { return DivideByReciprocal4(n, Reciprocal4(d)); }

// The blend of four pixels whose coverage comes to 256 in every lane (an opaque or nearly opaque
// destination under enough of the source), where the division by 256 is a shift: each
// X = ((dC * da) >> 8) * inv + S.c * 256 (below 65536) fits a 16-bit lane, two pixels to a
// register. da and inv are the destination's alpha and 256 - alpha in 32-bit lanes, s the
// premultiplied colour; the alpha lanes' results are replaced by 255.
[[gnu::always_inline]] inline __m128i BlendFull8888x4(__m128i d, __m128i da, __m128i inv, __m128i s) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i inv16 = _mm_or_si128(inv, _mm_slli_epi32(inv, 16));
  const __m128i da16 = _mm_or_si128(da, _mm_slli_epi32(da, 16));
  auto half = [&](__m128i dh, __m128i sh, __m128i dah, __m128i invh) {
    const __m128i kept = _mm_mullo_epi16(_mm_srli_epi16(_mm_mullo_epi16(dh, dah), 8), invh);
    return _mm_srli_epi16(_mm_add_epi16(kept, _mm_slli_epi16(sh, 8)), 8);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi32(da16, da16),
                          _mm_unpacklo_epi32(inv16, inv16));
  const __m128i hi = half(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi32(da16, da16),
                          _mm_unpackhi_epi32(inv16, inv16));
  return _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(int(0xFF000000u)));
}

// Four blended pixels from their channel quotients (blue, green, red, each held to 255) and
// coverage outA in 32-bit lanes; lanes of coverage 0 or in keep take d.
[[gnu::always_inline]] inline __m128i PackBlend8888x4(__m128i blue, __m128i green, __m128i red, __m128i outA,
                                                      __m128i d, __m128i keep) {
  // Quotients held to 255 by the saturating packs, then laid out b, g, r, a per pixel.
  const __m128i bg = _mm_packs_epi32(blue, green);
  const __m128i ra = _mm_packs_epi32(red, _mm_sub_epi32(outA, _mm_set1_epi32(1)));
  const __m128i br = _mm_unpacklo_epi16(bg, ra), ga = _mm_unpackhi_epi16(bg, ra);
  const __m128i blended = _mm_packus_epi16(_mm_unpacklo_epi16(br, ga), _mm_unpackhi_epi16(br, ga));
  const __m128i old = _mm_or_si128(keep, _mm_cmpeq_epi32(outA, _mm_setzero_si128()));
  return _mm_or_si128(_mm_and_si128(old, d), _mm_andnot_si128(old, blended));
}

// The coverage of a source of alpha 0..239 (inv = 256 - alpha) over destination alphas da:
// 256 - (((256 - da) * inv) >> 8), in 32-bit lanes (the products of lanes below 32768 by pmaddwd).
[[gnu::always_inline]] inline __m128i Coverage8888x4(__m128i da, __m128i inv) {
  const __m128i k256 = _mm_set1_epi32(256);
  return _mm_sub_epi32(k256, _mm_srli_epi32(_mm_madd_epi16(_mm_sub_epi32(k256, da), inv), 8));
}

[[gnu::always_inline]] inline bool AllFull8888x4(__m128i outA) {
  return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(outA, _mm_set1_epi32(256)))) == 15;
}

// BlendOver<Dest8888> of four pixels in 32-bit lanes: alpha 0..239 and the premultiplied colour s
// (0x00RRGGBB, each channel at most alpha) of each; lanes whose coverage comes to 0 keep their
// pixel. With every channel at most alpha, each X below stays under 65536 as in the scalar blend.
[[gnu::always_inline]] inline __m128i BlendOver8888x4(__m128i d, __m128i alpha, __m128i s) {
  const __m128i byte = _mm_set1_epi32(0xFF);
  const __m128i da = _mm_srli_epi32(d, 24);
  const __m128i inv = _mm_sub_epi32(_mm_set1_epi32(256), alpha);
  const __m128i outA = Coverage8888x4(da, inv);
  if (AllFull8888x4(outA)) return BlendFull8888x4(d, da, inv, s);
  // Lanes of coverage 0 divide by 0 here (the conversion of infinity gives the integer
  // indefinite); they keep their pixel below.
  const __m128 r = Reciprocal4(outA);
  auto channel = [&](int shift) {
    const __m128i dc = _mm_and_si128(_mm_srli_epi32(d, shift), byte);
    const __m128i sc = _mm_and_si128(_mm_srli_epi32(s, shift), byte);
    const __m128i x = _mm_add_epi32(_mm_madd_epi16(_mm_srli_epi32(_mm_madd_epi16(dc, da), 8), inv), _mm_slli_epi32(sc, 8));
    return DivideByReciprocal4(x, r);
  };
  return PackBlend8888x4(channel(0), channel(8), channel(16), outA, d, _mm_setzero_si128());
}
#endif

// ---- The blend of the textured families ------------------------------------------------------

// Lays a source of alpha 0..239 with premultiplied colour s (0x00RRGGBB) over *p by the blend of
// the format. In 32-bit ARGB the result's coverage is that of the source over the destination's
// and its colour is divided back out of the premultiplied sum; where neither has any coverage
// (alpha 0 over alpha 0) there is nothing to divide and the pixel stays as it is, and a channel
// quotient past 255 (a bilinear source rounded separately from its alpha) is held at 255.
template <class Fmt>
[[gnu::always_inline]] inline void BlendOver(typename Fmt::Pixel* p, uint32_t alpha, uint32_t s) {
  const uint32_t d = *p;
  if constexpr (Fmt::k32 && Fmt::kKeepsAlpha) {
    const uint32_t da = d >> 24;
    const uint32_t inv = 256 - alpha;
    const uint32_t outA = 256 - (((256 - da) * inv) >> 8);
    if (outA == 0) return;
    // Per channel X = ((dC * da) >> 8) * inv + S.c * 256, below 65536: red and blue are formed
    // together in the two 16-bit halves of one word.
    const uint32_t rb = ((((d & 0xFF00FF) * da) >> 8) & 0xFF00FF) * inv + ((s & 0xFF00FF) << 8);
    const uint32_t g = ((((d >> 8) & 0xFF) * da) >> 8) * inv + (s & 0xFF00);
    if (outA == 256) {  // full coverage (always over an opaque pixel): the division is a shift
      *p = 0xFF000000u | ((rb >> 8) & 0xFF00FF) | (g & 0xFF00);
      return;
    }
    auto channel = [outA](uint32_t x) {
      const uint32_t q = DivideBlend(x, outA);
      return q > 255 ? 255u : q;
    };
    *p = ((outA - 1) << 24) | (channel(rb >> 16) << 16) | (channel(g) << 8) | channel(rb & 0xFFFF);
  } else if constexpr (Fmt::k32) {
    *p = 0xFF000000u | (ScaleRGB(d, 255 - alpha) + (s & 0xFFFFFF));
  } else {
    const uint32_t k = (255 - alpha) >> 3;
    *p = typename Fmt::Pixel(Fmt::Scale(typename Fmt::Pixel(d), k) + Fmt::Opaque(s));
  }
}

// The alpha test and blend of the alpha-blended textured family: alpha 0..255, premultiplied
// colour s and opaque colour o as 0x00RRGGBB. At 8 or below nothing is written; at 240 or above
// o is written opaque; between, the blend of the format.
template <class Fmt>
[[gnu::always_inline]] inline void BlendSource(typename Fmt::Pixel* p, uint32_t alpha, uint32_t s, uint32_t o) {
  if (alpha <= 8) return;
  if (alpha >= 240) {
    *p = Fmt::Opaque(o);
    return;
  }
  BlendOver<Fmt>(p, alpha, s);
}

// Channels of a 0x00RRGGBB colour times alpha, each (c * alpha) >> 8.
inline uint32_t Premultiply(uint32_t rgb, uint32_t alpha) {
  const uint32_t rb = (((rgb & 0xFF00FF) * alpha) >> 8) & 0xFF00FF;
  const uint32_t g = (((rgb & 0x00FF00) * alpha) >> 8) & 0x00FF00;
  return rb | g;
}

#if defined(__SSE2__)
// ---- Four pixels at a time ---------------------------------------------------------------------
// The SSE2 forms of the blend and of the colour products, equal bit for bit to the one-pixel
// forms above (checked by the tests); a four-pixel vector holds one pixel per 32-bit lane,
// 0xAARRGGBB, and byte products are formed in 16-bit lanes, where c * f for bytes c and f fits.

// Picks a where the lane of mask is all ones, else b.
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Each byte of the four lanes of x times factors (16-bit lanes: b, g, r, a of pixel 0, then of
// pixel 1, and the same pair again for pixels 2 and 3), shifted down by 8.
inline __m128i ScaleBytes(__m128i x, __m128i lowFactors, __m128i highFactors) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), lowFactors), 8);
  const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), highFactors), 8);
  return _mm_packus_epi16(lo, hi);
}

// Each colour byte times the lane's factor f (0..255 in each 32-bit lane), (c * f) >> 8, with the
// top byte 0: Premultiply, and the colour scaling of the 32-bit RGB blend (ScaleRGB).
inline __m128i ScaleRGB4(__m128i rgb, __m128i f) {
  const __m128i both = _mm_or_si128(f, _mm_slli_epi32(f, 16));  // f in both 16-bit halves
  return _mm_and_si128(ScaleBytes(rgb, _mm_unpacklo_epi32(both, both), _mm_unpackhi_epi32(both, both)),
                       _mm_set1_epi32(0xFFFFFF));
}

// Tint of four texels by the same factors (each 0..255), top byte 0.
inline __m128i Tint4(__m128i w, uint32_t fr, uint32_t fg, uint32_t fb) {
  const __m128i factors = _mm_set_epi16(0, short(fr), short(fg), short(fb), 0, short(fr), short(fg), short(fb));
  return ScaleBytes(w, factors, factors);
}

// Fmt::Opaque of four 0x00RRGGBB colours: 32-bit pixels in the lanes, or 16-bit ones in the
// low four 16-bit lanes.
template <class Fmt>
inline __m128i Opaque4(__m128i rgb) {
  if constexpr (Fmt::k32) {
    return _mm_or_si128(rgb, _mm_set1_epi32(int(0xFF000000u)));
  } else {
    __m128i packed;
    if constexpr (std::is_same_v<Fmt, Dest565>)
      packed = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(rgb, 8), _mm_set1_epi32(0xF800)),
                                         _mm_and_si128(_mm_srli_epi32(rgb, 5), _mm_set1_epi32(0x07E0))),
                            _mm_and_si128(_mm_srli_epi32(rgb, 3), _mm_set1_epi32(0x001F)));
    else
      packed = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(rgb, 9), _mm_set1_epi32(0x7C00)),
                                         _mm_and_si128(_mm_srli_epi32(rgb, 6), _mm_set1_epi32(0x03E0))),
                            _mm_and_si128(_mm_srli_epi32(rgb, 3), _mm_set1_epi32(0x001F)));
    // Sign-extended first, so that the signed pack keeps every 16-bit value as it is.
    packed = _mm_srai_epi32(_mm_slli_epi32(packed, 16), 16);
    return _mm_packs_epi32(packed, packed);
  }
}

// Fmt::Scale of four 16-bit pixels (low four 16-bit lanes) by k (0..31 in the same lanes): each
// field times k / 32, truncated, field by field (no field's product reaches the next field).
template <class Fmt>
inline __m128i Scale16x4(__m128i d, __m128i k) {
  constexpr int kRed = std::is_same_v<Fmt, Dest565> ? 11 : 10;
  constexpr int kGreenMask = std::is_same_v<Fmt, Dest565> ? 0x3F : 0x1F;
  const __m128i five = _mm_set1_epi16(0x1F);
  const __m128i r = _mm_and_si128(_mm_srli_epi16(d, kRed), five);
  const __m128i g = _mm_and_si128(_mm_srli_epi16(d, 5), _mm_set1_epi16(kGreenMask));
  const __m128i b = _mm_and_si128(d, five);
  auto scale = [&](__m128i field) { return _mm_srli_epi16(_mm_mullo_epi16(field, k), 5); };
  return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(scale(r), kRed), _mm_slli_epi16(scale(g), 5)), scale(b));
}

// Four pixels of the textured families at once: lanes in `skip` keep their pixel; the others of
// alpha 240 or above take Fmt::Opaque(o), and the rest BlendOver<Fmt>(alpha, s). alpha is 0..255
// in each lane; in 32-bit ARGB each colour channel of s is at most its lane's alpha (as
// BlendOver8888x4 asks) wherever the lane is blended.
template <class Fmt>
[[gnu::always_inline]] inline void Lay4(typename Fmt::Pixel* p, __m128i alpha, __m128i s, __m128i o, __m128i skip) {
  const __m128i opaque = _mm_cmpgt_epi32(alpha, _mm_set1_epi32(239));
  const int skipped = _mm_movemask_ps(_mm_castsi128_ps(skip));
  if (skipped == 15) return;
  if constexpr (Fmt::k32) {
    __m128i* at = reinterpret_cast<__m128i*>(p);
    if (skipped == 0 && _mm_movemask_ps(_mm_castsi128_ps(opaque)) == 15) {
      _mm_storeu_si128(at, Opaque4<Fmt>(o));
      return;
    }
    const __m128i d = _mm_loadu_si128(at);
    __m128i blended;
    if constexpr (Fmt::kKeepsAlpha) {
      // Opaque lanes take alpha 0 in the division (its result is not kept).
      blended = BlendOver8888x4(d, _mm_andnot_si128(opaque, alpha), s);
    } else {
      const __m128i scaled = ScaleRGB4(d, _mm_sub_epi32(_mm_set1_epi32(255), alpha));
      blended = _mm_or_si128(_mm_add_epi32(scaled, _mm_and_si128(s, _mm_set1_epi32(0xFFFFFF))),
                             _mm_set1_epi32(int(0xFF000000u)));
    }
    _mm_storeu_si128(at, Select(skip, d, Select(opaque, Opaque4<Fmt>(o), blended)));
  } else {
    __m128i* at = reinterpret_cast<__m128i*>(p);
    const __m128i d = _mm_loadl_epi64(at);
    __m128i k = _mm_srli_epi32(_mm_sub_epi32(_mm_set1_epi32(255), alpha), 3);
    k = _mm_packs_epi32(k, k);
    const __m128i blended = _mm_add_epi16(Scale16x4<Fmt>(d, k), Opaque4<Fmt>(s));
    const __m128i opaque16 = _mm_packs_epi32(opaque, opaque), skip16 = _mm_packs_epi32(skip, skip);
    _mm_storel_epi64(at, Select(skip16, d, Select(opaque16, Opaque4<Fmt>(o), blended)));
  }
}
#endif

// ---- Texel fetches -----------------------------------------------------------------------

// One texel at the whole part of (u, v); outside the texture, transparent black.
struct NearestFetch {
  static constexpr bool kBilinear = false;
  static uint32_t Fetch(const SpanTexture& t, uint32_t u, uint32_t v) {
    const uint32_t column = uint32_t(int32_t(u) >> 16);
    const uint32_t row = uint32_t(int32_t(v) >> 16);
    if (column >= uint32_t(t.width) || row >= uint32_t(t.height)) return 0;
    return t.bits[row * uint32_t(t.width) + column];
  }
  // Unchecked, for samples known to lie inside.
  static uint32_t FetchInside(const SpanTexture& t, uint32_t u, uint32_t v) {
    return t.bits[uint32_t(int32_t(v) >> 16) * uint32_t(t.width) + uint32_t(int32_t(u) >> 16)];
  }
  // A sample reads texels from its own column and row up to kReach - 1 beyond them.
  static constexpr int kReach = 1;
};

// Four texels around (u, v), u and v already moved back by half a texel, weighted by position and
// by their alpha: the result's colour is premultiplied and its top byte is the summed weight,
// 0..254. Texels outside the texture add nothing.
struct BilinearFetch {
  static constexpr bool kBilinear = true;
  static uint32_t Texel(const SpanTexture& t, int32_t column, int32_t row) {
    if (uint32_t(column) >= uint32_t(t.width) || uint32_t(row) >= uint32_t(t.height)) return 0;
    return t.bits[uint32_t(row) * uint32_t(t.width) + uint32_t(column)];
  }
  // The four texels of a square that reaches past the texture's edge.
  [[gnu::noinline]] static void EdgeTexels(const SpanTexture& t, int32_t column, int32_t row, uint32_t out[4]) {
    out[0] = Texel(t, column, row);
    out[1] = Texel(t, column + 1, row);
    out[2] = Texel(t, column, row + 1);
    out[3] = Texel(t, column + 1, row + 1);
  }
  [[gnu::always_inline]] static inline uint32_t Fetch(const SpanTexture& t, uint32_t u, uint32_t v) {
    const int32_t column = FixedFloor(int32_t(u)) >> 16;
    const int32_t row = FixedFloor(int32_t(v)) >> 16;
    uint32_t t00, t10, t01, t11;
    if (uint32_t(column) < uint32_t(t.width - 1) && uint32_t(row) < uint32_t(t.height - 1)) [[likely]] {
      const uint32_t* p = t.bits + uint32_t(row) * uint32_t(t.width) + uint32_t(column);
      t00 = p[0];
      t10 = p[1];
      t01 = p[t.width];
      t11 = p[t.width + 1];
    } else {
      uint32_t four[4];
      EdgeTexels(t, column, row, four);
      t00 = four[0];
      t10 = four[1];
      t01 = four[2];
      t11 = four[3];
    }
    return Filter(u, v, t00, t10, t01, t11);
  }
  static uint32_t FetchInside(const SpanTexture& t, uint32_t u, uint32_t v) {
    const uint32_t* p = t.bits + uint32_t(int32_t(v) >> 16) * uint32_t(t.width) + uint32_t(int32_t(u) >> 16);
    return Filter(u, v, p[0], p[1], p[t.width], p[t.width + 1]);
  }
  static constexpr int kReach = 2;

  [[gnu::always_inline]] static inline uint32_t Filter(uint32_t u, uint32_t v, uint32_t t00, uint32_t t10,
                                                       uint32_t t01, uint32_t t11) {
    const uint32_t fx = (u & 0xFFFE) + 1;
    const uint32_t fy = (v & 0xFFFE) + 1;
    const uint32_t w00 = ((((65536 - fx) * (65536 - fy)) >> 16) * (t00 >> 24)) >> 16;
    const uint32_t w10 = (((fx * (65536 - fy)) >> 16) * (t10 >> 24)) >> 16;
    const uint32_t w01 = ((((65536 - fx) * fy) >> 16) * (t01 >> 24)) >> 16;
    const uint32_t w11 = (((fx * fy) >> 16) * (t11 >> 24)) >> 16;
    // Each weighted sum of a channel stays below 255 * 255, so red and blue share one product
    // in 16-bit halves; every channel is floor(sum / 256).
    const uint32_t rb =
        (t00 & 0xFF00FF) * w00 + (t10 & 0xFF00FF) * w10 + (t01 & 0xFF00FF) * w01 + (t11 & 0xFF00FF) * w11;
    const uint32_t g = (t00 & 0xFF00) * w00 + (t10 & 0xFF00) * w10 + (t01 & 0xFF00) * w01 + (t11 & 0xFF00) * w11;
    return ((w00 + w10 + w01 + w11) << 24) | ((rb >> 8) & 0xFF00FF) | ((g >> 8) & 0xFF00);
  }
};

#if defined(__SSE2__)
// BilinearFetch::FetchInside of two samples inside the texture, at (ua, va) and (ub, vb), as
// 16-bit lanes b, g, r, weight of the first, then of the second. Two pixels share a register, a
// channel to each 16-bit lane, and every step is the scalar one: pmulhuw is (a * b) >> 16 exactly
// for 16-bit a and b (65536 - fx is at most 65535, as fx is odd), and no lane passes 16 bits (the
// four weights of a sample sum to at most 255, so a weighted channel sum is at most 255 * 255).
[[gnu::always_inline]] inline __m128i BilinearPair(const SpanTexture& t, uint32_t ua, uint32_t va, uint32_t ub,
                                                   uint32_t vb) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  const uint32_t* a = t.bits + uint32_t(int32_t(va) >> 16) * uint32_t(t.width) + uint32_t(int32_t(ua) >> 16);
  const uint32_t* b = t.bits + uint32_t(int32_t(vb) >> 16) * uint32_t(t.width) + uint32_t(int32_t(ub) >> 16);
  // Texel pairs (left, right) of each row: t00 and t10, then t01 and t11, of both pixels.
  const __m128i top = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
  const __m128i bottom = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + t.width)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + t.width)));
  const __m128i t00 = _mm_unpacklo_epi8(top, zero), t10 = _mm_unpackhi_epi8(top, zero);
  const __m128i t01 = _mm_unpacklo_epi8(bottom, zero), t11 = _mm_unpackhi_epi8(bottom, zero);
  auto lanes = [](uint32_t x0, uint32_t x1) {
    return _mm_unpacklo_epi64(_mm_set1_epi16(short((x0 & 0xFFFE) + 1)), _mm_set1_epi16(short((x1 & 0xFFFE) + 1)));
  };
  const __m128i fx = lanes(ua, ub), fy = lanes(va, vb);
  const __m128i gx = _mm_sub_epi16(zero, fx), gy = _mm_sub_epi16(zero, fy);  // 65536 - f
  auto weight = [](__m128i position, __m128i texel) {
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(texel, 0xFF), 0xFF);
    return _mm_mulhi_epu16(position, alpha);
  };
  const __m128i w00 = weight(_mm_mulhi_epu16(gx, gy), t00), w10 = weight(_mm_mulhi_epu16(fx, gy), t10);
  const __m128i w01 = weight(_mm_mulhi_epu16(gx, fy), t01), w11 = weight(_mm_mulhi_epu16(fx, fy), t11);
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(t00, w00), _mm_mullo_epi16(t10, w10)),
                                    _mm_add_epi16(_mm_mullo_epi16(t01, w01), _mm_mullo_epi16(t11, w11)));
  const __m128i weights = _mm_add_epi16(_mm_add_epi16(w00, w10), _mm_add_epi16(w01, w11));
  return _mm_or_si128(_mm_andnot_si128(alphaLanes, _mm_srli_epi16(sum, 8)), _mm_and_si128(alphaLanes, weights));
}

// BilinearFetch::FetchInside of four samples inside the texture, at (u + k * du, v + k * dv).
inline __m128i Bilinear4(const SpanTexture& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
  return _mm_packus_epi16(BilinearPair(t, u, v, u + du, v + dv), BilinearPair(t, u + 2 * du, v + 2 * dv, u + 3 * du, v + 3 * dv));
}
#endif

// ---- Families --------------------------------------------------------------------------------

// Common parts of an operation: no vertex adjustment, always ready.
template <class Fmt>
struct SpanOpBase {
  using Pixel = typename Fmt::Pixel;
  static constexpr bool kBilinear = false;
  static void Prepare(SpanVertex&, const SpanColor&) {}
  bool Ready() const { return true; }
};

// Draws nothing.
inline void FillTriangleNothing(const SpanVertex*, uint8_t*, uint32_t, const SpanTexture*, const SpanColor*,
                                const SpanClip*) {}

// A colour interpolant held to 0..255.99 in 16.16, so that its channel cannot wrap when it dips
// below 0 or rises past 255 near a vertex.
inline uint32_t ChannelLane(uint32_t lane) {
  const int32_t v = int32_t(lane);
  return v < 0 ? 0u : (v > 0xFFFFFF ? 0xFFFFFFu : uint32_t(v));
}

// Untextured triangles coloured by their interpolated vertex colours; with kGlobal the vertex
// colours are first scaled by the global colour. Above alpha 240.0 the pixel is written opaque,
// above 8.0 blended, else left alone.
template <class Fmt, bool kGlobal>
struct VertexColorOp : SpanOpBase<Fmt> {
  using Pixel = typename Fmt::Pixel;
  static constexpr unsigned kLanes = kColorLanes;
  VertexColorOp(const SpanTexture&, const SpanColor&) {}
  static void Prepare(SpanVertex& v, const SpanColor& c) {
    if constexpr (kGlobal) {
      v.a = int32_t((uint32_t(v.a) * uint32_t(c.alpha)) >> 8);
      v.r = int32_t((uint32_t(v.r) * uint32_t(c.red)) >> 8);
      v.g = int32_t((uint32_t(v.g) * uint32_t(c.green)) >> 8);
      v.b = int32_t((uint32_t(v.b) * uint32_t(c.blue)) >> 8);
    }
  }
  void Plot(Pixel* p, const SpanLanes& l) const {
    const int32_t a = l.Signed(kLaneA);
    if (a <= 0x80000) return;
    const uint32_t r = ChannelLane(l.lane[kLaneR]);
    const uint32_t g = ChannelLane(l.lane[kLaneG]);
    const uint32_t b = ChannelLane(l.lane[kLaneB]);
    if (a > 0xF00000) {
      *p = Fmt::Opaque((r & 0xFF0000) | ((g >> 8) & 0xFF00) | (b >> 16));
      return;
    }
    const uint32_t A = uint32_t(a) >> 16;
    const uint32_t d = *p;
    if constexpr (Fmt::k32 && Fmt::kKeepsAlpha) {
      const uint32_t dA = d >> 24, dR = (d >> 16) & 0xFF, dG = (d >> 8) & 0xFF, dB = d & 0xFF;
      const uint32_t inv = 256 - A;
      const uint32_t outA = 256 - (((256 - dA) * inv) >> 8);
      const uint32_t blue = DivideBlend(((dB * dA) >> 8) * inv + (((b >> 16) * A) & 0xFF00), outA) & 0xFF;
      const uint32_t green =
          (DivideBlend(((((dG * dA) >> 8) << 8) * inv + (((g >> 8) * A) & 0xFF0000)) >> 8, outA) << 8) & 0xFF00;
      const uint32_t red =
          (DivideBlend(((((dR * dA) >> 8) << 16) * inv + ((A * r) & 0xFF000000u)) >> 16, outA) << 16) & 0xFF0000;
      *p = ((outA - 1) << 24) + red + green + blue;
    } else {
      const uint32_t srcRB = ((((r & 0xFF0000) + (b >> 16)) * A) >> 8) & 0xFF00FF;
      if constexpr (Fmt::k32) {
        const uint32_t srcG = (((g & 0xFF0000) * A) >> 16) & 0xFF00;
        *p = 0xFF000000u | (ScaleRGB(d, 255 - A) + srcRB + srcG);
      } else {
        const uint32_t k = (255 - A) >> 3;
        uint32_t src;
        if constexpr (std::is_same_v<Fmt, Dest565>)
          src = ((srcRB >> 3) & 0x1F) + ((srcRB >> 8) & 0xF800) + ((((g & 0xFF0000) * A) >> 21) & 0x07E0);
        else
          src = ((srcRB >> 3) & 0x1F) + ((srcRB >> 9) & 0x7C00) + ((((g & 0xFF0000) * A) >> 22) & 0x03E0);
        *p = Pixel(Fmt::Scale(Pixel(d), k) + src);
      }
    }
  }
};

// Base of the textured families: u and v interpolated, sampled through Fetch. A texture without
// texels draws nothing.
template <class Fmt, class Fetch>
struct TexturedOpBase : SpanOpBase<Fmt> {
  static constexpr bool kBilinear = Fetch::kBilinear;
  const SpanTexture texture;  // a copy, so the pixel loop keeps it in registers
  explicit TexturedOpBase(const SpanTexture& t) : texture(t) {}
  bool Ready() const { return texture.bits != nullptr && texture.width > 0 && texture.height > 0; }
  uint32_t Sample(const SpanLanes& l) const { return Fetch::Fetch(texture, l.lane[kLaneU], l.lane[kLaneV]); }

  // Plots a span in three parts: the pixels whose samples read only texels inside the texture
  // (an interval, since the positions are linear along the span) with unchecked fetches, the
  // pixels before and after it with checked ones. plot is a lambda rather than a function pointer,
  // which the compiler would call through instead of inlining into the loop.
  template <class Pixel, class PlotSample, class PlotInside>
  bool SpanInside(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps, PlotSample plot,
                  PlotInside inside) const {
    const uint32_t u0 = first.lane[kLaneU], v0 = first.lane[kLaneV];
    const uint32_t du = steps.lane[kLaneU], dv = steps.lane[kLaneV];
    int64_t begin = 0, end = count;
    KeepInside(int32_t(u0), int32_t(du), texture.width, begin, end);
    KeepInside(int32_t(v0), int32_t(dv), texture.height, begin, end);
    if (end <= begin) begin = end = count;
    auto checked = [&](int64_t from, int64_t to) {
      for (int64_t i = from; i < to; ++i)
        plot(p + i, Fetch::Fetch(texture, u0 + uint32_t(i) * du, v0 + uint32_t(i) * dv));
    };
    checked(0, begin);
    inside(p + begin, end - begin, u0 + uint32_t(begin) * du, v0 + uint32_t(begin) * dv, du, dv);
    checked(end, count);
    return true;
  }
  // The same with the unchecked fetches and the plot of each: inside(q, n, u, v, du, dv) draws the
  // n pixels from q whose samples lie at u + i * du, v + i * dv, all inside.
  template <class Pixel, class PlotSample>
  bool SpanInside(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps, PlotSample plot) const {
    return SpanInside(p, count, first, steps, plot,
                      [&](Pixel* q, int64_t n, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
                        for (Pixel* stop = q + n; q < stop; ++q, u += du, v += dv)
                          plot(q, Fetch::FetchInside(texture, u, v));
                      });
  }

#if defined(__SSE2__)
  // Fetch::FetchInside of four samples inside the texture, at (u + k * du, v + k * dv).
  [[gnu::always_inline]] static __m128i FetchInside4(const SpanTexture& t, uint32_t u, uint32_t v, uint32_t du,
                                                     uint32_t dv) {
    if constexpr (Fetch::kBilinear) {
      return Bilinear4(t, u, v, du, dv);
    } else {
      const uint32_t a = Fetch::FetchInside(t, u, v), b = Fetch::FetchInside(t, u + du, v + dv);
      const uint32_t c = Fetch::FetchInside(t, u + 2 * du, v + 2 * dv), d = Fetch::FetchInside(t, u + 3 * du, v + 3 * dv);
      return _mm_set_epi32(int(d), int(c), int(b), int(a));
    }
  }
  // SpanInside with the samples inside the texture fetched and drawn four at a time:
  // plot4(q, samples) draws the four pixels from q.
  template <class Pixel, class PlotSample, class PlotFour>
  bool SpanInside4(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps, PlotSample plot,
                   PlotFour plot4) const {
    const SpanTexture& t = texture;
    return SpanInside(p, count, first, steps, plot,
                      [&](Pixel* q, int64_t n, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
                        for (; n >= 4; n -= 4, q += 4, u += 4 * du, v += 4 * dv) plot4(q, FetchInside4(t, u, v, du, dv));
                        for (; n > 0; --n, ++q, u += du, v += dv) plot(q, Fetch::FetchInside(t, u, v));
                      });
  }
#endif

  // Narrows [begin, end) to the pixels i whose coordinate x0 + i * dx has its texel (and, for the
  // bilinear fetch, the next one) inside 0 .. size - 1.
  static void KeepInside(int64_t x0, int64_t dx, int32_t size, int64_t& begin, int64_t& end) {
    const int64_t lo = 0, hi = (int64_t(size) - Fetch::kReach + 1) << 16;  // lo <= x < hi
    if (hi <= lo) {
      end = begin;
      return;
    }
    if (dx == 0) {
      if (x0 < lo || x0 >= hi) end = begin;
      return;
    }
    // Smallest i with x0 + i * dx >= lo (dx > 0) and with x0 + i * dx < hi, and the reverse.
    auto ceilDiv = [](int64_t a, int64_t b) { return a / b + ((a % b != 0) && ((a < 0) == (b < 0))); };
    int64_t from, to;
    if (dx > 0) {
      from = ceilDiv(lo - x0, dx);
      to = ceilDiv(hi - x0, dx);
    } else {
      from = ceilDiv(x0 - hi + 1, -dx);
      to = ceilDiv(x0 - lo + 1, -dx);
    }
    if (from > begin) begin = from;
    if (to < end) end = to;
  }
};

// The sampled texture copied as it is, opaque.
template <class Fmt, class Fetch>
struct TexOp : TexturedOpBase<Fmt, Fetch> {
  using Pixel = typename Fmt::Pixel;
  static constexpr unsigned kLanes = kTextureLanes;
  TexOp(const SpanTexture& t, const SpanColor&) : TexturedOpBase<Fmt, Fetch>(t) {}
  void Plot(Pixel* p, const SpanLanes& l) const { *p = Fmt::Opaque(this->Sample(l)); }
  static void PlotSample(Pixel* p, uint32_t w) { *p = Fmt::Opaque(w); }
  // Spans of the nearest fetch that land on consecutive texels of one texture row (an unrotated,
  // unscaled blit) are copied straight; the others go through SpanInside.
  bool Span(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps) const {
    if (Copy(p, count, first, steps)) return true;
    auto plot = [](Pixel* q, uint32_t w) { PlotSample(q, w); };
#if defined(__SSE2__)
    if constexpr (Fetch::kBilinear)
      return this->SpanInside4(p, count, first, steps, plot, [](Pixel* q, __m128i w) {
        const __m128i o = Opaque4<Fmt>(_mm_and_si128(w, _mm_set1_epi32(0xFFFFFF)));
        if constexpr (Fmt::k32)
          _mm_storeu_si128(reinterpret_cast<__m128i*>(q), o);
        else
          _mm_storel_epi64(reinterpret_cast<__m128i*>(q), o);
      });
#endif
    return this->SpanInside(p, count, first, steps, plot);
  }
  // Pixel i samples u0 + i * du and v0 + i * dv: it lands on column (u0 >> 16) + i exactly when
  // u0 + i * (du - 1.0) keeps the whole part of u0, and on row v0 >> 16 when v0 + i * dv does.
  // Both are linear in i, so the first and last pixel decide.
  bool Copy(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps) const {
    if constexpr (Fetch::kBilinear) {
      return false;
    } else {
      const int64_t u0 = int32_t(first.lane[kLaneU]), v0 = int32_t(first.lane[kLaneV]);
      const int64_t du = int32_t(steps.lane[kLaneU]), dv = int32_t(steps.lane[kLaneV]);
      const int64_t column = u0 >> 16, row = v0 >> 16, last = count - 1;
      const int64_t uDrift = u0 + last * (du - 0x10000), vLast = v0 + last * dv;
      if ((uDrift >> 16) != column || (vLast >> 16) != row) return false;
      if (u0 + last * du > INT32_MAX || vLast > INT32_MAX || vLast < INT32_MIN) return false;
      const SpanTexture& t = this->texture;
      if (row < 0 || row >= t.height || column < 0 || column + count > t.width) return false;
      const uint32_t* source = t.bits + row * t.width + column;
      int64_t i = 0;
#if defined(__SSE2__)
      for (; i + 4 <= count; i += 4) {
        const __m128i o = Opaque4<Fmt>(_mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)),
                                                     _mm_set1_epi32(0xFFFFFF)));
        if constexpr (Fmt::k32)
          _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), o);
        else
          _mm_storel_epi64(reinterpret_cast<__m128i*>(p + i), o);
      }
#endif
      for (; i < count; ++i) p[i] = Fmt::Opaque(source[i]);
      return true;
    }
  }
};

// The sampled texture laid over the destination by its alpha.
template <class Fmt, class Fetch>
struct TexAlphaOp : TexturedOpBase<Fmt, Fetch> {
  using Pixel = typename Fmt::Pixel;
  static constexpr unsigned kLanes = kTextureLanes;
  TexAlphaOp(const SpanTexture& t, const SpanColor&) : TexturedOpBase<Fmt, Fetch>(t) {}
  void Plot(Pixel* p, const SpanLanes& l) const { PlotSample(p, this->Sample(l)); }
  bool Span(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps) const {
    auto plot = [](Pixel* q, uint32_t w) { PlotSample(q, w); };
#if defined(__SSE2__)
    return this->SpanInside4(p, count, first, steps, plot, [](Pixel* q, __m128i w) { PlotSamples4(q, w); });
#else
    return this->SpanInside(p, count, first, steps, plot);
#endif
  }
#if defined(__SSE2__)
  // PlotSample of four samples.
  [[gnu::always_inline]] static void PlotSamples4(Pixel* p, __m128i w) {
    const __m128i alpha = _mm_srli_epi32(w, 24);
    const __m128i rgb = _mm_and_si128(w, _mm_set1_epi32(0xFFFFFF));
    const __m128i s = Fetch::kBilinear ? rgb : ScaleRGB4(rgb, alpha);
    Lay4<Fmt>(p, alpha, s, rgb, _mm_cmplt_epi32(alpha, _mm_set1_epi32(9)));
  }
#endif
  [[gnu::always_inline]] static void PlotSample(Pixel* p, uint32_t w) {
    const uint32_t alpha = w >> 24;
    if (alpha <= 8) return;
    const uint32_t rgb = w & 0xFFFFFF;
    if constexpr (Fetch::kBilinear)
      BlendSource<Fmt>(p, alpha, rgb, rgb);
    else
      BlendSource<Fmt>(p, alpha, alpha >= 240 ? rgb : Premultiply(rgb, alpha), rgb);
  }
};

// Where the tint of a tinted textured family comes from.
enum class TintSource {
  kGlobal,        // the global colour alone
  kVertex,        // the interpolated vertex colours
  kVertexGlobal,  // the vertex colours scaled by the global colour, then tinted by it once more
};

// A global colour channel held to 0..255, so that every product below stays in its byte lane.
inline uint32_t ColorChannel(int32_t c) { return c < 0 ? 0u : (c > 255 ? 255u : uint32_t(c)); }

// Each channel of the 0x00RRGGBB colour w times its factor (0..255), (c * f) >> 8, formed in the
// channel's own byte lane.
[[gnu::always_inline]] inline uint32_t Tint(uint32_t w, uint32_t fr, uint32_t fg, uint32_t fb) {
  const uint32_t red = ((w & 0xFF0000) * fr) & 0xFF000000u;
  const uint32_t green = ((w & 0xFF00) * fg) & 0xFF0000;
  const uint32_t blue = ((w & 0xFF) * fb) & 0xFF00;
  return (red | green | blue) >> 8;
}

// The tinting factors of one pixel, alpha, red, green, blue, each 0..255.
struct TintFactors {
  uint32_t a, r, g, b;
};

// A bilinear sample w (BilinearFetch::Filter) tinted by f's colour and premultiplied by its alpha,
// under the sample's own alpha (the filter's summed weight) in the top byte.
[[gnu::always_inline]] inline uint32_t TintedBilinear(uint32_t w, const TintFactors& f) {
  return (w & 0xFF000000u) | Premultiply(Tint(w, f.r, f.g, f.b), f.a);
}

// TintedBilinear of four samples inside the texture, at (u + k * du, v + k * dv) for k = 0..3,
// tinted and faded in the 16-bit lanes of BilinearPair (the tint and alpha products are at most
// 255 * 255).
inline void TintedBilinear4(const SpanTexture& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv,
                            const TintFactors& f, uint32_t out[4]) {
#if defined(__SSE2__)
  const __m128i tint = _mm_set_epi16(256, short(f.r), short(f.g), short(f.b), 256, short(f.r), short(f.g), short(f.b));
  const __m128i fade = _mm_set_epi16(256, short(f.a), short(f.a), short(f.a), 256, short(f.a), short(f.a), short(f.a));
  auto pair = [&](uint32_t ua, uint32_t va, uint32_t ub, uint32_t vb) {
    const __m128i tinted = _mm_srli_epi16(_mm_mullo_epi16(BilinearPair(t, ua, va, ub, vb), tint), 8);
    return _mm_srli_epi16(_mm_mullo_epi16(tinted, fade), 8);
  };
  const __m128i low = pair(u, v, u + du, v + dv);
  const __m128i high = pair(u + 2 * du, v + 2 * dv, u + 3 * du, v + 3 * dv);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
#else
  for (int k = 0; k < 4; ++k, u += du, v += dv) out[k] = TintedBilinear(BilinearFetch::FetchInside(t, u, v), f);
#endif
}

// The sampled texture tinted channel by channel by the global colour, the vertex colours or both,
// and written opaque or blended over the destination by a coverage alpha: the tint's alpha times
// 255, or, with kAlphaTest, times the sample's alpha. With kAlphaTest a sample of alpha 8 or less
// leaves the pixel alone whatever the tint. The nearest fetch writes the tinted texel where
// opaque and blends it premultiplied by the coverage; the bilinear fetch's sample is already
// premultiplied by the texels' alpha and is multiplied by the tint's alpha for both.
template <class Fmt, class Fetch, TintSource kSource, bool kAlphaTest>
struct TexTintOp : TexturedOpBase<Fmt, Fetch> {
  using Pixel = typename Fmt::Pixel;
  static constexpr bool kVertexTint = kSource != TintSource::kGlobal;
  static constexpr unsigned kLanes = kTextureLanes | (kVertexTint ? kColorLanes : 0u);
  const TintFactors global;

  TexTintOp(const SpanTexture& t, const SpanColor& c)
      : TexturedOpBase<Fmt, Fetch>(t),
        global{ColorChannel(c.alpha), ColorChannel(c.red), ColorChannel(c.green), ColorChannel(c.blue)} {}

  // The vertex colours scaled by the global colour before the set-up (a copy of each vertex).
  static void Prepare(SpanVertex& v, const SpanColor& c) {
    if constexpr (kSource == TintSource::kVertexGlobal) {
      v.a = int32_t((uint32_t(v.a) * ColorChannel(c.alpha)) >> 8);
      v.r = int32_t((uint32_t(v.r) * ColorChannel(c.red)) >> 8);
      v.g = int32_t((uint32_t(v.g) * ColorChannel(c.green)) >> 8);
      v.b = int32_t((uint32_t(v.b) * ColorChannel(c.blue)) >> 8);
    }
  }

  TintFactors Factors(const SpanLanes& l) const {
    if constexpr (kSource == TintSource::kGlobal) {
      return global;
    } else {
      const uint32_t a = ChannelLane(l.lane[kLaneA]), r = ChannelLane(l.lane[kLaneR]);
      const uint32_t g = ChannelLane(l.lane[kLaneG]), b = ChannelLane(l.lane[kLaneB]);
      if constexpr (kSource == TintSource::kVertex)
        return TintFactors{a >> 16, r >> 16, g >> 16, b >> 16};
      else
        return TintFactors{(global.a * a) >> 24, (global.r * r) >> 24, (global.g * g) >> 24, (global.b * b) >> 24};
    }
  }

  void Plot(Pixel* p, const SpanLanes& l) const { PlotSample(p, this->Sample(l), Factors(l)); }

  // With the global colour alone the factors are the same for the whole triangle, and the span
  // goes through the unchecked fetches where it can.
  bool Span(Pixel* p, int64_t count, const SpanLanes& first, const SpanLanes& steps) const {
    if constexpr (kSource == TintSource::kGlobal) {
      const TintFactors f = global;
      auto plot = [f](Pixel* q, uint32_t w) { PlotSample(q, w, f); };
      if constexpr (Fetch::kBilinear) {
        // Inside the texture the samples are filtered and tinted four at a time.
        const SpanTexture& t = this->texture;
        return this->SpanInside(p, count, first, steps, plot,
                                [&](Pixel* q, int64_t n, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
                                  uint32_t four[4];
                                  for (; n >= 4; n -= 4, q += 4, u += 4 * du, v += 4 * dv) {
                                    TintedBilinear4(t, u, v, du, dv, f, four);
                                    PlotTinted4(q, four, f);
                                  }
                                  for (; n > 0; --n, ++q, u += du, v += dv)
                                    plot(q, Fetch::FetchInside(t, u, v));
                                });
      } else {
#if defined(__SSE2__)
        if constexpr (std::is_same_v<Fmt, Dest8888>) {
          if ((f.a * 255u) >> 8 < 240)  // no pixel can be written opaque
            return this->SpanInside4(p, count, first, steps, plot,
                                     [f](Pixel* q, __m128i w) { PlotFaded8888x4(q, w, f); });
        }
        return this->SpanInside4(p, count, first, steps, plot, [f](Pixel* q, __m128i w) { PlotNearest4(q, w, f); });
#else
        return this->SpanInside(p, count, first, steps, plot);
#endif
      }
    } else if constexpr (kSource == TintSource::kVertex && !Fetch::kBilinear) {
#if defined(__SSE2__)
      // The vertex colours step along the span as the frame steps them (32-bit wrapping adds),
      // so pixel i's lanes are first + i * steps.
      auto lanesAt = [&](int64_t i) {
        SpanLanes l = first;
        ForEachLane<kColorLanes>([&](auto c) { l.lane[c] += uint32_t(i) * steps.lane[c]; });
        return l;
      };
      auto plot = [&](Pixel* q, uint32_t w) { PlotSample(q, w, Factors(lanesAt(q - p))); };
      const SpanTexture& t = this->texture;
      return this->SpanInside(p, count, first, steps, plot,
                              [&](Pixel* q, int64_t n, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
                                const SpanLanes at = lanesAt(q - p);
                                __m128i lane[4], step4[4];
                                for (int c = 0; c < 4; ++c) {
                                  // base + k * step for k = 0..3, wrapping, from additions.
                                  const __m128i step = _mm_set1_epi32(int(steps.lane[kLaneA + c]));
                                  const __m128i twice = _mm_add_epi32(step, step);
                                  const __m128i offsets =
                                      _mm_unpacklo_epi64(_mm_unpacklo_epi32(_mm_setzero_si128(), step),
                                                         _mm_unpacklo_epi32(twice, _mm_add_epi32(twice, step)));
                                  lane[c] = _mm_add_epi32(_mm_set1_epi32(int(at.lane[kLaneA + c])), offsets);
                                  step4[c] = _mm_add_epi32(twice, twice);
                                }
                                for (; n >= 4; n -= 4, q += 4, u += 4 * du, v += 4 * dv) {
                                  PlotVertex4(q, this->FetchInside4(t, u, v, du, dv), lane);
                                  for (int c = 0; c < 4; ++c) lane[c] = _mm_add_epi32(lane[c], step4[c]);
                                }
                                for (; n > 0; --n, ++q, u += du, v += dv) plot(q, Fetch::FetchInside(t, u, v));
                              });
#else
      return false;
#endif
    } else {
      return false;
    }
  }

#if defined(__SSE2__)
  // ChannelLane >> 16 of four lanes: each held to 0 .. 0xFFFFFF as a signed number, then its
  // whole part.
  static __m128i ChannelFactor4(__m128i lane) {
    const __m128i top = _mm_set1_epi32(0xFFFFFF);
    const __m128i low = _mm_andnot_si128(_mm_cmpgt_epi32(_mm_setzero_si128(), lane), lane);
    return _mm_srli_epi32(Select(_mm_cmpgt_epi32(low, top), top, low), 16);
  }
  // PlotSample of four nearest samples tinted by their own vertex colours (lanes a, r, g, b).
  [[gnu::always_inline]] static void PlotVertex4(Pixel* p, __m128i w, const __m128i lane[4]) {
    const __m128i fa = ChannelFactor4(lane[0]);
    const __m128i factors = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(ChannelFactor4(lane[1]), 16),
                                                      _mm_slli_epi32(ChannelFactor4(lane[2]), 8)),
                                         ChannelFactor4(lane[3]));
    const __m128i zero = _mm_setzero_si128();
    const __m128i m = ScaleBytes(w, _mm_unpacklo_epi8(factors, zero), _mm_unpackhi_epi8(factors, zero));
    const __m128i sampleAlpha = _mm_srli_epi32(w, 24);
    const __m128i alpha = kAlphaTest ? _mm_srli_epi32(_mm_mullo_epi16(sampleAlpha, fa), 8)
                                     : _mm_srli_epi32(_mm_mullo_epi16(_mm_set1_epi32(255), fa), 8);
    Lay4<Fmt>(p, alpha, ScaleRGB4(m, alpha), m, Skip4(sampleAlpha));
  }

  // The coverage alpha of four samples of the given alphas: (f.a * sample alpha) >> 8 with the
  // alpha test, else (f.a * 255) >> 8; a 16-bit product in the low half of each lane.
  static __m128i Coverage4(__m128i sampleAlpha, const TintFactors& f) {
    if constexpr (kAlphaTest)
      return _mm_srli_epi32(_mm_mullo_epi16(sampleAlpha, _mm_set1_epi32(int(f.a))), 8);
    else
      return _mm_set1_epi32(int((f.a * 255u) >> 8));
  }
  static __m128i Skip4(__m128i sampleAlpha) {
    return kAlphaTest ? _mm_cmplt_epi32(sampleAlpha, _mm_set1_epi32(9)) : _mm_setzero_si128();
  }
  // PlotNearest4 into 32-bit ARGB under a tint whose alpha keeps every pixel below the opaque
  // threshold. Unless the destination is covered whole (where the blend is a shift), the tint,
  // the premultiplication and the blend's sums are formed channel by channel in the 32-bit lanes
  // the division works in, rather than packed and unpacked again between the steps.
  [[gnu::always_inline]] static void PlotFaded8888x4(uint32_t* p, __m128i w, const TintFactors& f) {
    const __m128i sampleAlpha = _mm_srli_epi32(w, 24);
    const __m128i skip = Skip4(sampleAlpha);
    if constexpr (kAlphaTest) {
      if (_mm_movemask_ps(_mm_castsi128_ps(skip)) == 15) return;
    }
    __m128i* at = reinterpret_cast<__m128i*>(p);
    const __m128i d = _mm_loadu_si128(at);
    const __m128i alpha = Coverage4(sampleAlpha, f);
    const __m128i da = _mm_srli_epi32(d, 24);
    const __m128i inv = _mm_sub_epi32(_mm_set1_epi32(256), alpha);
    const __m128i outA = Coverage8888x4(da, inv);
    if (AllFull8888x4(outA)) {
      const __m128i blended = BlendFull8888x4(d, da, inv, ScaleRGB4(Tint4(w, f.r, f.g, f.b), alpha));
      _mm_storeu_si128(at, Select(skip, d, blended));
      return;
    }
    const __m128 r = Reciprocal4(outA);
    const __m128i byte = _mm_set1_epi32(0xFF);
    auto channel = [&](int shift, uint32_t factor) {
      const __m128i m = _mm_srli_epi32(_mm_madd_epi16(_mm_and_si128(_mm_srli_epi32(w, shift), byte),
                                                      _mm_set1_epi32(int(factor))), 8);
      const __m128i s256 = _mm_andnot_si128(byte, _mm_madd_epi16(m, alpha));  // ((m * alpha) >> 8) << 8
      const __m128i dc = _mm_and_si128(_mm_srli_epi32(d, shift), byte);
      const __m128i x = _mm_add_epi32(_mm_madd_epi16(_mm_srli_epi32(_mm_madd_epi16(dc, da), 8), inv), s256);
      return DivideByReciprocal4(x, r);
    };
    _mm_storeu_si128(at, PackBlend8888x4(channel(0, f.b), channel(8, f.g), channel(16, f.r), outA, d, skip));
  }

  // PlotSample of four nearest samples.
  [[gnu::always_inline]] static void PlotNearest4(Pixel* p, __m128i w, const TintFactors& f) {
    const __m128i sampleAlpha = _mm_srli_epi32(w, 24);
    const __m128i m = Tint4(w, f.r, f.g, f.b);
    const __m128i alpha = Coverage4(sampleAlpha, f);
    Lay4<Fmt>(p, alpha, ScaleRGB4(m, alpha), m, Skip4(sampleAlpha));
  }
#endif

  [[gnu::always_inline]] static void PlotSample(Pixel* p, uint32_t w, const TintFactors& f) {
    const uint32_t sampleAlpha = w >> 24;
    if constexpr (kAlphaTest) {
      if (sampleAlpha <= 8) return;
    }
    if constexpr (Fetch::kBilinear) {
      PlotTinted(p, TintedBilinear(w, f), f);
    } else {
      const uint32_t m = Tint(w, f.r, f.g, f.b);
      const uint32_t alpha = (f.a * (kAlphaTest ? sampleAlpha : 255u)) >> 8;
      if (alpha >= 240)
        *p = Fmt::Opaque(m);
      else
        BlendOver<Fmt>(p, alpha, Premultiply(m, alpha));
    }
  }

  // PlotTinted of four pixels.
  [[gnu::always_inline]] static void PlotTinted4(Pixel* p, const uint32_t t[4], const TintFactors& f) {
#if defined(__SSE2__)
    const __m128i tinted = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    const __m128i sampleAlpha = _mm_srli_epi32(tinted, 24);
    const __m128i s = _mm_and_si128(tinted, _mm_set1_epi32(0xFFFFFF));
    Lay4<Fmt>(p, Coverage4(sampleAlpha, f), s, s, Skip4(sampleAlpha));
#else
    for (int k = 0; k < 4; ++k) PlotTinted(p + k, t[k], f);
#endif
  }

  // The tests and blend of a bilinear sample t already tinted (TintedBilinear): the coverage is the
  // tint's alpha times the sample's, and the colour is written opaque or blended as it is.
  [[gnu::always_inline]] static void PlotTinted(Pixel* p, uint32_t t, const TintFactors& f) {
    const uint32_t sampleAlpha = t >> 24;
    if constexpr (kAlphaTest) {
      if (sampleAlpha <= 8) return;
    }
    const uint32_t alpha = (f.a * (kAlphaTest ? sampleAlpha : 255u)) >> 8;
    const uint32_t s = t & 0xFFFFFF;
    if (alpha >= 240)
      *p = Fmt::Opaque(s);
    else
      BlendOver<Fmt>(p, alpha, s);
  }
};

}  // namespace raster
