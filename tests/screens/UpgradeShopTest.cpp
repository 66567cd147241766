#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "screens/ScreenTable.h"
#include "shell/XmlNode.h"
#include "support/BoardDialogs.h"
#include "support/LayoutCheck.h"
#include "support/ScreenDriver.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"

// The upgrade shop after day 6 (café 1's furniture) with three offers: the rug, the worker
// tables and the bar (the bench and the guests' tables are owned already).
namespace {

// The game's screens, counting the results the board reports.
struct CountingScreens : CafeScreens {
  explicit CountingScreens(ZCEngine3* game) : mGame(game) {}
  void ShowMessageBox(const std::string& id) override { mGame->ShowMessageBox(id); }
  void SetCareerResult(int32_t money, int32_t result, int32_t level) override {
    ++mReports;
    mGame->SetCareerResult(money, result, level);
  }
  void ShowSurvivalEnd(bool highScore) override {
    ++mReports;
    mGame->ShowSurvivalEnd(highScore);
  }
  ZCEngine3* mGame;
  int mReports = 0;
};

constexpr int32_t kFloor = 14, kDecor = 17, kClientTables = 18;

// The screen's pixels as drawn now.
std::vector<uint32_t> Pixels(ScreenGame* game) {
  game->Frame();
  Vesk::DDImage* screen = game->GetDisplay()->GetScreenImage();
  return std::vector<uint32_t>(screen->GetBits(), screen->GetBits() + size_t(screen->GetWidth()) * screen->GetHeight());
}

bool Inside(const std::vector<Rect>& rects, int32_t x, int32_t y) {
  for (const Rect& r : rects)
    if (x >= r.mX && x < r.mX + r.mWidth && y >= r.mY && y < r.mY + r.mHeight) return true;
  return false;
}

}  // namespace

class UpgradeShopTest : public ScreenDriver {
 protected:
  // A player with day 6 open owning the given flags; day 6 ended at its goal.
  void PlayDay6(std::vector<int32_t> owned) {
    StartOptions options = WithPlayers({L"Alice"});
    options.fill = [owned](size_t, ProfileStore::PlayerRecord& record) {
      record.levelsOpen = 6;
      for (int32_t flag : owned) record.upgrades[size_t(flag)] = 1;
    };
    Start(options);
    mGame->mAnswerBox = [](const std::string&) { return 1; };
    Settle();
    mScreens = std::make_unique<CountingScreens>(mGame.get());
    mGame->GetBoard()->SetScreens(mScreens.get());
    Do([&] { mGame->GetBoard()->StartLoadingThread(6, false); });
    ASSERT_TRUE(StepUntil([&] { return !mGame->GetBoard()->IsLoadingLevel() && mGame->GetBoard()->IsRunning(); },
                          20000));
    EndDayAtGoal();
    ASSERT_TRUE(StepUntil([&] { return !mGame->GetBoard()->IsRunning(); }, 2000));
    Settle();
  }
  void TearDown() override {
    if (mGame && mGame->GetBoard()) mGame->GetBoard()->SetScreens(mGame.get());
    ScreenDriver::TearDown();
  }
  ZCBoard_Upgrade* Shop() { return BoardDialogOf<ZCBoard_Upgrade>(mGame.get(), ZCBoard_Game3::kShop); }
  bool Owned(int32_t flag) { return mGame->GetBoard()->GetUpgradeFlags()[flag] != 0; }
  bool Marked(size_t i) { return Shop()->GetSelectMark(i)->IsVisible(); }
  std::string Offer(int32_t i) { return "game_board/upgrade/upgrade_tray" + std::to_string(i + 1) + "/button"; }
  std::unique_ptr<CountingScreens> mScreens;
};

TEST_F(UpgradeShopTest, PreviewKeepAndReport) {
  PlayDay6({kDecor, kClientTables});
  ASSERT_TRUE(Shop()->IsVisible());
  EXPECT_EQ(mGame->mBoxesAsked, (std::vector<std::string>{"upgrade"}));
  EXPECT_EQ(Shop()->GetOfferCount(), 3);
  for (size_t i = 0; i < Shop()->GetTrayCount(); ++i) EXPECT_EQ(Shop()->GetTray(i)->IsVisible(), i < 3) << i;
  EXPECT_EQ(Shop()->GetSelected(), 0);
  EXPECT_TRUE(Owned(kFloor));
  EXPECT_TRUE(Marked(0));
  EXPECT_EQ(PauseCount(), 1);
  Shot("upgrade_shop");

  // The bar: the rug goes back, the bar is shown; the bar again stays owned.
  Click(Offer(2));
  Settle();
  EXPECT_FALSE(Owned(kFloor));
  EXPECT_TRUE(Owned(kFloor + 2));
  EXPECT_FALSE(Marked(0));
  EXPECT_TRUE(Marked(2));
  Click(Offer(2));
  Settle();
  EXPECT_TRUE(Owned(kFloor + 2));
  EXPECT_TRUE(Marked(2));
  EXPECT_EQ(mScreens->mReports, 0);

  Click("game_board/upgrade/upgrade_dialog/upgrade");
  Settle();
  EXPECT_FALSE(Shop()->IsVisible());
  EXPECT_TRUE(Owned(kFloor + 2));
  EXPECT_FALSE(Owned(kFloor));
  EXPECT_EQ(mScreens->mReports, 1);
  EXPECT_TRUE(mGame->GetBoard()->GetDialog(ZCBoard_Game3::kDebriefing).IsVisible());
  EXPECT_EQ(GetProfileStore().mPlayer.levelsOpen, 7);
  EXPECT_EQ(PauseCount(), 1);
}

// Each offer's change shows on the board: the shop's box and trays stand clear of it.
TEST_F(UpgradeShopTest, EveryPreviewShows) {
  PlayDay6({});
  ASSERT_TRUE(Shop()->IsVisible());
  ASSERT_GE(Shop()->GetOfferCount(), 3);
  ZCBoard_Game3* board = mGame->GetBoard();
  for (int32_t i = 0; i < Shop()->GetOfferCount(); ++i) {
    Click(Offer(i));
    Settle();
    ASSERT_EQ(Shop()->GetSelected(), i);
    Shot("upgrade_shop_offer_" + std::to_string(i + 1));
    for (const std::string& fault : LayoutFaults(mGame.get())) ADD_FAILURE() << "offer " << i << ": " << fault;
    // An offer whose furniture this day does not show has nothing to keep clear of.
    Rect area;
    if (!board->GetUpgradeArea(*Shop()->GetPreviewed(), area)) continue;
    std::vector<ZCCandyWidget*> parts = {Find("game_board/upgrade/upgrade_dialog")};
    for (int32_t t = 0; t < Shop()->GetOfferCount(); ++t) parts.push_back(Shop()->GetTray(size_t(t)));
    int64_t hidden = 0;
    for (ZCCandyWidget* part : parts) {
      const Rect r = ScreenRect(part);
      const int64_t w = std::min(r.mX + r.mWidth, area.mX + area.mWidth) - std::max(r.mX, area.mX);
      const int64_t h = std::min(r.mY + r.mHeight, area.mY + area.mHeight) - std::max(r.mY, area.mY);
      if (w > 0 && h > 0) hidden += w * h;
    }
    // Whole-floor offers aside, nothing of the change lies under the shop.
    const int64_t whole = int64_t(area.mWidth) * area.mHeight;
    if (whole < 1024 * 768 / 2) {
      EXPECT_EQ(hidden, 0) << Shop()->GetPreviewed()->mName << " at " << area.mX << "," << area.mY;
    }
  }
}

TEST_F(UpgradeShopTest, LeftRestartedSurvivalAndNoOffers) {
  PlayDay6({kDecor, kClientTables});
  ASSERT_TRUE(Shop()->IsVisible());
  ZCBoard_Game3* board = mGame->GetBoard();
  // Restart from the escape menu while the shop is open: no result.
  Do([&] { board->GetDialog(ZCBoard_Game3::kEscapeMenu).Show(); });
  Click("game_board/escape_menu/escape_dlg/right_page/restart");
  ASSERT_TRUE(StepUntil([&] { return !board->IsLoadingLevel() && board->IsRunning(); }, 20000));
  ASSERT_TRUE(StepUntil([&] { return !board->GetDialog(ZCBoard_Game3::kBriefing).IsVisible(); }));
  Settle();
  EXPECT_FALSE(Shop()->IsVisible());
  EXPECT_EQ(mScreens->mReports, 0);
  EXPECT_EQ(PauseCount(), 0);
  Do([&] { board->AbortLevel(); });

  // Survival: closing the shop reports nothing.
  Do([&] { BoardAccess::SetLevel(board, 1, true); });
  Do([&] { Shop()->Show(); });
  Settle();
  Do([&] { Shop()->Hide(); });
  Settle();
  EXPECT_EQ(mScreens->mReports, 0);
  Do([&] { BoardAccess::SetLevel(board, 6, false); });

  // A layout with two trays shows two of the three offers.
  const std::string layout =
      "<root><dialogs><widget type=\"zcdialog\" name=\"two_trays\" x=\"0\" y=\"0\" w=\"1024\" h=\"768\">"
      "<widget type=\"zcdialog\" name=\"upgrade_dialog\" x=\"0\" y=\"0\" w=\"400\" h=\"100\">"
      "<widget type=\"button\" name=\"upgrade\" x=\"0\" y=\"0\" w=\"80\" h=\"30\"/></widget>"
      "<widget type=\"zcdialog\" name=\"upgrade_tray1\" x=\"0\" y=\"600\" w=\"120\" h=\"120\" visible=\"0\">"
      "<widget type=\"button\" name=\"button\" x=\"0\" y=\"0\" w=\"96\" h=\"96\"/></widget>"
      "<widget type=\"zcdialog\" name=\"upgrade_tray2\" x=\"130\" y=\"600\" w=\"120\" h=\"120\" visible=\"0\">"
      "<widget type=\"button\" name=\"button\" x=\"0\" y=\"0\" w=\"96\" h=\"96\"/></widget>"
      "</widget></dialogs></root>";
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(layout.data()), layout.size(), "fixture");
  ZCBoard_Upgrade* shop = Shop();
  auto* two = new ZCBoard_Upgrade(mGame.get(), doc, "two_trays");
  Do([&] {
    board->AddChild("two_trays", two);
    board->SetDialog(ZCBoard_Game3::kShop, two);
    two->Show();
  });
  Settle();
  EXPECT_EQ(two->GetOfferCount(), 2);
  EXPECT_TRUE(two->GetTray(0)->IsVisible());
  EXPECT_TRUE(two->GetTray(1)->IsVisible());
  Do([&] {
    board->SetAbandoned();
    two->Hide();
    board->SetDialog(ZCBoard_Game3::kShop, shop);
  });
  Settle();
  EXPECT_EQ(mScreens->mReports, 0);
  EXPECT_EQ(PauseCount(), 0);
}

TEST_F(UpgradeShopTest, NoOffersReportAtOnce) {
  PlayDay6({kFloor, kFloor + 1, kFloor + 2, kDecor, kClientTables});
  EXPECT_TRUE(mGame->mBoxesAsked.empty());
  EXPECT_FALSE(Shop()->IsVisible());
  EXPECT_EQ(mScreens->mReports, 1);
  EXPECT_TRUE(mGame->GetBoard()->GetDialog(ZCBoard_Game3::kDebriefing).IsVisible());
}

// Every shop of the sample (the days whose file names an upgrade kind), every offer: choosing it
// leaves the shop's box and trays where they stand, and changes pixels of the café outside them.
TEST_F(UpgradeShopTest, EveryOfferOfEveryShopShowsOutsideAStillShop) {
  Start(WithPlayers({L"Alice"}));
  mGame->mAnswerBox = [](const std::string&) { return 1; };
  Settle();
  ZCBoard_Game3* board = mGame->GetBoard();
  const int32_t width = mGame->GetDisplay()->GetScreenImage()->GetWidth();
  int32_t shops = 0;
  for (int32_t level = 1; level <= 59; ++level) {
    char file[32];
    std::snprintf(file, sizeof file, "/content/cfg/l%03d.xml", int(level));
    std::ifstream in(std::getenv("CAFE_SOURCE_DIR") + std::string(file));
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.find("upgrade=\"") == std::string::npos) continue;
    ++shops;
    PlayLevel(level);
    Do([&] { Shop()->Show(); });
    Settle();
    ASSERT_TRUE(Shop()->IsVisible()) << level;
    EXPECT_GT(Shop()->GetOfferCount(), 0) << level;
    std::vector<Rect> panel;
    for (int32_t i = 0; i < Shop()->GetOfferCount(); ++i) {
      Click(Offer(i));
      Settle();
      ASSERT_EQ(Shop()->GetSelected(), i) << level;
      std::vector<Rect> now = {ScreenRect(Find("game_board/upgrade/upgrade_dialog"))};
      for (int32_t t = 0; t < Shop()->GetOfferCount(); ++t) now.push_back(ScreenRect(Shop()->GetTray(size_t(t))));
      if (i == 0) panel = now;
      for (size_t r = 0; r < now.size(); ++r)
        EXPECT_TRUE(now[r].mX == panel[r].mX && now[r].mY == panel[r].mY) << "day " << level << " offer " << i;
      UpgradeRecord& offer = *const_cast<UpgradeRecord*>(Shop()->GetPreviewed());
      // The coin bonus and the heroine's speed have no furniture to show them.
      if (offer.mObject == "bonus" || offer.mObject == "boss") continue;
      // The café with and without the offer, the pulse of each change run out.
      const std::vector<uint32_t> with = Pixels(mGame.get());
      Do([&] { board->ApplyUpgrade(offer, false); });
      Step(60);
      const std::vector<uint32_t> without = Pixels(mGame.get());
      Do([&] { board->ApplyUpgrade(offer, true); });
      Step(60);
      int64_t changed = 0;
      for (size_t p = 0; p < with.size(); ++p)
        if (with[p] != without[p] && !Inside(now, int32_t(p) % width, int32_t(p) / width)) ++changed;
      EXPECT_GT(changed, 0) << "day " << level << " offer " << offer.mObject << "/" << offer.mName;
    }
    Do([&] {
      board->SetAbandoned();
      Shop()->Hide();
      board->AbortLevel();
    });
    Settle();
  }
  EXPECT_GE(shops, 8);
}
