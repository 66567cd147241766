#pragma once
#include <cstdint>
#include <functional>
#include <vector>

// The draw-order solver's placement as it was first written: every candidate is checked by
// scanning the relations of every unplaced part, so a solve is quadratic. Kept to prove that the
// counting placement (ZOrderPlacement) gives exactly the same order, and to measure it against.
inline std::vector<int32_t> ReferenceZOrderPlacement(const std::vector<std::vector<int32_t>>& behind) {
  const size_t n = behind.size();
  std::vector<int32_t> front(n, 0);
  for (const std::vector<int32_t>& list : behind)
    for (int32_t q : list) ++front[size_t(q)];
  std::vector<bool> placed(n, false);
  std::vector<int32_t> order;
  auto place = [&](int32_t i) {
    placed[size_t(i)] = true;
    order.push_back(i);
  };
  std::function<void(int32_t)> walk = [&](int32_t index) {
    for (int32_t next : behind[size_t(index)]) {
      if (placed[size_t(next)]) continue;
      bool ready = true;
      for (size_t j = 0; j < n && ready; ++j) {
        if (placed[j]) continue;
        for (int32_t q : behind[j])
          if (q == next) ready = false;
      }
      if (!ready) continue;
      place(next);
      walk(next);
    }
  };
  std::vector<int32_t> roots;
  for (size_t i = 0; i < n; ++i)
    if (front[i] == 0) roots.push_back(int32_t(i));
  for (int32_t root : roots) place(root);
  for (int32_t root : roots) walk(root);
  for (size_t i = 0; i < n; ++i)
    if (!placed[i]) place(int32_t(i));
  return order;
}
