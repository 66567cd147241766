#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "fonts/Font.h"

class XmlNode;

// A font of the engine's font table: a name over the font it owns. It is itself a font, so it
// can be handed to a drawing context as it is.
class ZCFont : public Vesk::Font {
 public:
  ZCFont(std::string name, std::unique_ptr<Vesk::Font> font) : mName(std::move(name)), mFont(std::move(font)) {}

  // The font stored under the name in the engine's font table, or null.
  static ZCFont* GetFont(const std::string& name);

  const std::string& GetName() const { return mName; }
  Vesk::Font* GetInnerFont() const { return mFont.get(); }

  int32_t GetAscent() const override { return mFont->GetAscent(); }
  int32_t GetHeight() const override { return mFont->GetHeight(); }
  int32_t GetLineSpacing() const override { return mFont->GetLineSpacing(); }
  int32_t CharWidthKern(wchar_t c, wchar_t prev) override { return mFont->CharWidthKern(c, prev); }
  void DrawString(Vesk::Graphics* g, int32_t x, int32_t y, const wchar_t* text, size_t length,
                  const Color& color) override {
    mFont->DrawString(g, x, y, text, length, color);
  }

 private:
  std::string mName;
  std::unique_ptr<Vesk::Font> mFont;
};

// The engine's fonts by name, filled from the "fonts" part of "cfg\\ui.xml" on the loading
// thread and read from any thread. Fonts live as long as the table; a name is never replaced,
// so pointers handed out stay valid.
class ZCFontTable {
 public:
  ZCFontTable() = default;
  ~ZCFontTable();
  ZCFontTable(const ZCFontTable&) = delete;
  ZCFontTable& operator=(const ZCFontTable&) = delete;

  // Reads every "fonts/font" element under the node; a font that cannot be made is left out
  // with a log line. The number of fonts added.
  int LoadFonts(const XmlNode& root);
  // Adds a font under a name; null (and a warning) when the name is taken or the font is null.
  ZCFont* AddFont(const std::string& name, std::unique_ptr<Vesk::Font> font);
  ZCFont* GetFont(const std::string& name) const;
  size_t GetCount() const;

  // The table the engine's lookups use (null when there is none).
  static void SetCurrent(ZCFontTable* table);
  static ZCFontTable* GetCurrent();

 private:
  mutable std::mutex mLock;
  std::map<std::string, std::unique_ptr<ZCFont>> mFonts;
};

// The font of that name in the engine's font table, or null.
ZCFont* GetFontByName(const std::string& name);
