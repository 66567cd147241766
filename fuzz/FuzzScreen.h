// The screen-sized picture the fuzz targets draw into; its pixels are never looked at.
#pragma once
#include "graphics/MemoryImage.h"

inline Vesk::MemoryImage& FuzzScreen() {
  static Vesk::MemoryImage* image = [] {
    auto* screen = new Vesk::MemoryImage(1024, 768);
    // Opaque by hand, like the display's own surface: drawing need not scan it for alpha.
    screen->SetImageMode(false, false);
    return screen;
  }();
  return *image;
}
