#include <gtest/gtest.h>

#include "board/ZCMoveItem.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/ActorParams.h"
#include "cafe/support/CafeDoubles.h"

namespace {

using GameParamsTest = CafeBoardFixture;

TEST_F(GameParamsTest, SampleValuesAndBlocksAreRead) {
  ASSERT_TRUE(LoadSampleConfig());
  const GameLevelValues& values = GetGameLevelValues();
  EXPECT_EQ(values.mBonusCoin4Upgrade, 50);
  EXPECT_FLOAT_EQ(values.mBonusIceTimeout, 8.0f);
  EXPECT_FLOAT_EQ(values.mClientPause, 1.5f);
  const HeroineParams* boss = FindHeroineParams("boss");
  ASSERT_NE(boss, nullptr);
  EXPECT_FLOAT_EQ(boss->mSpeedAddUpgrade, 60.0f);
  EXPECT_FLOAT_EQ(boss->mIdleRestartMax, 5.0f);  // "idle_rastart_time_max"
  EXPECT_FLOAT_EQ(ZCMoveItem::FindPersonParams("boss")->mMoveSpeed, 260.0f);
  EXPECT_FLOAT_EQ(GetClientsConfig().mPatienceYellow, 33.0f);
  const ClientParams* granny = FindClientParams("granny");
  ASSERT_NE(granny, nullptr);
  EXPECT_EQ(granny->mMoneyRed, 10);
  EXPECT_EQ(granny->mLossesMoney, 15);
  EXPECT_FLOAT_EQ(granny->mStartPatience, 100.0f);
  const WorkerParams* cook = FindWorkerParams("cook");
  ASSERT_NE(cook, nullptr);
  EXPECT_EQ(cook->mProduct, "0500");
  EXPECT_EQ(cook->mProductType, "pizza");
  EXPECT_EQ(cook->mSerial, 2);
  EXPECT_FLOAT_EQ(GetWorkersConfig().mTidinessRed, 15.0f);
  ASSERT_NE(FindPeriodParams("super_material"), nullptr);
  EXPECT_FLOAT_EQ(FindPeriodParams("super_material")->mTimeoutMax, 40.0f);
  // Cleared with the game, but for the upgrade lists.
  mBoard->ClearGameParams();
  EXPECT_EQ(FindHeroineParams("boss"), nullptr);
  EXPECT_EQ(FindWorkerParams("cook"), nullptr);
  EXPECT_EQ(FindPeriodParams("super_material"), nullptr);
  EXPECT_EQ(mBoard->GetFunctionalUpgrades().size(), 8u);
}

TEST_F(GameParamsTest, TheFirstBlockOfANameStaysAndMissingListsLeaveNothing) {
  mBoard->LoadGameParams(ParseXml(R"(<root>
      <perses><pers name="boss" wash_time="2"/><pers name="boss" wash_time="9"/><pers wash_time="5"/></perses>
      <clients><client name="girl" client_money01_g="7"/><client name="girl" client_money01_g="8"/></clients>
      <workers><worker name="a"/><worker name="a"/><worker name="b"/></workers>
    </root>)"));
  EXPECT_FLOAT_EQ(FindHeroineParams("boss")->mWashTime, 2.0f);
  EXPECT_EQ(FindClientParams("girl")->mMoneyGreen, 7);
  EXPECT_EQ(FindWorkerParams("b")->mSerial, 2);
  EXPECT_EQ(FindClientParams("boy"), nullptr);
  EXPECT_EQ(CountLogLines("ERROR: Undefined client skin name: 'boy'"), 1);
  EXPECT_EQ(CountLogLines("WARNING: cfg.xml has no \"period_items\" element"), 1);
  EXPECT_EQ(CountLogLines("WARNING: cfg.xml has no \"level\" element"), 1);
  EXPECT_EQ(CountLogLines("WARNING: cfg.xml has no \"upgrade\" element"), 1);
  EXPECT_TRUE(mBoard->GetFunctionalUpgrades().empty());
}

}  // namespace
