// Full screen on a bare X server, as in a kiosk with no window manager: the picture fills the
// display with its aspect kept, and the pointer reaches the game where the picture shows it.
// Each desktop size runs under an X server of its own (Xvfb); without one the test is skipped.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "driver/WaitUntil.h"
#include "driver/XServer.h"
#include "platform/video/Video.h"
#include "platform/window/Window.h"

// The X libraries SDL opens at run time are closed again by SDL_Quit, and what they keep until
// the process ends can then no longer be told from our own: this program checks no leaks.
extern "C" int __lsan_is_turned_off() { return 1; }

namespace {

using Platform::InputEvent;

// Pumps the window's events until a pointer move arrives (the last one), or gives up after a
// minute.
bool NextMove(Platform::Window& window, InputEvent& move) {
  std::deque<InputEvent> queue;
  return WaitUntil([&] {
    window.PumpEvents(queue);
    bool found = false;
    for (const InputEvent& e : queue)
      if (e.mType == InputEvent::Type::MouseMove) {
        move = e;
        found = true;
      }
    queue.clear();
    return found;
  });
}

}  // namespace

TEST(FullScreen, ThePictureFillsABareXServerAndThePointerLandsOnIt) {
  if (!HasProgram("Xvfb")) GTEST_SKIP() << "no Xvfb";
  setenv("SDL_VIDEODRIVER", "x11", 1);
  const struct {
    int w, h;
  } desktops[] = {{1280, 1024}, {1920, 1080}};
  for (const auto& desktop : desktops) {
    SCOPED_TRACE(std::to_string(desktop.w) + "x" + std::to_string(desktop.h));
    XServer server(desktop.w, desktop.h);
    ASSERT_TRUE(server.IsUp()) << "Xvfb gave no display number within a minute";
    Platform::Window window;
    std::string error;
    ASSERT_TRUE(window.Create("full screen", 1024, 768, false, &error)) << error;
    {
      auto presenter = Platform::Video::CreatePresenter(window.NativeHandle(), 32);
      const Platform::Video::PixelFormat format = Platform::Video::PixelFormat::X8R8G8B8();
      ASSERT_EQ(presenter->SetMode(1024, 768, format, true), Platform::Video::Result::Ok);
      window.Show();
      std::vector<uint32_t> pixels(1024 * 768, 0xff806040u);
      presenter->Present(reinterpret_cast<const uint8_t*>(pixels.data()), 1024 * 4, 1024, 768, format);
      // The window covers the display once the server has answered (a minute at most).
      std::deque<InputEvent> queue;
      int x = -1, y = -1, w = 0, h = 0;
      SDL_Window* sdl = static_cast<SDL_Window*>(window.NativeHandle());
      WaitUntil([&] {
        window.PumpEvents(queue);
        SDL_GetWindowPosition(sdl, &x, &y);
        SDL_GetWindowSize(sdl, &w, &h);
        return x == 0 && y == 0 && w == desktop.w && h == desktop.h;
      });
      EXPECT_EQ(x, 0);
      EXPECT_EQ(y, 0);
      EXPECT_EQ(w, desktop.w);
      EXPECT_EQ(h, desktop.h);

      // Points of the picture, found on the display where the scaled picture shows them.
      const double scale = std::min(desktop.w / 1024.0, desktop.h / 768.0);
      const double left = (desktop.w - 1024 * scale) / 2, top = (desktop.h - 768 * scale) / 2;
      for (const auto& point : {std::pair{100, 100}, std::pair{512, 384}, std::pair{1000, 700}}) {
        SDL_WarpMouseGlobal(int(std::lround(left + point.first * scale)), int(std::lround(top + point.second * scale)));
        InputEvent move;
        ASSERT_TRUE(NextMove(window, move)) << "no pointer move for " << point.first << "," << point.second;
        EXPECT_NEAR(move.mX, point.first, 1);
        EXPECT_NEAR(move.mY, point.second, 1);
      }
    }
    window.Destroy();
  }
}
