// Memory-route drawing against plain per-pixel expectations.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/MemoryImage.h"
#include "support/PixelReference.h"

using Vesk::MemoryImage;

namespace {

std::vector<uint32_t> Pixels(MemoryImage& img) {
  return std::vector<uint32_t>(img.GetBits(), img.GetBits() + size_t(img.mWidth) * img.mHeight);
}

// Expected result of drawing `src` (srcRect) at (x, y), each pixel through `op`, mirrored or not.
std::vector<uint32_t> ExpectBlit(MemoryImage& dst, MemoryImage& src, int x, int y, Rect sr, bool mirror,
                                 const std::function<uint32_t(uint32_t, uint32_t)>& op) {
  std::vector<uint32_t> out = Pixels(dst);
  for (int j = 0; j < sr.mHeight; ++j)
    for (int i = 0; i < sr.mWidth; ++i) {
      int dx = x + (mirror ? sr.mWidth - 1 - i : i), dy = y + j;
      if (dx < 0 || dy < 0 || dx >= dst.mWidth || dy >= dst.mHeight) continue;
      int sx = sr.mX + i, sy = sr.mY + j;
      if (sx < 0 || sy < 0 || sx >= src.mWidth || sy >= src.mHeight) continue;
      uint32_t& d = out[size_t(dy) * dst.mWidth + dx];
      d = op(d, src.GetBits()[size_t(sy) * src.mWidth + sx]);
    }
  return out;
}

void ExpectSame(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want, int width) {
  ASSERT_EQ(got.size(), want.size());
  int bad = 0;
  for (size_t i = 0; i < got.size() && bad < 5; ++i)
    if (got[i] != want[i]) {
      ++bad;
      ADD_FAILURE() << "pixel (" << i % width << ", " << i / width << "): got " << std::hex << got[i] << " want "
                    << want[i];
    }
}

}  // namespace

TEST(MemoryFill, NormalOpaqueTranslucentAndZeroAlpha) {
  auto dst = ref::RandomOpaque(9, 7, 5);
  auto want = Pixels(*dst);
  dst->FillRect(Rect(2, 1, 4, 3), Color(10, 200, 30, 255), 0);
  for (int y = 1; y < 4; ++y)
    for (int x = 2; x < 6; ++x) want[y * 9 + x] = 0xFF0AC81E;
  ExpectSame(Pixels(*dst), want, 9);
  dst->FillRect(Rect(-3, -3, 100, 100), Color(255, 0, 128, 77), 0);
  for (auto& p : want) p = ref::Over(p, 0x4DFF0080);
  ExpectSame(Pixels(*dst), want, 9);
  dst->FillRect(Rect(0, 0, 9, 7), Color(1, 2, 3, 0), 0);
  ExpectSame(Pixels(*dst), want, 9);
}

TEST(MemoryFill, OverTranslucentAndEmptyDestinations) {
  auto dst = ref::MakeImage(3, 1, [](int x, int) { return x == 0 ? 0u : x == 1 ? 0x80204060u : 0x01FFFFFFu; });
  auto want = Pixels(*dst);
  dst->FillRect(Rect(0, 0, 3, 1), Color(200, 100, 50, 128), 0);
  for (auto& p : want) p = ref::Over(p, 0x80C86432);
  ExpectSame(Pixels(*dst), want, 3);
  EXPECT_EQ(Pixels(*dst)[0], 0x80C86432u);  // over nothing: the colour itself
}

TEST(MemoryFill, AdditiveSaturatesAndKeepsDestinationAlpha) {
  auto dst = ref::MakeImage(2, 1, [](int x, int) { return x ? 0x40F0F0F0u : 0xFF102030u; });
  dst->FillRect(Rect(0, 0, 2, 1), Color(100, 50, 25, 128), 1);
  auto got = Pixels(*dst);
  EXPECT_EQ(got[0], ref::Add(0xFF102030u, 0x80643219u));
  EXPECT_EQ(got[1], ref::Add(0x40F0F0F0u, 0x80643219u));
  EXPECT_EQ(got[1] >> 24, 0x40u);
  EXPECT_EQ((got[1] >> 16) & 255, 255u);
  // Unknown draw modes draw nothing.
  auto before = Pixels(*dst);
  dst->FillRect(Rect(0, 0, 2, 1), Color::White, 7);
  ExpectSame(Pixels(*dst), before, 2);
}

TEST(MemoryFill, ClearRectAndOutline) {
  auto dst = ref::RandomOpaque(6, 5, 2);
  dst->ClearRect(Rect(1, 1, 2, 2));
  EXPECT_EQ(Pixels(*dst)[1 * 6 + 1], 0u);
  dst->Clear();
  dst->DrawRect(Rect(1, 1, 4, 3), Color(255, 0, 0, 255), 0);
  auto got = Pixels(*dst);
  int drawn = 0;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      bool edge = (x >= 1 && x <= 4 && y >= 1 && y <= 3) && (x == 1 || x == 4 || y == 1 || y == 3);
      EXPECT_EQ(got[y * 6 + x], edge ? 0xFFFF0000u : 0u) << x << "," << y;
      drawn += edge;
    }
  EXPECT_EQ(drawn, 10);
}

TEST(MemoryBlit, NormalWhiteMatchesOverForEveryAlphaClass) {
  // Wide enough for the four-pixel loop, with odd widths for its tail.
  auto src = ref::RandomSprite(37, 9, 11);
  for (bool translucentDest : {false, true}) {
    auto dst = translucentDest ? ref::RandomSprite(50, 20, 12) : ref::RandomOpaque(50, 20, 12);
    auto want = ExpectBlit(*dst, *src, 5, 4, src->GetRect(), false, ref::Over);
    dst->Blit(src.get(), 5, 4, src->GetRect(), Color::White, 0);
    ExpectSame(Pixels(*dst), want, 50);
  }
  EXPECT_TRUE(src->mDrawn);
}

TEST(MemoryBlit, OpaqueSourceIsCopied) {
  auto src = ref::RandomOpaque(7, 3, 4);
  auto dst = ref::RandomSprite(10, 5, 4);
  auto want = ExpectBlit(*dst, *src, 1, 1, Rect(1, 0, 5, 3), false, [](uint32_t, uint32_t s) { return s; });
  dst->Blit(src.get(), 1, 1, Rect(1, 0, 5, 3), Color::White, 0);
  ExpectSame(Pixels(*dst), want, 10);
}

TEST(MemoryBlit, ColourisedModulatesThenBlends) {
  auto src = ref::RandomSprite(23, 6, 21);
  auto dst = ref::RandomOpaque(30, 10, 22);
  const uint32_t color = 0xC080FF40;
  auto want = ExpectBlit(*dst, *src, 3, 2, src->GetRect(), false,
                         [&](uint32_t d, uint32_t s) { return ref::Over(d, ref::Modulate(s, color)); });
  dst->Blit(src.get(), 3, 2, src->GetRect(), Color::FromARGB(color), 0);
  ExpectSame(Pixels(*dst), want, 30);
}

TEST(MemoryBlit, AdditivePlainAndColourised) {
  auto src = ref::RandomSprite(23, 6, 31);
  for (uint32_t color : {0xFFFFFFFFu, 0x80FF2040u}) {
    auto dst = ref::RandomOpaque(30, 10, 32);
    auto want = ExpectBlit(*dst, *src, 4, 3, src->GetRect(), false,
                           [&](uint32_t d, uint32_t s) { return ref::Add(d, ref::Modulate(s, color)); });
    dst->Blit(src.get(), 4, 3, src->GetRect(), Color::FromARGB(color), 1);
    ExpectSame(Pixels(*dst), want, 30);
  }
}

TEST(MemoryBlit, ClipsToBothImages) {
  auto src = ref::RandomSprite(20, 20, 41);
  auto dst = ref::RandomOpaque(16, 12, 42);
  // Hanging over every edge, and a source rectangle reaching outside the source.
  auto want = ExpectBlit(*dst, *src, -5, -7, Rect(-2, 3, 30, 30), false, ref::Over);
  dst->Blit(src.get(), -5, -7, Rect(-2, 3, 30, 30), Color::White, 0);
  ExpectSame(Pixels(*dst), want, 16);
  auto before = Pixels(*dst);
  dst->Blit(src.get(), 100, 0, src->GetRect(), Color::White, 0);
  ExpectSame(Pixels(*dst), before, 16);
}

TEST(MemoryBlit, MirroredNormalAndAdditiveWithClipping) {
  auto src = ref::RandomSprite(13, 4, 51);
  for (int mode : {0, 1}) {
    auto dst = ref::RandomOpaque(12, 6, 52);
    auto op = mode == 0 ? std::function<uint32_t(uint32_t, uint32_t)>(ref::Over) : ref::Add;
    auto want = ExpectBlit(*dst, *src, -3, 1, src->GetRect(), true, op);
    dst->BlitMirrored(src.get(), -3, 1, src->GetRect(), Color::White, mode);
    ExpectSame(Pixels(*dst), want, 12);
  }
}

TEST(MemoryBlit, SelfBlitOfOpaquePixels) {
  auto img = ref::RandomOpaque(8, 1, 3);
  auto before = Pixels(*img);
  img->Blit(img.get(), 2, 0, Rect(0, 0, 6, 1), Color::White, 0);
  auto got = Pixels(*img);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(got[size_t(i) + 2], before[size_t(i)]);
}

TEST(MemoryStretch, FastRepeatsColumnsAndMirrors) {
  auto src = ref::RandomOpaque(3, 2, 61);
  auto dst = std::make_unique<MemoryImage>(6, 2);
  dst->BlitStretched(src.get(), Rect(0, 0, 6, 2), src->GetRect(), dst->GetRect(), Color::White, 0, true);
  auto got = Pixels(*dst);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(got[y * 6 + x], src->GetBits()[y * 3 + x / 2]);
  dst->Clear();
  dst->BlitStretchedMirrored(src.get(), Rect(0, 0, 6, 2), src->GetRect(), Rect(0, 0, 3, 2), Color::White, 0, true);
  got = Pixels(*dst);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(got[size_t(x)], src->GetBits()[2 - x / 2]);
  for (int x = 3; x < 6; ++x) EXPECT_EQ(got[size_t(x)], 0u);  // clipped away
}

TEST(MemoryStretch, SmoothAveragesTheCoveredArea) {
  // Halving a 2 x 2 checker gives the average of the four pixels.
  auto src = ref::MakeImage(4, 2, [](int x, int y) { return ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u; });
  auto dst = ref::MakeImage(2, 1, [](int, int) { return 0xFF000000u; });
  dst->BlitStretched(src.get(), Rect(0, 0, 2, 1), src->GetRect(), dst->GetRect(), Color::White, 0, false);
  EXPECT_EQ(Pixels(*dst)[0], 0xFF808080u);
  // Same size: an exact copy, partial alpha included.
  auto sprite = ref::RandomSprite(9, 4, 62);
  auto copy = std::make_unique<MemoryImage>(9, 4);
  copy->BlitStretched(sprite.get(), sprite->GetRect(), sprite->GetRect(), copy->GetRect(), Color::White, 0, false);
  auto want = Pixels(*sprite);
  for (auto& p : want)
    if ((p >> 24) == 0) p = 0;
  ExpectSame(Pixels(*copy), want, 9);
}

TEST(MemoryRotate, ZeroAngleAtWholePixelsIsACopyAndClipped) {
  auto src = ref::RandomSprite(10, 6, 71);
  auto dst = ref::RandomOpaque(12, 8, 72);
  auto want = ExpectBlit(*dst, *src, 1, 1, src->GetRect(), false, ref::Over);
  dst->BlitRotated(src.get(), 1, 1, src->GetRect(), dst->GetRect(), Color::White, 0, 0.0, 5, 3);
  ExpectSame(Pixels(*dst), want, 12);
  // Half a turn about the centre of an opaque picture turns it upside down.
  auto pic = ref::RandomOpaque(4, 2, 73);
  auto out = std::make_unique<MemoryImage>(4, 2);
  out->BlitRotated(pic.get(), 0, 0, pic->GetRect(), out->GetRect(), Color::White, 0, 3.14159265358979, 2, 1);
  auto got = Pixels(*out);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      uint32_t w = pic->GetBits()[(1 - y) * 4 + (3 - x)], g = got[size_t(y * 4 + x)];
      for (int sh : {0, 8, 16, 24}) {
        EXPECT_NEAR(int((g >> sh) & 255), int((w >> sh) & 255), 1);
      }
    }
  // Clip rectangle respected.
  auto clipped = std::make_unique<MemoryImage>(12, 8);
  clipped->BlitRotated(src.get(), 1, 1, src->GetRect(), Rect(0, 0, 3, 3), Color::White, 0, 0.3, 5, 3);
  auto c = Pixels(*clipped);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) {
      if (x >= 3 || y >= 3) {
        EXPECT_EQ(c[size_t(y * 12 + x)], 0u);
      }
    }
}

TEST(MemoryLine, BresenhamPixelsAndBounds) {
  MemoryImage img(5, 3);
  img.DrawLine(0, 0, 3, 1, Color(255, 255, 255, 255), 0);
  auto got = Pixels(img);
  std::vector<int> lit;
  for (int i = 0; i < 15; ++i)
    if (got[size_t(i)]) lit.push_back(i);
  EXPECT_EQ(lit, (std::vector<int>{0, 1, 5 + 2, 5 + 3}));
  // Reversed endpoints draw the same pixels; a line off the image draws only what is on it.
  MemoryImage rev(5, 3);
  rev.DrawLine(3, 1, 0, 0, Color::White, 0);
  EXPECT_EQ(Pixels(rev), got);
  MemoryImage off(5, 3);
  off.DrawLine(-10, 1, 100, 1, Color::White, 0);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Pixels(off)[size_t(5 + x)], 0xFFFFFFFFu);
  MemoryImage point(2, 2);
  point.DrawLineSmooth(1.5, 1.2, 1.5, 1.2, Color::White, 0);
  EXPECT_EQ(Pixels(point)[3], 0xFFFFFFFFu);
}

TEST(MemoryCoverage, SpansScaleTheColourAlphaByCoverage) {
  auto dst = ref::RandomOpaque(6, 3, 81);
  auto want = Pixels(*dst);
  const uint8_t cover[2 * 4] = {0, 64, 128, 255, 255, 255, 10, 200};
  Vesk::Span spans[2] = {{1, 2, 4}, {2, 1, 3}};
  // Coverage grid of 4 by 2 with its corner at (1, 1).
  for (auto& sp : spans)
    for (int x = sp.mX; x < sp.mX + sp.mWidth; ++x) {
      uint32_t k = cover[(sp.mY - 1) * 4 + x - 1];
      uint32_t a = ((k + 1) * 200) >> 8;
      uint32_t& d = want[size_t(sp.mY * 6 + x)];
      d = ref::Over(d, (a << 24) | 0x123456);
    }
  Vesk::Span tooWide = {0, 4, 10};  // clipped to the image
  dst->FillSpansCoverage(spans, 2, Color(0x12, 0x34, 0x56, 200), 0, cover, 1, 1, 4, 0);
  ExpectSame(Pixels(*dst), want, 6);
  const uint8_t full[16] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
  dst->FillSpansCoverage(&tooWide, 1, Color::White, 0, full, 0, 0, 16, 0);
  EXPECT_EQ(Pixels(*dst)[5], 0xFFFFFFFFu);
}

TEST(MemoryImageBase, FillSpansUsesFillRect) {
  MemoryImage img(4, 2);
  Vesk::Span spans[2] = {{0, 1, 2}, {1, 0, 1}};
  img.FillSpans(spans, 2, Color(0, 0, 255, 255), 0);
  auto got = Pixels(img);
  EXPECT_EQ(got, (std::vector<uint32_t>{0, 0xFF0000FF, 0xFF0000FF, 0, 0xFF0000FF, 0, 0, 0}));
}

TEST(MemoryBlit, FloatPositionsAtWholePixelsAreExactAndOthersFilter) {
  auto src = ref::RandomSprite(10, 4, 91);
  auto a = ref::RandomOpaque(16, 8, 92);
  auto b = ref::RandomOpaque(16, 8, 92);
  a->BlitAtFloat(src.get(), 3.0f, 2.0f, src->GetRect(), Rect(0, 0, 8, 8), Color::White, 0);
  Rect clipped(0, 0, 5, 4);
  b->Blit(src.get(), 3, 2, clipped, Color::White, 0);
  ExpectSame(Pixels(*a), Pixels(*b), 16);
  // Half a pixel to the right: each pixel mixes two source neighbours equally.
  auto pair = ref::MakeImage(2, 1, [](int x, int) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
  MemoryImage out(4, 1);
  out.BlitAtFloat(pair.get(), 0.5f, 0.0f, pair->GetRect(), out.GetRect(), Color::White, 0);
  auto got = Pixels(out);
  EXPECT_EQ(got[0], 0x80000000u);  // half covered by black
  EXPECT_EQ(got[1] & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(got[1] >> 24, 0xFFu);
  EXPECT_EQ(got[2] >> 24, 0x80u);
  EXPECT_EQ(got[3], 0u);
}

TEST(MemoryStretch, SmoothColourisedAndAdditive) {
  auto src = ref::MakeImage(2, 2, [](int, int) { return 0xFF808080u; });
  for (int mode : {0, 1}) {
    auto dst = ref::MakeImage(4, 4, [](int, int) { return 0xFF101010u; });
    dst->BlitStretched(src.get(), Rect(0, 0, 4, 4), src->GetRect(), dst->GetRect(), Color(255, 0, 255, 255), mode,
                       false);
    uint32_t s = ref::Modulate(0xFF808080u, 0xFFFF00FFu);
    uint32_t want = mode == 0 ? ref::Over(0xFF101010u, s) : ref::Add(0xFF101010u, s);
    for (uint32_t p : Pixels(*dst)) EXPECT_EQ(p, want);
  }
}
