#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cafe/ZCMiniGame.h"

// The mini-game's neighbours as one recording double: the board (bonuses, input block), the
// head-up display (task icons) and the level's task counters.
class RecordingMiniGameHost : public MiniGameHost {
 public:
  RecordingMiniGameHost() {
    for (auto& icon : mIcons) icon = std::make_unique<ZCCandyWidget>();
  }
  void ApplyBonus(int32_t kind, int32_t strength) override {
    mBonuses.push_back(std::string(ZCMiniGame::KindName(kind)) + " " + std::to_string(strength));
  }
  bool IsInputBlocked() override { return mInputBlocked; }
  ZCCandyWidget* GetTaskIcon(int32_t kind) override {
    return kind >= 0 && kind < ZCMiniGame::kKinds ? mIcons[kind].get() : nullptr;
  }
  int32_t GetTaskTarget(int32_t kind) override { return mTargets[kind]; }
  int32_t GetTaskRemaining(int32_t kind) override { return mRemaining[kind]; }
  void CompleteTask(int32_t kind) override {
    if (mRemaining[kind] > 0) --mRemaining[kind];
  }
  void PlaySound(const std::string& name) override { mSounds.push_back(name); }

  bool mInputBlocked = false;
  int32_t mTargets[ZCMiniGame::kKinds] = {};
  int32_t mRemaining[ZCMiniGame::kKinds] = {};
  std::unique_ptr<ZCCandyWidget> mIcons[ZCMiniGame::kKinds];
  std::vector<std::string> mBonuses;
  std::vector<std::string> mSounds;
};
