#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "graphics/Color.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"
#include "shell/support/TestFiles.h"

namespace {

XmlNode Parse(const std::string& text) {
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "test");
}

// One element whose attribute "v" holds the given text.
XmlNode Elem(const std::string& value) {
  return Parse("<e v=\"" + value + "\"/>").selectSingleNode(L"e");
}
XmlNode NoAttr() { return Parse("<e/>").selectSingleNode(L"e"); }

}  // namespace

TEST(XmlAccessors, NumbersAndBooleansAsATable) {
  // A text that is no number leaves the out value as it was (kKept), with a warning line.
  constexpr int32_t kKept = 12345;
  constexpr float kKeptF = 123.0f;
  struct Row {
    const char* value;
    bool boolW;  // GetAttrBool
    bool boolA;  // GetAttrBoolA
    int32_t i;
    float f;
  };
  const Row rows[] = {
      {"true", true, false, kKept, kKeptF},
      {"TRUE", false, false, kKept, kKeptF},
      {"false", false, false, kKept, kKeptF},
      {"1", true, true, 1, 1.0f},
      {"0", false, false, 0, 0.0f},
      {"-3", true, true, -3, -3.0f},
      {"  42abc", true, true, 42, 42.0f},
      {"+7", true, true, 7, 7.0f},
      {"12.75", true, true, 12, 12.75f},
      {"-0.5", false, false, 0, -0.5f},
      {".25", false, false, kKept, 0.25f},
      {"abc", false, false, kKept, kKeptF},
      {"NaN", false, false, kKept, kKeptF},
      {"", false, false, kKept, kKeptF},
      {"1e3", true, true, 1, 1.0f},
      {"99999999999", true, true, 2147483647, 99999999999.0f},
      {"-99999999999", true, true, -2147483647 - 1, -99999999999.0f},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    XmlNode n = Elem(r.value);
    bool b = !r.boolW;
    EXPECT_TRUE(GetAttrBool(n, L"v", b));
    EXPECT_EQ(b, r.boolW);
    b = !r.boolA;
    EXPECT_TRUE(GetAttrBoolA(n, "v", b));
    EXPECT_EQ(b, r.boolA);
    LogHistory::Clear();
    int32_t i = kKept;
    EXPECT_EQ(GetAttrInt(n, L"v", &i), r.i != kKept);
    EXPECT_EQ(i, r.i);
    i = kKept;
    EXPECT_EQ(GetAttrIntA(n, "v", i), r.i != kKept);
    EXPECT_EQ(i, r.i);
    float f = kKeptF;
    EXPECT_EQ(GetAttrFloat(n, L"v", f), r.f != kKeptF);
    EXPECT_FLOAT_EQ(f, r.f);
    f = kKeptF;
    EXPECT_EQ(GetAttrFloatA(n, "v", f), r.f != kKeptF);
    EXPECT_FLOAT_EQ(f, r.f);
    EXPECT_EQ(LogHistory::Contains("WARNING: <e> v=\"" + std::string(r.value) + "\" is not a number"),
              r.i == kKept || r.f == kKeptF);
  }
}

// Numbers the game can use only within a range: the value, or a warning naming the file, the
// element, the attribute and the value, and the fallback; clamped, the nearer bound instead (one
// past the 32-bit range lies beyond that end of it, even where the range starts or ends there).
TEST(XmlAccessors, UsableNumbersOutsideTheirRangeTakeTheFallback) {
  constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
  struct Row {
    const char* value;
    float f;
    int32_t i;
    bool warned;
    int32_t clamped;  // GetClampedInt within kLowest..10, from 7
  };
  const Row rows[] = {{"2.5", 2.5f, 2, false, 2},         {"10", 10.0f, 10, false, 10},
                      {"-5", 1.0f, 1, true, -5},          {"999999999999", 1.0f, 1, true, 10},
                      {"-99999999999", 1.0f, 1, true, kLowest}, {"abc", 1.0f, 1, true, 7},
                      {"NaN", 1.0f, 1, true, 7}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    XmlNode n = Elem(r.value);
    LogHistory::Clear();
    float f = 7.0f;
    EXPECT_TRUE(GetUsableFloat(n, "cfg\\cfg.xml", L"v", f, 0.0f, 10.0f, 1.0f));
    EXPECT_FLOAT_EQ(f, r.f);
    int32_t i = 7;
    EXPECT_TRUE(GetUsableInt(n, "cfg\\cfg.xml", L"v", i, 0, 10, 1));
    EXPECT_EQ(i, r.i);
    EXPECT_EQ(LogHistory::Contains("WARNING: cfg\\cfg.xml: <e> v=\"" + std::string(r.value) + "\" cannot be used; 1 used"),
              r.warned);
    i = 7;
    EXPECT_TRUE(GetClampedInt(n, "cfg\\cfg.xml", L"v", i, kLowest, 10));
    EXPECT_EQ(i, r.clamped);
  }
  float f = 7.0f;
  int32_t i = 7;
  EXPECT_FALSE(GetUsableFloat(NoAttr(), "f", L"v", f, 0, 1, 0));
  EXPECT_FALSE(GetUsableInt(NoAttr(), "f", L"v", i, 0, 1, 0));
  EXPECT_EQ(f, 7.0f);
  EXPECT_EQ(i, 7);
}

TEST(XmlAccessors, AbsentAttributesLeaveEveryOutValueUnchanged) {
  XmlNode n = NoAttr();
  bool b = true;
  int32_t i = 7;
  float f = 1.5f, x = 2.0f, y = 3.0f;
  Color c(1, 2, 3, 4);
  std::string s = "keep";
  std::wstring ws = L"keep";
  char buf[16] = "keep";
  EXPECT_FALSE(GetAttrBool(n, L"v", b));
  EXPECT_FALSE(GetAttrBoolA(n, "v", b));
  EXPECT_FALSE(GetAttrInt(n, L"v", &i));
  EXPECT_FALSE(GetAttrIntA(n, "v", i));
  EXPECT_FALSE(GetAttrFloat(n, L"v", f));
  EXPECT_FALSE(GetAttrFloatA(n, "v", f));
  EXPECT_FALSE(GetAttrPoint(n, L"v", x, y));
  EXPECT_FALSE(GetAttrColor(n, L"v", c));
  EXPECT_FALSE(GetAttrStringA(n, "v", s));
  EXPECT_FALSE(GetAttrWString(n, L"v", ws));
  EXPECT_FALSE(GetAttrString(n, L"v", buf, sizeof buf));
  EXPECT_TRUE(b);
  EXPECT_EQ(i, 7);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(x, 2.0f);
  EXPECT_EQ(y, 3.0f);
  EXPECT_EQ(c, Color(1, 2, 3, 4));
  EXPECT_EQ(s, "keep");
  EXPECT_EQ(ws, L"keep");
  EXPECT_STREQ(buf, "keep");
  // A null node answers the same way.
  EXPECT_FALSE(GetAttrIntA(XmlNode(), "v", i));
  EXPECT_EQ(i, 7);
}

TEST(XmlAccessors, ColoursAndPointsNeedEveryNumber) {
  struct Row {
    const char* value;
    bool ok;
    Color color;
  };
  const Row colours[] = {
      {"10;20;30", true, Color(10, 20, 30, 255)},
      {" 1; 2; 3", true, Color(1, 2, 3, 255)},
      {"255;0;128;7", true, Color(255, 0, 128, 255)},
      {"10;20", false, Color(9, 9, 9, 9)},
      {"10 ;20;30", false, Color(9, 9, 9, 9)},
      {"a;b;c", false, Color(9, 9, 9, 9)},
      {"", false, Color(9, 9, 9, 9)},
  };
  for (const Row& r : colours) {
    SCOPED_TRACE(r.value);
    Color c(9, 9, 9, 9);
    EXPECT_EQ(GetAttrColor(Elem(r.value), L"v", c), r.ok);
    EXPECT_EQ(c, r.color);
  }
  struct PointRow {
    const char* value;
    bool ok;
    float x, y;
  };
  const PointRow points[] = {
      {"1.5;-2", true, 1.5f, -2.0f},
      {"3; 4.25", true, 3.0f, 4.25f},
      {"1e1;2", true, 10.0f, 2.0f},
      {"7", false, -1.0f, -1.0f},
      {"7;", false, -1.0f, -1.0f},
      {";7", false, -1.0f, -1.0f},
      {"x;y", false, -1.0f, -1.0f},
  };
  for (const PointRow& r : points) {
    SCOPED_TRACE(r.value);
    float x = -1.0f, y = -1.0f;
    EXPECT_EQ(GetAttrPoint(Elem(r.value), L"v", x, y), r.ok);
    EXPECT_FLOAT_EQ(x, r.x);
    EXPECT_FLOAT_EQ(y, r.y);
  }
}

TEST(XmlAccessors, StringsAreCutToTheCallersBuffer) {
  for (size_t size : {size_t(128), size_t(260), size_t(2048)}) {
    SCOPED_TRACE(size);
    std::string longText(3000, 'x');
    std::vector<char> buf(size + 8, '#');
    EXPECT_TRUE(GetAttrString(Elem(longText), L"v", buf.data(), size));
    EXPECT_EQ(std::strlen(buf.data()), size - 1);
    EXPECT_EQ(buf[size], '#');  // nothing written past the buffer
  }
  // A cut never leaves half a character: "é" is two bytes in UTF-8.
  char small[4];
  EXPECT_TRUE(GetAttrString(Elem("aé"), L"v", small, 3));
  EXPECT_STREQ(small, "a");
  EXPECT_TRUE(GetAttrString(Elem("aé"), L"v", small, 4));
  EXPECT_STREQ(small, "aé");
  // Present but empty: true and an empty buffer.
  char buf[8] = "old";
  EXPECT_TRUE(GetAttrString(Elem(""), L"v", buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  std::string s;
  EXPECT_TRUE(GetAttrStringA(Elem("caf&#233; &amp; co"), "v", s));
  EXPECT_EQ(s, "café & co");
  std::wstring ws;
  EXPECT_TRUE(GetAttrWString(Elem("caf&#233;"), L"v", ws));
  EXPECT_EQ(ws, L"caf\u00e9");
}

TEST(XmlNode, SelectsWithXPathAndVisitsInOrder) {
  XmlNode doc = Parse(
      "<comixes><comix name=\"a\"><episode n=\"1\"/><episode n=\"2\"/></comix>"
      "<comix name=\"b\"><episode n=\"3\"/></comix></comixes>");
  ASSERT_TRUE(doc);
  XmlNode b = doc.selectSingleNode(L"comixes/comix[@name=\"b\"]");
  ASSERT_TRUE(b);
  EXPECT_EQ(b.selectNodes(L"episode").size(), 1u);
  EXPECT_FALSE(doc.selectSingleNode(L"comixes/comix[@name=\"zz\"]"));
  EXPECT_TRUE(doc.selectNodes(L"nothing/here").empty());

  std::vector<int> seen;
  auto collect = [](const XmlNode& n, void* out, void* limit) {
    int32_t v = 0;
    GetAttrIntA(n, "n", v);
    auto* list = static_cast<std::vector<int>*>(out);
    list->push_back(v);
    return int(list->size()) < *static_cast<int*>(limit);
  };
  int limit = 10;
  EXPECT_TRUE(ForEachNode(doc, L"//episode", collect, &seen, &limit));
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  seen.clear();
  limit = 2;  // the callback stops the walk
  EXPECT_TRUE(ForEachNode(doc, L"//episode", collect, &seen, &limit));
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  seen.clear();
  EXPECT_TRUE(ForEachNode(doc, L"none", collect, &seen, &limit));
  EXPECT_TRUE(seen.empty());
  // A malformed query fails the selection instead of throwing.
  EXPECT_FALSE(ForEachNode(doc, L"comix[", collect, &seen, &limit));
  EXPECT_FALSE(doc.selectSingleNode(L"///"));
  std::vector<XmlNode> out;
  EXPECT_FALSE(doc.selectNodes(L"count(//episode)", out));
  EXPECT_TRUE(out.empty());
}

TEST(XmlNode, NodesKeepTheirDocumentAlive) {
  XmlNode episode;
  {
    XmlNode doc = Parse("<a><b x=\"5\"><c/></b></a>");
    episode = doc.selectSingleNode(L"a/b");
  }
  int32_t x = 0;
  EXPECT_TRUE(GetAttrIntA(episode, "x", x));
  EXPECT_EQ(x, 5);
  EXPECT_EQ(episode.parentNode().nodeName(), L"a");
  EXPECT_EQ(episode.firstChild().nodeName(), L"c");
}

TEST(XmlNode, CreateChildElementAppendsOrInsertsBefore) {
  XmlNode doc = Parse("<graph><edges/></graph>");
  XmlNode graph = doc.selectSingleNode(L"graph");
  XmlNode edges = graph.selectSingleNode(L"edges");
  XmlNode points = CreateChildElement(graph, L"points", &edges);
  ASSERT_TRUE(points);
  XmlNode tail = CreateChildElement(graph, L"tail");
  ASSERT_TRUE(tail);
  std::vector<std::wstring> names;
  for (XmlNode n : graph.selectNodes(L"*")) names.push_back(n.nodeName());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"points", L"edges", L"tail"}));
  EXPECT_TRUE(graph.selectNodes(L"points/point").empty());  // reads as empty
  XmlNode none;
  EXPECT_FALSE(CreateChildElement(none, L"x"));
}

TEST(XmlNode, ReadsEveryEncoding) {
  const std::wstring title = L"Caf\u00e9 \u2615";
  const std::string utf8 = WideToUtf8(title);
  auto utf16 = [&](bool bigEndian, bool bom) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-16\"?><t v=\"" + title + L"\"/>";
    std::vector<uint8_t> out;
    auto put = [&](uint16_t u) {
      out.push_back(uint8_t(bigEndian ? u >> 8 : u));
      out.push_back(uint8_t(bigEndian ? u : u >> 8));
    };
    if (bom) put(0xFEFF);
    for (wchar_t c : text) put(uint16_t(c));
    return out;
  };
  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"utf-8", Bytes("<t v=\"" + utf8 + "\"/>")},
      {"utf-8 bom", Bytes("\xEF\xBB\xBF<t v=\"" + utf8 + "\"/>")},
      {"utf-16le bom", utf16(false, true)},
      {"utf-16be bom", utf16(true, true)},
      {"utf-16le", utf16(false, false)},
      {"utf-16be", utf16(true, false)},
  };
  for (auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    XmlNode doc = LoadXmlFromMemory(bytes.data(), bytes.size(), name);
    ASSERT_TRUE(doc);
    std::wstring v;
    EXPECT_TRUE(GetAttrWString(doc.documentElement(), L"v", v));
    EXPECT_EQ(v, title);
  }
}

TEST(XmlNode, BadDocumentsGiveAnErrorLineAndNull) {
  const char* bad[] = {"", "<a>", "<a></b>", "no xml at all", "<!-- only -->"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    LogHistory::Clear();
    EXPECT_FALSE(Parse(text));
    EXPECT_TRUE(LogHistory::Contains("ERROR: LoadXmlDocument: test is not valid XML"));
  }
  LogHistory::Clear();
  EXPECT_FALSE(LoadXmlDocument("cfg\\no_such_file.xml"));
  EXPECT_TRUE(LogHistory::Contains("ERROR: LoadXmlDocument: cannot read cfg\\no_such_file.xml"));
}

TEST(XmlNode, LoadsThroughTheFileLayer) {
  TempDir dir;
  WriteFile(dir / "Cfg/Level.XML", "<level n=\"3\"/>");
  PakInterface* pak = GetPakInterface();
  pak->Reset();
  XmlNode doc = LoadXmlDocument(dir.Path() + "\\cfg\\level.xml");
  ASSERT_TRUE(doc);
  int32_t n = 0;
  EXPECT_TRUE(GetAttrIntA(doc.documentElement(), "n", n));
  EXPECT_EQ(n, 3);
}
