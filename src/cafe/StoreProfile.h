#pragma once
#include "cafe/CafeProfile.h"
#include "cafe/ProfileStore.h"

// The café board's view of the player profile, kept in the profile store: the current record's
// upgrade flags, levels open and bonus-hint marks, the survival high-score table, and saving.
// The flags and marks are the record's own bytes, so what the board changes is what Save writes,
// and selecting another player changes what the board reads.
class StoreProfile : public CafeProfile {
 public:
  explicit StoreProfile(ProfileStore& store) : mStore(store) {}

  uint8_t* GetUpgradeFlags() override { return mStore.mPlayer.upgrades.data(); }
  int32_t GetLevelsOpen() const override { return mStore.mPlayer.levelsOpen; }
  bool IsBonusHintShown(int32_t type) const override {
    return InRange(type) && mStore.mPlayer.bonusHints[size_t(type)] != 0;
  }
  void SetBonusHintShown(int32_t type) override {
    if (InRange(type)) mStore.mPlayer.bonusHints[size_t(type)] = 1;
  }
  std::wstring GetPlayerName() const override { return mStore.GetPlayerName(); }
  int32_t InsertSurvivalScore(const std::wstring& name, int32_t value) override {
    return mStore.InsertScore(true, name, value);
  }
  int32_t GetBestSurvivalScore() const override { return mStore.GetBestScore(true, mStore.GetPlayerName()); }
  bool Save() override { return mStore.Save(); }

 private:
  static bool InRange(int32_t type) { return type >= 0 && type < kBonusTypes; }
  ProfileStore& mStore;
};

static_assert(CafeProfile::kUpgradeFlags == int32_t(ProfileCodec::kUpgrades));
static_assert(CafeProfile::kBonusTypes == int32_t(ProfileCodec::kBonusTypes));
