// Renders the sample café's image fonts from installed DejaVu faces: for each font a glyph sheet
// (white glyphs, coverage in the alpha channel) and its description file, written below the
// output folder as "fonts/<name>.png" and "fonts/<name>.txt".
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "platform/text/FontFace.h"

namespace {

struct FontSpec {
  const char* name;
  const char* family;
  bool bold;
  int32_t pixelSize;
};

const FontSpec kFonts[] = {
    {"main", "DejaVu Sans", false, 18},
    {"title", "DejaVu Sans", true, 28},
};

constexpr int32_t kSheetWidth = 512;
constexpr int32_t kPadding = 1;

std::vector<uint32_t> Characters() {
  std::vector<uint32_t> chars;
  for (uint32_t c = 32; c < 127; ++c) chars.push_back(c);
  for (uint32_t c = 160; c < 256; ++c) chars.push_back(c);
  for (uint32_t c : {0x2013u, 0x2014u, 0x2018u, 0x2019u, 0x201Cu, 0x201Du, 0x2026u, 0x20ACu}) chars.push_back(c);
  return chars;
}

bool Generate(const FontSpec& spec, const std::filesystem::path& folder) {
  std::string path = Platform::FindSystemFontFile(spec.family, spec.bold, false);
  std::string error;
  auto face = path.empty() ? nullptr : Platform::FontFace::FromFile(path, spec.pixelSize, &error);
  if (!face) {
    std::fprintf(stderr, "fontgen: %s: no face (%s)\n", spec.name, path.empty() ? "not installed" : error.c_str());
    return false;
  }
  struct Placed {
    uint32_t code;
    Platform::GlyphBitmap bitmap;
    int32_t x = 0, y = 0;
  };
  std::vector<Placed> glyphs;
  for (uint32_t c : Characters()) {
    Placed p{c, {}, 0, 0};
    if (face->Render(c, p.bitmap)) glyphs.push_back(std::move(p));
  }
  // Shelf packing, row by row.
  int32_t x = kPadding, y = kPadding, rowHeight = 0;
  for (Placed& p : glyphs) {
    if (p.bitmap.mWidth == 0) continue;
    if (x + p.bitmap.mWidth + kPadding > kSheetWidth) {
      x = kPadding;
      y += rowHeight + kPadding;
      rowHeight = 0;
    }
    p.x = x;
    p.y = y;
    x += p.bitmap.mWidth + kPadding;
    rowHeight = std::max(rowHeight, p.bitmap.mHeight);
  }
  int32_t height = y + rowHeight + kPadding;
  Vesk::MemoryImage sheet(kSheetWidth, height);
  uint32_t* bits = sheet.GetBits();
  for (const Placed& p : glyphs)
    for (int32_t row = 0; row < p.bitmap.mHeight; ++row)
      for (int32_t col = 0; col < p.bitmap.mWidth; ++col) {
        uint32_t a = p.bitmap.mCoverage[size_t(row) * p.bitmap.mWidth + col];
        bits[size_t(p.y + row) * kSheetWidth + p.x + col] = a ? (a << 24) | 0xFFFFFFu : 0;
      }
  sheet.BitsChanged();
  std::string base = std::string(spec.name);
  if (!ImageLib::WritePNG(sheet, (folder / (base + ".png")).string())) return false;

  std::ofstream out(folder / (base + ".txt"), std::ios::binary);
  out << "# " << spec.family << (spec.bold ? " Bold" : "") << ", " << spec.pixelSize << " pixels\n";
  out << "image " << base << ".png\n";
  out << "ascent " << face->Ascent() << "\n";
  out << "descent " << face->Descent() << "\n";
  out << "linespacing " << face->LineSpacing() << "\n";
  for (const Placed& p : glyphs) {
    const auto& b = p.bitmap;
    if (b.mWidth > 0)
      out << "glyph " << p.code << ' ' << p.x << ' ' << p.y << ' ' << b.mWidth << ' ' << b.mHeight << ' ' << b.mLeft
          << ' ' << face->Ascent() - b.mTop << "\n";
    out << "advance " << p.code << ' ' << b.mAdvance << "\n";
  }
  for (uint32_t a = 32; a < 127; ++a)
    for (uint32_t b = 32; b < 127; ++b)
      if (int32_t k = face->Kerning(a, b); k != 0) out << "kern " << a << ' ' << b << ' ' << k << "\n";
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fontgen <output folder>\n");
    return 2;
  }
  std::filesystem::path folder = std::filesystem::path(argv[1]) / "fonts";
  std::filesystem::create_directories(folder);
  for (const FontSpec& spec : kFonts)
    if (!Generate(spec, folder)) return 1;
  return 0;
}
