#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "display/support/SurfaceLayouts.h"

using Platform::Video::FromArgb;

namespace {
// The pixels a line changed on a black surface.
std::vector<std::pair<int32_t, int32_t>> Lit(Vesk::DDImage& image) {
  std::vector<std::pair<int32_t, int32_t>> out;
  std::vector<uint32_t> raw = RawPixels(image);
  for (int32_t y = 0; y < image.GetHeight(); ++y)
    for (int32_t x = 0; x < image.GetWidth(); ++x)
      if (raw[size_t(y * image.GetWidth() + x)] != 0) out.emplace_back(x, y);
  return out;
}
using Pixels = std::vector<std::pair<int32_t, int32_t>>;
}  // namespace

TEST(SurfaceLine, StepsFollowTheErrorTermAndOpaqueWhiteIsExact) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    auto image = SurfaceImage(t->display.get(), 6, 4, 0);
    image->DrawLine(0, 0, 3, 1, Color::White, 0);
    EXPECT_EQ(Lit(*image), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}})) << l.name;
    const uint32_t rgb = image->GetSurface()->Format().RgbMask();
    EXPECT_EQ(image->GetSurface()->PixelAt(2, 1), rgb) << l.name;
    // Equal endpoints draw the start pixel alone.
    auto dot = SurfaceImage(t->display.get(), 4, 4, 0);
    dot->NormalDrawLine(2.5, 1.5, 2.5, 1.5, Color::White);
    EXPECT_EQ(Lit(*dot), (Pixels{{2, 1}})) << l.name;
  }
}

TEST(SurfaceLine, EveryOctantRunsFromEndToEndWithOnePixelPerStep) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  const int32_t ends[8][2] = {{14, 10}, {10, 14}, {6, 14}, {2, 10}, {2, 6}, {6, 2}, {10, 2}, {14, 6}};
  for (auto& e : ends) {
    auto image = SurfaceImage(t.display.get(), 16, 16, 0);
    image->DrawLine(8, 8, e[0], e[1], Color(255, 0, 0), 0);
    Pixels lit = Lit(*image);
    const int32_t dx = std::abs(e[0] - 8), dy = std::abs(e[1] - 8);
    EXPECT_EQ(lit.size(), size_t(std::max(dx, dy) + 1)) << e[0] << "," << e[1];
    std::map<int32_t, int32_t> perMajor;
    for (auto& p : lit) {
      ++perMajor[dx > dy ? p.first : p.second];
      // Every pixel lies within half a pixel of the ideal line.
      double dist = std::fabs(double(e[1] - 8) * (p.first - 8) - double(e[0] - 8) * (p.second - 8)) /
                    std::hypot(double(e[0] - 8), double(e[1] - 8));
      EXPECT_LE(dist, 1.0) << e[0] << "," << e[1];
    }
    for (auto& [major, count] : perMajor) EXPECT_EQ(count, 1);
    EXPECT_NE(image->GetSurface()->PixelAt(8, 8), 0u);
    EXPECT_NE(image->GetSurface()->PixelAt(e[0], e[1]), 0u);
  }
}

TEST(SurfaceLine, BlendedAndAddedLinesAndLinesPastTheEdge) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    const auto fmt = t->display->GetScreenImage()->GetSurface()->Format();
    const uint32_t grey = FromArgb(0xFF808080, fmt);
    auto image = SurfaceImage(t->display.get(), 8, 4, grey);
    image->DrawLine(0, 0, 7, 1, Color(255, 0, 0, 255), 1);   // additive: red saturates
    image->DrawLine(0, 2, 7, 3, Color(0, 0, 0, 128), 0);     // half black: darkens by half
    std::vector<uint32_t> px = ArgbPixels(*image);
    const int32_t step = l.depth == 32 ? 1 : 8;
    EXPECT_EQ(px[0] & 0xFF0000, 0xFF0000u & Platform::Video::ToArgb(fmt.mRedMask, fmt)) << l.name;
    EXPECT_LE(ChannelDistance(px[16], 0xFF404040), step) << l.name;
    // The caller's clip is not trusted: the walk stops writing at the surface's edges.
    image->NormalDrawLine(-3, -1, 40, 9, Color::White);
    image->AdditiveDrawLine(7.9, 0, -30, 20, Color::White);
    image->NormalDrawLine(1e300, 0, 2, std::nan(""), Color::White);
  }
}

TEST(SurfaceLine, SmoothLinesShareEachRowsCoverageBetweenTwoPixels) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  // Steep lines leaning right and left; the left one ends on the left edge.
  for (double endX : {5.3, 0.2}) {
    auto image = SurfaceImage(t.display.get(), 8, 14, 0);
    image->NormalDrawLineSmooth(2.5, 0.25, endX, 12.5, Color::White);
    std::vector<uint32_t> raw = RawPixels(*image);
    for (int32_t y = 1; y < 12; ++y) {
      int32_t sum = 0;
      for (int32_t x = 0; x < 8; ++x) sum += int32_t(raw[size_t(y * 8 + x)] & 255);
      // The left line's last rows lose the share that would fall left of the surface.
      if (endX > 1 || y < 10)
        EXPECT_NEAR(sum, 255, 4) << "row " << y << " end " << endX;
      else
        EXPECT_LE(sum, 255) << "row " << y;
    }
  }
  // Shallow lines reaching the bottom edge, and endpoints within one pixel.
  auto image = SurfaceImage(t.display.get(), 12, 4, 0);
  image->NormalDrawLineSmooth(0.5, 0.5, 11.5, 3.9, Color(255, 255, 255, 128));
  image->NormalDrawLineSmooth(11.9, 3.1, 0, 3.9, Color::White);
  image->NormalDrawLineSmooth(4.2, 1.3, 4.7, 1.9, Color::White);
  EXPECT_NE(image->GetSurface()->PixelAt(4, 1), 0u);
  // 16-bit packed and mask forms agree.
  for (const SurfaceLayout& l : AllLayouts()) {
    auto a = OpenDisplay(l);
    ASSERT_NE(a, nullptr);
    auto b = OpenDisplay(l);
    b->display->mRGBOrder = false;
    auto ia = SurfaceImage(a->display.get(), 10, 10, 0);
    auto ib = SurfaceImage(b->display.get(), 10, 10, 0);
    for (auto* img : {ia.get(), ib.get()}) img->NormalDrawLineSmooth(0.5, 0.5, 9.5, 6.2, Color(255, 200, 100, 200));
    std::vector<uint32_t> pa = ArgbPixels(*ia), pb = ArgbPixels(*ib);
    for (size_t i = 0; i < pa.size(); ++i) EXPECT_LE(ChannelDistance(pa[i], pb[i]), l.depth == 32 ? 1 : 16) << l.name;
  }
}
