#pragma once
// An SVG drawing used as a rig: its groups (elements with an id) are shown, hidden, moved,
// turned and scaled by the poses of a description, and the result is rendered through librsvg.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ArtDescription.h"
#include "graphics/MemoryImage.h"

class SvgRig {
 public:
  SvgRig();
  ~SvgRig();
  SvgRig(const SvgRig&) = delete;
  SvgRig& operator=(const SvgRig&) = delete;

  // Reads the drawing; false with the reason when it is not well-formed XML, its root is not
  // "svg" or it lacks a width and height in pixels.
  bool Load(const std::string& text, std::string& error);
  int32_t Width() const { return mWidth; }
  int32_t Height() const { return mHeight; }
  bool HasGroup(const std::string& id) const;

  // The drawing's text with the description's hidden groups and the frame's poses applied.
  // Every group named must exist (checked by Check below).
  std::string Posed(const ArtDescription& desc, const ArtFrame& frame) const;

  // Checks that every group the description names exists; false with the reason.
  bool Check(const ArtDescription& desc, std::string& error) const;

  // Renders the posed drawing's rectangle (x, y, w, h) into straight 0xAARRGGBB pixels, mirrored
  // left to right when asked. False with the reason when librsvg refuses the drawing.
  static bool Render(const std::string& svgText, int32_t x, int32_t y, int32_t w, int32_t h, bool mirror,
                     std::vector<uint32_t>& pixels, std::string& error);

 private:
  struct Impl;
  std::unique_ptr<Impl> mImpl;
  int32_t mWidth = 0, mHeight = 0;
};

// Renders every set and picture of the description from the drawing into the output folder
// ("anm/<set>.anm", "anm/<sheet>.png", the pictures' files). False with "<file>: <reason>" in
// `error` on bad input; nothing is written then.
bool GenerateArt(const std::string& descriptionPath, const std::string& outputFolder, std::string& error);
