#include "platform/paths/UserPaths.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace Platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  if (v && *v == '/') return v;  // relative XDG values are invalid and ignored
  return fallback;
}

std::string Home() {
  const char* h = std::getenv("HOME");
  return (h && *h) ? h : "/tmp";
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
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (std::filesystem::is_directory(path, ec)) return true;
  if (error) *error = ec ? ec.message() : "not a folder";
  return false;
}

std::string ExecutableDir() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return p.parent_path().string();
}

namespace {

// Closes the descriptor and removes the temporary file; keeps errno's text in `error`.
bool FailWrite(int fd, const std::string& tmp, std::string* error) {
  if (error) *error = std::strerror(errno);
  if (fd >= 0) ::close(fd);
  ::unlink(tmp.c_str());
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

}  // namespace

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error) {
  // A temporary file left by an interrupted write is truncated and reused.
  std::string tmp = path + ".tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
  SyncFolderOf(path);
  return true;
}

std::string KeepAside(const std::string& path, const std::string& suffix) {
  for (int i = 1; i < 1000; ++i) {
    std::string target = path + suffix + (i == 1 ? "" : std::to_string(i));
    // The rename never replaces a file kept earlier: a taken name moves on to the next number.
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
      SyncFolderOf(path);
      return target;
    }
    if (errno == EEXIST) continue;
    if (errno != EINVAL && errno != ENOSYS) return "";
    // A file system without the no-replace rename: look first, then rename.
    if (::access(target.c_str(), F_OK) == 0) continue;
    if (::rename(path.c_str(), target.c_str()) == 0) return target;
    return "";
  }
  return "";
}

}  // namespace Platform
