// The presenter of a real window: an SDL2 renderer (SDL's software one unless the vertical
// blank is waited for) with a streaming texture in the primary's own pixel format. The
// renderer's logical size is the display size, so the picture is scaled to the window or the
// desktop with black bars where the aspects differ, and mouse positions reach the game in
// display pixels.
#include <SDL.h>

#include <atomic>

#include "platform/video/Video.h"
#include "platform/window/Window.h"

namespace Platform::Video {

namespace {

Uint32 SdlFormat(const PixelFormat& f) {
  if (f == PixelFormat::X8R8G8B8()) return SDL_PIXELFORMAT_RGB888;
  if (f == PixelFormat::R5G6B5()) return SDL_PIXELFORMAT_RGB565;
  if (f == PixelFormat::X1R5G5B5()) return SDL_PIXELFORMAT_RGB555;
  if (f == PixelFormat::R8G8B8()) return SDL_PIXELFORMAT_RGB24;
  return SDL_PIXELFORMAT_UNKNOWN;
}

class SdlPresenter : public Presenter {
 public:
  SdlPresenter(SDL_Window* window, PixelFormat desktopFormat) : mWindow(window), mDesktopFormat(desktopFormat) {
    SDL_AddEventWatch(&WatchExposed, this);
  }
  ~SdlPresenter() override {
    SDL_DelEventWatch(&WatchExposed, this);
    DropRenderer();
  }

  int32_t DesktopWidth() const override { return DesktopMode().w; }
  int32_t DesktopHeight() const override { return DesktopMode().h; }
  PixelFormat DesktopFormat() const override { return mDesktopFormat; }
  uint32_t RefreshRate() const override {
    int r = DesktopMode().refresh_rate;
    return r > 0 ? uint32_t(r) : 0;
  }
  void ClientSize(int32_t* width, int32_t* height) const override {
    if (mModeWidth > 0) {
      *width = mModeWidth;
      *height = mModeHeight;
    } else {
      SDL_GetWindowSize(mWindow, width, height);
    }
  }

  Result SetMode(int32_t width, int32_t height, const PixelFormat& format, bool fullScreen) override {
    if (SdlFormat(format) == SDL_PIXELFORMAT_UNKNOWN) return Result::InvalidPixelFormat;
    bool isFull = (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN) != 0;
    if (!mRenderer) {
      if (!MakeRenderer()) return Result::Unsupported;
      // The renderer may have made the system's window anew, at the place it was first given:
      // a full-screen window is placed over the display again.
      if (isFull && SDL_SetWindowFullscreen(mWindow, 0) == 0) isFull = false;
    }
    if (fullScreen != isFull && !SetFullScreen(mWindow, fullScreen, width, height)) return Result::InvalidMode;
    if (!fullScreen) {
      int w = 0, h = 0;
      SDL_GetWindowSize(mWindow, &w, &h);
      if (w != width || h != height) SDL_SetWindowSize(mWindow, width, height);
    }
    SDL_RenderSetLogicalSize(mRenderer, width, height);
    mModeWidth = width;
    mModeHeight = height;
    return Result::Ok;
  }

  void SetVSync(bool on) override {
    if (on == mVSync) return;
    mVSync = on;
    if (!mRenderer) return;
    // The renderer is made anew for the other kind (the size it shows stays).
    DropRenderer();
    if (MakeRenderer() && mModeWidth > 0) SDL_RenderSetLogicalSize(mRenderer, mModeWidth, mModeHeight);
  }

  void Present(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
               const PixelFormat& format) override {
    if (!mRenderer) return;
    Uint32 sdlFormat = SdlFormat(format);
    if (sdlFormat == SDL_PIXELFORMAT_UNKNOWN) return;
    if (!mTexture || mTextureFormat != sdlFormat || mTextureWidth != width || mTextureHeight != height) {
      if (mTexture) SDL_DestroyTexture(mTexture);
      mTexture = SDL_CreateTexture(mRenderer, sdlFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
      if (!mTexture) return;
      mTextureFormat = sdlFormat;
      mTextureWidth = width;
      mTextureHeight = height;
    }
    SDL_UpdateTexture(mTexture, nullptr, pixels, pitch);
    SDL_SetRenderDrawColor(mRenderer, 0, 0, 0, 255);
    SDL_RenderClear(mRenderer);
    SDL_RenderCopy(mRenderer, mTexture, nullptr, nullptr);
    SDL_RenderPresent(mRenderer);
  }

  bool TakeRepaint() override { return mExposed.exchange(false); }

 private:
  // The window's picture was lost (on X11 without a compositor, where a closed box lay over it):
  // a game whose picture stands still would otherwise leave the box's image there.
  static int WatchExposed(void* self, SDL_Event* event) {
    auto* presenter = static_cast<SdlPresenter*>(self);
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_EXPOSED &&
        event->window.windowID == SDL_GetWindowID(presenter->mWindow))
      presenter->mExposed = true;
    return 0;
  }

  // The picture is made in memory; showing it is one scaled copy a frame, which SDL's software
  // renderer makes into the window's own surface. A GL renderer (and SDL's default GL-backed
  // window surface on X11) would load the system's GL libraries, tens of MB resident for one
  // texture: only a wait for the vertical blank, which the software renderer cannot do, asks for
  // the accelerated one.
  bool MakeRenderer() {
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    if (mVSync) mRenderer = SDL_CreateRenderer(mWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!mRenderer) mRenderer = SDL_CreateRenderer(mWindow, -1, SDL_RENDERER_SOFTWARE);
    if (!mRenderer) mRenderer = SDL_CreateRenderer(mWindow, -1, 0);
    return mRenderer != nullptr;
  }

  void DropRenderer() {
    if (mTexture) SDL_DestroyTexture(mTexture);
    if (mRenderer) SDL_DestroyRenderer(mRenderer);
    mTexture = nullptr;
    mRenderer = nullptr;
  }

  SDL_DisplayMode DesktopMode() const {
    SDL_DisplayMode mode{};
    int index = SDL_GetWindowDisplayIndex(mWindow);
    if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &mode) != 0) mode = SDL_DisplayMode{};
    return mode;
  }

  SDL_Window* mWindow;
  PixelFormat mDesktopFormat;
  SDL_Renderer* mRenderer = nullptr;
  SDL_Texture* mTexture = nullptr;
  Uint32 mTextureFormat = 0;
  int32_t mTextureWidth = 0;
  int32_t mTextureHeight = 0;
  int32_t mModeWidth = 0;
  int32_t mModeHeight = 0;
  bool mVSync = false;
  std::atomic<bool> mExposed{false};
};

}  // namespace

std::unique_ptr<Presenter> CreatePresenter(void* nativeWindow, int32_t depth) {
  PixelFormat format = PixelFormat::FromDepth(depth);
  if (!nativeWindow || IsHeadlessVideo()) {
    auto headless = std::make_unique<HeadlessPresenter>(1920, 1080, format, 60);
    // Nothing shows or reads a headless game's pictures: a present copies nothing.
    headless->KeepFrames(false);
    return headless;
  }
  return std::make_unique<SdlPresenter>(static_cast<SDL_Window*>(nativeWindow), format);
}

}  // namespace Platform::Video
