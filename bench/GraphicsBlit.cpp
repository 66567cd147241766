// The memory-route alpha blit of a 256 x 256 sprite onto a 1024 x 768 image, against pixman's
// OVER composite of the same pixels (premultiplied, as pixman keeps them) in the same run: the
// rates are the medians of interleaved turns (bench/Interleave.h), and after timing both draw the
// sprite once onto the same opaque picture and the largest channel difference is printed.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Interleave.h"
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

void Compare(const char* kind, bool allPartial, const bench::Options& options) {
  Vesk::MemoryImage sprite, dest;
  auto sp = Sprite(allPartial);
  auto bg = Background();
  sprite.SetBits(sp.data(), kSprite, kSprite);
  dest.SetBits(bg.data(), kDestW, kDestH);
  auto pre = sp;
  for (auto& p : pre) {
    uint32_t a = p >> 24;
    auto pm = [&](int sh) { return ((((p >> sh) & 255) * a + 127) / 255) << sh; };
    p = (a << 24) | pm(16) | pm(8) | pm(0);
  }
  auto theirs = Background();
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, pre.data(), kSprite * 4);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kDestW, kDestH, theirs.data(), kDestW * 4);
  auto ours = [&](int i) {
    auto [x, y] = Position(i);
    dest.Blit(&sprite, x, y, sprite.GetRect(), Color::White, 0);
    benchmark::ClobberMemory();
  };
  auto reference = [&](int i) {
    auto [x, y] = Position(i);
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, x, y, kSprite, kSprite);
    benchmark::ClobberMemory();
  };
  const bench::Comparison c = bench::Compare(ours, reference, double(kSprite) * kSprite, options);
  dest.SetBits(bg.data(), kDestW, kDestH);
  theirs = bg;
  ours(0);
  reference(0);
  const uint32_t* a = dest.GetBits();
  int diff = 0;
  for (size_t i = 0; i < theirs.size(); ++i)
    for (int s : {0, 8, 16}) diff = std::max(diff, std::abs(int((a[i] >> s) & 255) - int((theirs[i] >> s) & 255)));
  std::printf("alpha blit %-8s memory image %8.1f Mpix/s, pixman %8.1f Mpix/s, ratio %.2f, max diff %d\n", kind, c.ours,
              c.reference, c.ratio, diff);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const bench::Options options = bench::Options::Parse(argc, argv);
  Compare("soft", false, options);
  Compare("partial", true, options);
  return 0;
}
