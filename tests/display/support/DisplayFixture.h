#pragma once
// A display on a headless presenter whose desktop, refresh rate and colour depth a test chooses.
#include <memory>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "platform/video/Video.h"
#include "shell/VeskAppBase.h"

struct TestDisplay {
  // In software unless `is3D` asks for the 3D route.
  explicit TestDisplay(int32_t depth = 32, int32_t desktopW = 1920, int32_t desktopH = 1080, uint32_t hz = 60,
                       Platform::Video::PixelFormat desktop = {}, bool is3D = false);
  // Initialises; the result code.
  int32_t Init(bool windowed = true);

  Vesk::VeskAppBase app;
  Platform::Video::HeadlessPresenter* presenter = nullptr;
  std::unique_ptr<Vesk::DDInterface> display;
  uint32_t refresh;
  int32_t desktopWidth, desktopHeight;
  Platform::Video::PixelFormat desktopFormat;
};

// An image of the display holding the given pixels.
std::unique_ptr<Vesk::DDImage> MakeImage(Vesk::DDInterface* display, int32_t w, int32_t h, uint32_t fill);
