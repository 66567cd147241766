#include "cafe/ProfileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <filesystem>

#include "engine/ZCEngine.h"
#include "platform/paths/UserPaths.h"
#include "shell/LocTable.h"
#include "shell/Log.h"
#include "shell/VeskAppBase.h"

using namespace ProfileCodec;

namespace {

constexpr const char* kVendorFolder = "Vantor Games";
constexpr const char* kProductFolder = "Pellor2";
constexpr const char* kFileName = "pref.dat";

void LogMended(const char* what, const std::vector<std::string>& mended) {
  for (const std::string& field : mended) LogMessage("WARNING: pref.dat: %s: %s out of range, mended", what, field.c_str());
}

}  // namespace

ProfileStore::ProfileStore() { NewPlayerRecord(L""); }

const std::string& ProfileStore::GetPath() {
  if (mPath.empty()) mPath = Platform::JoinPath(Platform::UserDataDir(kVendorFolder, kProductFolder), kFileName);
  return mPath;
}

ProfileStore::ReadResult ProfileStore::ReadFile(std::vector<uint8_t>& bytes, bool* overLimit) {
  bytes.clear();
  // Opened without waiting: a named pipe in its place would otherwise block until someone wrote
  // to it. Only a regular file is read; anything else is left where it is and never written over.
  int fd = ::open(GetPath().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::Missing;
    LogMessage("ERROR: cannot open %s: %s", mPath.c_str(), std::strerror(errno));
    return ReadResult::Failed;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    LogMessage("WARNING: %s is not a regular file (%s); it is not read, and the profile is not saved over it",
               mPath.c_str(), S_ISFIFO(info.st_mode) ? "a named pipe" : S_ISDIR(info.st_mode) ? "a folder" : "a device or socket");
    ::close(fd);
    return ReadResult::Failed;
  }
  uint8_t buffer[65536];
  if (overLimit) *overLimit = false;
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0 && bytes.size() + size_t(n) > kMaxFileSize) {
      // Noise past any real profile: the first kMaxRecords players are all that is read.
      bytes.insert(bytes.end(), buffer, buffer + (kMaxFileSize - bytes.size()));
      LogMessage("WARNING: %s is longer than %zu bytes; only its first %zu players are read", mPath.c_str(),
                 kMaxFileSize, kMaxRecords);
      if (overLimit) *overLimit = true;
      break;
    }
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      LogMessage("ERROR: cannot read %s: %s", mPath.c_str(), std::strerror(errno));
      ::close(fd);
      return ReadResult::Failed;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return ReadResult::Read;
}

ProfileStore::Rejected ProfileStore::CheckStored(const std::vector<uint8_t>& stored, bool overLimit) {
  Rejected rejected;
  HeaderState state = CheckHeaderBytes(stored.data(), stored.size());
  if (state != HeaderState::Valid) {
    rejected.suffix = ".bad";
    if (state == HeaderState::BadVersion) rejected.suffix = ".v" + std::to_string(DecodeHeader(stored.data()).version);
    rejected.cause = std::string("no profile of this game (") + HeaderStateName(state) + ")";
    rejected.outcome = "the defaults apply";
    return rejected;
  }
  const char* damage = overLimit                                            ? "longer than any profile"
                       : stored.size() < kRecordsOffset                     ? "cut inside its high scores"
                       : (stored.size() - kRecordsOffset) % kRecordSize != 0 ? "cut inside a player"
                                                                              : nullptr;
  if (damage) {
    rejected.suffix = ".bad";
    rejected.cause = damage;
    rejected.outcome = "its complete players are saved";
  }
  return rejected;
}

bool ProfileStore::LoadBytes(const uint8_t* bytes, size_t size, bool exists) {
  // Everything goes into temporaries first, so a file that is not a profile changes nothing.
  HeaderState state = exists ? CheckHeaderBytes(bytes, size) : HeaderState::Short;
  bool valid = exists && state == HeaderState::Valid;
  if (!valid) {
    ResetHeader();
  } else {
    Header header = DecodeHeader(bytes);
    std::vector<std::string> mended;
    CheckHeader(header, &mended);
    LogMended("header", mended);
    // The tables: every complete row; a cut table leaves the rest empty.
    ScoreTable tables[2] = {};
    const size_t offsets[2] = {kSurvivalOffset, kCareerOffset};
    for (int t = 0; t < 2; ++t) {
      for (size_t i = 0; i < kRows; ++i) {
        size_t at = offsets[t] + i * kRowSize;
        if (at + kRowSize > size) {
          LogMessage("WARNING: pref.dat: the %s table is cut after %zu rows", t == 0 ? "survival" : "career", i);
          break;
        }
        tables[t][i] = DecodeRow(bytes + at);
        mended.clear();
        CheckRow(tables[t][i], &mended);
        LogMended(t == 0 ? "survival table" : "career table", mended);
      }
    }
    mHeader = header;
    mSurvival = tables[0];
    mCareer = tables[1];
    if (size > kRecordsOffset && (size - kRecordsOffset) % kRecordSize != 0)
      LogMessage("WARNING: pref.dat: a cut record of %zu bytes at the end is dropped", (size - kRecordsOffset) % kRecordSize);
  }
  // The player: the index is checked against the complete records, in 64 bits.
  size_t count = valid ? RecordCount(size) : 0;
  int32_t index = mHeader.currentIndex;
  if (index >= 0 && uint64_t(index) < count) {
    PlayerRecord record = DecodeRecord(bytes + RecordOffset(uint64_t(index)));
    std::vector<std::string> mended;
    CheckRecord(record, &mended);
    LogMended("player", mended);
    mPlayer = record;
    mWritePlayer = true;
  } else {
    if (index >= 0)
      LogMessage("WARNING: pref.dat: player %d does not exist (%zu stored); no player is current", index, count);
    mHeader.currentIndex = -1;
    NewPlayerRecord(L"unknown");
    mWritePlayer = false;
  }
  mLoaded = true;
  return valid;
}

bool ProfileStore::Load() {
  mKeptAside.clear();
  mSaveBlocked = false;
  std::string folder = std::filesystem::path(GetPath()).parent_path().string();
  std::string error;
  if (!Platform::EnsureDirectory(folder, &error))
    LogMessage("ERROR: cannot create the profile folder %s: %s", folder.c_str(), error.c_str());
  std::vector<uint8_t> bytes;
  ReadResult read = ReadFile(bytes);
  bool valid = LoadBytes(bytes.data(), bytes.size(), read == ReadResult::Read);
  ApplySettings();
  // A file that is not a profile is kept aside by this save.
  Save();
  return valid;
}

std::vector<uint8_t> ProfileStore::BuildFile(const std::vector<uint8_t>& stored, int32_t& index) const {
  Contents contents = Parse(stored.data(), stored.size());
  std::vector<PlayerRecord>& records = contents.records;
  if (contents.state != HeaderState::Valid) records.clear();
  index = mHeader.currentIndex;
  // Never more players than a load reads back.
  if (records.size() > kMaxRecords) records.resize(kMaxRecords);
  if (mWritePlayer) {
    if (index >= 0 && size_t(index) < records.size()) {
      records[size_t(index)] = mPlayer;
    } else if (records.size() < kMaxRecords) {
      index = int32_t(records.size());
      records.push_back(mPlayer);
    } else {
      index = -1;  // no room: the current player is not in the file
    }
  }
  Header header = mHeader;
  header.currentIndex = index;
  return Build(header, mSurvival, mCareer, records);
}

bool ProfileStore::WriteBytes(const std::vector<uint8_t>& bytes, const std::string& note) {
  std::string folder = std::filesystem::path(GetPath()).parent_path().string();
  std::string error;
  if (!Platform::EnsureDirectory(folder, &error) || !Platform::WriteFileAtomic(mPath, bytes.data(), bytes.size(), &error)) {
    // The file keeps its last good contents; the player hears once that progress is not saved.
    ReportUnsaved(error + note);
    return false;
  }
  return true;
}

void ProfileStore::ReportUnsaved(const std::string& cause) {
  if (gVeskApp)
    gVeskApp->ReportWriteFailure(mPath, cause + "; the profile stays in memory");
  else
    LogMessage("ERROR: cannot write %s: %s; the profile stays in memory", mPath.c_str(), cause.c_str());
}

bool ProfileStore::Save() {
  if (!mLoaded || mSaveBlocked) {
    LogMessage("ERROR: pref.dat not saved: %s", mLoaded ? "a damaged file could not be kept aside" : "not loaded yet");
    return false;
  }
  std::vector<uint8_t> stored;
  bool overLimit = false;
  ReadResult read = ReadFile(stored, &overLimit);
  if (read == ReadResult::Failed) {
    ReportUnsaved("the stored players cannot be read");
    return false;
  }
  int32_t index = -1;
  std::vector<uint8_t> bytes = BuildFile(stored, index);
  if (mWritePlayer && index < 0) {
    ReportUnsaved("it holds " + std::to_string(kMaxRecords) + " players, the most it can; the current player is not written");
    return false;
  }
  // A file that is not a profile (also one put there since the load) or a damaged one is kept
  // whole under another name, and stays in its place until the new file (its complete pieces,
  // read into `stored`) replaces it: a save that fails leaves it as it was, and keeps no copy.
  const Rejected rejected = read == ReadResult::Read ? CheckStored(stored, overLimit) : Rejected();
  std::string kept;
  if (!rejected.suffix.empty()) {
    kept = Platform::KeepCopy(GetPath(), rejected.suffix);
    const int keepError = errno;
    if (kept.empty()) {
      // As any save that fails: the player hears once that progress is not saved.
      ReportUnsaved("the file there (" + rejected.cause + ") could not be kept aside: " + std::strerror(keepError) +
                    "; it will not be overwritten");
      mSaveBlocked = true;
      return false;
    }
  }
  if (!WriteBytes(bytes, kept.empty() ? std::string() : "; the file there (" + rejected.cause + ") stays as it was")) {
    if (!kept.empty()) ::unlink(kept.c_str());
    return false;
  }
  if (!kept.empty()) {
    mKeptAside = kept;
    LogMessage("ERROR: %s: %s; kept as %s, %s", mPath.c_str(), rejected.cause.c_str(), kept.c_str(), rejected.outcome);
  }
  mHeader.currentIndex = index;
  return true;
}

void ProfileStore::ResetHeader() {
  mHeader = Header();
  ResetHighScores();
}

void ProfileStore::ResetHighScores() {
  const LocTable* texts = mTexts;
  if (!texts && GetEngine()) texts = GetEngine()->GetLocTable();
  const char* kinds[2] = {"survival", "career"};
  for (int t = 0; t < 2; ++t) {
    ScoreTable& table = GetScoreTable(t == 0);
    for (size_t i = 0; i < kRows; ++i) {
      char nameId[64], valueId[64];
      std::snprintf(nameId, sizeof nameId, "record_%s_name_%02zu", kinds[t], i + 1);
      std::snprintf(valueId, sizeof valueId, "record_%s_value_%02zu", kinds[t], i + 1);
      ScoreRow row;
      if (texts && texts->HasText(nameId)) {
        row.name = WideToName(texts->GetText(nameId));
        std::wstring value = texts->HasText(valueId) ? texts->GetText(valueId) : L"";
        wchar_t* end = nullptr;
        long v = std::wcstol(value.c_str(), &end, 10);
        if (end == value.c_str() || v < 0 || v > 0x7fffffffL) {
          LogMessage("WARNING: text %s is no score", valueId);
          v = 0;
        }
        row.value = int32_t(v);
      }
      table[i] = row;
    }
  }
}

void ProfileStore::NewPlayerRecord(const std::wstring& name) {
  ResetProgress();
  mPlayer.unknown256 = 0;
  mPlayer.name = WideToName(name.empty() ? std::wstring(L"unknown") : name);
}

void ProfileStore::ResetProgress() {
  Name name = mPlayer.name;
  int32_t unknown = mPlayer.unknown256;
  mPlayer = PlayerRecord();
  mPlayer.name = name;
  mPlayer.unknown256 = unknown;
}

void ProfileStore::ApplySettings() {
  ZCEngine* engine = GetEngine();
  if (!engine) return;
  // The engine hears both volumes as 0 while muted.
  engine->SetSfxVolume(mHeader.soundVolume);
  engine->SetMusicVolume(mHeader.musicVolume);
  engine->SetMuted(mHeader.mute != 0);
  engine->SwitchWindowed(mHeader.windowed != 0);
}

bool ProfileStore::CreatePlayer(const std::wstring& name, const std::function<void(PlayerRecord&)>& fill) {
  // A stored current player is replaced in memory only once it is safe in the file. The unwritten
  // "unknown" player has nothing to lose: the new one takes its place even when nothing can be
  // written, and plays on in memory (a later save that succeeds appends it).
  if (!Save() && mWritePlayer) return false;
  if (IsFull()) {
    LogMessage("WARNING: %s holds %zu players, the most it can; no player is added", mPath.c_str(), kMaxRecords);
    return false;
  }
  NewPlayerRecord(name);
  mHeader.currentIndex = -1;
  mWritePlayer = true;
  if (fill) fill(mPlayer);
  return Save();
}

bool ProfileStore::IsFull() {
  std::vector<uint8_t> bytes;
  return ReadFile(bytes) == ReadResult::Read && CheckHeaderBytes(bytes.data(), bytes.size()) == HeaderState::Valid &&
         RecordCount(bytes.size()) >= kMaxRecords;
}

bool ProfileStore::ReadRecords(std::vector<PlayerRecord>& records, const char* operation) {
  records.clear();
  std::vector<uint8_t> bytes;
  ReadResult read = ReadFile(bytes);
  if (read == ReadResult::Failed) return false;
  if (read == ReadResult::Missing) return true;
  Contents contents = Parse(bytes.data(), bytes.size());
  if (contents.state != HeaderState::Valid) {
    LogMessage("ERROR: %s: %s is no profile (%s)", operation, mPath.c_str(), HeaderStateName(contents.state));
    return false;
  }
  records = std::move(contents.records);
  return true;
}

bool ProfileStore::LoadPlayer(int32_t n) {
  std::vector<PlayerRecord> records;
  if (n < 0 || !ReadRecords(records, "LoadPlayer") || size_t(n) >= records.size()) return false;
  PlayerRecord record = records[size_t(n)];
  std::vector<std::string> mended;
  CheckRecord(record, &mended);
  LogMended("player", mended);
  mPlayer = record;
  mHeader.currentIndex = n;
  mWritePlayer = true;
  Save();
  return true;
}

void ProfileStore::ListPlayers(std::vector<PlayerRecord>& out) {
  ReadRecords(out, "ListPlayers");
  for (PlayerRecord& r : out) CheckRecord(r);
}

bool ProfileStore::DeletePlayer(int32_t n) {
  // Unsaved changes of the current player go to the file before the records move.
  if (!Save()) return false;
  std::vector<PlayerRecord> records;
  if (n < 0 || !ReadRecords(records, "DeletePlayer") || size_t(n) >= records.size()) return false;
  records.erase(records.begin() + n);
  Header header = mHeader;
  PlayerRecord player = mPlayer;
  bool writePlayer = mWritePlayer;
  if (header.currentIndex >= n) {
    header.currentIndex = header.currentIndex == n ? 0 : header.currentIndex - 1;
    if (records.empty()) {
      // The last player is gone: nobody is current, and nothing is written back.
      header.currentIndex = -1;
      writePlayer = false;
    } else {
      player = records[size_t(header.currentIndex)];
      CheckRecord(player);
      writePlayer = true;
    }
  }
  if (!WriteBytes(Build(header, mSurvival, mCareer, records))) return false;
  mHeader = header;
  mWritePlayer = writePlayer;
  mPlayer = player;
  if (!writePlayer) NewPlayerRecord(L"unknown");
  return true;
}

int32_t ProfileStore::InsertScore(bool survival, const std::wstring& name, int32_t value) {
  if (value < 1) return kNoPlace;
  ScoreTable& table = GetScoreTable(survival);
  int32_t place = 0;
  while (place < kNoPlace && table[size_t(place)].value > value) ++place;
  if (place == kNoPlace) return kNoPlace;
  ScoreRow row;
  row.name = WideToName(name);
  row.value = value;
  int32_t same = kNoPlace;
  for (int32_t i = 0; i < kNoPlace; ++i) {
    if (NameView(table[size_t(i)].name) == NameView(row.name)) {
      same = i;
      break;
    }
  }
  if (same < place) return kNoPlace;  // the name holds a better row already
  // Rows place..same-1 move down one, over the name's old row (or off the end for a new name).
  int32_t last = same == kNoPlace ? kNoPlace - 1 : same;
  for (int32_t i = last; i > place; --i) table[size_t(i)] = table[size_t(i - 1)];
  table[size_t(place)] = row;
  return place;
}

int32_t ProfileStore::GetBestScore(bool survival, const std::wstring& name) const {
  const Name wanted = WideToName(name);
  for (const ScoreRow& row : survival ? mSurvival : mCareer)
    if (NameView(row.name) == NameView(wanted)) return row.value;
  return 0;
}

ProfileStore& GetProfileStore() {
  static ProfileStore store;
  return store;
}
