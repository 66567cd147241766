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

// A walker's speed in pixels a second. One that does not move forward never arrives: a speed
// outside the range is refused with a warning, and a block without one takes the default.
constexpr float kDefaultMoveSpeed = 100.0f;
constexpr float kMinMoveSpeed = 1.0f;
constexpr float kMaxMoveSpeed = 100000.0f;

// The walking parameters of one "perses/pers" block of cfg.xml, matched to a walker by name.
struct PersonParams {
  std::string mName;
  float mMoveSpeed = kDefaultMoveSpeed;
  std::map<std::string, OrientationRecord> mOrientations;
};
