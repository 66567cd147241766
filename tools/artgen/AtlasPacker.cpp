#include "AtlasPacker.h"

#include <algorithm>
#include <numeric>

AtlasRect TrimTransparent(const std::vector<uint32_t>& pixels, int32_t w, int32_t h) {
  int32_t x0 = w, y0 = h, x1 = -1, y1 = -1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (pixels[size_t(y) * size_t(w) + size_t(x)] >> 24) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) return {};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool PackShelves(const std::vector<AtlasRect>& sizes, int32_t pageWidth, int32_t pageHeight, int32_t gap,
                 std::vector<AtlasPlace>& places, int32_t& pages, std::string& error) {
  struct Shelf {
    int32_t y, h, x;
  };
  struct Page {
    std::vector<Shelf> shelves;
    int32_t bottom = 0;  // where the next shelf starts
  };
  std::vector<Page> open;
  std::vector<size_t> order(sizes.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return sizes[a].h > sizes[b].h; });
  places.assign(sizes.size(), AtlasPlace{});
  for (size_t i : order) {
    const int32_t w = sizes[i].w, h = sizes[i].h;
    if (w > pageWidth || h > pageHeight) {
      error = "a picture of " + std::to_string(w) + "x" + std::to_string(h) + " does not fit on a page of " +
              std::to_string(pageWidth) + "x" + std::to_string(pageHeight);
      return false;
    }
    if (w == 0 || h == 0) continue;  // nothing to show: no room taken
    auto place = [&]() -> AtlasPlace {
      for (size_t p = 0; p < open.size(); ++p) {
        for (Shelf& s : open[p].shelves)
          if (h <= s.h && s.x + w <= pageWidth) {
            const AtlasPlace at{int32_t(p), s.x, s.y};
            s.x += w + gap;
            return at;
          }
        if (open[p].bottom + h <= pageHeight) {
          open[p].shelves.push_back({open[p].bottom, h, w + gap});
          const AtlasPlace at{int32_t(p), 0, open[p].bottom};
          open[p].bottom += h + gap;
          return at;
        }
      }
      open.emplace_back();
      open.back().shelves.push_back({0, h, w + gap});
      open.back().bottom = h + gap;
      return {int32_t(open.size() - 1), 0, 0};
    };
    places[i] = place();
  }
  pages = std::max<int32_t>(1, int32_t(open.size()));
  return true;
}

std::string AtlasDescriptionXml(const std::vector<AtlasEntry>& entries, int32_t pages) {
  auto attr = [](const char* name, int32_t v) { return std::string(" ") + name + "=\"" + std::to_string(v) + "\""; };
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<atlas_content" + attr("atlas_count", pages) + ">\n";
  for (const AtlasEntry& e : entries)
    xml += "  <image name=\"" + e.mName + "\"" + attr("atlas", e.mPlace.page) + attr("offsetX", e.mTrim.x) +
           attr("offsetY", e.mTrim.y) + attr("atlasX", e.mPlace.x) + attr("atlasY", e.mPlace.y) +
           attr("W", e.mTrim.w) + attr("H", e.mTrim.h) + attr("origW", e.mOrigW) + attr("origH", e.mOrigH) + "/>\n";
  return xml + "</atlas_content>\n";
}
