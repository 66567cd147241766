#include "platform/paths/UserPaths.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/paths/FolderEntries.h"

namespace Platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  if (v && *v == '/') return v;  // relative XDG values are invalid and ignored
  return fallback;
}

// HOME, else the account's own home folder. Never a shared folder such as /tmp: files another
// user can plant there (links, folders) would decide where the game writes.
std::string Home() {
  const char* h = std::getenv("HOME");
  if (h && *h == '/') return h;
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::string buffer(16384, '\0');
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  // An account without a home has nowhere to keep its files: the folders below it cannot be
  // made, and the player is told that progress will not be saved.
  return "/nonexistent";
}

}  // namespace

std::string JoinPath(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  if (a.back() == '/' || a.back() == '\\') return a + (b.front() == '/' ? b.substr(1) : b);
  return a + (b.front() == '/' ? b : "/" + b);
}

std::string UserDataDir(const std::string& vendor, const std::string& product) {
  return JoinPath(JoinPath(EnvOr("XDG_DATA_HOME", Home() + "/.local/share"), vendor), product);
}

std::string UserConfigDir(const std::string& vendor, const std::string& product) {
  return JoinPath(JoinPath(EnvOr("XDG_CONFIG_HOME", Home() + "/.config"), vendor), product);
}

std::string RuntimeDir() { return EnvOr("XDG_RUNTIME_DIR", ""); }

bool EnsureDirectory(const std::string& path, std::string* error) {
  // The cause is the creation's own (a read-only parent says so), not the check's afterwards.
  std::error_code created;
  std::filesystem::create_directories(path, created);
  std::error_code checked;
  if (std::filesystem::is_directory(path, checked)) return true;
  if (error) *error = created ? created.message() : "not a folder";
  return false;
}

std::string ExecutableDir() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return p.parent_path().string();
}

namespace {

// The temporary files this process is writing now: a clean-up never takes them.
std::mutex gWritingMutex;
std::set<std::string> gWriting;
// Gives the letters after "<name>.tmp" in place of the random ones, when set (under the mutex).
std::function<std::string()> gSuffixSource;

// The temporary file is no longer being written (renamed or removed).
void EndTemporary(const std::string& tmp) {
  std::lock_guard<std::mutex> lock(gWritingMutex);
  gWriting.erase(tmp);
}

// Closes the descriptor and removes the temporary file; keeps errno's text in `error`.
bool FailWrite(int fd, const std::string& tmp, std::string* error) {
  if (error) *error = std::strerror(errno);
  if (fd >= 0) ::close(fd);
  ::unlink(tmp.c_str());
  EndTemporary(tmp);
  return false;
}

// Flushes the folder holding `path`, so that a rename in it survives a power cut. File systems
// that cannot flush a folder answer EINVAL; that is no failure.
void SyncFolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Removes temporary files of `path` left by writes that never ended (a crash, a power cut):
// "<name>.tmp" and "<name>.tmp" with six letters, unless this process is writing them. Removing
// a name never follows a link.
void RemoveStaleTemporaries(const std::string& path) {
  const std::filesystem::path p(path);
  const std::string folder = p.has_parent_path() ? p.parent_path().string() : std::string(".");
  const std::string prefix = p.filename().string() + ".tmp";
  std::vector<std::string> stale;
  ForEachFolderEntry(folder, [&](const char* name) {
    const size_t length = std::strlen(name);
    if (length != prefix.size() && length != prefix.size() + 6) return;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) return;
    for (size_t i = prefix.size(); i < length; ++i)
      if (!std::isalnum(static_cast<unsigned char>(name[i]))) return;
    stale.push_back(folder + "/" + name);
  });
  std::lock_guard<std::mutex> lock(gWritingMutex);
  for (const std::string& name : stale)
    if (!gWriting.count(name)) ::unlink(name.c_str());
}

// Creates "<path>.tmp<six letters>" for writing (mode 0600); -1 with errno on failure. The name
// is registered as being written until the caller ends it (EndTemporary).
int CreateTemporaryBeside(const std::string& path, std::string& tmp) {
  // The name is new each time and opened only if it does not exist yet: a link or a file planted
  // under any name in the folder is never written through. The counter and the clock make the
  // names of one process differ; the process id those of two.
  static std::atomic<uint32_t> counter{0};
  const std::string base = path + ".tmp";
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint64_t mix = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    mix ^= (uint64_t(uint32_t(::getpid())) << 40) ^ (uint64_t(counter.fetch_add(1, std::memory_order_relaxed)) << 20);
    mix = (mix * 0x9e3779b97f4a7c15ull) >> 16;
    char suffix[8];
    for (int i = 0; i < 6; ++i) {
      suffix[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[mix % 36];
      mix /= 36;
    }
    suffix[6] = '\0';
    std::lock_guard<std::mutex> lock(gWritingMutex);
    tmp = base + (gSuffixSource ? gSuffixSource() : std::string(suffix));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      gWriting.insert(tmp);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

void SetTemporarySuffixSource(std::function<std::string()> source) {
  std::lock_guard<std::mutex> lock(gWritingMutex);
  gSuffixSource = std::move(source);
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error) {
  std::string tmp;
  int fd = CreateTemporaryBeside(path, tmp);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailWrite(fd, tmp, error);
    }
    p += n;
    left -= size_t(n);
  }
  if (::fsync(fd) != 0) return FailWrite(fd, tmp, error);
  int closed = ::close(fd);
  if (closed != 0) return FailWrite(-1, tmp, error);
  if (::rename(tmp.c_str(), path.c_str()) != 0) return FailWrite(-1, tmp, error);
  EndTemporary(tmp);
  SyncFolderOf(path);
  RemoveStaleTemporaries(path);
  return true;
}

namespace {

// Puts the file under the first free name of "<name><suffix>", "<name><suffix>.1", ".2"...: the
// number stands apart, so a suffix that ends in digits (".v17") never reads as another one
// (".v172"). `place` answers 0 once placed, EEXIST for a taken name (the next one is tried; a file
// kept earlier is never replaced) or another errno, which ends the search (errno holds it then).
std::string PlaceUnderFreeName(const std::string& path, const std::string& suffix,
                               const std::function<int(const std::string& target)>& place) {
  for (int i = 0; i < 1000; ++i) {
    std::string target = path + suffix + (i == 0 ? "" : "." + std::to_string(i));
    const int result = place(target);
    if (result == 0) {
      SyncFolderOf(path);
      return target;
    }
    if (result != EEXIST) {
      errno = result;
      return "";
    }
  }
  errno = EEXIST;
  return "";
}

// Copies the file's bytes to a new file `target` (mode 0600, never an existing name or link),
// flushed to disk; 0 or the errno of the failure (a partial copy is removed).
int CopyToNewFile(const std::string& path, const std::string& target) {
  int in = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return errno;
  int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return error;
  }
  int error = 0;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error = errno;
      break;
    }
    for (ssize_t done = 0; done < n && error == 0;) {
      ssize_t w = ::write(out, buffer + done, size_t(n - done));
      if (w < 0 && errno != EINTR) error = errno;
      if (w > 0) done += w;
    }
    if (error != 0) break;
  }
  if (error == 0 && ::fsync(out) != 0) error = errno;
  if (::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error != 0) ::unlink(target.c_str());
  return error;
}

}  // namespace

std::string KeepAside(const std::string& path, const std::string& suffix) {
  return PlaceUnderFreeName(path, suffix, [&](const std::string& target) {
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace rename: look first, then rename.
    if (::access(target.c_str(), F_OK) == 0) return EEXIST;
    return ::rename(path.c_str(), target.c_str()) == 0 ? 0 : errno;
  });
}

std::string KeepCopy(const std::string& path, const std::string& suffix) {
  return PlaceUnderFreeName(path, suffix, [&](const std::string& target) {
    // A second name for the same bytes costs no space: it takes a disk that is full.
    if (::link(path.c_str(), target.c_str()) == 0) return 0;
    if (errno == EEXIST) return EEXIST;
    // A file system without hard links gets a copy.
    if (errno == EPERM || errno == EMLINK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EXDEV)
      return CopyToNewFile(path, target);
    return errno;
  });
}

}  // namespace Platform
