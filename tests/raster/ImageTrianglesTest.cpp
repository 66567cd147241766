// The image paths: a quad drawn through a matrix and a list of triangles.
#include <gtest/gtest.h>

#include <cmath>

#include "raster/ImageTriangles.h"
#include "raster/support/RasterTestSupport.h"

TEST(ImageTriangles, MatrixQuadStrip) {
  const float xs[4] = {10, 20, 10, 20}, ys[4] = {5, 5, 15, 15};
  TriVertex strip[4];
  MakeMatrixQuadStrip(xs, ys, 8, 4, 16, 8, 32, 16, strip);
  EXPECT_EQ(strip[0].x, 9.5f);
  EXPECT_EQ(strip[3].y, 14.5f);
  EXPECT_EQ(strip[0].u, 0.25f);
  EXPECT_EQ(strip[1].u, 0.75f);
  EXPECT_EQ(strip[2].v, 0.75f);
  EXPECT_EQ(strip[1].v, 0.25f);
  for (const TriVertex& v : strip) EXPECT_EQ(v.color, 0xFFFFFFFFu);
}

// The identity matrix over the whole buffer copies the texture exactly, its last column and row
// included.
TEST(ImageTriangles, IdentityQuadCopiesEveryPixel) {
  const int w = 1024, h = 768;
  TestTexture texture(w, h);
  for (int i = 0; i < w * h; ++i) texture.pixels[i] = uint32_t(i) * 2654435761u;
  for (int32_t format : {kPixelFormat8888, kPixelFormat565}) {
    GuardedCanvas canvas(format, w, h);
    const float xs[4] = {0, float(w), 0, float(w)}, ys[4] = {0, 0, float(h), float(h)};
    const Rect clip = canvas.ClipRect();
    DrawMatrixQuad(xs, ys, 0, 0, float(w), float(h), &texture, &Color::White, 0, &clip, canvas.Origin(),
                   canvas.Pitch(), format, false);
    ASSERT_TRUE(canvas.GuardIntact());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t t = texture.pixels[size_t(y * w + x)];
        const uint32_t expected = format == kPixelFormat8888
                                      ? (t | 0xFF000000u)
                                      : (((t >> 8) & 0xF800) | ((t >> 5) & 0x07E0) | ((t >> 3) & 0x1F));
        ASSERT_EQ(canvas.Get(x, y), expected) << x << "," << y;
      }
  }
}

// A quarter turn maps rows to columns.
TEST(ImageTriangles, RotatedQuad) {
  TestTexture texture(4, 2);
  for (int i = 0; i < 8; ++i) texture.pixels[i] = 0xFF000000u | uint32_t(i + 1);
  GuardedCanvas canvas(kPixelFormat888, 6, 6);
  // Top-left of the source at (3, 1), its x axis pointing down, its y axis pointing left.
  const float xs[4] = {3, 3, 1, 1}, ys[4] = {1, 5, 1, 5};
  const Rect clip = canvas.ClipRect();
  DrawMatrixQuad(xs, ys, 0, 0, 4, 2, &texture, &Color::White, 0, &clip, canvas.Origin(), canvas.Pitch(),
                 kPixelFormat888, false);
  for (int sy = 0; sy < 2; ++sy)
    for (int sx = 0; sx < 4; ++sx) EXPECT_EQ(canvas.Get(2 - sy, 1 + sx) & 0xFF, uint32_t(sy * 4 + sx + 1));
  EXPECT_EQ(canvas.Get(0, 0), 0u);
  EXPECT_EQ(canvas.Get(3, 1), 0u);
}

TEST(ImageTriangles, TriangleListColoursAndOffset) {
  GuardedCanvas canvas(kPixelFormat8888, 16, 16);
  const Rect clip = canvas.ClipRect();
  TriVertex tris[6] = {{0, 0, 0, 0, 0xFF00FF00}, {6, 0, 0, 0, 0xFF00FF00}, {0, 6, 0, 0, 0xFF00FF00},
                       {0, 0, 0, 0, 0}, {6, 0, 0, 0, 0}, {0, 6, 0, 0, 0}};
  // Untextured: the coloured triangle draws, moved by the offset; the one without colours has
  // vertex colours off and draws nothing.
  DrawTriangleList(tris, 2, 8, 2, nullptr, &Color::White, 0, &clip, canvas.Origin(), canvas.Pitch(),
                   kPixelFormat8888, false);
  EXPECT_EQ(canvas.Get(8, 2), 0xFF00FF00u);
  EXPECT_EQ(canvas.Get(7, 2), 0u);
  int drawn = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) drawn += canvas.Get(x, y) != 0;
  EXPECT_EQ(drawn, 6 + 5 + 4 + 3 + 2 + 1);
  // Textured, the triangle without colours takes the plain textured filler.
  TestTexture texture(2, 2, 0xFF123456);
  DrawTriangleList(tris + 3, 1, 0, 8, &texture, &Color::White, 0, &clip, canvas.Origin(), canvas.Pitch(),
                   kPixelFormat8888, false);
  EXPECT_EQ(canvas.Get(0, 8), 0xFF123456u);
}

TEST(ImageTriangles, MemoryImageFormat) {
  EXPECT_EQ(MemoryImageTriangleFormat(true, false, false), kPixelFormat888);
  EXPECT_EQ(MemoryImageTriangleFormat(false, false, false), kPixelFormat8888);
  EXPECT_EQ(MemoryImageTriangleFormat(true, true, false), kPixelFormat8888);
  EXPECT_EQ(MemoryImageTriangleFormat(true, false, true), kPixelFormat8888);
}
