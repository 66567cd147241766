// Fuzz target: arbitrary strips, flags, clips and textures through the triangle rasteriser. Every
// write must stay inside the clip rectangle; a canary band around the buffer checks it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/TriangleRaster.h"

namespace {

constexpr int kWidth = 64, kHeight = 48, kGuard = 16;
constexpr uint8_t kCanary = 0x5A;

class FuzzTexture : public TriangleTexture {
 public:
  FuzzTexture(int w, int h, uint32_t seed, bool nullBits) : width(w), height(h), nullBits(nullBits) {
    pixels.resize(size_t(w * h) + 1);
    for (auto& p : pixels) p = seed = seed * 1664525u + 1013904223u;
  }
  void CommitBits() override {}
  uint32_t* GetBits() override { return nullBits ? nullptr : pixels.data(); }
  int32_t TextureWidth() const override { return width; }
  int32_t TextureHeight() const override { return height; }
  bool TextureHasTransparency() const override { return true; }
  bool TextureHasAlpha() const override { return false; }
  int width, height;
  bool nullBits;
  std::vector<uint32_t> pixels;
};

template <class T>
T Take(const uint8_t*& data, size_t& size) {
  T value{};
  if (size >= sizeof(T)) {
    std::memcpy(&value, data, sizeof(T));
    data += sizeof(T);
    size -= sizeof(T);
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int32_t kFormats[5] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555, 7};
  const uint8_t formatByte = Take<uint8_t>(data, size);
  const uint8_t flags = Take<uint8_t>(data, size);
  const int8_t cx = Take<int8_t>(data, size), cy = Take<int8_t>(data, size);
  const uint8_t cw = Take<uint8_t>(data, size), ch = Take<uint8_t>(data, size);
  const uint8_t tw = Take<uint8_t>(data, size) % 9, th = Take<uint8_t>(data, size) % 9;
  const uint32_t colorWord = Take<uint32_t>(data, size);

  const int32_t format = kFormats[formatByte % 5];
  const int bpp = format == kPixelFormat565 || format == kPixelFormat555 ? 2 : 4;
  const int pitch = (kWidth + 2 * kGuard) * bpp;
  std::vector<uint8_t> buffer(size_t(pitch) * (kHeight + 2 * kGuard), kCanary);
  uint8_t* origin = buffer.data() + kGuard * pitch + kGuard * bpp;
  // The caller keeps the clip inside the buffer.
  const Rect clip = Rect(cx, cy, cw, ch).Intersection(Rect(0, 0, kWidth, kHeight));

  std::vector<TriVertex> strip;
  while (size >= sizeof(TriVertex)) strip.push_back(Take<TriVertex>(data, size));
  FuzzTexture texture(tw, th, colorWord, flags & 8);
  const Color color = Color::FromARGB(flags & 16 ? colorWord : 0xFFFFFFFFu);
  DrawTriangleStrip(strip.data(), int32_t(strip.size()), flags & 4 ? &texture : nullptr, &color, 0, &clip, origin,
                    uint32_t(pitch), format, flags & 1, flags & 2);

  for (int y = -kGuard; y < kHeight + kGuard; ++y)
    for (int x = -kGuard; x < kWidth + kGuard; ++x) {
      if (clip.Contains(x, y)) continue;
      const uint8_t* p = origin + y * pitch + x * bpp;
      for (int b = 0; b < bpp; ++b)
        if (p[b] != kCanary) std::abort();
    }
  return 0;
}
