// The surface image's own loops on 1024 x 768 surfaces at 32 and 16 (565) bits against pixman's
// matching composite on the same pixels and, for the sprite, SDL's surface blit, in one run:
// Mpixels/s of each, their ratio (the median of interleaved turns, bench/Interleave.h), and the
// largest channel difference of the two pictures as a check that both did the same work. Differences are in 8-bit units, so one step of a 5- or
// 6-bit channel of 565 reads as 8 or 4; what remains is rounding: our 16-bit blends weigh the
// destination in 32nds, pixman in 255ths, and the rotation's bilinear weights are ours in 16
// bits against pixman's 7, with our four weights summing to a little under one (the destination
// keeps up to 4/256 of itself), which together make the few units the rotation shows. pixman's
// rotation is clipped to the pixels ours covers, so both draw the same pixels.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <random>
#include <vector>

#include "Interleave.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "platform/video/Video.h"
#include "shell/VeskAppBase.h"

namespace {

constexpr int kW = 1024, kH = 768, kS = 256;
using Platform::Video::PixelFormat;

// 40 % transparent, 40 % opaque and 20 % partial pixels, in horizontal stretches.
std::vector<uint32_t> SpritePixels(bool additive) {
  std::vector<uint32_t> px(kS * kS);
  std::mt19937 rng(11);
  for (int y = 0; y < kS; ++y)
    for (int x = 0; x < kS; ++x) {
      int band = ((x / 16) + y * 3) % 5;
      uint32_t a = band < 2 ? 0 : band < 4 ? 255 : 30 + (x * 7 + y) % 200;
      uint32_t rgb = rng() & 0xFFFFFF;
      if (additive && a == 0) rgb = 0;
      px[size_t(y) * kS + x] = (a << 24) | rgb;
    }
  return px;
}

struct Display {
  Vesk::VeskAppBase app;
  std::unique_ptr<Vesk::DDInterface> dd;
  explicit Display(int depth) {
    app.mIs3D = false;  // the software loops are what this measures
    app.mWidth = kW;
    app.mHeight = kH;
    dd = std::make_unique<Vesk::DDInterface>(&app, [depth](Platform::Window*, int32_t) {
      return std::make_unique<Platform::Video::HeadlessPresenter>(1920, 1080, PixelFormat::FromDepth(depth), 60);
    });
    dd->Init(nullptr, true);
  }
};

// Premultiplied copy for pixman.
std::vector<uint32_t> Premultiplied(const std::vector<uint32_t>& px) {
  std::vector<uint32_t> out(px.size());
  for (size_t i = 0; i < px.size(); ++i) {
    uint32_t a = px[i] >> 24;
    auto ch = [&](int s) { return (((px[i] >> s) & 255) * a + 127) / 255 << s; };
    out[i] = (a << 24) | ch(16) | ch(8) | ch(0);
  }
  return out;
}

// The largest channel difference, in 8-bit units, between our picture and pixman's over the
// w x h pixels at (x0, y0), or only over those `counted` accepts.
int MaxDiff(Vesk::DDImage& ours, const void* theirs, int pitch, const PixelFormat& f, int x0, int y0, int w, int h,
            const std::function<bool(int, int)>& counted = nullptr) {
  int worst = 0;
  Platform::Video::Surface* s = ours.GetSurface();
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      if (counted && !counted(x, y)) continue;
      uint32_t a = Platform::Video::ToArgb(s->PixelAt(x, y), f);
      const uint8_t* row = static_cast<const uint8_t*>(theirs) + size_t(y) * size_t(pitch);
      uint32_t raw = f.mBitCount == 32 ? reinterpret_cast<const uint32_t*>(row)[x] : reinterpret_cast<const uint16_t*>(row)[x];
      uint32_t b = Platform::Video::ToArgb(raw, f);
      for (int sh : {0, 8, 16}) worst = std::max(worst, std::abs(int((a >> sh) & 255) - int((b >> sh) & 255)));
    }
  return worst;
}

void Report(const char* depth, const char* name, const bench::Comparison& c, const char* refName, int diff) {
  std::printf("%-5s %-26s ours %8.1f Mpix/s   %-15s %8.1f Mpix/s   ratio %5.2f   max diff %d\n", depth, name, c.ours,
              refName, c.reference, c.ratio, diff);
  std::fflush(stdout);
}

void Run(int depth, const bench::Options& options) {
  Display display(depth);
  const char* tag = depth == 32 ? "32" : "565";
  Vesk::DDImage* screen = display.dd->GetScreenImage();
  const PixelFormat f = screen->GetSurface()->Format();
  const pixman_format_code_t pf = depth == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
  std::vector<uint32_t> back(size_t(kW) * kH);
  std::mt19937 rng(3);
  for (auto& p : back) p = 0xFF000000u | (rng() & 0x7F7F7F);
  auto background = std::make_unique<Vesk::MemoryImage>();
  background->SetBits(back.data(), kW, kH);
  // The reference surface holds the same starting picture as the screen.
  auto resetScreen = [&] { screen->Blit(background.get(), 0, 0, Rect(0, 0, kW, kH), Color::White, 0); };
  resetScreen();
  const int pitch = screen->GetSurface()->Pitch();
  std::vector<uint32_t> refBits(size_t(pitch / 4) * kH + 1);
  auto resetRef = [&] { std::memcpy(refBits.data(), screen->GetSurface()->Pixels(), size_t(pitch) * kH); };
  resetRef();
  pixman_image_t* ref = pixman_image_create_bits(pf, kW, kH, refBits.data(), pitch);
  auto pos = [](int i) { return std::pair<int, int>{i * 97 % (kW - kS * 3 / 2), i * 61 % (kH - kS * 3 / 2)}; };

  // Opaque copy of the whole picture against memcpy of as many bytes.
  std::vector<uint8_t> copyTo(size_t(pitch) * kH), copyFrom(size_t(pitch) * kH, 0x5A);
  // The copy's check: every pixel is the picture's, in the screen's format.
  std::vector<uint32_t> backInFormat(size_t(pitch / 4) * kH + 1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t p = Platform::Video::FromArgb(back[size_t(y) * kW + size_t(x)], f);
      uint8_t* at = reinterpret_cast<uint8_t*>(backInFormat.data()) + size_t(y) * size_t(pitch);
      if (depth == 32)
        reinterpret_cast<uint32_t*>(at)[x] = p;
      else
        reinterpret_cast<uint16_t*>(at)[x] = uint16_t(p);
    }
  if (options.Wants(std::string(tag) + " opaque copy"))
    Report(tag, "opaque copy",
         bench::Compare([&](int) { screen->Blit(background.get(), 0, 0, Rect(0, 0, kW, kH), Color::White, 0); },
                        [&](int) { std::memcpy(copyTo.data(), copyFrom.data(), copyTo.size()); }, double(kW) * kH,
                        options),
         "memcpy", MaxDiff(*screen, backInFormat.data(), pitch, f, 0, 0, kW, kH));

  std::vector<uint32_t> sp = SpritePixels(false), spAdd = SpritePixels(true);
  auto sprite = std::make_unique<Vesk::MemoryImage>();
  sprite->SetBits(sp.data(), kS, kS);
  auto additive = std::make_unique<Vesk::MemoryImage>();
  additive->SetBits(spAdd.data(), kS, kS);
  std::vector<uint32_t> pre = Premultiplied(sp), preAdd = Premultiplied(spAdd);
  pixman_image_t* psprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, kS, kS, pre.data(), kS * 4);
  pixman_image_t* padd = pixman_image_create_bits(PIXMAN_a8r8g8b8, kS, kS, preAdd.data(), kS * 4);

  struct Case {
    const char* name;
    std::function<void(int)> ours, theirs;
    const char* refName;
  };
  // A colourised blit scales the source's colour by the premultiplied colour k = channel * alpha
  // / 255 and the destination by 1 - source alpha * colour alpha. No single pixman operator
  // scales the two by different factors (a component-alpha OVER takes the destination's share
  // from the same per-channel mask), so pixman does it in two passes over the same pixels:
  // OUT_REVERSE through the colour's alpha, then ADD through the colour as a component mask.
  const Color colour(200, 150, 100, 128);
  auto sixteen = [&](int channel) { return uint16_t(channel * colour.mAlpha / 255 * 257); };
  pixman_color_t alphaOnly = {0, 0, 0, uint16_t(colour.mAlpha * 257)};
  pixman_image_t* alphaMask = pixman_image_create_solid_fill(&alphaOnly);
  pixman_color_t tint = {sixteen(colour.mRed), sixteen(colour.mGreen), sixteen(colour.mBlue), uint16_t(colour.mAlpha * 257)};
  pixman_image_t* tintMask = pixman_image_create_solid_fill(&tint);
  pixman_image_set_component_alpha(tintMask, 1);
  std::vector<Case> cases = {
      {"sprite", [&](int i) { auto [x, y] = pos(i); screen->Blit(sprite.get(), x, y, Rect(0, 0, kS, kS), Color::White, 0); },
       [&](int i) { auto [x, y] = pos(i); pixman_image_composite32(PIXMAN_OP_OVER, psprite, nullptr, ref, 0, 0, 0, 0, x, y, kS, kS); },
       "pixman OVER"},
      {"sprite colourised", [&](int i) { auto [x, y] = pos(i); screen->Blit(sprite.get(), x, y, Rect(0, 0, kS, kS), colour, 0); },
       [&](int i) {
         auto [x, y] = pos(i);
         pixman_image_composite32(PIXMAN_OP_OUT_REVERSE, psprite, alphaMask, ref, 0, 0, 0, 0, x, y, kS, kS);
         pixman_image_composite32(PIXMAN_OP_ADD, psprite, tintMask, ref, 0, 0, 0, 0, x, y, kS, kS);
       },
       "pixman OUTR+ADD"},
      {"additive particles", [&](int i) { auto [x, y] = pos(i); screen->Blit(additive.get(), x, y, Rect(0, 0, kS, kS), Color::White, 1); },
       [&](int i) { auto [x, y] = pos(i); pixman_image_composite32(PIXMAN_OP_ADD, padd, nullptr, ref, 0, 0, 0, 0, x, y, kS, kS); },
       "pixman ADD"},
  };
  for (Case& c : cases) {
    if (!options.Wants(std::string(tag) + " " + c.name)) continue;
    resetScreen();
    resetRef();
    c.ours(0);
    c.theirs(0);
    auto [x, y] = pos(0);
    int diff = MaxDiff(*screen, refBits.data(), pitch, f, x, y, kS, kS);
    Report(tag, c.name, bench::Compare(c.ours, c.theirs, double(kS) * kS, options), c.refName, diff);
  }

  // SDL's surface blit of the sprite (blended, not premultiplied).
  if (options.Wants(std::string(tag) + " sprite")) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(sp.data(), kS, kS, 32, kS * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* d = SDL_CreateRGBSurfaceWithFormatFrom(refBits.data(), kW, kH, depth, pitch,
                                                        depth == 32 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
    auto oursOp = [&](int i) { auto [x, y] = pos(i); screen->Blit(sprite.get(), x, y, Rect(0, 0, kS, kS), Color::White, 0); };
    auto sdlOp = [&](int i) {
      auto [x, y] = pos(i);
      SDL_Rect r{x, y, kS, kS};
      SDL_BlitSurface(s, nullptr, d, &r);
    };
    // Both drawn once onto the same picture: SDL blends unpremultiplied colours (and, at 16 bits,
    // narrows its own way), so the check shows a few units of rounding.
    resetScreen();
    resetRef();
    oursOp(0);
    sdlOp(0);
    auto [x, y] = pos(0);
    const int diff = MaxDiff(*screen, refBits.data(), pitch, f, x, y, kS, kS);
    Report(tag, "sprite", bench::Compare(oursOp, sdlOp, double(kS) * kS, options), "SDL_BlitSurf", diff);
    SDL_FreeSurface(s);
    SDL_FreeSurface(d);
  }

  // 1.5x nearest stretch and a 30 degree bilinear rotation of an opaque picture.
  std::vector<uint32_t> opaque(kS * kS);
  for (auto& p : opaque) p = 0xFF000000u | (rng() & 0xFFFFFF);
  auto photo = std::make_unique<Vesk::MemoryImage>();
  photo->SetBits(opaque.data(), kS, kS);
  pixman_image_t* pphoto = pixman_image_create_bits(PIXMAN_a8r8g8b8, kS, kS, opaque.data(), kS * 4);
  const int big = kS * 3 / 2;
  if (options.Wants(std::string(tag) + " stretch")) {
    resetScreen();
    resetRef();
    // Our stretch samples source column (i * du) >> 16 for destination column i, du being the
    // 16.16 step cut towards zero, with no half-pixel offset. pixman maps the destination
    // pixel's centre i + 1/2 through the transform and takes the texel at that point less one
    // fixed-point unit; scaling by the same du and moving by 1 - du / 2 (du is even) lands on
    // exactly our texel.
    const pixman_fixed_t du = pixman_fixed_t(kS * 65536.0 / big);
    pixman_transform_t tr;
    pixman_transform_init_scale(&tr, du, du);
    pixman_transform_translate(&tr, nullptr, 1 - du / 2, 1 - du / 2);
    pixman_image_set_transform(pphoto, &tr);
    pixman_image_set_filter(pphoto, PIXMAN_FILTER_NEAREST, nullptr, 0);
    auto oursOp = [&](int i) { auto [x, y] = pos(i); screen->BlitStretched(photo.get(), Rect(x, y, big, big), Rect(0, 0, kS, kS), Rect(0, 0, kW, kH), Color::White, 0, true); };
    auto theirsOp = [&](int i) { auto [x, y] = pos(i); pixman_image_composite32(PIXMAN_OP_SRC, pphoto, nullptr, ref, 0, 0, 0, 0, x, y, big, big); };
    oursOp(0);
    theirsOp(0);
    int diff = MaxDiff(*screen, refBits.data(), pitch, f, pos(0).first, pos(0).second, big, big);
    Report(tag, "stretch 1.5x nearest", bench::Compare(oursOp, theirsOp, double(big) * big, options), "pixman SRC", diff);
  }
  if (options.Wants(std::string(tag) + " rotate")) {
    resetScreen();
    resetRef();
    const double angle = M_PI / 6;
    // Both map destination to source. Ours takes destination pixel (X, Y), corner-based, to
    //   u = c + (X - x - c) cos - (Y - y - c) sin,  v = c + (X - x - c) sin + (Y - y - c) cos
    // (x, y the picture's place, c its centre) and weighs the texels about the integer points
    // floor(u) and floor(u) + 1. pixman maps the pixel's centre and weighs the texels about their
    // centres, i.e. at the mapped point less 1/2: with q = X - place + 1/2 the transform is
    // q -> R (q - 1/2 - (x - place) - c) + c + 1/2.
    const double c = kS / 2.0, shift = (big - kS) / 2;
    pixman_transform_t tr;
    pixman_transform_init_translate(&tr, pixman_double_to_fixed(-0.5 - shift - c), pixman_double_to_fixed(-0.5 - shift - c));
    pixman_transform_rotate(&tr, nullptr, pixman_double_to_fixed(std::cos(angle)), pixman_double_to_fixed(std::sin(angle)));
    pixman_transform_translate(&tr, nullptr, pixman_double_to_fixed(c + 0.5), pixman_double_to_fixed(c + 0.5));
    pixman_image_set_transform(pphoto, &tr);
    pixman_image_set_filter(pphoto, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    auto oursOp = [&](int i) {
      auto [x, y] = pos(i);
      screen->BlitRotated(photo.get(), float(x + shift), float(y + shift), Rect(0, 0, kS, kS), Rect(0, 0, kW, kH), Color::White, 0, angle, kS / 2.0f, kS / 2.0f);
    };
    // pixman composites the whole square around the picture unless told otherwise: it is clipped
    // to the rows the rotation covers (found by drawing a white picture and seeing what changed),
    // moved along with the picture, so both draw the same pixels.
    pixman_region32_t cover;
    {
      std::vector<uint32_t> white(size_t(kS) * kS, 0xFFFFFFFFu);
      auto whiteImage = std::make_unique<Vesk::MemoryImage>();
      whiteImage->SetBits(white.data(), kS, kS);
      auto [x0, y0] = pos(0);
      resetScreen();  // no pixel of the background is near white, so every drawn pixel changes
      std::vector<uint32_t> before;
      for (int y = y0; y < y0 + big; ++y)
        for (int x = x0; x < x0 + big; ++x) before.push_back(screen->GetSurface()->PixelAt(x, y));
      screen->BlitRotated(whiteImage.get(), float(x0 + shift), float(y0 + shift), Rect(0, 0, kS, kS), Rect(0, 0, kW, kH),
                          Color::White, 0, angle, kS / 2.0f, kS / 2.0f);
      std::vector<pixman_box32_t> rows;
      for (int y = y0; y < y0 + big; ++y) {
        int first = -1, last = -1;
        for (int x = x0; x < x0 + big; ++x)
          if (screen->GetSurface()->PixelAt(x, y) != before[size_t(y - y0) * big + size_t(x - x0)]) {
            if (first < 0) first = x;
            last = x + 1;
          }
        if (first >= 0) rows.push_back(pixman_box32_t{first, y, last, y + 1});
      }
      pixman_region32_init_rects(&cover, rows.data(), int(rows.size()));
      resetScreen();
    }
    std::pair<int, int> coverAt = pos(0);
    auto theirsOp = [&](int i) {
      auto [x, y] = pos(i);
      pixman_region32_translate(&cover, x - coverAt.first, y - coverAt.second);
      coverAt = {x, y};
      pixman_image_set_clip_region32(ref, &cover);
      pixman_image_composite32(PIXMAN_OP_OVER, pphoto, nullptr, ref, 0, 0, 0, 0, x, y, big, big);
    };
    oursOp(0);
    theirsOp(0);
    // At the picture's border the two differ by design (we pair the last texel with itself and
    // draw nothing beyond, pixman blends with transparent), so only pixels whose four texels
    // lie inside are compared.
    auto inside = [&](int X, int Y) {
      const double px = X - pos(0).first - shift - c, py = Y - pos(0).second - shift - c;
      const double u = c + px * std::cos(angle) - py * std::sin(angle), v = c + px * std::sin(angle) + py * std::cos(angle);
      return u >= 0.01 && v >= 0.01 && u <= kS - 1.01 && v <= kS - 1.01;
    };
    int diff = MaxDiff(*screen, refBits.data(), pitch, f, pos(0).first, pos(0).second, big, big, inside);
    Report(tag, "rotate 30 bilinear", bench::Compare(oursOp, theirsOp, double(kS) * kS, options), "pixman OVER", diff);
    pixman_image_set_clip_region32(ref, nullptr);
    pixman_region32_fini(&cover);
  }
  pixman_image_unref(pphoto);
  pixman_image_unref(alphaMask);
  pixman_image_unref(tintMask);
  pixman_image_unref(psprite);
  pixman_image_unref(padd);
  pixman_image_unref(ref);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  const bench::Options options = bench::Options::Parse(argc, argv);
  for (int depth : {32, 16}) Run(depth, options);
  return 0;
}
