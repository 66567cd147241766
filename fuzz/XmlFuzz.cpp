// Parses arbitrary bytes as an XML document and runs the XPath selections and attribute
// accessors the game uses over every element.
#include <cstdint>
#include <vector>

#include "shell/XmlNode.h"

namespace {

struct Rgb {
  int32_t r = 0, g = 0, b = 0, a = 0;
  Rgb() = default;
  Rgb(int32_t r_, int32_t g_, int32_t b_, int32_t a_) : r(r_), g(g_), b(b_), a(a_) {}
};

bool Visit(const XmlNode& n, void* countPtr, void*) {
  int& count = *static_cast<int*>(countPtr);
  if (++count > 2000) return false;
  for (const wchar_t* name : {L"id", L"name", L"v", L"x"}) {
    bool b = false;
    int32_t i = 0;
    float f = 0, x = 0, y = 0;
    Rgb c;
    char buf[128];
    std::wstring ws;
    GetAttrBool(n, name, b);
    GetAttrInt(n, name, &i);
    GetAttrFloat(n, name, f);
    GetAttrPoint(n, name, x, y);
    GetAttrColor(n, name, c);
    GetAttrString(n, name, buf, sizeof buf);
    GetAttrWString(n, name, ws);
  }
  std::string s;
  GetAttrStringA(n, "name", s);
  n.text();
  n.nodeName();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XmlNode doc = LoadXmlFromMemory(data, size, "fuzz.xml");
  if (!doc) return 0;
  int count = 0;
  ForEachNode(doc, L"//*", Visit, &count, nullptr);
  XmlNode root = doc.documentElement();
  for (const wchar_t* xpath : {L"objects/object", L"comixes/comix[@name=\"a\"]", L"/loc/text", L"*/*[@id]"})
    root.selectNodes(xpath);
  XmlNode added = CreateChildElement(root, L"points", nullptr);
  CreateChildElement(root, L"edges", &added);
  if (size < 4096) doc.xml();
  return 0;
}
