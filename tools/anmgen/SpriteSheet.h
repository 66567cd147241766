#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/AnmFile.h"
#include "graphics/MemoryImage.h"

// Animation sets described in a few lines of text, drawn as labelled placeholder frames:
//
//   set <name> <frame width> <frame height>
//   sheet <suffix>
//   anim <name> <frames> <seconds per frame> [loop] [stop=<frame>] [color=<[AA]RRGGBB>]
//        [offset=<x>,<y>] [shape=box|arrow|ellipse]
//
// "set" starts the set written as "anm/<name>.anm" with its sheet "anm/<name>.png"; each "anim"
// line adds one animation as one row of the sheet. "sheet" puts the animations that follow on a
// further sheet of the same set, "anm/<name>_<suffix>.png" (skins that load apart). A colour
// with eight digits keeps its alpha: the shape is written with it, not blended. Blank lines and
// lines starting "#" are skipped.
struct AnimDescription {
  std::string mName;
  int32_t mFrames = 1;
  float mFrameTime = 0.1f;
  bool mLoop = false;
  int32_t mStopFrame = -1;
  uint32_t mColor = 0xFF8080C0;
  int32_t mOffsetX = 0;
  int32_t mOffsetY = 0;
  enum class Shape { Box, Arrow, Ellipse } mShape = Shape::Box;
};

// One sheet of a set. A set on several sheets is several descriptions in a row with the same
// name; their animations go to one .anm file.
struct SetDescription {
  std::string mName;
  // The sheet's file name without folder and extension: the set's name, or name_suffix.
  std::string mSheet;
  int32_t mFrameWidth = 32;
  int32_t mFrameHeight = 32;
  std::vector<AnimDescription> mAnims;
};

// Reads the description; false with the line number and reason in `error` on a bad line.
bool ParseSetDescriptions(const std::string& text, std::vector<SetDescription>& out, std::string& error);

// Draws the set's sheet and lists its animations (image file "anm\\<set>.png").
std::unique_ptr<Vesk::MemoryImage> DrawSheet(const SetDescription& set, std::vector<AnimEntry>& animations);
