#pragma once
// The 3D video device: a software device that draws pre-transformed, coloured, textured
// triangles and lines into a 2D `Surface` (8888, 565 or 555) with fixed-function rules.
//
// Drawing rules:
//  - Pixel centres lie at integer positions: pixel (x, y) is covered when the point (x, y) is
//    inside a triangle. Vertex positions are snapped to 1/16 pixel and edges are tested in
//    fixed point with the top-left rule, so a mesh without gaps covers each pixel exactly once.
//  - Colours and texture coordinates are interpolated affinely (no perspective).
//  - Point sampling reads texel floor(u * W); linear sampling weighs the four texels around
//    u * W - 0.5. CLAMP repeats the edge texel, BORDER reads the stage's border colour outside.
//  - Two texture stages. The defaults are stage 0 colour MODULATE(TEXTURE, DIFFUSE) and alpha
//    SELECTARG1(TEXTURE), stage 1 DISABLE. A stage without a texture reads white.
//  - Blending works on 8-bit channels where 255 means exactly 1; 16-bit channels are widened by
//    repeating their top bits. The target has no alpha: destination alpha reads 255.
//  - Line strips leave out the last pixel of each segment.
//  - A primitive with a NaN, infinite or huge coordinate is dropped; nothing is written outside
//    the viewport and the target.
//  - Every call draws at once: a lock, blit or read of the target sees everything drawn before.
// Each call answers a `Result`; every call is counted by name, and a test may make a named
// call fail with a chosen result.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/video/Video.h"

namespace Platform::Video {

// Texture format classes; a device offers a bit set of them.
enum TextureClass : uint32_t {
  TEXCLASS_A8R8G8B8 = 1,  // 32 bits: alpha 0xFF000000, red 0xFF0000, green 0xFF00, blue 0xFF
  TEXCLASS_A4R4G4B4 = 2,  // 16 bits: alpha 0xF000, red 0x0F00, green 0x00F0, blue 0x000F
  TEXCLASS_R5G6B5 = 4,    // 16 bits: red 0xF800, green 0x07E0, blue 0x001F, opaque
  TEXCLASS_PALETTE8 = 8,  // 8-bit indices into the texture's 256-colour palette
};
constexpr uint32_t TEXCLASS_ALL = 15;

// Bytes per texel of a class; 0 for anything else.
int32_t TextureClassBytes(uint32_t textureClass);

// What the device can do. Tests choose these; the defaults are the device's own.
struct DeviceCaps {
  int32_t mMinTextureWidth = 1;
  int32_t mMinTextureHeight = 1;
  int32_t mMaxTextureWidth = 2048;
  int32_t mMaxTextureHeight = 2048;
  int32_t mMaxTextureAspect = 2048;
  // Textures of any size are accepted (not only powers of two).
  bool mNonPowerOfTwo = true;
  // Palettised textures may carry alpha in their palette.
  bool mAlphaPalette = true;
  uint32_t mTextureFormats = TEXCLASS_ALL;
};

// A texture: the device's own object, texels zero-filled when created.
class Texture {
  friend struct SpanKernels;

 public:
  Texture(int32_t width, int32_t height, uint32_t textureClass);
  int32_t Width() const { return mWidth; }
  int32_t Height() const { return mHeight; }
  uint32_t Class() const { return mClass; }

  // Software access to the texels, as for a surface: once at a time. The lock's format carries
  // the colour masks (none for the palettised class); rows are `mPitch` bytes apart.
  Result Lock(LockInfo* out);
  Result Unlock();
  bool IsLocked() const { return mLocked; }

  // The palette of a palettised texture: 256 colours as 0xAARRGGBB. Unsupported for other
  // classes. Until set, every index reads transparent black.
  Result SetPalette(const uint32_t* argb, int32_t count);
  const std::array<uint32_t, 256>& Palette() const { return mPalette; }

  // One texel as 0xAARRGGBB (each narrow channel widened so its maximum reads 255).
  uint32_t TexelArgb(int32_t x, int32_t y) const;
  // Every texel has full alpha (worked out on first use after an unlock; false for palettes).
  bool AllOpaque() const;

  // A run of neighbouring texels of a row alike in alpha: all 0, all 255, or all in between.
  enum RunKind : uint8_t { RUN_CLEAR, RUN_PARTIAL, RUN_SOLID };
  struct AlphaRun {
    uint16_t mEnd;  // the column after the run's last texel
    RunKind mKind;
  };
  // The runs of row y of a 32-bit texture, left to right, covering the row (null for other
  // classes and for rows wider than 65535). A row's runs are worked out when first asked for
  // after an unlock, so a draw need not look at every texel's alpha again. The pointer holds
  // until the next call.
  const AlphaRun* RowRuns(int32_t y) const {
    if (size_t(y) < mRowStart.size() && mRowStart[size_t(y)] != kNoRuns) return mRuns.data() + mRowStart[size_t(y)];
    return FindRuns(y);
  }

 private:
  int32_t mWidth, mHeight;
  uint32_t mClass;
  int32_t mPitch;
  std::vector<uint8_t> mTexels;
  std::array<uint32_t, 256> mPalette{};
  bool mLocked = false;
  mutable int8_t mOpaque = -1;  // unknown
  const AlphaRun* FindRuns(int32_t y) const;
  // The rows' runs in the order they were worked out, and where each row's start (kNoRuns: not
  // worked out yet).
  static constexpr uint32_t kNoRuns = ~0u;
  mutable std::vector<AlphaRun> mRuns;
  mutable std::vector<uint32_t> mRowStart;
};

enum class Primitive { TriangleList, TriangleStrip, TriangleFan, LineStrip };

// Pre-transformed vertex with diffuse, specular and one texture-coordinate set. Colours are
// 0xAARRGGBB. z and rhw are carried but not used (no depth buffer, no perspective).
struct VertexTex1 {
  float mX, mY, mZ, mRhw;
  uint32_t mDiffuse, mSpecular;
  float mU, mV;
};

// Pre-transformed vertex with diffuse and two texture-coordinate sets.
struct VertexTex2 {
  float mX, mY, mZ, mRhw;
  uint32_t mDiffuse;
  float mU0, mV0, mU1, mV1;
};

enum class RenderState {
  AlphaBlendEnable,  // 0 or 1; default 0
  SrcBlend,          // a Blend; default One
  DestBlend,         // a Blend; default Zero
  CullMode,          // a Cull; default Ccw
  Lighting,          // stored only (vertices come lit); default 1
  DitherEnable,      // stored only; default 0
  SpecularEnable,    // stored only: the specular colour is not added; default 0
  ZEnable,           // stored only (no depth buffer); default 0
  ZWriteEnable,      // stored only; default 1
};

enum Blend : uint32_t {
  BLEND_ZERO = 1,
  BLEND_ONE = 2,
  BLEND_SRCCOLOR = 3,
  BLEND_INVSRCCOLOR = 4,
  BLEND_SRCALPHA = 5,
  BLEND_INVSRCALPHA = 6,
  BLEND_DESTALPHA = 7,
  BLEND_INVDESTALPHA = 8,
  BLEND_DESTCOLOR = 9,
  BLEND_INVDESTCOLOR = 10,
};

// Which screen winding is culled: triangles whose vertices run clockwise (Cw) or
// counter-clockwise (Ccw) as seen on the screen, y pointing down.
enum Cull : uint32_t { CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3 };

enum class StageState {
  ColorOp,        // a TextureOp; stage 0 Modulate, stage 1 Disable
  ColorArg1,      // a TextureArg; Texture
  ColorArg2,      // Current (the diffuse colour at stage 0)
  AlphaOp,        // stage 0 SelectArg1, stage 1 Disable
  AlphaArg1,      // Texture
  AlphaArg2,      // Current
  AddressU,       // an Address; Clamp
  AddressV,       // Clamp
  BorderColor,    // 0xAARRGGBB; 0
  MinFilter,      // a Filter; Point
  MagFilter,      // Point (the device uses MagFilter for both; MinFilter is stored)
  MipFilter,      // stored only (no mip levels)
  TexCoordIndex,  // which coordinate set the stage reads: 0 or 1; the stage's own number
};

enum TextureOp : uint32_t { TOP_DISABLE = 1, TOP_SELECTARG1 = 2, TOP_SELECTARG2 = 3, TOP_MODULATE = 4, TOP_ADD = 7 };
enum TextureArg : uint32_t { TA_DIFFUSE = 0, TA_CURRENT = 1, TA_TEXTURE = 2 };
enum Address : uint32_t { ADDRESS_CLAMP = 3, ADDRESS_BORDER = 4 };
enum Filter : uint32_t { FILTER_POINT = 1, FILTER_LINEAR = 2 };

constexpr int32_t kStageCount = 2;

class SoftDevice {
 public:
  explicit SoftDevice(DeviceCaps caps = DeviceCaps());
  SoftDevice(const SoftDevice&) = delete;
  SoftDevice& operator=(const SoftDevice&) = delete;

  const DeviceCaps& Caps() const { return mCaps; }
  uint32_t TextureFormats() const { return mCaps.mTextureFormats; }
  // Driver "soft", description "SoftDevice".
  DeviceIdentifier Identifier() const;

  // The surface drawn into: 32-bit 8888 or 16-bit 565/555 (InvalidPixelFormat otherwise). It
  // resets the viewport to the whole surface.
  Result SetRenderTarget(std::shared_ptr<Surface> target);
  std::shared_ptr<Surface> RenderTarget() const { return mTarget; }
  // Drawing is limited to the viewport, itself cut to the target.
  Result SetViewport(const Area& viewport);
  Area Viewport() const { return mViewport; }

  // Fills the given rectangles (all of the viewport when count is 0) with the colour.
  Result Clear(const Area* rects, int32_t count, uint32_t argb);

  // Drawing happens between these; a scene cannot be nested (InvalidCall).
  Result BeginScene();
  Result EndScene();
  bool InScene() const { return mInScene; }

  Result SetRenderState(RenderState state, uint32_t value);
  uint32_t GetRenderState(RenderState state) const;
  Result SetTextureStageState(int32_t stage, StageState state, uint32_t value);
  uint32_t GetTextureStageState(int32_t stage, StageState state) const;
  // A null texture unbinds the stage.
  Result SetTexture(int32_t stage, std::shared_ptr<Texture> texture);

  // A texture of a class in TextureFormats and a size within the caps.
  Result CreateTexture(int32_t width, int32_t height, uint32_t textureClass, std::shared_ptr<Texture>* out);

  // Draws `count` vertices inside a scene. Lists take whole triangles; strips and fans at least
  // three vertices; line strips at least two.
  Result DrawPrimitive(Primitive type, const VertexTex1* vertices, int32_t count);
  Result DrawPrimitive(Primitive type, const VertexTex2* vertices, int32_t count);

  // Test seams.
  // Makes every call of that name ("DrawPrimitive", "SetTexture", "BeginScene"...) answer the
  // result without doing anything; Result::Ok removes the failure.
  void FailCall(const std::string& name, Result result);
  // How many times the named call was made (failed calls included); draws are also counted by
  // primitive as "DrawPrimitive TriangleList", "... TriangleStrip", "... TriangleFan", "... LineStrip".
  uint64_t CallCount(const std::string& name) const;
  // Axis-aligned point-sampled quads take a direct path; off, they go through the triangles.
  void SetFastPath(bool on) { mFastPath = on; }
  uint64_t FastQuadCount() const { return mFastQuads; }
  // Blend set-ups drawn wrongly or unevenly, and a wrong clip of negative coordinates.
  void SetDrawFaults(const DrawFaults& faults) { mDrawFaults = faults; }

  friend struct SpanKernels;

  struct Vtx {
    double mX, mY;
    // Interpolated values: diffuse alpha, red, green, blue as 0..255, then u0, v0, u1, v1.
    double mA[8];
  };

 private:
  Result Enter(std::string_view name);
  void Count(std::string_view name);
  void CountPrimitive(Primitive type);
  Result Draw(Primitive type, const std::vector<Vtx>& v);
  void Triangle(const Vtx& a, const Vtx& b, const Vtx& c);
  bool FastQuad(const Vtx* q);
  void Line(const Vtx& a, const Vtx& b);
  uint32_t Shade(const double* values) const;
  uint32_t Sample(int32_t stage, double u, double v) const;
  uint32_t Blend(uint32_t argb, uint32_t pixel) const;
  Area ClipArea() const;

  DeviceCaps mCaps;
  std::shared_ptr<Surface> mTarget;
  Area mViewport;
  bool mInScene = false;
  // States by their number, read without a search on every draw.
  template <typename Key, Key kLast>
  struct StateTable {
    static constexpr size_t kSize = size_t(kLast) + 1;
    static bool Holds(Key k) { return size_t(k) < kSize; }
    uint32_t& operator[](Key k) { return mValues[size_t(k)]; }
    uint32_t at(Key k) const { return mValues[size_t(k)]; }
    std::array<uint32_t, kSize> mValues{};
  };
  StateTable<RenderState, RenderState::ZWriteEnable> mRender;
  std::array<StateTable<StageState, StageState::TexCoordIndex>, kStageCount> mStage;
  std::array<std::shared_ptr<Texture>, kStageCount> mTextures;
  // Looked up by the call's name without making a string of it.
  std::map<std::string, Result, std::less<>> mFailures;
  std::map<std::string, uint64_t, std::less<>> mCalls;
  // The counters of recently counted names by where their text lies: the names are literals,
  // so most calls find theirs without a search (the text is still compared).
  struct CountSlot {
    const char* mText = nullptr;
    std::map<std::string, uint64_t, std::less<>>::iterator mCounter;
  };
  std::array<CountSlot, 64> mCountSlots{};
  bool mFastPath = true;
  uint64_t mFastQuads = 0;
  DrawFaults mDrawFaults;
  // The fault bit of the blend set-up a draw runs with (0 for none of them).
  uint32_t FaultSetup() const;
  Result DrawWithFaults(Primitive type, std::vector<Vtx> v);
  // Flips the lowest blue bit of the pixel one step in from the viewport's corner.
  void NudgeCornerPixel();
  bool mUnevenPending = false;
  // The target's lock while a draw runs.
  LockInfo mLock;
  // The states a draw reads for every pixel, taken once when it starts.
  struct StageSnap {
    const Texture* mTexture;
    uint32_t mColorOp, mColorArg1, mColorArg2, mAlphaOp, mAlphaArg1, mAlphaArg2;
    bool mBorderU, mBorderV, mLinear;
    uint32_t mBorder, mSet;
  };
  struct Snap {
    bool mBlend;
    uint32_t mSrcBlend, mDestBlend;
    StageSnap mStages[kStageCount];
    uint32_t mMask[3];
    int32_t mShift[3], mBits[3];
    // Each channel's stored value widened to 0..255.
    uint8_t mWiden[3][256];
    // Stage 0's alpha: 0 the texel's, 1 the diffuse one's, 2 their product.
    int32_t mAlphaFrom;
    // A 16-bit target laid out as 565 (6) or 555 (5): its green channel's width, else 0.
    int32_t mGreen16;
  } mSnap{};
  PixelFormat mSnapFormat;
  void TakeSnap();
  // Fills pixels x0..x1 of row y; `values` holds the interpolated values at x0 and `step` their
  // change from one pixel to the next. Chosen once per draw from the states.
  using SpanFn = void (*)(const SoftDevice& device, int32_t y, int32_t x0, int32_t x1, double* values,
                          const double* step);
  SpanFn mSpan = nullptr;
  // A fast quad's texel column per pixel column and texel row per pixel row, kept between draws.
  std::vector<int32_t> mQuadCols, mQuadRows;
  SpanFn ChooseSpan() const;
  // The blend set-up's kind, and whether stage 0 alone shades as MODULATE(TEXTURE, DIFFUSE).
  int32_t BlendKind() const;
  int32_t TargetKind() const;
  bool SimpleShade() const;
};

}  // namespace Platform::Video
