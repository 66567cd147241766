#pragma once
#include <cstdint>
#include <string>

// What the café board asks of the player profile store: the current player's upgrade flags,
// career progress and bonus-hint marks, the survival high-score table and saving. The default
// keeps one nameless player in memory and saves nothing.
class CafeProfile {
 public:
  static constexpr int32_t kUpgradeFlags = 29;
  static constexpr int32_t kBonusTypes = 5;

  virtual ~CafeProfile() = default;
  // The current player's 29 upgrade flags (never null).
  virtual uint8_t* GetUpgradeFlags() { return mFlags; }
  // How many career levels the current player has opened: the highest one open.
  virtual int32_t GetLevelsOpen() const { return 1; }
  // The current player's mark of the mini-game bonus type (0..4), set the first time it is used.
  virtual bool IsBonusHintShown(int32_t type) const { return InRange(type) && mHints[type] != 0; }
  virtual void SetBonusHintShown(int32_t type) {
    if (InRange(type)) mHints[type] = 1;
  }
  virtual std::wstring GetPlayerName() const { return L""; }
  // Enters a survival score; the place it took (0 first), 14 when it is not in the table.
  virtual int32_t InsertSurvivalScore(const std::wstring&, int32_t) { return 14; }
  // The current player's best survival money in the table, 0 when it holds none.
  virtual int32_t GetBestSurvivalScore() const { return 0; }
  virtual bool Save() { return true; }

 private:
  static bool InRange(int32_t type) { return type >= 0 && type < kBonusTypes; }
  uint8_t mFlags[kUpgradeFlags] = {};
  uint8_t mHints[kBonusTypes] = {};
};
