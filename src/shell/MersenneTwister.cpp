#include "shell/MersenneTwister.h"

void MersenneTwister::SRand(uint32_t seed) {
  mSeed = seed;
  mState[0] = seed;
  for (int i = 1; i < kN; ++i) mState[i] = 1812433253u * (mState[i - 1] ^ (mState[i - 1] >> 30)) + uint32_t(i);
  mIndex = kN;
}

uint32_t MersenneTwister::Next() {
  if (mIndex >= kN) {
    for (int i = 0; i < kN; ++i) {
      uint32_t y = (mState[i] & 0x80000000u) | (mState[(i + 1) % kN] & 0x7FFFFFFFu);
      uint32_t v = mState[(i + kM) % kN] ^ (y >> 1);
      if (y & 1) v ^= 0x9908B0DFu;
      mState[i] = v;
    }
    mIndex = 0;
  }
  uint32_t y = mState[mIndex++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}
