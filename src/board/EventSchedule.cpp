#include "board/EventSchedule.h"

#include <algorithm>

#include "board/BoardWorld.h"

namespace {
// Arrivals are event 7 of the tutorial's gate.
constexpr int32_t kArrivalEvent = 7;

std::vector<ScheduleEvent*>& Pool() {
  static std::vector<ScheduleEvent*> pool;
  return pool;
}
}  // namespace

void ScheduleEvent::Release() {
  if (--mReferences > 0) return;
  mReferences = 0;
  Clear();
  EventSchedule::ReturnToPool(this);
}

void ScheduleEvent::Clear() {
  mTime = 0;
  mVip = false;
  mType.clear();
  for (auto& person : mPersons) person.clear();
  mOrders.clear();
}

EventSchedule::~EventSchedule() { Clear(); }

void EventSchedule::Load(const XmlNode&) {}

void EventSchedule::Reset() {
  for (ScheduleEvent* event : Pool()) delete event;
  Pool().clear();
  mClock = 0;
  for (int32_t q = 0; q < kQueues; ++q) {
    mCursors[q] = 0;
    mServed[q] = 0;
  }
  mCurrentStage = 0;
}

void EventSchedule::Clear() {
  for (auto& queue : mQueues) {
    for (ScheduleEvent* event : queue)
      if (event->mReferences <= 0) delete event;
    queue.clear();
  }
  mStageGoals.clear();
  mPreviousGoal = 0;
  mCurrentGoal = 0;
  Reset();
}

bool EventSchedule::Tick() {
  if (!IsEventAllowed(kArrivalEvent)) return false;
  mClock += GetFrameStep();
  return true;
}

ScheduleEvent* EventSchedule::NextDueEvent(int32_t queue) const {
  if (IsQueueAtEnd(queue)) return nullptr;
  ScheduleEvent* event = mQueues[queue][mCursors[queue]];
  return event->mTime <= mClock ? event : nullptr;
}

bool EventSchedule::IsQueueAtEnd(int32_t queue) const {
  return !ValidQueue(queue) || mCursors[queue] >= mQueues[queue].size();
}

bool EventSchedule::AllQueuesDone() const { return false; }

void EventSchedule::Pop(int32_t queue) {
  if (IsQueueAtEnd(queue)) return;
  ++mCursors[queue];
  ++mServed[queue];
}

// Visitor types are drawn from the current stage; this schedule reads no stages, so nothing is
// spawned.
void EventSchedule::SpawnRandom(int32_t, SpawnCallback) {}

void EventSchedule::AdvanceStage() {
  if (mCurrentStage + 1 < mStageGoals.size()) {
    ++mCurrentStage;
    mPreviousGoal = mCurrentGoal;
    mCurrentGoal = mStageGoals[mCurrentStage];
    return;
  }
  const int32_t step = mCurrentGoal - mPreviousGoal;
  mPreviousGoal = mCurrentGoal;
  mCurrentGoal += step;
}

float EventSchedule::GetProgress() const {
  const size_t total = mQueues[0].size() + mQueues[1].size();
  if (total == 0) return 0.0f;
  return float(mServed[0] + mServed[1]) / float(total);
}

ScheduleEvent* EventSchedule::TakePooledEvent() {
  if (Pool().empty()) return nullptr;
  ScheduleEvent* event = Pool().front();
  Pool().erase(Pool().begin());
  return event;
}

void EventSchedule::ReturnToPool(ScheduleEvent* event) {
  if (event && std::find(Pool().begin(), Pool().end(), event) == Pool().end()) Pool().push_back(event);
}

size_t EventSchedule::PoolSize() { return Pool().size(); }
