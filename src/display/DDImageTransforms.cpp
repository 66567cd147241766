// The surface image's stretched, mirrored-stretched and rotated blits: nearest-pixel stretching
// in 16.16 fixed point from the display-format words, filtered stretching through a temporary
// memory image, and bilinear rotation from the source's ARGB pixels.
#include <cmath>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/SurfacePixels.h"
#include "raster/StretchRects.h"

namespace Vesk {

using namespace SurfacePixels;

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

// One destination pixel of a nearest-pixel stretch in the given mode and colour.
struct StretchPixel {
  const Masks& M;
  const Saturation& sat;
  const Tint& tint;
  bool additive;

  uint32_t operator()(uint32_t d, uint32_t s) const {
    const uint32_t a = s >> 24;
    if (additive) {
      if (s == 0) return d;
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const uint64_t df = (d & sat.mask[c]) >> sat.shift[c], sf = (s & sat.mask[c]) >> sat.shift[c];
        const uint64_t add = tint.cls == Tint::White ? sf : sf * tint.k[c] >> 8;
        out |= uint32_t(sat.table[c][df + add]) << sat.shift[c];
      }
      return out;
    }
    uint64_t out = 0;
    if (tint.cls == Tint::White) {
      if (a == 0) return d;
      for (uint64_t m : M.m) out += ((d & m) * (256 - a) >> 8) & m;
      return uint32_t(out + s);
    }
    const uint64_t scaled = a * tint.ca / 255;
    if (scaled == 0) return d;
    for (int c = 0; c < 3; ++c) out += ((d & M.m[c]) * (256 - scaled) + (s & M.m[c]) * tint.k[c]) >> 8 & M.m[c];
    return uint32_t(out);
  }
};

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
      const int32_t bpp = mLockInfo.mFormat.mBitCount;
      const int64_t du = int64_t(cs.mWidth * 65536.0 / cd.mWidth), dv = int64_t(cs.mHeight * 65536.0 / cd.mHeight);
      const int64_t uStart = int64_t(cs.mX * 65536.0);
      int64_t v = int64_t(cs.mY * 65536.0);
      // Samples stay inside the source image whatever the rectangles say.
      const int64_t maxU = m->GetWidth() - 1, maxV = m->GetHeight() - 1;
      for (int32_t row = 0; row < cd.mHeight; ++row, v += dv) {
        const int64_t sy = std::clamp<int64_t>(v >> 16, 0, maxV);
        const size_t so = size_t(sy) * size_t(m->GetWidth());
        uint8_t* d = mLockInfo.mBits + size_t(cd.mY + row) * size_t(mLockInfo.mPitch);
        int64_t u = uStart;
        for (int32_t i = 0; i < cd.mWidth; ++i, u += du) {
          const size_t si = so + size_t(std::clamp<int64_t>(u >> 16, 0, maxU));
          const uint32_t s = indices ? words[indices[si]] : words[si];
          const int32_t x = mirror ? cd.mX + cd.mWidth - 1 - i : cd.mX + i;
          Store(d, x, bpp, pixel(Load(d, x, bpp), s));
        }
      }
    }
  }
  UnlockSurface();
  DeleteMemoryBuffers();
}

void DDImage::BlitAtFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                          int32_t drawMode) {
  BlitRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void DDImage::BlitRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                          int32_t drawMode, double angle, float centerX, float centerY) {
  if (!src || mNoSoftwareAccess) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  CommitBits();
  if (!m) return;
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
    const Masks M(mLockInfo.mFormat);
    const Saturation sat(*mDisplay);
    const bool additive = drawMode == DRAWMODE_ADDITIVE;
    const bool white = Color::Equals(color, Color::White);
    const uint32_t ca = Alpha(color);
    const uint32_t tint[3] = {Channel(color, 0) + 1, Channel(color, 1) + 1, Channel(color, 2) + 1};
    const int32_t bpp = mLockInfo.mFormat.mBitCount;
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    const int64_t du = int64_t(cosA * 65536), dv = int64_t(sinA * 65536);
    // The four texels of a sample lie inside the source: the last column and row pair with
    // themselves.
    const int64_t limitU = (int64_t(sr.mWidth) << 16) - 1, limitV = (int64_t(sr.mHeight) << 16) - 1;
    const int32_t stride = m->GetWidth();
    const uint32_t* base = bits + size_t(sr.mY) * size_t(stride) + size_t(sr.mX);
    for (int32_t Y = box.mY; Y < box.mY + box.mHeight; ++Y) {
      const float px = float(box.mX) - x - centerX, py = float(Y) - y - centerY;
      const int64_t u0 = int64_t((centerX + px * float(cosA) - py * float(sinA)) * 65536.0f);
      const int64_t v0 = int64_t((centerY + px * float(sinA) + py * float(cosA)) * 65536.0f);
      int32_t loU, hiU, loV, hiV;
      StepRange(u0, du, limitU, box.mWidth, loU, hiU);
      StepRange(v0, dv, limitV, box.mWidth, loV, hiV);
      const int32_t lo = std::max(loU, loV), hi = std::min(hiU, hiV);
      uint8_t* row = mLockInfo.mBits + size_t(Y) * size_t(mLockInfo.mPitch);
      for (int32_t i = lo; i < hi; ++i) {
        const int64_t u = u0 + i * du, v = v0 + i * dv;
        const int32_t tx = int32_t(u >> 16), ty = int32_t(v >> 16);
        const int32_t nx = tx + 1 < sr.mWidth ? 1 : 0;
        const size_t ny = ty + 1 < sr.mHeight ? size_t(stride) : 0;
        const uint32_t* t = base + size_t(ty) * size_t(stride) + size_t(tx);
        const uint32_t texel[4] = {t[0], t[nx], t[ny], t[ny + size_t(nx)]};
        const uint64_t fx = (uint64_t(u) & 0xFFFE) + 1, fy = (uint64_t(v) & 0xFFFE) + 1;
        const uint64_t area[4] = {(0x10000 - fx) * (0x10000 - fy) >> 16, fx * (0x10000 - fy) >> 16,
                                  (0x10000 - fx) * fy >> 16, fx * fy >> 16};
        uint64_t weight[4], total = 0;
        for (int k = 0; k < 4; ++k) {
          weight[k] = area[k] * (texel[k] >> 24) >> 16;
          if (!white) weight[k] = weight[k] * ca >> 8;
          total += weight[k];
        }
        if (total == 0) continue;
        const int x = box.mX + i;
        const uint32_t d = Load(row, x, bpp);
        uint64_t out = 0;
        for (int c = 0; c < 3; ++c) {
          const int shift = 16 - 8 * c;
          uint64_t sum = 0;
          for (int k = 0; k < 4; ++k) sum += ((texel[k] >> shift) & 255) * weight[k];
          uint64_t ch = white ? sum >> 8 : (sum * tint[c]) >> 16;
          ch = std::min<uint64_t>(ch, 255);
          // Narrowed to the surface channel and moved into its place.
          const int32_t bits = sat.bits[c] > 0 ? sat.bits[c] : 8;
          const uint64_t field = bits <= 8 ? ch >> (8 - bits) : ch << (bits - 8);
          if (additive) {
            if (!sat.valid) continue;
            out |= uint64_t(sat.table[c][((d & sat.mask[c]) >> sat.shift[c]) + field]) << sat.shift[c];
          } else {
            const uint64_t keep = 256 - std::min<uint64_t>(total, 256);
            out += ((field << sat.shift[c]) & M.m[c]) + ((((d & M.m[c]) * keep) >> 8) & M.m[c]);
          }
        }
        Store(row, x, bpp, uint32_t(out));
      }
    }
  }
  UnlockSurface();
  DeleteMemoryBuffers();
}

}  // namespace Vesk
