#pragma once
#include <string>
#include <vector>

#include "board/ZCBoard_Game.h"

// A board whose hooks only log their calls, in order, so that tests can read the order of a
// game step. Its fields are open to the tests.
class TestBoard : public ZCBoard_Game {
 public:
  // What AreQueuesDone answers, unless the schedule is asked.
  bool mQueuesDone = false;
  // AreQueuesDone asks the schedule (the base board's test).
  bool mAskSchedule = false;
  // What SpawnClientFromEvent answers.
  bool mAcceptSpawn = true;
  // Accepted events take a hold (AddRef), as a visitor does; the test releases them.
  bool mHoldSpawned = false;
  // The events accepted by SpawnClientFromEvent, in order.
  std::vector<ScheduleEvent*> mSpawned;
  std::vector<std::string> mLog;

  bool AreQueuesDone() override;
  void OnLevelEnding() override;
  void OnLevelStarted() override;
  void OnLevelFinished() override;
  void OnLevelStopped() override;
  void ReadLevelRules(const XmlNode&, const XmlNode&) override;
  void OnLevelCleared() override;
  void HandleClickedItem(ZCPickItem* item) override;
  void OnGameStep() override;
  void LoadGameParams(const XmlNode&) override;
  void ClearGameParams() override;
  void OnMoneyChanged() override;
  void OnStageAdvanced() override;
  bool SpawnClientFromEvent(ScheduleEvent* event) override;
  void OnPause() override;
  void OnResume() override;
  void SpawnClients() override;

  // How many times the hook was logged.
  int Count(const std::string& hook) const;
  // The log without the per-step entries "AreQueuesDone", "SpawnClients" and "OnGameStep".
  std::vector<std::string> Events() const;

  // Open fields.
  using ZCBoard_Game::mClickQueue;
  using ZCBoard_Game::mEndless;
  using ZCBoard_Game::mStageCursor;
  using ZCBoard_Game::mStages;
};
