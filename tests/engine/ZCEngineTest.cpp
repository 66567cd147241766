#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "driver/TestFolder.h"
#include "engine/ZCEngine.h"
#include "platform/settings/SettingsStore.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

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

// Once the engine has started, the data layer reads nothing outside the packs and the game's
// folder: files that an unconfined layer reads (an absolute name, a name climbing out of the
// folder) are refused with a warning line.
TEST(EngineFiles, AStartedEngineReadsNothingOutsideItsFolder) {
  const std::string outside =
      (TestTempFolder() / ("cafe_engine_outside_" + std::to_string(::getpid()))).string();
  std::ofstream(outside) << "outside";
  // The test runs in the build's bin folder, whose parent holds the build's cache.
  const std::string climbing = "../CMakeCache.txt";
  PakInterface* pak = GetPakInterface();
  pak->ConfineToDataFolder(false);
  std::vector<uint8_t> bytes;
  for (const std::string& name : {outside, climbing}) ASSERT_TRUE(pak->ReadWholeFile(name, bytes)) << name;
  Engine app("");
  for (const std::string& name : {outside, climbing}) {
    SCOPED_TRACE(name);
    LogHistory::Clear();
    EXPECT_FALSE(pak->ReadWholeFile(name, bytes));
    EXPECT_TRUE(LogHistory::Contains("WARNING: PakInterface: \"" + name + "\" is outside the game's folders"));
  }
  std::filesystem::remove(outside);
}
