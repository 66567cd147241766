// The profile store's operations: high scores, players, saving failures and the settings it
// hands to the application.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "engine/ZCEngine.h"
#include "shell/LocTable.h"
#include "shell/Log.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "cafe/support/ProfileFiles.h"

using namespace ProfileFiles;
using ProfileCodec::NameToWide;

namespace {

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mPath = FreshHome();
    ASSERT_FALSE(mStore.Load());  // nothing stored yet: the defaults
  }
  size_t StoredPlayers() { return (ReadBytes(mPath).size() - kRecords) / kRecord; }
  std::string mPath;
  ProfileStore mStore;
};

// The table of scores 1400, 1300, ... 100 by names "p0" .. "p13".
void FillTable(ProfileStore::ScoreTable& table) {
  for (size_t i = 0; i < table.size(); ++i) {
    table[i].name = ProfileCodec::WideToName(L"p" + std::to_wstring(i));
    table[i].value = int32_t(1400 - 100 * i);
  }
}

std::wstring RowName(const ProfileStore::ScoreTable& t, size_t i) { return NameToWide(t[i].name); }

TEST_F(ProfileStoreTest, HighScoresSurviveALoad) {
  EXPECT_EQ(mStore.InsertScore(true, L"Kim", 500), 0);
  EXPECT_EQ(mStore.InsertScore(false, L"Lou", 900), 0);
  ASSERT_TRUE(mStore.Save());
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(RowName(again.mSurvival, 0), L"Kim");
  EXPECT_EQ(again.mSurvival[0].value, 500);
  EXPECT_EQ(RowName(again.mCareer, 0), L"Lou");
  EXPECT_EQ(again.mCareer[0].value, 900);
  EXPECT_EQ(again.mSurvival[1], ProfileStore::ScoreRow());
}

TEST_F(ProfileStoreTest, DefaultTablesComeFromTheTexts) {
  const char* source = std::getenv("CAFE_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  LocTable texts;
  ASSERT_TRUE(texts.Load(std::string(source) + "/content/cfg/loc.xml"));
  mStore.SetTexts(&texts);
  mStore.ResetHighScores();
  for (bool survival : {true, false}) {
    const ProfileStore::ScoreTable& t = mStore.GetScoreTable(survival);
    for (size_t i = 0; i < t.size(); ++i) {
      EXPECT_FALSE(RowName(t, i).empty()) << i;
      EXPECT_GT(t[i].value, 0) << i;
      if (i > 0) {
        EXPECT_GT(t[i - 1].value, t[i].value) << i;
      }
    }
  }
}

TEST_F(ProfileStoreTest, InsertScorePlacesEachNameOnce) {
  ProfileStore::ScoreTable& t = mStore.GetScoreTable(true);
  FillTable(t);
  const ProfileStore::ScoreTable full = t;

  // Equal goes above the equal row.
  EXPECT_EQ(mStore.InsertScore(true, L"new", 1000), 4);
  EXPECT_EQ(RowName(t, 4), L"new");
  EXPECT_EQ(RowName(t, 5), L"p4");
  EXPECT_EQ(RowName(t, 13), L"p12");  // p13 dropped out

  // A name holding a better row: refused, nothing changes.
  t = full;
  EXPECT_EQ(mStore.InsertScore(true, L"p2", 1150), ProfileStore::kNoPlace);
  EXPECT_EQ(t, full);

  // An improvement moves the name's one row up; the rows between move down over the old row.
  EXPECT_EQ(mStore.InsertScore(true, L"p10", 1250), 2);
  EXPECT_EQ(RowName(t, 2), L"p10");
  EXPECT_EQ(t[2].value, 1250);
  EXPECT_EQ(RowName(t, 3), L"p2");
  EXPECT_EQ(RowName(t, 10), L"p9");
  EXPECT_EQ(RowName(t, 11), L"p11");
  EXPECT_EQ(RowName(t, 13), L"p13");
  int count = 0;
  for (size_t i = 0; i < t.size(); ++i) count += RowName(t, i) == L"p10";
  EXPECT_EQ(count, 1);

  // A better score at the name's own place overwrites its row.
  t = full;
  EXPECT_EQ(mStore.InsertScore(true, L"p5", 950), 5);
  EXPECT_EQ(t[5].value, 950);
  EXPECT_EQ(RowName(t, 6), L"p6");

  // 0, negative and too low on a full table are refused.
  t = full;
  EXPECT_EQ(mStore.InsertScore(true, L"x", 0), ProfileStore::kNoPlace);
  EXPECT_EQ(mStore.InsertScore(true, L"x", -5), ProfileStore::kNoPlace);
  EXPECT_EQ(mStore.InsertScore(true, L"x", 99), ProfileStore::kNoPlace);
  EXPECT_EQ(t, full);
  // The other table is apart: it is empty, so 1 enters at the top.
  EXPECT_EQ(mStore.InsertScore(false, L"x", 1), 0);
  EXPECT_EQ(t, full);
}

TEST_F(ProfileStoreTest, CreateAndLoadPlayers) {
  ASSERT_TRUE(mStore.CreatePlayer(L"Ann"));
  ASSERT_TRUE(mStore.CreatePlayer(L"Bo", [](ProfileStore::PlayerRecord& r) { r.levelsOpen = 9; }));
  EXPECT_EQ(mStore.mHeader.currentIndex, 1);
  EXPECT_EQ(mStore.mPlayer.levelsOpen, 9);
  ASSERT_TRUE(mStore.CreatePlayer(L""));
  EXPECT_EQ(mStore.GetPlayerName(), L"unknown");
  EXPECT_EQ(StoredPlayers(), 3u);

  // Unsaved changes of the current player are saved before another one is created.
  mStore.mPlayer.bestMoney[3] = 333;
  ASSERT_TRUE(mStore.CreatePlayer(L"Cy"));
  std::vector<ProfileStore::PlayerRecord> players;
  mStore.ListPlayers(players);
  ASSERT_EQ(players.size(), 4u);
  EXPECT_EQ(players[2].bestMoney[3], 333);
  EXPECT_EQ(NameToWide(players[3].name), L"Cy");

  // Selecting a player makes it current and saves the index.
  ASSERT_TRUE(mStore.LoadPlayer(1));
  EXPECT_EQ(mStore.GetPlayerName(), L"Bo");
  EXPECT_FALSE(mStore.LoadPlayer(4));
  EXPECT_FALSE(mStore.LoadPlayer(-1));
  EXPECT_EQ(mStore.GetPlayerName(), L"Bo");
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetPlayerName(), L"Bo");
  EXPECT_EQ(again.mPlayer.levelsOpen, 9);

  // Starting again keeps the name only.
  again.mPlayer.upgrades[0] = 1;
  again.mPlayer.bonusHints[2] = 1;
  again.ResetProgress();
  EXPECT_EQ(again.GetPlayerName(), L"Bo");
  EXPECT_EQ(again.mPlayer.levelsOpen, 1);
  EXPECT_EQ(again.mPlayer.upgrades[0], 0);
  EXPECT_EQ(again.mPlayer.bonusHints[2], 0);
}

TEST_F(ProfileStoreTest, DeletePlayer) {
  for (const wchar_t* name : {L"Ann", L"Bo", L"Cy"}) ASSERT_TRUE(mStore.CreatePlayer(name));
  EXPECT_FALSE(mStore.DeletePlayer(3));
  EXPECT_FALSE(mStore.DeletePlayer(-1));

  // The current player (Cy, 2) goes: player 0 becomes current, the file shrinks.
  ASSERT_TRUE(mStore.DeletePlayer(2));
  EXPECT_EQ(mStore.GetPlayerName(), L"Ann");
  EXPECT_EQ(mStore.mHeader.currentIndex, 0);
  EXPECT_EQ(StoredPlayers(), 2u);
  EXPECT_EQ(ReadBytes(mPath).size(), kRecords + 2 * kRecord);

  // An earlier player goes: the same player stays current one place lower, with its unsaved
  // changes kept.
  ASSERT_TRUE(mStore.LoadPlayer(1));
  mStore.mPlayer.levelsOpen = 5;
  ASSERT_TRUE(mStore.DeletePlayer(0));
  EXPECT_EQ(mStore.GetPlayerName(), L"Bo");
  EXPECT_EQ(mStore.mHeader.currentIndex, 0);
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetPlayerName(), L"Bo");
  EXPECT_EQ(again.mPlayer.levelsOpen, 5);

  // The only player goes: "unknown", nobody current, and it is not written back.
  ASSERT_TRUE(mStore.DeletePlayer(0));
  EXPECT_EQ(mStore.GetPlayerName(), L"unknown");
  EXPECT_EQ(mStore.mHeader.currentIndex, -1);
  EXPECT_FALSE(mStore.HasPlayer());
  ASSERT_TRUE(mStore.Save());
  EXPECT_EQ(StoredPlayers(), 0u);
  ProfileStore last;
  ASSERT_TRUE(last.Load());
  EXPECT_FALSE(last.HasPlayer());
}

TEST_F(ProfileStoreTest, AFailedSaveKeepsTheState) {
  ASSERT_TRUE(mStore.CreatePlayer(L"Ann"));
  std::filesystem::remove(mPath);
  std::filesystem::create_directory(mPath);  // "pref.dat" is a folder now
  mStore.mPlayer.levelsOpen = 12;
  EXPECT_EQ(mStore.InsertScore(true, L"Ann", 800), 0);
  EXPECT_FALSE(mStore.Save());
  EXPECT_FALSE(mStore.CreatePlayer(L"Bo"));
  EXPECT_FALSE(mStore.DeletePlayer(0));
  EXPECT_EQ(mStore.mSurvival[0].value, 800);
  EXPECT_TRUE(std::filesystem::is_directory(mPath));

  // Once the folder is gone, everything in memory reaches the file.
  std::filesystem::remove(mPath);
  ASSERT_TRUE(mStore.Save());
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.mSurvival[0].value, 800);
  EXPECT_EQ(again.GetPlayerName(), L"Ann");
  EXPECT_EQ(again.mPlayer.levelsOpen, 12);
}

TEST_F(ProfileStoreTest, ALeftoverTemporaryFileIsReplaced) {
  WriteBytes(mPath + ".tmp", std::vector<uint8_t>(20000, 0xee));
  mStore.mHeader.musicVolume = 3;
  ASSERT_TRUE(mStore.Save());
  EXPECT_FALSE(std::filesystem::exists(mPath + ".tmp"));
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.mHeader.musicVolume, 3);
}

TEST_F(ProfileStoreTest, SaveBeforeLoadWritesNothing) {
  ASSERT_TRUE(mStore.CreatePlayer(L"Ann"));
  const std::vector<uint8_t> before = ReadBytes(mPath);
  ProfileStore fresh;
  EXPECT_FALSE(fresh.Save());
  EXPECT_EQ(ReadBytes(mPath), before);
}

class Engine : public ZCEngine {
 protected:
  bool WantsWindow() const override { return false; }
};

TEST_F(ProfileStoreTest, SettingsReachTheApplication) {
  Engine engine;
  ProfileStore::Header& h = mStore.mHeader;
  h.soundVolume = 70;
  h.musicVolume = 40;
  h.windowed = 1;
  h.mute = 1;
  mStore.ApplySettings();
  EXPECT_EQ(engine.GetSoundManager()->GetVolume(), 0);
  EXPECT_EQ(engine.GetMusic()->GetVolume(), 0);
  EXPECT_TRUE(engine.mWindowed);
  h.mute = 0;
  h.windowed = 0;
  mStore.ApplySettings();
  EXPECT_EQ(engine.GetSoundManager()->GetVolume(), 70);
  EXPECT_EQ(engine.GetMusic()->GetVolume(), 40);
  EXPECT_FALSE(engine.mWindowed);
}

}  // namespace

// A named pipe in the profile's place is refused at once with a warning, never waited on and
// never written over: play goes on with the defaults, and a new player lives in memory.
TEST_F(ProfileStoreTest, ANamedPipeIsRefusedNotWaitedOn) {
  std::filesystem::remove(mPath);
  ASSERT_EQ(::mkfifo(mPath.c_str(), 0600), 0);
  // No writer: an open that waits for one waits for ever. Each call runs on a thread of its own;
  // one still waiting after a minute has blocked, and writers opened for a moment, until it
  // returns, free each open it waits in.
  auto blocks = [&](const std::function<bool()>& call, bool& result) {
    std::future<bool> done = std::async(std::launch::async, call);
    const bool waited = done.wait_for(std::chrono::minutes(1)) != std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
      ::close(::open(mPath.c_str(), O_RDWR | O_NONBLOCK));
    result = done.get();
    return waited;
  };
  LogHistory::Clear();
  ProfileStore store;
  bool loaded = true, saved = true;
  ASSERT_FALSE(blocks([&] { return store.Load(); }, loaded)) << "Load blocked on the named pipe";
  EXPECT_FALSE(loaded);
  EXPECT_TRUE(LogHistory::Contains("is not a regular file (a named pipe)"));
  EXPECT_FALSE(store.HasPlayer());
  ASSERT_FALSE(blocks([&] { return store.Save(); }, saved)) << "Save blocked on the named pipe";
  EXPECT_FALSE(saved);
  struct stat info {};
  ASSERT_EQ(::lstat(mPath.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  ::unlink(mPath.c_str());
}

// Nothing can be written (the file's name is taken by a folder): the typed name is not lost. The
// new player plays on in memory and reaches the file once it can be written.
TEST_F(ProfileStoreTest, WithoutAWritableFileANewPlayerPlaysOnInMemory) {
  std::filesystem::remove(mPath);
  std::filesystem::create_directory(mPath);
  ProfileStore store;
  EXPECT_FALSE(store.Load());
  EXPECT_FALSE(store.CreatePlayer(L"Tess"));
  EXPECT_TRUE(store.HasPlayer());
  EXPECT_EQ(store.GetPlayerName(), L"Tess");
  store.mPlayer.levelsOpen = 3;
  std::filesystem::remove(mPath);
  ASSERT_TRUE(store.Save());
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetPlayerName(), L"Tess");
  EXPECT_EQ(again.mPlayer.levelsOpen, 3);
}
