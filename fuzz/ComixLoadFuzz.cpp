// A cut-scene read from arbitrary bytes: the input holds a "comixes" document and, after a line
// "%%", an atlas description. The description is written beside two small pages in a folder of
// its own and the first scene of the document is pointed at it; the scene is then played for
// 200 steps with a click now and then, and drawn every twentieth step. Without the line the scene
// keeps whatever atlas it names. Each input starts from a new player, so that what one input
// does is reproduced by that input alone.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzScreen.h"
#include "engine/ZCEngine.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "screens/ZCComix.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

namespace fs = std::filesystem;

namespace {
const char kSeparator[] = "\n%%\n";

// The application the player loads its pictures through (never started: no window, no sound).
ZCEngine& App() {
  static ZCEngine* app = new ZCEngine();
  return *app;
}

// The folder holding the atlas of the current input: two pages of 64 x 64 and 32 x 16, striped so
// that any part of them is visible when drawn. Removed at exit.
const fs::path& AtlasFolder() {
  static const fs::path folder = [] {
    fs::path dir = fs::temp_directory_path() / ("comix_fuzz_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const int32_t sizes[2][2] = {{64, 64}, {32, 16}};
    for (int page = 0; page < 2; ++page) {
      Vesk::MemoryImage image(sizes[page][0], sizes[page][1]);
      uint32_t* bits = image.GetBits();
      for (int32_t i = 0; i < image.mWidth * image.mHeight; ++i) bits[i] = (i / 3) % 2 ? 0xFF2080C0u : 0x80FFE040u;
      image.BitsChanged();
      ImageLib::WritePNG(image, (dir / ("fz_0" + std::to_string(page) + ".png")).string());
    }
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(fs::temp_directory_path() / ("comix_fuzz_" + std::to_string(getpid())), ec);
    });
    return dir;
  }();
  return folder;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* end = data + size;
  const uint8_t* cut = std::search(data, end, kSeparator, kSeparator + std::strlen(kSeparator));
  XmlNode doc = LoadXmlFromMemory(data, size_t(cut - data), "fuzz comix");
  XmlNode comixNode = doc.selectSingleNode(L"comixes/comix");
  if (!comixNode) return 0;
  std::string name;
  GetAttrStringA(comixNode, "name", name);

  const fs::path description = AtlasFolder() / "fz_atlaspack.xml";
  if (cut != end) {
    const size_t skip = std::strlen(kSeparator);
    std::ofstream out(description, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(cut + skip), std::streamsize(size_t(end - cut) - skip));
    out.close();
    comixNode.setAttribute(L"atlaspack", Utf8ToWide((AtlasFolder() / "fz").string()));
  }

  ZCEngine& app = App();
  auto comix = std::make_unique<ZCComix>(&app, XmlNode());
  comix->LoadFrom(doc, name);
  Vesk::Graphics g(&FuzzScreen());
  for (int step = 0; step < 200; ++step) {
    comix->Advance(0.05f);
    if (step % 37 == 36) comix->SkipEpisode();
    if (step % 20 == 0) comix->Draw(&g);
  }
  comix->Finish();
  comix.reset();
  std::error_code ec;
  fs::remove(description, ec);
  return 0;
}
