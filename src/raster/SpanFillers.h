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

// Textured, tinted and faded by the global colour.
extern const SpanFiller FillTriangle8888TexMod;
extern const SpanFiller FillTriangle8888TexModBilinear;
extern const SpanFiller FillTriangle888TexMod;
extern const SpanFiller FillTriangle888TexModBilinear;
extern const SpanFiller FillTriangle565TexMod;
extern const SpanFiller FillTriangle565TexModBilinear;
extern const SpanFiller FillTriangle555TexMod;
extern const SpanFiller FillTriangle555TexModBilinear;

// Textured, tinted by the interpolated vertex colours.
extern const SpanFiller FillTriangle8888TexVertexColor;
extern const SpanFiller FillTriangle8888TexVertexColorBilinear;
extern const SpanFiller FillTriangle888TexVertexColor;
extern const SpanFiller FillTriangle888TexVertexColorBilinear;
extern const SpanFiller FillTriangle565TexVertexColor;
extern const SpanFiller FillTriangle565TexVertexColorBilinear;
extern const SpanFiller FillTriangle555TexVertexColor;
extern const SpanFiller FillTriangle555TexVertexColorBilinear;

// Textured, tinted by the vertex colours and the global colour.
extern const SpanFiller FillTriangle8888TexVertexColorMod;
extern const SpanFiller FillTriangle8888TexVertexColorModBilinear;
extern const SpanFiller FillTriangle888TexVertexColorMod;
extern const SpanFiller FillTriangle888TexVertexColorModBilinear;
extern const SpanFiller FillTriangle565TexVertexColorMod;
extern const SpanFiller FillTriangle565TexVertexColorModBilinear;
extern const SpanFiller FillTriangle555TexVertexColorMod;
extern const SpanFiller FillTriangle555TexVertexColorModBilinear;

// Alpha-blended textured, tinted and faded by the global colour.
extern const SpanFiller FillTriangle8888TexAlphaMod;
extern const SpanFiller FillTriangle8888TexAlphaModBilinear;
extern const SpanFiller FillTriangle888TexAlphaMod;
extern const SpanFiller FillTriangle888TexAlphaModBilinear;
extern const SpanFiller FillTriangle565TexAlphaMod;
extern const SpanFiller FillTriangle565TexAlphaModBilinear;
extern const SpanFiller FillTriangle555TexAlphaMod;
extern const SpanFiller FillTriangle555TexAlphaModBilinear;

// Alpha-blended textured, tinted by the vertex colours.
extern const SpanFiller FillTriangle8888TexAlphaVertexColor;
extern const SpanFiller FillTriangle8888TexAlphaVertexColorBilinear;
extern const SpanFiller FillTriangle888TexAlphaVertexColor;
extern const SpanFiller FillTriangle888TexAlphaVertexColorBilinear;
extern const SpanFiller FillTriangle565TexAlphaVertexColor;
extern const SpanFiller FillTriangle565TexAlphaVertexColorBilinear;
extern const SpanFiller FillTriangle555TexAlphaVertexColor;
extern const SpanFiller FillTriangle555TexAlphaVertexColorBilinear;

// Alpha-blended textured, tinted by the vertex colours and the global colour.
extern const SpanFiller FillTriangle8888TexAlphaVertexColorMod;
extern const SpanFiller FillTriangle8888TexAlphaVertexColorModBilinear;
extern const SpanFiller FillTriangle888TexAlphaVertexColorMod;
extern const SpanFiller FillTriangle888TexAlphaVertexColorModBilinear;
extern const SpanFiller FillTriangle565TexAlphaVertexColorMod;
extern const SpanFiller FillTriangle565TexAlphaVertexColorModBilinear;
extern const SpanFiller FillTriangle555TexAlphaVertexColorMod;
extern const SpanFiller FillTriangle555TexAlphaVertexColorModBilinear;
