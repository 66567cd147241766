#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// stdio-like access to the game's files: the pack files opened at start-up are searched first,
// then the disk. Names may use "\\" or "/" and any case, in the packs and on the disk alike.
// When two packs hold the same name, the pack added last wins ("mod.pak" over "loc.pak" over
// "data.pak"). Packs are read-only: a mode that writes always goes to the disk.
//
// Only regular files are read from the disk (never a device, a pipe or a folder), each within the
// size limit of its kind. Once confined to the data folder (the game is, from the engine's start),
// a name is also refused, with a "WARNING: " line, when it is absolute or its ".." parts climb
// above the folder: data can then name nothing outside the packs and the game's own folder.
class PakFileHandle;

// What a file is read as; each kind has its own size limit (FileSizeLimit).
enum class FileKind { kAny, kXml, kImage, kFontFace, kFontDescription, kAnimation, kSound, kMusic };
uint64_t FileSizeLimit(FileKind kind);

class PakInterface {
 public:
  PakInterface();
  ~PakInterface();
  PakInterface(const PakInterface&) = delete;
  PakInterface& operator=(const PakInterface&) = delete;

  // Opens a pack file and adds it to the search; false (and an "ERROR: " log line) when the
  // file is missing or is not a valid pack.
  bool AddPakFile(const std::string& path);
  // The same for a pack already in memory; `label` names it in log lines.
  bool AddPakMemory(std::vector<uint8_t> bytes, const std::string& label);
  // Forgets every pack (tests).
  void Reset();

  PakFileHandle* FOpen(const std::string& name, const char* mode);
  size_t FRead(void* dest, size_t size, size_t count, PakFileHandle* file);
  int FSeek(PakFileHandle* file, long offset, int origin);
  long FTell(PakFileHandle* file);
  long FSize(PakFileHandle* file);
  int FClose(PakFileHandle* file);

  // Names must stay inside the current folder (the game's data folder) and the packs; off for a
  // new file layer (tools and tests read files anywhere).
  void ConfineToDataFolder(bool confine);
  // The name as the layer looks it up: slashes normalised and ".." parts folded; empty (and a
  // "WARNING: " line, once per name) when it is refused.
  std::string CheckName(const std::string& name);

  // Reads a whole file (pack or disk); false when it cannot be found or read, is refused, is
  // not a regular file or is larger than its kind's limit (the last three with a "WARNING: ").
  bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& out, FileKind kind = FileKind::kAny);
  bool Exists(const std::string& name);
  // True when one of the packs holds the name.
  bool IsInPak(const std::string& name);

 private:
  struct Impl;
  std::unique_ptr<Impl> mImpl;
};

// The process-wide file layer.
PakInterface* GetPakInterface();
// Adds "data.pak", "loc.pak" and "mod.pak" from the folder, in that order, skipping those that
// do not exist. The number added. `problems`, when given, is filled with the name of each pack
// that could not be added and why: "missing", or "damaged" when something of the name is there
// but is no readable pack (a cut file, a folder, a link that loops, a name that may not be
// looked at); a link to nothing is missing.
int AddStandardPaks(PakInterface* pak, const std::string& folder, std::map<std::string, std::string>* problems = nullptr);
