#pragma once
#include <cstdint>
#include <string>

#include "board/ZCItem.h"
#include "cafe/CafeActor.h"

// Stand-ins for the café's actors, for tests of the heroine's rules alone.

// A worker always at work, with its block's product ready: its code is the "product" of the
// workers block named by its skin (or of its own name when the skin has none). Registered as
// "worker" by RegisterStandInActors.
class StandInWorker : public ZCItem, public CafeActor {
 public:
  static ZCItem* Create() { return new StandInWorker(); }
  void Activate(bool active) override;
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;
  bool IsVisitor() const override { return false; }
  int32_t GetActorState() const override { return mState; }
  std::string GetProduct() const override { return mProduct; }

  int32_t mState = 0;
  std::string mProduct;
};

// A visitor double: waits (state 1) for its code, takes "super" too, and never an empty code.
class StandInVisitor : public ZCItem, public CafeActor {
 public:
  static ZCItem* Create() { return new StandInVisitor(); }
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;
  bool IsVisitor() const override { return true; }
  int32_t GetActorState() const override { return mState; }
  bool WantsProduct(const std::string& code, const std::string& second) override;

  int32_t mState = 1;
};

// Registers "worker" and "visitor" in the level object factory.
void RegisterStandInActors();
// Registers "visitor" only.
void RegisterStandInVisitor();
