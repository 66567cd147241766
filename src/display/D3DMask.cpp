// Geometry of the 3D layer's masked drawing.
#include "display/D3DMask.h"

#include <algorithm>
#include <cmath>

namespace Vesk {

int GetRectSideOfPoint(float w, float h, float x, float y) {
  if (x == 0) return 1;
  if (y == h) return 2;
  if (x == w) return 3;
  if (y == 0) return 4;
  return 0;
}

bool QuadContainsOrigin(const VeskVector2 q[4]) {
  bool inside = false;
  for (int i = 0; i < 4; ++i) {
    const VeskVector2 a = q[(i + 3) % 4], b = q[i];
    if ((a.y > 0) != (b.y > 0) && b.x + (a.x - b.x) * (0 - b.y) / (a.y - b.y) > 0) inside = !inside;
  }
  return inside;
}

int GetSegmentRectCrossings(float w, float h, VeskVector2 a, VeskVector2 b, VeskVector2 out[2]) {
  int n = 0;
  auto add = [&](VeskVector2 p) {
    if (n < 2) out[n] = p;
    ++n;
  };
  // Left, bottom, right, top: the segment must pass strictly from one side of the line to the other.
  auto atX = [&](float x) { return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x); };
  auto atY = [&](float y) { return a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y); };
  if (a.x * b.x < 0) {
    const float y = atX(0);
    if (y >= 0 && y <= h) add({0, y});
  }
  if ((a.y - h) * (b.y - h) < 0) {
    const float x = atY(h);
    if (x >= 0 && x <= w) add({x, h});
  }
  if ((a.x - w) * (b.x - w) < 0) {
    const float y = atX(w);
    if (y >= 0 && y <= h) add({w, y});
  }
  if (a.y * b.y < 0) {
    const float x = atY(0);
    if (x >= 0 && x <= w) add({x, 0});
  }
  n = std::min(n, 2);
  if (n == 2) {
    const bool alongX = std::fabs(a.x - b.x) > std::fabs(a.y - b.y);
    const float ab = alongX ? a.x - b.x : a.y - b.y, fs = alongX ? out[0].x - out[1].x : out[0].y - out[1].y;
    if ((ab < 0) != (fs < 0) && ab != 0 && fs != 0) std::swap(out[0], out[1]);
  }
  return n;
}

void AddRectCornersBetween(float w, float h, VeskVector2 a, VeskVector2 b, std::vector<VeskVector2>& out) {
  const VeskVector2 corners[5] = {{}, {0, h}, {w, h}, {w, 0}, {0, 0}};
  int k = GetRectSideOfPoint(w, h, a.x, a.y);
  const int e = GetRectSideOfPoint(w, h, b.x, b.y);
  // A point off the sides (rounding at a corner) has no way round.
  if (k == 0 || e == 0) return;
  for (int steps = 0; k != e && steps < 4; ++steps) {
    out.push_back(corners[k]);
    k = k % 4 + 1;
  }
}

void ClipQuadToRect(float w, float h, const VeskVector2 quad[4], std::vector<VeskVector2>& out) {
  out.clear();
  // The walk round the corners follows the sides' numbering; a mirrored quadrilateral is turned
  // round first.
  VeskVector2 q[4] = {quad[0], quad[1], quad[2], quad[3]};
  float area = 0;
  for (int i = 0; i < 4; ++i) area += q[i].x * q[(i + 1) % 4].y - q[(i + 1) % 4].x * q[i].y;
  if (area > 0) std::swap(q[1], q[3]);

  auto flat = [](float d) { return std::fabs(d) < 0.0001f; };
  const bool firstAligned = flat(q[0].x - q[1].x) || flat(q[0].y - q[1].y);
  const bool nextAligned = flat(q[1].x - q[2].x) || flat(q[1].y - q[2].y);
  if (firstAligned && nextAligned) {
    float minX = q[0].x, maxX = q[0].x, minY = q[0].y, maxY = q[0].y;
    for (const VeskVector2& p : q) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
    const float left = std::max(minX, 0.0f), right = std::min(maxX, w), top = std::max(minY, 0.0f),
                bottom = std::min(maxY, h);
    if (left < right && top < bottom) out = {{left, top}, {left, bottom}, {right, bottom}, {right, top}};
    return;
  }

  auto inside = [&](VeskVector2 p) { return p.x >= 0 && p.x <= w && p.y >= 0 && p.y <= h; };
  VeskVector2 exit, entry;
  bool pending = false, recorded = false;
  for (int i = 0; i < 4; ++i) {
    const VeskVector2 a = q[i], b = q[(i + 1) % 4];
    VeskVector2 cross[2];
    const int n = GetSegmentRectCrossings(w, h, a, b, cross);
    if (inside(a)) {
      out.push_back(a);
      if (n >= 1) {
        out.push_back(cross[0]);
        exit = cross[0];
        pending = true;
      } else if (!inside(b)) {
        exit = a;
        pending = true;
      }
      continue;
    }
    if (n == 0) continue;
    if (pending) {
      AddRectCornersBetween(w, h, exit, cross[0], out);
      pending = false;
    } else if (!recorded) {
      entry = cross[0];
      recorded = true;
    }
    out.push_back(cross[0]);
    if (n == 2) {
      out.push_back(cross[1]);
      exit = cross[1];
      pending = true;
    }
  }
  if (pending || recorded) AddRectCornersBetween(w, h, exit, recorded ? entry : q[0], out);
  if (out.empty() && QuadContainsOrigin(q)) out = {{0, 0}, {w, 0}, {w, h}, {0, h}};
}

bool InvertMatrix3(const Matrix3& m, Matrix3* out) { return m.Invert(*out); }

}  // namespace Vesk
