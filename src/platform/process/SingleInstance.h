#pragma once
#include <string>

namespace Platform {

// Holds an exclusive lock on a lock file for as long as the object lives, so that a second
// start of the game can tell that one is already running. Letting go removes the file. The
// descriptor is close-on-exec: no program this process starts holds the lock.
class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Result { Acquired, AlreadyRunning, Error };
  // Takes the lock on the file (created if missing). Only a regular file of this user's own is
  // taken: anything else under the name (a folder, a link, a named pipe, another user's file)
  // is an Error and left as it is.
  Result Acquire(const std::string& lockFile, std::string* error = nullptr);
  // Lets go of the lock and removes the file, when the name still stands for the file locked.
  void Release();

 private:
  // Tries at a file that other starts remove as fast as it is created.
  static constexpr int kAttempts = 16;
  int mFd = -1;
  std::string mPath;
};

}  // namespace Platform
