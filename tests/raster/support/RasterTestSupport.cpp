#include "raster/support/RasterTestSupport.h"

#include <algorithm>
#include <cstring>
#include <utility>

TestTexture::TestTexture(int32_t w, int32_t h, uint32_t fill)
    : width(w), height(h), pixels(size_t(std::max(0, w) * std::max(0, h)) + 1, fill) {
  pixels.back() = 0xDEADBEEF;
}

GuardedCanvas::GuardedCanvas(int32_t f, int w, int h)
    : format(f), width(w), height(h), bytesPerPixel(f == kPixelFormat565 || f == kPixelFormat555 ? 2 : 4) {
  pitch = (w + 2 * kGuard) * bytesPerPixel;
  bytes.assign(size_t(pitch) * size_t(h + 2 * kGuard), kCanary);
  FillAll([](int, int) { return 0u; });
}

uint32_t GuardedCanvas::Get(int x, int y) const {
  const uint8_t* p = bytes.data() + size_t(y + kGuard) * pitch + size_t(x + kGuard) * bytesPerPixel;
  if (bytesPerPixel == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void GuardedCanvas::Set(int x, int y, uint32_t value) {
  uint8_t* p = bytes.data() + size_t(y + kGuard) * pitch + size_t(x + kGuard) * bytesPerPixel;
  if (bytesPerPixel == 2) {
    uint16_t v = uint16_t(value);
    std::memcpy(p, &v, 2);
  } else {
    std::memcpy(p, &value, 4);
  }
}

void GuardedCanvas::FillAll(const std::function<uint32_t(int, int)>& value) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) Set(x, y, value(x, y));
}

bool GuardedCanvas::GuardIntact() const {
  for (int y = 0; y < height + 2 * kGuard; ++y)
    for (int x = 0; x < (width + 2 * kGuard) * bytesPerPixel; ++x) {
      bool inside = y >= kGuard && y < kGuard + height && x >= kGuard * bytesPerPixel &&
                    x < (kGuard + width) * bytesPerPixel;
      if (!inside && bytes[size_t(y) * pitch + x] != kCanary) return false;
    }
  return true;
}

// ---- The scan conversion, written out plainly ----------------------------------------------

namespace {

int32_t Low32(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

// 64-bit arithmetic as the rules give it; notes when a value would not have fit, so that tests
// can leave out the triangles whose set-up overflows.
struct SetupArithmetic {
  bool overflow = false;
  int64_t Mul(int64_t a, int64_t b) {
    __int128 p = (__int128)a * b;
    if (p > INT64_MAX || p < INT64_MIN) overflow = true;
    return int64_t(uint64_t((unsigned __int128)p));
  }
  int32_t Store(int64_t v) {
    if (v != int64_t(int32_t(v))) overflow = true;
    return Low32(v);
  }
};

int64_t RowOf(int32_t y) { return (int64_t(y) + 0xFFFF) >> 16; }
int64_t CeilX(int32_t x) { return (int64_t(x) + 0xFFFF) & ~int64_t(0xFFFF); }
int64_t Recip(int32_t d) { return (int64_t(1) << 48) / d; }

int32_t Field(const SpanVertex& v, int i) {
  const int32_t f[6] = {v.a, v.r, v.g, v.b, v.u, v.v};
  return f[i];
}

}  // namespace

bool OracleScan(const SpanVertex block[3], const std::function<void(int, int, const OracleLanes&)>& visit) {
  SetupArithmetic s;
  const SpanVertex* p0 = &block[0];
  const SpanVertex* p1 = &block[1];
  const SpanVertex* p2 = &block[2];
  if (p0->y > p1->y) std::swap(p0, p1);
  if (p1->y > p2->y) std::swap(p1, p2);
  if (p0->y > p1->y) std::swap(p0, p1);
  const SpanVertex &top = *p0, &mid = *p1, &bot = *p2;
  const int64_t firstRow = RowOf(top.y), endRow = RowOf(bot.y), midRow = RowOf(mid.y);
  if (firstRow == endRow) return true;
  const int64_t r = Recip(s.Store(int64_t(bot.y) - top.y));
  const int32_t longStepX = s.Store(s.Mul(s.Store(int64_t(bot.x) - top.x), r) >> 32);
  int32_t longStep[6];
  for (int i = 0; i < 6; ++i) longStep[i] = s.Store(s.Mul(s.Store(int64_t(Field(bot, i)) - Field(top, i)), r) >> 32);
  const int32_t dyMid = s.Store(int64_t(mid.y) - top.y);
  const int32_t longXAtMid = s.Store(top.x + (s.Mul(longStepX, dyMid) >> 16));
  if (mid.x == longXAtMid) return !s.overflow;
  const int32_t pre = s.Store((firstRow << 16) - top.y);
  int32_t longX = s.Store(top.x + (s.Mul(longStepX, pre) >> 16));
  int32_t longF[6];
  for (int i = 0; i < 6; ++i) longF[i] = s.Store(Field(top, i) + (s.Mul(longStep[i], pre) >> 16));
  const int64_t w = Recip(s.Store(int64_t(mid.x) - longXAtMid));
  int32_t grad[6];
  for (int i = 0; i < 6; ++i) {
    const int64_t e = s.Mul(longStep[i], dyMid) >> 16;
    grad[i] = s.Store(s.Mul(int64_t(Field(mid, i)) - e - Field(top, i), w) >> 32);
  }
  const bool longIsLeft = longXAtMid < mid.x;
  if (s.overflow) return false;

  auto row = [&](int64_t y, int32_t shortX) {
    const int32_t left = longIsLeft ? longX : shortX;
    const int32_t right = longIsLeft ? shortX : longX;
    const int64_t startX = CeilX(left);
    const int64_t count = (CeilX(right) - startX) >> 16;
    for (int64_t k = 0; k < count; ++k) {
      int32_t v[6];
      for (int i = 0; i < 6; ++i) {
        const int32_t first = Low32(longF[i] + (int64_t(grad[i]) * (startX - longX) >> 16));
        v[i] = int32_t(uint32_t(first) + uint32_t(grad[i]) * uint32_t(k));
      }
      visit(int((startX >> 16) + k), int(y), OracleLanes{v[0], v[1], v[2], v[3], v[4], v[5]});
    }
  };
  auto step = [&]() {
    longX = Low32(int64_t(longX) + longStepX);
    for (int i = 0; i < 6; ++i) longF[i] = Low32(int64_t(longF[i]) + longStep[i]);
  };
  int64_t y = firstRow;
  if (midRow > firstRow) {
    const int32_t shortStep = Low32((int64_t(mid.x - top.x) * Recip(dyMid)) >> 32);
    int32_t shortX = Low32(top.x + ((int64_t(shortStep) * pre) >> 16));
    for (; y < midRow; ++y, shortX = Low32(int64_t(shortX) + shortStep), step()) row(y, shortX);
  }
  if (endRow > midRow) {
    const int32_t shortStep = Low32((int64_t(bot.x - mid.x) * Recip(bot.y - mid.y)) >> 32);
    const int32_t preMid = Low32((midRow << 16) - mid.y);
    int32_t shortX = Low32(mid.x + ((int64_t(shortStep) * preMid) >> 16));
    for (; y < endRow; ++y, shortX = Low32(int64_t(shortX) + shortStep), step()) row(y, shortX);
  }
  return true;
}

// ---- Pixels, channel by channel -------------------------------------------------------------

namespace {

uint32_t ChannelOf(uint32_t word, int shift) { return (word >> shift) & 0xFF; }

struct Rgb {
  uint32_t r, g, b;
};

Rgb RgbOf(uint32_t word) { return Rgb{ChannelOf(word, 16), ChannelOf(word, 8), ChannelOf(word, 0)}; }

int FormatOfGroup(int group) {
  const int32_t formats[4] = {kPixelFormat8888, kPixelFormat888, kPixelFormat565, kPixelFormat555};
  return formats[group];
}

uint32_t PackOpaque(int32_t format, Rgb c) {
  if (format == kPixelFormat565) return ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
  if (format == kPixelFormat555) return ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
  return 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b;
}

// A 16-bit destination, each field times k/32, plus the source packed from 8-bit channels.
uint32_t Blend16(int32_t format, uint32_t d, uint32_t k, Rgb s) {
  if (format == kPixelFormat565) {
    const uint32_t r = (((d >> 11) & 31) * k >> 5) + (s.r >> 3);
    const uint32_t g = (((d >> 5) & 63) * k >> 5) + (s.g >> 2);
    const uint32_t b = ((d & 31) * k >> 5) + (s.b >> 3);
    return (r << 11) | (g << 5) | b;
  }
  const uint32_t r = (((d >> 10) & 31) * k >> 5) + (s.r >> 3);
  const uint32_t g = (((d >> 5) & 31) * k >> 5) + (s.g >> 3);
  const uint32_t b = ((d & 31) * k >> 5) + (s.b >> 3);
  return (r << 10) | (g << 5) | b;
}

int32_t Saturated(int32_t lane) { return std::clamp(lane, 0, 0xFFFFFF); }

bool VertexColorPixel(int32_t format, const OracleLanes& l, uint32_t d, uint32_t* out) {
  if (l.a <= 0x80000) return false;
  const uint64_t r = uint32_t(Saturated(l.r)), g = uint32_t(Saturated(l.g)), b = uint32_t(Saturated(l.b));
  const uint32_t r8 = uint32_t(r >> 16), g8 = uint32_t(g >> 16), b8 = uint32_t(b >> 16);
  if (l.a > 0xF00000) {
    *out = PackOpaque(format, Rgb{r8, g8, b8});
    return true;
  }
  const uint32_t a = uint32_t(l.a) >> 16;
  if (format == kPixelFormat888) {
    const uint32_t w = 255 - a;
    const uint32_t rr = ((ChannelOf(d, 16) * w) >> 8) + ((r8 * a) >> 8);
    const uint32_t gg = ((ChannelOf(d, 8) * w) >> 8) + ((g8 * a) >> 8);
    const uint32_t bb = ((ChannelOf(d, 0) * w) >> 8) + ((b8 * a) >> 8);
    *out = 0xFF000000u | (rr << 16) | (gg << 8) | bb;
    return true;
  }
  if (format == kPixelFormat565 || format == kPixelFormat555) {
    *out = Blend16(format, d, (255 - a) >> 3, Rgb{(r8 * a) >> 8, (g8 * a) >> 8, (b8 * a) >> 8});
    return true;
  }
  const uint64_t dA = d >> 24, inv = 256 - a;
  const uint64_t outA = 256 - (((256 - dA) * inv) >> 8);
  // Source terms: blue from the whole channel, green with 8 fraction bits, red with all 16.
  const uint64_t blueNum = ((ChannelOf(d, 0) * dA) >> 8) * inv * 1 + ((b8 * a) & 0xFF00);
  const uint64_t greenNum = (((ChannelOf(d, 8) * dA) >> 8) * inv << 8) + (((g >> 8) * a) & 0xFF0000);
  const uint64_t redNum = (((ChannelOf(d, 16) * dA) >> 8) * inv << 16) + ((a * r) & 0xFF000000);
  const uint64_t blue = (blueNum / outA) & 0xFF;
  const uint64_t green = ((greenNum / outA) >> 8) & 0xFF;
  const uint64_t red = ((redNum / outA) >> 16) & 0xFF;
  *out = uint32_t(((outA - 1) << 24) | (red << 16) | (green << 8) | blue);
  return true;
}

// A source of alpha 0..239 and premultiplied colour s over the destination d. False where the
// 32-bit ARGB blend has no coverage to divide by (the pixel stays).
bool BlendPixel(int32_t format, uint32_t alpha, Rgb s, uint32_t d, uint32_t* out) {
  if (format == kPixelFormat565 || format == kPixelFormat555) {
    *out = Blend16(format, d, (255 - alpha) >> 3, s);
    return true;
  }
  const uint32_t dc[3] = {ChannelOf(d, 16), ChannelOf(d, 8), ChannelOf(d, 0)};
  const uint32_t sc[3] = {s.r, s.g, s.b};
  uint32_t c[3];
  if (format == kPixelFormat888) {
    for (int i = 0; i < 3; ++i) c[i] = ((dc[i] * (255 - alpha)) >> 8) + sc[i];
    *out = 0xFF000000u | (c[0] << 16) | (c[1] << 8) | c[2];
    return true;
  }
  const uint32_t da = d >> 24, inv = 256 - alpha;
  const uint32_t outA = 256 - (((256 - da) * inv) >> 8);
  if (outA == 0) return false;
  for (int i = 0; i < 3; ++i) c[i] = std::min(255u, ((((dc[i] * da) >> 8) * inv) + sc[i] * 256) / outA);
  *out = ((outA - 1) << 24) | (c[0] << 16) | (c[1] << 8) | c[2];
  return true;
}

bool TexAlphaPixel(int32_t format, bool bilinear, uint32_t t, uint32_t d, uint32_t* out) {
  const uint32_t alpha = t >> 24;
  const Rgb o = RgbOf(t);
  const Rgb s = bilinear ? o : Rgb{(o.r * alpha) >> 8, (o.g * alpha) >> 8, (o.b * alpha) >> 8};
  if (alpha <= 8) return false;
  if (alpha >= 240) {
    *out = PackOpaque(format, o);
    return true;
  }
  return BlendPixel(format, alpha, s, d, out);
}

// The tinted textured entries: the sample t tinted by the global colour, the vertex colours or
// both, then written opaque or blended by its coverage alpha.
bool TintPixel(int index, const OracleLanes& l, const SpanColor& color, uint32_t t, uint32_t d, uint32_t* out) {
  const int32_t format = FormatOfGroup(index >> 5);
  const bool alphaTest = index & kSpanAlpha, vertex = index & kSpanVertexColors;
  const bool global = index & kSpanGlobalColor, bilinear = index & kSpanBilinear;
  const int32_t lanes[4] = {l.a, l.r, l.g, l.b};
  const int32_t colors[4] = {color.alpha, color.red, color.green, color.blue};
  uint32_t f[4];
  for (int i = 0; i < 4; ++i) {
    const uint32_t lane = uint32_t(Saturated(lanes[i]));
    if (!vertex)
      f[i] = uint32_t(colors[i]);
    else if (!global)
      f[i] = lane >> 16;
    else
      f[i] = (uint32_t(colors[i]) * lane) >> 24;
  }
  const uint32_t ta = t >> 24;
  if (alphaTest && ta <= 8) return false;
  const Rgb texel = RgbOf(t);
  const Rgb m{(texel.r * f[1]) >> 8, (texel.g * f[2]) >> 8, (texel.b * f[3]) >> 8};
  const uint32_t alpha = (f[0] * (alphaTest ? ta : 255)) >> 8;
  Rgb s, o;
  if (bilinear) {
    s = o = Rgb{(m.r * f[0]) >> 8, (m.g * f[0]) >> 8, (m.b * f[0]) >> 8};
  } else {
    o = m;
    s = Rgb{(m.r * alpha) >> 8, (m.g * alpha) >> 8, (m.b * alpha) >> 8};
  }
  if (alpha >= 240) {
    *out = PackOpaque(format, o);
    return true;
  }
  return BlendPixel(format, alpha, s, d, out);
}

uint32_t TexelAt(const SpanTexture& t, int64_t column, int64_t row) {
  if (column < 0 || row < 0 || column >= t.width || row >= t.height) return 0;
  return t.bits[row * t.width + column];
}

}  // namespace

uint32_t OracleNearest(const SpanTexture& texture, int32_t u, int32_t v) {
  return TexelAt(texture, u >> 16, v >> 16);
}

uint32_t OracleBilinear(const SpanTexture& texture, int32_t u, int32_t v) {
  const int64_t column = int64_t(u) >> 16, row = int64_t(v) >> 16;  // floor
  const uint32_t t[4] = {TexelAt(texture, column, row), TexelAt(texture, column + 1, row),
                         TexelAt(texture, column, row + 1), TexelAt(texture, column + 1, row + 1)};
  const uint64_t fx = (uint32_t(u) & 0xFFFE) + 1, fy = (uint32_t(v) & 0xFFFE) + 1;
  const uint64_t weight[4] = {((65536 - fx) * (65536 - fy)) >> 16, (fx * (65536 - fy)) >> 16,
                              ((65536 - fx) * fy) >> 16, (fx * fy) >> 16};
  uint64_t w[4], alpha = 0, sum[3] = {0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    w[i] = (weight[i] * (t[i] >> 24)) >> 16;
    alpha += w[i];
    sum[0] += ChannelOf(t[i], 16) * w[i];
    sum[1] += ChannelOf(t[i], 8) * w[i];
    sum[2] += ChannelOf(t[i], 0) * w[i];
  }
  return uint32_t((alpha << 24) | ((sum[0] >> 8) << 16) | ((sum[1] >> 8) << 8) | (sum[2] >> 8));
}

bool OraclePixel(int index, const OracleLanes& l, const SpanTexture& texture, const SpanColor& color, uint32_t d,
                 uint32_t* out) {
  const int32_t format = FormatOfGroup(index >> 5);
  const bool textured = index & kSpanTextured, alpha = index & kSpanAlpha, vertex = index & kSpanVertexColors;
  const bool bilinear = index & kSpanBilinear;
  if (!textured) return vertex ? VertexColorPixel(format, l, d, out) : false;
  if (!texture.bits || texture.width <= 0 || texture.height <= 0) return false;
  const uint32_t t = bilinear ? OracleBilinear(texture, l.u - 0x8000, l.v - 0x8000) : OracleNearest(texture, l.u, l.v);
  if (vertex || (index & kSpanGlobalColor)) return TintPixel(index, l, color, t, d, out);
  if (!alpha) {
    *out = PackOpaque(format, RgbOf(t));
    return true;
  }
  return TexAlphaPixel(format, bilinear, t, d, out);
}

bool OracleFill(int index, const SpanVertex block[3], const SpanTexture& texture, const SpanColor& color,
                GuardedCanvas& canvas) {
  SpanVertex v[3] = {block[0], block[1], block[2]};
  if ((index & (kSpanVertexColors | kSpanGlobalColor)) == (kSpanVertexColors | kSpanGlobalColor)) {
    for (SpanVertex& c : v) {
      c.a = int32_t((uint32_t(c.a) * uint32_t(color.alpha)) >> 8);
      c.r = int32_t((uint32_t(c.r) * uint32_t(color.red)) >> 8);
      c.g = int32_t((uint32_t(c.g) * uint32_t(color.green)) >> 8);
      c.b = int32_t((uint32_t(c.b) * uint32_t(color.blue)) >> 8);
    }
  }
  return OracleScan(v, [&](int x, int y, const OracleLanes& l) {
    uint32_t out;
    if (OraclePixel(index, l, texture, color, canvas.Get(x, y), &out)) canvas.Set(x, y, out);
  });
}
