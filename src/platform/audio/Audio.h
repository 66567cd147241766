#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The sound output: decoded samples played on mixing channels, and one music stream decoded
// while it plays. Everything here is called from the main thread, except that samples and music
// may be decoded on a loading thread. Volumes are 0..100, pans -100 (left) .. 0 .. 100 (right).
namespace Platform::Audio {

// Opens the output device at the given rate (stereo, 16-bit). False, with the reason, when there
// is no usable device: the game then runs silent and every call below does nothing.
bool Open(int frequency, std::string* error);
void Close();
bool IsOpen();
// Frees what the libraries keep for the calling thread (their error text). A thread other than
// the main one calls it when it has finished loading sounds or music.
void ReleaseThreadState();

// A sound decoded into memory (WAV, or any format the mixer reads).
class Sample {
 public:
  ~Sample();
  Sample(const Sample&) = delete;
  Sample& operator=(const Sample&) = delete;
  // Null, with the reason, when the output is closed or the data cannot be decoded.
  static std::unique_ptr<Sample> Decode(const uint8_t* data, size_t size, std::string* error);

 private:
  explicit Sample(void* chunk) : mChunk(chunk) {}
  void* mChunk;
  friend struct ChannelAccess;
};

// One playing of a sample on a mixing channel. A channel is reused once its sound has ended, so
// the handle carries the serial of its playing: operations on a handle whose sound has ended
// (or was replaced) do nothing.
struct Channel {
  int mIndex = -1;
  uint32_t mSerial = 0;
  bool IsNull() const { return mIndex < 0; }
};

// Starts a sample; loops = -1 repeats forever. A null handle when the output is closed or every
// channel is busy. `group` tags the channel for StopGroup (0 = untagged).
Channel Play(const Sample& sample, int loops, int volume, int pan, int group = 0);
void Pause(Channel ch);
void Resume(Channel ch);
void Stop(Channel ch);
void SetVolume(Channel ch, int volume);
void SetPan(Channel ch, int pan);
// True while the sound plays or is paused.
bool IsActive(Channel ch);
bool IsPaused(Channel ch);
// The channel's volume on the mixer's scale (see MixerVolume); -1 when its sound has ended.
int GetMixerVolume(Channel ch);
// Stops every channel whose group tag is `group`.
void StopGroup(int group);

// End notices: the mixer reports a channel's end on its own thread, where it is only queued.
// The main thread takes the queued ends here (in the order they happened).
std::vector<Channel> TakeEndedChannels();

// A music file kept in memory and decoded while it plays. Only one music stream sounds at a
// time: starting one replaces the one before.
class Music {
 public:
  ~Music();
  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;
  // Null, with the reason, when the output is closed or the data is not a music file the mixer
  // reads. The bytes are kept for as long as the stream lives.
  static std::unique_ptr<Music> Open(std::vector<uint8_t> data, std::string* error);

  // Starts from `startSeconds` (0 = the beginning), replacing any playing stream.
  bool Play(bool loop, int volume, double startSeconds);
  // True while this stream is the one playing.
  bool IsPlaying() const;
  // Seconds played of this stream; 0 when it does not play.
  double Position() const;

 private:
  Music() = default;
  std::vector<uint8_t> mData;
  void* mMusic = nullptr;
};

// Applies to whichever stream plays.
void SetMusicVolume(int volume);
void StopMusic();

// Channel volume on the mixer's scale (0..128) for a 0..100 volume, clamped.
int MixerVolume(int volume);

}  // namespace Platform::Audio
