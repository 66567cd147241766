// The triangle rasteriser against pixman on 1024 x 768 destinations of each pixel format: a
// 256 x 256 sprite with soft alpha edges rotated 30 degrees and scaled 1.7, nearest and bilinear,
// plain and faded to half by the drawing colour (pixman composites through a solid half mask);
// 1,000 16 x 16 quads of the sprite's alpha-edged corner at the same places on both sides; a
// full-screen identity copy against memcpy at 32 bits and against pixman's conversion of the
// same 32-bit picture at 16 bits; 2,000 vertex-coloured 16 x 16 quads against SDL's software
// renderer.
//
// Both sides draw the same pixels: pixman is given a clip region of the rows the rasteriser
// covers, so it does not composite the rest of the rotated sprite's bounding box (where the
// sprite is transparent and its output would not change). A small quad's region is a box per
// row, which pixman composites one by one; where its unclipped call (the quad's bounding box,
// its samples outside the texture transparent) gives the same bytes, pixman is timed that way
// instead ("unclipped" in the note). Rates are in pixels of the drawn sprite (its area). Each
// ratio is the median of interleaved turns (bench/Interleave.h).
//
// After timing, each side draws once onto the same starting picture and the two are compared:
// "texels" is the share of covered pixels where both sides chose the same texel (an opaque
// texture whose texels hold their own coordinates, drawn through the same transform with the
// nearest filter), "diff" the largest channel difference, in 8-bit units, of the real pictures
// over the covered pixels (with the nearest filter, those where the texels agree). The note names where the drawing rules differ by design.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Interleave.h"
#include "raster/ImageTriangles.h"
#include "raster/TriangleRaster.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768, kSprite = 256, kSmall = 16;
constexpr int kSmallCount = 1000, kColoredCount = 2000;
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

// The sprite's alpha-edged top-left corner as a texture of its own.
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

// An opaque texture whose texels hold their own column (red) and row (green).
Texture IndexTexture(int size) {
  Texture s(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) s.pixels[size_t(y * size + x)] = 0xFF000080u | uint32_t(x << 16) | uint32_t(y << 8);
  return s;
}

// pixman's premultiplied copy of a texture.
std::vector<uint32_t> Premultiplied(const Texture& t) {
  std::vector<uint32_t> out(size_t(t.width) * t.height);
  for (size_t i = 0; i < out.size(); ++i) {
    const uint32_t p = t.pixels[i], a = p >> 24;
    auto c = [&](int s) { return ((((p >> s) & 0xFF) * a + 127) / 255) << s; };
    out[i] = (a << 24) | c(16) | c(8) | c(0);
  }
  return out;
}

const int32_t kFormats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
const char* const kFormatNames[4] = {"8888", "888", "565", "555"};
const pixman_format_code_t kPixmanFormats[4] = {PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8, PIXMAN_r5g6b5, PIXMAN_x1r5g5b5};
int BytesPerPixel(int f) { return f >= 2 ? 2 : 4; }

// 0xAARRGGBB of pixel (x, y) of a destination in format f; premultiplied colours of 8888 are
// divided back out, 16-bit fields widened by repeating their top bits.
uint32_t ReadArgb(const uint8_t* bytes, int pitch, int f, int x, int y, bool premultiplied) {
  const uint8_t* row = bytes + size_t(y) * size_t(pitch);
  if (f < 2) {
    uint32_t p;
    std::memcpy(&p, row + size_t(x) * 4, 4);
    if (f == 1) return 0xFF000000u | p;
    const uint32_t a = p >> 24;
    if (!premultiplied || a == 255) return p;
    if (a == 0) return 0;
    auto c = [&](int s) { return std::min(255u, (((p >> s) & 0xFF) * 255 + a / 2) / a) << s; };
    return (a << 24) | c(16) | c(8) | c(0);
  }
  uint16_t p;
  std::memcpy(&p, row + size_t(x) * 2, 2);
  auto widen = [](uint32_t v, int bits) { return (v << (8 - bits)) | (v >> (2 * bits - 8)); };
  const uint32_t r = f == 2 ? widen(p >> 11, 5) : widen((p >> 10) & 31, 5);
  const uint32_t g = f == 2 ? widen((p >> 5) & 63, 6) : widen((p >> 5) & 31, 5);
  return 0xFF000000u | (r << 16) | (g << 8) | widen(p & 31, 5);
}

// A destination holding a varied background: opaque in 888, 565 and 555, of alpha 0x40 in 8888
// (premultiplied for pixman, which keeps its colours so).
struct Destination {
  Destination(int f, bool forPixman) : format(f), pitch(kWidth * BytesPerPixel(f)), bytes(size_t(pitch) * kHeight) {
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint32_t rgb = (uint32_t(x * 7 + y) & 0xFF) << 16 | (uint32_t(y * 5) & 0xFF) << 8 | (uint32_t(x + y * 3) & 0xFF);
        uint8_t* at = bytes.data() + size_t(y) * size_t(pitch) + size_t(x) * size_t(BytesPerPixel(f));
        if (f == 0) {
          uint32_t p = 0x40000000u | rgb;
          if (forPixman) {
            auto c = [&](int s) { return ((((rgb >> s) & 0xFF) * 0x40 + 127) / 255) << s; };
            p = 0x40000000u | c(16) | c(8) | c(0);
          }
          std::memcpy(at, &p, 4);
        } else if (f == 1) {
          const uint32_t p = 0xFF000000u | rgb;
          std::memcpy(at, &p, 4);
        } else {
          const uint16_t p = f == 2 ? uint16_t(((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) | ((rgb >> 3) & 0x1F))
                                    : uint16_t(((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x03E0) | ((rgb >> 3) & 0x1F));
          std::memcpy(at, &p, 2);
        }
      }
  }
  int format;
  int pitch;
  std::vector<uint8_t> bytes;
};

// A size x size source square rotated and scaled about its centre, placed at (cx, cy): its
// corners top-left, top-right, bottom-left, bottom-right.
struct Quad {
  int cx, cy;
  float xs[4], ys[4];
  Quad(double size, int x, int y) : cx(x), cy(y) {
    const double c = std::cos(kAngle) * kScale, s = std::sin(kAngle) * kScale;
    const double sx[4] = {0, size, 0, size}, sy[4] = {0, 0, size, size};
    for (int i = 0; i < 4; ++i) {
      const double px = sx[i] - size / 2, py = sy[i] - size / 2;
      xs[i] = float(cx + c * px - s * py);
      ys[i] = float(cy + s * px + c * py);
    }
  }
};

std::vector<Quad> OneSprite() { return {Quad(kSprite, kWidth / 2, kHeight / 2)}; }
std::vector<Quad> Places(int count) {
  std::vector<Quad> quads;
  for (int i = 0; i < count; ++i) quads.emplace_back(kSmall, 20 + (i * 37) % (kWidth - 40), 20 + (i * 53) % (kHeight - 40));
  return quads;
}

const Rect kClip(0, 0, kWidth, kHeight);

// The pixels the rasteriser covers for a quad, found by drawing it with an opaque texture into a
// cleared buffer: one rectangle per row.
struct Coverage {
  pixman_region32_t region;
  explicit Coverage(const Quad& q, int size) {
    static std::vector<uint32_t> scratch(size_t(kWidth) * kHeight, 0);
    static Texture white = [] {
      Texture t(kSprite, kSprite);
      std::fill(t.pixels.begin(), t.pixels.end(), 0xFFFFFFFFu);
      return t;
    }();
    DrawMatrixQuad(q.xs, q.ys, 0, 0, float(size), float(size), &white, &Color::White, 0, &kClip, scratch.data(),
                   kWidth * 4, kPixelFormat8888, false);
    std::vector<pixman_box32_t> rows;
    for (int y = 0; y < kHeight; ++y) {
      uint32_t* row = scratch.data() + size_t(y) * kWidth;
      int x0 = -1, x1 = -1;
      for (int x = 0; x < kWidth; ++x)
        if (row[x]) {
          if (x0 < 0) x0 = x;
          x1 = x + 1;
          row[x] = 0;
        }
      if (x0 >= 0) rows.push_back(pixman_box32_t{x0, y, x1, y + 1});
    }
    pixman_region32_init_rects(&region, rows.data(), int(rows.size()));
  }
  ~Coverage() { pixman_region32_fini(&region); }
  Coverage(const Coverage&) = delete;
  Coverage& operator=(const Coverage&) = delete;
  bool Covers(int x, int y) const { return pixman_region32_contains_point(&region, x, y, nullptr); }
  int64_t Pixels() const {
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&region, &n);
    int64_t total = 0;
    for (int i = 0; i < n; ++i) total += int64_t(boxes[i].x2 - boxes[i].x1) * (boxes[i].y2 - boxes[i].y1);
    return total;
  }
};

std::vector<std::unique_ptr<Coverage>> Coverages(const std::vector<Quad>& quads, int size) {
  std::vector<std::unique_ptr<Coverage>> out;
  for (const Quad& q : quads) out.push_back(std::make_unique<Coverage>(q, size));
  return out;
}

// The rasteriser's side: quads of a texture through DrawMatrixQuad.
struct RasterSide {
  Destination d;
  RasterSide(int f) : d(f, false) {}
  void Draw(const std::vector<Quad>& quads, Texture* texture, int size, const Color& colour, bool bilinear) {
    for (const Quad& q : quads)
      DrawMatrixQuad(q.xs, q.ys, 0, 0, float(size), float(size), texture, &colour, 0, &kClip, d.bytes.data(),
                     uint32_t(d.pitch), kFormats[d.format], bilinear);
  }
};

// pixman's side: dst = src OVER dst, through the inverse of the same transform, clipped to the
// rows the rasteriser covers. The transform is built for a quad at the screen's centre; the
// others lie whole pixels away and are reached through the composite's source offset.
struct PixmanSide {
  Destination d;
  std::vector<uint32_t> source;
  pixman_image_t* dst = nullptr;
  pixman_image_t* image = nullptr;

  PixmanSide(int f, const Texture& texture, bool bilinear) : d(f, true), source(Premultiplied(texture)) {
    dst = pixman_image_create_bits(kPixmanFormats[f], kWidth, kHeight, reinterpret_cast<uint32_t*>(d.bytes.data()),
                                   d.pitch);
    image = pixman_image_create_bits(PIXMAN_a8r8g8b8, texture.width, texture.height, source.data(), texture.width * 4);
    pixman_f_transform forward, reverse;
    pixman_f_transform_init_identity(&forward);
    pixman_f_transform_init_identity(&reverse);
    pixman_f_transform_translate(&forward, &reverse, -texture.width / 2.0, -texture.height / 2.0);
    pixman_f_transform_scale(&forward, &reverse, kScale, kScale);
    pixman_f_transform_rotate(&forward, &reverse, std::cos(kAngle), std::sin(kAngle));
    pixman_f_transform_translate(&forward, &reverse, kWidth / 2.0, kHeight / 2.0);
    pixman_transform_t t;
    pixman_transform_from_pixman_f_transform(&t, &reverse);
    pixman_image_set_transform(image, &t);
    pixman_image_set_filter(image, bilinear ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  ~PixmanSide() {
    pixman_image_unref(image);
    pixman_image_unref(dst);
  }
  PixmanSide(const PixmanSide&) = delete;
  PixmanSide& operator=(const PixmanSide&) = delete;

  // Unclipped, each quad composites its whole bounding box.
  void Draw(const std::vector<Quad>& quads, const std::vector<std::unique_ptr<Coverage>>& cover, pixman_image_t* mask,
            bool clipped = true) {
    for (size_t i = 0; i < quads.size(); ++i) {
      const pixman_box32_t* box = pixman_region32_extents(&cover[i]->region);
      pixman_image_set_clip_region32(dst, clipped ? &cover[i]->region : nullptr);
      const int sx = box->x1 - (quads[i].cx - kWidth / 2), sy = box->y1 - (quads[i].cy - kHeight / 2);
      pixman_image_composite32(PIXMAN_OP_OVER, image, mask, dst, sx, sy, 0, 0, box->x1, box->y1, box->x2 - box->x1,
                               box->y2 - box->y1);
    }
  }
};

// Share of covered pixels where both sides picked the same texel of an opaque index texture,
// drawn with the nearest filter; `same` marks those pixels.
double TexelShare(const std::vector<Quad>& quads, const std::vector<std::unique_ptr<Coverage>>& cover, int size,
                  std::vector<uint8_t>& same) {
  static Texture index256 = IndexTexture(kSprite), index16 = IndexTexture(kSmall);
  Texture& index = size == kSprite ? index256 : index16;
  RasterSide ours(0);
  PixmanSide theirs(0, index, false);
  std::fill(ours.d.bytes.begin(), ours.d.bytes.end(), 0);
  std::fill(theirs.d.bytes.begin(), theirs.d.bytes.end(), 0);
  ours.Draw(quads, &index, size, Color::White, false);
  theirs.Draw(quads, cover, nullptr);
  same.assign(size_t(kWidth) * kHeight, 0);
  int64_t agree = 0, covered = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t a = ReadArgb(ours.d.bytes.data(), ours.d.pitch, 0, x, y, false);
      if (!a) continue;
      ++covered;
      same[size_t(y) * kWidth + size_t(x)] = a == ReadArgb(theirs.d.bytes.data(), theirs.d.pitch, 0, x, y, false);
      agree += same[size_t(y) * kWidth + size_t(x)];
    }
  return covered ? double(agree) / double(covered) : 0;
}

// Largest channel difference between the two destinations over the covered pixels (alpha too in
// 8888, where pixman's premultiplied colours are divided back out), or only over those `only`
// marks when it is not empty.
int MaxDiff(const Destination& ours, const Destination& theirs, const std::vector<std::unique_ptr<Coverage>>& cover,
            const std::vector<uint8_t>& only) {
  std::vector<uint8_t> seen(size_t(kWidth) * kHeight, 0);
  int worst = 0;
  for (const auto& c : cover) {
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&c->region, &n);
    for (int i = 0; i < n; ++i)
      for (int y = boxes[i].y1; y < boxes[i].y2; ++y)
        for (int x = boxes[i].x1; x < boxes[i].x2; ++x) {
          if (seen[size_t(y) * kWidth + size_t(x)]++) continue;
          if (!only.empty() && !only[size_t(y) * kWidth + size_t(x)]) continue;
          const uint32_t a = ReadArgb(ours.bytes.data(), ours.pitch, ours.format, x, y, false);
          const uint32_t b = ReadArgb(theirs.bytes.data(), theirs.pitch, theirs.format, x, y, true);
          for (int s : {0, 8, 16, 24}) worst = std::max(worst, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
        }
  }
  return worst;
}

void Header() {
  std::printf("\n%-36s %10s %10s %6s %7s %5s  %s\n", "case", "ours Mpx/s", "ref Mpx/s", "ratio", "texels", "diff",
              "where the rules differ by design");
}

void Line(const std::string& label, const bench::Comparison& c, double texels, int diff, const std::string& note) {
  char share[16] = "-";
  if (texels >= 0) std::snprintf(share, sizeof share, "%.2f%%", texels * 100);
  std::printf("%-36s %10.1f %10.1f %6.2f %7s %5d  %s\n", label.c_str(), c.ours, c.reference, c.ratio, share, diff,
              note.c_str());
  std::fflush(stdout);
}

std::string Note(int f, bool bilinear, bool faded) {
  std::string n = "16.16 steps; alpha <=8 skipped, >=240 opaque; >>8 not /255";
  if (f == 0) n += "; unpremultiplied dest";
  if (f >= 2) n += "; dest weighed in 32nds";
  if (bilinear) n += "; 16-bit weights, sum < 1";
  if (faded) n += "; fade >>8";
  return n;
}

// A sprite or quad row: timing, then one fresh draw each and the comparison.
void SpriteRow(const bench::Options& o, const std::string& label, int f, bool bilinear, const Color& colour,
               bool small) {
  if (!o.Wants(label)) return;
  const std::vector<Quad> quads = small ? Places(kSmallCount) : OneSprite();
  const int size = small ? kSmall : kSprite;
  Texture& texture = small ? SmallSprite() : Sprite();
  const auto cover = Coverages(quads, size);
  pixman_image_t* mask = nullptr;
  if (colour.mAlpha != 255) {
    const uint16_t a = uint16_t(colour.mAlpha * 257);
    const pixman_color_t c = {a, a, a, a};
    mask = pixman_image_create_solid_fill(&c);
  }
  const double pixels = double(size) * size * kScale * kScale * double(quads.size());
  // Small quads: pixman unclipped where that gives the very same bytes.
  bool clipped = true;
  if (small) {
    PixmanSide rows(f, texture, bilinear), whole(f, texture, bilinear);
    rows.Draw(quads, cover, mask);
    whole.Draw(quads, cover, mask, false);
    clipped = rows.d.bytes != whole.d.bytes;
  }
  bench::Comparison result;
  {
    RasterSide ours(f);
    PixmanSide theirs(f, texture, bilinear);
    result = bench::Compare([&](int) { ours.Draw(quads, &texture, size, colour, bilinear); },
                            [&](int) { theirs.Draw(quads, cover, mask, clipped); }, pixels, o);
  }
  RasterSide ours(f);
  PixmanSide theirs(f, texture, bilinear);
  ours.Draw(quads, &texture, size, colour, bilinear);
  theirs.Draw(quads, cover, mask, clipped);
  // Neighbouring texels of the sprite may differ by anything, so with the nearest filter the
  // colours are compared where both sides chose the same texel.
  std::vector<uint8_t> same;
  const double texels = bilinear ? -1 : TexelShare(quads, cover, size, same);
  const int diff = MaxDiff(ours.d, theirs.d, cover, same);
  if (mask) pixman_image_unref(mask);
  Line(label, result, texels, diff, Note(f, bilinear, colour.mAlpha != 255) + (small && !clipped ? "; unclipped" : ""));
}

// An opaque full-screen texture drawn through the identity matrix (a copy) against memcpy at 32
// bits and, at 16 bits (where the copy narrows each pixel), against pixman's SRC composite of
// the same 32-bit picture into the 16-bit format; the check is that every pixel is the texel in
// the destination's format.
void CopyRow(const bench::Options& o, int f) {
  char label[64];
  std::snprintf(label, sizeof label, "identity copy %s / %s", kFormatNames[f], f >= 2 ? "pixman" : "memcpy");
  if (!o.Wants(label)) return;
  static Texture screen = [] {
    Texture s(kWidth, kHeight);
    for (size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    return s;
  }();
  Destination d(f, false), copy(f, false);
  std::vector<uint8_t> source(d.bytes.size(), 0x7F);
  const float xs[4] = {0, kWidth, 0, kWidth}, ys[4] = {0, 0, kHeight, kHeight};
  auto ours = [&](int) {
    DrawMatrixQuad(xs, ys, 0, 0, kWidth, kHeight, &screen, &Color::White, 0, &kClip, d.bytes.data(), uint32_t(d.pitch),
                   kFormats[f], false);
    benchmark::ClobberMemory();
  };
  pixman_image_t* from = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, screen.pixels.data(), kWidth * 4);
  pixman_image_t* to = pixman_image_create_bits(kPixmanFormats[f], kWidth, kHeight,
                                                reinterpret_cast<uint32_t*>(copy.bytes.data()), copy.pitch);
  auto reference = [&](int) {
    if (f >= 2)
      pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    else
      std::memcpy(copy.bytes.data(), source.data(), source.size());
    benchmark::ClobberMemory();
  };
  const bench::Comparison c = bench::Compare(ours, reference, double(kWidth) * kHeight, o);
  int diff = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t a = ReadArgb(d.bytes.data(), d.pitch, f, x, y, false);
      const uint32_t t = screen.pixels[size_t(y) * kWidth + size_t(x)];
      const int bits[4] = {8, 8, 5, 5};
      for (int s : {0, 8, 16}) {  // the top bits of each channel, those the format keeps
        const int keep = s == 8 && f == 2 ? 6 : bits[f];
        diff = std::max(diff, std::abs(int(((a >> s) & 255) >> (8 - keep)) - int(((t >> s) & 255) >> (8 - keep))));
      }
    }
  pixman_image_unref(from);
  pixman_image_unref(to);
  Line(label, c, -1, diff, "same pixels: difference in the format's own bits");
}

// 2,000 textured 16 x 16 quads (the sprite's alpha-edged corner), rotated and scaled, each with
// four different vertex colours, into 32-bit ARGB, against SDL_RenderGeometry on a software
// renderer over a 32-bit surface (flushed inside the timed turn). The check draws both onto the
// same opaque picture with a plain white texture and one colour at every corner, so that what
// should match is the colour and its blend (the two map texels, spread corner colours and cover
// edges by rules of their own): over the pixels both sides changed, the share within 8 units and
// the largest difference, and the share of changed pixels only one side changed (edge rules).
const uint32_t kCornerColors[4] = {0xFFFF8040, 0xFF40FF80, 0xFF8040FF, 0xC0FFFFFF};
void ColoredRow(const bench::Options& o) {
  const std::string label = "2000 coloured quads 8888 / SDL";
  if (!o.Wants(label)) return;
  const std::vector<Quad> quads = [] {
    std::vector<Quad> q;
    for (int i = 0; i < kColoredCount; ++i) q.emplace_back(kSmall, 20 + (i * 37) % (kWidth - 40), 20 + (i * 53) % (kHeight - 40));
    return q;
  }();
  const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
  std::vector<std::array<TriVertex, 4>> strips;
  for (const Quad& q : quads) {
    std::array<TriVertex, 4> strip;
    for (int k = 0; k < 4; ++k) strip[size_t(k)] = TriVertex{q.xs[k], q.ys[k], us[k], vs[k], kCornerColors[k]};
    strips.push_back(strip);
  }
  Destination ours(1, false), start(1, false);
  for (size_t i = 0; i < ours.bytes.size(); i += 4) ours.bytes[i + 3] = 0xFF;  // opaque ARGB
  start.bytes = ours.bytes;
  Texture* drawn = &SmallSprite();
  auto draw = [&](int) {
    for (const auto& strip : strips)
      DrawTriangleStrip(strip.data(), 4, drawn, &Color::White, 0, &kClip, ours.bytes.data(),
                        uint32_t(ours.pitch), kPixelFormat8888, false, true);
    benchmark::ClobberMemory();
  };
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  std::vector<uint8_t> sdlBytes = start.bytes;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(sdlBytes.data(), kWidth, kHeight, 32, kWidth * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
  SDL_Texture* texture =
      renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSmall, kSmall) : nullptr;
  if (!texture) {
    std::printf("%-36s SDL: %s\n", label.c_str(), SDL_GetError());
    return;
  }
  SDL_UpdateTexture(texture, nullptr, SmallSprite().pixels.data(), kSmall * 4);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  std::vector<SDL_Vertex> vertices;
  std::vector<int> indices;
  for (const Quad& q : quads) {
    const int base = int(vertices.size());
    for (int k = 0; k < 4; ++k) {
      const uint32_t c = kCornerColors[k];
      vertices.push_back(SDL_Vertex{SDL_FPoint{q.xs[k], q.ys[k]},
                                    SDL_Color{Uint8(c >> 16), Uint8(c >> 8), Uint8(c), Uint8(c >> 24)},
                                    SDL_FPoint{us[k], vs[k]}});
    }
    for (int k : {0, 1, 2, 1, 3, 2}) indices.push_back(base + k);
  }
  auto sdl = [&](int) {
    SDL_RenderGeometry(renderer, texture, vertices.data(), int(vertices.size()), indices.data(), int(indices.size()));
    SDL_RenderFlush(renderer);
    benchmark::ClobberMemory();
  };
  const bench::Comparison c =
      bench::Compare(draw, sdl, double(kSmall) * kSmall * kScale * kScale * kColoredCount, o);
  Texture white(kSmall, kSmall);
  std::fill(white.pixels.begin(), white.pixels.end(), 0xFFFFFFFFu);
  drawn = &white;
  SDL_UpdateTexture(texture, nullptr, white.pixels.data(), kSmall * 4);
  for (auto& strip : strips)
    for (TriVertex& v : strip) v.color = kCornerColors[0];
  for (SDL_Vertex& v : vertices)
    v.color = SDL_Color{Uint8(kCornerColors[0] >> 16), Uint8(kCornerColors[0] >> 8), Uint8(kCornerColors[0]), 0xFF};
  ours.bytes = start.bytes;
  sdlBytes = start.bytes;
  draw(0);
  sdl(0);
  int64_t both = 0, oneSide = 0, close = 0;
  int diff = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t before = ReadArgb(start.bytes.data(), start.pitch, 0, x, y, false);
      const uint32_t a = ReadArgb(ours.bytes.data(), ours.pitch, 0, x, y, false);
      const uint32_t b = ReadArgb(sdlBytes.data(), ours.pitch, 0, x, y, false);
      if (a == before && b == before) continue;
      if (a == before || b == before) {
        ++oneSide;
        continue;
      }
      ++both;
      int worst = 0;
      for (int s : {0, 8, 16}) worst = std::max(worst, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
      close += worst <= 8;
      diff = std::max(diff, worst);
    }
  char note[200];
  std::snprintf(note, sizeof note,
                "white texture, one colour: %.1f%% of pixels both changed within 8; %.1f%% changed by one "
                "side only (edge rules)",
                both ? 100.0 * double(close) / double(both) : 0.0,
                both + oneSide ? 100.0 * double(oneSide) / double(both + oneSide) : 0.0);
  Line(label, c, -1, diff, note);
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const bench::Options o = bench::Options::Parse(argc, argv);
  auto text = [](const char* format, auto... values) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return std::string(buffer);
  };
  const Color half(255, 255, 255, 128);
  Header();
  for (int f = 0; f < 4; ++f)
    for (int bl = 0; bl < 2; ++bl) {
      const char* filter = bl ? "bilinear" : "nearest";
      SpriteRow(o, text("sprite %s %s / pixman", kFormatNames[f], filter), f, bl, Color::White, false);
      SpriteRow(o, text("faded sprite %s %s / pixman", kFormatNames[f], filter), f, bl, half, false);
      SpriteRow(o, text("16x16 quads %s %s / pixman", kFormatNames[f], filter), f, bl, Color::White, true);
    }
  ColoredRow(o);
  for (int f = 0; f < 4; ++f) CopyRow(o, f);
  benchmark::Shutdown();
  return 0;
}
