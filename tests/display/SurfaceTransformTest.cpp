#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "display/support/SurfaceLayouts.h"

using Vesk::DDImage;
using Vesk::MemoryImage;

namespace {
std::vector<uint32_t> Opaque(int32_t w, int32_t h) {
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t(i * 0x2F1B07 + 0x102030);
  return px;
}
}  // namespace

TEST(SurfaceStretch, DoublingRepeatsEveryColumnFromMemoryAndFromASurface) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    std::vector<uint32_t> px = Opaque(4, 2);
    auto memory = std::make_unique<MemoryImage>();
    memory->SetBits(px.data(), 4, 2);
    auto surface = MakeImage(t->display.get(), 1, 1, 0);
    surface->SetBits(px.data(), 4, 2);
    ASSERT_NE(surface->GetSurface(), nullptr);
    for (Vesk::Image* src : {static_cast<Vesk::Image*>(memory.get()), static_cast<Vesk::Image*>(surface.get())}) {
      auto dst = SurfaceImage(t->display.get(), 8, 2, 0);
      dst->BlitStretched(src, Rect(0, 0, 8, 2), Rect(0, 0, 4, 2), Rect(0, 0, 8, 2), Color::White, 0, true);
      std::vector<uint32_t> raw = RawPixels(*dst);
      const auto fmt = dst->GetSurface()->Format();
      for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 8; ++x)
          EXPECT_EQ(raw[size_t(y * 8 + x)] & fmt.RgbMask(), Platform::Video::FromArgb(px[size_t(y * 4 + x / 2)], fmt))
              << l.name << " " << x << "," << y;
    }
  }
}

TEST(SurfaceStretch, AClippedStretchIsTheCropOfTheWholeOne) {
  TestDisplay t(16);
  ASSERT_EQ(t.Init(), 0);
  std::vector<uint32_t> px = Opaque(5, 4);
  px[3] = 0x80FF0000;  // some alpha, so the run arithmetic is exercised too
  auto src = std::make_unique<MemoryImage>();
  src->SetBits(px.data(), 5, 4);
  for (bool mirror : {false, true})
    for (int mode : {0, 1}) {
      auto whole = SurfaceImage(t.display.get(), 16, 12, 0x1111);
      auto part = SurfaceImage(t.display.get(), 16, 12, 0x1111);
      const Rect dest(1, 1, 13, 9), clip(3, 2, 6, 5);
      auto draw = [&](DDImage& d, const Rect& c) {
        if (mirror)
          d.BlitStretchedMirrored(src.get(), dest, Rect(0, 0, 5, 4), c, Color(200, 180, 160, 220), mode, true);
        else
          d.BlitStretched(src.get(), dest, Rect(0, 0, 5, 4), c, Color(200, 180, 160, 220), mode, true);
      };
      draw(*whole, Rect(0, 0, 16, 12));
      draw(*part, clip);
      std::vector<uint32_t> a = RawPixels(*whole), b = RawPixels(*part);
      for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 16; ++x)
          EXPECT_EQ(b[size_t(y * 16 + x)], clip.Contains(x, y) ? a[size_t(y * 16 + x)] : 0x1111u)
              << mirror << " " << mode << " " << x << "," << y;
    }
  // A one-pixel-wide destination shows the same column mirrored or not.
  auto a = SurfaceImage(t.display.get(), 3, 4, 0);
  auto b = SurfaceImage(t.display.get(), 3, 4, 0);
  a->BlitStretched(src.get(), Rect(1, 0, 1, 4), Rect(0, 0, 5, 4), Rect(0, 0, 3, 4), Color::White, 0, true);
  b->BlitStretchedMirrored(src.get(), Rect(1, 0, 1, 4), Rect(0, 0, 5, 4), Rect(0, 0, 3, 4), Color::White, 0, true);
  EXPECT_EQ(RawPixels(*a), RawPixels(*b));
}

TEST(SurfaceStretch, TheFilteredStretchAppliesTheColourOnce) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  auto src = std::make_unique<MemoryImage>();
  src->SetBits(std::vector<uint32_t>(4, 0xFFFFFFFF).data(), 2, 2);
  auto dst = SurfaceImage(t.display.get(), 4, 4, 0);
  dst->BlitStretched(src.get(), Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color(128, 128, 128), 0, false);
  for (uint32_t p : ArgbPixels(*dst)) EXPECT_LE(ChannelDistance(p, 0xFF808080), 1);
}

TEST(SurfaceRotate, QuarterTurnsAreCloseToCopiesAndNoAngleCrashes) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    std::vector<uint32_t> px = Opaque(4, 4);
    auto src = std::make_unique<MemoryImage>();
    src->SetBits(px.data(), 4, 4);
    const auto fmt = t->display->GetScreenImage()->GetSurface()->Format();
    auto shown = [&](uint32_t argb) { return Platform::Video::ToArgb(Platform::Video::FromArgb(argb, fmt), fmt); };
    const int32_t tolerance = l.depth == 32 ? 3 : 9;
    // No turn: the picture lands where a plain blit would put it.
    auto dst = SurfaceImage(t->display.get(), 8, 8, 0);
    dst->BlitAtFloat(src.get(), 2, 3, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0);
    std::vector<uint32_t> out = ArgbPixels(*dst);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x)
        EXPECT_LE(ChannelDistance(out[size_t((y + 3) * 8 + x + 2)], shown(px[size_t(y * 4 + x)])), tolerance) << l.name;
    EXPECT_EQ(out[0], 0xFF000000u);
    // A quarter turn about the centre: destination (X, Y) shows source (2 - (Y - 4), 2 + (X - 4)).
    auto turned = SurfaceImage(t->display.get(), 8, 8, 0);
    turned->BlitRotated(src.get(), 2, 2, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, M_PI / 2, 2, 2);
    out = ArgbPixels(*turned);
    for (int32_t Y = 2; Y < 6; ++Y)
      for (int32_t X = 2; X < 6; ++X) {
        int32_t sx = 2 - (Y - 4), sy = 2 + (X - 4);
        if (sx < 0 || sx > 3 || sy < 0 || sy > 3) continue;
        EXPECT_LE(ChannelDistance(out[size_t(Y * 8 + X)], shown(px[size_t(sy * 4 + sx)])), tolerance)
            << l.name << " " << X << "," << Y;
      }
    // Every angle, both modes, colours, the clip at the edges, and hostile values.
    for (double angle = -7; angle < 7; angle += 0.37)
      for (int mode : {0, 1}) {
        auto any = SurfaceImage(t->display.get(), 6, 5, 0x2222);
        any->BlitRotated(src.get(), -1.5f, 2.25f, Rect(0, 0, 4, 4), Rect(0, 0, 6, 5), Color(90, 200, 30, 150), mode,
                         angle, 1.7f, 2.2f);
        any->BlitRotated(src.get(), 3, 3, Rect(-2, 1, 9, 9), Rect(-5, -5, 50, 50), Color::White, mode, angle, 0, 0);
      }
    dst->BlitRotated(src.get(), NAN, 0, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, 1e300, 0, 0);
  }
}
