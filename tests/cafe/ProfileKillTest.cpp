// A process killed while it saves the profile leaves a whole file: a child saves two states in
// turn, the parent kills it at a random moment, and "pref.dat" must hold one state or the other.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "cafe/support/ProfileFiles.h"

using namespace ProfileFiles;

namespace {

// Two states that differ in the header, both tables and the player's record.
void ApplyState(ProfileStore& s, bool second) {
  s.mHeader.musicVolume = second ? 90 : 10;
  s.mSurvival[0].name = ProfileCodec::WideToName(second ? L"Second" : L"First");
  s.mSurvival[0].value = second ? 2222 : 1111;
  s.mCareer[13].value = second ? 7 : 3;
  s.mPlayer.levelsOpen = second ? 40 : 2;
  s.mPlayer.bestMoney[59] = second ? 123456 : 654321;
  s.mPlayer.bonusHints[4] = second ? 1 : 0;
}

[[noreturn]] void SaveForever() {
  ProfileStore store;
  store.Load();
  for (bool second = true;; second = !second) {
    ApplyState(store, second);
    store.Save();
  }
}

TEST(ProfileKillTest, AKilledSaveLeavesOneWholeState) {
  const std::string path = FreshHome();
  std::vector<uint8_t> states[2];
  {
    ProfileStore store;
    store.Load();
    ASSERT_TRUE(store.CreatePlayer(L"Kim"));
    for (int s : {1, 0}) {
      ApplyState(store, s == 1);
      ASSERT_TRUE(store.Save());
      states[s] = ReadBytes(path);
    }
  }
  ASSERT_NE(states[0], states[1]);

  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> delayUs(0, 6000);
  int seen[2] = {0, 0};
  for (int kill = 0; kill < 200; ++kill) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) SaveForever();
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself, status " << status;

    std::vector<uint8_t> bytes = ReadBytes(path);
    int which = bytes == states[0] ? 0 : bytes == states[1] ? 1 : -1;
    ASSERT_NE(which, -1) << "kill " << kill << ": pref.dat holds neither state (" << bytes.size() << " bytes)";
    ++seen[which];
    ProfileStore check;
    ASSERT_TRUE(check.Load()) << "kill " << kill;
    EXPECT_EQ(check.GetPlayerName(), L"Kim");
  }
  std::printf("killed 200 times: first state %d, second state %d\n", seen[0], seen[1]);
}

}  // namespace
