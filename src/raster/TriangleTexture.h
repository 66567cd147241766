#pragma once
#include <cstdint>

// What the triangle rasteriser reads of a texture image. The memory image implements it, so the
// rasteriser does not depend on the image classes.
class TriangleTexture {
 public:
  virtual ~TriangleTexture() = default;
  // Recomputes the transparency flags when the pixels changed since they were last computed.
  virtual void CommitBits() = 0;
  // Width x height pixels as 0xAARRGGBB words, row after row, then one sentinel word; may be
  // null when the image refuses software access.
  virtual uint32_t* GetBits() = 0;
  virtual int32_t TextureWidth() const = 0;
  virtual int32_t TextureHeight() const = 0;
  // Some pixel has alpha 0.
  virtual bool TextureHasTransparency() const = 0;
  // Some pixel has alpha between 1 and 254.
  virtual bool TextureHasAlpha() const = 0;
};
