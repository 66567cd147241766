#pragma once
#include <cstdint>
#include <string>
#include <vector>

class ScheduleEvent;
class XmlNode;
class ZCItem;

// The café board's calls into its neighbours: the head-up display, the tutorial, the mini-game,
// the goals and rush bonus, the actors and the screens. Each default keeps play going when
// nothing else is installed (the game installs the real ones; tests install recording
// doubles). Gates are not asked here: the board world's IsEventAllowed answers them.

// The head-up display.
class CafeHud {
 public:
  virtual ~CafeHud() = default;
  virtual void Show() {}
  virtual void Hide() {}
  virtual void OnLevelStart(bool /*survival*/) {}
  virtual void OnLevelStopped() {}
  virtual void OnGoalReached() {}
  virtual void OnExpertReached() {}
  virtual void SetLives(int32_t) {}
  virtual void SetUpgradeButton(bool) {}
  virtual void HideSkipTutorial() {}
  // The tutorial's widgets: the skip dialog shown, a hint shown or hidden by name, every hint
  // hidden, and the veil of the scene's reset ("tutor_reset_widget") shown at an alpha or hidden.
  virtual void ShowSkipTutorial() {}
  virtual void SetTutorialWidgetVisible(const std::string& /*name*/, bool /*visible*/) {}
  virtual void HideTutorialWidgets() {}
  virtual void SetTutorResetWidget(bool /*visible*/, float /*alpha*/) {}
  // Brings the splash ("success_splash", "fail_splash", "surv_end_splash") to the front and
  // shows it with its children.
  virtual void ShowSplash(const std::string&) {}
  // The bonuses' widgets: the three smiles restarted, the global clean, the freeze for a time.
  virtual void RestartSmiles() {}
  virtual void ShowGlobalClean() {}
  virtual void ShowFreeze(float) {}
  // The task icons show the counts again (a task counted down).
  virtual void RefreshAchievementIcons() {}
};

// The tutorial manager: its per-level run and the game events reported to it.
class CafeTutorial {
 public:
  virtual ~CafeTutorial() = default;
  virtual void Start(int32_t /*level*/) {}
  virtual void Stop() {}
  virtual void Update() {}
  virtual void ApplyRule(int32_t /*event*/) {}
  virtual bool IsItemAllowed(const std::string&) { return true; }
  // The hint of a mini-game bonus used for the first time.
  virtual void ShowBonusHint(int32_t /*type*/) {}
  // The next bonus kind the running table prescribes (advancing), or -1.
  virtual int32_t NextForcedBonus() { return -1; }
  // The head-up display's "skip" button.
  virtual void Skip() {}
};

// The mini-game beside the café.
class CafeMiniGame {
 public:
  virtual ~CafeMiniGame() = default;
  // Its part of the level node ("partparams"), on the loading thread.
  virtual void ReadLevel(const XmlNode&) {}
  virtual void ResetLevel() {}
  // A token of the kind enters the row (at its front or its end), clickable or not; a token of
  // the mini-game's own choice enters at the end.
  virtual void AddToken(int32_t /*kind*/, bool /*enabled*/, bool /*atFront*/) {}
  virtual void AddRandomToken() {}
  // The tutorial's hands on the row: the n-th token (counted from 1) or every token becomes
  // clickable; enabling every token is also how the tutorial lets go of the row.
  virtual void EnableToken(int32_t /*n*/) {}
  virtual void EnableAllTokens() {}
};

// The level's task counters (achievements) and the rush bonus.
class CafeGoals {
 public:
  virtual ~CafeGoals() = default;
  virtual void LoadRushConfig(const XmlNode& /*root*/) {}
  // The level's "override_rush_timeout", on the loading thread; restored when the level clears.
  virtual void OverrideRushTimeout(const XmlNode& /*level*/) {}
  virtual void RestoreRushTimeout() {}
  // "achparams" of the level node, on the loading thread (career).
  virtual void LoadAchievements(const XmlNode&) {}
  // A survival level: no tasks.
  virtual void ClearAchievements() {}
  virtual void ResetAchievements() {}
  virtual void ResetRush() {}
  virtual void UpdateRush() {}
  // One quick service more in the rush chain.
  virtual void CountRush() {}
  // The rush chain's timer starts again from 0 (the tutorial gives the player time).
  virtual void RestartRushTimer() {}
  // A visitor ran out of patience: the no-visitor-lost achievement is gone for the level.
  virtual void ClearNoVisitorLost() {}
  // A workplace broke down: the no-breakdown achievement is gone for the level.
  virtual void ClearNoBreakdown() {}
};

// The café's actors: visitors, workers and the heroine. The defaults are the café's own
// (ZCClient.h for visitors); tests put doubles in their place.
class CafeActors {
 public:
  virtual ~CafeActors() = default;
  // A standing visitor ("client") or a seated group ("family") takes the event from its order
  // position with the start patience; false when none is free.
  virtual bool SpawnStand(ScheduleEvent* event, int32_t orderPos, float patience);
  virtual bool SpawnSit(ScheduleEvent* event, int32_t orderPos, float patience);
  // The level has a visitor object of the kind (a seated group or a standing visitor).
  virtual bool HasVisitorsOfKind(bool seated);
  virtual bool AnyVisitorsPresent();
  // The worker and the visitor of a name, or null. A visitor is looked up among the café's
  // visitors first; otherwise both find the first item of that name carrying the actor
  // interface (CafeActor.h).
  virtual ZCItem* FindWorker(const std::string& name);
  virtual ZCItem* FindVisitor(const std::string& name);
  // The visitor items of the level, present or not.
  virtual std::vector<ZCItem*> GetVisitors();
  // What the status indicators read beside an actor's status interface: a worker's work left
  // (remaining time / duration while it works, else -1) and whether a visitor is a VIP; the
  // defaults ask the worker and the visitor.
  virtual float GetWorkProgress(ZCItem* worker);
  virtual bool IsVip(ZCItem* visitor);
  virtual void ChangeAllPatience(int32_t mode, float amount);
  // The mini-game's clean bonus (default: the workers of the level take it).
  virtual void ChangeAllTidiness(int32_t mode, float amount);
  // The heroine's speed bonus (default: the level's heroine starts it).
  virtual void StartSpeedBonus(float seconds);
  // The tutorial's reset of the scene: the heroine stands at the point with no targets, idle; a
  // worker goes idle with its tidiness raised by 100 and no product; a visitor has no product
  // and its orders start again from the first. A name the level lacks is logged.
  virtual void ResetHeroine(const std::string& point);
  virtual void ResetWorker(const std::string& name);
  virtual void ResetVisitor(const std::string& name);
};

// One dialog of the board: briefing, debriefings, escape menu, upgrade shop, cut-scene widget.
// Showing one that pauses play pauses the board; hiding it resumes. The default is never shown.
class CafeDialog {
 public:
  virtual ~CafeDialog() = default;
  virtual void Show() {}
  virtual void Hide() {}
  virtual bool IsVisible() const { return false; }
};

// The screens the board hands the level's end to.
class CafeScreens {
 public:
  virtual ~CafeScreens() = default;
  // A message box of the text id (the default shows none).
  virtual void ShowMessageBox(const std::string&) {}
  // The career book takes the level's result (0 expert, 1 goal, 2 below the goal, 3 a lost
  // VIP). The default plays the level again.
  virtual void SetCareerResult(int32_t money, int32_t result, int32_t level);
  // A survival level is over: the board is hidden; the high scores show when the money took a
  // place, else the survival board. The default plays the level again.
  virtual void ShowSurvivalEnd(bool highScore);
};

// The cut-scene widget: plays a named scene over the board; when it ends, the board's level
// music starts. The default has no scenes: the music starts at once.
class CafeComix : public CafeDialog {
 public:
  virtual void Play(const std::string& name);
  // A finish scene played from a debriefing's replay plays the same level again when it ends.
  virtual void SetReplay(bool) {}
};
