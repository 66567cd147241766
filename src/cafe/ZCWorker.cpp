#include "cafe/ZCWorker.h"

#include <algorithm>
#include <map>

#include "board/BoardWorld.h"
#include "board/ZCItemPart.h"
#include "cafe/ActorParams.h"
#include "cafe/ProductRules.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCBoss.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "sound/SoundManager.h"

namespace {

// Stands in for the block of a skin cfg.xml lacks, so that nothing reads a null block.
const WorkerParams kZeroParams{};

const char* const kStateNames[] = {"idle", "broken", "ready", "working"};
const char* const kCookingAnimations[] = {"cooking_idle", "cooking_process_01", "cooking_process_02",
                                          "cooking_process_03"};
// The "worker_up" animations whose end shows the current state again.
const char* const kStateRefreshAnimations[] = {"ready_green_begin", "ready_green_end",    "switch_work",
                                               "switch_idle",       "cooking_idle",       "cooking_process_01",
                                               "cooking_process_02", "cooking_process_03"};

std::map<std::string, ZCWorker*>& Registry() {
  static std::map<std::string, ZCWorker*> workers;
  return workers;
}

void Unregister(ZCWorker* worker) {
  auto& registry = Registry();
  auto it = registry.find(worker->GetName());
  if (it != registry.end() && it->second == worker) registry.erase(it);
}

SoundManager* GetSounds() {
  ZCEngine* engine = GetEngine();
  return engine ? engine->GetSoundManager() : nullptr;
}

const char* StateName(int32_t state) { return state >= 0 && state <= 3 ? kStateNames[state] : "?"; }

}  // namespace

ZCWorker* FindWorker(const std::string& name) {
  auto& registry = Registry();
  auto it = registry.find(name);
  return it == registry.end() ? nullptr : it->second;
}

void ChangeAllTidiness(int32_t mode, float amount) {
  if (mode != 1) return;
  // A copy: a change may play sounds and pictures, never add or remove workers, but the walk
  // stays safe if it ever did.
  std::vector<ZCWorker*> workers;
  for (auto& [name, worker] : Registry()) workers.push_back(worker);
  for (ZCWorker* worker : workers) {
    if (!worker->IsRunning()) continue;
    worker->ChangeTidiness(amount);
    worker->Repair();
  }
}

void ClearWorkers() {
  Registry().clear();
  for (auto& [name, block] : GetWorkerParamsMap()) block.mWorker = nullptr;
}

size_t CountWorkers() { return Registry().size(); }

ZCWorker::ZCWorker() : mParams(&kZeroParams) {}

ZCWorker::~ZCWorker() {
  Unregister(this);
  // The block must not point at a worker that is gone.
  for (auto& [name, block] : GetWorkerParamsMap())
    if (block.mWorker == this) block.mWorker = nullptr;
}

void ZCWorker::ReadItem(const XmlNode& node) {
  Unregister(this);
  ZCItem::ReadItem(node);
  Registry().emplace(mName, this);
}

void ZCWorker::ClearParts() {
  Unregister(this);
  mTable = nullptr;
  mSoilTable = mSoilFloor = mSoilFront = mCleaning = mUpgrade1 = mUpgrade2 = nullptr;
  ZCItem::ClearParts();
}

void ZCWorker::BindParams() {
  const WorkerParams* found = FindWorkerParams(mSkin, this);
  if (!found) LogMessage("ERROR: ZCWorker '%s': no worker parameters for skin '%s'", mName.c_str(), mSkin.c_str());
  mParams = found ? found : &kZeroParams;
}

void ZCWorker::BindTable() {
  const std::string rest = IsNamed("worker") ? mName.substr(6) : std::string();
  mTable = ZCItem::FindByName("table" + rest);
  mSoilTable = mSoilFloor = mSoilFront = mCleaning = mUpgrade1 = mUpgrade2 = nullptr;
  if (!mTable) {
    LogMessage("WARNING: ZCWorker '%s': no table 'table%s'", mName.c_str(), rest.c_str());
    return;
  }
  auto either = [this](const char* first, const char* second) {
    ZCItemPart* part = mTable->FindPart(first, 0);
    return part ? part : mTable->FindPart(second, 0);
  };
  mSoilTable = mTable->FindPart("soiling_table" + rest, 0);
  mSoilFloor = either("soiling_floor01", "soiling_floor02");
  mSoilFront = either("soiling_front01", "soiling_front02");
  mCleaning = either("cleaning", "cleaning_small");
  mUpgrade1 = mTable->FindPart("worker_upgrade_1", 0);
  mUpgrade2 = mTable->FindPart("worker_upgrade_2", 0);
  if (mCleaning) {
    mCleaning->BindSkinTextures();
    mCleaning->SetVisible(false);
  }
}

void ZCWorker::ReadState(const XmlNode& node) {
  ZCItem::ReadState(node);
  BindParams();
  SoundManager* sounds = GetSounds();
  mBeginSound = sounds ? sounds->CreateInstance(mParams->mBeginSound) : nullptr;
  for (const char* idle : {"idle_green", "idle_red"})
    SetAnimRestart(idle, mParams->mIdleStopFrame, mParams->mIdleRestartMin, mParams->mIdleRestartMax);
  BindTable();
}

void ZCWorker::ClearState() {
  ZCItem::ClearState();
  mBeginSound.reset();
}

void ZCWorker::Activate(bool active) {
  if (!active) {
    // The level stops: a begin sound still sounding stops with it.
    if (mBeginSound) mBeginSound->Stop();
    return;
  }
  mTidinessUpgrade = false;
  mSpeedUpgrade = false;
  mCode.clear();
  mHovered = false;
  mState = kIdle;
  mTidiness = mParams->mOverridden ? std::clamp(mParams->mStartTidiness, 0.0f, 100.0f) : 100.0f;
  SetDirt();
  SetWorkState(kIdle);
  SetVisible(true);
  ApplyUpgrades();
}

bool ZCWorker::IsFrozen() const {
  ZCBoard_Game3* board = GetCafeBoard();
  return board && board->IsFrozen();
}

void ZCWorker::Play(const char* animation) { PlayAnimation(animation, false); }

void ZCWorker::PlaySound(const char* name) {
  if (SoundManager* sounds = GetSounds()) sounds->PlaySound(name);
  TraceBoardEvent("sound %s %s", mName.c_str(), name);
}

float ZCWorker::GetWorkDuration() const {
  return mParams->mWorkTime * (mSpeedUpgrade ? mParams->mUpgradeWorkSpeed : 1.0f);
}

float ZCWorker::GetWorkProgress() const {
  if (mState != kWorking) return -1.0f;
  const float duration = GetWorkDuration();
  return duration > 0 ? mWorkClock.GetRemaining() / duration : 0.0f;
}

void ZCWorker::SetDirt() {
  const int32_t alpha = std::clamp(int32_t(255.0f - mTidiness * 2.55f), 0, 255);
  const uint32_t tint = uint32_t(alpha) << 24 | 0xFFFFFFu;
  for (ZCItemPart* part : {mSoilTable, mSoilFloor, mSoilFront})
    if (part) part->SetTint(tint);
}

float ZCWorker::ChangeTidiness(float delta) {
  const float before = mTidiness;
  if (delta > 0)
    mTidiness = std::min(100.0f, mTidiness + delta);
  else if (!IsFrozen() && IsEventAllowed(3))
    mTidiness = std::max(0.0f, mTidiness + delta);
  SetDirt();
  const WorkersConfig& levels = GetWorkersConfig();
  for (float level : {levels.mTidinessGreen, levels.mTidinessYellow, levels.mTidinessRed}) {
    if (before > level && mTidiness <= level)
      TraceBoardEvent("tidiness %s fell to %g", mName.c_str(), double(level));
    else if (before <= level && mTidiness > level)
      TraceBoardEvent("tidiness %s rose above %g", mName.c_str(), double(level));
  }
  return mTidiness;
}

void ZCWorker::Repair() {
  if (mCleaning) {
    mCleaning->SetVisible(true);
    mCleaning->PlayAnimation("activation", false);
  }
  if (mState == kBroken) SetWorkState(kWorking);
}

void ZCWorker::ApplyUpgrades() {
  ZCBoard_Game3* board = GetCafeBoard();
  mTidinessUpgrade = board && board->IsUpgradeOwned(mSkin, "tidiness");
  mSpeedUpgrade = board && board->IsUpgradeOwned(mSkin, "speed");
  if (mUpgrade2) mUpgrade2->SetVisible(mSpeedUpgrade);
  if (mUpgrade1) mUpgrade1->SetVisible(mTidinessUpgrade);
}

void ZCWorker::ApplyUpgradeSkin(const std::string&) { ApplyUpgrades(); }

void ZCWorker::Update() {
  ZCItem::Update();
  if (!mVisible) return;
  const float step = GetGameStep();
  switch (mState) {
    case kIdle:
    case kReady: {
      if (mTidiness >= 100.0f || !IsEventAllowed(2)) break;
      const float before = mTidiness;
      ChangeTidiness(step * mParams->mTidinessUp);
      const WorkersConfig& levels = GetWorkersConfig();
      bool crossed = mTidiness >= 100.0f;
      for (float level : {levels.mTidinessRed, levels.mTidinessYellow, levels.mTidinessGreen})
        crossed = crossed || (before <= level && mTidiness > level);
      if (crossed) SetWorkState(mState);
      break;
    }
    case kBroken:
      // The work stands still until the workplace is clean again.
      mWorkClock.AddTime(step);
      break;
    case kWorking: {
      if (!IsEventAllowed(4) && IsEventAllowed(7)) mWorkClock.AddTime(step);
      if (!mWorkClock.IsRunning()) {
        SetWorkState(kReady);
        break;
      }
      if (!IsEventAllowed(3)) break;
      const float factor = mTidinessUpgrade ? mParams->mUpgradeTidinessDown : 1.0f;
      if (ChangeTidiness(-(step * mParams->mTidinessDown * factor)) <= 0) {
        if (ZCBoard_Game3* board = GetCafeBoard()) board->GetGoals().ClearNoBreakdown();
        SetWorkState(kBroken);
      }
      break;
    }
  }
}

void ZCWorker::SetWorkState(int32_t state) {
  if (mChanging) return;
  mChanging = true;
  const int32_t from = mState;
  ZCBoard_Game3* board = GetCafeBoard();
  switch (state) {
    case kIdle:
      if (from == kIdle || from == kWorking) Play("idle_green");
      if (from == kReady) Play("ready_green_end");
      break;
    case kBroken:
      if (from == kBroken) Play("idle_broken_workplace");
      if (from == kWorking) {
        Play("switch_idle");
        PlaySound("worker_broke");
        if (mBeginSound) mBeginSound->Pause();
      }
      break;
    case kReady:
      if (from == kReady) Play("ready_green_action");
      if (from == kWorking) {
        Play("switch_idle");
        if (board) board->GetTutorial().ApplyRule(8);
      }
      if (from == kIdle || from == kWorking) {
        mCode = JoinProducts(mCode, mParams->mProduct);
        PlaySound("worker_finish");
      }
      break;
    case kWorking:
      if (from == kIdle) {
        mWorkClock.SetTimeout(GetWorkDuration());
        if (mBeginSound) {
          mBeginSound->Play();
          TraceBoardEvent("sound %s %s", mName.c_str(), mBeginSound->GetName().c_str());
        }
        if (board) board->GetTutorial().ApplyRule(7);
      }
      // A begin sound that was never paused ignores the resume.
      if ((from == kIdle || from == kBroken) && mBeginSound) mBeginSound->Resume();
      if (from == kIdle || from == kBroken) Play("switch_work");
      if (from == kReady) {
        Play("ready_green_end");
        mWorkClock.SetTimeout(GetWorkDuration());
      }
      if (from == kWorking) {
        if (mCurrentAnim == "ready_green_end")
          Play("switch_work");
        else
          Play(kCookingAnimations[RandomInt(0, 3)]);
      }
      break;
    default:
      break;
  }
  mState = state;
  if (from != state) TraceBoardEvent("worker %s %s -> %s", mName.c_str(), StateName(from), StateName(state));
  mChanging = false;
}

void ZCWorker::ArmAnimRestart(ZCItemPart* part, const std::string& animation) {
  ZCItem::ArmAnimRestart(part, animation);
  if (!part || part->GetName() != "worker_up") return;
  if (animation == "direct_character") {
    if (mState != kIdle) return;
    // The first end is the pause at the break frame while hovered.
    if (!mHoverSeen)
      mHoverSeen = true;
    else
      SetWorkState(mState);
    return;
  }
  for (const char* name : kStateRefreshAnimations)
    if (animation == name) {
      SetWorkState(mState);
      return;
    }
}

void ZCWorker::SetHighlight(const BoardPoint& point, bool highlighted) {
  ZCItem::SetHighlight(point, highlighted);
  if (highlighted == mHovered) return;
  mHovered = highlighted;
  if (mState == kIdle) {
    if (highlighted) {
      if (mCurrentAnim != "direct_character") Play("direct_character");
      SetStopFrame(mParams->mBreakFrame);
      mHoverSeen = false;
    } else if (mCurrentAnim == "direct_character") {
      if (!mHoverSeen)
        mHoverSeen = true;
      else
        PauseAnimations(false);
    }
  } else if (mState == kReady && highlighted) {
    Play("ready_green_begin");
  }
}

bool ZCWorker::CanTakeProduct(const ZCBoss& heroine, const std::string& product) {
  // The heroine's two passes: pass 1 wants a free hand or a join some visitor wants, pass 2
  // takes any join. Together: a free hand or any hand the product joins with.
  const std::string& first = heroine.GetFirstHand();
  const std::string& second = heroine.GetSecondHand();
  return first.empty() || second.empty() || CanJoinProducts(first, product) || CanJoinProducts(second, product);
}

bool ZCWorker::Interact(ZCItem* other, bool dryRun, int32_t*) {
  auto* heroine = dynamic_cast<ZCBoss*>(other);
  if (!heroine) return false;
  if (heroine->GetFirstHand() == "wash" || heroine->GetSecondHand() == "wash") {
    if (dryRun) return true;
    ChangeTidiness(100.0f);
    Repair();
    PlaySound("worker_clean");
    return false;
  }
  if (mState == kIdle) {
    if (dryRun) return true;
    SetWorkState(kWorking);
    return false;
  }
  if (mState == kReady && CanTakeProduct(*heroine, mCode)) {
    if (dryRun) return true;
    SetWorkState(kIdle);
    return false;
  }
  return false;
}

bool ZCWorker::GetLevel(float& level) {
  if (!mRunning) return false;
  level = mTidiness;
  return true;
}

bool ZCWorker::GetBubbleName(std::string& name) {
  switch (mState) {
    case kBroken:
      name = "broken";
      return true;
    case kReady:
      name = mParams->mProductType;
      return true;
    case kWorking:
      name = "working";
      return true;
    default:
      return false;
  }
}

bool ZCWorker::GetIconName(std::string& name) {
  if (mState == kBroken) name = "broken";
  if (mState == kReady || mState == kWorking) name = "worker";
  return true;
}

bool ZCWorker::GetProduct(std::string& product) {
  product = mCode;
  return true;
}

std::string ZCWorker::GetProduct() const { return mParams->mProduct; }
