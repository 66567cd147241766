#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "board/EventSchedule.h"
#include "board/ZCItem.h"
#include "effects/GameClock.h"
#include "widgets/ZCCandyWidget.h"

class PathGraph;
class XmlNode;
class ZCPickItem;
class ZOrderResolver;
namespace Vesk {
class MemoryImage;
}

// The items one stage of an endless level brings in.
struct StageRecord {
  int32_t mNum = 0;
  std::vector<ZCItem*> mItems;  // not owned
};

// The widget on which a level is played. It owns the level's run state (running, counted pause,
// the two-second end), the money total, the endless stages and the schedule, and drives one game
// step per update. Every café rule sits behind its virtual hooks.
class ZCBoard_Game : public ZCCandyWidget {
 public:
  // Seconds of game time between the end of the schedule and the end of the level.
  static constexpr float kEndDelay = 2.0f;

  ZCBoard_Game();
  ~ZCBoard_Game() override;

  // The candy widget's update, then one game step.
  void Update() override;
  void KeyDown(int32_t) override {}
  void KeyUp(int32_t) override {}
  void MouseDrag(int32_t, int32_t) override {}
  // The widget's own handling, then hover tracking.
  void MouseMove(int32_t x, int32_t y) override;
  // A left press clicks the hovered item.
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  // The board takes the focus when it starts to show and gives it up when it starts to hide.
  void OnShowStart() override;
  void OnHideStart() override;
  void LockTextures() override {}
  void UnlockTextures() override {}
  // Draws the items in the solved order, unless SkipItemDraw.
  void Draw(Vesk::Graphics* g) override;

  // When true the items are not drawn.
  virtual bool SkipItemDraw() { return false; }
  // The level is over: both schedule queues are at their end.
  virtual bool AreQueuesDone();
  // Once, when the end of the level is detected.
  virtual void OnLevelEnding() {}
  virtual void OnLevelStarted() = 0;
  virtual void OnLevelFinished() = 0;
  virtual void OnLevelStopped() = 0;
  virtual void ReadLevelRules(const XmlNode& objectRoot, const XmlNode& level) = 0;
  virtual void OnLevelCleared() = 0;
  virtual void HandleClickedItem(ZCPickItem* item) = 0;
  virtual void OnGameStep() = 0;
  virtual void LoadGameParams(const XmlNode& root) = 0;
  virtual void ClearGameParams() = 0;
  virtual void OnMoneyChanged() = 0;
  virtual void OnStageAdvanced() = 0;
  // True when the event's visitor was placed.
  virtual bool SpawnClientFromEvent(ScheduleEvent* event) = 0;
  virtual void OnPause() = 0;
  virtual void OnResume() = 0;
  // Hands due events of the schedule to SpawnClientFromEvent.
  virtual void SpawnClients();
  // Worker thread: reads the level into the board; false (with an "ERROR: " line) when the
  // file, its "level" node, the object document or its "root" node is missing.
  virtual bool LoadLevel(int32_t level, bool endless);
  // The steps of LoadLevel once both documents are read: the previous level is cleared, then
  // the objects, their states, the draw order, the stages, the path graphs, the schedule and
  // the rules are read.
  void ReadLevelDocuments(int32_t level, bool endless, const XmlNode& levelNode, const XmlNode& objectRoot);
  // Main thread: hides the load screen and starts the level that was loaded.
  virtual void FinishLevelLoad();

  // Level loading. StartLoadingThread stops a running level and starts a worker thread on
  // LoadLevel; every update step polls PollLevelLoad on the main thread, which hands the level
  // over once the worker is done. A load asked for while one runs is ignored.
  void StartLoadingThread(int32_t level, bool endless);
  void RestartLevel();
  // True when a finished load was handed over in this call.
  bool PollLevelLoad();
  bool IsLoadingLevel() const { return mLoading.load(std::memory_order_acquire); }
  // The loading thread's work is under way: started and not yet done (its hand-over comes after).
  bool IsLevelLoadWorking() const {
    return IsLoadingLevel() && !mLoadDone.load(std::memory_order_acquire);
  }
  // Forgets the level: items, graphs, stages, schedule, the click queue and the hovered item.
  // Nothing when no level is loaded.
  void ClearLevelData();
  // Shut-down: waits for a level load still running, then frees the level, the level's released
  // images and the game parameters.
  void UnloadLevel();
  // Endless levels: a stage record per "stages/stage" of the level node (or, when it has none,
  // of its "events_queue"), with the items its "object" children name.
  void ReadStages(const XmlNode& level);
  // Reads "cfg\\cfg.xml" and hands its "root" node to LoadGameParams.
  void LoadConfig();
  // The path graph of a walker's name, or null.
  PathGraph* GetPathGraph(const std::string& owner) const;

  // Mouse handling: the pick item under the point becomes the hovered item (the later name
  // wins); a click on it queues it for the next game step.
  void UpdateHover(int32_t x, int32_t y);
  void ClickAt(const BoardPoint& point);
  void QueueClick(ZCPickItem* item);
  ZCPickItem* GetHoveredItem() const { return mHoveredItem; }
  const std::deque<ZCPickItem*>& GetClickQueue() const { return mClickQueue; }

  // The input gate: a level runs, play is not paused, the window is active, the board is
  // visible and no confirm or message box waits.
  bool AcceptsInput() const;
  // One game step; a closed gate sets the game step to 0 and does nothing else.
  void StepGame();
  // Resets the level state and starts play.
  void StartLevel();
  // Stops a running level; nothing when none runs.
  void AbortLevel();
  // Stops the level, then OnLevelFinished.
  void FinishLevel();
  // Counted pause: the first pause pauses the sound group "game", the last resume resumes it.
  void Pause();
  void Resume();
  // Adds to the money total (never below 0) and returns the new total.
  int32_t AddMoney(int32_t amount);
  // Opens the next stage of an endless level.
  void AdvanceStage();
  // 0 to 1, for the head-up display.
  float GetLevelProgress() const;
  // The endless spawner's callback: non-zero when the queue is at its end or its due event was
  // placed and popped.
  static int32_t SpawnFromEvent(int32_t queue);

  // Every shown part in the solver's order, solved again first when the order is dirty.
  void DrawItems(Vesk::Graphics* g);
  // Walkers mark the order dirty when they move; the next draw solves it again.
  void SetDrawOrderDirty() { mDrawOrderDirty = true; }
  bool IsDrawOrderDirty() const { return mDrawOrderDirty; }
  ZOrderResolver* GetZOrderResolver() const { return mZOrder.get(); }
  // Keeps an animation image released by a part until the next level has bound its own, so
  // that images both levels use are shared rather than loaded twice.
  void KeepLevelImage(std::shared_ptr<Vesk::MemoryImage> image);
  // Frees the kept images.
  void ClearImageList();
  size_t GetLevelImageCount() const { return mLevelImages.size(); }

  bool IsRunning() const { return mRunning; }
  bool IsEnding() const { return mEnding; }
  bool IsEndless() const { return mEndless; }
  int32_t GetPauseCount() const { return mPauseCount; }
  int32_t GetMoney() const { return mMoney; }
  int32_t GetLevelNumber() const { return mLevelNumber; }
  // The file of a level: "cfg\\l%03d.xml", or "cfg\\e%03d.xml" for an endless one.
  static std::string LevelFileName(int32_t level, bool endless);
  // The current level's file, named in warnings about its values.
  std::string LevelFileName() const { return LevelFileName(mLevelNumber, mEndless); }
  int32_t GetStageNumber() const { return mStageNumber; }
  bool AreStagesPending() const { return mStagesPending; }
  float GetLevelTime() const { return mLevelTime; }
  EventSchedule& GetSchedule() { return mSchedule; }
  const std::string& GetStartComix() const { return mStartComix; }
  const std::string& GetFinishComix() const { return mFinishComix; }

 protected:
  // Stops play without the finish hook (AbortLevel and FinishLevel).
  void StopRunning();
  // True when something drawn changed since the last call (a walker moved, a frame or an
  // effect advanced, a highlight changed): a hash of every part's drawn state is compared.
  bool DrawnStateChanged();
  // Hands the queue's due event to SpawnClientFromEvent and pops it when it was taken.
  bool TakeDueEvent(int32_t queue);
  // The worker thread's body.
  void LoadingThreadMain(int32_t level, bool endless);
  void JoinLoadingThread();

  std::string mStartComix;
  std::string mFinishComix;
  bool mRunning = false;
  int32_t mPauseCount = 0;
  int32_t mLevelNumber = 0;
  bool mEnding = false;
  GameClock mEndClock{true};
  float mLevelTime = 0;
  std::vector<StageRecord> mStages;
  bool mEndless = false;
  int32_t mStageNumber = 0;
  size_t mStageCursor = 0;
  bool mStagesPending = false;
  ZCPickItem* mHoveredItem = nullptr;
  std::deque<ZCPickItem*> mClickQueue;
  int32_t mMoney = 0;
  int32_t mStageBase = 0;
  EventSchedule mSchedule;
  std::map<std::string, std::unique_ptr<PathGraph>> mPathGraphs;
  std::unique_ptr<ZOrderResolver> mZOrder;
  bool mDrawOrderDirty = false;
  // The hash of the drawn state after the last game step.
  uint64_t mDrawnState = 0;
  // Images let go of by the parts of the previous level, kept until the next level has bound
  // its own. Only the loading thread touches it while a level loads.
  std::vector<std::shared_ptr<Vesk::MemoryImage>> mLevelImages;

  // The level-loading thread and its hand-over. mLoading is written by the main thread only;
  // mLoadDone by the worker when everything it built is in place (release), read by the main
  // thread (acquire) before it touches any of it.
  std::thread mLoaderThread;
  std::atomic<bool> mLoading{false};
  std::atomic<bool> mLoadDone{false};
  bool mLoadSucceeded = false;
};
