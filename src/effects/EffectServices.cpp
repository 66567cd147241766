#include "effects/EffectServices.h"

#include "graphics/ImageLib.h"

EffectServices& GetEffectServices() {
  static EffectServices services;
  return services;
}

std::shared_ptr<Vesk::MemoryImage> LoadEffectImage(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  const EffectServices& services = GetEffectServices();
  if (services.mLoadImage) return services.mLoadImage(fileName);
  return std::shared_ptr<Vesk::MemoryImage>(ImageLib::GetImage(fileName));
}
