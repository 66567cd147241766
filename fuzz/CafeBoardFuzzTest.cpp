// The café board fuzz targets' shared set-up: what one input leaves in the player profile must
// not reach the next, or an input would play differently after others than alone.
#include <gtest/gtest.h>

#include <cstring>

#include "CafeBoardFuzz.h"

namespace {

TEST(CafeBoardFuzz, EachInputStartsWithAFreshPlayer) {
  const char text[] = "<level/>\n%%\n<root/>";
  const auto input = cafe_fuzz::SplitLevelInput(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
  ASSERT_TRUE(input.level && input.root);
  auto first = cafe_fuzz::MakeBoard(input);
  first->GetProfile().SetBonusHintShown(1);
  first->GetProfile().GetUpgradeFlags()[3] = 1;
  cafe_fuzz::ClearBoard(std::move(first));

  auto second = cafe_fuzz::MakeBoard(input);
  EXPECT_FALSE(second->GetProfile().IsBonusHintShown(1));
  EXPECT_EQ(second->GetProfile().GetUpgradeFlags()[3], 0);
  cafe_fuzz::ClearBoard(std::move(second));
}

}  // namespace
