#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "board/BoardWorld.h"
#include "board/ZCItem.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/ActorParams.h"
#include "cafe/support/CafeDoubles.h"
#include "effects/ZCEffect.h"

namespace {

class UpgradesTest : public CafeBoardFixture {
 protected:
  void SetUp() override {
    CafeBoardFixture::SetUp();
    ASSERT_TRUE(LoadSampleConfig());
  }
  void TearDown() override {
    CafeBoardFixture::TearDown();
    RemoveEffects();
  }
  // "object/name" → flag of every record read.
  std::map<std::string, int32_t> Flags(const std::vector<UpgradeRecord>& records) {
    std::map<std::string, int32_t> flags;
    for (const UpgradeRecord& r : records) flags[r.mObject + "/" + r.mName + "@" + std::to_string(r.mMinLevel)] = r.mFlag;
    return flags;
  }
  std::vector<std::string> Offers() {
    std::vector<UpgradeRecord*> offers;
    const int32_t count = mBoard->ListUpgradeOffers(offers);
    EXPECT_EQ(count, int32_t(offers.size()));
    std::vector<std::string> names;
    for (const UpgradeRecord* r : offers) names.push_back(r->mObject + "/" + r->mName);
    return names;
  }
  // The workers of the sample's three blocks, bound to shown items.
  void BindWorkers() {
    for (const char* skin : {"baker", "cook", "grocer"})
      FindWorkerParams(skin, MakeItem(std::string("worker_") + skin, true));
  }
  void Own(const std::string& object, const std::string& name) {
    for (auto* list : {&mBoard->GetFunctionalUpgrades(), &mBoard->GetVisualUpgrades()})
      for (const UpgradeRecord& r : *list)
        if (r.mObject == object && r.mName == name) mProfile.GetUpgradeFlags()[r.mFlag] = 1;
  }
};

TEST_F(UpgradesTest, RecordsMapToTheirFlagsAndThoseWithoutOneAreRefused) {
  const std::map<std::string, int32_t> functional = {
      {"bonus/money@1", 13}, {"boss/speed@1", 12},  {"baker/speed@1", 6},   {"baker/tidiness@1", 0},
      {"cook/speed@1", 7},   {"cook/tidiness@1", 1}, {"grocer/speed@2", 8}, {"grocer/tidiness@2", 2}};
  EXPECT_EQ(Flags(mBoard->GetFunctionalUpgrades()), functional);
  const std::map<std::string, int32_t> visual = {
      {"floor/floor@1", 14},        {"worker_table/worker_tables@1", 15}, {"bar/bar@1", 16},
      {"decor/decor@1", 17},        {"client_table/client_tables@1", 18}, {"floor/floor@2", 19},
      {"worker_table/worker_tables@2", 20}, {"bar/bar@2", 21},            {"decor/decor@2", 22},
      {"client_table/client_tables@2", 23}, {"floor/floor@3", 24},
      {"worker_table/worker_tables@3", 25}, {"bar/bar@3", 26},            {"decor/decor@3", 27},
      {"client_table/client_tables@3", 28}};
  EXPECT_EQ(Flags(mBoard->GetVisualUpgrades()), visual);
  EXPECT_EQ(CountLogLines("has no flag; refused"), 0);
  EXPECT_EQ(mBoard->GetVisualUpgrades()[1].mObjects, (std::vector<std::string>{"table01", "table02"}));
  // The unknown worker, the lamp and the fourth café.
  mBoard->LoadGameParams(ParseXml(R"(<root><upgrade>
      <functional name="speed" object="juggler" min_level="1" max_level="3"/>
      <visual name="lamp" object="lamp" min_level="1" max_level="1"><object name="lamp"/></visual>
      <visual name="floor" object="floor" min_level="4" max_level="4"><object name="floor_rug"/></visual>
      </upgrade></root>)"));
  EXPECT_EQ(CountLogLines("has no flag; refused"), 3);
  EXPECT_EQ(CountLogLines("'juggler'"), 1);
  EXPECT_EQ(CountLogLines("'lamp' of 'lamp'"), 1);
  EXPECT_EQ(CountLogLines("(café 4..4)"), 1);
}

TEST_F(UpgradesTest, ASecondReadKeepsEveryWorkersFlag) {
  ASSERT_TRUE(LoadSampleConfig());
  EXPECT_EQ(mBoard->GetFunctionalUpgrades().size(), 8u);
  EXPECT_EQ(mBoard->GetVisualUpgrades().size(), 15u);
  EXPECT_EQ(FindWorkerParams("baker")->mSerial, 1);
  EXPECT_EQ(FindWorkerParams("grocer")->mSerial, 3);
  EXPECT_EQ(mBoard->GetFunctionalUpgrades()[7].mFlag, 2);
}

TEST_F(UpgradesTest, FlagsAreTheOwnersOfTheMode) {
  // Before any level: the player's flags, none owned.
  EXPECT_FALSE(mBoard->IsUpgradeOwned("boss", "speed"));
  Own("boss", "speed");
  EXPECT_TRUE(mBoard->IsUpgradeOwned("boss", "speed"));
  EXPECT_FALSE(mBoard->IsUpgradeOwned("boss", "jump"));
  // Survival keeps its own.
  mBoard->mEndless = true;
  EXPECT_FALSE(mBoard->IsUpgradeOwned("boss", "speed"));
  UpgradeRecord coin = mBoard->GetFunctionalUpgrades()[0];
  mBoard->ApplyUpgrade(coin, true);
  EXPECT_EQ(mBoard->GetSurvivalFlags()[13], 1);
  EXPECT_EQ(mProfile.GetUpgradeFlags()[13], 0);
}

TEST_F(UpgradesTest, OffersTakeTheFirstSixEligibleInFileOrder) {
  mBoard->mLevelUpgradeKind = UpgradeRecord::kFunctional;
  mBoard->mLevelNumber = 2;  // café 1
  // No worker in the level: only the coin bonus and the heroine.
  EXPECT_EQ(Offers(), (std::vector<std::string>{"bonus/money", "boss/speed"}));
  BindWorkers();
  // The grocer's upgrades belong to cafés 2 and 3.
  EXPECT_EQ(Offers(), (std::vector<std::string>{"bonus/money", "boss/speed", "baker/speed", "baker/tidiness",
                                                "cook/speed", "cook/tidiness"}));
  mBoard->mLevelNumber = 16;  // café 2: eight eligible, six offered
  EXPECT_EQ(Offers().size(), 6u);
  Own("bonus", "money");
  Own("cook", "speed");
  EXPECT_EQ(Offers(), (std::vector<std::string>{"boss/speed", "baker/speed", "baker/tidiness", "cook/tidiness",
                                                "grocer/speed", "grocer/tidiness"}));
  // A hidden worker is not in the level.
  FindWorkerParams("baker")->mWorker->SetVisibleFlag(false);
  EXPECT_EQ(Offers(), (std::vector<std::string>{"boss/speed", "cook/tidiness", "grocer/speed", "grocer/tidiness"}));
  // Visual offers of the level's café only, whatever items the level has.
  mBoard->mLevelUpgradeKind = UpgradeRecord::kVisual;
  EXPECT_EQ(Offers(), (std::vector<std::string>{"floor/floor", "worker_table/worker_tables", "bar/bar", "decor/decor",
                                                "client_table/client_tables"}));
  EXPECT_EQ(mBoard->GetVisualUpgrades()[5].mMinLevel, 2);
  mBoard->mLevelUpgradeKind = UpgradeRecord::kNone;
  EXPECT_TRUE(Offers().empty());
}

TEST_F(UpgradesTest, SurvivalOffersTakeThePendingKinds) {
  mBoard->mEndless = true;
  mBoard->mLevelNumber = 1;
  EXPECT_TRUE(Offers().empty());  // nothing pending
  mBoard->mPendingUpgrades = {UpgradeRecord::kVisual, UpgradeRecord::kFunctional};
  EXPECT_EQ(Offers().size(), 5u);
  EXPECT_FALSE(std::count(mCalls.begin(), mCalls.end(), "hud upgrade off"));
  EXPECT_EQ(Offers(), (std::vector<std::string>{"bonus/money", "boss/speed"}));
  EXPECT_EQ(std::count(mCalls.begin(), mCalls.end(), "hud upgrade off"), 1);
  EXPECT_TRUE(Offers().empty());
}

// An owned visual upgrade dresses the items of its own café only (every café of the sample has
// a "floor_rug" and a "bar"); one not owned dresses nothing.
TEST_F(UpgradesTest, AnOwnedVisualUpgradeDressesOnlyItsOwnCafe) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="floor_rug"><part name="floor"/></object>
      <object class="item" name="bar"><part name="bar"/></object>
      </objects></root>)"));
  const UpgradeRecord& floor = mBoard->GetVisualUpgrades()[0];
  ASSERT_EQ(floor.mObject, "floor");
  ASSERT_EQ(floor.mMinLevel, 1);
  mProfile.GetUpgradeFlags()[floor.mFlag] = 1;
  ZCItem* rug = ZCItem::FindByName("floor_rug");
  ZCItem* bar = ZCItem::FindByName("bar");
  ASSERT_TRUE(rug && bar);
  const std::string plain = rug->GetSkin();
  for (const int32_t level : {16, 36, 2}) {
    mBoard->mLevelNumber = level;
    mBoard->ReadLevelRules(ParseXml(R"(<root><param upgrade_skin="wood" default_skin="plain"/></root>)"),
                           ParseXml(R"(<level><params normal="1" expert="2"/></level>)"));
    EXPECT_EQ(rug->GetSkin(), level == 2 ? "wood" : plain) << "level " << level;
    EXPECT_EQ(bar->GetSkin(), plain) << "level " << level;
  }
}

TEST_F(UpgradesTest, PreviewSwitchesSkinsAndSendsTheMessages) {
  ASSERT_TRUE(InstallEffects(R"(<effect name="upgrade_probe">
      <timer name="up" duration="1"/><timer name="down" duration="1"/>
      <message name="on_upgrade"><start timer="up"/></message>
      <message name="on_downgrade"><start timer="down"/></message></effect>)"));
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="table01" effect="upgrade_probe"><part name="table"/></object>
      <object class="item" name="table02" effect="upgrade_probe"><part name="table"/></object>
      </objects></root>)"));
  mBoard->ReadLevelRules(ParseXml(R"(<root><param upgrade_skin="wood" default_skin="plain"/></root>)"),
                         ParseXml(R"(<level><params normal="1" expert="2"/></level>)"));
  UpgradeRecord tables = mBoard->GetVisualUpgrades()[1];
  ZCItem* table1 = ZCItem::FindByName("table01");
  ZCItem* table2 = ZCItem::FindByName("table02");
  ASSERT_TRUE(table1 && table2 && table1->GetEffect());
  mBoard->ApplyUpgrade(tables, true);
  EXPECT_EQ(table1->GetSkin(), "wood");
  EXPECT_EQ(table2->GetSkin(), "wood");
  EXPECT_TRUE(table1->GetEffect()->FindTimer("up")->IsRunning());
  EXPECT_FALSE(table1->GetEffect()->FindTimer("down")->IsRunning());
  EXPECT_TRUE(mBoard->GetUpgradeFlag(tables));
  mBoard->ApplyUpgrade(tables, false);
  EXPECT_EQ(table2->GetSkin(), "plain");
  EXPECT_TRUE(table2->GetEffect()->FindTimer("down")->IsRunning());
  EXPECT_FALSE(mBoard->GetUpgradeFlag(tables));
  // The rug of the floor upgrade is not in this level: logged and skipped.
  UpgradeRecord floor = mBoard->GetVisualUpgrades()[0];
  mBoard->ApplyUpgrade(floor, true);
  EXPECT_EQ(CountLogLines("ERROR: Cannot find upgrade item 'floor_rug'"), 1);
  // At the next level's load the owned upgrade is put on again, and the missing rug logged.
  mBoard->ApplyUpgrade(tables, true);
  table1->ApplyUpgradeSkin("plain");
  mBoard->ReapplyUpgrades();
  EXPECT_EQ(table1->GetSkin(), "wood");
  EXPECT_EQ(CountLogLines("ERROR: Cannot find upgrade item 'floor_rug'"), 2);
}

}  // namespace
