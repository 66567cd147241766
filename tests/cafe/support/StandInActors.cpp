#include "cafe/support/StandInActors.h"

#include "board/ItemFactory.h"
#include "cafe/ActorParams.h"
#include "cafe/ZCBoss.h"

void StandInWorker::Activate(bool active) {
  ZCItem::Activate(active);
  if (!active) return;
  mRunning = true;
  const WorkerParams* block = FindWorkerParams(mSkin.empty() ? mName : mSkin);
  mProduct = block ? block->mProduct : std::string();
  mCode = mProduct;
}

bool StandInWorker::Interact(ZCItem* other, bool, int32_t*) { return dynamic_cast<ZCBoss*>(other) != nullptr; }

bool StandInVisitor::WantsProduct(const std::string& code, const std::string& second) {
  for (const std::string* c : {&code, &second})
    if (!c->empty() && (*c == mCode || *c == "super")) return true;
  return false;
}

bool StandInVisitor::Interact(ZCItem* other, bool dryRun, int32_t*) {
  auto* boss = dynamic_cast<ZCBoss*>(other);
  if (!boss) return false;
  const bool first = WantsProduct(boss->GetFirstHand(), ""), second = WantsProduct("", boss->GetSecondHand());
  if (!first && !second) return false;
  if (dryRun) return true;
  // The visitor takes what it wanted out of her hand.
  boss->SetHands(first ? "" : boss->GetFirstHand(), first ? boss->GetSecondHand() : "");
  mState = 2;
  return true;
}

void RegisterStandInActors() {
  RegisterItemClass("worker", &StandInWorker::Create);
  RegisterStandInVisitor();
}

void RegisterStandInVisitor() { RegisterItemClass("visitor", &StandInVisitor::Create); }
