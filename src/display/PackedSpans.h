#pragma once
// Spans of 32-bit pixels with one byte per channel (0x00RRGGBB or 0x00BBGGRR): the additive and
// colourised blends of a run of source words, four pixels at a time where SSE2 is present and
// one at a time otherwise, with results equal bit for bit to the channel-by-channel formulas.
// A span writes n pixels starting at d, rightwards (Dir 1) or leftwards (Dir -1), from n
// consecutive source words; the top byte of every written pixel is 0.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vesk::PackedSpans {

// Adds each channel of the source word to the pixel's, saturating at 255.
inline uint32_t AddPixel(uint32_t d, uint32_t s) {
  uint32_t rb = (d & 0xFF00FFu) + (s & 0xFF00FFu);
  uint32_t g = (d & 0xFF00u) + (s & 0xFF00u);
  uint32_t carry = rb & 0x1000100u;
  rb |= carry - (carry >> 8);
  carry = g & 0x10000u;
  g |= carry - (carry >> 8);
  return (rb & 0xFF00FFu) | (g & 0xFF00u);
}

template <int Dir>
void AddSpan(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t k = 0;
#if defined(__SSE2__)
  const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
  for (; k + 4 <= n; k += 4) {
    uint32_t* p = Dir > 0 ? d + k : d - k - 3;
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
    if constexpr (Dir < 0) sv = _mm_shuffle_epi32(sv, _MM_SHUFFLE(0, 1, 2, 3));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_and_si128(_mm_adds_epu8(dv, sv), rgb));
  }
#endif
  for (; k < n; ++k) d[Dir * k] = AddPixel(d[Dir * k], s[k]);
}

// A colour applied to premultiplied words: each channel becomes
//   ((d * (256 - a * ca / 255) + s * k) >> 8) & 255
// with a the word's alpha, ca the colour's alpha and k the channel's premultiplied colour, or,
// for opaque words under an opaque colour, (s * k >> 8) & 255.
class Tinted {
 public:
  // k holds the factor of the channel in byte 0, 1 and 2 of the pixel.
  Tinted(const uint32_t (&k)[3], uint32_t ca) : mCa(ca), mK{k[0], k[1], k[2]} {}

  uint32_t Blend(uint32_t d, uint32_t s) const {
    const uint32_t aw = 256 - (s >> 24) * mCa / 255;
    uint32_t out = 0;
    for (int b = 0; b < 3; ++b) out |= ((((d >> 8 * b) & 255) * aw + ((s >> 8 * b) & 255) * mK[b]) >> 8 & 255) << 8 * b;
    return out;
  }
  uint32_t Opaque(uint32_t s) const {
    uint32_t out = 0;
    for (int b = 0; b < 3; ++b) out |= (((s >> 8 * b) & 255) * mK[b] >> 8 & 255) << 8 * b;
    return out;
  }

  // Blends the span, or with KeepDest false writes the opaque form.
  template <int Dir, bool KeepDest>
  void Span(uint32_t* d, const uint32_t* s, int32_t n) const {
    int32_t k = 0;
#if defined(__SSE2__)
    // Two pixels per register in 16-bit lanes. Every sum is taken modulo 2^16, and
    // (x mod 2^16) >> 8 equals (x >> 8) & 255, so the lanes agree with the wide formula
    // whatever the words hold. a * ca / 255 is (a * ca * 0x8081) >> 23, exact below 2^16.
    const __m128i zero = _mm_setzero_si128();
    const __m128i kv = _mm_set_epi16(0, short(mK[2]), short(mK[1]), short(mK[0]), 0, short(mK[2]), short(mK[1]), short(mK[0]));
    const __m128i cav = _mm_set1_epi16(short(mCa));
    const __m128i recip = _mm_set1_epi16(short(0x8081));
    const __m128i full = _mm_set1_epi16(256);
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
    auto half = [&](__m128i sh, __m128i dh) {
      __m128i out = _mm_mullo_epi16(sh, kv);
      if constexpr (KeepDest) {
        const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sh, 0xFF), 0xFF);
        const __m128i share = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(a, cav), recip), 7);
        out = _mm_add_epi16(out, _mm_mullo_epi16(dh, _mm_sub_epi16(full, share)));
      }
      return _mm_srli_epi16(out, 8);
    };
    for (; k + 4 <= n; k += 4) {
      uint32_t* p = Dir > 0 ? d + k : d - k - 3;
      __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
      if constexpr (Dir < 0) sv = _mm_shuffle_epi32(sv, _MM_SHUFFLE(0, 1, 2, 3));
      __m128i dv = zero;
      if constexpr (KeepDest) dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i lo = half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
      const __m128i hi = half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_and_si128(_mm_packus_epi16(lo, hi), rgb));
    }
#endif
    for (; k < n; ++k) d[Dir * k] = KeepDest ? Blend(d[Dir * k], s[k]) : Opaque(s[k]);
  }

 private:
  uint32_t mCa;
  uint32_t mK[3];
};

}  // namespace Vesk::PackedSpans
