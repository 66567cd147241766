#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

enum class FileReadResult {
  kOk,
  kMissing,     // no such file (or a folder on the way is missing)
  kNotRegular,  // a folder, a device, a pipe, a socket...
  kTooLarge,    // larger than the limit given
  kFailed,      // it exists but could not be read
};

// Reads a whole file, but only a regular file of at most maxBytes bytes: a device, a pipe or a
// folder is never opened for reading (a pipe with no writer would block, /dev/zero never ends).
// A file that grows past the limit while it is read is refused too. out is emptied on failure.
FileReadResult ReadRegularFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out);

// True when the path names a regular file (links followed).
bool IsRegularFile(const std::string& path);

}  // namespace Platform
