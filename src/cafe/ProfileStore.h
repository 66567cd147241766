#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cafe/ProfileCodec.h"

class LocTable;

// Everything the game remembers between runs, in one file "pref.dat" in the user's data folder
// (see ProfileCodec.h for its bytes): the options, the last player, the survival and career
// high-score tables, and one record per player. The store mirrors the header, both tables and
// the current player's record; the other records stay in the file, which is closed between
// operations.
//
// What it promises:
// - Every write builds the whole file in memory and replaces it atomically, so a crash at any
//   moment leaves either the old file or the new one.
// - A file it cannot read as a profile (shorter than the header, wrong magic, other version) is
//   kept aside byte for byte ("pref.dat.v<N>" for another version, else "pref.dat.bad", numbered
//   when taken), never overwritten; the defaults apply.
// - Values out of range are mended on load with a "WARNING: " line; a cut table keeps its
//   complete rows, a cut trailing record is dropped.
// - A damaged file (cut inside the tables or a record, or longer than kMaxFileSize, whose further
//   bytes are not read) is kept aside byte for byte ("pref.dat.bad") as the complete pieces are
//   written back. A file is kept aside (a second link to it, or a copy) only by a save that
//   replaces it: until one succeeds it stays where it is, and nothing is kept.
// - It never holds more than kMaxRecords players: a further one is refused.
// - A failed save answers false with an "ERROR: " line naming the system's cause, keeps every
//   value in memory and the file as it was; the application tells the player once a run that
//   progress will not be saved.
// - Only a regular file is read: a named pipe, a folder or a device in its place is refused with a
//   warning (never waited on) and never written over.
class ProfileStore {
 public:
  using Header = ProfileCodec::Header;
  using ScoreRow = ProfileCodec::ScoreRow;
  using ScoreTable = ProfileCodec::ScoreTable;
  using PlayerRecord = ProfileCodec::PlayerRecord;
  // The result of InsertScore for a score that does not enter the table.
  static constexpr int32_t kNoPlace = int32_t(ProfileCodec::kRows);

  ProfileStore();

  // The file: "pref.dat" in the profile folder of the user's data folder, fixed at first use.
  const std::string& GetPath();

  // Reads the header, both tables and the current player, mends what is out of range, applies
  // the settings and saves. True when a stored profile was read (false: the defaults).
  bool Load();
  // Writes the header, both tables, every stored record and the current one (in place, or
  // appended when new). False before Load and when the file cannot be written.
  bool Save();

  // The default header (volumes 30 and 60, full screen, no player) and default tables.
  void ResetHeader();
  // Both tables from the texts "record_survival_name_01".."_14", "record_survival_value_01"..
  // and the same for "career".
  void ResetHighScores();
  // The current record := a new player of that name ("unknown" for an empty name).
  void NewPlayerRecord(const std::wstring& name);
  // The current player starts again: one level open, no money, marks or upgrades.
  void ResetProgress();
  // Volumes (0 when muted) and screen mode go to the application.
  void ApplySettings();

  // Saves the current player, then makes a new one current and appends it; `fill`, when given,
  // sets its values before it is written. False when the new player is not in the file: either
  // refused, with nothing changed, because a stored current player cannot be saved first or the
  // file holds kMaxRecords players (IsFull), or (no stored player was current) made current in
  // memory only.
  bool CreatePlayer(const std::wstring& name, const std::function<void(PlayerRecord&)>& fill = {});
  // True when the file holds kMaxRecords players: no further one can be created.
  bool IsFull();
  // Record n becomes the current player, then the store is saved. False (nothing changed) when
  // there is no record n.
  bool LoadPlayer(int32_t n);
  // Every stored record, in file order.
  void ListPlayers(std::vector<PlayerRecord>& out);
  // Saves, then removes record n; the current player stays current (player 0 when it was n).
  // Removing the only player leaves the unwritten "unknown" player.
  bool DeletePlayer(int32_t n);

  ScoreTable& GetScoreTable(bool survival) { return survival ? mSurvival : mCareer; }
  // Enters a score; the place 0..13, or kNoPlace when the score is below 1, does not reach the
  // table, or the name holds a better row already. The caller saves.
  int32_t InsertScore(bool survival, const std::wstring& name, int32_t value);
  // The value of the name's row in the table, 0 when the name holds none.
  int32_t GetBestScore(bool survival, const std::wstring& name) const;

  // The current player's name as shown.
  std::wstring GetPlayerName() const { return ProfileCodec::NameToWide(mPlayer.name); }
  // True when a stored or newly created player is current (Save writes its record).
  bool HasPlayer() const { return mWritePlayer; }

  // The texts of the default tables; null (the default) takes the application's.
  void SetTexts(const LocTable* texts) { mTexts = texts; }
  // Where the last rejected file was renamed (empty: none).
  const std::string& KeptAside() const { return mKeptAside; }

  // Load's steps on bytes already read (the fuzz target drives the store through these).
  // `size` 0 with `exists` false is a missing file. Returns whether the header was valid.
  bool LoadBytes(const uint8_t* bytes, size_t size, bool exists);
  // The file Save would write over `stored` (the bytes on disk, empty for none), with at most
  // kMaxRecords players; sets `index` to the current player's index in it (-1 when the current
  // player is not in it: none, or no room to append it).
  std::vector<uint8_t> BuildFile(const std::vector<uint8_t>& stored, int32_t& index) const;

  Header mHeader;
  PlayerRecord mPlayer;
  bool mWritePlayer = false;
  ScoreTable mSurvival{};
  ScoreTable mCareer{};

 private:
  enum class ReadResult { Missing, Read, Failed };
  // Reads at most kMaxFileSize bytes; `overLimit` (when given) tells that the file is longer.
  ReadResult ReadFile(std::vector<uint8_t>& bytes, bool* overLimit = nullptr);
  // Reads the stored records for an operation on them; false (with an "ERROR: " line) when the
  // file cannot be read or is not a profile.
  bool ReadRecords(std::vector<PlayerRecord>& records, const char* operation);
  // Why a stored file is kept aside before it is replaced, and under which suffix (empty: a sound
  // profile, replaced without a copy).
  struct Rejected {
    std::string suffix;
    std::string cause;
    const char* outcome = "";
  };
  // A file that is not a profile, or is damaged (cut, or `overLimit`: longer than any profile).
  static Rejected CheckStored(const std::vector<uint8_t>& stored, bool overLimit);
  // Replaces the file; on failure the cause (with `note`) goes to ReportUnsaved.
  bool WriteBytes(const std::vector<uint8_t>& bytes, const std::string& note = std::string());
  // A save that failed: the cause in the log, and the application tells the player once.
  void ReportUnsaved(const std::string& cause);

  std::string mPath;
  std::string mKeptAside;
  const LocTable* mTexts = nullptr;
  bool mLoaded = false;
  // Set when a rejected file could not be kept aside: saving would destroy it.
  bool mSaveBlocked = false;
};

// The program's one profile store.
ProfileStore& GetProfileStore();
