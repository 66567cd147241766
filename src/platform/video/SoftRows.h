#pragma once
// The 3D device's pixel arithmetic in bulk: the linear filter's weighing of four texels, and rows
// of 0xAARRGGBB texels blended into 0x00RRGGBB pixels, or into 16-bit 565 and 555 pixels, by
// the 3D device's rules, where a * b / 255 is rounded exactly and a 16-bit channel reads as its
// bits repeated to fill a byte: several pixels at a time where SSE2 is present and one at a time
// otherwise, with the same results bit for bit. Every 32-bit pixel a row writes gets 0 in its top
// byte. The rows are meant for texels whose alpha is not 0 (a texel of alpha 0 leaves its pixel
// as it is, top byte included, which the callers see to by skipping such texels).
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Platform::Video::SoftRows {

// a * b / 255 on 0..255 values, rounded, exact at 0 and 255.
[[gnu::always_inline]] inline uint32_t Mul8(uint32_t a, uint32_t b) {
  const uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

[[gnu::always_inline]] inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
[[gnu::always_inline]] inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// count pixels of `bytes` bytes each (2 or 4) set to value: the first one stored, then what is
// filled copied onto what follows, doubling, so that a row takes a few block copies (one
// checked range each under the address sanitizer, rather than one check a pixel).
inline void FillRow(uint8_t* row, size_t count, size_t bytes, uint32_t value) {
  if (count == 0) return;
  if (bytes == 4) {
    std::memcpy(row, &value, 4);
  } else {
    const uint16_t v16 = uint16_t(value);
    std::memcpy(row, &v16, 2);
  }
  const size_t total = count * bytes;
  for (size_t done = bytes; done < total;) {
    const size_t part = done < total - done ? done : total - done;
    std::memcpy(row + done, row, part);
    done += part;
  }
}

#if defined(__SSE2__)
// Mul8 in each 16-bit lane: a * b + 128 stays below 2^16 for 0..255 values, and so does
// t + (t >> 8), so the lanes never wrap.
[[gnu::always_inline]] inline __m128i Mul8x8(__m128i a, __m128i b) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}
// Each pixel's alpha lane copied to its four lanes.
[[gnu::always_inline]] inline __m128i AlphaLanes(__m128i s16) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
}
#endif

// n texels times a colour 0xAARRGGBB into out, channel by channel as Mul8, read from `from` on or,
// with step -1 (a mirrored row), from `from` back. The colour's alpha multiplies the texel's
// (alphaFrom 2), replaces it (1) or is not used (0).
inline void ModulateRow(uint32_t* out, const uint8_t* from, int32_t step, int32_t n, uint32_t colour,
                        int32_t alphaFrom) {
  // With alphaFrom 1 the texel's alpha is taken as 255 (times the colour's alpha gives the
  // colour's), with 0 the factor is 255 (Mul8 by 255 keeps the texel's).
  const uint32_t force = alphaFrom == 1 ? 0xFF000000u : 0u;
  const uint32_t factor = alphaFrom == 0 ? colour | 0xFF000000u : colour;
  int32_t k = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i f = _mm_unpacklo_epi8(_mm_set1_epi32(int(factor)), zero);
  for (; k + 4 <= n; k += 4) {
    __m128i v;
    if (step > 0) {
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + size_t(k) * 4));
    } else {
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from - size_t(k + 3) * 4));
      v = _mm_shuffle_epi32(v, 0x1B);  // texel k first
    }
    v = _mm_or_si128(v, _mm_set1_epi32(int(force)));
    const __m128i lo = Mul8x8(_mm_unpacklo_epi8(v, zero), f), hi = Mul8x8(_mm_unpackhi_epi8(v, zero), f);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; k < n; ++k) {
    const uint32_t t = Load32(from + ptrdiff_t(k) * step * 4) | force;
    out[k] = (Mul8(t >> 24, factor >> 24) << 24) | (Mul8((t >> 16) & 255u, (factor >> 16) & 255u) << 16) |
             (Mul8((t >> 8) & 255u, (factor >> 8) & 255u) << 8) | Mul8(t & 255u, factor & 255u);
  }
}

// Mul8 of red and blue (bytes 2 and 0) by one factor at once: each product and its rounding
// stay within their 16 bits. The results sit in bytes 2 and 0.
[[gnu::always_inline]] inline uint32_t Mul8RedBlue(uint32_t c, uint32_t f) {
  const uint32_t t = (c & 0xFF00FFu) * f + 0x800080u;
  return ((t + ((t >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
}

// Each channel: min(s * a / 255 + d * (255 - a) / 255, 255), a the texel's alpha.
inline uint32_t OverPixel(uint32_t d, uint32_t s) {
  const uint32_t a = s >> 24, ia = 255 - a;
  // Each sum is at most 256 (two roundings up), which becomes 255.
  uint32_t rb = Mul8RedBlue(s, a) + Mul8RedBlue(d, ia);
  rb -= (rb >> 8) & 0x10001u;
  uint32_t g = Mul8((s >> 8) & 255u, a) + Mul8((d >> 8) & 255u, ia);
  g -= g >> 8;
  return rb | (g << 8);
}

#if defined(__SSE2__)
// Four pixels at once; with `count` below 4 only the first `count` of them change. Every lane is
// read and written, so all four must lie in memory the caller may touch.
template <typename Blend4>
[[gnu::always_inline]] inline void Four(uint8_t* d, const uint8_t* s, Blend4 blend, int32_t count = 4) {
  const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  __m128i out = blend(sv, dv);
  if (count < 4) {
    const __m128i keep = _mm_cmplt_epi32(_mm_set_epi32(3, 2, 1, 0), _mm_set1_epi32(count));
    out = _mm_or_si128(_mm_and_si128(keep, out), _mm_andnot_si128(keep, dv));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
}

// OverPixel and AddPixel of four texels and pixels.
[[gnu::always_inline]] inline __m128i Over4(__m128i sv, __m128i dv) {
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
  auto half = [&](__m128i s16, __m128i d16) {
    const __m128i a = AlphaLanes(s16);
    return _mm_add_epi16(Mul8x8(s16, a), Mul8x8(d16, _mm_sub_epi16(full, a)));
  };
  const __m128i lo = half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
  const __m128i hi = half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
  // The pack saturates a sum of 256 (two roundings up) to 255.
  return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0xFFFFFF));
}
[[gnu::always_inline]] inline __m128i Add4(__m128i sv, __m128i dv) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_unpacklo_epi8(sv, zero), hi = _mm_unpackhi_epi8(sv, zero);
  const __m128i scaled = _mm_packus_epi16(Mul8x8(lo, AlphaLanes(lo)), Mul8x8(hi, AlphaLanes(hi)));
  return _mm_and_si128(_mm_adds_epu8(scaled, dv), _mm_set1_epi32(0xFFFFFF));
}
#endif

// Each channel: min(s * a / 255 + d, 255), a the texel's alpha.
inline uint32_t AddPixel(uint32_t d, uint32_t s) {
  const uint32_t a = s >> 24;
  // Each sum is below 512: where it reaches 256 the channel becomes 255.
  uint32_t rb = Mul8RedBlue(s, a) + (d & 0xFF00FFu);
  rb |= ((rb >> 8) & 0x10001u) * 255u;
  uint32_t g = Mul8((s >> 8) & 255u, a) + ((d >> 8) & 255u);
  g |= (g >> 8) * 255u;
  return (rb & 0xFF00FFu) | ((g & 255u) << 8);
}

// n words from s to d, with only the bits of `keep` (the colours alone: 0xFFFFFF), four at a
// time where SSE2 is present: runs are short, and inline moves beat a call to memcpy.
inline void CopyRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t keep = ~0u) {
  int32_t k = 0;
#if defined(__SSE2__)
  const __m128i kept = _mm_set1_epi32(int(keep));
  for (; k + 4 <= n; k += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * k),
                     _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * k)), kept));
#endif
  for (; k < n; ++k) Store32(d + 4 * k, Load32(s + 4 * k) & keep);
}

// The rows blend n pixels, laid over (OverPixel) or added (AddPixel); `room` (at least n)
// pixels from d and s may be read and written, which lets a short tail go through the
// four-pixel form too.
template <bool kAdd>
[[gnu::always_inline]] inline void BlendRow(uint8_t* d, const uint8_t* s, int32_t n, int32_t room) {
  int32_t k = 0;
#if defined(__SSE2__)
  const auto four = [](__m128i sv, __m128i dv) { return kAdd ? Add4(sv, dv) : Over4(sv, dv); };
  for (; k + 4 <= n; k += 4) Four(d + 4 * k, s + 4 * k, four);
  if (k < n && k + 4 <= room) {
    Four(d + 4 * k, s + 4 * k, four, n - k);
    return;
  }
#endif
  for (; k < n; ++k) {
    const uint32_t dv = Load32(d + 4 * k), sv = Load32(s + 4 * k);
    Store32(d + 4 * k, kAdd ? AddPixel(dv, sv) : OverPixel(dv, sv));
  }
}
inline void OverRow(uint8_t* d, const uint8_t* s, int32_t n, int32_t room = 0) { BlendRow<false>(d, s, n, room); }
inline void AddRow(uint8_t* d, const uint8_t* s, int32_t n, int32_t room = 0) { BlendRow<true>(d, s, n, room); }

#if defined(__SSE2__)
// Weigh of the texels in the lanes (t00, t10, t01, t11). The channels go to the lanes: each
// row's pair of texels interleaved by channel and weighed by pmaddwd, then the two rows by
// pmaddwd again, their high and low bytes apart (each below 256, as pmaddwd wants):
// top * (256 - wv) + bottom * wv = 256 * (high products) + (low products).
[[gnu::always_inline]] inline uint32_t Weigh4(__m128i texels, uint32_t wu, uint32_t wv) {
  const __m128i zero = _mm_setzero_si128(), low = _mm_set1_epi32(255);
  const __m128i across = _mm_set1_epi32(int((256 - wu) | wu << 16)), down = _mm_set1_epi32(int((256 - wv) | wv << 16));
  auto row = [&](__m128i pair) {  // two texels' channels in 16-bit lanes, left then right
    return _mm_madd_epi16(_mm_unpacklo_epi16(pair, _mm_unpackhi_epi64(pair, pair)), across);
  };
  const __m128i top = row(_mm_unpacklo_epi8(texels, zero)), bottom = row(_mm_unpackhi_epi8(texels, zero));
  const __m128i high =
      _mm_madd_epi16(_mm_or_si128(_mm_srli_epi32(top, 8), _mm_slli_epi32(_mm_srli_epi32(bottom, 8), 16)), down);
  const __m128i lowSum =
      _mm_madd_epi16(_mm_or_si128(_mm_and_si128(top, low), _mm_slli_epi32(_mm_and_si128(bottom, low), 16)), down);
  const __m128i channels =
      _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(high, 8), lowSum), _mm_set1_epi32(32768)), 16);
  const __m128i words = _mm_packs_epi32(channels, channels);
  return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}
#endif

// Four texels weighed by their distances in 256ths (the linear filter), each channel as
//   ((a * (256 - wu) + b * wu) * (256 - wv) + (c * (256 - wu) + d * wu) * wv + 32768) >> 16.
// Every sum of it is a whole number below 2^24, none exceeds 255.5 * 2^16.
[[gnu::always_inline]] inline uint32_t Weigh(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wu,
                                             uint32_t wv) {
#if defined(__SSE2__)
  return Weigh4(_mm_set_epi32(int(t11), int(t01), int(t10), int(t00)), wu, wv);
#else
  // Two channels at a time in the 32-bit halves of a 64-bit word: no half spills into the other.
  auto blueRed = [](uint32_t t) { return uint64_t(t & 0xFFu) | uint64_t(t & 0xFF0000u) << 16; };
  auto greenAlpha = [](uint32_t t) { return uint64_t((t >> 8) & 0xFFu) | uint64_t(t >> 24) << 32; };
  const uint64_t iu = 256 - wu, iv = 256 - wv, half = 0x0000800000008000ull;
  const uint64_t br =
      (blueRed(t00) * iu + blueRed(t10) * wu) * iv + (blueRed(t01) * iu + blueRed(t11) * wu) * wv + half;
  const uint64_t ga =
      (greenAlpha(t00) * iu + greenAlpha(t10) * wu) * iv + (greenAlpha(t01) * iu + greenAlpha(t11) * wu) * wv + half;
  return uint32_t((br >> 16) & 0xFFu) | uint32_t((br >> 48) & 0xFFu) << 16 | uint32_t((ga >> 16) & 0xFFu) << 8 |
         uint32_t((ga >> 48) & 0xFFu) << 24;
#endif
}

// Sixteen 0xAARRGGBB texels alike in alpha: 0 when all are transparent, 2 when all are opaque,
// 1 when none is either; -1 when they are mixed.
inline int32_t AlphaKind16(const uint8_t* s) {
#if defined(__SSE2__)
  __m128i a[4];
  for (int32_t i = 0; i < 4; ++i)
    a[i] = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * i)), 24);
  const __m128i alpha = _mm_packus_epi16(_mm_packs_epi32(a[0], a[1]), _mm_packs_epi32(a[2], a[3]));
  const int32_t clear = _mm_movemask_epi8(_mm_cmpeq_epi8(alpha, _mm_setzero_si128()));
  const int32_t solid = _mm_movemask_epi8(_mm_cmpeq_epi8(alpha, _mm_set1_epi8(-1)));
  return clear == 0xFFFF ? 0 : solid == 0xFFFF ? 2 : (clear | solid) == 0 ? 1 : -1;
#else
  int32_t kinds = 0;
  for (int32_t i = 0; i < 16; ++i) {
    const uint32_t alpha = Load32(s + 4 * i) >> 24;
    kinds |= alpha == 0 ? 1 : alpha == 255 ? 4 : 2;
  }
  return kinds == 1 ? 0 : kinds == 4 ? 2 : kinds == 2 ? 1 : -1;
#endif
}

// A 16-bit pixel whose green channel has kGreen bits (6 for 565, 5 for 555) as 0x00RRGGBB, each
// channel's bits repeated to fill its byte, and back, each channel's top bits kept.
template <int kGreen>
[[gnu::always_inline]] inline uint32_t Widen16(uint32_t p) {
  const uint32_t r = (p >> (kGreen + 5)) & 31u, g = (p >> 5) & ((1u << kGreen) - 1), b = p & 31u;
  return ((r << 3) | (r >> 2)) << 16 | ((g << (8 - kGreen)) | (g >> (2 * kGreen - 8))) << 8 | ((b << 3) | (b >> 2));
}
template <int kGreen>
[[gnu::always_inline]] inline uint32_t Narrow16(uint32_t c) {
  return ((c >> 19) & 31u) << (kGreen + 5) | ((c >> (16 - kGreen)) & ((1u << kGreen) - 1)) << 5 | ((c >> 3) & 31u);
}
[[gnu::always_inline]] inline uint32_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
[[gnu::always_inline]] inline void Store16(uint8_t* p, uint32_t v) {
  const uint16_t w = uint16_t(v);
  std::memcpy(p, &w, 2);
}

#if defined(__SSE2__)
// Widen16 of four pixels in the low four 16-bit lanes, into the 32-bit lanes.
template <int kGreen>
[[gnu::always_inline]] inline __m128i Widen16x4(__m128i p) {
  const __m128i p32 = _mm_unpacklo_epi16(p, _mm_setzero_si128()), five = _mm_set1_epi32(31);
  const __m128i r = _mm_and_si128(_mm_srli_epi32(p32, kGreen + 5), five), b = _mm_and_si128(p32, five);
  const __m128i g = _mm_and_si128(_mm_srli_epi32(p32, 5), _mm_set1_epi32((1 << kGreen) - 1));
  auto spread = [](__m128i c, int bits) {
    return _mm_or_si128(_mm_slli_epi32(c, 8 - bits), _mm_srli_epi32(c, 2 * bits - 8));
  };
  return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(spread(r, 5), 16), _mm_slli_epi32(spread(g, kGreen), 8)),
                      spread(b, 5));
}
// Narrow16 of four colours in the 32-bit lanes, each sign-extended from its 16 bits so that a
// saturating pack keeps them as they are.
template <int kGreen>
[[gnu::always_inline]] inline __m128i Narrow16x4(__m128i c) {
  const __m128i red = _mm_set1_epi32(31 << (kGreen + 5)), green = _mm_set1_epi32(((1 << kGreen) - 1) << 5);
  const __m128i v = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(c, 14 - kGreen), red),
                                              _mm_and_si128(_mm_srli_epi32(c, 11 - kGreen), green)),
                                 _mm_and_si128(_mm_srli_epi32(c, 3), _mm_set1_epi32(31)));
  return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
}
// Four 16-bit pixels blended in 8-bit channels; with `count` below 4 only the first ones change.
template <int kGreen, typename Blend4>
[[gnu::always_inline]] inline void Four16(uint8_t* d, const uint8_t* s, Blend4 blend, int32_t count = 4) {
  const __m128i dv = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d));
  const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i c = Narrow16x4<kGreen>(blend(sv, Widen16x4<kGreen>(dv)));
  __m128i out = _mm_packs_epi32(c, c);
  if (count < 4) {
    const __m128i keep = _mm_cmplt_epi16(_mm_set_epi16(7, 6, 5, 4, 3, 2, 1, 0), _mm_set1_epi16(short(count)));
    out = _mm_or_si128(_mm_and_si128(keep, out), _mm_andnot_si128(keep, dv));
  }
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d), out);
}
#endif

// Texels stored as they are, narrowed; with `room` as for the rows.
template <int kGreen>
inline void Narrow16Row(uint8_t* d, const uint8_t* s, int32_t n, int32_t room = 0) {
  int32_t k = 0;
#if defined(__SSE2__)
  for (; k + 8 <= n; k += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * k));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * k + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * k),
                     _mm_packs_epi32(Narrow16x4<kGreen>(a), Narrow16x4<kGreen>(b)));
  }
  const auto texel = [](__m128i sv, __m128i) { return sv; };
  for (; k + 4 <= n; k += 4) Four16<kGreen>(d + 2 * k, s + 4 * k, texel);
  if (k < n && k + 4 <= room) {
    Four16<kGreen>(d + 2 * k, s + 4 * k, texel, n - k);
    return;
  }
#endif
  for (; k < n; ++k) Store16(d + 2 * k, Narrow16<kGreen>(Load32(s + 4 * k)));
}

// BlendRow into 16-bit pixels, each widened to 8-bit channels and narrowed back.
template <int kGreen, bool kAdd>
[[gnu::always_inline]] inline void Blend16Row(uint8_t* d, const uint8_t* s, int32_t n, int32_t room) {
  int32_t k = 0;
#if defined(__SSE2__)
  const auto four = [](__m128i sv, __m128i dv) { return kAdd ? Add4(sv, dv) : Over4(sv, dv); };
  for (; k + 4 <= n; k += 4) Four16<kGreen>(d + 2 * k, s + 4 * k, four);
  if (k < n && k + 4 <= room) {
    Four16<kGreen>(d + 2 * k, s + 4 * k, four, n - k);
    return;
  }
#endif
  for (; k < n; ++k) {
    const uint32_t dv = Widen16<kGreen>(Load16(d + 2 * k)), sv = Load32(s + 4 * k);
    Store16(d + 2 * k, Narrow16<kGreen>(kAdd ? AddPixel(dv, sv) : OverPixel(dv, sv)));
  }
}
template <int kGreen>
inline void Over16Row(uint8_t* d, const uint8_t* s, int32_t n, int32_t room = 0) {
  Blend16Row<kGreen, false>(d, s, n, room);
}
template <int kGreen>
inline void Add16Row(uint8_t* d, const uint8_t* s, int32_t n, int32_t room = 0) {
  Blend16Row<kGreen, true>(d, s, n, room);
}

}  // namespace Platform::Video::SoftRows
