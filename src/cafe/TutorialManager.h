#pragma once
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "cafe/CafeHooks.h"
#include "effects/GameClock.h"

// One step of a tutorial script: it waits for a game event (trigger), or with trigger 0 for the
// previous rule's delay to run out, then shows and hides hint widgets of the head-up display,
// blocks and unblocks gates, bars and frees items, hands a command to the mini-game and calls
// its callback. Built with the chained setters.
class TutorialRule {
 public:
  using Callback = void (*)();
  static constexpr int32_t kSlots = 5;

  explicit TutorialRule(int32_t trigger) : mTrigger(trigger) {}

  TutorialRule& SetDelay(float seconds);
  // ';'-separated widget or item names (empty pieces are skipped).
  TutorialRule& SetShow(const char* names);
  TutorialRule& SetHide(const char* names);
  // Up to five gate ids; 0 is an empty slot.
  TutorialRule& SetUnblock(int32_t a, int32_t b = 0, int32_t c = 0, int32_t d = 0, int32_t e = 0);
  TutorialRule& SetBlock(int32_t a, int32_t b = 0, int32_t c = 0, int32_t d = 0, int32_t e = 0);
  // The "disallow" list frees its items, the "allow" list bars them (see TutorialManager).
  TutorialRule& SetDisallow(const char* names);
  TutorialRule& SetAllow(const char* names);
  TutorialRule& SetMiniGameCommand(int32_t command);
  // -1: the next rule of the table.
  TutorialRule& SetNext(int32_t index);
  TutorialRule& SetCallback(Callback callback);
  // Tried in order when this rule does not match the event; a copy is kept.
  TutorialRule& AddAlternative(const TutorialRule& rule);

  int32_t mTrigger;
  float mDelay = 0;
  std::vector<std::string> mShow;
  std::vector<std::string> mHide;
  int32_t mUnblock[kSlots] = {};
  int32_t mBlock[kSlots] = {};
  std::vector<std::string> mDisallow;
  std::vector<std::string> mAllow;
  int32_t mMiniGameCommand = 0;
  int32_t mNext = -1;
  Callback mCallback = nullptr;
  std::vector<TutorialRule> mAlternatives;
};

// A script: its rules and the mini-game bonus kinds its rushes bring, in order.
struct TutorialTable {
  std::vector<TutorialRule> mRules;
  std::vector<int32_t> mForcedBonuses;
};

// The tables, each built on its first use. Level 1 has the only level table; the bonus hints
// are two rules each (type 2, the clean bonus, has an empty table; an unknown type gives it too).
const TutorialTable& GetLevel1TutorialTable();
// Builds level 1's table afresh (what the first use above keeps).
TutorialTable BuildLevel1TutorialTable();
const TutorialTable& GetBonusHintTable(int32_t type);

// The tutorial: runs at most one table, hears the game's events (ApplyRule), answers the gates
// the actors and the schedule ask (as the board world's event gate) and the café board's item
// gate. Without a table everything is allowed. It reaches the head-up display, the mini-game,
// the goals and the actors through the current café board (nothing happens without one).
class TutorialManager : public EventGate, public CafeTutorial {
 public:
  static constexpr int32_t kTutorialLevel = 1;

  // EventGate: true without a table; false when gate 7 or the id is blocked.
  bool IsEventAllowed(int32_t id) override;

  // CafeTutorial.
  void Start(int32_t level) override;
  void Stop() override;
  void Update() override;
  void ApplyRule(int32_t event) override;
  // True without a table; false while the lock is set; else unless the item is barred.
  bool IsItemAllowed(const std::string& name) override;
  void ShowBonusHint(int32_t type) override;
  int32_t NextForcedBonus() override;
  void Skip() override;

  // No table; the mini-game lets go of its row; the skip dialog is hidden.
  void Finish();

  // What the rule callbacks do (see the functions below).
  void RestartRushTimer();
  void BeginFadeOut();
  void BeginFadeIn();
  void ResetScene();

  bool IsRunning() const { return mTable != nullptr; }
  const TutorialTable* GetTable() const { return mTable; }
  int32_t GetRuleIndex() const { return mRuleIndex; }
  const std::set<int32_t>& GetBlocked() const { return mBlocked; }
  const std::set<std::string>& GetBarredItems() const { return mBarred; }
  bool IsFadingOut() const { return mFadeOut; }
  bool IsFadingIn() const { return mFadeIn; }

 private:
  // Forgets the table, the indices, the sets, the queue and the fades.
  void Reset();
  void Begin(const TutorialTable& table);
  bool Matches(const TutorialRule& rule, int32_t event) const;
  // One event against the current rule; true when a rule was applied.
  void ApplyOne(int32_t event);
  void Apply(const TutorialRule& rule);
  void SetWidget(const std::string& name, bool visible);
  // Warns once per name about the items a table names that the level lacks.
  static void CheckItems(const TutorialTable& table);

  // Kept for a later use: nothing sets it.
  bool mLock = false;
  bool mFadeOut = false;
  bool mFadeIn = false;
  float mFadeTime = 0;
  const TutorialTable* mTable = nullptr;
  int32_t mRuleIndex = 0;
  int32_t mForcedIndex = 0;
  GameClock mRuleClock;
  std::set<int32_t> mBlocked;
  std::set<std::string> mBarred;
  // The widgets the running table shows now (hidden when a bonus hint replaces it).
  std::set<std::string> mShown;
  // Events reported while a rule is being applied, applied in order after it.
  bool mApplying = false;
  std::deque<int32_t> mPending;
};

// The game's one tutorial manager (the café board's default tutorial and event gate).
TutorialManager& GetTutorialManager();

// The rule callbacks; each acts on the manager applying the rule (the game's one otherwise).
void TutorialRestartRushTimer();
void TutorialBeginFadeOut();
void TutorialBeginFadeIn();
void TutorialResetScene();
