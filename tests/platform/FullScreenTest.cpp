// Full screen on a bare X server, as in a kiosk with no window manager: the picture fills the
// display with its aspect kept, and the pointer reaches the game where the picture shows it.
// Each desktop size runs under an X server of its own (Xvfb); without one the test is skipped.
#include <gtest/gtest.h>

#include <SDL.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/video/Video.h"
#include "platform/window/Window.h"

// The X libraries SDL opens at run time are closed again by SDL_Quit, and what they keep until
// the process ends can then no longer be told from our own: this program checks no leaks.
extern "C" int __lsan_is_turned_off() { return 1; }

namespace {

using Platform::InputEvent;

// An Xvfb of the given size on a free display, which becomes DISPLAY while it lives.
class XServer {
 public:
  XServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    mPid = fork();
    if (mPid == 0) {
      close(fds[0]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it is up: waited for half a minute at most.
    std::string number;
    char c = 0;
    pollfd ready{fds[0], POLLIN, 0};
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < limit && poll(&ready, 1, 100) >= 0) {
      if (!(ready.revents & (POLLIN | POLLHUP))) continue;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number.push_back(c);
    }
    close(fds[0]);
    if (mPid > 0 && !number.empty()) {
      mDisplay = ":" + number;
      setenv("DISPLAY", mDisplay.c_str(), 1);
    }
  }
  ~XServer() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
  }
  bool IsUp() const { return !mDisplay.empty(); }

 private:
  pid_t mPid = -1;
  std::string mDisplay;
};

bool HasXvfb() {
  const char* path = std::getenv("PATH");
  std::string paths = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= paths.size();) {
    const size_t end = std::min(paths.find(':', start), paths.size());
    if (access((paths.substr(start, end - start) + "/Xvfb").c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Pumps the window's events until a pointer move arrives (the last one), or gives up.
bool NextMove(Platform::Window& window, InputEvent& move) {
  std::deque<InputEvent> queue;
  for (int i = 0; i < 300; ++i) {
    window.PumpEvents(queue);
    bool found = false;
    for (const InputEvent& e : queue)
      if (e.mType == InputEvent::Type::MouseMove) {
        move = e;
        found = true;
      }
    if (found) return true;
    queue.clear();
    SDL_Delay(10);
  }
  return false;
}

}  // namespace

TEST(FullScreen, ThePictureFillsABareXServerAndThePointerLandsOnIt) {
  if (!HasXvfb()) GTEST_SKIP() << "no Xvfb";
  setenv("SDL_VIDEODRIVER", "x11", 1);
  const struct {
    int w, h;
  } desktops[] = {{1280, 1024}, {1920, 1080}};
  for (const auto& desktop : desktops) {
    SCOPED_TRACE(std::to_string(desktop.w) + "x" + std::to_string(desktop.h));
    XServer server(desktop.w, desktop.h);
    ASSERT_TRUE(server.IsUp()) << "Xvfb gave no display number within half a minute";
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
      std::deque<InputEvent> queue;
      for (int i = 0; i < 20; ++i) {
        window.PumpEvents(queue);
        SDL_Delay(10);
      }

      // The window covers the display.
      int x = -1, y = -1, w = 0, h = 0;
      SDL_Window* sdl = static_cast<SDL_Window*>(window.NativeHandle());
      SDL_GetWindowPosition(sdl, &x, &y);
      SDL_GetWindowSize(sdl, &w, &h);
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
