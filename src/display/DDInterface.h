#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTester.h"
#include "graphics/NativeDisplay.h"
#include "graphics/Ratio.h"
#include "graphics/Rect.h"
#include "platform/video/Video.h"

namespace Platform {
class Window;
}

namespace Vesk {

class DDImage;
class Image;
class VeskAppBase;

// The application's one display: the video device, the surface the frame is drawn into, the
// visible (primary) surface it is presented on, the software mouse cursor drawn onto the screen,
// and the set of surface images living on the device. The main thread draws and presents, the
// cursor thread moves the cursor, loader threads create images: one recursive lock guards it all.
class DDInterface : public NativeDisplay {
 public:
  enum InitResult : int32_t {
    RESULT_OK = 0,
    RESULT_FAIL = 1,
    RESULT_DD_CREATE_FAIL = 2,
    RESULT_SURFACE_FAIL = 3,
    RESULT_EXCLUSIVE_FAIL = 4,
    RESULT_DISPCHANGE_FAIL = 5,
    RESULT_INVALID_COLORDEPTH = 6,
    RESULT_UNKNOWN = 7,
  };

  // Makes the presenter for a window and a colour depth; the default chooses the SDL window's
  // presenter, or the headless one when there is no screen.
  using PresenterFactory =
      std::function<std::unique_ptr<Platform::Video::Presenter>(Platform::Window* window, int32_t depth)>;

  explicit DDInterface(VeskAppBase* app, PresenterFactory presenterFactory = {});
  ~DDInterface() override;
  DDInterface(const DDInterface&) = delete;
  DDInterface& operator=(const DDInterface&) = delete;

  // Builds the device, the surfaces, the cursor areas and the screen image; 0 on success, else
  // an InitResult with LastError naming the failed step.
  int32_t Init(Platform::Window* window, bool windowed);
  void Cleanup();
  DDImage* GetScreenImage() const { return mScreenImage.get(); }
  // Presents the drawn frame (the clip rectangle, or the whole picture when null).
  bool Redraw(const Rect* clipRect);
  // Shows the primary surface when it changed since it was last shown (the cursor thread moved
  // the cursor). Main thread only. True when it presented.
  bool PresentIfChanged();
  // The software cursor's image (not owned; null for none). False when it was already that one.
  bool SetCursorImage(Image* image);
  // Called by the cursor thread with a position in picture coordinates; moves the cursor on the
  // screen at once unless a redraw is under way.
  void SetCursorPos(int32_t x, int32_t y);
  void SetDrawInVideoMemory(bool flag);
  // A new image of this display, for the application's image loading.
  std::unique_ptr<DDImage> CreateImage();
  void AddImage(DDImage* image);
  void RemoveImage(DDImage* image);
  size_t ImageCount();

  static std::string ResultToString(int32_t result);
  // False when the call succeeded; otherwise keeps "step: NAME" as LastError and answers true.
  bool CheckResult(Platform::Video::Result result, const char* step);
  // A surface in the display's format; refused when the display is neither 16 nor 32 bits.
  Platform::Video::Result CreateSurface(const Platform::Video::SurfaceDesc& desc,
                                        std::shared_ptr<Platform::Video::Surface>* out);
  // Runs the 3D capability test once per display (false when it ran before, or when the
  // application asks for neither the test nor 3D after it): a failure turns 3D off, a clean
  // verdict lets it follow the setting "Is3D", a warning leaves it as it is. With "Is3D" at 0 the
  // test is skipped and 3D stays off, but the verdict still passes through the demo's records.
  bool Run3DTest(Platform::Window* window);
  D3DTester* GetTester() const { return mTester.get(); }
  // Drops an image's texture.
  void ReleaseImageTexture(MemoryImage* image);
  D3DInterface* GetD3D() const { return mD3D.get(); }

  std::recursive_mutex& GetLock() { return mLock; }
  Platform::Video::Device* GetDevice() const { return mDevice.get(); }
  const std::string& GetLastError() const { return mLastError; }

  VeskAppBase* mApp;
  // Draws through the 3D layer. On from construction; Run3DTest follows the setting, and a
  // failed 3D call turns it off for the display's life (the application then starts the display
  // again in software).
  bool mIs3D = true;
  // Masks in place and the order of the channels: blue below green below red.
  uint32_t mRedMask = 0, mGreenMask = 0, mBlueMask = 0;
  bool mRGBOrder = true;

  std::atomic<bool> mInRedraw{false};
  std::shared_ptr<Platform::Video::Surface> mPrimarySurface;
  std::shared_ptr<Platform::Video::Surface> mSecondarySurface;
  std::shared_ptr<Platform::Video::Surface> mDrawSurface;
  int32_t mWidth = 0, mHeight = 0;
  Ratio mAspect;
  int32_t mDesktopWidth = 0, mDesktopHeight = 0;
  Ratio mDesktopAspect;
  bool mIsWidescreen = false;
  int32_t mDisplayWidth = 0, mDisplayHeight = 0;
  Ratio mDisplayAspect;
  Rect mPresentRect;
  int32_t mColorDepth = 32;
  uint32_t mRefreshRate = 60;
  int32_t mRefreshPeriod = 16;
  int32_t mVSyncFailures = 0;
  std::vector<int32_t> mRedSaturate, mGreenSaturate, mBlueSaturate;
  uint32_t mRedTable[256] = {}, mGreenTable[256] = {}, mBlueTable[256] = {};
  bool mInitialized = false;
  Platform::Window* mWindow = nullptr;
  bool mWindowed = true;
  bool mDrawInVideoMemory = false;
  int32_t mInitCount = 0;
  int32_t mCursorAreaWidth = 64, mCursorAreaHeight = 64;
  std::atomic<int32_t> mCursorX{0}, mCursorY{0};
  std::atomic<int32_t> mCursorDrawnX{0}, mCursorDrawnY{0};
  Image* mCursorImage = nullptr;
  bool mCursorSaved = false;
  std::shared_ptr<Platform::Video::Surface> mOldCursorArea, mNewCursorArea;
  std::unique_ptr<DDImage> mOldCursorImage, mNewCursorImage;

 private:
  // The cursor area around a picture position on a surface: clipped to the picture on the
  // draw surface, to the presentation rectangle on the primary and its back buffer. `offset`
  // receives where the clipped area starts inside the 64 x 64 area.
  Rect CursorRect(const Platform::Video::Surface* surface, int32_t x, int32_t y, int32_t* offsetX,
                  int32_t* offsetY) const;
  void DrawCursor(Platform::Video::Surface* surface);
  void RestoreCursorArea(Platform::Video::Surface* surface);
  void MoveCursor(Platform::Video::Surface* surface, int32_t x, int32_t y);
  void DrawCursorImageInto(DDImage* area, int32_t x, int32_t y);
  void BuildFormatTables();
  // Puts the faults of the setting "D3DFault" into the device (malformed entries are logged).
  void ReadDeviceFaults();
  int32_t InitWindowed();
  int32_t InitFullScreen();

  PresenterFactory mPresenterFactory;
  std::unique_ptr<D3DInterface> mD3D;
  std::unique_ptr<D3DTester> mTester;
  std::unique_ptr<Platform::Video::Device> mDevice;
  std::recursive_mutex mLock;
  std::unique_ptr<DDImage> mScreenImage;
  std::set<DDImage*> mImages;
  std::string mLastError;
};

}  // namespace Vesk
