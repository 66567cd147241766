#include "SvgRig.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "AnmWriter.h"
#include "AtlasPacker.h"
#include "graphics/ImageLib.h"

struct SvgRig::Impl {
  pugi::xml_document mDoc;
};

namespace {

pugi::xml_node FindById(const pugi::xml_node& root, const std::string& id) {
  return root.find_node([&](const pugi::xml_node& n) { return id == n.attribute("id").value(); });
}

// A length in pixels: a plain number or one ending "px".
bool ParseLength(const char* text, int32_t& out) {
  std::string s = text;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, "px") == 0) s.resize(s.size() - 2);
  try {
    size_t used = 0;
    double v = std::stod(s, &used);
    if (used != s.size() || !(v >= 1 && v <= 16384)) return false;
    out = int32_t(std::lround(v));
    return true;
  } catch (...) {
    return false;
  }
}

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%g", v);
  return buf;
}

// Shows or hides an element, dropping any display the style attribute sets.
void SetDisplay(pugi::xml_node node, bool shown) {
  if (pugi::xml_attribute style = node.attribute("style")) {
    std::string s = style.value();
    size_t at = s.find("display:");
    if (at != std::string::npos) {
      size_t end = s.find(';', at);
      s.erase(at, end == std::string::npos ? std::string::npos : end - at + 1);
      style.set_value(s.c_str());
    }
  }
  pugi::xml_attribute display = node.attribute("display");
  if (!display) display = node.append_attribute("display");
  display.set_value(shown ? "inline" : "none");
}

// Puts the transform outside whatever the element already has.
void PrependTransform(pugi::xml_node node, const std::string& transform) {
  pugi::xml_attribute t = node.attribute("transform");
  if (!t) {
    node.append_attribute("transform").set_value(transform.c_str());
  } else {
    t.set_value((transform + " " + t.value()).c_str());
  }
}

}  // namespace

SvgRig::SvgRig() : mImpl(std::make_unique<Impl>()) {}
SvgRig::~SvgRig() = default;

bool SvgRig::Load(const std::string& text, std::string& error) {
  pugi::xml_parse_result r = mImpl->mDoc.load_string(text.c_str());
  if (!r) {
    // The line of the failure, counted in the text.
    const size_t offset = std::min(size_t(r.offset), text.size());
    const int line = 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
    error = std::string("malformed SVG: ") + r.description() + " at line " + std::to_string(line);
    return false;
  }
  pugi::xml_node root = mImpl->mDoc.document_element();
  if (std::string(root.name()) != "svg") {
    error = "malformed SVG: the root element is not <svg>";
    return false;
  }
  if (!ParseLength(root.attribute("width").value(), mWidth) || !ParseLength(root.attribute("height").value(), mHeight)) {
    error = "malformed SVG: the <svg> element needs a width and height in pixels";
    return false;
  }
  return true;
}

bool SvgRig::HasGroup(const std::string& id) const {
  return bool(FindById(mImpl->mDoc.document_element(), id));
}

bool SvgRig::Check(const ArtDescription& desc, std::string& error) const {
  auto need = [&](const std::string& id, const std::string& where) {
    if (HasGroup(id)) return true;
    error = where + " names the group '" + id + "', which the drawing lacks";
    return false;
  };
  for (const std::string& id : desc.mHidden)
    if (!need(id, "\"hidden\"")) return false;
  for (const auto& [id, pivot] : desc.mPivots)
    if (!need(id, "a pivot")) return false;
  for (const auto& [name, ops] : desc.mPoses)
    for (const PoseOp& op : ops)
      if (!need(op.mGroup, "the pose '" + name + "'")) return false;
  return true;
}

std::string SvgRig::Posed(const ArtDescription& desc, const ArtFrame& frame) const {
  pugi::xml_document doc;
  doc.reset(mImpl->mDoc);
  pugi::xml_node root = doc.document_element();
  for (const std::string& id : desc.mHidden) SetDisplay(FindById(root, id), false);
  for (const std::string& poseName : frame.mPoses) {
    auto pose = desc.mPoses.find(poseName);
    if (pose == desc.mPoses.end()) continue;
    for (const PoseOp& op : pose->second) {
      pugi::xml_node node = FindById(root, op.mGroup);
      if (!node) continue;
      ArtDescription::Pivot pivot;
      if (auto p = desc.mPivots.find(op.mGroup); p != desc.mPivots.end()) pivot = p->second;
      switch (op.mKind) {
        case PoseOp::Kind::Show:
          SetDisplay(node, true);
          break;
        case PoseOp::Kind::Hide:
          SetDisplay(node, false);
          break;
        case PoseOp::Kind::Move:
          PrependTransform(node, "translate(" + Num(op.mA) + " " + Num(op.mB) + ")");
          break;
        case PoseOp::Kind::Rotate:
          PrependTransform(node, "rotate(" + Num(op.mA) + " " + Num(pivot.x) + " " + Num(pivot.y) + ")");
          break;
        case PoseOp::Kind::Scale:
          PrependTransform(node, "translate(" + Num(pivot.x) + " " + Num(pivot.y) + ") scale(" + Num(op.mA) + " " +
                                     Num(op.mB) + ") translate(" + Num(-pivot.x) + " " + Num(-pivot.y) + ")");
          break;
      }
    }
  }
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw);
  return out.str();
}

bool SvgRig::Render(const std::string& svgText, int32_t x, int32_t y, int32_t w, int32_t h, bool mirror,
                    std::vector<uint32_t>& pixels, std::string& error) {
  GError* gerror = nullptr;
  RsvgHandle* handle =
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svgText.data()), gsize(svgText.size()), &gerror);
  if (!handle) {
    error = std::string("malformed SVG: ") + (gerror ? gerror->message : "librsvg refused it");
    if (gerror) g_error_free(gerror);
    return false;
  }
  rsvg_handle_set_dpi(handle, 96.0);
  gdouble fullW = 0, fullH = 0;
  if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &fullW, &fullH)) {
    g_object_unref(handle);
    error = "malformed SVG: no size in pixels";
    return false;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  if (mirror) {
    cairo_translate(cr, w, 0);
    cairo_scale(cr, -1, 1);
  }
  cairo_translate(cr, -x, -y);
  RsvgRectangle viewport{0, 0, fullW, fullH};
  const bool ok = rsvg_handle_render_document(handle, cr, &viewport, &gerror);
  cairo_destroy(cr);
  g_object_unref(handle);
  if (!ok) {
    error = std::string("cannot render the SVG: ") + (gerror ? gerror->message : "unknown reason");
    if (gerror) g_error_free(gerror);
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  pixels.assign(size_t(w) * size_t(h), 0);
  for (int32_t row = 0; row < h; ++row) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(data + size_t(row) * size_t(stride));
    for (int32_t col = 0; col < w; ++col) {
      // Cairo keeps premultiplied colour; the engine's images are straight.
      const uint32_t p = src[col];
      const uint32_t a = p >> 24;
      if (a == 0) continue;
      auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
      pixels[size_t(row) * size_t(w) + size_t(col)] =
          (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
    }
  }
  cairo_surface_destroy(surface);
  return true;
}

namespace {

bool ReadText(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// Renders the frames of one animation (or picture) in a row of `sheet` at (0, y).
class FrameRenderer {
 public:
  FrameRenderer(const SvgRig& rig, const ArtDescription& desc) : mRig(rig), mDesc(desc) {}

  bool RenderRow(const ArtAnim& anim, int32_t w, int32_t h, std::vector<uint32_t>& sheet, int32_t sheetWidth,
                 int32_t y, std::string& error) {
    if (anim.mAtX < 0 || anim.mAtY < 0 || anim.mAtX + w > mRig.Width() || anim.mAtY + h > mRig.Height()) {
      error = "line " + std::to_string(anim.mLine) + ": the frame " + std::to_string(w) + "x" + std::to_string(h) +
              " at " + std::to_string(anim.mAtX) + "," + std::to_string(anim.mAtY) + " lies outside the drawing (" +
              std::to_string(mRig.Width()) + "x" + std::to_string(mRig.Height()) + ")";
      return false;
    }
    for (size_t i = 0; i < anim.mFrames.size(); ++i) {
      const std::string text = mRig.Posed(mDesc, anim.mFrames[i]);
      const std::string key = text + "|" + std::to_string(anim.mAtX) + "," + std::to_string(anim.mAtY) + "," +
                              std::to_string(w) + "," + std::to_string(h) + (anim.mMirror ? "m" : "");
      auto cached = mCache.find(key);
      if (cached == mCache.end()) {
        std::vector<uint32_t> pixels;
        if (!SvgRig::Render(text, anim.mAtX, anim.mAtY, w, h, anim.mMirror, pixels, error)) return false;
        cached = mCache.emplace(key, std::move(pixels)).first;
      }
      const int32_t x0 = int32_t(i) * w;
      for (int32_t row = 0; row < h; ++row)
        std::copy_n(cached->second.begin() + std::ptrdiff_t(row) * w, w,
                    sheet.begin() + std::ptrdiff_t(y + row) * sheetWidth + x0);
    }
    return true;
  }

 private:
  const SvgRig& mRig;
  const ArtDescription& mDesc;
  std::map<std::string, std::vector<uint32_t>> mCache;
};

struct Output {
  std::string mPath;
  std::vector<uint32_t> mPixels;
  int32_t mWidth = 0, mHeight = 0;
};

// Renders the atlas's pictures, trims and packs them: its pages go to `images`, its description
// to `xml`.
bool RenderAtlas(const ArtAtlas& atlas, FrameRenderer& renderer, std::vector<Output>& images, std::string& xml,
                 std::string& error) {
  std::vector<std::vector<uint32_t>> pictures;
  std::vector<AtlasRect> trims;
  for (const ArtPicture& p : atlas.mImages) {
    std::vector<uint32_t>& pixels = pictures.emplace_back(size_t(p.mWidth) * size_t(p.mHeight), 0u);
    if (!renderer.RenderRow(p.mFrames, p.mWidth, p.mHeight, pixels, p.mWidth, 0, error)) {
      error = p.mFile + ": " + error;
      return false;
    }
    trims.push_back(TrimTransparent(pixels, p.mWidth, p.mHeight));
  }
  std::vector<AtlasPlace> places;
  int32_t pageCount = 0;
  if (!PackShelves(trims, atlas.mPageWidth, atlas.mPageHeight, 2, places, pageCount, error)) return false;
  const size_t first = images.size();
  for (int32_t i = 0; i < pageCount; ++i) {
    Output& page = images.emplace_back();
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d.png", int(i));
    page.mPath = atlas.mName + suffix;
    page.mWidth = atlas.mPageWidth;
    page.mHeight = atlas.mPageHeight;
    page.mPixels.assign(size_t(page.mWidth) * size_t(page.mHeight), 0u);
  }
  std::vector<AtlasEntry> entries;
  for (size_t i = 0; i < atlas.mImages.size(); ++i) {
    const ArtPicture& p = atlas.mImages[i];
    const AtlasRect& t = trims[i];
    Output& page = images[first + size_t(places[i].page)];
    for (int32_t row = 0; row < t.h; ++row)
      std::copy_n(pictures[i].begin() + std::ptrdiff_t(t.y + row) * p.mWidth + t.x, t.w,
                  page.mPixels.begin() + std::ptrdiff_t(places[i].y + row) * page.mWidth + places[i].x);
    entries.push_back({p.mFile, places[i], t, p.mWidth, p.mHeight});
  }
  xml = AtlasDescriptionXml(entries, pageCount);
  return true;
}

}  // namespace

bool GenerateArt(const std::string& descriptionPath, const std::string& outputFolder, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path svgPath = fs::path(descriptionPath).replace_extension(".svg");
  std::string text, svg;
  if (!ReadText(descriptionPath, text)) {
    error = descriptionPath + ": cannot be read";
    return false;
  }
  ArtDescription desc;
  if (!ParseArtDescription(text, desc, error)) {
    error = descriptionPath + ": " + error;
    return false;
  }
  if (!ReadText(svgPath.string(), svg)) {
    error = svgPath.string() + ": cannot be read (each description draws from the SVG of its own name)";
    return false;
  }
  SvgRig rig;
  if (!rig.Load(svg, error)) {
    error = svgPath.string() + ": " + error;
    return false;
  }
  if (!rig.Check(desc, error)) {
    error = descriptionPath + ": " + error;
    return false;
  }
  FrameRenderer renderer(rig, desc);
  std::vector<Output> images;
  std::vector<std::pair<std::string, std::vector<AnimEntry>>> sets;
  for (const ArtSheet& s : desc.mSheets) {
    size_t columns = 1;
    for (const ArtAnim& a : s.mAnims) columns = std::max(columns, a.mFrames.size());
    Output sheet;
    sheet.mPath = "anm/" + s.mSheet + ".png";
    sheet.mWidth = int32_t(columns) * s.mFrameWidth;
    sheet.mHeight = std::max<int32_t>(1, int32_t(s.mAnims.size())) * s.mFrameHeight;
    if (sheet.mWidth > Anm::kMaxSheetSide || sheet.mHeight > Anm::kMaxSheetSide) {
      error = descriptionPath + ": the sheet " + s.mSheet + " would be larger than " +
              std::to_string(Anm::kMaxSheetSide) + " pixels";
      return false;
    }
    sheet.mPixels.assign(size_t(sheet.mWidth) * size_t(sheet.mHeight), 0);
    if (sets.empty() || sets.back().first != s.mSetName) sets.emplace_back(s.mSetName, std::vector<AnimEntry>{});
    for (size_t row = 0; row < s.mAnims.size(); ++row) {
      const ArtAnim& a = s.mAnims[row];
      const int32_t y = int32_t(row) * s.mFrameHeight;
      if (!renderer.RenderRow(a, s.mFrameWidth, s.mFrameHeight, sheet.mPixels, sheet.mWidth, y, error)) {
        error = descriptionPath + ": " + a.mName + ": " + error;
        return false;
      }
      AnimEntry entry;
      entry.mName = a.mName;
      entry.mImageFile = "anm\\" + s.mSheet + ".png";
      entry.mFrameWidth = s.mFrameWidth;
      entry.mSheetWidth = sheet.mWidth;
      entry.mSheetHeight = sheet.mHeight;
      entry.mLooping = a.mLoop;
      entry.mStopFrame = a.mStopFrame;
      for (size_t i = 0; i < a.mFrames.size(); ++i) {
        AnimFrame f;
        f.mX = int32_t(i) * s.mFrameWidth;
        f.mY = y;
        f.mWidth = s.mFrameWidth;
        f.mHeight = s.mFrameHeight;
        f.mOffsetX = a.mOffsetX;
        f.mOffsetY = a.mOffsetY;
        f.mTime = a.mFrameTime;
        entry.mFrames.push_back(f);
      }
      sets.back().second.push_back(std::move(entry));
    }
    images.push_back(std::move(sheet));
  }
  for (const ArtPicture& p : desc.mPictures) {
    Output picture;
    picture.mPath = p.mFile;
    picture.mWidth = p.mWidth * int32_t(p.mFrames.mFrames.size());
    picture.mHeight = p.mHeight;
    picture.mPixels.assign(size_t(picture.mWidth) * size_t(picture.mHeight), 0);
    if (!renderer.RenderRow(p.mFrames, p.mWidth, p.mHeight, picture.mPixels, picture.mWidth, 0, error)) {
      error = descriptionPath + ": " + p.mFile + ": " + error;
      return false;
    }
    images.push_back(std::move(picture));
  }
  std::string atlasXml;
  if (!desc.mAtlas.mName.empty() && !RenderAtlas(desc.mAtlas, renderer, images, atlasXml, error)) {
    error = descriptionPath + ": atlas " + desc.mAtlas.mName + ": " + error;
    return false;
  }
  // Everything rendered: only now is anything written.
  for (const Output& o : images) {
    const fs::path path = fs::path(outputFolder) / o.mPath;
    fs::create_directories(path.parent_path());
    Vesk::MemoryImage image;
    image.SetBits(o.mPixels.data(), o.mWidth, o.mHeight);
    if (!ImageLib::WritePNG(image, path.string())) {
      error = path.string() + ": cannot be written";
      return false;
    }
  }
  if (!atlasXml.empty()) {
    const fs::path path = fs::path(outputFolder) / (desc.mAtlas.mName + "_atlaspack.xml");
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    if (!(out << atlasXml) || !out.flush()) {
      error = path.string() + ": cannot be written";
      return false;
    }
  }
  for (const auto& [name, animations] : sets) {
    const fs::path path = fs::path(outputFolder) / "anm" / (name + ".anm");
    fs::create_directories(path.parent_path());
    if (!AnmWriter::WriteFile(animations, path.string())) {
      error = path.string() + ": cannot be written";
      return false;
    }
  }
  return true;
}
