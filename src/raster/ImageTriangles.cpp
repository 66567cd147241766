#include "raster/ImageTriangles.h"

int32_t MemoryImageTriangleFormat(bool transparencyFixedByHand, bool hasTransparency, bool hasAlpha) {
  return transparencyFixedByHand && !hasTransparency && !hasAlpha ? kPixelFormat888 : kPixelFormat8888;
}

void MakeMatrixQuadStrip(const float cornerX[4], const float cornerY[4], float sourceX, float sourceY,
                         float sourceWidth, float sourceHeight, int32_t textureWidth, int32_t textureHeight,
                         TriVertex strip[4]) {
  const float w = textureWidth > 0 ? float(textureWidth) : 1.0f;
  const float h = textureHeight > 0 ? float(textureHeight) : 1.0f;
  const float u0 = sourceX / w, u1 = (sourceX + sourceWidth) / w;
  const float v0 = sourceY / h, v1 = (sourceY + sourceHeight) / h;
  const float us[4] = {u0, u1, u0, u1};
  const float vs[4] = {v0, v0, v1, v1};
  for (int i = 0; i < 4; ++i) strip[i] = TriVertex{cornerX[i] - 0.5f, cornerY[i] - 0.5f, us[i], vs[i], 0xFFFFFFFFu};
}

void DrawMatrixQuad(const float cornerX[4], const float cornerY[4], float sourceX, float sourceY, float sourceWidth,
                    float sourceHeight, TriangleTexture* texture, const Color* color, int32_t drawMode,
                    const Rect* clipRect, void* frameBuffer, uint32_t pitch, int32_t pixelFormat, bool bilinear) {
  TriVertex strip[4];
  MakeMatrixQuadStrip(cornerX, cornerY, sourceX, sourceY, sourceWidth, sourceHeight,
                      texture ? texture->TextureWidth() : 1, texture ? texture->TextureHeight() : 1, strip);
  DrawTriangleStrip(strip, 4, texture, color, drawMode, clipRect, frameBuffer, pitch, pixelFormat, bilinear, false);
}

void DrawTriangleList(const TriVertex* vertices, int32_t triangleCount, float offsetX, float offsetY,
                      TriangleTexture* texture, const Color* color, int32_t drawMode, const Rect* clipRect,
                      void* frameBuffer, uint32_t pitch, int32_t pixelFormat, bool bilinear) {
  for (int32_t t = 0; t < triangleCount; ++t) {
    TriVertex triangle[3];
    bool coloured = false;
    for (int i = 0; i < 3; ++i) {
      triangle[i] = vertices[3 * t + i];
      triangle[i].x += offsetX;
      triangle[i].y += offsetY;
      coloured = coloured || triangle[i].color != 0;
    }
    DrawTriangleStrip(triangle, 3, texture, color, drawMode, clipRect, frameBuffer, pitch, pixelFormat, bilinear,
                      coloured);
  }
}
