#pragma once
#include <vector>

#include "board/BoardWorld.h"
#include "board/ZCBoard_Game.h"
#include "board/ZCItem.h"

class ZCMoveItem;

// The game's board until the café has its own: it reads the walkers' parameters, gives every
// clicked item to the walker "boss" and plays "walk" or "idle" as the walker moves or stands.
// Every item is answered with one stand-in actor that accepts every interaction, so a walk
// ends with the item served. Visitors are stand-in items: a due event shows the first hidden,
// stopped item whose name begins with the event's type. A finished level is loaded again.
class ZCBoard_Plain : public ZCBoard_Game, public ActorFinder {
 public:
  ZCBoard_Plain();
  ~ZCBoard_Plain() override;

  void OnLevelStarted() override;
  // Loads the level again, so that play goes on.
  void OnLevelFinished() override;
  void OnLevelStopped() override {}
  void ReadLevelRules(const XmlNode&, const XmlNode&) override {}
  // The shown visitors let go of their events.
  void OnLevelCleared() override;
  void HandleClickedItem(ZCPickItem* item) override;
  void OnGameStep() override;
  void LoadGameParams(const XmlNode& root) override;
  void ClearGameParams() override;
  void OnMoneyChanged() override {}
  void OnStageAdvanced() override {}
  // Shows the first hidden, stopped item whose name begins with the event's type, which holds
  // the event; false when there is none left (the event then waits).
  bool SpawnClientFromEvent(ScheduleEvent* event) override;
  void OnPause() override {}
  void OnResume() override {}

  // ActorFinder: the stand-in for every place.
  ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place) override;

  // The level's walker, or null.
  ZCMoveItem* GetWalker() const;

 private:
  // Takes part in every interaction; it is never registered nor drawn.
  class StandInActor : public ZCItem {
   public:
    bool Interact(ZCItem*, bool, int32_t*) override { return true; }
  };

  // Lets go of the events the shown visitors hold.
  void ReleaseEvents();

  StandInActor mStandIn;
  // The events of the visitors shown in this level, one hold each.
  std::vector<ScheduleEvent*> mHeldEvents;
  // Whether "walk" (true) or "idle" was played last; unknown at level start.
  int mWalkShown = -1;
};
