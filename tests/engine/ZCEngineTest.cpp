#include <gtest/gtest.h>

#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "engine/ZCEngine.h"
#include "platform/settings/SettingsStore.h"
#include "shell/Log.h"

namespace {

// The engine without a window, its settings in the test's own home, holding "D3DFault" when given.
class Engine : public ZCEngine {
 public:
  explicit Engine(const std::string& faults) {
    mProductName = "Engine Test";
    mRegKey = "Cafe Tests\\Engine Test";
    ReadSettings();
    mSettings->SetString("D3DFault", faults);
    mIs3D = true;
  }
  using ZCEngine::InitDisplay;

 protected:
  bool WantsWindow() const override { return false; }
};

}  // namespace

// The capability test passes, but the 3D layer cannot start on the draw surface: the display is
// started again drawing in software, and the start succeeds.
TEST(EngineDisplay, AThreeDStartThatFailsIsRetriedInSoftware) {
  {
    Engine clean("");
    ASSERT_TRUE(clean.InitDisplay());
    EXPECT_TRUE(clean.GetDisplay()->mIs3D);
    EXPECT_TRUE(clean.GetDisplay()->GetD3D()->IsReady());
  }
  Engine app("fail:SetViewport");
  LogHistory::Clear();
  ASSERT_TRUE(app.InitDisplay());
  Vesk::DDInterface& display = *app.GetDisplay();
  EXPECT_TRUE(LogHistory::Contains("3D test passed"));
  EXPECT_TRUE(LogHistory::Contains("WARNING: 3D init error: SetViewport: VIDEO_GENERIC; drawing in software"));
  EXPECT_FALSE(display.mIs3D);
  EXPECT_FALSE(display.GetD3D()->IsReady());
  Vesk::DDImage* screen = display.GetScreenImage();
  ASSERT_NE(screen, nullptr);
  EXPECT_FALSE(screen->DrawsThroughD3D());
  screen->FillRect(Rect(0, 0, 10, 10), Color(255, 0, 0), 0);
  EXPECT_EQ(screen->GetBits()[5] & 0xFFFFFFu, 0xFF0000u);
  EXPECT_TRUE(display.Redraw(nullptr));
}
