#pragma once
#include <cstdint>
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

// A position or offset of a level or object document: anywhere in the 32-bit range (the board's
// sums of positions are held at its ends); one past the range takes the nearest end with a
// warning. True when present.
inline bool ReadBoardCoord(const XmlNode& node, const wchar_t* name, int32_t& out) {
  return GetClampedInt(node, "the board layout", name, out, INT32_MIN, INT32_MAX);
}

// The same, empty when absent.
inline std::string ReadBoardText(const XmlNode& node, const wchar_t* name) {
  std::string out;
  ReadBoardText(node, name, out);
  return out;
}
