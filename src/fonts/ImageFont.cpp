#include "fonts/ImageFont.h"

#include <climits>

#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

namespace Vesk {

ImageFont::ImageFont(const FontDescription& d, std::unique_ptr<MemoryImage> image, const std::string& name)
    : mImage(std::move(image)),
      mAscent(d.mAscent),
      mDescent(d.mDescent),
      mLineSpacing(d.mLineSpacing >= 0 ? d.mLineSpacing : d.mAscent + d.mDescent),
      mKerning(d.mKerning) {
  Rect bounds = mImage ? mImage->GetRect() : Rect();
  for (const auto& [code, dg] : d.mGlyphs) {
    Glyph g;
    if (dg.mHasRect) {
      Rect r = dg.mRect;
      if (r.mWidth > 0 && r.mHeight > 0 && !(r.Intersection(bounds) == r)) {
        LogMessage("WARNING: font %s: glyph %u lies outside its image; dropped", name.c_str(), unsigned(code));
        continue;
      }
      g.mRect = r;
      g.mOffsetX = dg.mOffsetX;
      g.mOffsetY = dg.mOffsetY;
    }
    g.mAdvance = dg.mHasAdvance ? dg.mAdvance : g.mRect.mWidth;
    mGlyphs[code] = g;
  }
}

std::unique_ptr<ImageFont> ImageFont::Load(const std::string& descriptionFile) {
  std::vector<uint8_t> bytes;
  if (!GetPakInterface()->ReadWholeFile(descriptionFile, bytes, FileKind::kFontDescription)) {
    LogMessage("ERROR: font description %s not found", descriptionFile.c_str());
    return nullptr;
  }
  FontDescription d;
  if (!ParseFontDescription(std::string(bytes.begin(), bytes.end()), descriptionFile, d)) return nullptr;
  size_t slash = descriptionFile.find_last_of("\\/");
  std::string folder = slash == std::string::npos ? "" : descriptionFile.substr(0, slash + 1);
  std::unique_ptr<MemoryImage> image = ImageLib::GetImage(folder + d.mImageFile);
  if (!image) {
    LogMessage("ERROR: font %s: glyph image %s cannot be loaded", descriptionFile.c_str(), d.mImageFile.c_str());
    return nullptr;
  }
  return std::make_unique<ImageFont>(d, std::move(image), descriptionFile);
}

std::mutex& ImageFont::DrawLock() {
  static std::mutex lock;
  return lock;
}

const ImageFont::Glyph* ImageFont::Find(wchar_t c) const {
  auto it = mGlyphs.find(uint32_t(c));
  return it == mGlyphs.end() ? nullptr : &it->second;
}

int32_t ImageFont::CharWidthKern(wchar_t c, wchar_t prev) {
  const Glyph* g = Find(c);
  int32_t width = g ? g->mAdvance : 0;
  if (prev != 0 && !mKerning.empty()) {
    auto it = mKerning.find({uint32_t(prev), uint32_t(c)});
    if (it != mKerning.end()) width += it->second;
  }
  return width;
}

void ImageFont::DrawString(Graphics* g, int32_t x, int32_t y, const wchar_t* text, size_t length,
                           const Color& color) {
  if (!g || !mImage) return;
  std::lock_guard<std::mutex> hold(DrawLock());
  // Glyphs are white: drawing them modulated by the colour gives coloured text.
  Graphics gc(*g);
  gc.SetColor(color);
  gc.SetColorizeImages(true);
  int64_t pen = x;
  wchar_t prev = 0;
  int64_t top = int64_t(y) - mAscent;
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = text[i];
    const Glyph* glyph = Find(c);
    int32_t base = glyph ? glyph->mAdvance : 0;
    pen += CharWidthKern(c, prev) - base;  // the kerning against the previous character
    if (glyph && glyph->mRect.mWidth > 0 && glyph->mRect.mHeight > 0) {
      int64_t gx = pen + glyph->mOffsetX, gy = top + glyph->mOffsetY;
      if (gx > INT32_MIN / 2 && gx < INT32_MAX / 2 && gy > INT32_MIN / 2 && gy < INT32_MAX / 2)
        gc.DrawImage(mImage.get(), int32_t(gx), int32_t(gy), glyph->mRect);
    }
    pen += base;
    prev = c;
  }
}

}  // namespace Vesk
