// Text drawing of the drawing context: single lines and word-wrapped paragraphs with the current
// font. Fonts are reached through their interface only.
#include <algorithm>
#include <climits>

#include "fonts/Font.h"
#include "graphics/Graphics.h"

namespace Vesk {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

void PushLine(Font& font, const std::wstring& text, size_t start, size_t end, std::vector<TextLine>& lines) {
  size_t last = end;
  while (last > start && IsBlank(text[last - 1])) --last;
  lines.push_back({start, last - start, font.StringWidth(text.data() + start, last - start)});
}
}  // namespace

std::vector<TextLine> WrapTextLines(Font& font, const std::wstring& text, int32_t wrapWidth) {
  std::vector<TextLine> lines;
  size_t start = 0;
  size_t blank = std::wstring::npos;  // the last blank of the current line
  int64_t width = 0;
  wchar_t prev = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\n' || c == L'\r') {
      PushLine(font, text, start, i, lines);
      // "\r\n" counts as one break.
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      start = i + 1;
      blank = std::wstring::npos;
      width = 0;
      prev = 0;
      continue;
    }
    int32_t w = font.CharWidthKern(c, prev);
    if (IsBlank(c)) {
      blank = i;
    } else if (width + w > wrapWidth && i > start) {
      // Break at the last blank, else (no blank, or only leading ones) cut the word here.
      bool atBlank = blank != std::wstring::npos && blank > start;
      size_t next = atBlank ? blank + 1 : i;
      PushLine(font, text, start, atBlank ? blank : i, lines);
      start = next;
      blank = std::wstring::npos;
      width = font.StringWidth(text.data() + start, i - start);
      prev = i > start ? text[i - 1] : 0;
      w = font.CharWidthKern(c, prev);
    }
    width += w;
    prev = c;
  }
  if (start < text.size()) PushLine(font, text, start, text.size(), lines);
  return lines;
}

void Graphics::DrawString(const std::wstring& text, int32_t x, int32_t y) {
  if (mFont && !text.empty()) mFont->DrawString(this, x, y, text.data(), text.size(), mColor);
}

int32_t Graphics::DrawWrappedString(const std::wstring& text, int32_t x, int32_t y, int32_t wrapWidth,
                                    int32_t lineSpacing, int32_t justification) {
  if (!mFont) return 0;
  std::vector<TextLine> lines = WrapTextLines(*mFont, text, wrapWidth);
  if (lines.empty()) return 0;
  int32_t spacing = lineSpacing == -1 ? mFont->GetLineSpacing() : lineSpacing;
  int64_t baseline = y;
  for (const TextLine& line : lines) {
    int64_t lx = x;
    if (justification == 0) lx += (int64_t(wrapWidth) - line.mWidth) / 2;
    else if (justification > 0) lx += int64_t(wrapWidth) - line.mWidth;
    if (line.mLength > 0 && baseline > -(int64_t(1) << 30) && baseline < (int64_t(1) << 30))
      mFont->DrawString(this, int32_t(lx), int32_t(baseline), text.data() + line.mStart, line.mLength, mColor);
    baseline += spacing;
  }
  int64_t used = int64_t(lines.size() - 1) * spacing + mFont->GetHeight();
  return int32_t(std::clamp<int64_t>(used, INT32_MIN, INT32_MAX));
}

int32_t Graphics::DrawWrappedText(const std::wstring& text, const Rect& rect, int32_t lineSpacing,
                                  int32_t justification) {
  if (!mFont) return 0;
  return DrawWrappedString(text, rect.mX, rect.mY + mFont->GetAscent(), rect.mWidth, lineSpacing, justification);
}

}  // namespace Vesk
