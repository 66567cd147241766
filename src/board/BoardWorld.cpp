#include "board/BoardWorld.h"

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
  SetFrameStep(0);
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

ZCBoard_Game* GetGameBoard() { return GetBoardWorld().mBoard; }
ZOrderResolver* GetZOrderResolver() { return GetBoardWorld().mZOrder; }

ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place) {
  return GetBoardWorld().mActorFinder->FindActorForPlace(heroine, place);
}

bool IsEventAllowed(int32_t event) { return GetBoardWorld().mEventGate->IsEventAllowed(event); }
