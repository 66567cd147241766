#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class EventSchedule;
class XmlNode;

// One arriving visitor or group. The schedule that made an event owns it; the visitors that
// hold it count their holds with AddRef and Release. An event that nobody holds and that no
// queue waits on goes back to its schedule's free list for reuse. An event still held when its
// schedule is cleared is handed to its holders: the last Release deletes it.
class ScheduleEvent {
 public:
  void AddRef() { ++mReferences; }
  // One holder less; at none the event goes back to its schedule (or is deleted when the
  // schedule has let it go).
  void Release();
  // Time 0, not a VIP, no type, persons or orders.
  void Clear();

  int32_t mReferences = 0;
  float mTime = 0;
  std::string mType;
  std::string mPersons[4];
  std::vector<std::string> mOrders;
  bool mVip = false;

 private:
  friend class EventSchedule;
  EventSchedule* mOwner = nullptr;
};

// Endless levels: one weighted order among those of an order list.
struct OrderChoice {
  float mProb = 0;
  std::string mName;
};

// Endless levels: a list of orders of which one is drawn.
struct OrderList {
  float mProb = 0;
  float mTotal = 0;  // sum of the orders' prob
  std::vector<OrderChoice> mOrders;
};

// Endless levels: the stand or the sit section of an order template.
struct OrderSection {
  float mProb = 0;
  float mTotal = 0;  // sum of the order lists' prob
  std::vector<OrderList> mLists;
};

// Endless levels: what a visitor type orders.
struct OrderTemplate {
  std::string mName;
  OrderSection mStand;
  OrderSection mSit;
};

// Endless levels: one kind of visitor a stage sends, with its weight.
struct VisitorType {
  float mProb = 0;
  std::string mType;
  std::string mPersons[4];
  float mTimeMin = 0;
  float mTimeMax = 0;
  const OrderTemplate* mTemplate = nullptr;  // in the schedule's templates; null: no orders
};

// Endless levels: a money goal and the visitor types sent until it is reached.
struct Stage {
  int32_t mPoints = 0;
  float mWeights[2] = {0, 0};  // sums of the visitor types' prob, per queue
  float mTotalWeight = 0;
  std::vector<VisitorType> mTypes[2];
};

// When which visitors arrive. Queue 0 holds standing visitors ("client"), queue 1 seated groups
// ("family"). A career level lists its events with their times; an endless level keeps one
// pending event per queue, drawn from the current stage by weight, while its money goals rise.
// The board advances the clock every game step, takes due events and pops them when a visitor
// was placed.
class EventSchedule {
 public:
  static constexpr int32_t kQueues = 2;
  enum Mode : int32_t { kNone = 0, kCareer = 1, kEndless = 2 };
  // The board's callback for endless spawning: non-zero when the queue's event was taken.
  using SpawnCallback = int32_t (*)(int32_t queue);
  // A float between a and b, both included (RandomFloat unless a test puts a double in).
  using RandomSource = float (*)(float a, float b);

  EventSchedule() = default;
  ~EventSchedule();
  EventSchedule(const EventSchedule&) = delete;
  EventSchedule& operator=(const EventSchedule&) = delete;

  // The latest time, in seconds of the level's clock, that an arrival may be set for: a later
  // one (or one before the start) takes the nearest of the two, so every queue runs out.
  static constexpr float kMaxArrivalTime = 600.0f;
  // The most money a goal or a stage's points may ask for.
  static constexpr int32_t kMaxGoalMoney = 10000000;
  // The highest number a stage may carry.
  static constexpr int32_t kMaxStageNumber = 10000;

  void SetMode(int32_t mode) { mMode = mode; }
  // The level file read, named in warnings.
  void SetFileName(const std::string& name) { mFileName = name; }
  int32_t GetMode() const { return mMode; }
  // Reads the level's events (career) or its templates and stages (endless), by the mode.
  void Load(const XmlNode& level);
  void LoadEventsQueue(const XmlNode& level);
  void LoadEndless(const XmlNode& level);
  // Level start: the free events are deleted, the clock, cursors, counts and stages go back to
  // the start.
  void Reset();
  // Forgets the level's events, stages and templates.
  void Clear();
  // Advances the clock by the game step while the tutorial allows arrivals; false otherwise.
  bool Tick();
  float GetClock() const { return mClock; }

  // The event at the queue's cursor when it is due, else null.
  ScheduleEvent* NextDueEvent(int32_t queue) const;
  bool IsQueueAtEnd(int32_t queue) const;
  // Both career queues are at their end; an endless schedule never is done.
  bool AllQueuesDone() const;
  // The queue's event was placed. Career: the cursor moves on. Endless: the next event of the
  // queue is drawn.
  void Pop(int32_t queue);
  // Endless spawning: one queue drawn by the stage's weights (and, for count 2 or more, the
  // other too) is spawned through the callback or, without one, by Pop.
  void SpawnRandom(int32_t count, SpawnCallback callback);

  // Endless levels: leaves out the visitor types the predicate refuses (their weights with them);
  // the number left out.
  size_t RemoveVisitorTypes(const std::function<bool(const VisitorType&)>& refuse);
  // Leaves out the orders the predicate refuses: from the events in the queues and from the
  // endless templates' lists (their weights with them). A career event yet to come that is left
  // with no order is dropped, with a warning. The number of orders left out.
  size_t RemoveOrders(const std::function<bool(const std::string&)>& refuse);
  // Endless levels: the stage (0-based) can send a visitor: it lists a type with a probability
  // above 0. A stage past the last is the last one, where the game stays.
  bool StageSendsVisitors(size_t stage) const;

  // Endless levels: the next stage's goal; after the last stage the goals go on in equal steps.
  void AdvanceStage();
  int32_t GetStageGoal() const { return mCurrentGoal; }
  int32_t GetPreviousGoal() const { return mPreviousGoal; }
  // Career levels: served events / all events, 0 when there are none.
  float GetProgress() const;

  // The first free event, taken out of the free list, or null.
  ScheduleEvent* TakePooledEvent();
  size_t PoolSize() const { return mPool.size(); }
  // Events this schedule owns (queued, held or free).
  size_t EventCount() const { return mEvents.size(); }

  size_t QueueSize(int32_t queue) const { return ValidQueue(queue) ? mQueues[queue].size() : 0; }
  // The queue's events (career: all of them, served or not; endless: the pending one).
  const std::vector<ScheduleEvent*>& GetQueue(int32_t queue) const { return mQueues[ValidQueue(queue) ? queue : 0]; }
  const std::vector<Stage>& GetStages() const { return mStages; }
  size_t GetCurrentStage() const { return mCurrentStage; }
  const OrderTemplate* FindTemplate(const std::string& name) const;

  // Draws go through RandomFloat; tests may put another source in (null puts it back).
  static void SetRandomSource(RandomSource source);

 private:
  friend class ScheduleEvent;
  bool ValidQueue(int32_t queue) const { return queue >= 0 && queue < kQueues; }
  // Called by an event when its last holder lets it go.
  void OnEventReleased(ScheduleEvent* event);
  bool IsQueued(const ScheduleEvent* event) const;
  void ToPool(ScheduleEvent* event);
  ScheduleEvent* MakeEvent();
  // Frees an owned event; held events are handed to their holders.
  void Discard(ScheduleEvent* event);
  // Draws the next event of an endless queue from the current stage.
  void DrawEvent(int32_t queue);
  void AddOrders(const OrderTemplate& tmpl, ScheduleEvent& event);
  void AddSectionOrders(const OrderSection& section, ScheduleEvent& event);
  // The first stage's goal, or 0 without stages.
  void ResetGoals();

  int32_t mMode = kNone;
  std::string mFileName = "the level";
  std::vector<ScheduleEvent*> mQueues[kQueues];
  size_t mCursors[kQueues] = {0, 0};
  int32_t mServed[kQueues] = {0, 0};
  float mClock = 0;
  std::vector<Stage> mStages;
  size_t mCurrentStage = 0;
  int32_t mPreviousGoal = 0;
  int32_t mCurrentGoal = 0;
  std::map<std::string, OrderTemplate> mTemplates;  // nodes stay put: visitor types point in
  // Every event this schedule made and still owns.
  std::vector<std::unique_ptr<ScheduleEvent>> mEvents;
  // Owned events that nothing holds or waits on, ready for reuse.
  std::vector<ScheduleEvent*> mPool;
};

// The elements at path below the level node, or, when there are none, below "events_queue"
// (where stages and templates may stand).
std::vector<XmlNode> SelectLevelOrQueue(const XmlNode& level, const std::wstring& path);

// Weighted choice: r is a draw between 0 and the sum of the weights; the first entry whose
// weight exceeds what is left of r is chosen. A draw that passes every entry (r equal to the sum)
// takes the last entry of positive weight, or the last entry when none has any. -1 for no
// entries.
int32_t ChooseWeighted(const std::vector<float>& weights, float r);
