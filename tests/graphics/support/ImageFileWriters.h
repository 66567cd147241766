#pragma once
// Writers of test image files in the variants each format has, built with the codec libraries
// (or by hand for TGA), so the readers are tested on files they did not write themselves.
#include <cstdint>
#include <functional>
#include <vector>

namespace testfiles {

using PixelFn = std::function<uint32_t(int x, int y)>;  // 0xAARRGGBB

// PNG of a libpng colour type and depth; palette images get a tRNS chunk when some alpha is
// below 255.
std::vector<uint8_t> Png(int w, int h, int colorType, int depth, bool interlace, const PixelFn& px);
// GIF with a global colour table built from the pixels (at most 256 colours); pixels with alpha 0
// use a transparent index. The frame sits at (left, top) in a screen of screenW x screenH.
std::vector<uint8_t> Gif(int w, int h, const PixelFn& px, bool interlace, int screenW = 0, int screenH = 0,
                         int left = 0, int top = 0);
// TGA: imageType 1, 2, 3, 9, 10 or 11; bits 8, 15, 16, 24 or 32; origin at the top or bottom.
std::vector<uint8_t> Tga(int w, int h, int imageType, int bits, bool topDown, const PixelFn& px);
// JPEG 2000 codestream (jp2 = false) or JP2 file, lossless, with 1, 3 or 4 components.
std::vector<uint8_t> Jpeg2000(int w, int h, int comps, bool jp2, const PixelFn& px);
// JPEG in grey (1 component) or CMYK (4 components, stored the inverted way Adobe writes it:
// 255 is no ink), quality 100.
std::vector<uint8_t> Jpeg(int w, int h, int comps, const PixelFn& px);
// Fixes up the CRC of every chunk of a PNG (after a test edited it).
void FixPngCrcs(std::vector<uint8_t>& png);

}  // namespace testfiles
