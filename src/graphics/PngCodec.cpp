// PNG through libpng, from and to memory.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace ImageLib {

namespace {

struct ReadState {
  const uint8_t* data;
  size_t size;
  size_t pos;
  const std::string* name;
  char error[200];
};

void ReadData(png_structp png, png_bytep out, png_size_t length) {
  auto* st = static_cast<ReadState*>(png_get_io_ptr(png));
  if (length > st->size - st->pos) png_error(png, "file is truncated");
  std::memcpy(out, st->data + st->pos, length);
  st->pos += length;
}

void OnError(png_structp png, png_const_charp msg) {
  auto* st = static_cast<ReadState*>(png_get_error_ptr(png));
  std::snprintf(st->error, sizeof(st->error), "%s", msg);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The libpng part, kept free of objects with destructors because of longjmp.
bool DecodeInto(ReadState* st, Vesk::MemoryImage* image) {
  png_bytep* volatile rows = nullptr;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, st, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    if (rows) png_free(png, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, st, ReadData);
  png_set_user_limits(png, uint32_t(kMaxSide), uint32_t(kMaxSide));
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
  if (!CheckImageSize(w, h, *st->name)) {
    std::snprintf(st->error, sizeof(st->error), "%s", "");
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  // Little-endian 0xAARRGGBB words are the bytes B, G, R, A.
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unsupported pixel layout");
  image->Create(int32_t(w), int32_t(h));
  uint32_t* bits = image->GetBits();
  rows = static_cast<png_bytep*>(png_malloc(png, sizeof(png_bytep) * h));
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = reinterpret_cast<png_bytep>(bits + size_t(y) * w);
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  png_free(png, rows);
  rows = nullptr;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

struct WriteState {
  std::vector<uint8_t>* out;
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
  auto* st = static_cast<WriteState*>(png_get_io_ptr(png));
  st->out->insert(st->out->end(), data, data + length);
}
void FlushData(png_structp) {}

bool EncodeInto(Vesk::MemoryImage* image, WriteState* st, char* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    std::snprintf(error, 64, "%s", "libpng failed");
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, st, WriteData, FlushData);
  uint32_t w = uint32_t(image->mWidth), h = uint32_t(image->mHeight);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  uint32_t* bits = image->GetBits();
  for (uint32_t y = 0; y < h; ++y) png_write_row(png, reinterpret_cast<png_bytep>(bits + size_t(y) * w));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::unique_ptr<Vesk::MemoryImage> DecodePNG(const uint8_t* data, size_t size, const std::string& name) {
  ReadState st{data, size, 0, &name, "cannot decode"};
  auto image = std::make_unique<Vesk::MemoryImage>();
  if (!DecodeInto(&st, image.get())) {
    if (st.error[0]) LogMessage("ERROR: Cannot read PNG image %s: %s", name.c_str(), st.error);
    return nullptr;
  }
  image->mFilePath = name;
  image->BitsChanged();
  image->CommitBits();
  return image;
}

bool EncodePNG(Vesk::MemoryImage& image, std::vector<uint8_t>& out) {
  out.clear();
  if (image.mWidth <= 0 || image.mHeight <= 0) return false;
  WriteState st{&out};
  char error[64] = {0};
  return EncodeInto(&image, &st, error);
}

}  // namespace ImageLib
