#pragma once
#include <cstdint>
#include <string>

#include "graphics/Color.h"
#include "graphics/Matrix3.h"
#include "graphics/Rect.h"
#include "graphics/TriVertex.h"
#include "graphics/VeskVector2.h"

namespace Vesk {

class Image;

// Draw modes of the drawing context and the image operations.
enum DrawMode : int32_t { DRAWMODE_NORMAL = 0, DRAWMODE_ADDITIVE = 1 };

// One horizontal run of pixels to fill: row, first column, width.
struct Span {
  int32_t mY = 0;
  int32_t mX = 0;
  int32_t mWidth = 0;
};

// The mask state a drawing context hands to matrix drawing: the mask image (null for none), the
// part of it to use, the frame rectangle it stands for, and its own transform.
struct ImageMask {
  Image* mImage = nullptr;
  Rect mSrcRect;
  Rect mFrameRect;
  Matrix3 mTransform;
};

// An image: a file name, a size in pixels and a grid of animation cells. The drawing operations
// are virtual: an image with pixels in memory draws into them, a surface-backed image may draw
// another way. Coordinates reaching them are already translated and clipped by the drawing
// context, except where an operation takes a clip rectangle of its own.
class Image {
 public:
  Image();
  virtual ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  std::string mFilePath;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  // Animation cells, laid out as a grid over the image.
  int32_t mNumRows = 1;
  int32_t mNumCols = 1;
  // Set on a source image by every blit that draws it.
  uint8_t mDrawn = 0;

  int32_t GetWidth() const { return mWidth; }
  int32_t GetHeight() const { return mHeight; }
  int32_t GetCelWidth() const { return mNumCols > 0 ? mWidth / mNumCols : mWidth; }
  int32_t GetCelHeight() const { return mNumRows > 0 ? mHeight / mNumRows : mHeight; }
  // The rectangle of cell number `cel`, counted row by row.
  Rect GetCelRect(int32_t cel) const;
  Rect GetRect() const { return Rect(0, 0, mWidth, mHeight); }

  // Fills a polygon through a 3D device; false when there is none (the caller fills in software).
  virtual bool FillPolygon3D(const VeskVector2* points, int32_t count, const Rect* clip, const Color& color,
                             int32_t drawMode, int32_t tx, int32_t ty);
  virtual void FillRect(const Rect& rect, const Color& color, int32_t drawMode);
  // The outline as four one-pixel fills.
  virtual void DrawRect(const Rect& rect, const Color& color, int32_t drawMode);
  // Sets the pixels to 0 (transparent black).
  virtual void ClearRect(const Rect& rect);
  virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  virtual void DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  // One fill per span.
  virtual void FillSpans(const Span* spans, int32_t count, const Color& color, int32_t drawMode);
  // Fills spans with the colour scaled by a coverage byte per pixel, taken at
  // (y - coverY) * coverRowLength + x - coverX. `passThrough` is handed on unchanged.
  virtual void FillSpansCoverage(const Span* spans, int32_t count, const Color& color, int32_t drawMode,
                                 const uint8_t* coverage, int32_t coverX, int32_t coverY, int32_t coverRowLength,
                                 int32_t passThrough);
  virtual void Blit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color, int32_t drawMode);
  virtual void BlitAtFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                           int32_t drawMode);
  // Rotates the source rectangle by `angle` radians about (centerX, centerY), a point relative to
  // the source rectangle, placed so that the centre lands at (x + centerX, y + centerY).
  virtual void BlitRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                           int32_t drawMode, double angle, float centerX, float centerY);
  // Scales the source rectangle into the destination rectangle; `fast` samples the nearest
  // pixel instead of filtering.
  virtual void BlitStretched(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                             const Color& color, int32_t drawMode, bool fast);
  virtual void BlitMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                          int32_t drawMode, const Rect& srcRect, bool linear, const ImageMask& mask);
  // `count` triangles of three vertices each, moved by (tx, ty).
  virtual void BlitTriangles(Image* src, const TriVertex (*vertices)[3], int32_t count, const Rect& clip,
                             const Color& color, int32_t drawMode, float tx, float ty, bool linear);
  // The source's first column lands at x + width - 1, each next one a pixel further left.
  virtual void BlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                            int32_t drawMode);
  virtual void BlitStretchedMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                     const Color& color, int32_t drawMode, bool fast);
};

// Clips a blit of `sr` at (x, y): the source rectangle to the source image, the destination to
// `dst`, keeping each surviving source pixel where it lands (mirrored: the source's first column
// lands on the right). Returns false when nothing is left.
bool ClipBlit(const Image& dst, const Image& src, int32_t& x, int32_t& y, Rect& sr, bool mirror);

}  // namespace Vesk
