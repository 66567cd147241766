// The surface image's straight and mirrored blits: a source rectangle of a memory image drawn
// onto the locked 16- or 32-bit surface from the source's display-format words (premultiplied,
// already in the surface's channel layout), skipping transparent stretches with the run caches.
#include <bit>
#include <cstring>
#include <type_traits>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/PackedSpans.h"
#include "display/SurfacePixels.h"
#include "graphics/PixelOps.h"

namespace Vesk {

using namespace SurfacePixels;

namespace {

// Where a blit reads and writes: `width` x `height` pixels from (sx, sy) of a source `stride`
// pixels wide to (x, y) of the locked surface; mirrored blits write each row leftwards from
// x + width - 1.
struct BlitFrame {
  uint8_t* dst;
  int32_t pitch;
  int32_t x, y, width, height;
  int32_t sx, sy, stride;
  const uint8_t* runs;

  size_t SourceIndex(int32_t row) const { return size_t(sy + row) * size_t(stride) + size_t(sx); }
  template <typename P, int Dir>
  P* Row(int32_t row) const {
    P* p = reinterpret_cast<P*>(dst + size_t(y + row) * size_t(pitch)) + x;
    return Dir > 0 ? p : p + (width - 1);
  }
};

// Source words: one per pixel, or a 256-word table read through the 8-bit indices.
struct WordSource {
  const uint32_t* words;
  uint32_t operator()(size_t i) const { return words[i]; }
};
struct TableSource {
  const uint32_t* table;
  const uint8_t* indices;
  uint32_t operator()(size_t i) const { return table[indices[i]]; }
};

// Walks the runs of each row: onRun(d, so, i, n) for the run of n pixels starting at column i,
// with d the destination row and so the source index of the row's first pixel.
template <typename P, int Dir, typename OnRun>
void WalkRuns(const BlitFrame& f, OnRun onRun) {
  for (int32_t row = 0; row < f.height; ++row) {
    const size_t so = f.SourceIndex(row);
    const uint8_t* runs = f.runs + so;
    P* d = f.template Row<P, Dir>(row);
    for (int32_t i = 0; i < f.width;) {
      const int32_t n = std::clamp<int32_t>(runs[i], 1, f.width - i);
      onRun(d, so, i, n);
      i += n;
    }
  }
}

// The run loop: each run of pixels of one alpha class is skipped (alpha 0), written with the
// opaque span (alpha 255) or the blending one (anything else). A span takes the destination's
// first pixel, the source index of the run's first pixel and the run's length.
template <typename P, int Dir, typename Src, typename OpaqueSpan, typename BlendSpan>
void RunSpans(const BlitFrame& f, Src src, OpaqueSpan opaque, BlendSpan blend) {
  WalkRuns<P, Dir>(f, [&](P* d, size_t so, int32_t i, int32_t n) {
    const uint32_t a = src(so + size_t(i)) >> 24;
    if (a == 255)
      opaque(d + Dir * i, so + size_t(i), n);
    else if (a != 0)
      blend(d + Dir * i, so + size_t(i), n);
  });
}

// A span applying a per-pixel formula of the destination pixel and the source word.
template <typename P, int Dir, typename Src, typename Formula>
auto PixelSpan(Src src, Formula formula) {
  return [src, formula](P* d, size_t si, int32_t n) {
    for (int32_t k = 0; k < n; ++k) d[Dir * k] = P(formula(uint32_t(d[Dir * k]), src(si + size_t(k))));
  };
}

template <typename P, int Dir, typename Src, typename Opaque, typename Blend>
void RunLoop(const BlitFrame& f, Src src, Opaque opaque, Blend blend) {
  RunSpans<P, Dir>(f, src, PixelSpan<P, Dir>(src, opaque), PixelSpan<P, Dir>(src, blend));
}

// The members of the normal run loop for one destination layout and colour.
template <typename P, int Dir, typename Src>
void NormalRuns(const BlitFrame& f, Src src, Layout layout, const Masks& M, const Tint& t) {
  if (t.cls == Tint::White) {
    auto copy = [](uint32_t, uint32_t s) { return s; };
    switch (layout) {
      case Layout::P565:
        return RunLoop<P, Dir>(f, src, copy, [](uint32_t d, uint32_t s) {
          return Fold(Spread<kSpread565>(d) * ((256 - (s >> 24)) >> 3) >> 5 & kSpread565) + s;
        });
      case Layout::P555:
        return RunLoop<P, Dir>(f, src, copy, [](uint32_t d, uint32_t s) {
          return Fold(Spread<kSpread555>(d) * ((256 - (s >> 24)) >> 3) >> 5 & kSpread555) + s;
        });
      case Layout::Packed32:
        if constexpr (std::is_same_v<P, uint32_t> && std::is_same_v<Src, WordSource>)
          return RunSpans<P, Dir>(
              f, src, [&](uint32_t* d, size_t si, int32_t n) { PackedSpans::CopySpan<Dir>(d, src.words + si, n); },
              [&](uint32_t* d, size_t si, int32_t n) { PackedSpans::OverSpan<Dir>(d, src.words + si, n); });
        return RunLoop<P, Dir>(f, src, copy, PackedSpans::OverPixel);
      default:
        return RunLoop<P, Dir>(f, src, copy, [&M](uint32_t d, uint32_t s) {
          const uint64_t w = 256 - (s >> 24);
          uint64_t out = s;
          for (uint64_t m : M.m) out += ((d & m) * w >> 8) & m;
          return uint32_t(out);
        });
    }
  }
  const uint32_t ca = t.ca;
  if (t.cls == Tint::Grey && (layout == Layout::P565 || layout == Layout::P555)) {
    const uint32_t k5 = t.grey >> 3;
    const bool is565 = layout == Layout::P565;
    const uint32_t K = is565 ? kSpread565 : kSpread555;
    const uint32_t green = is565 ? 0x07E0u : 0x03E0u, redBlue = is565 ? 0xF81Fu : 0x7C1Fu;
    auto spreadSource = [=](uint32_t s) { return ((s & green) << 16) | (s & redBlue); };
    auto blend = [=](uint32_t d, uint32_t s) {
      const uint32_t aw = t.DestWeight(s >> 24);
      const uint32_t sd = is565 ? Spread<kSpread565>(d) : Spread<kSpread555>(d);
      return Fold((spreadSource(s) * k5 + sd * (aw >> 3)) >> 5 & K);
    };
    if (ca == 255)
      return RunLoop<P, Dir>(f, src, [=](uint32_t, uint32_t s) { return Fold(spreadSource(s) * k5 >> 5 & K); }, blend);
    return RunLoop<P, Dir>(f, src, blend, blend);
  }
  if (t.cls == Tint::Grey && layout == Layout::Packed32) {
    const uint32_t k = t.grey;
    auto blend = [=](uint32_t d, uint32_t s) {
      const uint32_t aw = t.DestWeight(s >> 24);
      return (((d & 0xFF00FFu) * aw + (s & 0xFF00FFu) * k) >> 8 & 0xFF00FFu) +
             (((d & 0xFF00u) * aw + (s & 0xFF00u) * k) >> 8 & 0xFF00u);
    };
    if (ca == 255)
      return RunLoop<P, Dir>(
          f, src,
          [=](uint32_t, uint32_t s) { return ((s & 0xFF00FFu) * k >> 8 & 0xFF00FFu) + ((s & 0xFF00u) * k >> 8 & 0xFF00u); },
          blend);
    return RunLoop<P, Dir>(f, src, blend, blend);
  }
  if constexpr (std::is_same_v<P, uint32_t> && std::is_same_v<Src, WordSource>)
    if (layout == Layout::Packed32) {
      // The same channel-by-channel formula, several pixels at a time.
      uint32_t byByte[3] = {};
      for (int c = 0; c < 3; ++c) byByte[std::countr_zero(uint32_t(M.m[c])) / 8] = t.k[c];
      const PackedSpans::Tinted tinted(byByte, ca);
      auto blend = [&](uint32_t* d, size_t si, int32_t n) { tinted.Span<Dir, true>(d, src.words + si, n); };
      if (ca == 255)
        return RunSpans<P, Dir>(f, src, [&](uint32_t* d, size_t si, int32_t n) { tinted.Span<Dir, false>(d, src.words + si, n); }, blend);
      return RunSpans<P, Dir>(f, src, blend, blend);
    }
  // Any colour on any layout, channel by channel.
  const uint64_t k[3] = {t.k[0], t.k[1], t.k[2]};
  auto blend = [&](uint32_t d, uint32_t s) {
    const uint64_t aw = t.DestWeight(s >> 24);
    uint64_t out = 0;
    for (int c = 0; c < 3; ++c) out += ((d & M.m[c]) * aw + (s & M.m[c]) * k[c]) >> 8 & M.m[c];
    return uint32_t(out);
  };
  if (ca == 255)
    return RunLoop<P, Dir>(
        f, src,
        [&](uint32_t, uint32_t s) {
          uint64_t out = 0;
          for (int c = 0; c < 3; ++c) out += (s & M.m[c]) * k[c] >> 8 & M.m[c];
          return uint32_t(out);
        },
        blend);
  return RunLoop<P, Dir>(f, src, blend, blend);
}

// The additive run loop: runs that add nothing are skipped whole; each channel of every other
// pixel is added through the display's saturation table of that channel.
template <typename P, int Dir, typename Src, typename Span>
void AddSpans(const BlitFrame& f, Src src, const uint32_t* argb, Span span) {
  for (int32_t row = 0; row < f.height; ++row) {
    const size_t so = f.SourceIndex(row);
    const uint8_t* runs = f.runs + so;
    P* d = f.template Row<P, Dir>(row);
    // The class of the run before (adds or not), once known: maximal runs alternate, so a run
    // shorter than the cache's cap of 255 is followed by one of the other class, which spares
    // reading the pixels themselves for it.
    int known = -1;
    for (int32_t i = 0; i < f.width;) {
      const int32_t length = runs[i];
      const int32_t n = std::clamp<int32_t>(length, 1, f.width - i);
      const size_t si = so + size_t(i);
      // Words of 8-bit channels are zero exactly where the pixel adds nothing.
      if (!argb) {
        if ((src(si) & 0xFFFFFFu) != 0) span(d + Dir * i, si, n);
        i += n;
        continue;
      }
      // A word of zero may still start a run that adds something once the narrowing of the
      // display format is undone; the pixels' own class decides.
      const bool adds = known < 0 ? !PixelOps::AddsNothing(argb[si]) : known != 0;
      if (adds || (src(si) & 0xFFFFFFu) != 0) span(d + Dir * i, si, n);
      known = length < 255 ? !adds : -1;
      i += n;
    }
  }
}

template <typename P, int Dir, typename Src, typename Add>
void AddRuns(const BlitFrame& f, Src src, const uint32_t* argb, Add add) {
  AddSpans<P, Dir>(f, src, argb, PixelSpan<P, Dir>(src, add));
}

// `argb`, the source's own pixels, tells which runs add something; not needed (null) for the
// 32-bit layout of 8-bit channels, whose words tell it themselves.
template <typename P, int Dir, typename Src>
void AdditiveRuns(const BlitFrame& f, Src src, const uint32_t* argb, Layout layout, const Saturation& sat,
                  const Tint& t) {
  if (t.cls == Tint::White) {
    if (layout == Layout::Packed32) {
      // The tables saturate at 255 here: byte-wise saturating adds give the same result.
      if constexpr (std::is_same_v<P, uint32_t> && std::is_same_v<Src, WordSource>)
        return AddSpans<P, Dir>(f, src, argb, [&](uint32_t* d, size_t si, int32_t n) {
          PackedSpans::AddSpan<Dir>(d, src.words + si, n);
        });
      return AddRuns<P, Dir>(f, src, argb, PackedSpans::AddPixel);
    }
    return AddRuns<P, Dir>(f, src, argb, [&sat](uint32_t d, uint32_t s) {
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c)
        out |= uint32_t(sat.table[c][((d & sat.mask[c]) + (s & sat.mask[c])) >> sat.shift[c]]) << sat.shift[c];
      return out;
    });
  }
  return AddRuns<P, Dir>(f, src, argb, [&sat, &t](uint32_t d, uint32_t s) {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      uint64_t sf = ((s & sat.mask[c]) >> sat.shift[c]) * t.k[c] >> 8;
      out |= uint32_t(sat.table[c][sf + ((d & sat.mask[c]) >> sat.shift[c])]) << sat.shift[c];
    }
    return out;
  });
}

// The plain copy of opaque words; keyed sources write only the words whose alpha is not 0.
// `narrow`, when given, holds the same words as 16-bit pixels.
void CopyWords(const BlitFrame& f, const uint32_t* words, const uint16_t* narrow, const uint8_t* indices, bool keyed,
               int32_t bpp) {
  // Rows that follow each other without a gap on both sides (a whole picture onto a surface of
  // its width) are one move.
  if (!indices && !keyed && bpp == 32 && f.stride == f.width && size_t(f.pitch) == size_t(f.width) * 4) {
    std::memcpy(f.dst + size_t(f.y) * size_t(f.pitch), words + f.SourceIndex(0), size_t(f.width) * 4 * size_t(f.height));
    return;
  }
  for (int32_t row = 0; row < f.height; ++row) {
    const size_t so = f.SourceIndex(row);
    uint8_t* d = f.dst + size_t(f.y + row) * size_t(f.pitch);
    if (!indices && !keyed && bpp == 32) {
      std::memcpy(reinterpret_cast<uint32_t*>(d) + f.x, words + so, size_t(f.width) * 4);
      continue;
    }
    if (!indices && !keyed && narrow && bpp == 16) {
      std::memcpy(reinterpret_cast<uint16_t*>(d) + f.x, narrow + so, size_t(f.width) * 2);
      continue;
    }
    for (int32_t i = 0; i < f.width; ++i) {
      const uint32_t s = indices ? words[indices[so + size_t(i)]] : words[so + size_t(i)];
      if (!keyed || (s >> 24) != 0) Store(d, f.x + i, bpp, s);
    }
  }
}

// Lets the source's decoded pixels go once its display-format copy is made, unless a surface of
// its own holds it (its pixels would then be read back from the surface, keyed ones lost).
void DropSourceBits(MemoryImage* m) {
  auto* dd = dynamic_cast<DDImage*>(m);
  if (!dd || !dd->HasSurface()) m->DropBitsAfterDisplayCopy();
}

// Runs `body<P>()` for the surface's pixel size.
template <typename Body>
void ForDepth(int32_t bitCount, Body&& body) {
  if (bitCount == 32)
    body(uint32_t());
  else if (bitCount == 16)
    body(uint16_t());
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void DDImage::BltFromSurface(DDImage* src, const Platform::Video::Area& dst, const Platform::Video::Area& srcArea) {
  if (!mSurface || !src->mSurface) return;
  // The device refuses locked surfaces: both are unlocked around the copy, their counts kept.
  const bool relock = mLockCount > 0;
  if (relock) mSurface->Unlock();
  const bool relockSrc = src != this && src->mLockCount > 0;
  if (relockSrc) src->mSurface->Unlock();
  mSurface->Blt(&dst, src->mSurface.get(), &srcArea, src->mHasTrans ? Platform::Video::BLT_KEYSRC : 0);
  if (relockSrc) src->mSurface->Lock(&src->mLockInfo);
  if (relock) mSurface->Lock(&mLockInfo);
}

bool DDImage::PrepareBlit(Image* src, int32_t& x, int32_t& y, Rect& srcRect, bool mirror, MemoryImage** source) {
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  if (!m) return false;
  m->CommitBits();
  *source = m;
  // The caller clips; a rectangle reaching outside either image is cut here all the same.
  return ClipBlit(*this, *m, x, y, srcRect, mirror);
}

void DDImage::NormalBlit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color) {
  MemoryImage* m = nullptr;
  Rect sr = srcRect;
  if (!PrepareBlit(src, x, y, sr, false, &m)) return;
  auto* dd = dynamic_cast<DDImage*>(src);
  const bool white = Color::Equals(color, Color::White);
  const bool sourceSurface = dd && dd->HasSurface();
  if ((m->mImageOption & IMAGEOPT_STRAIGHT_BLEND) && !sourceSurface && !mNoSoftwareAccess && white) {
    StraightBlend(m, x, y, sr);
    return;
  }
  if (!m->mHasAlpha && white && sourceSurface && !(!mWantsVideoMemory && dd->mWantsVideoMemory)) {
    BltFromSurface(dd, {x, y, x + sr.mWidth, y + sr.mHeight}, {sr.mX, sr.mY, sr.mX + sr.mWidth, sr.mY + sr.mHeight});
    return;
  }
  if (mNoSoftwareAccess || !m->CanGiveDisplayFormat(*mDisplay) || !LockSurface()) return;
  if (Is16Or32(mLockInfo)) {
    const uint32_t* words = m->GetDisplayFormatBits(*mDisplay);
    const bool table = m->mNativeFromTable && m->mColorIndices;
    BlitFrame f{mLockInfo.mBits, mLockInfo.mPitch, x, y, sr.mWidth, sr.mHeight, sr.mX, sr.mY, m->mWidth, nullptr};
    if (!m->mHasAlpha && white) {
      const int32_t bpp = mLockInfo.mFormat.mBitCount;
      const uint16_t* narrow = bpp == 16 && !table && !m->mHasTrans ? m->GetDisplayFormatBits16(*mDisplay) : nullptr;
      CopyWords(f, words, narrow, table ? m->mColorIndices.get() : nullptr, m->mHasTrans, bpp);
    } else if (Tint tint(color); tint.cls == Tint::White || tint.ca > 0) {
      f.runs = m->GetAlphaRuns();
      const Layout layout = LayoutOf(mLockInfo.mFormat, mDisplay->mRGBOrder);
      const Masks masks(mLockInfo.mFormat);
      ForDepth(mLockInfo.mFormat.mBitCount, [&](auto pixel) {
        using P = decltype(pixel);
        if (table)
          NormalRuns<P, 1>(f, TableSource{words, m->mColorIndices.get()}, layout, masks, tint);
        else
          NormalRuns<P, 1>(f, WordSource{words}, layout, masks, tint);
      });
    }
    DropSourceBits(m);
  }
  UnlockSurface();
}

void DDImage::StraightBlend(MemoryImage* m, int32_t x, int32_t y, const Rect& sr) {
  if (!LockSurface()) return;
  const bool table = !m->mBits && m->mColorTable && m->mColorIndices;
  const uint32_t* bits = table ? nullptr : m->GetBits();
  if (Is16Or32(mLockInfo) && (table || bits)) {
    const Layout layout = LayoutOf(mLockInfo.mFormat, mDisplay->mRGBOrder);
    const Masks M(mLockInfo.mFormat);
    auto source = [&](size_t i) { return table ? m->mColorTable[m->mColorIndices[i]] : bits[i]; };
    auto blend = [&](uint32_t d, uint32_t s) -> uint32_t {
      const uint32_t a = s >> 24;
      switch (layout) {
        case Layout::P565: {
          const uint32_t v = ((s & 0xFC00u) << 11) + ((s >> 3) & 31u) + ((s >> 8) & 0xF800u);
          const uint32_t t = Spread<kSpread565>(d);
          return Fold((((v - t) * (a >> 3) >> 5) + t) & kSpread565);
        }
        case Layout::P555: {
          const uint32_t v = ((s & 0xF800u) << 10) + ((s >> 9) & 0x7C00u) + ((s >> 3) & 31u);
          const uint32_t t = Spread<kSpread555>(d);
          return Fold((((v - t) * (a >> 3) >> 5) + t) & kSpread555);
        }
        case Layout::Packed32:
          return (((((s & 0xFF00FFu) - (d & 0xFF00FFu)) * a >> 8) + (d & 0xFF00FFu)) & 0xFF00FFu) |
                 (((((s & 0xFF00u) - (d & 0xFF00u)) * a >> 8) + (d & 0xFF00u)) & 0xFF00u);
        default: {
          const uint64_t c[3] = {(s >> 16) & 255u, (s >> 8) & 255u, s & 255u};
          const bool is16 = layout == Layout::Generic16;
          uint64_t out = 0;
          for (int i = 0; i < 3; ++i) {
            // 16-bit surfaces scale the colour by its alpha and the mask in one product;
            // 32-bit ones narrow the colour first.
            const uint64_t colour = is16 ? (c[i] * a * M.m[i]) >> 8 : ((c[i] * a) >> 8) * M.m[i];
            out += ((d & M.m[i]) * (256 - a) + colour + (M.m[i] >> 1)) >> 8 & M.m[i];
          }
          return uint32_t(out);
        }
      }
    };
    const int32_t bpp = mLockInfo.mFormat.mBitCount;
    for (int32_t row = 0; row < sr.mHeight; ++row) {
      const size_t so = size_t(sr.mY + row) * size_t(m->mWidth) + size_t(sr.mX);
      uint8_t* d = mLockInfo.mBits + size_t(y + row) * size_t(mLockInfo.mPitch);
      for (int32_t i = 0; i < sr.mWidth; ++i) Store(d, x + i, bpp, blend(Load(d, x + i, bpp), source(so + size_t(i))));
    }
  }
  UnlockSurface();
}

void DDImage::AdditiveBlit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color) {
  DrawRuns(src, x, y, srcRect, color, true, false);
}

void DDImage::NormalBlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color) {
  DrawRuns(src, x, y, srcRect, color, false, true);
}

void DDImage::AdditiveBlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color) {
  DrawRuns(src, x, y, srcRect, color, true, true);
}

void DDImage::DrawRuns(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color, bool additive,
                       bool mirror) {
  MemoryImage* m = nullptr;
  Rect sr = srcRect;
  if (mNoSoftwareAccess || !PrepareBlit(src, x, y, sr, mirror, &m) || !m->CanGiveDisplayFormat(*mDisplay) ||
      !LockSurface())
    return;
  const Tint tint(color);
  if (Is16Or32(mLockInfo) && (tint.cls == Tint::White || tint.ca > 0)) {
    const uint32_t* words = m->GetDisplayFormatBits(*mDisplay);
    const bool table = m->mNativeFromTable && m->mColorIndices;
    BlitFrame f{mLockInfo.mBits, mLockInfo.mPitch, x, y, sr.mWidth, sr.mHeight, sr.mX, sr.mY, m->mWidth, nullptr};
    f.runs = additive ? m->GetAdditiveRuns() : m->GetAlphaRuns();
    const Layout layout = LayoutOf(mLockInfo.mFormat, mDisplay->mRGBOrder);
    const bool wordsTell = layout == Layout::Packed32;
    const uint32_t* argb = additive && !wordsTell ? m->GetBits() : nullptr;
    const Masks masks(mLockInfo.mFormat);
    const Saturation sat(*mDisplay);
    auto draw = [&](auto pixel, auto dir, auto source) {
      using P = decltype(pixel);
      constexpr int Dir = decltype(dir)::value;
      if (!additive)
        NormalRuns<P, Dir>(f, source, layout, masks, tint);
      else if ((argb || wordsTell) && sat.valid)
        AdditiveRuns<P, Dir>(f, source, argb, layout, sat, tint);
    };
    ForDepth(mLockInfo.mFormat.mBitCount, [&](auto pixel) {
      auto withSource = [&](auto dir) {
        if (table)
          draw(pixel, dir, TableSource{words, m->mColorIndices.get()});
        else
          draw(pixel, dir, WordSource{words});
      };
      if (mirror)
        withSource(std::integral_constant<int, -1>());
      else
        withSource(std::integral_constant<int, 1>());
    });
    if (!additive || wordsTell) DropSourceBits(m);
  }
  UnlockSurface();
}

}  // namespace Vesk
