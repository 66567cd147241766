#pragma once
#include <functional>
#include <map>
#include <string>

#include "resources/ZCTextureCache.h"

class XmlNode;
namespace Vesk {
class Image;
}

// The mouse cursors of "cfg\\ui.xml" by mode name ("normal", "active"...), each a texture. The
// current one is handed to the display's software cursor while the table is shown.
class CursorTable {
 public:
  // Receives the picture to draw as the cursor, or null for none.
  using ImageSink = std::function<void(Vesk::Image* image)>;

  CursorTable() = default;
  ~CursorTable();
  CursorTable(const CursorTable&) = delete;
  CursorTable& operator=(const CursorTable&) = delete;

  // Reads every "cursors/cursor" element (name, texture) under the node; the number added.
  int Load(const XmlNode& root, ZCTextureCache* textures);
  // Declares a cursor; false (and a warning) for an empty or taken name or an empty handle.
  bool AddCursor(const std::string& name, const TextureHandle& texture);
  bool HasCursor(const std::string& name) const { return mCursors.count(name) != 0; }

  // Makes that cursor current; an unknown name keeps the current one (with a warning once).
  void SetCursor(const std::string& name);
  const std::string& GetCursor() const { return mCurrent; }
  // Software cursor drawn or not.
  void Show();
  void Hide();
  bool IsShown() const { return mShown; }
  void SetImageSink(ImageSink sink);
  // The picture handed to the sink now (null while hidden or without cursors).
  Vesk::Image* GetShownImage() const { return mShownImage; }

 private:
  void Apply();

  std::map<std::string, TextureHandle> mCursors;
  std::string mCurrent;
  std::map<std::string, bool> mWarned;
  ImageSink mSink;
  Vesk::Image* mShownImage = nullptr;
  bool mShown = false;
};

// The application's table (null when none is installed).
CursorTable* GetCursorTable();
void SetCursorTable(CursorTable* table);
