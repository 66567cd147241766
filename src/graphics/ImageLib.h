#pragma once
// Image file readers and writers. Files are read through the pack layer; every reader takes the
// whole file in memory. Bad files give null and one "ERROR: " log line.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"

namespace ImageLib {

// Largest image accepted: pixels per side, and bytes of 32-bit pixels.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixelBytes = int64_t(256) << 20;

// True when an image of this size may be allocated; otherwise logs an error naming the file.
bool CheckImageSize(int64_t width, int64_t height, const std::string& name);

// Reads an image file. A name without an extension tries ".png", ".jpg", ".tga", ".gif",
// ".j2k" and ".jp2" in turn.
std::unique_ptr<Vesk::MemoryImage> GetImage(const std::string& name);
// Decodes file contents, telling the format by its first bytes (TGA, which has no signature, by
// the name's extension or as the last resort).
std::unique_ptr<Vesk::MemoryImage> DecodeImage(const uint8_t* data, size_t size, const std::string& name);

std::unique_ptr<Vesk::MemoryImage> DecodePNG(const uint8_t* data, size_t size, const std::string& name);
std::unique_ptr<Vesk::MemoryImage> DecodeJPEG(const uint8_t* data, size_t size, const std::string& name);
std::unique_ptr<Vesk::MemoryImage> DecodeGIF(const uint8_t* data, size_t size, const std::string& name);
std::unique_ptr<Vesk::MemoryImage> DecodeTGA(const uint8_t* data, size_t size, const std::string& name);
std::unique_ptr<Vesk::MemoryImage> DecodeJPEG2000(const uint8_t* data, size_t size, const std::string& name);

// Encoders into memory; false on failure.
bool EncodePNG(Vesk::MemoryImage& image, std::vector<uint8_t>& out);
bool EncodeJPEG(Vesk::MemoryImage& image, std::vector<uint8_t>& out, int quality = 90);

// Writers to a disk path, atomically (temporary file, flush, rename); false and an "ERROR: "
// line on failure.
bool WritePNG(Vesk::MemoryImage& image, const std::string& path);
bool WriteJPEG(Vesk::MemoryImage& image, const std::string& path, int quality = 90);

// Writes the image as "_screenshots/%d.png" under the per-user data folder, with the lowest
// number not in use; returns that number, or -1 on failure.
int WriteScreenshot(Vesk::MemoryImage& image, const std::string& userDataFolder);


}  // namespace ImageLib
