#include "fonts/ZCFont.h"

#include <atomic>

#include "fonts/FontLoader.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {
std::atomic<ZCFontTable*> gCurrentTable{nullptr};

struct LoadContext {
  ZCFontTable* table;
  int added;
};

bool LoadOne(const XmlNode& node, void* ctx, void*) {
  auto* c = static_cast<LoadContext*>(ctx);
  std::string name;
  if (!GetAttrStringA(node, "name", name) || name.empty()) {
    LogMessage("WARNING: ZCFont: a font without name is skipped");
    return true;
  }
  if (c->table->GetFont(name)) {
    LogMessage("WARNING: ZCFont: font \"%s\" is declared twice; the first is kept", name.c_str());
    return true;
  }
  std::unique_ptr<Vesk::Font> font = CreateFontFromNode(node, name);
  if (!font) {
    LogMessage("ERROR: ZCFont: font \"%s\" cannot be loaded", name.c_str());
    return true;
  }
  if (c->table->AddFont(name, std::move(font))) ++c->added;
  return true;
}
}  // namespace

ZCFont* ZCFont::GetFont(const std::string& name) {
  ZCFontTable* table = ZCFontTable::GetCurrent();
  return table ? table->GetFont(name) : nullptr;
}

ZCFont* GetFontByName(const std::string& name) { return ZCFont::GetFont(name); }

ZCFontTable::~ZCFontTable() {
  ZCFontTable* self = this;
  gCurrentTable.compare_exchange_strong(self, nullptr);
}

void ZCFontTable::SetCurrent(ZCFontTable* table) { gCurrentTable.store(table); }
ZCFontTable* ZCFontTable::GetCurrent() { return gCurrentTable.load(); }

int ZCFontTable::LoadFonts(const XmlNode& root) {
  LoadContext ctx{this, 0};
  ForEachNode(root, L"fonts/font", LoadOne, &ctx, nullptr);
  return ctx.added;
}

ZCFont* ZCFontTable::AddFont(const std::string& name, std::unique_ptr<Vesk::Font> font) {
  if (!font) return nullptr;
  std::lock_guard<std::mutex> hold(mLock);
  auto& slot = mFonts[name];
  if (slot) {
    LogMessage("WARNING: ZCFont: font \"%s\" already exists", name.c_str());
    return nullptr;
  }
  slot = std::make_unique<ZCFont>(name, std::move(font));
  return slot.get();
}

ZCFont* ZCFontTable::GetFont(const std::string& name) const {
  std::lock_guard<std::mutex> hold(mLock);
  auto it = mFonts.find(name);
  return it == mFonts.end() ? nullptr : it->second.get();
}

size_t ZCFontTable::GetCount() const {
  std::lock_guard<std::mutex> hold(mLock);
  return mFonts.size();
}
