#pragma once
#include <string>

#include "shell/XmlNode.h"

// Text attributes of level and object documents hold at most 127 characters; longer values are
// cut. True and the value when the attribute is present; otherwise out is left as it was.
inline bool ReadBoardText(const XmlNode& node, const wchar_t* name, std::string& out) {
  char buf[128] = "";
  if (!GetAttrString(node, name, buf, sizeof buf)) return false;
  out = buf;
  return true;
}

// The same, empty when absent.
inline std::string ReadBoardText(const XmlNode& node, const wchar_t* name) {
  std::string out;
  ReadBoardText(node, name, out);
  return out;
}
