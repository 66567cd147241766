#include "board/BoardWorld.h"

#include <cstdarg>
#include <cstdio>

#include "board/ZCItem.h"
#include "board/ZOrderResolver.h"

namespace {
ActorFinder gDefaultActorFinder;
EventGate gDefaultEventGate;
LoadScreen gDefaultLoadScreen;

void InstallDefaultHooks(BoardWorld& world) {
  world.mActorFinder = &gDefaultActorFinder;
  world.mEventGate = &gDefaultEventGate;
  world.mLoadScreen = &gDefaultLoadScreen;
  world.mTrace = nullptr;
}
}  // namespace

ZCItem* ActorFinder::FindActorForPlace(ZCItem*, ZCItem*) { return nullptr; }

bool EventGate::IsEventAllowed(int32_t) { return true; }

BoardWorld& GetBoardWorld() {
  static BoardWorld world;
  static const bool hooked = (InstallDefaultHooks(world), true);
  (void)hooked;
  return world;
}

void ResetBoardWorld() {
  BoardWorld& world = GetBoardWorld();
  // The solver points at the parts of the items about to go.
  if (world.mZOrder) world.mZOrder->Clear();
  ZCItem::DeleteAll();
  world.mGameStep = 0;
  world.mBoss = nullptr;
  world.mBonus = nullptr;
  world.mPickItems.clear();
  world.mMoveItems.clear();
  world.mPersons.clear();
  InstallDefaultHooks(world);
}

void SetActorFinder(ActorFinder* finder) { GetBoardWorld().mActorFinder = finder ? finder : &gDefaultActorFinder; }
void SetEventGate(EventGate* gate) { GetBoardWorld().mEventGate = gate ? gate : &gDefaultEventGate; }
void SetLoadScreen(LoadScreen* screen) { GetBoardWorld().mLoadScreen = screen ? screen : &gDefaultLoadScreen; }

void SetBoardTrace(BoardTrace* trace) { GetBoardWorld().mTrace = trace; }

void TraceBoardEvent(const char* format, ...) {
  BoardTrace* trace = GetBoardWorld().mTrace;
  if (!trace) return;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string line(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(line.data(), line.size() + 1, format, again);
  va_end(again);
  trace->TraceEvent(line);
}

ZCBoard_Game* GetGameBoard() { return GetBoardWorld().mBoard; }
ZOrderResolver* GetZOrderResolver() { return GetBoardWorld().mZOrder; }

ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place) {
  return GetBoardWorld().mActorFinder->FindActorForPlace(heroine, place);
}

bool IsEventAllowed(int32_t event) { return GetBoardWorld().mEventGate->IsEventAllowed(event); }
