#include <gtest/gtest.h>

#include "raster/TriangleClip.h"

namespace {

TriVertex V(float x, float y, uint32_t color = 0) { return TriVertex{x, y, x / 10, y / 10, color}; }

struct Clipped {
  int count;
  ClipList list;
  ClipStore store;
};

void Clip(Clipped& c, const TriVertex& a, const TriVertex& b, const TriVertex& d, float l = 0, float r = 10,
          float t = 0, float bt = 10) {
  c.count = ClipTriangleToRect(&a, &b, &d, l, r, t, bt, c.list, c.store);
}

}  // namespace

TEST(TriangleClip, InsideTrianglesPassUnchanged) {
  TriVertex a = V(1, 1), b = V(9, 2), d = V(10, 10);  // d lies on two edges: inside
  Clipped c;
  Clip(c, a, b, d);
  ASSERT_EQ(c.count, 3);
  EXPECT_EQ(c.list[0], &a);
  EXPECT_EQ(c.list[1], &b);
  EXPECT_EQ(c.list[2], &d);
  EXPECT_EQ(c.list[3], nullptr);
  EXPECT_EQ(c.store.count, 0);
}

TEST(TriangleClip, CutsLieOnTheEdgeAndKeepOrder) {
  TriVertex p0 = V(2, 1, 0x00000000), p1 = V(-4, 5, 0xFFFFFFFF), p2 = V(4, 9, 0x00000000);
  Clipped c;
  Clip(c, p0, p1, p2);
  ASSERT_EQ(c.count, 4);
  EXPECT_EQ(c.list[0], &p0);
  EXPECT_EQ(c.list[3], &p2);
  // Cut of P1-P0, then of P1-P2, both exactly on x = 0.
  EXPECT_EQ(c.list[1]->x, 0.0f);
  EXPECT_EQ(c.list[2]->x, 0.0f);
  EXPECT_FLOAT_EQ(c.list[1]->y, 5 - 4 * (4.0f / 6));
  EXPECT_FLOAT_EQ(c.list[2]->y, 5 + 4 * (4.0f / 8));
  EXPECT_NEAR(c.list[1]->u, 0.0f, 1e-6);
}

TEST(TriangleClip, ColoursMixChannelByChannelTruncated) {
  TriVertex o, i, out;
  o = TriVertex{-2, 0, 0, 0, 0x00000000};
  i = TriVertex{2, 0, 0, 0, 0xFFFFFFFF};
  InterpolateVertexAtX(o, i, 0, out);
  EXPECT_EQ(out.color, 0x7F7F7F7Fu);
  o.color = 0x10FF2080;
  i.color = 0x30004000;
  InterpolateVertexAtX(o, i, 0, out);
  EXPECT_EQ(out.color, 0x207F3040u);
}

TEST(TriangleClip, LargeTrianglesBecomeTheRectangle) {
  TriVertex a = V(-100, -100), b = V(300, -100), d = V(-100, 300);
  Clipped c;
  Clip(c, a, b, d);
  ASSERT_EQ(c.count, 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(c.list[k]->x == 0 || c.list[k]->x == 10);
    EXPECT_TRUE(c.list[k]->y == 0 || c.list[k]->y == 10);
  }
  // Three corners across three different edges: at most seven vertices.
  TriVertex e = V(5, -8), f = V(18, 14), g = V(-8, 14);
  Clip(c, e, f, g);
  EXPECT_GE(c.count, 6);
  EXPECT_LE(c.count, 7);
  for (int k = 0; k < c.count; ++k) {
    EXPECT_GE(c.list[k]->x, 0);
    EXPECT_LE(c.list[k]->x, 10);
    EXPECT_GE(c.list[k]->y, 0);
    EXPECT_LE(c.list[k]->y, 10);
  }
}

TEST(TriangleClip, OutsideGivesNothing) {
  // Across the left edge but wholly above the top edge.
  TriVertex a = V(-5, -9), b = V(5, -8), d = V(2, -1);
  Clipped c;
  Clip(c, a, b, d);
  EXPECT_EQ(c.count, 0);
  EXPECT_EQ(c.list[0], nullptr);
  // The next triangle starts with an empty store.
  TriVertex p = V(1, 1), q = V(2, 1), r = V(1, 2);
  Clip(c, p, q, r);
  EXPECT_EQ(c.count, 3);
  EXPECT_EQ(c.store.count, 0);
}
