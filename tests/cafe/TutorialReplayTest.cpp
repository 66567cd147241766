// Level 1's script against the doubles: the (step, event) lines of a script file drive the
// manager, and its trace (rules applied, hints shown and hidden, gates, the mini-game and the
// scene's reset) is compared with an expected file derived from the table by hand.
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "cafe/support/TutorialDoubles.h"

namespace {

std::string DataDir() {
  const char* dir = std::getenv("CAFE_SOURCE_DIR");
  return std::string(dir ? dir : ".") + "/tests/cafe/data/tutorial/";
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

class TutorialReplayTest : public TutorialFixture {};

TEST_F(TutorialReplayTest, LevelOneScript) {
  std::multimap<int, int32_t> events;
  for (const std::string& line : ReadLines(DataDir() + "replay.script")) {
    std::istringstream in(line);
    int step = 0;
    int32_t event = 0;
    ASSERT_TRUE(in >> step >> event) << line;
    events.emplace(step, event);
  }
  ASSERT_FALSE(events.empty());
  // The hints' calls are the manager's own trace lines here.
  mBoard->SetHud(nullptr);

  std::vector<std::string> trace;
  auto takeStep = [&](int step) {
    for (const std::string& line : Take()) trace.push_back(std::to_string(step) + " " + line);
  };
  mManager.Start(1);
  takeStep(0);
  const int last = events.rbegin()->first + 2;
  for (int step = 1; step <= last; ++step) {
    Step(0.125f);
    auto [from, to] = events.equal_range(step);
    for (auto it = from; it != to; ++it) mManager.ApplyRule(it->second);
    takeStep(step);
  }

  const std::vector<std::string> expected = ReadLines(DataDir() + "replay.trace");
  ASSERT_FALSE(expected.empty());
  for (size_t i = 0; i < std::max(trace.size(), expected.size()); ++i)
    EXPECT_EQ(i < trace.size() ? trace[i] : "(none)", i < expected.size() ? expected[i] : "(none)") << "line " << i + 1;
  EXPECT_FALSE(mManager.IsRunning());
}

}  // namespace
