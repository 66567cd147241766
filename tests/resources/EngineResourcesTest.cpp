// The engine's images, textures and fonts: one image factory, the shared images, and the
// textures and fonts of the sample café's "cfg\\ui.xml".
#include <gtest/gtest.h>

#include <thread>

#include "engine/ZCEngine.h"
#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "resources/ResourceManager.h"
#include "resources/SharedImages.h"
#include "resources/ZCTextureCache.h"
#include "shell/Log.h"

namespace {

// An image kind of the test's own, to see that every image comes from the factory.
class TaggedImage : public Vesk::MemoryImage {};

class Engine : public ZCEngine {
 public:
  Engine() {
    mProductName = "Resources Test";
    mRegKey = "Cafe Tests\\Resources Test";
  }
  std::unique_ptr<Vesk::MemoryImage> CreateImage() override {
    ++mCreated;
    return std::make_unique<TaggedImage>();
  }
  using ZCEngine::LoadConfig;
  int mCreated = 0;

 protected:
  bool WantsWindow() const override { return false; }
};

TEST(EngineResources, TheSampleCafeTexturesAndFontsLoadOnTheLoadingThread) {
  Engine app;
  LogHistory::Clear();
  std::thread loader([&] { app.LoadConfig(); });
  loader.join();
  for (auto& l : LogHistory::Recent())
    if (l.find("WARNING") != std::string::npos || l.find("ERROR") != std::string::npos) ADD_FAILURE() << l;

  for (const char* name : {"main", "title", "small", "small_bold"}) EXPECT_NE(GetFontByName(name), nullptr) << name;
  EXPECT_GT(GetFontByName("title")->GetAscent(), GetFontByName("main")->GetAscent());

  TextureHandle sheet = app.GetTextureCache()->GetTexture("font_main_sheet");
  ASSERT_FALSE(sheet.IsNullHandle());
  Vesk::MemoryImage* image = sheet.GetImage();
  ASSERT_NE(image, nullptr);
  EXPECT_NE(dynamic_cast<TaggedImage*>(image), nullptr);
  EXPECT_GT(image->GetWidth(), 100);

  // The sample font draws with the engine's table lookups.
  Vesk::MemoryImage canvas(200, 60);
  Vesk::Graphics g(&canvas);
  g.SetFont(GetFontByName("main"));
  EXPECT_EQ(g.DrawWrappedText(L"Pellor Cafe", Rect(0, 0, 200, 60)), GetFontByName("main")->GetHeight());
}

TEST(EngineResources, SharedAndSingleImagesComeFromTheFactory) {
  Engine app;
  ImageRef a, b;
  ASSERT_TRUE(app.GetSharedImage(a, "fonts\\main.png", "", 0));
  ASSERT_TRUE(app.GetSharedImage(b, "FONTS/MAIN.PNG"));
  EXPECT_EQ(a.GetImage(), b.GetImage());
  EXPECT_NE(dynamic_cast<TaggedImage*>(a.GetImage()), nullptr);
  EXPECT_EQ(app.mCreated, 1);

  std::unique_ptr<Vesk::MemoryImage> page = app.LoadImageFile("fonts\\title.png", true);
  ASSERT_NE(page, nullptr);
  EXPECT_NE(dynamic_cast<TaggedImage*>(page.get()), nullptr);
  EXPECT_TRUE(page->mPurgeBits);
  EXPECT_EQ(app.mCreated, 2);

  LogHistory::Clear();
  EXPECT_EQ(app.LoadImageFile("images\\nothing.png"), nullptr);
  ImageRef none;
  EXPECT_FALSE(app.GetSharedImage(none, "images\\nothing.png"));
  EXPECT_TRUE(none.IsNull());
  EXPECT_EQ(app.mCreated, 2);

  app.GetResourceManager()->AddImage("IMAGE_SHEET", "fonts\\main.png");
  EXPECT_NE(dynamic_cast<TaggedImage*>(app.GetResourceManager()->GetImageThrow("IMAGE_SHEET")), nullptr);
}

}  // namespace
