#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cafe/ZCBoard_Game3.h"
#include "board/ZCMoveItem.h"
#include "driver/HeadlessGame.h"
#include "driver/WaitUntil.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "platform/time/Clock.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

namespace fs = std::filesystem;
using Type = Platform::InputEvent::Type;

namespace {

// Loop steps through the start-up loading up to the start of the level load.
bool LevelLoadStarts(HeadlessGame& game) {
  return game.StepUntil([&] { return !game.IsLoaderRunning() && game.GetBoard() && game.GetBoard()->IsLoadingLevel(); },
                        "the level load");
}

// Milliseconds from the end of start-up loading to the level's hand-over, measured once.
int MeasureLevelLoadMs() {
  HeadlessGame game("Quit Test");
  if (!game.Init()) return 0;
  game.BeginStartup();
  if (!LevelLoadStarts(game)) return 0;
  const uint64_t start = Platform::GetTickMs();
  if (!game.RunUntilLevelRuns()) return 0;
  return int(Platform::GetTickMs() - start);
}

}  // namespace

// The game is closed (destroyed, as at the end of main) at many moments of a level load:
// before the worker starts reading, while it reads, once it is done but not handed over, and
// after the hand-over. Nothing the worker uses may be freed under it (the sanitizers watch).
TEST(GameShutdown, ClosingAtAnyMomentOfALevelLoadFreesNothingInUse) {
  const int loadMs = MeasureLevelLoadMs();
  ASSERT_GT(loadMs, 0);
  for (int eighth = 0; eighth <= 10; ++eighth) {
    HeadlessGame game("Quit Test");
    ASSERT_TRUE(game.Init());
    game.BeginStartup();
    // Start-up loading, up to the start of the level load.
    ASSERT_TRUE(LevelLoadStarts(game));
    if (eighth <= 8) {
      // Closed after eighth/8 of the measured load time, without the loop running meanwhile.
      std::this_thread::sleep_for(std::chrono::milliseconds(loadMs * eighth / 8));
    } else if (eighth == 9) {
      // The worker is done, the hand-over not made.
      WaitUntil([&] { return !game.GetBoard()->IsLoadingLevel() || game.mLoaded.load(); });
      ASSERT_TRUE(game.mLoaded.load() || !game.GetBoard()->IsLoadingLevel()) << "the level load never ended";
    } else {
      ASSERT_TRUE(game.RunUntilLevelRuns());
      game.RunFor(50);
    }
  }
}

// A close that comes while the level loads is kept until the level is handed over, then the
// game leaves; the level is never left loading under a shut-down.
TEST(GameShutdown, ACloseDuringALevelLoadWaitsForItsEnd) {
  HeadlessGame game("Close Test");
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  game.Input(Type::Close);  // during start-up loading
  ASSERT_TRUE(LevelLoadStarts(game));
  EXPECT_FALSE(game.IsShutdownRequested());
  game.Input(Type::Close);  // and again during the level load
  EXPECT_TRUE(game.StepToEnd());
  EXPECT_TRUE(game.IsShutdownRequested());
  EXPECT_FALSE(game.GetBoard()->IsLoadingLevel());
  EXPECT_TRUE(LogHistory::Contains("quit deferred until loading ends"));
}

// A still room is not drawn again step after step; a walk, a hover and a new level are.
TEST(GameRedraw, OnlyAStepThatChangesWhatIsDrawnAsksForARedraw) {
  HeadlessGame game("Redraw Test");
  // The loop's own frames are counted below.
  game.mLoopDraws = true;
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilLevelRuns());
  ZCBoard_Game3* board = game.GetBoard();
  auto countRedraws = [&](int steps, auto&& until) {
    int redraws = 0, run = 0;
    for (; run < steps && !until(); ++run) {
      game.Step();
      if (game.Dirty()) {
        ++redraws;
        game.Frame();
      }
    }
    return std::pair<int, int>(redraws, run);
  };
  auto never = [] { return false; };
  countRedraws(5, never);  // the level's first frame

  // The first 150 steps of the first level: nobody comes yet, the heroine stands.
  auto [stillRedraws, stillSteps] = countRedraws(150, never);
  EXPECT_EQ(stillSteps, 150);
  EXPECT_LE(stillRedraws, stillSteps / 5) << "a still room is drawn again and again";

  // Hovering a table lights it: drawn again at once.
  const BoardPoint table = PointInside("table02");
  const int framesBefore = game.mFrames;
  game.Input(Type::MouseMove, table.x, table.y);
  game.LoopStep();
  EXPECT_GT(game.mFrames, framesBefore);

  // A click sends the heroine; every step of her walk moves her.
  game.Input(Type::MouseDown, table.x, table.y);
  game.Input(Type::MouseUp, table.x, table.y);
  game.LoopStep();
  ZCMoveItem* walker = board->GetHeroine();
  ASSERT_NE(walker, nullptr);
  countRedraws(2, never);
  ASSERT_TRUE(walker->IsMoving());
  auto [walkRedraws, walkSteps] = countRedraws(400, [&] { return !walker->IsMoving(); });
  EXPECT_GT(walkSteps, 20);
  EXPECT_GE(walkRedraws, walkSteps - 1);
}

// Print Screen writes the last drawn frame as "_screenshots/N.png" in the data folder, numbered
// from 0 and never over an earlier one.
TEST(GameScreenshot, PrintScreenWritesTheFrameAsTheNextNumberedPicture) {
  HeadlessGame game("Screenshot Test");
  ASSERT_TRUE(game.Init());
  const fs::path folder = fs::path(game.UserDataFolder()) / "_screenshots";
  fs::remove_all(folder);
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilLevelRuns());
  // The board stands still, so that a step that catches up on a slow start changes nothing on
  // screen between the picture and the frame it is compared with.
  game.GetBoard()->Pause();
  game.Frame();
  for (int i = 0; i < 2; ++i) {
    game.Input(Type::KeyDown, 0, 0, ZCEngine::kScreenshotKey);
    game.Input(Type::KeyUp, 0, 0, ZCEngine::kScreenshotKey);
    game.LoopStep();
  }
  ASSERT_TRUE(fs::exists(folder / "0.png"));
  ASSERT_TRUE(fs::exists(folder / "1.png"));
  EXPECT_FALSE(fs::exists(folder / "2.png"));
  // The picture lies outside the game's folders, which the game's file layer keeps to.
  GetPakInterface()->ConfineToDataFolder(false);
  std::unique_ptr<Vesk::MemoryImage> shot = ImageLib::GetImage((folder / "0.png").string());
  GetPakInterface()->ConfineToDataFolder(true);
  ASSERT_NE(shot, nullptr);
  Vesk::DDImage* screen = game.GetDisplay()->GetScreenImage();
  ASSERT_EQ(shot->mWidth, screen->mWidth);
  ASSERT_EQ(shot->mHeight, screen->mHeight);
  // The picture is the frame: pixels across it agree, but for the few an idle animation (a
  // table's glint, a swaying fern) may have changed in the steps since (more of them on a
  // loaded machine).
  const uint32_t* bits = shot->GetBits();
  const uint32_t* frame = screen->GetBits();
  int sampled = 0, differ = 0;
  for (int32_t y = 0; y < screen->mHeight; y += 97)
    for (int32_t x = 0; x < screen->mWidth; x += 89) {
      const size_t i = size_t(y) * size_t(screen->mWidth) + size_t(x);
      ++sampled;
      differ += (bits[i] & 0xFFFFFFu) != (frame[i] & 0xFFFFFFu);
    }
  EXPECT_LE(differ, sampled / 10) << differ << " of " << sampled << " pixels differ";
  fs::remove_all(folder);
}
