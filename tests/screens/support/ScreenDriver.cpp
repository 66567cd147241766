#include "ScreenDriver.h"

#include <filesystem>
#include <fstream>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "effects/EffectCallbacks.h"
#include "graphics/ImageLib.h"
#include "screens/ScreenTable.h"
#include "shell/Random.h"

namespace fs = std::filesystem;

void ScreenDriver::Start(const StartOptions& options) {
  ProfileStore& store = GetProfileStore();
  if (!options.keepProfile) fs::remove(store.GetPath());
  if (!options.keepProfile && !options.players.empty()) {
    store.Load();
    for (size_t n = 0; n < options.players.size(); ++n)
      ASSERT_TRUE(store.CreatePlayer(options.players[n], [&](ProfileStore::PlayerRecord& record) {
        if (options.fill) options.fill(n, record);
      }));
    ASSERT_TRUE(store.Save());
  }
  mGame = std::make_unique<ScreenGame>("Screens Test");
  mGame->SetCommandLine(options.args);
  mGame->mPlayFirstLevel = options.playLevel;
  fs::create_directories(fs::path(mGame->SettingsFilePath()).parent_path());
  {
    std::ofstream ini(mGame->SettingsFilePath());
    ini << "[SOFTWARE\\Cafe Tests\\Screens Test]\n";
    for (const auto& [key, value] : options.settings) ini << key << "=" << value << "\n";
  }
  ASSERT_TRUE(mGame->Init());
  if (!mGame->GetDemo().IsPlaying() && !mGame->GetDemo().IsRecording()) SeedRandom(1);
  mGame->BeginStartup();
  ASSERT_TRUE(StepUntil([&] { return !mGame->IsLoaderRunning() && mGame->GetBoard(); }, 20000))
      << "the start-up loading did not end";
  if (options.keepSplash) return;
  // Keys skip the slides until the splash has handed over (to the menu, or to the first level).
  ZCCandyWidget* splash = mGame->GetScreen(ZCEngine3::kSplash);
  ZCCandyWidget* menu = mGame->GetScreen(ZCEngine3::kMainMenu);
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_TRUE(StepUntil([&] {
    if (splash && splash->IsVisible()) {
      if (mGame->mActions.empty()) Key(' ');
      return false;
    }
    return (menu && menu->IsVisible()) || board->IsLoadingLevel() || board->IsRunning();
  })) << "the splash did not hand over";
}

void ScreenDriver::TearDown() {
  if (mGame && mGame->GetDemo().IsRecording()) mGame->GetDemo().Finish(mGame->GetUpdateCount());
  mGame.reset();
}

void ScreenDriver::Step(int n) {
  const uint64_t end = mGame->GetUpdateCount() + uint64_t(n);
  // A loop step runs an update step or sleeps towards the next one.
  for (int steps = 0; mGame->GetUpdateCount() < end; ++steps) {
    if (steps > 2 * n + 100) {
      ADD_FAILURE() << "the update count stood still: " << n << " update steps not run in " << steps << " loop steps";
      return;
    }
    if (!mGame->LoopStep()) return;
  }
}

bool ScreenDriver::StepUntil(const std::function<bool()>& condition, int limit) {
  for (int i = 0; i < limit; ++i) {
    if (condition()) return true;
    if (!mGame->LoopStep()) return condition();
  }
  return condition();
}

void ScreenDriver::Settle(int limit) {
  EXPECT_TRUE(StepUntil([&] { return mGame->IsSettled(); }, limit))
      << "the queued input was not played";
  Step(1);
}

void ScreenDriver::PlayLevel(int32_t level, bool endless) {
  ZCBoard_Game3* board = mGame->GetBoard();
  Do([=] { board->StartLoadingThread(level, endless); });
  ASSERT_TRUE(StepUntil([&] { return !board->IsLoadingLevel() && board->IsRunning(); }, 20000))
      << "level " << level << " did not start";
  if (mGame->mPressBriefingStart) {
    ASSERT_TRUE(StepUntil([&] { return !board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }))
        << "the briefing was not pressed away";
  }
  Settle();
}

void ScreenDriver::EndDayAtGoal() {
  ZCBoard_Game3* board = mGame->GetBoard();
  // A day ends once it is under way: the briefing pressed away first.
  ASSERT_TRUE(StepUntil([&] { return !board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }))
      << "the briefing was not pressed away";
  Do([=] {
    if (board->GetMoney() < board->GetGoal()) board->AddMoney(board->GetGoal() - board->GetMoney());
    board->FinishLevel();
  });
}

void ScreenDriver::Click(const std::string& path) { mGame->QueueClick(path); }
void ScreenDriver::Key(int32_t vk) { mGame->QueueKey(vk); }
void ScreenDriver::Type(const std::wstring& text) { mGame->QueueText(text); }
void ScreenDriver::Do(std::function<void()> call) { mGame->QueueCall(std::move(call)); }

std::string ScreenDriver::Shot(const std::string& name) {
  mGame->Frame();
  const fs::path folder = fs::path(std::getenv("CAFE_BINARY_DIR")) / "screenshots";
  fs::create_directories(folder);
  const std::string path = (folder / (name + ".png")).string();
  EXPECT_TRUE(ImageLib::WritePNG(*mGame->GetDisplay()->GetScreenImage(), path)) << path;
  return path;
}

int32_t ScreenDriver::PauseCount() { return mGame->GetBoard() ? mGame->GetBoard()->GetPauseCount() : 0; }

std::string ScreenDriver::ProfilePath() { return GetProfileStore().GetPath(); }
