#include <gtest/gtest.h>

#include <utility>

#include "platform/video/Video.h"

using namespace Platform::Video;

namespace {
std::shared_ptr<Surface> MakeSurface(Device& device, int32_t w, int32_t h, PixelFormat f,
                                     Memory memory = Memory::System) {
  SurfaceDesc desc;
  desc.mWidth = w;
  desc.mHeight = h;
  desc.mFormat = f;
  desc.mMemory = memory;
  std::shared_ptr<Surface> s;
  EXPECT_EQ(device.CreateSurface(desc, &s), Result::Ok);
  return s;
}
}  // namespace

TEST(VideoLayer, ConversionsKeepTheTopBitsOfEachChannel) {
  EXPECT_EQ(FromArgb(0xFFFFFFFFu, PixelFormat::R5G6B5()), 0xFFFFu);
  EXPECT_EQ(ToArgb(0xFFFF, PixelFormat::R5G6B5()), 0xFFF8FCF8u);
  EXPECT_EQ(FromArgb(0x00FF8040u, PixelFormat::X1R5G5B5()), (31u << 10) | (16u << 5) | 8u);
  EXPECT_EQ(ToArgb(0x123456, PixelFormat::X8R8G8B8()), 0xFF123456u);
  EXPECT_EQ(PixelFormat::FromDepth(17).mBitCount, 0);
}

TEST(VideoLayer, ASecondLockAnswersBusyAndBlitsRefuseLockedSurfaces) {
  Device device(std::make_unique<HeadlessPresenter>());
  auto a = MakeSurface(device, 4, 4, PixelFormat::X8R8G8B8());
  auto b = MakeSurface(device, 4, 4, PixelFormat::X8R8G8B8());
  LockInfo info;
  ASSERT_EQ(a->Lock(&info), Result::Ok);
  EXPECT_EQ(info.mPitch, 16);
  EXPECT_EQ(a->Lock(&info), Result::SurfaceBusy);
  EXPECT_EQ(b->Blt(nullptr, a.get(), nullptr, 0), Result::SurfaceBusy);
  EXPECT_EQ(a->Unlock(), Result::Ok);
  EXPECT_EQ(a->Unlock(), Result::NotLocked);
  EXPECT_EQ(a->LockCount(), 1u);
}

TEST(VideoLayer, KeyedBlitsCompareColourBitsOnlyAndScaledBlitsTakeTheNearestPixel) {
  Device device(std::make_unique<HeadlessPresenter>());
  auto src = MakeSurface(device, 2, 1, PixelFormat::X8R8G8B8());
  auto dst = MakeSurface(device, 4, 2, PixelFormat::X8R8G8B8());
  dst->Fill(nullptr, 0x111111);
  Area left{0, 0, 1, 1}, right{1, 0, 2, 1};
  src->Fill(&left, 0xAA00FF00);  // the key's colour, different top byte
  src->Fill(&right, 0x0000FF);
  src->SetColorKey(0x0000FF00);
  ASSERT_EQ(dst->Blt(nullptr, src.get(), nullptr, BLT_KEYSRC), Result::Ok);
  EXPECT_EQ(dst->PixelAt(0, 0), 0x111111u);
  EXPECT_EQ(dst->PixelAt(1, 1), 0x111111u);
  EXPECT_EQ(dst->PixelAt(2, 0), 0x0000FFu);
  EXPECT_EQ(dst->PixelAt(3, 1), 0x0000FFu);

  Area outside{3, 0, 5, 1};
  EXPECT_EQ(dst->Blt(&outside, src.get(), nullptr, 0), Result::InvalidRect);
  auto other = MakeSurface(device, 2, 1, PixelFormat::R5G6B5());
  EXPECT_EQ(dst->Blt(nullptr, other.get(), nullptr, 0), Result::InvalidPixelFormat);
}

TEST(VideoLayer, VideoMemoryIsBudgetedAndReturned) {
  Device device(std::make_unique<HeadlessPresenter>(), 700);
  SurfaceDesc desc;
  desc.mWidth = 10;
  desc.mHeight = 10;
  desc.mMemory = Memory::Video;
  std::shared_ptr<Surface> a, b;
  ASSERT_EQ(device.CreateSurface(desc, &a), Result::Ok);
  EXPECT_EQ(device.VideoMemoryFree(), 300);
  EXPECT_EQ(device.CreateSurface(desc, &b), Result::OutOfVideoMemory);
  a.reset();
  EXPECT_EQ(device.VideoMemoryFree(), 700);
}

// A stretch by an uneven factor, taller and shorter, wider and narrower, into a part of the
// destination: each pixel is the nearest source pixel, the rest of the destination untouched.
TEST(VideoLayer, StretchedBlitsMatchTheNearestPixelRuleInEveryRow) {
  Device device(std::make_unique<HeadlessPresenter>());
  for (const PixelFormat& f : {PixelFormat::X8R8G8B8(), PixelFormat::R5G6B5()}) {
    auto src = MakeSurface(device, 7, 5, f);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x) {
        Area one{x, y, x + 1, y + 1};
        src->Fill(&one, uint32_t(1 + x + 16 * y));
      }
    for (const Area& d : {Area{1, 2, 12, 15}, Area{0, 0, 4, 3}, Area{3, 1, 6, 14}}) {
      auto dst = MakeSurface(device, 13, 16, f);
      dst->Fill(nullptr, 0xEE);
      Area s{1, 1, 6, 5};
      ASSERT_EQ(dst->Blt(&d, src.get(), &s, 0), Result::Ok);
      for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 13; ++x) {
          const bool inside = x >= d.mLeft && x < d.mRight && y >= d.mTop && y < d.mBottom;
          const int32_t sx = s.mLeft + (x - d.mLeft) * s.Width() / d.Width();
          const int32_t sy = s.mTop + (y - d.mTop) * s.Height() / d.Height();
          ASSERT_EQ(dst->PixelAt(x, y), inside ? src->PixelAt(sx, sy) : 0xEEu) << f.mBitCount << " bits " << x << "," << y;
        }
    }
  }
}

// What was presented is what the frame reads, however the surface changes afterwards; a
// presenter told to keep no frames only counts them.
TEST(VideoLayer, TheHeadlessPresenterKeepsThePresentedPicture) {
  HeadlessPresenter presenter;
  std::vector<uint16_t> pixels(4 * 3, 0xF800);
  presenter.Present(reinterpret_cast<const uint8_t*>(pixels.data()), 4 * 2, 3, 3, PixelFormat::R5G6B5());
  pixels.assign(pixels.size(), 0x001F);
  ASSERT_EQ(presenter.LastFrame().size(), 9u);
  EXPECT_EQ(presenter.LastFrame()[8], 0xFFF80000u);
  presenter.Present(reinterpret_cast<const uint8_t*>(pixels.data()), 4 * 2, 4, 3, PixelFormat::R5G6B5());
  pixels.assign(pixels.size(), 0);
  ASSERT_EQ(presenter.LastFrame().size(), 12u);
  EXPECT_EQ(presenter.LastFrame()[11], 0xFF0000F8u);
  EXPECT_EQ(presenter.FrameCount(), 2u);
  // A presenter that keeps no frames still counts them and their size.
  presenter.KeepFrames(false);
  presenter.Present(reinterpret_cast<const uint8_t*>(pixels.data()), 4 * 2, 2, 2, PixelFormat::R5G6B5());
  EXPECT_TRUE(presenter.LastFrame().empty());
  EXPECT_EQ(presenter.FrameWidth(), 2);
  EXPECT_EQ(presenter.FrameCount(), 3u);
}

// A window whose picture another window wiped (as a closed box does on X11 without a compositor).
struct WipedPresenter : HeadlessPresenter {
  using HeadlessPresenter::HeadlessPresenter;
  bool TakeRepaint() override { return std::exchange(mWiped, false); }
  bool mWiped = false;
};

TEST(VideoLayer, FlipShowsTheBackBufferAndThePrimaryIsPresentedOnlyWhenChangedOrWiped) {
  auto presenter = std::make_unique<WipedPresenter>(800, 600, PixelFormat::R5G6B5(), 60);
  WipedPresenter* p = presenter.get();
  Device device(std::move(presenter));
  std::shared_ptr<Surface> primary;
  EXPECT_EQ(device.SetDisplayMode(320, 200, 16), Result::NoExclusiveMode);
  EXPECT_EQ(device.CreatePrimary(1, &primary), Result::NoExclusiveMode);
  device.SetCooperativeLevel(true);
  EXPECT_EQ(device.SetDisplayMode(320, 200, 24), Result::InvalidMode);
  ASSERT_EQ(device.SetDisplayMode(320, 200, 16), Result::Ok);
  ASSERT_EQ(device.CreatePrimary(1, &primary), Result::Ok);
  EXPECT_EQ(primary->Format(), PixelFormat::R5G6B5());
  EXPECT_FALSE(device.PresentIfChanged());
  primary->BackBuffer()->Fill(nullptr, 0xF800);
  EXPECT_FALSE(device.PresentIfChanged());
  ASSERT_EQ(primary->Flip(), Result::Ok);
  EXPECT_TRUE(device.PresentIfChanged());
  EXPECT_FALSE(device.PresentIfChanged());
  // The same picture again, once, after the window lost it.
  p->mWiped = true;
  EXPECT_TRUE(device.PresentIfChanged());
  EXPECT_FALSE(device.PresentIfChanged());
  EXPECT_EQ(p->FrameCount(), 2u);
  ASSERT_EQ(p->FrameWidth(), 320);
  EXPECT_EQ(p->LastFrame()[0], 0xFFF80000u);
  EXPECT_TRUE(p->IsFullScreen());
}

// The presenter turns every pixel of every format into 0xFFRRGGBB as the plain per-channel rule
// says: each channel's bits moved to the top of its byte, the bits below zero.
TEST(VideoLayer, ThePresenterConvertsEveryPixelOfEveryFormat) {
  auto reference = [](uint32_t pixel, const PixelFormat& f) {
    uint32_t argb = 0xFF000000u;
    const uint32_t masks[3] = {f.mRedMask, f.mGreenMask, f.mBlueMask};
    for (int c = 0; c < 3; ++c) {
      uint32_t mask = masks[c], value = pixel & mask;
      int bits = 0;
      while (mask && !(mask & 1)) {
        mask >>= 1;
        value >>= 1;
      }
      for (uint32_t m = mask; m & 1; m >>= 1) ++bits;
      argb |= (bits >= 8 ? (value >> (bits - 8)) : (value << (8 - bits))) << (16 - 8 * c);
    }
    return argb;
  };
  const PixelFormat formats[] = {PixelFormat::R5G6B5(), PixelFormat::X1R5G5B5(), PixelFormat::R8G8B8(),
                                 PixelFormat::X8R8G8B8()};
  for (const PixelFormat& f : formats) {
    // Every 16-bit value, and for the wider formats a spread of values with every byte used.
    const int32_t w = 256, h = 256, bpp = f.BytesPerPixel();
    std::vector<uint8_t> pixels(size_t(w) * h * bpp);
    std::vector<uint32_t> values(size_t(w) * h);
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = bpp == 2 ? uint32_t(i) : uint32_t(i * 2654435761u) & (bpp == 3 ? 0xFFFFFFu : 0xFFFFFFFFu);
      for (int b = 0; b < bpp; ++b) pixels[i * bpp + b] = uint8_t(values[i] >> (8 * b));
    }
    HeadlessPresenter presenter;
    presenter.Present(pixels.data(), w * bpp, w, h, f);
    ASSERT_EQ(presenter.LastFrame().size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
      ASSERT_EQ(presenter.LastFrame()[i], reference(values[i], f)) << f.mBitCount << " bits, pixel " << std::hex << values[i];
      ASSERT_EQ(ToArgb(values[i], f), reference(values[i], f));
    }
  }
}
