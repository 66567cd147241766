// prefdump FILE: prints every field of a profile file ("pref.dat") by name: the header, both
// high-score tables, every player record and any cut tail. A value the game would mend on load
// is marked "  <- out of range". Exits 0 for a file the game accepts as a profile, else 1.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cafe/ProfileCodec.h"
#include "shell/StringUtil.h"

using namespace ProfileCodec;

namespace {

std::string Mark(bool ok) { return ok ? "" : "  <- out of range"; }

std::string Quoted(const Name& name) { return "\"" + WideToUtf8(NameToWide(name)) + "\""; }

bool NameOk(const Name& name) { return name[kNameUnits - 1] == 0; }

template <size_t N>
void PrintBytes(const char* label, const std::array<uint8_t, N>& a, bool flags) {
  std::string line;
  bool ok = true;
  for (size_t i = 0; i < N; ++i) {
    line += (i ? " " : "") + std::to_string(a[i]);
    if (flags && a[i] > 1) ok = false;
  }
  std::printf("  %s: %s%s\n", label, line.c_str(), Mark(ok).c_str());
}

void PrintTable(const char* label, const ScoreTable& table, size_t rows) {
  std::printf("%s table (%zu of %zu rows present):\n", label, rows, kRows);
  for (size_t i = 0; i < rows; ++i) {
    const ScoreRow& r = table[i];
    std::printf("  %2zu %s%s %d%s\n", i, Quoted(r.name).c_str(), Mark(NameOk(r.name)).c_str(), r.value,
                Mark(r.value >= 0).c_str());
  }
}

void PrintRecord(size_t n, const PlayerRecord& r, bool current) {
  std::printf("player %zu%s:\n", n, current ? " (current)" : "");
  std::printf("  name: %s%s\n", Quoted(r.name).c_str(), Mark(NameOk(r.name)).c_str());
  std::printf("  int32 at 256: %d\n", r.unknown256);
  PrintBytes("upgrades", r.upgrades, true);
  std::printf("  levels open: %d%s\n", r.levelsOpen, Mark(r.levelsOpen >= 1 && r.levelsOpen <= int32_t(kLevels)).c_str());
  std::string money;
  bool moneyOk = true;
  for (size_t i = 0; i < kLevels; ++i) {
    money += (i ? " " : "") + std::to_string(r.bestMoney[i]);
    moneyOk &= r.bestMoney[i] >= 0;
  }
  std::printf("  best money: %s%s\n", money.c_str(), Mark(moneyOk).c_str());
  PrintBytes("reserved", r.reserved, false);
  PrintBytes("expert", r.expert, true);
  PrintBytes("achievements", r.achievements, true);
  PrintBytes("bonus hints", r.bonusHints, true);
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
  std::printf("header:\n  magic: %s\n  version: %d%s\n", h.magic == kMagic ? "ok" : "wrong", h.version,
              Mark(h.version == kVersion).c_str());
  std::printf("  music volume: %d%s\n", h.musicVolume, Mark(h.musicVolume >= 0 && h.musicVolume <= kMaxVolume).c_str());
  std::printf("  sound volume: %d%s\n", h.soundVolume, Mark(h.soundVolume >= 0 && h.soundVolume <= kMaxVolume).c_str());
  std::printf("  windowed: %d%s\n", h.windowed, Mark(h.windowed <= 1).c_str());
  std::printf("  mute: %d%s\n", h.mute, Mark(h.mute <= 1).c_str());
  bool indexOk = h.currentIndex == -1 || (h.currentIndex >= 0 && size_t(h.currentIndex) < c.records.size());
  std::printf("  current player: %d%s\n", h.currentIndex, Mark(indexOk).c_str());
  std::printf("  reserved: %d\n", h.reserved);
  if (c.state != HeaderState::Valid) return 1;
  PrintTable("survival", c.survival, c.survivalRows);
  PrintTable("career", c.career, c.careerRows);
  for (size_t i = 0; i < c.records.size(); ++i) PrintRecord(i, c.records[i], int64_t(i) == h.currentIndex);
  if (c.tailBytes) std::printf("cut record at the end: %zu bytes (dropped on load)\n", c.tailBytes);
  return 0;
}
