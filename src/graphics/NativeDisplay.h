#pragma once
#include <cstdint>

namespace Vesk {

// The pixel format of a display: bits per pixel and the size and place of each colour channel.
// The display derives from it; images read it to build their display-format copies.
class NativeDisplay {
 public:
  virtual ~NativeDisplay() = default;

  int32_t mBitsPerPixel = 32;
  int32_t mRedBits = 8, mGreenBits = 8, mBlueBits = 8;
  int32_t mRedShift = 16, mGreenShift = 8, mBlueShift = 0;

  uint32_t RedMask() const { return ((1u << mRedBits) - 1) << mRedShift; }
  uint32_t GreenMask() const { return ((1u << mGreenBits) - 1) << mGreenShift; }
  uint32_t BlueMask() const { return ((1u << mBlueBits) - 1) << mBlueShift; }
  bool SameFormat(const NativeDisplay& o) const {
    return mBitsPerPixel == o.mBitsPerPixel && mRedBits == o.mRedBits && mGreenBits == o.mGreenBits &&
           mBlueBits == o.mBlueBits && mRedShift == o.mRedShift && mGreenShift == o.mGreenShift &&
           mBlueShift == o.mBlueShift;
  }

  // 32-bit 0x00RRGGBB, the format of memory images.
  static const NativeDisplay& Default32();
};

// The per-image record of the 3D device (its texture pieces). The display's texture code
// derives from it; the image owns it and deletes it with itself.
class TextureData {
 public:
  virtual ~TextureData() = default;
};

}  // namespace Vesk
