#pragma once
#include <cstdint>

#include "raster/TriangleRaster.h"

// The two ways images hand triangles to the rasteriser, in plain values, so that an image's
// matrix and triangle-list drawing are thin calls.

// Pixel format code for drawing into a memory image's own pixels: 0x888 when its transparency
// mode was set by hand and it has neither transparency nor alpha, else 0x8888.
int32_t MemoryImageTriangleFormat(bool transparencyFixedByHand, bool hasTransparency, bool hasAlpha);

// The strip of a source rectangle drawn through a matrix. cornerX/cornerY are the corners
// top-left, top-right, bottom-left, bottom-right already transformed and moved by the drawing
// position; the strip moves them by -0.5 so pixel centres sample texel centres. u and v are the
// source rectangle's edges over the texture size; colours are opaque white.
void MakeMatrixQuadStrip(const float cornerX[4], const float cornerY[4], float sourceX, float sourceY,
                         float sourceWidth, float sourceHeight, int32_t textureWidth, int32_t textureHeight,
                         TriVertex strip[4]);

// Draws the matrix quad: MakeMatrixQuadStrip, then one strip with vertex colours off.
void DrawMatrixQuad(const float cornerX[4], const float cornerY[4], float sourceX, float sourceY, float sourceWidth,
                    float sourceHeight, TriangleTexture* texture, const Color* color, int32_t drawMode,
                    const Rect* clipRect, void* frameBuffer, uint32_t pitch, int32_t pixelFormat, bool bilinear);

// Draws triangleCount triangles of three vertices each, moved by (offsetX, offsetY); each is its
// own strip, with vertex colours on when any of its three colour words is non-zero.
void DrawTriangleList(const TriVertex* vertices, int32_t triangleCount, float offsetX, float offsetY,
                      TriangleTexture* texture, const Color* color, int32_t drawMode, const Rect* clipRect,
                      void* frameBuffer, uint32_t pitch, int32_t pixelFormat, bool bilinear);
