#pragma once
#include "engine/ZCEngine.h"
#include "sound/SoundManager.h"
#include "widgets/ZCCandyWidget.h"

// Null-tolerant steps the screens take on widgets their layout may lack.
namespace ScreenWidgets {

// The clicked widget is this bound field (never true for a field left null).
inline bool Is(const ZCCandyWidget* button, const ZCCandyWidget* field) { return field && button == field; }
inline ZCCandyWidget* Child(ZCCandyWidget* parent, const char* name) {
  return parent ? parent->FindChild(name) : nullptr;
}
inline void SetShown(Vesk::Widget* widget, bool visible) {
  if (widget) widget->SetVisible(visible);
}

// A sound of the sound table, when there is an engine with sound.
inline void PlaySound(const char* name) {
  ZCEngine* engine = GetEngine();
  if (SoundManager* sounds = engine ? engine->GetSoundManager() : nullptr) sounds->PlaySound(name);
}

}  // namespace ScreenWidgets
