#include "platform/xml/XmlDom.h"

#include <pugixml.hpp>

#include <sstream>

namespace Platform {
namespace {

pugi::xml_node AsNode(void* p) { return pugi::xml_node(static_cast<pugi::xml_node_struct*>(p)); }

}  // namespace

XmlDom XmlDom::Parse(const uint8_t* data, size_t size, std::string* error) {
  auto doc = std::make_shared<pugi::xml_document>();
  pugi::xml_parse_result r = doc->load_buffer(data, size, pugi::parse_default, pugi::encoding_auto);
  if (!r) {
    if (error) *error = std::string(r.description()) + " at offset " + std::to_string(r.offset);
    return XmlDom();
  }
  if (!doc->document_element()) {
    if (error) *error = "no document element";
    return XmlDom();
  }
  void* node = doc->internal_object();
  return XmlDom(std::shared_ptr<void>(doc, doc.get()), node);
}

XmlDom XmlDom::Document() const {
  if (!mNode) return {};
  return XmlDom(mDoc, AsNode(mNode).root().internal_object());
}

XmlDom XmlDom::DocumentElement() const {
  if (!mNode) return {};
  pugi::xml_node e = AsNode(mNode).root().first_child();
  while (e && e.type() != pugi::node_element) e = e.next_sibling();
  return e ? XmlDom(mDoc, e.internal_object()) : XmlDom();
}

std::string XmlDom::Name() const { return mNode ? AsNode(mNode).name() : std::string(); }

std::string XmlDom::Text() const {
  if (!mNode) return {};
  pugi::xml_node n = AsNode(mNode);
  if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) return n.value();
  std::string s;
  for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) s += c.value();
  return s;
}

XmlDom XmlDom::Parent() const {
  if (!mNode) return {};
  pugi::xml_node p = AsNode(mNode).parent();
  return p ? XmlDom(mDoc, p.internal_object()) : XmlDom();
}

XmlDom XmlDom::FirstChild() const {
  if (!mNode) return {};
  pugi::xml_node c = AsNode(mNode).first_child();
  return c ? XmlDom(mDoc, c.internal_object()) : XmlDom();
}

XmlDom XmlDom::NextSibling() const {
  if (!mNode) return {};
  pugi::xml_node c = AsNode(mNode).next_sibling();
  return c ? XmlDom(mDoc, c.internal_object()) : XmlDom();
}

bool XmlDom::IsElement() const { return mNode && AsNode(mNode).type() == pugi::node_element; }

bool XmlDom::Attribute(const char* name, std::string& value) const {
  if (!mNode || !name) return false;
  pugi::xml_attribute a = AsNode(mNode).attribute(name);
  if (!a) return false;
  value = a.value();
  return true;
}

bool XmlDom::SetAttribute(const char* name, const std::string& value) {
  if (!IsElement() || !name || !*name) return false;
  pugi::xml_node n = AsNode(mNode);
  pugi::xml_attribute a = n.attribute(name);
  if (!a) a = n.append_attribute(name);
  return a && a.set_value(value.c_str());
}

std::vector<XmlDom> XmlDom::Select(const std::string& xpath, bool* ok) const {
  std::vector<XmlDom> out;
  if (ok) *ok = false;
  if (!mNode) return out;
  try {
    pugi::xpath_query query(xpath.c_str());
    if (!query) return out;
    pugi::xpath_node_set set = query.evaluate_node_set(AsNode(mNode));
    out.reserve(set.size());
    for (const pugi::xpath_node& x : set)
      if (x.node()) out.push_back(XmlDom(mDoc, x.node().internal_object()));
    if (ok) *ok = true;
  } catch (const std::exception&) {
    out.clear();  // compile error, a non-node-set expression or out of memory
  }
  return out;
}

XmlDom XmlDom::SelectSingle(const std::string& xpath, bool* ok) const {
  if (ok) *ok = false;
  if (!mNode) return {};
  try {
    pugi::xpath_query query(xpath.c_str());
    if (!query) return {};
    pugi::xpath_node x = query.evaluate_node(AsNode(mNode));
    if (ok) *ok = true;
    if (x.node()) return XmlDom(mDoc, x.node().internal_object());
  } catch (const std::exception&) {
  }
  return {};
}

XmlDom XmlDom::InsertElement(const std::string& name, const XmlDom& before) {
  if (!mNode || name.empty()) return {};
  pugi::xml_node n = AsNode(mNode);
  if (n.type() != pugi::node_element && n.type() != pugi::node_document) return {};
  pugi::xml_node created;
  if (before.mNode && AsNode(before.mNode).parent() == n)
    created = n.insert_child_before(name.c_str(), AsNode(before.mNode));
  else
    created = n.append_child(name.c_str());
  return created ? XmlDom(mDoc, created.internal_object()) : XmlDom();
}

std::string XmlDom::Serialize() const {
  if (!mNode) return {};
  std::ostringstream os;
  AsNode(mNode).print(os, "  ", pugi::format_default, pugi::encoding_utf8);
  return os.str();
}

}  // namespace Platform
