#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "display/D3DTester.h"
#include "display/DDInterface.h"
#include "driver/TestFolder.h"
#include "platform/settings/SettingsStore.h"
#include "shell/Log.h"
#include "shell/VeskAppBase.h"

namespace fs = std::filesystem;
using namespace Platform::Video;
using Vesk::D3DTester;

namespace {

void Write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// A device whose desktop is 640 x 480 at 16 bits (under one megabyte) and whose video memory is
// given, with the faults of a setting text.
std::unique_ptr<Device> MakeDevice(int64_t videoMB, const std::string& faults = "",
                                   PixelFormat desktop = PixelFormat::R5G6B5()) {
  auto d = std::make_unique<Device>(std::make_unique<HeadlessPresenter>(640, 480, desktop), videoMB << 20);
  d->SetFaults(DeviceFaults::Parse(faults, nullptr));
  return d;
}

// The tester run on such a device with the card lists beside the tests (they name SoftDevice).
struct TestRun {
  explicit TestRun(const std::string& faults, int64_t videoMB = 64, PixelFormat desktop = PixelFormat::R5G6B5(),
               const std::string& cardFolder = "")
      : device(MakeDevice(videoMB, faults, desktop)) {
    tester.mCardFolder = cardFolder;
    tester.TestD3D(device.get());
  }
  std::unique_ptr<Device> device;
  D3DTester tester{nullptr};
};

// An application with a settings store of its own, holding "D3DFault" when given.
struct SettingsApp : Vesk::VeskAppBase {
  explicit SettingsApp(const std::string& faults) {
    mSettings = std::make_unique<Platform::SettingsStore>((FreshTempFolder("settings") / "settings.ini").string(), "T");
    if (!faults.empty()) mSettings->SetString("D3DFault", faults);
  }
};

std::unique_ptr<Vesk::DDInterface> StartDisplay(Vesk::VeskAppBase& app, bool is3DBefore = true) {
  auto display = std::make_unique<Vesk::DDInterface>(
      &app, [](Platform::Window*, int32_t) { return std::make_unique<HeadlessPresenter>(); });
  display->mIs3D = is3DBefore;
  EXPECT_EQ(display->Init(nullptr, true), Vesk::DDInterface::RESULT_OK);
  return display;
}

}  // namespace

TEST(D3DTester, DistanceToleranceAndCardLists) {
  Vesk::D3DTestImage image(2, 1);
  struct Pixel {
    uint32_t argb;
    bool within;
  } pixels[] = {{0xFF80007Fu, true}, {0xFF900090u, true}, {0xFFA000A0u, false}};
  for (const Pixel& p : pixels) {
    image.FillRect(0, 0, 2, 1, p.argb);
    EXPECT_EQ(image.IsUniform(0, 0, 2, 1, 0x7F007Fu, nullptr), p.within) << std::hex << p.argb;
  }
  EXPECT_EQ(D3DTester::ColorDistance(0x900090u, 0x7F007Fu), 578);
  // The tolerance is a squared distance of 768 exactly: 16 steps on each channel are within it,
  // the distance one above it (12, 15 and 20 steps) is not.
  EXPECT_EQ(D3DTester::ColorDistance(0x8F108Fu, 0x7F007Fu), 768);
  EXPECT_EQ(D3DTester::ColorDistance(0x8B0F93u, 0x7F007Fu), 769);
  image.FillRect(0, 0, 2, 1, 0xFF8F108Fu);
  EXPECT_TRUE(image.IsUniform(0, 0, 2, 1, 0x7F007Fu, nullptr));
  image.FillRect(1, 0, 1, 1, 0xFF8B0F93u);
  EXPECT_FALSE(image.IsUniform(0, 0, 2, 1, 0x7F007Fu, nullptr));

  // Lists of a folder each; "-" stands for no file, "/" for a folder in the file's place.
  const std::string longLine(5000, 'x');
  struct Case {
    const char *blocked, *known, *description;
    bool supported;
  } cases[] = {
      {"Radeon\n", "Radeon 9800\n", "ATI Radeon 9800 Pro", false},
      {"\n   \n\t\n", "-", "Matrox G400", true},
      {"-", "  \r\n\n", "Matrox G400", false},
      {"-", "Other\r\nmatrox g4\r\n", "Matrox G400", true},
      {"-", "Matrox", "Matrox G400", true},
      {"/", "/", "ATI Rage 128", true},
      {"/", "-", "Matrox G400", false},
      {"Radeon\n", "-", "Matrox G400", true},
  };
  D3DTester tester(nullptr);
  tester.mDriverYear = 2001;
  int n = 0;
  for (const Case& c : cases) {
    const fs::path folder = FreshTempFolder("cards" + std::to_string(n++));
    for (auto [name, text] : {std::pair{"vhwb.dat", c.blocked}, std::pair{"vhw.dat", c.known}}) {
      if (std::string(text) == "/")
        fs::create_directory(folder / name);
      else if (std::string(text) != "-")
        Write(folder / name, text);
    }
    EXPECT_EQ(tester.IsSupportedCard(c.description, folder.string()), c.supported) << c.description << " " << n;
    fs::remove_all(folder);
  }
  // User-edited lists: binary bytes, a line over 4000 characters, NUL bytes.
  const fs::path folder = FreshTempFolder("binary");
  Write(folder / "vhw.dat", std::string("\x01\xff\xfe\n", 4) + longLine + "\n" + std::string("ab\0cd\n", 6) + "SoftDev");
  EXPECT_TRUE(tester.IsSupportedCard("SoftDevice", folder.string()));
  EXPECT_FALSE(tester.IsSupportedCard("Matrox G400", folder.string()));
  fs::remove_all(folder);

  // Without files the driver's date decides, or the description names a known maker.
  const std::string empty = FreshTempFolder("none").string();
  EXPECT_EQ(TestRun("identity:ATI Rage", 64, PixelFormat::R5G6B5(), empty).tester.mWarning, "");
  EXPECT_EQ(TestRun("identity:Matrox G400", 64, PixelFormat::R5G6B5(), empty).tester.mWarning,
            "Unsupported video card: Matrox G400");
  fs::remove_all(empty);
}

TEST(D3DTester, VideoMemoryAndTextureFormats) {
  TestRun low("", 12);
  EXPECT_EQ(low.tester.mFailureReason, "");
  EXPECT_EQ(low.tester.mWarning, "Low video memory.");
  TestRun none("", 5);
  EXPECT_EQ(none.tester.mFailureReason, "Not enough video memory.");
  EXPECT_EQ(none.device->CallCount("CreateDevice"), 0u);
  EXPECT_EQ(none.device->CallCount("CreateSurface"), 0u);

  TestRun only4444("formats:A4R4G4B4");
  EXPECT_EQ(only4444.tester.mFailureReason, "");
  EXPECT_EQ(only4444.tester.mWarning, "A8R8G8B8 texture format not supported.");
  EXPECT_FALSE(only4444.tester.mTexture32);
}

TEST(D3DTester, EveryFaultGivesItsVerdictAndLeavesNothingAlive) {
  struct Case {
    const char *faults, *failure, *warning;
  } cases[] = {
      {"nocreateex", "No DirectDrawCreateEx", ""},
      {"fail:GetDeviceIdentifier", "DXError - GetDeviceIdentifier: VIDEO_GENERIC", ""},
      {"fail:GetAvailableVidMem", "", "GetAvailableVidMem failed: VIDEO_GENERIC"},
      {"vidmem:2", "Not enough video memory.", ""},
      {"vidmem:13", "", "Low video memory."},
      {"identity:Blocked Test Adapter", "", "Unsupported video card: Blocked Test Adapter"},
      {"fail:CreateSurface", "DXError - CreateSurface (Primary): VIDEO_GENERIC", ""},
      {"fail:CreateDevice", "DXError - CreateDevice: VIDEO_GENERIC", ""},
      {"formats:R5G6B5+P8", "A4R4G4B4 and A8R8G8B8 texture formats not supported.", "A8R8G8B8 texture format not supported."},
      {"formats:none", "A4R4G4B4 and A8R8G8B8 texture formats not supported.", "A8R8G8B8 texture format not supported."},
      {"fail:CreateTexture", "DXError - CreateSurface (TextureSurface1): VIDEO_GENERIC", ""},
      {"fail:BeginScene", "DXError - BeginScene: VIDEO_GENERIC", ""},
      {"fail:Clear", "DXError - Clear: VIDEO_GENERIC", ""},
      {"fail:SetRenderState", "DXError - SetRenderState AlphaBlendEnable, 1: VIDEO_GENERIC", ""},
      {"fail:SetTexture", "DXError - SetTexture theTexture: VIDEO_GENERIC", ""},
      {"fail:DrawPrimitive", "DXError - DrawPrimitive: VIDEO_GENERIC", ""},
      {"fail:EndScene", "DXError - EndScene: VIDEO_GENERIC", ""},
      {"fail:SetTextureStageState", "DXError - SetTextureStageState AlphaOp, TOP_MODULATE: VIDEO_GENERIC", ""},
      {"wrong:alpha", "Alpha blend Not Supported", ""},
      {"wrong:additive", "Additive blend not supported.", ""},
      {"wrong:alphaadd", "AlphaAdd blend not supported.", ""},
      {"wrong:modulate", "AlphaModulated blend not supported.", ""},
      {"uneven:alpha", "", "Alpha blend test not uniform."},
      {"uneven:additive", "", "Additive blend test not uniform."},
      {"uneven:alphaadd", "", "AlphaAdd blend test not uniform."},
      {"uneven:modulate", "", "AlphaModulated blend test not uniform."},
      {"clip", "", "Clip problem detected."},
      {"targetbits:24", "Can't test 24-bit mode.", ""},
      {"targetbits:8", "Invalid Color Depth", ""},
      {"uneven:alpha, clip", "", "Clip problem detected."},
  };
  for (const Case& c : cases) {
    TestRun run(c.faults);
    EXPECT_EQ(run.tester.mFailureReason, c.failure) << c.faults;
    EXPECT_EQ(run.tester.mWarning, c.warning) << c.faults;
    EXPECT_TRUE(!run.tester.mDevice3D && !run.tester.mTexture1 && !run.tester.mTexture2 && !run.tester.mRenderTarget)
        << c.faults;
    EXPECT_EQ(run.device->VideoMemoryFree(), run.device->VideoMemoryTotal()) << c.faults;
  }
  std::vector<std::string> rejected;
  DeviceFaults f = DeviceFaults::Parse(" clip ,vidmem:x,wrong:blue,,bogus,targetbits:16,fail:,identity:A, B", &rejected);
  EXPECT_EQ(rejected, (std::vector<std::string>{"vidmem:x", "wrong:blue", "bogus", "targetbits:16", "fail:", "B"}));
  EXPECT_TRUE(f.mDraw.mClipNegative);
  EXPECT_EQ(f.mIdentity, "A");
}

TEST(D3DTester, TheCleanDevicePassesOnEveryDisplayFormat) {
  for (PixelFormat format : {PixelFormat::X8R8G8B8(), PixelFormat::R5G6B5(), PixelFormat::X1R5G5B5()}) {
    TestRun run("", 64, format);
    EXPECT_EQ(run.tester.mFailureReason, "") << format.mBitCount;
    EXPECT_EQ(run.tester.mWarning, "") << format.mGreenMask;
    EXPECT_TRUE(run.tester.mFreshResult);
  }
}

TEST(D3DTester, TheVerdictSetsTheDisplaysRouteAndIsReplayedFromDemos) {
  struct Case {
    const char* faults;
    bool setting, before, after;
  } cases[] = {
      {"", true, false, true},           {"wrong:additive", true, true, false}, {"uneven:alpha", true, false, false},
      {"uneven:alpha", true, true, true}, {"", false, true, false},              {"fail:DrawPrimitive", false, true, false},
  };
  for (const Case& c : cases) {
    SettingsApp app(c.faults);
    app.mIs3D = c.setting;
    LogHistory::Clear();
    auto display = StartDisplay(app, c.before);
    EXPECT_EQ(display->mIs3D, c.after) << c.faults << " " << c.setting << c.before;
    // With the setting off nothing is tested, and the log says so.
    if (!c.setting) {
      EXPECT_EQ(display->GetTester()->mFailureReason, "");
      EXPECT_TRUE(LogHistory::Contains("3D test skipped (3D is off: setting Is3D is 0)")) << c.faults;
    }
    EXPECT_EQ(LogHistory::Contains("3D test passed"), c.setting && std::string(c.faults).empty()) << c.faults;
    EXPECT_FALSE(display->Run3DTest(nullptr));
  }
  // The application's no-test mode skips the test as well, and 3D follows the setting.
  {
    SettingsApp app("");
    app.mNo3DTestMode = true;
    LogHistory::Clear();
    auto display = StartDisplay(app, false);
    EXPECT_TRUE(display->mIs3D);
    EXPECT_FALSE(display->GetTester()->mFreshResult);
    EXPECT_TRUE(LogHistory::Contains("3D test skipped (no-test mode)"));
    EXPECT_FALSE(LogHistory::Contains("3D test passed"));
  }

  const std::string demo = (FreshTempFolder("demo") / "1.dmo").string();
  {
    SettingsApp app("wrong:additive, bogus");
    LogHistory::Clear();
    app.GetDemo().StartRecording(demo, 7);
    auto display = StartDisplay(app);
    EXPECT_FALSE(display->mIs3D);
    EXPECT_TRUE(LogHistory::Contains("WARNING: 3D test failed: Additive blend not supported.; drawing in software"));
    EXPECT_TRUE(LogHistory::Contains("WARNING: D3DFault: entry \"bogus\" ignored"));
    ASSERT_TRUE(app.GetDemo().Finish(1));
  }
  SettingsApp app("");
  ASSERT_TRUE(app.GetDemo().StartPlayback(demo));
  auto display = StartDisplay(app);
  EXPECT_FALSE(display->mIs3D);
  EXPECT_EQ(display->GetTester()->mFailureReason, "Additive blend not supported.");
  fs::remove_all(fs::path(demo).parent_path());
}
