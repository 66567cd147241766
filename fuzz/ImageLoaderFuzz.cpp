#include <cstddef>
#include <cstdint>

#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto image = ImageLib::DecodeImage(data, size, "fuzz");
  if (!image || image->mWidth > 512 || image->mHeight > 512) return 0;
  // Draw what was decoded, so odd sizes and alpha reach the drawing loops too.
  Vesk::MemoryImage canvas(48, 40);
  canvas.Blit(image.get(), 3, -2, image->GetRect(), Color::White, 0);
  canvas.Blit(image.get(), -1, 5, image->GetRect(), Color(200, 100, 50, 128), 1);
  canvas.BlitStretched(image.get(), Rect(-4, 2, 30, 17), image->GetRect(), canvas.GetRect(), Color::White, 0, true);
  canvas.BlitRotated(image.get(), 5.5f, 4.25f, image->GetRect(), canvas.GetRect(), Color::White, 0, 0.7, 3, 2);
  image->Palettize();
  image->GetDisplayFormatBits(Vesk::NativeDisplay::Default32());
  return 0;
}
