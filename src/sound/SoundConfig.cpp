#include "sound/SoundConfig.h"

#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace SoundConfig {

int ReadVolume(const XmlNode& node, const std::string& owner, int fallback) {
  int32_t volume = fallback;
  if (!GetAttrInt(node, L"volume", &volume)) return fallback;
  if (volume < 0 || volume > 100) {
    LogMessage("WARNING: %s: volume %d is outside 0..100; using %d", owner.c_str(), volume, fallback);
    return fallback;
  }
  return volume;
}

}  // namespace SoundConfig
