#pragma once
#include <unistd.h>

#include <filesystem>
#include <string>

// The test program's own folder in the system's temporary folder (named after its process), made
// on first use and removed with everything in it when the program ends. A forked child shares it
// and never removes it: the process that made it does.
inline const std::filesystem::path& TestTempFolder() {
  struct Folder {
    pid_t owner = ::getpid();
    std::filesystem::path path = std::filesystem::temp_directory_path() / ("cafe_test_" + std::to_string(owner));
    Folder() {
      std::filesystem::remove_all(path);
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ec;
      if (::getpid() == owner) std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return folder.path;
}

// An empty folder of that name in the test program's own temporary folder.
inline std::filesystem::path FreshTempFolder(const std::string& name) {
  const std::filesystem::path path = TestTempFolder() / name;
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}
