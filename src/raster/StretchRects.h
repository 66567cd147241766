#pragma once
#include "graphics/Rect.h"

// Rectangle set-up of the stretched and rotated blits: which destination pixels to visit and
// which part of the source they show, cut to a clip rectangle.

// Cuts destRect to clipRect and cuts srcRect in the same proportion, so that clippedSrc is the part
// of the source that the remaining destination pixels show (clippedSrc in source pixels, not
// rounded). False, with the outputs untouched, when nothing remains or either rectangle is empty.
bool ClipStretchRects(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, Rect& clippedDest,
                      FRect& clippedSrc);

// The same for a source drawn mirrored in x: the destination's left edge shows the source's right
// edge, so a cut on the destination's left removes source columns on the right and the other way
// round. clippedSrc is still given left to right; the blit walks it from the right end of each row.
bool ClipStretchMirrorRects(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, Rect& clippedDest,
                            FRect& clippedSrc);

// Bounding box of the destination pixels covered by srcRect drawn at (x, y) and turned by angle
// (radians) about (x + centerX, y + centerY), cut to clipRect. The rotation is the one the rotated
// blit samples with: destination offset (px, py) from the centre shows the source at
// (centerX + px cos - py sin, centerY + px sin + py cos) from the source corner. False, with box
// untouched, when the box is empty, the source is empty or any argument is not finite.
bool ComputeRotatedBounds(float x, float y, const Rect& srcRect, const Rect& clipRect, double angle, float centerX,
                          float centerY, Rect& box);
