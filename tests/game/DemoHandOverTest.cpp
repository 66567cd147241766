#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cafe/ZCBoard_Game3.h"
#include "driver/TestFolder.h"
#include "driver/WaitUntil.h"
#include "support/TestGame.h"

namespace fs = std::filesystem;

namespace {

// The game with its start-up loader slowed by a real-time delay; it notes the steps at which
// the start-up loader and the first level load handed over, and ends 50 steps after the level
// started.
class DelayedGame : public TestGame {
 public:
  // The loader sleeps delayMs, then waits (a minute at most) until the main loop has run
  // holdSteps update steps.
  DelayedGame(const std::vector<std::string>& args, int delayMs, uint64_t holdSteps = 0)
      : TestGame("Demo HandOver Test"), mDelayMs(delayMs), mHoldSteps(holdSteps) {
    SetCommandLine(args);
  }
  void Run() {
    BeginStartup();
    ASSERT_TRUE(RunToEnd()) << "the run did not reach its end";
  }
  uint64_t mStartedStep = 0, mLevelStep = 0;

 protected:
  void LoadConfig() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(mDelayMs));
    if (!WaitUntil([this] { return mSteps.load() >= mHoldSteps; }))
      ADD_FAILURE() << "the main loop did not run " << mHoldSteps << " update steps within a minute";
    TestGame::LoadConfig();
  }
  void UpdateStep() override {
    TestGame::UpdateStep();
    const uint64_t step = GetUpdateCount();
    mSteps.store(step);
    ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
    if (!mStartedStep && board) mStartedStep = step;
    if (!mLevelStep && board && board->IsRunning()) mLevelStep = step;
    if (mLevelStep && step >= mLevelStep + 50) Shutdown();
  }

 private:
  int mDelayMs;
  uint64_t mHoldSteps;
  std::atomic<uint64_t> mSteps{0};
};

}  // namespace

// When the loaders end is a matter of real time; a replay hands both over at the steps the
// recording did, whether its loaders are quicker or slower than the recorded ones.
TEST(DemoHandOver, ReplaysHandOversAtTheRecordedSteps) {
  const std::string demo = (TestTempFolder() / ("cafe_handover_" + std::to_string(getpid()) + ".dmo")).string();
  uint64_t started = 0, level = 0;
  {
    // The recording's loader ends after the main loop's tenth update step, however busy the
    // machine.
    DelayedGame game({"-record", "-demofile", demo}, 0, 10);
    ASSERT_TRUE(game.Init());
    game.Run();
    started = game.mStartedStep;
    level = game.mLevelStep;
  }
  ASSERT_GT(started, 10u) << "the loader's hold did not show in the steps";
  ASSERT_GT(level, started);
  for (int delayMs : {0, 400}) {
    DelayedGame game({"-play", "-demofile", demo}, delayMs);
    ASSERT_TRUE(game.Init());
    game.Run();
    EXPECT_EQ(game.mStartedStep, started) << "start-up hand-over, delay " << delayMs;
    EXPECT_EQ(game.mLevelStep, level) << "level hand-over, delay " << delayMs;
  }
  fs::remove(demo);
}

// Without a demo, a run that waits for its loads hands them over at the same steps however long
// the loaders take: a run made to follow its seed alone repeats itself.
TEST(DemoHandOver, WaitedLoadsHandOverAtTheSameStepsWithoutADemo) {
  uint64_t started = 0, level = 0;
  for (int delayMs : {0, 400}) {
    DelayedGame game({}, delayMs);
    game.mWaitForLoads = true;
    ASSERT_TRUE(game.Init());
    game.Run();
    ASSERT_GT(game.mLevelStep, game.mStartedStep);
    if (delayMs == 0) {
      started = game.mStartedStep;
      level = game.mLevelStep;
      continue;
    }
    EXPECT_EQ(game.mStartedStep, started) << "start-up hand-over, delay " << delayMs;
    EXPECT_EQ(game.mLevelStep, level) << "level hand-over, delay " << delayMs;
  }
}
