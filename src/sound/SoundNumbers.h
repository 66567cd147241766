#pragma once
#include <cmath>

// Conversions of the callers' float levels to the whole numbers the mixer takes: truncated
// towards zero like a plain cast, but clamped first so that any float (even NaN) is safe.
namespace SoundNumbers {

inline int ClampToInt(float v, int lo, int hi) {
  if (std::isnan(v)) return 0 < lo ? lo : (0 > hi ? hi : 0);
  if (v <= float(lo)) return lo;
  if (v >= float(hi)) return hi;
  return int(v);
}

// 0..100.
inline int ToVolume(float v) { return ClampToInt(v, 0, 100); }
// -100 (left) .. 0 .. 100 (right).
inline int ToPan(float v) { return ClampToInt(v, -100, 100); }

}  // namespace SoundNumbers
