#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "display/support/DisplayFixture.h"
#include "driver/TestFolder.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"

using Vesk::DDInterface;
using Platform::Video::PixelFormat;

TEST(DDInterface, PixelFormatsGiveShiftsWidthsOrderAndTables) {
  struct Case {
    int32_t depth;
    int32_t bits[3], shifts[3];
    size_t greenTable;
  } cases[] = {{32, {8, 8, 8}, {16, 8, 0}, 511}, {16, {5, 6, 5}, {11, 5, 0}, 127}, {15, {5, 5, 5}, {10, 5, 0}, 63}};
  for (const Case& c : cases) {
    TestDisplay t(c.depth);
    ASSERT_EQ(t.Init(), DDInterface::RESULT_OK) << c.depth;
    DDInterface& d = *t.display;
    EXPECT_EQ(d.mBitsPerPixel, c.depth == 32 ? 32 : 16);
    EXPECT_EQ(d.mRedBits, c.bits[0]);
    EXPECT_EQ(d.mGreenBits, c.bits[1]);
    EXPECT_EQ(d.mBlueBits, c.bits[2]);
    EXPECT_EQ(d.mRedShift, c.shifts[0]);
    EXPECT_EQ(d.mGreenShift, c.shifts[1]);
    EXPECT_EQ(d.mBlueShift, c.shifts[2]);
    EXPECT_TRUE(d.mRGBOrder);
    EXPECT_EQ(d.mGreenSaturate.size(), c.greenTable);
    EXPECT_EQ(d.mGreenSaturate.back(), int32_t(c.greenTable / 2));
    EXPECT_EQ(d.mRedTable[255], d.mRedMask);
    EXPECT_EQ(d.mRedTable[0], 0u);
    EXPECT_FALSE(d.mIs3D);
    EXPECT_EQ(d.GetScreenImage()->GetWidth(), 64);
  }
}

TEST(DDInterface, ScreensThatAreNeitherSixteenNorThirtyTwoBitsAreRefused) {
  for (int32_t depth : {24, 8}) {
    TestDisplay t(depth);
    EXPECT_EQ(t.Init(true), DDInterface::RESULT_INVALID_COLORDEPTH);
    EXPECT_EQ(t.display->GetLastError(), "CreateSurface Windowed Primary: VIDEO_INVALIDPIXELFORMAT");
    EXPECT_FALSE(t.display->Redraw(nullptr));
    EXPECT_EQ(t.display->GetScreenImage(), nullptr);
  }
  EXPECT_EQ(DDInterface::ResultToString(6), "RESULT_INVALID_COLORDEPTH");
  EXPECT_EQ(DDInterface::ResultToString(7), "RESULT_UNKNOWN");
  EXPECT_EQ(DDInterface::ResultToString(-3), "RESULT_UNKNOWN");

  TestDisplay refused(32);
  ASSERT_EQ(refused.Init(true), DDInterface::RESULT_OK);
  refused.presenter->RefuseModes(true);
  // The factory makes a new presenter on each Init; refuse on the next one.
  refused.display = std::make_unique<DDInterface>(&refused.app, [](Platform::Window*, int32_t) {
    auto p = std::make_unique<Platform::Video::HeadlessPresenter>();
    p->RefuseModes(true);
    return p;
  });
  EXPECT_EQ(refused.display->Init(nullptr, false), DDInterface::RESULT_DISPCHANGE_FAIL);
  EXPECT_EQ(refused.display->GetLastError(), "SetDisplayMode FullScreen: VIDEO_INVALIDMODE");
}

TEST(DDInterface, PresentationRectanglesInAWindowAndFullScreen) {
  {
    TestDisplay t;
    ASSERT_EQ(t.Init(true), 0);
    EXPECT_EQ(t.display->mPresentRect, Rect(0, 0, 64, 48));
    EXPECT_FALSE(t.display->mIsWidescreen);
  }
  for (bool stretch : {false, true}) {
    TestDisplay t;
    t.app.mWindowAspectOverride = true;
    t.app.mWindowAspectNum = 16;
    t.app.mWindowAspectDen = 9;
    t.app.mStretch = stretch;
    ASSERT_EQ(t.Init(true), 0);
    DDInterface& d = *t.display;
    EXPECT_TRUE(d.mIsWidescreen);
    EXPECT_EQ(d.mDisplayWidth, 85);  // 16 x 48 / 9
    EXPECT_EQ(d.mDisplayHeight, 48);
    int32_t w = 0, h = 0;
    t.presenter->ClientSize(&w, &h);
    EXPECT_EQ(w, 85);
    if (stretch) {
      EXPECT_EQ(d.mPresentRect, Rect(0, 0, 85, 48));
      EXPECT_EQ(d.mWidth, 85);
      EXPECT_EQ(d.GetScreenImage()->GetWidth(), 85);
    } else {
      EXPECT_EQ(d.mPresentRect, Rect(10, 0, 64, 48));
      EXPECT_EQ(d.mWidth, 64);
    }
    EXPECT_EQ(t.app.mPresentX, d.mPresentRect.mX);
    EXPECT_EQ(t.app.mPresentWidth, d.mPresentRect.mWidth);
  }
  {
    // An override no wider than the picture changes nothing.
    TestDisplay t;
    t.app.mWindowAspectOverride = true;
    ASSERT_EQ(t.Init(true), 0);
    EXPECT_FALSE(t.display->mIsWidescreen);
  }
  {
    // Without 3D a 16:9 desktop still gets a display mode of the picture's size.
    TestDisplay t(32, 1920, 1080);
    ASSERT_EQ(t.Init(false), 0);
    EXPECT_FALSE(t.display->mIsWidescreen);
    EXPECT_EQ(t.display->mDisplayWidth, 64);
    EXPECT_EQ(t.display->mPresentRect, Rect(0, 0, 64, 48));
    EXPECT_TRUE(t.presenter->IsFullScreen());
  }
}

TEST(DDInterface, RefreshRateIsKeptWithinSixtyAndAHundred) {
  struct Case {
    uint32_t hz, rate;
    int32_t period;
    bool unreliable;
  } cases[] = {{0, 60, 16, true}, {144, 100, 10, true}, {75, 75, 13, false}, {59, 60, 16, true}};
  for (const Case& c : cases) {
    TestDisplay t(32, 1920, 1080, c.hz);
    ASSERT_EQ(t.Init(), 0);
    EXPECT_EQ(t.display->mRefreshRate, c.rate) << c.hz;
    EXPECT_EQ(t.display->mRefreshPeriod, c.period) << c.hz;
    EXPECT_EQ(t.app.mRefreshRateUnreliable, c.unreliable) << c.hz;
  }
}

namespace {
// Pixels of the last presented frame that are not black.
int CountLit(const Platform::Video::HeadlessPresenter& p) {
  int n = 0;
  for (uint32_t v : p.LastFrame()) n += (v & 0xFFFFFF) != 0;
  return n;
}

void DrawBlackFrame(DDInterface& d) {
  Vesk::Graphics g(d.GetScreenImage());
  g.SetColor(Color::Black);
  g.FillRect(0, 0, d.mWidth, d.mHeight);
}
}  // namespace

class CursorTest : public ::testing::TestWithParam<std::tuple<int32_t, bool, bool>> {};

TEST_P(CursorTest, CursorMovesLeaveNoTrails) {
  auto [depth, windowed, pageFlip] = GetParam();
  TestDisplay t(depth);
  t.app.mPageFlip = pageFlip;
  ASSERT_EQ(t.Init(windowed), 0);
  DDInterface& d = *t.display;
  auto cursor = MakeImage(&d, 4, 4, 0xFFFFFFFF);
  EXPECT_TRUE(d.SetCursorImage(cursor.get()));
  EXPECT_FALSE(d.SetCursorImage(cursor.get()));

  d.SetCursorPos(10, 10);
  DrawBlackFrame(d);
  ASSERT_TRUE(d.Redraw(nullptr));
  EXPECT_EQ(CountLit(*t.presenter), 16);
  // The cursor thread moves it; the main thread shows the move.
  for (int i = 0; i < 20; ++i) {
    d.SetCursorPos(10 + i * 2, 10 + i);
    d.PresentIfChanged();
    ASSERT_EQ(CountLit(*t.presenter), 16) << i;
  }
  // Centred on the position: the 4 x 4 picture starts 2 pixels up and left of it.
  EXPECT_EQ(t.presenter->LastFrame()[size_t(29 - 2) * 64 + (48 - 2)] & 0xFFFFFF, depth == 32 ? 0xFFFFFFu : 0xF8FCF8u & (depth == 15 ? 0xF8F8F8u : 0xFFFFFFu));
  DrawBlackFrame(d);
  ASSERT_TRUE(d.Redraw(nullptr));
  EXPECT_EQ(CountLit(*t.presenter), 16);
  // Near the edge the cursor is clipped to the picture.
  d.SetCursorPos(63, 47);
  d.PresentIfChanged();
  EXPECT_EQ(CountLit(*t.presenter), 9);
  DrawBlackFrame(d);
  ASSERT_TRUE(d.Redraw(nullptr));
  EXPECT_EQ(CountLit(*t.presenter), 9);
  d.SetCursorImage(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Modes, CursorTest,
                         ::testing::Values(std::make_tuple(32, true, false), std::make_tuple(16, true, false),
                                           std::make_tuple(15, true, false), std::make_tuple(32, false, false),
                                           std::make_tuple(16, false, true)));

TEST(DDInterface, AScreenshotThroughTheDisplayShowsWhatWasDrawn) {
  for (int32_t depth : {32, 16}) {
    TestDisplay t(depth);
    ASSERT_EQ(t.Init(), 0);
    DDInterface& d = *t.display;
    auto sprite = MakeImage(&d, 8, 8, 0xFF20C040);
    auto glass = MakeImage(&d, 8, 8, 0x80FFFFFF);
    Vesk::Graphics g(d.GetScreenImage());
    g.SetColor(Color(0, 0, 200));
    g.FillRect(0, 0, 64, 48);
    g.DrawImage(sprite.get(), 4, 4);
    g.DrawImage(glass.get(), 20, 4);
    g.SetColor(Color(255, 0, 0));
    g.DrawLine(0, 40, 63, 40);
    ASSERT_TRUE(d.Redraw(nullptr));

    std::string folder = TestTempFolder() / ("display_shot_" + std::to_string(depth));
    std::filesystem::remove_all(folder);
    int n = ImageLib::WriteScreenshot(*d.GetScreenImage(), folder);
    ASSERT_GE(n, 0);
    std::ifstream in(folder + "/_screenshots/" + std::to_string(n) + ".png", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    auto shot = ImageLib::DecodePNG(bytes.data(), bytes.size(), "shot.png");
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->GetWidth(), 64);
    const uint32_t* px = shot->GetBits();
    // The screenshot is what the screen shows.
    for (size_t i = 0; i < 64 * 48; ++i) ASSERT_EQ(px[i] | 0xFF000000u, t.presenter->LastFrame()[i]) << i;
    auto at = [&](int x, int y) { return px[size_t(y) * 64 + x] & 0xFFFFFF; };
    if (depth == 32) {
      EXPECT_EQ(at(1, 1), 0x0000C8u);
      EXPECT_EQ(at(5, 5), 0x20C040u);
      EXPECT_EQ(at(21, 5), 0x8080E4u);  // half white over blue
      EXPECT_EQ(at(30, 40), 0xFF0000u);
    } else {
      // The 16-bit fill scales (c + 1) by the mask: 200 lands on 192 in five bits.
      EXPECT_EQ(at(1, 1), 0x0000C0u);
      EXPECT_EQ(at(5, 5), 0x20C040u);
      EXPECT_EQ(at(30, 40), 0xF80000u);
    }
    std::filesystem::remove_all(folder);
  }
}

TEST(DDInterface, ImagesJoinTheSetAndSurviveAReinit) {
  TestDisplay t;
  ASSERT_EQ(t.Init(), 0);
  size_t base = t.display->ImageCount();  // the screen and the two cursor areas
  auto image = MakeImage(t.display.get(), 4, 4, 0xFF102030);
  EXPECT_EQ(t.display->ImageCount(), base + 1);
  ASSERT_NE(image->GetSurface(), nullptr);
  image->DeleteMemoryBuffers();
  ASSERT_EQ(t.Init(false), 0);
  EXPECT_EQ(t.display->mInitCount, 2);
  // Its surface came from the old device, in the same format: the pixels are still there.
  EXPECT_EQ(image->GetBits()[0], 0xFF102030u);
  image.reset();
  EXPECT_EQ(t.display->ImageCount(), base);
}

TEST(DDInterface, AWideScreenNobodyReadsGetsNoStretchedCopy) {
  // Full screen on a 16:9 desktop stretches the 64 x 48 picture to 1440 x 1080 in the middle;
  // a presenter that keeps no frames is spared that copy, and the picture itself stays drawn.
  for (bool keep : {true, false}) {
    TestDisplay t(32, 1920, 1080, 60, {}, true);
    ASSERT_EQ(t.Init(false), 0);
    DDInterface& d = *t.display;
    ASSERT_TRUE(d.mIsWidescreen);
    t.presenter->KeepFrames(keep);
    Vesk::Graphics g(d.GetScreenImage());
    g.SetColor(Color(255, 0, 0));
    g.FillRect(0, 0, 64, 48);
    ASSERT_TRUE(d.Redraw(nullptr));
    EXPECT_EQ(d.mPrimarySurface->PixelAt(960, 540) & 0xFFFFFF, keep ? 0xFF0000u : 0u) << keep;
    EXPECT_EQ(d.mPrimarySurface->PixelAt(100, 540) & 0xFFFFFF, 0u) << keep;
    if (keep) {
      EXPECT_EQ(t.presenter->LastFrame()[size_t(540) * 1920 + 960] & 0xFFFFFF, 0xFF0000u);
    }
    EXPECT_EQ(d.mDrawSurface->PixelAt(10, 10) & 0xFFFFFF, 0xFF0000u) << keep;
  }
}
