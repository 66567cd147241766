#pragma once
// Faults the setting "D3DFault" can put into the video layer's 3D side, so that every verdict of
// the display's 3D capability test can be reached on the software device. They act in the 2D
// device (what it reports, the 3D devices and render targets it makes) and in the 3D devices it
// makes; nothing else of the display is touched.
//
// The setting is a comma-separated list of entries:
//   fail:<call>        that call answers VIDEO_GENERIC (a 3D device call such as SetTexture,
//                      DrawPrimitive, BeginScene, or the 2D device's CreateDevice,
//                      GetAvailableVidMem, GetDeviceIdentifier, CreateSurface of a render target);
//                      the display's drawing device takes these failures too (SetViewport, which
//                      the capability test does not call, fails the start of 3D drawing)
//   nocreateex         the device offers no 3D side at all
//   vidmem:<MB>        the video memory the device reports
//   formats:<classes>  the texture classes offered: A8R8G8B8, A4R4G4B4, R5G6B5, P8 joined by '+',
//                      or none
//   wrong:<set-up>     the 3D device blends that set-up wrongly (alpha, additive, alphaadd,
//   uneven:<set-up>    modulate), or varies one pixel of it within a few units
//   clip               negative coordinates are clipped wrongly (pushed to 0)
//   targetbits:<n>     a render target reads back at 24 or 8 bits
//   identity:<name>    the adapter describes itself so
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Platform::Video {

// Blend set-ups a 3D device can be made to get wrong, as bits.
enum FaultBlend : uint32_t {
  FAULT_ALPHA = 1,     // SRCALPHA / INVSRCALPHA with the texture's own alpha
  FAULT_ADDITIVE = 2,  // ONE / ONE
  FAULT_ALPHAADD = 4,  // SRCALPHA / ONE
  FAULT_MODULATE = 8,  // SRCALPHA / INVSRCALPHA with the vertex alpha modulated in
};

struct DrawFaults {
  uint32_t mWrong = 0;
  uint32_t mUneven = 0;
  bool mClipNegative = false;
  bool Any() const { return mWrong || mUneven || mClipNegative; }
};

struct DeviceFaults {
  std::set<std::string, std::less<>> mFailedCalls;
  bool mNo3D = false;
  int64_t mVideoMemoryMB = -1;   // -1: the device's own figure
  int64_t mTextureFormats = -1;  // -1: the device's own classes
  DrawFaults mDraw;
  int32_t mTargetBits = 0;  // 0: the target's own format
  std::string mIdentity;

  bool Fails(std::string_view call) const { return mFailedCalls.find(call) != mFailedCalls.end(); }
  // Reads the setting's entries; each malformed one is left out and appended to `rejected`.
  static DeviceFaults Parse(std::string_view text, std::vector<std::string>* rejected);
};

}  // namespace Platform::Video
