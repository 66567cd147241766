#include <gtest/gtest.h>

#include "cafe/ProductRules.h"
#include "cafe/support/CafeItemsFixture.h"
#include "cafe/support/StandInActors.h"

namespace {

TEST(ProductRulesTest, OnlyTwoDifferentSingleCodesJoinLargerHalfFirst) {
  EXPECT_TRUE(CanJoinProducts("0300", "0100"));
  EXPECT_TRUE(CanJoinProducts("0100", "0300"));
  EXPECT_EQ(JoinProducts("0300", "0100"), "0301");
  EXPECT_EQ(JoinProducts("0100", "0300"), "0301");
  // Halves compare as numbers, and an empty worker's "0000" gives the other single back.
  EXPECT_EQ(JoinProducts("1100", "0900"), "1109");
  EXPECT_EQ(JoinProducts("0000", "0300"), "0300");
  EXPECT_EQ(JoinProducts("0300", "0000"), "0300");
  EXPECT_EQ(JoinProducts("", "0300"), "0300");
  EXPECT_EQ(JoinProducts("0300", ""), "0300");

  EXPECT_FALSE(CanJoinProducts("0300", "0300"));  // never with itself
  EXPECT_FALSE(CanJoinProducts("0301", "0200"));  // a finished combination
  EXPECT_FALSE(CanJoinProducts("0200", "0301"));
  EXPECT_FALSE(CanJoinProducts("", "0200"));
  EXPECT_FALSE(CanJoinProducts("0200", ""));
  // Odd codes are carried but never join.
  EXPECT_FALSE(CanJoinProducts("wash", "0200"));
  EXPECT_FALSE(CanJoinProducts("0200", "super"));
  EXPECT_FALSE(CanJoinProducts("020", "0300"));
  EXPECT_FALSE(CanJoinProducts("x", "y"));
}

class WantedTest : public CafeItemsFixture {};

TEST_F(WantedTest, OnlyAWaitingVisitorWithThatOrderWantsACode) {
  MakeObjects(R"(<object class="visitor" name="client1"/>)");
  auto* visitor = Find<StandInVisitor>("client1");
  ASSERT_NE(visitor, nullptr);
  // Waiting without an order: nothing at all is wanted, not even the empty code.
  EXPECT_FALSE(IsProductWanted("0301"));
  EXPECT_FALSE(IsProductWanted(""));
  visitor->SetCode("0301");
  EXPECT_TRUE(IsProductWanted("0301"));
  EXPECT_FALSE(IsProductWanted("0302"));
  visitor->mState = 2;
  EXPECT_FALSE(IsProductWanted("0301"));
}

}  // namespace
