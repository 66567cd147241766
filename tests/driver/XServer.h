#pragma once
// An X server of its own for a test that needs a real window (Xvfb), and a look-up of the
// programs such a test runs; without them the test is skipped.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "driver/WaitUntil.h"

// True when the program is found on the PATH.
inline bool HasProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string paths = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= paths.size();) {
    const size_t end = std::min(paths.find(':', start), paths.size());
    if (access((paths.substr(start, end - start) + "/" + name).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

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
    // The server writes its display number once it is up: waited for a minute at most.
    std::string number;
    char c = 0;
    pollfd ready{fds[0], POLLIN, 0};
    const auto limit = std::chrono::steady_clock::now() + kTestWaitLimit;
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
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  bool IsUp() const { return !mDisplay.empty(); }

 private:
  pid_t mPid = -1;
  std::string mDisplay;
};
