#include "graphics/Graphics.h"

#include <algorithm>
#include <cmath>

namespace Vesk {

namespace {
int32_t Whole(float v) {
  double f = std::floor(double(v));
  return int32_t(std::clamp(f, -1e9, 1e9));
}

// Cuts the segment to the inclusive pixel box; false when nothing is left.
bool ClipSegment(const Rect& clip, double& x1, double& y1, double& x2, double& y2) {
  double xmin = clip.mX, ymin = clip.mY, xmax = double(clip.mX) + clip.mWidth - 1,
         ymax = double(clip.mY) + clip.mHeight - 1;
  double t0 = 0, t1 = 1, dx = x2 - x1, dy = y2 - y1;
  auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  if (!edge(-dx, x1 - xmin) || !edge(dx, xmax - x1) || !edge(-dy, y1 - ymin) || !edge(dy, ymax - y1)) return false;
  double nx1 = x1 + t0 * dx, ny1 = y1 + t0 * dy, nx2 = x1 + t1 * dx, ny2 = y1 + t1 * dy;
  x1 = nx1;
  y1 = ny1;
  x2 = nx2;
  y2 = ny2;
  return true;
}
}  // namespace

Graphics::Graphics(Image* destImage) : mDestImage(destImage) { mClipRect = DestBounds(); }

Rect Graphics::DestBounds() const { return mDestImage ? mDestImage->GetRect() : Rect(); }

void Graphics::SetScale(float sx, float sy, float originX, float originY) {
  mScaleX = sx;
  mScaleY = sy;
  mScaleOrigX = originX;
  mScaleOrigY = originY;
}

void Graphics::SetClipRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  mClipRect = Rect(x + Whole(mTransX), y + Whole(mTransY), width, height).Intersection(DestBounds());
}

void Graphics::ClipRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  mClipRect = mClipRect.Intersection(Rect(x + Whole(mTransX), y + Whole(mTransY), width, height));
}

void Graphics::ClearClipRect() { mClipRect = DestBounds(); }

void Graphics::FillRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!mDestImage || mColor.mAlpha <= 0) return;
  Rect r = Rect(x + Whole(mTransX), y + Whole(mTransY), width, height).Intersection(mClipRect);
  if (r.mWidth <= 0) return;
  mDestImage->FillRect(r, mColor, mDrawMode);
}

void Graphics::DrawRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  FillRect(x, y, width, 1);
  if (height > 1) FillRect(x, y + height - 1, width, 1);
  if (height > 2) {
    FillRect(x, y + 1, 1, height - 2);
    if (width > 1) FillRect(x + width - 1, y + 1, 1, height - 2);
  }
}

void Graphics::ClearRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!mDestImage) return;
  Rect r = Rect(x + Whole(mTransX), y + Whole(mTransY), width, height).Intersection(mClipRect);
  if (r.mWidth > 0) mDestImage->ClearRect(r);
}

void Graphics::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!mDestImage || mColor.mAlpha <= 0) return;
  double ax = x1 + double(mTransX), ay = y1 + double(mTransY), bx = x2 + double(mTransX), by = y2 + double(mTransY);
  if (!ClipSegment(mClipRect, ax, ay, bx, by)) return;
  mDestImage->DrawLine(ax, ay, bx, by, mColor, mDrawMode);
}

void Graphics::DrawLineAA(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!mDestImage || mColor.mAlpha <= 0) return;
  double ax = x1 + double(mTransX), ay = y1 + double(mTransY), bx = x2 + double(mTransX), by = y2 + double(mTransY);
  if (!ClipSegment(mClipRect, ax, ay, bx, by)) return;
  mDestImage->DrawLineSmooth(ax, ay, bx, by, mColor, mDrawMode);
}

void Graphics::DrawImage(Image* image, int32_t x, int32_t y) {
  if (image) DrawImage(image, x, y, image->GetRect());
}

void Graphics::DrawImage(Image* image, int32_t x, int32_t y, const Rect& srcRect) {
  if (!mDestImage || !image) return;
  if (mScaleX != 1 || mScaleY != 1) {
    // Scaled about the scale origin, which is in destination coordinates: the translated corner
    // is scaled about it, then handed to the stretched path, which translates again.
    float dx = mScaleOrigX + (float(x) + mTransX - mScaleOrigX) * mScaleX - mTransX;
    float dy = mScaleOrigY + (float(y) + mTransY - mScaleOrigY) * mScaleY - mTransY;
    Rect dest(Whole(dx), Whole(dy), Whole(srcRect.mWidth * mScaleX), Whole(srcRect.mHeight * mScaleY));
    DrawImage(image, dest, srcRect);
    return;
  }
  int32_t tx = x + Whole(mTransX), ty = y + Whole(mTransY);
  Rect d = Rect(tx, ty, srcRect.mWidth, srcRect.mHeight).Intersection(mClipRect);
  if (d.mWidth <= 0) return;
  Rect sr(srcRect.mX + d.mX - tx, srcRect.mY + d.mY - ty, d.mWidth, d.mHeight);
  mDestImage->Blit(image, d.mX, d.mY, sr, ImageColor(), mDrawMode);
}

void Graphics::DrawImage(Image* image, const Rect& destRect, const Rect& srcRect) {
  if (!mDestImage || !image) return;
  Rect d(destRect.mX + Whole(mTransX), destRect.mY + Whole(mTransY), destRect.mWidth, destRect.mHeight);
  mDestImage->BlitStretched(image, d, srcRect, mClipRect, ImageColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageF(Image* image, float x, float y) {
  if (image) DrawImageF(image, x, y, image->GetRect());
}

void Graphics::DrawImageF(Image* image, float x, float y, const Rect& srcRect) {
  if (!mDestImage || !image) return;
  mDestImage->BlitAtFloat(image, x + mTransX, y + mTransY, srcRect, mClipRect, ImageColor(), mDrawMode);
}

void Graphics::DrawImageMirrored(Image* image, int32_t x, int32_t y, bool mirror) {
  if (image) DrawImageMirrored(image, Rect(x, y, image->mWidth, image->mHeight), image->GetRect(), mirror);
}

void Graphics::DrawImageMirrored(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror) {
  if (!mDestImage || !image || destRect.mWidth <= 0 || destRect.mHeight <= 0) return;
  bool sameSize = destRect.mWidth == srcRect.mWidth && destRect.mHeight == srcRect.mHeight;
  if (sameSize && !mirror) {
    DrawImage(image, destRect.mX, destRect.mY, srcRect);
    return;
  }
  Rect d(destRect.mX + Whole(mTransX), destRect.mY + Whole(mTransY), destRect.mWidth, destRect.mHeight);
  if (!sameSize) {
    if (mirror)
      mDestImage->BlitStretchedMirrored(image, d, srcRect, mClipRect, ImageColor(), mDrawMode, mFastStretch);
    else
      mDestImage->BlitStretched(image, d, srcRect, mClipRect, ImageColor(), mDrawMode, mFastStretch);
    return;
  }
  // Same size, mirrored: clip the destination and take the source from the other side.
  Rect c = d.Intersection(mClipRect);
  if (c.mWidth <= 0) return;
  Rect sr(srcRect.mX + (d.mX + d.mWidth) - (c.mX + c.mWidth), srcRect.mY + c.mY - d.mY, c.mWidth, c.mHeight);
  mDestImage->BlitMirrored(image, c.mX, c.mY, sr, ImageColor(), mDrawMode);
}

void Graphics::DrawImageCel(Image* image, int32_t x, int32_t y, int32_t cel) {
  if (image) DrawImage(image, x, y, image->GetCelRect(cel));
}

void Graphics::DrawImageRotated(Image* image, float x, float y, double angle, float rotCenterX, float rotCenterY,
                                const Rect* srcRect) {
  if (!mDestImage || !image) return;
  Rect sr = srcRect ? *srcRect : image->GetRect();
  mDestImage->BlitRotated(image, x + mTransX, y + mTransY, sr, mClipRect, ImageColor(), mDrawMode, angle, rotCenterX,
                          rotCenterY);
}

void Graphics::DrawImageMatrix(Image* image, const Matrix3& matrix, float x, float y) {
  if (image) DrawImageMatrix(image, matrix, image->GetRect(), x, y);
}

void Graphics::DrawImageMatrix(Image* image, const Matrix3& matrix, const Rect& srcRect, float x, float y) {
  if (!mDestImage || !image) return;
  mDestImage->BlitMatrix(image, x + mTransX, y + mTransY, matrix, mClipRect, ImageColor(), mDrawMode, srcRect,
                         mLinearBlend, mMask);
}

void Graphics::DrawTrianglesTex(Image* texture, const TriVertex (*vertices)[3], int32_t count) {
  if (!mDestImage || !texture || count <= 0) return;
  mDestImage->BlitTriangles(texture, vertices, count, mClipRect, ImageColor(), mDrawMode, mTransX, mTransY,
                            mLinearBlend);
}

}  // namespace Vesk
