#pragma once
// Entry points from the image classes into the triangle rasteriser: images drawn through a
// matrix and textured triangles, into any 32-bit or 16-bit buffer.
#include <cstdint>

#include "graphics/Color.h"
#include "graphics/Matrix3.h"
#include "graphics/Rect.h"
#include "graphics/TriVertex.h"

namespace Vesk {
class MemoryImage;
}

// Pixel-format codes of destination buffers.
enum : int32_t {
  PIXELFORMAT_8888 = 0x8888,  // 32-bit ARGB with alpha (memory images)
  PIXELFORMAT_888 = 0x888,    // 32-bit RGB without alpha
  PIXELFORMAT_565 = 0x565,
  PIXELFORMAT_555 = 0x555,
};

// Draws the source rectangle of the image, transformed by the matrix and moved by (x, y), as two
// triangles into the buffer (pitch in bytes), clipped to `clip`.
void DrawImageMatrixToBuffer(Vesk::MemoryImage* src, float x, float y, const Matrix3& matrix, const Rect& clip,
                             const Color& color, int32_t drawMode, const Rect& srcRect, void* dest, int32_t pitch,
                             int32_t pixelFormat, bool blend);

// Draws `count` textured triangles of the image, moved by (x, y), into the buffer.
void DrawTrianglesToBuffer(Vesk::MemoryImage* src, const TriVertex (*vertices)[3], int32_t count, const Rect& clip,
                           const Color& color, int32_t drawMode, void* dest, int32_t pitch, int32_t pixelFormat,
                           float x, float y, bool blend);
