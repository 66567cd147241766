#include "raster/SpanFillers.h"
#include "raster/SpanFrame.h"
#include "raster/SpanPixels.h"

using namespace raster;

namespace {

template <template <class> class Family>
constexpr SpanFiller ForFormat(int group) {
  switch (group) {
    case 1: return &FillTriangle<Family<Dest888>>;
    case 2: return &FillTriangle<Family<Dest565>>;
    case 3: return &FillTriangle<Family<Dest555>>;
    default: return &FillTriangle<Family<Dest8888>>;
  }
}

template <class Fmt> using VertexColor = VertexColorOp<Fmt, false>;
template <class Fmt> using VertexColorMod = VertexColorOp<Fmt, true>;
template <class Fmt> using Tex = TexOp<Fmt, NearestFetch>;
template <class Fmt> using TexBilinear = TexOp<Fmt, BilinearFetch>;
template <class Fmt> using TexAlpha = TexAlphaOp<Fmt, NearestFetch>;
template <class Fmt> using TexAlphaBilinear = TexAlphaOp<Fmt, BilinearFetch>;

template <class Fetch, TintSource kSource, bool kAlphaTest>
struct TintFamily {
  template <class Fmt> using Op = TexTintOp<Fmt, Fetch, kSource, kAlphaTest>;
};

template <TintSource kSource, bool kAlphaTest>
constexpr SpanFiller TintFiller(int group, bool bilinear) {
  return bilinear ? ForFormat<TintFamily<BilinearFetch, kSource, kAlphaTest>::template Op>(group)
                  : ForFormat<TintFamily<NearestFetch, kSource, kAlphaTest>::template Op>(group);
}

template <bool kAlphaTest>
constexpr SpanFiller TintFillerFor(int group, bool vertexColors, bool global, bool bilinear) {
  if (!vertexColors) return TintFiller<TintSource::kGlobal, kAlphaTest>(group, bilinear);
  if (!global) return TintFiller<TintSource::kVertex, kAlphaTest>(group, bilinear);
  return TintFiller<TintSource::kVertexGlobal, kAlphaTest>(group, bilinear);
}

// The filler of one table entry.
constexpr SpanFiller FillerFor(int index) {
  const int group = index >> 5;
  const bool textured = index & kSpanTextured;
  const bool alpha = index & kSpanAlpha;
  const bool vertexColors = index & kSpanVertexColors;
  const bool global = index & kSpanGlobalColor;
  const bool bilinear = index & kSpanBilinear;
  if (!textured) {
    if (!vertexColors) return &FillTriangleNothing;
    return global ? ForFormat<VertexColorMod>(group) : ForFormat<VertexColor>(group);
  }
  if (vertexColors || global) {
    return alpha ? TintFillerFor<true>(group, vertexColors, global, bilinear)
                 : TintFillerFor<false>(group, vertexColors, global, bilinear);
  }
  if (!alpha) {
    // The plain 32-bit fillers write the alpha byte 0xFF and serve 0x888 as well.
    const int g = group == 1 ? 0 : group;
    return bilinear ? ForFormat<TexBilinear>(g) : ForFormat<Tex>(g);
  }
  return bilinear ? ForFormat<TexAlphaBilinear>(group) : ForFormat<TexAlpha>(group);
}

constexpr std::array<SpanFiller, 128> BuildTable() {
  std::array<SpanFiller, 128> table{};
  for (int i = 0; i < 128; ++i) table[i] = FillerFor(i);
  return table;
}

}  // namespace

constexpr std::array<SpanFiller, 128> TriangleSpanTable = BuildTable();

constexpr SpanFiller FillTriangleNone = &FillTriangleNothing;
constexpr SpanFiller FillTriangle8888VertexColor = TriangleSpanTable[4];
constexpr SpanFiller FillTriangle8888VertexColorMod = TriangleSpanTable[6];
constexpr SpanFiller FillTriangle888VertexColor = TriangleSpanTable[36];
constexpr SpanFiller FillTriangle888VertexColorMod = TriangleSpanTable[38];
constexpr SpanFiller FillTriangle565VertexColor = TriangleSpanTable[68];
constexpr SpanFiller FillTriangle565VertexColorMod = TriangleSpanTable[70];
constexpr SpanFiller FillTriangle555VertexColor = TriangleSpanTable[100];
constexpr SpanFiller FillTriangle555VertexColorMod = TriangleSpanTable[102];
constexpr SpanFiller FillTriangle8888Tex = TriangleSpanTable[16];
constexpr SpanFiller FillTriangle8888TexBilinear = TriangleSpanTable[17];
constexpr SpanFiller FillTriangle565Tex = TriangleSpanTable[80];
constexpr SpanFiller FillTriangle565TexBilinear = TriangleSpanTable[81];
constexpr SpanFiller FillTriangle555Tex = TriangleSpanTable[112];
constexpr SpanFiller FillTriangle555TexBilinear = TriangleSpanTable[113];
constexpr SpanFiller FillTriangle8888TexAlpha = TriangleSpanTable[24];
constexpr SpanFiller FillTriangle8888TexAlphaBilinear = TriangleSpanTable[25];
constexpr SpanFiller FillTriangle888TexAlpha = TriangleSpanTable[56];
constexpr SpanFiller FillTriangle888TexAlphaBilinear = TriangleSpanTable[57];
constexpr SpanFiller FillTriangle565TexAlpha = TriangleSpanTable[88];
constexpr SpanFiller FillTriangle565TexAlphaBilinear = TriangleSpanTable[89];
constexpr SpanFiller FillTriangle555TexAlpha = TriangleSpanTable[120];
constexpr SpanFiller FillTriangle555TexAlphaBilinear = TriangleSpanTable[121];
constexpr SpanFiller FillTriangle8888TexMod = TriangleSpanTable[18];
constexpr SpanFiller FillTriangle8888TexModBilinear = TriangleSpanTable[19];
constexpr SpanFiller FillTriangle888TexMod = TriangleSpanTable[50];
constexpr SpanFiller FillTriangle888TexModBilinear = TriangleSpanTable[51];
constexpr SpanFiller FillTriangle565TexMod = TriangleSpanTable[82];
constexpr SpanFiller FillTriangle565TexModBilinear = TriangleSpanTable[83];
constexpr SpanFiller FillTriangle555TexMod = TriangleSpanTable[114];
constexpr SpanFiller FillTriangle555TexModBilinear = TriangleSpanTable[115];
constexpr SpanFiller FillTriangle8888TexVertexColor = TriangleSpanTable[20];
constexpr SpanFiller FillTriangle8888TexVertexColorBilinear = TriangleSpanTable[21];
constexpr SpanFiller FillTriangle888TexVertexColor = TriangleSpanTable[52];
constexpr SpanFiller FillTriangle888TexVertexColorBilinear = TriangleSpanTable[53];
constexpr SpanFiller FillTriangle565TexVertexColor = TriangleSpanTable[84];
constexpr SpanFiller FillTriangle565TexVertexColorBilinear = TriangleSpanTable[85];
constexpr SpanFiller FillTriangle555TexVertexColor = TriangleSpanTable[116];
constexpr SpanFiller FillTriangle555TexVertexColorBilinear = TriangleSpanTable[117];
constexpr SpanFiller FillTriangle8888TexVertexColorMod = TriangleSpanTable[22];
constexpr SpanFiller FillTriangle8888TexVertexColorModBilinear = TriangleSpanTable[23];
constexpr SpanFiller FillTriangle888TexVertexColorMod = TriangleSpanTable[54];
constexpr SpanFiller FillTriangle888TexVertexColorModBilinear = TriangleSpanTable[55];
constexpr SpanFiller FillTriangle565TexVertexColorMod = TriangleSpanTable[86];
constexpr SpanFiller FillTriangle565TexVertexColorModBilinear = TriangleSpanTable[87];
constexpr SpanFiller FillTriangle555TexVertexColorMod = TriangleSpanTable[118];
constexpr SpanFiller FillTriangle555TexVertexColorModBilinear = TriangleSpanTable[119];
constexpr SpanFiller FillTriangle8888TexAlphaMod = TriangleSpanTable[26];
constexpr SpanFiller FillTriangle8888TexAlphaModBilinear = TriangleSpanTable[27];
constexpr SpanFiller FillTriangle888TexAlphaMod = TriangleSpanTable[58];
constexpr SpanFiller FillTriangle888TexAlphaModBilinear = TriangleSpanTable[59];
constexpr SpanFiller FillTriangle565TexAlphaMod = TriangleSpanTable[90];
constexpr SpanFiller FillTriangle565TexAlphaModBilinear = TriangleSpanTable[91];
constexpr SpanFiller FillTriangle555TexAlphaMod = TriangleSpanTable[122];
constexpr SpanFiller FillTriangle555TexAlphaModBilinear = TriangleSpanTable[123];
constexpr SpanFiller FillTriangle8888TexAlphaVertexColor = TriangleSpanTable[28];
constexpr SpanFiller FillTriangle8888TexAlphaVertexColorBilinear = TriangleSpanTable[29];
constexpr SpanFiller FillTriangle888TexAlphaVertexColor = TriangleSpanTable[60];
constexpr SpanFiller FillTriangle888TexAlphaVertexColorBilinear = TriangleSpanTable[61];
constexpr SpanFiller FillTriangle565TexAlphaVertexColor = TriangleSpanTable[92];
constexpr SpanFiller FillTriangle565TexAlphaVertexColorBilinear = TriangleSpanTable[93];
constexpr SpanFiller FillTriangle555TexAlphaVertexColor = TriangleSpanTable[124];
constexpr SpanFiller FillTriangle555TexAlphaVertexColorBilinear = TriangleSpanTable[125];
constexpr SpanFiller FillTriangle8888TexAlphaVertexColorMod = TriangleSpanTable[30];
constexpr SpanFiller FillTriangle8888TexAlphaVertexColorModBilinear = TriangleSpanTable[31];
constexpr SpanFiller FillTriangle888TexAlphaVertexColorMod = TriangleSpanTable[62];
constexpr SpanFiller FillTriangle888TexAlphaVertexColorModBilinear = TriangleSpanTable[63];
constexpr SpanFiller FillTriangle565TexAlphaVertexColorMod = TriangleSpanTable[94];
constexpr SpanFiller FillTriangle565TexAlphaVertexColorModBilinear = TriangleSpanTable[95];
constexpr SpanFiller FillTriangle555TexAlphaVertexColorMod = TriangleSpanTable[126];
constexpr SpanFiller FillTriangle555TexAlphaVertexColorModBilinear = TriangleSpanTable[127];

void FillTriangleSpanTable() {}

int TriangleSpanIndex(bool textured, bool alpha, bool vertexColors, bool globalColor, int32_t pixelFormat,
                      bool bilinear) {
  int index = (textured ? kSpanTextured : 0) + (alpha ? kSpanAlpha : 0) + (vertexColors ? kSpanVertexColors : 0) +
              (globalColor ? kSpanGlobalColor : 0) + (bilinear ? kSpanBilinear : 0);
  if (pixelFormat == kPixelFormat888)
    index += 32;
  else if (pixelFormat == kPixelFormat565)
    index += 64;
  else if (pixelFormat == kPixelFormat555)
    index += 96;
  return index;
}

void DrawTriangleDispatchThrough(const SpanFillerTable& table, bool textured, bool alpha, bool vertexColors,
                                 bool globalColor, const SpanVertex* vertices, uint8_t* frameBuffer, uint32_t pitch,
                                 const SpanTexture* texture, const SpanColor* color, int32_t pixelFormat,
                                 bool bilinear, const SpanClip* clip) {
  SpanFiller filler = table[TriangleSpanIndex(textured, alpha, vertexColors, globalColor, pixelFormat, bilinear)];
  if (filler) filler(vertices, frameBuffer, pitch, texture, color, clip);
}

void DrawTriangleDispatch(bool textured, bool alpha, bool vertexColors, bool globalColor, const SpanVertex* vertices,
                          uint8_t* frameBuffer, uint32_t pitch, const SpanTexture* texture, const SpanColor* color,
                          int32_t pixelFormat, bool bilinear, const SpanClip* clip) {
  DrawTriangleDispatchThrough(TriangleSpanTable, textured, alpha, vertexColors, globalColor, vertices, frameBuffer,
                              pitch, texture, color, pixelFormat, bilinear, clip);
}
