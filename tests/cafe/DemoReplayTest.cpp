#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"
#include "cafe/ZCBoard_Game3.h"
#include "board/ZCItemPart.h"
#include "board/ZCMoveItem.h"
#include "driver/HeadlessGame.h"
#include "driver/TestFolder.h"
#include "effects/ZCAnimController.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"

namespace fs = std::filesystem;
using Type = Platform::InputEvent::Type;

namespace {

constexpr uint64_t kSnapshotEvery = 20;
// Steps of play recorded after the level's hand-over.
constexpr uint64_t kPlaySteps = 400;

uint64_t Mix(uint64_t hash, uint64_t value) { return (hash ^ value) * 0x100000001B3ull; }

// The board's state and the drawn frame at one update step.
struct Snapshot {
  uint64_t mBoard = 0;
  uint64_t mFrame = 0;
  bool operator==(const Snapshot&) const = default;
};

// The game as a demo records or replays it; it takes a snapshot every kSnapshotEvery update
// steps and stops at a given step. While recording, it clicks the two worker tables of the first level
// at set steps after the level's start, as a player would.
class DemoGame : public HeadlessGame {
 public:
  DemoGame(const std::vector<std::string>& args, uint64_t endStep) : HeadlessGame("Demo Test"), mEndStep(endStep) {
    SetCommandLine(args);
  }
  // Runs the whole game: start-up, the level, play up to the end step.
  void Run() {
    BeginStartup();
    ASSERT_TRUE(RunToEnd()) << "the run did not reach its end step";
  }

  std::map<uint64_t, Snapshot> mSnapshots;
  uint64_t mLevelStep = 0;  // the update step the level started at
  uint64_t mEndStep;

 protected:
  void UpdateStep() override {
    HeadlessGame::UpdateStep();
    const uint64_t step = GetUpdateCount();
    ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
    if (!mLevelStep && board && board->IsRunning()) mLevelStep = step;
    if (mDemo.IsRecording() && mLevelStep) {
      if (step == mLevelStep + 30) Click("table02");
      if (step == mLevelStep + 60) Click("table03");
      if (step == mLevelStep + kPlaySteps) mEndStep = step;
    }
    if (step % kSnapshotEvery == 0) mSnapshots[step] = Take();
    if (step >= mEndStep) Shutdown();
  }

 private:
  void Click(const std::string& item) {
    const BoardPoint p = PointInside(item);
    Input(Type::MouseMove, p.x, p.y);
    Input(Type::MouseDown, p.x, p.y);
    Input(Type::MouseUp, p.x, p.y);
  }

  Snapshot Take() {
    Snapshot s;
    uint64_t h = 0xCBF29CE484222325ull;
    // The board is made by the start-up loader: it is looked at once that has been handed over.
    h = Mix(h, IsLoaderRunning());
    ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
    if (board) {
      h = Mix(h, board->IsLoadingLevel());
      h = Mix(h, board->IsRunning());
      float time = board->GetLevelTime();
      uint32_t bits;
      std::memcpy(&bits, &time, sizeof bits);
      h = Mix(h, bits);
      // While a level loads, its data belong to the loading thread.
      if (!board->IsLoadingLevel()) {
        h = Mix(h, uint64_t(board->GetLevelNumber()));
        for (ZCItem* item : GetItemRegistry().Items()) {
          h = Mix(h, std::hash<std::string>()(item->GetName()));
          h = Mix(h, item->IsVisible());
          h = Mix(h, item->IsRunning());
          for (const auto& part : item->GetParts()) {
            h = Mix(h, part->IsShown());
            h = Mix(h, std::hash<std::string>()(part->GetCurrentAnimation()));
            h = Mix(h, part->GetController() ? uint64_t(part->GetController()->GetFrameIndex()) : 0u);
            const BoardPoint pos = part->GetDrawPos();
            h = Mix(h, (uint64_t(uint32_t(pos.x)) << 32) | uint32_t(pos.y));
          }
        }
        if (ZCMoveItem* walker = board->GetHeroine()) h = Mix(h, walker->GetTargets().size());
      }
    }
    s.mBoard = h;
    DrawFrame();
    const Vesk::DDImage* screen = GetDisplay()->GetScreenImage();
    const uint32_t* bits = const_cast<Vesk::DDImage*>(screen)->GetBits();
    uint64_t f = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < size_t(screen->mWidth) * size_t(screen->mHeight); ++i) f = Mix(f, bits[i] & 0xFFFFFFu);
    s.mFrame = f;
    return s;
  }
};

// Keeps every core busy while it lives.
class CpuLoad {
 public:
  CpuLoad() {
    const unsigned n = std::max(2u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < n; ++i)
      mThreads.emplace_back([this] {
        volatile uint64_t x = 0;
        while (!mStop.load(std::memory_order_relaxed)) x = x + 1;
      });
  }
  ~CpuLoad() {
    mStop = true;
    for (std::thread& t : mThreads) t.join();
  }

 private:
  std::atomic<bool> mStop{false};
  std::vector<std::thread> mThreads;
};

}  // namespace

// The real game is recorded (the first level, two clicks), then replayed twice, the second time
// with every core busy: the start-up loader and the level loader end at other moments of real
// time, yet each replay hands over at the recorded steps, so the board and the drawn frames
// are the same at every snapshot step.
TEST(DemoReplay, ReplaysOfTheRealGameMatchTheRecordingStepForStep) {
  const std::string demo = (TestTempFolder() / ("cafe_demo_" + std::to_string(getpid()) + ".dmo")).string();
  std::map<uint64_t, Snapshot> recorded;
  uint64_t levelStep = 0, endStep = 0;
  {
    DemoGame game({"-record", "-demofile", demo}, UINT64_MAX);
    ASSERT_TRUE(game.Init());
    game.Run();
    ASSERT_GT(game.mLevelStep, 0u);
    recorded = game.mSnapshots;
    levelStep = game.mLevelStep;
    endStep = game.mEndStep;
  }
  // The recording played its steps after the level's start and took a snapshot at every
  // kSnapshotEvery-th step from the first one to the end: none is missing, however soon the
  // level started.
  ASSERT_EQ(endStep, levelStep + kPlaySteps);
  ASSERT_EQ(recorded.size(), endStep / kSnapshotEvery);
  for (int replay = 0; replay < 2; ++replay) {
    std::unique_ptr<CpuLoad> load;
    if (replay == 1) load = std::make_unique<CpuLoad>();
    DemoGame game({"-play", "-demofile", demo}, endStep);
    ASSERT_TRUE(game.Init());
    game.Run();
    EXPECT_EQ(game.mLevelStep, levelStep) << "replay " << replay;
    ASSERT_EQ(game.mSnapshots.size(), recorded.size()) << "replay " << replay;
    for (const auto& [step, snapshot] : recorded) {
      EXPECT_EQ(game.mSnapshots[step].mBoard, snapshot.mBoard) << "replay " << replay << " step " << step;
      EXPECT_EQ(game.mSnapshots[step].mFrame, snapshot.mFrame) << "replay " << replay << " step " << step;
    }
  }
  fs::remove(demo);
}
