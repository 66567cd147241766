#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "cafe/ProfileStore.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Options.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "support/ScreenDriver.h"
#include "widgets/ZCWidgetKit.h"

namespace {

class OptionsTest : public ScreenDriver {
 protected:
  ZCBoard_Options* Options() { return dynamic_cast<ZCBoard_Options*>(ScreenTable::Get(ScreenTable::kOptions)); }
  void Open() {
    Click("main_menu/main_menu_dlg/right_page/settings");
    Settle();
    ASSERT_TRUE(Options()->IsVisible());
  }
  // The options as pref.dat holds them: bytes 20 to 29 (music, sound, windowed, mute).
  std::vector<uint8_t> StoredOptions() {
    std::ifstream in(ProfilePath(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() >= 30 ? std::vector<uint8_t>(bytes.begin() + 20, bytes.begin() + 30) : bytes;
  }
  // What is heard now: "<sound>/<music>".
  std::string Heard() {
    return std::to_string(mGame->GetSoundManager()->GetVolume()) + "/" + std::to_string(mGame->GetMusic()->GetVolume());
  }
  std::string Heard(int sound, int music) { return std::to_string(sound) + "/" + std::to_string(music); }
};

}  // namespace

// Volumes are heard as the sliders move; cancel brings back the opening values and saves
// nothing; apply keeps and saves them; mute holds both at 0 while moves are still stored.
TEST_F(OptionsTest, LiveVolumesCancelApplyAndMute) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  const ProfileStore::Header& header = GetProfileStore().mHeader;
  const int sound = header.soundVolume, music = header.musicVolume;
  const std::vector<uint8_t> before = StoredOptions();
  ASSERT_EQ(before.size(), 10u);

  Open();
  ASSERT_NE(sound, 50);
  ASSERT_NE(music, 50);
  Click("options/musvol_slider");  // the middle of the track: 50
  Do([&] { EXPECT_EQ(Heard(), Heard(sound, 50)) << "not heard in the step of the move"; });
  Click("options/sndvol_slider");
  Do([&] { EXPECT_EQ(Heard(), Heard(50, 50)); });
  Click("options/cancel");
  Settle();
  EXPECT_FALSE(Options()->IsVisible());
  EXPECT_EQ(Heard(), Heard(sound, music));
  EXPECT_EQ(header.musicVolume, music);
  EXPECT_EQ(header.soundVolume, sound);
  EXPECT_EQ(StoredOptions(), before);

  Open();
  Click("options/sndvol_slider");
  Click("options/apply");
  Settle();
  EXPECT_FALSE(Options()->IsVisible());
  EXPECT_EQ(Heard(), Heard(50, music));
  std::vector<uint8_t> applied = before;
  applied[4] = 50;  // the sound volume, little-endian at byte 24
  EXPECT_EQ(StoredOptions(), applied);

  Open();
  Click("options/mute_checkbox");
  Settle();
  EXPECT_TRUE(Options()->IsVisible()) << "a check box closed the dialog";
  EXPECT_EQ(Heard(), Heard(0, 0));
  Click("options/musvol_slider");
  Settle();
  EXPECT_EQ(header.musicVolume, 50);
  EXPECT_EQ(Heard(), Heard(0, 0));
  Click("options/mute_checkbox");
  Settle();
  EXPECT_EQ(Heard(), Heard(50, 50));
  Click("options/cancel");
  Settle();
  EXPECT_EQ(Heard(), Heard(50, music));
  EXPECT_EQ(header.mute, 0);
  EXPECT_EQ(StoredOptions(), applied);
}

// Full screen off: cancel leaves the mode alone; apply switches to a window and stores it.
TEST_F(OptionsTest, FullScreenSwitchesOnlyOnApply) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  ASSERT_FALSE(mGame->mWindowed);
  Open();
  EXPECT_TRUE(Options()->mFullScreen->IsChecked());
  Click("options/fullscreen_checkbox");
  Click("options/cancel");
  Settle();
  EXPECT_FALSE(mGame->mWindowed);
  EXPECT_EQ(StoredOptions().at(8), 0);

  Open();
  EXPECT_TRUE(Options()->mFullScreen->IsChecked());
  Click("options/fullscreen_checkbox");
  Click("options/apply");
  Settle();
  EXPECT_TRUE(mGame->mWindowed);
  EXPECT_EQ(StoredOptions().at(8), 1);
  EXPECT_EQ(GetProfileStore().mHeader.windowed, 1);
}
