#include <gtest/gtest.h>

#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/StringUtil.h"
#include "support/ScreenDriver.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

namespace {

std::string Text(ZCCandyWidget* widget) { return widget && widget->AsText() ? WideToUtf8(widget->AsText()->GetText()) : ""; }

class ConfirmBoxTest : public ScreenDriver {
 protected:
  // Asks the box inside the loop; the answer lands in `result`.
  void Ask(const std::string& id, int32_t& result, bool message = false) {
    Do([id, &result, message] { result = message ? ShowMessageBox(id) : ShowConfirmBox(id); });
  }
  int32_t mResult = -1;
};

}  // namespace

// The answers: yes 1, no 0, any other widget of the box 0, the message box's button 1; each
// call fills the box afresh (nothing of "quit" stays in "delprof", a missing icon leaves it
// empty); clicks beside the box reach nothing behind; the focus comes back; a nested call and
// its caller share one answer.
TEST_F(ConfirmBoxTest, AnswersRefillsAndShieldsWhatIsBehind) {
  Start(WithPlayers({L"Alice"}));
  Settle();
  ZCBoard_Confirm2* box = ScreenTable::GetConfirmBox();
  ASSERT_NE(box, nullptr);
  Vesk::WidgetManager* manager = mGame->GetWidgetManager();
  Vesk::Widget* focus = manager->GetFocus();

  Ask("quit", mResult);
  Do([&] {
    EXPECT_EQ(manager->GetFocus(), box);
    EXPECT_TRUE(mGame->mMessageBoxOpen);
  });
  Click("dialogbox_2button/btn_yes");
  Settle();
  EXPECT_EQ(mResult, 1);
  EXPECT_FALSE(mGame->mMessageBoxOpen);
  EXPECT_EQ(manager->GetFocus(), focus) << "the focus did not come back";

  Ask("quit", mResult);
  // The tab beside the box would open the player page if the click reached it.
  Click("main_menu/profile_open");
  Click("dialogbox_2button/btn_no");
  Settle();
  EXPECT_EQ(mResult, 0);
  EXPECT_FALSE(Find("main_menu/profile_close")->IsVisible()) << "a click beside the box reached the menu";

  Ask("delprof", mResult);
  Do([&] {
    EXPECT_EQ(Text(box->mText1), "Remove this player?");
    EXPECT_EQ(static_cast<ZCButton*>(box->mNo)->GetLabel(), L"Keep");
    EXPECT_EQ(box->mIcon->GetTexture(0)->mHandle.GetDesc(), mGame->GetTextureCache()->GetTexture("db01_icon_delprof").GetDesc());
    box->OnCommand(box->mIcon);
  });
  Settle();
  EXPECT_EQ(mResult, 0) << "another widget of the box answers no";

  Ask("nosuch", mResult);
  Do([&] {
    EXPECT_EQ(Text(box->mText2), "$db01_text2_nosuch");
    ZCWidgetTexture* icon = box->mIcon->GetTexture(0);
    EXPECT_TRUE(!icon || icon->mHandle.IsNullHandle()) << "the previous icon stayed";
  });
  Click("dialogbox_2button/btn_yes");
  Settle();
  EXPECT_EQ(mResult, 1);

  int32_t inner = -1;
  Ask("quit", mResult);
  Ask("delprof", inner);
  Click("dialogbox_2button/btn_yes");
  Settle();
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(mResult, 1);

  Ask("upgrade", mResult, true);
  Click("dialogbox_1button/btn_yes");
  Settle();
  EXPECT_EQ(mResult, 1);
  EXPECT_FALSE(Find("dialogbox_bg")->IsVisible());
}

// The application ends while "delprof" waits: the call gives 2147483647 and nobody is deleted.
TEST_F(ConfirmBoxTest, AShutDownUnderTheBoxIsANo) {
  Start(WithPlayers({L"Alice", L"Bob"}));
  Settle();
  Click("main_menu/profile_open");
  Settle();
  Click("main_menu/select_profile/left_page/delete");
  Do([&] { mGame->Shutdown(); });
  Step(5);
  ZCBoard_Confirm2* box = ScreenTable::GetConfirmBox();
  EXPECT_EQ(box->GetBoxId(), "delprof");
  EXPECT_EQ(box->mAnswer, kBoxUnanswered);
  EXPECT_EQ(ShowConfirmBox("delprof"), kBoxUnanswered);
  std::vector<ProfileStore::PlayerRecord> players;
  GetProfileStore().ListPlayers(players);
  EXPECT_EQ(players.size(), 2u);
}

// Over a running level the box fades in and is answered while the level stands still (its
// gate is closed, nothing paused); then the level runs on.
TEST_F(ConfirmBoxTest, OverARunningLevel) {
  Start(WithPlayers({L"Alice"}, true));
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_TRUE(StepUntil([&] { return !mGame->IsBusyLoading() && board->IsRunning(); }, 20000));
  Step(10);
  float alphaAtStart = -1, timeAtStart = 0, timeAtAnswer = 0;
  Do([&] {
    timeAtStart = board->GetLevelTime();
    mResult = ShowConfirmBox("restlvl");
    timeAtAnswer = board->GetLevelTime();
  });
  Do([&] { alphaAtStart = ScreenTable::GetConfirmBox()->GetAlpha(); });
  Click("dialogbox_2button/btn_yes");
  Settle();
  EXPECT_EQ(mResult, 1);
  EXPECT_LT(alphaAtStart, 0.5f) << "the box did not fade in";
  EXPECT_EQ(timeAtAnswer, timeAtStart) << "the level went on under the box";
  EXPECT_EQ(PauseCount(), 0);
  Step(20);
  EXPECT_GT(board->GetLevelTime(), timeAtAnswer);
  EXPECT_TRUE(board->IsRunning());
}

// A box layout without its yes button could never be answered: asking it returns at once, and
// the quit goes ahead without asking rather than never.
TEST_F(ConfirmBoxTest, ABoxThatCannotBeAnsweredIsNotWaitedFor) {
  Start(WithPlayers({L"Alice"}));
  Settle();
  ZCBoard_Confirm2* box = ScreenTable::GetConfirmBox();
  ZCCandyWidget* yes = box->mYes;
  box->mYes = nullptr;
  EXPECT_EQ(ShowConfirmBox("delprof"), kBoxUnanswered);
  EXPECT_FALSE(mGame->mMessageBoxOpen);
  mGame->AskToQuit();
  EXPECT_TRUE(mGame->IsShutdownRequested());
  box->mYes = yes;
}
