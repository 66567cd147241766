#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The pack file format (described in docs/formats.md): a 16-byte header, a directory of named
// entries and the entries' contents, everything after the header scrambled by XOR with a
// one-byte key.
namespace PakFormat {

constexpr char kMagic[4] = {'P', 'C', 'P', 'K'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 16;
constexpr uint8_t kDefaultKey = 0xA7;
constexpr size_t kMaxNameLength = 1024;

struct Entry {
  std::string mName;     // as stored: "/" separators
  uint64_t mOffset = 0;  // from the start of the file
  uint32_t mSize = 0;
};

struct Directory {
  uint8_t mKey = 0;
  std::vector<Entry> mEntries;
};

// Parses and checks the header and directory. `header` holds the first kHeaderSize bytes,
// `directory` the bytes that follow (at least the directory size the header gives, which
// DirectorySize reads), `fileSize` the size of the whole pack. False with a reason when any
// field, name, offset or size does not fit the file.
bool ReadDirectorySize(const uint8_t* header, size_t headerSize, uint64_t fileSize, uint32_t& dirSize,
                       std::string& reason);
bool ParseDirectory(const uint8_t* header, const uint8_t* directory, uint32_t dirSize, uint64_t fileSize,
                    Directory& out, std::string& reason);

void Scramble(uint8_t* data, size_t size, uint8_t key);

// Builds a whole pack in memory from (name, contents) pairs.
std::vector<uint8_t> Build(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files,
                           uint8_t key = kDefaultKey);

}  // namespace PakFormat
