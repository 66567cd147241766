#include "shell/Random.h"

#include <mutex>
#include <random>

namespace {
std::mutex gRandomMutex;
std::minstd_rand gGenerator(1);
}  // namespace

void SeedRandom(uint32_t seed) {
  std::lock_guard<std::mutex> lock(gRandomMutex);
  gGenerator.seed(seed == 0 ? 1 : seed);
}

int RandomRaw() {
  std::lock_guard<std::mutex> lock(gRandomMutex);
  return static_cast<int>((gGenerator() >> 8) & 0x7FFF);
}

float RandomFloat(float a, float b) { return a + (b - a) * static_cast<float>(RandomRaw()) / 32767.0f; }

int RandomInt(int a, int b) {
  int64_t span = int64_t(b) - int64_t(a);
  if (span <= 0) return a;
  if (span == 1) return (RandomRaw() & 1) ? b : a;
  return static_cast<int>(a + RandomRaw() % span);
}
