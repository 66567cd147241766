#pragma once
// The 3D capability test the display runs once when it starts, before it draws in 3D: it checks
// the video memory, the adapter against the card lists "vhwb.dat" (blocked) and "vhw.dat"
// (known good), the texture formats, and draws textured quads with the five blend set-ups the
// game relies on into a small render target, reading it back and comparing it with the colours
// those set-ups must give. Its verdict is a failure reason (3D must not be used) and a warning
// (3D may be used but is doubtful); both pass through the demo's sync records, so a replay sees
// the verdict of the recording run.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/video/SoftDevice.h"
#include "platform/video/Video.h"

namespace Vesk {

class VeskAppBase;

// A plain ARGB picture, rows back to back.
class D3DTestImage {
 public:
  D3DTestImage() = default;
  D3DTestImage(int32_t width, int32_t height) { Create(width, height); }
  virtual ~D3DTestImage() = default;
  void Create(int32_t width, int32_t height);
  void Free();
  void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color);
  // Even columns black, odd columns white.
  void FillStripes();
  // Whether every pixel of the area lies within the tolerance of `color`; `identical` tells
  // whether they all equal the area's first pixel.
  bool IsUniform(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color, bool* identical) const;
  uint32_t At(int32_t x, int32_t y) const { return mBits[size_t(y) * size_t(mWidth) + size_t(x)]; }

  std::vector<uint32_t> mBits;
  int32_t mWidth = 0, mHeight = 0;
};

class D3DTester {
 public:
  // A failed device step or an unreadable render target.
  class TestException : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  // The application is asked for the demo's sync records; it may be null.
  explicit D3DTester(VeskAppBase* app);
  virtual ~D3DTester();
  D3DTester(const D3DTester&) = delete;
  D3DTester& operator=(const D3DTester&) = delete;

  void SetVidMemoryLimits(uint32_t minMB, uint32_t recMB);
  // The whole test on the display's device (null when it offers no 3D side); the verdict is
  // left in mFailureReason, mWarning and mFreshResult.
  void TestD3D(Platform::Video::Device* device);
  // Set-up and static checks; false: no blend test is run.
  bool PrepareTest(Platform::Video::Device* device);
  // The blend tests in order, up to the first that fails.
  bool TestBlends();
  bool TestAlphaBlend();
  bool TestAdditiveBlend();
  bool TestAlphaAddBlend();
  bool TestAlphaModulate();
  bool TestClipping();
  void ReleaseAll();

  bool SetFailureReason(const std::string& text);
  bool SetWarning(const std::string& text);
  // Raises TestException "DXError - step: NAME" when the call failed.
  static void CheckDXError(Platform::Video::Result result, const char* step);
  // The card is blocked by a line of "vhwb.dat", else needs a line of "vhw.dat" when that file
  // opens, else a 2002 or later driver or a description naming nvidia, radeon or "ati ".
  // The lists are read from `folder` (the current one when empty).
  bool IsSupportedCard(const std::string& description, const std::string& folder = "") const;
  // Whether the file opens (`opened`) and a trimmed, non-blank line of it occurs in the
  // description, case-insensitively.
  static bool CardListMatches(const std::string& file, const std::string& description, bool* opened = nullptr);
  // Squared distance of the red, green and blue of two colours.
  static int32_t ColorDistance(uint32_t a, uint32_t b);
  static constexpr int32_t kTolerance = 768;

  VeskAppBase* mApp;
  // Skips the test and hands an empty verdict over (the application's no-test mode, or 3D off).
  bool mNoTestMode = false;
  Platform::Video::Device* mDevice = nullptr;
  std::shared_ptr<Platform::Video::Surface> mRenderTarget;
  std::shared_ptr<Platform::Video::Texture> mTexture1, mTexture2;
  std::unique_ptr<Platform::Video::SoftDevice> mDevice3D;
  std::string mDriverName;
  std::string mDescription;
  D3DTestImage mResultImage;
  std::string mFailureReason;
  std::string mWarning;
  uint32_t mMinVidMemory = 6, mRecVidMemory = 14;
  bool mFreshResult = false;
  int32_t mDriverYear = 0;
  // Where the card lists are read (the current folder when empty).
  std::string mCardFolder;
  // The test textures are A8R8G8B8 (else A4R4G4B4).
  bool mTexture32 = true;

 private:
  // One blend test: two fills drawn over black with the set-up, the corner compared.
  bool BlendTest(uint32_t srcBlend, uint32_t destBlend, bool modulate, uint32_t fill1, uint32_t color1,
                 uint32_t fill2, uint32_t color2, uint32_t expected, const char* warning, const char* failure);
  void BeginTest(uint32_t srcBlend, uint32_t destBlend);
  void EndTest();
  void DrawTestTexture(Platform::Video::Texture& texture, const D3DTestImage& image, float x, float y, uint32_t color);
  void CopyPrimaryToImage();
};

}  // namespace Vesk
