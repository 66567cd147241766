#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>

#include "ArtDescription.h"
#include "AtlasPacker.h"
#include "SvgRig.h"
#include "driver/TestFolder.h"
#include "effects/AnmFile.h"

namespace {

namespace fs = std::filesystem;

// Three coloured squares side by side, each its own group; "b" has a pivot at its centre.
const char* kDrawing = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="20">
  <rect id="a" x="2" y="4" width="12" height="12" fill="#c03030"/>
  <g id="b"><rect x="24" y="4" width="12" height="12" fill="#30a030"/><rect x="28" y="8" width="4" height="4" fill="#ffffff"/></g>
  <g id="c" transform="translate(46 4)"><rect width="12" height="12" fill="#3030c0"/></g>
</svg>)svg";

class ArtGenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = TestTempFolder() /
             ("artgen_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "out");
  }
  void TearDown() override { fs::remove_all(folder); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; }
  std::vector<uint32_t> Render(const SvgRig& rig, const ArtDescription& desc, const std::vector<std::string>& poses) {
    ArtFrame frame;
    frame.mPoses = poses;
    std::vector<uint32_t> pixels;
    std::string error;
    EXPECT_TRUE(SvgRig::Render(rig.Posed(desc, frame), 0, 0, 60, 20, false, pixels, error)) << error;
    return pixels;
  }
  fs::path folder;
};

TEST_F(ArtGenTest, ARigFrameMovesOnlyTheGroupsItNames) {
  SvgRig rig;
  std::string error;
  ASSERT_TRUE(rig.Load(kDrawing, error)) << error;
  ArtDescription desc;
  ASSERT_TRUE(ParseArtDescription("pivot b 30 10\npose shift move:b:0,3\npose turn rotate:b:45\npose off hide:c\n"
                                  "pose both move:b:0,3 hide:c\n",
                                  desc, error))
      << error;
  ASSERT_TRUE(rig.Check(desc, error)) << error;
  const std::vector<uint32_t> rest = Render(rig, desc, {});
  auto changedColumns = [&](const std::vector<uint32_t>& posed) {
    std::vector<bool> columns(60, false);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 60; ++x)
        if (posed[size_t(y * 60 + x)] != rest[size_t(y * 60 + x)]) columns[size_t(x)] = true;
    return columns;
  };
  // Each pose changes pixels only in the columns of the groups it names, and changes them there.
  struct Case {
    std::vector<std::string> poses;
    int from, to;  // the columns that may change
  };
  for (const Case& c : {Case{{"shift"}, 20, 40}, Case{{"turn"}, 20, 40}, Case{{"off"}, 44, 60},
                        Case{{"both"}, 20, 60}, Case{{"shift", "off"}, 20, 60}}) {
    const std::vector<uint32_t> posed = Render(rig, desc, c.poses);
    const std::vector<bool> columns = changedColumns(posed);
    bool any = false;
    for (int x = 0; x < 60; ++x) {
      if (x < c.from || x >= c.to) {
        EXPECT_FALSE(columns[size_t(x)]) << c.poses[0] << " changed column " << x;
      }
      any = any || columns[size_t(x)];
    }
    EXPECT_TRUE(any) << c.poses[0] << " changed nothing";
  }
  // A turn about the pivot keeps the pivot's pixel; a move shifts the group whole.
  const std::vector<uint32_t> turned = Render(rig, desc, {"turn"});
  EXPECT_EQ(turned[10 * 60 + 30], rest[10 * 60 + 30]);
  const std::vector<uint32_t> shifted = Render(rig, desc, {"shift"});
  for (int x = 24; x < 36; ++x) EXPECT_EQ(shifted[size_t(14 * 60 + x)], rest[size_t(11 * 60 + x)]) << x;
  // Group "c" keeps its own transform under the ones a pose adds.
  EXPECT_EQ(rest[10 * 60 + 50] & 0xFFFFFFu, 0x3030C0u);
}

TEST_F(ArtGenTest, SheetsAndAnimationsAreWrittenAsTheDescriptionSays) {
  Write("cube.svg", kDrawing);
  Write("cube.art",
        "pose up move:b:0,-2\nset cube 20 20\nanim cubeidle 0.25 loop : - up -\nanim cubewait 0.5 stop=0 at=40,0 mirror : -\n"
        "sheet red\nanim cuberedidle 0.1 : up\npicture ui/cube.png 20 20 at=20,0 : - up\n");
  std::string error;
  ASSERT_TRUE(GenerateArt((folder / "cube.art").string(), (folder / "out").string(), error)) << error;
  for (const char* f : {"anm/cube.anm", "anm/cube.png", "anm/cube_red.png", "ui/cube.png"})
    EXPECT_TRUE(fs::exists(folder / "out" / f)) << f;
  std::ifstream in(folder / "out/anm/cube.anm", std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<AnimEntry> anims;
  ASSERT_TRUE(Anm::Parse(bytes.data(), bytes.size(), "cube.anm", anims));
  ASSERT_EQ(anims.size(), 3u);
  EXPECT_EQ(anims[0].mName, "cubeidle");
  EXPECT_EQ(anims[0].mFrames.size(), 3u);
  EXPECT_TRUE(anims[0].mLooping);
  EXPECT_FLOAT_EQ(anims[0].mFrames[2].mTime, 0.25f);
  EXPECT_EQ(anims[0].mImageFile, "anm\\cube.png");
  EXPECT_EQ(anims[0].mSheetWidth, 60);
  EXPECT_EQ(anims[0].mSheetHeight, 40);
  EXPECT_EQ(anims[1].mFrames[0].mY, 20);
  EXPECT_EQ(anims[1].mStopFrame, 0);
  EXPECT_EQ(anims[2].mImageFile, "anm\\cube_red.png");
  EXPECT_EQ(anims[2].mSheetHeight, 20);
}

TEST_F(ArtGenTest, AtlasPicturesAreTrimmedAndPackedWithoutOverlap) {
  // Trimming keeps the smallest rectangle of visible pixels.
  std::vector<uint32_t> pixels(6 * 5, 0);
  pixels[2 * 6 + 1] = 0x01000000;
  pixels[3 * 6 + 4] = 0xFF102030;
  const AtlasRect t = TrimTransparent(pixels, 6, 5);
  EXPECT_EQ(std::vector<int32_t>({t.x, t.y, t.w, t.h}), std::vector<int32_t>({1, 2, 4, 2}));
  EXPECT_EQ(TrimTransparent(std::vector<uint32_t>(4, 0), 2, 2).w, 0);
  // Packing: every picture inside its page, none overlapping another (gap included).
  const std::vector<AtlasRect> sizes = {{0, 0, 40, 30}, {0, 0, 20, 20}, {0, 0, 64, 10}, {0, 0, 30, 34},
                                        {0, 0, 10, 50}, {0, 0, 25, 25}, {0, 0, 0, 0},   {0, 0, 33, 12}};
  std::vector<AtlasPlace> places;
  int32_t pages = 0;
  std::string error;
  ASSERT_TRUE(PackShelves(sizes, 64, 64, 2, places, pages, error)) << error;
  EXPECT_GE(pages, 2);
  for (size_t i = 0; i < sizes.size(); ++i) {
    EXPECT_TRUE(places[i].page < pages && places[i].x >= 0 && places[i].y >= 0 && places[i].x + sizes[i].w <= 64 &&
                places[i].y + sizes[i].h <= 64) << i;
    for (size_t j = 0; j < i; ++j)
      EXPECT_FALSE(places[i].page == places[j].page && sizes[i].w && sizes[j].w &&
                   places[i].x < places[j].x + sizes[j].w + 2 && places[j].x < places[i].x + sizes[i].w + 2 &&
                   places[i].y < places[j].y + sizes[j].h + 2 && places[j].y < places[i].y + sizes[i].h + 2)
          << i << " overlaps " << j;
  }
  EXPECT_FALSE(PackShelves({{0, 0, 65, 1}}, 64, 64, 2, places, pages, error));
  // The generator writes the pages and the description with each picture's trim.
  Write("cube.svg", kDrawing);
  Write("cube.art", "atlas cx/cube 32 32\nimage cx/cube/red 20 20\nimage cx/cube/blue 20 20 at=40,0\n");
  ASSERT_TRUE(GenerateArt((folder / "cube.art").string(), (folder / "out").string(), error)) << error;
  EXPECT_TRUE(fs::exists(folder / "out/cx/cube_00.png"));
  EXPECT_FALSE(fs::exists(folder / "out/cx/cube_01.png"));
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file((folder / "out/cx/cube_atlaspack.xml").c_str()));
  EXPECT_EQ(doc.child("atlas_content").attribute("atlas_count").as_int(), 1);
  pugi::xml_node red = doc.select_node("atlas_content/image[@name='cx/cube/red']").node();
  EXPECT_EQ(std::vector<int>({red.attribute("offsetX").as_int(), red.attribute("offsetY").as_int(),
                              red.attribute("W").as_int(), red.attribute("H").as_int(),
                              red.attribute("origW").as_int()}),
            std::vector<int>({2, 4, 12, 12, 20}));
}

TEST_F(ArtGenTest, BadSourcesStopTheGeneratorWithTheFileNameAndTheReason) {
  struct Case {
    const char* svg;
    const char* art;
    const char* file;    // the file the message names
    const char* reason;  // words of the reason
  };
  const Case cases[] = {
      {"<svg width=\"10\" height=\"10\"><g></svg>", "set x 10 10\nanim xidle 1 : -\n", "x.svg", "malformed SVG"},
      {"<svg viewBox=\"0 0 10 10\"/>", "set x 10 10\nanim xidle 1 : -\n", "x.svg", "width and height"},
      {"<svg width=\"10\" height=\"10\"/>", "pose p move:arm:1,0\nset x 10 10\nanim xidle 1 : p\n", "x.art",
       "group 'arm', which the drawing lacks"},
      {"<svg width=\"10\" height=\"10\"/>", "set x 10 10\nanim xidle 1 at=4,0 : -\n", "x.art", "outside the drawing"},
      {"<svg width=\"10\" height=\"10\"/>", "set x 10 10\nanim xidle 1 : nope\n", "x.art", "unknown pose 'nope'"},
      {"<svg width=\"10\" height=\"10\"/>", "set x 10 10\nanim xidle 1 stop=3 : - -\n", "x.art", "stop frame"},
      {"<svg width=\"10\" height=\"10\"/>", "anim xidle 1 : -\n", "x.art", "before any \"set\""},
      {"<svg width=\"10\" height=\"10\"/>", "set x 10 10\nanim xidle 1 : -\nsheet b\nanim xidle 1 : -\n", "x.art",
       "described twice"},
      {"<svg width=\"10\" height=\"10\"/>", "atlas a 16 16\nimage A/B 10 10\n", "x.art", "lower case"},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder / "out");
    fs::create_directories(folder / "out");
    Write("x.svg", c.svg);
    Write("x.art", c.art);
    std::string error;
    EXPECT_FALSE(GenerateArt((folder / "x.art").string(), (folder / "out").string(), error)) << c.art;
    EXPECT_NE(error.find((folder / c.file).string()), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(folder / "out")) << "something was written for " << c.art;
  }
  // The program stops the build: a failing exit status and the message on its error output.
  const char* bin = std::getenv("CAFE_BINARY_DIR");
  ASSERT_NE(bin, nullptr);
  const std::string command = std::string(bin) + "/bin/artgen " + (folder / "x.art").string() + " " +
                              (folder / "out").string() + " 2>" + (folder / "err.txt").string();
  EXPECT_NE(std::system(command.c_str()), 0);
  std::ifstream err(folder / "err.txt");
  std::string message((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
  EXPECT_NE(message.find("x.art"), std::string::npos) << message;
  EXPECT_NE(message.find("ERROR: "), std::string::npos) << message;
}

}  // namespace
