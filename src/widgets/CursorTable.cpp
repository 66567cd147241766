#include "widgets/CursorTable.h"

#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "widgets/UiXml.h"

namespace {
CursorTable* gCursorTable = nullptr;
}

CursorTable* GetCursorTable() { return gCursorTable; }
void SetCursorTable(CursorTable* table) { gCursorTable = table; }

CursorTable::~CursorTable() {
  if (mSink && mShownImage) mSink(nullptr);
  if (gCursorTable == this) gCursorTable = nullptr;
}

int CursorTable::Load(const XmlNode& root, ZCTextureCache* textures) {
  int added = 0;
  for (const XmlNode& node : root.selectNodes(L"cursors/cursor")) {
    std::string name = UiAttr(node, "name"), id = UiAttr(node, "texture");
    TextureHandle handle = textures ? textures->GetTexture(id) : TextureHandle();
    if (handle.IsNullHandle()) {
      LogMessage("WARNING: ui.xml cursor \"%s\": no texture \"%s\"", name.c_str(), id.c_str());
      continue;
    }
    if (AddCursor(name, handle)) ++added;
  }
  if (mCurrent.empty() && HasCursor("normal")) mCurrent = "normal";
  return added;
}

bool CursorTable::AddCursor(const std::string& name, const TextureHandle& texture) {
  if (name.empty() || texture.IsNullHandle() || mCursors.count(name)) {
    LogMessage("WARNING: cursor \"%s\" is unnamed, has no texture or is declared twice; ignored", name.c_str());
    return false;
  }
  mCursors[name] = texture;
  if (mCurrent.empty()) mCurrent = name;
  if (mShown) Apply();
  return true;
}

void CursorTable::SetCursor(const std::string& name) {
  if (!mCursors.count(name)) {
    if (!mWarned[name]) LogMessage("WARNING: no cursor \"%s\"", name.c_str());
    mWarned[name] = true;
    return;
  }
  if (name == mCurrent) return;
  mCurrent = name;
  Apply();
}

void CursorTable::Show() {
  mShown = true;
  Apply();
}

void CursorTable::Hide() {
  mShown = false;
  Apply();
}

void CursorTable::SetImageSink(ImageSink sink) {
  if (mSink && mShownImage) mSink(nullptr);
  mShownImage = nullptr;
  mSink = std::move(sink);
  Apply();
}

void CursorTable::Apply() {
  Vesk::Image* image = nullptr;
  if (mShown) {
    auto it = mCursors.find(mCurrent);
    // The shown cursor keeps its picture locked.
    if (it != mCursors.end()) image = it->second.GetImage();
  }
  mShownImage = image;
  if (mSink) mSink(image);
}
