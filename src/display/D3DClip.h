#pragma once
// Polygon clipping for the 3D layer: a convex polygon of device vertices is cut against one
// lower or upper limit on one vertex component at a time (x, y, or a texture coordinate), so the
// same code clips to a rectangle on the screen and to a texture piece's range.
#include <cstdint>
#include <vector>

#include "platform/video/SoftDevice.h"

namespace Vesk::D3DClip {

// Components of a vertex that a limit can apply to.
enum Component : int32_t { X = 0, Y = 1, U0 = 2, V0 = 3, U1 = 4, V1 = 5 };

inline float& Get(Platform::Video::VertexTex1& v, int32_t c) {
  switch (c) {
    case X: return v.mX;
    case Y: return v.mY;
    case U0: return v.mU;
    default: return v.mV;
  }
}
inline float& Get(Platform::Video::VertexTex2& v, int32_t c) {
  switch (c) {
    case X: return v.mX;
    case Y: return v.mY;
    case U0: return v.mU0;
    case V0: return v.mV0;
    case U1: return v.mU1;
    default: return v.mV1;
  }
}
inline int32_t ComponentCount(const Platform::Video::VertexTex1&) { return 4; }
inline int32_t ComponentCount(const Platform::Video::VertexTex2&) { return 6; }

// The point at t along a to b: positions and texture coordinates interpolated, each diffuse
// channel too when the colours differ (truncated); the rest taken from a.
template <typename Vertex>
Vertex Crossing(Vertex a, Vertex b, float t) {
  Vertex out = a;
  for (int32_t c = 0; c < ComponentCount(a); ++c) Get(out, c) = Get(a, c) + (Get(b, c) - Get(a, c)) * t;
  if (a.mDiffuse != b.mDiffuse) {
    uint32_t d = 0;
    for (int32_t shift = 0; shift < 32; shift += 8) {
      const float ca = float((a.mDiffuse >> shift) & 255u), cb = float((b.mDiffuse >> shift) & 255u);
      const float c = ca + (cb - ca) * t;
      d |= uint32_t(c < 0 ? 0 : c > 255 ? 255 : c) << shift;
    }
    out.mDiffuse = d;
  }
  return out;
}

// Keeps the part of the polygon where component c >= limit (lower) or <= limit (upper); a
// vertex on the limit is inside. The polygon is replaced by what is left.
template <typename Vertex>
void ClipAgainst(std::vector<Vertex>& polygon, int32_t c, float limit, bool upper) {
  if (polygon.empty()) return;
  std::vector<Vertex> out;
  out.reserve(polygon.size() + 2);
  auto inside = [&](Vertex& v) { return upper ? Get(v, c) <= limit : Get(v, c) >= limit; };
  Vertex* a = &polygon.back();
  for (Vertex& b : polygon) {
    const bool ia = inside(*a), ib = inside(b);
    if (ia != ib) {
      const float ac = Get(*a, c), bc = Get(b, c);
      out.push_back(Crossing(*a, b, (limit - ac) / (bc - ac)));
    }
    if (ib) out.push_back(b);
    a = &b;
  }
  polygon.swap(out);
}

// Clips to left <= x <= right and top <= y <= bottom.
template <typename Vertex>
void ClipToRect(std::vector<Vertex>& polygon, float left, float top, float right, float bottom) {
  ClipAgainst(polygon, X, left, false);
  ClipAgainst(polygon, Y, top, false);
  ClipAgainst(polygon, X, right, true);
  ClipAgainst(polygon, Y, bottom, true);
}

}  // namespace Vesk::D3DClip
