#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "shell/PakInterface.h"
#include "shell/XmlNode.h"

namespace {

std::string Attr(const XmlNode& node, const std::string& name) {
  std::string value;
  node.getAttribute(name, value);
  return value;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The career's days as the game reads them from the packs: each of the 59 can be played to its
// goal with what its café has that day.
class CareerDaysTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(GetPakInterface()->AddPakFile("data.pak")); }

  // Worker skins of cfg.xml and the product each makes; the visitors' skins.
  void SetUp() override {
    XmlNode cfg = LoadXmlDocument("cfg\\cfg.xml");
    ASSERT_TRUE(cfg);
    for (const XmlNode& worker : cfg.selectNodes(L"root/workers/worker"))
      mProducts[Attr(worker, "name")] = Attr(worker, "product").substr(0, 2);
    for (const XmlNode& client : cfg.selectNodes(L"root/clients/client")) mSkins.insert(Attr(client, "name"));
    ASSERT_FALSE(mProducts.empty());
    ASSERT_FALSE(mSkins.empty());
  }

  std::map<std::string, std::string> mProducts;
  std::set<std::string> mSkins;
};

TEST_F(CareerDaysTest, EveryDayCanBeServedWithWhatItsCafeHas) {
  for (int level = 1; level <= 59; ++level) {
    char file[32];
    std::snprintf(file, sizeof file, "cfg\\l%03d.xml", level);
    SCOPED_TRACE(file);
    XmlNode doc = LoadXmlDocument(file);
    ASSERT_TRUE(doc);
    XmlNode root = doc.selectSingleNode(L"level");
    ASSERT_TRUE(root);
    const int cafe = level <= 15 ? 1 : level <= 35 ? 2 : 3;
    EXPECT_EQ(Attr(root, "doc"), "cfg\\cafe" + std::to_string(cafe) + ".xml");
    XmlNode params = root.selectSingleNode(L"params");
    ASSERT_TRUE(params);
    EXPECT_LT(std::stoi(Attr(params, "normal")), std::stoi(Attr(params, "expert")));

    // What the day has on the floor: dispensers always; a worker's product when the worker works
    // today; a worker's table only with its worker; the visitors' places.
    std::set<std::string> objects, made{"01", "02", "03"};
    for (const XmlNode& object : root.selectNodes(L"objects/object")) {
      const std::string name = Attr(object, "name");
      objects.insert(name);
      if (name.rfind("worker", 0) == 0) {
        ASSERT_TRUE(mProducts.count(Attr(object, "skin"))) << name;
        made.insert(mProducts[Attr(object, "skin")]);
      }
    }
    if (objects.count("super_material")) made.insert("07");
    for (const std::string& name : objects) {
      if (name.rfind("table0", 0) == 0) {
        EXPECT_TRUE(objects.count("worker" + name.substr(5))) << name << " without its worker";
      }
    }

    float last = 0;
    for (const XmlNode& event : root.selectNodes(L"events_queue/time_point")) {
      const float time = std::stof(Attr(event, "time"));
      EXPECT_GE(time, last) << "events out of order";
      last = time;
      const std::string type = Attr(event, "type");
      EXPECT_TRUE(objects.count(type == "family" ? "client_sit01" : "client01")) << "nowhere for a " << type;
      EXPECT_TRUE(mSkins.count(Attr(event, "person1"))) << Attr(event, "person1");
      for (const XmlNode& order : event.selectNodes(L"param")) {
        const std::string code = Attr(order, "name");
        ASSERT_EQ(code.size(), 4u) << code;
        const std::string a = code.substr(0, 2), b = code.substr(2, 2);
        EXPECT_TRUE(made.count(a) && (b == "00" || made.count(b))) << code << " needs a product nobody makes";
        // A pair is joined at a worker's table: two dispensers' products never join.
        if (b != "00") {
          EXPECT_FALSE(std::stoi(a) <= 3 && std::stoi(b) <= 3) << code << " cannot be joined";
        }
      }
    }
  }
}

// The days the level generator writes are committed as it writes them: run again into a scratch
// folder, it gives every one of them byte for byte (a hand edit is fine only until the next run).
TEST(CareerDaysGenerator, TheCommittedDaysAreWhatItWrites) {
  namespace fs = std::filesystem;
  const fs::path source = std::getenv("CAFE_SOURCE_DIR");
  const fs::path out = fs::path(std::getenv("CAFE_BINARY_DIR")) / "testhome" / "career_days";
  fs::remove_all(out);
  fs::create_directories(out);
  const std::string command =
      "python3 '" + (source / "tools/levelgen/career_days.py").string() + "' --out '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  int days = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(out)) {
    ++days;
    const fs::path committed = source / "content/cfg" / file.path().filename();
    EXPECT_TRUE(ReadFile(file.path()) == ReadFile(committed)) << committed << " differs from what the generator writes";
  }
  EXPECT_EQ(days, 41);  // days 17 to 35 and 37 to 58
}

}  // namespace
