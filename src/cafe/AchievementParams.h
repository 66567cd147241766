#pragma once
#include <cstdint>

#include "cafe/CafeHooks.h"

class XmlNode;

// The level's tasks and the two flags the actors clear when something goes wrong. A task is a
// number of mini-game bonuses of one kind still to collect: 0 "coin", 1 "happy", 2 "clean",
// 3 "speed", 4 "ice" (the index is the bonus kind). One object for the program
// (GetAchievementParams); the career book and the debriefing ask the five tests at a level's end.
class AchievementParams {
 public:
  static constexpr int32_t kTasks = 5;

  // Both flags up; called when a level starts.
  void Reset();
  // The level's "achparams" (career): each task's target and remaining count, 0 where absent.
  void Load(const XmlNode& level);
  // Every target and remaining count 0 (a survival level: the counts are read only in career).
  void Clear();
  // One bonus of the kind collected: the task's count drops by one while it is above 0, and
  // "task_complete" plays when it reaches 0. The head-up display's icons are refreshed always.
  void CompleteTask(int32_t index);
  bool AllTasksDone() const;
  // 0 no visitor lost, 1 no breakdown, 2 the money reached the expert goal, 3 every task done,
  // 4 all of those; anything else false.
  bool IsAchieved(int32_t index) const;

  int32_t GetTarget(int32_t index) const { return index >= 0 && index < kTasks ? mTargets[index] : 0; }
  int32_t GetRemaining(int32_t index) const { return index >= 0 && index < kTasks ? mRemaining[index] : 0; }
  void SetTask(int32_t index, int32_t target, int32_t remaining);

  bool mNoVisitorLost = true;
  bool mNoBreakdown = true;

 private:
  int32_t mTargets[kTasks] = {};
  int32_t mRemaining[kTasks] = {};
};

AchievementParams& GetAchievementParams();

// The heroine's services that follow each other quickly. Each service counts one and restarts
// the timer; once the count reaches the start count every further service starts the rush (the
// mini-game's token) again, until rush_timeout passes without one and the count goes back to 0.
// The timer counts whole game steps, so that a service exactly rush_timeout after the last one
// always finds the count reset.
class RushBonus {
 public:
  // "bonus_config" of cfg.xml: "rush_timeout" (seconds) and "start_count".
  void Load(const XmlNode& root);
  // A level's own "override_rush_timeout" (the first day's lessons give a reader time between
  // two steps); without the attribute, or on a level clear, cfg.xml's value holds again.
  void OverrideTimeout(const XmlNode& level);
  void RestoreTimeout() { mRushTimeout = mCfgTimeout; }
  // Count and timer 0; the tutorial hears event 9.
  void Reset();
  void AddService();
  // The timer starts again from 0; the count stays.
  void RestartTimer() { mSteps = 0; }
  // One game step: a step of game time counts, a zero step (play held) does not.
  void Update();

  int32_t GetCount() const { return mCount; }
  float GetTimer() const { return float(mSteps * mStepSeconds); }
  float GetRushTimeout() const { return mRushTimeout; }
  int32_t GetStartCount() const { return mStartCount; }

 private:
  int32_t mCount = 0;
  // Steps of game time since the last service, and the length of the last one.
  int64_t mSteps = 0;
  double mStepSeconds = 0;
  float mRushTimeout = 0;
  float mCfgTimeout = 0;
  int32_t mStartCount = 0;
};

// The café board's goals: the achievements above and its own rush bonus, behind the board's
// goals interface.
class BoardGoals : public CafeGoals {
 public:
  void LoadRushConfig(const XmlNode& root) override { mRush.Load(root); }
  void OverrideRushTimeout(const XmlNode& level) override { mRush.OverrideTimeout(level); }
  void RestoreRushTimeout() override { mRush.RestoreTimeout(); }
  void LoadAchievements(const XmlNode& level) override { GetAchievementParams().Load(level); }
  void ClearAchievements() override { GetAchievementParams().Clear(); }
  void ResetAchievements() override { GetAchievementParams().Reset(); }
  void ClearNoVisitorLost() override { GetAchievementParams().mNoVisitorLost = false; }
  void ClearNoBreakdown() override { GetAchievementParams().mNoBreakdown = false; }
  void ResetRush() override { mRush.Reset(); }
  void UpdateRush() override { mRush.Update(); }
  void CountRush() override { mRush.AddService(); }
  void RestartRushTimer() override { mRush.RestartTimer(); }
  RushBonus& GetRush() { return mRush; }

 private:
  RushBonus mRush;
};
