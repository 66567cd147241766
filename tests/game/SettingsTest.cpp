#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cafe/ProfileStore.h"
#include "sound/ZCMusic.h"
#include "support/TestGame.h"

namespace fs = std::filesystem;

namespace {
std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

// The options live in the profile header alone: a mode switch is saved there and the next start
// is made in it; the header's volumes reach the mixer; settings.ini, even an older one holding
// them, ends up with none of the four keys.
TEST(Settings, OptionsLiveInTheProfile) {
  ProfileStore& store = GetProfileStore();
  {
    TestGame game("Settings Test");
    fs::remove(store.GetPath());
    fs::create_directories(fs::path(game.SettingsFilePath()).parent_path());
    std::ofstream(game.SettingsFilePath()) << "[SOFTWARE\\Cafe Tests\\Settings Test]\nMusicVolume=77\nSfxVolume=5\n"
                                              "Muted=1\nScreenMode=0\nColorDepth=32\n";
    ASSERT_TRUE(game.Init());
    EXPECT_FALSE(game.mWindowed) << "a new profile starts in full screen";
    EXPECT_EQ(game.mMusicVolume, store.mHeader.musicVolume);
    EXPECT_EQ(game.GetMusic()->GetVolume(), store.mHeader.musicVolume);
    EXPECT_EQ(game.mSfxVolume, store.mHeader.soundVolume);
    EXPECT_FALSE(game.mMuted);

    game.SwitchScreenMode(true, false, false);
    EXPECT_EQ(store.mHeader.windowed, 1);
    game.WriteSettings();
    const std::string ini = ReadFile(game.SettingsFilePath());
    for (const char* key : {"MusicVolume", "SfxVolume", "Muted", "ScreenMode"})
      EXPECT_EQ(ini.find(key), std::string::npos) << key << " is still in settings.ini:\n" << ini;
    EXPECT_NE(ini.find("ColorDepth=32"), std::string::npos) << "the framework's own values go on";
  }
  store.mHeader.windowed = 0;  // the next start must take it from the file
  TestGame next("Settings Test");
  ASSERT_TRUE(next.Init());
  EXPECT_TRUE(next.mWindowed) << "the saved mode was not used";
}
