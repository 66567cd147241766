#include "graphics/ImageLib.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/paths/UserPaths.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

namespace ImageLib {

namespace {

std::string LowerExtension(const std::string& name) {
  size_t slash = name.find_last_of("\\/");
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = name.substr(dot);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

}  // namespace

bool CheckImageSize(int64_t width, int64_t height, const std::string& name) {
  if (width <= 0 || height <= 0) {
    LogMessage("ERROR: Image %s has no pixels (%lld x %lld)", name.c_str(), (long long)width, (long long)height);
    return false;
  }
  if (width > kMaxSide || height > kMaxSide || width * height * 4 > kMaxPixelBytes) {
    LogMessage("ERROR: Image %s is too large (%lld x %lld)", name.c_str(), (long long)width, (long long)height);
    return false;
  }
  return true;
}

std::unique_ptr<Vesk::MemoryImage> DecodeImage(const uint8_t* data, size_t size, const std::string& name) {
  static const uint8_t kJp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return DecodePNG(data, size, name);
  if (StartsWith(data, size, "\xFF\xD8\xFF", 3)) return DecodeJPEG(data, size, name);
  if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6)) return DecodeGIF(data, size, name);
  if ((size >= 12 && std::memcmp(data, kJp2, 12) == 0) || StartsWith(data, size, "\xFF\x4F\xFF\x51", 4))
    return DecodeJPEG2000(data, size, name);
  std::string ext = LowerExtension(name);
  if (ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".gif" || ext == ".j2k" || ext == ".jp2") {
    LogMessage("ERROR: Image %s is not a %s file", name.c_str(), ext.c_str() + 1);
    return nullptr;
  }
  return DecodeTGA(data, size, name);
}

std::unique_ptr<Vesk::MemoryImage> GetImage(const std::string& name) {
  PakInterface* pak = GetPakInterface();
  std::vector<uint8_t> bytes;
  std::string found;
  // A name the file layer refuses is reported once, not once per extension tried.
  if (!name.empty() && pak->CheckName(name).empty()) return nullptr;
  if (!LowerExtension(name).empty() && pak->ReadWholeFile(name, bytes, FileKind::kImage)) {
    found = name;
  } else {
    for (const char* ext : {".png", ".jpg", ".tga", ".gif", ".j2k", ".jp2"}) {
      if (pak->ReadWholeFile(name + ext, bytes, FileKind::kImage)) {
        found = name + ext;
        break;
      }
    }
  }
  if (found.empty()) {
    LogMessage("ERROR: Image file not found: %s", name.c_str());
    return nullptr;
  }
  std::unique_ptr<Vesk::MemoryImage> image = DecodeImage(bytes.data(), bytes.size(), found);
  // Its pixels are those of the file, which gives them back if they are dropped.
  if (image) image->mFileBitsVersion = image->mBitsChangedCount;
  return image;
}

bool WritePNG(Vesk::MemoryImage& image, const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!EncodePNG(image, bytes) || !Platform::WriteFileAtomic(path, bytes.data(), bytes.size())) {
    LogMessage("ERROR: Cannot write PNG image %s", path.c_str());
    return false;
  }
  return true;
}

bool WriteJPEG(Vesk::MemoryImage& image, const std::string& path, int quality) {
  std::vector<uint8_t> bytes;
  if (!EncodeJPEG(image, bytes, quality) || !Platform::WriteFileAtomic(path, bytes.data(), bytes.size())) {
    LogMessage("ERROR: Cannot write JPEG image %s", path.c_str());
    return false;
  }
  return true;
}

int WriteScreenshot(Vesk::MemoryImage& image, const std::string& userDataFolder) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(userDataFolder) / "_screenshots";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    LogMessage("ERROR: Cannot create the screenshot folder %s", dir.string().c_str());
    return -1;
  }
  for (int n = 0; n < 1000000; ++n) {
    fs::path file = dir / (std::to_string(n) + ".png");
    if (fs::exists(file, ec)) continue;
    return WritePNG(image, file.string()) ? n : -1;
  }
  LogMessage("ERROR: No free screenshot number in %s", dir.string().c_str());
  return -1;
}

}  // namespace ImageLib
