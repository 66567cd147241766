#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "driver/TestFolder.h"
#include "driver/WaitUntil.h"
#include "platform/paths/UserPaths.h"
#include "platform/process/SingleInstance.h"
#include "platform/settings/SettingsStore.h"

namespace fs = std::filesystem;

namespace {
const char* kKey = "SOFTWARE\\Vendor\\Product";

std::string ReadFile(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
}  // namespace

TEST(SettingsStore, RoundTripsValuesIncludingAwkwardText) {
  std::string dir = FreshTempFolder("roundtrip").string();
  std::string file = dir + "/sub/settings.ini";  // the folder is created on save
  {
    Platform::SettingsStore s(file, kKey);
    EXPECT_EQ(s.Load(), Platform::SettingsStore::LoadResult::Missing);
    s.SetInt("MusicVolume", 42);
    s.SetInt("PreferredX", -1);
    s.SetString("Test3D\\RuntimeError", "line one\nback\\slash = equals");
    s.SetString("bad=name", "x");  // cannot be stored, silently refused
    ASSERT_TRUE(s.Save());
  }
  Platform::SettingsStore s(file, kKey);
  ASSERT_EQ(s.Load(), Platform::SettingsStore::LoadResult::Loaded);
  int32_t v = 0;
  EXPECT_TRUE(s.GetInt("MusicVolume", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(s.GetInt("PreferredX", v));
  EXPECT_EQ(v, -1);
  std::string text;
  EXPECT_TRUE(s.GetString("Test3D\\RuntimeError", text));
  EXPECT_EQ(text, "line one\nback\\slash = equals");
  EXPECT_FALSE(s.GetString("bad=name", text));
  // Not a number: absent as a number, out value unchanged.
  v = 7;
  EXPECT_FALSE(s.GetInt("Test3D\\RuntimeError", v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(fs::exists(file + ".tmp"));
}

TEST(SettingsStore, DamagedFilesGiveDefaultsAndAreKeptAside) {
  const std::string damaged[] = {
      "MusicVolume=5\n",                                    // no key header
      "[SOFTWARE\\Other\\Game]\nMusicVolume=5\n",             // someone else's key
      "[SOFTWARE\\Vendor\\Product]\njunk line\n",             // not name=value
      "[SOFTWARE\\Vendor\\Product]\nA=bad\\q escape\n",       // bad escape
      std::string("[SOFTWARE\\Vendor\\Product]\nA=1\0\0\n", 33),
  };
  int i = 0;
  for (const std::string& content : damaged) {
    std::string dir = FreshTempFolder("damaged" + std::to_string(i++)).string();
    std::string file = dir + "/settings.ini";
    { std::ofstream(file, std::ios::binary) << content; }
    std::string before = ReadFile(file);
    Platform::SettingsStore s(file, kKey);
    EXPECT_EQ(s.Load(), Platform::SettingsStore::LoadResult::Corrupt) << content;
    int32_t v = 99;
    EXPECT_FALSE(s.GetInt("MusicVolume", v));
    EXPECT_EQ(v, 99);
    // The damaged file is moved aside intact, and a later save does not touch it.
    ASSERT_FALSE(s.KeptAsidePath().empty());
    EXPECT_EQ(ReadFile(s.KeptAsidePath()), before);
    s.SetInt("MusicVolume", 3);
    ASSERT_TRUE(s.Save());
    EXPECT_EQ(ReadFile(s.KeptAsidePath()), before);
  }
  // A second damaged file does not overwrite the first one kept aside.
  std::string dir = FreshTempFolder("twice").string();
  std::string file = dir + "/settings.ini";
  { std::ofstream(file) << "first"; }
  Platform::SettingsStore a(file, kKey);
  a.Load();
  { std::ofstream(file) << "second"; }
  Platform::SettingsStore b(file, kKey);
  b.Load();
  EXPECT_NE(a.KeptAsidePath(), b.KeptAsidePath());
  EXPECT_EQ(ReadFile(a.KeptAsidePath()), "first");
  EXPECT_EQ(ReadFile(b.KeptAsidePath()), "second");
}

TEST(SettingsStore, UnwritableFolderIsReportedNotFatal) {
  std::string dir = FreshTempFolder("unwritable").string();
  std::string blocker = dir + "/file";
  { std::ofstream(blocker) << "x"; }
  Platform::SettingsStore s(blocker + "/settings.ini", kKey);  // a "folder" that is a file
  EXPECT_EQ(s.Load(), Platform::SettingsStore::LoadResult::Missing);
  s.SetInt("A", 1);
  std::string error;
  EXPECT_FALSE(s.Save(&error));
  EXPECT_FALSE(error.empty());
}

TEST(UserPaths, FollowXdgFoldersAndIgnoreRelativeOnes) {
  ::setenv("XDG_DATA_HOME", "/tmp/xdgdata", 1);
  ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(Platform::UserDataDir("Vantor Games", "Pellor Cafe"), "/tmp/xdgdata/Vantor Games/Pellor Cafe");
  EXPECT_EQ(Platform::UserConfigDir("V", "P"), "/home/someone/.config/V/P");
  EXPECT_EQ(Platform::JoinPath("a/", "/b"), "a/b");
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstReleases) {
  std::string dir = FreshTempFolder("lock").string();
  std::string lock = dir + "/game.lock";
  Platform::SingleInstance first, second;
  EXPECT_EQ(first.Acquire(lock), Platform::SingleInstance::Result::Acquired);
  EXPECT_EQ(second.Acquire(lock), Platform::SingleInstance::Result::AlreadyRunning);
  // Another process sees the lock too.
  pid_t pid = fork();
  if (pid == 0) {
    Platform::SingleInstance child;
    _exit(child.Acquire(lock) == Platform::SingleInstance::Result::AlreadyRunning ? 0 : 1);
  }
  // The child's answer, waited for a minute at most (a lock that blocks would hang it).
  int status = 0;
  pid_t ended = 0;
  WaitUntil([&] { return (ended = waitpid(pid, &status, WNOHANG)) != 0; });
  if (ended == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  ASSERT_EQ(ended, pid) << "the child never answered whether it holds the lock";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  first.Release();
  EXPECT_EQ(second.Acquire(lock), Platform::SingleInstance::Result::Acquired);
  Platform::SingleInstance bad;
  EXPECT_EQ(bad.Acquire(dir + "/missing/dir/x.lock"), Platform::SingleInstance::Result::Error);
}

// A clean quit leaves no lock file behind, in the runtime folder or the data folder alike, and
// the next start takes the lock again.
TEST(SingleInstance, LettingGoRemovesTheFile) {
  const std::string lock = FreshTempFolder("lockfile").string() + "/game.lock";
  {
    Platform::SingleInstance held;
    ASSERT_EQ(held.Acquire(lock), Platform::SingleInstance::Result::Acquired);
    EXPECT_TRUE(fs::exists(lock));
    held.Release();
    EXPECT_FALSE(fs::exists(lock));
    ASSERT_EQ(held.Acquire(lock), Platform::SingleInstance::Result::Acquired);
    EXPECT_TRUE(fs::exists(lock));
  }
  EXPECT_FALSE(fs::exists(lock));
  // A file left by a run that was killed is taken over and removed in turn.
  std::ofstream(lock) << "";
  {
    Platform::SingleInstance next;
    EXPECT_EQ(next.Acquire(lock), Platform::SingleInstance::Result::Acquired);
  }
  EXPECT_FALSE(fs::exists(lock));
  // A file put under the name meanwhile is another start's: letting go leaves it.
  {
    Platform::SingleInstance held;
    ASSERT_EQ(held.Acquire(lock), Platform::SingleInstance::Result::Acquired);
    fs::remove(lock);
    std::ofstream(lock) << "another";
  }
  EXPECT_EQ(ReadFile(lock), "another");
  fs::remove_all(fs::path(lock).parent_path());
}

// Only a regular file of the player's own is locked: anything else under the name is refused
// and left as it was (a link's target is not created, a named pipe does not block the start and
// is not removed, another user's file is not removed even by root).
TEST(SingleInstance, AnythingButAnOwnRegularFileIsRefusedAndLeftAsItWas) {
  const std::string dir = FreshTempFolder("lockthings").string();
  const std::string lock = dir + "/game.lock";
  const std::string target = dir + "/target";
  for (const ThingInPlaceOfAFile& row : ThingsInPlaceOfAFile(lock, target)) {
    fs::remove_all(lock);
    fs::remove_all(target);
    if (!row.make()) {
      std::printf("skipped: %s cannot be made here\n", row.what);
      continue;
    }
    {
      Platform::SingleInstance held;
      std::string error;
      EXPECT_EQ(held.Acquire(lock, &error), Platform::SingleInstance::Result::Error) << row.what;
      EXPECT_FALSE(error.empty()) << row.what;
    }
    EXPECT_TRUE(row.intact()) << row.what << " was changed";
    EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << row.what << ": the link's target was created";
  }
  fs::remove_all(dir);
}

TEST(UserPaths, WithoutHomeTheAccountsOwnHomeIsUsed) {
  const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const std::string oldData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  const std::string oldConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  ::unsetenv("HOME");
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("XDG_CONFIG_HOME");
  const std::string data = Platform::UserDataDir("V", "P");
  const std::string config = Platform::UserConfigDir("V", "P");
  ::setenv("HOME", "", 1);  // empty counts as unset
  const std::string emptyHome = Platform::UserDataDir("V", "P");
  ::setenv("HOME", oldHome.c_str(), 1);
  ::setenv("XDG_DATA_HOME", oldData.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
  const passwd* account = ::getpwuid(::getuid());
  ASSERT_NE(account, nullptr);
  EXPECT_EQ(data, std::string(account->pw_dir) + "/.local/share/V/P");
  EXPECT_EQ(config, std::string(account->pw_dir) + "/.config/V/P");
  EXPECT_EQ(emptyHome, data);
  EXPECT_EQ(data.rfind("/tmp", 0), std::string::npos);
}

// Links planted where a temporary file could be made are never written through: the file is
// replaced by a new one of the owner only, and no temporary file is left in the folder.
TEST(UserPaths, AtomicWritesCreateTheirTemporaryFileNew) {
  std::string dir = FreshTempFolder("planted").string();
  std::string victim = dir + "/victim";
  { std::ofstream(victim) << "precious"; }
  std::string file = dir + "/pref.dat";
  fs::create_symlink(victim, file + ".tmp");
  // A hard link under the very name the next write tries first: that write moves on to a new name.
  ASSERT_EQ(::link(victim.c_str(), (file + ".tmpplant0").c_str()), 0);
  int named = 0;
  Platform::SetTemporarySuffixSource([&] { return named++ == 0 ? "plant0" : "fresh" + std::to_string(named); });
  for (int round = 0; round < 3; ++round) {
    std::string error;
    ASSERT_TRUE(Platform::WriteFileAtomic(file, "contents " + std::to_string(round), &error)) << error;
  }
  Platform::SetTemporarySuffixSource(nullptr);
  EXPECT_EQ(named, 4) << "the planted name is tried once, then each write's own";
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_EQ(ReadFile(file), "contents 2");
  struct stat info {};
  ASSERT_EQ(::lstat(file.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    ++entries;
    (void)entry;
  }
  // The planted name itself counts as a leftover temporary file: the link (not its target) goes.
  EXPECT_EQ(entries, 2u) << "the victim and the file only";
  // A folder the write cannot use names the system's cause.
  std::string error;
  EXPECT_FALSE(Platform::WriteFileAtomic(dir + "/missing/x", "x", &error));
  EXPECT_EQ(error, std::strerror(ENOENT));
}

// A folder that cannot be made is reported with the cause of the failed creation, not with the
// check that follows it ("No such file or directory").
TEST(UserPaths, AFolderThatCannotBeMadeGivesItsOwnCause) {
  std::string error;
  ASSERT_FALSE(Platform::EnsureDirectory("/sys/cafe_no_folder_here/sub", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_NE(error, std::strerror(ENOENT));
}

// Files kept aside number their copies after a separator, so that a name ending in digits never
// reads as another.
TEST(UserPaths, KeptAsideCopiesAreNumberedApart) {
  std::string dir = FreshTempFolder("aside").string();
  std::string file = dir + "/pref.dat";
  std::vector<std::string> kept;
  for (int i = 0; i < 3; ++i) {
    { std::ofstream(file) << "copy " << i; }
    kept.push_back(Platform::KeepAside(file, ".v17"));
  }
  EXPECT_EQ(kept, (std::vector<std::string>{file + ".v17", file + ".v17.1", file + ".v17.2"}));
  EXPECT_EQ(ReadFile(file + ".v17.1"), "copy 1");
}
