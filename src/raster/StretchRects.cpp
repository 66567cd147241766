#include "raster/StretchRects.h"

#include <cmath>
#include <cstdint>

namespace {

bool ClipStretch(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, bool mirrored, Rect& clippedDest,
                 FRect& clippedSrc) {
  if (destRect.mWidth <= 0 || destRect.mHeight <= 0 || srcRect.mWidth <= 0 || srcRect.mHeight <= 0) return false;
  const Rect dest = destRect.Intersection(clipRect);
  if (dest.mWidth <= 0 || dest.mHeight <= 0) return false;
  const double scaleX = double(srcRect.mWidth) / destRect.mWidth;
  const double scaleY = double(srcRect.mHeight) / destRect.mHeight;
  // Destination columns cut away on the side that shows the source's left edge.
  const int64_t cutX = mirrored ? (int64_t(destRect.mX) + destRect.mWidth) - (int64_t(dest.mX) + dest.mWidth)
                                : int64_t(dest.mX) - destRect.mX;
  const int64_t cutY = int64_t(dest.mY) - destRect.mY;
  clippedDest = dest;
  clippedSrc = FRect(srcRect.mX + double(cutX) * scaleX, srcRect.mY + double(cutY) * scaleY, dest.mWidth * scaleX,
                     dest.mHeight * scaleY);
  return true;
}

// Near-integers from the rounding of sin and cos count as the integer, so that a quarter turn of
// a w x h source covers exactly h x w pixels.
double Snap(double value) {
  const double nearest = std::round(value);
  return std::fabs(value - nearest) < 1e-9 ? nearest : value;
}

}  // namespace

bool ClipStretchRects(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, Rect& clippedDest,
                      FRect& clippedSrc) {
  return ClipStretch(destRect, srcRect, clipRect, false, clippedDest, clippedSrc);
}

bool ClipStretchMirrorRects(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, Rect& clippedDest,
                            FRect& clippedSrc) {
  return ClipStretch(destRect, srcRect, clipRect, true, clippedDest, clippedSrc);
}

bool ComputeRotatedBounds(float x, float y, const Rect& srcRect, const Rect& clipRect, double angle, float centerX,
                          float centerY, Rect& box) {
  if (srcRect.mWidth <= 0 || srcRect.mHeight <= 0) return false;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(angle) || !std::isfinite(centerX) ||
      !std::isfinite(centerY))
    return false;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  // A source point q (from the source corner) lands at centre + R(-angle) (q - centre).
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  for (int corner = 0; corner < 4; ++corner) {
    const double qx = (corner & 1 ? srcRect.mWidth : 0) - double(centerX);
    const double qy = (corner & 2 ? srcRect.mHeight : 0) - double(centerY);
    const double dx = double(x) + centerX + qx * c + qy * s;
    const double dy = double(y) + centerY - qx * s + qy * c;
    minX = std::fmin(minX, dx);
    maxX = std::fmax(maxX, dx);
    minY = std::fmin(minY, dy);
    maxY = std::fmax(maxY, dy);
  }
  // Cut to the clip in doubles first, so that far-off coordinates never reach an int.
  const double left = std::fmax(std::floor(Snap(minX)), double(clipRect.mX));
  const double top = std::fmax(std::floor(Snap(minY)), double(clipRect.mY));
  const double right = std::fmin(std::ceil(Snap(maxX)), double(int64_t(clipRect.mX) + clipRect.mWidth));
  const double bottom = std::fmin(std::ceil(Snap(maxY)), double(int64_t(clipRect.mY) + clipRect.mHeight));
  if (!(right > left) || !(bottom > top)) return false;
  box = Rect(int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top));
  return true;
}
