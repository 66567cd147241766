#include <gtest/gtest.h>

#include <cmath>

#include "graphics/Graphics.h"
#include "graphics/Matrix3.h"
#include "graphics/MemoryImage.h"

using Vesk::MemoryImage;

namespace {
// A 4 x 3 opaque source with a distinct colour per pixel.
void MakeSource(MemoryImage& src) {
  src.Create(4, 3);
  uint32_t* bits = src.GetBits();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) bits[y * 4 + x] = 0xFF000000u | uint32_t(x * 60) << 16 | uint32_t(y * 90) << 8 | 7;
  src.BitsChanged();
}

uint32_t At(MemoryImage& img, int x, int y) { return img.GetBits()[y * img.GetWidth() + x]; }

// A size x size image of one colour.
void MakeUniform(MemoryImage& img, int size, uint32_t argb) {
  img.Create(size, size);
  for (int i = 0; i < size * size; ++i) img.GetBits()[i] = argb;
  img.BitsChanged();
}
}  // namespace

TEST(MatrixDraw, IdentityAndRightAngleRotationMoveEveryTexelExactly) {
  MemoryImage src;
  MakeSource(src);
  MemoryImage dst;
  dst.Create(16, 16);
  Matrix3 identity;
  dst.BlitMatrix(&src, 5, 6, identity, Rect(0, 0, 16, 16), Color::White, 0, Rect(0, 0, 4, 3), false, {});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dst, 5 + x, 6 + y) | 0xFF000000u, At(src, x, y)) << x << "," << y;
  // Nothing outside the placed rectangle.
  EXPECT_EQ(At(dst, 4, 6), 0u);
  EXPECT_EQ(At(dst, 9, 6), 0u);
  EXPECT_EQ(At(dst, 5, 9), 0u);

  // A quarter turn: (x, y) -> (-y, x), placed so the picture lands at (10, 2).
  MemoryImage rot;
  rot.Create(16, 16);
  Matrix3 m;
  m.RotateDeg(90);
  Vesk::VeskVector2 p = m.TransformPoint(Vesk::VeskVector2(1, 0));
  float sign = p.y > 0 ? 1.0f : -1.0f;  // whichever way positive angles turn, test that way
  rot.BlitMatrix(&src, 10, 2 + (sign < 0 ? 4 : 0), m, Rect(0, 0, 16, 16), Color::White, 0, Rect(0, 0, 4, 3), false, {});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      Vesk::VeskVector2 q = m.TransformPoint(Vesk::VeskVector2(x + 0.5f, y + 0.5f));
      int dx = int(std::floor(q.x + 10)), dy = int(std::floor(q.y + 2 + (sign < 0 ? 4 : 0)));
      EXPECT_EQ(At(rot, dx, dy) | 0xFF000000u, At(src, x, y)) << x << "," << y;
    }
}

TEST(MatrixDraw, DrawingContextAndTrianglesReachThePixels) {
  MemoryImage src;
  MakeUniform(src, 2, 0xFFFFFFFFu);
  MemoryImage dst;
  dst.Create(8, 8);
  Vesk::Graphics g(&dst);
  g.DrawImageMatrix(&src, Matrix3(), Rect(0, 0, 2, 2), 3, 3);
  EXPECT_EQ(At(dst, 3, 3) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(At(dst, 4, 4) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(At(dst, 5, 5), 0u);

  // A textured triangle list covering the whole image.
  MemoryImage tri;
  tri.Create(8, 8);
  TriVertex v[2][3] = {{{0, 0, 0, 0, 0}, {8, 0, 1, 0, 0}, {0, 8, 0, 1, 0}}, {{8, 0, 1, 0, 0}, {8, 8, 1, 1, 0}, {0, 8, 0, 1, 0}}};
  tri.BlitTriangles(&src, v, 2, Rect(0, 0, 8, 8), Color::White, 0, 0, 0, false);
  int drawn = 0;
  for (int i = 0; i < 64; ++i) drawn += (tri.GetBits()[i] & 0xFFFFFF) == 0xFFFFFF;
  EXPECT_EQ(drawn, 64);
}

TEST(MatrixDraw, ColourisedDrawingTintsAndFadesThePixels) {
  MemoryImage src;
  MakeUniform(src, 4, 0xFFC0A080u);
  MemoryImage dst;
  dst.Create(8, 8);
  Vesk::Graphics g(&dst);
  g.SetColorizeImages(true);
  g.SetColor(Color(255, 0, 0));
  g.DrawImageMatrix(&src, Matrix3(), Rect(0, 0, 4, 4), 2, 2);
  // Red stays (times 255/256), green and blue go.
  EXPECT_EQ(At(dst, 3, 3), 0xFFBF0000u);
  EXPECT_EQ(At(dst, 0, 0), 0u);

  // Half faded in white over opaque black: every channel about half.
  MemoryImage faded;
  MakeUniform(faded, 8, 0xFF000000u);
  Vesk::Graphics f(&faded);
  f.SetColorizeImages(true);
  f.SetColor(Color(255, 255, 255, 128));
  f.DrawImageMatrix(&src, Matrix3(), Rect(0, 0, 4, 4), 4, 4);
  const uint32_t p = At(faded, 5, 5);
  EXPECT_EQ(At(faded, 1, 1), 0xFF000000u);
  EXPECT_EQ(p >> 24, 0xFFu);
  EXPECT_EQ((p >> 16) & 0xFF, (0xC0u * 255 / 256) * 127 / 256);
  EXPECT_EQ(p & 0xFF, (0x80u * 255 / 256) * 127 / 256);
}
