// JPEG 2000 (.j2k codestreams and .jp2 files) through OpenJPEG, from memory.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>

#include "graphics/ByteSource.h"
#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace ImageLib {

namespace {

// More tiles than any picture under the size limit needs at sensible tile sizes (8192 x 8192 in
// tiles of 128), and few enough that their set-up stays a few tens of MB.
constexpr int64_t kMaxJpeg2000Tiles = 4096;

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

uint32_t Be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The codestream of a .jp2 file is the content of its top-level "jp2c" box; a .j2k file is one.
// Returns null when no box holds one.
const uint8_t* FindCodestream(const uint8_t* data, size_t size, OPJ_CODEC_FORMAT format, size_t* left) {
  if (format == OPJ_CODEC_J2K) {
    *left = size;
    return data;
  }
  size_t pos = 0;
  while (size - pos >= 8) {
    uint64_t len = Be32(data + pos);
    size_t head = 8;
    if (len == 1) {
      if (size - pos < 16) return nullptr;
      len = (uint64_t(Be32(data + pos + 8)) << 32) | Be32(data + pos + 12);
      head = 16;
    } else if (len == 0) {
      len = size - pos;
    }
    if (len < head || len > size - pos) return nullptr;
    if (std::memcmp(data + pos + 4, "jp2c", 4) == 0) {
      *left = size_t(len) - head;
      return data + pos + head;
    }
    pos += size_t(len);
  }
  return nullptr;
}

// Checks the picture size, tile count and component count that the SIZ segment declares, before
// OpenJPEG reads the header: it sets up every tile and component there, so a few bytes declaring a
// wide picture in tens of thousands of tiles would otherwise cost seconds and hundreds of MB.
bool CheckDeclaredSize(const uint8_t* cs, size_t n, const std::string& name, const char** why) {
  *why = "corrupt header";
  // SOC, then SIZ: Lsiz, Rsiz, Xsiz, Ysiz, XOsiz, YOsiz, XTsiz, YTsiz, XTOsiz, YTOsiz, Csiz.
  if (n < 42 || cs[0] != 0xFF || cs[1] != 0x4F || cs[2] != 0xFF || cs[3] != 0x51) return false;
  int64_t x1 = Be32(cs + 8), y1 = Be32(cs + 12), x0 = Be32(cs + 16), y0 = Be32(cs + 20);
  int64_t tw = Be32(cs + 24), th = Be32(cs + 28), tx0 = Be32(cs + 32), ty0 = Be32(cs + 36);
  uint32_t comps = (uint32_t(cs[40]) << 8) | cs[41];
  if (tw == 0 || th == 0 || tx0 > x0 || ty0 > y0 || tx0 + tw <= x0 || ty0 + th <= y0) return false;
  if (!CheckImageSize(x1 - x0, y1 - y0, name)) {
    *why = nullptr;  // logged already
    return false;
  }
  int64_t tiles = ((x1 - tx0 + tw - 1) / tw) * ((y1 - ty0 + th - 1) / th);
  if (tiles > kMaxJpeg2000Tiles) {
    LogMessage("ERROR: JPEG 2000 image %s has too many tiles (%lld)", name.c_str(), (long long)tiles);
    *why = nullptr;
    return false;
  }
  if (comps < 1 || comps > 4) {
    *why = "unsupported number of components";
    return false;
  }
  return true;
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
  size_t csSize = 0;
  const uint8_t* cs = FindCodestream(data, size, format, &csSize);
  if (!cs) return fail("no codestream");
  const char* why = nullptr;
  if (!CheckDeclaredSize(cs, csSize, name, &why)) return why ? fail(why) : nullptr;

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
