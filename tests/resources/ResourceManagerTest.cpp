// Images and fonts by resource id, and the exceptions of the throwing lookups.
#include <gtest/gtest.h>

#include <string>

#include "resources/ResourceManager.h"
#include "shell/Log.h"

namespace {

XmlNode Parse(const std::string& xml) {
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "res.xml").documentElement();
}

TEST(ResourceManager, LoadsDeclaredResourcesOnFirstUseAndThrowsForUnknownIds) {
  int loads = 0;
  Vesk::ResourceManager res([&](const std::string& file) -> std::unique_ptr<Vesk::MemoryImage> {
    ++loads;
    if (file == "bad.png") return nullptr;
    return std::make_unique<Vesk::MemoryImage>(3, 3);
  });
  LogHistory::Clear();
  EXPECT_EQ(res.ParseResources(Parse("<resources>"
                                     "<image id=\"IMAGE_LOGO\" file=\"logo.png\"/>"
                                     "<image id=\"IMAGE_BAD\" file=\"bad.png\"/>"
                                     "<image id=\"IMAGE_NOFILE\"/>"
                                     "<image file=\"x.png\"/>"
                                     "<font id=\"FONT_SMALL\" face=\"DejaVu Sans\" size=\"11\"/>"
                                     "<font id=\"FONT_BAD\" face=\"DejaVu Sans\"/>"
                                     "<sound id=\"SOUND_X\" file=\"x.wav\"/>"
                                     "</resources>")),
            4);
  EXPECT_TRUE(LogHistory::Contains("image IMAGE_NOFILE has no file"));
  EXPECT_EQ(loads, 0);

  Vesk::MemoryImage* logo = res.GetImageThrow("IMAGE_LOGO");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(res.GetImage("IMAGE_LOGO"), logo);
  EXPECT_EQ(loads, 1);
  EXPECT_NE(res.GetFontThrow("FONT_SMALL"), nullptr);

  try {
    res.GetImageThrow("IMAGE_NONE");
    ADD_FAILURE() << "no exception";
  } catch (const Vesk::ResourceManagerException& e) {
    EXPECT_STREQ(e.what(), "Image resource not found: IMAGE_NONE");
  }
  try {
    res.GetFontThrow("FONT_NONE");
    ADD_FAILURE() << "no exception";
  } catch (const Vesk::ResourceManagerException& e) {
    EXPECT_STREQ(e.what(), "Font resource not found: FONT_NONE");
  }
  // Declared but unusable resources throw too, and are not read again on every lookup.
  EXPECT_THROW(res.GetImageThrow("IMAGE_BAD"), Vesk::ResourceManagerException);
  EXPECT_EQ(res.GetImage("IMAGE_BAD"), nullptr);
  EXPECT_EQ(loads, 2);
  EXPECT_THROW(res.GetFontThrow("FONT_BAD"), Vesk::ResourceManagerException);
  EXPECT_THROW(res.GetImageThrow("SOUND_X"), Vesk::ResourceManagerException);
  EXPECT_EQ(res.GetFont("IMAGE_LOGO"), nullptr);
  EXPECT_FALSE(res.ParseResourcesFile("cfg\\no_such_resources.xml"));
}

}  // namespace
