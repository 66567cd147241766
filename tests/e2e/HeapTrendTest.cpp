#include "e2e/HeapTrend.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t kMB = 1 << 20;
}

// A heap that swings by 2 MB from one restart to the next around a steady level shows no growth,
// even from a low first sample to a high last one; a steady rise of 300 kB a restart over nine
// restarts does, though each swing alone is larger than the whole rise.
TEST(HeapTrend, SwingsAroundALevelAreNoGrowthButASteadyRiseIs) {
  const int64_t base = 200 * kMB;
  EXPECT_LT(HeapTrend::Growth({base - kMB, base + kMB, base, base - kMB, base + kMB, base, base - kMB, base + kMB}),
            kMB);
  std::vector<int64_t> rising;
  for (int64_t i = 0; i < 9; ++i) rising.push_back(base + i * 300 * 1024 + ((i % 2) ? kMB : -kMB));
  EXPECT_GE(HeapTrend::Growth(rising), kMB);
  EXPECT_EQ(HeapTrend::Growth({base, base + 3 * kMB}), 3 * kMB);
  EXPECT_EQ(HeapTrend::Growth({base}), 0);
}
