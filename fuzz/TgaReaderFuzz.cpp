#include <cstddef>
#include <cstdint>

#include "graphics/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto image = ImageLib::DecodeTGA(data, size, "fuzz.tga");
  if (image) image->GetBits();
  return 0;
}
