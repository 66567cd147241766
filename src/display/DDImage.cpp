// The surface-backed image: surface generation with a colour key, the counted lock, read-back,
// buffer management and the choice between the memory route and the surface route.
#include "display/DDImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "display/DDInterface.h"
#include "display/SurfacePixels.h"
#include "graphics/ImageBuffer.h"

namespace Vesk {

using Platform::Video::FromArgb;
using Platform::Video::LockInfo;
using Platform::Video::PixelFormat;
using Platform::Video::Result;
using namespace SurfacePixels;

namespace {

// Applies `op(pixel) -> pixel` to every pixel of the rectangle of a locked 16- or 32-bit surface.
template <typename Op>
void ForEachPixel(const LockInfo& lock, const Rect& r, Op op) {
  const int32_t bpp = lock.mFormat.mBitCount;
  for (int32_t y = r.mY; y < r.mY + r.mHeight; ++y) {
    uint8_t* row = lock.mBits + size_t(y) * size_t(lock.mPitch);
    for (int32_t x = r.mX; x < r.mX + r.mWidth; ++x) Store(row, x, bpp, op(Load(row, x, bpp)));
  }
}

}  // namespace

DDImage::DDImage(DDInterface* display) : mDisplay(display) { RegisterWithInterface(); }

void DDImage::RegisterWithInterface() {
  mSurface.reset();
  mSurfaceFromOutside = mNoSoftwareAccess = mWantsVideoMemory = mSurfaceWanted = false;
  mLockCount = 0;
  mDisplay->AddImage(this);
}

DDImage::~DDImage() {
  {
    std::lock_guard<std::recursive_mutex> lock(mDisplay->GetLock());
    if (mSurface && mLockCount > 0) mSurface->Unlock();
    mSurface.reset();
  }
  mDisplay->RemoveImage(this);
}

bool DDImage::DrawsThroughD3D() const {
  return mDisplay->mIs3D && mSurface && mSurface == mDisplay->mDrawSurface && mDisplay->GetD3D()->IsReady();
}

D3DInterface* DDImage::D3D() const { return mDisplay->GetD3D(); }

// ---------------------------------------------------------------------------------------------
// Surface management

Platform::Video::Surface* DDImage::GetSurface() {
  if (!mSurface) GenerateDDSurface();
  return mSurface.get();
}

bool DDImage::GenerateSurfaceWithColorKey() { return GenerateDDSurface(); }

bool DDImage::GenerateDDSurface() {
  if (mSurface) return true;
  CommitBits();
  if (mHasAlpha) return false;
  mSurfaceWanted = true;
  // The pixels as ARGB: from the colour table, the texture or the file, or zeroed when there
  // are none yet.
  const uint32_t* bits = GetBits();
  if (mWidth <= 0 || mHeight <= 0) return false;

  std::lock_guard<std::recursive_mutex> guard(mDisplay->GetLock());
  Platform::Video::SurfaceDesc desc;
  desc.mWidth = mWidth;
  desc.mHeight = mHeight;
  desc.mMemory = mWantsVideoMemory ? Platform::Video::Memory::Video : Platform::Video::Memory::System;
  std::shared_ptr<Platform::Video::Surface> surface;
  if (mDisplay->CreateSurface(desc, &surface) != Result::Ok || !surface) return false;
  LockInfo lock;
  if (surface->Lock(&lock) != Result::Ok) return false;
  // A surface of a depth the loops cannot fill is released, not kept half made.
  if (!Is16Or32(lock)) {
    surface->Unlock();
    return false;
  }
  const PixelFormat& f = lock.mFormat;
  const size_t n = size_t(mWidth) * size_t(mHeight);
  const bool is16 = f.mBitCount == 16;
  // The key: the value of the first pixel that is not opaque, unless some opaque pixel has the
  // same colour; then the lowest value no visible pixel uses. Compared on the colour bits only,
  // so an opaque pixel never vanishes.
  uint32_t keyRgb = 0;  // 16-bit: the surface value; 32-bit: the 24-bit colour
  for (size_t i = 0; i < n; ++i)
    if ((bits[i] >> 24) < 255) {
      keyRgb = is16 ? FromArgb(bits[i], f) : (bits[i] & 0xFFFFFFu);
      break;
    }
  if (mHasTrans) {
    auto value = [&](uint32_t p) { return is16 ? FromArgb(p, f) : (p & 0xFFFFFFu); };
    bool collides = false;
    for (size_t i = 0; i < n && !collides; ++i) collides = (bits[i] >> 24) == 255 && value(bits[i]) == keyRgb;
    if (collides) {
      std::vector<uint64_t> used(is16 ? (65536 / 64) : ((1u << 24) / 64), 0);
      for (size_t i = 0; i < n; ++i)
        if ((bits[i] >> 24) > 0) {
          uint32_t v = value(bits[i]);
          used[v >> 6] |= uint64_t(1) << (v & 63);
        }
      for (size_t w = 0; w < used.size(); ++w)
        if (~used[w]) {
          for (uint32_t b = 0; b < 64; ++b)
            if (!(used[w] & (uint64_t(1) << b))) {
              keyRgb = uint32_t(w * 64 + b);
              break;
            }
          break;
        }
    }
  }
  const uint32_t key = is16 ? keyRgb : FromArgb(0xFF000000u | keyRgb, f);
  if (lock.mBits) {
    for (int32_t y = 0; y < mHeight; ++y) {
      uint8_t* row = lock.mBits + size_t(y) * size_t(lock.mPitch);
      const uint32_t* src = bits + size_t(y) * size_t(mWidth);
      for (int32_t x = 0; x < mWidth; ++x)
        Store(row, x, f.mBitCount, (!mHasTrans || (src[x] >> 24) == 255) ? FromArgb(src[x], f) : key);
    }
  }
  if (mHasTrans) surface->SetColorKey(key);
  surface->Unlock();
  mSurface = std::move(surface);
  return true;
}

void DDImage::DeleteDDSurface() {
  if (!mSurface || mSurfaceFromOutside) return;
  if (!mBits && !(mColorTable && mColorIndices) && !mTextureData) GetBits();
  std::lock_guard<std::recursive_mutex> guard(mDisplay->GetLock());
  if (mLockCount > 0) mSurface->Unlock();
  mLockCount = 0;
  mSurface.reset();
}

void DDImage::DeleteMemoryBuffers() {
  // Only a surface holding the drawing may become the one copy.
  if (!mSurface) return;
  mBits.reset();
  mNativeAlphaData.reset();
  mNativeData16.reset();
  mRLAdditiveData.reset();
  mRLAlphaData.reset();
  mColorTable.reset();
  mColorIndices.reset();
  ++mBitsChangedCount;
}

void DDImage::SetVideoMemory(bool wantsVideoMemory) {
  if (wantsVideoMemory == mWantsVideoMemory) return;
  mWantsVideoMemory = wantsVideoMemory;
  GetBits();
  DeleteDDSurface();
}

bool DDImage::LockSurface() {
  if (DrawsThroughD3D()) return false;
  if (mLockCount == 0) {
    mLockInfo = LockInfo();
    Platform::Video::Surface* s = GetSurface();
    if (!s || s->Lock(&mLockInfo) != Result::Ok) return false;
  }
  ++mLockCount;
  return true;
}

bool DDImage::UnlockSurface() {
  if (DrawsThroughD3D() || mLockCount <= 0) return false;
  if (--mLockCount == 0 && mSurface) mSurface->Unlock();
  return true;
}

Result DDImage::SetSurface(std::shared_ptr<Platform::Video::Surface> surface) {
  if (!surface) return Result::InvalidParams;
  std::lock_guard<std::recursive_mutex> guard(mDisplay->GetLock());
  if (mSurface && mLockCount > 0) mSurface->Unlock();
  mLockCount = 0;
  mSurfaceFromOutside = true;
  mSurface = std::move(surface);
  mWidth = mSurface->Width();
  mHeight = mSurface->Height();
  mNoSoftwareAccess = false;
  // Pixels of an earlier size or surface no longer describe this one.
  DeleteMemoryBuffers();
  return Result::Ok;
}

// ---------------------------------------------------------------------------------------------
// Buffer overrides

void DDImage::PurgeBits() {
  if (mSurfaceFromOutside) return;
  mPurgeBits = true;
  CommitBits();
  if (mDisplay->mIs3D) {
    DeleteDDSurface();
    MemoryImage::PurgeBits();
    return;
  }
  if (mSurfaceWanted && GenerateDDSurface()) {
    mBits.reset();
    mColorIndices.reset();
    mColorTable.reset();
    return;
  }
  MemoryImage::PurgeBits();
}

void DDImage::Delete3DBuffers() {
  // Pixels held only by the texture come back from it before it goes.
  if (!HasPixelData() && mTextureData) D3D()->ReadTextureBits(this);
  MemoryImage::Delete3DBuffers();
}

void DDImage::DeleteExtraBuffers() {
  if (mSurfaceFromOutside) return;
  MemoryImage::DeleteExtraBuffers();
  DeleteDDSurface();
}

void DDImage::ReapplyOptions() {
  MemoryImage::ReapplyOptions();
  if (mSurfaceWanted) GenerateDDSurface();
}

void DDImage::BitsChanged() {
  MemoryImage::BitsChanged();
  if (!mSurface) return;
  if (mSurfaceFromOutside) {
    // The display's surface stays this image's: new pixels are written into it.
    if (mBits && LockSurface()) {
      if (Is16Or32(mLockInfo))
        for (int32_t y = 0; y < std::min(mHeight, mLockInfo.mHeight); ++y) {
          uint8_t* row = mLockInfo.mBits + size_t(y) * size_t(mLockInfo.mPitch);
          const uint32_t* src = mBits.get() + size_t(y) * size_t(mWidth);
          for (int32_t x = 0; x < std::min(mWidth, mLockInfo.mWidth); ++x)
            Store(row, x, mLockInfo.mFormat.mBitCount, FromArgb(src[x], mLockInfo.mFormat));
        }
      UnlockSurface();
    }
    return;
  }
  std::lock_guard<std::recursive_mutex> guard(mDisplay->GetLock());
  if (mLockCount > 0) mSurface->Unlock();
  mLockCount = 0;
  mSurface.reset();
}

void DDImage::CommitBits() {
  if (!mSurface) MemoryImage::CommitBits();
}

void DDImage::DeleteDisplayFormatBits() {
  if (mSurfaceFromOutside) return;
  MemoryImage::DeleteDisplayFormatBits();
  DeleteDDSurface();
}

void DDImage::Create(int32_t width, int32_t height) {
  mBits.reset();
  mWidth = std::max(width, 0);
  mHeight = std::max(height, 0);
  BitsChanged();
}

uint32_t* DDImage::GetBits() {
  if (mBits) return mBits.get();
  if (!mSurface) {
    // Pixels held only by the texture come back from it, and are kept from then on.
    if (!HasPixelData() && mTextureData && D3D()->ReadTextureBits(this)) {
      mKeepBits = true;
      return mBits.get();
    }
    return MemoryImage::GetBits();
  }
  // The 3D device draws into the surface at once: it is read as it stands.
  const bool through3D = DrawsThroughD3D();
  if (through3D) {
    mLockInfo = LockInfo();
    if (mSurface->Lock(&mLockInfo) != Result::Ok) return nullptr;
    mLockCount = 1;
  } else if (mNoSoftwareAccess || !LockSurface()) {
    return nullptr;
  }
  auto unlock = [&] {
    if (!through3D) {
      UnlockSurface();
      return;
    }
    mLockCount = 0;
    mSurface->Unlock();
  };
  if (!Is16Or32(mLockInfo)) {
    unlock();
    return nullptr;
  }
  auto bits = AllocateBits(mWidth, mHeight);
  const PixelFormat& f = mLockInfo.mFormat;
  const uint32_t rgb = f.RgbMask();
  const bool keyed = mSurface->HasColorKey();
  const uint32_t key = mSurface->ColorKey() & rgb;
  // The channel shifts are worked out once: this runs over every pixel of the screen.
  const Platform::Video::PixelShifts shifts(f);
  const int32_t height = std::min(mHeight, mLockInfo.mHeight), width = std::min(mWidth, mLockInfo.mWidth);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = mLockInfo.mBits + size_t(y) * size_t(mLockInfo.mPitch);
    uint32_t* dst = bits.get() + size_t(y) * size_t(mWidth);
    for (int32_t x = 0; x < width; ++x) {
      uint32_t q = Load(row, x, f.mBitCount);
      dst[x] = (keyed && (q & rgb) == key) ? 0u : shifts.ToArgb(q);
    }
  }
  unlock();
  mBits = std::move(bits);
  return mBits.get();
}

bool DDImage::Palettize() {
  if (!MemoryImage::Palettize()) return false;
  DeleteDDSurface();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Route selection

bool DDImage::UsesSurfaceRoute() {
  CommitBits();
  if (mHasAlpha || mHasTrans || mDisplay->mIs3D) return false;
  return mNoSoftwareAccess || GetSurface() != nullptr;
}

template <typename Draw>
void DDImage::DrawThroughMemory(const Rect& area, Draw&& draw) {
  if (mNoSoftwareAccess) return;
  if (!LockSurface()) {
    // No surface can hold this image: it draws in memory.
    draw(static_cast<MemoryImage&>(*this), 0, 0);
    return;
  }
  Rect a = area.Intersection(GetRect()).Intersection(Rect(0, 0, mLockInfo.mWidth, mLockInfo.mHeight));
  if (a.mWidth > 0 && Is16Or32(mLockInfo)) {
    const PixelFormat f = mLockInfo.mFormat;
    MemoryImage copy(a.mWidth, a.mHeight);
    uint32_t* bits = copy.GetBits();
    const Platform::Video::PixelShifts shifts(f);
    for (int32_t y = 0; y < a.mHeight; ++y) {
      const uint8_t* row = mLockInfo.mBits + size_t(a.mY + y) * size_t(mLockInfo.mPitch);
      for (int32_t x = 0; x < a.mWidth; ++x) bits[size_t(y) * a.mWidth + x] = shifts.ToArgb(Load(row, a.mX + x, f.mBitCount));
    }
    copy.BitsChanged();
    draw(copy, a.mX, a.mY);
    bits = copy.GetBits();
    for (int32_t y = 0; y < a.mHeight; ++y) {
      uint8_t* row = mLockInfo.mBits + size_t(a.mY + y) * size_t(mLockInfo.mPitch);
      for (int32_t x = 0; x < a.mWidth; ++x)
        Store(row, a.mX + x, f.mBitCount, shifts.FromArgb(bits[size_t(y) * a.mWidth + x]));
    }
  }
  UnlockSurface();
  DeleteMemoryBuffers();
}

bool DDImage::FillPolygon3D(const VeskVector2* points, int32_t count, const Rect* clip, const Color& color,
                            int32_t drawMode, int32_t tx, int32_t ty) {
  if (!DrawsThroughD3D()) return false;
  D3D()->FillPoly(points, count, clip, color, drawMode, tx, ty);
  DeleteMemoryBuffers();
  return true;
}

void DDImage::FillRect(const Rect& rect, const Color& color, int32_t drawMode) {
  if (DrawsThroughD3D()) {
    D3D()->FillRect(rect, color, drawMode);
    DeleteMemoryBuffers();
    return;
  }
  if (!UsesSurfaceRoute()) {
    MemoryImage::FillRect(rect, color, drawMode);
    return;
  }
  if (drawMode == DRAWMODE_NORMAL)
    NormalFillRect(rect, color);
  else if (drawMode == DRAWMODE_ADDITIVE)
    AdditiveFillRect(rect, color);
  DeleteMemoryBuffers();
}

void DDImage::NormalFillRect(const Rect& rect, const Color& color) {
  if (mNoSoftwareAccess || !LockSurface()) return;
  Rect r = rect.Intersection(GetRect()).Intersection(Rect(0, 0, mLockInfo.mWidth, mLockInfo.mHeight));
  const PixelFormat& f = mLockInfo.mFormat;
  const uint64_t M[3] = {f.mRedMask, f.mGreenMask, f.mBlueMask};
  const uint32_t a = uint32_t(std::clamp(color.mAlpha, 0, 255));
  if (r.mWidth > 0 && Is16Or32(mLockInfo)) {
    const bool is16 = f.mBitCount == 16;
    if (a == 255) {
      uint32_t v = 0;
      if (is16) {
        for (int c = 0; c < 3; ++c) v |= uint32_t(((Channel(color, c) + 1) * M[c] >> 8) & M[c]);
      } else {
        // Opaque colours are converted exactly (white stays white).
        v = FromArgb(color.ToARGB(), f);
      }
      ForEachPixel(mLockInfo, r, [v](uint32_t) { return v; });
    } else {
      uint64_t t = 0;
      for (int c = 0; c < 3; ++c) {
        uint64_t ca = (uint64_t(Channel(color, c)) * a + (is16 ? 128 : 127)) >> 8;
        t += ((ca + 1) * M[c] >> 8) & M[c];
      }
      ForEachPixel(mLockInfo, r, [&](uint32_t d) {
        uint64_t out = t;
        for (int c = 0; c < 3; ++c) out += (((d & M[c]) * (256 - a) + (is16 ? M[c] : 0)) >> 8) & M[c];
        return uint32_t(out);
      });
    }
  }
  UnlockSurface();
}

void DDImage::AdditiveFillRect(const Rect& rect, const Color& color) {
  if (mNoSoftwareAccess || !LockSurface()) return;
  Rect r = rect.Intersection(GetRect()).Intersection(Rect(0, 0, mLockInfo.mWidth, mLockInfo.mHeight));
  AdditiveColour add(*mDisplay, color);
  if (r.mWidth > 0 && Is16Or32(mLockInfo) && add.valid)
    ForEachPixel(mLockInfo, r, [&](uint32_t px) { return add.Apply(px); });
  UnlockSurface();
}

void DDImage::FillSpansCoverage(const Span* spans, int32_t count, const Color& color, int32_t drawMode,
                                const uint8_t* coverage, int32_t coverX, int32_t coverY, int32_t coverRowLength,
                                int32_t passThrough) {
  if (count <= 0 || !spans || !coverage) return;
  if (DrawsThroughD3D()) {
    // Filled into a picture of the spans' bounding box, which is then blitted.
    int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    for (int32_t i = 0; i < count; ++i) {
      if (spans[i].mWidth <= 0) continue;
      x0 = std::min(x0, spans[i].mX);
      x1 = std::max(x1, spans[i].mX + spans[i].mWidth - 1);
      y0 = std::min(y0, spans[i].mY);
      y1 = std::max(y1, spans[i].mY);
    }
    if (x0 > x1 || int64_t(x1 - x0 + 1) * (y1 - y0 + 1) > int64_t(1) << 26) return;
    std::vector<Span> local(spans, spans + count);
    for (Span& sp : local) {
      sp.mX -= x0;
      sp.mY -= y0;
    }
    MemoryImage box(x1 - x0 + 1, y1 - y0 + 1);
    box.MemoryImage::FillSpansCoverage(local.data(), count, color, drawMode, coverage, coverX - x0, coverY - y0,
                                       coverRowLength, passThrough);
    Blit(&box, x0, y0, box.GetRect(), Color::White, drawMode);
    return;
  }
  if (mNoSoftwareAccess) return;
  if (!LockSurface()) {
    MemoryImage::FillSpansCoverage(spans, count, color, drawMode, coverage, coverX, coverY, coverRowLength,
                                   passThrough);
    return;
  }
  if (Is16Or32(mLockInfo)) {
    const PixelFormat& f = mLockInfo.mFormat;
    const uint64_t M[3] = {f.mRedMask, f.mGreenMask, f.mBlueMask};
    uint64_t p = 0;
    for (int c = 0; c < 3; ++c) p |= (uint64_t(Channel(color, c)) * M[c] >> 8) & M[c];
    const uint32_t ca = uint32_t(std::clamp(color.mAlpha, 0, 255));
    const int32_t w = std::min(mWidth, mLockInfo.mWidth), h = std::min(mHeight, mLockInfo.mHeight);
    for (int32_t i = 0; i < count; ++i) {
      const Span& sp = spans[i];
      if (sp.mY < 0 || sp.mY >= h) continue;
      int32_t x0 = std::max(sp.mX, 0);
      int32_t x1 = int32_t(std::min<int64_t>(int64_t(sp.mX) + sp.mWidth, w));
      uint8_t* row = mLockInfo.mBits + size_t(sp.mY) * size_t(mLockInfo.mPitch);
      const uint8_t* cov = coverage + (int64_t(sp.mY) - coverY) * coverRowLength - coverX;
      for (int32_t x = x0; x < x1; ++x) {
        uint64_t a = ((uint64_t(cov[x]) + 1) * ca) >> 8;
        uint64_t d = Load(row, x, f.mBitCount), out = 0;
        for (int c = 0; c < 3; ++c) out |= (((d & M[c]) * (256 - a) + (p & M[c]) * a) >> 8) & M[c];
        Store(row, x, f.mBitCount, uint32_t(out));
      }
    }
  }
  UnlockSurface();
  DeleteMemoryBuffers();
}

void DDImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (DrawsThroughD3D()) {
    D3D()->DrawLine(x1, y1, x2, y2, color, drawMode);
    DeleteMemoryBuffers();
    return;
  }
  if (!UsesSurfaceRoute()) {
    MemoryImage::DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (y1 == y2 && std::isfinite(x1) && std::isfinite(x2) && std::fabs(y1) < 1e9 && std::fabs(x1) < 1e9 &&
      std::fabs(x2) < 1e9) {
    int32_t lo = int32_t(std::min(x1, x2)), hi = int32_t(std::max(x1, x2));
    FillRect(Rect(lo, int32_t(y1), hi - lo + 1, 1), color, drawMode);
    return;
  }
  if (x1 == x2 && std::isfinite(y1) && std::isfinite(y2) && std::fabs(x1) < 1e9 && std::fabs(y1) < 1e9 &&
      std::fabs(y2) < 1e9) {
    int32_t lo = int32_t(std::min(y1, y2)), hi = int32_t(std::max(y1, y2));
    FillRect(Rect(int32_t(x1), lo, 1, hi - lo + 1), color, drawMode);
    return;
  }
  if (drawMode == DRAWMODE_NORMAL)
    NormalDrawLine(x1, y1, x2, y2, color);
  else if (drawMode == DRAWMODE_ADDITIVE)
    AdditiveDrawLine(x1, y1, x2, y2, color);
  DeleteMemoryBuffers();
}

void DDImage::DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (DrawsThroughD3D()) {
    D3D()->DrawLine(x1, y1, x2, y2, color, drawMode);
    DeleteMemoryBuffers();
    return;
  }
  if (!UsesSurfaceRoute()) {
    MemoryImage::DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (y1 == y2 || x1 == x2) {
    DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (drawMode == DRAWMODE_NORMAL)
    NormalDrawLineSmooth(x1, y1, x2, y2, color);
  else if (drawMode == DRAWMODE_ADDITIVE)
    AdditiveDrawLineSmooth(x1, y1, x2, y2, color);
  DeleteMemoryBuffers();
}

void DDImage::AdditiveDrawLineSmooth(double, double, double, double, const Color&) {}

// ---------------------------------------------------------------------------------------------
// Blits

void DDImage::Blit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color, int32_t drawMode) {
  if (!src) return;
  if (DrawsThroughD3D()) {
    src->mDrawn = 1;
    auto* dd = dynamic_cast<DDImage*>(src);
    // An opaque or colour-keyed surface image copies surface to surface.
    if (dd && dd->HasSurface() && D3D()->mTransforms.empty() && drawMode == DRAWMODE_NORMAL &&
        Color::Equals(color, Color::White) && !dd->mHasAlpha) {
      Rect sr = srcRect;
      int32_t dx = x, dy = y;
      if (ClipBlit(*this, *dd, dx, dy, sr, false))
        BltFromSurface(dd, {dx, dy, dx + sr.mWidth, dy + sr.mHeight},
                       {sr.mX, sr.mY, sr.mX + sr.mWidth, sr.mY + sr.mHeight});
    } else if (auto* m = dynamic_cast<MemoryImage*>(src)) {
      D3D()->Blit(m, float(x), float(y), srcRect, color, drawMode, false);
    }
    DeleteMemoryBuffers();
    return;
  }
  bool cursorArea = this == mDisplay->mOldCursorImage.get() || this == mDisplay->mNewCursorImage.get();
  CommitBits();
  bool surfaceRoute = !mHasAlpha && !mHasTrans && (!mDisplay->mIs3D || cursorArea) &&
                      (mNoSoftwareAccess || GetSurface() != nullptr);
  if (!surfaceRoute) {
    MemoryImage::Blit(src, x, y, srcRect, color, drawMode);
    return;
  }
  src->mDrawn = 1;
  if (drawMode == DRAWMODE_NORMAL)
    NormalBlit(src, x, y, srcRect, color);
  else if (drawMode == DRAWMODE_ADDITIVE)
    AdditiveBlit(src, x, y, srcRect, color);
  DeleteMemoryBuffers();
}

void DDImage::BlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                           int32_t drawMode) {
  if (!src) return;
  src->mDrawn = 1;
  if (DrawsThroughD3D()) {
    if (auto* m = dynamic_cast<MemoryImage*>(src)) D3D()->BlitMirrored(m, float(x), float(y), srcRect, color, drawMode, false);
    DeleteMemoryBuffers();
    return;
  }
  CommitBits();
  // An image that can have no surface (it has alpha) is drawn in memory.
  if (!mNoSoftwareAccess && !GetSurface()) {
    MemoryImage::BlitMirrored(src, x, y, srcRect, color, drawMode);
    return;
  }
  if (drawMode == DRAWMODE_NORMAL)
    NormalBlitMirrored(src, x, y, srcRect, color);
  else if (drawMode == DRAWMODE_ADDITIVE)
    AdditiveBlitMirrored(src, x, y, srcRect, color);
  DeleteMemoryBuffers();
}

namespace {
// The rasteriser's code for a surface format; 0 for 16-bit masks it has no code for.
int32_t RasterFormat(const PixelFormat& f) {
  if (f.mBitCount == 32) return PIXELFORMAT_888;
  if (f == PixelFormat::R5G6B5()) return PIXELFORMAT_565;
  if (f == PixelFormat::X1R5G5B5()) return PIXELFORMAT_555;
  return 0;
}
}  // namespace

template <typename Raster>
bool DDImage::RasterIntoSurface(const Rect& clip, Raster&& raster) {
  if (mNoSoftwareAccess || !LockSurface()) return false;
  int32_t code = RasterFormat(mLockInfo.mFormat);
  Rect c = clip.Intersection(GetRect());
  if (code && c.mWidth > 0) raster(c, code);
  UnlockSurface();
  if (!code) return false;
  DeleteMemoryBuffers();
  return true;
}

void DDImage::BlitMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                         int32_t drawMode, const Rect& srcRect, bool linear, const ImageMask& mask) {
  if (!src) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  if (DrawsThroughD3D()) {
    if (m) D3D()->BlitTransformed(m, &clip, color, drawMode, srcRect, matrix, linear, x, y, false, &mask);
    DeleteMemoryBuffers();
    return;
  }
  if (m && RasterIntoSurface(clip, [&](const Rect& c, int32_t code) {
        DrawImageMatrixToBuffer(m, x, y, matrix, c, color, drawMode, srcRect, mLockInfo.mBits, mLockInfo.mPitch, code,
                                linear);
      }))
    return;
  DrawThroughMemory(clip, [&](MemoryImage& t, int32_t ox, int32_t oy) {
    t.MemoryImage::BlitMatrix(src, x - float(ox), y - float(oy), matrix,
                              Rect(clip.mX - ox, clip.mY - oy, clip.mWidth, clip.mHeight), color, drawMode, srcRect,
                              linear, mask);
  });
}

void DDImage::BlitTriangles(Image* src, const TriVertex (*vertices)[3], int32_t count, const Rect& clip,
                            const Color& color, int32_t drawMode, float tx, float ty, bool linear) {
  if (!src || count <= 0) return;
  src->mDrawn = 1;
  auto* m = dynamic_cast<MemoryImage*>(src);
  if (DrawsThroughD3D()) {
    if (m) D3D()->BlitTriangles(m, vertices, count, clip, color, drawMode, tx, ty, linear);
    DeleteMemoryBuffers();
    return;
  }
  if (m && RasterIntoSurface(clip, [&](const Rect& c, int32_t code) {
        DrawTrianglesToBuffer(m, vertices, count, c, color, drawMode, mLockInfo.mBits, mLockInfo.mPitch, code, tx, ty,
                              linear);
      }))
    return;
  DrawThroughMemory(clip, [&](MemoryImage& t, int32_t ox, int32_t oy) {
    t.MemoryImage::BlitTriangles(src, vertices, count, Rect(clip.mX - ox, clip.mY - oy, clip.mWidth, clip.mHeight),
                                 color, drawMode, tx - float(ox), ty - float(oy), linear);
  });
}

}  // namespace Vesk
