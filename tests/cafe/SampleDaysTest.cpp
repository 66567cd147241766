// Every career day of the sample can be played by a person: it schedules visitors, its goals are
// within what they pay, and it has orders enough for its tasks. A goal above 0 also means that a
// day finished at its goal has money (its mark in the career book) and guests served (its
// achievements): no day is finished empty.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "cafe/support/CafeDoubles.h"
#include "shell/XmlNode.h"

namespace {

XmlNode ReadRoot(const std::string& path, const wchar_t* root) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string bytes = text.str();
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), path).selectSingleNode(root);
}

int32_t IntAttr(const XmlNode& node, const char* name) {
  std::string value;
  return node.getAttribute(name, value) ? std::stoi(value) : 0;
}

std::string Attr(const XmlNode& node, const char* name) {
  std::string value;
  node.getAttribute(name, value);
  return value;
}

TEST(SampleDays, EveryDayHasVisitorsPayingForItsGoalsAndOrdersForItsTasks) {
  const XmlNode cfg = ReadRoot(ContentDir() + "/cfg/cfg.xml", L"root");
  ASSERT_TRUE(cfg);
  // What each visitor pays for an order served at once, by skin.
  std::map<std::string, int32_t> greenMoney;
  for (const XmlNode& client : cfg.selectNodes(L"//client[@name]"))
    greenMoney[Attr(client, "name")] = IntAttr(client, "client_money01_g");
  ASSERT_FALSE(greenMoney.empty());
  // The quick services before the first token; every task is a chain of three tokens.
  const int32_t startCount = IntAttr(cfg.selectSingleNode(L"bonus_config"), "start_count");
  ASSERT_GT(startCount, 0);

  for (int32_t level = 1; level <= 59; ++level) {
    char file[32];
    std::snprintf(file, sizeof file, "/cfg/l%03d.xml", int(level));
    SCOPED_TRACE(file);
    const XmlNode day = ReadRoot(ContentDir() + file, L"level");
    ASSERT_TRUE(day);
    std::map<std::string, int32_t> money = greenMoney;
    for (const XmlNode& client : day.selectNodes(L"override_clients/client[@client_money01_g]"))
      money[Attr(client, "name")] = IntAttr(client, "client_money01_g");
    int32_t visitors = 0, orders = 0, pay = 0;
    for (const XmlNode& event : day.selectNodes(L"events_queue/time_point")) {
      const int32_t eventOrders = int32_t(event.selectNodes(L"param").size());
      ++visitors;
      orders += eventOrders;
      pay += money[Attr(event, "person1")] * eventOrders;
    }
    const XmlNode goals = day.selectSingleNode(L"params");
    const XmlNode tasks = day.selectSingleNode(L"achparams");
    int32_t chains = 0;
    for (const char* task : {"coin", "happy", "clean", "speed", "ice"}) chains += IntAttr(tasks, task);
    EXPECT_GT(visitors, 0);
    EXPECT_GT(IntAttr(goals, "normal"), 0);
    EXPECT_LT(IntAttr(goals, "normal"), pay);
    EXPECT_LE(IntAttr(goals, "expert"), pay);
    // Each order is served at least once: orders enough for every token the tasks ask.
    EXPECT_GE(orders, chains == 0 ? 0 : startCount - 1 + 3 * chains);
  }
}

}  // namespace
