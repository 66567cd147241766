#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

#include "driver/TestFolder.h"
#include "shell/Random.h"
#include "shell/VeskAppBase.h"

using Platform::InputEvent;

namespace {

// A small "game" on simulated time: input moves a counter, every update draws a random number
// and mixes both into a state hash; a synced value is passed through the demo once.
class DemoApp : public Vesk::VeskAppBase {
 public:
  explicit DemoApp(std::vector<std::string> args) {
    mProductName = "Demo Test";
    mRegKey = "Cafe Tests\\Demo Test";
    SetCommandLine(args);
  }
  uint64_t mNow = 0;
  uint64_t mState = 1469598103934665603ull;
  std::string mSynced;
  std::function<void(DemoApp&)> mScript;

  void Push(InputEvent e) { mInputQueue.push_back(e); }

 protected:
  uint64_t NowMs() override { return mNow; }
  void SleepMs(uint32_t ms) override { mNow += ms; }
  bool WantsWindow() const override { return false; }
  void Mix(uint64_t v) { mState = (mState ^ v) * 1099511628211ull; }
  void HandleInput(const InputEvent& e) override {
    Mix(uint64_t(e.mType) * 1000 + uint64_t(e.mKey) + uint64_t(e.mX) * 7 + GetUpdateCount() * 131);
    VeskAppBase::HandleInput(e);
  }
  void UpdateStep() override {
    if (mScript) mScript(*this);
    Mix(uint64_t(RandomInt(0, 1000)));
    if (GetUpdateCount() == 50) {
      DemoSyncString(mSynced);
      Mix(std::hash<std::string>()(mSynced));
    }
    if (GetUpdateCount() == 300) Shutdown();
  }
};

InputEvent Key(int k) {
  InputEvent e;
  e.mType = InputEvent::Type::KeyDown;
  e.mKey = k;
  return e;
}

}  // namespace

TEST(DemoLoop, ARecordedRunReplaysToTheSameState) {
  std::string file = (TestTempFolder() / ("cafe_demo_" + std::to_string(::getpid()) + ".dmo")).string();
  uint64_t recorded;
  {
    DemoApp app({"-record", "-demofile", file});
    ASSERT_TRUE(app.Init());
    ASSERT_TRUE(app.GetDemo().IsRecording());
    app.mSynced = "player one";
    // Live input arrives at odd moments, some while the clock jumps.
    app.mScript = [](DemoApp& a) {
      uint64_t n = a.GetUpdateCount();
      if (n % 37 == 0) a.Push(Key(int('A' + n % 26)));
      if (n == 120) a.mNow += 55;
    };
    app.Start();
    recorded = app.mState;
  }
  ASSERT_TRUE(std::filesystem::exists(file));
  DemoApp replay({"-play", "-demofile", file});
  ASSERT_TRUE(replay.Init());
  ASSERT_TRUE(replay.GetDemo().IsPlaying());
  replay.mSynced = "someone else";  // replaced by the recorded value
  // Live input during playback is ignored.
  replay.mScript = [](DemoApp& a) {
    if (a.GetUpdateCount() == 10) a.Push(Key('Z'));
  };
  replay.Start();
  EXPECT_EQ(replay.mSynced, "player one");
  EXPECT_EQ(replay.mState, recorded);
  std::filesystem::remove(file);
}

TEST(DemoLoop, AMissingDemoPlaysNothingAndTheGameRuns) {
  DemoApp app({"-play", "-demofile", "/nonexistent/x.dmo"});
  ASSERT_TRUE(app.Init());
  EXPECT_FALSE(app.GetDemo().IsPlaying());
  app.Start();
  EXPECT_EQ(app.GetUpdateCount(), 300u);
}

// A relative "-demofile" names a file in the folder the game was started from (the game moves to
// its own folder first); a numbered demo stays in the data folder.
TEST(DemoLoop, ARelativeDemoFileCountsFromTheStartFolder) {
  const std::filesystem::path start = TestTempFolder() / ("cafe_start_" + std::to_string(::getpid()));
  std::filesystem::remove_all(start);
  std::filesystem::create_directories(start / "demos");
  {
    DemoApp app({});
    app.SetCommandLine({"-record", "-demofile", "demos/run.dmo"}, start.string());
    ASSERT_TRUE(app.Init());
    app.Start();
  }
  EXPECT_TRUE(std::filesystem::exists(start / "demos" / "run.dmo"));
  EXPECT_FALSE(std::filesystem::exists("demos/run.dmo"));
  {
    DemoApp app({});
    app.SetCommandLine({"-play", "-demofile", "demos/run.dmo"}, start.string());
    ASSERT_TRUE(app.Init());
    EXPECT_TRUE(app.GetDemo().IsPlaying());
  }
  std::filesystem::remove_all(start);
}
