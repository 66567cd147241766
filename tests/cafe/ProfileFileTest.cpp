// The bytes of "pref.dat": a file assembled here field by field loads to the values at their
// offsets and saves back unchanged; damaged files load mended, and files that are no profile are
// kept aside byte for byte.
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "cafe/support/ProfileFiles.h"
#include "shell/Log.h"

using namespace ProfileFiles;
using ProfileCodec::NameToWide;

namespace {

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override { mPath = FreshHome(); }
  // Writes the bytes as "pref.dat" and loads them into a fresh store.
  bool LoadFile(const std::vector<uint8_t>& bytes) {
    WriteBytes(mPath, bytes);
    return mStore.Load();
  }
  std::string mPath;
  ProfileStore mStore;
};

// While it lives, this process writes no file past `bytes` (the write fails with EFBIG, its
// signal ignored), as on a disk that takes no more: "ulimit -f" with SIGXFSZ trapped.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &mOld);
    mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = mOld;
    limit.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &mOld);
    std::signal(SIGXFSZ, mOldHandler);
  }

 private:
  rlimit mOld{};
  void (*mOldHandler)(int) = SIG_DFL;
};

size_t LogLinesWith(const std::string& text) {
  const std::vector<std::string> lines = LogHistory::Recent();
  return size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

TEST_F(ProfileFileTest, FixtureLoadsToItsValuesAndSavesUnchanged) {
  const std::vector<uint8_t> fixture = Fixture();
  ASSERT_TRUE(LoadFile(fixture));
  const ProfileStore::Header& h = mStore.mHeader;
  EXPECT_EQ(h.musicVolume, 45);
  EXPECT_EQ(h.soundVolume, 77);
  EXPECT_EQ(h.windowed, 1);
  EXPECT_EQ(h.mute, 1);
  EXPECT_EQ(h.currentIndex, 1);
  EXPECT_EQ(h.reserved, 0x11223344);
  EXPECT_EQ(NameToWide(mStore.mSurvival[0].name), L"S01");
  EXPECT_EQ(mStore.mSurvival[13].value, 100);
  EXPECT_EQ(NameToWide(mStore.mCareer[13].name), L"C14");
  EXPECT_EQ(mStore.mCareer[0].value, 14000);

  // Player 1 is current, with every field as placed.
  const ProfileStore::PlayerRecord& p = mStore.mPlayer;
  EXPECT_TRUE(mStore.HasPlayer());
  EXPECT_EQ(mStore.GetPlayerName(), L"B\u00f6r");
  EXPECT_EQ(p.unknown256, FixtureUnknown(1));
  EXPECT_EQ(p.levelsOpen, FixtureLevelsOpen(1));
  EXPECT_EQ(p.bestMoney[0], FixtureBestMoney(1, 0));
  EXPECT_EQ(p.bestMoney[59], FixtureBestMoney(1, 59));
  EXPECT_EQ(p.reserved[0], 0xa1);
  EXPECT_EQ(p.reserved[15], 0xb0);
  EXPECT_EQ(p.upgrades[28], 1);
  EXPECT_EQ(p.expert[0], 1);
  EXPECT_EQ(p.achievements[299], 1);
  EXPECT_EQ(p.bonusHints[4], 1);

  std::vector<ProfileStore::PlayerRecord> players;
  mStore.ListPlayers(players);
  ASSERT_EQ(players.size(), 2u);
  EXPECT_EQ(NameToWide(players[0].name), L"Ann");
  EXPECT_EQ(players[0].levelsOpen, 60);

  // Load saved once already; a second save changes nothing either.
  EXPECT_EQ(ReadBytes(mPath), fixture);
  ASSERT_TRUE(mStore.Save());
  EXPECT_EQ(ReadBytes(mPath), fixture);
}

TEST_F(ProfileFileTest, AChangedFieldMovesOnlyItsOwnBytes) {
  struct Change {
    const char* what;
    size_t offset, size;
    std::function<void(ProfileStore&)> apply;
  };
  const size_t cur = kRecords + kRecord;  // player 1 is current
  const std::vector<Change> changes = {
      {"music volume", 20, 4, [](ProfileStore& s) { s.mHeader.musicVolume = 12; }},
      {"sound volume", 24, 4, [](ProfileStore& s) { s.mHeader.soundVolume = 0; }},
      {"windowed", 28, 1, [](ProfileStore& s) { s.mHeader.windowed = 0; }},
      {"mute", 29, 1, [](ProfileStore& s) { s.mHeader.mute = 0; }},
      {"survival row 13 value", kSurvival + 13 * kRow + 256, 4, [](ProfileStore& s) { s.mSurvival[13].value = 99; }},
      {"career row 0 name", kCareer, 256, [](ProfileStore& s) { s.mCareer[0].name[1] = u'x'; }},
      {"upgrade 28", cur + 260 + 28, 1, [](ProfileStore& s) { s.mPlayer.upgrades[28] = 0; }},
      {"levels open", cur + 292, 4, [](ProfileStore& s) { s.mPlayer.levelsOpen = 8; }},
      {"best money of level 0", cur + 296, 4, [](ProfileStore& s) { s.mPlayer.bestMoney[0] = 77777; }},
      {"best money of level 59", cur + 296 + 236, 4, [](ProfileStore& s) { s.mPlayer.bestMoney[59] = 5; }},
      {"expert of level 59", cur + 552 + 59, 1, [](ProfileStore& s) { s.mPlayer.expert[59] = 0; }},
      {"achievement 4 of level 0", cur + 612 + 4, 1, [](ProfileStore& s) { s.mPlayer.achievements[4] = 0; }},
      {"bonus hint 4", cur + 912 + 4, 1, [](ProfileStore& s) { s.mPlayer.bonusHints[4] = 0; }},
  };
  const std::vector<uint8_t> fixture = Fixture();
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    ProfileStore store;
    WriteBytes(mPath, fixture);
    ASSERT_TRUE(store.Load());
    c.apply(store);
    ASSERT_TRUE(store.Save());
    std::vector<uint8_t> saved = ReadBytes(mPath);
    ASSERT_EQ(saved.size(), fixture.size());
    size_t changed = 0;
    for (size_t i = 0; i < saved.size(); ++i) {
      if (saved[i] == fixture[i]) continue;
      ++changed;
      EXPECT_TRUE(i >= c.offset && i < c.offset + c.size) << "byte " << i << " changed";
    }
    EXPECT_GT(changed, 0u);
  }
}

// Files that are no profile: defaults, and the file kept aside under its own name.
TEST_F(ProfileFileTest, ForeignFilesAreKeptAsideByteForByte) {
  std::vector<uint8_t> version17 = Fixture();
  Put32(version17, 16, 17);
  std::vector<uint8_t> wrongMagic = Fixture();
  wrongMagic[15] ^= 0xff;
  const std::vector<uint8_t> fixture = Fixture();
  std::vector<uint8_t> short39(fixture.begin(), fixture.begin() + 39);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* keptAs;
  };
  const std::vector<Case> cases = {
      {"empty", {}, ".bad"},
      {"39 bytes", short39, ".bad.1"},
      {"wrong magic", wrongMagic, ".bad.2"},
      {"version 17", version17, ".v17"},
      // Numbered apart from the version: never "pref.dat.v172", which reads as version 172.
      {"version 17 again", version17, ".v17.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(LoadFile(c.bytes));
    EXPECT_EQ(mStore.KeptAside(), mPath + c.keptAs);
    EXPECT_EQ(ReadBytes(mPath + c.keptAs), c.bytes);
    EXPECT_EQ(mStore.mHeader, ProfileStore::Header());
    EXPECT_FALSE(mStore.HasPlayer());
    EXPECT_EQ(mStore.GetPlayerName(), L"unknown");
    // The new file holds the defaults and no player.
    EXPECT_EQ(ReadBytes(mPath).size(), kRecords);
  }
  // Nothing was lost: every kept file is still there.
  for (const Case& c : cases) EXPECT_TRUE(std::filesystem::exists(mPath + c.keptAs)) << c.keptAs;
}

// A damaged profile keeps its complete pieces, and the damaged file itself is kept aside byte for
// byte before they are written back.
TEST_F(ProfileFileTest, CutFilesKeepTheirCompletePiecesAndAreKeptAside) {
  const std::vector<uint8_t> fixture = Fixture();
  // Cut inside the third survival row: two rows stay, the rest of both tables is empty, and the
  // current player (1) is not there.
  const std::vector<uint8_t> inTable(fixture.begin(), fixture.begin() + kSurvival + 2 * kRow + 100);
  ASSERT_TRUE(LoadFile(inTable));
  EXPECT_EQ(mStore.mSurvival[1].value, 1300);
  EXPECT_EQ(mStore.mSurvival[2], ProfileStore::ScoreRow());
  EXPECT_EQ(mStore.mCareer[0], ProfileStore::ScoreRow());
  EXPECT_FALSE(mStore.HasPlayer());
  EXPECT_EQ(mStore.mHeader.currentIndex, -1);
  EXPECT_EQ(mStore.KeptAside(), mPath + ".bad");
  EXPECT_EQ(ReadBytes(mPath + ".bad"), inTable);

  // Cut inside the second record (to 680 of its 920 bytes): the current player is gone, the tail
  // is dropped on save, and player 0 survives intact.
  const std::vector<uint8_t> inRecord(fixture.begin(), fixture.end() - 240);
  ProfileStore store;
  WriteBytes(mPath, inRecord);
  ASSERT_TRUE(store.Load());
  EXPECT_FALSE(store.HasPlayer());
  std::vector<uint8_t> saved = ReadBytes(mPath);
  ASSERT_EQ(saved.size(), kRecords + kRecord);
  EXPECT_TRUE(std::equal(saved.begin() + 40, saved.end(), fixture.begin() + 40));
  EXPECT_EQ(store.KeptAside(), mPath + ".bad.1");
  EXPECT_EQ(ReadBytes(mPath + ".bad.1"), inRecord);
  // The file written back is whole: the next start keeps nothing aside.
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.KeptAside(), "");

  // The same cut with player 0 current loads player 0.
  std::vector<uint8_t> cut(fixture.begin(), fixture.end() - 1);
  Put32(cut, 32, 0);
  ProfileStore first;
  WriteBytes(mPath, cut);
  ASSERT_TRUE(first.Load());
  EXPECT_EQ(first.GetPlayerName(), L"Ann");
  EXPECT_EQ(first.mPlayer.levelsOpen, 60);
  EXPECT_EQ(ReadBytes(first.KeptAside()), cut);

  // Cut to 100 bytes: both tables and the players are gone from the new file, not from the kept one.
  const std::vector<uint8_t> short100(fixture.begin(), fixture.begin() + 100);
  ProfileStore stub;
  WriteBytes(mPath, short100);
  ASSERT_TRUE(stub.Load());
  EXPECT_EQ(ReadBytes(stub.KeptAside()), short100);

  // A disk that takes no more cannot hold the mended file: the cut file stays in its place, no
  // copy is kept, and the failure is told once. Once the disk takes it, it is replaced.
  ProfileStore blocked;
  WriteBytes(mPath, inRecord);
  const auto files = [&] {
    const auto folder = std::filesystem::path(mPath).parent_path();
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
  };
  const auto filesBefore = files();
  LogHistory::Clear();
  {
    FileSizeLimit limit(8192);
    ASSERT_TRUE(blocked.Load());
  }
  EXPECT_EQ(ReadBytes(mPath), inRecord);
  EXPECT_EQ(blocked.KeptAside(), "");
  EXPECT_EQ(files(), filesBefore);
  EXPECT_EQ(LogLinesWith("cannot write " + mPath), 1u);
  EXPECT_EQ(LogLinesWith("kept as"), 0u);
  ASSERT_TRUE(blocked.Save());
  EXPECT_EQ(ReadBytes(blocked.KeptAside()), inRecord);
  EXPECT_EQ(ReadBytes(mPath).size(), kRecords + kRecord);

  // No copy can be kept (every name for one taken, as in a folder the game cannot write): the cut
  // file is never written over, and the player is told once, as for any save that fails.
  for (int n = 0; n < 1000; ++n) {
    const std::string name = mPath + ".bad" + (n == 0 ? "" : "." + std::to_string(n));
    if (!std::filesystem::exists(name)) WriteBytes(name, {});
  }
  ProfileStore unkept;
  WriteBytes(mPath, inRecord);
  LogHistory::Clear();
  ASSERT_TRUE(unkept.Load());
  EXPECT_FALSE(unkept.Save());
  EXPECT_EQ(ReadBytes(mPath), inRecord);
  EXPECT_EQ(LogLinesWith("cannot write " + mPath), 1u);
}

// A valid header followed by more bytes than any profile holds: only the first players are read
// (and written back), and the whole file is kept aside.
TEST_F(ProfileFileTest, AnOverlongFileIsReadUpToItsLimitAndKeptAside) {
  std::vector<uint8_t> noise = Fixture();
  const size_t limit = ProfileCodec::kMaxFileSize;
  noise.resize(limit + 3 * kRecord + 17);
  for (size_t i = kRecords + 2 * kRecord; i < noise.size(); ++i) noise[i] = uint8_t(i * 131 >> 3);
  ASSERT_TRUE(LoadFile(noise));
  EXPECT_EQ(mStore.GetPlayerName(), L"B\u00f6r");
  EXPECT_EQ(mStore.KeptAside(), mPath + ".bad");
  EXPECT_EQ(ReadBytes(mPath + ".bad"), noise);
  std::vector<uint8_t> saved = ReadBytes(mPath);
  ASSERT_EQ(saved.size(), limit);
  EXPECT_TRUE(std::equal(saved.begin() + 40, saved.begin() + kRecords + 2 * kRecord, noise.begin() + 40));
  std::vector<ProfileStore::PlayerRecord> players;
  mStore.ListPlayers(players);
  EXPECT_EQ(players.size(), ProfileCodec::kMaxRecords);
}

TEST_F(ProfileFileTest, ValuesOutOfRangeAreMended) {
  std::vector<uint8_t> b = Fixture();
  const size_t cur = kRecords + kRecord;
  Put32(b, 20, 150);  // music volume
  Put32(b, 24, -3);   // sound volume
  b[28] = 2;          // windowed
  b[29] = 255;        // mute
  for (size_t i = 0; i < 128; ++i) b[cur + 2 * i] = 'z';               // unterminated player name
  for (size_t i = 0; i < 128; ++i) b[kCareer + 2 * i + 1] = 0x30;      // unterminated row name
  Put32(b, kSurvival + 5 * kRow + 256, -1);                            // score
  b[cur + 260 + 3] = 2;                                                // upgrade
  Put32(b, cur + 292, 9999);                                           // levels open
  Put32(b, cur + 296 + 4 * 7, -5);                                     // best money
  b[cur + 536] = 0xff;                                                 // reserved: kept
  b[cur + 552 + 1] = 255;                                              // expert
  b[cur + 612 + 9] = 2;                                                // achievement
  b[cur + 912] = 2;                                                    // bonus hint
  ASSERT_TRUE(LoadFile(b));
  const ProfileStore::PlayerRecord& p = mStore.mPlayer;
  EXPECT_EQ(mStore.mHeader.musicVolume, 100);
  EXPECT_EQ(mStore.mHeader.soundVolume, 0);
  EXPECT_EQ(mStore.mHeader.windowed, 1);
  EXPECT_EQ(mStore.mHeader.mute, 1);
  EXPECT_EQ(mStore.GetPlayerName(), std::wstring(127, L'z'));
  EXPECT_EQ(p.name[127], 0);
  EXPECT_EQ(mStore.mCareer[0].name[127], 0);
  EXPECT_EQ(mStore.mSurvival[5].value, 0);
  EXPECT_EQ(p.upgrades[3], 1);
  EXPECT_EQ(p.levelsOpen, 60);
  EXPECT_EQ(p.bestMoney[7], 0);
  EXPECT_EQ(p.reserved[0], 0xff);
  EXPECT_EQ(p.expert[1], 1);
  EXPECT_EQ(p.achievements[9], 1);
  EXPECT_EQ(p.bonusHints[0], 1);
  EXPECT_EQ(p.unknown256, FixtureUnknown(1));

  // Levels open below 1 reads as 1, an index below -1 as -1.
  b = Fixture();
  Put32(b, kRecords + kRecord + 292, 0);
  ProfileStore low;
  WriteBytes(mPath, b);
  ASSERT_TRUE(low.Load());
  EXPECT_EQ(low.mPlayer.levelsOpen, 1);
  Put32(b, 32, -7);
  ProfileStore negative;
  WriteBytes(mPath, b);
  ASSERT_TRUE(negative.Load());
  EXPECT_EQ(negative.mHeader.currentIndex, -1);
  EXPECT_FALSE(negative.HasPlayer());
}

// An index past the last record, or one whose offset wraps in 32 bits onto the tables (6400 and
// 40), loads no player; saving then leaves every stored byte but the index as it was.
TEST_F(ProfileFileTest, IndexesPastTheRecordsLoadNoPlayer) {
  std::vector<uint8_t> three = Fixture();
  three.resize(kRecords + 3 * kRecord);
  std::copy(three.begin() + kRecords, three.begin() + kRecords + kRecord, three.begin() + kRecords + 2 * kRecord);
  for (int32_t index : {3, 2147483647, 326790982}) {
    SCOPED_TRACE(index);
    std::vector<uint8_t> b = three;
    Put32(b, 32, index);
    ProfileStore store;
    WriteBytes(mPath, b);
    ASSERT_TRUE(store.Load());
    EXPECT_FALSE(store.HasPlayer());
    EXPECT_EQ(store.GetPlayerName(), L"unknown");
    EXPECT_EQ(store.mSurvival[0].value, 1400);
    EXPECT_EQ(store.mHeader.currentIndex, -1);
    ASSERT_TRUE(store.Save());
    std::vector<uint8_t> saved = ReadBytes(mPath);
    Put32(b, 32, -1);
    EXPECT_EQ(saved, b);
  }
}

// The fuzz target's seeds are these files: the fixture and its damaged forms. With
// CAFE_WRITE_SEEDS=1 the test writes them into the corpus.
TEST_F(ProfileFileTest, SeedsAreTheFixtures) {
  const std::vector<uint8_t> fixture = Fixture();
  std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
  seeds.push_back({"fixture", fixture});
  seeds.push_back({"cut_in_table", std::vector<uint8_t>(fixture.begin(), fixture.begin() + kCareer + 3 * kRow + 7)});
  seeds.push_back({"cut_in_record", std::vector<uint8_t>(fixture.begin(), fixture.end() - 300)});
  seeds.push_back({"short_39", std::vector<uint8_t>(fixture.begin(), fixture.begin() + 39)});
  std::vector<uint8_t> b = fixture;
  Put32(b, 16, 17);
  seeds.push_back({"version_17", b});
  b = fixture;
  b[0] = 0;
  seeds.push_back({"wrong_magic", b});
  b = fixture;
  Put32(b, 32, 2147483647);
  seeds.push_back({"index_wraps", b});
  b = fixture;
  Put32(b, 20, -9);
  b[29] = 255;
  Put32(b, kRecords + 292, 9999);
  for (size_t i = 0; i < 128; ++i) b[kRecords + kRecord + 2 * i] = 'q';
  seeds.push_back({"out_of_range", b});

  const char* source = std::getenv("CAFE_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::filesystem::path corpus = std::filesystem::path(source) / "fuzz" / "corpus" / "pref_load";
  const char* write = std::getenv("CAFE_WRITE_SEEDS");
  for (const auto& [name, bytes] : seeds) {
    if (write && std::string(write) == "1") WriteBytes((corpus / name).string(), bytes);
    EXPECT_EQ(ReadBytes((corpus / name).string()), bytes) << name;
  }
}

}  // namespace
