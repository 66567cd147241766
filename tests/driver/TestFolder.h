#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

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

// What may stand under a file's name in its place: a folder, a link to `target` (which does not
// exist), a named pipe, another user's file. `make` puts it there (false where it cannot be made
// here: another user's file needs root); `intact` tells it is still there as it was made.
struct ThingInPlaceOfAFile {
  const char* what;
  std::function<bool()> make;
  std::function<bool()> intact;
};

inline std::vector<ThingInPlaceOfAFile> ThingsInPlaceOfAFile(const std::string& name, const std::string& target) {
  namespace fs = std::filesystem;
  const auto contents = [name] {
    std::ifstream in(name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  return {
      {"a folder", [name] { return fs::create_directory(name); }, [name] { return fs::is_directory(fs::symlink_status(name)); }},
      {"a dangling link", [name, target] { fs::create_symlink(target, name); return true; },
       [name, target] { return fs::is_symlink(fs::symlink_status(name)) && !fs::exists(fs::symlink_status(target)); }},
      {"a named pipe", [name] { return ::mkfifo(name.c_str(), 0600) == 0; },
       [name] { return fs::is_fifo(fs::symlink_status(name)); }},
      {"another user's file",
       [name] {
         std::ofstream(name) << "theirs";
         return ::geteuid() != 65534 && ::chown(name.c_str(), 65534, 65534) == 0;
       },
       [contents] { return contents() == "theirs"; }},
  };
}
