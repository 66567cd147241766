#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Vesk {
class MemoryImage;
}

// One frame of an animation: where it lies on the sheet, where it is drawn relative to the
// animation's position, and how long it shows.
struct AnimFrame {
  int32_t mX = 0;
  int32_t mY = 0;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  int32_t mOffsetX = 0;
  int32_t mOffsetY = 0;
  float mTime = 0.1f;  // seconds
};

// One animation of an .anm file. Its sheet image is loaded only when asked for (LoadImage).
struct AnimEntry {
  std::string mImageFile;
  std::shared_ptr<Vesk::MemoryImage> mImage;
  std::string mName;
  int32_t mFrameWidth = 0;
  // The size of the sheet the frames were cut from; every frame lies inside it.
  int32_t mSheetWidth = 0;
  int32_t mSheetHeight = 0;
  bool mLooping = false;
  int32_t mStopFrame = -1;  // frame at which play pauses by itself; -1 none
  std::vector<AnimFrame> mFrames;

  // Loads (or shares) the sheet image through the effects' image loader when not loaded yet;
  // false when it cannot be read or is smaller than the sheet the frames need.
  bool LoadImage();
  void ReleaseImage() { mImage.reset(); }
};

namespace Anm {
constexpr char kMagic[4] = {'A', 'N', 'M', '!'};
constexpr uint16_t kVersion = 1;
constexpr uint32_t kMaxAnimations = 4096;
constexpr uint32_t kMaxFrames = 4096;
constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxFileNameLength = 259;
constexpr int32_t kMaxSheetSide = 16384;
constexpr size_t kFrameBytes = 28;

// Reads an .anm file's contents. False, with an "ERROR: " line, when the file is not an
// animation file or is cut short; animations whose own data are wrong are left out with a
// "WARNING: " line.
bool Parse(const uint8_t* data, size_t size, const std::string& label, std::vector<AnimEntry>& out);
}  // namespace Anm
