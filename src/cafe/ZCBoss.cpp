#include "cafe/ZCBoss.h"

#include "board/BoardWorld.h"
#include "board/ZCBoard_Game.h"
#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "cafe/ActorParams.h"
#include "cafe/CafeActor.h"
#include "cafe/ProductRules.h"
#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/StringUtil.h"
#include "sound/SoundManager.h"

namespace {

const char* const kIdleAnimations[5] = {"boss_idle_empty1", "boss_idle_empty2", "boss_idle_full",
                                        "boss_idle_second", "boss_idle_full_second"};

// Stands in when her parameters are missing, so that nothing reads a null record.
const HeroineParams kZeroParams{};

bool BeginsWith(const std::string& name, const char* prefix) { return name.rfind(prefix, 0) == 0; }

SoundManager* GetSounds() {
  ZCEngine* engine = GetEngine();
  return engine ? engine->GetSoundManager() : nullptr;
}

}  // namespace

ZCBoss::ZCBoss() {
  if (SoundManager* sounds = GetSounds()) mSteps = sounds->CreateInstance("boss_steps");
}

ZCBoss::~ZCBoss() = default;

void ZCBoss::SetHands(const std::string& first, const std::string& second) {
  mCode = first;
  mSecondHand = second;
}

void ZCBoss::Activate(bool active) {
  if (active) {
    SetVisible(true);
    BindPersonParams();
    mWalkingSeen = false;
    const HeroineParams& p = mParams ? *mParams : kZeroParams;
    for (const char* name : kIdleAnimations)
      SetAnimRestart(name, p.mIdleStopFrame, p.mIdleRestartMin, p.mIdleRestartMax);
    // Both hands start empty: what she held in the last level is gone with it.
    mCode.clear();
    mSecondHand.clear();
    mServed = false;
    // A speed bonus still running when the last day ended ends with it.
    mBonusActive = false;
    mBonusRemaining = 0;
    SetSpeedBoost(false, 0, 0);
    ReplayAnimation("");
    SetAnimMode(0);
  } else if (mSteps) {
    mSteps->Stop();
  }
  ZCMoveItem::Activate(active);
}

void ZCBoss::Rest() {
  SetAnimMode(0);
  mWalkingSeen = false;
}

void ZCBoss::OnActionTimer(int32_t kind) {
  ZCMoveItem::OnActionTimer(kind);
  if (kind == 3) SetAnimMode(0);
  if (kind == 4) mWalkingSeen = false;
}

void ZCBoss::ClearState() {
  ZCMoveItem::ClearState();
  mCode.clear();
  mSecondHand.clear();
}

void ZCBoss::BindPersonParams() {
  mBody = nullptr;
  for (auto& held : mHeld) held = nullptr;
  ZCMoveItem::BindPersonParams();
  int32_t next = 0;
  for (auto& part : mParts) {
    if (part->GetName() == "boss") {
      mBody = part.get();
    } else if (part->GetName() == "held_items") {
      // Parts beyond the fourth replace the second hand's front layer.
      mHeld[next < 4 ? next++ : 3] = part.get();
      part->BindSkinTextures();
      part->SetVisible(false);
    }
  }
  mParams = FindHeroineParams(mName);
  if (!mParams) LogMessage("ERROR: ZCBoss: no heroine parameters for '%s'", mName.c_str());
}

float ZCBoss::GetMoveSpeed() const {
  float speed = ZCMoveItem::GetMoveSpeed();
  if (speed <= 0 && !mPerson) speed = kFallbackSpeed;
  if (!mParams) return speed;
  const float base = speed;
  if (ZCBoard_Game3* board = GetCafeBoard(); board && board->IsUpgradeOwned("boss", "speed"))
    speed += mParams->mSpeedAddUpgrade;
  if (mBonusActive) speed += mParams->mSpeedAddBonus;
  // Additions that would stop her (negative ones in the data) leave her own speed.
  return speed > 0 ? speed : base;
}

void ZCBoss::StartSpeedBonus(float seconds) {
  mBonusRemaining = mBonusActive && mBonusRemaining > seconds ? mBonusRemaining : seconds;
  mBonusActive = true;
}

void ZCBoss::Update() {
  ZCMoveItem::Update();
  if (!HasAction() && mWalking != mWalkingSeen) {
    mWalkingSeen = mWalking;
    if (mWalking) SetAnimMode(1);
  }
  if (mBonusActive)
    SetSpeedBoost(true, kBonusTrailFade, kBonusTrailInterval);
  else
    SetSpeedBoost(false, 0, 0);
  if (mBonusActive) {
    mBonusRemaining -= GetGameStep();
    if (mBonusRemaining <= 0) {
      mBonusRemaining = 0;
      mBonusActive = false;
    }
  }
}

std::string ZCBoss::AnimationFor(int32_t mode) const {
  const bool first = !mCode.empty(), second = !mSecondHand.empty();
  if (mode == 1) {
    if (first && second) return "boss_move_full_second";
    if (first) return "boss_move_full";
    return second ? "boss_move_second" : "boss_move_empty";
  }
  if (first && second) return "boss_idle_full_second";
  if (first) return "boss_idle_full";
  if (second) return "boss_idle_second";
  return RandomFloat(0, 1) < 0.5f ? "boss_idle_empty1" : "boss_idle_empty2";
}

void ZCBoss::SetAnimMode(int32_t mode) {
  if (mode == 0 && mOrientation != "b") SetOrientation("b", false);
  const std::string name = AnimationFor(mode);
  if (mSteps) {
    if (mode == 1 && !mSteps->IsActive()) {
      mSteps->Play();
      TraceBoardEvent("sound %s boss_steps", mName.c_str());
    } else if (mode != 1) {
      mSteps->Stop();
    }
  }
  PlayAnimation(name, true);
  mAnimMode = mode;
  TraceBoardEvent("anim %s %s", mName.c_str(), name.c_str());
}

void ZCBoss::AfterMove() {
  UpdateHand(mCode, mHeld[0], mHeld[1], true);
  UpdateHand(mSecondHand, mHeld[2], mHeld[3], false);
  // The relations hold for the next solve only: they are given again every frame, but the
  // order is solved again only when what she holds shows differently (a still room is not
  // redrawn).
  std::string shown;
  ZOrderResolver* resolver = GetZOrderResolver();
  for (ZCItemPart* part : mHeld) {
    if (!part) continue;
    if (resolver && mBody) resolver->RegisterZParent(mBody, part);
    shown += (part->IsVisible() ? "+" : "-") + part->GetOrientation() + part->GetCurrentAnimation() + ";";
  }
  if (shown == mShownHeld) return;
  mShownHeld = shown;
  if (ZCBoard_Game* board = GetGameBoard()) board->SetDrawOrderDirty();
}

void ZCBoss::UpdateHand(const std::string& code, ZCItemPart* back, ZCItemPart* front, bool first) {
  if (code.empty()) {
    if (back) back->SetVisible(false);
    if (front) front->SetVisible(false);
    return;
  }
  std::string base = mCurrentAnim;
  if (base == "boss_idle_full_second") base = first ? "boss_idle_full" : "boss_idle_second";
  if (base == "boss_move_full_second") base = first ? "boss_move_full" : "boss_move_second";
  if (back) {
    back->SetVisible(true);
    back->SetSkin("");
    back->SetOrientation(mOrientation, false);
    back->PlayAnimation("0000" + base, true);
  }
  if (front) {
    front->SetSkin("");
    front->SetOrientation(mOrientation, false);
    front->SetVisible(true);
    front->PlayAnimation(NormalizePairKey(code, true) + base, true);
  }
  // The brush has no back layer.
  if (code == "wash" && back) back->SetVisible(false);
}

void ZCBoss::PlaySound(const char* name) {
  if (SoundManager* sounds = GetSounds()) sounds->PlaySound(name);
  TraceBoardEvent("sound %s %s", mName.c_str(), name);
}

void ZCBoss::TraceHands() {
  const std::string hands = (mCode.empty() ? "-" : mCode) + "|" + (mSecondHand.empty() ? "-" : mSecondHand);
  if (hands == mTracedHands) return;
  mTracedHands = hands;
  TraceBoardEvent("hands %s", hands.c_str());
}

void ZCBoss::RushStep() {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->GetGoals().CountRush();
  TraceBoardEvent("rush step");
}

void ZCBoss::RushReset() {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->GetGoals().ResetRush();
  TraceBoardEvent("rush reset");
}

bool ZCBoss::Interact(ZCItem* target, bool dryRun, int32_t*) {
  if (!target) return false;
  if (!dryRun)
    if (ZCBoard_Game3* board = GetCafeBoard()) board->GetTutorial().ApplyRule(10);
  const std::string& name = target->GetName();
  std::string* freeHand = mCode.empty() ? &mCode : mSecondHand.empty() ? &mSecondHand : nullptr;

  if (BeginsWith(name, "material") || name == "candymachine" || name == "colamachine" || name == "coffeemachine" ||
      name == "super_material") {
    if (freeHand) {
      if (dryRun) return true;
      *freeHand = target->GetCode();
      RushStep();
      PlaySound(name == "colamachine"     ? "soda_mashine"
                : name == "coffeemachine" ? "coffe_mashine"
                : name == "candymachine"  ? "candy"
                                          : "boss_take_item");
    } else {
      RushReset();
    }
  } else if (name == "wash_stand") {
    RushReset();
    if (freeHand) {
      if (dryRun) return true;
      *freeHand = target->GetCode();
      PlaySound("take_brush");
    }
  } else if (BeginsWith(name, "trash_bin")) {
    std::string* full = !mSecondHand.empty() ? &mSecondHand : !mCode.empty() ? &mCode : nullptr;
    if (full) {
      if (dryRun) return true;
      full->clear();
      RushReset();
      PlaySound("make_trash");
    }
  } else if (BeginsWith(name, "tray")) {
    // A tray only shows what it holds.
  } else if (BeginsWith(name, "client_place") || BeginsWith(name, "client_sit_place")) {
    if (ZCItem* visitor = FindActorForPlace(this, target)) {
      if (InteractVisitor(visitor, dryRun)) return true;
    }
  } else if (BeginsWith(name, "table")) {
    if (ZCItem* worker = FindActorForPlace(this, target); worker && worker->IsRunning()) {
      if (InteractWorker(worker, dryRun)) return true;
    }
  }
  if (dryRun) return false;
  TraceHands();
  SetAnimMode(mAnimMode);
  return false;
}

bool ZCBoss::InteractVisitor(ZCItem* visitor, bool dryRun) {
  if (!visitor->IsVisible()) {
    RushReset();
    return false;
  }
  if (visitor->GetCode().empty()) {
    if (dryRun) return true;
    RushStep();
    return false;
  }
  auto* actor = dynamic_cast<CafeActor*>(visitor);
  const bool accepts = actor && actor->WantsProduct(mCode, mSecondHand);
  if (dryRun) {
    if (accepts) mServed = true;
    return accepts;
  }
  // By now the visitor has taken what it wanted: the flag of the dry run tells of the serve.
  if (accepts || mServed) RushStep();
  mServed = false;
  return false;
}

bool ZCBoss::InteractWorker(ZCItem* worker, bool dryRun) {
  auto* actor = dynamic_cast<CafeActor*>(worker);
  if (mCode == "wash" || mSecondHand == "wash") {
    if (dryRun) {
      mWorkerState = actor ? actor->GetActorState() : 0;
      return true;
    }
    if (mWorkerState == 1) StartAction(mParams ? mParams->mWashTime : 0, 4);
    RushReset();
    (mCode == "wash" ? mCode : mSecondHand).clear();
    return false;
  }
  const std::string product = actor ? actor->GetProduct() : std::string();
  if (CanJoinProducts(worker->GetCode(), product)) {
    if (dryRun) return true;
    RushStep();
    worker->SetCode("0000");
    return false;
  }
  if (dryRun) return true;
  if (TakeWorkerCode(worker->GetCode())) {
    worker->SetCode("");
    RushStep();
    PlaySound("boss_take_item");
  } else {
    RushReset();
  }
  return false;
}

bool ZCBoss::TakeWorkerCode(const std::string& code) {
  // An idle worker holds nothing yet: a free hand "takes" its empty code, which starts the worker
  // and counts as a quick service like any other take.
  for (int pass = 1; pass <= 2; ++pass) {
    const bool last = pass == 2;
    if (mCode.empty()) {
      mCode = code;
      return true;
    }
    if (CanJoinProducts(mCode, code)) {
      const std::string joined = JoinProducts(mCode, code);
      if (last || IsProductWanted(joined)) {
        mCode = joined;
        return true;
      }
    }
    if (!last && mSecondHand.empty()) {
      mSecondHand = code;
      return true;
    }
    if (!mSecondHand.empty() && CanJoinProducts(mSecondHand, code)) {
      const std::string joined = JoinProducts(mSecondHand, code);
      if (last || IsProductWanted(joined)) {
        mSecondHand = joined;
        return true;
      }
    }
  }
  return false;
}
