#include "board/support/TestBoard.h"

#include <algorithm>

bool TestBoard::AreQueuesDone() {
  mLog.push_back("AreQueuesDone");
  return mAskSchedule ? ZCBoard_Game::AreQueuesDone() : mQueuesDone;
}
void TestBoard::OnLevelEnding() { mLog.push_back("OnLevelEnding"); }
void TestBoard::OnLevelStarted() { mLog.push_back("OnLevelStarted"); }
void TestBoard::OnLevelFinished() { mLog.push_back("OnLevelFinished"); }
void TestBoard::OnLevelStopped() { mLog.push_back("OnLevelStopped"); }
void TestBoard::ReadLevelRules(const XmlNode&, const XmlNode&) { mLog.push_back("ReadLevelRules"); }
void TestBoard::OnLevelCleared() { mLog.push_back("OnLevelCleared"); }
void TestBoard::HandleClickedItem(ZCPickItem*) { mLog.push_back("HandleClickedItem"); }
void TestBoard::OnGameStep() { mLog.push_back("OnGameStep"); }
void TestBoard::LoadGameParams(const XmlNode&) { mLog.push_back("LoadGameParams"); }
void TestBoard::ClearGameParams() { mLog.push_back("ClearGameParams"); }
void TestBoard::OnMoneyChanged() { mLog.push_back("OnMoneyChanged"); }
void TestBoard::OnStageAdvanced() { mLog.push_back("OnStageAdvanced"); }
bool TestBoard::SpawnClientFromEvent(ScheduleEvent* event) {
  mLog.push_back("SpawnClientFromEvent");
  if (!mAcceptSpawn) return false;
  if (mHoldSpawned) event->AddRef();
  mSpawned.push_back(event);
  return true;
}
void TestBoard::OnPause() { mLog.push_back("OnPause"); }
void TestBoard::OnResume() { mLog.push_back("OnResume"); }
void TestBoard::SpawnClients() {
  mLog.push_back("SpawnClients");
  ZCBoard_Game::SpawnClients();
}

int TestBoard::Count(const std::string& hook) const { return int(std::count(mLog.begin(), mLog.end(), hook)); }

std::vector<std::string> TestBoard::Events() const {
  std::vector<std::string> events;
  for (const std::string& entry : mLog)
    if (entry != "AreQueuesDone" && entry != "SpawnClients" && entry != "OnGameStep") events.push_back(entry);
  return events;
}
