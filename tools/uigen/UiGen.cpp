// Draws the pictures of the test dialog and the mouse cursors: flat panels with a dark border,
// in colours far enough apart that a screenshot shows which picture a widget draws.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"

namespace {

using Pixel = std::function<uint32_t(int32_t x, int32_t y)>;

bool Write(const std::filesystem::path& folder, const std::string& name, int32_t w, int32_t h, const Pixel& pixel) {
  std::vector<uint32_t> bits(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) bits[size_t(y) * size_t(w) + size_t(x)] = pixel(x, y);
  Vesk::MemoryImage image;
  image.SetBits(bits.data(), w, h);
  std::string path = (folder / (name + ".png")).string();
  if (!ImageLib::WritePNG(image, path)) {
    std::fprintf(stderr, "uigen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

// A flat panel of one colour inside a 2-pixel border.
Pixel Panel(uint32_t fill, uint32_t border, int32_t w, int32_t h) {
  return [=](int32_t x, int32_t y) { return (x < 2 || y < 2 || x >= w - 2 || y >= h - 2) ? border : fill; };
}

// An arrow cursor: `fill` inside a black outline, the tip at the top-left corner.
Pixel Arrow(uint32_t fill) {
  return [=](int32_t x, int32_t y) -> uint32_t {
    if (y >= 18 || x > y || x > 11) return 0;
    if (x == 0 || x == y || x == 11 || y == 17) return 0xFF000000u;
    return fill;
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: uigen <output folder>\n");
    return 2;
  }
  std::filesystem::path folder = std::filesystem::path(argv[1]) / "ui";
  std::filesystem::create_directories(folder);
  const uint32_t border = 0xFF202020u;
  bool ok = true;
  ok &= Write(folder, "test_panel", 600, 500, Panel(0xFF304060u, border, 600, 500));
  ok &= Write(folder, "btn_normal", 160, 40, Panel(0xFF2E8B57u, border, 160, 40));
  ok &= Write(folder, "btn_over", 160, 40, Panel(0xFF3CB371u, border, 160, 40));
  ok &= Write(folder, "btn_down", 160, 40, Panel(0xFF1E5B37u, border, 160, 40));
  ok &= Write(folder, "btn_disabled", 160, 40, Panel(0xFF808080u, border, 160, 40));
  ok &= Write(folder, "list_bg", 200, 120, Panel(0xFF101828u, border, 200, 120));
  ok &= Write(folder, "slider_track", 200, 20, Panel(0xFF606060u, border, 200, 20));
  ok &= Write(folder, "slider_thumb", 16, 20, Panel(0xFFE0C040u, border, 16, 20));
  ok &= Write(folder, "check_off", 24, 24, Panel(0xFFC0C0C0u, border, 24, 24));
  ok &= Write(folder, "check_on", 24, 24, Panel(0xFF40C040u, border, 24, 24));
  ok &= Write(folder, "edit_bg", 200, 30, Panel(0xFFF0F0E0u, border, 200, 30));
  ok &= Write(folder, "bar_empty", 200, 16, Panel(0xFF402020u, border, 200, 16));
  ok &= Write(folder, "bar_full", 200, 16, Panel(0xFFD04040u, border, 200, 16));
  // Eight frames of 48 by 48 in a row: a square whose colour runs from blue to red.
  ok &= Write(folder, "anim_sheet", 8 * 48, 48, [&](int32_t x, int32_t y) -> uint32_t {
    int32_t frame = x / 48, lx = x % 48;
    if (lx < 2 || y < 2 || lx >= 46 || y >= 46) return border;
    uint32_t red = uint32_t(frame * 255 / 7), blue = 255 - red;
    return 0xFF000000u | (red << 16) | 0x3000u | blue;
  });
  ok &= Write(folder, "cursor_normal", 12, 18, Arrow(0xFFFFFFFFu));
  ok &= Write(folder, "cursor_active", 12, 18, Arrow(0xFFFFD040u));
  return ok ? 0 : 1;
}
