#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "board/ZCItem.h"

// A polygon hit region filled by the winding rule. A pixel belongs to the region when its
// centre does, so the right and bottom edges of a rectangle lie outside, as with the regions
// of desktop drawing systems.
class PolygonRegion {
 public:
  // Integers separated by white space, read in pairs x y; a trailing odd number and anything
  // after the first token that is not an integer are ignored. Numbers beyond the 32-bit range
  // are clamped to it.
  static std::vector<BoardPoint> ParsePoints(const std::string& text);

  // Fewer than two vertices give an empty region.
  void SetPolygon(std::vector<BoardPoint> vertices);
  void Clear() { mVertices.clear(); }
  bool IsEmpty() const { return mVertices.size() < 2; }
  bool Contains(int32_t x, int32_t y) const;
  const std::vector<BoardPoint>& Vertices() const { return mVertices; }

 private:
  std::vector<BoardPoint> mVertices;
};
