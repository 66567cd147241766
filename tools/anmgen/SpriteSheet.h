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
//   anim <name> <frames> <seconds per frame> [loop] [stop=<frame>] [color=<RRGGBB>] [offset=<x>,<y>]
//
// "set" starts the set written as "anm/<name>.anm" with its sheet "anm/<name>.png"; each "anim"
// line adds one animation as one row of the sheet. Blank lines and lines starting "#" are
// skipped.
struct AnimDescription {
  std::string mName;
  int32_t mFrames = 1;
  float mFrameTime = 0.1f;
  bool mLoop = false;
  int32_t mStopFrame = -1;
  uint32_t mColor = 0xFF8080C0;
  int32_t mOffsetX = 0;
  int32_t mOffsetY = 0;
};

struct SetDescription {
  std::string mName;
  int32_t mFrameWidth = 32;
  int32_t mFrameHeight = 32;
  std::vector<AnimDescription> mAnims;
};

// Reads the description; false with the line number and reason in `error` on a bad line.
bool ParseSetDescriptions(const std::string& text, std::vector<SetDescription>& out, std::string& error);

// Draws the set's sheet and lists its animations (image file "anm\\<set>.png").
std::unique_ptr<Vesk::MemoryImage> DrawSheet(const SetDescription& set, std::vector<AnimEntry>& animations);
