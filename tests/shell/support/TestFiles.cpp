#include "shell/support/TestFiles.h"

#include "driver/TestFolder.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  mPath = FreshTempFolder("dir" + std::to_string(counter++)).string();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(mPath, ec);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& contents) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(contents.data()), std::streamsize(contents.size()));
}

void WriteFile(const std::string& path, const std::string& contents) { WriteFile(path, Bytes(contents)); }

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
