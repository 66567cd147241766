// Writes the animation sets of text descriptions: for each set, "anm/<name>.anm" and its
// sheets "anm/<name>.png" (and "anm/<name>_<suffix>.png") below the output folder.
//
//   anmgen <description file>... <output folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "AnmWriter.h"
#include "SpriteSheet.h"
#include "graphics/ImageLib.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: anmgen <description file>... <output folder>\n");
    return 2;
  }
  std::vector<SetDescription> sets;
  for (int i = 1; i < argc - 1; ++i) {
    std::ifstream in(argv[i]);
    if (!in) {
      std::fprintf(stderr, "anmgen: cannot read %s\n", argv[i]);
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!ParseSetDescriptions(text.str(), sets, error)) {
      std::fprintf(stderr, "anmgen: %s: %s\n", argv[i], error.c_str());
      return 1;
    }
  }
  std::filesystem::path folder = std::filesystem::path(argv[argc - 1]) / "anm";
  std::filesystem::create_directories(folder);
  // Sheets of one set follow each other; their animations share the set's .anm file.
  for (size_t first = 0; first < sets.size();) {
    std::vector<AnimEntry> animations;
    size_t next = first;
    for (; next < sets.size() && sets[next].mName == sets[first].mName; ++next) {
      const SetDescription& sheetSet = sets[next];
      std::vector<AnimEntry> sheetAnims;
      std::unique_ptr<Vesk::MemoryImage> sheet = DrawSheet(sheetSet, sheetAnims);
      if (!ImageLib::WritePNG(*sheet, (folder / (sheetSet.mSheet + ".png")).string())) {
        std::fprintf(stderr, "anmgen: cannot write the sheet %s\n", sheetSet.mSheet.c_str());
        return 1;
      }
      for (AnimEntry& a : sheetAnims) animations.push_back(std::move(a));
    }
    if (!AnmWriter::WriteFile(animations, (folder / (sets[first].mName + ".anm")).string())) {
      std::fprintf(stderr, "anmgen: cannot write the set %s\n", sets[first].mName.c_str());
      return 1;
    }
    first = next;
  }
  return 0;
}
