// JPEG through libjpeg, from and to memory.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "graphics/ImageLib.h"
#include "shell/Log.h"

namespace ImageLib {

namespace {

// More scans than any sensible progressive file has; corrupt files can repeat them without end.
constexpr int kMaxScans = 1000;

struct ErrorState {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool truncated;
};

void OnErrorExit(j_common_ptr cinfo) {
  auto* st = reinterpret_cast<ErrorState*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, st->message);
  longjmp(st->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  // Warnings (level -1): a file that ends early is refused; other oddities are tolerated.
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<ErrorState*>(cinfo->err)->truncated = true;
}

void OnProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_NOT_COMPILED);
  }
}

bool DecodeInto(const uint8_t* data, size_t size, const std::string* name, Vesk::MemoryImage* image, ErrorState* err) {
  jpeg_decompress_struct cinfo;
  jpeg_progress_mgr progress;
  JSAMPLE* volatile row = nullptr;
  cinfo.err = jpeg_std_error(&err->mgr);
  err->mgr.error_exit = OnErrorExit;
  err->mgr.emit_message = OnMessage;
  if (setjmp(err->jump)) {
    jpeg_destroy_decompress(&cinfo);
    delete[] row;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = OnProgress;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!CheckImageSize(cinfo.image_width, cinfo.image_height, *name)) {
    err->message[0] = 0;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  int32_t w = int32_t(cinfo.output_width), h = int32_t(cinfo.output_height);
  int comps = cinfo.output_components;
  if ((cmyk && comps != 4) || (!cmyk && comps != 3)) ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
  image->Create(w, h);
  uint32_t* bits = image->GetBits();
  row = new JSAMPLE[size_t(w) * comps];
  // Adobe writes CMYK inverted; that is what files in the wild hold.
  bool inverted = cmyk && cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    int32_t y = int32_t(cinfo.output_scanline);
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
    uint32_t* out = bits + size_t(y) * w;
    for (int32_t x = 0; x < w; ++x) {
      const JSAMPLE* p = row + size_t(x) * comps;
      uint32_t r, g, b;
      if (cmyk) {
        uint32_t c = p[0], m = p[1], ye = p[2], k = p[3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          ye = 255 - ye;
          k = 255 - k;
        }
        r = c * k / 255;
        g = m * k / 255;
        b = ye * k / 255;
      } else {
        r = p[0];
        g = p[1];
        b = p[2];
      }
      out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  delete[] row;
  if (err->truncated) {
    std::snprintf(err->message, sizeof(err->message), "%s", "file is truncated");
    return false;
  }
  return true;
}

struct EncodeError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void OnEncodeErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<EncodeError*>(cinfo->err)->jump, 1); }

bool EncodeInto(Vesk::MemoryImage* image, int quality, unsigned char** buffer, unsigned long* length) {
  jpeg_compress_struct cinfo;
  EncodeError err;
  JSAMPLE* volatile row = nullptr;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnEncodeErrorExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    delete[] row;
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, length);
  cinfo.image_width = JDIMENSION(image->mWidth);
  cinfo.image_height = JDIMENSION(image->mHeight);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const uint32_t* bits = image->GetBits();
  int32_t w = image->mWidth;
  row = new JSAMPLE[size_t(w) * 3];
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint32_t* in = bits + size_t(cinfo.next_scanline) * w;
    for (int32_t x = 0; x < w; ++x) {
      row[x * 3] = JSAMPLE((in[x] >> 16) & 255);
      row[x * 3 + 1] = JSAMPLE((in[x] >> 8) & 255);
      row[x * 3 + 2] = JSAMPLE(in[x] & 255);
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  delete[] row;
  return true;
}

}  // namespace

std::unique_ptr<Vesk::MemoryImage> DecodeJPEG(const uint8_t* data, size_t size, const std::string& name) {
  ErrorState err{};
  std::snprintf(err.message, sizeof(err.message), "%s", "cannot decode");
  auto image = std::make_unique<Vesk::MemoryImage>();
  if (size == 0 || !DecodeInto(data, size, &name, image.get(), &err)) {
    if (err.message[0]) LogMessage("ERROR: Cannot read JPEG image %s: %s", name.c_str(), err.message);
    return nullptr;
  }
  image->mFilePath = name;
  image->BitsChanged();
  image->CommitBits();
  return image;
}

bool EncodeJPEG(Vesk::MemoryImage& image, std::vector<uint8_t>& out, int quality) {
  out.clear();
  if (image.mWidth <= 0 || image.mHeight <= 0) return false;
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  bool ok = EncodeInto(&image, quality, &buffer, &length);
  if (ok) out.assign(buffer, buffer + length);
  std::free(buffer);
  return ok;
}

}  // namespace ImageLib
