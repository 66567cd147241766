#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/window/InputEvent.h"

namespace Platform {

// The game's one window: a fixed logical size (1024 by 768) shown in a window or stretched
// over the desktop in full screen. Input arrives as queued InputEvents in logical pixels.
class Window {
 public:
  Window();
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Opens the window hidden; false with the reason when video or the window cannot start.
  bool Create(const std::string& title, int width, int height, bool windowed, std::string* error);
  void Destroy();
  bool IsOpen() const;
  void Show();
  void SetTitle(const std::string& title);
  // Switches between a window and desktop full screen; false when the switch failed.
  bool SetWindowed(bool windowed);
  bool IsWindowed() const;
  int Width() const;
  int Height() const;

  // Moves every pending system event into the queue, translated to InputEvents.
  void PumpEvents(std::deque<InputEvent>& queue);
  // Shows a frame of 0xAARRGGBB pixels of the window's logical size. The window makes its own
  // renderer for this on first use; a video presenter working on the window uses NativeHandle
  // instead, and then this is never called.
  void Present(const uint32_t* pixels, int pitchBytes);
  // Shows or hides the system's mouse pointer over the window (hidden while the game draws its own).
  void ShowSystemCursor(bool show);
  // The system's window object, for the video layer; null while the window is not open.
  void* NativeHandle() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> mImpl;
};

// Puts the system's window (NativeHandle) over its whole display, or back into a window of the
// given size, centred. Full screen is asked of the window manager, and the window is also made
// borderless and placed over the display itself: on a bare X server nobody would resize it, and
// the picture would be scaled for a window that is not there. False when the switch failed.
bool SetFullScreen(void* nativeWindow, bool fullScreen, int windowedWidth, int windowedHeight);

// Translates an SDL key code into the game's virtual-key number (0 when it has none).
int VirtualKeyFromSdl(int sdlKeycode);

// True when the video driver is SDL's "dummy" (headless runs).
bool IsHeadlessVideo();

}  // namespace Platform
