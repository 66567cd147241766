// soundgen <folder>
//   writes the sample café's sounds into <folder>/sounds and its music loops into <folder>/music,
//   all as 16-bit mono WAV files synthesised here.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Synth.h"

namespace fs = std::filesystem;
using namespace Synth;

namespace {

constexpr int kSoundRate = 44100;
constexpr int kMusicRate = 22050;

Buffer Chime(std::initializer_list<double> freqs, double gap) {
  Buffer out;
  double at = 0;
  for (double f : freqs) {
    MixInto(out, Tone(kSoundRate, 0.35, f, f, Wave::Sine, 0.005, 7.0), kSoundRate, at);
    at += gap;
  }
  return out;
}

Buffer Hum(double freq, double seconds) {
  // A machine at work: a low buzz with a little rattle, steady so that it loops.
  Buffer out = Tone(kSoundRate, seconds, freq, freq, Wave::Saw, 0.0, 0.0);
  MixInto(out, Noise(kSoundRate, seconds, 0.9, 0.0, 0.0, 3), kSoundRate, 0, 0.5f);
  return out;
}

// A machine or a pan at work for a few seconds, fading out at the end (a worker's begin sound).
Buffer WorkSound(Buffer b) {
  const size_t n = b.size(), fade = std::min(n, size_t(0.6 * kSoundRate));
  for (size_t i = 0; i < fade; ++i) b[n - 1 - i] *= float(i) / float(fade);
  return b;
}

// A knife on a board: short knocks at a steady pace.
Buffer Chopping(double seconds) {
  Buffer out;
  for (int i = 0; i * 0.22 < seconds; ++i)
    MixInto(out, Noise(kSoundRate, 0.05, 0.2, 0.001, 60.0, 41 + i), kSoundRate, i * 0.22);
  return out;
}

// A brush scrubbing: three swishes.
Buffer Scrubbing() {
  Buffer out;
  for (int i = 0; i < 3; ++i) MixInto(out, Noise(kSoundRate, 0.18, 0.35, 0.04, 10.0, 51 + i), kSoundRate, i * 0.2);
  return out;
}

Buffer Steps() {
  Buffer out;
  for (int i = 0; i < 2; ++i) MixInto(out, Noise(kSoundRate, 0.08, 0.7, 0.002, 40.0, 11 + i), kSoundRate, i * 0.3);
  out.resize(size_t(0.6 * kSoundRate), 0.0f);
  return out;
}

struct Recipe {
  const char* mName;
  std::function<Buffer()> mMake;
};

const std::vector<Recipe>& Sounds() {
  static const std::vector<Recipe> list = {
      {"click", [] { return Tone(kSoundRate, 0.04, 1800, 1200, Wave::Square, 0.001, 60); }},
      {"window_open", [] { return Tone(kSoundRate, 0.25, 300, 900, Wave::Triangle, 0.01, 6); }},
      {"briefing_show", [] { return Chime({523.3, 659.3}, 0.12); }},
      {"good_debriefing_show", [] { return Chime({523.3, 659.3, 784.0, 1046.5}, 0.1); }},
      {"bad_debriefing_show", [] { return Chime({392.0, 311.1, 261.6}, 0.16); }},
      {"debriefing_awards", [] { return Chime({784.0, 1046.5, 1318.5}, 0.07); }},
      {"goal", [] { return Chime({659.3, 784.0, 1046.5}, 0.09); }},
      {"expert", [] { return Chime({784.0, 987.8, 1174.7, 1568.0}, 0.08); }},
      {"task_complete", [] { return Chime({880.0, 1318.5}, 0.08); }},
      {"boss_steps", Steps},
      {"boss_take_item", [] { return Tone(kSoundRate, 0.1, 600, 800, Wave::Sine, 0.002, 25); }},
      {"soda_mashine", [] { return Noise(kSoundRate, 0.5, 0.3, 0.05, 5, 21); }},
      {"coffe_mashine", [] { return Noise(kSoundRate, 0.6, 0.85, 0.05, 4, 22); }},
      {"candy", [] { return Chime({1046.5, 1568.0}, 0.05); }},
      {"take_brush", [] { return Noise(kSoundRate, 0.25, 0.6, 0.01, 12, 23); }},
      {"make_trash", [] { return Tone(kSoundRate, 0.3, 220, 90, Wave::Triangle, 0.005, 9); }},
      {"client_spawn", [] { return Tone(kSoundRate, 0.2, 500, 700, Wave::Sine, 0.01, 10); }},
      {"client_ready", [] { return Chime({698.5, 880.0}, 0.08); }},
      {"client_positiv", [] { return Chime({1318.5, 1760.0, 2093.0}, 0.05); }},
      {"client_negativ", [] { return Tone(kSoundRate, 0.4, 300, 150, Wave::Saw, 0.01, 5); }},
      {"client_scandal", [] { return Tone(kSoundRate, 0.5, 250, 400, Wave::Square, 0.01, 4); }},
      {"worker_begin", [] { return WorkSound(Hum(110, 2.5)); }},
      {"worker_begin_cook", [] { return WorkSound(Noise(kSoundRate, 2.5, 0.05, 0.05, 0.0, 33)); }},
      {"worker_begin_grocer", [] { return WorkSound(Chopping(2.5)); }},
      {"worker_clean", Scrubbing},
      {"worker_broke", [] { return Noise(kSoundRate, 0.4, 0.5, 0.001, 9, 31); }},
      {"worker_finish", [] { return Chime({987.8, 1318.5}, 0.06); }},
      {"minigame_hit", [] { return Tone(kSoundRate, 0.12, 1200, 2000, Wave::Triangle, 0.002, 20); }},
      // The bonus row's chains: coins ringing, a cheerful rise, a soapy swish, a quick upward
      // zip for the moment-ready boost and a cold glassy chime for the ice.
      {"minigame_coin", [] { return Chime({1568.0, 2093.0, 2637.0, 3136.0}, 0.05); }},
      {"minigame_happy", [] { return Chime({523.3, 659.3, 784.0}, 0.09); }},
      {"minigame_clean", [] { return Noise(kSoundRate, 0.45, 0.4, 0.02, 6, 41); }},
      {"minigame_momentready", [] { return Tone(kSoundRate, 0.3, 400, 1600, Wave::Saw, 0.005, 6); }},
      {"minigame_ice", [] { return Chime({2093.0, 1760.0, 2637.0}, 0.07); }},
      {"coin", [] { return Chime({1568.0, 2093.0}, 0.06); }},
      // The cut-scenes: a soft bell when a speech bubble opens.
      {"comix_bell", [] { return Chime({880.0, 1174.7, 1760.0}, 0.14); }},
  };
  return list;
}

// Semitones from A4; -100 is a rest.
struct Loop {
  const char* mName;
  double mBpm;
  std::vector<int> mMelody, mBass;
  Wave mLead;
};

const std::vector<Loop>& Loops() {
  static const std::vector<Loop> list = {
      {"menu_theme", 100, {3, 7, 10, 7, 5, 8, 12, 8, 3, 7, 10, 15, 14, 10, 7, -100}, {3, 8, 3, 10}, Wave::Triangle},
      {"cafe_day", 126, {0, 4, 7, 4, 9, 7, 4, 2, 0, 4, 7, 12, 11, 7, 2, -100}, {0, 9, 5, 7}, Wave::Square},
      {"cafe_rush", 138, {-3, 0, 4, 7, 5, 4, 0, -1, -3, 0, 4, 9, 7, 4, 2, -100}, {-3, 5, 0, 7}, Wave::Saw},
      // A slow morning tune under the cut-scenes.
      {"comix_music", 84, {7, -100, 4, 7, 9, 7, 4, -100, 2, 4, 5, 4, 2, -100, 0, -100}, {0, 5, 7, 0}, Wave::Sine},
  };
  return list;
}

bool Write(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: soundgen <folder>\n");
    return 2;
  }
  fs::path root = argv[1];
  std::error_code ec;
  fs::create_directories(root / "sounds", ec);
  fs::create_directories(root / "music", ec);
  for (auto& r : Sounds()) {
    Buffer b = r.mMake();
    Normalize(b, 0.8f);
    if (!Write(root / "sounds" / (std::string(r.mName) + ".wav"), EncodeWav(b, kSoundRate))) {
      std::fprintf(stderr, "soundgen: cannot write %s\n", r.mName);
      return 1;
    }
  }
  for (auto& l : Loops()) {
    if (!Write(root / "music" / (std::string(l.mName) + ".wav"),
               EncodeWav(MusicLoop(kMusicRate, l.mBpm, l.mMelody, l.mBass, l.mLead), kMusicRate))) {
      std::fprintf(stderr, "soundgen: cannot write %s\n", l.mName);
      return 1;
    }
  }
  return 0;
}
