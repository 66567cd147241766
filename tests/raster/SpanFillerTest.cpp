// Worked numbers of the scan conversion and of each filler family, pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>

#include "raster/SpanFillers.h"
#include "raster/SpanPixels.h"
#include "raster/support/RasterTestSupport.h"

namespace {

constexpr int32_t kOne = 0x10000;

SpanVertex At(double x, double y, uint32_t argb = 0xFFFFFFFF, int32_t u = 0, int32_t v = 0) {
  SpanVertex s;
  s.x = int32_t(x * kOne);
  s.y = int32_t(y * kOne);
  s.a = int32_t((argb >> 24) << 16);
  s.r = int32_t(((argb >> 16) & 0xFF) << 16);
  s.g = int32_t(((argb >> 8) & 0xFF) << 16);
  s.b = int32_t((argb & 0xFF) << 16);
  s.u = u;
  s.v = v;
  return s;
}

// Covered pixels of a triangle drawn by an opaque vertex-colour filler.
std::vector<std::pair<int, int>> Covered(SpanVertex a, SpanVertex b, SpanVertex c) {
  GuardedCanvas canvas(kPixelFormat888, 12, 12);
  SpanVertex block[3] = {a, b, c};
  SpanTexture texture;
  SpanColor color;
  SpanClip clip = canvas.Clip();
  FillTriangle888VertexColor(block, canvas.Origin(), canvas.Pitch(), &texture, &color, &clip);
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < canvas.height; ++y)
    for (int x = 0; x < canvas.width; ++x)
      if (canvas.Get(x, y) != 0) out.push_back({x, y});
  EXPECT_TRUE(canvas.GuardIntact());
  return out;
}

// Draws a uniform triangle over pixel (0, 0) of a canvas whose pixels all hold `destination`,
// and returns what pixel (0, 0) became. u and v are the same at all three corners.
uint32_t OnePixel(SpanFiller filler, int32_t format, uint32_t destination, uint32_t argb, SpanTexture texture = {},
                  int32_t u = 0, int32_t v = 0, SpanColor color = {}) {
  GuardedCanvas canvas(format, 4, 4);
  canvas.FillAll([&](int, int) { return destination; });
  SpanVertex block[3] = {At(0, 0, argb, u, v), At(3, 0, argb, u, v), At(0, 3, argb, u, v)};
  SpanClip clip = canvas.Clip();
  filler(block, canvas.Origin(), canvas.Pitch(), &texture, &color, &clip);
  EXPECT_TRUE(canvas.GuardIntact());
  return canvas.Get(0, 0);
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }
uint32_t F565(uint32_t r, uint32_t g, uint32_t b) { return (r << 11) | (g << 5) | b; }
uint32_t F555(uint32_t r, uint32_t g, uint32_t b) { return (r << 10) | (g << 5) | b; }

}  // namespace

TEST(SpanFrame, RowsAndColumnsFollowTheTopLeftRule) {
  std::vector<std::pair<int, int>> expected;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x <= 3 - y; ++x) expected.push_back({x, y});
  EXPECT_EQ(Covered(At(0, 0), At(4, 0), At(0, 4)), expected);
  EXPECT_EQ(Covered(At(0, 0), At(0, 4), At(4, 0)), expected);
  EXPECT_EQ(Covered(At(4, 0), At(0, 0), At(0, 4)), expected);

  // A top vertex at y = 2.0 starts at row 2; a bottom vertex at 5.0 ends at row 4.
  auto rows = Covered(At(1, 2), At(9, 2), At(1, 5));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().second, 2);
  EXPECT_EQ(rows.back().second, 4);
  // The same ceiling row at top and bottom, and collinear corners, draw nothing.
  EXPECT_TRUE(Covered(At(1, 3.2), At(6, 3.9), At(2, 3.5)).empty());
  EXPECT_TRUE(Covered(At(0, 0), At(2, 2), At(4, 4)).empty());
  // A right edge on a column excludes it, a left edge on a column includes it.
  auto square = Covered(At(2, 1), At(5, 1), At(2, 4));
  EXPECT_EQ(square.front(), std::make_pair(2, 1));
  EXPECT_EQ(square[2], std::make_pair(4, 1));
  EXPECT_EQ(square.size(), 6u);
}

TEST(SpanFrame, FixedFloor) {
  EXPECT_EQ(raster::FixedFloor(0), 0);
  EXPECT_EQ(raster::FixedFloor(-0x8000), -0x10000);
  EXPECT_EQ(raster::FixedFloor(0x18000), 0x10000);
  EXPECT_EQ(raster::FixedFloor(-0x10000), -0x10000);
}

// Slivers whose edges cross by a rounding step on a row, right at a column that an inverted box
// names as its left side: clamped into such a box, the crossed row became a span between the two
// sides. Boxes with no pixel at all must be left alone by every filler of the table.
TEST(SpanFrame, AnEmptyOrInvertedBoxWritesNothing) {
  struct Case {
    SpanVertex block[3];
    SpanClip clip;
  };
  auto raw = [](int32_t x, int32_t y) { return At(x / double(kOne), y / double(kOne)); };
  const Case cases[] = {
      {{raw(393215, 58763), raw(393220, 744051), raw(393211, 255052)}, {6, 0, 3, 16}},
      {{raw(786433, 956733), raw(786434, 101890), raw(786432, 161748)}, {12, 0, 9, 16}},
      {{raw(720896, 171430), raw(720900, 156664), raw(720896, 544152)}, {11, 0, 10, 16}},
      {{raw(262145, 122764), raw(262146, 808927), raw(262147, 70683)}, {4, 0, 1, 16}},
      // Empty boxes, and rows given the wrong way round, under a triangle over the whole canvas.
      {{At(-4, -4), At(40, -4), At(-4, 40)}, {5, 0, 5, 16}},
      {{At(-4, -4), At(40, -4), At(-4, 40)}, {0, 7, 16, 7}},
      {{At(-4, -4), At(40, -4), At(-4, 40)}, {0, 9, 16, 2}},
      {{At(-4, -4), At(40, -4), At(-4, 40)}, {12, 9, 2, 2}},
  };
  static const int32_t kFormats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
  TestTexture texture(4, 4, 0xFF80C040u);
  SpanTexture span = texture.Span();
  SpanColor color;
  for (int index = 0; index < 128; ++index)
    for (const Case& c : cases) {
      GuardedCanvas canvas(kFormats[index >> 5], 16, 16);
      canvas.FillAll([](int x, int y) { return uint32_t(0x1234 + x * 16 + y); });
      TriangleSpanTable[size_t(index)](c.block, canvas.Origin(), canvas.Pitch(), &span, &color, &c.clip);
      int changed = 0;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) changed += canvas.Get(x, y) != uint32_t(0x1234 + x * 16 + y);
      ASSERT_EQ(changed, 0) << "entry " << index << ", box " << c.clip.left << ".." << c.clip.right << " x "
                            << c.clip.top << ".." << c.clip.bottom;
      ASSERT_TRUE(canvas.GuardIntact()) << "entry " << index;
    }
}

TEST(SpanFrame, ReciprocalDivisionIsExactForEveryBlend) {
  for (uint32_t d = 1; d <= 256; ++d)
    for (uint32_t n = 0; n < 65536; ++n)
      if (raster::DivideBlend(n, d) != n / d) FAIL() << n << " / " << d;
}

TEST(VertexColorSpans, AlphaThresholds) {
  // 240.0 is not above the opaque threshold: black blends with A = 240.
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0xFFFFFFFF, Argb(240, 0, 0, 0)),
            Argb(255, 15, 15, 15));
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0xFFFFFFFF, Argb(8, 0, 0, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0xFFFFFFFF, Argb(9, 0, 0, 0)),
            Argb(255, 245, 245, 245));
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0x12345678, Argb(255, 1, 2, 3)),
            Argb(255, 1, 2, 3));
}

TEST(VertexColorSpans, BlendsOfEachFormat) {
  const uint32_t white = Argb(128, 255, 255, 255), black = Argb(128, 0, 0, 0);
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0x00000000, white), Argb(127, 254, 254, 254));
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0xFF000000, white), Argb(255, 127, 127, 127));
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColor, kPixelFormat8888, 0xFFFFFFFF, black), Argb(255, 127, 127, 127));
  EXPECT_EQ(OnePixel(FillTriangle888VertexColor, kPixelFormat888, 0x00000000, white), Argb(255, 127, 127, 127));
  EXPECT_EQ(OnePixel(FillTriangle888VertexColor, kPixelFormat888, 0x00FFFFFF, black), Argb(255, 126, 126, 126));
  EXPECT_EQ(OnePixel(FillTriangle565VertexColor, kPixelFormat565, 0, white), F565(15, 31, 15));
  EXPECT_EQ(OnePixel(FillTriangle565VertexColor, kPixelFormat565, 0xFFFF, black), F565(14, 29, 14));
  EXPECT_EQ(OnePixel(FillTriangle555VertexColor, kPixelFormat555, 0, white), F555(15, 15, 15));
  EXPECT_EQ(OnePixel(FillTriangle555VertexColor, kPixelFormat555, 0xFFFF, black), F555(14, 14, 14));
}

TEST(VertexColorSpans, GlobalColourScalesCopiesOfTheVertices) {
  // Global alpha 128 over vertex alpha 255 gives 127.5: blended with A = 127.
  SpanColor half{128, 255, 255, 255};
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColorMod, kPixelFormat8888, 0xFF000000, Argb(255, 255, 255, 255), {}, 0,
                     0, half),
            Argb(255, 126, 126, 126));
  // Opaque white as global colour still scales: 255 becomes 254 + 1/256.
  EXPECT_EQ(OnePixel(FillTriangle8888VertexColorMod, kPixelFormat8888, 0, Argb(255, 255, 255, 255)),
            Argb(255, 254, 254, 254));

  GuardedCanvas canvas(kPixelFormat8888, 6, 6);
  SpanVertex block[3] = {At(0, 0, 0xFF808080), At(5, 0, 0xFFFF0000), At(0, 5, 0x800000FF)};
  const SpanVertex before[3] = {block[0], block[1], block[2]};
  SpanColor tint{200, 100, 50, 25};
  SpanTexture texture;
  SpanClip clip = canvas.Clip();
  FillTriangle8888VertexColorMod(block, canvas.Origin(), canvas.Pitch(), &texture, &tint, &clip);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::memcmp(&block[i], &before[i], sizeof(SpanVertex)), 0);
}

TEST(VertexColorSpans, ChannelsThatDipBelowZeroStayDark) {
  // Interpolants a few units under 0 near a vertex of value 0: neither an opaque write of
  // alpha 255.99 nor a channel of 255.
  raster::VertexColorOp<raster::Dest8888, false> op(SpanTexture{}, SpanColor{});
  uint32_t pixel = 0x11223344;
  raster::SpanLanes lanes{{uint32_t(-5), 0, 0, 0, 0, 0}};
  op.Plot(&pixel, lanes);
  EXPECT_EQ(pixel, 0x11223344u);
  lanes = raster::SpanLanes{{0xFF0000, uint32_t(-3), 0x1000000, 0x7F0000, 0, 0}};
  op.Plot(&pixel, lanes);
  EXPECT_EQ(pixel, Argb(255, 0, 255, 127));
}

TEST(PlainTexturedSpans, NearestFetch) {
  TestTexture tex(4, 2);
  for (int i = 0; i < 8; ++i) tex.pixels[i] = 0x01000000u * i + 0x10101u * i;
  SpanTexture t = tex.Span();
  EXPECT_EQ(raster::NearestFetch::Fetch(t, 0x28000, 0x18000), tex.pixels[6]);
  EXPECT_EQ(raster::NearestFetch::Fetch(t, 0x28000, 0x20000), 0u);
  // Past a row's end or before its start is outside, not the neighbouring row.
  EXPECT_EQ(raster::NearestFetch::Fetch(t, 0x40000, 0), 0u);
  EXPECT_EQ(raster::NearestFetch::Fetch(t, uint32_t(-1), 0x10000), 0u);

  TestTexture big(256, 256, 0xFF00FF00);
  EXPECT_EQ(raster::NearestFetch::Fetch(big.Span(), uint32_t(-0x100), 0), 0u);
}

TEST(PlainTexturedSpans, BilinearFetch) {
  TestTexture tex(4, 2, 0);
  tex.pixels[1] = Argb(255, 200, 0, 0);
  tex.pixels[2] = Argb(255, 100, 0, 0);
  SpanTexture t = tex.Span();
  uint32_t w = raster::BilinearFetch::Fetch(t, 0x14000, 0);
  EXPECT_EQ(w >> 24, 254u);
  EXPECT_EQ((w >> 16) & 0xFF, 173u);
  tex.pixels[2] = Argb(128, 100, 0, 0);
  w = raster::BilinearFetch::Fetch(t, 0x14000, 0);
  EXPECT_EQ(w >> 24, 223u);
  EXPECT_EQ((w >> 16) & 0xFF, 161u);

  TestTexture white(4, 4, 0xFFFFFFFF);
  EXPECT_EQ(raster::BilinearFetch::Fetch(white.Span(), 0x10000, 0x10000), Argb(254, 253, 253, 253));
  EXPECT_EQ(raster::BilinearFetch::Fetch(white.Span(), 0x18000, 0x18000), Argb(252, 251, 251, 251));

  // At a row's last texel the right neighbour is outside and adds nothing, rather than the next
  // row's first texel.
  TestTexture edge(2, 2, 0);
  edge.pixels[1] = 0xFFFFFFFF;
  edge.pixels[2] = 0xFF0000FF;
  EXPECT_EQ(raster::BilinearFetch::Fetch(edge.Span(), 0x18000, 0), OracleBilinear(edge.Span(), 0x18000, 0));
  EXPECT_EQ(raster::BilinearFetch::Fetch(edge.Span(), 0x18000, 0) & 0xFF, 126u);
  // Above the top row nothing is read either: only the white texel below counts, so the three
  // channels stay equal (the neighbouring rows' green and blue texels would tint them).
  edge.pixels[0] = 0xFF00FF00;
  const uint32_t above = raster::BilinearFetch::Fetch(edge.Span(), 0x1C000, uint32_t(-0x8000));
  EXPECT_EQ(above, OracleBilinear(edge.Span(), 0x1C000, -0x8000));
  EXPECT_GT(above & 0xFF, 0u);
  EXPECT_EQ((above >> 16) & 0xFF, above & 0xFF);
  EXPECT_EQ((above >> 8) & 0xFF, above & 0xFF);
}

TEST(PlainTexturedSpans, WritesTheSampleOpaque) {
  TestTexture tex(2, 2, Argb(0, 0x80, 0x40, 0xF8));
  EXPECT_EQ(OnePixel(FillTriangle8888Tex, kPixelFormat8888, 0x12345678, 0, tex.Span(), 0x8000, 0x8000),
            Argb(255, 0x80, 0x40, 0xF8));
  EXPECT_EQ(OnePixel(FillTriangle565Tex, kPixelFormat565, 0x1234, 0, tex.Span(), 0x8000, 0x8000),
            F565(0x10, 0x10, 0x1F));
  EXPECT_EQ(OnePixel(FillTriangle555Tex, kPixelFormat555, 0x1234, 0, tex.Span(), 0x8000, 0x8000),
            F555(0x10, 0x08, 0x1F));
  // Outside the texture: black.
  EXPECT_EQ(OnePixel(FillTriangle8888Tex, kPixelFormat8888, 0x12345678, 0, tex.Span(), 0x30000, 0), 0xFF000000u);
  EXPECT_EQ(OnePixel(FillTriangle565Tex, kPixelFormat565, 0x1234, 0, tex.Span(), 0x30000, 0), 0u);
  // Bilinear: the premultiplied colour, opaque; a transparent texel counts for nothing.
  TestTexture white(3, 3, 0xFFFFFFFF);
  EXPECT_EQ(OnePixel(FillTriangle8888TexBilinear, kPixelFormat8888, 0, 0, white.Span(), 0x18000, 0x18000),
            Argb(255, 253, 253, 253));
  // No texels: nothing drawn.
  SpanTexture none{nullptr, 2, 4, 2};
  EXPECT_EQ(OnePixel(FillTriangle8888Tex, kPixelFormat8888, 0x12345678, 0, none, 0, 0), 0x12345678u);
}

TEST(AlphaTexturedSpans, ThresholdsAndBlends) {
  auto draw = [](SpanFiller f, int32_t format, uint32_t dest, uint32_t texel) {
    TestTexture tex(1, 1, texel);
    return OnePixel(f, format, dest, 0, tex.Span(), 0x8000, 0x8000);
  };
  EXPECT_EQ(draw(FillTriangle8888TexAlpha, kPixelFormat8888, 0xFF102030, Argb(8, 255, 255, 255)), 0xFF102030u);
  EXPECT_NE(draw(FillTriangle8888TexAlpha, kPixelFormat8888, 0xFF102030, Argb(9, 255, 255, 255)), 0xFF102030u);
  EXPECT_NE(draw(FillTriangle8888TexAlpha, kPixelFormat8888, 0xFF102030, Argb(239, 255, 255, 255)),
            Argb(255, 255, 255, 255));
  EXPECT_EQ(draw(FillTriangle8888TexAlpha, kPixelFormat8888, 0xFF102030, Argb(240, 1, 2, 3)), Argb(255, 1, 2, 3));

  const uint32_t red = Argb(128, 255, 0, 0);
  EXPECT_EQ(draw(FillTriangle8888TexAlpha, kPixelFormat8888, 0xFFFFFFFF, red), Argb(255, 254, 127, 127));
  EXPECT_EQ(draw(FillTriangle8888TexAlpha, kPixelFormat8888, 0, red), Argb(127, 254, 0, 0));
  EXPECT_EQ(draw(FillTriangle888TexAlpha, kPixelFormat888, 0xFFFFFFFF, red), Argb(255, 253, 126, 126));
  EXPECT_EQ(draw(FillTriangle565TexAlpha, kPixelFormat565, 0xFFFF, red), F565(29, 29, 14));
  EXPECT_EQ(draw(FillTriangle555TexAlpha, kPixelFormat555, 0xFFFF, red), F555(29, 14, 14));
  EXPECT_EQ(draw(FillTriangle555TexAlpha, kPixelFormat555, 0x8000, Argb(250, 255, 255, 255)), 0x7FFFu);
}

TEST(AlphaTexturedSpans, OutsideTheTextureLeavesThePixel) {
  TestTexture tex(2, 2, 0xFFFFFFFF);
  EXPECT_EQ(OnePixel(FillTriangle8888TexAlpha, kPixelFormat8888, 0x12345678, 0, tex.Span(), 0x20000, 0),
            0x12345678u);
  // Bilinear over an opaque texture: written opaque at texel centres.
  EXPECT_EQ(OnePixel(FillTriangle8888TexAlphaBilinear, kPixelFormat8888, 0, 0, tex.Span(), 0x8000, 0x8000),
            Argb(255, 253, 253, 253));
  // Half a texel past the bottom edge the filtered alpha falls and the pixel blends.
  uint32_t faded = OnePixel(FillTriangle8888TexAlphaBilinear, kPixelFormat8888, 0xFF000000, 0, tex.Span(), 0x8000,
                            0x20000);
  EXPECT_EQ(faded >> 24, 255u);
  EXPECT_LT((faded >> 16) & 0xFF, 253u);
  EXPECT_GT((faded >> 16) & 0xFF, 0u);
}

namespace {

// One pixel of a tinted filler: a uniform texture of `texel` under vertex colour `vertex` and
// global colour `color`, sampled at a texel centre by the nearest or the bilinear fetch.
uint32_t Nearest(SpanFiller f, int32_t format, uint32_t dest, uint32_t texel, SpanColor color,
                 uint32_t vertex = 0xFFFFFFFF) {
  TestTexture tex(1, 1, texel);
  return OnePixel(f, format, dest, vertex, tex.Span(), 0x8000, 0x8000, color);
}
uint32_t Bilinear(SpanFiller f, int32_t format, uint32_t dest, uint32_t texel, SpanColor color,
                  uint32_t vertex = 0xFFFFFFFF) {
  TestTexture tex(4, 4, texel);
  return OnePixel(f, format, dest, vertex, tex.Span(), 0x18000, 0x18000, color);
}

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr SpanColor kNoTint{255, 255, 255, 255};
SpanColor Faded(int32_t alpha) { return SpanColor{alpha, 255, 255, 255}; }

}  // namespace

TEST(GlobalTintSpans, OpaqueThresholdAndBlendOfEachFormat) {
  // The global alpha alone decides: 241 is opaque, 240 (weight 239) blends.
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, kBlack, kWhite, Faded(241)), Argb(255, 254, 254, 254));
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, kBlack, kWhite, Faded(240)), Argb(255, 237, 237, 237));
  // Weight 127: the white texel's 254 becomes 126, black over white keeps 127.
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, kBlack, kWhite, Faded(128)), Argb(255, 126, 126, 126));
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, kWhite, kBlack, Faded(128)), Argb(255, 127, 127, 127));
  EXPECT_EQ(Nearest(FillTriangle888TexMod, kPixelFormat888, kBlack, kWhite, Faded(128)), Argb(255, 126, 126, 126));
  EXPECT_EQ(Nearest(FillTriangle888TexMod, kPixelFormat888, kWhite, kBlack, Faded(128)), Argb(255, 127, 127, 127));
  EXPECT_EQ(Nearest(FillTriangle565TexMod, kPixelFormat565, 0xFFFF, kBlack, Faded(128)), F565(15, 31, 15));
  EXPECT_EQ(Nearest(FillTriangle555TexMod, kPixelFormat555, 0xFFFF, kBlack, Faded(128)), F555(15, 15, 15));
  // Over a transparent pixel the colour comes back out of its premultiplied form.
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, 0, kWhite, Faded(128)), Argb(126, 253, 253, 253));
  // The texel's own alpha is ignored.
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, 0, Argb(0, 255, 0, 0), Faded(255)),
            Argb(255, 254, 0, 0));
  // A red tint keeps red and removes green and blue.
  EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, 0, 0xFF808080, SpanColor{255, 255, 0, 0}),
            Argb(255, 127, 0, 0));
}

TEST(GlobalTintSpans, WeightZeroStillScalesTheDestination) {
  for (int32_t ga : {0, 1}) {
    EXPECT_EQ(Nearest(FillTriangle888TexMod, kPixelFormat888, kWhite, kWhite, Faded(ga)), Argb(255, 254, 254, 254));
    EXPECT_EQ(Nearest(FillTriangle565TexMod, kPixelFormat565, 0xFFFF, kWhite, Faded(ga)), F565(30, 61, 30));
    EXPECT_EQ(Nearest(FillTriangle555TexMod, kPixelFormat555, 0xFFFF, kWhite, Faded(ga)), F555(30, 30, 30));
    EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, kWhite, kWhite, Faded(ga)), Argb(254, 254, 254, 254));
    EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, Argb(128, 200, 200, 200), kWhite, Faded(ga)),
              Argb(127, 200, 200, 200));
    // No coverage on either side: nothing to divide by, the pixel stays.
    EXPECT_EQ(Nearest(FillTriangle8888TexMod, kPixelFormat8888, 0x00123456, kWhite, Faded(ga)), 0x00123456u);
  }
}

TEST(GlobalTintSpans, BilinearAppliesTheGlobalAlphaTwice) {
  // Filtered 253, tinted 252, times the global alpha 251, opaque.
  EXPECT_EQ(Bilinear(FillTriangle8888TexModBilinear, kPixelFormat8888, 0, kWhite, kNoTint), Argb(255, 251, 251, 251));
  EXPECT_EQ(Bilinear(FillTriangle888TexModBilinear, kPixelFormat888, 0, kWhite, kNoTint), Argb(255, 251, 251, 251));
  // Global alpha 2 over a transparent pixel: weight 1 and a source of 1 give a quotient of 256,
  // held at 255 without touching the neighbouring channels.
  EXPECT_EQ(Bilinear(FillTriangle8888TexModBilinear, kPixelFormat8888, 0, Argb(255, 255, 0, 255), Faded(2)),
            Argb(0, 255, 0, 255));
}

TEST(VertexTintSpans, VertexAlphaDecides) {
  auto vc = [](uint32_t dest, uint32_t vertex, uint32_t texel = kWhite) {
    return Nearest(FillTriangle8888TexVertexColor, kPixelFormat8888, dest, texel, kNoTint, vertex);
  };
  EXPECT_EQ(vc(kBlack, Argb(241, 255, 255, 255)), Argb(255, 254, 254, 254));
  EXPECT_EQ(vc(kBlack, Argb(240, 255, 255, 255)), Argb(255, 237, 237, 237));
  EXPECT_EQ(Nearest(FillTriangle565TexVertexColor, kPixelFormat565, 0, kWhite, kNoTint), 0xFFFFu);
  EXPECT_EQ(Nearest(FillTriangle555TexVertexColor, kPixelFormat555, 0x8000, kWhite, kNoTint), 0x7FFFu);
  EXPECT_EQ(Bilinear(FillTriangle8888TexVertexColorBilinear, kPixelFormat8888, 0, kWhite, kNoTint),
            Argb(255, 251, 251, 251));
  // Over an opaque pixel the alpha stays 255 for any weight but 0.
  EXPECT_EQ(vc(kWhite, Argb(1, 0, 0, 0)) >> 24, 254u);
  EXPECT_EQ(vc(kWhite, Argb(2, 0, 0, 0)) >> 24, 255u);
  EXPECT_EQ(vc(0, Argb(2, 255, 255, 255)), 0u);
  // Weight 127 over a transparent pixel: a tinted channel of 200 comes back as 199.
  EXPECT_EQ(vc(0, Argb(128, 201, 201, 201)), Argb(126, 199, 199, 199));
  EXPECT_EQ(Nearest(FillTriangle888TexVertexColor, kPixelFormat888, kWhite, kWhite, kNoTint, 0),
            Argb(255, 254, 254, 254));
  EXPECT_EQ(Nearest(FillTriangle565TexVertexColor, kPixelFormat565, 0xFFFF, kWhite, kNoTint, 0), F565(30, 61, 30));
  // Outside the texture the tinted colour is black; a transparent texel is drawn like any other.
  EXPECT_EQ(OnePixel(FillTriangle8888TexVertexColor, kPixelFormat8888, 0x12345678, kWhite, TestTexture(1, 1).Span(),
                     0x30000, 0),
            kBlack);
  EXPECT_EQ(vc(0, kWhite, Argb(0, 10, 20, 30)), Argb(255, 9, 19, 29));
  EXPECT_EQ(vc(0, 0), 0u);  // weight 0 over alpha 0: unchanged
}

TEST(VertexTintSpans, ChannelsThatDipBelowZeroAreNotOpaque) {
  // A vertex alpha a few units under 0 weighs 0 rather than 65535.
  TestTexture tex(1, 1);
  raster::TexTintOp<raster::Dest8888, raster::NearestFetch, raster::TintSource::kVertex, false> white(tex.Span(),
                                                                                                       kNoTint);
  uint32_t pixel = kWhite;
  white.Plot(&pixel, raster::SpanLanes{{uint32_t(-5), 0xFF0000, uint32_t(-2), 0xFF0000, 0x8000, 0x8000}});
  EXPECT_EQ(pixel, Argb(254, 254, 254, 254));
}

TEST(VertexGlobalTintSpans, TheGlobalColourActsTwice) {
  const SpanColor almost{254, 255, 255, 255};
  const uint32_t texel = Argb(255, 128, 64, 32);
  EXPECT_EQ(Nearest(FillTriangle8888TexVertexColorMod, kPixelFormat8888, 0, texel, almost), Argb(255, 126, 63, 31));
  EXPECT_EQ(Nearest(FillTriangle888TexVertexColorMod, kPixelFormat888, 0, texel, almost), Argb(255, 126, 63, 31));
  EXPECT_EQ(Nearest(FillTriangle565TexVertexColorMod, kPixelFormat565, 0, texel, almost), F565(15, 15, 3));
  EXPECT_EQ(Nearest(FillTriangle555TexVertexColorMod, kPixelFormat555, 0, texel, almost), F555(15, 7, 3));
  EXPECT_EQ(Nearest(FillTriangle8888TexVertexColorMod, kPixelFormat8888, 0, kWhite, almost), Argb(255, 252, 252, 252));
  // Filtered (254, 128, 64, 32) at the centre of a uniform (130, 65, 33) texture.
  EXPECT_EQ(Bilinear(FillTriangle8888TexVertexColorModBilinear, kPixelFormat8888, 0, Argb(255, 130, 65, 33), almost),
            Argb(255, 123, 61, 30));
  // Global alpha 128 makes the factor 63 and the coverage 62.
  EXPECT_EQ(Nearest(FillTriangle8888TexVertexColorMod, kPixelFormat8888, kBlack, kWhite, Faded(128)),
            Argb(255, 61, 61, 61));
  EXPECT_EQ(Nearest(FillTriangle8888TexVertexColorMod, kPixelFormat8888, 0, kWhite, Faded(128)),
            Argb(61, 251, 251, 251));
  EXPECT_EQ(Nearest(FillTriangle888TexVertexColorMod, kPixelFormat888, kWhite, kWhite, Faded(128)),
            Argb(255, 253, 253, 253));
  // Under a global alpha of 255 a vertex alpha of 243 is opaque, 242 blends.
  EXPECT_EQ(Nearest(FillTriangle8888TexVertexColorMod, kPixelFormat8888, kBlack, kWhite, kNoTint, Argb(243, 255, 255, 255)),
            Argb(255, 252, 252, 252));
  EXPECT_NE(Nearest(FillTriangle8888TexVertexColorMod, kPixelFormat8888, kBlack, kWhite, kNoTint, Argb(242, 255, 255, 255)),
            Argb(255, 252, 252, 252));
  EXPECT_EQ(Nearest(FillTriangle565TexVertexColorMod, kPixelFormat565, 0xFFFF, kWhite, Faded(22)), F565(30, 61, 30));
}

TEST(VertexGlobalTintSpans, TheBlockKeepsItsUnscaledColours) {
  // The driver hands one block to a filler once per fan triangle: a second draw of the same block
  // must start from the same colours and give the same pixels.
  TestTexture tex(1, 1);
  SpanTexture texture = tex.Span();
  SpanColor tint{200, 180, 120, 60};
  SpanVertex block[3] = {At(0, 0, 0xFFFF8040, 0x8000, 0x8000), At(7, 0, 0xC040FF80, 0x8000, 0x8000),
                         At(0, 7, 0xFF8040FF, 0x8000, 0x8000)};
  const SpanVertex before[3] = {block[0], block[1], block[2]};
  for (SpanFiller f : {FillTriangle8888TexVertexColorMod, FillTriangle8888TexAlphaVertexColorMod}) {
    GuardedCanvas first(kPixelFormat8888, 8, 8), second(kPixelFormat8888, 8, 8);
    SpanClip clip = first.Clip();
    f(block, first.Origin(), first.Pitch(), &texture, &tint, &clip);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(std::memcmp(&block[i], &before[i], sizeof(SpanVertex)), 0);
    f(block, second.Origin(), second.Pitch(), &texture, &tint, &clip);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(first.Get(x, y), second.Get(x, y));
    EXPECT_NE(first.Get(0, 0), 0u);
  }
}

TEST(AlphaGlobalTintSpans, TextureAlphaTestsAndGlobalWeight) {
  auto mod = [](SpanFiller f, int32_t format, uint32_t dest, uint32_t texel, SpanColor c) {
    return Nearest(f, format, dest, texel, c);
  };
  const SpanColor half = Faded(128);
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kBlack, kWhite, half), Argb(255, 126, 126, 126));
  EXPECT_EQ(mod(FillTriangle888TexAlphaMod, kPixelFormat888, kBlack, kWhite, half), Argb(255, 126, 126, 126));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, 0, kWhite, half), Argb(126, 253, 253, 253));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kWhite, kWhite, half), Argb(255, 253, 253, 253));
  EXPECT_EQ(mod(FillTriangle888TexAlphaMod, kPixelFormat888, kWhite, kWhite, half), Argb(255, 253, 253, 253));
  EXPECT_EQ(mod(FillTriangle565TexAlphaMod, kPixelFormat565, 0xFFFF, kWhite, half), F565(30, 62, 30));
  EXPECT_EQ(mod(FillTriangle555TexAlphaMod, kPixelFormat555, 0xFFFF, kWhite, half), F555(30, 30, 30));
  EXPECT_EQ(mod(FillTriangle565TexAlphaMod, kPixelFormat565, 0, kWhite, half), F565(15, 31, 15));
  const uint32_t texel = Argb(255, 17, 34, 51);
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kBlack, texel, Faded(240)), Argb(255, 14, 30, 46));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kBlack, texel, Faded(241)), Argb(255, 16, 33, 50));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kBlack, Argb(250, 17, 34, 51), Faded(246)),
            Argb(255, 16, 33, 50));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, 0, kWhite, Faded(101)), Argb(99, 253, 253, 253));
  // Alpha 8 is left out whatever the colour; alpha 9 blends even with weight 0.
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kWhite, Argb(8, 0, 0, 0), kNoTint), kWhite);
  const uint32_t faint = Argb(9, 255, 255, 255);
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, kWhite, faint, Faded(28)), Argb(254, 254, 254, 254));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, Argb(128, 200, 200, 200), faint, Faded(28)),
            Argb(127, 200, 200, 200));
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, Argb(1, 255, 255, 255), faint, Faded(28)), 0u);
  EXPECT_EQ(mod(FillTriangle8888TexAlphaMod, kPixelFormat8888, 0x00ABCDEF, faint, Faded(28)), 0x00ABCDEFu);
  EXPECT_EQ(mod(FillTriangle888TexAlphaMod, kPixelFormat888, kWhite, faint, Faded(28)), Argb(255, 254, 254, 254));
  EXPECT_EQ(mod(FillTriangle565TexAlphaMod, kPixelFormat565, 0xFFFF, faint, Faded(28)), F565(30, 61, 30));
  EXPECT_EQ(mod(FillTriangle555TexAlphaMod, kPixelFormat555, 0x7FFF, faint, Faded(28)), F555(30, 30, 30));
}

TEST(AlphaGlobalTintSpans, BilinearIsDarkenedByTheFilterAndTheGlobalAlpha) {
  const SpanColor blueish{255, 255, 255, 254};
  EXPECT_EQ(Bilinear(FillTriangle8888TexAlphaModBilinear, kPixelFormat8888, 0, kWhite, blueish),
            Argb(255, 251, 251, 250));
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaMod, kPixelFormat8888, 0, kWhite, blueish), Argb(255, 254, 254, 253));
  EXPECT_EQ(Bilinear(FillTriangle8888TexAlphaModBilinear, kPixelFormat8888, 0, kWhite, Faded(128)),
            Argb(126, 253, 253, 253));
  EXPECT_EQ(Bilinear(FillTriangle8888TexAlphaModBilinear, kPixelFormat8888, kBlack, kWhite, Faded(128)),
            Argb(255, 126, 126, 126));
}

TEST(AlphaVertexTintSpans, SampleAlphaTestsAndVertexWeight) {
  auto vc = [](SpanFiller f, int32_t format, uint32_t dest, uint32_t texel, uint32_t vertex) {
    return Nearest(f, format, dest, texel, kNoTint, vertex);
  };
  EXPECT_EQ(vc(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, kBlack, Argb(8, 255, 255, 255), kWhite),
            kBlack);
  EXPECT_EQ(vc(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, 0, kWhite, kWhite), Argb(255, 254, 254, 254));
  EXPECT_EQ(Bilinear(FillTriangle888TexAlphaVertexColorBilinear, kPixelFormat888, 0, kWhite, kNoTint),
            Argb(255, 251, 251, 251));
  EXPECT_EQ(vc(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, kBlack, kWhite, Argb(240, 255, 255, 255)),
            Argb(255, 237, 237, 237));
  EXPECT_EQ(vc(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, kBlack, kWhite, Argb(241, 255, 255, 255)),
            Argb(255, 254, 254, 254));
  // Vertex alpha 0 over a texel that passes the test: weight 0 still scales the destination.
  const uint32_t clear = Argb(0, 255, 255, 255);
  EXPECT_EQ(vc(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, Argb(128, 255, 128, 64), Argb(9, 255, 255, 255),
               clear),
            Argb(127, 254, 128, 64));
  EXPECT_EQ(vc(FillTriangle888TexAlphaVertexColor, kPixelFormat888, Argb(255, 128, 128, 128), kWhite, clear),
            Argb(255, 127, 127, 127));
  EXPECT_EQ(vc(FillTriangle565TexAlphaVertexColor, kPixelFormat565, 0xFFFF, kWhite, clear), F565(30, 61, 30));
  EXPECT_EQ(vc(FillTriangle555TexAlphaVertexColor, kPixelFormat555, 0x7FFF, kWhite, clear), F555(30, 30, 30));
  EXPECT_EQ(vc(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, 0x00010203, kWhite, clear), 0x00010203u);
  // Outside the texture: untouched.
  EXPECT_EQ(OnePixel(FillTriangle8888TexAlphaVertexColor, kPixelFormat8888, 0x12345678, kWhite,
                     TestTexture(1, 1).Span(), 0x30000, 0),
            0x12345678u);
  // Bilinear over a transparent pixel: vertex alpha 2 and a source of 1 in every channel give a
  // quotient of 256 (held at 255) at a texture edge of filtered alpha 129..139.
  TestTexture tex(4, 4);
  const uint32_t edge = OnePixel(FillTriangle8888TexAlphaVertexColorBilinear, kPixelFormat8888, 0,
                                 Argb(2, 255, 255, 255), tex.Span(), 0x18000, 0x3F800);
  EXPECT_EQ(edge, Argb(0, 255, 255, 255));
}

TEST(AlphaVertexGlobalTintSpans, EveryFeatureAtOnce) {
  const SpanColor tint{255, 255, 255, 128};
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaVertexColorMod, kPixelFormat8888, 0, kWhite, tint),
            Argb(255, 252, 252, 62));
  EXPECT_EQ(Nearest(FillTriangle888TexAlphaVertexColorMod, kPixelFormat888, 0, kWhite, tint), Argb(255, 252, 252, 62));
  // Global alpha 128 under vertex alpha 255: factor 63, weight 62, blended.
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaVertexColorMod, kPixelFormat8888, kBlack, kWhite, Faded(128)),
            Argb(255, 61, 61, 61));
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaVertexColorMod, kPixelFormat8888, kBlack, Argb(8, 255, 255, 255),
                    kNoTint),
            kBlack);
  EXPECT_EQ(Nearest(FillTriangle565TexAlphaVertexColorMod, kPixelFormat565, 0xFFFF, kWhite, Faded(0)),
            F565(30, 61, 30));
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaVertexColorMod, kPixelFormat8888, 0, kWhite, Faded(0)), 0u);
  // Bilinear: factors 253, filtered 253 tinted to 250, times 253 gives 247, opaque.
  EXPECT_EQ(Bilinear(FillTriangle8888TexAlphaVertexColorModBilinear, kPixelFormat8888, 0, kWhite, kNoTint),
            Argb(255, 247, 247, 247));
}

TEST(TintSpans, GlobalColoursOutOfRangeAreHeldToIt) {
  // Channels past 0..255 from a careless caller draw as 0 or 255 and stay inside the buffer.
  const SpanColor wild{1000, -7, 300, 255};
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaMod, kPixelFormat8888, 0, kWhite, wild),
            Nearest(FillTriangle8888TexAlphaMod, kPixelFormat8888, 0, kWhite, SpanColor{255, 0, 255, 255}));
  EXPECT_EQ(Nearest(FillTriangle8888TexAlphaVertexColorMod, kPixelFormat8888, 0, kWhite, wild),
            Nearest(FillTriangle8888TexAlphaVertexColorMod, kPixelFormat8888, 0, kWhite, SpanColor{255, 0, 255, 255}));
}
