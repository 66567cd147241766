#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/xml/XmlDom.h"

// A handle on an XML document or one of its nodes. Handles are light (copying one copies a
// reference) and each keeps its document alive; a null handle answers every query with
// nothing. Names, values and XPath queries are wide strings; files may be UTF-8 (with or without
// byte-order mark) or UTF-16 in either byte order.
class XmlNode {
 public:
  XmlNode() = default;
  explicit XmlNode(Platform::XmlDom dom) : mDom(std::move(dom)) {}

  bool IsNull() const { return mDom.IsNull(); }
  explicit operator bool() const { return !IsNull(); }

  // The first node the XPath selects, or null (also when the query is malformed).
  XmlNode selectSingleNode(const std::wstring& xpath) const;
  // Every node the XPath selects in document order; empty when none or the query is malformed.
  std::vector<XmlNode> selectNodes(const std::wstring& xpath) const;
  // The same, telling apart a failed selection (false) from an empty one.
  bool selectNodes(const std::wstring& xpath, std::vector<XmlNode>& out) const;

  XmlNode documentElement() const;
  XmlNode parentNode() const;
  XmlNode firstChild() const;
  XmlNode nextSibling() const;
  std::wstring nodeName() const;
  std::wstring text() const;
  bool getAttribute(const std::wstring& name, std::wstring& value) const;
  bool getAttribute(const std::string& name, std::string& value) const;
  bool setAttribute(const std::wstring& name, const std::wstring& value);
  // The node as UTF-8 XML text.
  std::string xml() const;

  const Platform::XmlDom& Dom() const { return mDom; }

 private:
  Platform::XmlDom mDom;
};

// Reads and parses a document through the file layer (packs first, then the disk). Null, with
// an "ERROR: " log line, when the file cannot be read or is not well-formed XML.
XmlNode LoadXmlDocument(const std::string& fileName);
// The same for a document already in memory; `name` only labels the log line.
XmlNode LoadXmlFromMemory(const uint8_t* data, size_t size, const std::string& name);

// Calls callback(node, arg1, arg2) for every node the XPath selects, in order, stopping early
// when it returns false. False only when the selection itself failed.
using XmlNodeCallback = bool (*)(const XmlNode& node, void* arg1, void* arg2);
bool ForEachNode(const XmlNode& node, const std::wstring& xpath, XmlNodeCallback callback, void* arg1, void* arg2);

// Creates an element through the owner document and inserts it before `before` (a child of
// node), or appends it when `before` is null. The new node, or null when node is null.
XmlNode CreateChildElement(XmlNode& node, const std::wstring& name, const XmlNode* before = nullptr);

// Attribute accessors. Each returns true when the attribute is present (and, where a format is
// named, when it parses); otherwise it returns false and leaves the out value as it was.

// "true" or a non-zero integer is true.
bool GetAttrBool(const XmlNode& node, const wchar_t* name, bool& out);
// An integer: non-zero is true. The text "true" is not recognised (reads as false).
bool GetAttrBoolA(const XmlNode& node, const char* name, bool& out);
// "%d;%d;%d" as red, green, blue with alpha 255: the three numbers go to out.
bool GetAttrRGB(const XmlNode& node, const wchar_t* name, int32_t& red, int32_t& green, int32_t& blue);
// The same into any colour type constructible from (red, green, blue, alpha).
template <class ColorT>
bool GetAttrColor(const XmlNode& node, const wchar_t* name, ColorT& out) {
  int32_t r = 0, g = 0, b = 0;
  if (!GetAttrRGB(node, name, r, g, b)) return false;
  out = ColorT(r, g, b, 255);
  return true;
}
// Whole part plus fraction ("-12.75"); reading stops at the first other character. A value that
// does not begin with a number ("abc", "NaN", "") is refused with a "WARNING: " line naming the
// element, the attribute and the value, and out keeps the caller's default.
bool GetAttrFloat(const XmlNode& node, const wchar_t* name, float& out);
bool GetAttrFloatA(const XmlNode& node, const char* name, float& out);
// A decimal integer (leading blanks and sign allowed, reading stops at the first other
// character, clamped to the 32-bit range); refused like a float when it is no number.
bool GetAttrInt(const XmlNode& node, const wchar_t* name, int32_t* out);
bool GetAttrIntA(const XmlNode& node, const char* name, int32_t& out);
// A number the game can use only within [min, max]. Absent: false, out unchanged. Present and
// usable: out := the value. Present but no number or out of range: a "WARNING: " line naming the
// file, the element, the attribute and the value, and out := fallback (the caller's default or
// the nearest usable value). True when present.
bool GetUsableFloat(const XmlNode& node, const char* file, const wchar_t* name, float& out, float min, float max,
                    float fallback);
bool GetUsableInt(const XmlNode& node, const char* file, const wchar_t* name, int32_t& out, int32_t min, int32_t max,
                  int32_t fallback);
// The same, but a number out of range takes the nearest bound; one that is no number leaves out
// unchanged (the caller's default). Both with the warning.
bool GetClampedFloat(const XmlNode& node, const char* file, const wchar_t* name, float& out, float min, float max);
bool GetClampedInt(const XmlNode& node, const char* file, const wchar_t* name, int32_t& out, int32_t min, int32_t max);
// "%f;%f": true only when both numbers are read.
bool GetAttrPoint(const XmlNode& node, const wchar_t* name, float& x, float& y);
// The value as narrow (UTF-8) text into buf, cut to bufSize - 1 bytes without splitting a
// character. The code page is accepted for the callers' sake; every narrow string is UTF-8.
bool GetAttrString(const XmlNode& node, const wchar_t* name, char* buf, size_t bufSize, unsigned codePage = 0);
bool GetAttrStringA(const XmlNode& node, const char* name, std::string& out);
// The wide value.
bool GetAttrWString(const XmlNode& node, const wchar_t* name, std::wstring& out);

// The number readers behind the accessors, for other text fields of the same formats.
int32_t ParseXmlInt(const std::string& text);
float ParseXmlFloat(const std::string& text);
