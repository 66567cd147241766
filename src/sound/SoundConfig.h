#pragma once
#include <string>

class XmlNode;

namespace SoundConfig {
// The optional "volume" attribute (0..100) of a sound or music element; a value out of range is
// logged against `owner` and the default is kept.
int ReadVolume(const XmlNode& node, const std::string& owner, int fallback);
}  // namespace SoundConfig
