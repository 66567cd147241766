// Reads arbitrary bytes as an image font description, builds the font over a small glyph sheet,
// and measures, wraps and draws text with it.
#include <cstdint>
#include <memory>
#include <string>

#include "fonts/FontDescription.h"
#include "fonts/ImageFont.h"
#include "graphics/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FontDescription d;
  if (!ParseFontDescription(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt", d)) return 0;
  auto sheet = std::make_unique<Vesk::MemoryImage>(64, 64);
  uint32_t* bits = sheet->GetBits();
  for (int i = 0; i < 64 * 64; ++i) bits[i] = (i * 2654435761u) | 0x80000000u;
  sheet->BitsChanged();
  Vesk::ImageFont font(d, std::move(sheet), "fuzz.txt");
  Vesk::MemoryImage dest(48, 32);
  Vesk::Graphics g(&dest);
  g.SetFont(&font);
  std::wstring text = L"AV Wa\n0123 ";
  for (const auto& [code, glyph] : d.mGlyphs) {
    if (text.size() > 64) break;
    text += wchar_t(code);
  }
  font.StringWidth(text);
  g.DrawWrappedString(text, 2, font.GetAscent(), 40, -1, 0);
  g.DrawWrappedText(text, Rect(-10, -5, 30, 30), 3, 1);
  return 0;
}
