#pragma once
#include <cstdint>
#include <map>
#include <string>

// A per-orientation adjustment of a walker's drawing.
struct OrientationRecord {
  std::string mOrientation;
  std::string mActualOrientation;
  int32_t mOfsX = 0;
  int32_t mOfsY = 0;
};

// The walking parameters of one "perses/pers" block of cfg.xml, matched to a walker by name.
struct PersonParams {
  std::string mName;
  float mMoveSpeed = 0;
  std::map<std::string, OrientationRecord> mOrientations;
};
