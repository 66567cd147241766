#pragma once
#include <functional>
#include <memory>
#include <string>

namespace Vesk {
class MemoryImage;
}
class ParticleSystemTable;

// What the effects reach of the application, installed by it at start-up so that this library
// needs nothing above it. Each hook may be left empty: the effects then do without it.
struct EffectServices {
  // Plays a named sound once.
  std::function<void(const std::string& name)> mPlaySound;
  // Loads an image by file name, or shares the one already loaded; null when it cannot be read.
  // Empty: each call reads the file anew.
  std::function<std::shared_ptr<Vesk::MemoryImage>(const std::string& fileName)> mLoadImage;
  // The application's particle-system table.
  ParticleSystemTable* mParticles = nullptr;
};

EffectServices& GetEffectServices();
// Loads an image through the installed loader (or straight from the file layer).
std::shared_ptr<Vesk::MemoryImage> LoadEffectImage(const std::string& fileName);
