// Feeds arbitrary bytes to the pack reader as a pack, then reads every entry it accepted
// through whole-file reads and through handles with seeks.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "shell/PakFormat.h"
#include "shell/PakInterface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PakInterface pak;
  if (!pak.AddPakMemory(std::vector<uint8_t>(data, data + size), "fuzz.pak")) return 0;
  // The names the directory holds, read with the same checks as the reader.
  PakFormat::Directory dir;
  std::string reason;
  uint32_t dirSize = 0;
  if (!PakFormat::ReadDirectorySize(data, size, size, dirSize, reason) ||
      !PakFormat::ParseDirectory(data, data + PakFormat::kHeaderSize, dirSize, size, dir, reason))
    __builtin_trap();  // the reader accepted what the parser refuses
  for (const PakFormat::Entry& e : dir.mEntries) {
    if (!pak.IsInPak(e.mName)) continue;  // never fall through to the disk
    std::vector<uint8_t> bytes;
    if (!pak.ReadWholeFile(e.mName, bytes)) __builtin_trap();
    PakFileHandle* h = pak.FOpen(e.mName, "rb");
    if (!h) __builtin_trap();
    long fileSize = pak.FSize(h);
    uint8_t buf[64];
    pak.FSeek(h, fileSize / 2, SEEK_SET);
    pak.FRead(buf, 3, sizeof buf / 3, h);
    pak.FSeek(h, -5, SEEK_END);
    pak.FRead(buf, 1, sizeof buf, h);
    pak.FSeek(h, 100, SEEK_CUR);
    pak.FRead(buf, 1, sizeof buf, h);
    pak.FClose(h);
  }
  return 0;
}
