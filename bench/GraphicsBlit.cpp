// The memory-route alpha blit of a 256 x 256 sprite onto a 1024 x 768 image, against pixman's
// OVER composite of the same pixels (premultiplied, as pixman keeps them) in the same run.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"

namespace {

constexpr int kSprite = 256, kDestW = 1024, kDestH = 768;

// "soft": an opaque disc with a soft edge, transparent corners; "partial": every pixel partly
// transparent.
std::vector<uint32_t> Sprite(bool allPartial) {
  std::vector<uint32_t> px(kSprite * kSprite);
  std::mt19937 rng(7);
  for (int y = 0; y < kSprite; ++y)
    for (int x = 0; x < kSprite; ++x) {
      double d = std::hypot(x - 127.5, y - 127.5);
      uint32_t a = allPartial ? 1 + (x * 3 + y * 5) % 254 : d < 90 ? 255 : d < 128 ? uint32_t(255 * (128 - d) / 38) : 0;
      px[size_t(y) * kSprite + x] = (a << 24) | (rng() & 0xFFFFFF);
    }
  return px;
}

std::vector<uint32_t> Background() {
  std::vector<uint32_t> px(size_t(kDestW) * kDestH);
  std::mt19937 rng(3);
  for (auto& p : px) p = 0xFF000000u | (rng() & 0xFFFFFF);
  return px;
}

// Positions visited in turn, the same for both.
std::pair<int, int> Position(int64_t i) { return {int(i * 97 % (kDestW - kSprite)), int(i * 61 % (kDestH - kSprite))}; }

void MemoryBlit(benchmark::State& state, bool allPartial) {
  Vesk::MemoryImage sprite, dest;
  auto sp = Sprite(allPartial);
  auto bg = Background();
  sprite.SetBits(sp.data(), kSprite, kSprite);
  dest.SetBits(bg.data(), kDestW, kDestH);
  int64_t i = 0;
  for (auto _ : state) {
    auto [x, y] = Position(i++);
    dest.Blit(&sprite, x, y, sprite.GetRect(), Color::White, 0);
  }
  benchmark::DoNotOptimize(dest.GetBits()[0]);
  state.counters["Mpix/s"] =
      benchmark::Counter(double(state.iterations()) * kSprite * kSprite / 1e6, benchmark::Counter::kIsRate);
}

void PixmanOver(benchmark::State& state, bool allPartial) {
  auto sp = Sprite(allPartial);
  for (auto& p : sp) {
    uint32_t a = p >> 24;
    auto pm = [&](int sh) { return ((((p >> sh) & 255) * a + 127) / 255) << sh; };
    p = (a << 24) | pm(16) | pm(8) | pm(0);
  }
  auto bg = Background();
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, sp.data(), kSprite * 4);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kDestW, kDestH, bg.data(), kDestW * 4);
  int64_t i = 0;
  for (auto _ : state) {
    auto [x, y] = Position(i++);
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, x, y, kSprite, kSprite);
  }
  benchmark::DoNotOptimize(bg[0]);
  pixman_image_unref(src);
  pixman_image_unref(dst);
  state.counters["Mpix/s"] =
      benchmark::Counter(double(state.iterations()) * kSprite * kSprite / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(MemoryBlit, soft, false);
BENCHMARK_CAPTURE(PixmanOver, soft, false);
BENCHMARK_CAPTURE(MemoryBlit, partial, true);
BENCHMARK_CAPTURE(PixmanOver, partial, true);

// Keeps each run's rate so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("Mpix/s");
      if (it != r.counters.end()) rates[r.benchmark_name()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* kind : {"soft", "partial"}) {
    double ours = reporter.rates[std::string("MemoryBlit/") + kind];
    double theirs = reporter.rates[std::string("PixmanOver/") + kind];
    if (ours > 0 && theirs > 0)
      std::printf("alpha blit %-8s memory image %8.1f Mpix/s, pixman %8.1f Mpix/s, ratio %.2f\n", kind, ours, theirs,
                  ours / theirs);
  }
  benchmark::Shutdown();
  return 0;
}
