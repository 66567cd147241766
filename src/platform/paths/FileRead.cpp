#include "platform/paths/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

FileReadResult ReadRegularFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  // The kind is checked before opening (opening a device or a pipe may block or act), and again
  // on the opened file, which may have been swapped in between.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? FileReadResult::kMissing : FileReadResult::kFailed;
  if (!S_ISREG(st.st_mode)) return FileReadResult::kNotRegular;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? FileReadResult::kMissing : FileReadResult::kFailed;
  FileReadResult result = FileReadResult::kOk;
  if (::fstat(fd, &st) != 0) {
    result = FileReadResult::kFailed;
  } else if (!S_ISREG(st.st_mode)) {
    result = FileReadResult::kNotRegular;
  } else if (uint64_t(st.st_size) > maxBytes) {
    result = FileReadResult::kTooLarge;
  } else {
    out.reserve(size_t(st.st_size));
    uint8_t chunk[65536];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result = FileReadResult::kFailed;
        break;
      }
      if (n == 0) break;
      if (uint64_t(n) > maxBytes - out.size()) {
        result = FileReadResult::kTooLarge;
        break;
      }
      out.insert(out.end(), chunk, chunk + n);
    }
  }
  ::close(fd);
  if (result != FileReadResult::kOk) out.clear();
  return result;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace Platform
