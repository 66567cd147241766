#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "display/support/DisplayFixture.h"
#include "graphics/Graphics.h"

using Vesk::DDImage;
using Vesk::MemoryImage;

namespace {
std::unique_ptr<DDImage> FromPixels(Vesk::DDInterface* d, std::vector<uint32_t> px, int32_t w, int32_t h) {
  auto image = d->CreateImage();
  image->SetBits(px.data(), w, h);
  return image;
}
}  // namespace

TEST(DDImage, SixteenBitColourKeyAvoidsEveryVisibleColour) {
  TestDisplay t(16);
  ASSERT_EQ(t.Init(), 0);
  // The transparent pixel's colour converts to the same 565 value as the opaque one beside it.
  auto image = FromPixels(t.display.get(), {0x00FF0000, 0xFFFC0204, 0xFF000000, 0xFF000020}, 4, 1);
  ASSERT_NE(image->GetSurface(), nullptr);
  auto* s = image->GetSurface();
  ASSERT_TRUE(s->HasColorKey());
  EXPECT_EQ(s->ColorKey(), 1u);  // 0 (black), 4 (0x000020) and 0xF800 are visible
  EXPECT_EQ(s->PixelAt(0, 0), 1u);
  EXPECT_EQ(s->PixelAt(1, 0), 0xF800u);

  // Every opaque pixel survives a keyed copy onto the screen.
  auto* screen = t.display->GetScreenImage();
  Vesk::Graphics g(screen);
  g.SetColor(Color(0, 0, 255));
  g.FillRect(0, 0, 64, 48);
  g.DrawImage(image.get(), 0, 0);
  const uint32_t* px = screen->GetBits();
  EXPECT_EQ(px[0], 0xFF0000F8u);  // the screen shows through
  EXPECT_EQ(px[1], 0xFFF80000u);
  EXPECT_EQ(px[2], 0xFF000000u);
  EXPECT_EQ(px[3], 0xFF000000u | 0x20u);

  // All opaque but flagged transparent: key 0, unless some pixel is black.
  auto opaque = FromPixels(t.display.get(), {0xFFFFFFFF, 0xFF808080}, 2, 1);
  opaque->SetImageMode(true, false);
  EXPECT_EQ(opaque->GetSurface()->ColorKey(), 0u);
  auto withBlack = FromPixels(t.display.get(), {0xFF000000, 0xFF808080}, 2, 1);
  withBlack->SetImageMode(true, false);
  EXPECT_EQ(withBlack->GetSurface()->ColorKey(), 1u);
}

TEST(DDImage, ThirtyTwoBitColourKeyComparesColourOnly) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  auto image = FromPixels(t.display.get(), {0x00FF0000, 0xFFFF0000, 0xFF000000, 0x00000000}, 2, 2);
  auto* s = image->GetSurface();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ColorKey(), 1u);  // red and black are visible
  // Read back from the surface alone: the keyed pixels are transparent, red stays red.
  image->DeleteMemoryBuffers();
  const uint32_t* px = image->GetBits();
  EXPECT_EQ(px[0], 0u);
  EXPECT_EQ(px[1], 0xFFFF0000u);
  EXPECT_EQ(px[2], 0xFF000000u);
  EXPECT_EQ(px[3], 0u);
  EXPECT_EQ(px[4], MemoryImage::kSentinel);
}

TEST(DDImage, ReadBackKeepsTheTopBitsOfEachChannel) {
  for (int32_t depth : {32, 16, 15}) {
    TestDisplay t(depth);
    ASSERT_EQ(t.Init(), 0);
    auto image = FromPixels(t.display.get(), {0xFFFFFFFF, 0xFF123456}, 2, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->DeleteMemoryBuffers();
    const uint32_t* px = image->GetBits();
    ASSERT_NE(px, nullptr);
    uint32_t white = depth == 32 ? 0xFFFFFFFF : depth == 16 ? 0xFFF8FCF8 : 0xFFF8F8F8;
    EXPECT_EQ(px[0], white) << depth;
    EXPECT_EQ(px[1], depth == 32 ? 0xFF123456u : depth == 16 ? 0xFF103450u : 0xFF103050u) << depth;
  }
}

TEST(DDImage, NestedLocksLockTheSurfaceOnce) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  auto image = MakeImage(t.display.get(), 4, 4, 0xFF000000);
  auto* s = image->GetSurface();
  uint64_t before = s->LockCount();  // generation locks once to fill it
  ASSERT_TRUE(image->LockSurface());
  ASSERT_TRUE(image->LockSurface());
  EXPECT_EQ(s->LockCount(), before + 1);
  EXPECT_TRUE(image->UnlockSurface());
  EXPECT_TRUE(s->IsLocked());
  EXPECT_TRUE(image->UnlockSurface());
  EXPECT_FALSE(s->IsLocked());
  EXPECT_FALSE(image->UnlockSurface());
  EXPECT_EQ(image->GetLockCount(), 0);
}

TEST(DDImage, AnImageWithAlphaNeverGetsASurfaceAndDrawsInMemory) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  auto image = MakeImage(t.display.get(), 4, 4, 0x80FF0000);
  EXPECT_EQ(image->GetSurface(), nullptr);
  EXPECT_FALSE(image->GenerateSurfaceWithColorKey());
  image->FillRect(Rect(0, 0, 2, 2), Color(0, 0, 255), 0);
  auto glass = MakeImage(t.display.get(), 2, 2, 0xFF00FF00);
  image->BlitMirrored(glass.get(), 2, 2, Rect(0, 0, 2, 2), Color::White, 0);
  EXPECT_FALSE(image->HasSurface());
  EXPECT_EQ(image->GetBits()[0], 0xFF0000FFu);
  EXPECT_EQ(image->GetBits()[15], 0xFF00FF00u);
  EXPECT_EQ(image->GetBits()[3], 0x80FF0000u);
}

TEST(DDImage, ASurfaceDrawFreesTheMemoryCopiesAndGetBitsRebuildsThem) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  auto image = MakeImage(t.display.get(), 4, 4, 0xFF000000);
  image->GetAlphaRuns();
  int32_t changes = image->mBitsChangedCount;
  image->FillRect(Rect(1, 1, 2, 2), Color(255, 255, 255), 0);
  EXPECT_TRUE(image->HasSurface());
  EXPECT_EQ(image->mBits, nullptr);
  EXPECT_EQ(image->mRLAlphaData, nullptr);
  EXPECT_GT(image->mBitsChangedCount, changes);
  const uint32_t* px = image->GetBits();
  // White stays white at 32 bits.
  EXPECT_EQ(px[5], 0xFFFFFFFFu);
  EXPECT_EQ(px[0], 0xFF000000u);
  // New pixels replace the surface.
  image->SetBits(std::vector<uint32_t>(16, 0xFF0000FF).data(), 4, 4);
  EXPECT_FALSE(image->HasSurface());
  EXPECT_EQ(image->GetBits()[5], 0xFF0000FFu);
}

TEST(DDImage, WithoutADisplayDeviceOpaqueImagesStillDrawInMemory) {
  Vesk::VeskAppBase app;
  Vesk::DDInterface display(&app);
  auto image = MakeImage(&display, 4, 4, 0xFF000000);
  image->FillRect(Rect(0, 0, 4, 4), Color(10, 20, 30), 0);
  ASSERT_NE(image->mBits, nullptr);
  EXPECT_EQ(image->GetBits()[15], 0xFF0A141Eu);
}

TEST(DDImage, RectangleFillsFollowTheSurfaceArithmetic) {
  struct Case {
    int32_t depth;
    Color color;
    int32_t mode;
    uint32_t before, after;
  } cases[] = {
      {32, Color(255, 255, 255), 0, 0, 0xFFFFFF},
      {16, Color(255, 255, 255), 0, 0, 0xFFFF},
      {32, Color(255, 255, 255, 128), 0, 0, 0x7F7F7F},
      {32, Color(0, 0, 0, 128), 0, 0xFFFFFF, 0x7F7F7F},
      {16, Color(255, 0, 0, 255), 1, 0x8000, 0xF800},      // additive saturates
      {32, Color(100, 50, 0, 255), 1, 0x808080, 0xE4B280},
  };
  for (const Case& c : cases) {
    TestDisplay t(c.depth);
    ASSERT_EQ(t.Init(), 0);
    auto image = MakeImage(t.display.get(), 2, 1, 0xFF000000);
    auto* s = image->GetSurface();
    ASSERT_NE(s, nullptr);
    s->Fill(nullptr, c.before);
    image->DeleteMemoryBuffers();
    image->FillRect(Rect(0, 0, 1, 1), c.color, c.mode);
    EXPECT_EQ(s->PixelAt(0, 0), c.after) << c.depth << " mode " << c.mode;
    EXPECT_EQ(s->PixelAt(1, 0), c.before);
  }
}

TEST(DDImage, StraightLinesBecomeFillsAndOtherLinesMatchTheMemoryRoute) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  auto image = MakeImage(t.display.get(), 16, 12, 0xFF000000);
  image->DrawLine(10.7, 5, 3.2, 5, Color(255, 0, 0), 0);
  image->DrawLine(1, 9.9, 1, 7.5, Color(0, 255, 0), 0);
  image->DrawLine(0, 0, 15, 11, Color(0, 0, 255), 0);
  image->DrawLineSmooth(15, 0, 0, 11, Color(255, 255, 0), 1);  // additive smooth lines draw nothing
  MemoryImage ref(16, 12);
  ref.FillRect(Rect(0, 0, 16, 12), Color::Black, 0);
  ref.FillRect(Rect(3, 5, 8, 1), Color(255, 0, 0), 0);
  ref.FillRect(Rect(1, 7, 1, 3), Color(0, 255, 0), 0);
  ref.DrawLine(0, 0, 15, 11, Color(0, 0, 255), 0);
  const uint32_t* px = image->GetBits();
  for (int i = 0; i < 16 * 12; ++i) ASSERT_EQ(px[i], ref.GetBits()[i]) << i;
}

TEST(DDImage, SurfaceRouteBlitsAgreeWithTheMemoryRoute) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  std::vector<uint32_t> sprite(36);
  for (size_t i = 0; i < sprite.size(); ++i) sprite[i] = (uint32_t(i * 7) << 24) | uint32_t(i * 0x030507);
  auto src = FromPixels(t.display.get(), sprite, 6, 6);
  auto keyed = FromPixels(t.display.get(), {0xFFFF00FF, 0, 0xFF00FFFF, 0xFF102030}, 2, 2);
  auto dst = MakeImage(t.display.get(), 12, 10, 0xFF404040);
  ASSERT_NE(keyed->GetSurface(), nullptr);  // copied surface to surface
  MemoryImage ref(12, 10);
  ref.FillRect(Rect(0, 0, 12, 10), Color(0x40, 0x40, 0x40), 0);
  auto both = [&](auto op) {
    op(static_cast<Vesk::Image&>(*dst));
    op(static_cast<Vesk::Image&>(ref));
  };
  both([&](Vesk::Image& d) { d.Blit(src.get(), 1, 1, Rect(0, 0, 6, 6), Color::White, 0); });
  both([&](Vesk::Image& d) { d.Blit(src.get(), 5, 3, Rect(1, 1, 5, 5), Color(200, 100, 50, 180), 1); });
  both([&](Vesk::Image& d) { d.Blit(keyed.get(), 9, 7, Rect(0, 0, 2, 2), Color::White, 0); });
  both([&](Vesk::Image& d) { d.BlitMirrored(keyed.get(), 0, 8, Rect(0, 0, 2, 2), Color::White, 0); });
  EXPECT_TRUE(dst->HasSurface());
  EXPECT_TRUE(keyed->HasSurface());
  const uint32_t* px = dst->GetBits();
  const uint32_t* rx = ref.GetBits();
  // The surface loops round their blends a little differently.
  auto near = [](uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(int32_t((a >> shift) & 255) - int32_t((b >> shift) & 255)) > 2) return false;
    return true;
  };
  for (int i = 0; i < 12 * 10; ++i) ASSERT_TRUE(near(px[i], rx[i])) << i << ": " << std::hex << px[i] << " " << rx[i];
  EXPECT_EQ(src->mDrawn, 1);
}

TEST(DDImage, CoverageSpansBlendIntoTheSurface) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  auto image = MakeImage(t.display.get(), 8, 4, 0xFF000000);
  Vesk::Span spans[] = {{1, 2, 3}, {2, -5, 100}};
  std::vector<uint8_t> coverage(8 * 4, 255);
  coverage[1 * 8 + 3] = 127;
  image->FillSpansCoverage(spans, 2, Color(255, 255, 255), 0, coverage.data(), 0, 0, 8, 0);
  EXPECT_TRUE(image->HasSurface());
  const uint32_t* px = image->GetBits();
  // The colour is scaled by the mask (255 -> 254) and blended with alpha 255 of 256.
  EXPECT_EQ(px[1 * 8 + 2], 0xFFFDFDFDu);
  EXPECT_EQ(px[1 * 8 + 3], 0xFF7E7E7Eu);
  EXPECT_EQ(px[1 * 8 + 5], 0xFF000000u);
  EXPECT_EQ(px[2 * 8 + 7], 0xFFFDFDFDu);  // clipped to the image
}
