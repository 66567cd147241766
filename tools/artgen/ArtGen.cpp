// Renders the SVG art of the sample café at build time.
//
//   artgen <name.art> <output folder>              the sets and pictures of one description
//   artgen --contact-sheet <out.png> <folder>      every generated picture on one page
//
// How to add a picture (see also README.md, "Pictures"):
// - an object: draw "content/art/<name>.svg" (pixels as units, width and height set on <svg>)
//   and write "content/art/<name>.art" beside it: "set <part name> <w> <h>" and one
//   "anim <part><skin><heading><animation> <seconds> : -" line per animation the game asks for;
// - a rig: give the moving groups ids (<g id="arm_l">), "pivot" the ones that turn, and build
//   frames from "pose" lines that show, hide, move, rotate and scale them;
// - an animation: one more "anim" line whose frames are poses joined by "+", e.g.
//   "anim bodybwalk 0.12 loop : front+step_a front+pass front+step_b front+pass".
// The build finds new descriptions by itself and renders again only the changed ones.
// Bad input (malformed SVG, a group the drawing lacks, a frame outside the drawing) stops the
// build with the file's name and the reason; nothing of that description is written then.
#include <cstdio>
#include <cstring>
#include <string>

#include "ContactSheet.h"
#include "SvgRig.h"

int main(int argc, char** argv) {
  std::string error;
  if (argc == 4 && std::strcmp(argv[1], "--contact-sheet") == 0) {
    if (!WriteContactSheet(argv[3], argv[2], error)) {
      std::fprintf(stderr, "artgen: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: artgen <name.art> <output folder>\n       artgen --contact-sheet <out.png> <folder>\n");
    return 2;
  }
  if (!GenerateArt(argv[1], argv[2], error)) {
    std::fprintf(stderr, "artgen: ERROR: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
