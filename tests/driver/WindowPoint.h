#pragma once
// Where the window reports a picture position: the window shows the picture in the presentation
// rectangle (a full screen wider than the picture centres it), so drivers that hand input in as
// the window would place their picture positions there. Rounded up, so that the game maps the
// position back onto the same picture pixel.
#include <cstdint>

#include "display/DDInterface.h"
#include "engine/ZCEngine.h"

inline void PictureToWindow(const ZCEngine& engine, int32_t& x, int32_t& y) {
  const Vesk::DDInterface* display = engine.GetDisplay();
  if (!display || display->mWidth <= 0 || display->mHeight <= 0) return;
  auto place = [](int32_t v, int32_t origin, int32_t shown, int32_t size) {
    return origin + int32_t((int64_t(v) * shown + size - 1) / size);
  };
  x = place(x, engine.mPresentX, engine.mPresentWidth, display->mWidth);
  y = place(y, engine.mPresentY, engine.mPresentHeight, display->mHeight);
}
