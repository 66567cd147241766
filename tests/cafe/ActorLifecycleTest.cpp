// A sample level played until visitors are present and hold their schedule events, then cleared
// and loaded again, twice over: after each clear the visitors' registry and lists are empty, and
// under AddressSanitizer nothing leaks and nothing is freed twice (the events outlive the
// schedule only while a visitor holds them).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

#include "board/BoardWorld.h"
#include "board/EventSchedule.h"
#include "board/ItemFactory.h"
#include "cafe/CafeObjects.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCClient.h"
#include "driver/WaitUntil.h"
#include "effects/GameClock.h"

namespace {

// Counts what is left of the visitors each time a level is cleared (on the loading thread, which
// the main thread waits for before it looks).
class ClearWatchingBoard : public ZCBoard_Game3 {
 public:
  void OnLevelCleared() override {
    ZCBoard_Game3::OnLevelCleared();
    mEntriesAfterClear.push_back(CountVisitorEntries());
  }
  std::vector<size_t> mEntriesAfterClear;
};

TEST(ActorLifecycle, ALevelWithVisitorsPresentIsClearedAndLoadedAgainTwice) {
  ResetBoardWorld();
  ResetCafeWorld();
  const char* source = std::getenv("CAFE_SOURCE_DIR");
  ASSERT_EQ(chdir((std::string(source ? source : ".") + "/content").c_str()), 0);
  InitItemFactoryTable();
  RegisterCafeItemClasses();
  auto board = std::make_unique<ClearWatchingBoard>();
  board->LoadConfig();

  for (int round = 0; round < 3; ++round) {
    board->StartLoadingThread(2, false);
    ASSERT_TRUE(WaitUntil([&] { return board->PollLevelLoad(); })) << "round " << round << ": no hand-over within a minute";
    ASSERT_TRUE(board->IsRunning());
    ASSERT_NE(FindClient("client01"), nullptr);
    ASSERT_NE(FindClient("client_sit01"), nullptr);
    // 21 s: the girl (4 s), the boy (12 s) and the family (20 s) have come.
    for (int step = 0; step < 2100; ++step) board->StepGame();
    const std::vector<ZCClient*>& present = GetPresentVisitors();
    ASSERT_EQ(present.size(), 3u) << "round " << round;
    for (ZCClient* visitor : present) {
      ASSERT_NE(visitor->GetEvent(), nullptr);
      EXPECT_EQ(visitor->GetEvent()->mReferences, 1);
    }
  }
  board->ClearLevelData();
  EXPECT_EQ(board->mEntriesAfterClear, (std::vector<size_t>{0, 0, 0}));
  EXPECT_FALSE(AnyVisitorsPresent());
  EXPECT_EQ(FindClient("client01"), nullptr);
  board.reset();
  ResetBoardWorld();
  InitItemFactoryTable();
}

}  // namespace
