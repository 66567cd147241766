#include "platform/process/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Platform {
namespace {
// The descriptor's file is the one that stands under the name itself (not behind a link).
bool IsFileUnderName(int fd, const std::string& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// Only a regular file of this user's own is locked (and so later removed): a folder, a link, a
// named pipe or a device under the name, or another user's file, is left as it is.
const char* Unusable(const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return "the lock file is a link";
  if (!S_ISREG(st.st_mode)) return "the lock file is not a regular file";
  if (st.st_uid != ::geteuid()) return "the lock file belongs to another user";
  return nullptr;
}
}  // namespace

SingleInstance::~SingleInstance() { Release(); }

SingleInstance::Result SingleInstance::Acquire(const std::string& lockFile, std::string* error) {
  Release();
  // The holder removes the file when it lets go: a lock taken on a file that was removed (or
  // replaced) meanwhile holds nothing, so the file is opened afresh until the lock is on the
  // file that stands under the name.
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // What stands under the name is looked at before it is opened (opening a device or a pipe
    // may already do something), and again through the descriptor: the name is never followed
    // as a link, and a pipe put there meanwhile does not block the open.
    struct stat st {};
    if (::lstat(lockFile.c_str(), &st) == 0) {
      if (const char* why = Unusable(st)) {
        if (error) *error = why;
        return Result::Error;
      }
    }
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (error) *error = errno == ELOOP ? "the lock file is a link" : std::strerror(errno);
      return Result::Error;
    }
    if (const char* why = ::fstat(fd, &st) != 0 ? std::strerror(errno) : Unusable(st)) {
      if (error) *error = why;
      ::close(fd);
      return Result::Error;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int e = errno;
      ::close(fd);
      if (e == EWOULDBLOCK) return Result::AlreadyRunning;
      if (error) *error = std::strerror(e);
      return Result::Error;
    }
    if (IsFileUnderName(fd, lockFile)) {
      mFd = fd;
      mPath = lockFile;
      return Result::Acquired;
    }
    ::close(fd);
  }
  if (error) *error = "the lock file keeps being replaced";
  return Result::Error;
}

void SingleInstance::Release() {
  if (mFd >= 0) {
    // Removed while still locked, so that no other start can lock the old file meanwhile; only
    // when the name still stands for the file locked here (a file put in its place since is
    // another start's).
    // The file was the player's own regular file when it was locked; the name is not followed.
    if (IsFileUnderName(mFd, mPath)) ::unlink(mPath.c_str());
    ::flock(mFd, LOCK_UN);
    ::close(mFd);
    mFd = -1;
    mPath.clear();
  }
}

}  // namespace Platform
