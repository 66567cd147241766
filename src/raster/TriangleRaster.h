#pragma once
#include <array>
#include <cstdint>

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "graphics/TriVertex.h"
#include "raster/TriangleTexture.h"

// Software triangle rasteriser: draws strips of textured and coloured triangles into 32-bit and
// 16-bit pixel buffers. A strip is clipped to a clip rectangle, converted to 16.16 fixed point and
// filled through one of the span fillers of TriangleSpanTable.

// Destination pixel formats, by code. Any other code draws as 0x8888.
constexpr int32_t kPixelFormat8888 = 0x8888;  // 32-bit ARGB
constexpr int32_t kPixelFormat888 = 0x888;    // 32-bit RGB, alpha byte written 0xFF
constexpr int32_t kPixelFormat565 = 0x565;    // 16-bit 5-6-5
constexpr int32_t kPixelFormat555 = 0x555;    // 16-bit 5-5-5, top bit written 0

// One triangle corner as a span filler reads it; every field 16.16. a, r, g, b are the vertex
// colour channels shifted left by 16; u and v are in texel units.
struct SpanVertex {
  int32_t x = 0;
  int32_t y = 0;
  int32_t a = 0;
  int32_t r = 0;
  int32_t g = 0;
  int32_t b = 0;
  int32_t u = 0;
  int32_t v = 0;
};

// The texture as a filler reads it: 0xAARRGGBB texels, row after row. Texels outside
// width x height read as transparent black.
struct SpanTexture {
  const uint32_t* bits = nullptr;
  int32_t width = 0;
  int32_t texelCount = 0;
  int32_t height = 0;
};

// The global colour as the fillers read it, each 0..255.
struct SpanColor {
  int32_t alpha = 255;
  int32_t red = 255;
  int32_t green = 255;
  int32_t blue = 255;
};

// The pixels a filler may write: columns left..right-1 and rows top..bottom-1 of the buffer.
struct SpanClip {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Fills the triangle of the three consecutive vertices into the buffer whose pixel (0, 0) is at
// frameBuffer, rows pitch bytes apart, writing no pixel outside the clip box. An empty or inverted
// box (right <= left or bottom <= top) writes nothing.
using SpanFiller = void (*)(const SpanVertex* vertices, uint8_t* frameBuffer, uint32_t pitch,
                            const SpanTexture* texture, const SpanColor* color, const SpanClip* clip);

// Index bits of TriangleSpanTable; the destination group adds 0, 32, 64 or 96.
constexpr int kSpanTextured = 16;
constexpr int kSpanAlpha = 8;
constexpr int kSpanVertexColors = 4;
constexpr int kSpanGlobalColor = 2;
constexpr int kSpanBilinear = 1;

// The fillers by flags and destination format. Constant: it is complete before any code runs,
// and no entry is null.
extern const std::array<SpanFiller, 128> TriangleSpanTable;

// Kept for callers that fill the table at start-up; the table is constant, so this does nothing
// and may be called any number of times from any thread.
void FillTriangleSpanTable();

// Index of the table entry for the flags and the pixel format code.
int TriangleSpanIndex(bool textured, bool alpha, bool vertexColors, bool globalColor, int32_t pixelFormat,
                      bool bilinear);

// Calls the table entry for the flags and format with the other arguments; a null entry draws
// nothing.
using SpanFillerTable = std::array<SpanFiller, 128>;
void DrawTriangleDispatchThrough(const SpanFillerTable& table, bool textured, bool alpha, bool vertexColors,
                                 bool globalColor, const SpanVertex* vertices, uint8_t* frameBuffer, uint32_t pitch,
                                 const SpanTexture* texture, const SpanColor* color, int32_t pixelFormat,
                                 bool bilinear, const SpanClip* clip);
void DrawTriangleDispatch(bool textured, bool alpha, bool vertexColors, bool globalColor, const SpanVertex* vertices,
                          uint8_t* frameBuffer, uint32_t pitch, const SpanTexture* texture, const SpanColor* color,
                          int32_t pixelFormat, bool bilinear, const SpanClip* clip);

// Draws vertexCount vertices as a triangle strip, clipped to clipRect (which must lie inside the
// destination buffer). A null texture draws untextured triangles, which need vertex colours to
// show. drawMode is accepted and not used: the flags choose the blending.
void DrawTriangleStrip(const TriVertex* vertices, int32_t vertexCount, TriangleTexture* texture, const Color* color,
                       int32_t drawMode, const Rect* clipRect, void* frameBuffer, uint32_t pitch, int32_t pixelFormat,
                       bool bilinear, bool vertexColors);
// The same through another table of fillers (tests record or count what the driver hands on).
void DrawTriangleStripThrough(const SpanFillerTable& table, const TriVertex* vertices, int32_t vertexCount,
                              TriangleTexture* texture, const Color* color, int32_t drawMode, const Rect* clipRect,
                              void* frameBuffer, uint32_t pitch, int32_t pixelFormat, bool bilinear,
                              bool vertexColors);
