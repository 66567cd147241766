#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/support/DisplayFixture.h"

using namespace Vesk;
using namespace Platform::Video;

namespace {

// A display drawing through the 3D layer, its device given the caps.
struct Display3D : TestDisplay {
  explicit Display3D(int32_t depth = 32, DeviceCaps caps = DeviceCaps(), int32_t w = 64, int32_t h = 48)
      : TestDisplay(depth, 1920, 1080, 60, {}, true) {
    app.mWidth = w;
    app.mHeight = h;
    app.mRegKey = "Cafe Tests\\D3D Layer";
    display->GetD3D()->SetDeviceCaps(caps);
    EXPECT_EQ(Init(), DDInterface::RESULT_OK);
    EXPECT_TRUE(display->mIs3D);
  }
  D3DInterface& d3d() { return *display->GetD3D(); }
  // The image's texture record after building it.
  D3DTextureData& Texture(MemoryImage& image) {
    EXPECT_TRUE(d3d().CreateImageTexture(&image));
    return static_cast<D3DTextureData&>(*image.mTextureData);
  }
};

std::unique_ptr<DDImage> Pattern(DDInterface* display, int32_t w, int32_t h, uint32_t alphaMask = 0xFF000000u) {
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (size_t i = 0; i < px.size(); ++i) px[i] = alphaMask | uint32_t(i * 2654435761u) >> 8;
  auto image = display->CreateImage();
  image->SetBits(px.data(), w, h);
  return image;
}

uint32_t Texel32(const TexturePiece& piece, int32_t x, int32_t y) {
  LockInfo lock;
  EXPECT_EQ(piece.mTexture->Lock(&lock), Result::Ok);
  uint32_t v = 0;
  std::memcpy(&v, lock.mBits + size_t(y) * size_t(lock.mPitch) + size_t(x) * 4, 4);
  piece.mTexture->Unlock();
  return v;
}

TEST(D3DLayer, PieceSizesWasteAtMost64TexelsAndFollowTheDeviceLimits) {
  Display3D t;
  D3DInterface& d = t.d3d();
  for (auto [n, want] : {std::pair{100, 128}, {129, 128}, {600, 64}, {800, 256}, {768, 512}, {1024, 1024}}) {
    int32_t w = n, h = 1;
    d.GetTexturePieceSize(w, h, false, true, 0);
    EXPECT_EQ(w, want) << n;
  }
  auto wide = Pattern(t.display.get(), 800, 768);
  D3DTextureData& data = t.Texture(*wide);
  EXPECT_EQ(data.mColumns, 4);
  EXPECT_EQ(data.mRows, 2);
  EXPECT_EQ(data.mPieces[3].mWidth, 32);
  EXPECT_EQ(data.mPieces[4].mHeight, 256);
  EXPECT_FLOAT_EQ(data.mMaxU, 800.0f / 256.0f);
  // Fixed 64 x 64 pieces and power-of-two pieces on request.
  wide->mTextureFlags = MemoryImage::TEXFLAG_64X64;
  EXPECT_EQ(t.Texture(*wide).mColumns, 13);
  wide->mTextureFlags = MemoryImage::TEXFLAG_POW2;
  EXPECT_EQ(t.Texture(*wide).mPieceWidth, 1024);

  DeviceCaps small;
  small.mMaxTextureWidth = small.mMaxTextureHeight = 256;
  small.mMaxTextureAspect = 0;  // reported as none: any aspect
  Display3D s(32, small);
  EXPECT_EQ(s.d3d().mMaxTextureAspect, 65536);
  auto screenSized = Pattern(s.display.get(), 1024, 768);
  D3DTextureData& cut = s.Texture(*screenSized);
  EXPECT_EQ(cut.mColumns * cut.mRows, 12);
  for (const TexturePiece& p : cut.mPieces) EXPECT_EQ(p.mWidth * 1000 + p.mHeight, 256256);
  // An aspect limit widens the narrow side of a piece.
  DeviceCaps square;
  square.mMaxTextureAspect = 2;
  Display3D a(32, square);
  int32_t w = 512, h = 16;
  a.d3d().GetTexturePieceSize(w, h, true, true, 0);
  EXPECT_EQ(h, 256);
}

TEST(D3DLayer, EachImageTakesTheCheapestFormatThatKeepsItsLook) {
  struct Case {
    int32_t depth;
    uint32_t formats;
    bool trans, alpha, table;
    int32_t flags, want, bytesPerTexel;
  };
  const Case cases[] = {
      {32, TEXCLASS_ALL, false, false, false, 0, TEXCLASS_A8R8G8B8, 4},  // opaque keeps 8 bits at 32 bits
      {16, TEXCLASS_ALL, false, false, false, 0, TEXCLASS_R5G6B5, 2},
      {16, TEXCLASS_ALL, false, false, false, MemoryImage::TEXFLAG_FULLCOLOR, TEXCLASS_A8R8G8B8, 4},
      {16, TEXCLASS_ALL, true, false, false, 0, TEXCLASS_A8R8G8B8, 4},
      {32, TEXCLASS_ALL, false, true, false, MemoryImage::TEXFLAG_PREFER16, TEXCLASS_A4R4G4B4, 2},
      {32, TEXCLASS_A4R4G4B4 | TEXCLASS_R5G6B5, false, true, false, 0, TEXCLASS_A4R4G4B4, 2},
      {32, TEXCLASS_ALL, false, false, true, 0, TEXCLASS_PALETTE8, 1},
      {32, TEXCLASS_A8R8G8B8, false, false, true, 0, TEXCLASS_A8R8G8B8, 4},
  };
  for (const Case& c : cases) {
    DeviceCaps caps;
    caps.mTextureFormats = c.formats;
    Display3D t(c.depth, caps);
    std::vector<uint32_t> px(40 * 30, 0xFF336699u);
    if (c.trans) px[7] = 0;
    if (c.alpha) px[8] = 0x80112233u;
    auto image = t.display->CreateImage();
    image->SetBits(px.data(), 40, 30);
    if (c.table) {
      ASSERT_TRUE(image->Palettize());
    }
    image->mTextureFlags = c.flags;
    D3DTextureData& data = t.Texture(*image);
    EXPECT_EQ(data.mFormat, c.want) << c.depth << " " << c.flags;
    EXPECT_EQ(data.mTextureBytes, 64 * 32 * c.bytesPerTexel + (c.want == TEXCLASS_PALETTE8 ? 1024 : 0));
  }
  // No format the image can use: no texture, and the caller draws nothing.
  DeviceCaps none;
  none.mTextureFormats = TEXCLASS_R5G6B5;
  Display3D t(32, none);
  auto image = Pattern(t.display.get(), 8, 8);
  EXPECT_FALSE(t.d3d().CreateImageTexture(image.get()));
}

TEST(D3DLayer, UploadsRepeatTheEdgeOnceAndReuploadIntoTheSameTextures) {
  Display3D t;
  auto image = Pattern(t.display.get(), 100, 5);
  D3DTextureData& data = t.Texture(*image);
  ASSERT_EQ(data.mPieces.size(), 1u);
  const TexturePiece& piece = data.mPieces[0];
  ASSERT_EQ(piece.mWidth, 128);
  ASSERT_EQ(piece.mHeight, 8);
  const uint32_t* bits = image->GetBits();
  EXPECT_EQ(Texel32(piece, 42, 3), bits[3 * 100 + 42]);
  EXPECT_EQ(Texel32(piece, 100, 2), bits[2 * 100 + 99]);  // the last column once more
  EXPECT_EQ(Texel32(piece, 101, 2), 0u);                  // nothing beyond
  EXPECT_EQ(Texel32(piece, 30, 5), bits[4 * 100 + 30]);   // the last row once more
  EXPECT_EQ(Texel32(piece, 100, 5), bits[4 * 100 + 99]);
  EXPECT_EQ(Texel32(piece, 30, 6), 0u);

  // One changed pixel: the same textures get the new pixels.
  const Texture* before = piece.mTexture.get();
  const int32_t made = data.mTexturesMade, uploads = data.mUploads;
  image->GetBits()[3 * 100 + 42] = 0xFF010203u;
  image->BitsChanged();
  t.Texture(*image);
  EXPECT_EQ(data.mPieces[0].mTexture.get(), before);
  EXPECT_EQ(data.mTexturesMade, made);
  EXPECT_EQ(data.mUploads, uploads + 1);
  EXPECT_EQ(Texel32(data.mPieces[0], 42, 3), 0xFF010203u);
  // Unchanged pixels upload nothing.
  t.Texture(*image);
  EXPECT_EQ(data.mUploads, uploads + 1);
  // A new size cuts again.
  image->Create(300, 20);
  EXPECT_EQ(t.Texture(*image).mPieces.size(), 2u);  // 256 wide and the rest of 44
  // A new start of the display drops every texture; the next draw builds them on the new device.
  ASSERT_EQ(t.Init(), DDInterface::RESULT_OK);
  EXPECT_EQ(t.d3d().TexturedImageCount(), 0u);
  D3DTextureData& again = t.Texture(*image);
  EXPECT_EQ(again.mOwner, &t.d3d());
  EXPECT_EQ(again.mPieces.size(), 2u);
  EXPECT_EQ(t.d3d().TexturedImageCount(), 1u);
}

TEST(D3DLayer, ReadBackKeepsTransparency) {
  Display3D t;
  for (int32_t flags : {0, int32_t(MemoryImage::TEXFLAG_PREFER16)}) {
    std::vector<uint32_t> px = {0x00000000u, 0xFFFF8040u, 0x80FFFFFFu, 0xFF102030u};
    auto image = t.display->CreateImage();
    image->SetBits(px.data(), 2, 2);
    image->mTextureFlags = flags;
    t.Texture(*image);
    image->mBits.reset();
    const uint32_t* back = image->GetBits();
    ASSERT_NE(back, nullptr);
    if (flags == 0) {
      EXPECT_EQ(std::vector<uint32_t>(back, back + 4), px);
    } else {
      // Four bits a channel: colours keep their top bits, alpha comes back whole.
      EXPECT_EQ(back[0] >> 24, 0u);
      EXPECT_EQ(back[1], 0xFFF08040u);
      EXPECT_EQ(back[2], 0x88F0F0F0u);
      EXPECT_EQ(back[3] >> 24, 0xFFu);
    }
  }
  // Pixels changed since the upload are not read back from the texture.
  auto image = Pattern(t.display.get(), 4, 4);
  t.Texture(*image);
  image->BitsChanged();
  EXPECT_FALSE(t.d3d().ReadTextureBits(image.get()));
}

// The 16-bit classes hold each channel's top bits exactly, every value of every channel: an
// opaque picture on a 16-bit screen goes to 5-6-5, one with alpha asked for 16 bits to 4-4-4-4;
// read back, the kept bits come home (4-bit alpha widened to full range).
TEST(D3DLayer, SixteenBitUploadsKeepEveryChannelsTopBitsExactly) {
  constexpr int32_t kW = 256, kH = 64;
  auto argbAt = [](int32_t x, int32_t y, bool alpha) {
    const uint32_t a = alpha ? uint32_t(x + 3 * y) & 255u : 255u, r = uint32_t(x), g = uint32_t(x + 4 * y) & 255u,
                   b = uint32_t(x * 7 + y * 13) & 255u;
    return a << 24 | r << 16 | g << 8 | b;
  };
  for (bool alpha : {false, true}) {
    Display3D t(alpha ? 32 : 16);
    std::vector<uint32_t> px(size_t(kW) * kH);
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) px[size_t(y) * kW + size_t(x)] = argbAt(x, y, alpha);
    auto image = t.display->CreateImage();
    image->SetBits(px.data(), kW, kH);
    if (alpha) image->mTextureFlags = MemoryImage::TEXFLAG_PREFER16;
    D3DTextureData& data = t.Texture(*image);
    ASSERT_EQ(data.mFormat, alpha ? TEXCLASS_A4R4G4B4 : TEXCLASS_R5G6B5);
    ASSERT_EQ(data.mPieces.size(), 1u);
    LockInfo lock;
    ASSERT_EQ(data.mPieces[0].mTexture->Lock(&lock), Result::Ok);
    int32_t wrong = 0;
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        const uint32_t c = argbAt(x, y, alpha), r = (c >> 16) & 255u, g = (c >> 8) & 255u, b = c & 255u;
        const uint32_t want = alpha ? (c >> 28) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4
                                    : (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        uint16_t texel = 0;
        std::memcpy(&texel, lock.mBits + size_t(y) * size_t(lock.mPitch) + size_t(x) * 2, 2);
        wrong += texel != want;
      }
    data.mPieces[0].mTexture->Unlock();
    EXPECT_EQ(wrong, 0) << (alpha ? "4-4-4-4" : "5-6-5");

    image->mBits.reset();
    const uint32_t* back = image->GetBits();
    ASSERT_NE(back, nullptr);
    wrong = 0;
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        const uint32_t c = argbAt(x, y, alpha);
        const uint32_t want = alpha ? ((c >> 28) * 17u) << 24 | (c & 0x00F0F0F0u) : 0xFF000000u | (c & 0x00F8FCF8u);
        wrong += back[size_t(y) * kW + size_t(x)] != want;
      }
    EXPECT_EQ(wrong, 0) << (alpha ? "4-4-4-4" : "5-6-5") << " read back";
  }
}

TEST(D3DLayer, SceneStartLeavesPointSamplingThatTheFilterFlagReports) {
  Display3D t;
  D3DInterface& d = t.d3d();
  SoftDevice& dev = *d.GetDevice();
  ASSERT_TRUE(d.PrepareDraw());
  EXPECT_FALSE(d.mLinearFilterOn);
  EXPECT_EQ(dev.GetTextureStageState(0, StageState::MagFilter), FILTER_POINT);
  d.SetLinearFilter(true);
  EXPECT_EQ(dev.GetTextureStageState(0, StageState::MagFilter), FILTER_LINEAR);
  d.Flush();
  ASSERT_TRUE(d.PrepareDraw());
  d.SetLinearFilter(false);
  EXPECT_EQ(dev.GetTextureStageState(0, StageState::MagFilter), FILTER_POINT);

  // A picture blitted half a pixel off with the filter off copies its texels unblended.
  std::vector<uint32_t> px = {0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFFFFFFu};
  auto image = t.display->CreateImage();
  image->SetBits(px.data(), 2, 2);
  d.Blit(image.get(), 10.25f, 10.25f, image->GetRect(), Color::White, 0, false);
  const uint32_t* screen = t.display->GetScreenImage()->GetBits();
  for (int32_t y = 10; y < 12; ++y)
    for (int32_t x = 10; x < 12; ++x) EXPECT_EQ(screen[y * 64 + x] & 0xFFFFFFu, px[(y - 10) * 2 + x - 10] & 0xFFFFFFu);
}

// The game's settings writer, reachable from the test.
struct App : VeskAppBase {
  using VeskAppBase::ReadSettings;
  using VeskAppBase::WriteSettings;
};

TEST(D3DLayer, AFailedCallIsWrittenDownAndTheDisplayGoesOnInSoftware) {
  Display3D t;
  D3DInterface& d = t.d3d();
  DDImage* screen = t.display->GetScreenImage();
  EXPECT_TRUE(screen->DrawsThroughD3D());
  d.GetDevice()->FailCall("DrawPrimitive", Result::Generic);
  screen->FillRect(Rect(0, 0, 10, 10), Color(255, 0, 0), 0);
  EXPECT_EQ(d.mLastD3DError, "DrawPrimitive (Rect): VIDEO_GENERIC");
  std::string written;
  ASSERT_TRUE(t.app.RegReadString("Test3D\\RuntimeError", written));
  EXPECT_EQ(written, "DrawPrimitive (Rect): VIDEO_GENERIC");

  // The next present skips the frame and turns 3D off; the display starts again in software.
  EXPECT_FALSE(t.display->Redraw(nullptr));
  EXPECT_FALSE(t.display->mIs3D);
  ASSERT_EQ(t.Init(), DDInterface::RESULT_OK);
  EXPECT_FALSE(t.display->mIs3D);
  screen = t.display->GetScreenImage();
  EXPECT_FALSE(screen->DrawsThroughD3D());
  screen->FillRect(Rect(0, 0, 10, 10), Color(255, 0, 0), 0);
  EXPECT_EQ(screen->GetBits()[5] & 0xFFFFFFu, 0xFF0000u);
  EXPECT_TRUE(t.display->Redraw(nullptr));

  // The setting itself stays: the next run tries 3D again.
  App app;
  app.mRegKey = t.app.mRegKey;
  app.ReadSettings();
  EXPECT_TRUE(app.mIs3D);
  app.WriteSettings();
  App again;
  again.mRegKey = t.app.mRegKey;
  again.mIs3D = false;
  again.ReadSettings();
  EXPECT_TRUE(again.mIs3D);
}

TEST(D3DLayer, TheSettingAtZeroDrawsInSoftwareAndWideScreensGoFullScreenIn3D) {
  TestDisplay soft(32, 1920, 1080, 60, {}, false);
  ASSERT_EQ(soft.Init(), DDInterface::RESULT_OK);
  EXPECT_FALSE(soft.display->mIs3D);
  EXPECT_FALSE(soft.display->GetD3D()->IsReady());

  // Full screen on a 16:9 desktop: the mode is the desktop's, the 4:3 picture centred in it.
  TestDisplay wide(32, 1920, 1080, 60, {}, true);
  wide.app.mWidth = 1024;
  wide.app.mHeight = 768;
  ASSERT_EQ(wide.Init(false), DDInterface::RESULT_OK);
  DDInterface& d = *wide.display;
  EXPECT_TRUE(d.mIsWidescreen);
  EXPECT_EQ(d.mDisplayWidth, 1920);
  EXPECT_EQ(d.mDisplayHeight, 1080);
  EXPECT_EQ(d.mPresentRect.mX, 240);
  EXPECT_EQ(d.mPresentRect.mWidth, 1440);
  EXPECT_EQ(d.mPresentRect.mHeight, 1080);
  d.GetScreenImage()->FillRect(Rect(0, 0, 1024, 768), Color(200, 100, 50), 0);
  ASSERT_TRUE(d.Redraw(nullptr));
  const Surface& screen = *d.mPrimarySurface;
  EXPECT_EQ(ToArgb(screen.PixelAt(960, 540), screen.Format()), 0xFFC86432u);
  EXPECT_EQ(ToArgb(screen.PixelAt(100, 540), screen.Format()), 0xFF000000u);  // the bars stay black
}

}  // namespace
