#pragma once

namespace Vesk {

// A 2-D point or offset of two floats.
struct VeskVector2 {
  float x = 0;
  float y = 0;

  constexpr VeskVector2() = default;
  constexpr VeskVector2(float x_, float y_) : x(x_), y(y_) {}

  constexpr VeskVector2 operator+(const VeskVector2& o) const { return VeskVector2(x + o.x, y + o.y); }
  constexpr VeskVector2 operator-(const VeskVector2& o) const { return VeskVector2(x - o.x, y - o.y); }
  constexpr VeskVector2& operator+=(const VeskVector2& o) {
    x += o.x;
    y += o.y;
    return *this;
  }
  constexpr VeskVector2& operator-=(const VeskVector2& o) {
    x -= o.x;
    y -= o.y;
    return *this;
  }
  constexpr VeskVector2 operator*(float s) const { return VeskVector2(x * s, y * s); }
  constexpr bool operator==(const VeskVector2& o) const { return x == o.x && y == o.y; }
};

}  // namespace Vesk
