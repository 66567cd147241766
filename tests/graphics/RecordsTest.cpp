#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "graphics/Color.h"
#include "graphics/Matrix3.h"
#include "graphics/Ratio.h"
#include "graphics/Rect.h"
#include "graphics/VeskVector2.h"

using Vesk::VeskVector2;

TEST(Records, ColorPackingAndComparison) {
  Color c = Color::ColorFromRGBA(0x12, 0x34, 0x56, 0x78);
  EXPECT_EQ(c.ToARGB(), 0x78123456u);
  EXPECT_EQ(Color::FromARGB(0x78123456u), c);
  EXPECT_EQ(Color::ColorFromRGB(1, 2, 3).mAlpha, 255);
  EXPECT_TRUE(Color::Equals(Color(255, 255, 255, 255), Color::White));
  EXPECT_TRUE(Color::NotEquals(Color(255, 255, 255, 254), Color::White));
  EXPECT_FALSE(Color::NotEquals(Color(9, 8, 7, 6), Color(9, 8, 7, 6)));
}

TEST(Records, RectAndFRectIntersection) {
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(10, 0, 5, 5)), Rect());  // touching edges only
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(2, 2, -3, 4)), Rect());
  FRect f = FRect::Intersection(FRect(0.5, 0, 2, 2), FRect(1, 1, 5, 5));
  EXPECT_DOUBLE_EQ(f.mX, 1);
  EXPECT_DOUBLE_EQ(f.mWidth, 1.5);
  EXPECT_DOUBLE_EQ(f.mHeight, 1);
  FRect none = FRect::Intersection(FRect(0, 0, 1, 1), FRect(3, 3, 1, 1));
  EXPECT_EQ(none.mWidth, 0);
  EXPECT_EQ(none.mX, 0);
}

TEST(Records, RatioReducesAndComparesByIntegerCrossMultiplication) {
  Ratio r(1024, 768);
  EXPECT_EQ(r.mNumerator, 4);
  EXPECT_EQ(r.mDenominator, 3);
  EXPECT_TRUE(Ratio(4, 3).IsLess(Ratio(16, 9)));
  EXPECT_FALSE(Ratio(16, 9).IsLess(Ratio(4, 3)));
  EXPECT_FALSE(Ratio(4, 3).IsLess(Ratio(8, 6)));
  EXPECT_TRUE(Ratio(5, 4).IsLess(Ratio(4, 3)));
  EXPECT_TRUE(Ratio(999, 1000).IsLess(Ratio(1, 1)));
  EXPECT_FALSE(Ratio(1, 0).IsLess(Ratio(1, 1)));  // a degenerate ratio never divides by zero
}

TEST(Records, VectorArithmetic) {
  VeskVector2 a(1, 2), b(0.5f, -1);
  EXPECT_EQ(a + b, VeskVector2(1.5f, 1));
  EXPECT_EQ(a - b, VeskVector2(0.5f, 3));
  a -= b;
  EXPECT_EQ(a, VeskVector2(0.5f, 3));
}

TEST(Matrix, OperationsPreMultiplySoTheLastAppliesLast) {
  Matrix3 m;
  m.Scale(2, 3);
  m.Translate(10, 20);
  // Scale first, then translate.
  EXPECT_EQ(m.TransformPoint(VeskVector2(1, 1)), VeskVector2(12, 23));
  Matrix3 n;
  n.Translate(10, 20);
  n.Scale(2, 3);
  EXPECT_EQ(n.TransformPoint(VeskVector2(1, 1)), VeskVector2(22, 63));
}

TEST(Matrix, MultiplyAppliesTheRightHandMatrixFirst) {
  Matrix3 t, s, r;
  t.Translate(5, 0);
  s.Scale(2, 2);
  t.Multiply(s, r);  // T x S: scale, then translate
  EXPECT_EQ(r.TransformPoint(VeskVector2(1, 1)), VeskVector2(7, 2));
  EXPECT_EQ((s * t).TransformPoint(VeskVector2(1, 1)), VeskVector2(12, 2));
  // Multiplying into itself is safe.
  Matrix3 self;
  self.Translate(1, 1);
  self.Multiply(self, self);
  EXPECT_EQ(self.TransformPoint(VeskVector2(0, 0)), VeskVector2(2, 2));
}

TEST(Matrix, RotationDirectionAndDegrees) {
  Matrix3 r;
  r.RotateRad(float(std::numbers::pi / 2));
  VeskVector2 p = r.TransformPoint(VeskVector2(1, 0));
  EXPECT_NEAR(p.x, 0, 1e-6);
  EXPECT_NEAR(p.y, -1, 1e-6);
  Matrix3 d;
  d.RotateDeg(90);
  VeskVector2 q = d.TransformPoint(VeskVector2(1, 0));
  EXPECT_NEAR(q.x, p.x, 1e-6);
  EXPECT_NEAR(q.y, p.y, 1e-6);
  Matrix3 inv;
  ASSERT_TRUE(r.Invert(inv));
  VeskVector2 back = inv.TransformPoint(p);
  EXPECT_NEAR(back.x, 1, 1e-6);
  EXPECT_NEAR(back.y, 0, 1e-6);
  Matrix3 singular;
  singular.Scale(0, 1);
  EXPECT_FALSE(singular.Invert(inv));
}

TEST(Matrix, OptionalIdentity) {
  EXPECT_EQ(Matrix3(true), Matrix3());
  Matrix3 zero(false);
  for (float v : zero.m) EXPECT_EQ(v, 0);
}

TEST(Transform2D, BuildsScaleRotateThenTranslateLazily) {
  Transform2D t;
  t.Translate(-1, -1);  // before the scale
  t.Scale(2, 2);
  t.Translate(10, 0);  // after it
  EXPECT_TRUE(t.IsComplex());
  EXPECT_EQ(t.GetMatrix().TransformPoint(VeskVector2(1, 1)), VeskVector2(10, 0));
  EXPECT_EQ(t.GetMatrix().TransformPoint(VeskVector2(2, 1)), VeskVector2(12, 0));
  t.Reset();
  EXPECT_EQ(t.GetMatrix(), Matrix3());
}
