#include "driver/LevelRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/ZCBoard_Game.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "driver/WaitUntil.h"
#include "driver/WindowPoint.h"
#include "engine/ZCEngine.h"
#include "platform/window/InputEvent.h"
#include "widgets/ZCCandyWidget.h"
#include "shell/Random.h"

namespace {

const char* gProgram = "level_run";

struct Options {
  int32_t level = 90;
  bool endless = false;
  uint32_t seed = 1;
  uint64_t maxSteps = 6000;
  bool toEnd = false;
  int32_t startupRounds = 0;
  std::string expect;
  std::string script;
  // Only the lines holding this text are printed and compared (all when empty).
  std::string keep;
};

struct Press {
  uint64_t step = 0;
  std::string item;
};

// The engine without a window, on simulated time, with the run's board as its only screen.
class RunnerEngine : public ZCEngine {
 public:
  RunnerEngine(RunTrace& trace, const Options& options, const BoardFactory& makeBoard)
      : mTrace(trace), mLevel(options.level), mEndless(options.endless), mMakeBoard(makeBoard) {
    mProductName = "Board Run";
    mRegKey = "Cafe Tests\\Board Run";
  }

  // The start-up loading on its thread, as the game runs it, then the level's load on the
  // board's worker thread; false when the level did not start.
  bool LoadLevel() {
    if (!StartUpWithSteps()) {
      std::fprintf(stderr, "%s: the start-up loading did not finish\n", gProgram);
      return false;
    }
    mBoard->StartLoadingThread(mLevel, mEndless);
    // The level is handed over here, between update steps, so that its first step is step 1
    // whenever the worker ends.
    WaitUntil([this] { return mBoard->PollLevelLoad() || !mBoard->IsLoadingLevel(); }, std::chrono::minutes(2));
    if (mBoard->IsLoadingLevel()) std::fprintf(stderr, "%s: the level load did not finish\n", gProgram);
    return !mBoard->IsLoadingLevel() && mBoard->IsRunning();
  }

  // The start-up loading on its thread with main-loop steps meanwhile, as the game runs it, until
  // the main loop has handed the screens over; false when that did not happen in time.
  bool StartUpWithSteps(std::chrono::seconds within = std::chrono::minutes(2)) {
    BeginStartupLoading();
    LoopWhile([this] { return IsLoaderRunning() || !mBoardAttached; }, within);
    return mBoard && mBoardAttached;
  }

  // Main-loop steps while a loader works, giving it the processor between them, for at most two
  // minutes of real time (a loaded machine may be slow).
  template <typename Busy>
  void LoopWhile(Busy busy, std::chrono::seconds within = std::chrono::minutes(2)) {
    const auto limit = std::chrono::steady_clock::now() + within;
    while (busy() && std::chrono::steady_clock::now() < limit) {
      LoopStep();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // One main-loop step: one update step of the level, with the script's presses of this step
  // handed in first.
  void Step(const std::vector<Press>& presses) {
    mPresses = &presses;
    LoopStep();
    mPresses = nullptr;
  }

  // The end of the main loop's run: the level, the services, then the settings. A finished
  // level is being loaded again: that load is handed over first.
  void Finish() {
    LoopWhile([this] { return mBoard && mBoard->IsLoadingLevel(); });
    if (mBoard) mBoard->UnloadLevel();
    ShutdownServices();
    WriteSettings();
  }

  uint64_t GetStep() const { return mStep; }
  ZCBoard_Game* GetBoard() const { return mBoard; }

  // Nothing left to do: no click waits and the walker stands with no target.
  bool IsQuiet() const {
    if (!mBoard->GetClickQueue().empty()) return false;
    ZCMoveItem* walker = ZCMoveItem::FindMoveItem("boss");
    return !walker || (walker->GetTargets().empty() && !walker->IsMoving());
  }

 protected:
  bool WantsWindow() const override { return false; }
  // Nothing is drawn: the run is read from its trace.
  bool IsDirty() const override { return false; }
  uint64_t NowMs() override { return mNow; }
  void SleepMs(uint32_t ms) override { mNow += ms; }

  // On the start-up loading thread: the engine's configuration, then the board.
  void LoadConfig() override {
    ZCEngine::LoadConfig();
    mBoard = mMakeBoard();
    if (!mBoard) return;
    mBoard->LoadConfig();
    AddLoadedWidget(mBoard);
  }
  // On the main thread once the loader is done: the board has joined the widget tree.
  void LoadingCompleted() override {
    ZCEngine::LoadingCompleted();
    mBoardAttached = mBoard != nullptr;
  }

  void UpdateStep() override {
    // Steps count from the level's start, which the hand-over at the start of an update step
    // makes before the step's updates.
    PollLevelHandOver();
    if (mBoardAttached && mBoard->IsRunning()) {
      ++mStep;
      mTrace.SetStep(mStep);
      if (mPresses)
        for (const Press& press : *mPresses)
          if (press.step == mStep) PressItem(press.item);
    }
    ZCEngine::UpdateStep();
  }

 private:
  // A left press inside the item's region: the mouse moves there, goes down and up. A name with
  // '/' is a path of widget names from the board ("hud/tutorial9/close"): the press is at the
  // middle of that widget while it and its parents are shown.
  void PressItem(const std::string& name) {
    if (name.find('/') != std::string::npos) {
      PressWidget(name);
      return;
    }
    ZCPickItem* item = ZCPickItem::FindPickItem(name);
    BoardPoint point;
    if (!item || !FindPressPoint(*item, point)) {
      mTrace.TraceEvent("script: no place to press " + name);
      return;
    }
    Input(Platform::InputEvent::Type::MouseMove, point);
    Input(Platform::InputEvent::Type::MouseDown, point);
    Input(Platform::InputEvent::Type::MouseUp, point);
  }

  void PressWidget(const std::string& path) {
    const ZCCandyWidget* widget = dynamic_cast<ZCCandyWidget*>(mBoard);
    std::istringstream names(path);
    std::string name;
    while (widget && std::getline(names, name, '/')) widget = widget->FindChild(name);
    BoardPoint point{0, 0};
    bool shown = widget != nullptr;
    for (const Vesk::WidgetContainer* w = widget; w; w = w->GetParent()) {
      point.x += w->mX;
      point.y += w->mY;
      if (!w->IsShown()) shown = false;
    }
    if (!shown) {
      mTrace.TraceEvent("script: no widget shown to press " + path);
      return;
    }
    point.x += widget->mWidth / 2;
    point.y += widget->mHeight / 2;
    Input(Platform::InputEvent::Type::MouseMove, point);
    Input(Platform::InputEvent::Type::MouseDown, point);
    Input(Platform::InputEvent::Type::MouseUp, point);
  }

  // The middle of the region's bounds when the item takes a click there, else the first such
  // point row by row.
  static bool FindPressPoint(const ZCPickItem& item, BoardPoint& point) {
    const auto& vertices = item.GetRegion().Vertices();
    if (vertices.empty()) return false;
    int64_t left = vertices[0].x, right = left, top = vertices[0].y, bottom = top;
    for (const BoardPoint& v : vertices) {
      left = std::min<int64_t>(left, v.x);
      right = std::max<int64_t>(right, v.x);
      top = std::min<int64_t>(top, v.y);
      bottom = std::max<int64_t>(bottom, v.y);
    }
    point = BoardPoint{int32_t((left + right) / 2), int32_t((top + bottom) / 2)};
    if (item.HitTest(point)) return true;
    for (int64_t y = top; y < bottom && y < top + 2048; ++y)
      for (int64_t x = left; x < right && x < left + 2048; ++x) {
        point = BoardPoint{int32_t(x), int32_t(y)};
        if (item.HitTest(point)) return true;
      }
    return false;
  }

  void Input(Platform::InputEvent::Type type, const BoardPoint& point) {
    Platform::InputEvent e;
    e.mType = type;
    e.mX = point.x;
    e.mY = point.y;
    PictureToWindow(*this, e.mX, e.mY);
    e.mButton = 1;
    e.mClicks = 1;
    HandleInput(e);
  }

  RunTrace& mTrace;
  int32_t mLevel;
  bool mEndless;
  const BoardFactory& mMakeBoard;
  ZCBoard_Game* mBoard = nullptr;
  bool mBoardAttached = false;
  uint64_t mNow = 0;
  uint64_t mStep = 0;
  const std::vector<Press>* mPresses = nullptr;
};

// Takes the run's last lines once. A board that loads its level again when it finishes clears
// the finished level on the loading thread: the lines are taken when that load is asked for,
// before the thread starts, so that they tell of the level that was played.
class EndLines : public LoadScreen {
 public:
  EndLines(RunTrace& trace, const LastLinesHook& hook) : mTrace(trace), mHook(hook) {}
  void ShowLoadScreen() override {
    if (mBoard) Take();
  }
  // From now on a new load ends the run.
  void Arm(ZCBoard_Game* board) { mBoard = board; }
  void Take() {
    if (mTaken || !mBoard) return;
    mTaken = true;
    if (mHook) mHook(mTrace, *mBoard);
  }

 private:
  RunTrace& mTrace;
  const LastLinesHook& mHook;
  ZCBoard_Game* mBoard = nullptr;
  bool mTaken = false;
};

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

// Script lines "step item-name"; blank lines and lines starting with '#' are skipped.
bool ReadScript(const std::string& path, std::vector<Press>& presses) {
  std::vector<std::string> lines;
  if (!ReadLines(path, lines)) {
    std::fprintf(stderr, "%s: cannot read the script %s\n", gProgram, path.c_str());
    return false;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    Press press;
    std::string rest;
    if (!(in >> press.step)) {
      in.clear();
      in.str(lines[i]);
      if (!(in >> rest) || rest[0] == '#') continue;
      std::fprintf(stderr, "%s: %s:%zu: expected \"step item-name\"\n", gProgram, path.c_str(), i + 1);
      return false;
    }
    if (!(in >> press.item) || (in >> rest)) {
      std::fprintf(stderr, "%s: %s:%zu: expected \"step item-name\"\n", gProgram, path.c_str(), i + 1);
      return false;
    }
    presses.push_back(press);
  }
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--level" && hasValue) options.level = std::atoi(argv[++i]);
    else if (arg == "--seed" && hasValue) options.seed = uint32_t(std::strtoul(argv[++i], nullptr, 10));
    else if (arg == "--steps" && hasValue) options.maxSteps = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--expect" && hasValue) options.expect = argv[++i];
    else if (arg == "--to-end") options.toEnd = true;
    else if (arg == "--startup-rounds" && hasValue) options.startupRounds = std::atoi(argv[++i]);
    else if (arg == "--endless") options.endless = true;
    else if (arg == "--keep" && hasValue) options.keep = argv[++i];
    else if (arg.rfind("--", 0) != 0 && options.script.empty()) options.script = arg;
    else return false;
  }
  return !options.script.empty() || options.startupRounds > 0;
}

// Prints the lines that differ; true when the trace is the expected one.
bool Compare(const std::vector<std::string>& got, const std::string& path) {
  std::vector<std::string> want;
  if (!ReadLines(path, want)) {
    std::fprintf(stderr, "%s: cannot read the expected trace %s\n", gProgram, path.c_str());
    return false;
  }
  while (!want.empty() && want.back().empty()) want.pop_back();
  bool same = got.size() == want.size();
  for (size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
    const std::string* g = i < got.size() ? &got[i] : nullptr;
    const std::string* w = i < want.size() ? &want[i] : nullptr;
    if (g && w && *g == *w) continue;
    same = false;
    std::fprintf(stderr, "line %zu: expected '%s', got '%s'\n", i + 1, w ? w->c_str() : "(none)",
                 g ? g->c_str() : "(none)");
  }
  if (!same) std::fprintf(stderr, "%s: the trace differs from %s\n", gProgram, path.c_str());
  return same;
}

}  // namespace

void RunTrace::TraceEvent(const std::string& line) {
  std::lock_guard<std::mutex> lock(mLock);
  mLines.push_back(std::to_string(mStep) + " " + line);
}

void RunTrace::SetStep(uint64_t step) {
  std::lock_guard<std::mutex> lock(mLock);
  mStep = step;
}

std::vector<std::string> RunTrace::Lines() {
  std::lock_guard<std::mutex> lock(mLock);
  return mLines;
}

// The start-up loader run again and again, with update steps on the main thread meanwhile, as
// the game runs them; fails when one start-up does not end.
int StartupRounds(const Options& options, const BoardFactory& makeBoard) {
  for (int32_t round = 0; round < options.startupRounds; ++round) {
    RunTrace trace;
    RunnerEngine engine(trace, options, makeBoard);
    if (!engine.Init()) {
      std::fprintf(stderr, "%s: the engine did not start\n", gProgram);
      return 1;
    }
    if (!engine.StartUpWithSteps(std::chrono::minutes(1))) {
      std::fprintf(stderr, "%s: start-up %d of %d did not finish\n", gProgram, round + 1, options.startupRounds);
      return 1;
    }
    engine.Finish();
  }
  return 0;
}

int RunLevelMain(int argc, char** argv, const char* program, const BoardFactory& makeBoard,
                 const LastLinesHook& lastLines) {
  gProgram = program;
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--level N] [--endless] [--seed N] [--steps N] [--to-end] [--keep TEXT] [--expect FILE] SCRIPT\n"
                 "       %s --startup-rounds N\n",
                 program, program);
    return 2;
  }
  if (options.startupRounds > 0) return StartupRounds(options, makeBoard);
  std::vector<Press> presses;
  if (!ReadScript(options.script, presses)) return 2;
  uint64_t lastPress = 0;
  for (const Press& press : presses) lastPress = std::max(lastPress, press.step);

  RunTrace trace;
  int status = 0;
  {
    RunnerEngine engine(trace, options, makeBoard);
    if (!engine.Init()) {
      std::fprintf(stderr, "%s: the engine did not start\n", program);
      return 1;
    }
    SeedRandom(options.seed);
    SetBoardTrace(&trace);
    EndLines end(trace, lastLines);
    SetLoadScreen(&end);
    if (engine.LoadLevel()) {
      end.Arm(engine.GetBoard());
      auto goOn = [&] {
        if (options.toEnd) return engine.GetBoard()->IsRunning();
        return engine.GetStep() < lastPress || !engine.IsQuiet();
      };
      while (engine.GetStep() < options.maxSteps && goOn()) engine.Step(presses);
      end.Take();
    } else {
      trace.TraceEvent("level " + std::to_string(options.level) + " did not start");
      status = 1;
    }
    SetBoardTrace(nullptr);
    engine.Finish();
    SetLoadScreen(nullptr);
  }

  std::vector<std::string> lines = trace.Lines();
  if (!options.keep.empty())
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const std::string& line) { return line.find(options.keep) == std::string::npos; }),
                lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  if (!options.expect.empty() && !Compare(lines, options.expect)) status = 1;
  return status;
}
