#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "driver/TestFolder.h"
#include "driver/WaitUntil.h"
#include "platform/window/MessageBox.h"
#include "shell/Log.h"
#include "shell/VeskAppBase.h"

using Platform::InputEvent;

namespace {

// An application running on simulated time, without a window: sleeping advances the clock,
// and every drawn frame costs a set number of milliseconds.
class SimApp : public Vesk::VeskAppBase {
 public:
  SimApp() {
    mProductName = "Loop Test";
    mRegKey = "Cafe Tests\\Loop Test";
  }
  uint64_t mNow = 0;
  uint64_t mFrameCost = 0;
  int mFrames = 0;
  bool mDirty = true;
  std::vector<std::string> mTrace;
  std::function<void(const InputEvent&)> mOnInput;
  std::function<void()> mOnUpdate;
  int mLoaderFinishedCalls = 0;
  std::thread::id mLoaderFinishedThread;
  uint32_t mLongestSleep = 0;
  // While set, sleeping passes real time only.
  bool mClockHeld = false;

  void Push(InputEvent::Type t, int key = 0) {
    InputEvent e;
    e.mType = t;
    e.mKey = key;
    mInputQueue.push_back(e);
  }

 protected:
  uint64_t NowMs() override { return mNow; }
  void SleepMs(uint32_t ms) override {
    if (mClockHeld) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return;
    }
    mNow += ms;
    mLongestSleep = std::max(mLongestSleep, ms);
    if (IsLoaderRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  bool WantsWindow() const override { return false; }
  void UpdateStep() override {
    if (mOnUpdate) mOnUpdate();
  }
  bool IsDirty() const override { return mDirty; }
  void DrawFrame() override {
    ++mFrames;
    mNow += mFrameCost;
  }
  void HandleInput(const InputEvent& e) override {
    mTrace.push_back("key" + std::to_string(e.mKey));
    if (mOnInput) mOnInput(e);
    VeskAppBase::HandleInput(e);
  }
  void OnLoaderFinished() override {
    ++mLoaderFinishedCalls;
    mLoaderFinishedThread = std::this_thread::get_id();
  }
};

// Every loop step sleeps towards the next update step, so the clock gets there in as many.
void RunFor(SimApp& app, uint64_t ms) {
  for (uint64_t steps = 0; app.mNow < ms; ++steps) {
    if (steps > ms + 100) {
      ADD_FAILURE() << "the clock stood at " << app.mNow << " ms after " << steps << " loop steps";
      return;
    }
    if (!app.LoopStep()) return;
  }
}

// Loop steps until the loop ends; the number taken, and a failure when it still runs after
// the limit.
int StepsToEnd(SimApp& app, int limit = 10000) {
  for (int steps = 0; steps < limit; ++steps)
    if (!app.LoopStep()) return steps;
  ADD_FAILURE() << "the loop still ran after " << limit << " loop steps";
  return limit;
}

// What a loader thread waits on, for at most a minute.
void WaitForRelease(const std::atomic<bool>& release) {
  WaitUntil([&] { return release.load(); });
}

}  // namespace

TEST(MainLoop, RunsOneHundredUpdatesASecondWhateverTheFrameRate) {
  for (uint64_t cost : {0, 1, 7, 10, 16, 33, 45, 120, 400, 1500}) {
    SimApp app;
    app.mFrameCost = cost;
    RunFor(app, 5000);
    // Steps fall due at 0, 10, 20, ...: a loop step that starts at time t has run every step due
    // by then, and no more.
    uint64_t t = app.mNow;
    app.mFrameCost = 0;
    app.LoopStep();
    uint64_t expected = t / 10 + 1;
    EXPECT_EQ(app.GetUpdateCount(), expected) << "frame cost " << cost;
    EXPECT_GE(app.GetUpdateCount(), 500u);
    if (cost >= 10) {
      EXPECT_LT(app.mFrames, 510) << "frame cost " << cost;
    }
  }
}

TEST(MainLoop, DropsAHugeStallInsteadOfCatchingUp) {
  SimApp app;
  RunFor(app, 1000);
  uint64_t before = app.GetUpdateCount();
  app.mNow += 60000;  // a minute in the debugger
  LogHistory::Clear();
  app.LoopStep();
  EXPECT_LE(app.GetUpdateCount() - before, 2u);
  EXPECT_TRUE(LogHistory::Contains("WARNING: main loop fell"));
}

TEST(MainLoop, NestedLoopStepServesTheRestOfTheQueueAndKeepsUpdating) {
  SimApp app;
  bool answered = false;
  uint64_t updatesInBox = 0;
  app.mOnInput = [&](const InputEvent& e) {
    if (e.mKey == 1) {
      // A modal box: wait for the answer by running the loop.
      uint64_t start = app.GetUpdateCount();
      bool asked = false;
      for (int steps = 0; !answered && app.LoopStep(); ++steps) {
        if (steps > 1000) {
          ADD_FAILURE() << "the box was never answered";
          break;
        }
        if (!asked && app.GetUpdateCount() - start > 5) {
          app.Push(InputEvent::Type::KeyDown, 2);
          asked = true;
        }
      }
      updatesInBox = app.GetUpdateCount() - start;
    } else if (e.mKey == 2) {
      answered = true;
    }
  };
  app.Push(InputEvent::Type::KeyDown, 1);
  app.Push(InputEvent::Type::KeyDown, 3);  // queued behind the box, served by the nested loop
  EXPECT_TRUE(app.LoopStep());
  EXPECT_TRUE(answered);
  EXPECT_GE(updatesInBox, 5u);
  ASSERT_EQ(app.mTrace.size(), 3u);
  EXPECT_EQ(app.mTrace[0], "key1");
  EXPECT_EQ(app.mTrace[1], "key3");
  EXPECT_EQ(app.mTrace[2], "key2");
  // The outer loop goes on normally afterwards.
  uint64_t n = app.GetUpdateCount();
  RunFor(app, app.mNow + 100);
  EXPECT_GE(app.GetUpdateCount(), n + 10);
}

TEST(MainLoop, ShutdownInsideANestedLoopEndsBothLoops) {
  SimApp app;
  int nestedExits = 0;
  app.mOnInput = [&](const InputEvent& e) {
    if (e.mKey != 1) return;
    StepsToEnd(app);
    ++nestedExits;
  };
  app.mOnUpdate = [&] {
    if (app.GetUpdateCount() == 20) app.Shutdown();
  };
  app.Push(InputEvent::Type::KeyDown, 1);
  const int outerSteps = StepsToEnd(app);
  EXPECT_EQ(nestedExits, 1);
  EXPECT_EQ(outerSteps, 0);
  EXPECT_EQ(app.GetUpdateCount(), 20u);
  // Once shut down, a step does nothing.
  app.Push(InputEvent::Type::KeyDown, 5);
  EXPECT_FALSE(app.LoopStep());
  EXPECT_EQ(app.GetUpdateCount(), 20u);
  EXPECT_EQ(app.mTrace.size(), 1u);
}

TEST(MainLoop, LoaderHandsOverOnTheMainThreadAndACloseMeanwhileWaitsForIt) {
  SimApp app;
  std::atomic<bool> release{false};
  app.StartLoaderThread([&] {
    WaitForRelease(release);
  });
  EXPECT_TRUE(app.IsLoaderRunning());
  app.Push(InputEvent::Type::Close);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(app.LoopStep());
  EXPECT_FALSE(app.IsShutdownRequested());  // the loader is never left running under a shut-down
  EXPECT_EQ(app.mLoaderFinishedCalls, 0);
  EXPECT_LE(app.mLongestSleep, 250u);
  release = true;
  EXPECT_TRUE(WaitUntil([&] {
    app.LoopStep();
    return app.mLoaderFinishedCalls != 0;
  })) << "the loader was not handed over within a minute";
  EXPECT_EQ(app.mLoaderFinishedCalls, 1);
  EXPECT_EQ(app.mLoaderFinishedThread, std::this_thread::get_id());
  EXPECT_FALSE(app.IsLoaderRunning());
  // The close was kept, not dropped: the game leaves once loading is over.
  EXPECT_FALSE(app.LoopStep());
  EXPECT_TRUE(app.IsShutdownRequested());
}

// A loader that ends during an update step is handed over at the next one: the loop sleeps up
// to it rather than spinning on a clock that sleeping moves.
TEST(MainLoop, ALoaderEndingDuringAnUpdateStepIsHandedOverAtTheNextStep) {
  for (int32_t frameTime : {10, 25}) {
    SimApp app;
    app.mFrameTime = frameTime;
    std::atomic<bool> release{false};
    app.StartLoaderThread([&] {
      WaitForRelease(release);
    });
    app.mOnUpdate = [&] {
      if (release.load()) return;
      release = true;
      app.mClockHeld = true;
      app.WaitForLoadingThread();  // the loader is done, not yet handed over
      app.mClockHeld = false;
    };
    for (int i = 0; i < 100 && app.mLoaderFinishedCalls == 0; ++i) EXPECT_TRUE(app.LoopStep());
    EXPECT_EQ(app.mLoaderFinishedCalls, 1) << frameTime;
    EXPECT_EQ(app.GetUpdateCount(), 2u) << frameTime;
  }
}

TEST(MainLoop, ShutdownFromAnotherThreadIsARequest) {
  SimApp app;
  std::thread t([&] { app.Shutdown(); });
  t.join();
  EXPECT_FALSE(app.LoopStep());
}

namespace {

// Stop signals, each run in a child process (a run left on a signal ends by it). The child raises
// its signal at the update steps listed (a step listed twice raises two; step 0 raises before the
// loop starts); RequestQuit stands for the game's "leave?" box, a nested
// loop answered "no" at the step given (or left open), and QuitWithoutAsking for the game's save.
// What happened is written to `record`: "asked N saved M". At step 1 the window's place changes,
// an option only the quit's settings save keeps.
class StopApp : public SimApp {
 public:
  StopApp(std::string record, bool canAsk) : mRecord(std::move(record)), mCanAsk(canAsk) {
    mProductName = "Stop Test";
    mRegKey = "Cafe Tests\\Stop Test";
  }
  std::vector<uint64_t> mSignalSteps;
  int mSignal = SIGTERM;
  uint64_t mAnswerNoAfter = 0;  // steps the box stays open before "no" (0: never answered)

 protected:
  bool CanAskPlayer() const override { return mCanAsk; }
  void UpdateStep() override {
    if (GetUpdateCount() == 1) mPreferredX = 321;
    for (uint64_t step : mSignalSteps)
      if (GetUpdateCount() == step) raise(mSignal);
    if (GetUpdateCount() > 2000) Shutdown();  // a stop that never came: the record says so
  }
  void RequestQuit() override {
    ++mAsked;
    Write();
    const uint64_t opened = GetUpdateCount();
    while (LoopStep())
      if (mAnswerNoAfter && GetUpdateCount() >= opened + mAnswerNoAfter) return;
  }
  void QuitWithoutAsking() override {
    ++mSaved;
    Write();
    Shutdown();
  }

 private:
  void Write() { std::ofstream(mRecord) << "asked " << mAsked << " saved " << mSaved; }
  std::string mRecord;
  bool mCanAsk;
  int mAsked = 0;
  int mSaved = 0;
};

struct StopOutcome {
  int endedBy = 0;  // the signal that ended the process (0: it exited)
  std::string record;
  std::string settings;
};

StopOutcome RunStopApp(bool canAsk, std::vector<uint64_t> signalSteps, uint64_t answerNoAfter, int signal = SIGTERM) {
  const std::string record = (TestTempFolder() / ("cafe_stop_" + std::to_string(getpid()))).string();
  std::filesystem::remove(record);
  std::string settingsPath;
  {
    StopApp probe(record, canAsk);
    settingsPath = probe.SettingsFilePath();
    std::filesystem::remove(settingsPath);
  }
  const pid_t child = fork();
  if (child == 0) {
    {
      StopApp app(record, canAsk);
      app.mSignalSteps = signalSteps;
      app.mSignal = signal;
      app.mAnswerNoAfter = answerNoAfter;
      if (!app.Init()) _exit(2);
      for (uint64_t step : signalSteps)
        if (step == 0) raise(signal);
      app.Start();
    }
    _exit(3);  // ending here means the destructor did not end the process by the signal
  }
  int status = 0;
  waitpid(child, &status, 0);
  StopOutcome outcome;
  outcome.endedBy = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  std::ifstream in(record);
  std::getline(in, outcome.record);
  std::ifstream ini(settingsPath);
  std::stringstream text;
  text << ini.rdbuf();
  outcome.settings = text.str();
  std::filesystem::remove(record);
  return outcome;
}

}  // namespace

// Nobody could answer a question: the first SIGTERM, SIGINT or SIGHUP leaves at once, saving what
// a quit saves and writing the settings (the run's mark cleared, the options in force kept); the
// process then ends by the signal.
TEST(StopSignal, WithoutAWindowTheFirstLeavesAtOnceAndSaves) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const StopOutcome outcome = RunStopApp(false, {5}, 0, signal);
    EXPECT_EQ(outcome.endedBy, signal) << strsignal(signal);
    EXPECT_EQ(outcome.record, "asked 0 saved 1") << strsignal(signal);
    EXPECT_NE(outcome.settings.find("InProgress=0"), std::string::npos) << strsignal(signal) << "\n" << outcome.settings;
    EXPECT_NE(outcome.settings.find("PreferredX=321"), std::string::npos) << strsignal(signal) << "\n" << outcome.settings;
  }
}

// With a window the first SIGTERM asks as the close button does; a second one while the question
// is open leaves without asking. A question answered "no" is over: the next signal asks again.
TEST(StopSignal, WithAWindowASecondWhileAskingLeavesWithoutAsking) {
  StopOutcome outcome = RunStopApp(true, {5, 20}, 0);
  EXPECT_EQ(outcome.endedBy, SIGTERM);
  EXPECT_EQ(outcome.record, "asked 1 saved 1");
  EXPECT_NE(outcome.settings.find("InProgress=0"), std::string::npos) << outcome.settings;

  outcome = RunStopApp(true, {5, 40, 60}, 30);
  EXPECT_EQ(outcome.endedBy, SIGTERM);
  EXPECT_EQ(outcome.record, "asked 2 saved 1");
}

// Signals that come together, in one step or before the loop first looks, are not one: the first
// asks and the second, taken while the question is open, leaves. A burst of three in one step (a
// logout) is no loop that stopped answering: the game still leaves saving.
TEST(StopSignal, SignalsThatComeTogetherAreEachAnswered) {
  for (const std::vector<uint64_t>& steps :
       {std::vector<uint64_t>{5, 5}, std::vector<uint64_t>{0, 0}, std::vector<uint64_t>{5, 5, 5}}) {
    const std::string what = std::to_string(steps.size()) + " at step " + std::to_string(steps[0]);
    const StopOutcome outcome = RunStopApp(true, steps, 0);
    EXPECT_EQ(outcome.endedBy, SIGTERM) << what;
    EXPECT_EQ(outcome.record, "asked 1 saved 1") << what;
    EXPECT_NE(outcome.settings.find("InProgress=0"), std::string::npos) << what << "\n" << outcome.settings;
  }
}
