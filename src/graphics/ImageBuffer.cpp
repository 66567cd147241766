// The triangle rasteriser is not linked into the image code yet: until it is, matrix and
// triangle drawing leave the buffer as it is.
#include "graphics/ImageBuffer.h"

void DrawImageMatrixToBuffer(Vesk::MemoryImage*, float, float, const Matrix3&, const Rect&, const Color&, int32_t,
                             const Rect&, void*, int32_t, int32_t, bool) {}

void DrawTrianglesToBuffer(Vesk::MemoryImage*, const TriVertex (*)[3], int32_t, const Rect&, const Color&, int32_t,
                           void*, int32_t, int32_t, float, float, bool) {}
