// A drawn picture keeps one copy of its pixels: the software route drops the decoded pixels once
// its display-format copy is made, when the image file gives them back; the 3D route drops them
// once an 8-bit-per-channel texture holds them. Whatever reads them afterwards gets them exactly.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "display/D3DInterface.h"
#include "display/support/DisplayFixture.h"
#include "driver/TestFolder.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"

using Vesk::DDImage;
using Vesk::MemoryImage;

namespace {

constexpr int32_t kW = 7, kH = 5;

// Opaque, transparent with a colour, and partial pixels whose colour the premultiplied copy
// cannot give back.
std::vector<uint32_t> Pixels() {
  std::vector<uint32_t> px(size_t(kW) * kH);
  for (size_t i = 0; i < px.size(); ++i) {
    const uint32_t alpha[] = {0xFF, 0x00, 0x3B, 0x81, 0x07};
    px[i] = alpha[i % 5] << 24 | uint32_t(i * 2654435761u) >> 8;
  }
  return px;
}

// The pixels written to a PNG file and read back as the engine does: decoded, then taken over by
// an image of the display.
std::unique_ptr<DDImage> FromFile(Vesk::DDInterface* display, const std::string& name) {
  const auto dir = TestTempFolder() / "pixels_held_once";
  std::filesystem::create_directories(dir);
  MemoryImage source;
  source.SetBits(Pixels().data(), kW, kH);
  const std::string path = (dir / name).string();
  EXPECT_TRUE(ImageLib::WritePNG(source, path));
  auto decoded = ImageLib::GetImage(path);
  EXPECT_TRUE(decoded);
  auto image = display->CreateImage();
  image->TakeFilePixels(*decoded);
  return image;
}

std::vector<uint32_t> BitsOf(MemoryImage& image) {
  const uint32_t* bits = image.GetBits();
  return std::vector<uint32_t>(bits, bits + size_t(image.mWidth) * size_t(image.mHeight));
}

// The screen's rectangle at (x, y) of the image's size.
std::vector<uint32_t> ScreenArea(DDImage* screen, int32_t x, int32_t y) {
  const uint32_t* px = screen->GetBits();
  std::vector<uint32_t> out;
  for (int32_t r = 0; r < kH; ++r)
    for (int32_t c = 0; c < kW; ++c) out.push_back(px[size_t(y + r) * size_t(screen->mWidth) + size_t(x + c)]);
  return out;
}

}  // namespace

TEST(PixelsHeldOnce, SoftwareRouteDropsFilePixelsAndReadsThemBackExactly) {
  for (int32_t depth : {32, 16}) {
    SCOPED_TRACE(depth);
    TestDisplay t(depth);
    ASSERT_EQ(t.Init(), 0);
    auto fromFile = FromFile(t.display.get(), "software.png");
    auto inMemory = t.display->CreateImage();
    inMemory->SetBits(Pixels().data(), kW, kH);
    ASSERT_TRUE(fromFile->CanReloadBits());
    ASSERT_FALSE(inMemory->CanReloadBits());

    DDImage* screen = t.display->GetScreenImage();
    Vesk::Graphics g(screen);
    g.SetColor(Color(30, 60, 90));
    g.FillRect(0, 0, 64, 48);
    g.DrawImage(fromFile.get(), 0, 0);
    g.DrawImage(inMemory.get(), 20, 0);
    // Drawn alike; only the image its file gives back lets its pixels go.
    EXPECT_EQ(ScreenArea(screen, 0, 0), ScreenArea(screen, 20, 0));
    EXPECT_EQ(fromFile->mBits, nullptr);
    EXPECT_NE(inMemory->mBits, nullptr);
    // Mirrored and with a colour the copy serves as well; the alpha runs come from the copy.
    g.DrawImageMirrored(fromFile.get(), 0, 10);
    g.SetColorizeImages(true);
    g.SetColor(Color(255, 255, 255, 128));
    g.DrawImage(fromFile.get(), 20, 10);
    g.SetColorizeImages(false);
    EXPECT_EQ(fromFile->mBits, nullptr);

    // Read again, they are the file's to the last bit, and kept from then on.
    EXPECT_EQ(BitsOf(*fromFile), Pixels());
    g.DrawImage(fromFile.get(), 40, 0);
    EXPECT_NE(fromFile->mBits, nullptr);
    EXPECT_EQ(ScreenArea(screen, 40, 0), ScreenArea(screen, 20, 0));
  }
}

TEST(PixelsHeldOnce, ChangedPixelsAreNoLongerTheFilesAndStay) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  auto image = FromFile(t.display.get(), "changed.png");
  image->GetBits()[3] = 0xFF123456u;
  image->BitsChanged();
  EXPECT_FALSE(image->CanReloadBits());
  Vesk::Graphics g(t.display->GetScreenImage());
  g.DrawImage(image.get(), 0, 0);
  ASSERT_NE(image->mBits, nullptr);
  EXPECT_EQ(image->mBits[3], 0xFF123456u);
}

TEST(PixelsHeldOnce, APictureWithASurfaceOfItsOwnKeepsItsPixels) {
  TestDisplay t(32);
  ASSERT_EQ(t.Init(), 0);
  // Colour-keyed: its surface reads a transparent pixel back as 0, not as the file's colour.
  const std::vector<uint32_t> keyed = {0x00FF00FFu, 0xFF102030u, 0xFF405060u, 0x00123456u};
  const auto dir = TestTempFolder() / "pixels_held_once";
  std::filesystem::create_directories(dir);
  MemoryImage source;
  source.SetBits(keyed.data(), 2, 2);
  ASSERT_TRUE(ImageLib::WritePNG(source, (dir / "keyed.png").string()));
  auto decoded = ImageLib::GetImage((dir / "keyed.png").string());
  ASSERT_TRUE(decoded);
  auto image = t.display->CreateImage();
  image->TakeFilePixels(*decoded);
  ASSERT_NE(image->GetSurface(), nullptr);
  Vesk::Graphics g(t.display->GetScreenImage());
  g.SetColorizeImages(true);
  g.SetColor(Color(255, 255, 255, 100));
  g.DrawImage(image.get(), 0, 0);
  ASSERT_NE(image->mBits, nullptr);
  EXPECT_EQ(std::vector<uint32_t>(image->mBits.get(), image->mBits.get() + 4), keyed);
}

TEST(PixelsHeldOnce, TheTextureHoldsThe3DRoutesPixelsAndGivesThemBack) {
  TestDisplay t(32, 1920, 1080, 60, {}, true);
  t.app.mWidth = 64;
  t.app.mHeight = 48;
  ASSERT_EQ(t.Init(), 0);
  ASSERT_TRUE(t.display->mIs3D);
  Vesk::D3DInterface& d3d = *t.display->GetD3D();
  auto image = t.display->CreateImage();
  image->SetBits(Pixels().data(), kW, kH);
  ASSERT_TRUE(d3d.CreateImageTexture(image.get()));
  EXPECT_EQ(image->mBits, nullptr);
  // Cut again (other texture flags): the old pieces give the pixels to the new ones.
  image->mTextureFlags = MemoryImage::TEXFLAG_POW2;
  ASSERT_TRUE(d3d.CreateImageTexture(image.get()));
  EXPECT_EQ(BitsOf(*image), Pixels());

  // Dropped again by a fresh texture, then back on the software route after the 3D layer goes
  // (as after a failed 3D call): the pixels come back from the texture before it is released.
  auto other = t.display->CreateImage();
  other->SetBits(Pixels().data(), kW, kH);
  ASSERT_TRUE(d3d.CreateImageTexture(other.get()));
  ASSERT_EQ(other->mBits, nullptr);
  d3d.Cleanup();
  ASSERT_NE(other->mBits, nullptr);
  EXPECT_EQ(BitsOf(*other), Pixels());

  // A texture of 4-bit channels loses precision: the pixels stay.
  Vesk::D3DInterface& again = *t.display->GetD3D();
  ASSERT_TRUE(again.InitFromDDInterface(t.display.get()));
  auto narrow = t.display->CreateImage();
  narrow->SetBits(Pixels().data(), kW, kH);
  narrow->mTextureFlags = MemoryImage::TEXFLAG_PREFER16;
  ASSERT_TRUE(again.CreateImageTexture(narrow.get()));
  EXPECT_NE(narrow->mBits, nullptr);
}
