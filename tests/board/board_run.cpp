// The board's level runner: plays a level headless with the plain board and prints what
// happens on it, one event a line, each prefixed by the game step it happened in.
//
//   board_run [--level N] [--seed N] [--steps N] [--to-end] [--expect FILE] SCRIPT
//
// The engine starts without a window on simulated time (10 ms update steps, the random
// generator seeded), the level loads on the board's worker thread, and the script's lines
// "step item-name" press the mouse inside the item's region at that step (counted from the
// level's start, step 0), through the engine's input, the board's hover, gate and click queue.
// Once the script is played the run goes on until the walker has nothing left to do, or with
// --to-end until the level has finished (or --steps is reached). With --expect the trace is
// compared with the file; the exit status tells.
//
// Any part of the board adds lines with TraceBoardEvent.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/BoardWorld.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "engine/ZCEngine.h"
#include "platform/window/InputEvent.h"
#include "shell/Random.h"

namespace {

struct Options {
  int32_t level = 90;
  uint32_t seed = 1;
  uint64_t maxSteps = 6000;
  bool toEnd = false;
  std::string expect;
  std::string script;
};

struct Press {
  uint64_t step = 0;
  std::string item;
};

// The lines of the run, each prefixed by the step it came in.
class Trace : public BoardTrace {
 public:
  void TraceEvent(const std::string& line) override {
    std::lock_guard<std::mutex> lock(mLock);
    mLines.push_back(std::to_string(mStep) + " " + line);
  }
  void SetStep(uint64_t step) {
    std::lock_guard<std::mutex> lock(mLock);
    mStep = step;
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mLock);
    return mLines;
  }

 private:
  std::mutex mLock;
  uint64_t mStep = 0;
  std::vector<std::string> mLines;
};

// The engine without a window, on simulated time, with the plain board as its only screen.
class RunnerEngine : public ZCEngine {
 public:
  RunnerEngine(Trace& trace, int32_t level) : mTrace(trace), mLevel(level) {
    mProductName = "Board Run";
    mRegKey = "Cafe Tests\\Board Run";
  }

  // The start-up loading, then the level's load on the board's worker thread; false when the
  // level did not start.
  bool LoadLevel() {
    ZCEngine::LoadConfig();
    mBoard = new ZCBoard_Plain();
    mBoard->LoadConfig();
    AddLoadedWidget(mBoard);
    mStartupLoading = true;
    OnLoaderFinished();
    mBoard->StartLoadingThread(mLevel, false);
    // The main loop hands the level over once the worker is done.
    for (int i = 0; i < 6000 && mBoard->IsLoadingLevel(); ++i) {
      LoopStep();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return !mBoard->IsLoadingLevel() && mBoard->IsRunning();
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
    for (int i = 0; i < 6000 && mBoard && mBoard->IsLoadingLevel(); ++i) {
      LoopStep();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (mBoard) mBoard->UnloadLevel();
    ShutdownServices();
    WriteSettings();
  }

  uint64_t GetStep() const { return mStep; }
  ZCBoard_Plain* GetBoard() const { return mBoard; }

  // Nothing left to do: no click waits and the walker stands with no target.
  bool IsQuiet() const {
    if (!mBoard->GetClickQueue().empty()) return false;
    ZCMoveItem* walker = mBoard->GetWalker();
    return !walker || (walker->GetTargets().empty() && !walker->IsMoving());
  }

 protected:
  bool WantsWindow() const override { return false; }
  // Nothing is drawn: the run is read from its trace.
  bool IsDirty() const override { return false; }
  uint64_t NowMs() override { return mNow; }
  void SleepMs(uint32_t ms) override { mNow += ms; }

  void UpdateStep() override {
    // Steps count from the level's start, which the hand-over at the start of an update step
    // makes before the step's updates.
    PollLevelHandOver();
    if (mBoard && mBoard->IsRunning()) {
      ++mStep;
      mTrace.SetStep(mStep);
      if (mPresses)
        for (const Press& press : *mPresses)
          if (press.step == mStep) PressItem(press.item);
    }
    ZCEngine::UpdateStep();
  }

 private:
  // A left press inside the item's region: the mouse moves there, goes down and up.
  void PressItem(const std::string& name) {
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
    e.mButton = 1;
    e.mClicks = 1;
    HandleInput(e);
  }

  Trace& mTrace;
  int32_t mLevel;
  ZCBoard_Plain* mBoard = nullptr;
  uint64_t mNow = 0;
  uint64_t mStep = 0;
  const std::vector<Press>* mPresses = nullptr;
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
    std::fprintf(stderr, "board_run: cannot read the script %s\n", path.c_str());
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
      std::fprintf(stderr, "board_run: %s:%zu: expected \"step item-name\"\n", path.c_str(), i + 1);
      return false;
    }
    if (!(in >> press.item) || (in >> rest)) {
      std::fprintf(stderr, "board_run: %s:%zu: expected \"step item-name\"\n", path.c_str(), i + 1);
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
    else if (arg.rfind("--", 0) != 0 && options.script.empty()) options.script = arg;
    else return false;
  }
  return !options.script.empty();
}

// The walker's final place and the markers still shown, as the last lines.
void TraceEnd(Trace& trace, ZCBoard_Plain& board) {
  if (ZCMoveItem* walker = board.GetWalker()) {
    trace.TraceEvent("end " + walker->GetName() + " on " + walker->GetCurrentPoint() + " at " +
                     std::to_string(walker->GetPosition().x) + "," + std::to_string(walker->GetPosition().y) +
                     " heading " + walker->GetOrientation());
  }
  std::string shown;
  for (const auto& [name, item] : GetBoardWorld().mPickItems)
    for (int i = 0; i < 2; ++i)
      if (item->IsMarkerShown(i)) shown += " " + name + ":" + std::to_string(i);
  trace.TraceEvent("end markers" + (shown.empty() ? std::string(" none") : shown));
}

// Prints the lines that differ; true when the trace is the expected one.
bool Compare(const std::vector<std::string>& got, const std::string& path) {
  std::vector<std::string> want;
  if (!ReadLines(path, want)) {
    std::fprintf(stderr, "board_run: cannot read the expected trace %s\n", path.c_str());
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
  if (!same) std::fprintf(stderr, "board_run: the trace differs from %s\n", path.c_str());
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: board_run [--level N] [--seed N] [--steps N] [--to-end] [--expect FILE] SCRIPT\n");
    return 2;
  }
  std::vector<Press> presses;
  if (!ReadScript(options.script, presses)) return 2;
  uint64_t lastPress = 0;
  for (const Press& press : presses) lastPress = std::max(lastPress, press.step);

  Trace trace;
  int status = 0;
  {
    RunnerEngine engine(trace, options.level);
    if (!engine.Init()) {
      std::fprintf(stderr, "board_run: the engine did not start\n");
      return 1;
    }
    SeedRandom(options.seed);
    SetBoardTrace(&trace);
    if (engine.LoadLevel()) {
      auto goOn = [&] {
        if (options.toEnd) return engine.GetBoard()->IsRunning();
        return engine.GetStep() < lastPress || !engine.IsQuiet();
      };
      while (engine.GetStep() < options.maxSteps && goOn()) engine.Step(presses);
      TraceEnd(trace, *engine.GetBoard());
    } else {
      trace.TraceEvent("level " + std::to_string(options.level) + " did not start");
      status = 1;
    }
    SetBoardTrace(nullptr);
    engine.Finish();
  }

  const std::vector<std::string> lines = trace.Lines();
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  if (!options.expect.empty() && !Compare(lines, options.expect)) status = 1;
  return status;
}
