// The engine's font table: fonts by name from the "fonts" part of the configuration.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fonts/ImageFont.h"
#include "fonts/SysFont.h"
#include "fonts/ZCFont.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {

XmlNode Parse(const std::string& xml) {
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "ui.xml").documentElement();
}

std::string FontFile(const char* name) {
  const char* dir = std::getenv("CAFE_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/generated/content/fonts/" + name;
}

TEST(FontTable, LoadsImageAndSystemFontsByNameAndSkipsBadEntries) {
  ZCFontTable table;
  ZCFontTable::SetCurrent(&table);
  LogHistory::Clear();
  std::string xml = "<root><fonts>"
                    "<font name=\"main\" file=\"" + FontFile("main.txt") + "\"/>"
                    "<font name=\"small\" face=\"DejaVu Sans\" size=\"13\"/>"
                    "<font name=\"serif\" face=\"DejaVu Serif\" size=\"15\" bold=\"1\" italic=\"true\"/>"
                    "<font name=\"odd\" face=\"No Such Face\" size=\"12\"/>"
                    "<font name=\"small\" face=\"DejaVu Sans\" size=\"30\"/>"
                    "<font face=\"DejaVu Sans\" size=\"13\"/>"
                    "<font name=\"nosize\" face=\"DejaVu Sans\"/>"
                    "<font name=\"huge\" face=\"DejaVu Sans\" size=\"100000\"/>"
                    "<font name=\"missing\" file=\"fonts\\nothing.txt\"/>"
                    "</fonts></root>";
  EXPECT_EQ(table.LoadFonts(Parse(xml)), 4);
  EXPECT_EQ(table.GetCount(), 4u);
  EXPECT_TRUE(LogHistory::Contains("\"No Such Face\" is not installed; using DejaVu Sans"));
  EXPECT_TRUE(LogHistory::Contains("font \"small\" is declared twice"));
  EXPECT_TRUE(LogHistory::Contains("a font without name"));
  EXPECT_TRUE(LogHistory::Contains("font nosize has no size"));
  EXPECT_TRUE(LogHistory::Contains("ZCFont: font \"huge\" cannot be loaded"));
  EXPECT_TRUE(LogHistory::Contains("ZCFont: font \"missing\" cannot be loaded"));

  ZCFont* main = GetFontByName("main");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->GetName(), "main");
  EXPECT_NE(dynamic_cast<Vesk::ImageFont*>(main->GetInnerFont()), nullptr);
  EXPECT_GT(main->GetAscent(), 10);
  EXPECT_GT(main->StringWidth(L"Cafe"), 20);
  ZCFont* small = ZCFont::GetFont("small");
  ASSERT_NE(small, nullptr);
  // The first declaration is kept: 13 pixels, not 30.
  EXPECT_LT(small->GetAscent(), 16);
  EXPECT_EQ(ZCFont::GetFont("nosize"), nullptr);
  EXPECT_EQ(GetFontByName(""), nullptr);
  // Names are exact.
  EXPECT_EQ(GetFontByName("Main"), nullptr);
}

TEST(FontTable, LookupsNeedACurrentTableAndEndWithIt) {
  {
    ZCFontTable table;
    ZCFontTable::SetCurrent(&table);
    ASSERT_NE(table.AddFont("a", Vesk::SysFont::Create("DejaVu Sans", 12)), nullptr);
    EXPECT_EQ(table.AddFont("a", Vesk::SysFont::Create("DejaVu Sans", 14)), nullptr);
    EXPECT_EQ(table.AddFont("b", nullptr), nullptr);
    EXPECT_NE(GetFontByName("a"), nullptr);
  }
  // The table is gone: lookups find nothing instead of reaching freed fonts.
  EXPECT_EQ(ZCFontTable::GetCurrent(), nullptr);
  EXPECT_EQ(GetFontByName("a"), nullptr);
}

}  // namespace
