#include "TestTarget.h"

bool LoadEffects(EffectLibrary& library, const std::string& xml) {
  return library.LoadFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "test effect.xml");
}
