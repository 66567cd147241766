#include "platform/window/Window.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

namespace Platform {

namespace {

// Decodes UTF-8 text input into code points.
void AppendCodePoints(const char* s, std::deque<InputEvent>& queue) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) { cp = *p; extra = 0; }
    else if ((*p & 0xE0) == 0xC0) { cp = *p & 0x1F; extra = 1; }
    else if ((*p & 0xF0) == 0xE0) { cp = *p & 0x0F; extra = 2; }
    else if ((*p & 0xF8) == 0xF0) { cp = *p & 0x07; extra = 3; }
    else { ++p; continue; }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    if (!ok) continue;
    InputEvent ev;
    ev.mType = InputEvent::Type::KeyChar;
    ev.mKey = int32_t(cp);
    queue.push_back(ev);
  }
}

int ButtonNumber(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

}  // namespace

int VirtualKeyFromSdl(int key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 97 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL: case SDLK_RCTRL: return 17;
    case SDLK_LALT: case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_PRINTSCREEN: return 44;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    default: return 0;
  }
}

bool SetFullScreen(void* nativeWindow, bool fullScreen, int windowedWidth, int windowedHeight) {
  auto* window = static_cast<SDL_Window*>(nativeWindow);
  if (!window) return false;
  const bool isFull = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
  if (!fullScreen) {
    if (isFull && SDL_SetWindowFullscreen(window, 0) != 0) return false;
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowSize(window, windowedWidth, windowedHeight);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    return true;
  }
  if (isFull) return true;
  // Placed by hand first: SDL ignores sizes and positions given to a full-screen window.
  SDL_Rect bounds{0, 0, 0, 0};
  const int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, bounds.x, bounds.y);
    SDL_SetWindowSize(window, bounds.w, bounds.h);
  }
  return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

bool IsHeadlessVideo() {
  const char* d = SDL_GetCurrentVideoDriver();
  if (!d) d = SDL_getenv("SDL_VIDEODRIVER");
  return d && std::strcmp(d, "dummy") == 0;
}

struct Window::Impl {
  SDL_Window* mWindow = nullptr;
  SDL_Renderer* mRenderer = nullptr;
  SDL_Texture* mTexture = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  bool mWindowed = true;
};

Window::Window() : mImpl(std::make_unique<Impl>()) {}
Window::~Window() { Destroy(); }

bool Window::Create(const std::string& title, int width, int height, bool windowed, std::string* error) {
  Destroy();
  // The stop signals are the game's own (StopSignals.h), not turned into a window close.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    if (error) *error = SDL_GetError();
    return false;
  }
  mImpl->mWindow =
      SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_HIDDEN);
  if (!mImpl->mWindow) {
    if (error) *error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return false;
  }
  mImpl->mWidth = width;
  mImpl->mHeight = height;
  mImpl->mWindowed = windowed;
  if (!windowed) SetFullScreen(mImpl->mWindow, true, width, height);
  SDL_StartTextInput();
  return true;
}

void Window::Destroy() {
  if (!mImpl->mWindow) return;
  SDL_StopTextInput();
  if (mImpl->mTexture) SDL_DestroyTexture(mImpl->mTexture);
  if (mImpl->mRenderer) SDL_DestroyRenderer(mImpl->mRenderer);
  SDL_DestroyWindow(mImpl->mWindow);
  mImpl->mTexture = nullptr;
  mImpl->mRenderer = nullptr;
  mImpl->mWindow = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool Window::IsOpen() const { return mImpl->mWindow != nullptr; }

void Window::Show() {
  if (mImpl->mWindow) SDL_ShowWindow(mImpl->mWindow);
}

void Window::SetTitle(const std::string& title) {
  if (mImpl->mWindow) SDL_SetWindowTitle(mImpl->mWindow, title.c_str());
}

bool Window::SetWindowed(bool windowed) {
  if (!mImpl->mWindow) return false;
  if (!SetFullScreen(mImpl->mWindow, !windowed, mImpl->mWidth, mImpl->mHeight)) return false;
  mImpl->mWindowed = windowed;
  return true;
}

bool Window::IsWindowed() const { return mImpl->mWindowed; }
int Window::Width() const { return mImpl->mWidth; }
int Window::Height() const { return mImpl->mHeight; }

void Window::PumpEvents(std::deque<InputEvent>& queue) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    InputEvent ev;
    switch (e.type) {
      case SDL_QUIT:
        ev.mType = InputEvent::Type::Close;
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) ev.mType = InputEvent::Type::Close;
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) { ev.mType = InputEvent::Type::Activate; ev.mKey = 1; }
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) { ev.mType = InputEvent::Type::Activate; ev.mKey = 0; }
        else if (e.window.event == SDL_WINDOWEVENT_LEAVE) ev.mType = InputEvent::Type::MouseLeave;
        break;
      case SDL_MOUSEMOTION:
        ev.mType = InputEvent::Type::MouseMove;
        ev.mX = e.motion.x;
        ev.mY = e.motion.y;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        ev.mType = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Type::MouseDown : InputEvent::Type::MouseUp;
        ev.mX = e.button.x;
        ev.mY = e.button.y;
        ev.mButton = ButtonNumber(e.button.button);
        ev.mClicks = e.button.clicks;
        if (ev.mButton == 0) ev.mType = InputEvent::Type::None;
        break;
      case SDL_MOUSEWHEEL:
        ev.mType = InputEvent::Type::MouseWheel;
        ev.mButton = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        ev.mKey = VirtualKeyFromSdl(e.key.keysym.sym);
        if (ev.mKey != 0) ev.mType = e.type == SDL_KEYDOWN ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
        break;
      case SDL_TEXTINPUT:
        AppendCodePoints(e.text.text, queue);
        break;
      default:
        break;
    }
    if (ev.mType != InputEvent::Type::None) queue.push_back(ev);
  }
}

void* Window::NativeHandle() const { return mImpl->mWindow; }

void Window::ShowSystemCursor(bool show) {
  if (mImpl->mWindow) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void Window::Present(const uint32_t* pixels, int pitchBytes) {
  if (!mImpl->mWindow) return;
  if (!mImpl->mRenderer) {
    // A renderer is optional: without one (some headless drivers) frames are simply not shown.
    mImpl->mRenderer = SDL_CreateRenderer(mImpl->mWindow, -1, 0);
    if (!mImpl->mRenderer) mImpl->mRenderer = SDL_CreateRenderer(mImpl->mWindow, -1, SDL_RENDERER_SOFTWARE);
    if (!mImpl->mRenderer) return;
    SDL_RenderSetLogicalSize(mImpl->mRenderer, mImpl->mWidth, mImpl->mHeight);
    mImpl->mTexture = SDL_CreateTexture(mImpl->mRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                        mImpl->mWidth, mImpl->mHeight);
  }
  if (!mImpl->mTexture) return;
  SDL_UpdateTexture(mImpl->mTexture, nullptr, pixels, pitchBytes);
  SDL_RenderClear(mImpl->mRenderer);
  SDL_RenderCopy(mImpl->mRenderer, mImpl->mTexture, nullptr, nullptr);
  SDL_RenderPresent(mImpl->mRenderer);
}

}  // namespace Platform
