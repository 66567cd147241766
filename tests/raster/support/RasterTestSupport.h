#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "raster/TriangleRaster.h"

// A texture of plain pixels, counting the calls the driver makes.
class TestTexture : public TriangleTexture {
 public:
  TestTexture(int32_t width, int32_t height, uint32_t fill = 0xFFFFFFFF);
  void CommitBits() override { ++commits; }
  uint32_t* GetBits() override {
    ++getBits;
    return nullBits ? nullptr : pixels.data();
  }
  int32_t TextureWidth() const override { return width; }
  int32_t TextureHeight() const override { return height; }
  bool TextureHasTransparency() const override { return hasTransparency; }
  bool TextureHasAlpha() const override { return hasAlpha; }
  SpanTexture Span() { return SpanTexture{pixels.data(), width, width * height, height}; }

  int32_t width;
  int32_t height;
  std::vector<uint32_t> pixels;  // width x height, then a sentinel
  bool hasTransparency = false;
  bool hasAlpha = false;
  bool nullBits = false;
  int commits = 0;
  int getBits = 0;
};

// A destination of one pixel format with a band of canary bytes on every side.
class GuardedCanvas {
 public:
  static constexpr int kGuard = 8;
  static constexpr uint8_t kCanary = 0xA5;
  GuardedCanvas(int32_t format, int width, int height);
  int BytesPerPixel() const { return bytesPerPixel; }
  uint8_t* Origin() { return bytes.data() + (kGuard * pitch) + kGuard * bytesPerPixel; }
  uint32_t Pitch() const { return uint32_t(pitch); }
  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t value);
  void FillAll(const std::function<uint32_t(int, int)>& value);
  bool GuardIntact() const;
  SpanClip Clip() const { return SpanClip{0, 0, width, height}; }
  Rect ClipRect() const { return Rect(0, 0, width, height); }

  int32_t format;
  int width;
  int height;

 private:
  int bytesPerPixel;
  int pitch;
  std::vector<uint8_t> bytes;
};

// The interpolants at one pixel.
struct OracleLanes {
  int32_t a, r, g, b, u, v;
};

// The scan conversion written out plainly: calls visit(x, y, lanes) for every covered pixel, in
// 32-bit storage and 64-bit products as the rasteriser's rules state them. Returns false, drawing
// nothing, when a set-up value does not fit its storage (the rasteriser then works in wider
// arithmetic).
bool OracleScan(const SpanVertex block[3], const std::function<void(int, int, const OracleLanes&)>& visit);

// What the table entry `index` makes of the destination pixel d (a 32-bit or 16-bit value) at a
// pixel with the given interpolants (colour interpolants already scaled by the global colour
// where the entry does so). Returns false when the pixel is left alone.
bool OraclePixel(int index, const OracleLanes& lanes, const SpanTexture& texture, const SpanColor& color, uint32_t d,
                 uint32_t* out);

// Draws the triangle of the table entry `index` into the canvas with the oracle; false as for
// OracleScan.
bool OracleFill(int index, const SpanVertex block[3], const SpanTexture& texture, const SpanColor& color,
                GuardedCanvas& canvas);

// Nearest and bilinear texel fetches, texels outside the texture reading 0; u and v of the
// bilinear fetch already moved back by half a texel.
uint32_t OracleNearest(const SpanTexture& texture, int32_t u, int32_t v);
uint32_t OracleBilinear(const SpanTexture& texture, int32_t u, int32_t v);
