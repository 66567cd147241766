// Paragraphs drawn with the generated image font and with a system font, checked against the
// layout the font's own metrics give.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "driver/TestFolder.h"
#include "fonts/ImageFont.h"
#include "fonts/SysFont.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace {

std::string GeneratedFonts() {
  const char* dir = std::getenv("CAFE_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/generated/content/fonts/";
}

const std::wstring kParagraph =
    L"The quick brown fox jumps over the lazy dog. Pack my box with five dozen liquor jugs!\n"
    L"Sphinx of black quartz, judge my vow.";

// Draws the paragraph in red and checks every inked pixel against the line boxes of the layout:
// line i has its baseline at y + i x spacing, its ink between baseline - ascent and baseline +
// descent, and between the justified start and end of its measured width (a pixel of slack for
// glyphs that overhang their advance).
void CheckParagraph(Vesk::Font& font, int32_t justification) {
  const int32_t x = 12, width = 230, slack = 2;
  const int32_t y = 6 + font.GetAscent();
  Vesk::MemoryImage image(260, 400);
  Vesk::Graphics g(&image);
  g.SetFont(&font);
  g.SetColor(Color(255, 0, 0));
  int32_t used = g.DrawWrappedString(kParagraph, x, y, width, -1, justification);

  std::vector<Vesk::TextLine> lines = Vesk::WrapTextLines(font, kParagraph, width);
  ASSERT_GE(lines.size(), 4u);
  const int32_t spacing = font.GetLineSpacing(), descent = font.GetHeight() - font.GetAscent();
  EXPECT_EQ(used, int32_t(lines.size() - 1) * spacing + font.GetHeight());

  struct Box {
    int32_t left, right, top, bottom;
    int32_t inked = 0, maxX = -1;
  };
  std::vector<Box> boxes;
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].mWidth, width);
    int32_t start = x + (justification < 0 ? 0 : justification == 0 ? (width - lines[i].mWidth) / 2 : width - lines[i].mWidth);
    int32_t baseline = y + int32_t(i) * spacing;
    boxes.push_back({start - slack, start + lines[i].mWidth + slack, baseline - font.GetAscent(), baseline + descent});
  }
  const uint32_t* bits = image.GetBits();
  int stray = 0;
  for (int32_t py = 0; py < image.mHeight; ++py)
    for (int32_t px = 0; px < image.mWidth; ++px) {
      uint32_t p = bits[size_t(py) * image.mWidth + px];
      if (!p) continue;
      if ((p >> 24) > 128) {
        EXPECT_EQ(p & 0xFFFF, 0u) << "not red at " << px << "," << py;
      }
      bool inside = false;
      for (Box& b : boxes)
        if (px >= b.left && px < b.right && py >= b.top && py < b.bottom) {
          inside = true;
          ++b.inked;
          b.maxX = std::max(b.maxX, px);
        }
      stray += !inside;
    }
  EXPECT_EQ(stray, 0);
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_GT(boxes[i].inked, lines[i].mLength) << "line " << i;
    // The ink reaches to the end of the measured line, less the last glyph's side bearing.
    EXPECT_GE(boxes[i].maxX, boxes[i].right - slack - 1 - 4) << "line " << i;
  }
}

TEST(TextRender, GeneratedImageFontFollowsItsMetrics) {
  LogHistory::Clear();
  std::unique_ptr<Vesk::ImageFont> font = Vesk::ImageFont::Load(GeneratedFonts() + "main.txt");
  ASSERT_NE(font, nullptr);
  for (auto& l : LogHistory::Recent()) ADD_FAILURE() << l;
  EXPECT_GT(font->GetGlyphCount(), 180u);
  EXPECT_GE(font->GetLineSpacing(), font->GetHeight());
  for (int32_t j : {-1, 0, 1}) CheckParagraph(*font, j);
}

TEST(TextRender, SystemFontFollowsItsMetrics) {
  for (bool bold : {false, true}) {
    std::unique_ptr<Vesk::SysFont> font = Vesk::SysFont::Create("DejaVu Sans", 16, bold);
    ASSERT_NE(font, nullptr);
    EXPECT_GT(font->StringWidth(L"WWW"), font->StringWidth(L"iii"));
    for (int32_t j : {-1, 0, 1}) CheckParagraph(*font, j);
  }
}

TEST(TextRender, SystemFontTextIsClippedToTheClipRectangle) {
  std::unique_ptr<Vesk::SysFont> font = Vesk::SysFont::Create("DejaVu Serif", 20);
  ASSERT_NE(font, nullptr);
  Vesk::MemoryImage image(100, 40);
  Vesk::Graphics g(&image);
  g.SetFont(font.get());
  g.SetClipRect(10, 0, 30, 40);
  g.DrawString(L"MMMMMMMM", -5, 25);
  int inside = 0;
  for (int32_t py = 0; py < 40; ++py)
    for (int32_t px = 0; px < 100; ++px)
      if (image.GetBits()[py * 100 + px]) {
        EXPECT_TRUE(px >= 10 && px < 40) << px;
        ++inside;
      }
  EXPECT_GT(inside, 50);
  // Far outside the image: nothing drawn, nothing touched.
  g.DrawString(L"MM", 2000000000, -2000000000);
  g.DrawString(L"MM", -2000000000, 2000000000);
}

TEST(TextRender, ImageFontWithoutItsGlyphImageIsRefused) {
  std::filesystem::path dir = TestTempFolder() / ("fonts_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "lost.txt") << "image lost.png\nascent 10\nglyph 65 0 0 4 4\n";
  std::ofstream(dir / "broken.png") << "not a png";
  std::ofstream(dir / "broken.txt") << "image broken.png\n";
  LogHistory::Clear();
  EXPECT_EQ(Vesk::ImageFont::Load((dir / "lost.txt").string()), nullptr);
  EXPECT_TRUE(LogHistory::Contains("glyph image lost.png cannot be loaded"));
  EXPECT_EQ(Vesk::ImageFont::Load((dir / "broken.txt").string()), nullptr);
  EXPECT_EQ(Vesk::ImageFont::Load((dir / "absent.txt").string()), nullptr);
  EXPECT_TRUE(LogHistory::Contains("absent.txt not found"));
  std::filesystem::remove_all(dir);
}

}  // namespace
