#pragma once
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "board/ZCBoard_Game.h"
#include "cafe/AchievementParams.h"
#include "cafe/CafeHooks.h"
#include "cafe/CafeProfile.h"
#include "effects/GameClock.h"
#include "resources/ZCTextureCache.h"

class ZCIUpgrade;
class ZCMoveItem;

// The café and day of a level number (career levels 1..59, and the survival cafés 100, 200 and
// 300 and up). A number outside the career's cafés or days gives café 3 or day 1 with the
// known flag false, for a warning. The career's cafés: 1 levels 1-15, 2 levels 16-35, 3 levels
// 36-59; a level's day is its number minus the café's first level (the level before day 1).
struct CafeDay {
  int32_t mCafe = 1;
  int32_t mDay = 1;
  int32_t mFirstLevel = 0;
  int32_t mDays = 15;
  bool mCafeKnown = true;
  bool mDayKnown = true;
};
CafeDay CafeDayOfLevel(int32_t level);
// Day 1 of a career café (1..3; anything else café 3).
CafeDay FirstDayOfCafe(int32_t cafe);

// The game-wide values of cfg.xml's "level" element (zero until read).
struct GameLevelValues {
  int32_t mBonusCoin3 = 0;
  int32_t mBonusCoin4 = 0;
  int32_t mBonusCoin3Upgrade = 0;
  int32_t mBonusCoin4Upgrade = 0;
  float mBonusWorkerStamina = 0;
  float mBonusClientStamina = 0;
  float mBonusIceTimeout = 0;
  float mClientPause = 0;
};
GameLevelValues& GetGameLevelValues();

// One upgrade of cfg.xml's "upgrade" lists. Functional upgrades raise the speed of the heroine,
// the coin bonus, or the speed or tidiness of a worker; visual ones give a café's furniture its
// upgrade skin. The owned flag lives in the current player's record in career and in the board
// in survival; the record keeps only the flag's index.
struct UpgradeRecord {
  enum Kind : int32_t { kNone = 0, kFunctional = 1, kVisual = 2 };
  std::string mName;
  std::string mObject;
  std::vector<std::string> mObjects;  // items that change skin (visual)
  int32_t mKind = kNone;
  int32_t mMinLevel = 0;
  int32_t mMaxLevel = 0;
  int32_t mFlag = -1;  // index among the 29 upgrade flags
};

// The café's board: goals and overrides of the actors' parameters read with a level, its start
// and end, visitors taken from the schedule, clicks handed to the heroine, the marks of the
// money goals, lives and stage upgrades in survival, the upgrade model, and the result handed to
// the career book or the survival high scores. Its neighbours are reached through the small
// interfaces of CafeHooks.h and CafeProfile.h, set with the setters below (null puts the
// default back).
class ZCBoard_Game3 : public ZCBoard_Game, public ActorFinder {
 public:
  static constexpr int32_t kUpgradeFlags = CafeProfile::kUpgradeFlags;
  static constexpr int32_t kMaxOffers = 6;
  static constexpr int32_t kEscapeKey = 27;

  enum DialogId : int32_t { kBriefing, kDebriefing, kFailDebriefing, kEscapeMenu, kShop, kDialogCount };

  ZCBoard_Game3();
  ~ZCBoard_Game3() override;

  void SetHud(CafeHud* hud);
  void SetTutorial(CafeTutorial* tutorial);
  void SetMiniGame(CafeMiniGame* miniGame);
  void SetGoals(CafeGoals* goals);
  void SetActors(CafeActors* actors);
  void SetProfile(CafeProfile* profile);
  void SetScreens(CafeScreens* screens);
  void SetDialog(DialogId id, CafeDialog* dialog);
  void SetComix(CafeComix* comix);
  CafeHud& GetHud() const { return *mHud; }
  CafeTutorial& GetTutorial() const { return *mTutorial; }
  CafeActors& GetActors() const { return *mActors; }
  CafeMiniGame& GetMiniGame() const { return *mMiniGame; }
  CafeGoals& GetGoals() const { return *mGoals; }
  CafeProfile& GetProfile() const { return *mProfile; }
  CafeDialog& GetDialog(DialogId id) const { return *mDialogs[id]; }
  CafeComix& GetComix() const { return *mComix; }
  // Loads the named cut-scene into the cut-scene widget and shows it.
  void PlayBoardComix(const std::string& name);

  // The board's hooks.
  bool SkipItemDraw() override;
  bool AreQueuesDone() override;
  void OnLevelEnding() override;
  void OnLevelStarted() override;
  void OnLevelFinished() override;
  void OnLevelStopped() override;
  void ReadLevelRules(const XmlNode& objectRoot, const XmlNode& level) override;
  void OnLevelCleared() override;
  void HandleClickedItem(ZCPickItem* item) override;
  void OnGameStep() override;
  void LoadGameParams(const XmlNode& root) override;
  void ClearGameParams() override;
  void OnMoneyChanged() override;
  void OnStageAdvanced() override;
  bool SpawnClientFromEvent(ScheduleEvent* event) override;
  // Every person (the first one at least) has a visitor block in cfg.xml; else false, with a
  // warning naming the element.
  bool HasVisitorSettings(const std::string (&persons)[4], const char* element) const;
  void OnPause() override {}
  void OnResume() override {}
  // Escape: opens the escape menu, or closes what is open.
  void KeyUp(int32_t key) override;

  // ActorFinder: "table" + rest is the worker "worker" + rest while it runs, "client_place" +
  // rest the visitor "client" + rest, "client_sit_place" + rest the visitor "client_sit" + rest.
  ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place) override;

  bool IsSurvival() const { return mEndless; }
  int32_t GetLevel() const { return mLevelNumber; }
  // Survival: the café chosen and the stage; career: from the level number (see CafeDayOfLevel).
  int32_t GetCafe() const;
  int32_t GetDay() const;
  // The level's heroine, or null.
  ZCMoveItem* GetHeroine() const;
  // Survival: one life less; the head-up display shows the count while it is not below 0.
  void LoseLife();
  // The rush (enough quick services): when the tutorial allows event 6 the mini-game takes a
  // token, of the kind the tutorial prescribes (not clickable) or of its own choice.
  void StartRush();
  // The board's own rush bonus (used while no other goals are installed).
  RushBonus& GetRushBonus() { return mOwnGoals.GetRush(); }
  // Shows the head-up display and the briefing, then plays the café's music.
  void PlayLevelMusic();
  // The level's result to the career book or the survival high scores; the profile is saved.
  void ReportLevelResult();
  // Career result code: 3 a lost VIP, 0 the expert goal, 1 the goal, 2 below it.
  int32_t GetResultCode() const;
  // A completed mini-game chain: type 0 coin, 1 happy, 2 clean, 3 speed, 4 ice; strength 1 is
  // the short chain.
  void ApplyMiniGameBonus(int32_t type, int32_t strength);
  // Set by a visitor VIP that leaves unhappy; set by the escape menu when the level is left.
  void SetVipLost() { mVipLost = true; }
  void SetAbandoned() { mAbandoned = true; }
  bool IsVipLost() const { return mVipLost; }
  bool IsAbandoned() const { return mAbandoned; }
  bool IsGoalMarked() const { return mGoalMark; }
  bool IsExpertMarked() const { return mExpertMark; }
  // The head-up display clears the goal mark when the money falls below the goal again.
  void ClearGoalMark() { mGoalMark = false; }
  int32_t GetLives() const { return mLives; }
  int32_t GetGoal() const { return mGoal; }
  int32_t GetExpertGoal() const { return mExpertGoal; }
  int32_t GetLevelUpgradeKind() const { return mLevelUpgradeKind; }
  const std::string& GetUpgradeSkin() const { return mUpgradeSkin; }
  const std::string& GetDefaultSkin() const { return mDefaultSkin; }
  // Runs while the ice bonus lasts.
  bool IsFrozen() const { return mFreezeClock.IsRunning(); }
  // Survival: the stage upgrades {stage, kind} of the level, and the kinds reached but not
  // yet chosen.
  const std::vector<std::pair<int32_t, int32_t>>& GetStageUpgrades() const { return mStageUpgrades; }
  const std::deque<int32_t>& GetPendingUpgrades() const { return mPendingUpgrades; }
  // The texture cache visitors' textures are preloaded from (null: the engine's).
  void SetTextureCache(ZCTextureCache* cache) { mTextureCache = cache; }
  // The texture ids preloaded for the level's visitors.
  const std::vector<std::string>& GetPreloadedIds() const { return mPreloadIds; }

  // ---- Upgrades ----
  // The "upgrade/functional" and "upgrade/visual" lists; records that can have no flag are
  // refused with an "ERROR: " line.
  void LoadUpgrades(const XmlNode& root);
  // The "level" element's values.
  void LoadLevelValues(const XmlNode& root);
  const std::vector<UpgradeRecord>& GetFunctionalUpgrades() const { return mFunctional; }
  const std::vector<UpgradeRecord>& GetVisualUpgrades() const { return mVisual; }
  // The flag index of a record, or -1 when it can have none.
  static int32_t ResolveUpgradeFlag(const UpgradeRecord& record);
  // The 29 flags in use: the board's own in survival, the current player's in career.
  uint8_t* GetUpgradeFlags();
  bool GetUpgradeFlag(const UpgradeRecord& record);
  // The first record (functional first) of that object and name is owned.
  bool IsUpgradeOwned(const std::string& object, const std::string& name);
  // At level load: the owned visual upgrades of the café put on the upgrade skin.
  void ReapplyUpgrades();
  // Up to six offers of the level's kind (survival: the first pending kind, taken).
  int32_t ListUpgradeOffers(std::vector<UpgradeRecord*>& out);
  // Sets the record's flag and shows the change on the board.
  void ApplyUpgrade(UpgradeRecord& record, bool owned);
  // The board rectangle that shows the record's change (its items, or its worker, as drawn
  // now); false when none of them shows.
  bool GetUpgradeArea(const UpgradeRecord& record, Rect& out);
  const uint8_t* GetSurvivalFlags() const { return mSurvivalFlags; }

 protected:
  // The worker item bound to a functional record's worker block, or null.
  static ZCItem* FindUpgradeWorker(const UpgradeRecord& record);
  void ReadOverrides(const XmlNode& level);
  // The codes the café's machines, materials and workers make, alone or joined in pairs.
  std::set<std::string> CafeProductCodes() const;
  void RestoreOverrides();
  void PreloadVisitorTextures(const XmlNode& level);
  void SetTextVarNumber(const char* name, int32_t value);

  BoardGoals mOwnGoals;
  CafeHud* mHud;
  CafeTutorial* mTutorial;
  CafeMiniGame* mMiniGame;
  CafeGoals* mGoals;
  CafeActors* mActors;
  CafeProfile* mProfile;
  CafeScreens* mScreens;
  CafeDialog* mDialogs[kDialogCount];
  CafeComix* mComix;

  ZCTextureCache* mTextureCache = nullptr;
  std::vector<TextureHandle> mPreload;
  std::vector<std::string> mPreloadIds;
  bool mGoalMark = false;
  bool mExpertMark = false;
  int32_t mGoal = 0;
  int32_t mExpertGoal = 0;
  std::string mUpgradeSkin;
  std::string mDefaultSkin;
  GameClock mFreezeClock;
  bool mVipLost = false;
  bool mAbandoned = false;
  int32_t mLives = 0;
  std::vector<std::pair<int32_t, int32_t>> mStageUpgrades;
  size_t mStageUpgradeCursor = 0;
  std::deque<int32_t> mPendingUpgrades;
  std::vector<UpgradeRecord> mFunctional;
  std::vector<UpgradeRecord> mVisual;
  uint8_t mSurvivalFlags[kUpgradeFlags] = {};
  int32_t mLevelUpgradeKind = UpgradeRecord::kNone;
};

// The current café board (null when none exists).
ZCBoard_Game3* GetCafeBoard();
