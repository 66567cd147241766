#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class XmlNode;

// One arriving visitor or group. Events are pooled and counted: the visitor that holds one
// releases it, and a released event goes back to the pool.
class ScheduleEvent {
 public:
  void AddRef() { ++mReferences; }
  // One holder less; at none the event is cleared and returned to the pool.
  void Release();
  void Clear();

  int32_t mReferences = 0;
  float mTime = 0;
  std::string mType;
  std::string mPersons[4];
  std::vector<std::string> mOrders;
  bool mVip = false;
};

// When which visitors arrive. Queue 0 holds standing visitors ("client"), queue 1 seated groups
// ("family"). The board advances the clock every game step, takes due events and pops them when
// a visitor was placed.
class EventSchedule {
 public:
  static constexpr int32_t kQueues = 2;
  enum Mode : int32_t { kNone = 0, kCareer = 1, kEndless = 2 };
  // The board's callback for endless spawning: non-zero when the queue's event was taken.
  using SpawnCallback = int32_t (*)(int32_t queue);

  EventSchedule() = default;
  ~EventSchedule();
  EventSchedule(const EventSchedule&) = delete;
  EventSchedule& operator=(const EventSchedule&) = delete;

  void SetMode(int32_t mode) { mMode = mode; }
  int32_t GetMode() const { return mMode; }
  // Reads the level's events. This schedule reads none yet.
  void Load(const XmlNode& level);
  // Level start: the pooled free events are deleted, the clock, cursors and counts go back to
  // the start.
  void Reset();
  // Forgets the level's events and stages.
  void Clear();
  // Advances the clock by the frame step while the tutorial allows arrivals; false otherwise.
  bool Tick();
  float GetClock() const { return mClock; }

  // The event at the queue's cursor when it is due, else null.
  ScheduleEvent* NextDueEvent(int32_t queue) const;
  bool IsQueueAtEnd(int32_t queue) const;
  // Both queues are at their end. This schedule holds no events and never reports itself done:
  // a level runs until it is stopped.
  bool AllQueuesDone() const;
  // The queue's event was placed: the cursor moves on.
  void Pop(int32_t queue);
  // Endless spawning of count queues, through the callback or, without one, by Pop.
  void SpawnRandom(int32_t count, SpawnCallback callback);

  // Endless levels: the next stage's goal; after the last stage the goals go on in equal steps.
  void AdvanceStage();
  int32_t GetStageGoal() const { return mCurrentGoal; }
  // Career levels: served events / all events, 0 when there are none.
  float GetProgress() const;

  // The first free pooled event, taken out of the pool, or null.
  static ScheduleEvent* TakePooledEvent();
  static void ReturnToPool(ScheduleEvent* event);
  static size_t PoolSize();

 private:
  bool ValidQueue(int32_t queue) const { return queue >= 0 && queue < kQueues; }

  int32_t mMode = kNone;
  std::vector<ScheduleEvent*> mQueues[kQueues];
  size_t mCursors[kQueues] = {0, 0};
  int32_t mServed[kQueues] = {0, 0};
  float mClock = 0;
  std::vector<int32_t> mStageGoals;
  size_t mCurrentStage = 0;
  int32_t mPreviousGoal = 0;
  int32_t mCurrentGoal = 0;
};
