#pragma once
// How much the soak's live heap grew over its restarts. The heap at one restart differs from the
// next by about 2 MB either way (what the café happens to hold when survival starts again), so
// two single samples say nothing about a leak: the median of the first third of the samples is
// set against the median of the last third, and a leak shows as a rise between the two.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace HeapTrend {

// The middle value (the mean of the two middle ones for an even count); 0 when empty.
inline int64_t Median(std::vector<int64_t> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t half = values.size() / 2;
  if (values.size() % 2) return values[half];
  return values[half - 1] + (values[half] - values[half - 1]) / 2;
}

// The growth in bytes from the first third of `bytes` to its last third (each at least one
// sample): negative when the heap shrank. Fewer than two samples show no trend (0).
inline int64_t Growth(const std::vector<int64_t>& bytes) {
  if (bytes.size() < 2) return 0;
  const size_t group = std::max<size_t>(1, bytes.size() / 3);
  const std::vector<int64_t> first(bytes.begin(), bytes.begin() + std::ptrdiff_t(group));
  const std::vector<int64_t> last(bytes.end() - std::ptrdiff_t(group), bytes.end());
  return Median(last) - Median(first);
}

}  // namespace HeapTrend
