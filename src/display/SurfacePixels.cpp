#include "display/SurfacePixels.h"

#include "display/DDInterface.h"

namespace Vesk::SurfacePixels {

AdditiveColour::AdditiveColour(const DDInterface& d, const Color& color) {
  const std::vector<int32_t>* tables[3] = {&d.mRedSaturate, &d.mGreenSaturate, &d.mBlueSaturate};
  const int32_t bits[3] = {d.mRedBits, d.mGreenBits, d.mBlueBits};
  const int32_t shifts[3] = {d.mRedShift, d.mGreenShift, d.mBlueShift};
  const uint32_t a = Alpha(color);
  for (int c = 0; c < 3; ++c) {
    if (tables[c]->empty() || bits[c] <= 0 || bits[c] > 16) return;
    mTable[c] = tables[c]->data();
    mShift[c] = uint32_t(shifts[c]);
    mMask[c] = ((1u << bits[c]) - 1) << shifts[c];
    // Channels wider than a byte take the colour in their top bits.
    uint32_t v = Channel(color, c) * a / 255;
    mAdd[c] = bits[c] <= 8 ? v >> (8 - bits[c]) : v << (bits[c] - 8);
  }
  valid = true;
}

}  // namespace Vesk::SurfacePixels
