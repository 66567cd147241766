#pragma once
#include <string>
#include <unordered_map>

// The localised texts by id, read from "cfg\\loc.xml":
//   <loc><text id="app_title">Pellor Cafe</text> ...</loc>
class LocTable {
 public:
  static constexpr const char* kDefaultFile = "cfg\\loc.xml";

  // Replaces the table with the file's texts. False, with an "ERROR: " log line, when the file
  // cannot be read or parsed (the table is then left empty).
  bool Load(const std::string& fileName = kDefaultFile);
  // The text of an id; "$" followed by the id when the table has none.
  std::wstring GetText(const std::string& id) const;
  bool HasText(const std::string& id) const;
  size_t Size() const { return mTexts.size(); }
  void Clear() { mTexts.clear(); }

 private:
  std::unordered_map<std::string, std::wstring> mTexts;
};
