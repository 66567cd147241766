// The strip driver: what it hands to the fillers, what it covers and what it never touches.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "raster/SpanFillers.h"
#include "raster/SpanFrame.h"
#include "raster/support/RasterTestSupport.h"

namespace {

struct Recorded {
  int index;
  SpanVertex v[3];
  SpanTexture texture;
  SpanColor color;
  SpanClip clip;
};
std::vector<Recorded> gRecorded;

template <int kIndex>
void Record(const SpanVertex* v, uint8_t*, uint32_t, const SpanTexture* t, const SpanColor* c, const SpanClip* clip) {
  gRecorded.push_back(Recorded{kIndex, {v[0], v[1], v[2]}, *t, *c, *clip});
}

template <int... I>
constexpr SpanFillerTable RecordingTable(std::integer_sequence<int, I...>) {
  return SpanFillerTable{&Record<I>...};
}
constexpr SpanFillerTable kRecording = RecordingTable(std::make_integer_sequence<int, 128>());

// Adds one to every pixel it covers.
struct CountOp {
  using Pixel = uint32_t;
  static constexpr unsigned kLanes = 0;
  static constexpr bool kBilinear = false;
  static void Prepare(SpanVertex&, const SpanColor&) {}
  CountOp(const SpanTexture&, const SpanColor&) {}
  bool Ready() const { return true; }
  void Plot(Pixel* p, const raster::SpanLanes&) const { ++*p; }
};
SpanFillerTable CountingTable() {
  SpanFillerTable t;
  t.fill(&raster::FillTriangle<CountOp>);
  return t;
}

struct Strip {
  std::vector<TriVertex> v;
  TestTexture* texture = nullptr;
  Color color = Color::White;
  Rect clip{0, 0, 100, 100};
  int32_t format = kPixelFormat8888;
  bool bilinear = false;
  bool vertexColors = true;
};

std::vector<Recorded> Dispatched(const Strip& s) {
  gRecorded.clear();
  static uint32_t sink[4];
  DrawTriangleStripThrough(kRecording, s.v.data(), int32_t(s.v.size()), s.texture, &s.color, 0, &s.clip, sink, 400,
                           s.format, s.bilinear, s.vertexColors);
  return gRecorded;
}

int32_t Fx(float f) { return int32_t(f * 65536.0f); }

// The strip vertex (by its x, which the tests keep distinct) that a span vertex came from.
int Which(const Strip& s, const SpanVertex& v) {
  for (size_t i = 0; i < s.v.size(); ++i)
    if (Fx(s.v[i].x) == v.x && Fx(s.v[i].y) == v.y) return int(i);
  return -1;
}

}  // namespace

TEST(TriangleStrip, WalksTheStripWithAlternatingWinding) {
  Strip s;
  s.v = {{10, 10}, {20, 10}, {11, 30}, {21, 30}, {12, 50}};
  auto calls = Dispatched(s);
  ASSERT_EQ(calls.size(), 3u);
  const int expected[3][3] = {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}};
  for (int t = 0; t < 3; ++t)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(Which(s, calls[t].v[k]), expected[t][k]) << t << "," << k;

  // A first triangle outside the clip still toggles the winding: the second is (V1, V3, V2),
  // whose clipped polygon starts on the edge V1-V3 (with (V1, V2, V3) it would start on V2-V3).
  Strip outside;
  outside.v = {{-50, 10}, {-40, 30}, {-45, 50}, {60, 40}};
  calls = Dispatched(outside);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].v[0].x, 0);
  EXPECT_LT(calls[0].v[0].y, 40 << 16);
  EXPECT_EQ(Which(outside, calls[0].v[1]), 3);
}

TEST(TriangleStrip, FansClippedPolygonsAroundTheirFirstVertex) {
  Strip s;
  s.clip = Rect(0, 0, 10, 10);
  s.v = {{-5, 5}, {5, -5}, {15, 15}};  // crosses left, top and the right/bottom corner
  auto calls = Dispatched(s);
  ASSERT_GE(calls.size(), 2u);
  for (size_t j = 0; j < calls.size(); ++j) {
    EXPECT_EQ(calls[j].v[0].x, calls[0].v[0].x);
    EXPECT_EQ(calls[j].v[0].y, calls[0].v[0].y);
    if (j > 0) {
      EXPECT_EQ(calls[j].v[1].x, calls[j - 1].v[2].x);
      EXPECT_EQ(calls[j].v[1].y, calls[j - 1].v[2].y);
    }
    for (const SpanVertex& v : calls[j].v) {
      EXPECT_GE(v.x, 0);
      EXPECT_LE(v.x, 10 << 16);
      EXPECT_GE(v.y, 0);
      EXPECT_LE(v.y, 10 << 16);
    }
  }
  // Crossing all four edges: up to seven vertices, five pieces.
  s.v = {{5, -6}, {17, 13}, {-7, 13}};
  calls = Dispatched(s);
  EXPECT_GE(calls.size(), 4u);
  EXPECT_LE(calls.size(), 5u);
}

TEST(TriangleStrip, FlagsChooseTheEntry) {
  TestTexture opaque(10, 5);
  Strip s;
  s.v = {{1, 1}, {9, 1}, {1, 9}};
  EXPECT_EQ(Dispatched(s)[0].index, kSpanVertexColors);
  s.color = Color(255, 255, 255, 254);
  EXPECT_EQ(Dispatched(s)[0].index, kSpanVertexColors | kSpanGlobalColor);
  EXPECT_EQ(Dispatched(s)[0].color.alpha, 254);
  s.color = Color::White;
  s.vertexColors = false;
  s.bilinear = true;
  EXPECT_EQ(Dispatched(s)[0].index, kSpanBilinear);  // untextured: never the alpha bit

  s.texture = &opaque;
  auto calls = Dispatched(s);
  EXPECT_EQ(calls[0].index, kSpanTextured | kSpanAlpha | kSpanBilinear);
  EXPECT_EQ(calls[0].texture.width, 10);
  EXPECT_EQ(calls[0].texture.texelCount, 50);
  s.bilinear = false;
  EXPECT_EQ(Dispatched(s)[0].index, kSpanTextured);
  opaque.hasTransparency = true;
  EXPECT_EQ(Dispatched(s)[0].index, kSpanTextured | kSpanAlpha);
  opaque.hasTransparency = false;
  opaque.hasAlpha = true;
  s.format = kPixelFormat555;
  EXPECT_EQ(Dispatched(s)[0].index, 96 + (kSpanTextured | kSpanAlpha));
  s.format = 0;
  EXPECT_EQ(Dispatched(s)[0].index, kSpanTextured | kSpanAlpha);
  s.format = kPixelFormat888;
  EXPECT_EQ(Dispatched(s)[0].index, 32 + (kSpanTextured | kSpanAlpha));
  s.format = kPixelFormat565;
  EXPECT_EQ(Dispatched(s)[0].index, 64 + (kSpanTextured | kSpanAlpha));
}

TEST(TriangleStrip, ConvertsToFixedPoint) {
  TestTexture texture(10, 5);
  Strip s;
  s.texture = &texture;
  s.clip = Rect(-10, -10, 100, 100);
  s.v = {{-0.00001f, 2.5f, 0.5f, 0.25f, 0x80402010}, {9, 2.5f, 1, 1, 0}, {3, 9, 0, 0, 0}};
  auto calls = Dispatched(s);
  ASSERT_EQ(calls.size(), 1u);
  const SpanVertex& v = calls[0].v[0];
  EXPECT_EQ(v.x, 0);
  EXPECT_EQ(v.y, 0x28000);
  EXPECT_EQ(v.u, 5 << 16);
  EXPECT_EQ(v.v, 0x14000);
  EXPECT_EQ(v.a, 0x80 << 16);
  EXPECT_EQ(v.r, 0x40 << 16);
  EXPECT_EQ(v.g, 0x20 << 16);
  EXPECT_EQ(v.b, 0x10 << 16);
  // The fill's clip box covers exactly the clip rectangle.
  EXPECT_EQ(calls[0].clip.left, -10);
  EXPECT_EQ(calls[0].clip.right, 90);
  EXPECT_EQ(calls[0].clip.bottom, 90);
}

TEST(TriangleStrip, TextureCallsAndMissingTexels) {
  TestTexture texture(4, 4);
  Strip s;
  s.texture = &texture;
  s.v = {{1, 1}};
  Dispatched(s);
  EXPECT_EQ(texture.commits, 1);  // committed even when nothing is drawn
  EXPECT_EQ(texture.getBits, 0);
  s.v = {{-30, 5}, {-20, 5}, {-25, 9}, {5, 5}};  // the first triangle is clipped away
  EXPECT_FALSE(Dispatched(s).empty());
  EXPECT_EQ(texture.commits, 2);
  EXPECT_EQ(texture.getBits, 1);
  texture.nullBits = true;
  EXPECT_TRUE(Dispatched(s).empty());
  TestTexture empty(0, 0);
  s.texture = &empty;
  EXPECT_TRUE(Dispatched(s).empty());
}

TEST(TriangleStrip, SkipsNonFinitePositions) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  Strip s;
  s.v = {{1, 1}, {nan, 1}, {1, 9}, {9, 9}, {9, inf}, {20, 20}};
  // Triangles 0, 1 hold the NaN, 2 and 3 the infinity.
  EXPECT_TRUE(Dispatched(s).empty());
  s.v = {{1, 1}, {9, 1}, {1, 9}, {nan, nan}};
  EXPECT_EQ(Dispatched(s).size(), 1u);
}

TEST(SpanTable, EntriesByFlagsAndFormat) {
  FillTriangleSpanTable();
  FillTriangleSpanTable();
  EXPECT_EQ(TriangleSpanTable[48], FillTriangle8888Tex);
  EXPECT_EQ(TriangleSpanTable[49], FillTriangle8888TexBilinear);
  EXPECT_EQ(TriangleSpanTable[2], FillTriangleNone);
  EXPECT_EQ(TriangleSpanTable[11], FillTriangleNone);
  EXPECT_EQ(TriangleSpanTable[13], TriangleSpanTable[4]);
  EXPECT_EQ(TriangleSpanTable[15], FillTriangle8888VertexColorMod);
  EXPECT_EQ(TriangleSpanTable[103], FillTriangle555VertexColorMod);
  EXPECT_EQ(TriangleSpanTable[89], FillTriangle565TexAlphaBilinear);
  EXPECT_EQ(TriangleSpanIndex(true, false, false, false, 0, false), TriangleSpanIndex(true, false, false, false,
                                                                                        kPixelFormat8888, false));
  // A textured entry without texels, and an untextured one without vertex colours, draw nothing.
  GuardedCanvas canvas(kPixelFormat8888, 4, 4);
  SpanVertex v[3];
  v[1].x = 3 << 16;
  v[2].y = 3 << 16;
  SpanTexture t;
  SpanColor c;
  SpanClip clip = canvas.Clip();
  DrawTriangleDispatch(true, false, false, true, v, canvas.Origin(), canvas.Pitch(), &t, &c, 0, false, &clip);
  DrawTriangleDispatch(false, true, false, true, v, canvas.Origin(), canvas.Pitch(), &t, &c, 0, true, &clip);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.Get(x, y), 0u);
}

// A jittered grid of triangle strips, larger than the clip rectangle, drawn with a filler that
// counts: every pixel of the clip exactly once, nothing outside it.
TEST(TriangleStripCoverage, WatertightMeshCoversTheClipOnce) {
  const SpanFillerTable counting = CountingTable();
  for (int seed = 0; seed < 6; ++seed) {
    const int width = 64, height = 48;
    std::vector<uint32_t> counts(size_t(width * height), 0);
    const Rect clip = seed == 0 ? Rect(0, 0, width, height) : Rect(3 + seed, 2 + seed, 41 - seed, 37 - 2 * seed);
    const int cols = 9, rows = 7;
    std::vector<TriVertex> grid(size_t((cols + 1) * (rows + 1)));
    uint32_t state = 12345u + uint32_t(seed);
    auto jitter = [&]() {
      state = state * 1664525u + 1013904223u;
      return float(state >> 8) / float(1 << 24) - 0.5f;
    };
    for (int j = 0; j <= rows; ++j)
      for (int i = 0; i <= cols; ++i) {
        const bool border = i == 0 || j == 0 || i == cols || j == rows;
        TriVertex& v = grid[size_t(j * (cols + 1) + i)];
        v.x = -3.3f + i * 7.9f + (border ? 0 : jitter() * 5);
        v.y = -2.7f + j * 7.6f + (border ? 0 : jitter() * 5);
        if (seed == 0 && border) {  // exactly on the buffer's edges
          v.x = std::min(std::max(v.x, 0.0f), float(width));
          v.y = std::min(std::max(v.y, 0.0f), float(height));
        }
        v.color = 0xFFFFFFFF;
      }
    for (int j = 0; j < rows; ++j) {
      std::vector<TriVertex> strip;
      for (int i = 0; i <= cols; ++i) {
        strip.push_back(grid[size_t(j * (cols + 1) + i)]);
        strip.push_back(grid[size_t((j + 1) * (cols + 1) + i)]);
      }
      DrawTriangleStripThrough(counting, strip.data(), int32_t(strip.size()), nullptr, &Color::White, 0, &clip,
                               counts.data(), width * 4, kPixelFormat8888, false, true);
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(counts[size_t(y * width + x)], clip.Contains(x, y) ? 1u : 0u)
            << "seed " << seed << " pixel " << x << "," << y;
  }
}

// Hostile geometry, textures and clips through the real fillers of every format: the canary band
// around the buffer and the pixels outside the clip stay as they were.
TEST(TriangleStripSafety, NothingOutsideTheClip) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const std::vector<std::vector<TriVertex>> strips = {
      {{-300, 10.2f, 0, 0, 0xFF00FF00}, {600, 10.9f, 1, 1, 0x80FF0000}, {-250, 10.3f, 0, 1, 0x0}},  // sliver
      {{2, 0.1f, 0, 0, 0xFFFFFFFF}, {900, 0.9f, 1, 0, 0xFFFFFFFF}, {2.001f, 0.95f, 0, 1, 0xFFFFFFFF}},
      {{-1e7f, -1e7f, -5, -5, 0xFF123456}, {1e7f, 3, 9, 0, 0xFF654321}, {5, 1e9f, 0, 9, 0xFFFFFFFF}},
      {{3e38f, -3e38f, 0, 0, 0xFFFFFFFF}, {-3e38f, 3e38f, 1, 1, 0xFFFFFFFF}, {10, 10, 1, 0, 0xFFFFFFFF}},
      {{nan, 5, 0, 0, 0xFFFFFFFF}, {10, inf, 0, 0, 0xFFFFFFFF}, {-inf, 3, 0, 0, 0xFFFFFFFF}, {8, 8, 0, 0, 1}},
      {{5, 5, 0, 0, 0xFFFFFFFF}, {5, 5, 1, 1, 0xFFFFFFFF}, {5, 5, 0, 1, 0xFFFFFFFF}},              // a point
      {{0, 0, 0, 0, 0xFFFFFFFF}, {10, 10, 1, 1, 0xFFFFFFFF}, {30, 30, 0, 1, 0xFFFFFFFF}},          // collinear
      {{-0.5f, -0.5f, 0, 0, ~0u}, {40.5f, -0.5f, 1, 0, ~0u}, {-0.5f, 30.5f, 0, 1, ~0u}, {40.5f, 30.5f, 1, 1, ~0u}},
      {{6, 4, -3e9f, 2e9f, 0x80FFFFFF}, {30, 7, 3e9f, nan, 0x80FFFFFF}, {12, 25, inf, 0, 0x80FFFFFF}},  // wild u, v
  };
  const std::vector<Rect> clips = {Rect(3, 2, 31, 21), Rect(0, 0, 37, 23), Rect(5, 5, 0, 4), Rect(7, 9, 1, 1),
                                   Rect(-5, -5, 80, 80)};
  const int32_t formats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
  TestTexture none(0, 0), one(1, 1, 0x80FF8040), some(5, 3, 0xC0204080), nullBits(4, 4);
  nullBits.nullBits = true;
  some.hasAlpha = one.hasAlpha = true;
  TestTexture* textures[5] = {nullptr, &none, &one, &some, &nullBits};
  for (int32_t format : formats)
    for (const Rect& clip : clips) {
      // A clip reaching past the buffer is the caller's error; keep it inside.
      const Rect inside = clip.Intersection(Rect(0, 0, 37, 23));
      const Rect used = clip.mX < 0 ? inside : clip;
      for (TestTexture* texture : textures)
        for (int flags = 0; flags < 8; ++flags)
          for (const auto& strip : strips) {
            GuardedCanvas canvas(format, 37, 23);
            canvas.FillAll([](int x, int y) { return uint32_t(x * 31 + y * 977) | 0x8000u; });
            const Color color = flags & 4 ? Color(200, 100, 50, 128) : Color::White;
            DrawTriangleStrip(strip.data(), int32_t(strip.size()), texture, &color, 0, &used, canvas.Origin(),
                              canvas.Pitch(), format, flags & 1, flags & 2);
            ASSERT_TRUE(canvas.GuardIntact());
            for (int y = 0; y < 23; ++y)
              for (int x = 0; x < 37; ++x)
                if (!used.Contains(x, y)) {
                  ASSERT_EQ(canvas.Get(x, y), uint32_t(x * 31 + y * 977) | 0x8000u) << x << "," << y;
                }
          }
    }
}

// Fillers called directly with corners outside their clip box and steep slivers keep to the box.
TEST(TriangleStripSafety, FillersKeepToTheClipBox) {
  TestTexture texture(3, 3, 0xFF808080);
  SpanTexture t = texture.Span();
  SpanColor c;
  const SpanVertex blocks[][3] = {
      {{-40 << 16, -3 << 16, 255 << 16, 0, 0, 0, 0, 0}, {90 << 16, 1, 255 << 16, 0, 0, 0, 0, 0},
       {5 << 16, 60 << 16, 255 << 16, 0, 0, 0, 0, 0}},
      {{0, 0x48000, 255 << 16}, {800 << 16, 0x48001, 255 << 16}, {1, 0x58000, 255 << 16}},
      {{INT32_MIN, INT32_MIN, 255 << 16}, {INT32_MAX, 0, 255 << 16}, {0, INT32_MAX, 255 << 16}},
  };
  for (int index = 0; index < 128; ++index) {
    if (!TriangleSpanTable[index]) continue;
    const int32_t formats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
    for (const auto& block : blocks) {
      GuardedCanvas canvas(formats[index >> 5], 20, 12);
      SpanClip clip{2, 1, 15, 9};
      TriangleSpanTable[index](block, canvas.Origin(), canvas.Pitch(), &t, &c, &clip);
      ASSERT_TRUE(canvas.GuardIntact()) << index;
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
          if (x < 2 || x >= 15 || y < 1 || y >= 9) {
            ASSERT_EQ(canvas.Get(x, y), 0u) << index << " " << x << "," << y;
          }
    }
  }
}

// A sliver a thousandth of a pixel tall and 900 long: its set-up products need more than 64 bits.
// The one row it crosses is drawn between its two edges, nowhere else.
TEST(TriangleStripSafety, ThinSliversDrawTheirOwnSpan) {
  GuardedCanvas canvas(kPixelFormat8888, 1024, 20);
  const float unit = 1.0f / 65536;  // corners on the 16.16 grid
  const std::vector<TriVertex> sliver = {{2, 11 - 33 * unit, 0, 0, 0xFFFFFFFF},
                                         {900, 11 + 33 * unit, 0, 0, 0xFFFFFFFF},
                                         {400, 11 + 20 * unit, 0, 0, 0xFFFFFFFF}};
  const Rect clip = canvas.ClipRect();
  DrawTriangleStrip(sliver.data(), 3, nullptr, &Color::White, 0, &clip, canvas.Origin(), canvas.Pitch(),
                    kPixelFormat8888, false, true);
  ASSERT_TRUE(canvas.GuardIntact());
  int first = -1, last = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 1024; ++x)
      if (canvas.Get(x, y) != 0) {
        ASSERT_EQ(y, 11) << x;
        if (first < 0) first = x;
        last = x;
      }
  // At y = 11 the edges cross x = 2 + 398 * 33 / 53 = 249.8 (top to middle corner) and
  // x = 2 + 898 / 2 = 451 (top to bottom).
  EXPECT_EQ(first, 250);
  EXPECT_EQ(last, 450);
}
