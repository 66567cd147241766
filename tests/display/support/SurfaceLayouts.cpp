#include "display/support/SurfaceLayouts.h"

#include <algorithm>
#include <cstdlib>

using Platform::Video::PixelFormat;

const std::vector<SurfaceLayout>& AllLayouts() {
  static const std::vector<SurfaceLayout> layouts = {
      {"565", 16, PixelFormat::R5G6B5()},
      {"555", 15, PixelFormat::X1R5G5B5()},
      {"8888", 32, PixelFormat::X8R8G8B8()},
      {"bgr8888", 32, PixelFormat{32, 0x000000FFu, 0x0000FF00u, 0x00FF0000u}},
      {"bgr565", 16, PixelFormat{16, 0x001Fu, 0x07E0u, 0xF800u}},
  };
  return layouts;
}

std::unique_ptr<TestDisplay> OpenDisplay(const SurfaceLayout& layout) {
  auto t = std::make_unique<TestDisplay>(layout.depth, 1920, 1080, 60, layout.desktop);
  if (t->Init() != 0) return nullptr;
  return t;
}

std::unique_ptr<Vesk::DDImage> SurfaceImage(Vesk::DDInterface* display, int32_t w, int32_t h, uint32_t raw) {
  auto image = MakeImage(display, w, h, 0xFF000000u);
  Platform::Video::Surface* s = image->GetSurface();
  if (!s) return nullptr;
  s->Fill(nullptr, raw);
  image->DeleteMemoryBuffers();
  return image;
}

std::vector<uint32_t> RawPixels(Vesk::DDImage& image) {
  std::vector<uint32_t> px;
  Platform::Video::Surface* s = image.GetSurface();
  for (int32_t y = 0; y < image.GetHeight(); ++y)
    for (int32_t x = 0; x < image.GetWidth(); ++x) px.push_back(s->PixelAt(x, y));
  return px;
}

std::vector<uint32_t> ArgbPixels(Vesk::DDImage& image) {
  std::vector<uint32_t> px = RawPixels(image);
  const PixelFormat f = image.GetSurface()->Format();
  for (uint32_t& p : px) p = Platform::Video::ToArgb(p, f);
  return px;
}

int32_t ChannelDistance(uint32_t a, uint32_t b) {
  int32_t d = 0;
  for (int shift : {0, 8, 16}) d = std::max(d, std::abs(int32_t((a >> shift) & 255) - int32_t((b >> shift) & 255)));
  return d;
}
