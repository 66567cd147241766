#pragma once
// The level runner shared by the boards' run programs: plays a level headless on a given board
// and prints what happens on it, one event a line, each prefixed by the game step it happened
// in.
//
//   PROGRAM [--level N] [--endless] [--seed N] [--steps N] [--to-end] [--keep TEXT] [--expect FILE] SCRIPT
//   PROGRAM --startup-rounds N
//
// The engine starts without a window on simulated time (10 ms update steps, the random
// generator seeded) and runs its real start-up loader, which makes the board; the level (the
// endless one with --endless) loads on the board's worker thread, and the script's lines
// "step item-name" press the mouse inside the item's region at that step (counted from the
// level's start, step 0), through the engine's input, the board's hover, gate and click queue;
// a name with '/' is a path of widget names from the board ("hud/tutorial9/close"), pressed at
// the widget's middle. --keep TEXT prints and compares only the lines that hold the text.
// Once the script is played the run goes on until the walker "boss" has nothing left to do, or
// with --to-end until the level has finished (or --steps is reached). The board's hook adds the
// last lines. With --expect the trace is compared with the file; the exit status tells. The
// main loop steps while the start-up loader works, as in the game. --startup-rounds runs only
// the start-up, N times over with a fresh engine; the exit status tells whether each ended.
//
// Any part of the board adds lines with TraceBoardEvent.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "board/BoardWorld.h"

class ZCBoard_Game;

// The lines of a run, each prefixed by the step it came in.
class RunTrace : public BoardTrace {
 public:
  void TraceEvent(const std::string& line) override;
  void SetStep(uint64_t step);
  std::vector<std::string> Lines();

 private:
  std::mutex mLock;
  uint64_t mStep = 0;
  std::vector<std::string> mLines;
};

// Makes the board the run plays on (called on the start-up loading thread).
using BoardFactory = std::function<ZCBoard_Game*()>;
// Adds the run's last lines once it is over.
using LastLinesHook = std::function<void(RunTrace& trace, ZCBoard_Game& board)>;

// The whole program: options, script, run, trace, comparison. Returns the exit status.
int RunLevelMain(int argc, char** argv, const char* program, const BoardFactory& makeBoard,
                 const LastLinesHook& lastLines);
