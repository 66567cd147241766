#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

#include "platform/audio/Audio.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
#include "sound/support/SoundTestSupport.h"

namespace Audio = Platform::Audio;

// SDL's tick counter as the mixer reads it: SDL's own, except that a test can hold it at its first
// millisecond (tick 0) until the program waits (SDL_Delay). Defined here, they stand in for SDL's
// for the whole program.
namespace {
std::atomic<bool> gTicksAtStart{false};
}  // namespace

extern "C" Uint32 SDL_GetTicks(void) { return gTicksAtStart ? 0 : Uint32(SDL_GetTicks64()); }

extern "C" void SDL_Delay(Uint32 ms) {
  gTicksAtStart = false;
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {

XmlNode Root(const std::string& xml) {
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "cfg.xml");
  return doc.selectSingleNode(L"root");
}

class SoundManagerTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    PutFile("sounds/tick.wav", TestWav(0.2));
    PutFile("sounds/hum.wav", TestWav(0.5));
    PutFile("sounds/broken.wav", {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E', 9, 9, 9});
    MountPack();
  }
  // A table of a one-shot "tick" (group "ui") and two looping hums of group "game".
  void LoadBasic(SoundManager& sm) {
    sm.AddSound({"tick", "sounds\\tick.wav", "ui", 100, false});
    sm.AddSound({"hum", "sounds\\hum.wav", "game", 100, true});
    sm.AddSound({"hum2", "sounds\\hum.wav", "game", 50, true});
  }
};

TEST_F(SoundManagerTest, LoadsTheTableAndSkipsBadEntriesWithOneLineEach) {
  SoundManager sm;
  sm.LoadSounds(Root(R"(<root><sounds>
      <sound name="tick" file="sounds\tick.wav" group="ui"/>
      <sound name="Hum" file="SOUNDS/HUM.WAV" group="game" volume="40" looping="true"/>
      <sound name="missing" file="sounds\nothing.wav"/>
      <sound name="corrupt" file="sounds\broken.wav"/>
      <sound file="sounds\tick.wav"/>
      <sound name="tick" file="sounds\hum.wav"/>
      <sound name="loud" file="sounds\tick.wav" volume="250"/>
      <sound name="nofile"/>
    </sounds></root>)"));
  EXPECT_EQ(sm.GetSoundCount(), 3u);
  EXPECT_TRUE(sm.HasSound("tick"));
  EXPECT_TRUE(sm.HasSound("Hum"));
  EXPECT_TRUE(sm.HasSound("loud"));  // kept, at the default volume
  for (auto name : {"missing", "corrupt", "nofile"}) {
    EXPECT_FALSE(sm.HasSound(name)) << name;
    EXPECT_EQ(LogLinesWith(std::string("sound '") + name + "'"), 1) << name;
  }
  EXPECT_EQ(LogLinesWith("has no name"), 1);
  EXPECT_EQ(LogLinesWith("'tick' is defined twice"), 1);
  EXPECT_EQ(LogLinesWith("volume 250"), 1);
  for (auto& l : LogHistory::Recent()) EXPECT_EQ(l.rfind("WARNING: ", 0), 0u) << l;

  // The looping flag and the group came from the file.
  auto hum = sm.CreateInstance("Hum");
  ASSERT_TRUE(hum);
  hum->Play();
  sm.PauseGroup("game");
  EXPECT_EQ(hum->GetPauseCount(), 0);
  EXPECT_TRUE(hum->IsActive());
  EXPECT_FALSE(hum->IsPlaying());
  EXPECT_EQ(hum->GetMixerVolume(), Audio::MixerVolume(40));
}

// A few bytes of no kind the mixer knows are refused with the reason, and the reader over them
// is not left behind (the leak check at the end of the run would find it).
TEST_F(SoundManagerTest, AShortSoundOfNoKnownKindIsRefusedAndLeavesNothing) {
  const uint8_t bytes[] = {'#', 'S', 'O', 'F', 'T', ' ', 'C'};
  std::string error;
  EXPECT_EQ(Audio::Sample::Decode(bytes, sizeof bytes, &error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(SoundManagerTest, EmptyAndUnknownNamesPlayNothing) {
  SoundManager sm;
  LoadBasic(sm);
  sm.PlaySound("");
  sm.PlaySound("nothing");
  sm.PlaySound("TICK");  // names are exact
  EXPECT_EQ(sm.GetActiveCount("ui"), 0);
  EXPECT_EQ(sm.GetActiveCount(""), 0);
  EXPECT_EQ(sm.CreateInstance("nothing"), nullptr);
  EXPECT_EQ(sm.CreateInstance(""), nullptr);
  sm.PlaySound("tick");
  EXPECT_EQ(sm.GetActiveCount("ui"), 1);
  EXPECT_EQ(LogHistory::Recent().size(), 0u);  // playing logs nothing
}

TEST_F(SoundManagerTest, InstancePausesAreCounted) {
  SoundManager sm;
  LoadBasic(sm);
  auto hum = sm.CreateInstance("hum");
  hum->Resume();  // without a pause: nothing, and the count does not go negative
  EXPECT_EQ(hum->GetPauseCount(), 0);
  hum->Play();
  EXPECT_TRUE(hum->IsPlaying());
  hum->Pause();
  hum->Pause();
  EXPECT_FALSE(hum->IsPlaying());
  hum->Resume();
  EXPECT_FALSE(hum->IsPlaying());
  EXPECT_EQ(hum->GetPauseCount(), 1);
  hum->Resume();
  EXPECT_TRUE(hum->IsPlaying());
  hum->Resume();
  EXPECT_EQ(hum->GetPauseCount(), 0);
  EXPECT_TRUE(hum->IsPlaying());

  // Playing while paused starts paused; the pause count carries over to the new playing.
  hum->Pause();
  hum->Play();
  EXPECT_TRUE(hum->IsActive());
  EXPECT_FALSE(hum->IsPlaying());
  hum->Resume();
  EXPECT_TRUE(hum->IsPlaying());
  hum->Stop();
  EXPECT_FALSE(hum->IsActive());
  hum->Stop();  // stopping what does not play is harmless
}

// The mixer marks a pause with SDL's tick count: a pause at tick 0, in SDL's first millisecond
// after start-up, still holds.
TEST_F(SoundManagerTest, APauseAtSdlsFirstTickHolds) {
  SoundManager sm;
  LoadBasic(sm);
  auto hum = sm.CreateInstance("hum");
  hum->Play();
  gTicksAtStart = true;
  hum->Pause();
  gTicksAtStart = false;
  EXPECT_TRUE(hum->IsActive());
  EXPECT_FALSE(hum->IsPlaying());
  hum->Resume();
  EXPECT_TRUE(hum->IsPlaying());
}

TEST_F(SoundManagerTest, GroupsPauseResumeAndStopTogether) {
  SoundManager sm;
  LoadBasic(sm);
  auto a = sm.CreateInstance("hum");
  auto b = sm.CreateInstance("hum2");
  auto ui = sm.CreateInstance("tick");
  a->Play();
  b->Play();
  ui->Play();
  sm.PlaySound("hum");  // a one-shot of the group, looping by its entry
  EXPECT_EQ(sm.GetActiveCount("game"), 3);

  sm.ResumeGroup("game");  // without a pause
  EXPECT_EQ(sm.GetGroupPauseCount("game"), 0);
  sm.PauseGroup("game");
  sm.PauseGroup("game");
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_FALSE(b->IsPlaying());
  EXPECT_TRUE(ui->IsPlaying());  // another group
  sm.PlaySound("hum2");          // starts paused with its group
  EXPECT_EQ(sm.GetActiveCount("game"), 4);

  b->Pause();  // its own pause outlasts the group's
  sm.ResumeGroup("game");
  EXPECT_FALSE(a->IsPlaying());
  sm.ResumeGroup("game");
  EXPECT_EQ(sm.GetGroupPauseCount("game"), 0);
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_FALSE(b->IsPlaying());
  b->Resume();
  EXPECT_TRUE(b->IsPlaying());

  // An instance cannot resume while its group is paused.
  sm.PauseGroup("game");
  a->Pause();
  a->Resume();
  EXPECT_FALSE(a->IsPlaying());
  sm.ResumeGroup("game");
  EXPECT_TRUE(a->IsPlaying());

  sm.StopGroup("game");
  EXPECT_EQ(sm.GetActiveCount("game"), 0);
  EXPECT_FALSE(a->IsActive());
  EXPECT_FALSE(b->IsActive());
  EXPECT_TRUE(ui->IsActive());
  sm.PauseGroup("no such group");  // harmless, and counted like any other
  sm.StopGroup("no such group");
}

TEST_F(SoundManagerTest, TableVolumeReachesEveryGroupButNotInstancesWithTheirOwnLevel) {
  SoundManager sm;
  LoadBasic(sm);
  auto a = sm.CreateInstance("hum");
  auto half = sm.CreateInstance("hum2");  // the entry's volume is 50
  auto own = sm.CreateInstance("hum");
  a->Play();
  half->Play();
  own->Play();
  own->SetVolume(30.9f);  // truncated to 30
  EXPECT_EQ(a->GetMixerVolume(), Audio::MixerVolume(100));
  EXPECT_EQ(half->GetMixerVolume(), Audio::MixerVolume(50));

  sm.SetVolume(60);
  EXPECT_EQ(sm.GetVolume(), 60);
  EXPECT_EQ(a->GetMixerVolume(), Audio::MixerVolume(60));
  EXPECT_EQ(half->GetMixerVolume(), Audio::MixerVolume(30));
  EXPECT_EQ(own->GetMixerVolume(), Audio::MixerVolume(30));

  sm.SetVolume(0);  // mute
  EXPECT_EQ(a->GetMixerVolume(), 0);
  EXPECT_EQ(own->GetMixerVolume(), Audio::MixerVolume(30));
  sm.SetVolume(250);
  EXPECT_EQ(sm.GetVolume(), 100);

  // A sound started later plays at the table's volume too.
  sm.SetVolume(20);
  auto late = sm.CreateInstance("hum");
  late->Play();
  EXPECT_EQ(late->GetMixerVolume(), Audio::MixerVolume(20));
  late->SetVolume(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(late->GetMixerVolume(), 0);
  late->SetPan(-1e30f);  // clamped, never undefined
}

TEST_F(SoundManagerTest, EndedSoundsAreForgottenAndTheirChannelsReusedSafely) {
  SoundManager sm;
  sm.AddSound({"blip", "sounds\\tick.wav", "ui", 100, false});
  sm.PlaySound("blip");
  sm.PlaySound("blip");
  EXPECT_EQ(sm.GetActiveCount("ui"), 2);
  sm.StopGroup("ui");
  EXPECT_EQ(sm.GetActiveCount("ui"), 0);
  auto inst = sm.CreateInstance("blip");
  inst->Play();
  inst->Stop();
  // The freed channel goes to the next sound; the instance's old handle no longer reaches it.
  sm.PlaySound("blip");
  sm.Update();
  EXPECT_FALSE(inst->IsActive());
  inst->Stop();
  inst->Pause();
  inst->Resume();
  EXPECT_EQ(sm.GetActiveCount("ui"), 1);
  EXPECT_TRUE(Audio::TakeEndedChannels().empty());  // taken by the update
}

TEST_F(SoundManagerTest, InstancesOutliveTheTable) {
  auto sm = std::make_unique<SoundManager>();
  LoadBasic(*sm);
  auto hum = sm->CreateInstance("hum");
  hum->Play();
  sm.reset();
  hum->Pause();
  hum->Resume();
  hum->Play();
  EXPECT_TRUE(hum->IsPlaying());
  hum.reset();
}

TEST_F(SoundManagerTest, WithoutSoundOutputTheTableLoadsSilent) {
  Audio::Close();
  SoundManager sm;
  LoadBasic(sm);
  EXPECT_TRUE(sm.HasSound("hum"));
  sm.PlaySound("hum");
  auto hum = sm.CreateInstance("hum");
  ASSERT_TRUE(hum);
  hum->Play();
  hum->Pause();
  EXPECT_FALSE(hum->IsActive());
  sm.PauseGroup("game");
  sm.SetVolume(10);
  EXPECT_EQ(LogHistory::Recent().size(), 0u);
}

}  // namespace
