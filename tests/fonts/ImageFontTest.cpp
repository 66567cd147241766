// The font description reader and image fonts built from it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fonts/FontDescription.h"
#include "fonts/ImageFont.h"
#include "graphics/Graphics.h"
#include "shell/Log.h"

namespace {

int LogLinesWith(const std::string& text) {
  int n = 0;
  for (const std::string& l : LogHistory::Recent()) n += l.find(text) != std::string::npos;
  return n;
}

// A 40 x 20 sheet, white and opaque.
std::unique_ptr<Vesk::MemoryImage> Sheet() {
  auto image = std::make_unique<Vesk::MemoryImage>(40, 20);
  uint32_t* bits = image->GetBits();
  for (int i = 0; i < 40 * 20; ++i) bits[i] = 0xFFFFFFFF;
  image->BitsChanged();
  return image;
}

const char* const kGood =
    "# a test font\n"
    "image \"glyph sheet.png\"\r\n"
    "ascent 12\n"
    "descent 4\n"
    "linespacing 18\n"
    "glyph 65 0 0 8 10 1 2\n"
    "glyph U+0042 10 0 6 10\n"
    "advance 65 9\n"
    "advance 32 4\n"
    "kern 65 66 -2\n"
    "   \n";

TEST(FontDescription, ReadsEveryCommand) {
  LogHistory::Clear();
  FontDescription d;
  ASSERT_TRUE(ParseFontDescription(kGood, "good.txt", d));
  EXPECT_TRUE(LogHistory::Recent().empty());
  EXPECT_EQ(d.mImageFile, "glyph sheet.png");
  EXPECT_EQ(d.mAscent, 12);
  EXPECT_EQ(d.mDescent, 4);
  EXPECT_EQ(d.mLineSpacing, 18);
  ASSERT_EQ(d.mGlyphs.size(), 3u);
  const auto& a = d.mGlyphs.at(65);
  EXPECT_TRUE(a.mHasRect);
  EXPECT_EQ(a.mRect, Rect(0, 0, 8, 10));
  EXPECT_EQ(a.mOffsetX, 1);
  EXPECT_EQ(a.mOffsetY, 2);
  EXPECT_EQ(a.mAdvance, 9);
  EXPECT_FALSE(d.mGlyphs.at(66).mHasAdvance);
  EXPECT_FALSE(d.mGlyphs.at(32).mHasRect);
  EXPECT_EQ(d.mKerning.at({65, 66}), -2);
}

TEST(FontDescription, BadLinesAreSkippedWithAWarningAndNoImageIsAnError) {
  LogHistory::Clear();
  FontDescription d;
  const char* text =
      "image a.png\n"
      "colour 255\n"                      // unknown command
      "ascent 99999\n"                    // absurd metric
      "ascent -1\n"
      "descent 3 4\n"                     // too many words
      "glyph 65 0 0 5000 10\n"            // absurd width
      "glyph 1114112 0 0 1 1\n"           // beyond Unicode
      "glyph U+-41 0 0 1 1\n"
      "glyph 66 0 0 4 4 1\n"              // offsets come in pairs
      "advance 67 12abc\n"
      "kern 65\n"
      "linespacing 99999999999999999999\n"
      "glyph 68 1 1 2 2 -3 -4\n";
  ASSERT_TRUE(ParseFontDescription(text, "bad.txt", d));
  EXPECT_EQ(LogLinesWith("WARNING: font bad.txt line"), 11);
  EXPECT_TRUE(LogHistory::Contains("line 2: unknown command \"colour\""));
  EXPECT_EQ(d.mAscent, 0);
  EXPECT_EQ(d.mDescent, 0);
  EXPECT_EQ(d.mLineSpacing, -1);
  ASSERT_EQ(d.mGlyphs.size(), 1u);
  EXPECT_EQ(d.mGlyphs.at(68).mOffsetX, -3);

  LogHistory::Clear();
  EXPECT_FALSE(ParseFontDescription("ascent 4\nimage\n", "noimage.txt", d));
  EXPECT_TRUE(LogHistory::Contains("ERROR: font noimage.txt names no glyph image"));
  EXPECT_FALSE(ParseFontDescription(std::string(FontLimits::kMaxFileBytes + 1, '#'), "huge.txt", d));
}

TEST(ImageFont, MeasuresWithAdvancesAndKerningAndDropsGlyphsOutsideItsImage) {
  FontDescription d;
  std::string withOutside = kGood;
  withOutside += "glyph 67 35 0 10 10\n";
  ASSERT_TRUE(ParseFontDescription(withOutside, "f.txt", d));
  LogHistory::Clear();
  Vesk::ImageFont font(d, Sheet(), "f.txt");
  EXPECT_TRUE(LogHistory::Contains("glyph 67 lies outside its image"));
  EXPECT_EQ(font.GetGlyphCount(), 3u);
  EXPECT_EQ(font.GetAscent(), 12);
  EXPECT_EQ(font.GetHeight(), 16);
  EXPECT_EQ(font.GetLineSpacing(), 18);
  EXPECT_EQ(font.CharWidth(L'A'), 9);
  EXPECT_EQ(font.CharWidth(L'B'), 6);  // the glyph's width when no advance is given
  EXPECT_EQ(font.CharWidth(L'C'), 0);  // dropped, and characters without glyph take no room
  EXPECT_EQ(font.StringWidth(L"AB"), 13);
  EXPECT_EQ(font.StringWidth(L"BA"), 15);
  EXPECT_EQ(font.StringWidth(L"A B"), 19);

  // Without a line spacing, lines follow each other at ascent + descent.
  d.mLineSpacing = -1;
  EXPECT_EQ(Vesk::ImageFont(d, nullptr, "g").GetLineSpacing(), 16);
}

TEST(ImageFont, DrawsGlyphsAtTheirOffsetsFromTheBaselineInTheTextColour) {
  FontDescription d;
  ASSERT_TRUE(ParseFontDescription(kGood, "f.txt", d));
  Vesk::ImageFont font(d, Sheet(), "f.txt");
  Vesk::MemoryImage dest(60, 40);
  Vesk::Graphics g(&dest);
  g.SetFont(&font);
  g.SetColor(Color(0, 0, 255));
  g.Translate(5, 0);
  // Baseline 20: the line top is 8; "A" lands at (5 + 10 + 1, 8 + 2), "B" after A's 9 and the
  // kerning of -2, at (5 + 10 + 7, 8).
  g.DrawString(L"AB", 10, 20);
  const uint32_t* bits = dest.GetBits();
  auto at = [&](int x, int y) { return bits[y * 60 + x]; };
  EXPECT_EQ(at(16, 10), 0xFF0000FFu);
  EXPECT_EQ(at(23, 19), 0xFF0000FFu);  // A's last column and row
  EXPECT_EQ(at(22, 8), 0xFF0000FFu);   // B's top-left corner
  EXPECT_EQ(at(21, 8), 0u);
  int inked = 0, minX = 60, maxX = 0, minY = 40, maxY = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      if (at(x, y)) {
        ++inked;
        minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  EXPECT_EQ(minX, 16);
  EXPECT_EQ(maxX, 27);  // B: 22 + 6 - 1
  EXPECT_EQ(minY, 8);
  EXPECT_EQ(maxY, 19);
  EXPECT_EQ(inked, 8 * 10 + 6 * 10 - 2 * 8);  // A and B overlap in columns 22, 23, rows 10 to 17
}

}  // namespace
