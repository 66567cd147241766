#include "raster/TriangleClip.h"

namespace {

// One channel of two colour words at fraction t from o to i, truncated toward zero.
uint32_t MixChannel(uint32_t o, uint32_t i, int shift, float t) {
  int32_t oc = int32_t((o >> shift) & 0xFF);
  int32_t ic = int32_t((i >> shift) & 0xFF);
  const float c = float(oc) + float(ic - oc) * t;
  if (!(c >= 0.0f)) return 0;  // also when t is not a number (cuts of infinite edges)
  return uint32_t(c < 255.0f ? int32_t(c) : 255) << shift;
}

template <bool kAtX>
void InterpolateAt(const TriVertex& o, const TriVertex& i, float edge, TriVertex& out) {
  float t = kAtX ? (edge - o.x) / (i.x - o.x) : (edge - o.y) / (i.y - o.y);
  out.x = kAtX ? edge : o.x + (i.x - o.x) * t;
  out.y = kAtX ? o.y + (i.y - o.y) * t : edge;
  out.u = o.u + (i.u - o.u) * t;
  out.v = o.v + (i.v - o.v) * t;
  out.color = MixChannel(o.color, i.color, 24, t) | MixChannel(o.color, i.color, 16, t) |
              MixChannel(o.color, i.color, 8, t) | MixChannel(o.color, i.color, 0, t);
}

// One stage of the polygon clip; Inside says whether a vertex lies on the kept side. A coordinate
// that is not a number counts as inside (the driver never hands one in).
template <class Inside>
int ClipStage(const ClipList& in, float edge, ClipList& out, ClipStore& store, Inside inside, bool atX) {
  int n = 0;
  while (n < kClipListSize - 1 && in[n]) ++n;
  int written = 0;
  for (int k = 0; k < n; ++k) {
    const TriVertex* p = in[k];
    const TriVertex* q = in[k + 1 < n ? k + 1 : 0];
    bool pIn = inside(*p);
    bool qIn = inside(*q);
    if (pIn && written < kClipListSize - 1) out[written++] = p;
    if (pIn != qIn && written < kClipListSize - 1 && store.count < kClipListSize) {
      TriVertex& made = store.vertices[store.count++];
      const TriVertex& o = pIn ? *q : *p;
      const TriVertex& i = pIn ? *p : *q;
      if (atX)
        InterpolateAt<true>(o, i, edge, made);
      else
        InterpolateAt<false>(o, i, edge, made);
      out[written++] = &made;
    }
  }
  out[written] = nullptr;
  return written;
}

}  // namespace

void InterpolateVertexAtX(const TriVertex& o, const TriVertex& i, float edge, TriVertex& out) {
  InterpolateAt<true>(o, i, edge, out);
}

void InterpolateVertexAtY(const TriVertex& o, const TriVertex& i, float edge, TriVertex& out) {
  InterpolateAt<false>(o, i, edge, out);
}

// "Not outside" rather than "inside", so that NaN counts as inside.
int ClipPolygonLeft(const ClipList& in, float edge, ClipList& out, ClipStore& store) {
  return ClipStage(in, edge, out, store, [edge](const TriVertex& v) { return !(v.x < edge); }, true);
}

int ClipPolygonRight(const ClipList& in, float edge, ClipList& out, ClipStore& store) {
  return ClipStage(in, edge, out, store, [edge](const TriVertex& v) { return !(v.x > edge); }, true);
}

int ClipPolygonTop(const ClipList& in, float edge, ClipList& out, ClipStore& store) {
  return ClipStage(in, edge, out, store, [edge](const TriVertex& v) { return !(v.y < edge); }, false);
}

int ClipPolygonBottom(const ClipList& in, float edge, ClipList& out, ClipStore& store) {
  return ClipStage(in, edge, out, store, [edge](const TriVertex& v) { return !(v.y > edge); }, false);
}

int ClipTriangleToRect(const TriVertex* p0, const TriVertex* p1, const TriVertex* p2, float left, float right,
                       float top, float bottom, ClipList& out, ClipStore& store) {
  store.count = 0;
  ClipList input = {p0, p1, p2, nullptr};
  ClipList own;
  if (ClipPolygonLeft(input, left, own, store) < 3) return out[0] = nullptr, 0;
  if (ClipPolygonRight(own, right, out, store) < 3) return out[0] = nullptr, 0;
  if (ClipPolygonTop(out, top, own, store) < 3) return out[0] = nullptr, 0;
  int n = ClipPolygonBottom(own, bottom, out, store);
  if (n < 3) return out[0] = nullptr, 0;
  return n;
}
