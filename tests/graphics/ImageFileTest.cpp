// The image file readers on files written by the codec libraries, the writers, and bad files.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "driver/TestFolder.h"
#include "graphics/ImageLib.h"
#include "shell/Log.h"
#include "support/ImageFileWriters.h"
#include "support/PixelReference.h"

using Vesk::MemoryImage;
namespace fs = std::filesystem;

namespace {

uint32_t Pattern(int x, int y) {
  // Every alpha class, and channels that differ from each other.
  uint32_t a = (x % 3 == 0) ? 255 : (x % 3 == 1) ? 0 : uint32_t(40 + 20 * y) & 255;
  return (a << 24) | ((uint32_t(x * 37) & 255) << 16) | ((uint32_t(y * 53) & 255) << 8) | (uint32_t(x * y * 11) & 255);
}
uint32_t Opaque(int x, int y) { return Pattern(x, y) | 0xFF000000u; }
uint32_t Grey(int x, int y) {
  uint32_t v = uint32_t(x * 29 + y * 7) & 255;
  return 0xFF000000u | v * 0x010101u;
}
uint32_t FewColours(int x, int y) {
  static const uint32_t kColours[] = {0xFFFF0000, 0x00000000, 0x80123456, 0xFF00FF00, 0xFFFFFFFF};
  return kColours[(x + 2 * y) % 5];
}

std::unique_ptr<MemoryImage> Decode(const std::vector<uint8_t>& bytes, const std::string& name) {
  return ImageLib::DecodeImage(bytes.data(), bytes.size(), name);
}

void ExpectPixels(MemoryImage* img, int w, int h, const testfiles::PixelFn& want, int tolerance = 0) {
  ASSERT_NE(img, nullptr);
  ASSERT_EQ(img->mWidth, w);
  ASSERT_EQ(img->mHeight, h);
  const uint32_t* bits = img->GetBits();
  EXPECT_EQ(bits[w * h], MemoryImage::kSentinel);
  int bad = 0;
  for (int y = 0; y < h && bad < 5; ++y)
    for (int x = 0; x < w && bad < 5; ++x) {
      uint32_t got = bits[y * w + x], exp = want(x, y);
      for (int sh : {0, 8, 16, 24})
        if (std::abs(int((got >> sh) & 255) - int((exp >> sh) & 255)) > tolerance) {
          ++bad;
          ADD_FAILURE() << "(" << x << ", " << y << ") got " << std::hex << got << " want " << exp;
          break;
        }
    }
}

void ExpectRejected(const std::vector<uint8_t>& bytes, const std::string& name) {
  LogHistory::Clear();
  auto img = Decode(bytes, name);
  EXPECT_EQ(img, nullptr) << name;
  EXPECT_TRUE(LogHistory::Contains("ERROR: ")) << name;
}

}  // namespace

TEST(PngReader, ColourTypesDepthsAndInterlacing) {
  ExpectPixels(Decode(testfiles::Png(13, 7, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, Pattern), "a.png").get(), 13, 7,
               Pattern);
  ExpectPixels(Decode(testfiles::Png(13, 7, PNG_COLOR_TYPE_RGB, 8, true, Opaque), "b.png").get(), 13, 7, Opaque);
  // 16 bits per channel keep the high byte.
  ExpectPixels(Decode(testfiles::Png(9, 5, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, Pattern), "c.png").get(), 9, 5,
               Pattern);
  ExpectPixels(Decode(testfiles::Png(9, 5, PNG_COLOR_TYPE_GRAY, 8, false, Grey), "d.png").get(), 9, 5, Grey);
  ExpectPixels(Decode(testfiles::Png(9, 5, PNG_COLOR_TYPE_GRAY, 16, true, Grey), "e.png").get(), 9, 5, Grey);
  auto greyAlpha = [](int x, int y) { return (Grey(x, y) & 0xFFFFFF) | (uint32_t(x * 30) << 24); };
  ExpectPixels(Decode(testfiles::Png(8, 3, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, greyAlpha), "f.png").get(), 8, 3,
               greyAlpha);
  // Colour table with transparency, at 8 and 4 bits per index.
  ExpectPixels(Decode(testfiles::Png(11, 6, PNG_COLOR_TYPE_PALETTE, 8, false, FewColours), "g.png").get(), 11, 6,
               FewColours);
  ExpectPixels(Decode(testfiles::Png(11, 6, PNG_COLOR_TYPE_PALETTE, 4, true, FewColours), "h.png").get(), 11, 6,
               FewColours);
  auto bw = [](int x, int y) { return ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u; };
  ExpectPixels(Decode(testfiles::Png(10, 3, PNG_COLOR_TYPE_GRAY, 1, false, bw), "i.png").get(), 10, 3, bw);
}

TEST(PngReader, FlagsAreComputedOnLoad) {
  auto img = Decode(testfiles::Png(6, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, Pattern), "a.png");
  ASSERT_TRUE(img);
  EXPECT_TRUE(img->mHasTrans);
  EXPECT_TRUE(img->mHasAlpha);
  EXPECT_EQ(img->mFilePath, "a.png");
}

TEST(PngReader, BadFiles) {
  auto good = testfiles::Png(40, 30, PNG_COLOR_TYPE_RGB, 8, false, Opaque);
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)), "half.png");
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + 8), "signature.png");
  auto corrupt = good;
  for (size_t i = 60; i < corrupt.size() - 20; i += 7) corrupt[i] ^= 0x55;
  testfiles::FixPngCrcs(corrupt);
  ExpectRejected(corrupt, "corrupt.png");
  // A header that claims a huge image is refused before any pixel is allocated: a side over
  // 16384, or sides within it whose pixels pass the 256 MiB budget (16384 x 4097 x 4 bytes).
  const std::pair<uint32_t, uint32_t> sizes[] = {{20000u, 20000u}, {16384u, 16384u}, {16384u, 4097u}, {4097u, 16384u}};
  for (const auto& [w, h] : sizes) {
    auto huge = good;
    for (int i = 0; i < 4; ++i) {
      huge[16 + i] = uint8_t(w >> (24 - 8 * i));
      huge[20 + i] = uint8_t(h >> (24 - 8 * i));
    }
    testfiles::FixPngCrcs(huge);
    ExpectRejected(huge, "huge.png");
    // libpng refuses sides past its own limit itself; within it, the budget does.
    if (w <= 16384) {
      EXPECT_TRUE(LogHistory::Contains("is too large")) << w << " x " << h;
    }
  }
}

TEST(ImageSize, SidesAndThePixelBudgetBound) {
  EXPECT_TRUE(ImageLib::CheckImageSize(16384, 4096, "a"));  // exactly 256 MiB
  EXPECT_TRUE(ImageLib::CheckImageSize(1, 16384, "a"));
  EXPECT_FALSE(ImageLib::CheckImageSize(16384, 4097, "a"));
  EXPECT_FALSE(ImageLib::CheckImageSize(8193, 8193, "a"));
  EXPECT_FALSE(ImageLib::CheckImageSize(16385, 1, "a"));
  EXPECT_FALSE(ImageLib::CheckImageSize(0, 10, "a"));
  EXPECT_FALSE(ImageLib::CheckImageSize(10, -1, "a"));
}

TEST(JpegReader, RoundTripAndBadFiles) {
  auto src = ref::MakeImage(33, 17, [](int x, int y) { return 0xFF000000u | uint32_t(x * 7) << 16 | uint32_t(y * 14) << 8 | 0x40; });
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ImageLib::EncodeJPEG(*src, bytes, 95));
  auto img = Decode(bytes, "a.jpg");
  ExpectPixels(img.get(), 33, 17, [&](int x, int y) { return src->GetBits()[y * 33 + x]; }, 8);
  EXPECT_FALSE(img->mHasAlpha);
  EXPECT_FALSE(img->mHasTrans);
  ExpectRejected(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(bytes.size() * 2 / 3)), "short.jpg");
  ExpectRejected(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3), "stub.jpg");
  auto huge = bytes;
  // The frame header: FF C0, length, precision, height, width.
  for (size_t i = 2; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
      break;
    }
  ExpectRejected(huge, "huge.jpg");
}

TEST(JpegReader, GreyAndCmyk) {
  auto smooth = [](int x, int y) { return 0xFF000000u | uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | uint32_t(x + y) * 4; };
  auto grey = [](int x, int y) { return 0xFF000000u | uint32_t(x * 6 + y * 2) * 0x010101u; };
  ExpectPixels(Decode(testfiles::Jpeg(16, 16, 1, grey), "grey.jpg").get(), 16, 16, grey, 4);
  ExpectPixels(Decode(testfiles::Jpeg(16, 16, 4, smooth), "cmyk.jpg").get(), 16, 16, smooth, 6);
}

TEST(GifReader, TransparencyInterlaceAndPlacement) {
  // One bit of transparency: every visible pixel is opaque.
  auto binary = [](int x, int y) {
    uint32_t p = FewColours(x, y);
    return (p >> 24) ? p | 0xFF000000u : 0u;
  };
  ExpectPixels(Decode(testfiles::Gif(11, 9, FewColours, false), "a.gif").get(), 11, 9, binary);
  auto opaqueFew = [](int x, int y) { return FewColours(x, y) | 0xFF000000u; };
  ExpectPixels(Decode(testfiles::Gif(11, 19, opaqueFew, true), "b.gif").get(), 11, 19, opaqueFew);
  // A frame at (2, 1) in a 6 x 5 screen: the rest of the screen is transparent.
  auto framed = Decode(testfiles::Gif(3, 2, opaqueFew, false, 6, 5, 2, 1), "c.gif");
  ExpectPixels(framed.get(), 6, 5, [&](int x, int y) {
    return (x >= 2 && x < 5 && y >= 1 && y < 3) ? opaqueFew(x - 2, y - 1) : 0u;
  });
  EXPECT_TRUE(framed->mHasTrans);
}

TEST(GifReader, BadFiles) {
  auto good = testfiles::Gif(30, 20, FewColours, false);
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)), "half.gif");
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + 6), "stub.gif");
  auto huge = good;
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // screen 65535 x 65535
  ExpectRejected(huge, "huge.gif");
}

TEST(TgaReader, TypesDepthsAndOrigins) {
  auto p32 = Pattern;
  ExpectPixels(Decode(testfiles::Tga(7, 5, 2, 32, false, p32), "a.tga").get(), 7, 5, p32);
  ExpectPixels(Decode(testfiles::Tga(7, 5, 2, 32, true, p32), "b.tga").get(), 7, 5, p32);
  ExpectPixels(Decode(testfiles::Tga(7, 5, 2, 24, false, Opaque), "c.tga").get(), 7, 5, Opaque);
  ExpectPixels(Decode(testfiles::Tga(40, 6, 10, 32, false, FewColours), "d.tga").get(), 40, 6, FewColours);
  ExpectPixels(Decode(testfiles::Tga(7, 5, 3, 8, true, Grey), "e.tga").get(), 7, 5, Grey);
  ExpectPixels(Decode(testfiles::Tga(30, 5, 11, 8, false, Grey), "f.tga").get(), 30, 5, Grey);
  ExpectPixels(Decode(testfiles::Tga(9, 4, 1, 8, false, FewColours), "g.tga").get(), 9, 4, FewColours);
  ExpectPixels(Decode(testfiles::Tga(9, 4, 9, 8, true, FewColours), "h.tga").get(), 9, 4, FewColours);
  // 16 bits: five bits a channel, widened by repeating the top bits; one bit of alpha.
  auto five = [](int x, int y) {
    uint32_t p = Pattern(x, y);
    auto w = [](uint32_t c) { return ((c >> 3) << 3) | (c >> 5); };
    return ((p >> 24) >= 128 ? 0xFF000000u : 0u) | w((p >> 16) & 255) << 16 | w((p >> 8) & 255) << 8 | w(p & 255);
  };
  ExpectPixels(Decode(testfiles::Tga(7, 5, 2, 16, false, Pattern), "i.tga").get(), 7, 5, five);
}

TEST(TgaReader, BadFiles) {
  auto good = testfiles::Tga(40, 6, 10, 32, false, FewColours);
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() - 3)), "short.tga");
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + 10), "stub.tga");
  auto huge = good;
  huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;  // 65535 x 65535
  ExpectRejected(huge, "huge.tga");
  auto big = good;
  big[12] = 0x00;
  big[13] = 0x40;  // 16384 x 16384 x 4 bytes is over the pixel budget
  big[14] = 0x00;
  big[15] = 0x40;
  ExpectRejected(big, "big.tga");
  auto type = good;
  type[2] = 32;
  ExpectRejected(type, "type.tga");
  auto depth = good;
  depth[16] = 12;
  ExpectRejected(depth, "depth.tga");
  // A run packet that passes the end of the image.
  auto run = testfiles::Tga(2, 1, 10, 32, true, Opaque);
  run[18] = 0x85;
  ExpectRejected(run, "run.tga");
  // An index outside the colour map.
  auto index = testfiles::Tga(2, 1, 1, 8, true, Opaque);
  index.back() = 200;
  ExpectRejected(index, "index.tga");
}

TEST(Jpeg2000Reader, CodestreamAndJp2WithAlphaAndGrey) {
  ExpectPixels(Decode(testfiles::Jpeg2000(12, 9, 3, false, Opaque), "a.j2k").get(), 12, 9, Opaque);
  ExpectPixels(Decode(testfiles::Jpeg2000(12, 9, 4, true, Pattern), "b.jp2").get(), 12, 9, Pattern);
  ExpectPixels(Decode(testfiles::Jpeg2000(12, 9, 1, false, Grey), "c.j2k").get(), 12, 9, Grey);
}

TEST(Jpeg2000Reader, BadFiles) {
  auto good = testfiles::Jpeg2000(32, 32, 3, false, Opaque);
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)), "half.j2k");
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + 4), "stub.j2k");
  auto huge = good;
  // SIZ marker: FF 51, length, capabilities, then Xsiz and Ysiz.
  for (size_t i = 0; i + 14 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0x51) {
      for (size_t k = i + 6; k < i + 14; ++k) huge[k] = 0x7F;
      break;
    }
  ExpectRejected(huge, "huge.j2k");
}

// Writes the SIZ fields from Xsiz on: picture and tile sizes (offsets 0), then the component count.
void PutSiz(uint8_t* siz, uint32_t w, uint32_t h, uint32_t tw, uint32_t th, uint16_t comps) {
  uint32_t v[8] = {w, h, 0, 0, tw, th, 0, 0};
  for (int i = 0; i < 8; ++i)
    for (int b = 0; b < 4; ++b) siz[4 * i + b] = uint8_t(v[i] >> (24 - 8 * b));
  siz[32] = uint8_t(comps >> 8);
  siz[33] = uint8_t(comps);
}

// A header that declares a picture over the limit, or more tiles than any picture needs, is refused
// for that before the decoder sets anything up: these codestreams end after SIZ, so a refusal that
// came only after reading the header would name the missing markers instead.
TEST(Jpeg2000Reader, DeclaredSizeAndTilesRefusedBeforeDecoding) {
  auto sizOnly = [](uint32_t w, uint32_t h, uint32_t tw, uint32_t th, uint16_t comps) {
    size_t length = 38 + 3 * size_t(comps);
    std::vector<uint8_t> cs = {0xFF, 0x4F, 0xFF, 0x51, uint8_t(length >> 8), uint8_t(length), 0x00, 0x00};
    cs.resize(cs.size() + 34 + 3 * comps, 0);
    PutSiz(cs.data() + 8, w, h, tw, th, comps);
    for (size_t c = 0; c < comps; ++c) cs[42 + 3 * c] = 7, cs[43 + 3 * c] = cs[44 + 3 * c] = 1;
    return cs;
  };
  auto expectRefused = [](const std::vector<uint8_t>& bytes, const std::string& name, const char* reason) {
    ExpectRejected(bytes, name);
    EXPECT_TRUE(LogHistory::Contains(reason)) << name;
  };
  expectRefused(sizOnly(262150, 4, 6, 4, 3), "wide.j2k", "too large");
  expectRefused(sizOnly(256, 256, 2, 2, 3), "tiles.j2k", "too many tiles");
  expectRefused(sizOnly(16, 16, 16, 16, 300), "comps.j2k", "number of components");
  // In a .jp2 file the codestream is found in its box.
  auto jp2 = testfiles::Jpeg2000(32, 32, 3, true, Opaque);
  for (size_t i = 0; i + 42 < jp2.size(); ++i)
    if (jp2[i] == 0xFF && jp2[i + 1] == 0x4F && jp2[i + 2] == 0xFF && jp2[i + 3] == 0x51) {
      PutSiz(jp2.data() + i + 8, 128, 64, 1, 1, 3);
      break;
    }
  expectRefused(jp2, "tiles.jp2", "too many tiles");
}

TEST(ImageLoader, ContentDecidesTheFormatAndNamesFallBack) {
  auto dir = TestTempFolder() / "imageloader";
  fs::create_directories(dir);
  auto png = testfiles::Png(4, 3, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, Pattern);
  std::ofstream((dir / "pic.png").string(), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                                     long(png.size()));
  // A PNG named .tga is still read as a PNG.
  std::ofstream((dir / "wrong.tga").string(), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                                      long(png.size()));
  std::string base = dir.string();
  ExpectPixels(ImageLib::GetImage(base + "\\pic").get(), 4, 3, Pattern);
  ExpectPixels(ImageLib::GetImage(base + "/pic.png").get(), 4, 3, Pattern);
  ExpectPixels(ImageLib::GetImage(base + "/wrong.tga").get(), 4, 3, Pattern);
  LogHistory::Clear();
  EXPECT_EQ(ImageLib::GetImage(base + "/missing"), nullptr);
  EXPECT_TRUE(LogHistory::Contains("ERROR: "));
  // Garbage named .png is not handed to another reader.
  std::vector<uint8_t> junk(100, 0x11);
  ExpectRejected(junk, "junk.png");
  ExpectRejected({}, "empty.tga");
}

TEST(ImageWriters, PngRoundTripJpegAndScreenshots) {
  auto dir = TestTempFolder() / "imagewriters";
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto img = ref::MakeImage(17, 5, Pattern);
  ASSERT_TRUE(ImageLib::WritePNG(*img, (dir / "out.png").string()));
  ExpectPixels(ImageLib::GetImage((dir / "out.png").string()).get(), 17, 5, Pattern);
  ASSERT_TRUE(ImageLib::WriteJPEG(*img, (dir / "out.jpg").string(), 100));
  auto jpg = ImageLib::GetImage((dir / "out.jpg").string());
  ASSERT_TRUE(jpg);
  EXPECT_EQ(jpg->mWidth, 17);
  EXPECT_FALSE(fs::exists(dir / "out.png.tmp"));
  EXPECT_EQ(ImageLib::WriteScreenshot(*img, dir.string()), 0);
  EXPECT_EQ(ImageLib::WriteScreenshot(*img, dir.string()), 1);
  ExpectPixels(ImageLib::GetImage((dir / "_screenshots" / "1.png").string()).get(), 17, 5, Pattern);
  LogHistory::Clear();
  EXPECT_FALSE(ImageLib::WritePNG(*img, (dir / "no" / "such" / "folder.png").string()));
  EXPECT_TRUE(LogHistory::Contains("ERROR: "));
}
