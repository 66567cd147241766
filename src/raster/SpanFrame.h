#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "raster/FixedMath.h"
#include "raster/TriangleRaster.h"

// The scan conversion shared by every span filler. A filler is FillTriangle<Op>: the frame sorts
// the vertices, sets up the edges and the per-pixel gradients of the interpolants the operation
// asks for, and walks the rows; Op decides what each covered pixel becomes.
//
// An operation provides:
//   using Pixel = uint32_t or uint16_t;          destination pixel type
//   static constexpr unsigned kLanes;            which interpolants it reads (LaneBit below)
//   static constexpr bool kBilinear;             u and v start half a texel back on every span
//   static void Prepare(SpanVertex&, const SpanColor&);  adjusts a copy of each vertex
//   Op(const SpanTexture&, const SpanColor&);    per-triangle constants
//   bool Ready() const;                          false: draw nothing
//   void Plot(Pixel*, const SpanLanes&) const;   writes one pixel
// and may provide
//   bool Span(Pixel*, int64_t count, const SpanLanes& first, const SpanLanes& steps) const;
//                                                a faster whole span; false: plot pixel by pixel
//
// The operations of the filler families are in SpanPixels.h, and SpanTable.cpp maps the table's
// entries to FillTriangle<operation>: a new family is a new operation and its table entries.
//
// Coverage: pixel (X, Y) is drawn when Y lies between the ceilings of the top and bottom y and X
// between the ceilings of the row's left and right edge x, lower bounds included, upper bounds
// excluded; rows and spans are also limited to the clip box. Interpolants are sampled at the
// whole coordinates.
namespace raster {

enum Lane : int { kLaneA, kLaneR, kLaneG, kLaneB, kLaneU, kLaneV, kLaneCount };
constexpr unsigned LaneBit(Lane l) { return 1u << l; }
constexpr unsigned kColorLanes = LaneBit(kLaneA) | LaneBit(kLaneR) | LaneBit(kLaneG) | LaneBit(kLaneB);
constexpr unsigned kTextureLanes = LaneBit(kLaneU) | LaneBit(kLaneV);

// Interpolant values at one pixel, as 32-bit two's complement 16.16 numbers.
struct SpanLanes {
  uint32_t lane[kLaneCount];
  int32_t Signed(Lane l) const { return int32_t(lane[l]); }
};

// Calls f(std::integral_constant<int, L>) for every lane L in the mask, unrolled, so that each
// interpolant lives in a register of its own.
template <unsigned kMask, class F>
inline void ForEachLane(F&& f) {
  [&]<int... L>(std::integer_sequence<int, L...>) {
    ((void)((kMask & (1u << L)) != 0 && (f(std::integral_constant<int, L>{}), true)), ...);
  }(std::make_integer_sequence<int, kLaneCount>{});
}

constexpr int32_t SpanVertex::*kLaneField[kLaneCount] = {&SpanVertex::a, &SpanVertex::r, &SpanVertex::g,
                                                          &SpanVertex::b, &SpanVertex::u, &SpanVertex::v};

template <class Op>
void FillTriangle(const SpanVertex* block, uint8_t* frameBuffer, uint32_t pitch, const SpanTexture* texture,
                  const SpanColor* color, const SpanClip* clip) {
  using Pixel = typename Op::Pixel;
  constexpr unsigned kLanes = Op::kLanes;
  // An empty or inverted box holds no pixel. Row edges are clamped into the box below, which
  // takes an ordered box: with right < left, a row whose edges crossed by a rounding step would
  // come out as a span between the two sides, outside the box.
  if (clip->left >= clip->right || clip->top >= clip->bottom) return;
  const Op op(*texture, *color);
  if (!op.Ready()) return;

  // Sort by y; equal y keeps block order.
  const SpanVertex* p0 = &block[0];
  const SpanVertex* p1 = &block[1];
  const SpanVertex* p2 = &block[2];
  if (p0->y > p1->y) std::swap(p0, p1);
  if (p1->y > p2->y) std::swap(p1, p2);
  if (p0->y > p1->y) std::swap(p0, p1);
  SpanVertex top = *p0, mid = *p1, bot = *p2;
  Op::Prepare(top, *color);
  Op::Prepare(mid, *color);
  Op::Prepare(bot, *color);

  const int64_t firstRow = CeilWhole(top.y);
  const int64_t endRow = CeilWhole(bot.y);
  if (firstRow == endRow) return;
  const int64_t midRow = CeilWhole(mid.y);

  const int64_t longR = Reciprocal(int64_t(bot.y) - top.y);
  const int64_t longStepX = StepOver(int64_t(bot.x) - top.x, longR);
  const int64_t dyMid = int64_t(mid.y) - top.y;
  const int64_t longXAtMid = top.x + ScaleBy(longStepX, dyMid);
  if (int64_t(mid.x) == longXAtMid) return;  // collinear to 16.16 precision
  const int64_t widthR = Reciprocal(int64_t(mid.x) - longXAtMid);

  int64_t longStep[kLaneCount] = {};
  int64_t grad[kLaneCount] = {};
  SpanLanes stepX{};
  for (int l = 0; l < kLaneCount; ++l) {
    if (!(kLanes & (1u << l))) continue;
    const int64_t t = top.*kLaneField[l], m = mid.*kLaneField[l], b = bot.*kLaneField[l];
    longStep[l] = StepOver(b - t, longR);
    const Int128 e = (Int128(longStep[l]) * dyMid) >> 16;
    grad[l] = StepOver(Low64(Int128(m) - e - t), widthR);
    stepX.lane[l] = uint32_t(uint64_t(grad[l]));
  }
  const bool longIsLeft = longXAtMid < int64_t(mid.x);

  const int64_t rowBegin = firstRow > clip->top ? firstRow : clip->top;
  const int64_t rowEnd = endRow < clip->bottom ? endRow : clip->bottom;
  if (rowBegin >= rowEnd) return;
  const int64_t clipLeft = int64_t(clip->left) << 16;
  const int64_t clipRight = int64_t(clip->right) << 16;

  const int64_t pre = (rowBegin << 16) - top.y;
  int64_t longX = top.x + ScaleBy(longStepX, pre);
  int64_t longF[kLaneCount] = {};
  for (int l = 0; l < kLaneCount; ++l)
    if (kLanes & (1u << l)) longF[l] = (top.*kLaneField[l]) + ScaleBy(longStep[l], pre);

  const ptrdiff_t stride = ptrdiff_t(pitch / sizeof(Pixel)) * ptrdiff_t(sizeof(Pixel));
  uint8_t* rowAddress = frameBuffer + rowBegin * stride;

  auto drawRow = [&](int64_t shortX) {
    int64_t left = longIsLeft ? longX : shortX;
    int64_t right = longIsLeft ? shortX : longX;
    left = Clamp64(left, clipLeft, clipRight);
    right = Clamp64(right, clipLeft, clipRight);
    const int64_t startX = CeilFixed(left);
    const int64_t count = (CeilFixed(right) - startX) >> 16;
    if (count <= 0) return;
    SpanLanes lanes{};
    const int64_t dx = startX - longX;
    ForEachLane<kLanes>([&](auto l) { lanes.lane[l] = uint32_t(uint64_t(WrapAdd64(longF[l], ScaleBy(grad[l], dx)))); });
    if constexpr (Op::kBilinear) {
      lanes.lane[kLaneU] -= 0x8000;
      lanes.lane[kLaneV] -= 0x8000;
    }
    Pixel* p = reinterpret_cast<Pixel*>(rowAddress) + (startX >> 16);
    // Local copies: the pixel stores could otherwise alias them and force reloads every pixel.
    const Op pixelOp = op;
    const SpanLanes steps = stepX;
    if constexpr (requires(Pixel* q, int64_t c, const SpanLanes& a) { pixelOp.Span(q, c, a, a); }) {
      if (pixelOp.Span(p, count, lanes, steps)) return;
    }
    for (int64_t n = count; n > 0; --n, ++p) {
      pixelOp.Plot(p, lanes);
      ForEachLane<kLanes>([&](auto l) { lanes.lane[l] += steps.lane[l]; });
    }
  };
  auto stepRow = [&]() {
    longX = WrapAdd64(longX, longStepX);
    for (int l = 0; l < kLaneCount; ++l)
      if (kLanes & (1u << l)) longF[l] = WrapAdd64(longF[l], longStep[l]);
    rowAddress += stride;
  };

  int64_t row = rowBegin;
  const int64_t upperEnd = midRow < rowEnd ? midRow : rowEnd;
  if (row < upperEnd) {
    const int64_t shortStep = StepOver(int64_t(mid.x) - top.x, Reciprocal(dyMid));
    int64_t shortX = top.x + ScaleBy(shortStep, pre);
    for (; row < upperEnd; ++row) {
      drawRow(shortX);
      shortX = WrapAdd64(shortX, shortStep);
      stepRow();
    }
  }
  if (row < rowEnd) {
    const int64_t shortStep = StepOver(int64_t(bot.x) - mid.x, Reciprocal(int64_t(bot.y) - mid.y));
    int64_t shortX = mid.x + ScaleBy(shortStep, (row << 16) - mid.y);
    for (; row < rowEnd; ++row) {
      drawRow(shortX);
      shortX = WrapAdd64(shortX, shortStep);
      stepRow();
    }
  }
}

}  // namespace raster
