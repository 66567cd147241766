#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "fonts/Font.h"
#include "graphics/MemoryImage.h"
#include "resources/ImageLoader.h"
#include "shell/XmlNode.h"

namespace Vesk {

// Thrown by the resource manager's throwing lookups.
class ResourceManagerException : public std::runtime_error {
 public:
  explicit ResourceManagerException(const std::string& what) : std::runtime_error(what) {}
};

// Images and fonts by resource id. Ids are declared from a resource list ("image" and "font"
// elements, see docs/formats.md); each resource is loaded on first use and kept until the
// manager goes.
class ResourceManager {
 public:
  explicit ResourceManager(ImageFileLoader loader = LoadMemoryImageFile);
  ~ResourceManager();
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  // Reads the "image" and "font" children of the node. The number of ids declared.
  int ParseResources(const XmlNode& node);
  // The same from a file whose root element holds the list; false when it cannot be read.
  bool ParseResourcesFile(const std::string& file);
  void AddImage(const std::string& id, const std::string& file);

  // The image or font of the id, loaded on first use; null when the id is unknown or the
  // resource fails to load.
  MemoryImage* GetImage(const std::string& id);
  Font* GetFont(const std::string& id);
  // The same, throwing ResourceManagerException ("Image resource not found: <id>",
  // "Font resource not found: <id>") instead of giving null.
  MemoryImage* GetImageThrow(const std::string& id);
  Font* GetFontThrow(const std::string& id);

 private:
  struct ImageRes {
    std::string mFile;
    std::unique_ptr<MemoryImage> mImage;
    bool mTried = false;
  };
  struct FontRes {
    XmlNode mNode;
    std::unique_ptr<Font> mFont;
    bool mTried = false;
  };

  ImageFileLoader mLoader;
  std::mutex mLock;
  std::map<std::string, ImageRes> mImages;
  std::map<std::string, FontRes> mFonts;
};

}  // namespace Vesk
