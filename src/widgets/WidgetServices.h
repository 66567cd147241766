#pragma once
#include <functional>
#include <string>

class LocTable;
class TextVars;
class ZCTextureCache;

// What the widget kit reaches of the application, installed by it at start-up so that this
// library needs nothing above it. Each entry may be left empty: the kit then does without it
// (no sound, no textures, texts shown by id).
struct WidgetServices {
  std::function<void(const std::string& name)> mPlaySound;
  ZCTextureCache* mTextures = nullptr;
  LocTable* mLocTable = nullptr;
  TextVars* mTextVars = nullptr;
};

WidgetServices& GetWidgetServices();
void PlayWidgetSound(const std::string& name);
