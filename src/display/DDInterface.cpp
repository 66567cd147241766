// The display: device and surfaces, presentation, the software cursor and the image set.
#include "display/DDInterface.h"

#include <algorithm>
#include <bit>

#include "display/DDImage.h"
#include "graphics/Graphics.h"
#include "platform/memory/Memory.h"
#include "platform/window/Window.h"
#include "shell/Log.h"
#include "shell/VeskAppBase.h"

namespace Vesk {

using Platform::Video::Area;
using Platform::Video::Result;
using Platform::Video::Surface;
using Platform::Video::SurfaceDesc;

namespace {
Area ToArea(const Rect& r) { return Area{r.mX, r.mY, r.mX + r.mWidth, r.mY + r.mHeight}; }
using Lock = std::lock_guard<std::recursive_mutex>;

// Dropped picture pixels after which the freed pages are given back to the system.
constexpr size_t kReturnMemoryAfterBytes = size_t(4) << 20;
}  // namespace

DDInterface::DDInterface(VeskAppBase* app, PresenterFactory presenterFactory)
    : mApp(app), mPresenterFactory(std::move(presenterFactory)), mD3D(std::make_unique<D3DInterface>(this)) {}

DDInterface::~DDInterface() {
  Cleanup();
  mD3D.reset();
  mRedSaturate.clear();
  mGreenSaturate.clear();
  mBlueSaturate.clear();
}

std::string DDInterface::ResultToString(int32_t result) {
  switch (result) {
    case RESULT_OK: return "RESULT_OK";
    case RESULT_FAIL: return "RESULT_FAIL";
    case RESULT_DD_CREATE_FAIL: return "RESULT_DD_CREATE_FAIL";
    case RESULT_SURFACE_FAIL: return "RESULT_SURFACE_FAIL";
    case RESULT_EXCLUSIVE_FAIL: return "RESULT_EXCLUSIVE_FAIL";
    case RESULT_DISPCHANGE_FAIL: return "RESULT_DISPCHANGE_FAIL";
    case RESULT_INVALID_COLORDEPTH: return "RESULT_INVALID_COLORDEPTH";
    default: return "RESULT_UNKNOWN";
  }
}

bool DDInterface::CheckResult(Result result, const char* step) {
  if (result == Result::Ok) return false;
  mLastError = std::string(step) + ": " + Platform::Video::ResultName(result);
  return true;
}

Result DDInterface::CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>* out) {
  Lock lock(mLock);
  if (!mDevice) return Result::NoPrimary;
  Result r = mDevice->CreateSurface(desc, out);
  if (r != Result::Ok) return r;
  int32_t bits = (*out)->Format().mBitCount;
  if (bits != 16 && bits != 32) {
    out->reset();
    return Result::InvalidPixelFormat;
  }
  return Result::Ok;
}

bool DDInterface::Run3DTest(Platform::Window*) {
  if (mTester || (mApp && !mApp->mTest3D && !mApp->mAuto3D)) return false;
  mTester = std::make_unique<D3DTester>(mApp);
  const bool setting3D = !mApp || mApp->mIs3D;
  if (mApp) mTester->SetVidMemoryLimits(mApp->mMinVidMemMB, mApp->mRecommendedVidMemMB);
  mTester->mNoTestMode = mApp && (mApp->mNo3DTestMode || !setting3D);
  mTester->TestD3D(mDevice && mDevice->Offers3D() ? mDevice.get() : nullptr);
  const D3DTester& t = *mTester;
  if (!t.mFailureReason.empty()) {
    LogMessage("WARNING: 3D test failed: %s; drawing in software", t.mFailureReason.c_str());
    mIs3D = false;
  } else if (!t.mWarning.empty()) {
    LogMessage("WARNING: 3D test: %s", t.mWarning.c_str());
  } else {
    // A skipped test (nothing drawn or read back, and no recorded verdict replayed) passed nothing.
    if (t.mNoTestMode && !t.mFreshResult)
      LogMessage("3D test skipped (%s)", setting3D ? "no-test mode" : "3D is off: setting Is3D is 0");
    else
      LogMessage("3D test passed");
    if (!mApp || mApp->mAuto3D) mIs3D = true;
  }
  if (!setting3D) mIs3D = false;
  return true;
}

void DDInterface::ReadDeviceFaults() {
  std::string text;
  if (!mApp || !mApp->RegReadString("D3DFault", text) || text.empty()) return;
  std::vector<std::string> rejected;
  Platform::Video::DeviceFaults faults = Platform::Video::DeviceFaults::Parse(text, &rejected);
  for (const std::string& entry : rejected) LogMessage("WARNING: D3DFault: entry \"%s\" ignored", entry.c_str());
  mDevice->SetFaults(std::move(faults));
}

void DDInterface::ReleaseImageTexture(MemoryImage* image) { mD3D->ReleaseImageTexture(image); }

int32_t DDInterface::Init(Platform::Window* window, bool windowed) {
  Lock lock(mLock);
  mInitialized = false;
  Cleanup();

  int32_t depth = mApp ? mApp->mFullScreenBitDepth : 32;
  std::unique_ptr<Platform::Video::Presenter> presenter =
      mPresenterFactory ? mPresenterFactory(window, depth)
                        : Platform::Video::CreatePresenter(window ? window->NativeHandle() : nullptr, depth);
  if (!presenter) {
    CheckResult(Result::Unsupported, "DirectDrawCreate");
    return RESULT_DD_CREATE_FAIL;
  }
  mDevice = std::make_unique<Platform::Video::Device>(std::move(presenter));
  Platform::Video::Presenter* p = mDevice->GetPresenter();

  ReadDeviceFaults();
  Run3DTest(window);

  mWindow = window;
  mWidth = mApp ? mApp->mWidth : 1024;
  mHeight = mApp ? mApp->mHeight : 768;
  mAspect.Set(mWidth, mHeight);
  mDesktopWidth = p->DesktopWidth();
  mDesktopHeight = p->DesktopHeight();
  mDesktopAspect.Set(mDesktopWidth, mDesktopHeight);
  mDisplayWidth = mWidth;
  mDisplayHeight = mHeight;
  mDisplayAspect = mAspect;
  mPresentRect = Rect(0, 0, mWidth, mHeight);
  mColorDepth = depth;
  mWindowed = windowed;
  mCursorSaved = false;
  DebugPrintW(L"Application requests %4lu x %4lu [%2d:%2d]\n", (unsigned long)mWidth, (unsigned long)mHeight,
              mAspect.mNumerator, mAspect.mDenominator);

  int32_t result = windowed ? InitWindowed() : InitFullScreen();
  if (result != RESULT_OK) return result;
  if (mApp) {
    mApp->mPresentX = mPresentRect.mX;
    mApp->mPresentY = mPresentRect.mY;
    mApp->mPresentWidth = mPresentRect.mWidth;
    mApp->mPresentHeight = mPresentRect.mHeight;
  }
  DebugPrintW(L"Draw buffer is       %4lu x %4lu [%2d:%2d]\n", (unsigned long)mWidth, (unsigned long)mHeight,
              mAspect.mNumerator, mAspect.mDenominator);

  // Monitor frequency, kept within 60..100 Hz.
  uint32_t hz = 0;
  if (mDevice->GetMonitorFrequency(&hz) != Result::Ok || hz < 60 || hz > 100) {
    hz = hz > 100 ? 100 : 60;
    if (mApp) mApp->mRefreshRateUnreliable = true;
  }
  mRefreshRate = hz;
  mRefreshPeriod = int32_t(1000 / mRefreshRate);
  mDevice->GetPresenter()->SetVSync(mApp && mApp->mWaitForVSync);

  // The two cursor areas.
  SurfaceDesc areaDesc;
  areaDesc.mWidth = mCursorAreaWidth;
  areaDesc.mHeight = mCursorAreaHeight;
  if (CheckResult(CreateSurface(areaDesc, &mOldCursorArea), "CreateSurface OldCursorArea")) return RESULT_SURFACE_FAIL;
  if (CheckResult(CreateSurface(areaDesc, &mNewCursorArea), "CreateSurface NewCursorArea")) return RESULT_SURFACE_FAIL;
  mOldCursorImage = std::make_unique<DDImage>(this);
  mOldCursorImage->SetSurface(mOldCursorArea);
  mOldCursorImage->SetImageMode(false, false);
  mNewCursorImage = std::make_unique<DDImage>(this);
  mNewCursorImage->SetSurface(mNewCursorArea);
  mNewCursorImage->SetImageMode(false, false);

  // The pixel format every loop reads.
  const Platform::Video::PixelFormat& f = mPrimarySurface->Format();
  if (f.mBitCount != 16 && f.mBitCount != 32) {
    CheckResult(Result::InvalidPixelFormat, "GetSurfaceDesc");
    return RESULT_INVALID_COLORDEPTH;
  }
  mBitsPerPixel = f.mBitCount;
  mRedMask = f.mRedMask;
  mGreenMask = f.mGreenMask;
  mBlueMask = f.mBlueMask;
  auto shiftOf = [](uint32_t m) { return m ? std::countr_zero(m) : 0; };
  auto widthOf = [](uint32_t m) { return m ? 32 - std::countl_zero(m) - std::countr_zero(m) : 0; };
  mRedShift = shiftOf(mRedMask);
  mGreenShift = shiftOf(mGreenMask);
  mBlueShift = shiftOf(mBlueMask);
  mRedBits = widthOf(mRedMask);
  mGreenBits = widthOf(mGreenMask);
  mBlueBits = widthOf(mBlueMask);
  mRGBOrder = mBlueMask < mGreenMask && mGreenMask < mRedMask;
  BuildFormatTables();

  SetDrawInVideoMemory(mDrawInVideoMemory);
  if (mIs3D && !mD3D->InitFromDDInterface(this)) {
    mLastError = "3D init error: " + mD3D->mLastD3DError;
    return RESULT_UNKNOWN;
  }
  ++mInitCount;
  mInitialized = true;
  return RESULT_OK;
}

int32_t DDInterface::InitWindowed() {
  DebugPrintW(L"Hack aspect is                   [%2d:%2d]\n", mApp ? mApp->mWindowAspectNum : 4,
              mApp ? mApp->mWindowAspectDen : 3);
  if (mApp && mApp->mWindowAspectOverride) {
    Ratio hack(mApp->mWindowAspectNum, mApp->mWindowAspectDen);
    if (hack.mDenominator > 0 && mAspect.IsLess(hack)) {
      mIsWidescreen = true;
      mDisplayWidth = int32_t(int64_t(hack.mNumerator) * mHeight / hack.mDenominator);
      mDisplayHeight = mHeight;
      mDisplayAspect = hack;
      if (mApp->mStretch) {
        mWidth = mDisplayWidth;
        mHeight = mDisplayHeight;
        mAspect = mDisplayAspect;
        mPresentRect = Rect(0, 0, mDisplayWidth, mDisplayHeight);
      } else {
        mPresentRect = Rect((mDisplayWidth - mWidth) / 2, 0, mWidth, mHeight);
      }
    }
  }
  DebugPrintW(L"Window is            %4lu x %4lu [%2d:%2d]\n", (unsigned long)mDisplayWidth,
              (unsigned long)mDisplayHeight, mDisplayAspect.mNumerator, mDisplayAspect.mDenominator);
  mDevice->SetCooperativeLevel(false);
  // The window's client area takes the display size (its placement is the window's own).
  if (CheckResult(mDevice->SetWindowSize(mDisplayWidth, mDisplayHeight), "SetWindowSize Windowed"))
    return RESULT_SURFACE_FAIL;
  Result r = mDevice->CreatePrimary(0, &mPrimarySurface);
  if (r == Result::Ok && mPrimarySurface->Format().mBitCount != 16 && mPrimarySurface->Format().mBitCount != 32)
    r = Result::InvalidPixelFormat;
  if (r == Result::InvalidPixelFormat) {
    CheckResult(r, "CreateSurface Windowed Primary");
    mPrimarySurface.reset();
    return RESULT_INVALID_COLORDEPTH;
  }
  if (CheckResult(r, "CreateSurface Windowed Primary")) return RESULT_SURFACE_FAIL;
  SurfaceDesc desc;
  desc.mWidth = mWidth;
  desc.mHeight = mHeight;
  if (CheckResult(CreateSurface(desc, &mDrawSurface), "CreateSurface Windowed DrawSurface")) return RESULT_SURFACE_FAIL;
  return RESULT_OK;
}

int32_t DDInterface::InitFullScreen() {
  DebugPrintW(L"Desktop is           %4lu x %4lu [%2d:%2d]\n", (unsigned long)mDesktopWidth,
              (unsigned long)mDesktopHeight, mDesktopAspect.mNumerator, mDesktopAspect.mDenominator);
  if (mIs3D && mAspect.IsLess(mDesktopAspect) && mHeight > 0 && mDesktopHeight > 0) {
    mIsWidescreen = true;
    mDisplayWidth = mDesktopWidth;
    mDisplayHeight = mDesktopHeight;
    mDisplayAspect = mDesktopAspect;
    if (mApp && mApp->mStretch) {
      mAspect = mDesktopAspect;
      mWidth = int32_t(int64_t(mDesktopAspect.mNumerator) * mHeight / mDesktopAspect.mDenominator);
      mPresentRect = Rect(0, 0, mDesktopWidth, mDesktopHeight);
    } else {
      int32_t w = int32_t(int64_t(mWidth) * mDesktopHeight / mHeight);
      mPresentRect = Rect((mDesktopWidth - w) / 2, 0, w, mDesktopHeight);
    }
  }
  DebugPrintW(L"Display is           %4lu x %4lu [%2d:%2d]\n", (unsigned long)mDisplayWidth,
              (unsigned long)mDisplayHeight, mDisplayAspect.mNumerator, mDisplayAspect.mDenominator);
  if (CheckResult(mDevice->SetCooperativeLevel(true), "SetCooperativeLevel FullScreen")) return RESULT_EXCLUSIVE_FAIL;
  if (CheckResult(mDevice->SetDisplayMode(mDisplayWidth, mDisplayHeight, mColorDepth), "SetDisplayMode FullScreen"))
    return RESULT_DISPCHANGE_FAIL;
  if (CheckResult(mDevice->CreatePrimary(1, &mPrimarySurface), "CreateSurface FullScreen Primary"))
    return RESULT_SURFACE_FAIL;
  mSecondarySurface = mPrimarySurface->BackBuffer();
  if (!mSecondarySurface) {
    CheckResult(Result::NotFlippable, "GetAttachedSurface");
    return RESULT_SURFACE_FAIL;
  }
  if (mIsWidescreen) {
    // The bars stay black.
    mPrimarySurface->Fill(nullptr, 0);
    mSecondarySurface->Fill(nullptr, 0);
  }
  SurfaceDesc desc;
  desc.mWidth = mWidth;
  desc.mHeight = mHeight;
  if (CheckResult(CreateSurface(desc, &mDrawSurface), "CreateSurface FullScreen DrawSurface"))
    return RESULT_SURFACE_FAIL;
  return RESULT_OK;
}

void DDInterface::BuildFormatTables() {
  auto saturate = [](std::vector<int32_t>& table, int32_t bits) {
    int32_t max = (1 << bits) - 1;
    table.assign(size_t(2 * max + 1), 0);
    for (int32_t i = 0; i <= 2 * max; ++i) table[size_t(i)] = std::min(i, max);
  };
  saturate(mRedSaturate, mRedBits);
  saturate(mGreenSaturate, mGreenBits);
  saturate(mBlueSaturate, mBlueBits);
  for (uint32_t i = 0; i < 256; ++i) {
    mRedTable[i] = uint32_t((uint64_t(i) * mRedMask) / 255) & mRedMask;
    mGreenTable[i] = uint32_t((uint64_t(i) * mGreenMask) / 255) & mGreenMask;
    mBlueTable[i] = uint32_t((uint64_t(i) * mBlueMask) / 255) & mBlueMask;
  }
}

void DDInterface::SetDrawInVideoMemory(bool flag) {
  Lock lock(mLock);
  mDrawInVideoMemory = flag;
  if (flag && !mSecondarySurface && mDevice) {
    SurfaceDesc desc;
    desc.mWidth = mWidth;
    desc.mHeight = mHeight;
    desc.mMemory = Platform::Video::Memory::Video;
    if (CreateSurface(desc, &mSecondarySurface) != Result::Ok) mDrawInVideoMemory = false;
  }
  mScreenImage.reset();
  std::shared_ptr<Surface> target = mDrawInVideoMemory ? mSecondarySurface : mDrawSurface;
  if (!target) return;
  mScreenImage = std::make_unique<DDImage>(this);
  mScreenImage->SetSurface(target);
  mScreenImage->mWantsVideoMemory = mDrawInVideoMemory;
  // Only a 3D device would own a video-memory screen; software drawing reaches it otherwise.
  mScreenImage->mNoSoftwareAccess = mDrawInVideoMemory && mIs3D;
  mScreenImage->SetImageMode(false, false);
}

void DDInterface::Cleanup() {
  Lock lock(mLock);
  mInitialized = false;
  if (mD3D) mD3D->Cleanup();
  mOldCursorImage.reset();
  mNewCursorImage.reset();
  mOldCursorArea.reset();
  mNewCursorArea.reset();
  mScreenImage.reset();
  mDrawSurface.reset();
  mSecondarySurface.reset();
  mPrimarySurface.reset();
  mIsWidescreen = false;
  mCursorSaved = false;
  if (mDevice) mDevice->SetCooperativeLevel(false);
  mDevice.reset();
}

std::unique_ptr<DDImage> DDInterface::CreateImage() { return std::make_unique<DDImage>(this); }

void DDInterface::AddImage(DDImage* image) {
  Lock lock(mLock);
  mImages.insert(image);
}

void DDInterface::RemoveImage(DDImage* image) {
  Lock lock(mLock);
  mImages.erase(image);
}

size_t DDInterface::ImageCount() {
  Lock lock(mLock);
  return mImages.size();
}

// ---------------------------------------------------------------------------------------------
// Presenting

bool DDInterface::Redraw(const Rect* clipRect) {
  Lock lock(mLock);
  if (!mInitialized || !mDrawSurface || !mPrimarySurface) return false;
  if (mIs3D) {
    // A failed 3D call: this frame is not shown and drawing goes on in software.
    if (!mD3D->mLastD3DError.empty()) {
      LogMessage("WARNING: 3D drawing failed (%s); drawing in software from now on", mD3D->mLastD3DError.c_str());
      mIs3D = false;
      return false;
    }
    mD3D->Flush();
  }
  mInRedraw = true;
  Area src{0, 0, mWidth, mHeight};
  Area dst = ToArea(mPresentRect);
  if (clipRect && !mIsWidescreen) {
    Rect c = clipRect->Intersection(Rect(0, 0, mWidth, mHeight)).Intersection(mPresentRect);
    src = dst = ToArea(c);
  }
  Result result = Result::Ok;
  const bool oneToOne = mPresentRect.mWidth == mWidth && mPresentRect.mHeight == mHeight && mPresentRect.mX == 0 &&
                        mPresentRect.mY == 0;
  if (mApp && mApp->mWaitForVSync && !mApp->mTimedVSync && mVSyncFailures < 3 &&
      mDevice->WaitForVerticalBlank() != Result::Ok)
    ++mVSyncFailures;
  if (src.Width() <= 0 || src.Height() <= 0) {
    result = Result::Ok;
  } else if (mWindowed && !mDrawInVideoMemory && oneToOne) {
    // The cursor becomes part of the frame, and its background goes back into the draw surface.
    mCursorDrawnX = mCursorX.load();
    mCursorDrawnY = mCursorY.load();
    DrawCursor(mDrawSurface.get());
    result = mPrimarySurface->Blt(&dst, mDrawSurface.get(), &src, 0);
    if (mCursorSaved) {
      RestoreCursorArea(mDrawSurface.get());
      mCursorSaved = true;
    }
    CheckResult(result, "Redraw Windowed");
  } else {
    // The picture goes onto the screen (through the back buffer when flipping), and the cursor
    // is drawn over it there with its background saved from the new picture.
    Surface* from = mDrawInVideoMemory && mSecondarySurface ? mSecondarySurface.get() : mDrawSurface.get();
    const bool flip = !mWindowed && mApp && mApp->mPageFlip && !mApp->mFlipDisabled && mSecondarySurface;
    Surface* target = flip ? mSecondarySurface.get() : mPrimarySurface.get();
    // The stretched copy onto a screen nobody sees (a headless run keeping no frames) is left
    // out: it is the dearest step of a headless frame, and the picture itself stays drawn.
    if (from != target && mDevice->ShowsFrames()) result = target->Blt(&dst, from, &src, 0);
    mCursorSaved = false;
    mCursorDrawnX = mCursorX.load();
    mCursorDrawnY = mCursorY.load();
    DrawCursor(target);
    if (flip && result == Result::Ok) result = mPrimarySurface->Flip();
    CheckResult(result, mWindowed ? "Redraw Windowed" : flip ? "Redraw FullScreen Flip" : "Redraw FullScreen Blt");
  }
  mInRedraw = false;
  mDevice->PresentIfChanged();
  // Pictures drawn for the first time let their decoded pixels go (a level's first frames drop
  // megabytes of them); the allocator is asked to give the pages back once enough went.
  if (MemoryImage::TakeDroppedBytes(kReturnMemoryAfterBytes)) Platform::ReturnFreeMemory();
  return result == Result::Ok;
}

bool DDInterface::PresentIfChanged() {
  Lock lock(mLock);
  return mDevice && mDevice->PresentIfChanged();
}

// ---------------------------------------------------------------------------------------------
// The software cursor

bool DDInterface::SetCursorImage(Image* image) {
  Lock lock(mLock);
  if (image == mCursorImage) return false;
  mCursorImage = image;
  return true;
}

void DDInterface::SetCursorPos(int32_t x, int32_t y) {
  mCursorX = x;
  mCursorY = y;
  if (mInRedraw) return;
  Lock lock(mLock);
  if (!mInitialized || !mPrimarySurface) return;
  if (mCursorSaved) {
    MoveCursor(mPrimarySurface.get(), x, y);
  } else {
    mCursorDrawnX = x;
    mCursorDrawnY = y;
    DrawCursor(mPrimarySurface.get());
  }
}

Rect DDInterface::CursorRect(const Surface* surface, int32_t x, int32_t y, int32_t* offsetX, int32_t* offsetY) const {
  Rect bounds(0, 0, mWidth, mHeight);
  const bool screen = surface == mPrimarySurface.get() || (surface == mSecondarySurface.get() && !mWindowed);
  if (screen) {
    // The screen: picture positions are scaled into the presentation rectangle.
    if (mWidth > 0 && mHeight > 0) {
      x = mPresentRect.mX + int32_t(int64_t(x) * mPresentRect.mWidth / mWidth);
      y = mPresentRect.mY + int32_t(int64_t(y) * mPresentRect.mHeight / mHeight);
    }
    bounds = mPresentRect.Intersection(Rect(0, 0, surface->Width(), surface->Height()));
  }
  Rect area(x - mCursorAreaWidth / 2, y - mCursorAreaHeight / 2, mCursorAreaWidth, mCursorAreaHeight);
  Rect r = area.Intersection(bounds);
  *offsetX = r.mX - area.mX;
  *offsetY = r.mY - area.mY;
  return r;
}

void DDInterface::DrawCursorImageInto(DDImage* area, int32_t x, int32_t y) {
  Graphics g(area);
  g.DrawImage(mCursorImage, x, y);
}

void DDInterface::DrawCursor(Surface* surface) {
  if (!mCursorImage || !mPrimarySurface || !surface) {
    mCursorSaved = false;
    return;
  }
  int32_t ox = 0, oy = 0;
  Rect r = CursorRect(surface, mCursorDrawnX, mCursorDrawnY, &ox, &oy);
  if (r.mWidth <= 0) {
    mCursorSaved = false;
    return;
  }
  Area onSurface = ToArea(r);
  Area inArea{ox, oy, ox + r.mWidth, oy + r.mHeight};
  mCursorSaved = mOldCursorArea->Blt(&inArea, surface, &onSurface, 0) == Result::Ok;
  if (!mCursorSaved) return;
  const int32_t cx = (mCursorAreaWidth - mCursorImage->GetWidth()) / 2;
  const int32_t cy = (mCursorAreaHeight - mCursorImage->GetHeight()) / 2;
  if (surface == mDrawSurface.get() && !mIs3D && mScreenImage && !mDrawInVideoMemory) {
    DrawCursorImageInto(mScreenImage.get(), mCursorDrawnX - mCursorAreaWidth / 2 + cx,
                        mCursorDrawnY - mCursorAreaHeight / 2 + cy);
    return;
  }
  mNewCursorArea->Blt(nullptr, mOldCursorArea.get(), nullptr, 0);
  DrawCursorImageInto(mNewCursorImage.get(), cx, cy);
  surface->Blt(&onSurface, mNewCursorArea.get(), &inArea, 0);
}

void DDInterface::RestoreCursorArea(Surface* surface) {
  if (!mCursorSaved || !mPrimarySurface || !surface) return;
  int32_t ox = 0, oy = 0;
  Rect r = CursorRect(surface, mCursorDrawnX, mCursorDrawnY, &ox, &oy);
  if (r.mWidth > 0) {
    Area onSurface = ToArea(r);
    Area inArea{ox, oy, ox + r.mWidth, oy + r.mHeight};
    surface->Blt(&onSurface, mOldCursorArea.get(), &inArea, 0);
    if (surface == mDrawSurface.get() && mScreenImage) mScreenImage->DeleteMemoryBuffers();
  }
  mCursorSaved = false;
}

void DDInterface::MoveCursor(Surface* surface, int32_t x, int32_t y) {
  // Presenting happens later on the main thread and sees either state whole, so putting the old
  // background back and drawing at the new place never shows a missing cursor.
  RestoreCursorArea(surface);
  mCursorDrawnX = x;
  mCursorDrawnY = y;
  DrawCursor(surface);
}

}  // namespace Vesk
