#include <gtest/gtest.h>

#include <algorithm>

#include "board/support/BoardTestSupport.h"
#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCItem.h"
#include "shell/Log.h"

namespace {

class FactoryTest : public BoardWorldTest {};

class OtherItem : public ZCItem {
 public:
  static ZCItem* Create() { return new OtherItem(); }
};

TEST_F(FactoryTest, AClassWordInTheWrongCaseIsSkippedAndLogged) {
  ZCItem::ReadLevelObjects(LoadBoardFixture("objects.xml"));
  EXPECT_EQ(ZCItem::FindByName("wrong_case"), nullptr);
  EXPECT_TRUE(LogHistory::Contains("WARNING: "));
  EXPECT_TRUE(LogHistory::Contains("'Item'"));
  EXPECT_TRUE(LogHistory::Contains("'wrong_case'"));
  for (ZCItem* item : GetItemRegistry().Items()) EXPECT_NE(item->GetName(), "wrong_case");
  // Every other object was made, the unnamed one under the empty name.
  EXPECT_EQ(GetItemRegistry().Size(), 12u);
  EXPECT_NE(ZCItem::FindByName(""), nullptr);
}

TEST_F(FactoryTest, BossPointerHoldsTheLaterAndTheNameMapTheEarlier) {
  ZCItem::ReadLevelObjects(LoadBoardFixture("bosses.xml"));
  BoardWorld& world = GetBoardWorld();
  ASSERT_NE(world.mBoss, nullptr);
  EXPECT_EQ(world.mBoss->GetPosition().x, 2);
  EXPECT_EQ(ZCItem::FindByName("boss")->GetPosition().x, 1);
  // Only the exact name "bonus" publishes the bonus item.
  ASSERT_NE(world.mBonus, nullptr);
  EXPECT_EQ(world.mBonus, ZCItem::FindByName("bonus"));

  ZCItem::DeleteAll();
  EXPECT_EQ(world.mBoss, nullptr);
  EXPECT_EQ(world.mBonus, nullptr);
  EXPECT_EQ(GetItemRegistry().Size(), 0u);
  EXPECT_EQ(ZCItem::FindByName("boss"), nullptr);
}

TEST_F(FactoryTest, NoBonusPointerWithoutAnObjectNamedBonus) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="Bonus"/><object class="item" name="bonus1"/><object class="item" name="boss "/>
    </objects></root>)"));
  EXPECT_EQ(GetItemRegistry().Size(), 3u);
  EXPECT_EQ(GetBoardWorld().mBonus, nullptr);
  EXPECT_EQ(GetBoardWorld().mBoss, nullptr);
}

TEST_F(FactoryTest, DeletingThePublishedItemClearsItsPointer) {
  ZCItem::ReadLevelObjects(LoadBoardFixture("bosses.xml"));
  delete GetBoardWorld().mBoss;
  EXPECT_EQ(GetBoardWorld().mBoss, nullptr);
  EXPECT_EQ(GetItemRegistry().Size(), 4u);
}

TEST_F(FactoryTest, RegisteringAWordAgainReplacesItsFunctionInPlace) {
  const std::vector<std::string> before = ItemClassWords();
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before[0], "item");
  RegisterItemClass("item", &OtherItem::Create);
  EXPECT_EQ(ItemClassWords(), before);
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects><object class="item" name="a"/></objects></root>)"));
  EXPECT_NE(dynamic_cast<OtherItem*>(ZCItem::FindByName("a")), nullptr);
  InitItemFactoryTable();
  EXPECT_EQ(ItemClassWords(), before);
  EXPECT_EQ(FindItemClass("item"), &ZCItem::Create);

  // A word without function is refused.
  RegisterItemClass("ghost", nullptr);
  EXPECT_EQ(FindItemClass("ghost"), nullptr);
  EXPECT_TRUE(LogHistory::Contains("WARNING: "));
}

TEST_F(FactoryTest, ObjectsWithoutClassOrInAnEmptyDocumentMakeNothing) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects><object name="a"/></objects></root>)"));
  ZCItem::ReadLevelObjects(ParseXml(R"(<root/>)"));
  ZCItem::ReadLevelObjects(XmlNode());
  EXPECT_EQ(GetItemRegistry().Size(), 0u);
}

}  // namespace
