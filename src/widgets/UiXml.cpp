#include "widgets/UiXml.h"

#include <cstdio>

#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

std::string UiAttr(const XmlNode& node, const char* name, const std::string& def) {
  std::string v;
  return GetAttrStringA(node, name, v) ? v : def;
}

std::wstring UiAttrW(const XmlNode& node, const char* name, const std::wstring& def) {
  std::wstring v;
  std::wstring wname(name, name + std::char_traits<char>::length(name));
  return GetAttrWString(node, wname.c_str(), v) ? v : def;
}

int32_t UiAttrInt(const XmlNode& node, const char* name, int32_t def) {
  int32_t v = def;
  return GetAttrIntA(node, name, v) ? v : def;
}

float UiAttrFloat(const XmlNode& node, const char* name, float def) {
  float v = def;
  return GetAttrFloatA(node, name, v) ? v : def;
}

bool UiAttrBool(const XmlNode& node, const char* name, bool def) {
  bool v = def;
  return GetAttrBoolA(node, name, v) ? v : def;
}

bool UiAttrRect(const XmlNode& node, const char* name, Rect& out) {
  std::string text;
  if (!GetAttrStringA(node, name, text)) return false;
  int32_t v[4];
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    size_t end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(pos, end - pos);
    if (part.find_first_of("0123456789") == std::string::npos) return false;
    v[i] = ParseXmlInt(part);
    if (end == text.size() && i < 3) return false;
    pos = end + 1;
  }
  out = Rect(v[0], v[1], v[2], v[3]);
  return true;
}

std::string UiLabel(const XmlNode& node) {
  std::string name;
  if (GetAttrStringA(node, "name", name) && !name.empty()) return name;
  std::wstring tag = node.nodeName();
  return WideToUtf8(tag);
}
