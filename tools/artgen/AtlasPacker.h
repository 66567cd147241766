#pragma once
// Texture atlases for the art generator: pictures trimmed of their transparent borders and
// packed on pages of a fixed size, with the description the game reads
// ("atlas_content/image": name, page, offsets, place on the page, trimmed and untrimmed sizes).
#include <cstdint>
#include <string>
#include <vector>

struct AtlasRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

// The smallest rectangle holding every pixel with non-zero alpha of a w x h picture of
// 0xAARRGGBB pixels; 0 x 0 at (0, 0) when none is.
AtlasRect TrimTransparent(const std::vector<uint32_t>& pixels, int32_t w, int32_t h);

struct AtlasPlace {
  int32_t page = 0, x = 0, y = 0;
};

// Shelf packing: the sizes are taken tallest first; each goes on the first shelf of the first
// page where it fits, else on a new shelf at the bottom of the first page with room, else on a
// new page. `gap` pixels separate neighbours (a filtered draw never takes in a neighbour's
// colour). Places come in the order of `sizes` (w and h of each); false with the reason when a
// size is larger than a page. `pages` is the number of pages used.
bool PackShelves(const std::vector<AtlasRect>& sizes, int32_t pageWidth, int32_t pageHeight, int32_t gap,
                 std::vector<AtlasPlace>& places, int32_t& pages, std::string& error);

// One picture of a packed atlas, as the description lists it.
struct AtlasEntry {
  std::string mName;
  AtlasPlace mPlace;
  AtlasRect mTrim;  // inside the untrimmed picture
  int32_t mOrigW = 0, mOrigH = 0;
};

// The text of "<name>_atlaspack.xml".
std::string AtlasDescriptionXml(const std::vector<AtlasEntry>& entries, int32_t pages);
