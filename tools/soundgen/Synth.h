#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Small synthesiser for the sample café's sounds: mono float buffers (-1..1) built from tones,
// noise and envelopes, written out as 16-bit PCM WAV files.
namespace Synth {

using Buffer = std::vector<float>;

enum class Wave { Sine, Square, Triangle, Saw };

// A tone gliding from `freqFrom` to `freqTo` Hz, with a linear attack and an exponential decay.
Buffer Tone(int rate, double seconds, double freqFrom, double freqTo, Wave wave, double attack = 0.005,
            double decay = 8.0);
// White noise through a one-pole low-pass (`smooth` 0 = bright .. 0.99 = dull), same envelope.
Buffer Noise(int rate, double seconds, double smooth, double attack, double decay, uint32_t seed);
// Adds `b` (scaled) into `a` starting at `atSeconds`, growing `a` when needed.
void MixInto(Buffer& a, const Buffer& b, int rate, double atSeconds, float gain = 1.0f);
// Scales so that the loudest sample reaches `peak`.
void Normalize(Buffer& b, float peak);
// A loop of `seconds`: notes of a tune, a bass line and a hi-hat, built from a seed-free pattern.
Buffer MusicLoop(int rate, double bpm, const std::vector<int>& melody, const std::vector<int>& bass, Wave lead);

// The WAV file (RIFF, PCM, 16-bit, mono) of a buffer.
std::vector<uint8_t> EncodeWav(const Buffer& b, int rate);

}  // namespace Synth
