#pragma once
// Timing of two drawing operations for the benchmark programs: the project's and the reference's
// turns alternate (ours, reference, ours, ...), each turn repeating its operation for a short
// slice of time, and the medians are kept, so that a busy moment of the machine falls on both
// sides or on neither, and one noisy turn does not decide the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A comparison's medians: each side's rate in Mpixels/s, and the median of the per-round ratios
// ours / reference.
struct Comparison {
  double ours = 0;
  double reference = 0;
  double ratio = 0;
};

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Calls op(call) with call counting on from `calls` until `slice` seconds have passed; returns
// the rate in Mpixels/s.
inline double TimedTurn(const std::function<void(int)>& op, double pixelsPerCall, double slice, int& calls) {
  const auto start = std::chrono::steady_clock::now();
  double elapsed = 0;
  int n = 0;
  do {
    op(calls++);
    ++n;
    elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (elapsed < slice);
  return double(n) * pixelsPerCall / elapsed / 1e6;
}

// Settings read from the command line: --rounds=N (turns per side, default 9), --slice=S (seconds
// per turn, default 0.03) and --only=TEXT (only the cases whose label holds TEXT).
struct Options {
  int rounds = 9;
  double slice = 0.03;
  std::string only;

  static Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
      const char* a = argv[i];
      if (std::strncmp(a, "--rounds=", 9) == 0) o.rounds = std::max(1, std::atoi(a + 9));
      if (std::strncmp(a, "--slice=", 8) == 0) o.slice = std::max(0.001, std::atof(a + 8));
      if (std::strncmp(a, "--only=", 7) == 0) o.only = a + 7;
    }
    return o;
  }
  bool Wants(const std::string& label) const { return only.empty() || label.find(only) != std::string::npos; }
};

// One warm-up turn each, then `rounds` alternating turns per side.
inline Comparison Compare(const std::function<void(int)>& ours, const std::function<void(int)>& reference,
                          double pixelsPerCall, const Options& options) {
  int oursCalls = 0, referenceCalls = 0;
  TimedTurn(ours, pixelsPerCall, options.slice / 2, oursCalls);
  TimedTurn(reference, pixelsPerCall, options.slice / 2, referenceCalls);
  std::vector<double> a, b, ratios;
  for (int r = 0; r < options.rounds; ++r) {
    // Which side goes first alternates too, so neither always follows the other's cache traffic.
    double x, y;
    if (r % 2 == 0) {
      x = TimedTurn(ours, pixelsPerCall, options.slice, oursCalls);
      y = TimedTurn(reference, pixelsPerCall, options.slice, referenceCalls);
    } else {
      y = TimedTurn(reference, pixelsPerCall, options.slice, referenceCalls);
      x = TimedTurn(ours, pixelsPerCall, options.slice, oursCalls);
    }
    a.push_back(x);
    b.push_back(y);
    ratios.push_back(y > 0 ? x / y : 0);
  }
  return Comparison{Median(a), Median(b), Median(ratios)};
}

}  // namespace bench
