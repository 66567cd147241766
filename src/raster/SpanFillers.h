#pragma once
#include "raster/TriangleRaster.h"

// The span fillers of TriangleSpanTable by name, for callers and tests that want one directly.
// The vertex-colour fillers serve the untextured entries with vertex colours (the alpha and
// bilinear bits make no difference to them); the textured fillers one entry each per format.

extern const SpanFiller FillTriangleNone;

extern const SpanFiller FillTriangle8888VertexColor;
extern const SpanFiller FillTriangle8888VertexColorMod;
extern const SpanFiller FillTriangle888VertexColor;
extern const SpanFiller FillTriangle888VertexColorMod;
extern const SpanFiller FillTriangle565VertexColor;
extern const SpanFiller FillTriangle565VertexColorMod;
extern const SpanFiller FillTriangle555VertexColor;
extern const SpanFiller FillTriangle555VertexColorMod;

// Plain textured: the sampled texture copied opaque. The 32-bit pair serves 0x8888 and 0x888.
extern const SpanFiller FillTriangle8888Tex;
extern const SpanFiller FillTriangle8888TexBilinear;
extern const SpanFiller FillTriangle565Tex;
extern const SpanFiller FillTriangle565TexBilinear;
extern const SpanFiller FillTriangle555Tex;
extern const SpanFiller FillTriangle555TexBilinear;

// Alpha-blended textured: the sample laid over the destination by its alpha.
extern const SpanFiller FillTriangle8888TexAlpha;
extern const SpanFiller FillTriangle8888TexAlphaBilinear;
extern const SpanFiller FillTriangle888TexAlpha;
extern const SpanFiller FillTriangle888TexAlphaBilinear;
extern const SpanFiller FillTriangle565TexAlpha;
extern const SpanFiller FillTriangle565TexAlphaBilinear;
extern const SpanFiller FillTriangle555TexAlpha;
extern const SpanFiller FillTriangle555TexAlphaBilinear;
