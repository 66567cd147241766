// The café board playing on the real profile store: what a level changes lands in the current
// player's record and in "pref.dat".
#include <gtest/gtest.h>

#include "cafe/StoreProfile.h"
#include "cafe/support/CafeDoubles.h"
#include "cafe/support/ProfileFiles.h"

namespace {

class StoreProfileTest : public CafeBoardFixture {
 protected:
  void SetUp() override {
    CafeBoardFixture::SetUp();
    ProfileFiles::FreshHome();
    mStore.Load();
    ASSERT_TRUE(mStore.CreatePlayer(L"Kim"));
    mBoard->SetProfile(&mStoreProfile);
  }
  ProfileStore mStore;
  StoreProfile mStoreProfile{mStore};
};

TEST_F(StoreProfileTest, ASurvivalResultEntersTheTableAndIsSaved) {
  mBoard->mEndless = true;
  mBoard->mMoney = 777;
  mBoard->ReportLevelResult();
  EXPECT_EQ(mCalls.back(), "survival high");
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetPlayerName(), L"Kim");
  EXPECT_EQ(ProfileCodec::NameToWide(again.mSurvival[0].name), L"Kim");
  EXPECT_EQ(again.mSurvival[0].value, 777);
  // A score that does not reach the table is reported as such.
  mCalls.clear();
  mBoard->mMoney = 0;
  mBoard->ReportLevelResult();
  EXPECT_EQ(mCalls.back(), "survival board");
}

TEST_F(StoreProfileTest, CareerUpgradesAndHintMarksAreTheRecordsOwn) {
  ASSERT_TRUE(LoadSampleConfig());
  mStore.mPlayer.levelsOpen = 7;
  EXPECT_EQ(mStoreProfile.GetLevelsOpen(), 7);
  // The career board reads and writes the record's flags; survival keeps flags of its own.
  mBoard->GetUpgradeFlags()[4] = 1;
  EXPECT_EQ(mStore.mPlayer.upgrades[4], 1);
  mBoard->mEndless = true;
  EXPECT_EQ(mBoard->GetUpgradeFlags()[4], 0);
  mBoard->mEndless = false;
  // The first use of a bonus marks its hint in the record; out-of-range types touch nothing.
  mBoard->ApplyMiniGameBonus(2, 1);
  mBoard->ApplyMiniGameBonus(7, 1);
  EXPECT_EQ(mStore.mPlayer.bonusHints[2], 1);
  EXPECT_EQ(mStore.mPlayer.bonusHints[0] + mStore.mPlayer.bonusHints[1] + mStore.mPlayer.bonusHints[3] +
                mStore.mPlayer.bonusHints[4],
            0);
  ASSERT_TRUE(mStoreProfile.Save());
  ProfileStore again;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.mPlayer.upgrades[4], 1);
  EXPECT_EQ(again.mPlayer.bonusHints[2], 1);
  EXPECT_EQ(again.mPlayer.levelsOpen, 7);
}

}  // namespace
