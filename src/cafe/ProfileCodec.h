#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The bytes of "pref.dat" and the values they hold. Every field is read and written one by one
// at its fixed offset, little-endian; names are 128 raw UTF-16 units. The profile store, the
// prefdump tool and the fuzz target share this code, so all three agree on the layout:
//
//   0                     header (40 bytes)
//   40                    survival high-score table, 14 rows of 260 bytes
//   3680                  career high-score table, 14 rows of 260 bytes
//   7320 + 920 n          player record n, up to the end of the file
//
// Decoding keeps the values as stored; Check* then mends what is out of range and names it.
namespace ProfileCodec {

constexpr size_t kHeaderSize = 40;
constexpr size_t kNameUnits = 128;
constexpr size_t kRowSize = 260;
constexpr size_t kRows = 14;
constexpr size_t kTableSize = kRowSize * kRows;
constexpr size_t kSurvivalOffset = kHeaderSize;
constexpr size_t kCareerOffset = kSurvivalOffset + kTableSize;
constexpr size_t kRecordsOffset = kCareerOffset + kTableSize;
constexpr size_t kRecordSize = 920;
constexpr int32_t kVersion = 18;
// The most players a file is read with: more than anyone makes by hand, and a file of at most
// kMaxFileSize bytes (about 1 MB). Bytes past it are not read.
constexpr size_t kMaxRecords = 1000;
constexpr size_t kMaxFileSize = kRecordsOffset + kRecordSize * kMaxRecords;
constexpr size_t kUpgrades = 29;
constexpr size_t kLevels = 60;
constexpr size_t kAchievements = 5;
constexpr size_t kBonusTypes = 5;
constexpr int32_t kMaxVolume = 100;
extern const std::array<uint8_t, 16> kMagic;

// A zero-terminated UTF-16 name as stored (unit 127 is 0 once checked).
using Name = std::array<char16_t, kNameUnits>;

struct Header {
  std::array<uint8_t, 16> magic = kMagic;
  int32_t version = kVersion;
  int32_t musicVolume = 30;
  int32_t soundVolume = 60;
  uint8_t windowed = 0;  // 0: full screen
  uint8_t mute = 0;
  int32_t currentIndex = -1;  // -1: no player
  int32_t reserved = 0;
  bool operator==(const Header&) const = default;
};

struct ScoreRow {
  Name name{};
  int32_t value = 0;
  bool operator==(const ScoreRow&) const = default;
};
using ScoreTable = std::array<ScoreRow, kRows>;

struct PlayerRecord {
  Name name{};
  int32_t unknown256 = 0;  // kept as read; 0 for a new player
  std::array<uint8_t, kUpgrades> upgrades{};
  int32_t levelsOpen = 1;
  std::array<int32_t, kLevels> bestMoney{};  // index: level number
  std::array<uint8_t, 16> reserved{};
  std::array<uint8_t, kLevels> expert{};
  std::array<uint8_t, kLevels * kAchievements> achievements{};  // level-major
  std::array<uint8_t, kBonusTypes> bonusHints{};
  bool operator==(const PlayerRecord&) const = default;
};

// Names: UTF-16 units to wide text and back. A name longer than 127 units is cut (never inside a
// surrogate pair); text from before an early terminator is all that counts.
std::wstring NameToWide(const Name& name);
Name WideToName(std::wstring_view text);
std::u16string_view NameView(const Name& name);

// Fixed-size pieces; `bytes` holds at least the piece's size.
void EncodeHeader(const Header& h, uint8_t* bytes);
Header DecodeHeader(const uint8_t* bytes);
void EncodeRow(const ScoreRow& row, uint8_t* bytes);
ScoreRow DecodeRow(const uint8_t* bytes);
void EncodeRecord(const PlayerRecord& r, uint8_t* bytes);
PlayerRecord DecodeRecord(const uint8_t* bytes);

// What the first 40 bytes say about the file.
enum class HeaderState { Valid, Short, BadMagic, BadVersion };
HeaderState CheckHeaderBytes(const uint8_t* bytes, size_t size);
const char* HeaderStateName(HeaderState state);

// Mend values out of range in place; the names of the mended fields are appended to `mended`
// (when given). True when nothing had to change.
bool CheckHeader(Header& h, std::vector<std::string>* mended = nullptr);
bool CheckRow(ScoreRow& row, std::vector<std::string>* mended = nullptr);
bool CheckRecord(PlayerRecord& r, std::vector<std::string>* mended = nullptr);

// Everything a file's bytes hold, as stored (nothing mended).
struct Contents {
  HeaderState state = HeaderState::Short;
  Header header;
  ScoreTable survival{}, career{};
  size_t survivalRows = 0, careerRows = 0;  // complete rows present
  std::vector<PlayerRecord> records;          // complete records
  size_t tailBytes = 0;                       // bytes of a cut trailing record
};
// Reads every complete piece. Only the header is read when its state is not Valid.
Contents Parse(const uint8_t* bytes, size_t size);
// Number of complete records in a file of `size` bytes.
size_t RecordCount(size_t size);
// The file offset of record n, in 64 bits (no index can wrap onto the tables).
uint64_t RecordOffset(uint64_t n);

// A whole file: the header, both tables and the records in order.
std::vector<uint8_t> Build(const Header& h, const ScoreTable& survival, const ScoreTable& career,
                           const std::vector<PlayerRecord>& records);

}  // namespace ProfileCodec
