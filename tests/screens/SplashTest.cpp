#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCBoard_Splash.h"
#include "shell/XmlNode.h"
#include "support/ScreenDriver.h"
#include "widgets/CursorTable.h"

namespace {

class SplashTest : public ScreenDriver {
 protected:
  ZCBoard_Splash* Splash() { return dynamic_cast<ZCBoard_Splash*>(ScreenTable::Get(ScreenTable::kSplash)); }
  ZCCandyWidget* Slide(int32_t n) { return Splash()->GetSlides().at(size_t(n)); }
};

}  // namespace

// The slides run one after the other with the cursor hidden, the picture-less caption never
// shows, a close asks nothing, a key in a fade-in skips that slide, and after the last one the
// menu takes over.
TEST_F(SplashTest, SlidesRunAndAKeySkipsOne) {
  StartOptions options = WithPlayers({L"Ann"});
  options.keepSplash = true;
  Start(options);
  ZCBoard_Splash* splash = Splash();
  ASSERT_NE(splash, nullptr);
  ASSERT_EQ(splash->GetSlides().size(), 3u);
  ZCCandyWidget* caption = splash->FindChild("caption");
  ASSERT_NE(caption, nullptr);
  bool captionShown = false;
  auto watch = [&] { captionShown = captionShown || caption->IsVisible(); };

  ASSERT_TRUE(StepUntil([&] { return Slide(0)->IsVisible(); }));
  EXPECT_TRUE(splash->IsVisible());
  EXPECT_FALSE(mGame->GetCursorTable()->IsShown());
  mGame->Input(Platform::InputEvent::Type::Close);
  // The first slide hides by itself; the second starts.
  ASSERT_TRUE(StepUntil([&] { watch(); return splash->GetCurrentSlide() == 1 && Slide(1)->IsVisible(); }));
  EXPECT_TRUE(mGame->mBoxesAsked.empty()) << "a close asked while the splash shows";
  EXPECT_FALSE(mGame->IsShutdownRequested());
  ASSERT_LT(Slide(1)->GetAlpha(), 1.0f) << "not in the fade-in";
  Key(' ');
  ASSERT_TRUE(StepUntil([&] { watch(); return splash->GetCurrentSlide() == 2; }, 3));
  EXPECT_FALSE(Slide(1)->IsVisible());
  ASSERT_TRUE(StepUntil([&] { watch(); return !splash->IsVisible(); }));
  Settle();
  EXPECT_FALSE(captionShown);
  EXPECT_TRUE(mGame->GetCursorTable()->IsShown());
  EXPECT_TRUE(ScreenTable::Get(ScreenTable::kMenuBackground)->IsVisible());
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
}

// A splash without slides hands over at its first step.
TEST_F(SplashTest, WithoutSlidesHandsOverAtOnce) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  const std::string layout =
      "<root><dialogs><widget type=\"zcdialog\" name=\"splash\" x=\"0\" y=\"0\" w=\"1024\" h=\"768\">"
      "<widget type=\"text\" name=\"caption\" x=\"0\" y=\"0\" w=\"100\" h=\"20\" text=\"Hello\"/>"
      "</widget></dialogs></root>";
  const XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(layout.data()), layout.size(), "empty.xml");
  auto* splash = new ZCBoard_Splash(mGame.get(), doc);
  EXPECT_TRUE(splash->GetSlides().empty());
  int handedOver = 0;
  splash->SetHandOver([&] { ++handedOver; });
  Do([&] {
    mGame->GetRootDialog()->AddWidget(splash);
    splash->Show();
  });
  Step(2);
  EXPECT_FALSE(splash->IsVisible());
  EXPECT_EQ(handedOver, 1);
  EXPECT_FALSE(splash->FindChild("caption")->IsVisible());
  mGame->GetRootDialog()->RemoveWidget(splash);
  delete splash;
}
