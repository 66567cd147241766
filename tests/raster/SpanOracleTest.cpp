// Every filler of the table against the plain per-channel oracle, over seeded random triangles,
// textures and destinations.
#include <gtest/gtest.h>

#include <random>

#include "raster/support/RasterTestSupport.h"

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 34;

class Random {
 public:
  explicit Random(uint32_t seed) : engine(seed) {}
  uint32_t Below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(engine); }
  int32_t Between(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(engine); }
  // Alphas and channels near the thresholds, or anything.
  uint32_t Channel() {
    static const uint32_t kNear[] = {0, 8, 9, 239, 240, 241, 255};
    return Below(3) ? kNear[Below(7)] : Below(256);
  }
  uint32_t DestinationAlpha() {
    static const uint32_t kAlphas[] = {0, 1, 255};
    return Below(4) ? kAlphas[Below(3)] : Below(256);
  }
  // A coordinate inside [lo, hi] pixels, often on a whole or half pixel.
  int32_t Coordinate(int lo, int hi) {
    const int32_t whole = Between(lo, hi - 1);
    switch (Below(4)) {
      case 0: return whole << 16;
      case 1: return (whole << 16) + 0x8000;
      default: return (whole << 16) + int32_t(Below(0x10000));
    }
  }

 private:
  std::mt19937 engine;
};

uint32_t RandomArgb(Random& r) { return (r.Channel() << 24) | (r.Channel() << 16) | (r.Channel() << 8) | r.Channel(); }

void FillDestination(GuardedCanvas& canvas, Random& r) {
  canvas.FillAll([&](int, int) {
    if (canvas.BytesPerPixel() == 2) return r.Below(0x10000);
    return (r.DestinationAlpha() << 24) | (r.Below(0x1000000));
  });
}

void CompareEntry(int index, uint32_t seed) {
  SpanFiller filler = TriangleSpanTable[index];
  Random r(seed);
  static const int32_t kFormats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
  const int32_t format = kFormats[index >> 5];
  int drawn = 0;
  for (int trial = 0; trial < 150; ++trial) {
    const bool oneToOne = trial % 4 == 1;
    const int32_t shiftU = r.Between(-0x30000, 0x30000), shiftV = r.Between(-0x30000, 0x30000);
    const int tw = oneToOne ? kWidth : 1 + int(r.Below(trial % 5 == 0 ? 2 : 11));
    const int th = oneToOne ? kHeight : 1 + int(r.Below(trial % 7 == 0 ? 2 : 9));
    TestTexture texture(tw, th);
    for (int i = 0; i < tw * th; ++i) texture.pixels[i] = RandomArgb(r);
    SpanTexture spanTexture = texture.Span();
    SpanColor color{int32_t(r.Channel()), int32_t(r.Channel()), int32_t(r.Channel()), int32_t(r.Channel())};

    SpanVertex block[3];
    const int size = trial % 3 == 0 ? 6 : kWidth - 2;
    const int ox = r.Between(1, kWidth - 1 - size), oy = r.Between(1, kHeight - 1 - std::min(size, kHeight - 2));
    for (SpanVertex& v : block) {
      v.x = r.Coordinate(ox, ox + size);
      v.y = r.Coordinate(oy, oy + std::min(size, kHeight - 2));
      uint32_t c = RandomArgb(r);
      v.a = int32_t((c >> 24) << 16);
      v.r = int32_t(((c >> 16) & 0xFF) << 16);
      v.g = int32_t(((c >> 8) & 0xFF) << 16);
      v.b = int32_t((c & 0xFF) << 16);
      v.u = r.Between(-2 * 0x10000, (tw + 2) * 0x10000);
      v.v = r.Between(-2 * 0x10000, (th + 2) * 0x10000);
      if (oneToOne) {  // texels follow the pixels one to one, as in an unrotated blit
        v.u = v.x - (ox << 16) + shiftU;
        v.v = v.y - (oy << 16) + shiftV;
      }
    }

    GuardedCanvas expected(format, kWidth, kHeight), actual(format, kWidth, kHeight);
    FillDestination(expected, r);
    actual.FillAll([&](int x, int y) { return expected.Get(x, y); });
    if (!OracleFill(index, block, spanTexture, color, expected)) continue;  // set-up beyond 64 bits
    ++drawn;
    SpanClip clip = actual.Clip();
    filler(block, actual.Origin(), actual.Pitch(), &spanTexture, &color, &clip);
    ASSERT_TRUE(actual.GuardIntact()) << "entry " << index << " trial " << trial;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        ASSERT_EQ(actual.Get(x, y), expected.Get(x, y))
            << "entry " << index << " trial " << trial << " pixel " << x << "," << y;
  }
  EXPECT_GT(drawn, 120) << "entry " << index;
}

}  // namespace

TEST(SpanOracle, EveryTableEntryMatchesThePerChannelRules) {
  int compared = 0;
  for (int index = 0; index < 128; ++index) {
    ASSERT_NE(TriangleSpanTable[index], nullptr) << "entry " << index;
    CompareEntry(index, 1000u + uint32_t(index));
    if (HasFatalFailure()) return;
    ++compared;
  }
  EXPECT_EQ(compared, 128);
}
