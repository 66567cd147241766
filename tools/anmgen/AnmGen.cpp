// Writes the animation sets of a text description: for each set, "anm/<name>.anm" and its
// sheet "anm/<name>.png" below the output folder.
//
//   anmgen <description file> <output folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "AnmWriter.h"
#include "SpriteSheet.h"
#include "graphics/ImageLib.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: anmgen <description file> <output folder>\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "anmgen: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<SetDescription> sets;
  std::string error;
  if (!ParseSetDescriptions(text.str(), sets, error)) {
    std::fprintf(stderr, "anmgen: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::filesystem::path folder = std::filesystem::path(argv[2]) / "anm";
  std::filesystem::create_directories(folder);
  for (const SetDescription& set : sets) {
    std::vector<AnimEntry> animations;
    std::unique_ptr<Vesk::MemoryImage> sheet = DrawSheet(set, animations);
    if (!ImageLib::WritePNG(*sheet, (folder / (set.mName + ".png")).string()) ||
        !AnmWriter::WriteFile(animations, (folder / (set.mName + ".anm")).string())) {
      std::fprintf(stderr, "anmgen: cannot write the set %s\n", set.mName.c_str());
      return 1;
    }
  }
  return 0;
}
