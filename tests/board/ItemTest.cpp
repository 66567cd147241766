#include <gtest/gtest.h>

#include "board/support/BoardTestSupport.h"
#include "board/BoardWorld.h"
#include "board/ZCItem.h"
#include "board/ZCItemPart.h"
#include "board/ZCMoveItem.h"
#include "effects/ZCEffect.h"
#include "shell/Log.h"

namespace {

class ItemTest : public BoardWorldTest {
 protected:
  void LoadLevel() {
    XmlNode objects = LoadBoardFixture("objects.xml");
    XmlNode level = LoadBoardFixture("level_states.xml");
    ASSERT_TRUE(objects);
    ASSERT_TRUE(level);
    ZCItem::ReadLevelObjects(objects);
    ZCItem::ApplyLevelStates(level);
  }
  static ZCItem* Item(const std::string& name) { return ZCItem::FindByName(name); }
};

TEST_F(ItemTest, DescriptionGivesNamePositionOffsetOrientationAndParts) {
  LoadLevel();
  ZCItem* table = Item("table1");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetPosition().x, 100);
  EXPECT_EQ(table->GetPosition().y, 200);
  EXPECT_EQ(table->GetOffset().x, 3);
  EXPECT_EQ(table->GetOffset().y, -4);
  EXPECT_EQ(table->GetOrientation(), "bl");
  EXPECT_EQ(table->GetSkin(), "oak");
  ASSERT_EQ(table->GetParts().size(), 3u);
  EXPECT_EQ(table->GetPartRecords().mCount, 3);

  BoardPoint base = table->GetBasePoint(BoardPoint{10, 20});
  EXPECT_EQ(base.x, 113);
  EXPECT_EQ(base.y, 216);

  // The n-th part of a name, counted from 0.
  EXPECT_EQ(table->FindPart("body", 0), table->GetParts()[0].get());
  EXPECT_EQ(table->FindPart("body", 1), table->GetParts()[2].get());
  EXPECT_EQ(table->FindPart("body", 2), nullptr);
  EXPECT_EQ(table->FindPart("body", -1), nullptr);
  EXPECT_EQ(table->FindPart("shadow", 0), table->GetParts()[1].get());
}

TEST_F(ItemTest, AnItemLeftOutOfTheLevelStatesIsHiddenStoppedAndNeverUpdated) {
  LoadLevel();
  auto* counted = dynamic_cast<CountingItem*>(Item("counter"));
  auto* absent = dynamic_cast<CountingItem*>(Item("counter_absent"));
  ASSERT_NE(counted, nullptr);
  ASSERT_NE(absent, nullptr);
  EXPECT_FALSE(absent->IsRunning());
  EXPECT_FALSE(absent->IsVisible());
  EXPECT_FALSE(Item("absent")->IsRunning());

  ZCItem::ActivateAll();
  EXPECT_FALSE(absent->IsVisible());
  EXPECT_TRUE(counted->IsVisible());
  absent->StartAction(0.5f, 1);
  StepItems(100, 0.01f);
  EXPECT_EQ(absent->mUpdates, 0);
  EXPECT_EQ(absent->mActions, 0);
  EXPECT_EQ(counted->mUpdates, 100);
}

TEST_F(ItemTest, StopStopsOnlyForTrueOrNonZero) {
  LoadLevel();
  EXPECT_FALSE(Item("stop_true")->IsRunning());
  EXPECT_FALSE(Item("stop_one")->IsRunning());
  EXPECT_TRUE(Item("stop_zero")->IsRunning());
  EXPECT_TRUE(Item("stop_yes")->IsRunning());
  EXPECT_TRUE(Item("table1")->IsRunning());
  // A stopped item is hidden; the first state of a name wins over a later one.
  EXPECT_FALSE(Item("stop_true")->IsVisible());
  EXPECT_TRUE(Item("counter")->IsRunning());
  EXPECT_EQ(Item("counter")->GetSkin(), "");
}

TEST_F(ItemTest, TwoItemsOfOneNameAreBothCreatedAndUpdatedAndTheFirstIsFound) {
  LoadLevel();
  std::vector<ZCItem*> twins;
  for (ZCItem* item : GetItemRegistry().Items())
    if (item->GetName() == "twin") twins.push_back(item);
  ASSERT_EQ(twins.size(), 2u);
  EXPECT_EQ(Item("twin"), twins[0]);
  EXPECT_EQ(Item("twin")->GetPosition().x, 1);
  for (ZCItem* twin : twins) {
    EXPECT_TRUE(twin->IsRunning());
    twin->StartAction(0.05f, 2);
  }
  ZCItem::ActivateAll();
  StepItems(10, 0.01f);
  for (ZCItem* twin : twins) EXPECT_FALSE(twin->HasAction());

  // Deleting the second leaves the first under the name; deleting the first empties it.
  delete twins[1];
  EXPECT_EQ(Item("twin"), twins[0]);
  delete twins[0];
  EXPECT_EQ(Item("twin"), nullptr);
}

TEST_F(ItemTest, ANameWithQuotesStillGetsItsStateAndTheUnnamedObjectHasNone) {
  LoadLevel();
  ZCItem* quoted = Item("say \"hi\" o'clock");
  ASSERT_NE(quoted, nullptr);
  EXPECT_EQ(quoted->GetSkin(), "quoted");
  EXPECT_TRUE(quoted->IsRunning());
  ZCItem* unnamed = Item("");
  ASSERT_NE(unnamed, nullptr);
  EXPECT_FALSE(unnamed->IsRunning());
}

TEST_F(ItemTest, TimedActionFiresOnceOnTime) {
  ZCItem* item = CountingItem::Create();
  GetItemRegistry().Add("timer", item);
  item->SetRunning(true);
  item->SetVisible(true);
  item->StartAction(1.0f, 7);
  EXPECT_TRUE(item->HasAction());
  StepItems(3, 0.25f);
  auto* counting = static_cast<CountingItem*>(item);
  EXPECT_EQ(counting->mActions, 0);
  StepItems(1, 0.25f);
  EXPECT_EQ(counting->mActions, 1);
  EXPECT_EQ(counting->mActionStep, 4);
  EXPECT_EQ(counting->mLastKind, 7);
  EXPECT_FALSE(item->HasAction());
  StepItems(20, 0.25f);
  EXPECT_EQ(counting->mActions, 1);

  // A hidden item's action waits.
  item->StartAction(0.5f, 8);
  item->SetVisible(false);
  StepItems(10, 0.25f);
  EXPECT_EQ(counting->mActions, 1);
  EXPECT_TRUE(item->HasAction());
}

TEST_F(ItemTest, IsNamedComparesThePrefixAndEmptyMatchesEveryName) {
  XmlNode root = ParseXml(R"(<root><objects>
      <object class="item" name="table12"/><object class="item" name="ta"/><object class="item"/>
    </objects></root>)");
  ZCItem::ReadLevelObjects(root);
  for (ZCItem* item : GetItemRegistry().Items()) EXPECT_TRUE(item->IsNamed("")) << item->GetName();
  EXPECT_TRUE(Item("table12")->IsNamed("table"));
  EXPECT_TRUE(Item("table12")->IsNamed("table12"));
  EXPECT_FALSE(Item("table12")->IsNamed("table123"));
  EXPECT_FALSE(Item("ta")->IsNamed("table"));
  EXPECT_FALSE(Item("")->IsNamed("t"));
}

TEST_F(ItemTest, LongTextsAreCutAndMissingNumbersLeaveTheDefaults) {
  const std::string longName(200, 'n');
  ZCItem::ReadLevelObjects(ParseXml("<root><objects><object class=\"item\" name=\"" + longName +
                                    "\" pos_x=\"oops\" offs_y=\"12\"/></objects></root>"));
  ASSERT_EQ(GetItemRegistry().Size(), 1u);
  ZCItem* item = GetItemRegistry().Items()[0];
  EXPECT_EQ(item->GetName(), std::string(127, 'n'));
  EXPECT_EQ(Item(std::string(127, 'n')), item);
  EXPECT_EQ(item->GetPosition().y, 0);
  EXPECT_EQ(item->GetOffset().y, 12);
}

TEST_F(ItemTest, AnEffectThatHandlesOnshowLeavesTheVisibleFlagToIt) {
  ASSERT_TRUE(InstallEffects(R"(
    <effect name="late_show">
      <timer name="t" duration="0.5"><control callback="EffectShow" at="0.5"/></timer>
      <message name="onshow"><start timer="t"/></message>
    </effect>)"));
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="late" effect="late_show"><part name="body"/></object>
      <object class="item" name="plain" effect="no_such_effect"><part name="body"/></object>
    </objects></root>)"));
  ZCItem* late = Item("late");
  ZCItem* plain = Item("plain");
  ASSERT_NE(late->GetEffect(), nullptr);
  EXPECT_EQ(plain->GetEffect(), nullptr);
  late->SetRunning(true);
  plain->SetRunning(true);

  late->SetVisible(true);
  plain->SetVisible(true);
  EXPECT_FALSE(late->IsVisible());
  EXPECT_TRUE(plain->IsVisible());
  StepItems(49, 0.01f);
  EXPECT_FALSE(late->IsVisible());
  StepItems(2, 0.01f);
  EXPECT_TRUE(late->IsVisible());

  // Without an "onhide" message the item hides at once, and its parts with it.
  late->SetVisible(false);
  EXPECT_FALSE(late->IsVisible());
  EXPECT_FALSE(late->GetParts()[0]->IsVisible());
}

TEST_F(ItemTest, ItemFadeShowsAndFadesInThenFadesOutAndHides) {
  ASSERT_TRUE(InstallEffects());
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="cup" effect="item_fade"><part name="body"/></object>
    </objects></root>)"));
  ZCItem* cup = Item("cup");
  ASSERT_NE(cup->GetEffect(), nullptr);
  EXPECT_FALSE(LogHistory::Contains("WARNING"));
  cup->SetRunning(true);
  const ZCPartRecord& record = cup->GetPartRecords().mRecords[0];
  ASSERT_NE(record.mVisible, nullptr);

  for (const char* message : {"show", "on_add"}) {
    SCOPED_TRACE(message);
    if (std::string(message) == "show")
      cup->SetVisible(true);
    else
      cup->SendEffectMessage("on_add");
    EXPECT_TRUE(cup->IsVisible());
    StepItems(20, 0.01f);
    EXPECT_TRUE(cup->IsVisible());
    StepItems(30, 0.01f);

    cup->SetVisible(false);
    EXPECT_TRUE(cup->IsVisible());  // still fading out
    StepItems(20, 0.01f);
    EXPECT_TRUE(cup->IsVisible());
    StepItems(30, 0.01f);
    EXPECT_FALSE(cup->IsVisible());
    EXPECT_FALSE(*record.mVisible);
  }
}

TEST_F(ItemTest, RestartRulesAreReplacedByNameAndARemovedRuleLeavesTheCountdownIdle) {
  ZCItem* item = ZCItem::Create();
  GetItemRegistry().Add("idler", item);
  item->SetRunning(true);
  item->SetVisible(true);
  item->SetAnimRestart("idle", 3, 0.5f, 0.5f);
  item->SetAnimRestart("idle", 4, 0.25f, 0.25f);
  // A part reaching its stop frame arms the restart with the rule's delay.
  item->ArmAnimRestart(nullptr, "idle");
  EXPECT_TRUE(item->IsRestartArmed());
  StepItems(1, 0.25f);
  EXPECT_TRUE(item->IsRestartArmed());
  StepItems(1, 0.25f);
  EXPECT_FALSE(item->IsRestartArmed());

  // No rule of that name: nothing is armed.
  item->ArmAnimRestart(nullptr, "walk");
  EXPECT_FALSE(item->IsRestartArmed());

  item->ArmAnimRestart(nullptr, "idle");
  item->RemoveAnimRestart("idle");
  StepItems(10, 0.25f);
  EXPECT_TRUE(item->IsRestartArmed());
}

// Place items hand the interaction to the actor the café finds for them.
class FakeFinder : public ActorFinder {
 public:
  ZCItem* FindActorForPlace(ZCItem* heroine, ZCItem* place) override {
    ++mCalls;
    mHeroine = heroine;
    return place == mPlace ? mActor : nullptr;
  }
  ZCItem* mPlace = nullptr;
  ZCItem* mActor = nullptr;
  ZCItem* mHeroine = nullptr;
  int mCalls = 0;
};

class Actor : public ZCItem {
 public:
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override {
    mOther = other;
    mDryRun = dryRun;
    if (scratch) *scratch += 1;
    return true;
  }
  ZCItem* mOther = nullptr;
  bool mDryRun = false;
};

TEST_F(ItemTest, APlaceForwardsInteractToItsActor) {
  ZCItem place, heroine;
  Actor actor;
  int32_t scratch = 0;
  // Without a finder installed, nobody owns a place.
  EXPECT_FALSE(place.Interact(&heroine, true, &scratch));

  FakeFinder finder;
  finder.mPlace = &place;
  finder.mActor = &actor;
  SetActorFinder(&finder);
  EXPECT_TRUE(place.Interact(&heroine, true, &scratch));
  EXPECT_EQ(actor.mOther, &heroine);
  EXPECT_TRUE(actor.mDryRun);
  EXPECT_EQ(scratch, 1);
  EXPECT_EQ(finder.mHeroine, &heroine);
  EXPECT_FALSE(heroine.Interact(&place, false, &scratch));

  // A finder that answers the place itself does not send it round in circles.
  finder.mActor = &place;
  EXPECT_FALSE(place.Interact(&heroine, false, &scratch));
  SetActorFinder(nullptr);
}

// Levels may put items anywhere in the 32-bit range: a position plus offsets is held at the
// ends of the range instead of wrapping to the other side of the board.
TEST_F(ItemTest, CoordinatesAtTheEndsOfTheRangeAreHeldThere) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="far" pos_x="2147483647" pos_y="-2147483648" offs_x="100" offs_y="-100">
        <part name="p" offs_x="2147483647" offs_y="-2147483648"/></object>
      <object class="boss" name="walker" pos_x="2147483647" pos_y="0"><part name="body"/></object>
      <object class="boss" name="back" pos_x="-2147483648" pos_y="0"><part name="body"/></object>
      </objects></root>)"));
  ZCItem::ApplyLevelStates(ParseXml(R"(<level><objects><object name="far"/><object name="walker"/>
      <object name="back"/></objects></level>)"));
  ZCItem* far = Item("far");
  ASSERT_NE(far, nullptr);
  BoardPoint base = far->GetBasePoint(BoardPoint{2147483647, -2147483648});
  EXPECT_EQ(base.x, INT32_MAX);
  EXPECT_EQ(base.y, INT32_MIN);
  base = far->GetBasePoint(BoardPoint{-2147483647 - 1, 2147483647});
  EXPECT_EQ(base.x, 99);  // no overflow on the way: 2147483647 + 100 - 2147483648
  EXPECT_EQ(base.y, -101);
  const BoardPoint draw = far->GetParts()[0]->GetDrawPos();
  EXPECT_EQ(draw.x, INT32_MAX);
  EXPECT_EQ(draw.y, INT32_MIN);

  for (const char* name : {"walker", "back"}) {
    SCOPED_TRACE(name);
    auto* walker = dynamic_cast<ZCMoveItem*>(Item(name));
    ASSERT_NE(walker, nullptr);
    walker->SetPartReferencePoints();
    const ZCItemPart& body = *walker->GetParts()[0];
    const int32_t x = walker->GetPosition().x;
    EXPECT_EQ(body.GetReferencePoint(1).x, x);
    EXPECT_EQ(body.GetReferencePoint(0).x, x == INT32_MAX ? INT32_MAX - 20 : INT32_MIN);
    EXPECT_EQ(body.GetReferencePoint(2).x, x == INT32_MAX ? INT32_MAX : INT32_MIN + 20);
  }
}

}  // namespace
