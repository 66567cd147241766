#include "shell/XmlNode.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/StringUtil.h"

XmlNode XmlNode::selectSingleNode(const std::wstring& xpath) const {
  return XmlNode(mDom.SelectSingle(WideToUtf8(xpath)));
}

std::vector<XmlNode> XmlNode::selectNodes(const std::wstring& xpath) const {
  std::vector<XmlNode> out;
  selectNodes(xpath, out);
  return out;
}

bool XmlNode::selectNodes(const std::wstring& xpath, std::vector<XmlNode>& out) const {
  out.clear();
  bool ok = false;
  std::vector<Platform::XmlDom> found = mDom.Select(WideToUtf8(xpath), &ok);
  out.reserve(found.size());
  for (auto& d : found) out.emplace_back(std::move(d));
  return ok;
}

XmlNode XmlNode::documentElement() const { return XmlNode(mDom.DocumentElement()); }
XmlNode XmlNode::parentNode() const { return XmlNode(mDom.Parent()); }
XmlNode XmlNode::firstChild() const { return XmlNode(mDom.FirstChild()); }
XmlNode XmlNode::nextSibling() const { return XmlNode(mDom.NextSibling()); }
std::wstring XmlNode::nodeName() const { return Utf8ToWide(mDom.Name()); }
std::wstring XmlNode::text() const { return Utf8ToWide(mDom.Text()); }

bool XmlNode::getAttribute(const std::wstring& name, std::wstring& value) const {
  std::string v;
  if (!mDom.Attribute(WideToUtf8(name).c_str(), v)) return false;
  value = Utf8ToWide(v);
  return true;
}

bool XmlNode::getAttribute(const std::string& name, std::string& value) const {
  return mDom.Attribute(name.c_str(), value);
}

bool XmlNode::setAttribute(const std::wstring& name, const std::wstring& value) {
  return mDom.SetAttribute(WideToUtf8(name).c_str(), WideToUtf8(value));
}

std::string XmlNode::xml() const { return mDom.Serialize(); }

XmlNode LoadXmlFromMemory(const uint8_t* data, size_t size, const std::string& name) {
  std::string error;
  Platform::XmlDom dom = Platform::XmlDom::Parse(data, size, &error);
  if (dom.IsNull()) {
    LogMessage("ERROR: LoadXmlDocument: %s is not valid XML (%s)", name.c_str(), error.c_str());
    return XmlNode();
  }
  return XmlNode(std::move(dom));
}

XmlNode LoadXmlDocument(const std::string& fileName) {
  std::vector<uint8_t> bytes;
  if (!GetPakInterface()->ReadWholeFile(fileName, bytes, FileKind::kXml)) {
    LogMessage("ERROR: LoadXmlDocument: cannot read %s", fileName.c_str());
    return XmlNode();
  }
  return LoadXmlFromMemory(bytes.data(), bytes.size(), fileName);
}

bool ForEachNode(const XmlNode& node, const std::wstring& xpath, XmlNodeCallback callback, void* arg1, void* arg2) {
  std::vector<XmlNode> nodes;
  if (!node.selectNodes(xpath, nodes)) return false;
  if (!callback) return true;
  for (const XmlNode& n : nodes)
    if (!callback(n, arg1, arg2)) break;
  return true;
}

XmlNode CreateChildElement(XmlNode& node, const std::wstring& name, const XmlNode* before) {
  Platform::XmlDom parent = node.Dom();
  return XmlNode(parent.InsertElement(WideToUtf8(name), before ? before->Dom() : Platform::XmlDom()));
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Reads an optionally signed decimal integer at p, clamped to 32 bits. False when no digit.
bool ReadInt(const char*& p, int32_t& out) {
  const char* s = p;
  while (IsBlank(*s)) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  if (*s < '0' || *s > '9') return false;
  int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s)
    if (v <= int64_t(std::numeric_limits<int32_t>::max()) + 1) v = v * 10 + (*s - '0');
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
  out = int32_t(v);
  p = s;
  return true;
}

// "%f" in the C locale: blanks, then a floating-point number. False when none.
bool ReadScanFloat(const char*& p, float& out) {
  char* end = nullptr;
  float v = std::strtof(p, &end);
  if (end == p) return false;
  out = v;
  p = end;
  return true;
}

bool GetUtf8(const XmlNode& node, const char* name, std::string& value) {
  return name && node.Dom().Attribute(name, value);
}

bool GetUtf8(const XmlNode& node, const wchar_t* name, std::string& value) {
  return name && node.Dom().Attribute(WideToUtf8(name).c_str(), value);
}

// Hands a present attribute's value to `use`; false when absent.
template <class Name, class Use>
bool WithValue(const XmlNode& node, Name name, Use use) {
  std::string v;
  if (!GetUtf8(node, name, v)) return false;
  use(v);
  return true;
}

}  // namespace

int32_t ParseXmlInt(const std::string& text) {
  const char* p = text.c_str();
  int32_t v = 0;
  return ReadInt(p, v) ? v : 0;
}

float ParseXmlFloat(const std::string& text) {
  const char* s = text.c_str();
  while (IsBlank(*s)) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  double whole = 0;
  for (; *s >= '0' && *s <= '9'; ++s) whole = whole * 10 + (*s - '0');
  double fraction = 0, scale = 1;
  if (*s == '.')
    for (++s; *s >= '0' && *s <= '9'; ++s) {
      scale /= 10;
      fraction += (*s - '0') * scale;
    }
  double v = whole + fraction;
  if (v > std::numeric_limits<float>::max()) v = std::numeric_limits<float>::max();
  return float(negative ? -v : v);
}

bool GetAttrBool(const XmlNode& node, const wchar_t* name, bool& out) {
  return WithValue(node, name, [&](const std::string& v) { out = v == "true" || ParseXmlInt(v) != 0; });
}

bool GetAttrBoolA(const XmlNode& node, const char* name, bool& out) {
  return WithValue(node, name, [&](const std::string& v) { out = ParseXmlInt(v) != 0; });
}

bool GetAttrRGB(const XmlNode& node, const wchar_t* name, int32_t& red, int32_t& green, int32_t& blue) {
  std::string v;
  if (!GetUtf8(node, name, v)) return false;
  const char* p = v.c_str();
  int32_t c[3];
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && *p++ != ';') return false;
    if (!ReadInt(p, c[i])) return false;
  }
  red = c[0];
  green = c[1];
  blue = c[2];
  return true;
}

namespace {

std::string NarrowName(const char* name) { return name; }
std::string NarrowName(const wchar_t* name) { return WideToUtf8(name); }

// True when the text begins, after blanks and a sign, with a digit (or a point and a digit when
// fractions are allowed): "abc", "NaN", "inf" and "" are no numbers.
bool IsNumberText(const std::string& text, bool fraction) {
  const char* s = text.c_str();
  while (IsBlank(*s)) ++s;
  if (*s == '+' || *s == '-') ++s;
  if (fraction && *s == '.') ++s;
  return *s >= '0' && *s <= '9';
}

// A present attribute that should hold a number: its text, or false (with a warning naming the
// element, the attribute and the text) when it is absent or no number.
template <class Name>
bool NumberText(const XmlNode& node, Name name, bool fraction, std::string& v) {
  if (!GetUtf8(node, name, v)) return false;
  if (IsNumberText(v, fraction)) return true;
  LogMessage("WARNING: <%s> %s=\"%s\" is not a number; ignored", WideToUtf8(node.nodeName()).c_str(),
             NarrowName(name).c_str(), v.c_str());
  return false;
}

}  // namespace

bool GetAttrFloat(const XmlNode& node, const wchar_t* name, float& out) {
  std::string v;
  if (!NumberText(node, name, true, v)) return false;
  out = ParseXmlFloat(v);
  return true;
}

bool GetAttrFloatA(const XmlNode& node, const char* name, float& out) {
  std::string v;
  if (!NumberText(node, name, true, v)) return false;
  out = ParseXmlFloat(v);
  return true;
}

bool GetAttrInt(const XmlNode& node, const wchar_t* name, int32_t* out) {
  std::string v;
  if (!NumberText(node, name, false, v)) return false;
  if (out) *out = ParseXmlInt(v);
  return true;
}

bool GetAttrIntA(const XmlNode& node, const char* name, int32_t& out) {
  std::string v;
  if (!NumberText(node, name, false, v)) return false;
  out = ParseXmlInt(v);
  return true;
}

namespace {

float ParseNumber(const std::string& v, float) { return ParseXmlFloat(v); }
int32_t ParseNumber(const std::string& v, int32_t) { return ParseXmlInt(v); }
bool IsNumberOf(const std::string& v, float) { return IsNumberText(v, true); }
bool IsNumberOf(const std::string& v, int32_t) { return IsNumberText(v, false); }
std::string NumberString(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", double(v));
  return buf;
}
std::string NumberString(int32_t v) { return std::to_string(v); }

// The integer text lies within the 32-bit range (ParseXmlInt holds a larger one at the nearest
// end, which must not pass as that end).
bool FitsInt32(const std::string& text) {
  const char* s = text.c_str();
  while (IsBlank(*s)) ++s;
  const bool negative = *s == '-';
  if (*s == '+' || *s == '-') ++s;
  const int64_t most = negative ? -int64_t(std::numeric_limits<int32_t>::min()) : std::numeric_limits<int32_t>::max();
  int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s)
    if ((v = v * 10 + (*s - '0')) > most) return false;
  return true;
}
bool Fits(const std::string&, float) { return true; }
bool Fits(const std::string& v, int32_t) { return FitsInt32(v); }

// A number usable within [min, max]. Refused: out := the fallback when one is given, else the
// nearest bound for a number out of range (and unchanged for no number).
template <class T>
bool ReadRanged(const XmlNode& node, const char* file, const wchar_t* name, T& out, T min, T max, const T* fallback) {
  std::string v;
  if (!GetUtf8(node, name, v)) return false;
  const bool number = IsNumberOf(v, T());
  const T value = ParseNumber(v, T());
  const bool fits = Fits(v, T());
  if (number && fits && value >= min && value <= max) {
    out = value;
    return true;
  }
  // A number past the type's range is held at its end: at the lowest it lies below any min.
  const bool below = value < min || (!fits && value == std::numeric_limits<T>::lowest());
  if (fallback)
    out = *fallback;
  else if (number)
    out = below ? min : max;
  LogMessage("WARNING: %s: <%s> %s=\"%s\" cannot be used; %s used", file, WideToUtf8(node.nodeName()).c_str(),
             WideToUtf8(name).c_str(), v.c_str(), NumberString(out).c_str());
  return true;
}

}  // namespace

bool GetUsableFloat(const XmlNode& node, const char* file, const wchar_t* name, float& out, float min, float max,
                    float fallback) {
  return ReadRanged(node, file, name, out, min, max, &fallback);
}

bool GetUsableInt(const XmlNode& node, const char* file, const wchar_t* name, int32_t& out, int32_t min, int32_t max,
                  int32_t fallback) {
  return ReadRanged(node, file, name, out, min, max, &fallback);
}

bool GetClampedFloat(const XmlNode& node, const char* file, const wchar_t* name, float& out, float min, float max) {
  return ReadRanged<float>(node, file, name, out, min, max, nullptr);
}

bool GetClampedInt(const XmlNode& node, const char* file, const wchar_t* name, int32_t& out, int32_t min, int32_t max) {
  return ReadRanged<int32_t>(node, file, name, out, min, max, nullptr);
}

bool GetAttrPoint(const XmlNode& node, const wchar_t* name, float& x, float& y) {
  std::string v;
  if (!GetUtf8(node, name, v)) return false;
  const char* p = v.c_str();
  float a = 0, b = 0;
  if (!ReadScanFloat(p, a) || *p++ != ';' || !ReadScanFloat(p, b)) return false;
  x = a;
  y = b;
  return true;
}

bool GetAttrString(const XmlNode& node, const wchar_t* name, char* buf, size_t bufSize, unsigned /*codePage*/) {
  std::string v;
  if (!GetUtf8(node, name, v)) return false;
  if (!buf || bufSize == 0) return true;
  size_t n = v.size();
  if (n > bufSize - 1) {
    n = bufSize - 1;
    // Back up to the start of a character so no partial sequence is left behind.
    while (n > 0 && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80) --n;
  }
  v.copy(buf, n);
  buf[n] = '\0';
  return true;
}

bool GetAttrStringA(const XmlNode& node, const char* name, std::string& out) { return GetUtf8(node, name, out); }

bool GetAttrWString(const XmlNode& node, const wchar_t* name, std::wstring& out) {
  return WithValue(node, name, [&](const std::string& v) { out = Utf8ToWide(v); });
}
