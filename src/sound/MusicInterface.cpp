#include "sound/MusicInterface.h"

#include <algorithm>

#include "platform/audio/Audio.h"

namespace Audio = Platform::Audio;

namespace Vesk {

SdlMusicInterface::SdlMusicInterface() = default;

SdlMusicInterface::~SdlMusicInterface() {
  std::lock_guard<std::mutex> lock(mMutex);
  mSongs.clear();
}

bool SdlMusicInterface::IsAvailable() const { return Audio::IsOpen(); }

SdlMusicInterface::Song* SdlMusicInterface::Find(int songId) {
  auto it = mSongs.find(songId);
  return it == mSongs.end() || !it->second.mMusic ? nullptr : &it->second;
}

bool SdlMusicInterface::LoadMusic(int songId, std::vector<uint8_t> data, std::string* error) {
  auto music = Audio::Music::Open(std::move(data), error);
  if (!music) return false;
  std::lock_guard<std::mutex> lock(mMutex);
  mSongs[songId].mMusic = std::move(music);
  return true;
}

bool SdlMusicInterface::PlayMusic(int songId, bool loop, double startSeconds) {
  std::lock_guard<std::mutex> lock(mMutex);
  Song* s = Find(songId);
  return s && s->mMusic->Play(loop, s->mVolume, startSeconds);
}

void SdlMusicInterface::StopMusic(int songId) {
  std::lock_guard<std::mutex> lock(mMutex);
  Song* s = Find(songId);
  if (s && s->mMusic->IsPlaying()) Audio::StopMusic();
}

void SdlMusicInterface::StopAllMusic() { Audio::StopMusic(); }

void SdlMusicInterface::SetSongVolume(int songId, int volume) {
  std::lock_guard<std::mutex> lock(mMutex);
  Song* s = Find(songId);
  if (!s) return;
  s->mVolume = std::clamp(volume, 0, 100);
  if (s->mMusic->IsPlaying()) Audio::SetMusicVolume(s->mVolume);
}

void SdlMusicInterface::SetSongPan(int, int) {}

bool SdlMusicInterface::IsPlaying(int songId) {
  std::lock_guard<std::mutex> lock(mMutex);
  Song* s = Find(songId);
  return s && s->mMusic->IsPlaying();
}

double SdlMusicInterface::GetPosition(int songId) {
  std::lock_guard<std::mutex> lock(mMutex);
  Song* s = Find(songId);
  return s ? s->mMusic->Position() : 0.0;
}

}  // namespace Vesk
