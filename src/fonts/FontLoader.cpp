#include "fonts/FontLoader.h"

#include "fonts/ImageFont.h"
#include "fonts/SysFont.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

namespace {
bool EndsWith(const std::string& s, const char* tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}
}  // namespace

std::unique_ptr<Vesk::Font> CreateFontFromNode(const XmlNode& node, const std::string& label) {
  std::string file, face;
  int32_t size = 0;
  bool bold = false, italic = false;
  GetAttrStringA(node, "file", file);
  GetAttrStringA(node, "face", face);
  GetAttrInt(node, L"size", &size);
  GetAttrBool(node, L"bold", bold);
  GetAttrBool(node, L"italic", italic);
  std::string lower = ToLowerAscii(file);
  if (!file.empty() && !EndsWith(lower, ".ttf") && !EndsWith(lower, ".otf")) return Vesk::ImageFont::Load(file);
  if (size <= 0) {
    LogMessage("WARNING: font %s has no size", label.c_str());
    return nullptr;
  }
  if (!file.empty()) return Vesk::SysFont::CreateFromFile(file, size);
  if (face.empty()) {
    LogMessage("WARNING: font %s names neither a file nor a face", label.c_str());
    return nullptr;
  }
  return Vesk::SysFont::Create(face, size, bold, italic);
}
