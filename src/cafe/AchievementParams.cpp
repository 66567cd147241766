#include "cafe/AchievementParams.h"

#include "board/BoardWorld.h"
#include "cafe/ActorParams.h"
#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"

namespace {
const wchar_t* const kTaskNames[AchievementParams::kTasks] = {L"coin", L"happy", L"clean", L"speed", L"ice"};
}  // namespace

AchievementParams& GetAchievementParams() {
  static AchievementParams params;
  return params;
}

void AchievementParams::Reset() {
  mNoVisitorLost = true;
  mNoBreakdown = true;
}

void AchievementParams::Clear() {
  for (int32_t i = 0; i < kTasks; ++i) mTargets[i] = mRemaining[i] = 0;
}

void AchievementParams::SetTask(int32_t index, int32_t target, int32_t remaining) {
  if (index < 0 || index >= kTasks) return;
  mTargets[index] = target;
  mRemaining[index] = remaining;
}

void AchievementParams::Load(const XmlNode& level) {
  Clear();
  XmlNode node = level.selectSingleNode(L"achparams");
  if (!node) {
    LogMessage("WARNING: no 'achparams'  in level.");
    return;
  }
  const std::string file = GetCafeBoard() ? GetCafeBoard()->LevelFileName() : std::string("the level");
  for (int32_t i = 0; i < kTasks; ++i) {
    int32_t target = 0;
    // A target out of range takes the nearest bound: a negative one is no task.
    if (!GetClampedInt(node, file.c_str(), kTaskNames[i], target, 0, kMaxCount)) {
      LogMessage("WARNING: no attribute '%ls' in 'achparams'.", kTaskNames[i]);
      continue;
    }
    mTargets[i] = mRemaining[i] = target;
  }
}

void AchievementParams::CompleteTask(int32_t index) {
  if (index >= 0 && index < kTasks && mRemaining[index] >= 1) {
    --mRemaining[index];
    TraceBoardEvent("task %d left %d", int(index), int(mRemaining[index]));
    if (mRemaining[index] == 0) {
      ZCEngine* engine = GetEngine();
      if (SoundManager* sounds = engine ? engine->GetSoundManager() : nullptr) sounds->PlaySound("task_complete");
      TraceBoardEvent("task %d complete", int(index));
    }
  }
  if (ZCBoard_Game3* board = GetCafeBoard()) board->GetHud().RefreshAchievementIcons();
}

bool AchievementParams::AllTasksDone() const {
  for (int32_t r : mRemaining)
    if (r > 0) return false;
  return true;
}

bool AchievementParams::IsAchieved(int32_t index) const {
  switch (index) {
    case 0:
      return mNoVisitorLost;
    case 1:
      return mNoBreakdown;
    case 2: {
      const ZCBoard_Game3* board = GetCafeBoard();
      return board && board->GetMoney() >= board->GetExpertGoal();
    }
    case 3:
      return AllTasksDone();
    case 4:
      return IsAchieved(0) && IsAchieved(1) && IsAchieved(2) && IsAchieved(3);
    default:
      return false;
  }
}

// ---- Rush bonus ----

void RushBonus::Load(const XmlNode& root) {
  XmlNode node = root.selectSingleNode(L"bonus_config");
  if (!node) {
    LogMessage("WARNING: cfg.xml has no \"bonus_config\" element");
    return;
  }
  ReadCfgTime(node, L"rush_timeout", mRushTimeout);
  mCfgTimeout = mRushTimeout;
  ReadCfgInt(node, L"start_count", mStartCount, kMaxCount);
}

void RushBonus::OverrideTimeout(const XmlNode& level) {
  mRushTimeout = mCfgTimeout;
  // A timeout of no length would end every chain at once: such a value keeps cfg.xml's.
  GetUsableFloat(level, "level", L"override_rush_timeout", mRushTimeout, 0.1f, kMaxActorTime, mCfgTimeout);
}

void RushBonus::Reset() {
  mCount = 0;
  mSteps = 0;
  if (ZCBoard_Game3* board = GetCafeBoard()) board->GetTutorial().ApplyRule(9);
}

void RushBonus::AddService() {
  ++mCount;
  mSteps = 0;
  TraceBoardEvent("quick services %d", int(mCount));
  if (mCount >= mStartCount)
    if (ZCBoard_Game3* board = GetCafeBoard()) board->StartRush();
}

void RushBonus::Update() {
  const float step = GetGameStep();
  if (!(step > 0)) return;
  ++mSteps;
  mStepSeconds = step;
  // Whole steps against the timeout, with a margin far below one step for the float step.
  if (double(mSteps) * mStepSeconds + 1e-6 >= double(mRushTimeout)) {
    if (mCount > 0) TraceBoardEvent("quick services timed out");
    Reset();
  }
}
