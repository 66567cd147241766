// prefdump FILE: prints every field of a profile file ("pref.dat") by name: the header, both
// high-score tables, every player record and any cut tail. After each piece, a line
// "  <- out of range: <field> (<value>)" names each value the game mends on load. Exits 0 for a
// file the game accepts as a profile, else 1.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cafe/ProfileCodec.h"
#include "shell/StringUtil.h"

using namespace ProfileCodec;

namespace {

std::string Quoted(const Name& name) { return "\"" + WideToUtf8(NameToWide(name)) + "\""; }

template <size_t N, typename T>
std::string Joined(const std::array<T, N>& a) {
  std::string line;
  for (size_t i = 0; i < N; ++i) line += (i ? " " : "") + std::to_string(a[i]);
  return line;
}

// The fields the game mends on load, as the store's own checks name them.
void PrintMended(const std::vector<std::string>& mended) {
  for (const std::string& field : mended) std::printf("  <- out of range: %s\n", field.c_str());
}

void PrintTable(const char* label, const ScoreTable& table, size_t rows) {
  std::printf("%s table (%zu of %zu rows present):\n", label, rows, kRows);
  for (size_t i = 0; i < rows; ++i) {
    std::printf("  %2zu %s %d\n", i, Quoted(table[i].name).c_str(), table[i].value);
    ScoreRow row = table[i];
    std::vector<std::string> mended;
    CheckRow(row, &mended);
    PrintMended(mended);
  }
}

void PrintRecord(size_t n, const PlayerRecord& r, bool current) {
  std::printf("player %zu%s:\n", n, current ? " (current)" : "");
  std::printf("  name: %s\n", Quoted(r.name).c_str());
  std::printf("  int32 at 256: %d\n", r.unknown256);
  std::printf("  upgrades: %s\n", Joined(r.upgrades).c_str());
  std::printf("  levels open: %d\n", r.levelsOpen);
  std::printf("  best money: %s\n", Joined(r.bestMoney).c_str());
  std::printf("  reserved: %s\n", Joined(r.reserved).c_str());
  std::printf("  expert: %s\n", Joined(r.expert).c_str());
  for (size_t level = 0; level < kLevels; level += 10) {
    std::string line;
    for (size_t l = level; l < level + 10; ++l) {
      line += l == level ? "" : " |";
      for (size_t a = 0; a < kAchievements; ++a) line += " " + std::to_string(r.achievements[l * kAchievements + a]);
    }
    std::printf("  achievements of levels %zu-%zu:%s\n", level, level + 9, line.c_str());
  }
  std::printf("  bonus hints: %s\n", Joined(r.bonusHints).c_str());
  PlayerRecord checked = r;
  std::vector<std::string> mended;
  CheckRecord(checked, &mended);
  PrintMended(mended);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: prefdump FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "prefdump: cannot open %s\n", argv[1]);
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Contents c = Parse(bytes.data(), bytes.size());
  std::printf("file: %s, %zu bytes, %s\n", argv[1], bytes.size(), HeaderStateName(c.state));
  if (bytes.size() < kHeaderSize) return 1;
  const Header& h = c.header;
  std::printf("header:\n  magic: %s\n  version: %d\n", h.magic == kMagic ? "ok" : "wrong", h.version);
  std::printf("  music volume: %d\n  sound volume: %d\n", h.musicVolume, h.soundVolume);
  std::printf("  windowed: %d\n  mute: %d\n", h.windowed, h.mute);
  std::printf("  current player: %d\n  reserved: %d\n", h.currentIndex, h.reserved);
  if (c.state != HeaderState::Valid) return 1;
  Header checked = h;
  std::vector<std::string> mended;
  CheckHeader(checked, &mended);
  if (checked.currentIndex >= 0 && size_t(checked.currentIndex) >= c.records.size())
    mended.push_back("current player (no record " + std::to_string(checked.currentIndex) + ")");
  PrintMended(mended);
  PrintTable("survival", c.survival, c.survivalRows);
  PrintTable("career", c.career, c.careerRows);
  for (size_t i = 0; i < c.records.size(); ++i) PrintRecord(i, c.records[i], int64_t(i) == h.currentIndex);
  if (c.tailBytes) std::printf("cut record at the end: %zu bytes (dropped on load)\n", c.tailBytes);
  return 0;
}
