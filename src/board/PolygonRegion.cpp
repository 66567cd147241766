#include "board/PolygonRegion.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "shell/Log.h"

std::vector<BoardPoint> PolygonRegion::ParsePoints(const std::string& text) {
  std::vector<int32_t> numbers;
  const char* p = text.c_str();
  for (;;) {
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (!*p) break;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(p, &end, 10);
    if (end == p) break;
    if (value > INT32_MAX || value < INT32_MIN) {
      const long long bound = value > 0 ? INT32_MAX : INT32_MIN;
      LogMessage("WARNING: the board layout: a region's coordinate %lld cannot be used; %lld used", value, bound);
      value = bound;
    }
    numbers.push_back(int32_t(value));
    p = end;
  }
  std::vector<BoardPoint> points;
  for (size_t i = 0; i + 1 < numbers.size(); i += 2) points.push_back(BoardPoint{numbers[i], numbers[i + 1]});
  return points;
}

void PolygonRegion::SetPolygon(std::vector<BoardPoint> vertices) {
  mVertices = std::move(vertices);
  if (mVertices.size() < 2) mVertices.clear();
}

bool PolygonRegion::Contains(int32_t x, int32_t y) const {
  if (IsEmpty()) return false;
  // The winding number of the pixel centre. Vertices are whole numbers, so the centre's row
  // never passes through a vertex and no crossing is counted twice.
  const double px = double(x) + 0.5;
  const double py = double(y) + 0.5;
  int64_t winding = 0;
  const size_t n = mVertices.size();
  for (size_t i = 0; i < n; ++i) {
    const BoardPoint& a = mVertices[i];
    const BoardPoint& b = mVertices[(i + 1) % n];
    const double ay = a.y, by = b.y;
    if ((ay < py) == (by < py)) continue;
    const double cx = double(a.x) + (py - ay) * (double(b.x) - double(a.x)) / (by - ay);
    if (cx <= px) continue;
    winding += (by > ay) ? 1 : -1;
  }
  return winding != 0;
}
