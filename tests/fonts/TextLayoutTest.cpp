// Word wrap, measuring, justification and the height used, with a font of known advances.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fonts/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {

// Every character advances 10 pixels, a blank 5; "A" followed by "V" kerns by -3. Ascent 8,
// height 10, line spacing 12. Records what it is asked to draw.
class GridFont : public Vesk::Font {
 public:
  struct Drawn {
    int32_t x, y;
    std::wstring text;
  };
  std::vector<Drawn> mDrawn;

  int32_t GetAscent() const override { return 8; }
  int32_t GetHeight() const override { return 10; }
  int32_t GetLineSpacing() const override { return 12; }
  int32_t CharWidthKern(wchar_t c, wchar_t prev) override {
    return (c == L' ' ? 5 : 10) + (prev == L'A' && c == L'V' ? -3 : 0);
  }
  void DrawString(Vesk::Graphics*, int32_t x, int32_t y, const wchar_t* text, size_t length, const Color&) override {
    mDrawn.push_back({x, y, std::wstring(text, length)});
  }
};

std::vector<std::wstring> Lines(const std::wstring& text, int32_t width, std::vector<int32_t>* widths = nullptr) {
  GridFont font;
  std::vector<std::wstring> out;
  for (const Vesk::TextLine& l : Vesk::WrapTextLines(font, text, width)) {
    out.push_back(text.substr(l.mStart, l.mLength));
    if (widths) widths->push_back(l.mWidth);
  }
  return out;
}

using W = std::vector<std::wstring>;

TEST(TextLayout, BreaksAtTheLastBlankBeforeTheOverflowingCharacter) {
  std::vector<int32_t> widths;
  // "aaa bbb" is 65 wide; the next blank makes 70 and "c" would make 80 > 75.
  EXPECT_EQ(Lines(L"aaa bbb ccc", 75, &widths), (W{L"aaa bbb", L"ccc"}));
  EXPECT_EQ(widths, (std::vector<int32_t>{65, 30}));
  // A line exactly as wide as the wrap width stays whole.
  EXPECT_EQ(Lines(L"aaa bbb", 65), (W{L"aaa bbb"}));
  EXPECT_EQ(Lines(L"aaa bbb", 64), (W{L"aaa", L"bbb"}));
  // Several blanks: the break takes the last one; the others are trailing and not measured.
  widths.clear();
  EXPECT_EQ(Lines(L"aa   bb", 45, &widths), (W{L"aa", L"bb"}));
  EXPECT_EQ(widths, (std::vector<int32_t>{20, 20}));
}

TEST(TextLayout, NewlinesBreakAndWordsWiderThanTheLineAreCut) {
  EXPECT_EQ(Lines(L"a\nb\r\nc\rd", 1000), (W{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(Lines(L"a\n\nb\n", 1000), (W{L"a", L"", L"b"}));
  EXPECT_EQ(Lines(L"abcdefghij", 35), (W{L"abc", L"def", L"ghi", L"j"}));
  // A leading blank is no place to break: the word is cut instead of leaving an empty line.
  EXPECT_EQ(Lines(L" abcd", 25), (W{L" ab", L"cd"}));
  // No width at all still places one character a line.
  EXPECT_EQ(Lines(L"ab", 0), (W{L"a", L"b"}));
  EXPECT_TRUE(Lines(L"", 100).empty());
}

TEST(TextLayout, KerningCountsInMeasureAndWrap) {
  GridFont font;
  EXPECT_EQ(font.StringWidth(L"AV"), 17);
  EXPECT_EQ(font.StringWidth(L"VA"), 20);
  std::vector<int32_t> widths;
  // 17 + 5 + 17 = 39 fits 39 but not 38.
  EXPECT_EQ(Lines(L"AV AV", 39, &widths), (W{L"AV AV"}));
  EXPECT_EQ(widths, (std::vector<int32_t>{39}));
  EXPECT_EQ(Lines(L"AV AV", 38), (W{L"AV", L"AV"}));
}

TEST(TextLayout, WrappedStringPlacesLinesByJustificationAndReturnsTheHeightUsed) {
  Vesk::MemoryImage image(300, 200);
  Vesk::Graphics g(&image);
  GridFont font;
  g.SetFont(&font);
  // Left: both lines at x; baselines 12 apart; two lines use 12 + 10.
  EXPECT_EQ(g.DrawWrappedString(L"aaa bbb ccc", 100, 50, 75), 22);
  ASSERT_EQ(font.mDrawn.size(), 2u);
  EXPECT_EQ(font.mDrawn[0].x, 100);
  EXPECT_EQ(font.mDrawn[0].y, 50);
  EXPECT_EQ(font.mDrawn[0].text, L"aaa bbb");
  EXPECT_EQ(font.mDrawn[1].x, 100);
  EXPECT_EQ(font.mDrawn[1].y, 62);
  EXPECT_EQ(font.mDrawn[1].text, L"ccc");

  // Centred: (75 - 65) / 2 and (75 - 30) / 2; an explicit spacing of 20.
  font.mDrawn.clear();
  EXPECT_EQ(g.DrawWrappedString(L"aaa bbb ccc", 100, 50, 75, 20, 0), 30);
  EXPECT_EQ(font.mDrawn[0].x, 105);
  EXPECT_EQ(font.mDrawn[1].x, 122);
  EXPECT_EQ(font.mDrawn[1].y, 70);

  // Right: flush with x + width.
  font.mDrawn.clear();
  g.DrawWrappedString(L"aaa bbb ccc", 100, 50, 75, -1, 1);
  EXPECT_EQ(font.mDrawn[0].x, 110);
  EXPECT_EQ(font.mDrawn[1].x, 145);

  // An empty line takes its place but draws nothing.
  font.mDrawn.clear();
  EXPECT_EQ(g.DrawWrappedString(L"a\n\nb", 0, 8, 100), 34);
  ASSERT_EQ(font.mDrawn.size(), 2u);
  EXPECT_EQ(font.mDrawn[1].y, 32);

  font.mDrawn.clear();
  EXPECT_EQ(g.DrawWrappedString(L"", 0, 8, 100), 0);
  EXPECT_TRUE(font.mDrawn.empty());
}

TEST(TextLayout, WrappedTextStartsAtTheRectangleTopAndNoFontDrawsNothing) {
  Vesk::MemoryImage image(100, 100);
  Vesk::Graphics g(&image);
  EXPECT_EQ(g.DrawWrappedText(L"abc", Rect(10, 20, 75, 100)), 0);
  g.DrawString(L"abc", 0, 0);

  GridFont font;
  g.SetFont(&font);
  EXPECT_EQ(g.DrawWrappedText(L"aaa bbb ccc", Rect(10, 20, 75, 100)), 22);
  ASSERT_EQ(font.mDrawn.size(), 2u);
  EXPECT_EQ(font.mDrawn[0].x, 10);
  EXPECT_EQ(font.mDrawn[0].y, 28);  // the top plus the ascent
  g.DrawString(L"xy", 3, 4);
  EXPECT_EQ(font.mDrawn.back().text, L"xy");
  EXPECT_EQ(font.mDrawn.back().x, 3);
}

}  // namespace
