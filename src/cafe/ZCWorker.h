#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "board/ZCItem.h"
#include "cafe/CafeActor.h"
#include "cafe/ZIStatSrc.h"
#include "effects/GameClock.h"

class SoundInstance;
class ZCBoss;
struct WorkerParams;

// A member of staff at a workplace (level object class "worker", at the table "table" + the rest
// of its name). The heroine starts it; it works for its work time and then holds its product
// until she collects it. Working wears its tidiness down; at 0 the workplace breaks down until
// she cleans it with the brush. Tidiness comes back slowly while it waits, and the table's
// soiling parts show the dirt. Its parameters are the workers block of its skin (a zeroed block,
// logged, for a skin cfg.xml lacks).
//
// Every worker is in the worker registry by name from its description on (the first of a name
// stays) and leaves it when its parts are cleared or it is deleted.
class ZCWorker : public ZCItem, public ZIStatSrc, public CafeActor {
 public:
  enum WorkState : int32_t { kIdle = 0, kBroken = 1, kReady = 2, kWorking = 3 };

  ZCWorker();
  ~ZCWorker() override;
  static ZCItem* Create() { return new ZCWorker(); }

  void Activate(bool active) override;
  // The end of the "worker_up" part's animations moves the worker's pictures on.
  void ArmAnimRestart(ZCItemPart* part, const std::string& animation) override;
  bool IsBusy() const override { return mState == kBroken || mState == kWorking; }
  void SetHighlight(const BoardPoint& point, bool highlighted) override;
  void ReadState(const XmlNode& node) override;
  void ClearState() override;
  void ReadItem(const XmlNode& node) override;
  void ClearParts() override;
  void Update() override;
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;
  // An upgrade bought for its skin: the flags are read again (the skin given is not used).
  void ApplyUpgradeSkin(const std::string& skin) override;
  // The board's freeze clock runs.
  virtual bool IsFrozen() const;

  // ZIStatSrc.
  bool IsActive() override { return mState != kIdle; }
  bool IsInProgress() override { return mState == kBroken || mState == kWorking; }
  bool HasExtra() override { return false; }
  bool GetLevel(float& level) override;
  bool GetBubbleName(std::string& name) override;
  bool GetIconName(std::string& name) override;
  bool GetProduct(std::string& product) override;

  // CafeActor.
  bool IsVisitor() const override { return false; }
  int32_t GetActorState() const override { return mState; }
  std::string GetProduct() const override;

  // Changes the work state with the pictures, sounds and tutorial events of the change; a call
  // made while a change runs is ignored.
  void SetWorkState(int32_t state);
  int32_t GetWorkState() const { return mState; }
  // A positive delta is added (at most 100); a delta of 0 or less only while not frozen and the
  // tutorial lets tidiness fall (at least 0). The dirt follows. Returns the tidiness.
  float ChangeTidiness(float delta);
  // Shows the cleaning; a broken worker goes back to work.
  void Repair();
  // The upgrade flags of its skin, and the pictures of the upgrades.
  void ApplyUpgrades();
  // Seconds to make one product (shorter with the speed upgrade).
  float GetWorkDuration() const;
  // Remaining work time / work duration while working, else -1.
  float GetWorkProgress() const;
  float GetTidiness() const { return mTidiness; }
  const WorkerParams& GetParams() const { return *mParams; }
  ZCItem* GetTable() const { return mTable; }
  const GameClock& GetWorkClock() const { return mWorkClock; }
  SoundInstance* GetBeginSound() const { return mBeginSound.get(); }
  bool HasTidinessUpgrade() const { return mTidinessUpgrade; }
  bool HasSpeedUpgrade() const { return mSpeedUpgrade; }

 private:
  void BindParams();
  void BindTable();
  // The soiling parts show 255 - tidiness x 2.55 of white.
  void SetDirt();
  void Play(const char* animation);
  void PlaySound(const char* name);
  // The heroine can take the ready product: a free hand or one it joins with.
  static bool CanTakeProduct(const ZCBoss& heroine, const std::string& product);

  int32_t mState = kIdle;
  const WorkerParams* mParams;
  float mTidiness = 100.0f;
  GameClock mWorkClock;
  bool mHovered = false;
  bool mHoverSeen = false;
  ZCItem* mTable = nullptr;
  ZCItemPart* mSoilTable = nullptr;
  ZCItemPart* mSoilFloor = nullptr;
  ZCItemPart* mSoilFront = nullptr;
  ZCItemPart* mCleaning = nullptr;
  ZCItemPart* mUpgrade1 = nullptr;
  ZCItemPart* mUpgrade2 = nullptr;
  bool mTidinessUpgrade = false;
  bool mSpeedUpgrade = false;
  std::unique_ptr<SoundInstance> mBeginSound;
  bool mChanging = false;
};

// The worker of that item name, or null.
ZCWorker* FindWorker(const std::string& name);
// Mode 1: every running worker gains the amount of tidiness and is repaired. Other modes do
// nothing.
void ChangeAllTidiness(int32_t mode, float amount);
// Empties the worker registry and unbinds every worker block from its worker (a level is
// cleared; tests reset the café beside the board world).
void ClearWorkers();
// The number of workers registered (tests).
size_t CountWorkers();
