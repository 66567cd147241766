#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

// One glyph rendered to 8-bit coverage: `mWidth` x `mHeight` bytes, row by row. The bitmap's
// top-left pixel lies `mLeft` pixels right of the pen and `mTop` pixels above the baseline.
struct GlyphBitmap {
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  int32_t mLeft = 0;
  int32_t mTop = 0;
  int32_t mAdvance = 0;
  std::vector<uint8_t> mCoverage;
};

// A scalable font face set to one pixel size (the em height in pixels). Every face has its own
// font library, so different faces may be used from different threads; one face is not safe to
// share between threads without a lock.
class FontFace {
 public:
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  // Null, with the reason in *error, when the file cannot be read or is no font, or when the
  // pixel size is outside 1..512.
  static std::unique_ptr<FontFace> FromFile(const std::string& path, int32_t pixelSize, std::string* error);
  static std::unique_ptr<FontFace> FromMemory(std::vector<uint8_t> bytes, int32_t pixelSize, std::string* error);

  // Whole pixels above and below the baseline, and from one baseline to the next.
  int32_t Ascent() const { return mAscent; }
  int32_t Descent() const { return mDescent; }
  int32_t LineSpacing() const { return mLineSpacing; }

  bool HasGlyph(uint32_t codePoint);
  // Horizontal advance in whole pixels; 0 for a character the face lacks.
  int32_t Advance(uint32_t codePoint);
  // The kerning adjustment between two characters in whole pixels (usually 0 or negative).
  int32_t Kerning(uint32_t left, uint32_t right);
  // Renders with anti-aliasing; false when the face lacks the character.
  bool Render(uint32_t codePoint, GlyphBitmap& out);

 private:
  FontFace() = default;
  bool Open(int32_t pixelSize, std::string* error);

  struct Impl;
  std::unique_ptr<Impl> mImpl;
  std::vector<uint8_t> mBytes;
  int32_t mAscent = 0;
  int32_t mDescent = 0;
  int32_t mLineSpacing = 0;
};

// The file of an installed face, by family ("DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono",
// any case, with or without spaces) and style; empty when it is not installed.
std::string FindSystemFontFile(const std::string& family, bool bold, bool italic);

}  // namespace Platform
