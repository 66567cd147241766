#include "sound/support/SoundTestSupport.h"

#include "Synth.h"
#include "platform/audio/Audio.h"
#include "shell/Log.h"
#include "shell/PakFormat.h"
#include "shell/PakInterface.h"

namespace {
std::vector<std::pair<std::string, std::vector<uint8_t>>> gFiles;
}

void AudioTest::SetUp() {
  std::string error;
  ASSERT_TRUE(Platform::Audio::Open(44100, &error)) << error;
  GetPakInterface()->Reset();
  gFiles.clear();
  LogHistory::Clear();
}

void AudioTest::TearDown() {
  GetPakInterface()->Reset();
  Platform::Audio::Close();
}

void AudioTest::PutFile(const std::string& name, std::vector<uint8_t> bytes) { gFiles.emplace_back(name, std::move(bytes)); }

void AudioTest::MountPack() { ASSERT_TRUE(GetPakInterface()->AddPakMemory(PakFormat::Build(gFiles), "test.pak")); }

std::vector<uint8_t> TestWav(double seconds) {
  return Synth::EncodeWav(Synth::Tone(22050, seconds, 440, 440, Synth::Wave::Sine, 0.001, 0.0), 22050);
}

int LogLinesWith(const std::string& text) {
  int n = 0;
  for (auto& l : LogHistory::Recent())
    if (l.find(text) != std::string::npos) ++n;
  return n;
}

bool FakeMusic::LoadMusic(int songId, std::vector<uint8_t> data, std::string* error) {
  if (data.size() < 4 || std::string(data.begin(), data.begin() + 4) != "RIFF") {
    if (error) *error = "not music";
    return false;
  }
  mSongs[songId];
  return true;
}

bool FakeMusic::PlayMusic(int songId, bool loop, double startSeconds) {
  if (!mAvailable) return false;
  // One stream at a time, as the mixer does.
  for (auto& [id, s] : mSongs) s.mPlaying = false;
  Song& s = mSongs[songId];
  s.mPlaying = true;
  s.mLoop = loop;
  s.mStart = startSeconds;
  s.mPosition = startSeconds;
  ++s.mPlays;
  mPlayOrder.push_back(songId);
  return true;
}

void FakeMusic::StopAllMusic() {
  for (auto& [id, s] : mSongs) s.mPlaying = false;
}

std::vector<int> FakeMusic::Playing() const {
  std::vector<int> out;
  for (auto& [id, s] : mSongs)
    if (s.mPlaying) out.push_back(id);
  return out;
}
