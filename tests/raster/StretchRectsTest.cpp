#include <gtest/gtest.h>

#include <cmath>

#include "raster/StretchRects.h"

namespace {

void ExpectRect(const Rect& r, int x, int y, int w, int h) {
  EXPECT_EQ(r, Rect(x, y, w, h)) << r.mX << "," << r.mY << " " << r.mWidth << "x" << r.mHeight;
}

void ExpectFRect(const FRect& r, double x, double y, double w, double h) {
  EXPECT_DOUBLE_EQ(r.mX, x);
  EXPECT_DOUBLE_EQ(r.mY, y);
  EXPECT_DOUBLE_EQ(r.mWidth, w);
  EXPECT_DOUBLE_EQ(r.mHeight, h);
}

constexpr double kPi = 3.14159265358979323846;

}  // namespace

TEST(ClipStretchRects, InsideTheClipKeepsBothRectangles) {
  Rect dest;
  FRect src;
  ASSERT_TRUE(ClipStretchRects(Rect(10, 20, 40, 30), Rect(3, 4, 20, 60), Rect(0, 0, 100, 100), dest, src));
  ExpectRect(dest, 10, 20, 40, 30);
  ExpectFRect(src, 3, 4, 20, 60);
}

TEST(ClipStretchRects, CutsScaleTheSource) {
  // Twice as wide, half as tall: a cut of 4 destination columns is 2 source columns, of 3 rows 6.
  Rect dest;
  FRect src;
  ASSERT_TRUE(ClipStretchRects(Rect(-4, -3, 40, 30), Rect(10, 0, 20, 60), Rect(0, 0, 30, 20), dest, src));
  ExpectRect(dest, 0, 0, 30, 20);
  ExpectFRect(src, 12, 6, 15, 40);

  // Fractional source: three destination pixels per source pixel.
  ASSERT_TRUE(ClipStretchRects(Rect(0, 0, 30, 30), Rect(0, 0, 10, 10), Rect(1, 2, 5, 5), dest, src));
  ExpectRect(dest, 1, 2, 5, 5);
  ExpectFRect(src, 1.0 / 3, 2.0 / 3, 5.0 / 3, 5.0 / 3);
}

TEST(ClipStretchRects, MirroredCutsComeOffTheOtherSourceSide) {
  Rect dest;
  FRect src;
  // Cut 4 destination columns on the left: the mirrored source loses 2 columns on its right.
  ASSERT_TRUE(ClipStretchMirrorRects(Rect(-4, 0, 40, 30), Rect(10, 0, 20, 60), Rect(0, 0, 100, 100), dest, src));
  ExpectRect(dest, 0, 0, 36, 30);
  ExpectFRect(src, 10, 0, 18, 60);
  // Cut 6 on the right: 3 source columns off its left. Rows are not mirrored.
  ASSERT_TRUE(ClipStretchMirrorRects(Rect(0, -3, 40, 30), Rect(10, 0, 20, 60), Rect(0, 0, 34, 100), dest, src));
  ExpectRect(dest, 0, 0, 34, 27);
  ExpectFRect(src, 13, 6, 17, 54);
}

TEST(ClipStretchRects, OnePixelWideDestinationShowsTheSameColumnMirroredOrNot) {
  Rect plainDest, mirrorDest;
  FRect plainSrc, mirrorSrc;
  ASSERT_TRUE(ClipStretchRects(Rect(5, 5, 1, 8), Rect(7, 0, 1, 4), Rect(0, 0, 50, 50), plainDest, plainSrc));
  ASSERT_TRUE(
      ClipStretchMirrorRects(Rect(5, 5, 1, 8), Rect(7, 0, 1, 4), Rect(0, 0, 50, 50), mirrorDest, mirrorSrc));
  EXPECT_EQ(plainDest, mirrorDest);
  ExpectFRect(mirrorSrc, plainSrc.mX, plainSrc.mY, plainSrc.mWidth, plainSrc.mHeight);
}

TEST(ClipStretchRects, EmptyResultsAreRefusedAndLeaveTheOutputs) {
  const Rect clip(0, 0, 10, 10);
  for (bool mirrored : {false, true}) {
    auto call = [&](const Rect& d, const Rect& s) {
      Rect dest(1, 2, 3, 4);
      FRect src(5, 6, 7, 8);
      bool drawn = mirrored ? ClipStretchMirrorRects(d, s, clip, dest, src) : ClipStretchRects(d, s, clip, dest, src);
      EXPECT_EQ(dest, Rect(1, 2, 3, 4));
      EXPECT_EQ(src.mX, 5);
      return drawn;
    };
    EXPECT_FALSE(call(Rect(10, 0, 5, 5), Rect(0, 0, 4, 4)));   // touches the clip's right edge
    EXPECT_FALSE(call(Rect(-5, -5, 5, 5), Rect(0, 0, 4, 4)));  // ends at its top-left corner
    EXPECT_FALSE(call(Rect(0, 0, 0, 5), Rect(0, 0, 4, 4)));
    EXPECT_FALSE(call(Rect(0, 0, -3, 5), Rect(0, 0, 4, 4)));
    EXPECT_FALSE(call(Rect(0, 0, 5, 5), Rect(0, 0, 0, 4)));
    EXPECT_FALSE(call(Rect(0, 0, 5, 5), Rect(0, 0, 4, -1)));
    Rect dest;
    FRect src;
    EXPECT_FALSE(ClipStretchRects(Rect(0, 0, 5, 5), Rect(0, 0, 4, 4), Rect(0, 0, 0, 0), dest, src));
  }
}

TEST(ClipStretchRects, ExtremeRectanglesDoNotOverflow) {
  Rect dest;
  FRect src;
  ASSERT_TRUE(ClipStretchRects(Rect(INT32_MIN, 0, INT32_MAX, 10), Rect(0, 0, 100, 10), Rect(-10, 0, 20, 10), dest,
                               src));
  ExpectRect(dest, -10, 0, 9, 10);
  EXPECT_NEAR(src.mX, 100.0 * (double(INT32_MAX) - 9) / INT32_MAX, 1e-6);
  EXPECT_GT(src.mWidth, 0);
}

TEST(ComputeRotatedBounds, NoTurnCoversTheSourceAtItsPosition) {
  Rect box;
  ASSERT_TRUE(ComputeRotatedBounds(10, 20, Rect(3, 3, 16, 8), Rect(0, 0, 100, 100), 0.0, 8, 4, box));
  ExpectRect(box, 10, 20, 16, 8);
  // Fractional positions widen the box to whole pixels.
  ASSERT_TRUE(ComputeRotatedBounds(10.5f, 20.25f, Rect(3, 3, 16, 8), Rect(0, 0, 100, 100), 0.0, 0, 0, box));
  ExpectRect(box, 10, 20, 17, 9);
}

TEST(ComputeRotatedBounds, QuarterAndHalfTurnsAboutTheCentre) {
  Rect box;
  // A 16 x 8 source turned a quarter about its centre (x + 8, y + 4) stands 8 x 16 about it.
  ASSERT_TRUE(ComputeRotatedBounds(10, 20, Rect(0, 0, 16, 8), Rect(0, 0, 100, 100), kPi / 2, 8, 4, box));
  ExpectRect(box, 14, 16, 8, 16);
  ASSERT_TRUE(ComputeRotatedBounds(10, 20, Rect(0, 0, 16, 8), Rect(0, 0, 100, 100), -kPi / 2, 8, 4, box));
  ExpectRect(box, 14, 16, 8, 16);
  ASSERT_TRUE(ComputeRotatedBounds(10, 20, Rect(0, 0, 16, 8), Rect(0, 0, 100, 100), kPi, 8, 4, box));
  ExpectRect(box, 10, 20, 16, 8);
  // About the source corner: a quarter turn samples source (-py, px), so the source's x axis runs
  // upwards from the corner and its y axis to the right.
  ASSERT_TRUE(ComputeRotatedBounds(50, 50, Rect(0, 0, 16, 8), Rect(0, 0, 100, 100), kPi / 2, 0, 0, box));
  ExpectRect(box, 50, 34, 8, 16);
}

TEST(ComputeRotatedBounds, BoxContainsEverySampledPixelAtAnyAngle) {
  // Every destination pixel whose sample falls inside the source lies in the box.
  const Rect src(0, 0, 13, 7);
  for (int step = 0; step < 24; ++step) {
    const double angle = step * kPi / 12 + 0.1;
    const float x = 40.3f, y = 35.7f, cx = 6.5f, cy = 3.5f;
    Rect box;
    ASSERT_TRUE(ComputeRotatedBounds(x, y, src, Rect(0, 0, 100, 100), angle, cx, cy, box));
    EXPECT_LE(box.mWidth, 17);
    for (int Y = 0; Y < 100; ++Y)
      for (int X = 0; X < 100; ++X) {
        const double px = X - x - cx, py = Y - y - cy;
        const double u = cx + px * std::cos(angle) - py * std::sin(angle);
        const double v = cy + px * std::sin(angle) + py * std::cos(angle);
        if (u >= 0 && v >= 0 && u < src.mWidth && v < src.mHeight) {
          EXPECT_TRUE(box.Contains(X, Y)) << "angle " << angle << " at " << X << "," << Y;
        }
      }
  }
}

TEST(ComputeRotatedBounds, ClippedEmptyAndNonFiniteCases) {
  Rect box(1, 2, 3, 4);
  ASSERT_TRUE(ComputeRotatedBounds(-8, 90, Rect(0, 0, 16, 16), Rect(0, 0, 100, 100), 0.0, 8, 8, box));
  ExpectRect(box, 0, 90, 8, 10);
  box = Rect(1, 2, 3, 4);
  EXPECT_FALSE(ComputeRotatedBounds(200, 0, Rect(0, 0, 16, 16), Rect(0, 0, 100, 100), 0.5, 8, 8, box));
  EXPECT_FALSE(ComputeRotatedBounds(0, 0, Rect(0, 0, 0, 16), Rect(0, 0, 100, 100), 0.5, 8, 8, box));
  EXPECT_FALSE(ComputeRotatedBounds(0, 0, Rect(0, 0, 16, 16), Rect(0, 0, 0, 100), 0.5, 8, 8, box));
  EXPECT_FALSE(ComputeRotatedBounds(NAN, 0, Rect(0, 0, 16, 16), Rect(0, 0, 100, 100), 0.5, 8, 8, box));
  EXPECT_FALSE(ComputeRotatedBounds(0, 0, Rect(0, 0, 16, 16), Rect(0, 0, 100, 100), INFINITY, 8, 8, box));
  EXPECT_FALSE(ComputeRotatedBounds(0, 0, Rect(0, 0, 16, 16), Rect(0, 0, 100, 100), 0.5, NAN, 8, box));
  EXPECT_EQ(box, Rect(1, 2, 3, 4));
  // Far-off but finite positions cut to the clip without overflowing.
  EXPECT_FALSE(ComputeRotatedBounds(3e38f, 0, Rect(0, 0, 16, 16), Rect(0, 0, 100, 100), 0.5, 8, 8, box));
  ASSERT_TRUE(ComputeRotatedBounds(0, 0, Rect(0, 0, INT32_MAX, INT32_MAX), Rect(0, 0, 100, 100), 0.0, 0, 0, box));
  ExpectRect(box, 0, 0, 100, 100);
}
