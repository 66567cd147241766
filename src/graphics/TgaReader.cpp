// TGA (Truevision) reader: colour-mapped, true-colour and grey images, raw or run-length
// encoded, 8 to 32 bits per pixel, either origin corner.
#include <cstring>
#include <vector>

#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace ImageLib {

namespace {

// One pixel value of `bits` bits in the file's little-endian layout to ARGB.
uint32_t Expand(const uint8_t* p, int bits, int alphaBits) {
  switch (bits) {
    case 15:
    case 16: {
      uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8);
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      uint32_t a = (bits == 16 && alphaBits > 0) ? ((v & 0x8000) ? 255 : 0) : 255;
      return (a << 24) | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
    }
    case 24:
      return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    case 32: {
      uint32_t a = alphaBits > 0 ? p[3] : 255;
      return (a << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    default:
      return 0;
  }
}

}  // namespace

std::unique_ptr<Vesk::MemoryImage> DecodeTGA(const uint8_t* data, size_t size, const std::string& name) {
  auto fail = [&](const char* why) {
    LogMessage("ERROR: Cannot read TGA image %s: %s", name.c_str(), why);
    return nullptr;
  };
  if (size < 18) return fail("file is truncated");
  int idLength = data[0], mapType = data[1], imageType = data[2];
  int mapFirst = data[3] | (data[4] << 8), mapLength = data[5] | (data[6] << 8), mapBits = data[7];
  int32_t width = data[12] | (data[13] << 8), height = data[14] | (data[15] << 8);
  int pixelBits = data[16], descriptor = data[17];
  int alphaBits = descriptor & 15;
  bool rightToLeft = descriptor & 0x10, topDown = descriptor & 0x20;
  bool rle = imageType >= 9;
  int kind = imageType & 7;  // 1 colour-mapped, 2 true-colour, 3 grey
  if (imageType != 1 && imageType != 2 && imageType != 3 && imageType != 9 && imageType != 10 && imageType != 11)
    return fail("unsupported image type");
  if (mapType > 1) return fail("unsupported colour map type");
  if (kind == 1 && (mapType != 1 || pixelBits != 8)) return fail("unsupported colour-mapped layout");
  if (kind == 2 && pixelBits != 15 && pixelBits != 16 && pixelBits != 24 && pixelBits != 32)
    return fail("unsupported pixel depth");
  if (kind == 3 && pixelBits != 8 && pixelBits != 16) return fail("unsupported grey depth");
  if (width == 0 || height == 0) return fail("image has no pixels");
  if (!CheckImageSize(width, height, name)) return nullptr;

  size_t pos = 18 + size_t(idLength);
  std::vector<uint32_t> palette;
  if (mapType == 1) {
    if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return fail("unsupported colour map depth");
    size_t entryBytes = size_t(mapBits + 7) / 8;
    if (pos + entryBytes * mapLength > size) return fail("file is truncated");
    // The colour map is read whole even by true-colour images that carry one, to skip it.
    if (kind == 1) {
      palette.assign(size_t(mapFirst) + mapLength, 0);
      for (int i = 0; i < mapLength; ++i)
        palette[size_t(mapFirst) + i] = Expand(data + pos + entryBytes * i, mapBits, mapBits == 32 ? 8 : 0);
    }
    pos += entryBytes * mapLength;
  }

  size_t bytesPerPixel = size_t(pixelBits + 7) / 8;
  size_t count = size_t(width) * size_t(height);
  // Smallest possible encoding: one byte per 128 pixels of packet header plus one value.
  size_t minBytes = rle ? (count + 127) / 128 * (1 + bytesPerPixel) : count * bytesPerPixel;
  if (size - std::min(size, pos) < minBytes) return fail("file is truncated");

  auto image = std::make_unique<Vesk::MemoryImage>(width, height);
  uint32_t* bits = image->GetBits();
  bool badIndex = false;
  auto convert = [&](const uint8_t* p) -> uint32_t {
    if (kind == 1) {
      if (p[0] >= palette.size()) {
        badIndex = true;
        return 0;
      }
      return palette[p[0]];
    }
    if (kind == 3) {
      uint32_t v = p[0];
      uint32_t a = (pixelBits == 16 && alphaBits > 0) ? p[1] : 255;
      return (a << 24) | (v << 16) | (v << 8) | v;
    }
    return Expand(p, pixelBits, alphaBits);
  };
  // Pixels in file order, stored where the origin corner puts them.
  size_t done = 0;
  auto store = [&](uint32_t v) {
    size_t row = done / size_t(width), col = done % size_t(width);
    size_t y = topDown ? row : size_t(height) - 1 - row;
    size_t x = rightToLeft ? size_t(width) - 1 - col : col;
    bits[y * size_t(width) + x] = v;
    ++done;
  };
  if (!rle) {
    for (size_t i = 0; i < count; ++i) store(convert(data + pos + i * bytesPerPixel));
  } else {
    while (done < count) {
      if (pos >= size) return fail("file is truncated");
      uint8_t header = data[pos++];
      size_t n = size_t(header & 127) + 1;
      if (n > count - done) return fail("run passes the end of the image");
      if (header & 128) {
        if (pos + bytesPerPixel > size) return fail("file is truncated");
        uint32_t v = convert(data + pos);
        pos += bytesPerPixel;
        for (size_t i = 0; i < n; ++i) store(v);
      } else {
        if (pos + n * bytesPerPixel > size) return fail("file is truncated");
        for (size_t i = 0; i < n; ++i) store(convert(data + pos + i * bytesPerPixel));
        pos += n * bytesPerPixel;
      }
    }
  }
  if (badIndex) return fail("colour index outside the colour map");
  image->mFilePath = name;
  image->BitsChanged();
  image->CommitBits();
  return image;
}

}  // namespace ImageLib
