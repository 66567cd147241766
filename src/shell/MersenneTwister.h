#pragma once
#include <cstdint>

// The 32-bit Mersenne Twister (MT19937). Demo recording stores its seed, so the choices made
// through it repeat exactly when the demo plays back.
class MersenneTwister {
 public:
  explicit MersenneTwister(uint32_t seed = 5489u) { SRand(seed); }
  void SRand(uint32_t seed);
  uint32_t Next();
  // 0 .. range-1 (0 when range is 0).
  uint32_t Next(uint32_t range) { return range ? Next() % range : 0; }
  // [0, 1).
  double NextDouble() { return Next() * (1.0 / 4294967296.0); }
  uint32_t Seed() const { return mSeed; }

 private:
  static constexpr int kN = 624;
  static constexpr int kM = 397;
  uint32_t mState[kN];
  int mIndex = kN;
  uint32_t mSeed = 0;
};
