#include "fonts/SysFont.h"

#include <climits>
#include <vector>

#include "graphics/Graphics.h"
#include "platform/text/FontFace.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

namespace Vesk {

namespace {
const char* const kFallbackFamily = "DejaVu Sans";
}

SysFont::SysFont(std::unique_ptr<Platform::FontFace> face)
    : mFace(std::move(face)),
      mAscent(mFace->Ascent()),
      mDescent(mFace->Descent()),
      mLineSpacing(mFace->LineSpacing()) {}

SysFont::~SysFont() = default;

std::unique_ptr<SysFont> SysFont::Create(const std::string& family, int32_t pixelSize, bool bold, bool italic) {
  std::string path = Platform::FindSystemFontFile(family, bold, italic);
  if (path.empty()) {
    LogMessage("WARNING: font face \"%s\" is not installed; using %s", family.c_str(), kFallbackFamily);
    path = Platform::FindSystemFontFile(kFallbackFamily, bold, italic);
  }
  if (path.empty()) {
    LogMessage("ERROR: no system font face is installed");
    return nullptr;
  }
  std::string error;
  std::unique_ptr<Platform::FontFace> face = Platform::FontFace::FromFile(path, pixelSize, &error);
  if (!face) {
    LogMessage("ERROR: font face %s size %d: %s", path.c_str(), int(pixelSize), error.c_str());
    return nullptr;
  }
  return std::unique_ptr<SysFont>(new SysFont(std::move(face)));
}

std::unique_ptr<SysFont> SysFont::CreateFromFile(const std::string& file, int32_t pixelSize) {
  std::vector<uint8_t> bytes;
  if (!GetPakInterface()->ReadWholeFile(file, bytes, FileKind::kFontFace)) {
    LogMessage("ERROR: font file %s not found", file.c_str());
    return nullptr;
  }
  std::string error;
  std::unique_ptr<Platform::FontFace> face = Platform::FontFace::FromMemory(std::move(bytes), pixelSize, &error);
  if (!face) {
    LogMessage("ERROR: font file %s size %d: %s", file.c_str(), int(pixelSize), error.c_str());
    return nullptr;
  }
  return std::unique_ptr<SysFont>(new SysFont(std::move(face)));
}

const Platform::GlyphBitmap& SysFont::GlyphLocked(uint32_t c) {
  auto& slot = mGlyphs[c];
  if (!slot) {
    slot = std::make_unique<Platform::GlyphBitmap>();
    mFace->Render(c, *slot);  // a character the face lacks stays empty, advance 0
  }
  return *slot;
}

int32_t SysFont::KerningLocked(uint32_t prev, uint32_t c) {
  uint64_t key = (uint64_t(prev) << 32) | c;
  auto it = mKerning.find(key);
  if (it != mKerning.end()) return it->second;
  int32_t k = mFace->Kerning(prev, c);
  mKerning.emplace(key, k);
  return k;
}

int32_t SysFont::CharWidthKern(wchar_t c, wchar_t prev) {
  std::lock_guard<std::mutex> hold(mLock);
  int32_t width = GlyphLocked(uint32_t(c)).mAdvance;
  if (prev != 0) width += KerningLocked(uint32_t(prev), uint32_t(c));
  return width;
}

void SysFont::DrawString(Graphics* g, int32_t x, int32_t y, const wchar_t* text, size_t length,
                         const Color& color) {
  Image* dest = g ? g->GetDestImage() : nullptr;
  if (!dest || color.mAlpha <= 0) return;
  const Rect& clip = g->GetClipRect();
  int64_t pen = int64_t(x) + int64_t(g->GetTransX());
  int64_t baseline = int64_t(y) + int64_t(g->GetTransY());
  std::lock_guard<std::mutex> hold(mLock);
  std::vector<Span> spans;
  wchar_t prev = 0;
  for (size_t i = 0; i < length; ++i) {
    uint32_t c = uint32_t(text[i]);
    if (prev != 0) pen += KerningLocked(uint32_t(prev), c);
    const Platform::GlyphBitmap& glyph = GlyphLocked(c);
    int64_t gx = pen + glyph.mLeft, gy = baseline - glyph.mTop;
    if (glyph.mWidth > 0 && gx > INT32_MIN / 2 && gx < INT32_MAX / 2 && gy > INT32_MIN / 2 && gy < INT32_MAX / 2) {
      Rect box = Rect(int32_t(gx), int32_t(gy), glyph.mWidth, glyph.mHeight).Intersection(clip);
      if (box.mWidth > 0) {
        spans.clear();
        for (int32_t row = box.mY; row < box.mY + box.mHeight; ++row) spans.push_back({row, box.mX, box.mWidth});
        dest->FillSpansCoverage(spans.data(), int32_t(spans.size()), color, g->GetDrawMode(), glyph.mCoverage.data(),
                                int32_t(gx), int32_t(gy), glyph.mWidth, 0);
      }
    }
    pen += glyph.mAdvance;
    prev = text[i];
  }
}

}  // namespace Vesk
