#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ZCEngine.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "screens/ZCAtlasPack.h"
#include "screens/ZCComixObjects.h"
#include "shell/Log.h"
#include "shell/PakFormat.h"
#include "shell/PakInterface.h"

namespace {

class Engine : public ZCEngine {
 public:
  Engine() {
    mProductName = "Atlas Test";
    mRegKey = "Cafe Tests\\Atlas Test";
  }

 protected:
  bool WantsWindow() const override { return false; }
};

std::vector<uint8_t> Png(int32_t w, int32_t h) {
  Vesk::MemoryImage image(w, h);
  std::vector<uint8_t> out;
  EXPECT_TRUE(ImageLib::EncodePNG(image, out));
  return out;
}

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

int LogLinesWith(const std::string& text) {
  int n = 0;
  for (const std::string& line : LogHistory::Recent()) n += line.find(text) != std::string::npos;
  return n;
}

class AtlasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetPakInterface()->Reset();
    LogHistory::Clear();
  }
  void TearDown() override {
    GetPakInterface()->Reset();
    AddStandardPaks(GetPakInterface(), ".");
  }
  // Mounts the files as a pack.
  void Mount(std::vector<std::pair<std::string, std::vector<uint8_t>>> files) {
    ASSERT_TRUE(GetPakInterface()->AddPakMemory(PakFormat::Build(files), "atlas.pak"));
  }
  Engine mEngine;
};

TEST_F(AtlasTest, PicturesAreFoundByTheirNormalisedNameOnly) {
  Mount({{"comix/intro_atlaspack.xml",
          Text("<atlas_content atlas_count=\"1\">"
               "<image name=\"comix/intro/frame1\" atlas=\"0\" offsetX=\"3\" offsetY=\"4\" atlasX=\"2\" atlasY=\"1\" "
               "W=\"10\" H=\"12\" origW=\"20\" origH=\"22\"/>"
               "<image name=\"Comix/Intro/Frame2\" W=\"5\" H=\"5\"/>"
               "<image name=\"comix/intro/twice\" W=\"1\" H=\"1\"/>"
               "<image name=\"comix/intro/twice\" W=\"7\" H=\"7\"/>"
               "</atlas_content>")},
         {"comix/intro_00.png", Png(32, 32)}});
  // The name is used as written; the pack layer matches it whatever its separators and case.
  ZCAtlasPack atlas(&mEngine, "Comix\\Intro");
  ASSERT_EQ(atlas.GetPageCount(), 1);
  ASSERT_NE(atlas.GetPage(0), nullptr);
  EXPECT_EQ(atlas.GetPage(0)->GetWidth(), 32);
  EXPECT_EQ(atlas.GetPage(1), nullptr);
  EXPECT_EQ(atlas.GetPage(-1), nullptr);

  EXPECT_EQ(ZCAtlasPack::NormaliseName("Comix\\Intro\\Frame1"), "comix/intro/frame1");
  const AtlasImageEntry* e = atlas.Find(ZCAtlasPack::NormaliseName("Comix\\Intro\\Frame1"));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->atlas, &atlas);
  const std::vector<int32_t> got = {e->page, e->offsetX, e->offsetY, e->W, e->H, e->atlasX, e->atlasY, e->origW, e->origH};
  EXPECT_EQ(got, (std::vector<int32_t>{0, 3, 4, 10, 12, 2, 1, 20, 22}));
  // A picture of the atlas shows its own rectangle of the page, placed where the trimmed
  // margin puts it inside the whole picture.
  ComixImageRef piece;
  piece.SetEntry(atlas.Find("comix/intro/frame1"));
  Rect source;
  Vesk::VeskVector2 at;
  ASSERT_TRUE(piece.GetSource(source, at));
  EXPECT_EQ(source, Rect(2, 1, 10, 12));
  EXPECT_EQ(at.x, 3);
  EXPECT_EQ(at.y, 4);
  // Written with capitals, an entry is never found by a normalised name; nor is a name outside
  // the atlas (the caller then loads the picture's own file).
  EXPECT_EQ(atlas.Find(ZCAtlasPack::NormaliseName("Comix/Intro/Frame2")), nullptr);
  EXPECT_EQ(atlas.Find("comix/intro/frame9"), nullptr);
  // A later entry of the same name replaces the earlier one (the sanitizer sees no leak).
  ASSERT_NE(atlas.Find("comix/intro/twice"), nullptr);
  EXPECT_EQ(atlas.Find("comix/intro/twice")->W, 7);
  EXPECT_EQ(atlas.GetEntryCount(), 3u);
  EXPECT_EQ(LogLinesWith("WARNING: "), 0);
}

TEST_F(AtlasTest, MissingPagesAndDescriptionsAndBadNumbersNeverReachOutsideAPage) {
  Mount({{"a_atlaspack.xml", Text("<atlas_content><image name=\"x\" W=\"4\" H=\"4\"/></atlas_content>")},
         {"b_atlaspack.xml", Text("<other/>")},
         {"c_atlaspack.xml",
          Text("<atlas_content atlas_count=\"2\">"
               "<image name=\"neg\" atlasX=\"-5\" atlasY=\"3\" W=\"-4\" H=\"40\" origW=\"-1\" origH=\"9\"/>"
               "<image name=\"huge\" atlasX=\"2147483647\" atlasY=\"6\" W=\"2147483647\" H=\"2\" offsetX=\"-99999999\"/>"
               "<image name=\"lost\" atlas=\"7\" W=\"4\" H=\"4\"/>"
               "<image name=\"failed\" atlas=\"1\" W=\"4\" H=\"4\"/>"
               "</atlas_content>")},
         {"c_00.png", Png(16, 8)},
         {"c_01.png", Text("not a picture")}});
  // atlas_count 0: the entries are kept, with no page to draw from.
  ZCAtlasPack noPages(&mEngine, "a");
  EXPECT_EQ(noPages.GetPageCount(), 0);
  ASSERT_NE(noPages.Find("x"), nullptr);
  EXPECT_EQ(noPages.GetPage(noPages.Find("x")->page), nullptr);
  // No description, or one without "atlas_content": an empty atlas.
  for (const char* name : {"b", "none"}) {
    ZCAtlasPack empty(&mEngine, name);
    EXPECT_EQ(empty.GetPageCount(), 0) << name;
    EXPECT_EQ(empty.GetEntryCount(), 0u) << name;
  }
  // Rectangles are cut to their page; a missing or failed page gives no image.
  ZCAtlasPack atlas(&mEngine, "c");
  ASSERT_EQ(atlas.GetPageCount(), 2);
  EXPECT_EQ(atlas.GetPage(1), nullptr);
  for (const char* name : {"neg", "huge"}) {
    const AtlasImageEntry* e = atlas.Find(name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_TRUE(e->atlasX >= 0 && e->atlasY >= 0 && e->W >= 0 && e->H >= 0 && e->origW >= 0) << name;
    EXPECT_LE(e->atlasX + e->W, 16) << name;
    EXPECT_LE(e->atlasY + e->H, 8) << name;
  }
  EXPECT_EQ(atlas.Find("neg")->H, 5);
  EXPECT_EQ(atlas.Find("huge")->offsetX, -ZCAtlasPack::kMaxSide);
  EXPECT_EQ(atlas.GetPage(atlas.Find("lost")->page), nullptr);
  EXPECT_EQ(atlas.GetPage(atlas.Find("failed")->page), nullptr);
  EXPECT_EQ(LogLinesWith("WARNING: atlas c: the picture "), 3);
}

// The sample atlas of the content build: two pages, trimmed pictures with their offsets.
TEST_F(AtlasTest, TheSampleAtlasLoadsWithItsPagesAndEntries) {
  ASSERT_GE(AddStandardPaks(GetPakInterface(), "."), 1);
  ZCAtlasPack atlas(&mEngine, "comix\\sample");
  ASSERT_GE(atlas.GetPageCount(), 2);
  for (int32_t i = 0; i < atlas.GetPageCount(); ++i) EXPECT_NE(atlas.GetPage(i), nullptr) << i;
  // Every picture is trimmed (its transparent margin gives a non-zero offset) and lies inside
  // its page; one at least lies on the second page.
  int onSecondPage = 0;
  for (const char* name : {"cafe_front", "heroine_face", "bubble", "cup", "sun", "sign_board", "mask_soft"}) {
    const AtlasImageEntry* e = atlas.Find(std::string("comix/sample/") + name);
    ASSERT_NE(e, nullptr) << name;
    const Vesk::MemoryImage* page = atlas.GetPage(e->page);
    ASSERT_NE(page, nullptr) << name;
    EXPECT_GT(e->offsetX + e->offsetY, 0) << name;
    EXPECT_TRUE(e->W > 0 && e->H > 0 && e->W < e->origW && e->H < e->origH) << name;
    EXPECT_TRUE(e->atlasX + e->W <= page->GetWidth() && e->atlasY + e->H <= page->GetHeight()) << name;
    onSecondPage += e->page == 1;
  }
  EXPECT_GE(onSecondPage, 1);
  // The cup, masked in the intro, lies across x = 512, where the 3D route cuts its wide page.
  const AtlasImageEntry* cup = atlas.Find("comix/sample/cup");
  ASSERT_NE(cup, nullptr);
  EXPECT_GT(atlas.GetPage(cup->page)->GetWidth(), 512);
  EXPECT_TRUE(cup->atlasX < 512 && cup->atlasX + cup->W > 512) << cup->atlasX;
  EXPECT_EQ(LogLinesWith("WARNING: "), 0);
}

}  // namespace
