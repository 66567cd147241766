#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

// A handle on one node of a parsed XML document. Copies are cheap; every handle keeps its
// document alive, so nodes may outlive the handle they were selected from. Strings are UTF-8.
// A default-constructed handle is null and every operation on it is a harmless no-op.
class XmlDom {
 public:
  XmlDom() = default;

  // Parses a document held in memory: UTF-8 with or without byte-order mark, UTF-16 of either
  // byte order (with or without byte-order mark). A null handle and a message in *error when
  // the text is not well-formed.
  static XmlDom Parse(const uint8_t* data, size_t size, std::string* error);

  bool IsNull() const { return mNode == nullptr; }
  explicit operator bool() const { return !IsNull(); }
  bool operator==(const XmlDom& o) const { return mNode == o.mNode; }

  // The document node this node belongs to.
  XmlDom Document() const;
  // The first element child of the document.
  XmlDom DocumentElement() const;
  std::string Name() const;
  // The concatenated text of the node's text children.
  std::string Text() const;
  XmlDom Parent() const;
  XmlDom FirstChild() const;
  XmlDom NextSibling() const;
  bool IsElement() const;

  // True with the value when the element carries the attribute.
  bool Attribute(const char* name, std::string& value) const;
  bool SetAttribute(const char* name, const std::string& value);

  // XPath selection relative to this node. *ok (when given) is false when the expression does
  // not compile or cannot be evaluated; results that are not nodes (attributes) are skipped.
  XmlDom SelectSingle(const std::string& xpath, bool* ok = nullptr) const;
  std::vector<XmlDom> Select(const std::string& xpath, bool* ok = nullptr) const;

  // Creates an element and inserts it before `before` (a child of this node), or appends it
  // when `before` is null. Null when this node cannot hold children.
  XmlDom InsertElement(const std::string& name, const XmlDom& before);

  // The node written out as UTF-8 text.
  std::string Serialize() const;

 private:
  XmlDom(std::shared_ptr<void> doc, void* node) : mDoc(std::move(doc)), mNode(node) {}
  std::shared_ptr<void> mDoc;  // the owning document (type-erased)
  void* mNode = nullptr;       // the node inside it
};

}  // namespace Platform
