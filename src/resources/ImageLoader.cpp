#include "resources/ImageLoader.h"

#include "graphics/ImageLib.h"

std::unique_ptr<Vesk::MemoryImage> LoadMemoryImageFile(const std::string& file) { return ImageLib::GetImage(file); }
