#pragma once
#include <cstdint>
#include <map>
#include <string>

class XmlNode;
class ZCItem;

// The actors' parameter blocks of cfg.xml, one map per kind keyed by name. They are read once
// with the game parameters (the first block of a name stays), cleared when the game ends, and
// overridden per level by the café board, which saves the values it replaces and puts them
// back when the level is cleared.

// The heroine's block: one per "perses/pers" node.
struct HeroineParams {
  std::string mName;
  float mWashTime = 0;
  float mSpeedAddUpgrade = 0;
  float mSpeedAddBonus = 0;
  float mBonusSpeedTime3 = 0;
  float mBonusSpeedTime4 = 0;
  float mIdleRestartMin = 0;
  float mIdleRestartMax = 0;
  int32_t mIdleStopFrame = 0;
  // Set while a level overrides the walker's move speed; the speed it replaced.
  bool mOverridden = false;
  float mSavedMoveSpeed = 0;
};

// A visitor skin's block: one per "clients/client" node.
struct ClientParams {
  std::string mName;
  int32_t mIdleStopFrame = 0;
  float mIdleRestartMin = 0;
  float mIdleRestartMax = 0;
  float mPatienceSpeed = 0;
  float mDecisionTime = 0;
  float mEatingTime = 0;
  int32_t mMoneyGreen = 0;
  int32_t mMoneyYellow = 0;
  int32_t mMoneyRed = 0;
  int32_t mLossesMoney = 0;
  float mScandalLevel = 0;
  float mScandalTime = 0;
  float mBonusTime = 0;
  float mBonusTimeEffect = 0;
  // Set by a level override, with the patience visitors of this skin start with; the values
  // the override replaced.
  bool mOverridden = false;
  float mStartPatience = 100.0f;
  float mSavedPatienceSpeed = 0;
  int32_t mSavedMoneyGreen = 0;
  int32_t mSavedMoneyYellow = 0;
  int32_t mSavedMoneyRed = 0;
  int32_t mSavedLossesMoney = 0;
};

// The longest time, in seconds, a value of cfg.xml may set (a wait, a pause, a bonus): a longer
// one, or a negative one, takes the nearest bound with a warning. A visitor deciding or eating
// for ever, or a freeze that never thaws, would hold the day open.
constexpr float kMaxActorTime = 600.0f;
// Reads a time of cfg.xml so bounded.
void ReadCfgTime(const XmlNode& node, const wchar_t* name, float& out);

// The usable ranges of the other numbers of cfg.xml and of a level's overrides; a value outside
// takes the nearest bound with a warning. None is negative, so none is ever negated out of range.
// Money a visitor pays or costs, a coin bonus.
constexpr int32_t kMaxMoneyValue = 100000;
// A patience or tidiness level, a gain or loss of either, an effect of a bonus or a cleaning.
constexpr float kMaxPercent = 100.0f;
// A factor applied by an upgrade.
constexpr float kMaxFactor = 100.0f;
// An animation frame.
constexpr int32_t kMaxFrame = 10000;
// A count or a level number.
constexpr int32_t kMaxCount = 10000;
void ReadCfgFloat(const XmlNode& node, const wchar_t* name, float& out, float max);
void ReadCfgInt(const XmlNode& node, const wchar_t* name, int32_t& out, int32_t max);

// Patience lost per second while a visitor waits. A visitor that loses none (or gains) would wait
// for ever and its day never end: a speed outside the range is refused with a warning, and a
// block without one takes the default.
constexpr float kDefaultPatienceSpeed = 2.0f;
constexpr float kMinPatienceSpeed = 0.1f;
constexpr float kMaxPatienceSpeed = 1000.0f;
// Reads "client_patience_speed" of a visitor block of the file into speed; refused or absent, the
// speed keeps a usable value it has, else takes the default.
void ReadPatienceSpeed(const XmlNode& node, const char* file, float& speed);

// The global values of the "clients" element.
struct ClientsConfig {
  float mPatienceGreen = 0;
  float mPatienceYellow = 0;
  float mPatienceRed = 0;
  float mPatienceCritical = 0;
  float mScandalEffect = 0;
  float mReminderTimeout = 0;
  float mAlphaBlendTime = 0;
  float mScandalBubbleTime = 0;
};

// A worker skin's block: one per "workers/worker" node.
struct WorkerParams {
  std::string mName;
  float mWorkTime = 0;
  float mTidinessUp = 0;
  float mTidinessDown = 0;
  int32_t mBreakFrame = 0;
  float mBreakTime = 0;
  float mUpgradeTidinessDown = 0;
  float mUpgradeWorkSpeed = 0;
  float mIdleRestartMin = 0;
  float mIdleRestartMax = 0;
  int32_t mIdleStopFrame = 0;
  std::string mBeginSound;
  std::string mProduct;
  std::string mProductType;
  // 1, 2, 3... in the order of the blocks in the file (counted afresh at every read).
  int32_t mSerial = 0;
  // The worker item bound to the block in the running level, or null.
  ZCItem* mWorker = nullptr;
  // Set by a level override, with the tidiness the worker starts with; the values the
  // override replaced.
  bool mOverridden = false;
  float mStartTidiness = 100.0f;
  float mSavedWorkTime = 0;
  float mSavedTidinessUp = 0;
  float mSavedTidinessDown = 0;
};

// The global values of the "workers" element.
struct WorkersConfig {
  float mTidinessGreen = 0;
  float mTidinessYellow = 0;
  float mTidinessRed = 0;
  float mCleanserEffect = 0;
  float mBrushEffect = 0;
  float mAlphaBlendTime = 0;
};

// A period item's block: one per "period_items/period_item" node, keyed by the item's name.
struct PeriodParams {
  std::string mName;
  float mTimeoutMin = 0;
  float mTimeoutMax = 0;
};

void LoadHeroineParams(const XmlNode& root);
HeroineParams* FindHeroineParams(const std::string& name);
void ClearHeroineParams();
std::map<std::string, HeroineParams>& GetHeroineParamsMap();

void LoadClientParams(const XmlNode& root);
// Null, with an "ERROR: " line, for a skin without a block.
ClientParams* FindClientParams(const std::string& skin);
ClientsConfig& GetClientsConfig();
std::map<std::string, ClientParams>& GetClientParamsMap();
void ClearClientParams();

void LoadWorkerParams(const XmlNode& root);
// The block of the skin, or null; when found and a worker is given, the block is bound to it.
WorkerParams* FindWorkerParams(const std::string& skin, ZCItem* worker = nullptr);
WorkersConfig& GetWorkersConfig();
// Every block by skin name (mSerial gives the file order).
std::map<std::string, WorkerParams>& GetWorkerParamsMap();
void ClearWorkerParams();

void LoadPeriodParams(const XmlNode& root);
PeriodParams* FindPeriodParams(const std::string& name);
void ClearPeriodParams();
