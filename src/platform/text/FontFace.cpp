#include "platform/text/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace Platform {

namespace {
constexpr int32_t kMaxPixelSize = 512;

// 26.6 fixed point to whole pixels, rounding up for extents and to nearest for advances.
int32_t Ceil26(FT_Pos v) { return int32_t((v + 63) >> 6); }
int32_t Round26(FT_Pos v) { return int32_t((v + 32) >> 6); }
}  // namespace

struct FontFace::Impl {
  FT_Library mLibrary = nullptr;
  FT_Face mFace = nullptr;
  ~Impl() {
    if (mFace) FT_Done_Face(mFace);
    if (mLibrary) FT_Done_FreeType(mLibrary);
  }
};

FontFace::~FontFace() = default;

std::unique_ptr<FontFace> FontFace::FromFile(const std::string& path, int32_t pixelSize, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path;
    return nullptr;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromMemory(std::move(bytes), pixelSize, error);
}

std::unique_ptr<FontFace> FontFace::FromMemory(std::vector<uint8_t> bytes, int32_t pixelSize, std::string* error) {
  std::unique_ptr<FontFace> face(new FontFace());
  face->mBytes = std::move(bytes);
  if (!face->Open(pixelSize, error)) return nullptr;
  return face;
}

bool FontFace::Open(int32_t pixelSize, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (pixelSize < 1 || pixelSize > kMaxPixelSize) return fail("pixel size out of range");
  if (mBytes.empty()) return fail("empty font file");
  mImpl = std::make_unique<Impl>();
  if (FT_Init_FreeType(&mImpl->mLibrary) != 0) return fail("font library failed to start");
  // FreeType reads the face straight from our buffer, which lives as long as the face.
  if (FT_New_Memory_Face(mImpl->mLibrary, mBytes.data(), FT_Long(mBytes.size()), 0, &mImpl->mFace) != 0)
    return fail("not a font file");
  if (!FT_IS_SCALABLE(mImpl->mFace)) return fail("not a scalable font");
  if (FT_Set_Pixel_Sizes(mImpl->mFace, 0, FT_UInt(pixelSize)) != 0) return fail("size not supported");
  const FT_Size_Metrics& m = mImpl->mFace->size->metrics;
  mAscent = Ceil26(m.ascender);
  mDescent = Ceil26(-m.descender);
  mLineSpacing = std::max(Ceil26(m.height), mAscent + mDescent);
  return true;
}

bool FontFace::HasGlyph(uint32_t codePoint) { return FT_Get_Char_Index(mImpl->mFace, codePoint) != 0; }

int32_t FontFace::Advance(uint32_t codePoint) {
  FT_UInt index = FT_Get_Char_Index(mImpl->mFace, codePoint);
  if (index == 0 || FT_Load_Glyph(mImpl->mFace, index, FT_LOAD_DEFAULT) != 0) return 0;
  return Round26(mImpl->mFace->glyph->advance.x);
}

int32_t FontFace::Kerning(uint32_t left, uint32_t right) {
  FT_Face f = mImpl->mFace;
  if (!FT_HAS_KERNING(f)) return 0;
  FT_Vector k{0, 0};
  if (FT_Get_Kerning(f, FT_Get_Char_Index(f, left), FT_Get_Char_Index(f, right), FT_KERNING_DEFAULT, &k) != 0)
    return 0;
  return Round26(k.x);
}

bool FontFace::Render(uint32_t codePoint, GlyphBitmap& out) {
  out = GlyphBitmap();
  FT_UInt index = FT_Get_Char_Index(mImpl->mFace, codePoint);
  if (index == 0 || FT_Load_Glyph(mImpl->mFace, index, FT_LOAD_RENDER) != 0) return false;
  FT_GlyphSlot g = mImpl->mFace->glyph;
  const FT_Bitmap& b = g->bitmap;
  out.mAdvance = Round26(g->advance.x);
  out.mLeft = g->bitmap_left;
  out.mTop = g->bitmap_top;
  if (b.pixel_mode != FT_PIXEL_MODE_GRAY || b.width == 0 || b.rows == 0) return true;
  out.mWidth = int32_t(b.width);
  out.mHeight = int32_t(b.rows);
  out.mCoverage.resize(size_t(out.mWidth) * size_t(out.mHeight));
  for (int32_t y = 0; y < out.mHeight; ++y) {
    const uint8_t* src = b.buffer + ptrdiff_t(y) * b.pitch;
    std::copy(src, src + out.mWidth, out.mCoverage.begin() + ptrdiff_t(y) * out.mWidth);
  }
  return true;
}

std::string FindSystemFontFile(const std::string& family, bool bold, bool italic) {
  std::string base;
  for (char c : family)
    if (c != ' ') base += char(std::tolower(static_cast<unsigned char>(c)));
  // The installed DejaVu families and the file stem of each; serif faces slant as "Italic",
  // the others as "Oblique".
  struct Family {
    const char* key;
    const char* stem;
    const char* slant;
  };
  static const Family kFamilies[] = {
      {"dejavusans", "DejaVuSans", "Oblique"},
      {"dejavusanscondensed", "DejaVuSansCondensed", "Oblique"},
      {"dejavusansmono", "DejaVuSansMono", "Oblique"},
      {"dejavuserif", "DejaVuSerif", "Italic"},
      {"dejavuserifcondensed", "DejaVuSerifCondensed", "Italic"},
  };
  const Family* found = nullptr;
  for (const Family& f : kFamilies)
    if (base == f.key) found = &f;
  if (!found) return {};
  std::string style;
  if (bold) style += "Bold";
  if (italic) style += found->slant;
  std::string file = std::string(found->stem) + (style.empty() ? "" : "-" + style) + ".ttf";
  for (const char* dir : {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/dejavu/", "/usr/share/fonts/TTF/"}) {
    std::error_code ec;
    std::string path = dir + file;
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  return {};
}

}  // namespace Platform
