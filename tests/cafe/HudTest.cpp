#include <gtest/gtest.h>

#include <memory>

#include "board/BoardWorld.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/AchievementParams.h"
#include "cafe/ZBoard_Hud.h"
#include "cafe/support/CafeItemsFixture.h"
#include "graphics/MemoryImage.h"
#include "widgets/FrameStep.h"
#include "widgets/WidgetServices.h"

namespace {

std::string Picture(const std::string& name, int x = 0, int w = 60) {
  return "<widget type=\"picture\" name=\"" + name + "\" x=\"" + std::to_string(x) + "\" y=\"0\" w=\"" +
         std::to_string(w) + "\" h=\"90\"/>";
}
std::string Box(const std::string& name, const std::string& children, int x = 0, int w = 60) {
  return "<widget type=\"zcdialog\" name=\"" + name + "\" x=\"" + std::to_string(x) + "\" y=\"0\" w=\"" +
         std::to_string(w) + "\" h=\"90\">" + children + "</widget>";
}

// The "hud" dialog with every child it binds (the bonus pieces aside).
std::string HudLayout() {
  std::string tasks;
  for (int i = 1; i <= 5; ++i) {
    const std::string cells = Picture("achiev_nm") + Picture("achiev_pr");
    tasks += Box("achiev_" + std::to_string(i), cells) + Box("achiev_" + std::to_string(i) + "_ghost", cells);
  }
  std::string right;
  for (const char* name : {"goal_bkg", "expert_bkg", "goal_value", "expert_value", "goal_text", "expert_text",
                           "money_goal_value", "money_expert_value", "money_goal_value_ghost",
                           "money_expert_value_ghost"})
    right += Picture(name);
  return "<root><dialogs>" +
         Box("hud",
             Box("left_part", Picture("clock") + Picture("alarm") + Picture("closed")) + Box("right_part", right) +
                 Box("survival_life", Picture("life_0") + Picture("life_1") + Picture("life_2") + Picture("life_3")) +
                 Box("goal_splash", Picture("goal_star")) + Box("expert_splash", Picture("expert_star")) +
                 Box("freeze", Picture("step_1") + Picture("step_2") + Picture("step_3")) +
                 Box("achievments", tasks, 0, 1024) + Picture("tutorial1") + Picture("tutorial2") +
                 Picture("tutor_reset_widget") + Box("skip_tutorial_dlg", Picture("skip")) +
                 "<widget type=\"zcdialog\" name=\"globalclean\" visible=\"0\"><widget type=\"picture\" "
                 "name=\"globalcleaning\" w=\"64\" h=\"64\" effect=\"hud_land_brief\" visible=\"0\"/></widget>",
             0, 1024) +
         "</dialogs></root>";
}

class HudTest : public CafeBoardFixture {
 protected:
  void SetUp() override {
    CafeBoardFixture::SetUp();
    ASSERT_TRUE(InstallEffects());
    mCache = std::make_unique<ZCTextureCache>(
        [](const std::string&) { return std::make_unique<Vesk::MemoryImage>(300, 810); });
    for (int i = 0; i < 12; ++i) {
      char id[16];
      std::snprintf(id, sizeof id, "hud_watch%02d", i);
      mCache->AddTexture(id, std::string("ui\\") + id + ".png");
    }
    mCache->AddTexture("achievment", "ui\\achievment.png");
    mSavedCache = GetWidgetServices().mTextures;
    GetWidgetServices().mTextures = mCache.get();
    mHud = std::make_unique<ZBoard_Hud>(nullptr);
    ASSERT_TRUE(mHud->LoadByName(ParseXml(HudLayout()), "hud"));
    mHud->SetVisible(true);
    mBoard->SetHud(mHud.get());
    mBoard->mGoal = 150;
    mBoard->mExpertGoal = 250;
    SetBoardTrace(&mTrace);
  }
  void TearDown() override {
    SetBoardTrace(nullptr);
    mBoard->SetHud(nullptr);
    mHud.reset();
    GetWidgetServices().mTextures = mSavedCache;
    GetAchievementParams().Clear();
    RemoveEffects();
    CafeBoardFixture::TearDown();
  }
  ZCCandyWidget* Find(const std::string& name) const { return mHud->FindDescendant(name); }
  Rect Cell(ZCCandyWidget* w) const { return w->GetTexture(0) ? w->GetTexture(0)->mSrc : Rect(-1, -1, 0, 0); }
  Rect CellAt(int column, int row) const { return Rect(column * 60, row * 90, 60, 90); }

  std::unique_ptr<ZCTextureCache> mCache;
  ZCTextureCache* mSavedCache = nullptr;
  std::unique_ptr<ZBoard_Hud> mHud;
  TraceLines mTrace;
};

TEST_F(HudTest, TaskIconsPackToTheRightInTaskOrderAndShowTheirCounts) {
  AchievementParams& params = GetAchievementParams();
  params.SetTask(1, 8, 4);
  params.SetTask(3, 3, 3);
  mHud->OnLevelStart(false);
  // Slots are 60 wide from x 512: tasks 1 and 3 take the two right-most, 1 first.
  EXPECT_FALSE(mHud->GetTaskIcon(0)->IsVisible());
  EXPECT_TRUE(mHud->GetTaskIcon(1)->IsVisible());
  EXPECT_EQ(mHud->GetTaskIcon(1)->mX, 512 + 60 * 3);
  EXPECT_EQ(mHud->GetTaskIcon(3)->mX, 512 + 60 * 4);
  EXPECT_EQ(mHud->GetTaskGhost(3)->mX, 512 + 60 * 4);
  EXPECT_FALSE(mHud->GetTaskGhost(1)->IsVisible());
  // 4 of 8 left: progress row floor(2.5 + 0.5) + 2 = 5 in the task's column; the count "4".
  ZCCandyWidget* icon = mHud->GetTaskIcon(1);
  EXPECT_EQ(Cell(icon->FindChild("achiev_pr")), CellAt(1, 5));
  EXPECT_EQ(Cell(mHud->GetTaskIcon(3)->FindChild("achiev_nm")), CellAt(2, 1));
  EXPECT_EQ(Cell(mHud->GetTaskGhost(3)->FindChild("achiev_nm")), CellAt(2, 1));
  // A task without target (hidden) shows row 2 rather than dividing by 0.
  EXPECT_EQ(Cell(mHud->GetTaskIcon(0)->FindChild("achiev_pr")), CellAt(0, 2));
  // A finished task shows the done mark; a count beyond the digits stays inside the sheet.
  params.SetTask(3, 3, 1);
  params.CompleteTask(3);
  EXPECT_EQ(Cell(mHud->GetTaskIcon(3)->FindChild("achiev_nm")), CellAt(0, 8));
  params.SetTask(1, 9, 9);
  mHud->RefreshAchievementIcons();
  EXPECT_EQ(Cell(icon->FindChild("achiev_nm")), CellAt(4, 1));
  // Five tasks fill every slot in order.
  for (int i = 0; i < 5; ++i) params.SetTask(i, 1, 1);
  mHud->OnLevelStart(false);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(mHud->GetTaskIcon(i)->mX, 512 + 60 * i) << i;
  // Survival shows no tasks.
  mHud->OnLevelStart(true);
  EXPECT_FALSE(Find("achievments")->IsVisible());
}

TEST_F(HudTest, TheClockShowsItsLastFrameOnlyAtTheEndAndTheAlarmOnce) {
  ASSERT_EQ(mHud->GetWatchFrameCount(), 12u);
  mHud->OnLevelStart(false);
  mHud->ShowLevelProgress(0.5f);
  EXPECT_EQ(mHud->GetFrameIndex(), 5);
  mHud->ShowLevelProgress(0.999f);
  EXPECT_EQ(mHud->GetFrameIndex(), 10);
  EXPECT_FALSE(Find("alarm")->IsVisible());
  mHud->ShowLevelProgress(1.0f);
  EXPECT_EQ(mHud->GetFrameIndex(), 11);
  EXPECT_TRUE(Find("alarm")->IsVisible());
  EXPECT_TRUE(Find("closed")->IsVisible());
  EXPECT_EQ(Find("clock")->GetTexture(0)->mHandle.GetDesc()->GetId(), "hud_watch11");
  // Going back hides the alarm; reaching the end again does not sound it a second time.
  mHud->ShowLevelProgress(0.2f);
  EXPECT_FALSE(Find("alarm")->IsVisible());
  mHud->ShowLevelProgress(1.5f);
  EXPECT_EQ(mHud->GetFrameIndex(), 11);
  EXPECT_FALSE(Find("alarm")->IsVisible());
  EXPECT_EQ(mTrace.Starting("hud alarm").size(), 1u);
  // The next level sounds it again.
  mHud->OnLevelStart(false);
  mHud->ShowLevelProgress(1.0f);
  EXPECT_TRUE(Find("alarm")->IsVisible());
  // Survival has no frames here: no clock, nothing breaks.
  mHud->OnLevelStart(true);
  mHud->ShowLevelProgress(0.5f);
  EXPECT_EQ(mHud->GetFrameIndex(), -1);
}

TEST_F(HudTest, TheGoalPanelRevertsWhenMoneyDropsAndTheGoalCanBeReachedAgain) {
  mHud->OnLevelStart(false);
  EXPECT_TRUE(Find("goal_text")->IsVisible());
  EXPECT_FALSE(Find("expert_text")->IsVisible());
  mBoard->AddMoney(160);
  EXPECT_TRUE(mBoard->IsGoalMarked());
  EXPECT_TRUE(Find("goal_splash")->IsVisible());
  EXPECT_TRUE(Find("expert_text")->IsVisible());
  EXPECT_FALSE(Find("goal_bkg")->IsVisible());
  mHud->Update();
  EXPECT_TRUE(Find("expert_text")->IsVisible());
  // A penalty below the goal: the goal panel is back and the mark cleared.
  mBoard->AddMoney(-20);
  mHud->Update();
  EXPECT_FALSE(mBoard->IsGoalMarked());
  EXPECT_TRUE(Find("goal_text")->IsVisible());
  EXPECT_FALSE(Find("money_expert_value")->IsVisible());
  Find("goal_splash")->SetVisible(false);
  mBoard->AddMoney(30);
  EXPECT_TRUE(Find("goal_splash")->IsVisible());
  EXPECT_EQ(mTrace.Starting("hud sound goal").size(), 2u);
  // The level's end hides both panels.
  mHud->OnLevelStopped();
  EXPECT_FALSE(Find("goal_text")->IsVisible());
  EXPECT_FALSE(Find("expert_text")->IsVisible());
  EXPECT_FALSE(Find("goal_splash")->IsVisible());
}

TEST_F(HudTest, LivesFreezeAndTutorialWidgets) {
  mHud->OnLevelStart(true);
  for (int lives : {3, 2, 1, 0}) {
    mHud->SetLives(lives);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Find("life_" + std::to_string(i))->IsVisible(), i == lives) << lives;
  }
  mHud->SetLives(-1);
  EXPECT_EQ(mHud->GetLivesShown(), 0);
  mHud->SetLives(7);
  EXPECT_EQ(mHud->GetLivesShown(), 3);
  mHud->OnLevelStopped();
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Find("life_" + std::to_string(i))->IsVisible());

  GameClock::ResetAll();
  mHud->ShowFreeze(2.0f);
  EXPECT_TRUE(Find("freeze")->IsVisible());
  EXPECT_EQ(Find("step_1")->GetScale(), 5.12f);
  GameClock::Advance(1.5f);
  mHud->Update();
  EXPECT_TRUE(Find("freeze")->IsVisible());
  GameClock::Advance(0.6f);
  mHud->Update();
  EXPECT_FALSE(Find("freeze")->IsVisible());
  GameClock::ResetAll();

  // The cleaning piece lands and goes by its effect; a second clean bonus plays it again.
  ZCCandyWidget* piece = Find("globalcleaning");
  SetFrameStep(0.1f);
  for (int round = 0; round < 2; ++round) {
    mHud->ShowGlobalClean();
    piece->Update();
    EXPECT_TRUE(piece->IsVisible()) << round;
    for (int i = 0; i < 30; ++i) piece->Update();
    EXPECT_FALSE(piece->IsVisible()) << round;
  }
  SetFrameStep(0);

  mHud->SetTutorialWidgetVisible("tutorial2", false);
  EXPECT_FALSE(Find("tutorial2")->IsVisible());
  mHud->SetTutorialWidgetVisible("tutorial9", true);  // not in the layout: nothing but a warning
  EXPECT_EQ(CountLogLines("no tutorial widget \"tutorial9\""), 1);
  mHud->BringTutorialWidgetsToFront();
  EXPECT_EQ(mHud->GetChildren().back(), Find("tutorial2"));
  // The tutorial's veil and skip offer are not hint widgets: hiding every hint leaves them.
  mHud->SetTutorialWidgetVisible("tutorial1", true);
  // The skip card waits while the café takes no clicks (beside the briefing it could not be
  // clicked) and comes when it does.
  mHud->ShowSkipTutorial();
  EXPECT_FALSE(Find("skip_tutorial_dlg")->IsVisible());
  mBoard->SetVisible(true);
  mBoard->StartLevel();
  mBoard->Pause();
  mHud->Update();
  EXPECT_FALSE(Find("skip_tutorial_dlg")->IsVisible());
  mBoard->Resume();
  mHud->Update();
  EXPECT_TRUE(Find("skip_tutorial_dlg")->IsVisible());
  mHud->SetTutorialWidgetVisible("tutorial1", true);
  mHud->SetTutorResetWidget(true, 0.25f);
  mHud->HideTutorialWidgets();
  EXPECT_FALSE(Find("tutorial1")->IsVisible());
  EXPECT_TRUE(Find("skip_tutorial_dlg")->IsVisible());
  EXPECT_TRUE(Find("tutor_reset_widget")->IsVisible());
  EXPECT_FLOAT_EQ(Find("tutor_reset_widget")->GetAlpha(), 0.25f);
}

}  // namespace

namespace {

// A layout without any of the children, and no textures at all: every operation leaves the
// missing pieces out.
TEST_F(HudTest, ABareLayoutLeavesEveryMissingPieceOut) {
  GetWidgetServices().mTextures = nullptr;
  ZBoard_Hud bare(nullptr);
  ASSERT_TRUE(bare.LoadByName(ParseXml(R"(<root><widget type="zcdialog" name="hud"/></root>)"), "hud"));
  bare.SetVisible(true);
  mBoard->SetHud(&bare);
  GetAchievementParams().SetTask(0, 2, 1);
  for (bool survival : {false, true}) {
    bare.OnLevelStart(survival);
    mBoard->AddMoney(500);
    mBoard->AddMoney(-500);
    bare.SetLives(2);
    bare.SetUpgradeButton(true);
    bare.HideSkipTutorial();
    bare.ShowSplash("success_splash");
    bare.RestartSmiles();
    bare.ShowGlobalClean();
    bare.ShowFreeze(1.0f);
    bare.ShowLevelProgress(1.0f);
    GetAchievementParams().CompleteTask(0);
    bare.Update();
    bare.OnCommand(nullptr);
    bare.OnLevelStopped();
  }
  EXPECT_EQ(bare.GetWatchFrameCount(), 0u);
  EXPECT_EQ(bare.GetFrameIndex(), -1);
  mBoard->SetHud(mHud.get());
}

}  // namespace
