#pragma once
// The destination layouts the surface loops are tested on, and helpers to read and write the
// raw pixels of an image's surface.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/support/DisplayFixture.h"

struct SurfaceLayout {
  std::string name;
  int32_t depth;
  Platform::Video::PixelFormat desktop;
};

// 565, 555 and 0x00RRGGBB (the packed forms), and blue-on-top 32-bit and 565 surfaces, which
// take the per-channel mask forms.
const std::vector<SurfaceLayout>& AllLayouts();

// A display of the layout, initialised.
std::unique_ptr<TestDisplay> OpenDisplay(const SurfaceLayout& layout);

// An opaque image with a surface whose raw pixels are all `raw`.
std::unique_ptr<Vesk::DDImage> SurfaceImage(Vesk::DDInterface* display, int32_t w, int32_t h, uint32_t raw);

// The raw pixels of an image's surface, row by row.
std::vector<uint32_t> RawPixels(Vesk::DDImage& image);
// The same as 0xFFRRGGBB.
std::vector<uint32_t> ArgbPixels(Vesk::DDImage& image);

// The largest difference of one channel between two ARGB pixels (alpha ignored).
int32_t ChannelDistance(uint32_t a, uint32_t b);
