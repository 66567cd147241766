// Disk-only stand-in; the pack reader replaces it.
#include "shell/PakInterface.h"

#include <cstdio>
#include <fstream>
#include <iterator>

struct PakInterface::Impl {};
class PakFileHandle {
 public:
  FILE* mFile = nullptr;
};

namespace {
std::string ToSlashes(std::string s) {
  for (auto& c : s)
    if (c == '\\') c = '/';
  return s;
}
}  // namespace

PakInterface::PakInterface() : mImpl(std::make_unique<Impl>()) {}
PakInterface::~PakInterface() = default;
bool PakInterface::AddPakFile(const std::string&) { return false; }
void PakInterface::Reset() {}

PakFileHandle* PakInterface::FOpen(const std::string& name, const char* mode) {
  FILE* f = std::fopen(ToSlashes(name).c_str(), mode);
  if (!f) return nullptr;
  auto* h = new PakFileHandle;
  h->mFile = f;
  return h;
}
size_t PakInterface::FRead(void* dest, size_t size, size_t count, PakFileHandle* file) {
  return file ? std::fread(dest, size, count, file->mFile) : 0;
}
int PakInterface::FSeek(PakFileHandle* file, long offset, int origin) {
  return file ? std::fseek(file->mFile, offset, origin) : -1;
}
long PakInterface::FTell(PakFileHandle* file) { return file ? std::ftell(file->mFile) : -1; }
long PakInterface::FSize(PakFileHandle* file) {
  if (!file) return -1;
  long pos = std::ftell(file->mFile);
  std::fseek(file->mFile, 0, SEEK_END);
  long size = std::ftell(file->mFile);
  std::fseek(file->mFile, pos, SEEK_SET);
  return size;
}
int PakInterface::FClose(PakFileHandle* file) {
  if (!file) return -1;
  int r = std::fclose(file->mFile);
  delete file;
  return r;
}
bool PakInterface::ReadWholeFile(const std::string& name, std::vector<uint8_t>& out) {
  std::ifstream in(ToSlashes(name), std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}
bool PakInterface::Exists(const std::string& name) {
  std::ifstream in(ToSlashes(name), std::ios::binary);
  return bool(in);
}

PakInterface* GetPakInterface() {
  static PakInterface instance;
  return &instance;
}
