#include "cafe/CafeHooks.h"

#include "board/EventSchedule.h"
#include "cafe/ZCBoard_Game3.h"

CafeActors::~CafeActors() { ReleaseEvents(); }

bool CafeActors::Take(ScheduleEvent* event) {
  if (!event) return false;
  event->AddRef();
  mHeld.push_back(event);
  return true;
}

bool CafeActors::SpawnStand(ScheduleEvent* event, int32_t, float) { return Take(event); }
bool CafeActors::SpawnSit(ScheduleEvent* event, int32_t, float) { return Take(event); }

void CafeActors::ReleaseEvents() {
  std::vector<ScheduleEvent*> held;
  held.swap(mHeld);
  for (ScheduleEvent* event : held) event->Release();
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
