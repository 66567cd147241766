#include "board/ZCBoard_Plain.h"

#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"

ZCBoard_Plain::ZCBoard_Plain() { SetActorFinder(this); }

ZCBoard_Plain::~ZCBoard_Plain() {
  // A reload started by a finished level calls this board's hooks: it ends while they exist.
  JoinLoadingThread();
  if (GetBoardWorld().mActorFinder == this) SetActorFinder(nullptr);
  ReleaseEvents();
}

ZCMoveItem* ZCBoard_Plain::GetWalker() const { return ZCMoveItem::FindMoveItem("boss"); }

void ZCBoard_Plain::OnLevelStarted() {
  if (ZCMoveItem* walker = GetWalker()) walker->BindPersonParams();
  mWalkShown = -1;
  Show();
}

void ZCBoard_Plain::OnLevelFinished() { RestartLevel(); }

void ZCBoard_Plain::OnLevelCleared() { ReleaseEvents(); }

void ZCBoard_Plain::ReleaseEvents() {
  for (ScheduleEvent* event : mHeldEvents) event->Release();
  mHeldEvents.clear();
}

bool ZCBoard_Plain::SpawnClientFromEvent(ScheduleEvent* event) {
  if (!event || event->mType.empty()) return false;
  for (ZCItem* item : GetItemRegistry().Items()) {
    if (item->IsVisible() || item->IsRunning() || !item->IsNamed(event->mType)) continue;
    item->SetRunning(true);
    item->Activate(true);
    event->AddRef();
    mHeldEvents.push_back(event);
    return true;
  }
  return false;
}

void ZCBoard_Plain::HandleClickedItem(ZCPickItem* item) {
  if (ZCMoveItem* walker = GetWalker()) walker->QueueTarget(item);
}

void ZCBoard_Plain::OnGameStep() {
  ZCMoveItem* walker = GetWalker();
  if (!walker) return;
  const int walking = walker->IsMoving() ? 1 : 0;
  if (walking == mWalkShown) return;
  mWalkShown = walking;
  walker->PlayAnimation(walking ? "walk" : "idle", true);
  TraceBoardEvent("anim %s %s", walker->GetName().c_str(), walking ? "walk" : "idle");
}

void ZCBoard_Plain::LoadGameParams(const XmlNode& root) { ZCMoveItem::LoadPersons(root); }

void ZCBoard_Plain::ClearGameParams() { ZCMoveItem::ClearPersons(); }

ZCItem* ZCBoard_Plain::FindActorForPlace(ZCItem*, ZCItem*) { return &mStandIn; }
