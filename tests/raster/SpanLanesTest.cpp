// The four-pixel forms of the blend and of the tinted bilinear sample against their one-pixel
// forms, bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "raster/SpanPixels.h"

namespace {

using raster::TintFactors;

#if defined(__SSE2__)

uint32_t Lane(__m128i v, int k) {
  alignas(16) uint32_t out[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(out), v);
  return out[k];
}

TEST(FourPixelBlend, FloatDivisionIsExactForEveryBlend) {
  for (uint32_t d = 1; d <= 256; ++d)
    for (uint32_t n = 0; n < 65536; n += 4) {
      const __m128i q = raster::DivideBlend4(_mm_set_epi32(int(n + 3), int(n + 2), int(n + 1), int(n)),
                                             _mm_set1_epi32(int(d)));
      for (uint32_t k = 0; k < 4; ++k)
        if (Lane(q, int(k)) != (n + k) / d) FAIL() << n + k << " / " << d;
    }
}

// Every destination alpha, blend alpha and destination channel, with source channels from 0 to
// the blend alpha (the premultiplied colours the families lay down).
TEST(FourPixelBlend, EqualsTheOnePixelBlend) {
  for (uint32_t alpha = 0; alpha < 240; ++alpha)
    for (uint32_t da = 0; da < 256; ++da)
      for (uint32_t c = 0; c < 256; c += 4) {
        uint32_t d[4], s[4];
        for (uint32_t k = 0; k < 4; ++k) {
          const uint32_t dc = c + k;
          d[k] = (da << 24) | (dc << 16) | ((255 - dc) << 8) | ((dc * 7) & 0xFF);
          s[k] = ((dc % (alpha + 1)) << 16) | ((alpha / 2) << 8) | alpha;
        }
        const __m128i out = raster::BlendOver8888x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d)),
                                                    _mm_set1_epi32(int(alpha)),
                                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
        for (int k = 0; k < 4; ++k) {
          uint32_t expected = d[k];
          raster::BlendOver<raster::Dest8888>(&expected, alpha, s[k]);
          if (Lane(out, k) != expected)
            FAIL() << std::hex << "d " << d[k] << " alpha " << alpha << " s " << s[k] << ": " << Lane(out, k)
                   << " != " << expected;
        }
      }
}

#endif

// Samples at every even fraction of u (the filter drops bit 0), across a range of v fractions,
// over random texels with alphas clustered at the extremes, for several tints.
TEST(FourPixelBilinear, EqualsTheOnePixelSample) {
  constexpr int kSize = 8;
  std::mt19937 random(7);
  uint32_t bits[kSize * kSize];
  const uint32_t alphas[] = {0, 1, 8, 9, 128, 239, 240, 254, 255};
  for (uint32_t& t : bits) t = (alphas[random() % 9] << 24) | (random() & 0xFFFFFF);
  const SpanTexture texture{bits, kSize, kSize * kSize, kSize};
  const TintFactors tints[] = {{255, 255, 255, 255}, {128, 255, 255, 255}, {0, 0, 0, 0}, {77, 255, 3, 128}};
  for (const TintFactors& f : tints)
    for (uint32_t v = 0; v < 0x50000; v += 0x1357) {
      const uint32_t du = 0x10000 + 2, dv = 0x201;
      for (uint32_t u = 0; u < 0x10000; u += 2) {
        uint32_t four[4];
        raster::TintedBilinear4(texture, u, v, du, dv, f, four);
        for (uint32_t k = 0; k < 4; ++k) {
          const uint32_t expected =
              raster::TintedBilinear(raster::BilinearFetch::FetchInside(texture, u + k * du, v + k * dv), f);
          if (four[k] != expected) FAIL() << std::hex << "u " << u + k * du << " v " << v + k * dv;
        }
      }
    }
}

}  // namespace
