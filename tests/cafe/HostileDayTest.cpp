// A day played on hostile data: the game's own cfg.xml and day 2, with values the game cannot
// use put in, laid over the game's data as a mod pack, and the day played headless by the café's
// level runner with one click for the heroine. Each bad value is refused with a warning naming
// its file, element and value; the day still ends by itself, in bounded game time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "board/EventSchedule.h"
#include "shell/PakFormat.h"
#include "shell/PakInterface.h"

namespace {

std::string ReadPacked(PakInterface& pak, const std::string& name) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(pak.ReadWholeFile(name, bytes)) << name;
  return std::string(bytes.begin(), bytes.end());
}

// Replaces the one occurrence of `from`.
void Put(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// Gives the attribute of the first element whose start tag begins with `element` the value, in
// place of whatever the game's data holds there.
void Set(std::string& text, const std::string& element, const std::string& name, const std::string& value) {
  const size_t at = text.find(element);
  ASSERT_NE(at, std::string::npos) << element;
  const size_t attr = text.find(" " + name + "=\"", at);
  ASSERT_LT(attr, text.find('>', at)) << element << " " << name;
  const size_t begin = attr + name.size() + 3;
  text.replace(begin, text.find('"', begin) - begin, value);
}

std::string RunOutput(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  ::pclose(pipe);
  return out;
}

// Plays the level on the game's data with the files laid over it, the heroine sent to the candy
// machine at step 5; the runner's output and log lines.
std::string PlayOnPack(const std::vector<std::pair<std::string, std::string>>& files, int level, long steps,
                       bool endless = false) {
  const std::string bin = std::getenv("CAFE_BINARY_DIR");
  const std::filesystem::path dir = std::filesystem::path(bin) / "testhome" / "hostile_day";
  std::filesystem::create_directories(dir);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
  for (const auto& [name, text] : files) entries.emplace_back(name, std::vector<uint8_t>(text.begin(), text.end()));
  const std::vector<uint8_t> bytes = PakFormat::Build(entries);
  const std::string pack = (dir / "hostile.pak").string();
  std::ofstream(pack, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  const std::string script = (dir / "click.script").string();
  std::ofstream(script) << "5 candymachine\n";
  return RunOutput(bin + "/bin/cafe_run --pack '" + pack + "'" + (endless ? " --endless" : "") + " --level " +
                   std::to_string(level) +
                   " --to-end --steps " + std::to_string(steps) + " '" + script + "' 2>&1");
}

// The step of the first trace line holding the text, or -1.
long StepOf(const std::string& out, const std::string& text) {
  const size_t at = out.find(text);
  if (at == std::string::npos) return -1;
  const size_t start = out.rfind('\n', at) == std::string::npos ? 0 : out.rfind('\n', at) + 1;
  return std::strtol(out.c_str() + start, nullptr, 10);
}

}  // namespace

TEST(HostileDay, BadValuesAreRefusedWithWarningsAndTheDayEnds) {
  ASSERT_NE(std::getenv("CAFE_BINARY_DIR"), nullptr);
  PakInterface game;
  ASSERT_TRUE(game.AddPakFile("data.pak"));
  std::string cfg = ReadPacked(game, "cfg\\cfg.xml");
  std::string day = ReadPacked(game, "cfg\\l002.xml");
  // The heroine walks backwards, and her upgrade would stop her; the girl gains patience, the
  // granny never loses any and eats for longer than a day; the boy's decision is no number.
  Set(cfg, "<pers name=\"boss\"", "move_speed", "-5");
  Set(cfg, "<pers name=\"boss\"", "speed_add_upgrade", "-300");
  Set(cfg, "<client name=\"girl\"", "client_patience_speed", "-3");
  Set(cfg, "<client name=\"granny\"", "client_patience_speed", "0");
  Set(cfg, "<client name=\"granny\"", "client_eating_time", "9000");
  Set(cfg, "<client name=\"boy\"", "client_decision_timeout", "abc");
  // A loss past the 32-bit range: read as it was, every unhappy visitor would negate its end.
  Set(cfg, "<client name=\"girl\"", "client_losses_money", "-9999999999");
  // The day: a negative goal and heroine speed, a patience speed that is no number, a worker
  // that cfg.xml lacks, visitors without settings, one who would come after the largest float of
  // seconds, an order that is no product.
  Set(day, "<level ", "override_boss_speed", "-1");
  Set(day, "<params ", "normal", "-100");
  Set(day, "<params ", "expert", "2147483647");
  // The baker works in negative time from a stamina far below empty.
  Set(day, "<worker name=\"baker\"", "work_time", "-5");
  Put(day, "worker_start_stamina=\"80\"", "worker_start_stamina=\"-1000\"");
  // An override of a worker cfg.xml lacks.
  Put(day, "</override_workers>", "  <worker name=\"juggler\" work_time=\"1\"/>\n  </override_workers>");
  Set(day, "<client name=\"girl\"", "client_patience_speed", "NaN");
  Put(day, "<events_queue>",
      "<events_queue>\n"
      "    <time_point time=\"1\" type=\"client\" person1=\"ghost\"><param name=\"0100\"/></time_point>\n"
      "    <time_point time=\"2\" type=\"family\"><param name=\"0100\"/></time_point>\n"
      "    <time_point time=\"3\" type=\"client\" person1=\"boy\" isVip=\"-1\"><param name=\"pizza\"/>"
      "<param name=\"9999\"/><param name=\"0000\"/><param name=\"9900\"/><param name=\"0302\"/><param name=\"0605\"/></time_point>\n"
      // A VIP whose only order no one makes: she could never be served, and her day would fail.
      "    <time_point time=\"4\" type=\"client\" person1=\"girl\" isVip=\"1\"><param name=\"0302\"/></time_point>\n"
      // A VIP who orders nothing at all.
      "    <time_point time=\"5\" type=\"client\" person1=\"girl\" isVip=\"1\"></time_point>\n");
  Put(day, "</events_queue>",
      "  <time_point time=\"" + std::string(60, '9') +
          "\" type=\"client\" person1=\"girl\"><param name=\"0100\"/></time_point>\n"
          "  </events_queue>");

  // The last arrival may come at the latest time an arrival can have; the last visitor then
  // waits out its patience (100 at the default speed) and the day ends soon after.
  const long bound = long(EventSchedule::kMaxArrivalTime * 100) + 10000;
  const std::string out = PlayOnPack({{"cfg/cfg.xml", cfg}, {"cfg/l002.xml", day}}, 2, bound);
  for (const char* warning : {
           "WARNING: cfg\\cfg.xml: <pers> move_speed=\"-5\" cannot be used; 100 used",
           "WARNING: cfg\\cfg.xml: <client> client_patience_speed=\"-3\" cannot be used; 2 used",
           "WARNING: cfg\\cfg.xml: <client> client_patience_speed=\"0\" cannot be used; 2 used",
           "WARNING: cfg\\cfg.xml: <client> client_eating_time=\"9000\" cannot be used; 600 used",
           "WARNING: cfg\\cfg.xml: <pers> speed_add_upgrade=\"-300\" cannot be used; 0 used",
           "WARNING: cfg\\cfg.xml: <client> client_decision_timeout=\"abc\" cannot be used; 0 used",
           "WARNING: cfg\\l002.xml: <level> override_boss_speed=\"-1\" cannot be used; 100 used",
           "WARNING: cfg\\l002.xml: <params> normal=\"-100\" cannot be used; 0 used",
           "WARNING: level 2 overrides the worker block 'juggler' that cfg.xml lacks; skipped",
           "WARNING: cfg\\l002.xml: <client> client_patience_speed=\"NaN\" cannot be used; 2 used",
           "WARNING: cfg\\l002.xml: <param> name=\"pizza\" is no product code; order left out",
           "WARNING: cfg\\cfg.xml: <client> client_losses_money=\"-9999999999\" cannot be used; 0 used",
           "WARNING: cfg\\l002.xml: <params> expert=\"2147483647\" cannot be used; 10000000 used",
           "WARNING: cfg\\l002.xml: <worker> work_time=\"-5\" cannot be used; 0 used",
           "WARNING: cfg\\l002.xml: <worker> worker_start_stamina=\"-1000\" cannot be used; 0 used",
           "WARNING: cfg\\l002.xml: <time_point> isVip=\"-1\" cannot be used; 0 used",
           "WARNING: cfg\\l002.xml: order \"9999\" is made by no worker or machine of the café; left out",
           "WARNING: cfg\\l002.xml: order \"0000\" is made by no worker or machine of the café; left out",
           "WARNING: cfg\\l002.xml: order \"9900\" is made by no worker or machine of the café; left out",
           // Two dispensers' products: a pair is joined at a worker's table.
           "WARNING: cfg\\l002.xml: order \"0302\" is made by no worker or machine of the café; left out",
           "cannot be used; 600 used",
           "WARNING: cfg\\l002.xml: <time_point> time=\"4\" type=\"client\" person1=\"girl\" has no order left; dropped",
           "WARNING: cfg\\l002.xml: <time_point> time=\"5\" type=\"client\" person1=\"girl\" has no order; dropped",
           "WARNING: cfg\\l002.xml: <time_point> person1=\"ghost\" has no visitor settings in cfg\\cfg.xml; not spawned",
           "WARNING: cfg\\l002.xml: <time_point> person1=\"\" has no visitor settings in cfg\\cfg.xml; not spawned",
       }) {
    EXPECT_NE(out.find(warning), std::string::npos) << warning;
  }
  EXPECT_EQ(out.find("ERROR: "), std::string::npos) << out.substr(out.find("ERROR: ") == std::string::npos ? 0 : out.find("ERROR: "), 600);
  // The salad-and-pizza order the café's workers make stays.
  EXPECT_EQ(out.find("order \"0605\""), std::string::npos);
  EXPECT_EQ(out.find("runtime error"), std::string::npos);
  EXPECT_EQ(out.find("vip lost"), std::string::npos);
  // She walks at her own speed and arrives; the day ends below its (refused) goal, in time.
  EXPECT_GT(StepOf(out, "arrive boss candymachine"), 0);
  const long end = StepOf(out, "level 2 finished");
  EXPECT_GT(end, long(EventSchedule::kMaxArrivalTime * 100));
  EXPECT_LT(end, bound);
  EXPECT_NE(out.find(" result "), std::string::npos) << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
}

// A level whose object document lies outside the game's folders is not read: the game's file
// layer refuses the name, and the level does not start.
TEST(HostileDay, ALevelNamingAFileOutsideTheGameIsRefused) {
  ASSERT_NE(std::getenv("CAFE_BINARY_DIR"), nullptr);
  PakInterface game;
  ASSERT_TRUE(game.AddPakFile("data.pak"));
  std::string day = ReadPacked(game, "cfg\\l003.xml");
  const std::string outside = "cfg\\..\\..\\..\\..\\..\\..\\..\\..\\etc\\passwd";
  Put(day, "doc=\"cfg\\cafe1.xml\"", "doc=\"" + outside + "\"");
  const std::string out = PlayOnPack({{"cfg/l003.xml", day}}, 3, 100);
  EXPECT_NE(out.find("WARNING: PakInterface: \"" + outside + "\" is outside the game's folders; not read"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("is not valid XML"), std::string::npos);
  EXPECT_NE(out.find("level 3 did not start"), std::string::npos);
}

// A survival game whose visitors all lack settings leaves them out of its stages, each with a
// warning, and ends at once: no visitor could ever come to lose a life.
TEST(HostileDay, ASurvivalGameWithoutUsableVisitorsEnds) {
  ASSERT_NE(std::getenv("CAFE_BINARY_DIR"), nullptr);
  PakInterface game;
  ASSERT_TRUE(game.AddPakFile("data.pak"));
  std::string day = ReadPacked(game, "cfg\\e001.xml");
  for (const char* skin : {"girl", "boy", "granny"})
    for (size_t at; (at = day.find(std::string("person1=\"") + skin + "\"")) != std::string::npos;)
      day.replace(at, std::strlen("person1=\"") + std::strlen(skin) + 1, "person1=\"ghost\"");
  // A stage naming an upgrade kind that does not exist.
  Put(day, "<stage num=\"4\" points=\"400\">", "<stage num=\"4\" points=\"400\" upgrade=\"gold\">");
  const std::string out = PlayOnPack({{"cfg/e001.xml", day}}, 1, 2000, true);
  EXPECT_NE(out.find("WARNING: cfg\\e001.xml: <time_point_template> person1=\"ghost\" has no visitor settings"),
            std::string::npos);
  EXPECT_NE(out.find("WARNING: cfg\\e001.xml: no visitor can come; the game ends"), std::string::npos);
  EXPECT_NE(out.find("WARNING: stage 4: unknown upgrade \"gold\" ignored"), std::string::npos);
  EXPECT_NE(out.find("result survival"), std::string::npos) << out;
}

// A survival game whose first stage can send nobody, though a later one could, ends as well:
// the stage's only visitors lack settings, or all come with a probability of 0 (each warned of).
TEST(HostileDay, ASurvivalGameWhoseStageSendsNobodyEnds) {
  ASSERT_NE(std::getenv("CAFE_BINARY_DIR"), nullptr);
  PakInterface game;
  ASSERT_TRUE(game.AddPakFile("data.pak"));
  const std::string shipped = ReadPacked(game, "cfg\\e001.xml");
  // The first stage's visitor types, each rewritten by `edit`.
  auto firstStage = [&](const std::function<void(std::string&)>& edit) {
    std::string day = shipped;
    const size_t begin = day.find("<stage ");
    const size_t end = day.find("</stage>", begin);
    std::string stage = day.substr(begin, end - begin);
    edit(stage);
    return day.replace(begin, end - begin, stage);
  };
  const std::string unknown = firstStage([](std::string& stage) {
    for (size_t at = 0; (at = stage.find("person1=\"", at)) != std::string::npos; at += 14)
      stage.replace(at, 9, "person1=\"ghost");
  });
  const std::string unlikely = firstStage([](std::string& stage) {
    for (const char* prob : {"prob=\"2\"", "prob=\"1\""})
      for (size_t at; (at = stage.find(prob)) != std::string::npos;) stage.replace(at, 8, "prob=\"0\"");
  });
  for (const auto& [day, warning] :
       {std::pair{unknown, std::string("has no visitor settings")}, std::pair{unlikely, std::string("prob=\"0\"")}}) {
    SCOPED_TRACE(warning);
    const std::string out = PlayOnPack({{"cfg/e001.xml", day}}, 1, 3000, true);
    EXPECT_NE(out.find(warning), std::string::npos);
    EXPECT_NE(out.find("WARNING: cfg\\e001.xml: no visitor can come; the game ends"), std::string::npos);
    EXPECT_NE(out.find("result survival"), std::string::npos) << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
  }
}

// A day whose café has no tables for seated groups: the groups that would wait for ever for a
// table are not spawned, with a warning, and the day ends.
TEST(HostileDay, GroupsWithoutTablesDoNotHoldTheDayOpen) {
  ASSERT_NE(std::getenv("CAFE_BINARY_DIR"), nullptr);
  PakInterface game;
  ASSERT_TRUE(game.AddPakFile("data.pak"));
  std::string cafe = ReadPacked(game, "cfg\\cafe1.xml");
  for (size_t at; (at = cafe.find("class=\"client_sit\"")) != std::string::npos;)
    cafe.replace(at, std::strlen("class=\"client_sit\""), "class=\"item\"");
  const std::string out = PlayOnPack({{"cfg/cafe1.xml", cafe}}, 2, 30000);
  EXPECT_NE(out.find("WARNING: cfg\\l002.xml: a \"family\" comes, but the level has no seated visitor; not spawned"),
            std::string::npos);
  EXPECT_GT(StepOf(out, "level 2 finished"), 0) << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
}
