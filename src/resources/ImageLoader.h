#pragma once
#include <functional>
#include <memory>
#include <string>

#include "graphics/MemoryImage.h"

// Loads an image file (pack or disk) into a new image; null on failure. The engine hands its own
// to the tables below so that every image it keeps comes from one place.
using ImageFileLoader = std::function<std::unique_ptr<Vesk::MemoryImage>(const std::string& file)>;

// The plain loader: the image file readers into a memory image.
std::unique_ptr<Vesk::MemoryImage> LoadMemoryImageFile(const std::string& file);
