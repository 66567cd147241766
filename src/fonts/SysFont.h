#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "fonts/Font.h"

namespace Platform {
class FontFace;
struct GlyphBitmap;
}  // namespace Platform

namespace Vesk {

// A font rendered from an installed scalable face, anti-aliased, glyph by glyph on first use.
// Safe to measure and draw from several threads.
class SysFont : public Font {
 public:
  ~SysFont() override;

  // The face by family name ("DejaVu Sans", "DejaVu Serif"...) and pixel size (the em height).
  // An unknown family falls back to "DejaVu Sans" with a warning; null, with an "ERROR: " line,
  // when no face can be opened or the size is outside 1..512.
  static std::unique_ptr<SysFont> Create(const std::string& family, int32_t pixelSize, bool bold = false,
                                         bool italic = false);
  // A face read from a font file (pack or disk).
  static std::unique_ptr<SysFont> CreateFromFile(const std::string& file, int32_t pixelSize);

  int32_t GetAscent() const override { return mAscent; }
  int32_t GetHeight() const override { return mAscent + mDescent; }
  int32_t GetLineSpacing() const override { return mLineSpacing; }
  int32_t CharWidthKern(wchar_t c, wchar_t prev) override;
  void DrawString(Graphics* g, int32_t x, int32_t y, const wchar_t* text, size_t length, const Color& color) override;

 private:
  explicit SysFont(std::unique_ptr<Platform::FontFace> face);
  // The rendered glyph, cached; the caller holds mLock.
  const Platform::GlyphBitmap& GlyphLocked(uint32_t c);
  int32_t KerningLocked(uint32_t prev, uint32_t c);

  std::mutex mLock;
  std::unique_ptr<Platform::FontFace> mFace;
  std::map<uint32_t, std::unique_ptr<Platform::GlyphBitmap>> mGlyphs;
  std::map<uint64_t, int32_t> mKerning;
  int32_t mAscent = 0;
  int32_t mDescent = 0;
  int32_t mLineSpacing = 0;
};

}  // namespace Vesk
