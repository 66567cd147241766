#pragma once
// Plain per-pixel expectations for the image drawing tests, written from the definitions
// (fractions of 255, rounded to nearest) rather than from the optimised loops.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>

#include "graphics/MemoryImage.h"

namespace ref {

inline uint32_t A(uint32_t p) { return p >> 24; }
inline uint32_t R(uint32_t p) { return (p >> 16) & 255; }
inline uint32_t G(uint32_t p) { return (p >> 8) & 255; }
inline uint32_t B(uint32_t p) { return p & 255; }
inline uint32_t ARGB(long a, long r, long g, long b) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Each channel times the colour's channel / 255.
inline uint32_t Modulate(uint32_t s, uint32_t color) {
  auto m = [](uint32_t x, uint32_t c) { return std::lround(x * c / 255.0); };
  return ARGB(m(A(s), A(color)), m(R(s), R(color)), m(G(s), G(color)), m(B(s), B(color)));
}

// Straight-alpha "source over destination".
inline uint32_t Over(uint32_t d, uint32_t s) {
  double sa = A(s) / 255.0, da = A(d) / 255.0;
  double oa = sa + da * (1 - sa);
  if (oa <= 0) return d;
  auto ch = [&](uint32_t sc, uint32_t dc) { return std::lround((sc * sa + dc * da * (1 - sa)) / oa); };
  return ARGB(std::lround(oa * 255), ch(R(s), R(d)), ch(G(s), G(d)), ch(B(s), B(d)));
}

// Source colour times its alpha added to the destination, each channel capped at 255.
inline uint32_t Add(uint32_t d, uint32_t s) {
  auto ch = [&](uint32_t sc, uint32_t dc) { return std::min<long>(255, dc + std::lround(sc * A(s) / 255.0)); };
  return ARGB(A(d), ch(R(s), R(d)), ch(G(s), G(d)), ch(B(s), B(d)));
}

inline std::unique_ptr<Vesk::MemoryImage> MakeImage(int w, int h, const std::function<uint32_t(int, int)>& f) {
  auto img = std::make_unique<Vesk::MemoryImage>(w, h);
  uint32_t* bits = img->GetBits();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bits[y * w + x] = f(x, y);
  img->BitsChanged();
  return img;
}

// Pixels with every alpha class mixed in: runs of transparent, opaque and partial pixels.
inline std::unique_ptr<Vesk::MemoryImage> RandomSprite(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  return MakeImage(w, h, [&](int x, int) {
    uint32_t rgb = rng() & 0xFFFFFF;
    uint32_t band = (x / 5) % 3;
    uint32_t a = band == 0 ? 0 : band == 1 ? 255 : 1 + rng() % 254;
    return (a << 24) | rgb;
  });
}

inline std::unique_ptr<Vesk::MemoryImage> RandomOpaque(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  return MakeImage(w, h, [&](int, int) { return 0xFF000000u | (rng() & 0xFFFFFF); });
}

}  // namespace ref
