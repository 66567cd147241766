#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {
std::string GameBinary() { return std::string(std::getenv("CAFE_BINARY_DIR")) + "/bin/pellorcafe"; }

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Starts the game headless in a private home; returns its pid.
pid_t StartGame(const std::string& home) {
  pid_t pid = fork();
  if (pid == 0) {
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string bin = GameBinary();
    execl(bin.c_str(), bin.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// The exit code once the process has ended within ms milliseconds, else -1 (still running).
int WaitExitOrRunning(pid_t pid, int ms) {
  for (int i = 0; i < ms / 10; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

int WaitExit(pid_t pid, int seconds) {
  for (int i = 0; i < seconds * 100; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}
}  // namespace

TEST(GameProcess, StartsClosesCleanlyAndWritesItsSettings) {
  std::string home = (fs::temp_directory_path() / ("cafe_e2e_" + std::to_string(getpid()))).string();
  fs::remove_all(home);
  fs::create_directories(home + "/run");
  pid_t game = StartGame(home);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  // A second start is told that one is running and exits.
  pid_t second = StartGame(home);
  EXPECT_EQ(WaitExit(second, 20), 1);
  // The window system's quit request (SDL turns SIGTERM into one) closes the game normally. A quit
  // is ignored while the start-up loading runs, so it is repeated until the game leaves.
  int code = -1;
  for (int i = 0; i < 60 && code == -1; ++i) {
    kill(game, SIGTERM);
    code = WaitExitOrRunning(game, 500);
  }
  if (code == -1) {
    kill(game, SIGKILL);
    waitpid(game, nullptr, 0);
  }
  EXPECT_EQ(code, 0);
  std::string settings = ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini");
  EXPECT_NE(settings.find("[SOFTWARE\\Vantor Games\\Pellor Cafe]"), std::string::npos);
  EXPECT_NE(settings.find("InProgress=0"), std::string::npos);
  // The profile's options replace the settings' at start: a new profile's music volume is 30.
  EXPECT_NE(settings.find("MusicVolume=30"), std::string::npos);
  // The profile was written (start and quit), with its default tables and no player.
  EXPECT_EQ(fs::file_size(home + "/data/Vantor Games/Pellor2/pref.dat"), 7320u);
  fs::remove_all(home);
}
