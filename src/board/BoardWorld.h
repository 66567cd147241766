#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "board/ItemRegistry.h"
#include "board/PersonParams.h"

class ZCBoard_Game;
class ZCItem;
class ZCMoveItem;
class ZCPickItem;
class ZOrderResolver;

// The calls the board makes into the café. Each has a default that stands when the café has
// installed nothing (tests install doubles).

// Finds the actor that owns a place item ("table1" → "worker1" ...). Default: none.
class ActorFinder {
 public:
  virtual ~ActorFinder() = default;
  virtual ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place);
};

// The tutorial's gate on game events. Default: every event is allowed, as when no tutorial
// table runs.
class EventGate {
 public:
  virtual ~EventGate() = default;
  virtual bool IsEventAllowed(int32_t event);
};

// The load screen shown while a level loads. Default: nothing is shown.
class LoadScreen {
 public:
  virtual ~LoadScreen() = default;
  virtual void ShowLoadScreen() {}
  virtual void HideLoadScreen() {}
  // The level could not be read and is not started: the load screen goes, but nothing should
  // show an empty board. The default just hides the load screen.
  virtual void LevelLoadFailed() { HideLoadScreen(); }
};

// Receives one line per board event (a level start, hover, click, walk, arrival, marker ...)
// while installed; the level runner installs one, the game none. Lines may come from the
// loading thread too.
class BoardTrace {
 public:
  virtual ~BoardTrace() = default;
  virtual void TraceEvent(const std::string& line) = 0;
};

// The program-wide state of the board: one per process, reset between levels in tests.
struct BoardWorld {
  // The one board (set by its constructor, cleared by its destructor).
  ZCBoard_Game* mBoard = nullptr;
  // The board's draw-order solver (published by the board with itself).
  ZOrderResolver* mZOrder = nullptr;
  ItemRegistry mItems;
  // The level's heroine ("boss") and bonus item ("bonus"), set by the level object factory.
  ZCItem* mBoss = nullptr;
  ZCItem* mBonus = nullptr;
  // Pick items and walkers by name (the first of a name stays); each leaves its own entry when
  // it goes, and a level clear empties both.
  std::map<std::string, ZCPickItem*> mPickItems;
  std::map<std::string, ZCMoveItem*> mMoveItems;
  // The walkers' parameters of cfg.xml ("perses/pers") by name.
  std::map<std::string, PersonParams> mPersons;

  // The installed hooks; never null (the defaults stand in).
  ActorFinder* mActorFinder = nullptr;
  EventGate* mEventGate = nullptr;
  LoadScreen* mLoadScreen = nullptr;
  // The installed trace, or null (the default: nothing is traced).
  BoardTrace* mTrace = nullptr;
  // The seconds of game time of the current game step: the board writes it every step, 0 while
  // its gate is closed; items, their parts and effects, walkers and the schedule read it. The
  // widgets' frame step (GetFrameStep) is another: a closed gate stills the game only, never a
  // dialog shown over the board or inside it.
  float mGameStep = 0;
};

BoardWorld& GetBoardWorld();
// Deletes every item, clears the pointers and the game step and puts the default hooks back.
// The current board is kept: it belongs to whoever made it.
void ResetBoardWorld();

// Installs a hook; null puts the default back. The world does not own what it is given.
void SetActorFinder(ActorFinder* finder);
void SetEventGate(EventGate* gate);
void SetLoadScreen(LoadScreen* screen);
void SetBoardTrace(BoardTrace* trace);

// Hands one formatted line to the installed trace; nothing when none is installed.
void TraceBoardEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline bool IsBoardTraced() { return GetBoardWorld().mTrace != nullptr; }

// The game step (see BoardWorld::mGameStep); a negative step is taken as 0.
inline float GetGameStep() { return GetBoardWorld().mGameStep; }
inline void SetGameStep(float seconds) { GetBoardWorld().mGameStep = seconds > 0 ? seconds : 0; }

// Shorthands.
inline ItemRegistry& GetItemRegistry() { return GetBoardWorld().mItems; }
ZCBoard_Game* GetGameBoard();
ZOrderResolver* GetZOrderResolver();
ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place);
bool IsEventAllowed(int32_t event);
