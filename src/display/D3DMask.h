#pragma once
// Geometry of the 3D layer's masked drawing: the part of a mask rectangle, carried into an
// image's source space by an affine mapping, that covers one rectangle R(w, h) = [0, w] x [0, h]
// of that space (y pointing down). Its sides are numbered 1 left, 2 bottom, 3 right, 4 top;
// going round in that order each side ends at a corner: (0, h), (w, h), (w, 0), (0, 0).
#include <vector>

#include "graphics/Matrix3.h"
#include "graphics/VeskVector2.h"

namespace Vesk {

// The polygon q ∩ R(w, h) of a convex quadrilateral q0..q3, in q's order (the list is emptied
// first; it stays empty when they do not overlap). A quadrilateral of either turning sense
// gives the same region.
void ClipQuadToRect(float w, float h, const VeskVector2 q[4], std::vector<VeskVector2>& out);
// The points where the segment a -> b crosses the sides of R(w, h), at most two, ordered from a
// towards b; an end lying on a side's line crosses nothing there.
int GetSegmentRectCrossings(float w, float h, VeskVector2 a, VeskVector2 b, VeskVector2 out[2]);
// Appends the corners passed going round from a to b (both on sides of R).
void AddRectCornersBetween(float w, float h, VeskVector2 a, VeskVector2 b, std::vector<VeskVector2>& out);
// The side the point lies on, 1 to 4 (a corner takes the first that matches), or 0.
int GetRectSideOfPoint(float w, float h, float x, float y);
// Whether (0, 0) lies inside the quadrilateral (even-odd rule).
bool QuadContainsOrigin(const VeskVector2 q[4]);
// The inverse; false when the matrix is singular.
bool InvertMatrix3(const Matrix3& m, Matrix3* out);

}  // namespace Vesk
