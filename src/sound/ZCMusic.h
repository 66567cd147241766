#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "sound/ZCTracks.h"

class XmlNode;

namespace Vesk {
class MusicInterface;
}

// The music player: named streams (playlists) read from the configuration, one of which plays.
// Changing streams fades the old one out, then fades the new one in.
class ZCMusic {
 public:
  enum class Order { Step, Random, Sync };

  explicit ZCMusic(Vesk::MusicInterface* music);
  ~ZCMusic();
  ZCMusic(const ZCMusic&) = delete;
  ZCMusic& operator=(const ZCMusic&) = delete;

  // Reads every "music/stream" element below the configuration root. May run on a loading thread.
  void LoadMusic(const XmlNode& root);
  // A new, empty stream of that kind, or null (one log line) when the name is empty or taken.
  ZCTracks* AddStream(const std::string& name, Order order, int fadeMs);
  // Adds a track read through the file layer. False, with one log line, when the file cannot be
  // read or decoded (without a sound output the track is added silent).
  bool AddTrack(ZCTracks* stream, const std::string& file, int volume);
  ZCTracks* FindStream(const std::string& name) const;
  size_t GetStreamCount() const;

  // Stops the current stream and plays the stream of that id; "" stops the music. An id without
  // a stream changes nothing; the stream already playing goes on.
  void Change(const std::string& id);
  // The name of the stream playing or about to play ("" for none).
  std::string GetCurrentName() const;
  // The track of a stream that holds exactly one track, else null.
  MusicTrack* GetSingleTrack(const std::string& name) const;
  // 0..100, applied at once.
  void SetVolume(int volume);
  int GetVolume() const { return mVolume; }
  // Stops every stream; with `fade`, over their fade times.
  void Stop(bool fade);

  // Main thread, once per update step of `ms` milliseconds: fades and playlist steps.
  void Update(int ms);

 private:
  void StartPending();

  Vesk::MusicInterface* mMusic;
  mutable std::mutex mMutex;  // the loading thread adds streams while the main thread plays
  std::map<std::string, std::unique_ptr<ZCTracks>> mStreams;
  int mNextSongId = 1;
  int mVolume = 100;
  ZCTracks* mCurrent = nullptr;
  ZCTracks* mPending = nullptr;
  bool mSwitching = false;  // the current stream fades out; mPending (or silence) follows
};
