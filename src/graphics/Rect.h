#pragma once
#include <algorithm>
#include <cstdint>

// Integer rectangle: x, y, width, height.
struct Rect {
  int32_t mX = 0;
  int32_t mY = 0;
  int32_t mWidth = 0;
  int32_t mHeight = 0;

  constexpr Rect() = default;
  constexpr Rect(int32_t x, int32_t y, int32_t w, int32_t h) : mX(x), mY(y), mWidth(w), mHeight(h) {}

  // Overlap of two rectangles; all zero when they do not overlap.
  constexpr Rect Intersection(const Rect& o) const {
    int64_t x1 = std::max<int64_t>(mX, o.mX);
    int64_t y1 = std::max<int64_t>(mY, o.mY);
    int64_t x2 = std::min<int64_t>(int64_t(mX) + mWidth, int64_t(o.mX) + o.mWidth);
    int64_t y2 = std::min<int64_t>(int64_t(mY) + mHeight, int64_t(o.mY) + o.mHeight);
    if (x2 <= x1 || y2 <= y1) return Rect();
    return Rect(int32_t(x1), int32_t(y1), int32_t(x2 - x1), int32_t(y2 - y1));
  }
  constexpr bool Contains(int32_t x, int32_t y) const {
    return x >= mX && y >= mY && int64_t(x) < int64_t(mX) + mWidth && int64_t(y) < int64_t(mY) + mHeight;
  }
  constexpr bool operator==(const Rect& o) const {
    return mX == o.mX && mY == o.mY && mWidth == o.mWidth && mHeight == o.mHeight;
  }
};

// The same in doubles.
struct FRect {
  double mX = 0;
  double mY = 0;
  double mWidth = 0;
  double mHeight = 0;

  constexpr FRect() = default;
  constexpr FRect(double x, double y, double w, double h) : mX(x), mY(y), mWidth(w), mHeight(h) {}

  static constexpr FRect Intersection(const FRect& a, const FRect& b) {
    double x1 = std::max(a.mX, b.mX);
    double y1 = std::max(a.mY, b.mY);
    double x2 = std::min(a.mX + a.mWidth, b.mX + b.mWidth);
    double y2 = std::min(a.mY + a.mHeight, b.mY + b.mHeight);
    if (x2 <= x1 || y2 <= y1) return FRect();
    return FRect(x1, y1, x2 - x1, y2 - y1);
  }
};
