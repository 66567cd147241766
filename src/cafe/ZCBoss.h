#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "board/ZCMoveItem.h"

class SoundInstance;
class ZCItemPart;
struct HeroineParams;

// The heroine: the walker the player steers. She carries products in two hands (the first hand
// is her item code), joins them, takes the brush from the wash stand, throws things into the
// trash bin, collects from and cleans the workers and serves the visitors. Her idle and walking
// animations follow what she holds, and four "held_items" parts show it.
class ZCBoss : public ZCMoveItem {
 public:
  // The walking speed boost while the speed bonus runs: the trail's fade rate and interval.
  static constexpr float kBonusTrailFade = 500.0f;
  static constexpr float kBonusTrailInterval = 0.01f;
  // The speed she walks at when her parameters are missing.
  static constexpr float kFallbackSpeed = 100.0f;

  ZCBoss();
  ~ZCBoss() override;
  static ZCItem* Create() { return new ZCBoss(); }

  void Activate(bool active) override;
  void OnActionTimer(int32_t kind) override;
  void ClearState() override;
  void Update() override;
  bool Interact(ZCItem* target, bool dryRun, int32_t* scratch) override;
  void BindPersonParams() override;
  // Shows the hands' contents, every frame after walking.
  void AfterMove() override;
  float GetMoveSpeed() const override;

  // Starts the speed bonus, or lengthens a running one to the larger remaining time.
  void StartSpeedBonus(float seconds);
  // 0 idle, 1 walking: plays the matching animation for her hands.
  void SetAnimMode(int32_t mode);
  // Idle, as after her activation: the idle animation, the walking state seen afresh.
  void Rest();

  const std::string& GetFirstHand() const { return mCode; }
  const std::string& GetSecondHand() const { return mSecondHand; }
  void SetHands(const std::string& first, const std::string& second);
  int32_t GetAnimMode() const { return mAnimMode; }
  bool IsBonusActive() const { return mBonusActive; }
  float GetBonusRemaining() const { return mBonusRemaining; }
  bool IsServed() const { return mServed; }
  ZCItemPart* GetBodyPart() const { return mBody; }
  ZCItemPart* GetHeldPart(int32_t i) const { return i >= 0 && i < 4 ? mHeld[i] : nullptr; }
  const HeroineParams* GetParams() const { return mParams; }

 private:
  // The idle or walking animation of the mode for her hands.
  std::string AnimationFor(int32_t mode) const;
  void UpdateHand(const std::string& code, ZCItemPart* back, ZCItemPart* front, bool first);
  void PlaySound(const char* name);
  void TraceHands();
  void RushStep();
  void RushReset();
  // The interaction with a worker's table.
  bool InteractWorker(ZCItem* worker, bool dryRun);
  bool InteractVisitor(ZCItem* visitor, bool dryRun);
  // Tries to take the worker's code into the hands in up to two passes; true when taken.
  bool TakeWorkerCode(const std::string& code);

  bool mBonusActive = false;
  float mBonusRemaining = 0;
  int32_t mAnimMode = 0;
  bool mWalkingSeen = false;
  ZCItemPart* mHeld[4] = {nullptr, nullptr, nullptr, nullptr};
  ZCItemPart* mBody = nullptr;
  std::unique_ptr<SoundInstance> mSteps;
  std::string mSecondHand;
  HeroineParams* mParams = nullptr;
  bool mServed = false;
  // The worker's work state seen by the last dry run at a table.
  int32_t mWorkerState = 0;
  // What the held-item parts showed at the last frame.
  std::string mShownHeld;
  std::string mTracedHands;
};
