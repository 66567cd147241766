#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "graphics/Rect.h"

// The contents of an image font's description file (one command a line; see docs/formats.md).
struct FontDescription {
  struct Glyph {
    bool mHasRect = false;
    Rect mRect;  // in the glyph image
    int32_t mOffsetX = 0;
    int32_t mOffsetY = 0;
    bool mHasAdvance = false;
    int32_t mAdvance = 0;
  };

  std::string mImageFile;
  int32_t mAscent = 0;
  int32_t mDescent = 0;
  int32_t mLineSpacing = -1;  // -1: ascent + descent
  std::map<uint32_t, Glyph> mGlyphs;
  std::map<std::pair<uint32_t, uint32_t>, int32_t> mKerning;
};

// Limits the reader enforces; a value outside them is refused with a warning.
namespace FontLimits {
constexpr int32_t kMaxMetric = 1024;       // ascent, descent, glyph width and height, offsets, advances, kerning
constexpr int32_t kMaxLineSpacing = 4096;
constexpr int32_t kMaxImageCoord = 16384;  // glyph positions in the image
constexpr size_t kMaxGlyphs = 65536;
constexpr size_t kMaxKerningPairs = 262144;
constexpr size_t kMaxFileBytes = 4u << 20;
constexpr uint32_t kMaxCodePoint = 0x10FFFF;
}  // namespace FontLimits

// Reads a description. Unknown commands and bad lines are skipped with a "WARNING: " line naming
// the file and line; false (with an "ERROR: " line) when the description cannot make a font:
// no glyph image named, or bigger than the size limit.
bool ParseFontDescription(const std::string& text, const std::string& name, FontDescription& out);
