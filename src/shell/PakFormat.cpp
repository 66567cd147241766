#include "shell/PakFormat.h"

#include <cstring>

namespace PakFormat {
namespace {

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

constexpr size_t kEntryFixed = 2 + 4 + 4;  // name length, offset, size

}  // namespace

bool ReadDirectorySize(const uint8_t* header, size_t headerSize, uint64_t fileSize, uint32_t& dirSize,
                       std::string& reason) {
  if (headerSize < kHeaderSize || fileSize < kHeaderSize) {
    reason = "file too short for a pack header";
    return false;
  }
  if (std::memcmp(header, kMagic, 4) != 0) {
    reason = "bad magic";
    return false;
  }
  uint16_t version = Get16(header + 4);
  if (version != kVersion) {
    reason = "unsupported version " + std::to_string(version);
    return false;
  }
  uint32_t count = Get32(header + 8);
  dirSize = Get32(header + 12);
  if (uint64_t(dirSize) > fileSize - kHeaderSize) {
    reason = "directory runs past the end of the file";
    return false;
  }
  if (uint64_t(count) * kEntryFixed > dirSize) {
    reason = "entry count does not fit the directory";
    return false;
  }
  return true;
}

bool ParseDirectory(const uint8_t* header, const uint8_t* directory, uint32_t dirSize, uint64_t fileSize,
                    Directory& out, std::string& reason) {
  uint32_t checkedSize = 0;
  if (!ReadDirectorySize(header, kHeaderSize, fileSize, checkedSize, reason)) return false;
  if (checkedSize != dirSize) {
    reason = "directory size mismatch";
    return false;
  }
  out.mKey = header[6];
  uint32_t count = Get32(header + 8);
  const uint64_t dataStart = kHeaderSize + uint64_t(dirSize);
  out.mEntries.clear();
  out.mEntries.reserve(count);
  size_t pos = 0;
  uint8_t fixed[kEntryFixed];
  for (uint32_t i = 0; i < count; ++i) {
    if (dirSize - pos < kEntryFixed) {
      reason = "directory truncated at entry " + std::to_string(i);
      return false;
    }
    std::memcpy(fixed, directory + pos, 2);
    Scramble(fixed, 2, out.mKey);
    uint16_t nameLen = Get16(fixed);
    pos += 2;
    if (nameLen == 0 || nameLen > kMaxNameLength || dirSize - pos < size_t(nameLen) + 8) {
      reason = "bad name length in entry " + std::to_string(i);
      return false;
    }
    Entry e;
    e.mName.assign(reinterpret_cast<const char*>(directory + pos), nameLen);
    Scramble(reinterpret_cast<uint8_t*>(e.mName.data()), nameLen, out.mKey);
    pos += nameLen;
    if (e.mName.find('\0') != std::string::npos) {
      reason = "name with a NUL byte in entry " + std::to_string(i);
      return false;
    }
    std::memcpy(fixed, directory + pos, 8);
    Scramble(fixed, 8, out.mKey);
    e.mOffset = Get32(fixed);
    e.mSize = Get32(fixed + 4);
    pos += 8;
    if (e.mOffset < dataStart || e.mOffset > fileSize || uint64_t(e.mSize) > fileSize - e.mOffset) {
      reason = "entry \"" + e.mName + "\" lies outside the file";
      return false;
    }
    out.mEntries.push_back(std::move(e));
  }
  return true;
}

void Scramble(uint8_t* data, size_t size, uint8_t key) {
  for (size_t i = 0; i < size; ++i) data[i] ^= key;
}

std::vector<uint8_t> Build(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files, uint8_t key) {
  std::vector<uint8_t> dir;
  size_t dirSize = 0;
  for (auto& f : files) dirSize += kEntryFixed + f.first.size();
  uint64_t offset = kHeaderSize + dirSize;
  for (auto& f : files) {
    Put16(dir, uint16_t(f.first.size()));
    dir.insert(dir.end(), f.first.begin(), f.first.end());
    Put32(dir, uint32_t(offset));
    Put32(dir, uint32_t(f.second.size()));
    offset += f.second.size();
  }
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  Put16(out, kVersion);
  out.push_back(key);
  out.push_back(0);
  Put32(out, uint32_t(files.size()));
  Put32(out, uint32_t(dir.size()));
  size_t bodyStart = out.size();
  out.insert(out.end(), dir.begin(), dir.end());
  for (auto& f : files) out.insert(out.end(), f.second.begin(), f.second.end());
  Scramble(out.data() + bodyStart, out.size() - bodyStart, key);
  return out;
}

}  // namespace PakFormat
