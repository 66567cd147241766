#include <gtest/gtest.h>

#include <random>
#include <set>

#include "platform/paths/UserPaths.h"
#include "shell/MersenneTwister.h"
#include "shell/Random.h"
#include "shell/StringUtil.h"

TEST(StringUtil, NormalizePairKey) {
  struct Row {
    const char* in;
    const char* largerFirst;
    const char* smallerFirst;
  };
  const Row rows[] = {
      {"0312", "1203", "0312"}, {"1203", "1203", "0312"}, {"0505", "0505", "0505"},
      {"1200", "1200", "1200"}, {"0012", "1200", "0012"}, {"123", "123", "123"},
      {"12345", "12345", "12345"}, {"12a4", "12a4", "12a4"}, {"", "", ""},
      {"-112", "-112", "-112"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(NormalizePairKey(r.in, false), r.largerFirst);
    EXPECT_EQ(NormalizePairKey(r.in, true), r.smallerFirst);
  }
}

TEST(StringUtil, FindNoCaseAndTrimSpaces) {
  EXPECT_EQ(FindNoCase("Hello World", "WORLD"), 6);
  EXPECT_EQ(FindNoCase("Hello World", "o"), 4);
  EXPECT_EQ(FindNoCase("Hello", "hello"), 0);
  EXPECT_EQ(FindNoCase("Hello", "hello!"), -1);
  EXPECT_EQ(FindNoCase("Hello", "xyz"), -1);
  EXPECT_EQ(FindNoCase("", ""), -1);
  EXPECT_EQ(FindNoCase("", "a"), -1);
  EXPECT_EQ(FindNoCase("abc", ""), 0);

  EXPECT_EQ(TrimSpaces("  a b \t\r\n"), "a b");
  EXPECT_EQ(TrimSpaces("x"), "x");
  EXPECT_EQ(TrimSpaces(" \t "), "");
  EXPECT_EQ(TrimSpaces(""), "");
}

TEST(StringUtil, NarrowWideRoundTrip) {
  const std::wstring wide = L"Caf\u00e9 \u2615 \U0001F600 ok";
  const std::string narrow = "Caf\xC3\xA9 \xE2\x98\x95 \xF0\x9F\x98\x80 ok";
  EXPECT_EQ(WideToUtf8(wide), narrow);
  EXPECT_EQ(Utf8ToWide(narrow), wide);
  // Broken sequences become U+FFFD instead of being read past.
  EXPECT_EQ(Utf8ToWide("a\xC3"), L"a\uFFFD");
  EXPECT_EQ(Utf8ToWide("\x80z"), L"\uFFFDz");
  EXPECT_EQ(Utf8ToWide("\xE2\x28\xA1"), L"\uFFFD(\uFFFD");
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // a UTF-16 surrogate
}

TEST(StringUtil, PathHelpers) {
  EXPECT_EQ(NormalizeSlashes("cfg\\\\sub\\.\\a.xml"), "cfg/sub/a.xml");
  EXPECT_EQ(NormalizeSlashes("/abs//x/"), "/abs/x");
  EXPECT_EQ(PathKey(".\\CFG\\Loc.XML"), "cfg/loc.xml");
  EXPECT_EQ(Platform::JoinPath("a", "b"), "a/b");
  EXPECT_EQ(Platform::JoinPath("a/", "b"), "a/b");
  EXPECT_EQ(Platform::JoinPath("", "b"), "b");
}

TEST(Random, RangesFollowTheRules) {
  SeedRandom(1234);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    int v = RandomInt(0, 3);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 3);  // b excluded
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 3u);
  seen.clear();
  int bCount = 0;
  for (int i = 0; i < 2000; ++i) {
    int v = RandomInt(5, 6);  // b - a is 1: a or b
    ASSERT_TRUE(v == 5 || v == 6);
    bCount += v == 6;
  }
  EXPECT_GT(bCount, 800);
  EXPECT_LT(bCount, 1200);
  EXPECT_EQ(RandomInt(4, 4), 4);
  EXPECT_EQ(RandomInt(9, 2), 9);
  EXPECT_EQ(RandomInt(-2147483647 - 1, 2147483647) >= -2147483647 - 1, true);
  for (int i = 0; i < 2000; ++i) {
    float f = RandomFloat(-1.0f, 2.0f);
    ASSERT_GE(f, -1.0f);
    ASSERT_LE(f, 2.0f);
    int raw = RandomRaw();
    ASSERT_GE(raw, 0);
    ASSERT_LE(raw, 32767);
  }
}

TEST(Random, SeedingRepeatsTheSequence) {
  SeedRandom(99);
  std::vector<int> a;
  for (int i = 0; i < 50; ++i) a.push_back(RandomInt(0, 1000));
  SeedRandom(99);
  std::vector<int> b;
  for (int i = 0; i < 50; ++i) b.push_back(RandomInt(0, 1000));
  EXPECT_EQ(a, b);
  SeedRandom(100);
  std::vector<int> c;
  for (int i = 0; i < 50; ++i) c.push_back(RandomInt(0, 1000));
  EXPECT_NE(a, c);
}

TEST(MersenneTwister, MatchesTheStandardSequence) {
  for (uint32_t seed : {5489u, 0u, 1u, 0xDEADBEEFu}) {
    SCOPED_TRACE(seed);
    MersenneTwister mt(seed);
    std::mt19937 ref(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(mt.Next(), ref());
  }
  MersenneTwister mt;
  for (int i = 1; i < 10000; ++i) mt.Next();
  EXPECT_EQ(mt.Next(), 4123659995u);
  mt.SRand(7);
  uint32_t first = mt.Next();
  mt.SRand(7);
  EXPECT_EQ(mt.Next(), first);
  EXPECT_EQ(mt.Next(0), 0u);
  EXPECT_LT(mt.Next(10), 10u);
  double d = mt.NextDouble();
  EXPECT_GE(d, 0.0);
  EXPECT_LT(d, 1.0);
}
