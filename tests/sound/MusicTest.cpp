#include <gtest/gtest.h>

#include <set>

#include "platform/audio/Audio.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"
#include "sound/ZCMusic.h"
#include "sound/support/SoundTestSupport.h"

namespace {

XmlNode Root(const std::string& xml) {
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "cfg.xml");
  return doc.selectSingleNode(L"root");
}

// The music player over a back end that records; the track files come from the test pack.
class MusicTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    for (auto f : {"m/a.wav", "m/b.wav", "m/c.wav"}) PutFile(f, TestWav(0.05));
    PutFile("m/bad.ogg", {'O', 'g', 'g', 'S', 0, 0});
    MountPack();
  }
  ZCTracks* Stream(const std::string& name, ZCMusic::Order order, std::vector<std::string> files, int fade = 100) {
    ZCTracks* s = music.AddStream(name, order, fade);
    for (auto& f : files) music.AddTrack(s, f, 100);
    return s;
  }
  int Song(const std::string& stream, size_t track = 0) {
    return music.FindStream(stream)->GetTrack(track)->GetSongId();
  }
  FakeMusic::Song& Of(const std::string& stream, size_t track = 0) { return fake.mSongs[Song(stream, track)]; }
  void Run(int ms) {
    for (int t = 0; t < ms; t += 10) music.Update(10);
  }

  FakeMusic fake;
  ZCMusic music{&fake};
};

TEST_F(MusicTest, LoadsStreamsOfEveryKindAndSkipsBadOnes) {
  music.LoadMusic(Root(R"(<root><music>
      <stream name="menu" fade="500"><track file="m\a.wav"/></stream>
      <stream name="steps" type="step"><track file="m\a.wav"/><track file="M/B.WAV" volume="50"/></stream>
      <stream name="shuffle" type="random"><track file="m\a.wav"/><track file="m\b.wav"/></stream>
      <stream name="layers" type="sync"><track file="m\a.wav"/><track file="m\bad.ogg"/><track file="m\none.wav"/></stream>
      <stream name="odd" type="backwards" fade="-5"><track file="m\c.wav" volume="101"/></stream>
      <stream><track file="m\a.wav"/></stream>
      <stream name="menu"><track file="m\b.wav"/></stream>
    </music></root>)"));
  EXPECT_EQ(music.GetStreamCount(), 5u);
  EXPECT_EQ(music.FindStream("menu")->GetFadeMs(), 500);
  EXPECT_EQ(music.FindStream("menu")->GetTrackCount(), 1u);
  EXPECT_EQ(music.FindStream("steps")->GetTrackCount(), 2u);
  EXPECT_EQ(music.FindStream("layers")->GetTrackCount(), 1u);
  EXPECT_TRUE(music.FindStream("layers")->KeepsPosition());
  EXPECT_FALSE(music.FindStream("steps")->KeepsPosition());
  EXPECT_EQ(music.FindStream("odd")->GetFadeMs(), 1000);
  EXPECT_EQ(LogLinesWith("ZCMusic::LoadMusic failed. Stream node has no name"), 1);
  EXPECT_EQ(LogLinesWith("'menu' is defined twice"), 1);
  EXPECT_EQ(LogLinesWith("bad.ogg"), 1);
  EXPECT_EQ(LogLinesWith("none.wav"), 1);
  EXPECT_EQ(LogLinesWith("unknown type 'backwards'"), 1);
  EXPECT_EQ(LogLinesWith("negative fade"), 1);
  EXPECT_EQ(LogLinesWith("volume 101"), 1);

  // The file's own volume scales what is heard.
  music.Change("steps");
  Run(200);
  music.FindStream("steps")->GetTrack(1)->Play(true, 100);
  EXPECT_EQ(Of("steps", 1).mVolume, 50);
}

TEST_F(MusicTest, ChangeFadesTheOldStreamOutThenTheNewOneIn) {
  Stream("menu", ZCMusic::Order::Step, {"m\\a.wav"}, 100);
  Stream("level", ZCMusic::Order::Step, {"m\\b.wav"}, 200);
  music.SetVolume(80);
  music.Change("menu");
  EXPECT_TRUE(Of("menu").mPlaying);
  EXPECT_TRUE(Of("menu").mLoop);  // a one-track stream loops
  EXPECT_EQ(Of("menu").mVolume, 0);
  Run(50);
  EXPECT_EQ(Of("menu").mVolume, 40);
  Run(100);
  EXPECT_EQ(Of("menu").mVolume, 80);

  music.Change("level");
  EXPECT_EQ(music.GetCurrentName(), "level");
  Run(50);  // half of the old stream's fade
  EXPECT_EQ(Of("menu").mVolume, 40);
  EXPECT_FALSE(Of("level").mPlaying);
  Run(50);
  EXPECT_FALSE(Of("menu").mPlaying);
  EXPECT_TRUE(Of("level").mPlaying);
  Run(100);  // half of the new stream's fade
  EXPECT_EQ(Of("level").mVolume, 40);
  Run(200);
  EXPECT_EQ(Of("level").mVolume, 80);

  // The stream already playing goes on; an unknown id changes nothing; "" fades to silence.
  music.Change("level");
  EXPECT_EQ(Of("level").mPlays, 1);
  music.Change("nothing here");
  EXPECT_EQ(LogLinesWith("no music stream 'nothing here'"), 1);
  Run(100);
  EXPECT_TRUE(Of("level").mPlaying);
  EXPECT_EQ(music.GetCurrentName(), "level");
  music.Change("");
  EXPECT_EQ(music.GetCurrentName(), "");
  Run(300);
  EXPECT_TRUE(fake.Playing().empty());

  // A change back during a fade-out fades the same playing in again.
  music.Change("menu");
  Run(200);
  music.Change("level");
  Run(50);
  EXPECT_EQ(Of("menu").mVolume, 40);
  music.Change("menu");
  Run(30);
  EXPECT_EQ(Of("menu").mVolume, 64);
  Run(300);
  EXPECT_EQ(Of("menu").mPlays, 2);
  EXPECT_EQ(Of("level").mPlays, 1);
  EXPECT_EQ(Of("menu").mVolume, 80);
  // During a fade-out, a second change only replaces what follows.
  music.Change("");
  music.Change("level");
  Run(100);
  EXPECT_EQ(Of("level").mPlays, 2);
}

TEST_F(MusicTest, VolumeAndMuteApplyAtOnce) {
  Stream("menu", ZCMusic::Order::Step, {"m\\a.wav"}, 0);
  music.Change("menu");
  EXPECT_EQ(Of("menu").mVolume, 100);
  music.SetVolume(0);
  EXPECT_EQ(Of("menu").mVolume, 0);
  music.SetVolume(35);
  EXPECT_EQ(Of("menu").mVolume, 35);
  music.SetVolume(-7);
  EXPECT_EQ(music.GetVolume(), 0);
}

TEST_F(MusicTest, StepByStepPlaysTheTracksInOrderAndWraps) {
  Stream("list", ZCMusic::Order::Step, {"m\\a.wav", "m\\b.wav", "m\\c.wav"}, 0);
  music.Change("list");
  for (int i = 0; i < 7; ++i) {
    Run(10);
    auto playing = fake.Playing();
    ASSERT_EQ(playing.size(), 1u);
    EXPECT_EQ(playing[0], Song("list", size_t(i % 3)));
    EXPECT_FALSE(fake.mSongs[playing[0]].mLoop);
    fake.mSongs[playing[0]].mPlaying = false;  // the file ends
  }
}

TEST_F(MusicTest, RandomOrderRepeatsWithTheSeedAndNeverPlaysATrackTwiceInARow) {
  Stream("shuffle", ZCMusic::Order::Random, {"m\\a.wav", "m\\b.wav", "m\\c.wav"}, 0);
  auto order = [&](uint32_t seed) {
    SeedRandom(seed);
    fake.mPlayOrder.clear();
    music.Change("shuffle");
    for (int i = 0; i < 30; ++i) {
      Run(10);
      for (int id : fake.Playing()) fake.mSongs[id].mPlaying = false;
    }
    music.Stop(false);
    return fake.mPlayOrder;
  };
  auto first = order(1234);
  EXPECT_EQ(order(1234), first);
  ASSERT_GE(first.size(), 30u);
  EXPECT_NE(order(99), first);
  for (size_t i = 1; i < first.size(); ++i) EXPECT_NE(first[i], first[i - 1]);
  EXPECT_EQ(std::set<int>(first.begin(), first.end()).size(), 3u);

  // Two tracks alternate.
  Stream("pair", ZCMusic::Order::Random, {"m\\a.wav", "m\\b.wav"}, 0);
  fake.mPlayOrder.clear();
  music.Change("pair");
  for (int i = 0; i < 4; ++i) {
    Run(10);
    for (int id : fake.Playing()) fake.mSongs[id].mPlaying = false;
  }
  for (size_t i = 1; i < fake.mPlayOrder.size(); ++i) EXPECT_NE(fake.mPlayOrder[i], fake.mPlayOrder[i - 1]);
}

TEST_F(MusicTest, SynchronisedStreamGoesOnFromThePositionReached) {
  Stream("calm", ZCMusic::Order::Sync, {"m\\a.wav"}, 100);
  Stream("rush", ZCMusic::Order::Sync, {"m\\b.wav"}, 100);
  Stream("plain", ZCMusic::Order::Step, {"m\\c.wav"}, 100);
  music.Change("calm");
  Run(200);
  Of("calm").mPosition = 12.5;
  music.Change("rush");
  Run(100);
  EXPECT_DOUBLE_EQ(Of("rush").mStart, 12.5);
  Run(100);
  Of("rush").mPosition = 3.0;
  music.Change("plain");  // a plain stream starts from its beginning
  Run(100);
  EXPECT_DOUBLE_EQ(Of("plain").mStart, 0.0);
}

TEST_F(MusicTest, SingleTracksForCutScenes) {
  Stream("theme", ZCMusic::Order::Step, {"m\\a.wav"}, 100);
  Stream("two", ZCMusic::Order::Step, {"m\\a.wav", "m\\b.wav"});
  Stream("none", ZCMusic::Order::Step, {});
  EXPECT_EQ(music.GetSingleTrack("two"), nullptr);
  EXPECT_EQ(music.GetSingleTrack("none"), nullptr);
  EXPECT_EQ(music.GetSingleTrack("missing"), nullptr);
  MusicTrack* t = music.GetSingleTrack("theme");
  ASSERT_NE(t, nullptr);

  t->Play(true);  // starts silent, at once
  EXPECT_TRUE(Of("theme").mPlaying);
  EXPECT_EQ(Of("theme").mVolume, 0);
  t->SetVolume(70);
  t->SetPan(-250.0f);
  EXPECT_EQ(Of("theme").mVolume, 70);
  EXPECT_EQ(Of("theme").mPan, -100);
  t->Stop(true);
  Run(50);
  EXPECT_EQ(Of("theme").mVolume, 35);
  Run(60);
  EXPECT_FALSE(t->IsPlaying());
  t->Play(false, 50);
  t->Stop(false);  // without a fade: at once
  EXPECT_FALSE(Of("theme").mPlaying);
}

TEST_F(MusicTest, StopAndSilentOutput) {
  Stream("menu", ZCMusic::Order::Step, {"m\\a.wav"}, 100);
  music.Change("menu");
  music.Stop(false);
  EXPECT_TRUE(fake.Playing().empty());
  EXPECT_EQ(music.GetCurrentName(), "");

  // Without an output nothing is decoded or logged, and changes do not spin.
  FakeMusic silent;
  silent.mAvailable = false;
  ZCMusic quiet(&silent);
  ZCTracks* s = quiet.AddStream("menu", ZCMusic::Order::Step, 0);
  EXPECT_TRUE(quiet.AddTrack(s, "m\\bad.ogg", 100));
  LogHistory::Clear();
  quiet.Change("menu");
  for (int i = 0; i < 10; ++i) quiet.Update(10);
  EXPECT_TRUE(silent.mPlayOrder.empty());
  EXPECT_EQ(LogHistory::Recent().size(), 0u);
}

// The mixer back end with the real files: loads, plays, replaces and stops.
TEST_F(MusicTest, MixerBackEndPlaysOneStreamAtATime) {
  Vesk::SdlMusicInterface sdl;
  ASSERT_TRUE(sdl.IsAvailable());
  std::string error;
  EXPECT_TRUE(sdl.LoadMusic(1, TestWav(2.0), &error)) << error;
  EXPECT_TRUE(sdl.LoadMusic(2, TestWav(2.0), &error)) << error;
  EXPECT_FALSE(sdl.LoadMusic(3, {'x', 'y', 'z'}, &error));
  EXPECT_FALSE(sdl.LoadMusic(4, {}, &error));
  EXPECT_FALSE(sdl.PlayMusic(3, true, 0));
  EXPECT_TRUE(sdl.PlayMusic(1, true, 0));
  EXPECT_TRUE(sdl.IsPlaying(1));
  sdl.SetSongVolume(1, 50);
  EXPECT_TRUE(sdl.PlayMusic(2, false, 0.5));
  EXPECT_FALSE(sdl.IsPlaying(1));
  EXPECT_TRUE(sdl.IsPlaying(2));
  EXPECT_GE(sdl.GetPosition(2), 0.0);
  sdl.StopMusic(1);  // not the one playing
  EXPECT_TRUE(sdl.IsPlaying(2));
  sdl.StopMusic(2);
  EXPECT_FALSE(sdl.IsPlaying(2));
  EXPECT_EQ(sdl.GetPosition(2), 0.0);
}

// Songs loaded from files are read to be checked and read again when they start, and let go when
// another starts.
TEST_F(MusicTest, MixerBackEndReadsASongsFileWhenItStarts) {
  Vesk::SdlMusicInterface sdl;
  ASSERT_TRUE(sdl.IsAvailable());
  int reads[2] = {0, 0};
  auto reader = [&reads](int song) {
    return [&reads, song] {
      ++reads[song];
      return TestWav(2.0);
    };
  };
  std::string error;
  ASSERT_TRUE(sdl.LoadMusicFile(1, reader(0), &error)) << error;
  ASSERT_TRUE(sdl.LoadMusicFile(2, reader(1), &error)) << error;
  EXPECT_FALSE(sdl.LoadMusicFile(3, [] { return std::vector<uint8_t>{'x', 'y', 'z'}; }, &error));
  EXPECT_EQ(reads[0], 1);
  EXPECT_FALSE(sdl.IsPlaying(1));
  sdl.SetSongVolume(1, 30);  // kept until the song starts
  ASSERT_TRUE(sdl.PlayMusic(1, true, 0));
  EXPECT_EQ(reads[0], 2);
  EXPECT_TRUE(sdl.IsPlaying(1));
  ASSERT_TRUE(sdl.PlayMusic(1, true, 0));  // still open: not read again
  EXPECT_EQ(reads[0], 2);
  ASSERT_TRUE(sdl.PlayMusic(2, false, 0));
  EXPECT_FALSE(sdl.IsPlaying(1));
  EXPECT_TRUE(sdl.IsPlaying(2));
  ASSERT_TRUE(sdl.PlayMusic(1, true, 0));  // let go when song 2 started
  EXPECT_EQ(reads[0], 3);
  EXPECT_FALSE(sdl.PlayMusic(3, true, 0));
}

}  // namespace
