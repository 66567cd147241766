#pragma once
// The 2D video device: memory surfaces in a pixel format of 16 or 32 bits, locked for software
// access, blitted (same size or scaled, with an optional source colour key), flipped, and a
// primary surface that a presenter shows on the screen (an SDL2 window, or kept in memory when
// there is no screen). Every call answers a named result code.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/video/Faults.h"

namespace Platform::Video {

enum class Result : int32_t {
  Ok = 0,
  Generic,
  InvalidParams,
  InvalidPixelFormat,
  InvalidMode,
  InvalidRect,
  OutOfMemory,
  OutOfVideoMemory,
  SurfaceBusy,
  NotLocked,
  NotFlippable,
  NoExclusiveMode,
  NoPrimary,
  Unsupported,
  InvalidCall,  // a call out of order (e.g. a draw outside a scene)
};

// The result's name, e.g. "VIDEO_SURFACEBUSY"; "VIDEO_OK" for success.
const char* ResultName(Result result);

// Bit count and the place of each colour channel. Pixels are stored in native byte order
// (a 16-bit pixel is one uint16_t, a 32-bit one a uint32_t, a 24-bit one three bytes, low first).
struct PixelFormat {
  int32_t mBitCount = 0;
  uint32_t mRedMask = 0;
  uint32_t mGreenMask = 0;
  uint32_t mBlueMask = 0;

  static constexpr PixelFormat X8R8G8B8() { return {32, 0x00FF0000u, 0x0000FF00u, 0x000000FFu}; }
  static constexpr PixelFormat R5G6B5() { return {16, 0xF800u, 0x07E0u, 0x001Fu}; }
  static constexpr PixelFormat X1R5G5B5() { return {16, 0x7C00u, 0x03E0u, 0x001Fu}; }
  static constexpr PixelFormat R8G8B8() { return {24, 0x00FF0000u, 0x0000FF00u, 0x000000FFu}; }
  // Palette-indexed: no channel masks.
  static constexpr PixelFormat Indexed8() { return {8, 0, 0, 0}; }
  // The format of a colour depth setting: 32, 16 (R5G6B5) or 15 (X1R5G5B5); 24 and 8 give the
  // formats of such screens. Anything else gives a format with no bits.
  static PixelFormat FromDepth(int32_t depth);

  int32_t BytesPerPixel() const { return (mBitCount + 7) / 8; }
  uint32_t RgbMask() const { return mRedMask | mGreenMask | mBlueMask; }
  bool operator==(const PixelFormat& o) const {
    return mBitCount == o.mBitCount && mRedMask == o.mRedMask && mGreenMask == o.mGreenMask &&
           mBlueMask == o.mBlueMask;
  }
};

// A rectangle given by its edges; right and bottom are exclusive.
struct Area {
  int32_t mLeft = 0;
  int32_t mTop = 0;
  int32_t mRight = 0;
  int32_t mBottom = 0;
  int32_t Width() const { return mRight - mLeft; }
  int32_t Height() const { return mBottom - mTop; }
};

enum class Memory { System, Video };

struct SurfaceDesc {
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  Memory mMemory = Memory::System;
  // A format with no bits takes the display's format.
  PixelFormat mFormat;
  // A target for a 3D device of this device (the faults "targetbits" and "fail:CreateSurface"
  // act on such surfaces only).
  bool mRenderTarget3D = false;
};

// What an adapter says of itself.
struct DeviceIdentifier {
  std::string mDriver;
  std::string mDescription;
};

// What a lock hands out: the first pixel, the bytes from one row to the next, and the format.
struct LockInfo {
  uint8_t* mBits = nullptr;
  int32_t mPitch = 0;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  PixelFormat mFormat;
};

// Blit flags.
constexpr uint32_t BLT_KEYSRC = 1;  // skip source pixels equal to the source's colour key

class Device;
class Presenter;
class SoftDevice;

class Surface {
 public:
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int32_t Width() const { return mWidth; }
  int32_t Height() const { return mHeight; }
  const PixelFormat& Format() const { return mFormat; }
  int32_t Pitch() const { return mPitch; }
  Memory GetMemory() const { return mMemory; }
  bool IsPrimary() const { return mPrimary; }

  // Software access to the whole surface. A surface is locked once: a second lock answers
  // SurfaceBusy until the unlock.
  Result Lock(LockInfo* out);
  Result Unlock();
  bool IsLocked() const { return mLocked; }
  // How many locks succeeded over the surface's life.
  uint64_t LockCount() const { return mLockCount; }

  // The source colour key, compared on the red, green and blue bits only.
  void SetColorKey(uint32_t key);
  void ClearColorKey() { mHasColorKey = false; }
  bool HasColorKey() const { return mHasColorKey; }
  uint32_t ColorKey() const { return mColorKey; }

  // Copies the source area into the destination area of this surface, scaling by the nearest
  // pixel when the sizes differ. Null areas mean the whole surface. Areas must lie inside their
  // surfaces (InvalidRect otherwise); both formats must match; neither surface may be locked.
  Result Blt(const Area* dst, Surface* src, const Area* srcArea, uint32_t flags);
  // Sets every pixel of the area (the whole surface when null) to the raw value.
  Result Fill(const Area* dst, uint32_t value);
  // Primary with a back buffer: the back buffer's picture becomes the visible one.
  Result Flip();
  std::shared_ptr<Surface> BackBuffer() const { return mBackBuffer; }

  // Raw reading of one pixel (tests, screenshots); 0 outside.
  uint32_t PixelAt(int32_t x, int32_t y) const;
  const uint8_t* Pixels() const { return reinterpret_cast<const uint8_t*>(mStorage.data()); }

 private:
  friend class Device;
  friend class SoftDevice;
  // The lock as it is, whatever format a fault makes Lock report (the 3D device draws through it).
  Result LockAsStored(LockInfo* out);
  Surface(int32_t width, int32_t height, const PixelFormat& format, Memory memory,
          std::shared_ptr<std::atomic<int64_t>> videoUsed);
  uint8_t* Row(int32_t y) { return reinterpret_cast<uint8_t*>(mStorage.data()) + size_t(y) * size_t(mPitch); }
  void MarkChanged();

  int32_t mWidth = 0;
  int32_t mHeight = 0;
  int32_t mPitch = 0;
  PixelFormat mFormat;
  Memory mMemory = Memory::System;
  std::vector<uint32_t> mStorage;
  bool mLocked = false;
  uint64_t mLockCount = 0;
  bool mHasColorKey = false;
  uint32_t mColorKey = 0;
  bool mPrimary = false;
  std::shared_ptr<Surface> mBackBuffer;
  // Set on the primary by every change; the device shows it and clears it.
  std::shared_ptr<std::atomic<bool>> mChanged;
  std::shared_ptr<std::atomic<int64_t>> mVideoUsed;
  // Bit count a lock reports under the fault "targetbits" (0: the surface's own).
  int32_t mReportedBits = 0;
};

// Shows the primary surface somewhere: a screen, or memory.
class Presenter {
 public:
  virtual ~Presenter() = default;
  virtual int32_t DesktopWidth() const = 0;
  virtual int32_t DesktopHeight() const = 0;
  virtual PixelFormat DesktopFormat() const = 0;
  // The monitor's refresh rate in Hz; 0 when unknown.
  virtual uint32_t RefreshRate() const = 0;
  // Size of the window's client area, where a windowed primary is shown.
  virtual void ClientSize(int32_t* width, int32_t* height) const = 0;
  // Gives the screen a size and format: a client area of that size in a window, or a display
  // mode in full screen.
  virtual Result SetMode(int32_t width, int32_t height, const PixelFormat& format, bool fullScreen) = 0;
  virtual void SetVSync(bool on) = 0;
  // Shows a picture of the mode's size and format.
  virtual void Present(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                       const PixelFormat& format) = 0;
  // False when nothing shows or reads the presented pictures (a headless run that keeps none):
  // the display can then leave out the copy of its picture onto the screen.
  virtual bool ShowsFrames() const { return true; }
  // True once after the window lost what it showed (another window lay over it and went, and
  // nothing keeps a copy): the picture is to be presented again even when it has not changed.
  virtual bool TakeRepaint() { return false; }
};

// The device: display modes, surface creation, the primary and its presenter.
class Device {
 public:
  // `videoMemoryBytes` is the budget of video-memory surfaces.
  explicit Device(std::unique_ptr<Presenter> presenter, int64_t videoMemoryBytes = int64_t(256) << 20);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  Presenter* GetPresenter() const { return mPresenter.get(); }
  // Whether anything shows or reads what the primary presents.
  bool ShowsFrames() const { return mPresenter && mPresenter->ShowsFrames(); }

  // Exclusive full-screen use (display modes may change) or normal windowed use.
  Result SetCooperativeLevel(bool exclusiveFullScreen);
  // Needs exclusive use. The depth is 32, 16 or 15.
  Result SetDisplayMode(int32_t width, int32_t height, int32_t depth);
  // Windowed use: the client area becomes this size.
  Result SetWindowSize(int32_t width, int32_t height);
  // The format new surfaces take: the display mode's in full screen, the desktop's in a window.
  PixelFormat DisplayFormat() const;
  int32_t DisplayWidth() const;
  int32_t DisplayHeight() const;

  // The visible surface: the client area's size in a window, the mode's in full screen, where
  // `backBuffers` (0 or 1) asks for a flip chain.
  Result CreatePrimary(int32_t backBuffers, std::shared_ptr<Surface>* out);
  Result CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>* out);

  Result GetMonitorFrequency(uint32_t* hz) const;
  // Waits for the next refresh when the presenter can; Unsupported otherwise.
  Result WaitForVerticalBlank();
  int64_t VideoMemoryTotal() const { return mVideoTotal; }
  int64_t VideoMemoryFree() const { return mVideoTotal - mVideoUsed->load(); }

  // Shows the primary when it changed since it was last shown. Returns true when it presented.
  bool PresentIfChanged();
  uint64_t PresentCount() const { return mPresentCount; }

  // The 3D side, as the capability test meets it. The faults of the setting "D3DFault" act here
  // and in the 3D devices made afterwards.
  void SetFaults(DeviceFaults faults) { mFaults = std::move(faults); }
  const DeviceFaults& Faults() const { return mFaults; }
  // False under the fault "nocreateex".
  bool Offers3D() const { return !mFaults.mNo3D; }
  // Bytes of video memory the device has for surfaces.
  Result GetAvailableVidMem(int64_t* totalBytes);
  // Driver "" (nothing to date), description "SoftDevice".
  Result GetDeviceIdentifier(DeviceIdentifier* out);
  // A 3D device drawing into the target.
  Result CreateDevice(std::shared_ptr<Surface> target, std::unique_ptr<SoftDevice>* out);
  // How often the 3D-side calls above and CreateSurface were made (failed ones included).
  uint64_t CallCount(const std::string& name) const;

 private:
  Result Enter(const char* call);

  std::unique_ptr<Presenter> mPresenter;
  bool mExclusive = false;
  int32_t mModeWidth = 0;
  int32_t mModeHeight = 0;
  PixelFormat mModeFormat;
  std::weak_ptr<Surface> mPrimary;
  int64_t mVideoTotal;
  std::shared_ptr<std::atomic<int64_t>> mVideoUsed;
  uint64_t mPresentCount = 0;
  DeviceFaults mFaults;
  std::vector<std::pair<std::string, uint64_t>> mCalls;
};

// Keeps each presented frame in memory, read as 0xFFRRGGBB words; desktop, client size and
// refresh rate are whatever it is told. A present costs one copy of the picture; the words are
// made when the frame is read.
class HeadlessPresenter : public Presenter {
 public:
  HeadlessPresenter(int32_t desktopWidth = 1920, int32_t desktopHeight = 1080,
                    PixelFormat desktopFormat = PixelFormat::X8R8G8B8(), uint32_t refreshRate = 60);

  int32_t DesktopWidth() const override { return mDesktopWidth; }
  int32_t DesktopHeight() const override { return mDesktopHeight; }
  PixelFormat DesktopFormat() const override { return mDesktopFormat; }
  uint32_t RefreshRate() const override { return mRefreshRate; }
  void ClientSize(int32_t* width, int32_t* height) const override;
  Result SetMode(int32_t width, int32_t height, const PixelFormat& format, bool fullScreen) override;
  void SetVSync(bool on) override { mVSync = on; }
  void Present(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
               const PixelFormat& format) override;

  // Test settings.
  void SetClientSize(int32_t width, int32_t height);
  void SetRefreshRate(uint32_t hz) { mRefreshRate = hz; }
  void RefuseModes(bool refuse) { mRefuseModes = refuse; }
  // Off: a present only counts the frame and its size (LastFrame stays empty), for a headless
  // run nobody reads the pictures of.
  void KeepFrames(bool keep) { mKeepFrames = keep; }
  bool ShowsFrames() const override { return mKeepFrames; }

  const std::vector<uint32_t>& LastFrame() const;
  int32_t FrameWidth() const { return mFrameWidth; }
  int32_t FrameHeight() const { return mFrameHeight; }
  uint64_t FrameCount() const { return mFrameCount; }
  bool IsFullScreen() const { return mFullScreen; }
  bool VSync() const { return mVSync; }

 private:
  int32_t mDesktopWidth, mDesktopHeight;
  PixelFormat mDesktopFormat;
  uint32_t mRefreshRate;
  int32_t mClientWidth = 0;
  int32_t mClientHeight = 0;
  bool mFullScreen = false;
  bool mVSync = false;
  bool mRefuseModes = false;
  bool mKeepFrames = true;
  // The last picture as presented (rows without padding), and its words once read.
  std::vector<uint8_t> mRaw;
  size_t mRawPitch = 0;
  PixelFormat mRawFormat;
  mutable std::vector<uint32_t> mFrame;
  mutable bool mConverted = true;
  int32_t mFrameWidth = 0;
  int32_t mFrameHeight = 0;
  uint64_t mFrameCount = 0;
};

// The presenter for a window: an SDL2 streaming texture in the primary's own format on the
// window whose native handle is given. A null handle or headless video gives the headless
// presenter. `depth` is the colour depth setting (32, 16 or 15), the desktop format it reports.
std::unique_ptr<Presenter> CreatePresenter(void* nativeWindow, int32_t depth);

// Where one colour channel sits in a pixel: its mask, the shift of its lowest bit and how many
// of its bits count (at most 8).
struct ChannelShift {
  uint32_t mMask = 0;
  int32_t mShift = 0;
  int32_t mBits = 8;
  static ChannelShift Of(uint32_t mask);
  // The channel of the pixel as 0..255 (the low bits of a narrow channel zero).
  uint32_t From(uint32_t pixel) const { return mMask ? (((pixel & mMask) >> mShift) << (8 - mBits)) & 255u : 0u; }
  // A 0..255 value's top bits moved into the mask.
  uint32_t To(uint32_t c8) const { return mMask ? ((c8 >> (8 - mBits)) << mShift) & mMask : 0u; }
};

// The three channel shifts of a format, worked out once, for loops over many pixels.
struct PixelShifts {
  explicit PixelShifts(const PixelFormat& format);
  uint32_t ToArgb(uint32_t pixel) const {
    return 0xFF000000u | (mRed.From(pixel) << 16) | (mGreen.From(pixel) << 8) | mBlue.From(pixel);
  }
  uint32_t FromArgb(uint32_t argb) const {
    return mRed.To((argb >> 16) & 255u) | mGreen.To((argb >> 8) & 255u) | mBlue.To(argb & 255u);
  }
  ChannelShift mRed, mGreen, mBlue;
};

// One pixel of a surface format read back as 0xFFRRGGBB (the low bits of narrow channels zero),
// and written from 0xAARRGGBB (alpha ignored; each channel keeps its top bits).
uint32_t ToArgb(uint32_t pixel, const PixelFormat& format);
uint32_t FromArgb(uint32_t argb, const PixelFormat& format);

}  // namespace Platform::Video
