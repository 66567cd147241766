#include "shell/LocTable.h"

#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

bool LocTable::Load(const std::string& fileName) {
  mTexts.clear();
  XmlNode doc = LoadXmlDocument(fileName);
  if (!doc) {
    LogMessage("ERROR: LocTable::Load: no texts from %s", fileName.c_str());
    return false;
  }
  for (const XmlNode& n : doc.selectNodes(L"/loc/text")) {
    std::string id;
    if (!GetAttrStringA(n, "id", id) || id.empty()) {
      LogMessage("WARNING: LocTable::Load: a text without id in %s", fileName.c_str());
      continue;
    }
    if (!mTexts.emplace(id, n.text()).second) {
      LogMessage("WARNING: LocTable::Load: text \"%s\" given twice in %s; the last one is used", id.c_str(),
                 fileName.c_str());
      mTexts[id] = n.text();
    }
  }
  return true;
}

std::wstring LocTable::GetText(const std::string& id) const {
  auto it = mTexts.find(id);
  if (it != mTexts.end()) return it->second;
  return L"$" + Utf8ToWide(id);
}

bool LocTable::HasText(const std::string& id) const { return mTexts.count(id) != 0; }
