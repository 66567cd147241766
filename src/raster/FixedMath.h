#pragma once
#include <cstdint>

// Integer helpers of the triangle rasteriser. Positions, colours and texture coordinates are
// 16.16 fixed-point values; wrapping arithmetic is done on unsigned types, and the set-up products
// are formed in 128 bits so that long, thin triangles cannot overflow them.
namespace raster {

using Int128 = __int128;

constexpr int32_t WrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
constexpr int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
constexpr int64_t WrapAdd64(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }
// The low 32 or 64 bits of a wider value, as two's complement.
constexpr int32_t Low32(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }
constexpr int64_t Low64(Int128 v) { return int64_t(uint64_t((unsigned __int128)(v))); }

// Ceiling of a 16.16 value as a whole row or column number.
constexpr int64_t CeilWhole(int64_t v) { return (v + 0xFFFF) >> 16; }
// Ceiling of a 16.16 value, as a 16.16 value.
constexpr int64_t CeilFixed(int64_t v) { return (v + 0xFFFF) & ~int64_t(0xFFFF); }
// 1/d as a 32.32 value, d a non-zero 16.16 distance.
constexpr int64_t Reciprocal(int64_t d) { return (int64_t(1) << 48) / d; }
// d per whole unit, from a difference d and the reciprocal of the distance it spans.
constexpr int64_t StepOver(int64_t d, int64_t reciprocal) { return Low64((Int128(d) * reciprocal) >> 32); }
// A step per unit times a 16.16 distance.
constexpr int64_t ScaleBy(int64_t step, int64_t distance) { return Low64((Int128(step) * distance) >> 16); }

// Greatest whole 16.16 value not above v.
constexpr int32_t FixedFloor(int32_t v) { return int32_t(uint32_t(v) & 0xFFFF0000u); }

// Float to int32 truncating toward zero, saturating at the int32 range; NaN gives 0.
constexpr int32_t SaturateToInt32(float f) {
  if (!(f == f)) return 0;
  if (f >= 2147483648.0f) return INT32_MAX;
  if (f <= -2147483648.0f) return INT32_MIN;
  return int32_t(f);
}

constexpr int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace raster
