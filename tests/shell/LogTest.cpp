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

TEST(Log, InstalledSinkReceivesEveryLine) {
  std::vector<std::string> seen;
  LogSink::Set([&seen](const std::string& line) { seen.push_back(line); });
  for (int i = 0; i < 1000; ++i) LogMessage("sunk %d\n", i);
  LogSink::Set(nullptr);
  LogMessage("after removal");
  ASSERT_EQ(seen.size(), 1000u);
  EXPECT_EQ(seen.front(), "sunk 0");  // trimmed like the history
  EXPECT_EQ(seen.back(), "sunk 999");
}
