// Memory-route drawing: fills, lines and blits into the ARGB bits of a memory image.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/ImageBuffer.h"
#include "raster/ImageTriangles.h"
#include "graphics/MemoryImage.h"
#include "graphics/PixelOps.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

namespace Vesk {

using namespace PixelOps;

namespace {

uint32_t ClampedARGB(const Color& c) {
  auto cl = [](int32_t v) { return uint32_t(std::clamp(v, 0, 255)); };
  return Pack(cl(c.mAlpha), cl(c.mRed), cl(c.mGreen), cl(c.mBlue));
}

Color ClampedColor(const Color& c) { return Color::FromARGB(ClampedARGB(c)); }

// Source over a destination row, for pixels of any alpha; the arithmetic is that of Over().
// Groups of pixels over an opaque destination mix each channel in 16-bit lanes:
// (s a + d (255 - a) + 128) / 255 rounded as Div255 does; the alpha channel mixes towards 255.
#if defined(__SSE2__)
inline __m128i MixHalf(__m128i s16, __m128i d16, __m128i a16) {
  const __m128i c255 = _mm_set1_epi16(255), c128 = _mm_set1_epi16(128);
  __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s16, a16), _mm_mullo_epi16(d16, _mm_sub_epi16(c255, a16))),
                            c128);
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Four pixels; false (nothing written) when some destination pixel is not opaque.
inline bool OverFourOpaque(uint32_t* d, const uint32_t* s) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i opaque = _mm_set1_epi32(int32_t(0xFF000000u));
  __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(dv, opaque), opaque)) != 0xFFFF) return false;
  __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  __m128i sop = _mm_or_si128(sv, opaque);
  __m128i alo = _mm_unpacklo_epi8(sv, zero), ahi = _mm_unpackhi_epi8(sv, zero);
  alo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(alo, 0xFF), 0xFF);
  ahi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(ahi, 0xFF), 0xFF);
  __m128i rlo = MixHalf(_mm_unpacklo_epi8(sop, zero), _mm_unpacklo_epi8(dv, zero), alo);
  __m128i rhi = MixHalf(_mm_unpackhi_epi8(sop, zero), _mm_unpackhi_epi8(dv, zero), ahi);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(rlo, rhi));
  return true;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CAFE_HAVE_AVX2_PATH 1
__attribute__((target("avx2"))) inline __m256i Mix16(__m256i s16, __m256i a16src, __m256i d16) {
  const __m256i c255 = _mm256_set1_epi16(255), c128 = _mm256_set1_epi16(128);
  const __m256i alphaShuffle =
      _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15,
                       14, 15, 14, 15);
  __m256i a16 = _mm256_shuffle_epi8(a16src, alphaShuffle);
  __m256i t = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(s16, a16), _mm256_mullo_epi16(d16, _mm256_sub_epi16(c255, a16))), c128);
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

// Eight pixels at a time where the processor has AVX2; the same arithmetic. Returns how many
// pixels it drew: it stops at the first group over a destination that is not opaque.
__attribute__((target("avx2"))) int32_t OverEightOpaqueRun(uint32_t* d, const uint32_t* s, int32_t n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i opaque = _mm256_set1_epi32(int32_t(0xFF000000u));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(dv, opaque), opaque)) != -1) break;
    __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    __m256i sop = _mm256_or_si256(sv, opaque);
    __m256i lo = Mix16(_mm256_unpacklo_epi8(sop, zero), _mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi8(dv, zero));
    __m256i hi = Mix16(_mm256_unpackhi_epi8(sop, zero), _mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi8(dv, zero));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

void OverRow(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t i = 0;
#if defined(CAFE_HAVE_AVX2_PATH)
  if (n >= 8 && HasAvx2()) i = OverEightOpaqueRun(d, s, n);
#endif
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4)
    if (!OverFourOpaque(d + i, s + i))
      for (int32_t k = i; k < i + 4; ++k) d[k] = Over(d[k], s[k]);
#endif
  for (; i < n; ++i) d[i] = Over(d[i], s[i]);
}

// Premultiplied accumulator of filtered samples.
struct Accum {
  double a = 0, r = 0, g = 0, b = 0;
  void Add(uint32_t p, double w) {
    double pa = double(p >> 24) * w;
    a += pa;
    r += double((p >> 16) & 255) * pa;
    g += double((p >> 8) & 255) * pa;
    b += double(p & 255) * pa;
  }
  // Straight ARGB of the weighted sum, `total` the sum of the weights.
  uint32_t Result(double total) const {
    if (a <= 0 || total <= 0) return 0;
    auto ch = [&](double v) { return uint32_t(std::clamp(std::lround(v / a), 0L, 255L)); };
    uint32_t al = uint32_t(std::clamp(std::lround(a / total), 0L, 255L));
    return Pack(al, ch(r), ch(g), ch(b));
  }
};

}  // namespace

bool ClipBlit(const Image& dst, const Image& src, int32_t& x, int32_t& y, Rect& sr, bool mirror) {
  Rect s = sr.Intersection(src.GetRect());
  if (s.mWidth <= 0) return false;
  // Keep the destination position of the surviving source part.
  int32_t leftCut = s.mX - sr.mX, rightCut = (sr.mX + sr.mWidth) - (s.mX + s.mWidth);
  x += mirror ? rightCut : leftCut;
  y += s.mY - sr.mY;
  Rect d = Rect(x, y, s.mWidth, s.mHeight).Intersection(dst.GetRect());
  if (d.mWidth <= 0) return false;
  int32_t dl = d.mX - x, dr = (x + s.mWidth) - (d.mX + d.mWidth);
  s.mX += mirror ? dr : dl;
  s.mY += d.mY - y;
  s.mWidth = d.mWidth;
  s.mHeight = d.mHeight;
  x = d.mX;
  y = d.mY;
  sr = s;
  return true;
}


void MemoryImage::FillRect(const Rect& rect, const Color& color, int32_t drawMode) {
  Rect r = rect.Intersection(GetRect());
  uint32_t s = ClampedARGB(color);
  if (r.mWidth <= 0 || (drawMode != 0 && drawMode != 1) || (s >> 24) == 0) return;
  uint32_t* bits = GetBits();
  for (int32_t y = r.mY; y < r.mY + r.mHeight; ++y) {
    uint32_t* row = bits + size_t(y) * mWidth + r.mX;
    if (drawMode == 0 && (s >> 24) == 255)
      std::fill(row, row + r.mWidth, s);
    else
      for (int32_t i = 0; i < r.mWidth; ++i) DrawPixel(row[i], s, drawMode);
  }
  BitsChanged();
}

void MemoryImage::ClearRect(const Rect& rect) {
  Rect r = rect.Intersection(GetRect());
  if (r.mWidth <= 0) return;
  uint32_t* bits = GetBits();
  for (int32_t y = r.mY; y < r.mY + r.mHeight; ++y) std::fill_n(bits + size_t(y) * mWidth + r.mX, r.mWidth, 0u);
  BitsChanged();
}

void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  uint32_t s = ClampedARGB(color);
  if ((drawMode != 0 && drawMode != 1) || !std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) ||
      !std::isfinite(y2))
    return;
  // Keep the walk bounded: endpoints far outside the image are pulled in along the line.
  const double lim = 1 << 24;
  if (std::fabs(x1) > lim || std::fabs(x2) > lim || std::fabs(y1) > lim || std::fabs(y2) > lim) return;
  int64_t ax = int64_t(x1), ay = int64_t(y1), bx = int64_t(x2), by = int64_t(y2);
  int64_t dx = bx - ax, dy = by - ay;
  bool xMajor = std::llabs(dx) > std::llabs(dy);
  if ((xMajor ? dx : dy) < 0) {
    std::swap(ax, bx);
    std::swap(ay, by);
    dx = -dx;
    dy = -dy;
  }
  int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  int64_t step = minor >= 0 ? 1 : -1, absMinor = std::llabs(minor);
  int64_t e = 2 * absMinor - major;
  int64_t x = ax, y = ay;
  uint32_t* bits = GetBits();
  bool changed = false;
  auto plot = [&](int64_t px, int64_t py) {
    if (px < 0 || py < 0 || px >= mWidth || py >= mHeight) return;
    DrawPixel(bits[size_t(py) * mWidth + size_t(px)], s, drawMode);
    changed = true;
  };
  plot(x, y);
  for (int64_t i = 0; i < major; ++i) {
    if (e > 0) {
      (xMajor ? y : x) += step;
      e += 2 * (absMinor - major);
    } else {
      e += 2 * absMinor;
    }
    (xMajor ? x : y) += 1;
    plot(x, y);
  }
  if (changed) BitsChanged();
}

void MemoryImage::DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  DrawLine(x1, y1, x2, y2, color, drawMode);
}

void MemoryImage::FillSpansCoverage(const Span* spans, int32_t count, const Color& color, int32_t drawMode,
                                    const uint8_t* coverage, int32_t coverX, int32_t coverY, int32_t coverRowLength,
                                    int32_t) {
  if (count <= 0 || !spans || !coverage || (drawMode != 0 && drawMode != 1)) return;
  uint32_t c = ClampedARGB(color);
  uint32_t ca = c >> 24;
  uint32_t* bits = GetBits();
  for (int32_t i = 0; i < count; ++i) {
    const Span& sp = spans[i];
    if (sp.mY < 0 || sp.mY >= mHeight) continue;
    int32_t x0 = std::max(sp.mX, 0), x1 = std::min<int64_t>(int64_t(sp.mX) + sp.mWidth, mWidth);
    uint32_t* row = bits + size_t(sp.mY) * mWidth;
    const uint8_t* cov = coverage + (int64_t(sp.mY) - coverY) * coverRowLength - coverX;
    for (int32_t x = x0; x < x1; ++x) {
      uint32_t a = ((uint32_t(cov[x]) + 1) * ca) >> 8;
      DrawPixel(row[x], (c & 0xFFFFFF) | (a << 24), drawMode);
    }
  }
  BitsChanged();
}

void MemoryImage::Blit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color, int32_t drawMode) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  Rect sr = srcRect;
  if (!m || (drawMode != 0 && drawMode != 1) || !ClipBlit(*this, *m, x, y, sr, false)) return;
  Modulation mod(ClampedColor(color));
  if (!mod.white && mod.a == 0) return;
  m->CommitBits();
  const uint32_t* sbits = m->GetBits();
  const uint8_t* runs = drawMode == 0 ? m->GetAlphaRuns() : m->GetAdditiveRuns();
  uint32_t* dbits = GetBits();
  bool plainCopy = drawMode == 0 && mod.white && !m->mHasAlpha && !m->mHasTrans;
  for (int32_t row = 0; row < sr.mHeight; ++row) {
    size_t so = size_t(sr.mY + row) * m->mWidth + sr.mX;
    const uint32_t* s = sbits + so;
    const uint8_t* r = runs + so;
    uint32_t* d = dbits + size_t(y + row) * mWidth + x;
    if (plainCopy) {
      std::memmove(d, s, size_t(sr.mWidth) * 4);
      continue;
    }
    for (int32_t i = 0; i < sr.mWidth;) {
      int32_t n = std::min<int32_t>(r[i], sr.mWidth - i);
      uint32_t first = s[i];
      if (drawMode == 1) {
        if (!AddsNothing(first))
          for (int32_t k = i; k < i + n; ++k) d[k] = Add(d[k], mod.Apply(s[k]));
      } else if ((first >> 24) != 0) {
        if (mod.white) {
          if ((first >> 24) == 255)
            std::memmove(d + i, s + i, size_t(n) * 4);
          else
            OverRow(d + i, s + i, n);
        } else {
          for (int32_t k = i; k < i + n; ++k) d[k] = Over(d[k], mod.Apply(s[k]));
        }
      }
      i += n;
    }
  }
  BitsChanged();
}

void MemoryImage::BlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                               int32_t drawMode) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  Rect sr = srcRect;
  if (!m || (drawMode != 0 && drawMode != 1) || !ClipBlit(*this, *m, x, y, sr, true)) return;
  Modulation mod(ClampedColor(color));
  const uint32_t* sbits = m->GetBits();
  uint32_t* dbits = GetBits();
  for (int32_t row = 0; row < sr.mHeight; ++row) {
    const uint32_t* s = sbits + size_t(sr.mY + row) * m->mWidth + sr.mX;
    uint32_t* d = dbits + size_t(y + row) * mWidth + x + sr.mWidth - 1;
    for (int32_t i = 0; i < sr.mWidth; ++i) DrawPixel(*(d - i), mod.Apply(s[i]), drawMode);
  }
  BitsChanged();
}

void MemoryImage::BlitAtFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                              int32_t drawMode) {
  if (!src) return;
  if (x == std::floor(x) && y == std::floor(y) && std::fabs(x) < 1e9f && std::fabs(y) < 1e9f) {
    // Whole-pixel positions are a plain clipped blit.
    int32_t ix = int32_t(x), iy = int32_t(y);
    Rect d = Rect(ix, iy, srcRect.mWidth, srcRect.mHeight).Intersection(clip);
    if (d.mWidth <= 0) {
      src->mDrawn = 1;
      return;
    }
    Rect sr(srcRect.mX + d.mX - ix, srcRect.mY + d.mY - iy, d.mWidth, d.mHeight);
    Blit(src, d.mX, d.mY, sr, color, drawMode);
    return;
  }
  BlitRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void MemoryImage::BlitRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                              int32_t drawMode, double angle, float centerX, float centerY) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  Rect sr = srcRect.Intersection(src->GetRect());
  if (!m || sr.mWidth <= 0 || (drawMode != 0 && drawMode != 1) || !std::isfinite(angle) || !std::isfinite(x) ||
      !std::isfinite(y))
    return;
  Modulation mod(ClampedColor(color));
  // Destination of source offset p: (x + cx, y + cy) + R (p - c); the inverse samples the source.
  double c = std::cos(angle), s = std::sin(angle);
  double ox = double(x) + centerX, oy = double(y) + centerY;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    double px = (corner & 1 ? sr.mWidth : 0) - double(centerX), py = (corner & 2 ? sr.mHeight : 0) - double(centerY);
    double dx = ox + px * c + py * s, dy = oy - px * s + py * c;
    minX = std::min(minX, dx);
    maxX = std::max(maxX, dx);
    minY = std::min(minY, dy);
    maxY = std::max(maxY, dy);
  }
  Rect box = clip.Intersection(GetRect());
  double bx0 = std::max<double>(box.mX, std::floor(minX)), by0 = std::max<double>(box.mY, std::floor(minY));
  double bx1 = std::min<double>(double(box.mX) + box.mWidth, std::ceil(maxX));
  double by1 = std::min<double>(double(box.mY) + box.mHeight, std::ceil(maxY));
  if (bx1 <= bx0 || by1 <= by0) return;
  const uint32_t* sbits = m->GetBits();
  uint32_t* dbits = GetBits();
  auto texel = [&](int64_t tx, int64_t ty) -> uint32_t {
    if (tx < 0 || ty < 0 || tx >= sr.mWidth || ty >= sr.mHeight) return 0;
    return sbits[size_t(sr.mY + ty) * m->mWidth + size_t(sr.mX + tx)];
  };
  bool changed = false;
  for (int32_t Y = int32_t(by0); Y < int32_t(by1); ++Y) {
    for (int32_t X = int32_t(bx0); X < int32_t(bx1); ++X) {
      double px = X + 0.5 - ox, py = Y + 0.5 - oy;
      // Source position in texel-centre coordinates.
      double u = centerX + px * c - py * s - 0.5, v = centerY + px * s + py * c - 0.5;
      double fu = std::floor(u), fv = std::floor(v);
      if (fu < -1 || fv < -1 || fu >= sr.mWidth || fv >= sr.mHeight) continue;
      int64_t iu = int64_t(fu), iv = int64_t(fv);
      double wu = u - fu, wv = v - fv;
      Accum acc;
      acc.Add(texel(iu, iv), (1 - wu) * (1 - wv));
      acc.Add(texel(iu + 1, iv), wu * (1 - wv));
      acc.Add(texel(iu, iv + 1), (1 - wu) * wv);
      acc.Add(texel(iu + 1, iv + 1), wu * wv);
      uint32_t p = acc.Result(1.0);
      if (p == 0) continue;
      DrawPixel(dbits[size_t(Y) * mWidth + X], mod.Apply(p), drawMode);
      changed = true;
    }
  }
  if (changed) BitsChanged();
}

namespace {
// Nearest-pixel stretch of srcRect into destRect (optionally mirrored), clipped.
void StretchFast(MemoryImage& dst, MemoryImage& src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                 const Color& color, int32_t drawMode, bool mirror) {
  Rect sr = srcRect.Intersection(src.GetRect());
  Rect d = destRect.Intersection(clip).Intersection(dst.GetRect());
  if (d.mWidth <= 0 || sr.mWidth <= 0 || destRect.mWidth <= 0 || destRect.mHeight <= 0) return;
  Modulation mod(ClampedColor(color));
  int64_t du = (int64_t(srcRect.mWidth) << 16) / destRect.mWidth;
  int64_t dv = (int64_t(srcRect.mHeight) << 16) / destRect.mHeight;
  const uint32_t* sbits = src.GetBits();
  uint32_t* dbits = dst.GetBits();
  for (int32_t Y = d.mY; Y < d.mY + d.mHeight; ++Y) {
    int64_t sy = srcRect.mY + (((int64_t(Y) - destRect.mY) * dv) >> 16);
    sy = std::clamp<int64_t>(sy, sr.mY, sr.mY + sr.mHeight - 1);
    const uint32_t* srow = sbits + size_t(sy) * src.mWidth;
    uint32_t* drow = dbits + size_t(Y) * dst.mWidth;
    for (int32_t X = d.mX; X < d.mX + d.mWidth; ++X) {
      int64_t col = mirror ? (int64_t(destRect.mX) + destRect.mWidth - 1 - X) : (int64_t(X) - destRect.mX);
      int64_t sx = std::clamp<int64_t>(srcRect.mX + ((col * du) >> 16), sr.mX, sr.mX + sr.mWidth - 1);
      DrawPixel(drow[X], mod.Apply(srow[sx]), drawMode);
    }
  }
  dst.BitsChanged();
}

void Stretch(MemoryImage& dst, Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
             const Color& color, int32_t drawMode, bool fast, bool mirror) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  if (!m || (drawMode != 0 && drawMode != 1)) return;
  if (fast)
    StretchFast(dst, *m, destRect, srcRect, clip, color, drawMode, mirror);
  else
    dst.BlitStretchedSmooth(src, destRect, FRect(srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight), clip,
                            color, drawMode, mirror);
}
}  // namespace

void MemoryImage::BlitStretched(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                const Color& color, int32_t drawMode, bool fast) {
  Stretch(*this, src, destRect, srcRect, clip, color, drawMode, fast, false);
}

void MemoryImage::BlitStretchedMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                        const Color& color, int32_t drawMode, bool fast) {
  Stretch(*this, src, destRect, srcRect, clip, color, drawMode, fast, true);
}

namespace {
// Source pixels covered by each destination column or row, with their coverage.
struct Tap {
  int32_t index;
  double weight;
};
std::vector<std::vector<Tap>> AreaTaps(double s0, double sLen, int32_t dLen, int32_t first, int32_t count,
                                       int32_t lo, int32_t hi, bool reverse) {
  std::vector<std::vector<Tap>> taps(size_t(std::max(count, 0)));
  double scale = sLen / dLen;
  for (int32_t i = 0; i < count; ++i) {
    int32_t pos = first + i;
    if (reverse) pos = dLen - 1 - pos;
    double a = s0 + pos * scale, b = a + scale;
    a = std::max<double>(a, lo);
    b = std::min<double>(b, hi);
    for (int64_t p = int64_t(std::floor(a)); p < b && p < hi; ++p) {
      double w = std::min<double>(b, p + 1) - std::max<double>(a, p);
      if (w > 1e-9) taps[size_t(i)].push_back({int32_t(p), w});
    }
  }
  return taps;
}
}  // namespace

void MemoryImage::BlitStretchedSmooth(Image* src, const Rect& destRect, const FRect& srcRect, const Rect& clip,
                                      const Color& color, int32_t drawMode, bool mirror) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  Rect d = destRect.Intersection(clip).Intersection(GetRect());
  if (!m || d.mWidth <= 0 || destRect.mWidth <= 0 || destRect.mHeight <= 0 || !(srcRect.mWidth > 0) ||
      !(srcRect.mHeight > 0) || (drawMode != 0 && drawMode != 1))
    return;
  auto cols = AreaTaps(srcRect.mX, srcRect.mWidth, destRect.mWidth, d.mX - destRect.mX, d.mWidth, 0, m->mWidth, mirror);
  auto rows = AreaTaps(srcRect.mY, srcRect.mHeight, destRect.mHeight, d.mY - destRect.mY, d.mHeight, 0, m->mHeight,
                       false);
  Modulation mod(ClampedColor(color));
  const uint32_t* sbits = m->GetBits();
  uint32_t* dbits = GetBits();
  double area = (srcRect.mWidth / destRect.mWidth) * (srcRect.mHeight / destRect.mHeight);
  for (int32_t j = 0; j < d.mHeight; ++j) {
    uint32_t* drow = dbits + size_t(d.mY + j) * mWidth + d.mX;
    for (int32_t i = 0; i < d.mWidth; ++i) {
      Accum acc;
      for (const Tap& r : rows[size_t(j)])
        for (const Tap& c : cols[size_t(i)]) acc.Add(sbits[size_t(r.index) * m->mWidth + c.index], r.weight * c.weight);
      uint32_t p = acc.Result(area);
      if (p) DrawPixel(drow[i], mod.Apply(p), drawMode);
    }
  }
  BitsChanged();
}

int32_t MemoryImage::OwnTriangleFormat() {
  CommitBits();
  return MemoryImageTriangleFormat(mForcedMode, mHasTrans, mHasAlpha);
}

void MemoryImage::BlitMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                             int32_t drawMode, const Rect& srcRect, bool linear, const ImageMask&) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  if (!m) return;
  Rect c = clip.Intersection(GetRect());
  if (c.mWidth <= 0) return;
  DrawImageMatrixToBuffer(m, x, y, matrix, c, color, drawMode, srcRect, GetBits(), mWidth * 4, OwnTriangleFormat(),
                          linear);
  BitsChanged();
}

void MemoryImage::BlitTriangles(Image* src, const TriVertex (*vertices)[3], int32_t count, const Rect& clip,
                                const Color& color, int32_t drawMode, float tx, float ty, bool linear) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  if (!m || count <= 0) return;
  Rect c = clip.Intersection(GetRect());
  if (c.mWidth <= 0) return;
  DrawTrianglesToBuffer(m, vertices, count, c, color, drawMode, GetBits(), mWidth * 4, OwnTriangleFormat(), tx, ty,
                        linear);
  BitsChanged();
}

}  // namespace Vesk
