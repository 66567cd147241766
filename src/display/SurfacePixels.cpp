#include "display/SurfacePixels.h"

#include "display/DDInterface.h"

namespace Vesk::SurfacePixels {

Saturation::Saturation(const DDInterface& d) {
  const std::vector<int32_t>* t[3] = {&d.mRedSaturate, &d.mGreenSaturate, &d.mBlueSaturate};
  const int32_t widths[3] = {d.mRedBits, d.mGreenBits, d.mBlueBits};
  const int32_t shifts[3] = {d.mRedShift, d.mGreenShift, d.mBlueShift};
  for (int c = 0; c < 3; ++c) {
    valid = valid && !t[c]->empty() && widths[c] > 0 && widths[c] <= 16;
    table[c] = t[c]->data();
    bits[c] = valid ? widths[c] : 0;
    shift[c] = uint32_t(shifts[c]);
    mask[c] = valid ? uint64_t((1u << widths[c]) - 1) << shifts[c] : 0;
  }
}

AdditiveColour::AdditiveColour(const DDInterface& display, const Color& color) : mSat(display) {
  valid = mSat.valid;
  const uint32_t a = Alpha(color);
  for (int c = 0; c < 3 && valid; ++c) {
    // Channels wider than a byte take the colour in their top bits.
    uint32_t v = Channel(color, c) * a / 255;
    mAdd[c] = mSat.bits[c] <= 8 ? v >> (8 - mSat.bits[c]) : v << (mSat.bits[c] - 8);
  }
}

}  // namespace Vesk::SurfacePixels
