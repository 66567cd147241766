#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// stdio-like access to the game's files: the pack files opened at start-up are searched first,
// then the disk. Names may use "\\" or "/" and any case, in the packs and on the disk alike.
// When two packs hold the same name, the pack added last wins ("mod.pak" over "loc.pak" over
// "data.pak"). Packs are read-only: a mode that writes always goes to the disk.
class PakFileHandle;

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

  // Reads a whole file (pack or disk); false when it cannot be found or read.
  bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& out);
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
// do not exist. The number added. `dataPakProblem`, when given, is set to "missing" or "damaged"
// when "data.pak" could not be added (else left empty).
int AddStandardPaks(PakInterface* pak, const std::string& folder, std::string* dataPakProblem = nullptr);
