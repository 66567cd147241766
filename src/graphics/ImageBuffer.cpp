// Matrix and triangle drawing of images, handed to the triangle rasteriser.
#include "graphics/ImageBuffer.h"

#include "graphics/MemoryImage.h"
#include "raster/ImageTriangles.h"

void DrawImageMatrixToBuffer(Vesk::MemoryImage* src, float x, float y, const Matrix3& matrix, const Rect& clip,
                             const Color& color, int32_t drawMode, const Rect& srcRect, void* dest, int32_t pitch,
                             int32_t pixelFormat, bool blend) {
  if (!src || !dest || srcRect.mWidth <= 0 || srcRect.mHeight <= 0) return;
  // The source rectangle's corners in its own coordinates, through the matrix, at (x, y).
  const float w = float(srcRect.mWidth);
  const float h = float(srcRect.mHeight);
  const float localX[4] = {0, w, 0, w};
  const float localY[4] = {0, 0, h, h};
  float cornerX[4], cornerY[4];
  for (int i = 0; i < 4; ++i) {
    Vesk::VeskVector2 p = matrix.TransformPoint(Vesk::VeskVector2(localX[i], localY[i]));
    cornerX[i] = p.x + x;
    cornerY[i] = p.y + y;
  }
  DrawMatrixQuad(cornerX, cornerY, float(srcRect.mX), float(srcRect.mY), w, h, src, &color, drawMode, &clip, dest,
                 uint32_t(pitch), pixelFormat, blend);
}

void DrawTrianglesToBuffer(Vesk::MemoryImage* src, const TriVertex (*vertices)[3], int32_t count, const Rect& clip,
                           const Color& color, int32_t drawMode, void* dest, int32_t pitch, int32_t pixelFormat,
                           float x, float y, bool blend) {
  if (!vertices || count <= 0 || !dest) return;
  DrawTriangleList(&vertices[0][0], count, x, y, src, &color, drawMode, &clip, dest, uint32_t(pitch), pixelFormat,
                   blend);
}
