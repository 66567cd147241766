#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cafe/ZCBoard_Game3.h"
#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "driver/HeadlessGame.h"
#include "driver/TestFolder.h"
#include "engine/ZCEngine.h"
#include "platform/settings/SettingsStore.h"
#include "shell/Log.h"
#include "shell/PakFormat.h"
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

// Once the game has started (the engine made and the game's configuration loaded), the data
// layer reads nothing outside the packs and the game's folder: a level whose object document
// ("doc") is a file that an unconfined layer reads (an absolute name, a name climbing out of the
// folder) is refused with a warning line.
TEST(EngineFiles, AStartedEngineReadsNothingOutsideItsFolder) {
  const std::string outside =
      (TestTempFolder() / ("cafe_engine_outside_" + std::to_string(::getpid()) + ".xml")).string();
  std::ofstream(outside) << "<root/>";
  // The test runs in the build's bin folder, whose parent holds the build's cache.
  const std::string climbing = "../CMakeCache.txt";
  PakInterface* pak = GetPakInterface();
  pak->ConfineToDataFolder(false);
  std::vector<uint8_t> bytes;
  for (const std::string& name : {outside, climbing}) ASSERT_TRUE(pak->ReadWholeFile(name, bytes)) << name;
  {
    HeadlessGame game("Engine Files Test");
    game.mPlayFirstLevel = false;
    ASSERT_TRUE(game.Init());
    game.BeginStartup();
    ASSERT_TRUE(game.StepUntil([&] { return !game.IsLoaderRunning() && game.GetBoard(); }, "the start-up"));
    for (const std::string& name : {outside, climbing}) {
      SCOPED_TRACE(name);
      const std::string level = "<level doc=\"" + name + "\"/>";
      ASSERT_TRUE(pak->AddPakMemory(PakFormat::Build({{"cfg/l999.xml", std::vector<uint8_t>(level.begin(), level.end())}}),
                                    "level.pak"));
      LogHistory::Clear();
      EXPECT_FALSE(game.GetBoard()->LoadLevel(999, false));
      EXPECT_TRUE(LogHistory::Contains("WARNING: PakInterface: \"" + name + "\" is outside the game's folders"));
    }
  }
  pak->Reset();
}
