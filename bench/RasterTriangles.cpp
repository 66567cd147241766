// The triangle rasteriser against pixman on 1024 x 768 destinations of each pixel format: a
// 256 x 256 sprite with soft alpha edges rotated 30 degrees and scaled 1.7, nearest and bilinear;
// a full-screen identity copy against memcpy; 16 x 16 quads per second; the bilinear sprite faded
// to half by the drawing colour against pixman with a solid half mask; 2,000 vertex-coloured
// 16 x 16 textured quads against SDL's software renderer. Rates are in pixels of the drawn sprite
// (its area), so both sides are measured on the same work.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "raster/ImageTriangles.h"
#include "raster/TriangleRaster.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768, kSprite = 256;
constexpr double kAngle = 30.0 * 3.14159265358979323846 / 180.0, kScale = 1.7;

class Texture : public TriangleTexture {
 public:
  Texture(int w, int h) : width(w), height(h), pixels(size_t(w * h) + 1, 0) {}
  void CommitBits() override {}
  uint32_t* GetBits() override { return pixels.data(); }
  int32_t TextureWidth() const override { return width; }
  int32_t TextureHeight() const override { return height; }
  bool TextureHasTransparency() const override { return hasTransparency; }
  bool TextureHasAlpha() const override { return hasAlpha; }
  int width, height;
  std::vector<uint32_t> pixels;
  bool hasTransparency = false, hasAlpha = false;
};

// Opaque in the middle, alpha falling to 0 over the outer 24 texels.
Texture& Sprite() {
  static Texture t = [] {
    Texture s(kSprite, kSprite);
    for (int y = 0; y < kSprite; ++y)
      for (int x = 0; x < kSprite; ++x) {
        const int edge = std::min(std::min(x, y), std::min(kSprite - 1 - x, kSprite - 1 - y));
        const uint32_t a = edge >= 24 ? 255 : uint32_t(edge * 255 / 24);
        const uint32_t rgb = (uint32_t(x) << 16) | (uint32_t(y) << 8) | uint32_t((x ^ y) & 0xFF);
        s.pixels[size_t(y * kSprite + x)] = (a << 24) | rgb;
      }
    s.hasAlpha = s.hasTransparency = true;
    return s;
  }();
  return t;
}

// The sprite's premultiplied copy for pixman.
std::vector<uint32_t>& PremultipliedSprite() {
  static std::vector<uint32_t> p = [] {
    std::vector<uint32_t> out(size_t(kSprite * kSprite));
    for (size_t i = 0; i < out.size(); ++i) {
      const uint32_t t = Sprite().pixels[i], a = t >> 24;
      auto c = [&](int s) { return (((t >> s) & 0xFF) * a / 255) << s; };
      out[i] = (a << 24) | c(16) | c(8) | c(0);
    }
    return out;
  }();
  return p;
}

const int32_t kFormats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
const char* const kFormatNames[4] = {"8888", "888", "565", "555"};
const pixman_format_code_t kPixmanFormats[4] = {PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8, PIXMAN_r5g6b5, PIXMAN_x1r5g5b5};
int BytesPerPixel(int f) { return f >= 2 ? 2 : 4; }

struct Destination {
  explicit Destination(int f) : format(f), pitch(kWidth * BytesPerPixel(f)), bytes(size_t(pitch) * kHeight, 0x40) {}
  int format;
  int pitch;
  std::vector<uint8_t> bytes;
};

// Corners of a size x size source square, rotated and scaled about its centre, placed at (cx, cy).
void Corners(double size, double cx, double cy, float xs[4], float ys[4]) {
  const double c = std::cos(kAngle) * kScale, s = std::sin(kAngle) * kScale;
  const double sx[4] = {0, size, 0, size}, sy[4] = {0, 0, size, size};
  for (int i = 0; i < 4; ++i) {
    const double x = sx[i] - size / 2, y = sy[i] - size / 2;
    xs[i] = float(cx + c * x - s * y);
    ys[i] = float(cy + s * x + c * y);
  }
}

void SetPixelRate(benchmark::State& state, double pixelsPerIteration) {
  state.counters["Mpix/s"] =
      benchmark::Counter(pixelsPerIteration * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

const double kSpriteArea = double(kSprite) * kSprite * kScale * kScale;

void RasterSprite(benchmark::State& state) {
  const int f = int(state.range(0));
  const bool bilinear = state.range(1) != 0;
  Destination d(f);
  float xs[4], ys[4];
  Corners(kSprite, kWidth / 2.0, kHeight / 2.0, xs, ys);
  const Rect clip(0, 0, kWidth, kHeight);
  for (auto _ : state) {
    DrawMatrixQuad(xs, ys, 0, 0, kSprite, kSprite, &Sprite(), &Color::White, 0, &clip, d.bytes.data(),
                   uint32_t(d.pitch), kFormats[f], bilinear);
    benchmark::ClobberMemory();
  }
  SetPixelRate(state, kSpriteArea);
}

// pixman: dst = src OVER dst through the inverse of the same transform, over the sprite's
// bounding box.
void PixmanSprite(benchmark::State& state, int spriteSize, double cx, double cy, int count,
                  pixman_image_t* mask = nullptr) {
  const int f = int(state.range(0));
  const bool bilinear = state.range(1) != 0;
  Destination d(f);
  pixman_image_t* dst = pixman_image_create_bits(kPixmanFormats[f], kWidth, kHeight,
                                                 reinterpret_cast<uint32_t*>(d.bytes.data()), d.pitch);
  std::vector<uint32_t> src(PremultipliedSprite());
  pixman_image_t* image = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, src.data(), kSprite * 4);
  pixman_f_transform forward, reverse;
  pixman_f_transform_init_identity(&forward);
  pixman_f_transform_init_identity(&reverse);
  pixman_f_transform_translate(&forward, &reverse, -spriteSize / 2.0, -spriteSize / 2.0);
  pixman_f_transform_scale(&forward, &reverse, kScale, kScale);
  pixman_f_transform_rotate(&forward, &reverse, std::cos(kAngle), std::sin(kAngle));
  pixman_f_transform_translate(&forward, &reverse, cx, cy);
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &reverse);
  pixman_image_set_transform(image, &t);
  pixman_image_set_filter(image, bilinear ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST, nullptr, 0);
  float xs[4], ys[4];
  Corners(spriteSize, cx, cy, xs, ys);
  const int x0 = int(std::floor(*std::min_element(xs, xs + 4))), x1 = int(std::ceil(*std::max_element(xs, xs + 4)));
  const int y0 = int(std::floor(*std::min_element(ys, ys + 4))), y1 = int(std::ceil(*std::max_element(ys, ys + 4)));
  for (auto _ : state) {
    for (int i = 0; i < count; ++i)
      pixman_image_composite32(PIXMAN_OP_OVER, image, mask, dst, x0, y0, 0, 0, x0, y0, x1 - x0, y1 - y0);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(image);
  pixman_image_unref(dst);
  SetPixelRate(state, double(spriteSize) * spriteSize * kScale * kScale * count);
}

void PixmanSpriteFull(benchmark::State& state) { PixmanSprite(state, kSprite, kWidth / 2.0, kHeight / 2.0, 1); }

// The sprite faded to half (global alpha 128), bilinear; pixman composites through a solid mask
// of alpha 128.
const Color kHalf(255, 255, 255, 128);
void RasterFadedSprite(benchmark::State& state) {
  const int f = int(state.range(0));
  Destination d(f);
  float xs[4], ys[4];
  Corners(kSprite, kWidth / 2.0, kHeight / 2.0, xs, ys);
  const Rect clip(0, 0, kWidth, kHeight);
  for (auto _ : state) {
    DrawMatrixQuad(xs, ys, 0, 0, kSprite, kSprite, &Sprite(), &kHalf, 0, &clip, d.bytes.data(), uint32_t(d.pitch),
                   kFormats[f], true);
    benchmark::ClobberMemory();
  }
  SetPixelRate(state, kSpriteArea);
}

void PixmanFadedSprite(benchmark::State& state) {
  const pixman_color_t half = {0x8080, 0x8080, 0x8080, 0x8080};
  pixman_image_t* mask = pixman_image_create_solid_fill(&half);
  PixmanSprite(state, kSprite, kWidth / 2.0, kHeight / 2.0, 1, mask);
  pixman_image_unref(mask);
}

// An opaque full-screen texture drawn through the identity matrix: a copy.
void RasterCopy(benchmark::State& state) {
  const int f = int(state.range(0));
  static Texture screen = [] {
    Texture s(kWidth, kHeight);
    for (size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    return s;
  }();
  Destination d(f);
  const float xs[4] = {0, kWidth, 0, kWidth}, ys[4] = {0, 0, kHeight, kHeight};
  const Rect clip(0, 0, kWidth, kHeight);
  for (auto _ : state) {
    DrawMatrixQuad(xs, ys, 0, 0, kWidth, kHeight, &screen, &Color::White, 0, &clip, d.bytes.data(),
                   uint32_t(d.pitch), kFormats[f], false);
    benchmark::ClobberMemory();
  }
  SetPixelRate(state, double(kWidth) * kHeight);
}

void MemcpyCopy(benchmark::State& state) {
  const int f = int(state.range(0));
  Destination d(f);
  std::vector<uint8_t> source(d.bytes.size(), 0x7F);
  for (auto _ : state) {
    std::memcpy(d.bytes.data(), source.data(), source.size());
    benchmark::ClobberMemory();
  }
  SetPixelRate(state, double(kWidth) * kHeight);
}

// 16 x 16 sprites (the corner of the sprite texture) rotated and scaled, many per iteration.
constexpr int kSmall = 16, kSmallCount = 1000;
void RasterSmallQuads(benchmark::State& state) {
  const int f = int(state.range(0));
  const bool bilinear = state.range(1) != 0;
  Destination d(f);
  const Rect clip(0, 0, kWidth, kHeight);
  std::vector<std::array<float, 8>> quads;
  for (int i = 0; i < kSmallCount; ++i) {
    float xs[4], ys[4];
    Corners(kSmall, 20 + (i * 37) % (kWidth - 40), 20 + (i * 53) % (kHeight - 40), xs, ys);
    quads.push_back({xs[0], xs[1], xs[2], xs[3], ys[0], ys[1], ys[2], ys[3]});
  }
  for (auto _ : state) {
    for (const auto& q : quads)
      DrawMatrixQuad(q.data(), q.data() + 4, 120, 120, kSmall, kSmall, &Sprite(), &Color::White, 0, &clip,
                     d.bytes.data(), uint32_t(d.pitch), kFormats[f], bilinear);
    benchmark::ClobberMemory();
  }
  SetPixelRate(state, double(kSmall) * kSmall * kScale * kScale * kSmallCount);
  state.counters["quads/s"] = benchmark::Counter(double(kSmallCount) * double(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}

void PixmanSmallQuads(benchmark::State& state) {
  PixmanSprite(state, kSmall, kWidth / 2.0, kHeight / 2.0, kSmallCount);
  state.counters["quads/s"] = benchmark::Counter(double(kSmallCount) * double(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}

// 2,000 textured 16 x 16 quads (the sprite's alpha-edged corner), rotated and scaled, each with
// four different vertex colours, into 32-bit ARGB.
constexpr int kColoredCount = 2000;
const uint32_t kCornerColors[4] = {0xFFFF8040, 0xFF40FF80, 0xFF8040FF, 0xC0FFFFFF};

Texture& SmallSprite() {
  static Texture t = [] {
    Texture s(kSmall, kSmall);
    for (int y = 0; y < kSmall; ++y)
      for (int x = 0; x < kSmall; ++x) s.pixels[size_t(y * kSmall + x)] = Sprite().pixels[size_t(y * kSprite + x)];
    s.hasAlpha = s.hasTransparency = true;
    return s;
  }();
  return t;
}

std::vector<std::array<float, 8>> ColoredQuadCorners() {
  std::vector<std::array<float, 8>> quads;
  for (int i = 0; i < kColoredCount; ++i) {
    float xs[4], ys[4];
    Corners(kSmall, 20 + (i * 37) % (kWidth - 40), 20 + (i * 53) % (kHeight - 40), xs, ys);
    quads.push_back({xs[0], xs[1], xs[2], xs[3], ys[0], ys[1], ys[2], ys[3]});
  }
  return quads;
}

const double kColoredArea = double(kSmall) * kSmall * kScale * kScale * kColoredCount;

void RasterColoredQuads(benchmark::State& state) {
  Destination d(0);
  const Rect clip(0, 0, kWidth, kHeight);
  const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
  std::vector<std::array<TriVertex, 4>> strips;
  for (const auto& q : ColoredQuadCorners()) {
    std::array<TriVertex, 4> strip;
    for (int k = 0; k < 4; ++k) strip[size_t(k)] = TriVertex{q[size_t(k)], q[size_t(k + 4)], us[k], vs[k], kCornerColors[k]};
    strips.push_back(strip);
  }
  for (auto _ : state) {
    for (const auto& strip : strips)
      DrawTriangleStrip(strip.data(), 4, &SmallSprite(), &Color::White, 0, &clip, d.bytes.data(), uint32_t(d.pitch),
                        kPixelFormat8888, false, true);
    benchmark::ClobberMemory();
  }
  SetPixelRate(state, kColoredArea);
}

// The same quads through SDL_RenderGeometry on a software renderer over a 32-bit ARGB surface,
// flushed inside the timed loop.
void SdlColoredQuads(benchmark::State& state) {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
  SDL_Texture* texture =
      renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSmall, kSmall)
               : nullptr;
  if (!texture) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_UpdateTexture(texture, nullptr, SmallSprite().pixels.data(), kSmall * 4);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  std::vector<SDL_Vertex> vertices;
  std::vector<int> indices;
  const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
  for (const auto& q : ColoredQuadCorners()) {
    const int base = int(vertices.size());
    for (int k = 0; k < 4; ++k) {
      const uint32_t c = kCornerColors[k];
      vertices.push_back(SDL_Vertex{SDL_FPoint{q[size_t(k)], q[size_t(k + 4)]},
                                    SDL_Color{Uint8(c >> 16), Uint8(c >> 8), Uint8(c), Uint8(c >> 24)},
                                    SDL_FPoint{us[k], vs[k]}});
    }
    for (int k : {0, 1, 2, 1, 3, 2}) indices.push_back(base + k);
  }
  for (auto _ : state) {
    SDL_RenderGeometry(renderer, texture, vertices.data(), int(vertices.size()), indices.data(), int(indices.size()));
    SDL_RenderFlush(renderer);
    benchmark::ClobberMemory();
  }
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
  SetPixelRate(state, kColoredArea);
}

void Args(benchmark::internal::Benchmark* b) {
  for (int f = 0; f < 4; ++f)
    for (int bilinear = 0; bilinear < 2; ++bilinear) b->Args({f, bilinear});
}
void FormatArgs(benchmark::internal::Benchmark* b) {
  for (int f = 0; f < 4; ++f) b->Args({f});
}

BENCHMARK(RasterSprite)->Apply(Args)->Repetitions(5);
BENCHMARK(PixmanSpriteFull)->Apply(Args)->Repetitions(5);
BENCHMARK(RasterCopy)->Apply(FormatArgs)->Repetitions(5);
BENCHMARK(MemcpyCopy)->Apply(FormatArgs)->Repetitions(5);
BENCHMARK(RasterSmallQuads)->Apply(Args)->Repetitions(5);
BENCHMARK(PixmanSmallQuads)->Apply(Args)->Repetitions(5);
BENCHMARK(RasterFadedSprite)->Apply(FormatArgs)->Repetitions(5);
BENCHMARK(PixmanFadedSprite)->Apply(FormatArgs)->Repetitions(5);
BENCHMARK(RasterColoredQuads)->Repetitions(5);
BENCHMARK(SdlColoredQuads)->Repetitions(5);

// Collects each run's pixel rate so that the ratios can be printed after the table.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // Best of the repetitions: the machine may be busy with other work.
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      auto it = r.counters.find("Mpix/s");
      if (it == r.counters.end()) continue;
      const std::string key = r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
      double& best = rates[key];
      best = std::max(best, double(it->second.value));
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  // Interleave the repetitions of all cases, so that a busy spell of the machine does not fall on
  // one side of a comparison only.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-34s %12s %12s %8s\n", "case", "raster Mpx/s", "ref Mpx/s", "ratio");
  auto line = [&](const std::string& label, const std::string& ours, const std::string& ref) {
    auto a = reporter.rates.find(ours), b = reporter.rates.find(ref);
    if (a == reporter.rates.end() || b == reporter.rates.end()) return;
    std::printf("%-34s %12.1f %12.1f %8.2f\n", label.c_str(), a->second, b->second, a->second / b->second);
  };
  // Keys and labels through snprintf: g++ 12 at -O3 warns falsely on prepending to a std::string.
  auto text = [](const char* format, auto... values) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return std::string(buffer);
  };
  for (int f = 0; f < 4; ++f)
    for (int bl = 0; bl < 2; ++bl) {
      const char* filter = bl ? "bilinear" : "nearest";
      line(text("sprite %s %s / pixman", kFormatNames[f], filter), text("RasterSprite/%d/%d", f, bl),
           text("PixmanSpriteFull/%d/%d", f, bl));
      line(text("16x16 quads %s %s / pixman", kFormatNames[f], filter), text("RasterSmallQuads/%d/%d", f, bl),
           text("PixmanSmallQuads/%d/%d", f, bl));
    }
  for (int f = 0; f < 4; ++f)
    line(text("faded sprite %s bilinear / pixman", kFormatNames[f]), text("RasterFadedSprite/%d", f),
         text("PixmanFadedSprite/%d", f));
  line("2000 coloured quads 8888 / SDL", "RasterColoredQuads", "SdlColoredQuads");
  for (int f = 0; f < 4; ++f)
    line(text("identity copy %s / memcpy", kFormatNames[f]), text("RasterCopy/%d", f), text("MemcpyCopy/%d", f));
  benchmark::Shutdown();
  return 0;
}
