#pragma once
#include <cstdint>

// A colour as four ints 0..255; packed form 0xAARRGGBB.
struct Color {
  int32_t mRed = 0;
  int32_t mGreen = 0;
  int32_t mBlue = 0;
  int32_t mAlpha = 255;

  constexpr Color() = default;
  constexpr Color(int32_t r, int32_t g, int32_t b, int32_t a = 255) : mRed(r), mGreen(g), mBlue(b), mAlpha(a) {}

  static constexpr Color ColorFromRGB(int32_t r, int32_t g, int32_t b) { return Color(r, g, b, 255); }
  static constexpr Color ColorFromRGBA(int32_t r, int32_t g, int32_t b, int32_t a) { return Color(r, g, b, a); }
  // From a packed 0xAARRGGBB word.
  static constexpr Color FromARGB(uint32_t argb) {
    return Color((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
  }
  constexpr uint32_t ToARGB() const {
    return (uint32_t(mAlpha & 0xFF) << 24) | (uint32_t(mRed & 0xFF) << 16) | (uint32_t(mGreen & 0xFF) << 8) |
           uint32_t(mBlue & 0xFF);
  }

  static constexpr bool Equals(const Color& a, const Color& b) {
    return a.mRed == b.mRed && a.mGreen == b.mGreen && a.mBlue == b.mBlue && a.mAlpha == b.mAlpha;
  }
  static constexpr bool NotEquals(const Color& a, const Color& b) { return !Equals(a, b); }
  constexpr bool operator==(const Color& o) const { return Equals(*this, o); }

  // The colour compared against to tell that no colourising is wanted.
  static const Color White;
  static const Color Black;
};

inline constexpr Color Color::White{255, 255, 255, 255};
inline constexpr Color Color::Black{0, 0, 0, 255};
