// The surface image's stretched, mirrored-stretched and rotated blits: nearest-pixel stretching
// in 16.16 fixed point from the display-format words, filtered stretching through a temporary
// memory image, and bilinear rotation from the source's ARGB pixels (see RotateRows).
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/RotateRows.h"
#include "display/StretchRows.h"
#include "display/SurfacePixels.h"
#include "raster/StretchRects.h"

namespace Vesk {

using namespace SurfacePixels;
using StretchRows::StretchPixel;

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// The steps i in [lo, hi) of 0..n-1 for which 0 <= p + i * d <= limit; a zero step keeps the
// coordinate constant, so every step or none qualifies.
void StepRange(int64_t p, int64_t d, int64_t limit, int32_t n, int32_t& lo, int32_t& hi) {
  int64_t l = 0, h = n;
  if (d == 0) {
    if (p < 0 || p > limit) h = 0;
  } else if (d > 0) {
    l = std::max<int64_t>(l, CeilDiv(-p, d));
    h = std::min<int64_t>(h, FloorDiv(limit - p, d) + 1);
  } else {
    l = std::max<int64_t>(l, CeilDiv(p - limit, -d));
    h = std::min<int64_t>(h, FloorDiv(p, -d) + 1);
  }
  lo = int32_t(std::clamp<int64_t>(l, 0, n));
  hi = int32_t(std::clamp<int64_t>(h, lo, n));
}

}  // namespace

void DDImage::BlitStretched(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                            const Color& color, int32_t drawMode, bool fast) {
  Stretch(src, destRect, srcRect, clip, color, drawMode, fast, false);
}

void DDImage::BlitStretchedMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                    const Color& color, int32_t drawMode, bool fast) {
  Stretch(src, destRect, srcRect, clip, color, drawMode, fast, true);
}

void DDImage::Stretch(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                      int32_t drawMode, bool fast, bool mirror) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  auto* dd = dynamic_cast<DDImage*>(src);
  CommitBits();
  if (!m) return;
  if (DrawsThroughD3D()) {
    D3D()->BlitStretched(m, destRect, srcRect, &clip, color, drawMode, fast, mirror);
    DeleteMemoryBuffers();
    return;
  }
  Rect cd;
  FRect cs;
  const Rect c = clip.Intersection(GetRect());
  if (!(mirror ? ClipStretchMirrorRects : ClipStretchRects)(destRect, srcRect, c, cd, cs)) return;
  const bool surfaceRoute = !mHasAlpha && !mHasTrans && !mDisplay->mIs3D;
  auto inMemory = [&] {
    if (mirror)
      MemoryImage::BlitStretchedMirrored(src, destRect, srcRect, clip, color, drawMode, fast);
    else
      MemoryImage::BlitStretched(src, destRect, srcRect, clip, color, drawMode, fast);
  };
  if (!fast) {
    if (!surfaceRoute) return inMemory();
    if (mNoSoftwareAccess) return;
    // Filtered into a temporary image, which the plain blit then draws with the colour and mode.
    MemoryImage filtered(cd.mWidth, cd.mHeight);
    const Rect all(0, 0, cd.mWidth, cd.mHeight);
    filtered.BlitStretchedSmooth(src, all, cs, all, Color::White, DRAWMODE_NORMAL, mirror);
    Blit(&filtered, cd.mX, cd.mY, all, color, drawMode);
    DeleteMemoryBuffers();
    return;
  }
  if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
  m->CommitBits();
  // Surface to surface where the device can scale; it cannot mirror.
  if (!mirror && dd && dd->HasSurface() && Color::Equals(color, Color::White) && drawMode == DRAWMODE_NORMAL &&
      !dd->mHasAlpha && (surfaceRoute || mNoSoftwareAccess) && GetSurface()) {
    BltFromSurface(dd, {cd.mX, cd.mY, cd.mX + cd.mWidth, cd.mY + cd.mHeight},
                   {int32_t(cs.mX), int32_t(cs.mY), int32_t(cs.mX + cs.mWidth), int32_t(cs.mY + cs.mHeight)});
    return;
  }
  if (!surfaceRoute) return inMemory();
  if (mNoSoftwareAccess || !m->GetBits() || m->GetWidth() <= 0 || m->GetHeight() <= 0) return;
  const uint32_t* words = m->GetDisplayFormatBits(*mDisplay);
  const uint8_t* indices = m->mNativeFromTable ? m->mColorIndices.get() : nullptr;
  if (!LockSurface()) return;
  if (Is16Or32(mLockInfo)) {
    const Masks masks(mLockInfo.mFormat);
    const Saturation sat(*mDisplay);
    const Tint tint(color);
    const StretchPixel pixel{masks, sat, tint, drawMode == DRAWMODE_ADDITIVE};
    if (!pixel.additive || sat.valid) {
      const int64_t du = int64_t(cs.mWidth * 65536.0 / cd.mWidth), dv = int64_t(cs.mHeight * 65536.0 / cd.mHeight);
      // Samples stay inside the source image whatever the rectangles say.
      const int64_t maxU = m->GetWidth() - 1, maxV = m->GetHeight() - 1;
      std::vector<int32_t> cols(size_t(cd.mWidth));
      int64_t u = int64_t(cs.mX * 65536.0);
      for (int32_t& col : cols) {
        col = int32_t(std::clamp<int64_t>(u >> 16, 0, maxU));
        u += du;
      }
      const bool white = pixel.OpaqueWritesTheWord();
      // The columns read lie in [firstCol, lastCol]; where the alpha runs show that stretch of a
      // source row opaque, its words are written as they are.
      const uint8_t* runs = white ? m->GetAlphaRuns() : nullptr;
      const int32_t firstCol = cols.empty() ? 0 : std::min(cols.front(), cols.back());
      const int32_t lastCol = cols.empty() ? -1 : std::max(cols.front(), cols.back());
      auto opaqueColumns = [&](size_t so, auto src) {
        for (int32_t i = firstCol; i <= lastCol; i += runs[so + size_t(i)])
          if (src(size_t(i)) >> 24 != 255) return false;
        return true;
      };
      auto rows = [&](auto pixelType, auto dir) {
        using P = decltype(pixelType);
        constexpr int Dir = decltype(dir)::value;
        int64_t v = int64_t(cs.mY * 65536.0), lastY = -1;
        // The previous row holds only its words: a row of the same source row is a copy of it.
        bool lastOpaque = false;
        const size_t rowBytes = size_t(cd.mWidth) * sizeof(P);
        for (int32_t row = 0; row < cd.mHeight; ++row, v += dv) {
          const int64_t sy = std::clamp<int64_t>(v >> 16, 0, maxV);
          uint8_t* line = mLockInfo.mBits + size_t(cd.mY + row) * size_t(mLockInfo.mPitch) + size_t(cd.mX) * sizeof(P);
          if (lastOpaque && sy == lastY) {
            std::memcpy(line, line - size_t(mLockInfo.mPitch), rowBytes);
            continue;
          }
          P* d = reinterpret_cast<P*>(line) + (Dir > 0 ? 0 : cd.mWidth - 1);
          const size_t so = size_t(sy) * size_t(m->GetWidth());
          auto draw = [&](auto src) {
            if (white && opaqueColumns(so, src)) {
              StretchRows::OpaqueRow<P, Dir>(d, src, cols.data(), cd.mWidth);
              lastOpaque = true;
            } else if (white) {
              lastOpaque = StretchRows::WhiteRow<P, Dir>(d, src, cols.data(), cd.mWidth, pixel);
            } else {
              StretchRows::PlainRow<P, Dir>(d, src, cols.data(), cd.mWidth, pixel);
            }
          };
          if (indices)
            draw([&](size_t col) { return words[indices[so + col]]; });
          else
            draw([line0 = words + so](size_t col) { return line0[col]; });
          lastY = sy;
        }
      };
      auto withDepth = [&](auto dir) {
        if (mLockInfo.mFormat.mBitCount == 32)
          rows(uint32_t(), dir);
        else
          rows(uint16_t(), dir);
      };
      if (mirror)
        withDepth(std::integral_constant<int, -1>());
      else
        withDepth(std::integral_constant<int, 1>());
    }
  }
  UnlockSurface();
  DeleteMemoryBuffers();
}

void DDImage::BlitAtFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                          int32_t drawMode) {
  if (src && DrawsThroughD3D()) {
    src->mDrawn = 1;
    auto* m = dynamic_cast<MemoryImage*>(src);
    // Wholly inside the clip: a plain blit, filtered for the fraction; partly: clipped.
    const FRect dest(x, y, srcRect.mWidth, srcRect.mHeight);
    const FRect in = FRect::Intersection(dest, FRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight));
    if (m && in.mWidth == dest.mWidth && in.mHeight == dest.mHeight)
      D3D()->Blit(m, x, y, srcRect, color, drawMode, true);
    else if (m && in.mWidth > 0 && in.mHeight > 0)
      D3D()->BlitTranslated(m, x, y, srcRect, &clip, color, drawMode);
    DeleteMemoryBuffers();
    return;
  }
  BlitRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void DDImage::BlitRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                          int32_t drawMode, double angle, float centerX, float centerY) {
  if (!src || mNoSoftwareAccess) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  CommitBits();
  if (!m) return;
  if (DrawsThroughD3D()) {
    D3D()->BlitRotated(m, x, y, srcRect, &clip, color, drawMode, angle, centerX, centerY);
    DeleteMemoryBuffers();
    return;
  }
  if (mHasAlpha || mHasTrans || mDisplay->mIs3D) {
    MemoryImage::BlitRotated(src, x, y, srcRect, clip, color, drawMode, angle, centerX, centerY);
    return;
  }
  if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
  // A source rectangle reaching outside the source is cut; the turning point stays put.
  Rect sr = srcRect.Intersection(m->GetRect());
  if (sr.mWidth <= 0) return;
  const float cutX = float(sr.mX - srcRect.mX), cutY = float(sr.mY - srcRect.mY);
  x += cutX;
  y += cutY;
  centerX -= cutX;
  centerY -= cutY;
  Rect box;
  if (!ComputeRotatedBounds(x, y, sr, clip.Intersection(GetRect()), angle, centerX, centerY, box)) return;
  const uint32_t* bits = m->GetBits();
  if (!bits || !LockSurface()) return;
  if (Is16Or32(mLockInfo)) {
    using RotateRows::Fast;
    const RotateRows::Blend blend{Masks(mLockInfo.mFormat),
                                  Saturation(*mDisplay),
                                  drawMode == DRAWMODE_ADDITIVE,
                                  Color::Equals(color, Color::White),
                                  Alpha(color),
                                  {Channel(color, 0) + 1, Channel(color, 1) + 1, Channel(color, 2) + 1},
                                  mLockInfo.mFormat.mBitCount};
    const Fast fast = RotateRows::FastLayoutOf(blend);
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    const int64_t du = int64_t(cosA * 65536), dv = int64_t(sinA * 65536);
    // The four texels of a sample lie inside the source: the last column and row pair with
    // themselves.
    const int64_t limitU = (int64_t(sr.mWidth) << 16) - 1, limitV = (int64_t(sr.mHeight) << 16) - 1;
    const size_t stride = size_t(m->GetWidth());
    const RotateRows::Source source{bits + size_t(sr.mY) * stride + size_t(sr.mX), stride, sr.mWidth, sr.mHeight};
    for (int32_t Y = box.mY; Y < box.mY + box.mHeight; ++Y) {
      const float px = float(box.mX) - x - centerX, py = float(Y) - y - centerY;
      const int64_t u0 = int64_t((centerX + px * float(cosA) - py * float(sinA)) * 65536.0f);
      const int64_t v0 = int64_t((centerY + px * float(sinA) + py * float(cosA)) * 65536.0f);
      int32_t loU, hiU, loV, hiV;
      StepRange(u0, du, limitU, box.mWidth, loU, hiU);
      StepRange(v0, dv, limitV, box.mWidth, loV, hiV);
      const int32_t lo = std::max(loU, loV), hi = std::min(hiU, hiV);
      if (lo >= hi) continue;
      uint8_t* row = mLockInfo.mBits + size_t(Y) * size_t(mLockInfo.mPitch);
      if (fast == Fast::Xrgb32 && blend.white)
        RotateRows::FastRow<Fast::Xrgb32, true>(row, box.mX, u0, v0, du, dv, lo, hi, source, blend);
      else if (fast == Fast::Xrgb32)
        RotateRows::FastRow<Fast::Xrgb32, false>(row, box.mX, u0, v0, du, dv, lo, hi, source, blend);
      else if (fast == Fast::Rgb565 && blend.white)
        RotateRows::FastRow<Fast::Rgb565, true>(row, box.mX, u0, v0, du, dv, lo, hi, source, blend);
      else if (fast == Fast::Rgb565)
        RotateRows::FastRow<Fast::Rgb565, false>(row, box.mX, u0, v0, du, dv, lo, hi, source, blend);
      else
        RotateRows::PlainRow(row, box.mX, u0, v0, du, dv, lo, hi, source, blend);
    }
  }
  UnlockSurface();
  DeleteMemoryBuffers();
}

}  // namespace Vesk
