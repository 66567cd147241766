#include <gtest/gtest.h>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "support/PixelReference.h"

using Vesk::Graphics;
using Vesk::Image;
using Vesk::MemoryImage;

namespace {

// Records what the drawing context hands to the image.
class SpyImage : public MemoryImage {
 public:
  SpyImage(int w, int h) : MemoryImage(w, h) {}
  struct Call {
    std::string op;
    Rect rect, srcRect, clip;
    int x = 0, y = 0;
    float fx = 0, fy = 0;
    Color color;
    int mode = -1;
    bool flag = false;
    Image* mask = nullptr;
    Matrix3 matrix;
  };
  std::vector<Call> calls;

  Call& Add(const char* op, const Color& c, int32_t mode) {
    calls.emplace_back();
    calls.back().op = op;
    calls.back().color = c;
    calls.back().mode = mode;
    return calls.back();
  }
  void FillRect(const Rect& r, const Color& c, int32_t mode) override {
    Add("FillRect", c, mode).rect = r;
    MemoryImage::FillRect(r, c, mode);
  }
  void Blit(Image* src, int32_t x, int32_t y, const Rect& sr, const Color& c, int32_t mode) override {
    Call& call = Add("Blit", c, mode);
    call.srcRect = sr;
    call.x = x;
    call.y = y;
    MemoryImage::Blit(src, x, y, sr, c, mode);
  }
  void BlitMirrored(Image* src, int32_t x, int32_t y, const Rect& sr, const Color& c, int32_t mode) override {
    Call& call = Add("BlitMirrored", c, mode);
    call.srcRect = sr;
    call.x = x;
    call.y = y;
    MemoryImage::BlitMirrored(src, x, y, sr, c, mode);
  }
  void BlitStretchedMirrored(Image*, const Rect& d, const Rect& sr, const Rect& clip, const Color& c, int32_t mode,
                             bool fast) override {
    Call& call = Add("BlitStretchedMirrored", c, mode);
    call.rect = d;
    call.srcRect = sr;
    call.clip = clip;
    call.flag = fast;
  }
  void BlitMatrix(Image* src, float x, float y, const Matrix3& m, const Rect& clip, const Color& c, int32_t mode,
                  const Rect& sr, bool linear, const Vesk::ImageMask& mask) override {
    Call& call = Add("BlitMatrix", c, mode);
    call.srcRect = sr;
    call.clip = clip;
    call.fx = x;
    call.fy = y;
    call.flag = linear;
    call.mask = mask.mImage;
    call.matrix = m;
    MemoryImage::BlitMatrix(src, x, y, m, clip, c, mode, sr, linear, mask);
  }
};

}  // namespace

TEST(Graphics, FillRectTranslatesClipsAndSkipsZeroAlpha) {
  SpyImage dst(20, 10);
  Graphics g(&dst);
  g.Translate(5, 2);
  g.SetClipRect(0, 0, 10, 5);  // (5, 2, 10, 5) on the image
  EXPECT_EQ(g.GetClipRect(), Rect(5, 2, 10, 5));
  g.SetColor(Color(1, 2, 3, 255));
  g.FillRect(-2, -2, 6, 6);
  ASSERT_EQ(dst.calls.size(), 1u);
  EXPECT_EQ(dst.calls[0].rect, Rect(5, 2, 4, 4));
  g.SetColor(Color(1, 2, 3, 0));
  g.FillRect(0, 0, 5, 5);
  EXPECT_EQ(dst.calls.size(), 1u);
  // The clip never leaves the destination.
  g.ClearClipRect();
  g.SetClipRect(-100, -100, 1000, 1000);
  EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 20, 10));
}

TEST(Graphics, ImagesAreColourisedOnlyWhenAsked) {
  SpyImage dst(8, 8);
  auto src = ref::RandomOpaque(4, 4, 1);
  Graphics g(&dst);
  g.SetColor(Color(10, 20, 30, 40));
  g.SetDrawMode(Vesk::DRAWMODE_ADDITIVE);
  g.DrawImage(src.get(), 1, 1);
  ASSERT_EQ(dst.calls.size(), 1u);
  EXPECT_EQ(dst.calls[0].color, Color::White);
  EXPECT_EQ(dst.calls[0].mode, 1);
  g.SetColorizeImages(true);
  EXPECT_TRUE(g.GetColorizeImages());
  g.DrawImage(src.get(), 1, 1);
  EXPECT_EQ(dst.calls[1].color, Color(10, 20, 30, 40));
}

TEST(Graphics, DrawImageClipsTheSourceWithTheDestination) {
  SpyImage dst(10, 10);
  auto src = ref::RandomSprite(6, 6, 2);
  Graphics g(&dst);
  g.SetClipRect(2, 2, 5, 5);
  g.DrawImage(src.get(), 0, 4, Rect(0, 0, 6, 6));
  ASSERT_EQ(dst.calls.size(), 1u);
  EXPECT_EQ(dst.calls[0].x, 2);
  EXPECT_EQ(dst.calls[0].y, 4);
  EXPECT_EQ(dst.calls[0].srcRect, Rect(2, 0, 4, 3));
  g.DrawImage(src.get(), 50, 50);
  EXPECT_EQ(dst.calls.size(), 1u);
}

TEST(Graphics, DrawImageMirroredSameSizeAndStretched) {
  SpyImage dst(10, 4);
  auto src = ref::RandomOpaque(6, 2, 3);
  Graphics g(&dst);
  g.SetClipRect(0, 0, 4, 4);
  // Mirrored at x = 1: the right two columns fall outside the clip, so the source loses its left two.
  g.DrawImageMirrored(src.get(), Rect(1, 0, 6, 2), src->GetRect(), true);
  ASSERT_EQ(dst.calls.size(), 1u);
  EXPECT_EQ(dst.calls[0].op, "BlitMirrored");
  EXPECT_EQ(dst.calls[0].x, 1);
  EXPECT_EQ(dst.calls[0].srcRect, Rect(3, 0, 3, 2));
  // Pixel check: destination column 1 shows the source's last column.
  EXPECT_EQ(dst.GetBits()[1], src->GetBits()[5]);
  EXPECT_EQ(dst.GetBits()[3], src->GetBits()[3]);
  EXPECT_EQ(dst.GetBits()[4], 0u);
  g.DrawImageMirrored(src.get(), Rect(0, 0, 3, 1), src->GetRect(), true);
  ASSERT_EQ(dst.calls.size(), 2u);
  EXPECT_EQ(dst.calls[1].op, "BlitStretchedMirrored");
  EXPECT_EQ(dst.calls[1].clip, Rect(0, 0, 4, 4));
  // Not mirrored and the same size: a plain blit.
  g.DrawImageMirrored(src.get(), Rect(0, 0, 6, 2), src->GetRect(), false);
  EXPECT_EQ(dst.calls[2].op, "Blit");
}

TEST(Graphics, DrawImageMatrixPassesColourClipAndMask) {
  SpyImage dst(16, 16);
  auto src = ref::RandomOpaque(4, 4, 4);
  MemoryImage mask(4, 4);
  Graphics g(&dst);
  g.Translate(2, 3);
  g.SetColor(Color(1, 2, 3, 4));
  Matrix3 m;
  m.Scale(2, 2);
  g.DrawImageMatrix(src.get(), m, Rect(1, 1, 2, 2), 0.5f, 0.25f);
  ASSERT_EQ(dst.calls.size(), 1u);
  EXPECT_EQ(dst.calls[0].color, Color::White);
  EXPECT_FLOAT_EQ(dst.calls[0].fx, 2.5f);
  EXPECT_FLOAT_EQ(dst.calls[0].fy, 3.25f);
  EXPECT_EQ(dst.calls[0].srcRect, Rect(1, 1, 2, 2));
  EXPECT_EQ(dst.calls[0].matrix, m);
  EXPECT_EQ(dst.calls[0].mask, nullptr);
  g.SetColorizeImages(true);
  g.SetMaskImage(&mask);
  g.SetClipRect(0, 0, 4, 4);
  g.DrawImageMatrix(src.get(), m, 0, 0);
  EXPECT_EQ(dst.calls[1].mask, &mask);
  EXPECT_EQ(dst.calls[1].color, Color(1, 2, 3, 4));
  EXPECT_EQ(dst.calls[1].clip, Rect(2, 3, 4, 4));
  g.ClearMask();
  EXPECT_EQ(g.GetMaskImage(), nullptr);
}

TEST(Graphics, LinesAreClippedToTheClipRectangle) {
  MemoryImage dst(10, 10);
  Graphics g(&dst);
  g.SetClipRect(2, 0, 4, 10);
  g.SetColor(Color::White);
  g.DrawLine(-20, 5, 30, 5);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(dst.GetBits()[50 + x] != 0, x >= 2 && x < 6) << x;
  g.DrawLine(0, 0, 1, 9);  // wholly outside the clip
  for (int y = 0; y < 10; ++y) EXPECT_EQ(dst.GetBits()[y * 10], 0u);
}

TEST(Graphics, ScaleStretchesAboutTheOrigin) {
  MemoryImage dst(8, 8);
  auto src = ref::MakeImage(2, 2, [](int, int) { return 0xFFFF0000u; });
  Graphics g(&dst);
  g.SetFastStretch(true);
  g.SetScale(2, 2, 0, 0);
  g.DrawImage(src.get(), 1, 1);
  int lit = 0;
  for (int i = 0; i < 64; ++i) lit += dst.GetBits()[i] != 0;
  EXPECT_EQ(lit, 16);
  EXPECT_EQ(dst.GetBits()[2 * 8 + 2], 0xFFFF0000u);
  EXPECT_EQ(dst.GetBits()[1 * 8 + 1], 0u);
  // Translated (a widget inside its parent), scaled about its own corner: the picture shrinks
  // toward that corner and does not move.
  dst.Clear();
  Graphics t(&dst);
  t.SetFastStretch(true);
  t.Translate(4, 4);
  t.SetScale(0.5f, 0.5f, 4, 4);
  t.DrawImage(src.get(), 0, 0);
  lit = 0;
  for (int i = 0; i < 64; ++i) lit += dst.GetBits()[i] != 0;
  EXPECT_EQ(lit, 1);
  EXPECT_EQ(dst.GetBits()[4 * 8 + 4], 0xFFFF0000u);
}

TEST(Graphics, FloatRotatedAndTriangleDrawingReachTheImage) {
  MemoryImage dst(12, 12);
  auto src = ref::MakeImage(2, 2, [](int, int) { return 0xFF00FF00u; });
  Graphics g(&dst);
  g.Translate(1, 1);
  g.DrawImageF(src.get(), 2.0f, 3.0f);
  EXPECT_EQ(dst.GetBits()[4 * 12 + 3], 0xFF00FF00u);
  dst.Clear();
  // A quarter turn about the picture's centre leaves a square in place.
  g.DrawImageRotated(src.get(), 4, 4, 3.14159265358979 / 2, 1, 1);
  EXPECT_EQ(dst.GetBits()[5 * 12 + 5], 0xFF00FF00u);
  EXPECT_EQ(dst.GetBits()[6 * 12 + 6], 0xFF00FF00u);
  EXPECT_EQ(dst.GetBits()[7 * 12 + 7], 0u);
  // Triangles go to the rasteriser's entry point, which leaves the pixels alone for now.
  dst.Clear();
  TriVertex tri[1][3] = {{{0, 0, 0, 0, 0xFFFFFFFF}, {5, 0, 1, 0, 0xFFFFFFFF}, {0, 5, 0, 1, 0xFFFFFFFF}}};
  g.DrawTrianglesTex(src.get(), tri, 1);
  EXPECT_TRUE(src->mDrawn);
}
