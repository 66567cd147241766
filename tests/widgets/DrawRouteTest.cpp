// The engine's choice of drawing route: 3D by default, switched by the screen mode, and back to
// software for the rest of the run when a 3D call fails.
#include <gtest/gtest.h>

#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "engine/ZCEngine.h"

namespace {

class Engine : public ZCEngine {
 public:
  Engine() { mRegKey = "Cafe Tests\\Draw Route"; }
  void Frame() { DrawFrame(); }
  using VeskAppBase::WriteSettings;

 protected:
  bool WantsWindow() const override { return false; }
};

TEST(DrawRoute, AFailed3DCallLeavesSoftwareForTheRunAndTheSettingForTheNext) {
  Engine engine;
  ASSERT_TRUE(engine.Init());
  Vesk::DDInterface* display = engine.GetDisplay();
  ASSERT_TRUE(display->mIs3D);
  EXPECT_TRUE(display->GetScreenImage()->DrawsThroughD3D());
  engine.Frame();

  // A test can pick either route through the screen mode.
  engine.SwitchScreenMode(engine.mWindowed, false, false);
  EXPECT_FALSE(display->mIs3D);
  EXPECT_FALSE(display->GetScreenImage()->DrawsThroughD3D());
  engine.Frame();
  engine.SwitchScreenMode(engine.mWindowed, true, false);
  ASSERT_TRUE(display->GetScreenImage()->DrawsThroughD3D());

  display->GetD3D()->GetDevice()->FailCall("DrawPrimitive", Platform::Video::Result::Generic);
  engine.Frame();  // fails, is not shown, and the display starts again in software
  EXPECT_FALSE(display->mIs3D);
  EXPECT_TRUE(engine.mIs3D);
  std::string error;
  ASSERT_TRUE(engine.RegReadString("Test3D\\RuntimeError", error));
  EXPECT_EQ(error.rfind("DrawPrimitive", 0), 0u) << error;
  Vesk::DDImage* screen = display->GetScreenImage();
  ASSERT_NE(screen, nullptr);
  EXPECT_FALSE(screen->DrawsThroughD3D());
  engine.Frame();
  EXPECT_FALSE(display->mIs3D);

  engine.WriteSettings();
  int32_t is3D = 0;
  ASSERT_TRUE(engine.RegReadInt("Is3D", is3D));
  EXPECT_EQ(is3D, 1);
}

}  // namespace
