// The surface image's lines: Bresenham lines in normal and additive mode, and the anti-aliased
// line with 16.16 coverage, drawn straight into the locked 16- or 32-bit surface.
#include <cmath>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/SurfacePixels.h"

namespace Vesk {

using namespace SurfacePixels;

namespace {

// Line coordinates beyond this are refused: no screen is that large, and the walks stay short.
constexpr double kMaxCoordinate = 1 << 20;

bool Drawable(double x1, double y1, double x2, double y2) {
  for (double v : {x1, y1, x2, y2})
    if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate) return false;
  return true;
}

// Walks the line from (x1, y1) to (x2, y2) with an integer error term and a sub-pixel start,
// calling plot(x, y) for every pixel; the walk ends early where a step would leave the box of
// the two endpoints.
template <typename Plot>
void WalkLine(double x1, double y1, double x2, double y2, Plot plot) {
  const double minX = std::min(x1, x2), maxX = std::max(x1, x2);
  const double minY = std::min(y1, y2), maxY = std::max(y1, y2);
  double dx = x2 - x1, dy = y2 - y1;
  const bool xMajor = std::fabs(dx) > std::fabs(dy);
  double majorDelta = xMajor ? dx : dy, minorDelta = xMajor ? dy : dx;
  double sx = x1, sy = y1, ex = x2, ey = y2;
  // The major coordinate always grows.
  if (majorDelta < 0) {
    std::swap(sx, ex);
    std::swap(sy, ey);
    majorDelta = -majorDelta;
    minorDelta = -minorDelta;
  }
  const double D = majorDelta, A = std::fabs(minorDelta);
  const int32_t step = minorDelta >= 0 ? 1 : -1;
  const double startMinor = xMajor ? sy : sx;
  const double endMajor = xMajor ? ex : ey;
  const double minorLow = xMajor ? minY : minX, minorHigh = xMajor ? maxY : maxX;
  int32_t x = int32_t(sx), y = int32_t(sy);
  plot(x, y);
  const int32_t incStraight = int32_t(2 * A);
  const int32_t incDiag = int32_t(2 * (A - D));
  const double f = startMinor - std::trunc(startMinor);
  int32_t e = int32_t(std::trunc(2 * A - D) + f * incStraight);
  int32_t& major = xMajor ? x : y;
  int32_t& minor = xMajor ? y : x;
  for (int32_t m = major + 1; m <= endMajor; ++m) {
    if (e > 0) {
      minor += step;
      e += incDiag;
      if (minor < minorLow || minor > minorHigh) return;
    } else {
      e += incStraight;
    }
    major = m;
    plot(x, y);
  }
}

}  // namespace

template <typename Pixel>
void DDImage::DrawLineWith(double x1, double y1, double x2, double y2, Pixel pixel) {
  if (mNoSoftwareAccess || !Drawable(x1, y1, x2, y2) || !LockSurface()) return;
  if (Is16Or32(mLockInfo)) {
    const int32_t bpp = mLockInfo.mFormat.mBitCount;
    const int32_t w = std::min(mWidth, mLockInfo.mWidth), h = std::min(mHeight, mLockInfo.mHeight);
    // The caller clips, but pixels of a line reaching past the surface are dropped all the same.
    WalkLine(x1, y1, x2, y2, [&](int32_t x, int32_t y) {
      if (x < 0 || y < 0 || x >= w || y >= h) return;
      uint8_t* row = mLockInfo.mBits + size_t(y) * size_t(mLockInfo.mPitch);
      Store(row, x, bpp, pixel(Load(row, x, bpp)));
    });
  }
  UnlockSurface();
}

void DDImage::NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color) {
  const Platform::Video::Surface* surface = mNoSoftwareAccess ? nullptr : GetSurface();
  if (!surface) return;
  const Platform::Video::PixelFormat f = surface->Format();
  const Masks M(f);
  const uint64_t a = Alpha(color);
  if (a == 255) {
    // Opaque colours convert exactly, as the surface's own pixels do.
    const uint32_t v = Platform::Video::FromArgb(color.ToARGB(), f);
    DrawLineWith(x1, y1, x2, y2, [v](uint32_t) { return v; });
    return;
  }
  uint64_t t = 0;
  for (int c = 0; c < 3; ++c) t += ((((Channel(color, c) * a + 128) >> 8) * M.m[c] + (M.m[c] >> 1)) >> 8) & M.m[c];
  DrawLineWith(x1, y1, x2, y2, [&](uint32_t d) {
    uint64_t out = t;
    for (uint64_t m : M.m) out += (((d & m) * (256 - a) + (m >> 1)) >> 8) & m;
    return uint32_t(out);
  });
}

void DDImage::AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color) {
  const AdditiveColour add(*mDisplay, color);
  if (!add.valid) return;
  DrawLineWith(x1, y1, x2, y2, [&add](uint32_t d) { return add.Apply(d); });
}

void DDImage::NormalDrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color) {
  if (mNoSoftwareAccess || !Drawable(x1, y1, x2, y2) || !LockSurface()) return;
  if (!Is16Or32(mLockInfo)) {
    UnlockSurface();
    return;
  }
  const Platform::Video::PixelFormat& fmt = mLockInfo.mFormat;
  const int32_t bpp = fmt.mBitCount;
  const Masks M(fmt);
  const Layout layout = LayoutOf(fmt, mDisplay->mRGBOrder);
  uint64_t P = 0;
  for (int c = 0; c < 3; ++c) P += (Channel(color, c) * M.m[c] >> 8) & M.m[c];
  const uint32_t ca = Alpha(color);
  const int32_t width = std::min(mWidth, mLockInfo.mWidth), height = std::min(mHeight, mLockInfo.mHeight);

  // Blends the colour over one pixel with a weight of 0..255 (before the colour's alpha).
  auto blend = [&](int32_t x, int32_t y, uint32_t weight) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* row = mLockInfo.mBits + size_t(y) * size_t(mLockInfo.mPitch);
    const uint32_t d = Load(row, x, bpp);
    const uint32_t w = ca < 255 ? (weight * (ca + 1)) >> 8 : weight;
    uint32_t out;
    if (layout == Layout::P565 || layout == Layout::P555) {
      const uint32_t W = weight * (ca + 1);
      const uint32_t K = layout == Layout::P565 ? kSpread565 : kSpread555;
      auto spread = [&](uint32_t v) { return ((v << 16) | v) & K; };
      out = Fold(spread(uint32_t(P)) * (W >> 11) >> 5 & K) + Fold(spread(d) * ((256 - (W >> 8)) >> 3) >> 5 & K);
    } else if (layout == Layout::Packed32) {
      const uint32_t p = uint32_t(P);
      out = (((d & 0xFF00FFu) * (256 - w) + (p & 0xFF00FFu) * w) >> 8 & 0xFF00FFu) |
            (((d & 0xFF00u) * (256 - w) + (p & 0xFF00u) * w) >> 8 & 0xFF00u);
    } else {
      uint64_t o = 0;
      for (uint64_t m : M.m) o |= ((d & m) * (256 - w) + (P & m) * w) >> 8 & m;
      out = uint32_t(o);
    }
    Store(row, x, bpp, out);
  };

  // The upper endpoint starts the walk.
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (int32_t(by) < int32_t(ay)) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  int32_t X = int32_t(ax), Y = int32_t(ay);
  const int32_t X1 = int32_t(bx), Y1 = int32_t(by);
  const int32_t DX = std::abs(X1 - X), DY = Y1 - Y;
  const int32_t sx = X1 >= X ? 1 : -1;
  const double adx = std::fabs(bx - ax), ady = by - ay;
  // 16.16 coverage; the byte of an accumulator value weighs the second pixel of a pair.
  int64_t F = std::llround(std::fabs(ax - X) * std::fabs(ay - Y) * 65536.0);
  auto cover = [](int64_t v) { return uint32_t((v >> 8) & 255); };
  blend(X, Y, 255 - cover(F));
  // Steps larger than a few pixels per row come only from endpoints a hair apart.
  auto toStep = [](double v) { return std::clamp<int64_t>(std::llround(v * 65536.0), 0, int64_t(1) << 24); };
  if (DX < DY) {
    const int64_t step = toStep(adx / ady);
    for (int32_t i = 0; i < DY - 1; ++i) {
      F += step;
      if (F > 0xFFFF) {
        F &= 0xFFFF;
        X += sx;
      }
      ++Y;
      blend(X, Y, 255 - cover(F));
      blend(X + sx, Y, cover(F));
    }
  } else if (DX > 0) {
    const int64_t step = toStep(ady / adx);
    for (int32_t i = 0; i < DX - 1; ++i) {
      F += step;
      if (F > 0xFFFF) {
        F &= 0xFFFF;
        ++Y;
      }
      X += sx;
      blend(X, Y, 255 - cover(F));
      blend(X, Y + 1, cover(F));
    }
  }
  blend(X1, Y1, 255 - cover(F));
  UnlockSurface();
}

}  // namespace Vesk
