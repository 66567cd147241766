#include "cafe/ProfileCodec.h"

#include <algorithm>
#include <cstring>

namespace ProfileCodec {

const std::array<uint8_t, 16> kMagic = {0x5b, 0x38, 0xb2, 0x2b, 0x03, 0xe6, 0xff, 0x4c,
                                        0x95, 0x9a, 0x04, 0x5a, 0xf7, 0x29, 0x74, 0xb3};

namespace {

// Header offsets.
constexpr size_t kHVersion = 16, kHMusic = 20, kHSound = 24, kHWindowed = 28, kHMute = 29, kHPadding = 30,
                 kHIndex = 32, kHReserved = 36;
// Record offsets.
constexpr size_t kRUnknown = 256, kRUpgrades = 260, kRPadding1 = 289, kRLevelsOpen = 292, kRBestMoney = 296,
                 kRReserved = 536, kRExpert = 552, kRAchievements = 612, kRHints = 912, kRPadding2 = 917;
static_assert(kRAchievements + kLevels * kAchievements == kRHints);
static_assert(kRPadding2 + 3 == kRecordSize);

void Put32(uint8_t* p, int32_t v) {
  uint32_t u = uint32_t(v);
  p[0] = uint8_t(u);
  p[1] = uint8_t(u >> 8);
  p[2] = uint8_t(u >> 16);
  p[3] = uint8_t(u >> 24);
}

int32_t Get32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutName(uint8_t* p, const Name& name) {
  for (size_t i = 0; i < kNameUnits; ++i) {
    p[2 * i] = uint8_t(name[i]);
    p[2 * i + 1] = uint8_t(name[i] >> 8);
  }
}

Name GetName(const uint8_t* p) {
  Name name;
  for (size_t i = 0; i < kNameUnits; ++i) name[i] = char16_t(p[2 * i] | p[2 * i + 1] << 8);
  return name;
}

template <size_t N>
void PutBytes(uint8_t* p, const std::array<uint8_t, N>& a) {
  std::memcpy(p, a.data(), N);
}

template <size_t N>
void GetBytes(const uint8_t* p, std::array<uint8_t, N>& a) {
  std::memcpy(a.data(), p, N);
}

// Field names are built only for a value that needs mending.
std::string FieldName(const char* field, int index) {
  return index < 0 ? std::string(field) : std::string(field) + "[" + std::to_string(index) + "]";
}

bool CheckName(Name& name, std::vector<std::string>* mended, const char* field) {
  if (name[kNameUnits - 1] == 0) return true;
  name[kNameUnits - 1] = 0;
  if (mended) mended->push_back(std::string(field) + " (not terminated)");
  return false;
}

bool CheckFlag(uint8_t& flag, std::vector<std::string>* mended, const char* field, int index = -1) {
  if (flag <= 1) return true;
  if (mended) mended->push_back(FieldName(field, index) + " (" + std::to_string(flag) + ")");
  flag = 1;
  return false;
}

template <size_t N>
bool CheckFlags(std::array<uint8_t, N>& flags, std::vector<std::string>* mended, const char* field) {
  bool ok = true;
  for (size_t i = 0; i < N; ++i) ok &= CheckFlag(flags[i], mended, field, int(i));
  return ok;
}

bool CheckRange(int32_t& v, int32_t lo, int32_t hi, std::vector<std::string>* mended, const char* field,
                int index = -1) {
  if (v >= lo && v <= hi) return true;
  if (mended) mended->push_back(FieldName(field, index) + " (" + std::to_string(v) + ")");
  v = std::clamp(v, lo, hi);
  return false;
}

constexpr int32_t kMaxInt = 0x7fffffff;

}  // namespace

std::u16string_view NameView(const Name& name) {
  size_t n = 0;
  while (n < kNameUnits && name[n] != 0) ++n;
  return std::u16string_view(name.data(), n);
}

std::wstring NameToWide(const Name& name) {
  std::u16string_view units = NameView(name);
  std::wstring out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xd800 && c < 0xdc00 && i + 1 < units.size() && units[i + 1] >= 0xdc00 && units[i + 1] < 0xe000) {
      c = 0x10000 + ((c - 0xd800) << 10) + (units[i + 1] - 0xdc00);
      ++i;
    }
    out.push_back(wchar_t(c));
  }
  return out;
}

Name WideToName(std::wstring_view text) {
  Name name{};
  size_t n = 0;
  for (wchar_t wc : text) {
    char32_t c = char32_t(wc);
    if (c == 0) break;
    if (c > 0x10ffff) c = 0xfffd;
    if (c >= 0x10000) {
      if (n + 2 > kNameUnits - 1) break;
      c -= 0x10000;
      name[n++] = char16_t(0xd800 + (c >> 10));
      name[n++] = char16_t(0xdc00 + (c & 0x3ff));
    } else {
      if (n + 1 > kNameUnits - 1) break;
      name[n++] = char16_t(c);
    }
  }
  return name;
}

void EncodeHeader(const Header& h, uint8_t* p) {
  PutBytes(p, h.magic);
  Put32(p + kHVersion, h.version);
  Put32(p + kHMusic, h.musicVolume);
  Put32(p + kHSound, h.soundVolume);
  p[kHWindowed] = h.windowed;
  p[kHMute] = h.mute;
  p[kHPadding] = p[kHPadding + 1] = 0;
  Put32(p + kHIndex, h.currentIndex);
  Put32(p + kHReserved, h.reserved);
}

Header DecodeHeader(const uint8_t* p) {
  Header h;
  GetBytes(p, h.magic);
  h.version = Get32(p + kHVersion);
  h.musicVolume = Get32(p + kHMusic);
  h.soundVolume = Get32(p + kHSound);
  h.windowed = p[kHWindowed];
  h.mute = p[kHMute];
  h.currentIndex = Get32(p + kHIndex);
  h.reserved = Get32(p + kHReserved);
  return h;
}

void EncodeRow(const ScoreRow& row, uint8_t* p) {
  PutName(p, row.name);
  Put32(p + 2 * kNameUnits, row.value);
}

ScoreRow DecodeRow(const uint8_t* p) {
  ScoreRow row;
  row.name = GetName(p);
  row.value = Get32(p + 2 * kNameUnits);
  return row;
}

void EncodeRecord(const PlayerRecord& r, uint8_t* p) {
  PutName(p, r.name);
  Put32(p + kRUnknown, r.unknown256);
  PutBytes(p + kRUpgrades, r.upgrades);
  std::memset(p + kRPadding1, 0, 3);
  Put32(p + kRLevelsOpen, r.levelsOpen);
  for (size_t i = 0; i < kLevels; ++i) Put32(p + kRBestMoney + 4 * i, r.bestMoney[i]);
  PutBytes(p + kRReserved, r.reserved);
  PutBytes(p + kRExpert, r.expert);
  PutBytes(p + kRAchievements, r.achievements);
  PutBytes(p + kRHints, r.bonusHints);
  std::memset(p + kRPadding2, 0, 3);
}

PlayerRecord DecodeRecord(const uint8_t* p) {
  PlayerRecord r;
  r.name = GetName(p);
  r.unknown256 = Get32(p + kRUnknown);
  GetBytes(p + kRUpgrades, r.upgrades);
  r.levelsOpen = Get32(p + kRLevelsOpen);
  for (size_t i = 0; i < kLevels; ++i) r.bestMoney[i] = Get32(p + kRBestMoney + 4 * i);
  GetBytes(p + kRReserved, r.reserved);
  GetBytes(p + kRExpert, r.expert);
  GetBytes(p + kRAchievements, r.achievements);
  GetBytes(p + kRHints, r.bonusHints);
  return r;
}

HeaderState CheckHeaderBytes(const uint8_t* bytes, size_t size) {
  if (size < kHeaderSize) return HeaderState::Short;
  if (std::memcmp(bytes, kMagic.data(), kMagic.size()) != 0) return HeaderState::BadMagic;
  if (Get32(bytes + kHVersion) != kVersion) return HeaderState::BadVersion;
  return HeaderState::Valid;
}

const char* HeaderStateName(HeaderState state) {
  switch (state) {
    case HeaderState::Valid: return "valid";
    case HeaderState::Short: return "shorter than the header";
    case HeaderState::BadMagic: return "wrong magic";
    case HeaderState::BadVersion: return "other version";
  }
  return "?";
}

bool CheckHeader(Header& h, std::vector<std::string>* mended) {
  bool ok = CheckRange(h.musicVolume, 0, kMaxVolume, mended, "music volume");
  ok &= CheckRange(h.soundVolume, 0, kMaxVolume, mended, "sound volume");
  ok &= CheckFlag(h.windowed, mended, "windowed");
  ok &= CheckFlag(h.mute, mended, "mute");
  ok &= CheckRange(h.currentIndex, -1, kMaxInt, mended, "current player");
  return ok;
}

bool CheckRow(ScoreRow& row, std::vector<std::string>* mended) {
  bool ok = CheckName(row.name, mended, "name");
  ok &= CheckRange(row.value, 0, kMaxInt, mended, "value");
  return ok;
}

bool CheckRecord(PlayerRecord& r, std::vector<std::string>* mended) {
  bool ok = CheckName(r.name, mended, "name");
  ok &= CheckFlags(r.upgrades, mended, "upgrades");
  ok &= CheckRange(r.levelsOpen, 1, int32_t(kLevels), mended, "levels open");
  for (size_t i = 0; i < kLevels; ++i)
    ok &= CheckRange(r.bestMoney[i], 0, kMaxInt, mended, "best money", int(i));
  ok &= CheckFlags(r.expert, mended, "expert");
  ok &= CheckFlags(r.achievements, mended, "achievements");
  ok &= CheckFlags(r.bonusHints, mended, "bonus hints");
  return ok;
}

size_t RecordCount(size_t size) { return size < kRecordsOffset ? 0 : (size - kRecordsOffset) / kRecordSize; }

uint64_t RecordOffset(uint64_t n) { return kRecordsOffset + kRecordSize * n; }

Contents Parse(const uint8_t* bytes, size_t size) {
  Contents c;
  c.state = CheckHeaderBytes(bytes, size);
  if (size >= kHeaderSize) c.header = DecodeHeader(bytes);
  if (c.state != HeaderState::Valid) return c;
  auto readTable = [&](size_t offset, ScoreTable& table, size_t& rows) {
    for (rows = 0; rows < kRows && offset + (rows + 1) * kRowSize <= size; ++rows)
      table[rows] = DecodeRow(bytes + offset + rows * kRowSize);
  };
  readTable(kSurvivalOffset, c.survival, c.survivalRows);
  readTable(kCareerOffset, c.career, c.careerRows);
  size_t count = RecordCount(size);
  c.records.reserve(count);
  for (size_t i = 0; i < count; ++i) c.records.push_back(DecodeRecord(bytes + RecordOffset(i)));
  if (size > kRecordsOffset) c.tailBytes = (size - kRecordsOffset) % kRecordSize;
  return c;
}

std::vector<uint8_t> Build(const Header& h, const ScoreTable& survival, const ScoreTable& career,
                           const std::vector<PlayerRecord>& records) {
  std::vector<uint8_t> bytes(RecordOffset(records.size()), 0);
  EncodeHeader(h, bytes.data());
  for (size_t i = 0; i < kRows; ++i) {
    EncodeRow(survival[i], bytes.data() + kSurvivalOffset + i * kRowSize);
    EncodeRow(career[i], bytes.data() + kCareerOffset + i * kRowSize);
  }
  for (size_t i = 0; i < records.size(); ++i) EncodeRecord(records[i], bytes.data() + RecordOffset(i));
  return bytes;
}

}  // namespace ProfileCodec
