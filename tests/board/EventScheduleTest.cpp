#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "board/EventSchedule.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCItem.h"
#include "board/support/BoardTestSupport.h"
#include "board/support/TestBoard.h"
#include "driver/WaitUntil.h"
#include "effects/GameClock.h"
#include "effects/ZCEffect.h"
#include "shell/Log.h"
#include "shell/Random.h"

namespace {

// A tutorial gate that refuses one event.
class RefusingGate : public EventGate {
 public:
  explicit RefusingGate(int32_t refused) : mRefused(refused) {}
  bool IsEventAllowed(int32_t event) override { return event != mRefused; }
  int32_t mRefused;
};

// What an event says, for comparing draws.
std::string Describe(const ScheduleEvent& event) {
  std::string text = event.mType + " " + std::to_string(event.mTime);
  for (const std::string& person : event.mPersons) text += " " + person;
  for (const std::string& order : event.mOrders) text += " " + order;
  return text;
}

float UpperBound(float, float b) { return b; }

// Queues handed to the endless spawner's callback.
std::vector<int32_t> gCalledQueues;
int32_t RecordQueue(int32_t queue) {
  gCalledQueues.push_back(queue);
  return 1;
}

class ScheduleTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    GameClock::ResetAll();
    SeedRandom(1234);
    gCalledQueues.clear();
  }
  void TearDown() override {
    EventSchedule::SetRandomSource(nullptr);
    mBoard.reset();
    BoardWorldTest::TearDown();
  }
  void Load(EventSchedule& schedule, int32_t mode, const std::string& fixture) {
    mLevel = LoadBoardFixture(fixture);
    ASSERT_FALSE(mLevel.IsNull());
    schedule.SetMode(mode);
    schedule.Load(mLevel);
  }
  // A board with the level's schedule (and, for an endless level, its stages) loaded, started.
  void StartBoard(int32_t mode, const std::string& fixture) {
    mBoard = std::make_unique<TestBoard>();
    mBoard->SetVisible(true);
    mBoard->mAskSchedule = true;
    mBoard->mEndless = mode == EventSchedule::kEndless;
    Load(mBoard->GetSchedule(), mode, fixture);
    if (mBoard->mEndless) mBoard->ReadStages(mLevel);
    mBoard->StartLevel();
    mBoard->mLog.clear();
  }
  // Steps the board until n events have been taken; false after max steps.
  bool StepUntilSpawned(size_t n, int max = 2000) {
    for (int i = 0; i < max && mBoard->mSpawned.size() < n; ++i) mBoard->Update();
    return mBoard->mSpawned.size() >= n;
  }

  XmlNode mLevel;
  std::unique_ptr<TestBoard> mBoard;
};

TEST_F(ScheduleTest, CareerEventsAreReadIntoTheirQueuesAndBadPointsDropped) {
  EventSchedule schedule;
  Load(schedule, EventSchedule::kCareer, "schedule_career.xml");
  // The "staff" point is dropped without being kept anywhere.
  EXPECT_TRUE(LogHistory::Contains("WARNING: Event of unknown type 'staff' dropped"));
  EXPECT_EQ(schedule.EventCount(), 5u);
  ASSERT_EQ(schedule.QueueSize(0), 3u);
  ASSERT_EQ(schedule.QueueSize(1), 2u);

  const ScheduleEvent& girl = *schedule.GetQueue(0)[0];
  EXPECT_EQ(girl.mType, "client");
  EXPECT_FLOAT_EQ(girl.mTime, 1.0f);
  EXPECT_EQ(girl.mPersons[0], "girl");
  EXPECT_EQ(girl.mOrders, (std::vector<std::string>{"0503", "0503"}));
  EXPECT_FALSE(girl.mVip);

  const ScheduleEvent& boy = *schedule.GetQueue(0)[1];
  EXPECT_TRUE(boy.mVip);
  EXPECT_TRUE(boy.mOrders.empty());

  const ScheduleEvent& family = *schedule.GetQueue(1)[0];
  EXPECT_EQ(family.mType, "family");
  EXPECT_EQ(family.mPersons[2], "kid");
  EXPECT_EQ(family.mPersons[3], "");
  EXPECT_EQ(family.mOrders, std::vector<std::string>{"0100"});
  // A time that is not a number reads 0.
  EXPECT_EQ(schedule.GetQueue(1)[1]->mTime, 0.0f);
}

TEST_F(ScheduleTest, CareerVisitorsArriveOnTheTimetableAndTheLevelEndsTwoSecondsAfterTheLast) {
  StartBoard(EventSchedule::kCareer, "schedule_career.xml");
  EventSchedule& schedule = mBoard->GetSchedule();
  EXPECT_FALSE(mBoard->AreQueuesDone());
  EXPECT_EQ(mBoard->GetLevelProgress(), 0.0f);

  // Every arrival with the schedule time at which it was taken.
  std::vector<std::pair<std::string, float>> arrivals;
  int finishedAt = -1;
  for (int step = 1; step <= 1000 && finishedAt < 0; ++step) {
    const size_t before = mBoard->mSpawned.size();
    mBoard->Update();
    for (size_t i = before; i < mBoard->mSpawned.size(); ++i) {
      arrivals.emplace_back(mBoard->mSpawned[i]->mPersons[0], schedule.GetClock());
    }
    if (arrivals.size() == 3) {
      EXPECT_FLOAT_EQ(mBoard->GetLevelProgress(), 0.6f);
    }
    if (!mBoard->IsRunning()) finishedAt = step;
  }
  ASSERT_EQ(arrivals.size(), 5u);
  const std::vector<std::pair<std::string, float>> expected = {
      {"girl", 1.0f},
      {"dad", 2.5f},
      {"grandpa", 2.51f},  // due from the start, but behind dad in its queue
      {"boy", 5.0f},
      {"lady", 5.01f},  // due at 4 s, but listed after the boy
  };
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].first);
    EXPECT_EQ(arrivals[i].first, expected[i].first);
    EXPECT_NEAR(arrivals[i].second, expected[i].second, 0.015);
  }
  EXPECT_FLOAT_EQ(mBoard->GetLevelProgress(), 1.0f);
  EXPECT_NEAR(finishedAt * 0.01, 5.01 + 2.0, 0.0201);
  EXPECT_EQ(mBoard->Count("OnLevelFinished"), 1);
}

TEST_F(ScheduleTest, AGateThatRefusesArrivalsHoldsTheClock) {
  RefusingGate gate(7);
  SetEventGate(&gate);
  StartBoard(EventSchedule::kCareer, "schedule_career.xml");
  for (int i = 0; i < 600; ++i) mBoard->Update();
  EXPECT_EQ(mBoard->GetSchedule().GetClock(), 0.0f);
  EXPECT_TRUE(mBoard->mSpawned.empty());
  EXPECT_TRUE(mBoard->IsRunning());

  SetEventGate(nullptr);
  EXPECT_TRUE(StepUntilSpawned(1, 101));
}

TEST_F(ScheduleTest, ALevelWithoutEventsIsDoneAtOnceWithNoProgress) {
  EventSchedule schedule;
  Load(schedule, EventSchedule::kCareer, "level_states.xml");
  EXPECT_TRUE(schedule.AllQueuesDone());
  EXPECT_EQ(schedule.GetProgress(), 0.0f);
  EXPECT_EQ(schedule.NextDueEvent(0), nullptr);
  // Popping an empty queue changes nothing.
  schedule.Pop(0);
  schedule.Pop(5);
  EXPECT_EQ(schedule.GetProgress(), 0.0f);

  StartBoard(EventSchedule::kCareer, "level_states.xml");
  int steps = 0;
  while (mBoard->IsRunning() && steps < 1000) {
    mBoard->Update();
    ++steps;
  }
  EXPECT_NEAR(steps, 201, 1);  // the step that finds the queues done, then 2.0 s
}

TEST_F(ScheduleTest, EndlessGoalsRiseStageByStageAndThenInEqualSteps) {
  EventSchedule schedule;
  Load(schedule, EventSchedule::kEndless, "schedule_endless.xml");
  std::vector<int32_t> goals = {schedule.GetStageGoal()};
  for (int i = 0; i < 4; ++i) {
    schedule.AdvanceStage();
    goals.push_back(schedule.GetStageGoal());
  }
  EXPECT_EQ(goals, (std::vector<int32_t>{100, 250, 400, 550, 700}));
  EXPECT_EQ(schedule.GetPreviousGoal(), 550);
  EXPECT_FALSE(schedule.AllQueuesDone());

  // The level start goes back to the first stage.
  schedule.Reset();
  EXPECT_EQ(schedule.GetStageGoal(), 100);
  EXPECT_EQ(schedule.GetCurrentStage(), 0u);
}

TEST_F(ScheduleTest, EndlessMoneyOpensOneStagePerCallWithItsItems) {
  ASSERT_TRUE(InstallEffects());
  MakeStageItems();
  ZCItem* cup = ZCItem::FindByName("cup");
  ZCItem* plate = ZCItem::FindByName("plate");
  StartBoard(EventSchedule::kEndless, "schedule_endless.xml");
  EXPECT_TRUE(LogHistory::Contains("ERROR: Item 'ghost' not found"));
  ASSERT_EQ(mBoard->mStages.size(), 3u);
  EXPECT_EQ(mBoard->mStages[1].mItems, std::vector<ZCItem*>{plate});
  EXPECT_TRUE(mBoard->mStages[2].mItems.empty());

  EXPECT_EQ(mBoard->AddMoney(-50), 0);
  EXPECT_EQ(mBoard->GetStageNumber(), 1);
  EXPECT_EQ(mBoard->AddMoney(50), 50);
  EXPECT_FLOAT_EQ(mBoard->GetLevelProgress(), 0.5f);
  EXPECT_FALSE(cup->IsRunning());

  // 260 passes the goals 100 and 250: one stage opens.
  mBoard->AddMoney(210);
  EXPECT_EQ(mBoard->GetStageNumber(), 2);
  EXPECT_EQ(mBoard->Count("OnStageAdvanced"), 1);
  EXPECT_EQ(mBoard->GetSchedule().GetStageGoal(), 250);
  EXPECT_TRUE(cup->IsRunning());
  EXPECT_TRUE(cup->IsVisible());
  ASSERT_NE(cup->GetEffect(), nullptr);
  EXPECT_TRUE(cup->GetEffect()->FindTimer("in")->IsRunning());  // "on_add" fades it in
  EXPECT_FALSE(plate->IsRunning());
  EXPECT_FLOAT_EQ(mBoard->GetLevelProgress(), 160.0f / 150.0f);

  // The next call opens the next.
  mBoard->AddMoney(0);
  EXPECT_EQ(mBoard->GetStageNumber(), 3);
  EXPECT_TRUE(plate->IsRunning());
  EXPECT_EQ(mBoard->GetSchedule().GetStageGoal(), 400);
  EXPECT_FLOAT_EQ(mBoard->GetLevelProgress(), 10.0f / 150.0f);
  RemoveEffects();
}

TEST_F(ScheduleTest, EndlessDrawsFollowTheWeights) {
  EventSchedule schedule;
  Load(schedule, EventSchedule::kEndless, "schedule_endless.xml");
  ASSERT_EQ(schedule.QueueSize(0), 1u);
  ASSERT_EQ(schedule.QueueSize(1), 1u);

  const int draws = 8000;
  std::map<std::string, int> persons;
  std::map<size_t, int> standOrders;
  int withSitOrders = 0;
  for (int i = 0; i < draws; ++i) {
    schedule.Pop(0);
    schedule.Pop(1);
    const ScheduleEvent& client = *schedule.GetQueue(0)[0];
    const ScheduleEvent& family = *schedule.GetQueue(1)[0];
    ++persons[client.mPersons[0]];
    ++standOrders[client.mOrders.size()];
    EXPECT_GE(client.mTime, 1.0f);
    EXPECT_LE(client.mTime, 2.0f);
    // The meal's stand section gives one order; the sit section is used three times in four.
    if (family.mOrders.size() > 1) ++withSitOrders;
  }
  EXPECT_NEAR(double(persons["girl"]) / draws, 0.75, 0.03);
  EXPECT_NEAR(double(persons["boy"]) / draws, 0.25, 0.03);
  // The first order list weighs 3 of 4, the second 1.
  EXPECT_NEAR(double(standOrders[1]) / draws, 0.75, 0.03);
  EXPECT_NEAR(double(standOrders[2]) / draws, 0.25, 0.03);
  EXPECT_NEAR(double(withSitOrders) / draws, 0.75, 0.03);
  // Released events are reused: two pending events and nothing else.
  EXPECT_EQ(schedule.EventCount(), 2u);

  // The spawner picks standing visitors four times in six.
  for (int i = 0; i < draws; ++i) schedule.SpawnRandom(1, &RecordQueue);
  int standing = 0;
  for (int32_t queue : gCalledQueues) standing += queue == 0;
  EXPECT_EQ(gCalledQueues.size(), size_t(draws));
  EXPECT_NEAR(double(standing) / draws, 4.0 / 6.0, 0.03);
}

TEST_F(ScheduleTest, ADrawAtTheUpperBoundTakesTheLastEntry) {
  EXPECT_EQ(ChooseWeighted({1, 2, 3}, 6), 2);
  EXPECT_EQ(ChooseWeighted({1, 2, 3}, 0.5f), 0);
  EXPECT_EQ(ChooseWeighted({1, 2, 3}, 1), 1);
  EXPECT_EQ(ChooseWeighted({2, 0}, 2), 0);  // never an entry of no weight while one has some
  EXPECT_EQ(ChooseWeighted({0, 0}, 0), 1);
  EXPECT_EQ(ChooseWeighted({}, 0), -1);

  EventSchedule::SetRandomSource(&UpperBound);
  EventSchedule schedule;
  Load(schedule, EventSchedule::kEndless, "schedule_endless.xml");
  const ScheduleEvent& client = *schedule.GetQueue(0)[0];
  EXPECT_EQ(client.mPersons[0], "boy");
  EXPECT_FLOAT_EQ(client.mTime, 2.0f);
  EXPECT_EQ(client.mOrders, (std::vector<std::string>{"0100", "0200"}));
  const ScheduleEvent& family = *schedule.GetQueue(1)[0];
  EXPECT_FLOAT_EQ(family.mTime, 4.0f);
  EXPECT_EQ(family.mOrders, (std::vector<std::string>{"0300", "0400", "0402", "0500"}));

  schedule.SpawnRandom(1, &RecordQueue);
  schedule.AdvanceStage();  // the second stage sends no families
  schedule.SpawnRandom(1, &RecordQueue);
  EXPECT_EQ(gCalledQueues, (std::vector<int32_t>{1, 0}));
}

TEST_F(ScheduleTest, AStageWithoutFamiliesLeavesTheirQueueEmptyUntilAStageWithFamilies) {
  EventSchedule schedule;
  Load(schedule, EventSchedule::kEndless, "schedule_endless.xml");
  schedule.AdvanceStage();
  schedule.Pop(1);
  EXPECT_EQ(schedule.QueueSize(1), 0u);
  EXPECT_TRUE(schedule.IsQueueAtEnd(1));
  EXPECT_FALSE(schedule.AllQueuesDone());
  for (int i = 0; i < 500; ++i) schedule.SpawnRandom(1, &RecordQueue);
  EXPECT_EQ(std::count(gCalledQueues.begin(), gCalledQueues.end(), 1), 0);
  schedule.Pop(0);
  EXPECT_EQ(schedule.GetQueue(0)[0]->mPersons[0], "girl");

  // The third stage has families again, and the empty queue gets one.
  schedule.AdvanceStage();
  ASSERT_EQ(schedule.QueueSize(1), 1u);
  EXPECT_EQ(schedule.GetQueue(1)[0]->mPersons[0], "dad");
  EXPECT_FLOAT_EQ(schedule.GetQueue(1)[0]->mTime, schedule.GetClock() + 2.0f);
}

TEST_F(ScheduleTest, TemplatesAndStagesBelowTheEventsQueueDrawTheSame) {
  auto run = [&](const std::string& fixture) {
    SeedRandom(99);
    EventSchedule schedule;
    Load(schedule, EventSchedule::kEndless, fixture);
    std::vector<std::string> seen;
    for (int i = 0; i < 40; ++i) {
      seen.push_back(std::to_string(schedule.GetStageGoal()));
      schedule.Pop(i % 2);
      for (int32_t q = 0; q < 2; ++q)
        if (schedule.QueueSize(q)) seen.push_back(Describe(*schedule.GetQueue(q)[0]));
      if (i % 10 == 9) schedule.AdvanceStage();
    }
    return seen;
  };
  const std::vector<std::string> onLevel = run("schedule_endless.xml");
  EXPECT_EQ(onLevel, run("schedule_endless_in_queue.xml"));
  EXPECT_GT(onLevel.size(), 80u);

  // The board reads its stage records from the same place.
  mBoard = std::make_unique<TestBoard>();
  mBoard->ReadStages(LoadBoardFixture("schedule_endless_in_queue.xml"));
  ASSERT_EQ(mBoard->mStages.size(), 3u);
  EXPECT_EQ(mBoard->mStages[2].mNum, 4);
}

TEST_F(ScheduleTest, BadEndlessDataIsLoggedAndStillDrawsSafely) {
  EventSchedule schedule;
  Load(schedule, EventSchedule::kEndless, "schedule_endless_bad.xml");
  for (const char* line : {"WARNING: Order template 'nothing' not found", "<stand> prob=\"-2\" cannot be used; 0 used",
                           "type=\"client\" person1=\"girl\" prob=\"0\": never drawn",
                           "WARNING: Client skin not defined!", "WARNING: Visitor type 'robot' unknown",
                           "WARNING: Stage 2 points 100 do not rise above 100"}) {
    EXPECT_TRUE(LogHistory::Contains(line)) << line;
  }
  ASSERT_EQ(schedule.GetStages().size(), 2u);
  EXPECT_EQ(schedule.GetStages()[0].mTotalWeight, 0.0f);

  // Every weight is 0: the last type is taken, and its empty template gives no orders.
  for (int i = 0; i < 50; ++i) {
    schedule.Pop(0);
    schedule.Pop(1);
    schedule.SpawnRandom(1, nullptr);
    ASSERT_EQ(schedule.QueueSize(0), 1u);
    EXPECT_EQ(schedule.GetQueue(0)[0]->mPersons[0], "boy");
    EXPECT_TRUE(schedule.GetQueue(0)[0]->mOrders.empty());
    ASSERT_EQ(schedule.QueueSize(1), 1u);
    EXPECT_TRUE(schedule.GetQueue(1)[0]->mOrders.empty());
    EXPECT_LE(schedule.GetQueue(1)[0]->mTime, 2.0f);
  }
  // Goals that do not rise stay where they are.
  schedule.AdvanceStage();
  schedule.AdvanceStage();
  EXPECT_EQ(schedule.GetStageGoal(), 100);
}

TEST_F(ScheduleTest, CareerEventsOutliveNeitherTheirHoldersNorTheClear) {
  StartBoard(EventSchedule::kCareer, "schedule_career.xml");
  mBoard->mHoldSpawned = true;
  ASSERT_TRUE(StepUntilSpawned(3));
  EventSchedule& schedule = mBoard->GetSchedule();
  // A visitor leaves before the level is cleared: its event stays queued and counted.
  mBoard->mSpawned[0]->Release();
  EXPECT_EQ(schedule.PoolSize(), 0u);
  EXPECT_EQ(schedule.GetQueue(0)[0]->mPersons[0], "girl");
  EXPECT_FLOAT_EQ(schedule.GetProgress(), 0.6f);
  // A restart keeps the events.
  mBoard->StartLevel();
  EXPECT_EQ(schedule.EventCount(), 5u);

  // The others leave after the clear; their last release frees them.
  schedule.Clear();
  EXPECT_EQ(schedule.EventCount(), 0u);
  EXPECT_EQ(mBoard->mSpawned[1]->mPersons[0], "dad");
  mBoard->mSpawned[1]->AddRef();
  mBoard->mSpawned[1]->Release();
  mBoard->mSpawned[1]->Release();
  mBoard->mSpawned[2]->Release();
}

TEST_F(ScheduleTest, EndlessEventsAreReusedOnceReleasedAndFreedWhenHeldPastTheClear) {
  StartBoard(EventSchedule::kEndless, "schedule_endless.xml");
  mBoard->mHoldSpawned = true;
  ASSERT_TRUE(StepUntilSpawned(4));
  EventSchedule& schedule = mBoard->GetSchedule();
  // Four held events and two pending ones.
  EXPECT_EQ(schedule.EventCount(), 6u);
  mBoard->mSpawned[0]->Release();
  mBoard->mSpawned[1]->Release();
  EXPECT_EQ(schedule.PoolSize(), 2u);
  ASSERT_TRUE(StepUntilSpawned(5));
  EXPECT_EQ(schedule.EventCount(), 6u);  // the new pending event came from the free list
  EXPECT_EQ(schedule.PoolSize(), 1u);

  // The level start deletes the free one.
  mBoard->StartLevel();
  EXPECT_EQ(schedule.PoolSize(), 0u);
  EXPECT_EQ(schedule.EventCount(), 5u);

  // Events taken without a hold go straight back.
  mBoard->mHoldSpawned = false;
  ASSERT_TRUE(StepUntilSpawned(6));
  EXPECT_EQ(schedule.EventCount(), 5u);

  schedule.Clear();
  for (size_t i = 2; i < 5; ++i) mBoard->mSpawned[i]->Release();
}

// The plain board with its level number open, so that a test can clear its level.
class PlainBoard : public ZCBoard_Plain {
 public:
  using ZCBoard_Plain::mLevelNumber;
};

TEST_F(ScheduleTest, ThePlainBoardShowsAHiddenStandInPerVisitorAndHoldsItsEvent) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="client_place"/><object class="item" name="client1"/>
      <object class="item" name="family1"/><object class="item" name="client2"/></objects></root>)"));
  ZCItem::ApplyLevelStates(ParseXml(R"(<level><objects><object name="client_place"/>
      <object name="client1" stop="1"/><object name="family1" stop="1"/><object name="client2" stop="1"/>
      </objects></level>)"));
  PlainBoard board;
  board.SetVisible(true);
  Load(board.GetSchedule(), EventSchedule::kCareer, "schedule_career.xml");
  board.mLevelNumber = 1;
  board.StartLevel();
  for (int i = 0; i < 800; ++i) board.Update();

  // Girl, dad and boy found a stand-in; grandpa and the lady found none and wait.
  EXPECT_TRUE(ZCItem::FindByName("client1")->IsVisible());
  EXPECT_TRUE(ZCItem::FindByName("client1")->IsRunning());
  EXPECT_TRUE(ZCItem::FindByName("family1")->IsVisible());
  EXPECT_TRUE(ZCItem::FindByName("client2")->IsVisible());
  EventSchedule& schedule = board.GetSchedule();
  EXPECT_FLOAT_EQ(schedule.GetProgress(), 0.6f);
  EXPECT_TRUE(board.IsRunning());
  EXPECT_EQ(schedule.GetQueue(0)[0]->mReferences, 1);
  EXPECT_EQ(schedule.GetQueue(0)[2]->mReferences, 0);

  // The clear lets the schedule go first, then the visitors' holds.
  board.ClearLevelData();
  EXPECT_EQ(schedule.EventCount(), 0u);
}

// The plain board noting every visitor it places: schedule time, type and first person.
class NotingPlainBoard : public ZCBoard_Plain {
 public:
  bool SpawnClientFromEvent(ScheduleEvent* event) override {
    if (!ZCBoard_Plain::SpawnClientFromEvent(event)) return false;
    mPlaced.push_back(event->mType + " " + event->mPersons[0]);
    mPlacedAt.push_back(GetSchedule().GetClock());
    return true;
  }
  void OnLevelFinished() override {
    ++mFinished;
    if (mReload) ZCBoard_Plain::OnLevelFinished();
  }
  // The plain board loads a finished level again; without, the test looks at the end.
  bool mReload = false;
  std::vector<std::string> mPlaced;
  std::vector<float> mPlacedAt;
  int mFinished = 0;
};

class SampleVisitorsTest : public ScheduleTest {
 protected:
  void SetUp() override {
    ScheduleTest::SetUp();
    const char* dir = std::getenv("CAFE_SOURCE_DIR");
    ASSERT_EQ(chdir((std::string(dir ? dir : ".") + "/content").c_str()), 0);
    mPlain = std::make_unique<NotingPlainBoard>();
    mPlain->SetVisible(true);
  }
  void TearDown() override {
    mPlain.reset();
    ScheduleTest::TearDown();
  }
  // Loads and starts the level; the number of steps until it finished, or -1 after max.
  int Play(int32_t level, bool endless, int max) {
    if (!mPlain->LoadLevel(level, endless)) return -2;
    mLoadLog = LogHistory::Recent();
    mPlain->StartLevel();
    for (int step = 1; step <= max; ++step) {
      mPlain->Update();
      if (mPlain->mFinished) return step;
    }
    return -1;
  }
  std::unique_ptr<NotingPlainBoard> mPlain;
  // The log lines as the load left them.
  std::vector<std::string> mLoadLog;
};

TEST_F(SampleVisitorsTest, TheTestRoomsVisitorsComeOnTimeAndTheLevelEndsTwoSecondsAfterTheLast) {
  const int steps = Play(90, false, 10000);
  EXPECT_EQ(mPlain->mPlaced, (std::vector<std::string>{"client girl", "family dad", "client mayor", "client boy",
                                                         "family gran"}));
  const std::vector<float> times = {2, 4, 10, 10.01f, 61};
  ASSERT_EQ(mPlain->mPlacedAt.size(), times.size());
  for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(mPlain->mPlacedAt[i], times[i], 0.015) << i;
  for (const char* name : {"client1", "client2", "client3", "family1", "family2"})
    EXPECT_TRUE(ZCItem::FindByName(name)->IsVisible()) << name;
  EXPECT_NEAR(steps, 6300, 2);

  // Level 92 has nobody to come.
  mPlain->mFinished = 0;
  EXPECT_NEAR(Play(92, false, 1000), 201, 1);
}

TEST_F(SampleVisitorsTest, TheEndlessRoomReadsItsStagesAndDrawsVisitors) {
  EXPECT_EQ(Play(90, true, 3000), -1);
  EXPECT_NE(std::find(mLoadLog.begin(), mLoadLog.end(), "ERROR: Item 'fountain' not found"), mLoadLog.end());
  EventSchedule& schedule = mPlain->GetSchedule();
  ASSERT_EQ(schedule.GetStages().size(), 3u);
  EXPECT_EQ(schedule.GetStageGoal(), 100);
  EXPECT_FALSE(mPlain->mPlaced.empty());
  EXPECT_FALSE(ZCItem::FindByName("lamp")->IsVisible());
  mPlain->AddMoney(120);
  EXPECT_TRUE(ZCItem::FindByName("lamp")->IsRunning());
  EXPECT_EQ(schedule.GetStageGoal(), 250);
}

TEST_F(SampleVisitorsTest, AFinishedLevelIsLoadedAgainAndPlaysOn) {
  mPlain->mReload = true;
  EXPECT_NEAR(Play(92, false, 1000), 201, 1);
  EXPECT_TRUE(mPlain->IsLoadingLevel());
  ASSERT_TRUE(WaitUntil([&] { return mPlain->PollLevelLoad(); })) << "the level was not handed over within a minute";
  EXPECT_TRUE(mPlain->IsRunning());
  EXPECT_EQ(mPlain->GetLevelNumber(), 92);
  EXPECT_TRUE(mPlain->IsVisible());
}

}  // namespace
