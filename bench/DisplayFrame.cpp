// One game-like frame at 1024 x 768 (an opaque background, 100 sprites with soft edges, 20
// additive particles, a rotated picture and lines) drawn through the drawing context on a display
// in software and on one drawing through the 3D layer, at 32 bits and at 565, in one run: the
// milliseconds per frame of each route, drawing alone and with the frame handed to the test
// presenter (a full-frame copy both routes share, which would blur their ratio), the ratio
// 3D / software of the drawing alone (at most 1.5 is the aim), and the share of pixels within 8
// of each other per channel as a check that both drew the same frame
// (rotated and filtered edges differ by design: the 3D device samples texel centres, the software
// rotation weighs its own way).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "Interleave.h"
#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"
#include "platform/video/Video.h"
#include "shell/VeskAppBase.h"

namespace {

constexpr int kW = 1024, kH = 768;
using Platform::Video::PixelFormat;

struct Route {
  Vesk::VeskAppBase app;
  std::unique_ptr<Vesk::DDInterface> dd;
  std::unique_ptr<Vesk::DDImage> background, sprite, particle, picture;

  Route(int depth, bool is3D) {
    app.mIs3D = is3D;
    app.mWidth = kW;
    app.mHeight = kH;
    dd = std::make_unique<Vesk::DDInterface>(&app, [depth](Platform::Window*, int32_t) {
      return std::make_unique<Platform::Video::HeadlessPresenter>(1920, 1080, PixelFormat::FromDepth(depth), 60);
    });
    dd->Init(nullptr, true);
    background = Make(kW, kH, [](int x, int y) {
      return 0xFF000000u | uint32_t((x * 255 / kW) << 16) | uint32_t((y * 255 / kH) << 8) | uint32_t((x ^ y) & 255);
    });
    // A round sprite: opaque inside, a soft rim, transparent outside.
    sprite = Make(64, 48, [](int x, int y) {
      const double d = std::hypot((x - 31.5) / 30.0, (y - 23.5) / 22.0);
      const uint32_t a = d < 0.9 ? 255u : d < 1.0 ? uint32_t((1.0 - d) * 2550) : 0u;
      return (a << 24) | 0x00C08040u | uint32_t((x * 4) & 255);
    });
    particle = Make(32, 32, [](int x, int y) {
      const double d = std::hypot(x - 15.5, y - 15.5) / 16.0;
      const uint32_t a = d < 1.0 ? uint32_t((1.0 - d) * 255) : 0u;
      return (a << 24) | 0x00FFC060u;
    });
    picture = Make(128, 96, [](int x, int y) { return 0xFF000000u | uint32_t(x * 2) << 16 | uint32_t(y * 2) << 8 | 0x40u; });
  }

  template <typename Fill>
  std::unique_ptr<Vesk::DDImage> Make(int w, int h, Fill fill) {
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) px[size_t(y) * size_t(w) + size_t(x)] = fill(x, y);
    auto image = dd->CreateImage();
    image->SetBits(px.data(), w, h);
    return image;
  }

  void Frame(bool present) {
    Vesk::Graphics g(dd->GetScreenImage());
    g.DrawImage(background.get(), 0, 0);
    std::mt19937 rng(5);
    for (int i = 0; i < 100; ++i) g.DrawImage(sprite.get(), int(rng() % (kW - 32)) - 16, int(rng() % (kH - 24)) - 12);
    g.SetDrawMode(Vesk::DRAWMODE_ADDITIVE);
    for (int i = 0; i < 20; ++i) g.DrawImage(particle.get(), int(rng() % kW) - 16, int(rng() % kH) - 16);
    g.SetDrawMode(Vesk::DRAWMODE_NORMAL);
    g.DrawImageRotated(picture.get(), 400, 300, 0.6, 64, 48);
    g.SetColor(Color(40, 30, 20, 255));
    for (int i = 0; i < 20; ++i) g.DrawLine(20 + i * 40, 700, 60 + i * 40, 760 - i);
    // The drawing alone ends with the 3D scene closed; presenting copies the frame out.
    if (present)
      dd->Redraw(nullptr);
    else if (dd->mIs3D)
      dd->GetD3D()->Flush();
  }
};

}  // namespace

int main(int argc, char** argv) {
  const bench::Options options = bench::Options::Parse(argc, argv);
  std::printf("%-10s %12s %12s %8s %16s %12s %10s\n", "format", "software ms", "3D ms", "3D/soft",
              "presented: soft", "3D", "within 8");
  for (int depth : {32, 16}) {
    const char* label = depth == 32 ? "8888" : "565";
    if (!options.Wants(label)) continue;
    Route soft(depth, false), hard(depth, true);
    if (!hard.dd->mIs3D) {
      std::printf("%-10s the 3D layer did not start\n", label);
      continue;
    }
    const double pixels = double(kW) * kH;
    const bench::Comparison c =
        bench::Compare([&](int) { hard.Frame(false); }, [&](int) { soft.Frame(false); }, pixels, options);
    const bench::Comparison shown =
        bench::Compare([&](int) { hard.Frame(true); }, [&](int) { soft.Frame(true); }, pixels, options);
    // The same frame on both sides, compared pixel by pixel.
    soft.Frame(true);
    hard.Frame(true);
    uint32_t* a = soft.dd->GetScreenImage()->GetBits();
    uint32_t* b = hard.dd->GetScreenImage()->GetBits();
    int64_t close = 0;
    for (size_t i = 0; i < size_t(kW) * kH; ++i) {
      int d = 0;
      for (int s : {0, 8, 16}) d = std::max(d, std::abs(int((a[i] >> s) & 255) - int((b[i] >> s) & 255)));
      close += d <= 8;
    }
    const double softMs = pixels / c.reference / 1e3, hardMs = pixels / c.ours / 1e3;
    std::printf("%-10s %12.2f %12.2f %8.2f %16.2f %12.2f %9.2f%%\n", label, softMs, hardMs, 1.0 / c.ratio,
                pixels / shown.reference / 1e3, pixels / shown.ours / 1e3, 100.0 * double(close) / pixels);
  }
  return 0;
}
