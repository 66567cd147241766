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

bool SdlMusicInterface::LoadMusicFile(int songId, const std::function<std::vector<uint8_t>()>& read,
                                      std::string* error) {
  if (!Audio::Music::Open(read(), error)) return false;
  std::lock_guard<std::mutex> lock(mMutex);
  Song& song = mSongs[songId];
  song.mMusic.reset();
  song.mRead = read;
  return true;
}

bool SdlMusicInterface::PlayMusic(int songId, bool loop, double startSeconds) {
  std::lock_guard<std::mutex> lock(mMutex);
  auto it = mSongs.find(songId);
  if (it == mSongs.end()) return false;
  Song& song = it->second;
  if (!song.mMusic && song.mRead) {
    // Starting this song stops any other: songs read from files let their bytes go.
    for (auto& [id, other] : mSongs)
      if (id != songId && other.mRead) other.mMusic.reset();
    song.mMusic = Audio::Music::Open(song.mRead(), nullptr);
  }
  return song.mMusic && song.mMusic->Play(loop, song.mVolume, startSeconds);
}

void SdlMusicInterface::StopMusic(int songId) {
  std::lock_guard<std::mutex> lock(mMutex);
  Song* s = Find(songId);
  if (s && s->mMusic->IsPlaying()) Audio::StopMusic();
}

void SdlMusicInterface::StopAllMusic() { Audio::StopMusic(); }

void SdlMusicInterface::SetSongVolume(int songId, int volume) {
  std::lock_guard<std::mutex> lock(mMutex);
  auto it = mSongs.find(songId);
  if (it == mSongs.end()) return;
  // Kept for a song whose file is read when it starts.
  Song& s = it->second;
  s.mVolume = std::clamp(volume, 0, 100);
  if (s.mMusic && s.mMusic->IsPlaying()) Audio::SetMusicVolume(s.mVolume);
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
