#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "display/D3DMask.h"
#include "display/support/DisplayFixture.h"
#include "graphics/Graphics.h"

using namespace Vesk;
using namespace Platform::Video;

namespace {

float PolygonArea(const std::vector<VeskVector2>& p) {
  float a = 0;
  for (size_t i = 0; i < p.size(); ++i) a += p[i].x * p[(i + 1) % p.size()].y - p[(i + 1) % p.size()].x * p[i].y;
  return std::fabs(a) / 2;
}

// A 3D display of 320 x 240 whose textures are at most 64 texels wide, so images come in pieces.
std::unique_ptr<TestDisplay> MaskDisplay() {
  auto t = std::make_unique<TestDisplay>(32, 1920, 1080, 60, PixelFormat(), true);
  t->app.mWidth = 320;
  t->app.mHeight = 240;
  DeviceCaps caps;
  caps.mMaxTextureWidth = caps.mMaxTextureHeight = 64;
  t->display->GetD3D()->SetDeviceCaps(caps);
  EXPECT_EQ(t->Init(), DDInterface::RESULT_OK);
  EXPECT_TRUE(t->display->mIs3D);
  return t;
}

uint32_t At(TestDisplay& t, int32_t x, int32_t y) {
  const Surface* s = t.display->GetScreenImage()->GetSurface();
  return ToArgb(s->PixelAt(x, y), s->Format()) & 0xFFFFFFu;
}

constexpr uint32_t kBack = 0x0A141E, kImage = 0xC86432;

}  // namespace

TEST(D3DMask, QuadAndRectangleGeometry) {
  struct Case {
    const char* name;
    VeskVector2 q[4];
    size_t vertices;
    float area;
  } cases[] = {
      {"inside", {{5, 2}, {2, 5}, {5, 8}, {8, 5}}, 4, 18},
      {"cut at the source width", {{1, 1}, {1, 5}, {15, 5}, {15, 1}}, 4, 36},
      {"turned 45 degrees", {{5, -1}, {-1, 5}, {5, 11}, {11, 5}}, 8, 68},
      {"mirrored", {{5, -1}, {11, 5}, {5, 11}, {-1, 5}}, 8, 68},
      {"turned over a corner", {{0, -6}, {-6, 0}, {0, 6}, {6, 0}}, 3, 18},
      {"mirrored over a corner", {{0, -6}, {6, 0}, {0, 6}, {-6, 0}}, 3, 18},
      {"region inside the quad", {{5, -20}, {-20, 5}, {5, 30}, {30, 5}}, 4, 100},
      {"quad outside", {{25, 20}, {20, 25}, {25, 30}, {30, 25}}, 0, 0},
      {"box without overlap", {{12, 1}, {12, 5}, {15, 5}, {15, 1}}, 0, 0},
  };
  std::vector<VeskVector2> out = {{99, 99}};
  for (const Case& c : cases) {
    ClipQuadToRect(10, 10, c.q, out);
    EXPECT_EQ(out.size(), c.vertices) << c.name;
    EXPECT_NEAR(PolygonArea(out), c.area, 1e-3) << c.name;
    for (const VeskVector2& p : out) EXPECT_TRUE(p.x >= 0 && p.x <= 10 && p.y >= 0 && p.y <= 10) << c.name;
  }
  ClipQuadToRect(10, 10, cases[1].q, out);
  EXPECT_EQ(out, (std::vector<VeskVector2>{{1, 1}, {1, 5}, {10, 5}, {10, 1}}));

  VeskVector2 cross[2];
  ASSERT_EQ(GetSegmentRectCrossings(10, 10, {-1, 5}, {11, 5}, cross), 2);
  EXPECT_TRUE(cross[0] == VeskVector2(0, 5) && cross[1] == VeskVector2(10, 5));
  ASSERT_EQ(GetSegmentRectCrossings(10, 10, {11, 5}, {-1, 5}, cross), 2);
  EXPECT_TRUE(cross[0] == VeskVector2(10, 5) && cross[1] == VeskVector2(0, 5));
  EXPECT_EQ(GetSegmentRectCrossings(10, 10, {5, 5}, {0, 5}, cross), 0);
  out.clear();
  AddRectCornersBetween(10, 8, {10, 3}, {4, 8}, out);
  EXPECT_EQ(out, (std::vector<VeskVector2>{{10, 0}, {0, 0}, {0, 8}}));
  EXPECT_EQ(GetRectSideOfPoint(10, 10, 0, 10), 1);
  EXPECT_EQ(GetRectSideOfPoint(10, 10, 5, 5), 0);
}

// A uniform image of 200 x 150 (pieces of 64) drawn from a source rectangle away from its
// origin, turned about the source's middle, under a uniform half-transparent mask of 100 x 80
// that moves with it and reaches past the source's left edge, inside a clip that cuts it.
TEST(D3DMask, MaskedDrawsGiveTheProductInsideTheMappedMaskOnly) {
  auto t = MaskDisplay();
  DDInterface& d = *t->display;
  auto image = MakeImage(&d, 200, 150, 0xFF000000u | kImage);
  auto mask = MakeImage(&d, 100, 80, 0x80FFFFFFu);
  const Rect src(37, 29, 120, 90), clip(20, 60, 280, 120);
  const float x = 160, y = 120, frameX = x - 10, frameY = y + 20;
  auto expected = [](int32_t shift) {
    const uint32_t a = (kImage >> shift) & 255u, b = (kBack >> shift) & 255u;
    return (a * 128 + b * 127) / 255.0;
  };
  for (float angle : {0.0f, 30.0f, 45.0f, 90.0f, 200.0f}) {
    DDImage* screen = d.GetScreenImage();
    screen->FillRect(Rect(0, 0, 320, 240), Color(10, 20, 30), 0);
    Matrix3 m;
    m.Translate(-60, -45);
    m.RotateDeg(angle);
    Graphics g(screen);
    g.SetClipRectFromRect(clip);
    g.SetLinearBlend(true);
    g.SetMaskImage(mask.get());
    g.SetMaskSrcRect(Rect(0, 0, 100, 80));
    g.SetMaskFrameRect(Rect(int32_t(frameX), int32_t(frameY), 100, 80));
    g.SetMaskTransform(m);
    g.DrawImageMatrix(image.get(), m, src, x, y);

    Matrix3 inverse;
    ASSERT_TRUE(m.Invert(inverse));
    int inside = 0;
    for (int32_t py = 0; py < 240; ++py)
      for (int32_t px = 0; px < 320; ++px) {
        // The pixel's place in the source: the mask covers x in [-10, 90], y in [20, 100] there.
        const VeskVector2 s = inverse.TransformPoint(VeskVector2(float(px) + 0.5f - x, float(py) + 0.5f - y));
        const float l = std::max(0.0f, -10.0f), r = std::min(120.0f, 90.0f), top = 20, bottom = 90;
        const bool inClip = px >= clip.mX && px < clip.mX + clip.mWidth && py >= clip.mY && py < clip.mY + clip.mHeight;
        const bool deep = s.x > l + 1 && s.x < r - 1 && s.y > top + 1 && s.y < bottom - 1;
        const bool out = s.x < l - 1 || s.x > r + 1 || s.y < top - 1 || s.y > bottom + 1;
        const uint32_t p = At(*t, px, py);
        if (!inClip || out) {
          ASSERT_EQ(p, kBack) << "angle " << angle << " at " << px << "," << py;
        } else if (deep && px > clip.mX && px < clip.mX + clip.mWidth - 1 && py > clip.mY &&
                   py < clip.mY + clip.mHeight - 1) {
          ++inside;
          for (int32_t shift : {0, 8, 16})
            ASSERT_NEAR(double((p >> shift) & 255u), expected(shift), 2.0)
                << "angle " << angle << " at " << px << "," << py;
        }
      }
    EXPECT_GT(inside, 3000) << angle;
  }
}

TEST(D3DMask, SingularOrUntexturedMasksAndTheStatesLeftBehind) {
  auto t = MaskDisplay();
  DDInterface& d = *t->display;
  DDImage* screen = d.GetScreenImage();
  auto image = MakeImage(&d, 100, 100, 0xFF000000u | kImage);
  auto mask = MakeImage(&d, 50, 50, 0xFFFFFFFFu);
  auto noTexture = d.CreateImage();
  auto draw = [&](const Matrix3& m, Image* maskImage) {
    screen->FillRect(Rect(0, 0, 320, 240), Color(10, 20, 30), 0);
    Graphics g(screen);
    g.SetMaskImage(maskImage);
    g.SetMaskSrcRect(Rect(0, 0, 50, 50));
    g.SetMaskFrameRect(Rect(10, 10, 50, 50));
    g.SetMaskTransform(Matrix3());
    g.DrawImageMatrix(image.get(), m, Rect(0, 0, 100, 100), 10, 10);
  };
  Matrix3 flat;
  flat.Scale(0, 1);
  draw(flat, mask.get());
  EXPECT_EQ(At(*t, 20, 20), kBack);
  draw(Matrix3(), noTexture.get());
  EXPECT_EQ(At(*t, 20, 20), kBack);
  draw(Matrix3(), mask.get());
  EXPECT_EQ(At(*t, 20, 20), kImage);
  EXPECT_EQ(At(*t, 80, 80), kBack);

  // A blit after a masked draw shows its own pixels.
  auto other = MakeImage(&d, 20, 20, 0xFF285078u);
  screen->Blit(other.get(), 200, 100, other->GetRect(), Color::White, 0);
  EXPECT_EQ(At(*t, 210, 110), 0x285078u);

  // Under a device transform the mask is left out.
  Matrix3 shift;
  shift.Translate(1, 0);
  d.GetD3D()->mTransforms.push_back(shift);
  draw(Matrix3(), mask.get());
  d.GetD3D()->mTransforms.clear();
  EXPECT_EQ(At(*t, 81, 80), kImage);
}

// Under a mask the alpha is the product of the colour's, the mask's and the picture's own: a
// picture whose alpha grows across its columns, drawn in a see-through tinted colour under a
// tinted half-opaque mask, on a light background where every missing factor shows. The mask's
// colour does not tint the picture.
TEST(D3DMask, ThePicturesAndTheColoursAlphaMultiplyTheMasks) {
  auto t = MaskDisplay();
  DDInterface& d = *t->display;
  constexpr int32_t kW = 64, kH = 48, kX = 100, kY = 80;
  constexpr uint32_t kLight = 0xE6DCC8, kPicture = 0xC86432, kMaskArgb = 0xC04080FFu;
  const Color colour(128, 255, 200, 0x99);
  auto alphaAt = [](int32_t x) { return uint32_t(0x30 + 3 * x); };
  std::vector<uint32_t> bits(size_t(kW) * kH);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) bits[size_t(y) * kW + size_t(x)] = alphaAt(x) << 24 | kPicture;
  auto image = d.CreateImage();
  image->SetBits(bits.data(), kW, kH);
  auto mask = MakeImage(&d, kW, kH, kMaskArgb);

  DDImage* screen = d.GetScreenImage();
  screen->FillRect(Rect(0, 0, 320, 240), Color(0xE6, 0xDC, 0xC8), 0);
  Graphics g(screen);
  g.SetColorizeImages(true);
  g.SetColor(colour);
  g.SetMaskImage(mask.get());
  g.SetMaskSrcRect(Rect(0, 0, kW, kH));
  g.SetMaskFrameRect(Rect(kX, kY, kW, kH));
  g.SetMaskTransform(Matrix3());
  g.DrawImageMatrix(image.get(), Matrix3(), Rect(0, 0, kW, kH), kX, kY);

  const uint32_t tint[3] = {uint32_t(colour.mBlue), uint32_t(colour.mGreen), uint32_t(colour.mRed)};
  for (int32_t y = 1; y < kH - 1; ++y)
    for (int32_t x = 1; x < kW - 1; ++x) {
      const double a = colour.mAlpha / 255.0 * (kMaskArgb >> 24) / 255.0 * alphaAt(x) / 255.0;
      const uint32_t p = At(*t, kX + x, kY + y);
      for (int32_t c = 0; c < 3; ++c) {
        const double source = ((kPicture >> (8 * c)) & 255u) * tint[c] / 255.0;
        const double want = source * a + ((kLight >> (8 * c)) & 255u) * (1 - a);
        ASSERT_NEAR(double((p >> (8 * c)) & 255u), want, 3.0) << "at " << x << "," << y << " channel " << c;
      }
    }
  // Around the picture the background is untouched.
  EXPECT_EQ(At(*t, kX - 1, kY + 10), kLight);
  EXPECT_EQ(At(*t, kX + kW, kY + 10), kLight);
}
