#pragma once
#include <cstdint>
#include <string>

#include "graphics/Color.h"

namespace Vesk {

class Graphics;

// A font: metrics and drawing of one line of text. Coordinates are those of the drawing context
// (its translation and clip apply); y is the baseline. The class is an interface only, so the
// drawing context can use fonts without linking the font code.
class Font {
 public:
  virtual ~Font() = default;

  // Whole pixels above the baseline, the full height of a line's ink box (ascent + descent),
  // and the distance from one baseline to the next.
  virtual int32_t GetAscent() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual int32_t GetLineSpacing() const = 0;
  // The advance of `c` when it follows `prev` (0 for none), kerning included.
  virtual int32_t CharWidthKern(wchar_t c, wchar_t prev) = 0;
  int32_t CharWidth(wchar_t c) { return CharWidthKern(c, 0); }
  // The width of the text drawn on one line (newlines are not special here).
  int32_t StringWidth(const std::wstring& text) { return StringWidth(text.data(), text.size()); }
  int32_t StringWidth(const wchar_t* text, size_t length) {
    int64_t width = 0;
    wchar_t prev = 0;
    for (size_t i = 0; i < length; ++i) {
      width += CharWidthKern(text[i], prev);
      prev = text[i];
    }
    return int32_t(width);
  }
  // Draws the text with its baseline at y, in the colour, with the context's draw mode.
  virtual void DrawString(Graphics* g, int32_t x, int32_t y, const wchar_t* text, size_t length,
                          const Color& color) = 0;
};

}  // namespace Vesk
