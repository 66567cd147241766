#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Profile files for the store's tests: a folder per test case, and bytes assembled field by field
// at their offsets (independently of the store's own writer).
namespace ProfileFiles {

// Points XDG_DATA_HOME at a fresh folder named after the running test; returns the path the
// store will use for "pref.dat".
std::string FreshHome();

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

void Put32(std::vector<uint8_t>& b, size_t at, int32_t v);
void PutName(std::vector<uint8_t>& b, size_t at, const std::u16string& name);

// The reference file: header (music 45, sound 77, windowed 1, mute 1, player 1, reserved
// 0x11223344), both tables full (survival "S01".."S14" 1400 down to 100 by 100, career
// "C01".."C14" 14000 down to 1000 by 1000), and two players, "Ann" and "Bör". Every field is
// non-zero, padding is zero.
std::vector<uint8_t> Fixture();
// Offsets of the pieces.
constexpr size_t kSurvival = 40, kCareer = 3680, kRecords = 7320, kRecord = 920, kRow = 260;
// The values the fixture gives player p (0 or 1).
int32_t FixtureLevelsOpen(int p);
int32_t FixtureBestMoney(int p, int level);
int32_t FixtureUnknown(int p);

}  // namespace ProfileFiles
