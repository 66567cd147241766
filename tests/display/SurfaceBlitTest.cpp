#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "display/support/SurfaceLayouts.h"
#include "graphics/PixelOps.h"

using Platform::Video::FromArgb;
using Platform::Video::ToArgb;
using Vesk::DDImage;
using Vesk::MemoryImage;

namespace {

std::unique_ptr<MemoryImage> Sprite(const std::vector<uint32_t>& px, int32_t w, int32_t h) {
  auto m = std::make_unique<MemoryImage>();
  m->SetBits(px.data(), w, h);
  return m;
}

// A sprite with every alpha class: transparent, opaque and partial pixels in runs.
std::vector<uint32_t> MixedPixels(int32_t w, int32_t h) {
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (int32_t i = 0; i < w * h; ++i) {
    uint32_t rgb = (uint32_t(i * 37) & 255) << 16 | (uint32_t(i * 91 + 40) & 255) << 8 | (uint32_t(i * 13 + 7) & 255);
    uint32_t a = (i / 3) % 4 == 0 ? 0 : (i / 3) % 4 == 1 ? 255 : uint32_t(40 + i * 23 % 200);
    px[size_t(i)] = a << 24 | rgb;
  }
  return px;
}

// One channel step of a layout in 8-bit units.
int32_t Step(const SurfaceLayout& l) { return l.depth == 32 ? 1 : 8; }

// An ARGB colour as the layout shows it.
uint32_t Shown(const TestDisplay& t, uint32_t argb) {
  const auto fmt = t.display->GetScreenImage()->GetSurface()->Format();
  return ToArgb(FromArgb(argb, fmt), fmt);
}

uint32_t Rgb(const DDImage& image) { return const_cast<DDImage&>(image).GetSurface()->Format().RgbMask(); }

}  // namespace

TEST(SurfaceBlit, OpaqueCopiesAreExactAndTransparentPixelsStayUntouched) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    const auto fmt = t->display->GetScreenImage()->GetSurface()->Format();
    const uint32_t back = FromArgb(0xFF336699, fmt);
    std::vector<uint32_t> px = {0xFF123456, 0x00FFFFFF, 0xFFFFFFFF, 0xFF000000, 0x00000000, 0xFF80FF01};
    auto keyed = Sprite(px, 3, 2);
    std::vector<uint32_t> opaquePx = px;
    for (uint32_t& p : opaquePx) p |= 0xFF000000u;
    auto opaque = Sprite(opaquePx, 3, 2);
    auto table = Sprite(px, 3, 2);
    ASSERT_TRUE(table->Palettize());
    for (MemoryImage* src : {keyed.get(), opaque.get(), table.get()}) {
      auto dst = SurfaceImage(t->display.get(), 5, 4, back);
      dst->Blit(src, 1, 1, Rect(0, 0, 3, 2), Color::White, 0);
      std::vector<uint32_t> raw = RawPixels(*dst);
      const std::vector<uint32_t>& sp = src == opaque.get() ? opaquePx : px;
      for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x) {
          bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
          uint32_t s = inside ? sp[size_t(y - 1) * 3 + size_t(x - 1)] : 0;
          uint32_t want = inside && (s >> 24) == 255 ? FromArgb(s, fmt) : back;
          EXPECT_EQ(raw[size_t(y) * 5 + size_t(x)] & Rgb(*dst), want) << l.name << " at " << x << "," << y;
        }
    }
  }
}

TEST(SurfaceBlit, RunsLongerThanTheRowStopAtTheRowsEnd) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    // One run of sixteen half-transparent pixels spans both source rows.
    auto src = Sprite(std::vector<uint32_t>(16, 0x80FF8040), 8, 2);
    for (int mode : {0, 1})
      for (bool mirror : {false, true}) {
        auto dst = SurfaceImage(t->display.get(), 6, 4, 0);
        if (mirror)
          dst->BlitMirrored(src.get(), 1, 1, Rect(2, 0, 3, 2), Color::White, mode);
        else
          dst->Blit(src.get(), 1, 1, Rect(2, 0, 3, 2), Color::White, mode);
        std::vector<uint32_t> raw = RawPixels(*dst);
        for (int32_t y = 0; y < 4; ++y)
          for (int32_t x = 0; x < 6; ++x) {
            bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
            EXPECT_EQ(raw[size_t(y) * 6 + size_t(x)] != 0, inside) << l.name << " mode " << mode << " at " << x << "," << y;
          }
      }
  }
}

TEST(SurfaceBlit, ColoursScaleTheSource) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    auto src = Sprite({0xFFFFFFFF, 0xFF808080, 0x80FFFFFF}, 3, 1);
    auto dst = SurfaceImage(t->display.get(), 3, 2, 0);
    // Grey 128 halves the brightness; another colour scales each channel by its own factor.
    dst->Blit(src.get(), 0, 0, Rect(0, 0, 3, 1), Color(128, 128, 128), 0);
    dst->Blit(src.get(), 0, 1, Rect(0, 0, 3, 1), Color(255, 128, 64, 255), 0);
    std::vector<uint32_t> px = ArgbPixels(*dst);
    EXPECT_LE(ChannelDistance(px[0], Shown(*t, 0xFF808080)), Step(l)) << l.name;
    EXPECT_LE(ChannelDistance(px[1], Shown(*t, 0xFF404040)), Step(l)) << l.name;
    EXPECT_LE(ChannelDistance(px[2], Shown(*t, 0xFF404040)), Step(l)) << l.name;
    EXPECT_LE(ChannelDistance(px[3], Shown(*t, 0xFFFF8040)), Step(l)) << l.name;
    EXPECT_LE(ChannelDistance(px[5], Shown(*t, 0xFF804020)), Step(l)) << l.name;
    // A transparent colour draws nothing.
    dst->Blit(src.get(), 0, 0, Rect(0, 0, 3, 1), Color(255, 0, 0, 0), 0);
    EXPECT_EQ(ArgbPixels(*dst), px) << l.name;
  }
}

TEST(SurfaceBlit, AdditiveDrawingSaturatesAndBlackAddsNothing) {
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    const auto fmt = t->display->GetScreenImage()->GetSurface()->Format();
    const uint32_t grey = FromArgb(0xFF808080, fmt);
    // A nearly black pixel (nothing at 16 bits) starts the run of pixels that add something.
    auto src = Sprite({0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF400000, 0xFF000004, 0xFFFFFFFF}, 6, 1);
    auto dst = SurfaceImage(t->display.get(), 6, 2, grey);
    dst->Blit(src.get(), 0, 0, Rect(0, 0, 6, 1), Color::White, 1);
    dst->BlitMirrored(src.get(), 0, 1, Rect(0, 0, 6, 1), Color(255, 255, 255, 128), 1);
    std::vector<uint32_t> raw = RawPixels(*dst);
    const uint32_t rgb = fmt.RgbMask();
    EXPECT_EQ(raw[0] & rgb, rgb) << l.name;
    EXPECT_EQ(raw[1], grey) << l.name;
    EXPECT_EQ(raw[2], grey) << l.name;
    EXPECT_EQ(ToArgb(raw[3], fmt), ToArgb(FromArgb(0xFFC08080, fmt), fmt)) << l.name;
    EXPECT_EQ(raw[5] & rgb, rgb) << l.name;
    // Half-strength white mirrored: 0x80 + 0x7F.
    std::vector<uint32_t> px = ArgbPixels(*dst);
    EXPECT_LE(ChannelDistance(px[6], 0xFFFFFFFF), Step(l)) << l.name;
    EXPECT_EQ(raw[6 + 4], grey) << l.name;
    EXPECT_LE(ChannelDistance(px[6 + 2], 0xFFA08080), Step(l)) << l.name;
  }
}

TEST(SurfaceBlit, MirroredDrawingEqualsDrawingTheFlippedSource) {
  const int32_t w = 7, h = 5;
  std::vector<uint32_t> px = MixedPixels(w, h), flipped(px.size());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) flipped[size_t(y * w + x)] = px[size_t(y * w + (w - 1 - x))];
  auto src = Sprite(px, w, h);
  auto flip = Sprite(flipped, w, h);
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    for (int mode : {0, 1})
      for (Color c : {Color::White, Color(200, 100, 50, 180), Color(96, 96, 96)}) {
        auto a = SurfaceImage(t->display.get(), 10, 8, 0x1234);
        auto b = SurfaceImage(t->display.get(), 10, 8, 0x1234);
        a->BlitMirrored(src.get(), 2, 1, Rect(1, 1, 5, 4), c, mode);
        b->Blit(flip.get(), 2, 1, Rect(1, 1, 5, 4), c, mode);
        EXPECT_EQ(RawPixels(*a), RawPixels(*b)) << l.name << " mode " << mode;
      }
    // A one-pixel-wide source lands in the same column either way.
    auto a = SurfaceImage(t->display.get(), 4, 5, 0);
    auto b = SurfaceImage(t->display.get(), 4, 5, 0);
    a->BlitMirrored(src.get(), 2, 0, Rect(3, 0, 1, 5), Color::White, 0);
    b->Blit(src.get(), 2, 0, Rect(3, 0, 1, 5), Color::White, 0);
    EXPECT_EQ(RawPixels(*a), RawPixels(*b)) << l.name;
  }
}

TEST(SurfaceBlit, PackedFormsMatchTheMaskFormsWithinOneStep) {
  const int32_t w = 9, h = 6;
  auto sprite = Sprite(MixedPixels(w, h), w, h);
  auto straight = Sprite(MixedPixels(w, h), w, h);
  straight->SetImageOption(MemoryImage::IMAGEOPT_STRAIGHT_BLEND);
  struct Draw {
    MemoryImage* src;
    Color color;
    int mode;
  } draws[] = {
      {sprite.get(), Color::White, 0},          {sprite.get(), Color(128, 128, 128), 0},
      {sprite.get(), Color(200, 200, 200, 96), 0}, {sprite.get(), Color(200, 100, 50, 180), 0},
      {sprite.get(), Color::White, 1},          {sprite.get(), Color(10, 200, 90, 200), 1},
      {straight.get(), Color::White, 0},
  };
  for (const SurfaceLayout& l : AllLayouts()) {
    if (l.name.rfind("bgr", 0) == 0) continue;  // already the mask forms
    auto packed = OpenDisplay(l);
    auto masks = OpenDisplay(l);
    ASSERT_NE(packed, nullptr);
    masks->display->mRGBOrder = false;
    for (const Draw& d : draws) {
      const uint32_t back = FromArgb(0xFF5080B0, packed->display->GetScreenImage()->GetSurface()->Format());
      auto a = SurfaceImage(packed->display.get(), 12, 8, back);
      auto b = SurfaceImage(masks->display.get(), 12, 8, back);
      a->Blit(d.src, 2, 1, Rect(0, 0, w, h), d.color, d.mode);
      b->Blit(d.src, 2, 1, Rect(0, 0, w, h), d.color, d.mode);
      std::vector<uint32_t> pa = ArgbPixels(*a), pb = ArgbPixels(*b);
      for (size_t i = 0; i < pa.size(); ++i)
        ASSERT_LE(ChannelDistance(pa[i], pb[i]), Step(l)) << l.name << " mode " << d.mode << " pixel " << i;
    }
  }
}

TEST(SurfaceBlit, StraightBlendOf565IgnoresAlphaBelowEight) {
  TestDisplay t(16);
  ASSERT_EQ(t.Init(), 0);
  auto src = Sprite({0x07FFFFFF, 0x80FFFFFF}, 2, 1);
  src->SetImageOption(MemoryImage::IMAGEOPT_STRAIGHT_BLEND);
  auto dst = SurfaceImage(t.display.get(), 2, 1, 0);
  dst->Blit(src.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
  std::vector<uint32_t> raw = RawPixels(*dst);
  EXPECT_EQ(raw[0], 0u);
  EXPECT_EQ(raw[1], (15u << 11) | (31u << 5) | 15u);
}

TEST(SurfaceBlit, BlitsReachingOutsideEitherImageAreCut) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  auto src = Sprite(std::vector<uint32_t>(16, 0x80FFFFFF), 4, 4);
  auto dst = SurfaceImage(t.display.get(), 4, 4, 0);
  dst->Blit(src.get(), -2, 3, Rect(-1, 0, 8, 8), Color::White, 0);
  dst->BlitMirrored(src.get(), 3, -3, Rect(0, 0, 4, 4), Color::White, 1);
  std::vector<uint32_t> raw = RawPixels(*dst);
  EXPECT_EQ(raw[12] & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(raw[3] & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(raw[5], 0u);
}

TEST(SurfaceBlit, OpaqueCopiesWriteTheDisplayWordsAndFollowChangedPixels) {
  // Opaque sources of random colours onto random pixels, from random rectangles: each written
  // pixel is the source's display-format word cut to the surface's size, every other pixel
  // stays, and after the source changes the copy shows the new pixels. The last round copies
  // the whole picture onto a surface of its width, whose rows follow each other as the
  // picture's do (one move, which must start at the right row and stop at the last).
  std::mt19937 rng(31);
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    const int32_t w = 37, h = 11;
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (uint32_t& p : px) p = 0xFF000000u | (rng() & 0xFFFFFFu);
    auto sprite = Sprite(px, w, h);
    for (int round = 0; round < 7; ++round) {
      if (round == 3) {
        sprite->FillRect(Rect(2, 1, 20, 7), Color(int32_t(rng() % 256), 90, 200, 255), 0);
        EXPECT_FALSE(sprite->mNativeData16) << l.name;
      }
      const bool whole = round == 6;
      const int32_t dw = whole ? w : w + 9;
      auto dst = RandomSurfaceImage(t->display.get(), dw, h + 5, uint32_t(round));
      ASSERT_NE(dst, nullptr);
      const int32_t bits = dst->GetSurface()->Format().mBitCount;
      std::vector<uint32_t> want = RawPixels(*dst);
      const Rect sr = whole ? Rect(0, 0, w, h) : Rect(int32_t(rng() % 5), int32_t(rng() % 3), w - 5, h - 3);
      const int32_t x = whole ? 0 : int32_t(rng() % 10), y = whole ? 2 : int32_t(rng() % 6);
      const uint32_t* words = sprite->GetDisplayFormatBits(*t->display);
      for (int32_t j = 0; j < sr.mHeight; ++j)
        for (int32_t i = 0; i < sr.mWidth; ++i) {
          const uint32_t word = words[size_t(sr.mY + j) * size_t(w) + size_t(sr.mX + i)];
          want[size_t(y + j) * size_t(dw) + size_t(x + i)] = bits == 16 ? word & 0xFFFFu : word;
        }
      dst->Blit(sprite.get(), x, y, sr, Color::White, 0);
      ASSERT_EQ(RawPixels(*dst), want) << l.name << " round " << round;
    }
  }
}

// Additive blits skip the runs that add nothing and add every other run whole. The run cache
// caps a run at 255 pixels, and a blit may start inside a run: the walk, which takes each run's
// class from the one before it where it can, must still decide every run as its first pixel does.
TEST(SurfaceBlit, AdditiveRunsPastTheCacheCapAndFromInsideARun) {
  const SurfaceLayout& l = AllLayouts()[2];
  ASSERT_EQ(l.name, "8888");
  auto t = OpenDisplay(l);
  ASSERT_NE(t, nullptr);
  const int32_t w = 700, h = 3;
  std::vector<uint32_t> px;
  std::mt19937 rng(23);
  const int32_t lengths[] = {1, 2, 3, 5, 254, 255, 256, 300, 511};
  for (bool adds = false; px.size() < size_t(w) * h; adds = !adds) {
    for (int32_t n = lengths[rng() % 9]; n > 0 && px.size() < size_t(w) * h; --n) {
      // Stretches that add hold black and nearly transparent pixels too, as long as one adds.
      const uint32_t rgb = rng() & 0xFFFFFF;
      const uint32_t a = rng() % 4 == 0 ? 1 : 1 + rng() % 255;
      px.push_back(adds ? (a << 24 | rgb | 0x800000) : (rng() % 2 ? 0 : rgb));
    }
  }
  px.resize(size_t(w) * h);
  auto sprite = Sprite(px, w, h);
  const uint32_t* words = sprite->GetDisplayFormatBits(*t->display);
  const uint8_t* runs = sprite->GetAdditiveRuns();
  const uint32_t background = 0xFF405060;  // a top byte the adding spans clear
  auto add = [](uint32_t d, uint32_t s) {
    uint32_t out = 0;
    for (int b = 0; b < 3; ++b) out |= std::min<uint32_t>(((d >> 8 * b) & 255) + ((s >> 8 * b) & 255), 255) << 8 * b;
    return out;
  };
  for (int32_t sx : {0, 1, 37, 254, 255, 256, 299, 511})
    for (bool mirror : {false, true}) {
      const int32_t width = w - sx;
      auto dst = SurfaceImage(t->display.get(), w, h, background);
      if (mirror)
        dst->BlitMirrored(sprite.get(), 0, 0, Rect(sx, 0, width, h), Color::White, 1);
      else
        dst->Blit(sprite.get(), 0, 0, Rect(sx, 0, width, h), Color::White, 1);
      std::vector<uint32_t> expected(size_t(w) * h, background);
      for (int32_t row = 0; row < h; ++row) {
        const size_t so = size_t(row) * w + size_t(sx);
        for (int32_t i = 0; i < width;) {
          const int32_t n = std::clamp<int32_t>(runs[so + size_t(i)], 1, width - i);
          const size_t first = so + size_t(i);
          const bool skip = (words[first] & 0xFFFFFF) == 0 && Vesk::PixelOps::AddsNothing(px[first]);
          for (int32_t k = i; k < i + n && !skip; ++k) {
            const size_t at = size_t(row) * w + size_t(mirror ? width - 1 - k : k);
            expected[at] = add(background, words[so + size_t(k)]);
          }
          i += n;
        }
      }
      ASSERT_EQ(RawPixels(*dst), expected) << "from column " << sx << (mirror ? " mirrored" : "");
    }
}
