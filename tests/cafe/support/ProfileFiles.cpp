#include "cafe/support/ProfileFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ProfileFiles {

std::string FreshHome() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  const char* base = std::getenv("CAFE_BINARY_DIR");
  std::filesystem::path home = std::filesystem::path(base ? base : "/tmp") / "testhome" / "profile" / name;
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  ::setenv("XDG_DATA_HOME", home.c_str(), 1);
  return (home / "Vantor Games" / "Pellor2" / "pref.dat").string();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void Put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + size_t(i)) = uint8_t(uint32_t(v) >> (8 * i));
}

void PutName(std::vector<uint8_t>& b, size_t at, const std::u16string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    b.at(at + 2 * i) = uint8_t(name[i]);
    b.at(at + 2 * i + 1) = uint8_t(name[i] >> 8);
  }
}

int32_t FixtureLevelsOpen(int p) { return p == 0 ? 60 : 7; }
int32_t FixtureBestMoney(int p, int level) { return 1000 * (p + 1) + level; }
int32_t FixtureUnknown(int p) { return 0x01020304 + p; }

std::vector<uint8_t> Fixture() {
  std::vector<uint8_t> b(kRecords + 2 * kRecord, 0);
  const uint8_t magic[16] = {0x5b, 0x38, 0xb2, 0x2b, 0x03, 0xe6, 0xff, 0x4c,
                             0x95, 0x9a, 0x04, 0x5a, 0xf7, 0x29, 0x74, 0xb3};
  for (int i = 0; i < 16; ++i) b[size_t(i)] = magic[i];
  Put32(b, 16, 18);
  Put32(b, 20, 45);
  Put32(b, 24, 77);
  b[28] = 1;
  b[29] = 1;
  Put32(b, 32, 1);
  Put32(b, 36, 0x11223344);
  for (int i = 0; i < 14; ++i) {
    std::u16string n = u"S" + std::u16string(1, char16_t(u'0' + (i + 1) / 10)) + char16_t(u'0' + (i + 1) % 10);
    PutName(b, kSurvival + kRow * size_t(i), n);
    Put32(b, kSurvival + kRow * size_t(i) + 256, 1400 - 100 * i);
    n[0] = u'C';
    PutName(b, kCareer + kRow * size_t(i), n);
    Put32(b, kCareer + kRow * size_t(i) + 256, 14000 - 1000 * i);
  }
  for (int p = 0; p < 2; ++p) {
    size_t r = kRecords + kRecord * size_t(p);
    PutName(b, r, p == 0 ? u"Ann" : u"B\u00f6r");
    Put32(b, r + 256, FixtureUnknown(p));
    for (size_t i = 0; i < 29; ++i) b[r + 260 + i] = 1;
    Put32(b, r + 292, FixtureLevelsOpen(p));
    for (int l = 0; l < 60; ++l) Put32(b, r + 296 + 4 * size_t(l), FixtureBestMoney(p, l));
    for (size_t i = 0; i < 16; ++i) b[r + 536 + i] = uint8_t(0xa0 + i + size_t(p));
    for (size_t i = 0; i < 60; ++i) b[r + 552 + i] = 1;
    for (size_t i = 0; i < 300; ++i) b[r + 612 + i] = 1;
    for (size_t i = 0; i < 5; ++i) b[r + 912 + i] = 1;
  }
  return b;
}

}  // namespace ProfileFiles
