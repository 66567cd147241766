#include "board/EventSchedule.h"

#include <algorithm>
#include <limits>

#include "board/BoardWorld.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

namespace {
// Arrivals are event 7 of the tutorial's gate.
constexpr int32_t kArrivalEvent = 7;
// Names and types are cut to 127 characters.
constexpr size_t kNameSize = 128;
const wchar_t* const kPersonAttributes[4] = {L"person1", L"person2", L"person3", L"person4"};

EventSchedule::RandomSource gRandom = &RandomFloat;

float Draw(float a, float b) { return gRandom(a, b); }

std::string ReadName(const XmlNode& node, const wchar_t* name) {
  char buf[kNameSize] = {};
  if (!GetAttrString(node, name, buf, sizeof buf)) return std::string();
  return buf;
}

void ReadPersons(const XmlNode& node, std::string (&persons)[4]) {
  for (int i = 0; i < 4; ++i) persons[i] = ReadName(node, kPersonAttributes[i]);
}

// A weight: absent or no number is 0; one outside [0, kMaxProb] takes the nearest bound, with a
// warning, so that the sums of a stage or list stay finite.
constexpr float kMaxProb = 1e6f;
float ReadProb(const XmlNode& node, const std::string& file) {
  float prob = 0;
  GetClampedFloat(node, file.c_str(), L"prob", prob, 0.0f, kMaxProb);
  return prob;
}

// Queue 0 takes standing visitors, queue 1 seated groups; -1 for any other type.
int32_t QueueOfType(const std::string& type) {
  if (type == "client") return 0;
  if (type == "family") return 1;
  return -1;
}

// An order names a product by its code, four digits ("0400"), or is "super"; anything else no
// visitor could ever be served with.
bool IsProductCode(const std::string& order) {
  if (order == "super") return true;
  if (order.size() != 4) return false;
  for (char c : order)
    if (c < '0' || c > '9') return false;
  return true;
}

// The order's name when it is a product code; else empty, with a warning.
std::string ReadOrder(const XmlNode& node, const std::string& file) {
  const std::string order = ReadName(node, L"name");
  if (order.empty()) {
    LogMessage("WARNING: %s: order without a name left out", file.c_str());
    return order;
  }
  if (IsProductCode(order)) return NormalizePairKey(order, false);
  LogMessage("WARNING: %s: <%s> name=\"%s\" is no product code; order left out", file.c_str(),
             WideToUtf8(node.nodeName()).c_str(), order.c_str());
  return std::string();
}

OrderSection ReadSection(const XmlNode& node, const std::string& file) {
  OrderSection section;
  if (!node) return section;
  section.mProb = ReadProb(node, file);
  for (const XmlNode& listNode : node.selectNodes(L"order_list")) {
    OrderList list;
    list.mProb = ReadProb(listNode, file);
    for (const XmlNode& orderNode : listNode.selectNodes(L"order")) {
      OrderChoice choice;
      choice.mName = ReadOrder(orderNode, file);
      if (choice.mName.empty()) continue;
      choice.mProb = ReadProb(orderNode, file);
      list.mTotal += choice.mProb;
      list.mOrders.push_back(std::move(choice));
    }
    section.mTotal += list.mProb;
    section.mLists.push_back(std::move(list));
  }
  return section;
}
}  // namespace

std::vector<XmlNode> SelectLevelOrQueue(const XmlNode& level, const std::wstring& path) {
  std::vector<XmlNode> nodes = level.selectNodes(path);
  if (nodes.empty()) nodes = level.selectNodes(L"events_queue/" + path);
  return nodes;
}

int32_t ChooseWeighted(const std::vector<float>& weights, float r) {
  if (weights.empty()) return -1;
  for (size_t i = 0; i < weights.size(); ++i) {
    if (r < weights[i]) return int32_t(i);
    r -= weights[i];
  }
  // The draw passed every entry: it equalled the sum, or every weight is 0.
  for (size_t i = weights.size(); i-- > 0;)
    if (weights[i] > 0) return int32_t(i);
  return int32_t(weights.size() - 1);
}

void ScheduleEvent::Release() {
  if (--mReferences > 0) return;
  mReferences = 0;
  if (mOwner)
    mOwner->OnEventReleased(this);
  else
    delete this;  // its schedule let it go while it was held
}

void ScheduleEvent::Clear() {
  mTime = 0;
  mVip = false;
  mType.clear();
  for (auto& person : mPersons) person.clear();
  mOrders.clear();
}

EventSchedule::~EventSchedule() { Clear(); }

void EventSchedule::SetRandomSource(RandomSource source) { gRandom = source ? source : &RandomFloat; }

void EventSchedule::Load(const XmlNode& level) {
  if (mMode == kCareer)
    LoadEventsQueue(level);
  else if (mMode == kEndless)
    LoadEndless(level);
}

void EventSchedule::LoadEventsQueue(const XmlNode& level) {
  mMode = kCareer;
  const XmlNode queueNode = level.selectSingleNode(L"events_queue");
  if (!queueNode) return;
  for (const XmlNode& point : queueNode.selectNodes(L"time_point")) {
    const std::string type = ReadName(point, L"type");
    const int32_t queue = QueueOfType(type);
    if (queue < 0) {
      LogMessage("WARNING: Event of unknown type '%s' dropped", type.c_str());
      continue;
    }
    ScheduleEvent* event = MakeEvent();
    event->mType = type;
    GetClampedFloat(point, mFileName.c_str(), L"time", event->mTime, 0.0f, kMaxArrivalTime);
    int32_t vip = 0;
    GetClampedInt(point, mFileName.c_str(), L"isVip", vip, 0, 1);
    event->mVip = vip != 0;
    ReadPersons(point, event->mPersons);
    for (const XmlNode& param : point.selectNodes(L"param")) {
      const std::string order = ReadOrder(param, mFileName);
      if (!order.empty()) event->mOrders.push_back(order);
    }
    mQueues[queue].push_back(event);
  }
}

void EventSchedule::LoadEndless(const XmlNode& level) {
  mMode = kEndless;
  for (const XmlNode& node : SelectLevelOrQueue(level, L"templates/order_template")) {
    const std::string name = ReadName(node, L"name");
    if (mTemplates.count(name)) continue;  // a repeated name keeps the first
    OrderTemplate& tmpl = mTemplates[name];
    tmpl.mName = name;
    tmpl.mStand = ReadSection(node.selectSingleNode(L"stand"), mFileName);
    tmpl.mSit = ReadSection(node.selectSingleNode(L"sit"), mFileName);
  }

  for (const XmlNode& node : SelectLevelOrQueue(level, L"stages/stage")) {
    Stage stage;
    GetClampedInt(node, mFileName.c_str(), L"points", stage.mPoints, 0, kMaxGoalMoney);
    if (!mStages.empty() && stage.mPoints <= mStages.back().mPoints)
      LogMessage("WARNING: Stage %d points %d do not rise above %d", int(mStages.size() + 1), stage.mPoints,
                 mStages.back().mPoints);
    for (const XmlNode& typeNode : node.selectNodes(L"time_point_template")) {
      VisitorType visitor;
      visitor.mType = ReadName(typeNode, L"type");
      const int32_t queue = QueueOfType(visitor.mType);
      if (queue < 0) {
        LogMessage("WARNING: Visitor type '%s' unknown, left out", visitor.mType.c_str());
        continue;
      }
      ReadPersons(typeNode, visitor.mPersons);
      if (visitor.mPersons[0].empty()) LogMessage("WARNING: Client skin not defined!");
      visitor.mProb = ReadProb(typeNode, mFileName);
      if (!(visitor.mProb > 0))
        LogMessage("WARNING: %s: <time_point_template> type=\"%s\" person1=\"%s\" prob=\"0\": never drawn",
                   mFileName.c_str(), visitor.mType.c_str(), visitor.mPersons[0].c_str());
      GetClampedFloat(typeNode, mFileName.c_str(), L"time_min", visitor.mTimeMin, 0.0f, kMaxArrivalTime);
      GetClampedFloat(typeNode, mFileName.c_str(), L"time_max", visitor.mTimeMax, 0.0f, kMaxArrivalTime);
      const std::string tmplName = ReadName(typeNode, L"order_template");
      if (!tmplName.empty()) {
        visitor.mTemplate = FindTemplate(tmplName);
        if (!visitor.mTemplate) LogMessage("WARNING: Order template '%s' not found", tmplName.c_str());
      }
      stage.mWeights[queue] += visitor.mProb;
      stage.mTypes[queue].push_back(std::move(visitor));
    }
    stage.mTotalWeight = stage.mWeights[0] + stage.mWeights[1];
    mStages.push_back(std::move(stage));
  }
  if (mStages.empty()) LogMessage("WARNING: Endless level without stages");

  mCurrentStage = 0;
  SpawnRandom(2, nullptr);
  ResetGoals();
}

size_t EventSchedule::RemoveVisitorTypes(const std::function<bool(const VisitorType&)>& refuse) {
  size_t removed = 0;
  for (Stage& stage : mStages) {
    for (int32_t queue = 0; queue < kQueues; ++queue) {
      std::vector<VisitorType>& types = stage.mTypes[queue];
      removed += std::erase_if(types, refuse);
      stage.mWeights[queue] = 0;
      for (const VisitorType& type : types) stage.mWeights[queue] += type.mProb;
    }
    stage.mTotalWeight = stage.mWeights[0] + stage.mWeights[1];
  }
  return removed;
}

size_t EventSchedule::RemoveOrders(const std::function<bool(const std::string&)>& refuse) {
  size_t removed = 0;
  for (int32_t q = 0; q < kQueues; ++q) {
    std::vector<ScheduleEvent*>& queue = mQueues[q];
    for (size_t i = 0; i < queue.size();) {
      ScheduleEvent* event = queue[i];
      const bool ordered = !event->mOrders.empty();
      removed += std::erase_if(event->mOrders, refuse);
      // A career visitor with no order, given none or every one left out, could never be served
      // (a VIP would fail the day): the event is dropped, as long as it has not come yet.
      if (mMode == kCareer && event->mOrders.empty() && i >= mCursors[q]) {
        LogMessage("WARNING: %s: <time_point> time=\"%g\" type=\"%s\" person1=\"%s\" has no order%s; dropped",
                   mFileName.c_str(), double(event->mTime), event->mType.c_str(), event->mPersons[0].c_str(),
                   ordered ? " left" : "");
        queue.erase(queue.begin() + std::ptrdiff_t(i));
        if (event->mReferences <= 0) ToPool(event);
        continue;
      }
      ++i;
    }
  }
  for (auto& [name, tmpl] : mTemplates) {
    for (OrderSection* section : {&tmpl.mStand, &tmpl.mSit}) {
      for (OrderList& list : section->mLists) {
        removed += std::erase_if(list.mOrders, [&](const OrderChoice& choice) { return refuse(choice.mName); });
        list.mTotal = 0;
        for (const OrderChoice& choice : list.mOrders) list.mTotal += choice.mProb;
      }
    }
  }
  return removed;
}

bool EventSchedule::StageSendsVisitors(size_t stage) const {
  if (mStages.empty()) return false;
  return mStages[std::min(stage, mStages.size() - 1)].mTotalWeight > 0;
}

void EventSchedule::ResetGoals() {
  mPreviousGoal = 0;
  mCurrentGoal = mStages.empty() ? 0 : mStages.front().mPoints;
}

void EventSchedule::Reset() {
  for (ScheduleEvent* event : mPool) Discard(event);
  mPool.clear();
  mClock = 0;
  for (int32_t q = 0; q < kQueues; ++q) {
    mCursors[q] = 0;
    mServed[q] = 0;
  }
  mCurrentStage = 0;
  if (mMode == kEndless) ResetGoals();
}

void EventSchedule::Clear() {
  for (auto& queue : mQueues) queue.clear();
  mPool.clear();
  // Events still held by visitors outlive the schedule; their last Release deletes them.
  for (auto& event : mEvents) {
    event->mOwner = nullptr;
    if (event->mReferences > 0) (void)event.release();
  }
  mEvents.clear();
  mStages.clear();
  mTemplates.clear();
  mPreviousGoal = 0;
  mCurrentGoal = 0;
  Reset();
}

bool EventSchedule::Tick() {
  if (!IsEventAllowed(kArrivalEvent)) return false;
  mClock += GetGameStep();
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

bool EventSchedule::AllQueuesDone() const {
  if (mMode == kEndless) return false;
  return IsQueueAtEnd(0) && IsQueueAtEnd(1);
}

void EventSchedule::Pop(int32_t queue) {
  if (!ValidQueue(queue)) return;
  if (mMode != kEndless) {
    if (IsQueueAtEnd(queue)) return;
    ++mCursors[queue];
    ++mServed[queue];
    return;
  }
  // The pending event leaves the queue; its visitor keeps its hold, and with none it is free.
  for (ScheduleEvent* event : mQueues[queue]) {
    if (event->mReferences <= 0) ToPool(event);
  }
  mQueues[queue].clear();
  mCursors[queue] = 0;
  DrawEvent(queue);
}

void EventSchedule::DrawEvent(int32_t queue) {
  if (mCurrentStage >= mStages.size()) return;
  const Stage& stage = mStages[mCurrentStage];
  const std::vector<VisitorType>& types = stage.mTypes[queue];
  if (types.empty()) return;  // this stage sends nobody to the queue

  std::vector<float> weights;
  weights.reserve(types.size());
  for (const VisitorType& type : types) weights.push_back(type.mProb);
  const VisitorType& type = types[size_t(ChooseWeighted(weights, Draw(0, stage.mWeights[queue])))];

  ScheduleEvent* event = TakePooledEvent();
  if (!event) event = MakeEvent();
  event->Clear();
  event->mType = type.mType;
  for (int i = 0; i < 4; ++i) event->mPersons[i] = type.mPersons[i];
  event->mTime = Draw(type.mTimeMin, type.mTimeMax);
  if (type.mTemplate) AddOrders(*type.mTemplate, *event);
  event->mTime += mClock;
  mQueues[queue].push_back(event);
  mCursors[queue] = mQueues[queue].size() - 1;
}

void EventSchedule::AddOrders(const OrderTemplate& tmpl, ScheduleEvent& event) {
  const bool sit = Draw(0, tmpl.mStand.mProb + tmpl.mSit.mProb) > tmpl.mStand.mProb;
  AddSectionOrders(tmpl.mStand, event);
  if (sit) AddSectionOrders(tmpl.mSit, event);
}

// The draw decides how many lists, from the front, give one order each.
void EventSchedule::AddSectionOrders(const OrderSection& section, ScheduleEvent& event) {
  float r = Draw(0, section.mTotal);
  for (const OrderList& list : section.mLists) {
    if (!(r > 0)) break;
    std::vector<float> weights;
    weights.reserve(list.mOrders.size());
    for (const OrderChoice& order : list.mOrders) weights.push_back(order.mProb);
    const int32_t chosen = ChooseWeighted(weights, Draw(0, list.mTotal));
    if (chosen >= 0) event.mOrders.push_back(NormalizePairKey(list.mOrders[size_t(chosen)].mName, false));
    r -= list.mProb;
  }
}

void EventSchedule::SpawnRandom(int32_t count, SpawnCallback callback) {
  if (mCurrentStage >= mStages.size() || count <= 0) return;
  const Stage& stage = mStages[mCurrentStage];
  const float r = Draw(0, stage.mTotalWeight);
  // A developer trace of every step: kept out of the log history outside developer mode, where
  // it would push every other line out.
  if (DevMode::IsOn()) LogMessage("Event_rand = %f", double(r));
  const int32_t chosen = ChooseWeighted({stage.mWeights[0], stage.mWeights[1]}, r);
  auto spawn = [&](int32_t queue) {
    if (callback)
      callback(queue);
    else
      Pop(queue);
  };
  spawn(chosen);
  if (count >= 2) spawn(1 - chosen);
}

void EventSchedule::AdvanceStage() {
  if (mCurrentStage + 1 < mStages.size()) {
    ++mCurrentStage;
    mPreviousGoal = mCurrentGoal;
    mCurrentGoal = mStages[mCurrentStage].mPoints;
    // A queue the stage before left empty gets its first event from the new stage.
    if (mMode == kEndless)
      for (int32_t q = 0; q < kQueues; ++q)
        if (mQueues[q].empty()) DrawEvent(q);
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

const OrderTemplate* EventSchedule::FindTemplate(const std::string& name) const {
  auto it = mTemplates.find(name);
  return it == mTemplates.end() ? nullptr : &it->second;
}

ScheduleEvent* EventSchedule::TakePooledEvent() {
  if (mPool.empty()) return nullptr;
  ScheduleEvent* event = mPool.front();
  mPool.erase(mPool.begin());
  return event;
}

ScheduleEvent* EventSchedule::MakeEvent() {
  mEvents.push_back(std::make_unique<ScheduleEvent>());
  mEvents.back()->mOwner = this;
  return mEvents.back().get();
}

void EventSchedule::OnEventReleased(ScheduleEvent* event) {
  // A career event stays in its queue until the level is cleared; a pending endless event is
  // still wanted.
  if (!IsQueued(event)) ToPool(event);
}

bool EventSchedule::IsQueued(const ScheduleEvent* event) const {
  for (const auto& queue : mQueues)
    if (std::find(queue.begin(), queue.end(), event) != queue.end()) return true;
  return false;
}

void EventSchedule::ToPool(ScheduleEvent* event) {
  if (std::find(mPool.begin(), mPool.end(), event) != mPool.end()) return;
  event->Clear();
  mPool.push_back(event);
}

void EventSchedule::Discard(ScheduleEvent* event) {
  auto it = std::find_if(mEvents.begin(), mEvents.end(), [&](const auto& owned) { return owned.get() == event; });
  if (it == mEvents.end()) return;
  if (event->mReferences > 0) {
    event->mOwner = nullptr;
    (void)it->release();
  }
  mEvents.erase(it);
}
