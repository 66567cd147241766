#include "platform/process/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Platform {

SingleInstance::~SingleInstance() { Release(); }

SingleInstance::Result SingleInstance::Acquire(const std::string& lockFile, std::string* error) {
  Release();
  int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return Result::Error;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) return Result::AlreadyRunning;
    if (error) *error = std::strerror(e);
    return Result::Error;
  }
  mFd = fd;
  return Result::Acquired;
}

void SingleInstance::Release() {
  if (mFd >= 0) {
    ::flock(mFd, LOCK_UN);
    ::close(mFd);
    mFd = -1;
  }
}

}  // namespace Platform
