#include "display/support/DisplayFixture.h"

#include <vector>

TestDisplay::TestDisplay(int32_t depth, int32_t desktopW, int32_t desktopH, uint32_t hz,
                         Platform::Video::PixelFormat desktop, bool is3D)
    : refresh(hz), desktopWidth(desktopW), desktopHeight(desktopH), desktopFormat(desktop) {
  app.mIs3D = is3D;
  app.mWidth = 64;
  app.mHeight = 48;
  app.mFullScreenBitDepth = depth;
  if (desktopFormat.mBitCount == 0) desktopFormat = Platform::Video::PixelFormat::FromDepth(depth);
  display = std::make_unique<Vesk::DDInterface>(&app, [this](Platform::Window*, int32_t) {
    auto p = std::make_unique<Platform::Video::HeadlessPresenter>(desktopWidth, desktopHeight, desktopFormat, refresh);
    presenter = p.get();
    return p;
  });
}

int32_t TestDisplay::Init(bool windowed) { return display->Init(nullptr, windowed); }

std::unique_ptr<Vesk::DDImage> MakeImage(Vesk::DDInterface* display, int32_t w, int32_t h, uint32_t fill) {
  auto image = display->CreateImage();
  std::vector<uint32_t> bits(size_t(w) * size_t(h), fill);
  image->SetBits(bits.data(), w, h);
  return image;
}
