#include "Synth.h"

#include <algorithm>
#include <cmath>

namespace Synth {

namespace {
constexpr double kPi = 3.14159265358979323846;

double Envelope(double t, double attack, double decay) {
  double a = attack > 0 ? std::min(1.0, t / attack) : 1.0;
  return a * std::exp(-decay * t);
}

double Shape(Wave w, double phase) {
  double f = phase - std::floor(phase);
  switch (w) {
    case Wave::Sine: return std::sin(2 * kPi * f);
    case Wave::Square: return f < 0.5 ? 0.6 : -0.6;
    case Wave::Triangle: return f < 0.5 ? 4 * f - 1 : 3 - 4 * f;
    case Wave::Saw: return 2 * f - 1;
  }
  return 0;
}

double NoteHz(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
}  // namespace

Buffer Tone(int rate, double seconds, double freqFrom, double freqTo, Wave wave, double attack, double decay) {
  size_t n = size_t(std::max(0.0, seconds) * rate);
  Buffer b(n);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / rate;
    double f = freqFrom + (freqTo - freqFrom) * (t / seconds);
    phase += f / rate;
    b[i] = float(Shape(wave, phase) * Envelope(t, attack, decay));
  }
  return b;
}

Buffer Noise(int rate, double seconds, double smooth, double attack, double decay, uint32_t seed) {
  size_t n = size_t(std::max(0.0, seconds) * rate);
  Buffer b(n);
  uint32_t s = seed ? seed : 1;
  double last = 0;
  for (size_t i = 0; i < n; ++i) {
    s = s * 1664525u + 1013904223u;
    double white = double(s >> 8) / double(1u << 24) * 2 - 1;
    last = smooth * last + (1 - smooth) * white;
    b[i] = float(last * Envelope(double(i) / rate, attack, decay));
  }
  return b;
}

void MixInto(Buffer& a, const Buffer& b, int rate, double atSeconds, float gain) {
  size_t start = size_t(std::max(0.0, atSeconds) * rate);
  if (a.size() < start + b.size()) a.resize(start + b.size(), 0.0f);
  for (size_t i = 0; i < b.size(); ++i) a[start + i] += b[i] * gain;
}

void Normalize(Buffer& b, float peak) {
  float m = 0;
  for (float v : b) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  for (float& v : b) v *= peak / m;
}

Buffer MusicLoop(int rate, double bpm, const std::vector<int>& melody, const std::vector<int>& bass, Wave lead) {
  // One melody note per beat, one bass note per two beats, a hi-hat on every half beat.
  double beat = 60.0 / bpm;
  size_t beats = std::max(melody.size(), bass.size() * 2);
  Buffer out(size_t(double(beats) * beat * rate), 0.0f);
  for (size_t i = 0; i < melody.size(); ++i)
    if (melody[i] > -100)
      MixInto(out, Tone(rate, beat * 0.95, NoteHz(melody[i]), NoteHz(melody[i]), lead, 0.01, 3.0), rate,
              double(i) * beat, 0.35f);
  for (size_t i = 0; i < bass.size(); ++i)
    MixInto(out, Tone(rate, beat * 1.9, NoteHz(bass[i] - 24), NoteHz(bass[i] - 24), Wave::Triangle, 0.02, 1.2),
            rate, double(i) * 2 * beat, 0.45f);
  for (size_t i = 0; i < beats * 2; ++i)
    MixInto(out, Noise(rate, 0.05, 0.2, 0.001, 60.0, uint32_t(7 + i)), rate, double(i) * beat / 2,
            i % 2 ? 0.06f : 0.1f);
  // The loop must end exactly where it began: notes ringing past the end are cut.
  out.resize(size_t(double(beats) * beat * rate));
  Normalize(out, 0.7f);
  return out;
}

std::vector<uint8_t> EncodeWav(const Buffer& b, int rate) {
  std::vector<uint8_t> out;
  uint32_t dataBytes = uint32_t(b.size() * 2);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  Put32(out, 36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, uint32_t(rate));
  Put32(out, uint32_t(rate) * 2);
  Put16(out, 2);
  Put16(out, 16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, dataBytes);
  for (float v : b) {
    auto s = int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    Put16(out, uint16_t(s));
  }
  return out;
}

}  // namespace Synth
