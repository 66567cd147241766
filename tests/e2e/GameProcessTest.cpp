#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "driver/TestFolder.h"
#include "driver/WaitUntil.h"
#include "driver/XServer.h"
#include "graphics/ImageLib.h"

namespace fs = std::filesystem;

namespace {
// The waits here ask the system or run programs: every 10 ms is often enough.
constexpr std::chrono::milliseconds kPoll(10);

std::string GameBinary() { return std::string(std::getenv("CAFE_BINARY_DIR")) + "/bin/pellorcafe"; }

// The demo the screens' tests record: a first start, a name and Enter, the menu's quit, yes.
std::string QuitDemo() { return std::string(std::getenv("CAFE_BINARY_DIR")) + "/testdata/quit.dmo"; }

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// In a forked child: the home and folders of a game of its own, headless (or in a window on the
// X server of DISPLAY).
void UsePrivateHome(const std::string& home, bool windowed = false) {
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
  ::setenv("SDL_VIDEODRIVER", windowed ? "x11" : "dummy", 1);
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// Starts the game headless in a private home; returns its pid. Its standard error goes to
// `errorFile` when one is given. With `replay` it plays the quit demo; `windowed`, it opens its
// window on the X server of DISPLAY. `bin`: another copy of the game. `fileSizeLimit`: the most
// bytes it may write into one file.
pid_t StartGame(const std::string& home, const std::string& errorFile = "", bool replay = false,
                bool windowed = false, std::string bin = GameBinary(), rlim_t fileSizeLimit = RLIM_INFINITY) {
  pid_t pid = fork();
  if (pid == 0) {
    if (!errorFile.empty() && !std::freopen(errorFile.c_str(), "w", stderr)) _exit(126);
    const rlimit limit{fileSizeLimit, fileSizeLimit};
    if (fileSizeLimit != RLIM_INFINITY && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    UsePrivateHome(home, windowed);
    const std::string demo = QuitDemo();
    if (replay)
      execl(bin.c_str(), bin.c_str(), "-play", "-demofile", demo.c_str(), static_cast<char*>(nullptr));
    else
      execl(bin.c_str(), bin.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Waits until the process handles SIGTERM itself (the window system's quit request is set up);
// false when it does not within the time.
bool WaitForQuitHandler(pid_t pid, int seconds) {
  return WaitUntil([pid] {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1) return true;
    return false;
  }, std::chrono::seconds(seconds), kPoll);
}

// Waits until a game holds its single-instance lock in the runtime folder; false when none does
// within the time. A sanitised start on a busy machine can take seconds to get there.
bool WaitForInstanceLock(const std::string& runtimeDir, int seconds) {
  return WaitUntil([&] {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(runtimeDir, ec)) {
      if (entry.path().extension() != ".lock") continue;
      const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) continue;
      const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
      if (!held) ::flock(fd, LOCK_UN);
      ::close(fd);
      if (held) return true;
    }
    return false;
  }, std::chrono::seconds(seconds), kPoll);
}

// The lock files left in the folder (a game that ended, however, leaves none).
int LockFiles(const std::string& dir) {
  int count = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) count += entry.path().extension() == ".lock";
  return count;
}

// Starts the headless whole-game run in a private home, recording far beyond any end of play;
// returns its pid.
pid_t StartHeadlessRun(const std::string& home) {
  pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    UsePrivateHome(home);
    const std::string binDir = std::string(std::getenv("CAFE_BINARY_DIR")) + "/bin";
    const std::string bin = binDir + "/game_run";
    const std::string out = home + "/out";
    // The run reads the game's data from where it stands.
    if (::chdir(binDir.c_str()) != 0) _exit(126);
    execl(bin.c_str(), bin.c_str(), "--out", out.c_str(), "--record", "--no-frames", "--steps", "1000000",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// A copy of the game in a folder of its own: the same executable and packs (hard links: it finds
// its packs beside the name it was started by), all but the pack named `without`.
void MakeGameCopy(const std::string& folder, const std::string& without) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string binDir = std::string(std::getenv("CAFE_BINARY_DIR")) + "/bin";
  fs::create_hard_link(GameBinary(), folder + "/pellorcafe");
  for (const char* name : {"data.pak", "loc.pak"})
    if (name != without) fs::create_hard_link(binDir + "/" + name, folder + "/" + name);
}

// The processes whose parent is `pid`.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  std::vector<pid_t> children;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = ReadAll(entry.path() / "stat");
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) continue;
    std::istringstream rest(stat.substr(nameEnd + 1));
    char state = 0;
    long parent = 0;
    if (rest >> state >> parent && parent == pid) children.push_back(pid_t(std::stol(name)));
  }
  return children;
}

// True once the process has ended (one that nobody has reaped yet counts).
bool HasEnded(pid_t pid) {
  const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
  const size_t nameEnd = stat.rfind(')');
  return nameEnd == std::string::npos || stat.find(" Z ", nameEnd) == nameEnd + 1;
}

// The top-level windows on the X server of DISPLAY titled as the game is (its own, a system box).
int GameWindows() {
  FILE* list = ::popen("xwininfo -root -children 2>/dev/null", "r");
  if (!list) return -1;
  int count = 0;
  char line[512];
  while (std::fgets(line, sizeof line, list)) count += std::strstr(line, "\"Pellor Caf") != nullptr;
  ::pclose(list);
  return count;
}

// Whether the player's "Leave the café?" box shows, read from a picture the game takes of its
// screen (the Print Screen key, sent to its window): the box's "Yes" button is green where the
// menu's page is pale. -1 when no picture came within a minute.
int QuitBoxShows(const std::string& home);

// Runs a program with its arguments and waits for it; true when it exited with 0.
bool RunProgram(const std::vector<std::string>& args) {
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The exit code of the process (128 + the signal that ended it) once it has ended; -1 when it
// still runs after `seconds`: it is then killed.
int WaitExit(pid_t pid, int seconds) {
  int status = 0;
  if (WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(seconds), kPoll))
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

int QuitBoxShows(const std::string& home) {
  const std::string dir = home + "/data/Vantor Games/Pellor Cafe/_screenshots/";
  int next = 0;
  while (fs::exists(dir + std::to_string(next) + ".png")) ++next;
  const std::string shot = dir + std::to_string(next) + ".png";
  // The picture is written under a temporary name and then renamed: once it stands, it is whole.
  if (!RunProgram({"xdotool", "key", "Print"}) ||
      !WaitUntil([&] { return fs::exists(shot); }, kTestWaitLimit, kPoll))
    return -1;
  const std::string png = ReadAll(shot);
  auto picture = ImageLib::DecodePNG(reinterpret_cast<const uint8_t*>(png.data()), png.size(), shot);
  if (!picture || picture->GetWidth() < 1024 || picture->GetHeight() < 768) return -1;
  const uint32_t argb = picture->GetBits()[482 * picture->GetWidth() + 365];
  const int red = (argb >> 16) & 0xFF, green = (argb >> 8) & 0xFF, blue = argb & 0xFF;
  return green > red + 40 && green > blue + 20 ? 1 : 0;
}
}  // namespace

// The game replays the recorded demo: the player names herself, presses the menu's quit and
// answers the in-game box yes; the game leaves with 0, its settings and the profile written.
// A second start meanwhile is told that one is running and exits.
TEST(GameProcess, QuitsThroughTheInGameBoxAndWritesItsSettings) {
  ASSERT_TRUE(fs::exists(QuitDemo())) << "the screens' tests record it first";
  const std::string home = FreshTempFolder("cafe_e2e").string();
  fs::create_directories(home + "/run");
  pid_t game = StartGame(home, home + "/stderr.txt", true);
  EXPECT_TRUE(WaitForInstanceLock(home + "/run", 60));
  pid_t second = StartGame(home);
  EXPECT_EQ(WaitExit(second, 60), 1);
  EXPECT_EQ(WaitExit(game, 120), 0) << ReadAll(home + "/stderr.txt");
  EXPECT_EQ(LockFiles(home + "/run"), 0);
  // The in-game box asks on the screen only.
  EXPECT_EQ(ReadAll(home + "/stderr.txt").find("Leave the caf"), std::string::npos);
  std::string settings = ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini");
  EXPECT_NE(settings.find("[SOFTWARE\\Vantor Games\\Pellor Cafe]"), std::string::npos);
  EXPECT_NE(settings.find("InProgress=0"), std::string::npos);
  // The volumes and the screen mode are kept in the profile only.
  EXPECT_EQ(settings.find("MusicVolume"), std::string::npos) << settings;
  // The profile holds the header, both tables and the one player named in the demo.
  const std::string pref = ReadAll(home + "/data/Vantor Games/Pellor2/pref.dat");
  EXPECT_GT(pref.size(), 7320u);
  EXPECT_NE(pref.find(std::string("A\0l\0i\0c\0e\0", 10)), std::string::npos);
  fs::remove_all(home);
}

// Stopped by SIGTERM at several moments of its start (start-up loading, the menu, the name dialog),
// a game without a window anyone could see asks nothing: it leaves at once, saving what a quit
// saves (the settings with the run's mark cleared, the profile), and ends by the signal. Nothing
// is freed under a loader (a sanitizer report would end the process with another code).
TEST(GameProcess, StoppedAtAnyMomentOfItsStartSavesAndEndsBySignal) {
  ASSERT_TRUE(fs::exists(QuitDemo())) << "the screens' tests record it first";
  std::string home = (TestTempFolder() / "cafe_e2e_close").string();
  for (int delayMs : {0, 50, 150, 300, 600, 1000}) {
    fs::remove_all(home);
    fs::create_directories(home + "/run");
    pid_t game = StartGame(home, "", true);
    ASSERT_TRUE(WaitForQuitHandler(game, 60));
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(game, SIGTERM);
    EXPECT_EQ(WaitExit(game, 120), 128 + SIGTERM) << "stopped after " << delayMs << " ms";
    EXPECT_NE(ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini").find("InProgress=0"), std::string::npos)
        << "stopped after " << delayMs << " ms";
    EXPECT_GE(fs::file_size(home + "/data/Vantor Games/Pellor2/pref.dat"), 7320u);
  }
  fs::remove_all(home);
}

// A game in a window, stopped by a signal in its first second (start-up loading, or the splash
// that follows, neither of which can ask): it leaves by the signal, saving what a quit saves (the
// settings with the run's mark cleared, the profile). SIGINT, and the SIGHUP of a closed terminal,
// end it alike.
TEST(GameProcess, AWindowedGameStoppedWhileItStartsSavesAndEndsBySignal) {
  if (!HasProgram("Xvfb")) GTEST_SKIP() << "no Xvfb";
  XServer server(1024, 768);
  ASSERT_TRUE(server.IsUp()) << "Xvfb gave no display number within a minute";
  const std::string home = (TestTempFolder() / "cafe_e2e_start").string();
  const struct {
    int signal;
    int delayMs;
  } stops[] = {{SIGTERM, 0}, {SIGINT, 0}, {SIGHUP, 1000}};
  for (const auto& stop : stops) {
    const std::string what = std::string(strsignal(stop.signal)) + " after " + std::to_string(stop.delayMs) + " ms";
    fs::remove_all(home);
    fs::create_directories(home + "/run");
    pid_t game = StartGame(home, "", false, true);
    ASSERT_TRUE(WaitForQuitHandler(game, 60));
    std::this_thread::sleep_for(std::chrono::milliseconds(stop.delayMs));
    kill(game, stop.signal);
    EXPECT_EQ(WaitExit(game, 120), 128 + stop.signal) << what;
    EXPECT_NE(ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini").find("InProgress=0"), std::string::npos)
        << what;
    EXPECT_TRUE(fs::exists(home + "/data/Vantor Games/Pellor2/pref.dat")) << what;
  }
  fs::remove_all(home);
}

// The player has pressed the menu's quit and the "Leave the café?" box waits for her answer (the
// game's picture of its screen shows it): a stop signal then leaves without asking again, saving
// what a quit saves. Two signals that come together at the menu, where one would ask, leave too
// (two kinds: the system merges a signal sent again before the first was delivered).
TEST(GameProcess, WithThePlayersQuitBoxOpenASignalSavesAndEnds) {
  ASSERT_TRUE(fs::exists(QuitDemo())) << "the screens' tests record it first";
  if (!HasProgram("Xvfb") || !HasProgram("xdotool")) GTEST_SKIP() << "no Xvfb or no xdotool";
  XServer server(1024, 768);
  ASSERT_TRUE(server.IsUp()) << "Xvfb gave no display number within a minute";
  const std::string home = FreshTempFolder("cafe_e2e_box").string();
  fs::create_directories(home + "/run");
  // The demo makes Alice, so that the game starts at the main menu.
  ASSERT_EQ(WaitExit(StartGame(home, "", true), 120), 0);
  for (bool together : {false, true}) {
    const std::string what = together ? "SIGTERM and SIGINT together at the menu" : "SIGTERM over the quit box";
    pid_t game = StartGame(home, "", false, true);
    ASSERT_TRUE(WaitForQuitHandler(game, 60)) << what;
    // Clicks where the menu's quit stands (the picture fills the 1024x768 screen) until the box
    // shows: the first ones skip the splash's slides. The wait takes in the game's whole start
    // (its loading, the splash), each try a picture taken and read: three minutes, for a busy
    // machine.
    const bool opened = WaitUntil([&] {
      return RunProgram({"xdotool", "mousemove", "750", "590", "click", "1"}) && QuitBoxShows(home) == 1;
    }, std::chrono::minutes(3), kPoll);
    if (!opened) kill(game, SIGKILL);
    ASSERT_TRUE(opened) << what << ": the quit box never showed";
    if (together) {
      // "No" closes it: the menu can ask again.
      ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "601", "476", "click", "1"}));
      ASSERT_TRUE(WaitUntil([&] { return QuitBoxShows(home) == 0; }, kTestWaitLimit, kPoll)) << what << ": the box stayed after No";
      kill(game, SIGTERM);
      kill(game, SIGINT);
    } else {
      kill(game, SIGTERM);
    }
    // The second of two, taken once the first has asked, ends the game by itself.
    const int code = WaitExit(game, 60);
    EXPECT_TRUE(code == 128 + SIGTERM || (together && code == 128 + SIGINT)) << what << ": exit code " << code;
    EXPECT_NE(ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini").find("InProgress=0"), std::string::npos)
        << what;
    const std::string pref = ReadAll(home + "/data/Vantor Games/Pellor2/pref.dat");
    EXPECT_NE(pref.find(std::string("A\0l\0i\0c\0e\0", 10)), std::string::npos) << what;
  }
  fs::remove_all(home);
}

// A game that cannot start says so in a system box: its data pack missing (over its window), its
// text pack missing (before it catches the stop signals) or another copy running. However the game
// or the box's own process ends (a stop signal, SIGKILL), the box goes with it: no window and no
// process of it stays. A run that got under way is marked as ended, and nothing is left holding the
// single-instance lock.
TEST(GameProcess, ASignalOverASystemBoxEndsTheGameAndTheBox) {
  if (!HasProgram("Xvfb") || !HasProgram("xwininfo")) GTEST_SKIP() << "no Xvfb or no xwininfo";
  XServer server(1024, 768);
  ASSERT_TRUE(server.IsUp()) << "Xvfb gave no display number within half a minute";
  const struct {
    const char* mWhat;
    const char* mWithout;  // the pack the game's copy lacks
    bool mAlreadyRunning;  // a headless game holds the lock
    int mWindows;          // the game's windows with the box up, the box's included
    bool mToTheBox;        // the signal goes to the box's own process, else to the game
    int mSignal;
    int mExit;             // the game's exit code
    bool mMarksTheRun;     // the settings hold the run's mark, cleared
  } rows[] = {
      {"SIGTERM to the game over the data.pak box", "data.pak", false, 2, false, SIGTERM, 128 + SIGTERM, true},
      {"SIGTERM to the game over the loc.pak box", "loc.pak", false, 1, false, SIGTERM, 128 + SIGTERM, false},
      {"SIGKILL to the game over the \"already running\" box", "", true, 1, false, SIGKILL, 128 + SIGKILL, true},
      {"SIGKILL to the data.pak box's process", "data.pak", false, 2, true, SIGKILL, 1, true},
  };
  const std::string home = FreshTempFolder("cafe_e2e_sysbox").string();
  const std::string folder =
      std::string(std::getenv("CAFE_BINARY_DIR")) + "/testhome/e2e_sysbox_" + std::to_string(getpid());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mWhat);
    fs::remove_all(home);
    fs::create_directories(home + "/run");
    MakeGameCopy(folder, row.mWithout);
    pid_t first = -1;
    if (row.mAlreadyRunning) {
      first = StartGame(home);
      ASSERT_TRUE(WaitForInstanceLock(home + "/run", 60));
    }
    pid_t game = StartGame(home, home + "/stderr.txt", false, true, folder + "/pellorcafe");
    bool ended = false;
    const bool shown = WaitUntil([&] { return GameWindows() >= row.mWindows || (ended = waitpid(game, nullptr, WNOHANG) == game); },
                                 kTestWaitLimit, kPoll);
    if (ended) {
      // The box could not be shown (an X server without fonts): the game wrote its text and went on.
      if (first > 0) {
        kill(first, SIGKILL);
        waitpid(first, nullptr, 0);
      }
      fs::remove_all(home);
      fs::remove_all(folder);
      GTEST_SKIP() << "this X server shows no system box";
    }
    if (!shown) {
      kill(game, SIGKILL);
      if (first > 0) kill(first, SIGKILL);
    }
    ASSERT_TRUE(shown) << "no box within a minute\n" << ReadAll(home + "/stderr.txt");
    // The box's processes: the game's children and theirs.
    std::vector<pid_t> box = ChildrenOf(game);
    ASSERT_FALSE(box.empty()) << "the box has no process of its own";
    for (size_t i = 0, n = box.size(); i < n; ++i)
      for (pid_t grandchild : ChildrenOf(box[i])) box.push_back(grandchild);
    kill(row.mToTheBox ? box[0] : game, row.mSignal);
    EXPECT_EQ(WaitExit(game, 60), row.mExit);
    EXPECT_TRUE(WaitUntil([] { return GameWindows() == 0; }, kTestWaitLimit, kPoll)) << "the box stayed on screen";
    for (pid_t p : box) {
      EXPECT_TRUE(WaitUntil([p] { return HasEnded(p); }, kTestWaitLimit, kPoll)) << "the box's process " << p << " stayed";
      kill(p, SIGKILL);
    }
    if (first > 0) {
      kill(first, SIGTERM);
      EXPECT_EQ(WaitExit(first, 60), 128 + SIGTERM) << "the game that held the lock";
    }
    if (row.mMarksTheRun) {
      EXPECT_NE(ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini").find("InProgress=0"), std::string::npos);
    }
    EXPECT_FALSE(WaitForInstanceLock(home + "/run", 1)) << "something still holds the lock";
    EXPECT_EQ(LockFiles(home + "/run"), 0);
  }
  fs::remove_all(home);
  fs::remove_all(folder);
}

// Without its data or text pack, with one cut in half or with a link of the name that loops, or
// with an add-on pack it cannot read, the game cannot start: it says which file is wrong and
// exits with 1 (a copy of the game in a folder of its own, beside its packs).
TEST(GameProcess, AMissingOrDamagedPackIsNamedAndFails) {
  enum class Fault { kMissing, kCut, kLoop };
  const struct {
    const char* mPack;
    Fault mFault;
    const char* mSaid;
  } rows[] = {
      {"data.pak", Fault::kMissing, "data pack data.pak"},
      {"data.pak", Fault::kCut, "data pack data.pak"},
      {"data.pak", Fault::kLoop, "data pack data.pak"},
      {"loc.pak", Fault::kMissing, "text pack loc.pak"},
      {"loc.pak", Fault::kCut, "text pack loc.pak"},
      {"mod.pak", Fault::kLoop, "add-on pack mod.pak"},
  };
  const std::string binDir = std::string(std::getenv("CAFE_BINARY_DIR")) + "/bin";
  const std::string home = (TestTempFolder() / "cafe_e2e_pack").string();
  const std::string folder = std::string(std::getenv("CAFE_BINARY_DIR")) + "/testhome/e2e_pack_" + std::to_string(getpid());
  for (const auto& row : rows) {
    const std::string pack = row.mPack;
    SCOPED_TRACE(pack + (row.mFault == Fault::kMissing ? " missing" : row.mFault == Fault::kCut ? " cut" : " a loop"));
    fs::remove_all(home);
    fs::create_directories(home + "/run");
    // The pack of the row is taken away, cut or made a link to itself.
    MakeGameCopy(folder, pack);
    if (row.mFault == Fault::kCut) {
      const std::string whole = ReadAll(binDir + "/" + pack);
      ASSERT_GT(whole.size(), 1000u);
      std::ofstream(folder + "/" + pack, std::ios::binary) << whole.substr(0, whole.size() / 2);
    }
    if (row.mFault == Fault::kLoop) fs::create_symlink(pack, folder + "/" + pack);
    const int code = WaitExit(StartGame(home, home + "/stderr.txt", false, false, folder + "/pellorcafe"), 120);
    const std::string said = ReadAll(home + "/stderr.txt");
    EXPECT_EQ(code, 1) << (code == -1 ? "it did not end\n" : "") << said;
    EXPECT_NE(said.find(row.mSaid), std::string::npos) << said;
  }
  fs::remove_all(home);
  fs::remove_all(folder);
}

// Under a file-size limit smaller than a profile, every save of it fails as on a full disk: the
// game is not ended by the limit's signal, says once that progress will not be saved and plays the
// quit demo to its end. The file that stood there (not a profile) stays as it was, with no
// temporary file and no kept copy of it beside it, and the quit clears the run's mark.
TEST(GameProcess, UnderAFileSizeLimitASaveFailsAndTheGamePlaysOn) {
  ASSERT_TRUE(fs::exists(QuitDemo())) << "the screens' tests record it first";
  const std::string home = FreshTempFolder("cafe_e2e_fsize").string();
  const std::string profileDir = home + "/data/Vantor Games/Pellor2";
  fs::create_directories(home + "/run");
  fs::create_directories(profileDir);
  const std::string notAProfile(100, 'x');
  std::ofstream(profileDir + "/pref.dat", std::ios::binary) << notAProfile;
  const int code = WaitExit(StartGame(home, home + "/stderr.txt", true, false, GameBinary(), 4096), 120);
  const std::string said = ReadAll(home + "/stderr.txt");
  EXPECT_EQ(code, 0) << said;
  EXPECT_NE(said.find("progress will not be saved"), std::string::npos) << said;
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(profileDir)) left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"pref.dat"});
  EXPECT_EQ(ReadAll(profileDir + "/pref.dat"), notAProfile);
  EXPECT_NE(ReadAll(home + "/config/Vantor Games/Pellor Cafe/settings.ini").find("InProgress=0"), std::string::npos);
  fs::remove_all(home);
}

// A run without a window has nobody to see a quit box: SIGTERM ends it at once, whatever it is
// doing, saving what a quit saves; its single-instance lock goes with it.
TEST(GameProcess, AHeadlessRunEndsAtOnceOnSigterm) {
  const std::string home = FreshTempFolder("cafe_e2e_term").string();
  fs::create_directories(home + "/run");
  pid_t run = StartHeadlessRun(home);
  ASSERT_TRUE(WaitForInstanceLock(home + "/run", 60));
  // Past its start-up: the audio and video layers are up.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(run, SIGTERM);
  EXPECT_EQ(WaitExit(run, 60), 128 + SIGTERM);
  EXPECT_FALSE(WaitForInstanceLock(home + "/run", 1));
  EXPECT_EQ(LockFiles(home + "/run"), 0);
  // What a quit saves is saved: the settings say the run ended.
  EXPECT_NE(ReadAll(home + "/config/Cafe Tests/Game Run/settings.ini").find("InProgress=0"), std::string::npos);
  fs::remove_all(home);
}
