// The four-pixel forms of the blend, the colour products and the bilinear sample against their
// one-pixel forms, bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

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
        if ((n + k) / d <= 256 ? Lane(q, int(k)) != (n + k) / d : Lane(q, int(k)) < 256) FAIL() << n + k << " / " << d;
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

// Every channel value against every factor, in each channel position.
TEST(FourPixelProducts, EqualTheOnePixelProducts) {
  for (uint32_t f = 0; f < 256; ++f)
    for (uint32_t c = 0; c < 256; c += 4) {
      uint32_t w[4];
      for (uint32_t k = 0; k < 4; ++k) w[k] = ((255 - c - k) << 24) | ((c + k) << 16) | (((c + k) * 7 & 0xFF) << 8) | (255 - c - k);
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w));
      const __m128i scaled = raster::ScaleRGB4(x, _mm_set1_epi32(int(f)));
      const __m128i tinted = raster::Tint4(x, f, 255 - f, f / 2);
      for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(Lane(scaled, k), raster::Premultiply(w[k] & 0xFFFFFF, f)) << std::hex << w[k] << " " << f;
        ASSERT_EQ(Lane(scaled, k), raster::ScaleRGB(w[k], f)) << std::hex << w[k] << " " << f;
        ASSERT_EQ(Lane(tinted, k), raster::Tint(w[k], f, 255 - f, f / 2)) << std::hex << w[k] << " " << f;
      }
    }
}

// Lay4 of format Fmt against the alpha test, opaque threshold and blend of one pixel: every blend
// alpha over the destinations `destination(i)` gives, lanes skipped now and then, sources as the
// families form them (the colour premultiplied by the alpha, or a filtered colour below it).
template <class Fmt>
void ExpectLay4EqualsOnePixel(uint32_t destinations, uint32_t (*destination)(uint32_t)) {
  using Pixel = typename Fmt::Pixel;
  std::mt19937 random(5);
  for (uint32_t alpha = 0; alpha < 256; ++alpha)
    for (uint32_t i = 0; i < destinations; i += 4) {
      Pixel d[4], expected[4];
      uint32_t a[4], s[4], o[4], skip[4];
      for (uint32_t k = 0; k < 4; ++k) {
        d[k] = expected[k] = Pixel(destination(i + k));
        a[k] = (alpha + k * 61) & 0xFF;
        o[k] = random() & 0xFFFFFF;
        s[k] = random() % 2 ? raster::Premultiply(o[k], a[k])
                            : ((random() % (a[k] + 1)) << 16) | ((random() % (a[k] + 1)) << 8) | (random() % (a[k] + 1));
        skip[k] = random() % 8 == 0 ? ~0u : 0u;
        if (skip[k]) continue;
        if (a[k] >= 240)
          expected[k] = Fmt::Opaque(o[k]);
        else
          raster::BlendOver<Fmt>(&expected[k], a[k], s[k]);
      }
      auto load = [](const uint32_t* x) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(x)); };
      raster::Lay4<Fmt>(d, load(a), load(s), load(o), load(skip));
      for (int k = 0; k < 4; ++k)
        if (d[k] != expected[k])
          FAIL() << std::hex << "destination " << destination(i + uint32_t(k)) << " alpha " << a[k] << " s " << s[k]
                 << " o " << o[k] << ": " << uint32_t(d[k]) << " != " << uint32_t(expected[k]);
    }
}

uint32_t Every16(uint32_t i) { return i; }
uint32_t Spread32(uint32_t i) { return (i & 0xFF) << 24 | (i * 2654435761u >> 8); }

TEST(FourPixelLay, EqualsTheOnePixelFormOfEachFormat) {
  ExpectLay4EqualsOnePixel<raster::Dest565>(0x10000, Every16);
  ExpectLay4EqualsOnePixel<raster::Dest555>(0x10000, Every16);
  ExpectLay4EqualsOnePixel<raster::Dest888>(0x2000, Spread32);
  ExpectLay4EqualsOnePixel<raster::Dest8888>(0x2000, Spread32);
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
#if defined(__SSE2__)
        const __m128i plain = raster::Bilinear4(texture, u, v, du, dv);
        for (uint32_t k = 0; k < 4; ++k)
          if (Lane(plain, int(k)) != raster::BilinearFetch::FetchInside(texture, u + k * du, v + k * dv))
            FAIL() << std::hex << "untinted u " << u + k * du << " v " << v + k * dv;
#endif
      }
    }
}

}  // namespace

namespace {

// The span of an operation against its pixel-by-pixel plot with the lanes stepped as the frame
// steps them, over random textures, destinations, positions and steps (samples inside and
// outside the texture, colour lanes that leave 0..255 along the span).
template <class Op>
void ExpectSpanEqualsPlots(uint32_t seed) {
  using Pixel = typename Op::Pixel;
  std::mt19937 random(seed);
  const uint32_t alphas[] = {0, 1, 8, 9, 128, 239, 240, 254, 255};
  for (int trial = 0; trial < 1000; ++trial) {
    // Mostly textures wide enough for runs of samples inside, now and then tiny ones.
    const int w = 1 + int(random() % (trial % 4 ? 40 : 4)), h = 1 + int(random() % (trial % 4 ? 30 : 3));
    std::vector<uint32_t> bits(size_t(w * h) + 1);
    for (uint32_t& t : bits) t = (alphas[random() % 9] << 24) | (random() & 0xFFFFFF);
    const SpanTexture texture{bits.data(), w, w * h, h};
    const SpanColor colour{int32_t(alphas[random() % 9]), int32_t(random() % 256), int32_t(random() % 256),
                           int32_t(random() % 256)};
    const Op op(texture, colour);
    raster::SpanLanes first{}, steps{};
    first.lane[raster::kLaneU] = uint32_t(int32_t(random() % uint32_t((w + 4) << 16)) - (2 << 16));
    first.lane[raster::kLaneV] = uint32_t(int32_t(random() % uint32_t((h + 4) << 16)) - (2 << 16));
    steps.lane[raster::kLaneU] = uint32_t(int32_t(random() % 0x18000) - 0xC000);
    steps.lane[raster::kLaneV] = uint32_t(int32_t(random() % 0x8000) - 0x4000);
    for (int c = raster::kLaneA; c <= raster::kLaneB; ++c) {
      first.lane[c] = uint32_t(int32_t(random() % 0x1400000) - 0x200000);
      steps.lane[c] = uint32_t(int32_t(random() % 0x100000) - 0x80000);
    }
    const int count = 1 + int(random() % 40);
    std::vector<Pixel> expected(static_cast<size_t>(count));
    std::vector<Pixel> actual;
    // Destinations of random coverage, opaque ones (the whole-coverage blends) and a mix of
    // opaque and empty ones.
    for (Pixel& d : expected) {
      const uint32_t colour = uint32_t(random());
      d = Pixel(trial % 3 == 0 ? colour
                               : (colour & 0xFFFFFF) | (trial % 3 == 1 || random() % 2 ? 0xFF000000u : 0u));
    }
    actual = expected;
    raster::SpanLanes lanes = first;
    for (Pixel& d : expected) {
      op.Plot(&d, lanes);
      for (int l = 0; l < raster::kLaneCount; ++l) lanes.lane[l] += steps.lane[l];
    }
    if (!op.Span(actual.data(), count, first, steps)) continue;
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(uint32_t(actual[size_t(i)]), uint32_t(expected[size_t(i)])) << "trial " << trial << " pixel " << i;
  }
}

template <template <class, class> class Family>
void ExpectFamilySpansEqualPlots() {
  ExpectSpanEqualsPlots<Family<raster::Dest8888, raster::NearestFetch>>(1);
  ExpectSpanEqualsPlots<Family<raster::Dest888, raster::NearestFetch>>(2);
  ExpectSpanEqualsPlots<Family<raster::Dest565, raster::NearestFetch>>(3);
  ExpectSpanEqualsPlots<Family<raster::Dest555, raster::NearestFetch>>(4);
  ExpectSpanEqualsPlots<Family<raster::Dest8888, raster::BilinearFetch>>(5);
  ExpectSpanEqualsPlots<Family<raster::Dest888, raster::BilinearFetch>>(6);
  ExpectSpanEqualsPlots<Family<raster::Dest565, raster::BilinearFetch>>(7);
  ExpectSpanEqualsPlots<Family<raster::Dest555, raster::BilinearFetch>>(8);
}

template <class Fmt, class Fetch> using GlobalTint = raster::TexTintOp<Fmt, Fetch, raster::TintSource::kGlobal, false>;
template <class Fmt, class Fetch> using GlobalTintTested = raster::TexTintOp<Fmt, Fetch, raster::TintSource::kGlobal, true>;
template <class Fmt, class Fetch> using VertexTint = raster::TexTintOp<Fmt, Fetch, raster::TintSource::kVertex, false>;
template <class Fmt, class Fetch> using VertexTintTested = raster::TexTintOp<Fmt, Fetch, raster::TintSource::kVertex, true>;

}  // namespace

TEST(FourPixelSpans, EqualThePixelByPixelPlots) {
  ExpectFamilySpansEqualPlots<raster::TexOp>();
  ExpectFamilySpansEqualPlots<raster::TexAlphaOp>();
  ExpectFamilySpansEqualPlots<GlobalTint>();
  ExpectFamilySpansEqualPlots<GlobalTintTested>();
  ExpectFamilySpansEqualPlots<VertexTint>();
  ExpectFamilySpansEqualPlots<VertexTintTested>();
}
