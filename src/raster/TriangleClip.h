#pragma once
#include <cstdint>

#include "graphics/TriVertex.h"

// Clipping of one triangle against a rectangle, in floats, one edge at a time (left, right, top,
// bottom). Vertices that pass are referenced, not copied; vertices made on an edge live in the
// caller's ClipStore and stay valid until the store is used for the next triangle.

constexpr int kClipListSize = 64;

struct ClipStore {
  TriVertex vertices[kClipListSize];
  int count = 0;
};

// A polygon: vertex references in order, ended by a null reference.
using ClipList = const TriVertex* [kClipListSize];

// Clips the triangle (p0, p1, p2) to left <= x <= right, top <= y <= bottom. Writes the polygon
// that remains into out, ended by null, and returns its vertex count: 0, or 3 to 7. A vertex made
// on an edge lies exactly on it.
int ClipTriangleToRect(const TriVertex* p0, const TriVertex* p1, const TriVertex* p2, float left, float right,
                       float top, float bottom, ClipList& out, ClipStore& store);

int ClipPolygonLeft(const ClipList& in, float edge, ClipList& out, ClipStore& store);
int ClipPolygonRight(const ClipList& in, float edge, ClipList& out, ClipStore& store);
int ClipPolygonTop(const ClipList& in, float edge, ClipList& out, ClipStore& store);
int ClipPolygonBottom(const ClipList& in, float edge, ClipList& out, ClipStore& store);

// The vertex where the edge from the outside vertex o to the inside vertex i crosses x = edge
// (or y = edge): every attribute interpolated, colours channel by channel, the crossing coordinate
// set to the edge itself.
void InterpolateVertexAtX(const TriVertex& o, const TriVertex& i, float edge, TriVertex& out);
void InterpolateVertexAtY(const TriVertex& o, const TriVertex& i, float edge, TriVertex& out);
