// Memory surfaces, the device and the headless presenter.
#include "platform/video/Video.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/video/SoftDevice.h"

namespace Platform::Video {

namespace {

uint32_t ReadPixel(const uint8_t* p, int32_t bytes) {
  switch (bytes) {
    case 4: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    case 2: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case 3: return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    case 1: return p[0];
    default: return 0;
  }
}

void WritePixel(uint8_t* p, int32_t bytes, uint32_t v) {
  switch (bytes) {
    case 4: std::memcpy(p, &v, 4); break;
    case 2: { uint16_t w = uint16_t(v); std::memcpy(p, &w, 2); break; }
    case 3: p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); break;
    case 1: p[0] = uint8_t(v); break;
    default: break;
  }
}

bool Inside(const Area& a, const Surface& s) {
  return a.mLeft >= 0 && a.mTop >= 0 && a.mRight <= s.Width() && a.mBottom <= s.Height() && a.Width() > 0 &&
         a.Height() > 0;
}

}  // namespace

const char* ResultName(Result result) {
  switch (result) {
    case Result::Ok: return "VIDEO_OK";
    case Result::Generic: return "VIDEO_GENERIC";
    case Result::InvalidParams: return "VIDEO_INVALIDPARAMS";
    case Result::InvalidPixelFormat: return "VIDEO_INVALIDPIXELFORMAT";
    case Result::InvalidMode: return "VIDEO_INVALIDMODE";
    case Result::InvalidRect: return "VIDEO_INVALIDRECT";
    case Result::OutOfMemory: return "VIDEO_OUTOFMEMORY";
    case Result::OutOfVideoMemory: return "VIDEO_OUTOFVIDEOMEMORY";
    case Result::SurfaceBusy: return "VIDEO_SURFACEBUSY";
    case Result::NotLocked: return "VIDEO_NOTLOCKED";
    case Result::NotFlippable: return "VIDEO_NOTFLIPPABLE";
    case Result::NoExclusiveMode: return "VIDEO_NOEXCLUSIVEMODE";
    case Result::NoPrimary: return "VIDEO_NOPRIMARY";
    case Result::Unsupported: return "VIDEO_UNSUPPORTED";
    case Result::InvalidCall: return "VIDEO_INVALIDCALL";
  }
  return "VIDEO_UNKNOWN";
}

PixelFormat PixelFormat::FromDepth(int32_t depth) {
  switch (depth) {
    case 32: return X8R8G8B8();
    case 24: return R8G8B8();
    case 16: return R5G6B5();
    case 15: return X1R5G5B5();
    case 8: return Indexed8();
    default: return PixelFormat();
  }
}

ChannelShift ChannelShift::Of(uint32_t mask) {
  ChannelShift c;
  c.mMask = mask;
  if (!mask) return c;
  c.mShift = std::countr_zero(mask);
  c.mBits = std::min(std::popcount(mask), 8);
  return c;
}

PixelShifts::PixelShifts(const PixelFormat& f)
    : mRed(ChannelShift::Of(f.mRedMask)),
      mGreen(ChannelShift::Of(f.mGreenMask)),
      mBlue(ChannelShift::Of(f.mBlueMask)) {}

uint32_t ToArgb(uint32_t pixel, const PixelFormat& f) { return PixelShifts(f).ToArgb(pixel); }

uint32_t FromArgb(uint32_t argb, const PixelFormat& f) { return PixelShifts(f).FromArgb(argb); }

// ---------------------------------------------------------------------------------------------
// Surface

Surface::Surface(int32_t width, int32_t height, const PixelFormat& format, Memory memory,
                 std::shared_ptr<std::atomic<int64_t>> videoUsed)
    : mWidth(width), mHeight(height), mFormat(format), mMemory(memory), mVideoUsed(std::move(videoUsed)) {
  mPitch = (width * format.BytesPerPixel() + 3) & ~3;
  mStorage.assign(size_t(mPitch / 4) * size_t(height) + 1, 0u);
}

Surface::~Surface() {
  if (mMemory == Memory::Video && mVideoUsed) *mVideoUsed -= int64_t(mPitch) * mHeight;
}

void Surface::MarkChanged() {
  if (mChanged) mChanged->store(true, std::memory_order_release);
}

Result Surface::Lock(LockInfo* out) {
  Result r = LockAsStored(out);
  if (r == Result::Ok && mReportedBits) out->mFormat = PixelFormat::FromDepth(mReportedBits);
  return r;
}

Result Surface::LockAsStored(LockInfo* out) {
  if (!out) return Result::InvalidParams;
  if (mLocked) return Result::SurfaceBusy;
  mLocked = true;
  ++mLockCount;
  out->mBits = Row(0);
  out->mPitch = mPitch;
  out->mWidth = mWidth;
  out->mHeight = mHeight;
  out->mFormat = mFormat;
  return Result::Ok;
}

Result Surface::Unlock() {
  if (!mLocked) return Result::NotLocked;
  mLocked = false;
  // Software access may have drawn anything.
  MarkChanged();
  return Result::Ok;
}

void Surface::SetColorKey(uint32_t key) {
  mHasColorKey = true;
  mColorKey = key;
}

uint32_t Surface::PixelAt(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return 0;
  int32_t bpp = mFormat.BytesPerPixel();
  return ReadPixel(Pixels() + size_t(y) * size_t(mPitch) + size_t(x) * size_t(bpp), bpp);
}

Result Surface::Blt(const Area* dst, Surface* src, const Area* srcArea, uint32_t flags) {
  if (!src) return Result::InvalidParams;
  Area d = dst ? *dst : Area{0, 0, mWidth, mHeight};
  Area s = srcArea ? *srcArea : Area{0, 0, src->mWidth, src->mHeight};
  if (!Inside(d, *this) || !Inside(s, *src)) return Result::InvalidRect;
  if (!(src->mFormat == mFormat)) return Result::InvalidPixelFormat;
  if (mLocked || src->mLocked) return Result::SurfaceBusy;
  const int32_t bpp = mFormat.BytesPerPixel();
  const bool keyed = (flags & BLT_KEYSRC) && src->mHasColorKey;
  const uint32_t rgb = mFormat.RgbMask();
  const uint32_t key = src->mColorKey & rgb;
  const int32_t dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
  const bool same = dw == sw && dh == sh;
  // Rows of a blit within one surface may overlap: copy the source first.
  std::vector<uint8_t> copy;
  const uint8_t* sbase = src->Row(0);
  int32_t spitch = src->mPitch;
  if (src == this) {
    copy.assign(src->Pixels(), src->Pixels() + size_t(src->mPitch) * size_t(src->mHeight));
    sbase = copy.data();
  }
  // Unkeyed rows of equal size are copied whole; otherwise the source column of each
  // destination column is worked out once for all rows.
  const bool rowCopy = same && !keyed;
  std::vector<int32_t> columns;
  if (!rowCopy && (bpp != 4 || keyed)) {
    columns.resize(size_t(std::max(dw, 0)));
    for (int32_t x = 0; x < dw; ++x) columns[size_t(x)] = s.mLeft + (same ? x : int32_t(int64_t(x) * sw / dw));
  }
  int32_t lastSy = -1;
  for (int32_t y = 0; y < dh; ++y) {
    int32_t sy = s.mTop + (same ? y : int32_t(int64_t(y) * sh / dh));
    const uint8_t* srow = sbase + size_t(sy) * size_t(spitch);
    uint8_t* drow = Row(d.mTop + y) + size_t(d.mLeft) * size_t(bpp);
    // A row stretched taller repeats the destination row above it (unkeyed: nothing of the
    // destination shows through).
    if (!keyed && sy == lastSy) {
      std::memcpy(drow, drow - size_t(mPitch), size_t(dw) * size_t(bpp));
      continue;
    }
    lastSy = sy;
    if (rowCopy) {
      std::memcpy(drow, srow + size_t(s.mLeft) * size_t(bpp), size_t(dw) * size_t(bpp));
      continue;
    }
    if (bpp == 4 && !keyed) {
      // A stretched full-screen frame: whole pixels copied, no per-pixel calls; the source
      // column (x * sw / dw) is stepped rather than looked up.
      const uint32_t* from = reinterpret_cast<const uint32_t*>(srow) + s.mLeft;
      uint32_t* to = reinterpret_cast<uint32_t*>(drow);
      int32_t sx = 0, rest = 0;
      for (int32_t x = 0; x < dw; ++x) {
        to[x] = from[sx];
        for (rest += sw; rest >= dw; rest -= dw) ++sx;
      }
      continue;
    }
    for (int32_t x = 0; x < dw; ++x) {
      int32_t sx = columns[size_t(x)];
      uint32_t p = ReadPixel(srow + size_t(sx) * size_t(bpp), bpp);
      if (keyed && (p & rgb) == key) continue;
      WritePixel(drow + size_t(x) * size_t(bpp), bpp, p);
    }
  }
  MarkChanged();
  return Result::Ok;
}

Result Surface::Fill(const Area* dst, uint32_t value) {
  Area d = dst ? *dst : Area{0, 0, mWidth, mHeight};
  if (!Inside(d, *this)) return Result::InvalidRect;
  if (mLocked) return Result::SurfaceBusy;
  const int32_t bpp = mFormat.BytesPerPixel();
  for (int32_t y = d.mTop; y < d.mBottom; ++y)
    for (int32_t x = d.mLeft; x < d.mRight; ++x) WritePixel(Row(y) + size_t(x) * size_t(bpp), bpp, value);
  MarkChanged();
  return Result::Ok;
}

Result Surface::Flip() {
  if (!mPrimary || !mBackBuffer) return Result::NotFlippable;
  if (mLocked || mBackBuffer->mLocked) return Result::SurfaceBusy;
  mStorage.swap(mBackBuffer->mStorage);
  MarkChanged();
  return Result::Ok;
}

// ---------------------------------------------------------------------------------------------
// Device

Device::Device(std::unique_ptr<Presenter> presenter, int64_t videoMemoryBytes)
    : mPresenter(std::move(presenter)), mVideoTotal(videoMemoryBytes),
      mVideoUsed(std::make_shared<std::atomic<int64_t>>(0)) {}

Device::~Device() = default;

Result Device::SetCooperativeLevel(bool exclusiveFullScreen) {
  mExclusive = exclusiveFullScreen;
  if (!mExclusive) {
    mModeWidth = mModeHeight = 0;
    mModeFormat = PixelFormat();
  }
  return Result::Ok;
}

Result Device::SetDisplayMode(int32_t width, int32_t height, int32_t depth) {
  if (!mExclusive) return Result::NoExclusiveMode;
  PixelFormat f = PixelFormat::FromDepth(depth);
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || (f.mBitCount != 16 && f.mBitCount != 32))
    return Result::InvalidMode;
  if (!mPresenter) return Result::Unsupported;
  Result r = mPresenter->SetMode(width, height, f, true);
  if (r != Result::Ok) return r;
  mModeWidth = width;
  mModeHeight = height;
  mModeFormat = f;
  return Result::Ok;
}

PixelFormat Device::DisplayFormat() const {
  if (mExclusive && mModeFormat.mBitCount) return mModeFormat;
  return mPresenter ? mPresenter->DesktopFormat() : PixelFormat::X8R8G8B8();
}

int32_t Device::DisplayWidth() const {
  if (mExclusive && mModeWidth) return mModeWidth;
  int32_t w = 0, h = 0;
  if (mPresenter) mPresenter->ClientSize(&w, &h);
  return w;
}

int32_t Device::DisplayHeight() const {
  if (mExclusive && mModeHeight) return mModeHeight;
  int32_t w = 0, h = 0;
  if (mPresenter) mPresenter->ClientSize(&w, &h);
  return h;
}

Result Device::CreatePrimary(int32_t backBuffers, std::shared_ptr<Surface>* out) {
  if (!out) return Result::InvalidParams;
  out->reset();
  if (!mPresenter) return Result::NoPrimary;
  if (backBuffers > 0 && !mExclusive) return Result::NoExclusiveMode;
  PixelFormat f = DisplayFormat();
  int32_t w = DisplayWidth(), h = DisplayHeight();
  if (w <= 0 || h <= 0) return Result::InvalidParams;
  std::shared_ptr<Surface> s(new Surface(w, h, f, Memory::Video, nullptr));
  s->mPrimary = true;
  s->mChanged = std::make_shared<std::atomic<bool>>(false);
  if (backBuffers > 0) s->mBackBuffer.reset(new Surface(w, h, f, Memory::Video, nullptr));
  mPrimary = s;
  *out = std::move(s);
  return Result::Ok;
}

Result Device::Enter(const char* call) {
  auto it = std::find_if(mCalls.begin(), mCalls.end(), [&](const auto& c) { return c.first == call; });
  if (it == mCalls.end())
    mCalls.emplace_back(call, 1);
  else
    ++it->second;
  return mFaults.Fails(call) ? Result::Generic : Result::Ok;
}

uint64_t Device::CallCount(const std::string& name) const {
  for (const auto& c : mCalls)
    if (c.first == name) return c.second;
  return 0;
}

Result Device::GetAvailableVidMem(int64_t* totalBytes) {
  if (Result r = Enter("GetAvailableVidMem"); r != Result::Ok) return r;
  if (!totalBytes) return Result::InvalidParams;
  *totalBytes = mFaults.mVideoMemoryMB >= 0 ? mFaults.mVideoMemoryMB << 20 : mVideoTotal;
  return Result::Ok;
}

Result Device::GetDeviceIdentifier(DeviceIdentifier* out) {
  if (Result r = Enter("GetDeviceIdentifier"); r != Result::Ok) return r;
  if (!out) return Result::InvalidParams;
  out->mDriver.clear();
  out->mDescription = mFaults.mIdentity.empty() ? SoftDevice().Identifier().mDescription : mFaults.mIdentity;
  return Result::Ok;
}

Result Device::CreateDevice(std::shared_ptr<Surface> target, std::unique_ptr<SoftDevice>* out) {
  if (Result r = Enter("CreateDevice"); r != Result::Ok) return r;
  if (!out) return Result::InvalidParams;
  out->reset();
  if (mFaults.mNo3D) return Result::Unsupported;
  DeviceCaps caps;
  if (mFaults.mTextureFormats >= 0) caps.mTextureFormats = uint32_t(mFaults.mTextureFormats);
  auto device = std::make_unique<SoftDevice>(caps);
  if (Result r = device->SetRenderTarget(std::move(target)); r != Result::Ok) return r;
  for (const std::string& call : mFaults.mFailedCalls) device->FailCall(call, Result::Generic);
  device->SetDrawFaults(mFaults.mDraw);
  *out = std::move(device);
  return Result::Ok;
}

Result Device::CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>* out) {
  if (!out) return Result::InvalidParams;
  out->reset();
  if (desc.mRenderTarget3D) {
    if (Result r = Enter("CreateSurface"); r != Result::Ok) return r;
  }
  if (desc.mWidth <= 0 || desc.mHeight <= 0 || desc.mWidth > 16384 || desc.mHeight > 16384)
    return Result::InvalidParams;
  PixelFormat f = desc.mFormat.mBitCount ? desc.mFormat : DisplayFormat();
  if (f.mBitCount <= 0 || f.mBitCount > 32) return Result::InvalidPixelFormat;
  if (desc.mMemory == Memory::Video) {
    int64_t bytes = int64_t((desc.mWidth * f.BytesPerPixel() + 3) & ~3) * desc.mHeight;
    if (mVideoUsed->fetch_add(bytes) + bytes > mVideoTotal) {
      *mVideoUsed -= bytes;
      return Result::OutOfVideoMemory;
    }
    out->reset(new Surface(desc.mWidth, desc.mHeight, f, Memory::Video, mVideoUsed));
  } else {
    out->reset(new Surface(desc.mWidth, desc.mHeight, f, Memory::System, nullptr));
  }
  if (desc.mRenderTarget3D) (*out)->mReportedBits = mFaults.mTargetBits;
  return Result::Ok;
}

Result Device::SetWindowSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return Result::InvalidParams;
  if (!mPresenter) return Result::Unsupported;
  return mPresenter->SetMode(width, height, mPresenter->DesktopFormat(), false);
}

Result Device::GetMonitorFrequency(uint32_t* hz) const {
  if (!hz) return Result::InvalidParams;
  *hz = mPresenter ? mPresenter->RefreshRate() : 0;
  return *hz ? Result::Ok : Result::Unsupported;
}

Result Device::WaitForVerticalBlank() { return Result::Unsupported; }

bool Device::PresentIfChanged() {
  std::shared_ptr<Surface> primary = mPrimary.lock();
  if (!primary || !mPresenter) return false;
  const bool changed = primary->mChanged->exchange(false, std::memory_order_acq_rel);
  if (!mPresenter->TakeRepaint() && !changed) return false;
  mPresenter->Present(primary->Pixels(), primary->mPitch, primary->mWidth, primary->mHeight, primary->mFormat);
  ++mPresentCount;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Headless presenter

HeadlessPresenter::HeadlessPresenter(int32_t desktopWidth, int32_t desktopHeight, PixelFormat desktopFormat,
                                     uint32_t refreshRate)
    : mDesktopWidth(desktopWidth), mDesktopHeight(desktopHeight), mDesktopFormat(desktopFormat),
      mRefreshRate(refreshRate) {}

void HeadlessPresenter::ClientSize(int32_t* width, int32_t* height) const {
  *width = mClientWidth;
  *height = mClientHeight;
}

void HeadlessPresenter::SetClientSize(int32_t width, int32_t height) {
  mClientWidth = width;
  mClientHeight = height;
}

Result HeadlessPresenter::SetMode(int32_t width, int32_t height, const PixelFormat&, bool fullScreen) {
  if (mRefuseModes && fullScreen) return Result::InvalidMode;
  mFullScreen = fullScreen;
  if (!fullScreen) SetClientSize(width, height);
  return Result::Ok;
}

void HeadlessPresenter::Present(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                                const PixelFormat& format) {
  // The picture is kept as it came, row by row; it is turned into 0xFFRRGGBB words only when
  // read, since most runs never look at it.
  mFrameWidth = width;
  mFrameHeight = height;
  ++mFrameCount;
  if (!mKeepFrames) {
    mRaw.clear();
    mFrame.clear();
    mConverted = true;
    return;
  }
  mRawFormat = format;
  mRawPitch = size_t(width) * size_t(format.BytesPerPixel());
  mRaw.resize(mRawPitch * size_t(height));
  if (size_t(pitch) == mRawPitch) {
    std::memcpy(mRaw.data(), pixels, mRaw.size());
  } else {
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(mRaw.data() + size_t(y) * mRawPitch, pixels + size_t(y) * size_t(pitch), mRawPitch);
  }
  mConverted = false;
}

const std::vector<uint32_t>& HeadlessPresenter::LastFrame() const {
  if (mConverted) return mFrame;
  mConverted = true;
  const int32_t width = mFrameWidth, height = mFrameHeight;
  mFrame.resize(size_t(width) * size_t(height));
  const int32_t bpp = mRawFormat.BytesPerPixel();
  // The channel shifts are worked out once per frame, not once per pixel.
  const PixelShifts shifts(mRawFormat);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = mRaw.data() + size_t(y) * mRawPitch;
    uint32_t* out = mFrame.data() + size_t(y) * size_t(width);
    if (mRawFormat == PixelFormat::X8R8G8B8()) {
      for (int32_t x = 0; x < width; ++x) {
        uint32_t v;
        std::memcpy(&v, row + size_t(x) * 4, 4);
        out[x] = 0xFF000000u | v;
      }
      continue;
    }
    for (int32_t x = 0; x < width; ++x) out[x] = shifts.ToArgb(ReadPixel(row + size_t(x) * size_t(bpp), bpp));
  }
  return mFrame;
}

}  // namespace Platform::Video
