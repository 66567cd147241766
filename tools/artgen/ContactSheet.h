#pragma once
#include <string>

// Draws every picture of the generated content into one PNG, each under its name: the frames of
// every animation of every "anm/*.anm" in a row, and every other PNG (panels, cursors, glyph
// sheets) whole, on a checked backdrop that shows their see-through parts.
bool WriteContactSheet(const std::string& contentFolder, const std::string& outPath, std::string& error);
