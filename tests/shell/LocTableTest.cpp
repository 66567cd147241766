#include <gtest/gtest.h>

#include "shell/LocTable.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/TextVars.h"
#include "shell/support/TestFiles.h"

TEST(LocTable, ReadsTheSampleTextsFromThePacks) {
  // Tests run beside the executable: the texts come from loc.pak as in the game.
  PakInterface* pak = GetPakInterface();
  pak->Reset();
  ASSERT_GE(AddStandardPaks(pak, "."), 2);
  LocTable loc;
  EXPECT_TRUE(loc.Load());
  EXPECT_EQ(loc.GetText("app_title"), L"Pellor Caf\u00e9");
  EXPECT_EQ(loc.GetText("test_accents"), L"Caf\u00e9 cr\u00e8me");
  EXPECT_EQ(loc.GetText("no_such_text"), L"$no_such_text");
  EXPECT_FALSE(loc.HasText("no_such_text"));
  pak->Reset();
}

TEST(LocTable, BadFilesLeaveAnEmptyTableAndAnErrorLine) {
  TempDir dir;
  PakInterface* pak = GetPakInterface();
  pak->Reset();
  LocTable loc;
  WriteFile(dir / "ok.xml",
            "<loc><text id=\"a\">one</text><text>no id</text><text id=\"a\">two</text>"
            "<text id=\"lines\">x&#10;y</text></loc>");
  LogHistory::Clear();
  EXPECT_TRUE(loc.Load(dir / "ok.xml"));
  EXPECT_EQ(loc.Size(), 2u);
  EXPECT_EQ(loc.GetText("a"), L"two");
  EXPECT_EQ(loc.GetText("lines"), L"x\ny");
  EXPECT_TRUE(LogHistory::Contains("WARNING: LocTable::Load: a text without id"));

  WriteFile(dir / "bad.xml", "<loc><text id=\"a\">one</loc>");
  LogHistory::Clear();
  EXPECT_FALSE(loc.Load(dir / "bad.xml"));
  EXPECT_EQ(loc.Size(), 0u);
  EXPECT_EQ(loc.GetText("a"), L"$a");
  EXPECT_TRUE(LogHistory::Contains("ERROR: LocTable::Load"));
  EXPECT_FALSE(loc.Load(dir / "missing.xml"));
}

TEST(TextVars, HoldsNamedTextsAndNumbers) {
  TextVars vars;
  std::wstring v = L"keep";
  EXPECT_FALSE(vars.GetTextVar("money", v));
  EXPECT_EQ(v, L"keep");
  vars.SetTextVarInt("money", -1250);
  EXPECT_EQ(vars.GetTextVar("money"), L"-1250");
  vars.SetTextVarInt("money", 2147483647);
  EXPECT_EQ(vars.GetTextVar("money"), L"2147483647");
  vars.SetTextVar("profile_name", L"Ann\u00e9");
  EXPECT_TRUE(vars.GetTextVar("profile_name", v));
  EXPECT_EQ(v, L"Ann\u00e9");
  EXPECT_EQ(vars.GetTextVar("unset"), L"");
  vars.Clear();
  EXPECT_EQ(vars.GetTextVar("money"), L"");
}
