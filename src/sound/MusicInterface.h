#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Platform::Audio {
class Music;
}

namespace Vesk {

// The framework's music interface: songs by number, each a music file the back end decodes as
// it plays. Volumes are 0..100, pans -100..100. Songs are loaded on the loading thread; every
// other call comes from the main thread.
class MusicInterface {
 public:
  virtual ~MusicInterface() = default;
  // False when there is no sound output: nothing is loaded and nothing plays.
  virtual bool IsAvailable() const = 0;
  // False, with the reason, when the data is not music the back end plays.
  virtual bool LoadMusic(int songId, std::vector<uint8_t> data, std::string* error) = 0;
  // The same from a file `read` gives the bytes of; a back end may read it again when the song
  // starts rather than keep the bytes meanwhile.
  virtual bool LoadMusicFile(int songId, const std::function<std::vector<uint8_t>()>& read, std::string* error) {
    return LoadMusic(songId, read(), error);
  }
  // Starts a song from `startSeconds`, once or looped, at its current volume.
  virtual bool PlayMusic(int songId, bool loop, double startSeconds) = 0;
  virtual void StopMusic(int songId) = 0;
  virtual void StopAllMusic() = 0;
  virtual void SetSongVolume(int songId, int volume) = 0;
  virtual void SetSongPan(int songId, int pan) = 0;
  virtual bool IsPlaying(int songId) = 0;
  // Seconds played of a playing song, 0 otherwise.
  virtual double GetPosition(int songId) = 0;
};

// The back end over the mixer's music stream. The mixer sounds one stream at a time: starting a
// song replaces the one playing. The stream cannot be panned, so a pan is accepted and not heard.
// A song loaded from a file is checked and let go; its file is read again when it starts, and
// let go again when another song starts, so that one song's bytes are held at a time.
class SdlMusicInterface : public MusicInterface {
 public:
  SdlMusicInterface();
  ~SdlMusicInterface() override;
  bool IsAvailable() const override;
  bool LoadMusic(int songId, std::vector<uint8_t> data, std::string* error) override;
  bool LoadMusicFile(int songId, const std::function<std::vector<uint8_t>()>& read, std::string* error) override;
  bool PlayMusic(int songId, bool loop, double startSeconds) override;
  void StopMusic(int songId) override;
  void StopAllMusic() override;
  void SetSongVolume(int songId, int volume) override;
  void SetSongPan(int songId, int pan) override;
  bool IsPlaying(int songId) override;
  double GetPosition(int songId) override;

 private:
  struct Song {
    std::unique_ptr<Platform::Audio::Music> mMusic;
    // Reads the file of a song loaded from one; empty for a song given as bytes.
    std::function<std::vector<uint8_t>()> mRead;
    int mVolume = 100;
  };
  Song* Find(int songId);

  std::mutex mMutex;
  std::map<int, Song> mSongs;
};

}  // namespace Vesk
