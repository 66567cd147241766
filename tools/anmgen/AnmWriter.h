#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "effects/AnmFile.h"

namespace AnmWriter {
// The .anm bytes of the animations (their images are not written).
std::vector<uint8_t> Write(const std::vector<AnimEntry>& animations);
// Writes them to a disk file; false when it cannot be written.
bool WriteFile(const std::vector<AnimEntry>& animations, const std::string& path);
}  // namespace AnmWriter
