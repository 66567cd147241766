#pragma once
#include <cstdint>

// One vertex of a textured, coloured triangle: position in destination pixels, texture
// coordinates 0..1 across the texture, and a 0xAARRGGBB colour.
struct TriVertex {
  float x = 0;
  float y = 0;
  float u = 0;
  float v = 0;
  uint32_t color = 0;
};
