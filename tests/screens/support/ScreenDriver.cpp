#include "ScreenDriver.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "driver/WindowPoint.h"
#include "effects/EffectCallbacks.h"
#include "graphics/ImageLib.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/Random.h"
#include "shell/StringUtil.h"
#include "widgets/ZCWidgetKit.h"

namespace fs = std::filesystem;
using Type = Platform::InputEvent::Type;

namespace {
constexpr int32_t kActionPatience = 1000;
constexpr int32_t kBoxPatience = 20000;

bool PageTurning() { return ScreenTable::GetMainMenu() && ScreenTable::GetMainMenu()->IsTurning(); }
}  // namespace

ZCCandyWidget* FindWidget(ZCEngine* game, const std::string& path) {
  if (!game || !game->GetRootDialog()) return nullptr;
  std::vector<std::string> names;
  std::stringstream in(path);
  for (std::string name; std::getline(in, name, '/');) names.push_back(name);
  if (names.empty()) return nullptr;
  ZCCandyWidget* widget = nullptr;
  for (Vesk::Widget* child : game->GetRootDialog()->GetChildren())
    if (auto* candy = dynamic_cast<ZCCandyWidget*>(child); candy && candy->GetName() == names[0]) widget = candy;
  for (size_t i = 1; widget && i < names.size(); ++i) widget = widget->FindChild(names[i]);
  return widget;
}

bool ScreenGame::PlayAction() {
  if (mActions.empty()) return false;
  Action& action = mActions.front();
  // Mouse positions are the picture's; Input places them where the window reports them.
  auto input = [&](Type type, int32_t x, int32_t y, int32_t key) { Input(type, x, y, key); };
  switch (action.mKind) {
    case Action::kClick: {
      ZCCandyWidget* widget = FindWidget(this, action.mPath);
      if (AreWidgetsLocked() || PageTurning() || !widget) {
        if (++action.mWaited < kActionPatience) return false;
        ADD_FAILURE() << "no widget to click at " << action.mPath;
        break;
      }
      int32_t x = 0, y = 0;
      widget->GetAbsolutePos(x, y);
      x += widget->mWidth / 2;
      y += widget->mHeight / 2;
      input(Type::MouseMove, x, y, 0);
      input(Type::MouseDown, x, y, 0);
      input(Type::MouseUp, x, y, 0);
      break;
    }
    case Action::kKey:
      input(Type::KeyDown, 0, 0, action.mKey);
      input(Type::KeyUp, 0, 0, action.mKey);
      break;
    case Action::kText:
      for (wchar_t c : action.mText) input(Type::KeyChar, 0, 0, int32_t(c));
      break;
    case Action::kCall: {
      std::function<void()> call = std::move(action.mCall);
      mActions.pop_front();
      call();
      return true;
    }
  }
  mActions.pop_front();
  return true;
}

bool ScreenGame::LoopStep() {
  if (mDepth > 0 && ++mNestedSteps > kBoxPatience) {
    ADD_FAILURE() << "a box waited " << kBoxPatience << " loop steps for an answer";
    Shutdown();
  }
  ++mDepth;
  PlayAction();
  const bool running = HeadlessGame::LoopStep();
  --mDepth;
  return running;
}

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
  while (mGame->GetUpdateCount() < end && mGame->LoopStep()) {
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
  EXPECT_TRUE(StepUntil([&] { return mGame->mActions.empty() && !AreWidgetsLocked() && !PageTurning(); }, limit))
      << "the queued input was not played";
  Step(1);
}

void ScreenDriver::Click(const std::string& path) {
  ScreenGame::Action action;
  action.mKind = ScreenGame::Action::kClick;
  action.mPath = path;
  mGame->mActions.push_back(action);
}

void ScreenDriver::Key(int32_t vk) {
  ScreenGame::Action action;
  action.mKind = ScreenGame::Action::kKey;
  action.mKey = vk;
  mGame->mActions.push_back(action);
}

void ScreenDriver::Type(const std::wstring& text) {
  ScreenGame::Action action;
  action.mKind = ScreenGame::Action::kText;
  action.mText = text;
  mGame->mActions.push_back(action);
}

void ScreenDriver::Do(std::function<void()> call) {
  ScreenGame::Action action;
  action.mCall = std::move(call);
  mGame->mActions.push_back(std::move(action));
}

namespace {
void DumpWidget(std::ostream& out, const std::string& path, Vesk::Widget* widget) {
  auto* candy = dynamic_cast<ZCCandyWidget*>(widget);
  if (!candy) return;
  const std::string here = path.empty() ? candy->GetName() : path + "/" + candy->GetName();
  std::wstring text;
  if (ZCText* label = candy->AsText()) text = label->GetText();
  else if (auto* button = dynamic_cast<ZCButton*>(candy)) text = button->GetLabel();
  else if (auto* edit = dynamic_cast<ZCEditWidget*>(candy)) text = edit->GetText();
  else if (auto* list = dynamic_cast<ZCList*>(candy))
    for (int32_t i = 0; i < list->GetLineCount(); ++i) text += (i ? L"|" : L"") + list->GetLine(i);
  out << here << (candy->IsVisible() ? " visible" : " hidden") << (candy->IsDisabled() ? " disabled" : " enabled");
  if (!text.empty()) out << " \"" << WideToUtf8(text) << "\"";
  out << "\n";
  for (Vesk::Widget* child : widget->GetChildren()) DumpWidget(out, here, child);
}
}  // namespace

std::string ScreenDriver::Dump() {
  std::ostringstream out;
  for (Vesk::Widget* child : mGame->GetRootDialog()->GetChildren()) DumpWidget(out, "", child);
  return out.str();
}

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
