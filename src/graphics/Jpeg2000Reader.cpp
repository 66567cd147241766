// JPEG 2000 (.j2k codestreams and .jp2 files) through OpenJPEG, from memory.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>

#include "graphics/ByteSource.h"
#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace ImageLib {

namespace {

OPJ_SIZE_T Read(void* out, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<ByteSource*>(user);
  // The end of the data is told by (OPJ_SIZE_T)-1.
  if (s->pos >= s->size) return OPJ_SIZE_T(-1);
  return s->Read(out, n);
}

OPJ_OFF_T Skip(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<ByteSource*>(user);
  if (n < 0) {
    size_t back = std::min(size_t(-n), s->pos);
    s->pos -= back;
    return -OPJ_OFF_T(back);
  }
  size_t k = std::min(size_t(n), s->size - s->pos);
  s->pos += k;
  return OPJ_OFF_T(k);
}

OPJ_BOOL Seek(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<ByteSource*>(user);
  if (n < 0 || size_t(n) > s->size) return OPJ_FALSE;
  s->pos = size_t(n);
  return OPJ_TRUE;
}

void Quiet(const char*, void*) {}
void KeepError(const char* msg, void* user) {
  auto* out = static_cast<std::string*>(user);
  if (out->empty()) {
    *out = msg;
    while (!out->empty() && (out->back() == '\n' || out->back() == '\r')) out->pop_back();
  }
}

}  // namespace

std::unique_ptr<Vesk::MemoryImage> DecodeJPEG2000(const uint8_t* data, size_t size, const std::string& name) {
  std::string error;
  auto fail = [&](const char* why) {
    LogMessage("ERROR: Cannot read JPEG 2000 image %s: %s", name.c_str(), error.empty() ? why : error.c_str());
    return nullptr;
  };
  static const uint8_t kJp2Magic[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  OPJ_CODEC_FORMAT format;
  if (size >= 12 && std::memcmp(data, kJp2Magic, 12) == 0)
    format = OPJ_CODEC_JP2;
  else if (size >= 4 && data[0] == 0xFF && data[1] == 0x4F && data[2] == 0xFF && data[3] == 0x51)
    format = OPJ_CODEC_J2K;
  else
    return fail("not a JPEG 2000 file");

  ByteSource src{data, size, 0};
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
  opj_codec_t* codec = opj_create_decompress(format);
  opj_image_t* img = nullptr;
  auto cleanup = [&]() {
    if (img) opj_image_destroy(img);
    if (codec) opj_destroy_codec(codec);
    if (stream) opj_stream_destroy(stream);
  };
  if (!stream || !codec) {
    cleanup();
    return fail("out of memory");
  }
  opj_stream_set_user_data(stream, &src, nullptr);
  opj_stream_set_user_data_length(stream, size);
  opj_stream_set_read_function(stream, Read);
  opj_stream_set_skip_function(stream, Skip);
  opj_stream_set_seek_function(stream, Seek);
  opj_set_info_handler(codec, Quiet, nullptr);
  opj_set_warning_handler(codec, Quiet, nullptr);
  opj_set_error_handler(codec, KeepError, &error);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(codec, &params) || !opj_read_header(stream, codec, &img) || !img) {
    cleanup();
    return fail("corrupt header");
  }
  int64_t w = int64_t(img->x1) - img->x0, h = int64_t(img->y1) - img->y0;
  if (w <= 0 || h <= 0 || !CheckImageSize(w, h, name)) {
    if (w <= 0 || h <= 0) fail("image has no pixels");
    cleanup();
    return nullptr;
  }
  if (img->numcomps < 1 || img->numcomps > 4) {
    cleanup();
    return fail("unsupported number of components");
  }
  if (!opj_decode(codec, stream, img) || !opj_end_decompress(codec, stream)) {
    cleanup();
    return fail("corrupt or truncated data");
  }
  uint32_t nc = img->numcomps;
  for (uint32_t c = 0; c < nc; ++c) {
    const opj_image_comp_t& comp = img->comps[c];
    if (!comp.data || comp.dx == 0 || comp.dy == 0 || comp.prec == 0 || comp.prec > 31 || comp.w == 0 || comp.h == 0) {
      cleanup();
      return fail("unsupported component layout");
    }
  }
  auto image = std::make_unique<Vesk::MemoryImage>(int32_t(w), int32_t(h));
  uint32_t* bits = image->GetBits();
  // Components may be subsampled: each pixel takes the sample covering it.
  auto sample = [&](uint32_t c, int64_t x, int64_t y) -> uint32_t {
    const opj_image_comp_t& comp = img->comps[c];
    int64_t cx = (x + img->x0) / comp.dx - (int64_t(comp.x0)), cy = (y + img->y0) / comp.dy - int64_t(comp.y0);
    cx = std::clamp<int64_t>(cx, 0, int64_t(comp.w) - 1);
    cy = std::clamp<int64_t>(cy, 0, int64_t(comp.h) - 1);
    int64_t v = comp.data[size_t(cy) * comp.w + size_t(cx)];
    if (comp.sgnd) v += int64_t(1) << (comp.prec - 1);
    int64_t maxv = (int64_t(1) << comp.prec) - 1;
    v = std::clamp<int64_t>(v, 0, maxv);
    return uint32_t((v * 255 + maxv / 2) / maxv);
  };
  bool color = nc >= 3;
  bool alpha = nc == 2 || nc == 4;
  for (int64_t y = 0; y < h; ++y)
    for (int64_t x = 0; x < w; ++x) {
      uint32_t r = sample(0, x, y), g = color ? sample(1, x, y) : r, b = color ? sample(2, x, y) : r;
      uint32_t a = alpha ? sample(nc - 1, x, y) : 255;
      bits[size_t(y) * size_t(w) + size_t(x)] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  cleanup();
  image->mFilePath = name;
  image->BitsChanged();
  image->CommitBits();
  return image;
}

}  // namespace ImageLib
