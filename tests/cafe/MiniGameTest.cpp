#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "board/BoardWorld.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/ZCMiniGame.h"
#include "cafe/support/CafeItemsFixture.h"
#include "cafe/support/MiniGameDoubles.h"
#include "effects/EffectLibrary.h"
#include "effects/ZCEffect.h"
#include "shell/Log.h"
#include "widgets/FrameStep.h"

namespace {

class Gate : public EventGate {
 public:
  bool IsEventAllowed(int32_t event) override { return mRefused.count(event) == 0; }
  std::set<int32_t> mRefused;
};

std::string Layout(int trays) {
  std::string children;
  for (int i = 1; i <= trays; ++i)
    children += "<widget type=\"button\" name=\"tray\" id=\"" + std::to_string(i) +
                "\" w=\"50\" h=\"50\" effect=\"minigame_token\"/>";
  children += "<widget type=\"picture\" name=\"effect_elem\" w=\"100\" h=\"100\" effect=\"minigame_token\"/>";
  return "<root><dialogs><widget type=\"zcdialog\" name=\"minigame\" w=\"1024\" h=\"768\" mouse=\"0\">" + children +
         "</widget></dialogs></root>";
}

std::mt19937 gDraws;
float SeededDraw(float a, float b) { return std::uniform_real_distribution<float>(a, b)(gDraws); }
float ZeroDraw(float, float) { return 0.0f; }

class MiniGameTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    ASSERT_TRUE(InstallEffects(
        "<effect name=\"arrive_probe\"><timer name=\"t\" duration=\"1\"/>"
        "<message name=\"onarrive\"><start timer=\"t\"/></message></effect>"));
    for (auto& icon : mHost.mIcons) icon->SetEffect(CreateEffect("arrive_probe"));
    SetEventGate(&mGate);
    SetBoardTrace(&mTrace);
    Build(ParseXml(Layout(18)));
  }
  void TearDown() override {
    mGame.reset();
    ZCMiniGame::SetRandomSource(nullptr);
    SetBoardTrace(nullptr);
    SetEventGate(nullptr);
    RemoveEffects();
    BoardWorldTest::TearDown();
  }
  void Build(const XmlNode& doc) {
    mGame = std::make_unique<ZCMiniGame>(nullptr);
    ASSERT_TRUE(mGame->LoadByName(doc, "minigame"));
    mGame->SetVisible(true);
    mGame->SetHost(&mHost);
  }
  void Params(const std::string& attrs) { mGame->ReadLevel(ParseXml("<level><partparams " + attrs + "/></level>")); }
  // Frames of the widget tree, the game step equal to the frame step.
  void Frames(int n, float step = 0.01f) {
    SetFrameStep(step);
    SetGameStep(step);
    for (int i = 0; i < n; ++i) {
      mGame->Update();
      for (Vesk::Widget* child : mGame->GetChildren()) child->Update();
    }
  }
  std::string Kinds() const {
    std::string s;
    for (const auto& t : mGame->GetRow()) s += ZCMiniGame::KindName(t.mKind) + std::string(" ");
    return s;
  }
  ZCCandyWidget* TokenWidget(size_t i) const { return mGame->GetRow()[i].mWidget; }

  Gate mGate;
  TraceLines mTrace;
  RecordingMiniGameHost mHost;
  std::unique_ptr<ZCMiniGame> mGame;
};

TEST_F(MiniGameTest, DrawsFollowTheWeightsAndNeverMakeThreeInARow) {
  // Without weights (or with a sum too small, or only negative ones) no token is made.
  for (const char* attrs : {"", "bonus_coin=\"0.005\" bonus_ice=\"0.004\"", "bonus_coin=\"-3\" speed=\"-1\""}) {
    Params(attrs);
    mGame->AddRandomToken();
    EXPECT_TRUE(mGame->GetRow().empty()) << attrs;
  }
  EXPECT_EQ(mGame->GetSpeed(), 0.0f);
  mGame->ReadLevel(ParseXml("<level/>"));
  mGame->AddRandomToken();
  EXPECT_TRUE(mGame->GetRow().empty());

  // One kind: every token is of it, three in a row included.
  Params("bonus_clean=\"4\" speed=\"120\"");
  EXPECT_FLOAT_EQ(mGame->GetWeight(2), 1.0f);
  for (int i = 0; i < 3; ++i) mGame->AddRandomToken();
  EXPECT_EQ(Kinds(), "clean clean clean ");
  mGame->ResetLevel();
  EXPECT_EQ(mGame->GetFreeTrayCount(), 18u);

  // Several kinds, seeded: the last two tokens equal exclude their kind from the next draw.
  Params("bonus_coin=\"5\" bonus_happy=\"1\" bonus_ice=\"1\"");
  ZCMiniGame::SetRandomSource(&SeededDraw);
  gDraws.seed(7);
  int run = 0, longest = 0, last = -1;
  int counts[ZCMiniGame::kKinds] = {};
  for (int i = 0; i < 10000; ++i) {
    mGame->AddRandomToken();
    const int kind = mGame->GetRow().back().mKind;
    run = kind == last ? run + 1 : 1;
    last = kind;
    longest = std::max(longest, run);
    ++counts[kind];
  }
  EXPECT_EQ(longest, 2);
  EXPECT_EQ(counts[2] + counts[3], 0);
  EXPECT_GT(counts[0], counts[1]);
  EXPECT_EQ(mGame->GetRow().size(), ZCMiniGame::kMaxTokens);

  // A draw of exactly 0 takes the first kind that has a weight, never a kind without one.
  mGame->ResetLevel();
  Params("bonus_happy=\"1\" bonus_speed=\"1\"");
  ZCMiniGame::SetRandomSource(&ZeroDraw);
  for (int i = 0; i < 4; ++i) mGame->AddRandomToken();
  EXPECT_EQ(Kinds(), "happy happy speed happy ");
}

TEST_F(MiniGameTest, SettledRunsOfThreeOrMoreChainWholeWithTheirStrength) {
  Params("bonus_coin=\"1\" speed=\"1000\"");
  mGame->AddRandomToken();
  mGame->AddRandomToken();
  Frames(200);
  EXPECT_TRUE(mHost.mBonuses.empty());
  EXPECT_EQ(mGame->GetRow()[1].mX, 67.0f);
  mGame->AddRandomToken();
  Frames(1);  // the new token is still on its way: no chain yet
  EXPECT_TRUE(mHost.mBonuses.empty());
  Frames(200);
  EXPECT_EQ(mHost.mBonuses, std::vector<std::string>{"coin 1"});
  EXPECT_TRUE(mGame->GetRow().empty());

  // Tokens added while the row stands still (gate 6 shut) chain whole once it moves again.
  for (int n : {4, 5}) {
    mGate.mRefused = {6};
    for (int i = 0; i < n; ++i) mGame->AddRandomToken();
    Frames(200);
    EXPECT_EQ(mGame->GetRow().size(), size_t(n));
    mGate.mRefused.clear();
    Frames(200);
    EXPECT_TRUE(mGame->GetRow().empty());
  }
  EXPECT_EQ(mHost.mBonuses, (std::vector<std::string>{"coin 1", "coin 2", "coin 3"}));
  EXPECT_EQ(mTrace.Starting("minigame chain"),
            (std::vector<std::string>{"minigame chain coin 3", "minigame chain coin 4", "minigame chain coin 5"}));

  // A 19th token drops the oldest at once.
  mGate.mRefused = {6};
  for (int i = 0; i < 19; ++i) mGame->AddToken(i % 2, true, false);
  EXPECT_EQ(mGame->GetRow().size(), 18u);
  EXPECT_EQ(mGame->GetRow().front().mKind, 1);
  EXPECT_EQ(mTrace.Starting("minigame remove").back(), "minigame remove coin hide");
}

TEST_F(MiniGameTest, AClickedMiddleTokenClosesTheGapAndJoinsTwoRuns) {
  Params("bonus_coin=\"1\" speed=\"1000\"");
  for (int kind : {0, 0, 1, 0}) mGame->AddToken(kind, true, false);
  Frames(200);
  ASSERT_EQ(Kinds(), "coin coin happy coin ");
  ZCCandyWidget* happy = TokenWidget(2);

  // Ignored while the board takes no input or gate 7 is shut.
  mHost.mInputBlocked = true;
  mGame->OnCommand(happy);
  mHost.mInputBlocked = false;
  mGate.mRefused = {7};
  mGame->OnCommand(happy);
  mGate.mRefused.clear();
  EXPECT_EQ(Kinds(), "coin coin happy coin ");
  EXPECT_TRUE(mHost.mSounds.empty());

  mGame->OnCommand(happy);
  EXPECT_EQ(mHost.mSounds, std::vector<std::string>{"minigame_hit"});
  EXPECT_EQ(Kinds(), "coin coin coin ");
  Frames(200);
  EXPECT_EQ(mHost.mBonuses, std::vector<std::string>{"coin 1"});
  EXPECT_EQ(mGame->GetFreeTrayCount(), 18u);
}

TEST_F(MiniGameTest, ASlowRowSettlesInTheTimeItsDistanceNeeds) {
  Params("bonus_coin=\"1\" speed=\"40\"");
  for (int i = 0; i < 3; ++i) mGame->AddRandomToken();
  // The first token starts at 974 and rests at 17: 957 px at 40 px/s is 23.925 s.
  Frames(2380);
  EXPECT_TRUE(mHost.mBonuses.empty());
  EXPECT_LT(mGame->GetRow()[0].mX, 25.0f);
  Frames(20);
  EXPECT_EQ(mHost.mBonuses, std::vector<std::string>{"coin 1"});
}

TEST_F(MiniGameTest, TasksCountDownWhenTheirTokensArriveAndWidgetsWaitForTheirFlight) {
  std::ifstream in(std::string(std::getenv("CAFE_SOURCE_DIR")) + "/tests/cafe/data/minigame_3trays.xml");
  std::stringstream text;
  text << in.rdbuf();
  Build(ParseXml(text.str()));
  Params("bonus_coin=\"1\" speed=\"100000\"");
  mHost.mTargets[0] = mHost.mRemaining[0] = 1;
  mHost.mTargets[4] = 2;  // done before: its icon arrives with the last task
  for (int i = 0; i < 4; ++i) mGame->AddRandomToken();
  EXPECT_EQ(mGame->GetRow().size(), 3u);
  EXPECT_EQ(mTrace.Starting("minigame refused"), std::vector<std::string>{"minigame refused coin"});

  Frames(10);  // settled and chained: three flights to the coin icon
  ASSERT_EQ(mGame->GetFlights().size(), 3u);
  mGame->AddRandomToken();  // every widget still flies
  EXPECT_TRUE(mGame->GetRow().empty());
  Frames(80);
  EXPECT_EQ(mHost.mRemaining[0], 1);
  EXPECT_FALSE(mHost.mIcons[0]->GetEffect()->IsRunning());
  Frames(20);
  EXPECT_EQ(mHost.mRemaining[0], 0);
  EXPECT_TRUE(mHost.mIcons[0]->GetEffect()->IsRunning());
  EXPECT_TRUE(mHost.mIcons[4]->GetEffect()->IsRunning());
  EXPECT_FALSE(mHost.mIcons[1]->GetEffect()->IsRunning());
  EXPECT_EQ(mTrace.Starting("task"),
            (std::vector<std::string>{"task coin 1->0", "task coin 0->0", "task coin 0->0"}));
  EXPECT_EQ(mGame->GetFreeTrayCount(), 3u);
  mGame->AddRandomToken();
  EXPECT_EQ(mGame->GetRow().size(), 1u);
}

TEST_F(MiniGameTest, TheTutorialEnablesForcedTokensOneByOneOrAll) {
  // The lesson asks for the fourth token while the rush has brought only two: it is enabled as
  // it enters, and only it.
  mGame->AddToken(0, false, false);
  mGame->AddToken(2, false, false);
  mGame->EnableToken(4);
  mGame->EnableToken(0);
  for (int kind : {2, 1, 2, 0}) mGame->AddToken(kind, false, false);
  mGame->OnCommand(TokenWidget(2));
  EXPECT_EQ(mGame->GetRow().size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(TokenWidget(i)->IsDisabled(), i != 3) << i;
  mGame->OnCommand(TokenWidget(3));
  EXPECT_EQ(Kinds(), "coin clean clean clean coin ");
  mGame->EnableAllTokens();
  for (size_t i = 0; i < 5; ++i) EXPECT_FALSE(TokenWidget(i)->IsDisabled());
  // A request cleared by a new level does not enable a later token.
  mGame->ResetLevel();
  mGame->EnableToken(2);
  mGame->ResetLevel();
  for (int kind : {0, 2}) mGame->AddToken(kind, false, false);
  EXPECT_TRUE(TokenWidget(1)->IsDisabled());
}

}  // namespace
