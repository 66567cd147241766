#include "AnmWriter.h"

#include <cstring>
#include <fstream>

namespace {
void U8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }
void U16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void U32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void F32(std::vector<uint8_t>& out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  U32(out, bits);
}
void String(std::vector<uint8_t>& out, const std::string& s) {
  U16(out, uint16_t(s.size()));
  out.insert(out.end(), s.begin(), s.end());
}
}  // namespace

std::vector<uint8_t> AnmWriter::Write(const std::vector<AnimEntry>& animations) {
  std::vector<uint8_t> out(Anm::kMagic, Anm::kMagic + 4);
  U16(out, Anm::kVersion);
  U16(out, uint16_t(animations.size()));
  for (const AnimEntry& a : animations) {
    String(out, a.mName);
    String(out, a.mImageFile);
    U32(out, uint32_t(a.mSheetWidth));
    U32(out, uint32_t(a.mSheetHeight));
    U32(out, uint32_t(a.mFrameWidth));
    U8(out, a.mLooping ? 1 : 0);
    U8(out, 0);
    U16(out, uint16_t(int16_t(a.mStopFrame)));
    U16(out, uint16_t(a.mFrames.size()));
    for (const AnimFrame& f : a.mFrames) {
      for (int32_t v : {f.mX, f.mY, f.mWidth, f.mHeight, f.mOffsetX, f.mOffsetY}) U32(out, uint32_t(v));
      F32(out, f.mTime);
    }
  }
  return out;
}

bool AnmWriter::WriteFile(const std::vector<AnimEntry>& animations, const std::string& path) {
  std::vector<uint8_t> bytes = Write(animations);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(file);
}
