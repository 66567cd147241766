#include "ImageFileWriters.h"

#include <gif_lib.h>
#include <cstdio>
// jpeglib.h needs FILE and size_t first.
#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <map>
#include <stdexcept>

namespace testfiles {

namespace {
void PngWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}
uint32_t Ch(uint32_t p, int shift) { return (p >> shift) & 255; }
}  // namespace

std::vector<uint8_t> Png(int w, int h, int colorType, int depth, bool interlace, const PixelFn& px) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("png write failed");
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, w, h, depth, colorType, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<uint32_t> palette;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (std::find(palette.begin(), palette.end(), px(x, y)) == palette.end()) palette.push_back(px(x, y));
    std::vector<png_color> colors;
    std::vector<png_byte> alphas;
    bool anyAlpha = false;
    for (uint32_t p : palette) {
      colors.push_back({png_byte(Ch(p, 16)), png_byte(Ch(p, 8)), png_byte(Ch(p, 0))});
      alphas.push_back(png_byte(p >> 24));
      anyAlpha |= (p >> 24) != 255;
    }
    png_set_PLTE(png, info, colors.data(), int(colors.size()));
    if (anyAlpha) png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
  }
  png_write_info(png, info);
  int channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                 : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
  int passes = interlace ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < h; ++y) {
      std::vector<uint8_t> row(size_t(w) * channels * 2 + 8, 0);
      for (int x = 0; x < w; ++x) {
        uint32_t p = px(x, y);
        uint32_t vals[4];
        int n = 0;
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
          vals[n++] = uint32_t(std::find(palette.begin(), palette.end(), p) - palette.begin());
        } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
          vals[n++] = depth < 8 ? Ch(p, 0) >> (8 - depth) : Ch(p, 0);
          if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) vals[n++] = p >> 24;
        } else {
          vals[n++] = Ch(p, 16);
          vals[n++] = Ch(p, 8);
          vals[n++] = Ch(p, 0);
          if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) vals[n++] = p >> 24;
        }
        for (int k = 0; k < n; ++k) {
          if (depth == 16) {
            // The low byte differs from the high one so that a wrong byte order shows.
            row[size_t(x * channels + k) * 2] = uint8_t(vals[k]);
            row[size_t(x * channels + k) * 2 + 1] = uint8_t(vals[k] ^ 0x5A);
          } else if (depth == 8) {
            row[size_t(x * channels + k)] = uint8_t(vals[k]);
          } else {  // 1, 2 or 4 bits: one sample per pixel
            int bitPos = x * depth;
            row[size_t(bitPos / 8)] |= uint8_t(vals[k] << (8 - depth - bitPos % 8));
          }
        }
      }
      png_write_row(png, row.data());
    }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

void FixPngCrcs(std::vector<uint8_t>& png) {
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    uint32_t len = (uint32_t(png[pos]) << 24) | (uint32_t(png[pos + 1]) << 16) | (uint32_t(png[pos + 2]) << 8) |
                   png[pos + 3];
    if (pos + 12 + len > png.size()) break;
    uint32_t crc = uint32_t(crc32(0, png.data() + pos + 4, len + 4));
    for (int i = 0; i < 4; ++i) png[pos + 8 + len + i] = uint8_t(crc >> (24 - 8 * i));
    pos += 12 + len;
  }
}

std::vector<uint8_t> Jpeg(int w, int h, int comps, const PixelFn& px) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  jpeg_mem_dest(&cinfo, &buffer, &length);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = comps;
  cinfo.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, comps == 1 ? JCS_GRAYSCALE : JCS_CMYK);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(w) * comps);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = px(x, y);
      if (comps == 1) {
        row[size_t(x)] = JSAMPLE(Ch(p, 0));
      } else {
        row[size_t(x) * 4] = JSAMPLE(Ch(p, 16));
        row[size_t(x) * 4 + 1] = JSAMPLE(Ch(p, 8));
        row[size_t(x) * 4 + 2] = JSAMPLE(Ch(p, 0));
        row[size_t(x) * 4 + 3] = 255;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + length);
  std::free(buffer);
  return out;
}

namespace {
int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}
}  // namespace

std::vector<uint8_t> Gif(int w, int h, const PixelFn& px, bool interlace, int screenW, int screenH, int left,
                         int top) {
  std::vector<uint8_t> out;
  std::vector<uint32_t> colors;  // opaque colours; index colors.size() is transparent
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t p = px(x, y);
      if ((p >> 24) && std::find(colors.begin(), colors.end(), p) == colors.end()) colors.push_back(p);
    }
  int transparent = int(colors.size());
  int err = 0;
  GifFileType* gif = EGifOpen(&out, GifWrite, &err);
  std::vector<GifColorType> table(256);
  for (size_t i = 0; i < colors.size(); ++i)
    table[i] = {GifByteType(Ch(colors[i], 16)), GifByteType(Ch(colors[i], 8)), GifByteType(Ch(colors[i], 0))};
  ColorMapObject* map = GifMakeMapObject(256, table.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screenW ? screenW : w, screenH ? screenH : h, 8, 0, map);
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = transparent;
  GifByteType ext[4];
  size_t extLen = EGifGCBToExtension(&gcb, ext);
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLen), ext);
  EGifPutImageDesc(gif, left, top, w, h, interlace, nullptr);
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  auto putRow = [&](int y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = px(x, y);
      line[size_t(x)] = GifPixelType((p >> 24) ? std::find(colors.begin(), colors.end(), p) - colors.begin()
                                               : transparent);
    }
    EGifPutLine(gif, line.data(), w);
  };
  if (interlace) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < h; y += kStep[pass]) putRow(y);
  } else {
    for (int y = 0; y < h; ++y) putRow(y);
  }
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return out;
}

std::vector<uint8_t> Tga(int w, int h, int imageType, int bits, bool topDown, const PixelFn& px) {
  std::vector<uint8_t> out(18, 0);
  int kind = imageType & 7;
  std::vector<uint32_t> palette;
  if (kind == 1) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (std::find(palette.begin(), palette.end(), px(x, y)) == palette.end()) palette.push_back(px(x, y));
    out[1] = 1;
    out[5] = uint8_t(palette.size());
    out[6] = uint8_t(palette.size() >> 8);
    out[7] = 32;
  }
  out[2] = uint8_t(imageType);
  out[12] = uint8_t(w);
  out[13] = uint8_t(w >> 8);
  out[14] = uint8_t(h);
  out[15] = uint8_t(h >> 8);
  out[16] = uint8_t(bits);
  int alphaBits = bits == 32 ? 8 : bits == 16 ? 1 : 0;
  out[17] = uint8_t(alphaBits | (topDown ? 0x20 : 0));
  for (uint32_t p : palette) {
    out.push_back(uint8_t(p));
    out.push_back(uint8_t(p >> 8));
    out.push_back(uint8_t(p >> 16));
    out.push_back(uint8_t(p >> 24));
  }
  auto encode = [&](uint32_t p) {
    std::vector<uint8_t> v;
    if (kind == 1) {
      v.push_back(uint8_t(std::find(palette.begin(), palette.end(), p) - palette.begin()));
    } else if (kind == 3) {
      v.push_back(uint8_t(p));
    } else if (bits == 16 || bits == 15) {
      uint32_t q = ((Ch(p, 16) >> 3) << 10) | ((Ch(p, 8) >> 3) << 5) | (Ch(p, 0) >> 3) | ((p >> 24) >= 128 ? 0x8000 : 0);
      v.push_back(uint8_t(q));
      v.push_back(uint8_t(q >> 8));
    } else {
      v.push_back(uint8_t(p));
      v.push_back(uint8_t(p >> 8));
      v.push_back(uint8_t(p >> 16));
      if (bits == 32) v.push_back(uint8_t(p >> 24));
    }
    return v;
  };
  std::vector<uint32_t> order;
  for (int r = 0; r < h; ++r) {
    int y = topDown ? r : h - 1 - r;
    for (int x = 0; x < w; ++x) order.push_back(px(x, y));
  }
  if (imageType < 9) {
    for (uint32_t p : order) {
      auto v = encode(p);
      out.insert(out.end(), v.begin(), v.end());
    }
  } else {
    // Repeat packets for runs of equal pixels, raw packets otherwise (within and across rows).
    size_t i = 0;
    while (i < order.size()) {
      size_t run = 1;
      while (i + run < order.size() && run < 128 && order[i + run] == order[i]) ++run;
      if (run > 1) {
        out.push_back(uint8_t(0x80 | (run - 1)));
        auto v = encode(order[i]);
        out.insert(out.end(), v.begin(), v.end());
        i += run;
        continue;
      }
      size_t raw = 1;
      while (i + raw < order.size() && raw < 128 &&
             !(i + raw + 1 < order.size() && order[i + raw] == order[i + raw + 1]))
        ++raw;
      out.push_back(uint8_t(raw - 1));
      for (size_t k = 0; k < raw; ++k) {
        auto v = encode(order[i + k]);
        out.insert(out.end(), v.begin(), v.end());
      }
      i += raw;
    }
  }
  return out;
}

namespace {
struct OpjOut {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
};
OPJ_SIZE_T OpjWrite(void* data, OPJ_SIZE_T n, void* user) {
  auto* out = static_cast<OpjOut*>(user);
  if (out->pos + n > out->bytes.size()) out->bytes.resize(out->pos + n);
  std::memcpy(out->bytes.data() + out->pos, data, n);
  out->pos += n;
  return n;
}
OPJ_OFF_T OpjSkip(OPJ_OFF_T n, void* user) {
  auto* out = static_cast<OpjOut*>(user);
  out->pos += size_t(n);
  if (out->pos > out->bytes.size()) out->bytes.resize(out->pos);
  return n;
}
OPJ_BOOL OpjSeek(OPJ_OFF_T n, void* user) {
  auto* out = static_cast<OpjOut*>(user);
  out->pos = size_t(n);
  if (out->pos > out->bytes.size()) out->bytes.resize(out->pos);
  return OPJ_TRUE;
}
}  // namespace

std::vector<uint8_t> Jpeg2000(int w, int h, int comps, bool jp2, const PixelFn& px) {
  std::vector<opj_image_cmptparm_t> params(static_cast<size_t>(comps));
  for (auto& p : params) {
    std::memset(&p, 0, sizeof(p));
    p.dx = p.dy = 1;
    p.w = OPJ_UINT32(w);
    p.h = OPJ_UINT32(h);
    p.prec = 8;
    p.sgnd = 0;
  }
  opj_image_t* img = opj_image_create(OPJ_UINT32(comps), params.data(), comps == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
  img->x1 = OPJ_UINT32(w);
  img->y1 = OPJ_UINT32(h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t p = px(x, y);
      uint32_t vals[4] = {Ch(p, 16), Ch(p, 8), Ch(p, 0), p >> 24};
      if (comps == 1) vals[0] = Ch(p, 0);
      for (int c = 0; c < comps; ++c) img->comps[c].data[y * w + x] = OPJ_INT32(vals[c]);
    }
  if (comps == 4) img->comps[3].alpha = 1;
  opj_cparameters_t cp;
  opj_set_default_encoder_parameters(&cp);
  cp.tcp_numlayers = 1;
  cp.tcp_rates[0] = 0;
  cp.cp_disto_alloc = 1;
  cp.numresolution = std::min(3, 1 + int(std::log2(std::min(w, h))));
  opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_setup_encoder(codec, &cp, img);
  OpjOut out;
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
  opj_stream_set_user_data(stream, &out, nullptr);
  opj_stream_set_write_function(stream, OpjWrite);
  opj_stream_set_skip_function(stream, OpjSkip);
  opj_stream_set_seek_function(stream, OpjSeek);
  bool ok = opj_start_compress(codec, img, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(img);
  if (!ok) throw std::runtime_error("jpeg 2000 write failed");
  return out.bytes;
}

}  // namespace testfiles
