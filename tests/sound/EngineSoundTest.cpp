#include <gtest/gtest.h>

#include <thread>

#include "engine/ZCEngine.h"
#include "platform/audio/Audio.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"

namespace {

// The engine without a window, its loading run by the test on its own thread.
class Engine : public ZCEngine {
 public:
  Engine() {
    mProductName = "Sound Test";
    mRegKey = "Cafe Tests\\Sound Test";
  }
  using ZCEngine::LoadConfig;
  using ZCEngine::ShutdownServices;
  using ZCEngine::UpdateStep;

 protected:
  bool WantsWindow() const override { return false; }
};

TEST(EngineSound, SettingsReachTheSoundTableAndTheMusicAtStartAndOnChange) {
  Engine app;
  app.mSfxVolume = 40;
  app.mMusicVolume = 30;
  ASSERT_TRUE(app.Init());
  EXPECT_EQ(app.GetSoundManager()->GetVolume(), 40);
  EXPECT_EQ(app.GetMusic()->GetVolume(), 30);

  app.SetMuted(true);
  EXPECT_EQ(app.GetSoundManager()->GetVolume(), 0);
  EXPECT_EQ(app.GetMusic()->GetVolume(), 0);
  app.SetSfxVolume(70);  // remembered, not heard while muted
  app.SetMusicVolume(150);
  EXPECT_EQ(app.GetSoundManager()->GetVolume(), 0);
  EXPECT_EQ(app.mMusicVolume, 100);
  app.SetMuted(false);
  EXPECT_EQ(app.GetSoundManager()->GetVolume(), 70);
  EXPECT_EQ(app.GetMusic()->GetVolume(), 100);
}

TEST(EngineSound, TheSampleCafeLoadsEverySoundAndStreamAndShutDownStopsTheMusic) {
  Engine app;
  ASSERT_TRUE(app.Init());
  LogHistory::Clear();
  std::thread loader([&] {
    app.LoadConfig();
    Platform::Audio::ReleaseThreadState();
  });
  // The main thread keeps stepping while the loading thread fills the tables.
  for (int i = 0; i < 20; ++i) app.UpdateStep();
  loader.join();
  for (auto& l : LogHistory::Recent()) ADD_FAILURE() << l;
  for (auto name : {"click", "window_open", "boss_steps", "client_spawn", "worker_begin", "minigame_hit"})
    EXPECT_TRUE(app.GetSoundManager()->HasSound(name)) << name;
  for (auto name : {"main_menu", "level1", "level2", "level3"})
    EXPECT_NE(app.GetMusic()->FindStream(name), nullptr) << name;
  // Every sound an effect of the sample café plays is in the table.
  XmlNode effects = LoadXmlDocument("cfg\\effect.xml");
  ASSERT_TRUE(effects);
  size_t played = 0;
  for (const XmlNode& call : effects.selectNodes(L"//*[@callback='EffectPlaySound']")) {
    std::string sound;
    call.getAttribute(std::string("sound"), sound);
    EXPECT_TRUE(app.GetSoundManager()->HasSound(sound)) << sound;
    ++played;
  }
  EXPECT_GT(played, 0u);

  app.GetMusic()->Change("main_menu");
  app.UpdateStep();
  MusicTrack* menu = app.GetMusic()->GetSingleTrack("main_menu");
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->IsPlaying());
  // "click" sounds in the game group: it pauses with play.
  app.GetSoundManager()->PlaySound("click");
  EXPECT_EQ(app.GetSoundManager()->GetActiveCount("game"), 1);
  app.ShutdownServices();
  EXPECT_FALSE(menu->IsPlaying());
  EXPECT_EQ(app.GetMusic()->GetCurrentName(), "");
}

}  // namespace
