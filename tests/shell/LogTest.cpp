#include <gtest/gtest.h>

#include "shell/Log.h"

TEST(Log, KeepsRecentLinesAndTrimsHistory) {
  LogHistory::Clear();
  for (int i = 0; i < 300; ++i) LogMessage("line %d", i);
  auto lines = LogHistory::Recent();
  ASSERT_EQ(lines.size(), 256u);
  EXPECT_EQ(lines.front(), "line 44");
  EXPECT_EQ(lines.back(), "line 299");
  EXPECT_TRUE(LogHistory::Contains("line 250"));
  EXPECT_FALSE(LogHistory::Contains("line 43"));  // dropped as the oldest
}
