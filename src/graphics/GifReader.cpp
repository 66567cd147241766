// GIF through giflib: the first image of the file, laid on its logical screen.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/ByteSource.h"
#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace ImageLib {

namespace {

int ReadGif(GifFileType* gif, GifByteType* out, int length) {
  if (length <= 0) return 0;
  return int(static_cast<ByteSource*>(gif->UserData)->Read(out, size_t(length)));
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int err = 0;
    DGifCloseFile(gif, &err);
  }
};

}  // namespace

std::unique_ptr<Vesk::MemoryImage> DecodeGIF(const uint8_t* data, size_t size, const std::string& name) {
  ByteSource src{data, size, 0};
  int err = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, ReadGif, &err));
  auto fail = [&](const char* why) {
    LogMessage("ERROR: Cannot read GIF image %s: %s", name.c_str(), why);
    return nullptr;
  };
  if (!gif) return fail(GifErrorString(err) ? GifErrorString(err) : "not a GIF file");
  int32_t screenW = gif->SWidth, screenH = gif->SHeight;
  int transparent = -1;
  while (true) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return fail("file is truncated or corrupt");
    if (type == TERMINATE_RECORD_TYPE) return fail("no image in file");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR) return fail("corrupt extension block");
      while (ext) {
        if (code == GRAPHICS_EXT_FUNC_CODE && ext[0] >= 4) {
          GraphicsControlBlock gcb;
          if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
        }
        if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR) return fail("corrupt extension block");
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return fail("corrupt image descriptor");
    const GifImageDesc& desc = gif->Image;
    int32_t fw = desc.Width, fh = desc.Height;
    // A screen of 0 by 0 (seen in the wild) takes the frame's size.
    if (screenW <= 0 || screenH <= 0) {
      screenW = desc.Left + fw;
      screenH = desc.Top + fh;
    }
    if (!CheckImageSize(screenW, screenH, name) || !CheckImageSize(fw, fh, name)) return nullptr;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !map->Colors) return fail("no colour table");
    std::vector<GifPixelType> indices(size_t(fw) * size_t(fh));
    if (desc.Interlace) {
      static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int32_t y = kStart[pass]; y < fh; y += kStep[pass])
          if (DGifGetLine(gif.get(), indices.data() + size_t(y) * fw, fw) == GIF_ERROR)
            return fail("file is truncated or corrupt");
    } else {
      for (int32_t y = 0; y < fh; ++y)
        if (DGifGetLine(gif.get(), indices.data() + size_t(y) * fw, fw) == GIF_ERROR)
          return fail("file is truncated or corrupt");
    }
    auto image = std::make_unique<Vesk::MemoryImage>(screenW, screenH);
    uint32_t* bits = image->GetBits();
    for (int32_t y = 0; y < fh; ++y) {
      int32_t sy = desc.Top + y;
      if (sy < 0 || sy >= screenH) continue;
      for (int32_t x = 0; x < fw; ++x) {
        int32_t sx = desc.Left + x;
        if (sx < 0 || sx >= screenW) continue;
        int idx = indices[size_t(y) * fw + x];
        if (idx == transparent) continue;
        if (idx >= map->ColorCount) return fail("colour index outside the colour table");
        const GifColorType& c = map->Colors[idx];
        bits[size_t(sy) * screenW + sx] = 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
      }
    }
    image->mFilePath = name;
    image->BitsChanged();
    image->CommitBits();
    return image;
  }
}

}  // namespace ImageLib
