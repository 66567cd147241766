// The table of span fillers against the list of filler names by entry: entries that share a name
// share a filler, entries with different names have different fillers, none is empty.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "raster/SpanFillers.h"

namespace {

// The filler name of every entry, built from the flags as the table lays them out.
std::string ExpectedName(int index) {
  static const char* const kFormats[4] = {"8888", "888", "565", "555"};
  const int offset = index & 31;
  const std::string format = kFormats[index >> 5];
  if (offset < 16) {
    if (!(offset & kSpanVertexColors)) return "FillTriangleNone";
    return "FillTriangle" + format + (offset & kSpanGlobalColor ? "VertexColorMod" : "VertexColor");
  }
  // The plain textured 32-bit fillers serve the 32-bit RGB group as well.
  const bool plain = offset == 16 || offset == 17;
  std::string name = "FillTriangle" + std::string(plain && index >> 5 == 1 ? "8888" : format) + "Tex";
  if (offset & kSpanAlpha) name += "Alpha";
  if (offset & kSpanVertexColors) name += "VertexColor";
  if (offset & kSpanGlobalColor) name += "Mod";
  if (offset & kSpanBilinear) name += "Bilinear";
  return name;
}

}  // namespace

TEST(SpanTable, EveryEntryHoldsTheFillerOfItsName) {
  // A few rows of the list, spelt out, so that the builder above is itself checked.
  EXPECT_EQ(ExpectedName(0), "FillTriangleNone");
  EXPECT_EQ(ExpectedName(13), "FillTriangle8888VertexColor");
  EXPECT_EQ(ExpectedName(47), "FillTriangle888VertexColorMod");
  EXPECT_EQ(ExpectedName(49), "FillTriangle8888TexBilinear");
  EXPECT_EQ(ExpectedName(50), "FillTriangle888TexMod");
  EXPECT_EQ(ExpectedName(87), "FillTriangle565TexVertexColorModBilinear");
  EXPECT_EQ(ExpectedName(123), "FillTriangle555TexAlphaModBilinear");
  EXPECT_EQ(ExpectedName(127), "FillTriangle555TexAlphaVertexColorModBilinear");

  std::map<std::string, SpanFiller> byName;
  std::set<SpanFiller> distinct;
  for (int index = 0; index < 128; ++index) {
    const SpanFiller filler = TriangleSpanTable[index];
    ASSERT_NE(filler, nullptr) << "entry " << index;
    const auto [it, added] = byName.emplace(ExpectedName(index), filler);
    EXPECT_EQ(it->second, filler) << "entry " << index << " is not " << it->first;
    distinct.insert(filler);
  }
  EXPECT_EQ(byName.size(), 71u);
  EXPECT_EQ(distinct.size(), 71u);  // different names never share a filler
}

TEST(SpanTable, NamedFillersAreTheTableEntries) {
  const std::map<std::string, SpanFiller> named = {
      {"FillTriangle8888TexMod", FillTriangle8888TexMod},
      {"FillTriangle888TexModBilinear", FillTriangle888TexModBilinear},
      {"FillTriangle565TexVertexColor", FillTriangle565TexVertexColor},
      {"FillTriangle555TexVertexColorBilinear", FillTriangle555TexVertexColorBilinear},
      {"FillTriangle8888TexVertexColorMod", FillTriangle8888TexVertexColorMod},
      {"FillTriangle888TexVertexColorModBilinear", FillTriangle888TexVertexColorModBilinear},
      {"FillTriangle565TexAlphaMod", FillTriangle565TexAlphaMod},
      {"FillTriangle8888TexAlphaModBilinear", FillTriangle8888TexAlphaModBilinear},
      {"FillTriangle888TexAlphaVertexColor", FillTriangle888TexAlphaVertexColor},
      {"FillTriangle555TexAlphaVertexColorBilinear", FillTriangle555TexAlphaVertexColorBilinear},
      {"FillTriangle565TexAlphaVertexColorMod", FillTriangle565TexAlphaVertexColorMod},
      {"FillTriangle8888TexAlphaVertexColorModBilinear", FillTriangle8888TexAlphaVertexColorModBilinear},
      {"FillTriangle8888Tex", FillTriangle8888Tex},
      {"FillTriangleNone", FillTriangleNone},
  };
  std::map<std::string, int> found;
  for (int index = 0; index < 128; ++index) {
    const auto it = named.find(ExpectedName(index));
    if (it == named.end()) continue;
    EXPECT_EQ(TriangleSpanTable[index], it->second) << it->first;
    ++found[it->first];
  }
  EXPECT_EQ(found.size(), named.size());
  EXPECT_EQ(found["FillTriangle8888Tex"], 2);  // entries 16 and 48
  EXPECT_EQ(found["FillTriangleNone"], 32);
}
