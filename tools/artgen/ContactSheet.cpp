#include "ContactSheet.h"

#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "effects/AnmFile.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kPageWidth = 1800;
constexpr int32_t kMargin = 12;
constexpr int32_t kLabel = 16;
constexpr int32_t kMaxSide = 400;  // larger pictures are shown scaled down

struct Entry {
  std::string mName;
  std::vector<cairo_surface_t*> mPictures;  // owned
  int32_t mWidth = 0, mHeight = 0;          // as laid out
  double mScale = 1;
};

cairo_surface_t* ToSurface(const uint32_t* bits, int32_t stride, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int dstStride = cairo_image_surface_get_stride(s);
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* dst = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(dstStride));
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = bits[size_t(y0 + y) * size_t(stride) + size_t(x0 + x)];
      const uint32_t a = p >> 24;
      auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
      dst[x] = (a << 24) | (pre((p >> 16) & 0xFF) << 16) | (pre((p >> 8) & 0xFF) << 8) | pre(p & 0xFF);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

// Small pictures are shown twice their size, large ones scaled down; the cell is at least as
// wide as its name.
void Layout(Entry& e, int32_t labelWidth) {
  int32_t w = 0, h = 0;
  for (cairo_surface_t* s : e.mPictures) {
    w += cairo_image_surface_get_width(s) + 4;
    h = std::max(h, cairo_image_surface_get_height(s));
  }
  e.mScale = h <= 64 ? 0.5 : 1.0;
  e.mScale = std::max({e.mScale, double(h) / kMaxSide, double(w) / (kPageWidth - 2 * kMargin)});
  e.mWidth = std::max(int32_t(w / e.mScale), labelWidth + 4);
  e.mHeight = int32_t(h / e.mScale) + kLabel;
}

}  // namespace

bool WriteContactSheet(const std::string& contentFolder, const std::string& outPath, std::string& error) {
  std::vector<Entry> entries;
  std::map<std::string, std::unique_ptr<Vesk::MemoryImage>> sheets;
  const fs::path root(contentFolder);
  if (!fs::is_directory(root)) {
    error = contentFolder + ": no such folder";
    return false;
  }
  std::vector<fs::path> files;
  for (const auto& f : fs::recursive_directory_iterator(root))
    if (f.is_regular_file()) files.push_back(f.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    const std::string rel = fs::relative(f, root).generic_string();
    if (f.extension() == ".anm") {
      std::ifstream in(f, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::vector<AnimEntry> anims;
      if (!Anm::Parse(bytes.data(), bytes.size(), rel, anims)) {
        error = rel + ": not an animation file";
        return false;
      }
      for (const AnimEntry& a : anims) {
        std::string sheetPath = a.mImageFile;
        std::replace(sheetPath.begin(), sheetPath.end(), '\\', '/');
        auto& sheet = sheets[sheetPath];
        if (!sheet) sheet = ImageLib::GetImage((root / sheetPath).string());
        if (!sheet) {
          error = sheetPath + ": cannot be read";
          return false;
        }
        Entry e;
        e.mName = a.mName;
        for (const AnimFrame& fr : a.mFrames)
          e.mPictures.push_back(ToSurface(sheet->GetBits(), sheet->GetWidth(), fr.mX, fr.mY, fr.mWidth, fr.mHeight));
        entries.push_back(std::move(e));
      }
    } else if (f.extension() == ".png" && rel.rfind("anm/", 0) != 0) {
      auto image = ImageLib::GetImage(f.string());
      if (!image) continue;
      Entry e;
      e.mName = rel;
      e.mPictures.push_back(ToSurface(image->GetBits(), image->GetWidth(), 0, 0, image->GetWidth(), image->GetHeight()));
      entries.push_back(std::move(e));
    }
  }
  // Rows of entries, left to right.
  int32_t x = kMargin, y = kMargin, rowHeight = 0;
  std::vector<std::pair<int32_t, int32_t>> places;
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* measure = cairo_create(scratch);
  cairo_select_font_face(measure, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(measure, 11);
  for (Entry& e : entries) {
    cairo_text_extents_t extents;
    cairo_text_extents(measure, e.mName.c_str(), &extents);
    Layout(e, int32_t(extents.x_advance));
    if (x + e.mWidth > kPageWidth - kMargin && x > kMargin) {
      x = kMargin;
      y += rowHeight + kMargin;
      rowHeight = 0;
    }
    places.emplace_back(x, y);
    x += e.mWidth + kMargin;
    rowHeight = std::max(rowHeight, e.mHeight);
  }
  cairo_destroy(measure);
  cairo_surface_destroy(scratch);
  const int32_t pageHeight = y + rowHeight + kMargin;
  cairo_surface_t* page = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPageWidth, pageHeight);
  cairo_t* cr = cairo_create(page);
  cairo_set_source_rgb(cr, 0.93, 0.91, 0.87);
  cairo_paint(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 11);
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    const auto [ex, ey] = places[i];
    cairo_set_source_rgb(cr, 0.15, 0.12, 0.1);
    cairo_move_to(cr, ex, ey + 11);
    cairo_show_text(cr, e.mName.c_str());
    // A checked backdrop shows which parts of a picture are see-through.
    cairo_save(cr);
    cairo_rectangle(cr, ex, ey + kLabel, e.mWidth, e.mHeight - kLabel);
    cairo_clip(cr);
    for (int32_t cy = 0; cy < e.mHeight - kLabel; cy += 8)
      for (int32_t cx = 0; cx < e.mWidth; cx += 8) {
        const bool dark = ((cx / 8) + (cy / 8)) % 2;
        cairo_set_source_rgb(cr, dark ? 0.72 : 0.82, dark ? 0.72 : 0.82, dark ? 0.74 : 0.84);
        cairo_rectangle(cr, ex + cx, ey + kLabel + cy, 8, 8);
        cairo_fill(cr);
      }
    cairo_restore(cr);
    double px = ex;
    for (cairo_surface_t* s : e.mPictures) {
      cairo_save(cr);
      cairo_translate(cr, px, ey + kLabel);
      cairo_scale(cr, 1 / e.mScale, 1 / e.mScale);
      cairo_set_source_surface(cr, s, 0, 0);
      if (e.mScale < 1) cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
      cairo_paint(cr);
      cairo_restore(cr);
      px += (cairo_image_surface_get_width(s) + 4) / e.mScale;
      cairo_surface_destroy(s);
    }
  }
  cairo_destroy(cr);
  const cairo_status_t status = cairo_surface_write_to_png(page, outPath.c_str());
  cairo_surface_destroy(page);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = outPath + ": cannot be written";
    return false;
  }
  return true;
}
