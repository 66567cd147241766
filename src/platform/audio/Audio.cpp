#include "platform/audio/Audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace Platform::Audio {

struct ChannelAccess {
  static Mix_Chunk* Chunk(const Sample& s) { return static_cast<Mix_Chunk*>(s.mChunk); }
};

namespace {
constexpr int kChannels = 32;

bool gOpen = false;
bool gSubsystemStarted = false;
// The serial of each channel's current playing. Written by Play on the main thread, read by the
// end callback on the mixer's thread.
std::atomic<uint32_t> gSerials[kChannels];
std::mutex gEndedMutex;
std::vector<Channel> gEnded;
const Music* gCurrentMusic = nullptr;

// Runs on the mixer's thread (or inside a halt on the caller's): only queue the notice.
void OnChannelEnded(int channel) {
  if (channel < 0 || channel >= kChannels) return;
  Channel ch{channel, gSerials[channel].load(std::memory_order_acquire)};
  std::lock_guard<std::mutex> lock(gEndedMutex);
  gEnded.push_back(ch);
}

bool Current(Channel ch) {
  return gOpen && ch.mIndex >= 0 && ch.mIndex < kChannels &&
         gSerials[ch.mIndex].load(std::memory_order_acquire) == ch.mSerial && Mix_Playing(ch.mIndex);
}

// Left and right gains (0..255) of a -100..100 pan; the centre is full on both sides.
void PanGains(int pan, uint8_t& left, uint8_t& right) {
  pan = std::clamp(pan, -100, 100);
  left = uint8_t(pan <= 0 ? 255 : 255 - pan * 255 / 100);
  right = uint8_t(pan >= 0 ? 255 : 255 + pan * 255 / 100);
}

SDL_RWops* MemoryReader(const uint8_t* data, size_t size) {
  return SDL_RWFromConstMem(data, int(std::min<size_t>(size, size_t(INT32_MAX))));
}
}  // namespace

int MixerVolume(int volume) { return std::clamp(volume, 0, 100) * MIX_MAX_VOLUME / 100; }

bool Open(int frequency, std::string* error) {
  if (gOpen) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (error) *error = SDL_GetError();
    return false;
  }
  gSubsystemStarted = true;
  Mix_Init(MIX_INIT_OGG);
  if (Mix_OpenAudio(frequency, AUDIO_S16SYS, 2, 1024) != 0) {
    if (error) *error = Mix_GetError();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gSubsystemStarted = false;
    return false;
  }
  Mix_AllocateChannels(kChannels);
  for (auto& s : gSerials) s.store(0, std::memory_order_relaxed);
  Mix_ChannelFinished(OnChannelEnded);
  gOpen = true;
  return true;
}

void Close() {
  if (gOpen) {
    Mix_HaltMusic();
    Mix_HaltChannel(-1);
    Mix_ChannelFinished(nullptr);
    Mix_CloseAudio();
    Mix_Quit();
    gOpen = false;
    gCurrentMusic = nullptr;
  }
  if (gSubsystemStarted) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gSubsystemStarted = false;
  }
  std::lock_guard<std::mutex> lock(gEndedMutex);
  gEnded.clear();
}

bool IsOpen() { return gOpen; }

void ReleaseThreadState() { SDL_TLSCleanup(); }

Sample::~Sample() {
  // Freeing a chunk halts every channel that still plays it (and is safe once the output closed).
  if (mChunk) Mix_FreeChunk(static_cast<Mix_Chunk*>(mChunk));
}

std::unique_ptr<Sample> Sample::Decode(const uint8_t* data, size_t size, std::string* error) {
  if (!gOpen) {
    if (error) *error = "no sound output";
    return nullptr;
  }
  if (!data || size == 0) {
    if (error) *error = "empty file";
    return nullptr;
  }
  // The reader is closed here, not by the mixer: on some of its failures (a few bytes of no kind
  // it knows) the mixer leaves it open. A decoded chunk no longer needs it.
  SDL_RWops* reader = MemoryReader(data, size);
  Mix_Chunk* chunk = Mix_LoadWAV_RW(reader, 0);
  if (reader) SDL_RWclose(reader);
  if (!chunk) {
    if (error) *error = Mix_GetError();
    return nullptr;
  }
  return std::unique_ptr<Sample>(new Sample(chunk));
}

Channel Play(const Sample& sample, int loops, int volume, int pan, int group) {
  if (!gOpen) return {};
  Mix_Chunk* chunk = ChannelAccess::Chunk(sample);
  // The channel is chosen here rather than by the mixer, so that its volume and pan are set
  // before the sound starts.
  int index = -1;
  for (int i = 0; i < kChannels; ++i)
    if (!Mix_Playing(i)) {
      index = i;
      break;
    }
  if (index < 0) return {};
  uint32_t serial = gSerials[index].load(std::memory_order_relaxed) + 1;
  gSerials[index].store(serial, std::memory_order_release);
  Mix_Volume(index, MixerVolume(volume));
  uint8_t l, r;
  PanGains(pan, l, r);
  Mix_SetPanning(index, l, r);
  Mix_GroupChannel(index, group > 0 ? group : -1);
  if (Mix_PlayChannel(index, chunk, loops) < 0) return {};
  return {index, serial};
}

void Pause(Channel ch) {
  if (!Current(ch)) return;
  // The mixer marks a paused channel with SDL's tick count and takes a mark of 0 for "not
  // paused", so a pause in SDL's first millisecond (tick 0, right after start-up) would be lost
  // and the sound would go on. Waiting for the counter to pass 0 costs a millisecond at most.
  while (SDL_GetTicks() == 0) SDL_Delay(1);
  Mix_Pause(ch.mIndex);
}
void Resume(Channel ch) {
  if (Current(ch)) Mix_Resume(ch.mIndex);
}
void Stop(Channel ch) {
  if (Current(ch)) Mix_HaltChannel(ch.mIndex);
}
void SetVolume(Channel ch, int volume) {
  if (Current(ch)) Mix_Volume(ch.mIndex, MixerVolume(volume));
}
void SetPan(Channel ch, int pan) {
  if (!Current(ch)) return;
  uint8_t l, r;
  PanGains(pan, l, r);
  Mix_SetPanning(ch.mIndex, l, r);
}
bool IsActive(Channel ch) { return Current(ch); }
bool IsPaused(Channel ch) { return Current(ch) && Mix_Paused(ch.mIndex); }
int GetMixerVolume(Channel ch) { return Current(ch) ? Mix_Volume(ch.mIndex, -1) : -1; }

void StopGroup(int group) {
  if (gOpen && group > 0) Mix_HaltGroup(group);
}

std::vector<Channel> TakeEndedChannels() {
  std::lock_guard<std::mutex> lock(gEndedMutex);
  std::vector<Channel> out;
  out.swap(gEnded);
  return out;
}

Music::~Music() {
  if (!mMusic) return;
  if (gCurrentMusic == this) gCurrentMusic = nullptr;
  // Freeing a playing stream halts it first.
  Mix_FreeMusic(static_cast<Mix_Music*>(mMusic));
}

std::unique_ptr<Music> Music::Open(std::vector<uint8_t> data, std::string* error) {
  if (!gOpen) {
    if (error) *error = "no sound output";
    return nullptr;
  }
  if (data.empty()) {
    if (error) *error = "empty file";
    return nullptr;
  }
  std::unique_ptr<Music> m(new Music);
  m->mData = std::move(data);
  m->mMusic = Mix_LoadMUS_RW(MemoryReader(m->mData.data(), m->mData.size()), 1);
  if (!m->mMusic) {
    if (error) *error = Mix_GetError();
    return nullptr;
  }
  return m;
}

bool Music::Play(bool loop, int volume, double startSeconds) {
  if (!gOpen || !mMusic) return false;
  Mix_VolumeMusic(MixerVolume(volume));
  if (Mix_PlayMusic(static_cast<Mix_Music*>(mMusic), loop ? -1 : 0) != 0) return false;
  if (startSeconds > 0) Mix_SetMusicPosition(startSeconds);
  gCurrentMusic = this;
  return true;
}

bool Music::IsPlaying() const { return gOpen && gCurrentMusic == this && Mix_PlayingMusic(); }

double Music::Position() const {
  if (!IsPlaying()) return 0;
  double p = Mix_GetMusicPosition(static_cast<Mix_Music*>(mMusic));
  return p > 0 ? p : 0;
}

void SetMusicVolume(int volume) {
  if (gOpen) Mix_VolumeMusic(MixerVolume(volume));
}

void StopMusic() {
  if (gOpen) Mix_HaltMusic();
  gCurrentMusic = nullptr;
}

}  // namespace Platform::Audio
