#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "driver/TestFolder.h"
#include "platform/window/MessageBox.h"
#include "shell/CommandLine.h"
#include "shell/Log.h"
#include "shell/VeskAppBase.h"

namespace fs = std::filesystem;

namespace {
class HeadlessApp : public Vesk::VeskAppBase {
 public:
  explicit HeadlessApp(const std::string& product) {
    mProductName = product;
    mRegKey = "Cafe Tests\\" + product;
  }
  using VeskAppBase::mSettings;

 protected:
  bool WantsWindow() const override { return false; }
  void UpdateStep() override { Shutdown(); }
};

std::string ReadAll(const std::string& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
}  // namespace

TEST(AppSettings, WrittenAtShutdownAndReadAtTheNextStart) {
  std::string file;
  {
    HeadlessApp app("RoundTrip");
    fs::remove(app.SettingsFilePath());
    ASSERT_TRUE(app.Init());
    app.mMusicVolume = 42;
    app.mCustomCursors = false;
    app.mPreferredX = 12;
    app.Start();  // one update, then shut-down
    file = app.SettingsFilePath();
  }
  std::string text = ReadAll(file);
  EXPECT_NE(text.find("[SOFTWARE\\Cafe Tests\\RoundTrip]"), std::string::npos);
  EXPECT_NE(text.find("InProgress=0"), std::string::npos);
  // The volumes and the screen mode are the game's options, not the framework's settings.
  EXPECT_EQ(text.find("MusicVolume"), std::string::npos) << text;
  HeadlessApp again("RoundTrip");
  ASSERT_TRUE(again.Init());
  EXPECT_EQ(again.mMusicVolume, 100);
  EXPECT_FALSE(again.mCustomCursors);
  EXPECT_EQ(again.mPreferredX, 12);
  EXPECT_FALSE(again.mPreviousRunInterrupted);
  // RegWriteString reaches the file at once.
  EXPECT_TRUE(again.RegWriteString("Test3D\\RuntimeError", "device lost"));
  EXPECT_NE(ReadAll(file).find("Test3D\\RuntimeError=device lost"), std::string::npos);
}

TEST(AppSettings, DamagedOrOutOfRangeValuesGiveDefaults) {
  HeadlessApp probe("Damaged");
  std::string file = probe.SettingsFilePath();
  fs::create_directories(fs::path(file).parent_path());
  {
    std::ofstream(file) << "[SOFTWARE\\Cafe Tests\\Damaged]\nPreferredX=-250\nWaitForVSync=abc\nIs3D=1\n";
  }
  LogHistory::Clear();
  HeadlessApp app("Damaged");
  ASSERT_TRUE(app.Init());
  EXPECT_EQ(app.mPreferredX, -1);
  EXPECT_FALSE(app.mWaitForVSync);
  EXPECT_TRUE(app.mIs3D);
  EXPECT_TRUE(LogHistory::Contains("WARNING: setting PreferredX out of range"));
}

TEST(AppSettings, CorruptFileIsKeptAsideAndTheGameStarts) {
  HeadlessApp probe("Corrupt");
  std::string file = probe.SettingsFilePath();
  fs::create_directories(fs::path(file).parent_path());
  fs::remove(file + ".broken");
  { std::ofstream(file) << "\x01\x02 garbage"; }
  LogHistory::Clear();
  {
    HeadlessApp app("Corrupt");
    ASSERT_TRUE(app.Init());
    app.Start();
  }
  EXPECT_TRUE(LogHistory::Contains("ERROR: settings file"));
  EXPECT_EQ(ReadAll(file + ".broken"), "\x01\x02 garbage");
  EXPECT_NE(ReadAll(file).find("InProgress=0"), std::string::npos);
}

TEST(AppSettings, InterruptedRunIsNoticedButARunEndedBeforeItsLoopIsNot) {
  {
    HeadlessApp app("Interrupted");
    fs::remove(app.SettingsFilePath());
  }
  // A run that dies after Init (a crash: nothing of the shut-down runs) leaves InProgress set.
  pid_t child = fork();
  if (child == 0) {
    HeadlessApp app("Interrupted");
    _exit(app.Init() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  {
    HeadlessApp app("Interrupted");
    ASSERT_TRUE(app.Init());
    EXPECT_TRUE(app.mPreviousRunInterrupted);
    // This run ends without its main loop, as a "-crash" run or a failed Init does: it still
    // ended cleanly.
  }
  HeadlessApp app("Interrupted");
  ASSERT_TRUE(app.Init());
  EXPECT_FALSE(app.mPreviousRunInterrupted);
}

// Something else under the lock's name in the runtime folder (a folder, a link, a named pipe,
// another user's file) does not let a second copy run: the lock is taken in the data folder, and
// the thing is left as it was.
TEST(AppSettings, SecondInstanceIsToldAndRefused) {
  std::string shown;
  Platform::SetMessageBoxHandler([&](const std::string&, const std::string& text, Platform::MessageBoxButtons) {
    shown = text;
    return Platform::MessageBoxAnswer::Ok;
  });
  const std::string oldRun = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
  const std::string runtime = FreshTempFolder("single_run").string();
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  const std::string lock = runtime + "/Single.lock";
  const std::string target = runtime + "/Single.target";
  std::vector<ThingInPlaceOfAFile> rows = ThingsInPlaceOfAFile(lock, target);
  rows.insert(rows.begin(), {"nothing", [] { return true; }, [&] { return !fs::exists(fs::symlink_status(lock)); }});
  for (const ThingInPlaceOfAFile& row : rows) {
    fs::remove_all(lock);
    fs::remove_all(target);
    if (!row.make()) {
      std::printf("skipped: %s cannot be made here\n", row.what);
      continue;
    }
    shown.clear();
    {
      HeadlessApp first("Single");
      EXPECT_TRUE(first.Init()) << row.what;
      HeadlessApp second("Single");
      EXPECT_FALSE(second.Init()) << row.what << ": a second copy runs";
      EXPECT_NE(shown.find("already running"), std::string::npos) << row.what;
    }
    EXPECT_TRUE(row.intact()) << row.what << " was changed";
    EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << row.what << ": the link's target was created";
  }
  ::setenv("XDG_RUNTIME_DIR", oldRun.c_str(), 1);
  fs::remove_all(runtime);
  Platform::SetMessageBoxHandler(nullptr);
}

TEST(AppSettings, UnusableDataFolderIsReportedNotFatal) {
  // XDG folders that are files: settings cannot be saved, the game still runs.
  std::string base = TestTempFolder() / ("cafe_blocked_" + std::to_string(::getpid()));
  { std::ofstream(base) << "x"; }
  std::string oldConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  std::string oldData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  std::string oldRun = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
  ::setenv("XDG_CONFIG_HOME", base.c_str(), 1);
  ::setenv("XDG_DATA_HOME", base.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  LogHistory::Clear();
  {
    HeadlessApp app("Blocked");
    ASSERT_TRUE(app.Init());
    app.Start();
  }
  EXPECT_TRUE(LogHistory::Contains("ERROR: "));
  ::setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
  ::setenv("XDG_DATA_HOME", oldData.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", oldRun.c_str(), 1);
  fs::remove(base);
}

TEST(CommandLine, ParsesSwitchesAndIgnoresUnknownOnes) {
  LogHistory::Clear();
  auto cl = CommandLine::Parse({"-record", "-recnum", "3", "-demofile", "x.dmo", "-crash", "-bogus", "-playnum", "q",
                                "-screensaver", "-changedir"});
  EXPECT_TRUE(cl.mRecord);
  EXPECT_EQ(cl.mRecNum, 3);
  EXPECT_EQ(cl.mDemoFile, "x.dmo");
  EXPECT_TRUE(cl.mCrash);
  EXPECT_TRUE(cl.mScreensaver);
  EXPECT_TRUE(cl.mChangeDir);
  EXPECT_FALSE(cl.mPlay);
  EXPECT_EQ(cl.mPlayNum, -1);
  EXPECT_TRUE(LogHistory::Contains("unknown switch ignored: -bogus"));
  EXPECT_TRUE(LogHistory::Contains("bad number for -playnum"));
  auto missing = CommandLine::Parse({"-demofile"});
  EXPECT_TRUE(missing.mDemoFile.empty());
}

// A disk that takes no more (here: a file-size limit, so that writing a new copy fails half-way):
// the run still ends marked as ended, the old file keeps everything else, the log names the real
// cause and the player is told once, however many writes fail.
TEST(AppSettings, AFullDiskStillClearsTheRunsMarkAndTellsOnce) {
  std::string file;
  {
    HeadlessApp probe("FullDisk");
    file = probe.SettingsFilePath();
    fs::remove(file);
  }
  const pid_t child = fork();
  if (child == 0) {
    int boxes = 0;
    Platform::SetMessageBoxHandler([&](const std::string&, const std::string& text, Platform::MessageBoxButtons) {
      if (text.find("progress will not be saved") != std::string::npos) ++boxes;
      return Platform::MessageBoxAnswer::Ok;
    });
    HeadlessApp app("FullDisk");
    if (!app.Init()) _exit(10);
    app.mPreferredX = 77;
    // From here on no file may grow past 60 bytes: the settings' copy cannot be written whole,
    // though the mark near its start still can.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{60, 60};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(11);
    LogHistory::Clear();
    app.RegWriteInt("Extra", 1);
    app.Start();
    const bool causeNamed = LogHistory::Contains(std::strerror(EFBIG));
    _exit(boxes == 1 && causeNamed ? 0 : 12 + boxes * 2 + (causeNamed ? 1 : 0));
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "12 + 2 x boxes told + cause named";
  const std::string text = ReadAll(file);
  EXPECT_NE(text.find("InProgress=0"), std::string::npos) << text;
  EXPECT_EQ(text.find("PreferredX=77"), std::string::npos) << "the new copy was not written";
  EXPECT_NE(text.find("[SOFTWARE\\Cafe Tests\\FullDisk]"), std::string::npos) << text;
  HeadlessApp again("FullDisk");
  ASSERT_TRUE(again.Init());
  EXPECT_FALSE(again.mPreviousRunInterrupted);
}
