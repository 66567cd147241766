#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "fonts/Font.h"
#include "fonts/FontDescription.h"
#include "graphics/MemoryImage.h"

namespace Vesk {

// A font drawn from one glyph image (white glyphs over transparency, tinted by the text colour
// when drawn) laid out by a description file.
class ImageFont : public Font {
 public:
  // Builds the font from a description and its glyph image; glyphs whose rectangle leaves the
  // image are dropped with a warning. The image may be null (a font with advances only).
  ImageFont(const FontDescription& description, std::unique_ptr<MemoryImage> image, const std::string& name);

  // Reads a description file and its glyph image through the file layer (the image's name is
  // taken relative to the description's folder). Null, with a log line, when either is missing
  // or unusable.
  static std::unique_ptr<ImageFont> Load(const std::string& descriptionFile);

  int32_t GetAscent() const override { return mAscent; }
  int32_t GetHeight() const override { return mAscent + mDescent; }
  int32_t GetLineSpacing() const override { return mLineSpacing; }
  int32_t CharWidthKern(wchar_t c, wchar_t prev) override;
  void DrawString(Graphics* g, int32_t x, int32_t y, const wchar_t* text, size_t length, const Color& color) override;

  MemoryImage* GetImage() const { return mImage.get(); }
  size_t GetGlyphCount() const { return mGlyphs.size(); }

  // Held while any image font draws: drawing shares the glyph images' caches between threads.
  static std::mutex& DrawLock();

 private:
  struct Glyph {
    Rect mRect;
    int32_t mOffsetX = 0;
    int32_t mOffsetY = 0;
    int32_t mAdvance = 0;
  };
  const Glyph* Find(wchar_t c) const;

  std::unique_ptr<MemoryImage> mImage;
  int32_t mAscent = 0;
  int32_t mDescent = 0;
  int32_t mLineSpacing = 0;
  std::map<uint32_t, Glyph> mGlyphs;
  std::map<std::pair<uint32_t, uint32_t>, int32_t> mKerning;
};

}  // namespace Vesk
