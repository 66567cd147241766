#include "graphics/Image.h"

namespace Vesk {

Image::Image() = default;
Image::~Image() = default;

Rect Image::GetCelRect(int32_t cel) const {
  int32_t cols = mNumCols > 0 ? mNumCols : 1;
  int32_t w = GetCelWidth(), h = GetCelHeight();
  return Rect((cel % cols) * w, (cel / cols) * h, w, h);
}

bool Image::FillPolygon3D(const VeskVector2*, int32_t, const Rect*, const Color&, int32_t, int32_t, int32_t) {
  return false;
}

void Image::FillRect(const Rect&, const Color&, int32_t) {}

void Image::DrawRect(const Rect& r, const Color& color, int32_t drawMode) {
  if (r.mWidth <= 0 || r.mHeight <= 0) return;
  FillRect(Rect(r.mX, r.mY, r.mWidth, 1), color, drawMode);
  if (r.mHeight > 1) FillRect(Rect(r.mX, r.mY + r.mHeight - 1, r.mWidth, 1), color, drawMode);
  if (r.mHeight > 2) {
    FillRect(Rect(r.mX, r.mY + 1, 1, r.mHeight - 2), color, drawMode);
    if (r.mWidth > 1) FillRect(Rect(r.mX + r.mWidth - 1, r.mY + 1, 1, r.mHeight - 2), color, drawMode);
  }
}

void Image::ClearRect(const Rect&) {}
void Image::DrawLine(double, double, double, double, const Color&, int32_t) {}
void Image::DrawLineSmooth(double, double, double, double, const Color&, int32_t) {}

void Image::FillSpans(const Span* spans, int32_t count, const Color& color, int32_t drawMode) {
  for (int32_t i = 0; i < count; ++i) FillRect(Rect(spans[i].mX, spans[i].mY, spans[i].mWidth, 1), color, drawMode);
}

void Image::FillSpansCoverage(const Span*, int32_t, const Color&, int32_t, const uint8_t*, int32_t, int32_t, int32_t,
                              int32_t) {}
void Image::Blit(Image* src, int32_t, int32_t, const Rect&, const Color&, int32_t) {
  if (src) src->mDrawn = 1;
}
void Image::BlitAtFloat(Image* src, float, float, const Rect&, const Rect&, const Color&, int32_t) {
  if (src) src->mDrawn = 1;
}
void Image::BlitRotated(Image* src, float, float, const Rect&, const Rect&, const Color&, int32_t, double, float,
                        float) {
  if (src) src->mDrawn = 1;
}
void Image::BlitStretched(Image* src, const Rect&, const Rect&, const Rect&, const Color&, int32_t, bool) {
  if (src) src->mDrawn = 1;
}
void Image::BlitMatrix(Image* src, float, float, const Matrix3&, const Rect&, const Color&, int32_t, const Rect&, bool,
                       const ImageMask&) {
  if (src) src->mDrawn = 1;
}
void Image::BlitTriangles(Image* src, const TriVertex (*)[3], int32_t, const Rect&, const Color&, int32_t, float, float,
                          bool) {
  if (src) src->mDrawn = 1;
}
void Image::BlitMirrored(Image* src, int32_t, int32_t, const Rect&, const Color&, int32_t) {
  if (src) src->mDrawn = 1;
}
void Image::BlitStretchedMirrored(Image* src, const Rect&, const Rect&, const Rect&, const Color&, int32_t, bool) {
  if (src) src->mDrawn = 1;
}

}  // namespace Vesk
