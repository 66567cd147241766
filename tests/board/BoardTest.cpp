#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <memory>

#include "board/BoardWorld.h"
#include "board/ZCItem.h"
#include "board/support/BoardTestSupport.h"
#include "board/support/TestBoard.h"
#include "effects/GameClock.h"
#include "effects/ZCEffect.h"
#include "engine/ZCEngine.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "sound/SoundManager.h"
#include "effects/EffectCallbacks.h"
#include "widgets/FrameStep.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCDialog.h"

namespace {

class Engine : public ZCEngine {
 public:
  Engine() {
    mProductName = "Board Test";
    mRegKey = "Cafe Tests\\Board Test";
  }

 protected:
  bool WantsWindow() const override { return false; }
};

// Logs the tutorial gate's questions into the board's log.
class LoggingGate : public EventGate {
 public:
  explicit LoggingGate(TestBoard& board) : mBoard(board) {}
  bool IsEventAllowed(int32_t event) override {
    mBoard.mLog.push_back("IsEventAllowed " + std::to_string(event));
    return true;
  }
  TestBoard& mBoard;
};

// An item that logs its updates into the board's log.
class LoggingItem : public ZCItem {
 public:
  explicit LoggingItem(TestBoard& board) : mBoard(board) {}
  void Update() override {
    mBoard.mLog.push_back("Update " + GetName());
    ZCItem::Update();
  }
  TestBoard& mBoard;
};

class BoardTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    GameClock::ResetAll();
    mBoard = std::make_unique<TestBoard>();
    mBoard->SetVisible(true);
  }
  void TearDown() override {
    mBoard.reset();
    BoardWorldTest::TearDown();
  }
  // Starts a level and forgets the calls of the start.
  void Start() {
    mBoard->StartLevel();
    mBoard->mLog.clear();
  }
  // Runs game steps until the level stops; the number of steps, or -1 after max.
  int StepsUntilStopped(int max) {
    for (int i = 1; i <= max; ++i) {
      mBoard->Update();
      if (!mBoard->IsRunning()) return i;
    }
    return -1;
  }
  std::wstring TextVar(const std::string& name) { return GetTextVars()->GetTextVar(name); }

  Engine mEngine;
  std::unique_ptr<TestBoard> mBoard;
};

TEST_F(BoardTest, TheBoardIsTheCurrentBoardWhileItLives) {
  EXPECT_EQ(GetGameBoard(), mBoard.get());
  EXPECT_EQ(mBoard->mWidth, 1024);
  EXPECT_EQ(mBoard->mHeight, 768);
  mBoard.reset();
  EXPECT_EQ(GetGameBoard(), nullptr);
}

TEST_F(BoardTest, AClosedGateZeroesTheGameStepAndAdvancesNothing) {
  Start();
  mBoard->Update();
  EXPECT_FLOAT_EQ(GetGameStep(), 0.01f);
  const float levelTime = mBoard->GetLevelTime();
  const float gameTime = GameClock::GetGameTime();
  GameClock clock;
  clock.SetTimeout(0.5f);

  struct Case {
    const char* name;
    std::function<void()> close, open;
  };
  const Case cases[] = {
      {"paused", [&] { mBoard->Pause(); }, [&] { mBoard->Resume(); }},
      {"inactive", [&] { mEngine.mActive = false; }, [&] { mEngine.mActive = true; }},
      {"message box", [&] { mEngine.mMessageBoxOpen = true; }, [&] { mEngine.mMessageBoxOpen = false; }},
      {"hidden", [&] { mBoard->SetVisible(false); }, [&] { mBoard->SetVisible(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.close();
    mBoard->mLog.clear();
    SetFrameStep(0.01f);
    EXPECT_FALSE(mBoard->AcceptsInput());
    for (int i = 0; i < 10; ++i) mBoard->Update();
    EXPECT_EQ(GetGameStep(), 0.0f);
    // The widgets' step is not the game's: what is updated after the board still moves.
    EXPECT_FLOAT_EQ(GetFrameStep(), 0.01f);
    EXPECT_EQ(mBoard->GetLevelTime(), levelTime);
    EXPECT_EQ(GameClock::GetGameTime(), gameTime);
    EXPECT_FLOAT_EQ(clock.GetRemaining(), 0.5f);
    EXPECT_EQ(mBoard->mLog, std::vector<std::string>{});
    c.open();
    EXPECT_TRUE(mBoard->AcceptsInput());
  }
  // Not running at all.
  mBoard->AbortLevel();
  mBoard->mLog.clear();
  mBoard->Update();
  EXPECT_EQ(GetGameStep(), 0.0f);
  EXPECT_TRUE(mBoard->mLog.empty());
}

TEST_F(BoardTest, AGameStepRunsInOrder) {
  auto* first = new LoggingItem(*mBoard);
  auto* stopped = new LoggingItem(*mBoard);
  auto* second = new LoggingItem(*mBoard);
  GetItemRegistry().Add("a", first);
  GetItemRegistry().Add("stopped", stopped);
  GetItemRegistry().Add("b", second);
  first->ReadItem(ParseXml(R"(<object name="a"/>)"));
  second->ReadItem(ParseXml(R"(<object name="b"/>)"));
  first->SetRunning(true);
  second->SetRunning(true);
  LoggingGate gate(*mBoard);
  SetEventGate(&gate);
  Start();
  mBoard->mClickQueue.push_back(nullptr);
  mBoard->mClickQueue.push_back(nullptr);

  mBoard->Update();
  const std::vector<std::string> expected = {"IsEventAllowed 7", "SpawnClients", "Update a", "Update b",
                                             "OnGameStep", "HandleClickedItem", "HandleClickedItem",
                                             "AreQueuesDone"};
  EXPECT_EQ(mBoard->mLog, expected);
  EXPECT_TRUE(mBoard->mClickQueue.empty());
  EXPECT_FLOAT_EQ(mBoard->GetLevelTime(), 0.01f);
  EXPECT_FLOAT_EQ(mBoard->GetSchedule().GetClock(), 0.01f);
  EXPECT_NEAR(GameClock::GetGameTime(), 0.01, 1e-6);
  SetEventGate(nullptr);
}

TEST_F(BoardTest, StartLevelResetsAndRunsItsHooksWithRunningSetLast) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="on"/><object class="item" name="off"/></objects></root>)"));
  ZCItem::ApplyLevelStates(ParseXml(R"(<level><objects><object name="on"/></objects></level>)"));
  mBoard->AddMoney(70);
  GameClock clock;
  clock.SetTimeout(3);
  GameClock::Advance(1);
  mBoard->mLog.clear();

  mBoard->StartLevel();
  EXPECT_EQ(mBoard->mLog, (std::vector<std::string>{"OnMoneyChanged", "OnLevelStarted"}));
  EXPECT_TRUE(mBoard->IsRunning());
  EXPECT_EQ(mBoard->GetMoney(), 0);
  EXPECT_EQ(TextVar("money"), L"0");
  EXPECT_EQ(mBoard->GetStageNumber(), 1);
  EXPECT_TRUE(mBoard->AreStagesPending());
  EXPECT_EQ(GameClock::GetGameTime(), 0.0f);
  EXPECT_TRUE(ZCItem::FindByName("on")->IsVisible());
  EXPECT_FALSE(ZCItem::FindByName("off")->IsVisible());

  // Stopping deactivates and reports once; a second stop does nothing.
  mBoard->mLog.clear();
  mBoard->AbortLevel();
  mBoard->AbortLevel();
  EXPECT_EQ(mBoard->mLog, std::vector<std::string>{"OnLevelStopped"});
}

TEST_F(BoardTest, QueuesDoneFromTheStartEndTheLevelTwoSecondsLater) {
  mBoard->mQueuesDone = true;
  Start();
  mBoard->Update();
  EXPECT_TRUE(mBoard->IsEnding());
  EXPECT_EQ(mBoard->Count("OnLevelEnding"), 1);
  const double endingAt = GameClock::GetGameTime();

  const int steps = StepsUntilStopped(1000);
  EXPECT_NEAR(steps, 200, 1);
  EXPECT_NEAR(GameClock::GetGameTime() - endingAt, 2.0, 0.0101);
  EXPECT_EQ(mBoard->Count("OnLevelEnding"), 1);
  EXPECT_EQ(mBoard->Events(), (std::vector<std::string>{"OnLevelEnding", "OnLevelStopped", "OnLevelFinished"}));

  // Nothing more happens once it has finished.
  mBoard->mLog.clear();
  for (int i = 0; i < 300; ++i) mBoard->Update();
  EXPECT_TRUE(mBoard->mLog.empty());
}

TEST_F(BoardTest, PauseHoldsTheEndClockAndTheSchedule) {
  Start();
  mBoard->Update();
  mBoard->mQueuesDone = true;
  mBoard->Update();
  ASSERT_TRUE(mBoard->IsEnding());
  mBoard->Pause();
  for (int i = 0; i < 500; ++i) mBoard->Update();
  EXPECT_TRUE(mBoard->IsRunning());
  mBoard->Resume();
  EXPECT_NEAR(StepsUntilStopped(1000), 200, 1);
}

TEST_F(BoardTest, AbortWithoutARunningLevelDoesNothingAndFinishAlwaysReports) {
  mBoard->AbortLevel();
  EXPECT_TRUE(mBoard->mLog.empty());
  mBoard->FinishLevel();
  EXPECT_EQ(mBoard->mLog, std::vector<std::string>{"OnLevelFinished"});
}

TEST_F(BoardTest, MoneyNeverFallsBelowZeroAndTheTextVariableFollows) {
  Start();
  EXPECT_EQ(mBoard->AddMoney(30), 30);
  EXPECT_EQ(TextVar("money"), L"30");
  EXPECT_EQ(mBoard->AddMoney(-50), 0);
  EXPECT_EQ(mBoard->GetMoney(), 0);
  EXPECT_EQ(TextVar("money"), L"0");
  EXPECT_EQ(mBoard->Count("OnMoneyChanged"), 2);

  // A total past the 32-bit range stays at its largest value.
  mBoard->AddMoney(INT32_MAX);
  EXPECT_EQ(mBoard->AddMoney(INT32_MAX), INT32_MAX);

  // In an endless level a loss is ignored.
  mBoard->mEndless = true;
  mBoard->AddMoney(-INT32_MAX);
  EXPECT_EQ(mBoard->GetMoney(), INT32_MAX);
}

TEST_F(BoardTest, AStageGapStopsOpeningStagesUntilAMatchingStageComes) {
  ASSERT_TRUE(InstallEffects());
  MakeStageItems();
  ZCItem* cup = ZCItem::FindByName("cup");
  ZCItem* plate = ZCItem::FindByName("plate");
  Start();
  mBoard->mEndless = true;
  mBoard->mStages = {StageRecord{4, {cup, plate}}};

  mBoard->AdvanceStage();  // stage 2: no record of that number
  EXPECT_EQ(mBoard->GetStageNumber(), 2);
  EXPECT_FALSE(mBoard->AreStagesPending());
  EXPECT_EQ(mBoard->mStageCursor, 0u);
  EXPECT_FALSE(cup->IsRunning());
  mBoard->AdvanceStage();  // stage 3
  EXPECT_EQ(mBoard->mStageCursor, 0u);
  EXPECT_EQ(mBoard->Count("OnStageAdvanced"), 2);

  mBoard->AdvanceStage();  // stage 4 opens the record
  EXPECT_EQ(mBoard->mStageCursor, 1u);
  EXPECT_FALSE(mBoard->AreStagesPending());
  EXPECT_TRUE(cup->IsRunning());
  EXPECT_TRUE(plate->IsRunning());
  EXPECT_TRUE(plate->IsVisible());
  // The cup shows through its effect: "onshow", then "on_add" fades it in.
  EXPECT_TRUE(cup->IsVisible());
  ASSERT_NE(cup->GetEffect(), nullptr);
  EXPECT_TRUE(cup->GetEffect()->FindTimer("in")->IsRunning());

  // Past the end of the list nothing more opens.
  mBoard->AdvanceStage();
  EXPECT_EQ(mBoard->mStageCursor, 1u);
  EXPECT_EQ(TextVar("normal"), L"0");
}

TEST_F(BoardTest, NestedPausesPauseTheGameSoundsOnceAndAnUnpairedResumeIsIgnored) {
  SoundManager* sounds = mEngine.GetSoundManager();
  ASSERT_NE(sounds, nullptr);
  Start();
  mBoard->Pause();
  mBoard->Pause();
  EXPECT_EQ(sounds->GetGroupPauseCount("game"), 1);
  EXPECT_EQ(mBoard->GetPauseCount(), 2);
  mBoard->Resume();
  EXPECT_EQ(sounds->GetGroupPauseCount("game"), 1);
  mBoard->Resume();
  EXPECT_EQ(sounds->GetGroupPauseCount("game"), 0);
  EXPECT_EQ(mBoard->mLog, (std::vector<std::string>{"OnPause", "OnResume"}));

  mBoard->Resume();
  EXPECT_EQ(mBoard->GetPauseCount(), 0);
  EXPECT_TRUE(LogHistory::Contains("WARNING: ZCBoard_Game::Resume"));
  // The next pause still pauses.
  mBoard->Pause();
  EXPECT_EQ(sounds->GetGroupPauseCount("game"), 1);
  EXPECT_FALSE(mBoard->AcceptsInput());
  EXPECT_EQ(mBoard->Count("OnPause"), 2);
  mBoard->Resume();
}

TEST_F(BoardTest, ShowingTheBoardGivesItTheFocusAndHidingTakesItAway) {
  mBoard->SetVisible(false);
  mBoard->OnShowStart();  // not yet in a widget tree: nothing to focus
  Vesk::WidgetManager manager(1024, 768);
  manager.AddWidget(mBoard.get());
  mBoard->Show();
  EXPECT_EQ(manager.GetFocus(), mBoard.get());
  EXPECT_TRUE(mBoard->IsVisible());
  mBoard->Hide();
  EXPECT_EQ(manager.GetFocus(), nullptr);
  EXPECT_FALSE(mBoard->IsVisible());
  manager.RemoveWidget(mBoard.get());
}

// Answers a dialog's button by running the given action.
class AnsweringOwner : public ZCDialogOwner {
 public:
  explicit AnsweringOwner(std::function<void()> answer) : mAnswer(std::move(answer)) {}
  void DialogCommand(ZCDialog*, int32_t id) override {
    mAnswers.push_back(id);
    mAnswer();
  }
  std::function<void()> mAnswer;
  std::vector<int32_t> mAnswers;
};

// A box that fades in and out, with one button (id 7) at (10, 10) inside it.
ZCDialog* MakeFadingBox(ZCDialogOwner* owner) {
  auto* box = new ZCDialog(0, nullptr);
  box->LoadFromXml(ParseXml(R"(<widget type="zcdialog" name="box" x="300" y="200" w="200" h="100" effect="dlg_fade">
      <widget type="button" name="ok" id="7" x="10" y="10" w="80" h="30"/></widget>)"));
  box->SetOwner(owner);
  return box;
}

// While play is stilled, dialogs are not: a box over the running level (which closes the gate
// while it waits) and a dialog inside the paused board both fade in, take their answer and let
// the level go on.
TEST_F(BoardTest, DialogsOverOrInsideAStilledBoardFadeInAndAreAnswered) {
  ASSERT_TRUE(InstallEffects());
  Vesk::WidgetManager manager(1024, 768);
  manager.mInputLocked = AreWidgetsLocked;
  Start();
  TestBoard* board = mBoard.release();  // the manager owns it now
  manager.AddWidget(board);
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) {
      SetFrameStep(0.01f);
      manager.UpdateFrame();
    }
  };
  auto click = [&](int32_t x, int32_t y) {
    manager.MouseMove(x, y);
    manager.MouseDown(x, y, 1, 1);
    manager.MouseUp(x, y, 1);
  };
  frames(10);
  EXPECT_NEAR(board->GetLevelTime(), 0.1f, 1e-4);

  ZCDialog* box = nullptr;
  AnsweringOwner boxOwner([&] {
    mEngine.mMessageBoxOpen = false;
    box->Hide();
  });
  box = MakeFadingBox(&boxOwner);
  manager.AddWidget(box);  // in front of the board, updated after it
  ZCDialog* inner = nullptr;
  AnsweringOwner innerOwner([&] {
    board->Resume();
    inner->Hide();
  });
  inner = MakeFadingBox(&innerOwner);
  board->AddWidget(inner);  // a child of the board, as the café's briefing will be

  struct Case {
    const char* name;
    ZCDialog* dialog;
    AnsweringOwner* owner;
    std::function<void()> still;
  };
  const Case cases[] = {
      {"box over the level", box, &boxOwner, [&] { mEngine.mMessageBoxOpen = true; }},
      {"dialog in the paused board", inner, &innerOwner, [&] { board->Pause(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.still();
    c.dialog->Show();
    const float levelTime = board->GetLevelTime();
    frames(40);  // longer than the fade
    EXPECT_TRUE(c.dialog->IsVisible());
    EXPECT_FLOAT_EQ(c.dialog->GetAlpha(), 1.0f);
    EXPECT_FALSE(AreWidgetsLocked());
    EXPECT_EQ(board->GetLevelTime(), levelTime);
    EXPECT_FALSE(board->AcceptsInput());

    click(300 + 20, 200 + 20);
    EXPECT_EQ(c.owner->mAnswers, std::vector<int32_t>{7});
    frames(40);
    EXPECT_FALSE(c.dialog->IsVisible());
    EXPECT_FALSE(AreWidgetsLocked());
    // The level goes on.
    EXPECT_TRUE(board->AcceptsInput());
    EXPECT_NEAR(board->GetLevelTime(), levelTime + 0.4f, 1e-3);
  }
}

// A press while the gate is closed queues nothing and makes no sound; with the gate open the
// same press clicks and "click" sounds.
TEST_F(BoardTest, APressOnAClosedGateIsSilent) {
  ASSERT_TRUE(mEngine.Init());  // opens the sound output
  ASSERT_TRUE(OpenSampleData());
  SoundManager* sounds = mEngine.GetSoundManager();
  ASSERT_TRUE(sounds->AddSound(SoundDesc{"click", "sounds\\click.wav", "game"}));
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="pickable" name="desk" rgn="100 100 200 100 200 200 100 200"/></objects></root>)"));
  ZCItem::ApplyLevelStates(ParseXml(R"(<level><objects><object name="desk"/></objects></level>)"));
  Start();
  mBoard->UpdateHover(150, 150);
  ASSERT_NE(mBoard->GetHoveredItem(), nullptr);

  mBoard->Pause();
  mBoard->MouseDown(150, 150, 1, 1);
  mEngine.mMessageBoxOpen = true;
  mBoard->Resume();
  mBoard->MouseDown(150, 150, 1, 1);
  mEngine.mMessageBoxOpen = false;
  EXPECT_EQ(sounds->GetActiveCount("game"), 0);
  EXPECT_TRUE(mBoard->GetClickQueue().empty());

  mBoard->MouseDown(150, 150, 1, 1);
  EXPECT_EQ(mBoard->GetClickQueue().size(), 1u);
  EXPECT_EQ(sounds->GetActiveCount("game"), 1);
  sounds->StopGroup("game");
}

}  // namespace

TEST(BoardRedrawTest, EveryStepOfARunningLevelAsksForARedrawAndAClosedGateNone) {
  ResetBoardWorld();
  Vesk::WidgetManager manager(1024, 768);
  Vesk::MemoryImage screen(64, 48);
  TestBoard board;
  manager.AddWidget(&board);
  board.SetVisible(true);
  board.StartLevel();
  Vesk::Graphics g(&screen);
  manager.DrawScreen(&g);
  ASSERT_FALSE(manager.IsDirty());
  // Items move and animate in every step: the screen is drawn again.
  board.StepGame();
  EXPECT_TRUE(manager.IsDirty());
  manager.DrawScreen(&g);
  board.Pause();
  board.StepGame();
  EXPECT_FALSE(manager.IsDirty());
  board.Resume();
  manager.RemoveWidget(&board);
}
