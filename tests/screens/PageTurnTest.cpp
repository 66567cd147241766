#include <gtest/gtest.h>

#include <cmath>

#include "graphics/Rect.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "support/ScreenDriver.h"

namespace {

Rect Of(const ZCCandyWidget* w) { return Rect(w->mX, w->mY, w->mWidth, w->mHeight); }

bool Visible(ScreenTable::Id id) { return ScreenTable::Get(id) && ScreenTable::Get(id)->IsVisible(); }

class PageTurnTest : public ScreenDriver {
 protected:
  void SetUp() override {
    Start(WithPlayers({L"Alice"}));
    Settle();
    mMenu = ScreenTable::GetMainMenu();
    ASSERT_NE(mMenu, nullptr);
    mLeft = mMenu->mMainPage->FindChild("left_page");
    mRight = mMenu->mMainPage->FindChild("right_page");
    mSheet = mMenu->FindChild("f_pages");
    ASSERT_TRUE(mLeft && mRight && mSheet);
  }
  ZCBoard_MainMenu* mMenu = nullptr;
  ZCCandyWidget* mLeft = nullptr;
  ZCCandyWidget* mRight = nullptr;
  ZCCandyWidget* mSheet = nullptr;
};

}  // namespace

// A forward turn, step by step: the pages unfold from the book's right edge, the sheet fades in
// and out, and at 0.7 s the spread is whole again.
TEST_F(PageTurnTest, ForwardTurnStepByStep) {
  mMenu->TurnPage(mMenu->mMainPage, false, ZCBoard_MainMenu::kTurnMainMenu);
  EXPECT_EQ(Of(mLeft), Rect(950, 0, 0, 727));
  float alpha[72] = {};
  for (int step = 1; step <= 71; ++step) {
    Step(1);
    alpha[step] = mSheet->GetAlpha();
  }
  EXPECT_NEAR(alpha[1], 0.0f, 0.05f);
  EXPECT_NEAR(alpha[35], 1.0f, 0.05f);
  EXPECT_NEAR(alpha[69], 0.0f, 0.05f);
  EXPECT_FALSE(mMenu->IsTurning());
  EXPECT_EQ(Of(mLeft), Rect(0, 0, 475, 727));
  EXPECT_EQ(Of(mRight), Rect(475, 0, 475, 727));
  EXPECT_FALSE(mSheet->IsVisible());
  EXPECT_TRUE(mMenu->IsVisible());
}

// A backward turn opens to the right: at 0.2 s both pages are 135 wide and the sheet lies 73
// left of the fold; the right page shows its own right-hand part (its content drawn 340 to the
// left), as it slides out from under the fold.
TEST_F(PageTurnTest, BackwardTurnAtStepTwenty) {
  ZCCandyWidget* left = mMenu->mPlayerPage->FindChild("left_page");
  ZCCandyWidget* right = mMenu->mPlayerPage->FindChild("right_page");
  mMenu->TurnPage(mMenu->mPlayerPage, true, ZCBoard_MainMenu::kTurnMainMenu);
  Step(20);
  EXPECT_EQ(Of(left), Rect(0, 0, 135, 727));
  EXPECT_EQ(Of(right), Rect(135, 0, 135, 727));
  int32_t dx = 0, dy = 0;
  right->GetDrawOffset(dx, dy);
  EXPECT_EQ(dx, 135 - 475);
  EXPECT_EQ(dy, 0);
  left->GetDrawOffset(dx, dy);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(mSheet->mX, 135 - 73);
  EXPECT_EQ(mSheet->mY, 35);
}

// Where a turn ends: with no target on the main menu whatever the mode; with mode 0 on no
// screen at all.
TEST_F(PageTurnTest, WhereTurnsEnd) {
  mMenu->TurnPage(nullptr, true, ZCBoard_MainMenu::kTurnCareer);
  Step(75);
  EXPECT_TRUE(mMenu->IsVisible());
  EXPECT_FALSE(Visible(ScreenTable::kCareer));
  EXPECT_FALSE(mMenu->mPlayerPage->IsVisible());

  mMenu->TurnPage(mMenu->mMainPage, false, ZCBoard_MainMenu::kTurnNone);
  Step(75);
  for (ScreenTable::Id id : {ScreenTable::kMainMenu, ScreenTable::kCareer, ScreenTable::kHelp, ScreenTable::kHiScores,
                             ScreenTable::kSurvival})
    EXPECT_FALSE(Visible(id)) << "screen " << id;
}

// A book without the turning sheet and the cover still turns and ends.
TEST_F(PageTurnTest, ABookWithoutSheetOrCoverStillEnds) {
  auto* book = new ZCDialog(0, mGame.get());
  auto* page = new ZCDialog(0, mGame.get());
  auto* left = new ZCDialog(0, mGame.get());
  auto* right = new ZCDialog(0, mGame.get());
  page->AddChild("left_page", left);
  page->AddChild("right_page", right);
  book->AddChild("page", page);
  book->SetVisible(true);
  mGame->GetRootDialog()->AddWidget(book);
  mMenu->TurnPage(page, false, ZCBoard_MainMenu::kTurnMainMenu);
  Step(75);
  EXPECT_FALSE(mMenu->IsTurning());
  EXPECT_EQ(Of(left), Rect(0, 0, 475, 727));
  EXPECT_EQ(Of(right), Rect(475, 0, 475, 727));
  EXPECT_TRUE(page->IsVisible());
}
