#include <gtest/gtest.h>

#include "shell/Demo.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/support/TestFiles.h"

namespace {

using Platform::InputEvent;

InputEvent Ev(InputEvent::Type type, int x, int y, int button = 0, int key = 0, int clicks = 1) {
  InputEvent e;
  e.mType = type;
  e.mX = x;
  e.mY = y;
  e.mButton = button;
  e.mKey = key;
  e.mClicks = clicks;
  return e;
}

bool Same(const InputEvent& a, const InputEvent& b) {
  return a.mType == b.mType && a.mX == b.mX && a.mY == b.mY && a.mButton == b.mButton && a.mKey == b.mKey &&
         a.mClicks == b.mClicks;
}

// A small stand-in for the game: each step it takes the step's input (from the script when
// recording, from the demo when playing), makes random choices through both generators and
// syncs a setting, folding everything into a state value.
struct MiniGame {
  uint64_t mState = 0;
  std::vector<std::pair<uint64_t, InputEvent>> mSeen;
  std::string mVerdict;
  bool mFlag = false;

  void Fold(uint64_t v) { mState = mState * 1099511628211ull ^ v; }

  void Run(Demo& demo, const std::map<uint64_t, std::vector<InputEvent>>& script, uint64_t steps,
           const std::string& machineVerdict, bool machineFlag) {
    SeedRandom(demo.Seed());
    mVerdict = machineVerdict;
    mFlag = machineFlag;
    demo.SyncString(mVerdict);  // a value measured on the recording machine
    demo.SyncBool(mFlag);
    Fold(std::hash<std::string>()(mVerdict));
    Fold(mFlag);
    for (uint64_t step = 0; step < steps; ++step) {
      std::vector<InputEvent> events;
      if (demo.IsPlaying()) {
        events = demo.TakeEvents(step);
      } else if (auto it = script.find(step); it != script.end()) {
        events = it->second;
        for (auto& e : events) demo.RecordEvent(step, e);
      }
      for (auto& e : events) {
        mSeen.emplace_back(step, e);
        Fold(uint64_t(e.mType) * 31 + uint64_t(e.mX) * 7 + uint64_t(e.mY) + uint64_t(e.mKey));
        Fold(uint64_t(RandomInt(0, 1000)));  // a choice the input triggers
      }
      if (step % 50 == 0) Fold(demo.Random().Next(100));
    }
  }
};

std::map<uint64_t, std::vector<InputEvent>> Script() {
  return {
      {0, {Ev(InputEvent::Type::Activate, 0, 0, 0, 1)}},
      {3, {Ev(InputEvent::Type::MouseMove, 100, 200), Ev(InputEvent::Type::MouseDown, 100, 200, 1)}},
      {4, {Ev(InputEvent::Type::MouseUp, 100, 200, 1)}},
      {57, {Ev(InputEvent::Type::KeyDown, 0, 0, 0, 27), Ev(InputEvent::Type::KeyChar, 0, 0, 0, 0x1F600)}},
      {58, {Ev(InputEvent::Type::MouseWheel, -5, 70000, -120)}},
      {199, {Ev(InputEvent::Type::MouseDown, 1023, 767, 2, 0, 2)}},
  };
}

}  // namespace

TEST(Demo, RecordedRunReplaysToTheSameState) {
  TempDir dir;
  const std::string path = dir / Demo::FileName("", 7);
  EXPECT_EQ(Demo::FileName("", 7), "7.dmo");
  EXPECT_EQ(Demo::FileName("my.dmo", 7), "my.dmo");

  MiniGame recorded;
  {
    Demo demo;
    ASSERT_TRUE(demo.StartRecording(path, 0xC0FFEE));
    EXPECT_TRUE(demo.IsRecording());
    recorded.Run(demo, Script(), 250, "software 3D: driver too old", true);
    ASSERT_TRUE(demo.Finish(250));
    EXPECT_EQ(demo.GetMode(), Demo::Mode::Off);
  }

  MiniGame replayed;
  Demo demo;
  ASSERT_TRUE(demo.StartPlayback(path));
  EXPECT_TRUE(demo.IsPlaying());
  EXPECT_EQ(demo.Seed(), 0xC0FFEEu);
  EXPECT_EQ(demo.LastStep(), 250u);
  // The replaying machine measures something else: the recorded values win.
  replayed.Run(demo, {}, 250, "hardware 3D", false);
  EXPECT_EQ(replayed.mVerdict, "software 3D: driver too old");
  EXPECT_TRUE(replayed.mFlag);
  ASSERT_EQ(replayed.mSeen.size(), recorded.mSeen.size());
  for (size_t i = 0; i < recorded.mSeen.size(); ++i) {
    EXPECT_EQ(replayed.mSeen[i].first, recorded.mSeen[i].first);
    EXPECT_TRUE(Same(replayed.mSeen[i].second, recorded.mSeen[i].second)) << i;
  }
  EXPECT_EQ(replayed.mState, recorded.mState);
  EXPECT_TRUE(demo.PlaybackFinished(250));
}

TEST(Demo, WithoutADemoValuesAndEventsPassThrough) {
  Demo demo;
  bool b = true;
  std::string s = "mine";
  demo.SyncBool(b);
  demo.SyncString(s);
  EXPECT_TRUE(b);
  EXPECT_EQ(s, "mine");
  demo.RecordEvent(1, Ev(InputEvent::Type::MouseDown, 1, 1));
  EXPECT_TRUE(demo.TakeEvents(100).empty());
}

TEST(Demo, PlaybackHandsOverLateEventsAndStopsWhenOutOfStep) {
  TempDir dir;
  const std::string path = dir / "1.dmo";
  {
    Demo demo;
    demo.StartRecording(path, 1);
    demo.RecordEvent(10, Ev(InputEvent::Type::KeyDown, 0, 0, 0, 13));
    demo.RecordEvent(12, Ev(InputEvent::Type::KeyUp, 0, 0, 0, 13));
    bool b = false;
    demo.SyncBool(b);
  }  // the destructor writes the recording
  Demo demo;
  ASSERT_TRUE(demo.StartPlayback(path));
  EXPECT_TRUE(demo.TakeEvents(9).empty());
  EXPECT_EQ(demo.TakeEvents(20).size(), 2u);  // a loop that skipped steps still gets them
  EXPECT_FALSE(demo.PlaybackFinished(11));
  EXPECT_TRUE(demo.PlaybackFinished(12));
  std::string s = "mine";
  LogHistory::Clear();
  demo.SyncString(s);  // the demo holds a bool here
  EXPECT_EQ(s, "mine");
  EXPECT_TRUE(LogHistory::Contains("ERROR: Demo: playback of"));
  EXPECT_FALSE(demo.IsPlaying());
}

TEST(Demo, BadOrTruncatedFilesGiveAnErrorAndNoPlayback) {
  TempDir dir;
  const std::string path = dir / "2.dmo";
  {
    Demo demo;
    demo.StartRecording(path, 42);
    for (uint64_t step = 0; step < 20; ++step) demo.RecordEvent(step, Ev(InputEvent::Type::MouseMove, int(step), 5));
    std::string s = "value";
    demo.SyncString(s);
    ASSERT_TRUE(demo.Finish(30));
  }
  const std::vector<uint8_t> good = ReadFileBytes(path);
  ASSERT_GT(good.size(), 20u);

  // Every truncation is refused.
  for (size_t len = 0; len < good.size(); ++len) {
    SCOPED_TRACE(len);
    Demo demo;
    LogHistory::Clear();
    EXPECT_FALSE(demo.StartPlaybackFromMemory(std::vector<uint8_t>(good.begin(), good.begin() + len), "cut.dmo"));
    EXPECT_FALSE(demo.IsPlaying());
    EXPECT_TRUE(LogHistory::Contains("ERROR: Demo: cut.dmo is not a valid demo"));
    EXPECT_TRUE(demo.TakeEvents(100).empty());
  }
  std::vector<std::pair<std::string, std::vector<uint8_t>>> forged;
  auto withByte = [&](size_t at, uint8_t v) {
    auto b = good;
    b[at] = v;
    return b;
  };
  forged.push_back({"magic", withByte(0, 'X')});
  forged.push_back({"version", withByte(4, 9)});
  auto extra = good;
  extra.push_back(0x55);
  forged.push_back({"trailing data", extra});
  for (auto& [name, bytes] : forged) {
    SCOPED_TRACE(name);
    Demo demo;
    LogHistory::Clear();
    EXPECT_FALSE(demo.StartPlaybackFromMemory(bytes, name));
    EXPECT_TRUE(LogHistory::Contains("ERROR: Demo: " + name + " is not a valid demo"));
  }
  LogHistory::Clear();
  Demo demo;
  EXPECT_FALSE(demo.StartPlayback(dir / "missing.dmo"));
  EXPECT_TRUE(LogHistory::Contains("ERROR: Demo: cannot open"));
  EXPECT_FALSE(demo.IsPlaying());
}

TEST(Demo, AnUnwritableFileIsReported) {
  Demo demo;
  demo.StartRecording("/nonexistent-folder/x/1.dmo", 3);
  LogHistory::Clear();
  EXPECT_FALSE(demo.Finish());
  EXPECT_TRUE(LogHistory::Contains("ERROR: Demo: cannot write"));
}
