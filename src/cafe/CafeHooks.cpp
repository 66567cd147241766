#include "cafe/CafeHooks.h"

#include "board/BoardWorld.h"
#include "board/EventSchedule.h"
#include "cafe/CafeActor.h"
#include "cafe/ZCClient.h"
#include "cafe/ZCBoss.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCWorker.h"
#include "shell/Log.h"

bool CafeActors::SpawnStand(ScheduleEvent* event, int32_t orderPos, float patience) {
  return ZCClientStand::Spawn(event, orderPos, patience);
}
bool CafeActors::SpawnSit(ScheduleEvent* event, int32_t orderPos, float patience) {
  return ZCClientSit::Spawn(event, orderPos, patience);
}
bool CafeActors::HasVisitorsOfKind(bool seated) { return AnyVisitorOfKind(seated); }
bool CafeActors::AnyVisitorsPresent() { return ::AnyVisitorsPresent(); }
void CafeActors::ChangeAllPatience(int32_t mode, float amount) { ::ChangeAllPatience(mode, amount); }

ZCItem* CafeActors::FindWorker(const std::string& name) {
  if (ZCWorker* worker = ::FindWorker(name)) return worker;
  ZCItem* item = ZCItem::FindByName(name);
  auto* actor = dynamic_cast<CafeActor*>(item);
  return actor && !actor->IsVisitor() ? item : nullptr;
}

ZCItem* CafeActors::FindVisitor(const std::string& name) {
  if (ZCClient* client = FindClient(name)) return client;
  ZCItem* item = ZCItem::FindByName(name);
  auto* actor = dynamic_cast<CafeActor*>(item);
  return actor && actor->IsVisitor() ? item : nullptr;
}

std::vector<ZCItem*> CafeActors::GetVisitors() {
  std::vector<ZCItem*> visitors;
  for (ZCItem* item : GetItemRegistry().Items())
    if (auto* actor = dynamic_cast<CafeActor*>(item); actor && actor->IsVisitor()) visitors.push_back(item);
  return visitors;
}

void CafeActors::ChangeAllTidiness(int32_t mode, float amount) { ::ChangeAllTidiness(mode, amount); }

float CafeActors::GetWorkProgress(ZCItem* worker) {
  auto* w = dynamic_cast<ZCWorker*>(worker);
  return w ? w->GetWorkProgress() : -1.0f;
}

bool CafeActors::IsVip(ZCItem* visitor) {
  auto* v = dynamic_cast<ZCClient*>(visitor);
  return v && v->IsVip();
}

void CafeActors::StartSpeedBonus(float seconds) {
  if (auto* heroine = dynamic_cast<ZCBoss*>(GetBoardWorld().mBoss)) heroine->StartSpeedBonus(seconds);
}

void CafeActors::ResetHeroine(const std::string& point) {
  ZCBoard_Game3* board = GetCafeBoard();
  ZCMoveItem* heroine = board ? board->GetHeroine() : nullptr;
  if (!heroine) {
    LogMessage("WARNING: the scene's reset finds no heroine");
    return;
  }
  heroine->ClearTargets();
  heroine->PlaceAtPoint(point);
  if (auto* boss = dynamic_cast<ZCBoss*>(heroine)) boss->Rest();
}

void CafeActors::ResetWorker(const std::string& name) {
  auto* worker = dynamic_cast<ZCWorker*>(FindWorker(name));
  if (!worker) {
    LogMessage("WARNING: the scene's reset finds no worker \"%s\"", name.c_str());
    return;
  }
  worker->SetWorkState(ZCWorker::kIdle);
  worker->ChangeTidiness(100.0f);
  worker->SetCode("");
}

void CafeActors::ResetVisitor(const std::string& name) {
  auto* visitor = dynamic_cast<ZCClient*>(FindVisitor(name));
  if (!visitor) {
    LogMessage("WARNING: the scene's reset finds no visitor \"%s\"", name.c_str());
    return;
  }
  visitor->TakeBackOrder();
}

void CafeScreens::SetCareerResult(int32_t, int32_t, int32_t) {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->RestartLevel();
}

void CafeScreens::ShowSurvivalEnd(bool) {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->RestartLevel();
}

void CafeComix::Play(const std::string&) {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->PlayLevelMusic();
}
