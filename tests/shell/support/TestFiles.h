#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A fresh folder for one test in the test program's own temporary folder, removed with everything
// in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return mPath; }
  // The path of a name inside the folder.
  std::string operator/(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

// Writes a file, creating its folders.
void WriteFile(const std::string& path, const std::string& contents);
void WriteFile(const std::string& path, const std::vector<uint8_t>& contents);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::vector<uint8_t> Bytes(const std::string& s);
