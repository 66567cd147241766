#pragma once
#include <cstdint>
#include <numeric>

// A width-to-height ratio kept reduced.
struct Ratio {
  int32_t mNumerator = 1;
  int32_t mDenominator = 1;

  constexpr Ratio() = default;
  constexpr Ratio(int32_t numerator, int32_t denominator) { Set(numerator, denominator); }

  // Stores the ratio reduced by the greatest common divisor. A zero denominator is kept as given
  // (nothing to reduce by), so a degenerate ratio never divides by zero here.
  constexpr void Set(int32_t numerator, int32_t denominator) {
    mNumerator = numerator;
    mDenominator = denominator;
    int32_t g = std::gcd(numerator, denominator);
    if (g != 0) {
      mNumerator /= g;
      mDenominator /= g;
    }
  }

  // True when this ratio is narrower than the other. Both cross multiplications use integer
  // division, so either one finding it smaller is enough.
  constexpr bool IsLess(const Ratio& o) const {
    if (mDenominator == 0 || o.mDenominator == 0) return false;
    int64_t a = int64_t(mNumerator) * o.mDenominator / mDenominator;
    int64_t b = int64_t(o.mNumerator) * mDenominator / o.mDenominator;
    return a < o.mNumerator || mNumerator < b;
  }
  constexpr bool operator==(const Ratio& o) const {
    return mNumerator == o.mNumerator && mDenominator == o.mDenominator;
  }
};
