#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "display/RotateRows.h"
#include "display/StretchRows.h"
#include "display/support/SurfaceLayouts.h"

using Vesk::DDImage;
using Vesk::MemoryImage;

namespace {
std::vector<uint32_t> Opaque(int32_t w, int32_t h) {
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t(i * 0x2F1B07 + 0x102030);
  return px;
}
// Words of every alpha class in runs; rows listed in `opaqueRows` are opaque throughout.
std::vector<uint32_t> MixedWords(std::mt19937& rng, int32_t w, int32_t h, uint32_t opaqueRows) {
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w;) {
      const uint32_t cls = opaqueRows >> y & 1 ? 1 : rng() % 3;
      for (int32_t n = 1 + int32_t(rng() % 6); n > 0 && x < w; --n, ++x) {
        const uint32_t a = cls == 0 ? 0 : cls == 1 ? 255 : 1 + rng() % 254;
        px[size_t(y) * size_t(w) + size_t(x)] = a << 24 | (rng() & 0xFFFFFFu);
      }
    }
  return px;
}

// Runs `body` with a pointer type of the surface's pixel size.
template <typename Body>
void WithPixel(int32_t bitCount, Body body) {
  if (bitCount == 32)
    body(uint32_t());
  else
    body(uint16_t());
}
}  // namespace

TEST(SurfaceStretch, TheWhiteAndOpaqueRowsEqualThePlainRowInEveryLayout) {
  using Vesk::StretchRows::StretchPixel;
  using namespace Vesk::SurfacePixels;
  auto t = OpenDisplay(AllLayouts()[0]);
  ASSERT_NE(t, nullptr);
  const Saturation sat(*t->display);
  const Tint white(Color::White), grey(Color(128, 128, 128)), tinted(Color(200, 100, 50, 128));
  std::vector<Platform::Video::PixelFormat> formats;
  for (const SurfaceLayout& l : AllLayouts()) formats.push_back(l.desktop);
  // Ten-bit channels: an opaque word does not hide what lies beneath.
  formats.push_back(Platform::Video::PixelFormat{32, 0x3FF00000u, 0x000FFC00u, 0x000003FFu});
  std::mt19937 rng(41);
  for (const auto& format : formats) {
    const Masks masks(format);
    const bool wide = format.mRedMask == 0x3FF00000u;
    ASSERT_EQ(StretchPixel({masks, sat, white, false}).OpaqueWritesTheWord(), !wide);
    EXPECT_FALSE(StretchPixel({masks, sat, white, true}).OpaqueWritesTheWord());
    EXPECT_FALSE(StretchPixel({masks, sat, grey, false}).OpaqueWritesTheWord());
    EXPECT_FALSE(StretchPixel({masks, sat, tinted, false}).OpaqueWritesTheWord());
    if (wide) continue;
    const StretchPixel pixel{masks, sat, white, false};
    WithPixel(format.mBitCount == 32 ? 32 : 16, [&](auto type) {
      using P = decltype(type);
      for (int round = 0; round < 200; ++round) {
        const int32_t srcW = 1 + int32_t(rng() % 40), n = int32_t(rng() % 60);
        const std::vector<uint32_t> words = MixedWords(rng, srcW, 1, round % 4 == 0 ? 1u : 0u);
        std::vector<int32_t> cols(static_cast<size_t>(n));
        for (int32_t& c : cols) c = int32_t(rng() % uint32_t(srcW));
        std::vector<P> dest(size_t(n) + 2);
        for (P& d : dest) d = P(rng());
        auto src = [&](size_t c) { return words[c]; };
        bool allOpaque = true;
        for (int32_t c : cols) allOpaque = allOpaque && words[size_t(c)] >> 24 == 255;
        std::vector<P> plain = dest, fast = dest;
        Vesk::StretchRows::PlainRow<P, 1>(plain.data() + 1, src, cols.data(), n, pixel);
        ASSERT_EQ((Vesk::StretchRows::WhiteRow<P, 1>(fast.data() + 1, src, cols.data(), n, pixel)), allOpaque);
        ASSERT_EQ(fast, plain) << format.mRedMask << " rightwards, round " << round;
        plain = fast = dest;
        Vesk::StretchRows::PlainRow<P, -1>(plain.data() + n, src, cols.data(), n, pixel);
        ASSERT_EQ((Vesk::StretchRows::WhiteRow<P, -1>(fast.data() + n, src, cols.data(), n, pixel)), allOpaque);
        ASSERT_EQ(fast, plain) << format.mRedMask << " leftwards, round " << round;
        if (allOpaque) {
          std::vector<P> opaque = dest;
          Vesk::StretchRows::OpaqueRow<P, -1>(opaque.data() + n, src, cols.data(), n);
          ASSERT_EQ(opaque, plain) << format.mRedMask << " opaque leftwards, round " << round;
          plain = opaque = dest;
          Vesk::StretchRows::PlainRow<P, 1>(plain.data() + 1, src, cols.data(), n, pixel);
          Vesk::StretchRows::OpaqueRow<P, 1>(opaque.data() + 1, src, cols.data(), n);
          ASSERT_EQ(opaque, plain) << format.mRedMask << " opaque rightwards, round " << round;
        }
      }
    });
  }
}

TEST(SurfaceStretch, StretchesEqualThePlainRowsWhereOpaqueRowsRepeat) {
  // Sources whose rows are opaque, mixed or both, stretched and mirrored by several factors
  // onto random pixels in every layout, against the per-pixel formula row by row.
  using Vesk::StretchRows::StretchPixel;
  using namespace Vesk::SurfacePixels;
  std::mt19937 rng(43);
  const int32_t w = 23, h = 9;
  const std::pair<int32_t, int32_t> sizes[] = {{w * 3 / 2, h * 3 / 2}, {w * 2, h * 3}, {w, h * 5 / 2}, {w * 7 / 10, h * 2}, {1, 20}};
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr) << l.name;
    for (uint32_t opaqueRows : {0x1FFu, 0x0F3u, 0u}) {
      std::vector<uint32_t> px = MixedWords(rng, w, h, opaqueRows);
      auto sprite = std::make_unique<MemoryImage>();
      sprite->SetBits(px.data(), w, h);
      const uint32_t* words = sprite->GetDisplayFormatBits(*t->display);
      for (const auto& size : sizes)
        for (bool mirror : {false, true}) {
          const int32_t W = size.first, H = size.second;
          const int32_t dstW = W + 7, dstH = H + 4, x = 3, y = 2;
          auto dst = RandomSurfaceImage(t->display.get(), dstW, dstH, opaqueRows + uint32_t(W));
          ASSERT_NE(dst, nullptr);
          std::vector<uint32_t> want = RawPixels(*dst);
          const auto format = dst->GetSurface()->Format();
          const Masks masks(format);
          const Saturation sat(*t->display);
          const Tint white(Color::White);
          const StretchPixel pixel{masks, sat, white, false};
          const int64_t du = int64_t(w * 65536.0 / W), dv = int64_t(h * 65536.0 / H);
          std::vector<int32_t> cols(static_cast<size_t>(W));
          for (int32_t i = 0; i < W; ++i) cols[size_t(i)] = int32_t(std::min<int64_t>(i * du >> 16, w - 1));
          WithPixel(format.mBitCount, [&](auto type) {
            using P = decltype(type);
            for (int32_t j = 0; j < H; ++j) {
              const size_t so = size_t(std::min<int64_t>(j * dv >> 16, h - 1)) * size_t(w);
              std::vector<P> row(want.begin() + (y + j) * dstW, want.begin() + (y + j + 1) * dstW);
              auto src = [&](size_t c) { return words[so + c]; };
              if (mirror)
                Vesk::StretchRows::PlainRow<P, -1>(row.data() + x + W - 1, src, cols.data(), W, pixel);
              else
                Vesk::StretchRows::PlainRow<P, 1>(row.data() + x, src, cols.data(), W, pixel);
              std::copy(row.begin(), row.end(), want.begin() + (y + j) * dstW);
            }
          });
          if (mirror)
            dst->BlitStretchedMirrored(sprite.get(), Rect(x, y, W, H), Rect(0, 0, w, h), Rect(0, 0, dstW, dstH), Color::White, 0, true);
          else
            dst->BlitStretched(sprite.get(), Rect(x, y, W, H), Rect(0, 0, w, h), Rect(0, 0, dstW, dstH), Color::White, 0, true);
          ASSERT_EQ(RawPixels(*dst), want) << l.name << " " << W << "x" << H << (mirror ? " mirrored" : "") << " rows " << opaqueRows;
        }
    }
  }
}

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

TEST(SurfaceRotate, TheFastRowsEqualThePlainRowInEveryLayoutTheyServe) {
  using namespace Vesk::SurfacePixels;
  namespace R = Vesk::RotateRows;
  std::mt19937 rng(97);
  int served[3] = {};
  for (const SurfaceLayout& l : AllLayouts()) {
    auto t = OpenDisplay(l);
    ASSERT_NE(t, nullptr);
    const Color colours[] = {Color::White, Color(128, 128, 128), Color(200, 100, 50, 128), Color(255, 255, 255, 7),
                             Color(0, 255, 90, 255)};
    for (const Color& colour : colours) {
      const R::Blend blend{Masks(l.desktop), Saturation(*t->display), false, Color::Equals(colour, Color::White),
                           Alpha(colour), {Channel(colour, 0) + 1, Channel(colour, 1) + 1, Channel(colour, 2) + 1},
                           l.depth};
      R::Blend additive = blend;
      additive.additive = true;
      EXPECT_EQ(R::FastLayoutOf(additive), R::Fast::None);
      const R::Fast fast = R::FastLayoutOf(blend);
      ++served[int(fast)];
      if (fast == R::Fast::None) continue;
      WithPixel(l.depth, [&](auto type) {
        using P = decltype(type);
        for (int round = 0; round < 300; ++round) {
          const int32_t stride = 1 + int32_t(rng() % 40), h = 1 + int32_t(rng() % 32);
          const int32_t sx = int32_t(rng() % uint32_t(stride)), sy = int32_t(rng() % uint32_t(h));
          const int32_t w = 1 + int32_t(rng() % uint32_t(stride - sx)), sh = 1 + int32_t(rng() % uint32_t(h - sy));
          const std::vector<uint32_t> words = MixedWords(rng, stride, h, round % 5 == 0 ? ~0u : 0u);
          const R::Source source{words.data() + size_t(sy) * size_t(stride) + size_t(sx), size_t(stride), w, sh};
          const double angle = std::uniform_real_distribution<double>(-7, 7)(rng);
          const int64_t du = int64_t(std::cos(angle) * 65536), dv = int64_t(std::sin(angle) * 65536);
          const int32_t n = int32_t(rng() % 80);
          const int64_t u0 = int64_t(rng() % uint32_t(w << 16)) - int64_t(rng() % 40) * du;
          const int64_t v0 = int64_t(rng() % uint32_t(sh << 16)) - int64_t(rng() % 40) * dv;
          // The steps whose samples lie inside, a contiguous stretch.
          const int64_t limitU = (int64_t(w) << 16) - 1, limitV = (int64_t(sh) << 16) - 1;
          int32_t lo = n, hi = n;
          for (int32_t i = 0; i < n; ++i) {
            const int64_t u = u0 + i * du, v = v0 + i * dv;
            if (u < 0 || v < 0 || u > limitU || v > limitV) {
              if (lo < n && hi == n) hi = i;
            } else if (lo == n) {
              lo = i;
            }
          }
          const int32_t x0 = int32_t(rng() % 5);
          std::vector<P> dest(size_t(n + x0) + 2);
          for (P& d : dest) d = P(rng());
          std::vector<P> plain = dest, quick = dest;
          auto row = [](std::vector<P>& v) { return reinterpret_cast<uint8_t*>(v.data()); };
          R::PlainRow(row(plain), x0, u0, v0, du, dv, lo, hi, source, blend);
          if (fast == R::Fast::Xrgb32 && blend.white)
            R::FastRow<R::Fast::Xrgb32, true>(row(quick), x0, u0, v0, du, dv, lo, hi, source, blend);
          else if (fast == R::Fast::Xrgb32)
            R::FastRow<R::Fast::Xrgb32, false>(row(quick), x0, u0, v0, du, dv, lo, hi, source, blend);
          else if (blend.white)
            R::FastRow<R::Fast::Rgb565, true>(row(quick), x0, u0, v0, du, dv, lo, hi, source, blend);
          else
            R::FastRow<R::Fast::Rgb565, false>(row(quick), x0, u0, v0, du, dv, lo, hi, source, blend);
          ASSERT_EQ(quick, plain) << l.name << " angle " << angle << ", round " << round;
        }
      });
    }
  }
  EXPECT_GT(served[int(R::Fast::Xrgb32)], 0);
  EXPECT_GT(served[int(R::Fast::Rgb565)], 0);
  EXPECT_GT(served[int(R::Fast::None)], 0);
}
