#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/support/DisplayFixture.h"

using namespace Vesk;
using namespace Platform::Video;

namespace {

// A display of the given size drawing in software or through the 3D layer.
std::unique_ptr<TestDisplay> MakeDisplay(int32_t depth, bool is3D, int32_t w, int32_t h,
                                         const DeviceCaps& caps = DeviceCaps()) {
  auto t = std::make_unique<TestDisplay>(depth, 1920, 1080, 60, PixelFormat(), is3D);
  t->app.mWidth = w;
  t->app.mHeight = h;
  t->display->GetD3D()->SetDeviceCaps(caps);
  EXPECT_EQ(t->Init(), DDInterface::RESULT_OK);
  EXPECT_EQ(t->display->mIs3D, is3D);
  return t;
}

// Random pixels; `alpha` picks each pixel's alpha from the list.
std::unique_ptr<DDImage> RandomImage(DDInterface* display, int32_t w, int32_t h, std::vector<uint32_t> alpha,
                                     uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (uint32_t& p : px) p = (alpha[rng() % alpha.size()] << 24) | (rng() & 0xFFFFFFu);
  auto image = display->CreateImage();
  image->SetBits(px.data(), w, h);
  return image;
}

// The screen's stored pixels.
std::vector<uint32_t> Screen(DDInterface* display) {
  DDImage* s = display->GetScreenImage();
  const Surface* surface = s->GetSurface();
  std::vector<uint32_t> out;
  // The colour bits: the 32-bit software loops write the unused top byte as well.
  for (int32_t y = 0; y < surface->Height(); ++y)
    for (int32_t x = 0; x < surface->Width(); ++x) out.push_back(surface->PixelAt(x, y) & surface->Format().RgbMask());
  return out;
}

uint64_t Calls(TestDisplay& t, const char* name) { return t.display->GetD3D()->GetDevice()->CallCount(name); }

class D3DDrawTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(D3DDrawTest, AScreenSizedBlitIsOneQuadPerPieceAndEqualsTheSoftwareRoute) {
  for (int32_t limit : {2048, 256}) {
    DeviceCaps caps;
    caps.mMaxTextureWidth = caps.mMaxTextureHeight = limit;
    auto soft = MakeDisplay(GetParam(), false, 1024, 768);
    auto hard = MakeDisplay(GetParam(), true, 1024, 768, caps);
    // Opaque and colour-keyed pixels only: both routes must give the same stored pixels.
    auto a = RandomImage(soft->display.get(), 1024, 768, {255, 255, 255, 0}, 7);
    auto b = RandomImage(hard->display.get(), 1024, 768, {255, 255, 255, 0}, 7);
    soft->display->GetScreenImage()->FillRect(Rect(0, 0, 1024, 768), Color(10, 20, 30), 0);
    hard->display->GetScreenImage()->FillRect(Rect(0, 0, 1024, 768), Color(10, 20, 30), 0);
    const uint64_t strips = Calls(*hard, "DrawPrimitive TriangleStrip");
    soft->display->GetScreenImage()->Blit(a.get(), 0, 0, a->GetRect(), Color::White, 0);
    hard->display->GetScreenImage()->Blit(b.get(), 0, 0, b->GetRect(), Color::White, 0);
    EXPECT_EQ(Calls(*hard, "DrawPrimitive TriangleStrip") - strips, limit == 2048 ? 2u : 12u);
    EXPECT_EQ(Screen(soft->display.get()), Screen(hard->display.get())) << limit;
    // A part crossing piece edges, placed partly off the screen: no seams, nothing shifted.
    const Rect part(200, 190, 700, 400);
    soft->display->GetScreenImage()->Blit(a.get(), -37, 411, part, Color::White, 0);
    hard->display->GetScreenImage()->Blit(b.get(), -37, 411, part, Color::White, 0);
    EXPECT_EQ(Screen(soft->display.get()), Screen(hard->display.get())) << limit;
  }
}

TEST_P(D3DDrawTest, AdditiveAndColourisedDrawsStayWithinAStepOfTheSoftwareRoute) {
  auto soft = MakeDisplay(GetParam(), false, 96, 64);
  auto hard = MakeDisplay(GetParam(), true, 96, 64);
  auto sa = RandomImage(soft->display.get(), 40, 30, {0, 60, 128, 200, 255}, 3);
  auto ha = RandomImage(hard->display.get(), 40, 30, {0, 60, 128, 200, 255}, 3);
  auto sb = RandomImage(soft->display.get(), 96, 64, {255}, 4);
  auto hb = RandomImage(hard->display.get(), 96, 64, {255}, 4);
  struct Draw {
    Color color;
    int32_t mode;
  };
  for (const Draw& d : {Draw{Color::White, 1}, Draw{Color(200, 100, 50, 180), 0}, Draw{Color(90, 255, 30, 255), 1},
                        Draw{Color::White, 0}}) {
    for (auto* t : {soft.get(), hard.get()}) {
      DDImage* screen = t->display->GetScreenImage();
      screen->Blit(t == soft.get() ? sb.get() : hb.get(), 0, 0, Rect(0, 0, 96, 64), Color::White, 0);
      screen->Blit(t == soft.get() ? sa.get() : ha.get(), 13, 9, Rect(0, 0, 40, 30), d.color, d.mode);
      screen->FillRect(Rect(60, 5, 30, 50), d.color, d.mode);
    }
    const std::vector<uint32_t> s = Screen(soft->display.get()), h = Screen(hard->display.get());
    const PixelFormat f = PixelFormat::FromDepth(GetParam());
    // In the channel's own units: 2 at 8 bits. At 5 or 6 bits the software loops blend in the
    // channel's own units, truncating the destination's share and the premultiplied source each
    // (up to two steps darker than exact, which the device is within one step of): 3.
    const int32_t tolerance = GetParam() == 32 ? 2 : 3;
    int32_t worst = 0;
    for (size_t i = 0; i < s.size(); ++i)
      for (uint32_t mask : {f.mRedMask, f.mGreenMask, f.mBlueMask}) {
        const int32_t shift = std::countr_zero(mask);
        const int32_t diff = std::abs(int32_t((s[i] & mask) >> shift) - int32_t((h[i] & mask) >> shift));
        worst = std::max(worst, diff);
      }
    EXPECT_LE(worst, tolerance) << "mode " << d.mode << " colour " << d.color.ToARGB();
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, D3DDrawTest, ::testing::Values(32, 16, 15));

TEST(D3DDraw, ASinglePieceTriangleListIsOneCallAndLinesLightTheirEnds) {
  auto t = MakeDisplay(32, true, 64, 48);
  auto image = RandomImage(t->display.get(), 32, 32, {255}, 9);
  std::vector<TriVertex> v;
  for (int32_t i = 0; i < 10; ++i) {
    const float x = float(2 + i * 5);
    v.push_back({x, 2, 0, 0, 0});
    v.push_back({x + 4, 2, 1, 0, 0});
    v.push_back({x, 30, 0, 1, 0});
  }
  const uint64_t draws = Calls(*t, "DrawPrimitive");
  t->display->GetScreenImage()->BlitTriangles(image.get(), reinterpret_cast<const TriVertex(*)[3]>(v.data()), 10,
                                              Rect(0, 0, 64, 48), Color::White, 0, 0, 0, false);
  EXPECT_EQ(Calls(*t, "DrawPrimitive") - draws, 1u);
  EXPECT_EQ(Calls(*t, "DrawPrimitive TriangleList"), 1u);

  DDImage* screen = t->display->GetScreenImage();
  screen->FillRect(Rect(0, 0, 64, 48), Color::Black, 0);
  screen->DrawLine(3, 40, 20, 44, Color::White, 0);
  screen->DrawLine(50, 30, 50, 10, Color::White, 0);
  const uint32_t* bits = screen->GetBits();
  for (auto [x, y] : {std::pair{3, 40}, {20, 44}, {50, 30}, {50, 10}}) EXPECT_EQ(bits[y * 64 + x], 0xFFFFFFFFu) << x;
  EXPECT_EQ(bits[9 * 64 + 50], 0xFF000000u);
}

TEST(D3DDraw, NothingLandsOutsideTheClip) {
  DeviceCaps small;
  small.mMaxTextureWidth = small.mMaxTextureHeight = 32;  // several pieces for bigger images
  auto t = MakeDisplay(32, true, 128, 96, small);
  DDImage* screen = t->display->GetScreenImage();
  const Rect clip(20, 15, 60, 40);
  const uint32_t sentinel = 0xFF123456u;
  auto one = RandomImage(t->display.get(), 30, 20, {255}, 1);
  auto many = RandomImage(t->display.get(), 90, 70, {255}, 2);
  auto check = [&](const char* what, int32_t i) {
    const uint32_t* bits = screen->GetBits();
    int32_t outside = 0, inside = 0;
    for (int32_t y = 0; y < 96; ++y)
      for (int32_t x = 0; x < 128; ++x) {
        const bool in = x >= clip.mX && x < clip.mX + clip.mWidth && y >= clip.mY && y < clip.mY + clip.mHeight;
        const bool changed = bits[y * 128 + x] != sentinel;
        outside += !in && changed;
        inside += in && changed;
      }
    EXPECT_EQ(outside, 0) << what << " " << i;
    EXPECT_GT(inside, 0) << what << " " << i;
    screen->FillRect(Rect(0, 0, 128, 96), Color::FromARGB(sentinel), 0);
  };
  screen->FillRect(Rect(0, 0, 128, 96), Color::FromARGB(sentinel), 0);
  for (int32_t i = 0; i < 36; ++i) {
    const double angle = i * 0.1745;
    for (DDImage* image : {one.get(), many.get()}) {
      screen->BlitRotated(image, 30.0f + float(i % 5), 20.0f, image->GetRect(), clip, Color::White, 0, angle, 15, 10);
      check("rotated", i);
    }
    Matrix3 m;
    m.Scale(1.5f, 0.7f);
    m.RotateRad(float(angle));
    screen->BlitMatrix(many.get(), 50, 35, m, clip, Color::White, 0, many->GetRect(), true, ImageMask());
    check("matrix", i);
    // Triangles reaching out of the clip, on one piece and on several.
    const float c = float(std::cos(angle)) * 60, s = float(std::sin(angle)) * 60;
    const TriVertex tri[3] = {{50, 35, 0.5f, 0.5f, 0}, {50 + c, 35 + s, 1, 0, 0}, {50 - s, 35 + c, 0, 1, 0}};
    screen->BlitTriangles(one.get(), &tri, 1, clip, Color::White, 0, 0, 0, i % 2 == 0);
    check("one piece", i);
    screen->BlitTriangles(many.get(), &tri, 1, clip, Color::White, 0, 0, 0, i % 2 == 0);
    check("pieces", i);
    const VeskVector2 poly[4] = {{50, 35}, {50 + c, 35 + s}, {50 + c - s, 35 + s + c}, {50 - s, 35 + c}};
    EXPECT_TRUE(screen->FillPolygon3D(poly, 4, &clip, Color(200, 10, 10, 255), 0, 0, 0));
    check("polygon", i);
  }
}

TEST(D3DDraw, ACornerOnTheClipsRightOrBottomEdgeTakesTheClippedFan) {
  auto t = MakeDisplay(32, true, 64, 48);
  D3DInterface& d = *t->display->GetD3D();
  auto image = RandomImage(t->display.get(), 10, 10, {255}, 5);
  const Rect clip(10, 10, 30, 20);
  struct Case {
    float x, y;
    bool fan;
  };
  // Corners lie half a pixel up and left of the position.
  for (const Case& c : {Case{10.5f, 10.5f, false}, Case{30.5f, 12.5f, true}, Case{12.5f, 20.5f, true},
                        Case{29.5f, 19.5f, false}}) {
    const uint64_t fans = Calls(*t, "DrawPrimitive TriangleFan"), strips = Calls(*t, "DrawPrimitive TriangleStrip");
    d.BlitTransformed(image.get(), &clip, Color::White, 0, image->GetRect(), Matrix3(), false, c.x, c.y, false);
    EXPECT_EQ(Calls(*t, "DrawPrimitive TriangleFan") - fans, c.fan ? 1u : 0u) << c.x << "," << c.y;
    EXPECT_EQ(Calls(*t, "DrawPrimitive TriangleStrip") - strips, c.fan ? 0u : 1u) << c.x << "," << c.y;
  }
}

TEST(D3DDraw, WhilePrepareDrawRefusesNothingIsDrawnAndNoErrorKept) {
  auto t = MakeDisplay(32, true, 64, 48);
  D3DInterface& d = *t->display->GetD3D();
  DDImage* screen = t->display->GetScreenImage();
  auto image = RandomImage(t->display.get(), 16, 16, {255}, 6);
  screen->FillRect(Rect(0, 0, 64, 48), Color::Black, 0);
  d.Flush();
  const std::vector<uint32_t> before = Screen(t->display.get());
  auto drawAll = [&] {
    screen->FillRect(Rect(1, 1, 20, 20), Color::White, 0);
    screen->Blit(image.get(), 5, 5, image->GetRect(), Color::White, 0);
    screen->DrawLine(0, 0, 40, 30, Color::White, 0);
  };
  t->app.mNoDrawing = true;
  drawAll();
  t->app.mNoDrawing = false;
  // A lost surface: the scene cannot start.
  d.GetDevice()->FailCall("SetRenderTarget", Result::Generic);
  drawAll();
  EXPECT_TRUE(d.mRenderTargetLost);
  EXPECT_EQ(Screen(t->display.get()), before);
  EXPECT_TRUE(d.mLastD3DError.empty());
  EXPECT_TRUE(t->display->Redraw(nullptr));
  EXPECT_TRUE(t->display->mIs3D);
  // Once the surface is back, drawing goes on.
  d.GetDevice()->FailCall("SetRenderTarget", Result::Ok);
  drawAll();
  EXPECT_FALSE(d.mRenderTargetLost);
  EXPECT_NE(Screen(t->display.get()), before);
}

}  // namespace
