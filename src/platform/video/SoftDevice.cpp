// The software 3D device: textures, states and the rasteriser behind DrawPrimitive.
#include "platform/video/SoftDevice.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/video/SoftRows.h"

namespace Platform::Video {

namespace {

// Coordinates beyond this are treated as broken input: the primitive is dropped.
constexpr double kHuge = 1 << 22;

// a * b / 255 on 0..255 values, rounded, exact at 0 and 255.
[[gnu::always_inline]] inline uint32_t Mul8(uint32_t a, uint32_t b) {
  uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// Stage arguments: the texture, or the diffuse colour (which CURRENT is on stage 0).
inline bool IsTexture(uint32_t arg) { return (arg & 15u) == TA_TEXTURE; }
inline bool IsDiffuse(uint32_t arg) { return (arg & 15u) == TA_DIFFUSE || (arg & 15u) == TA_CURRENT; }
inline bool IsModulateTextureDiffuse(uint32_t op, uint32_t arg1, uint32_t arg2) {
  return op == TOP_MODULATE && ((IsTexture(arg1) && IsDiffuse(arg2)) || (IsDiffuse(arg1) && IsTexture(arg2)));
}

// A channel of `bits` bits widened to 0..255 by repeating its top bits.
inline uint32_t Widen(uint32_t c, int32_t bits) {
  if (bits >= 8) return c & 255u;
  uint32_t v = c << (8 - bits);
  for (int32_t have = bits; have < 8; have += bits) v |= (c << (8 - bits)) >> have;
  return v & 255u;
}

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < kHuge; }

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

uint32_t Pack(const uint32_t c[4]) { return (c[0] << 24) | (c[1] << 16) | (c[2] << 8) | c[3]; }
void Unpack(uint32_t argb, uint32_t c[4]) {
  c[0] = argb >> 24;
  c[1] = (argb >> 16) & 255u;
  c[2] = (argb >> 8) & 255u;
  c[3] = argb & 255u;
}

}  // namespace

int32_t TextureClassBytes(uint32_t textureClass) {
  switch (textureClass) {
    case TEXCLASS_A8R8G8B8: return 4;
    case TEXCLASS_A4R4G4B4:
    case TEXCLASS_R5G6B5: return 2;
    case TEXCLASS_PALETTE8: return 1;
    default: return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Texture

Texture::Texture(int32_t width, int32_t height, uint32_t textureClass)
    : mWidth(width), mHeight(height), mClass(textureClass) {
  mPitch = width * TextureClassBytes(textureClass);
  mTexels.assign(size_t(mPitch) * size_t(height), 0);
}

Result Texture::Lock(LockInfo* out) {
  if (!out) return Result::InvalidParams;
  if (mLocked) return Result::SurfaceBusy;
  mLocked = true;
  mOpaque = -1;
  mRuns.clear();
  mRowStart.clear();
  out->mBits = mTexels.data();
  out->mPitch = mPitch;
  out->mWidth = mWidth;
  out->mHeight = mHeight;
  switch (mClass) {
    case TEXCLASS_A8R8G8B8: out->mFormat = PixelFormat::X8R8G8B8(); break;
    case TEXCLASS_A4R4G4B4: out->mFormat = {16, 0x0F00u, 0x00F0u, 0x000Fu}; break;
    case TEXCLASS_R5G6B5: out->mFormat = PixelFormat::R5G6B5(); break;
    default: out->mFormat = PixelFormat::Indexed8(); break;
  }
  return Result::Ok;
}

Result Texture::Unlock() {
  if (!mLocked) return Result::NotLocked;
  mLocked = false;
  return Result::Ok;
}

Result Texture::SetPalette(const uint32_t* argb, int32_t count) {
  if (mClass != TEXCLASS_PALETTE8) return Result::Unsupported;
  if (!argb || count < 0 || count > 256) return Result::InvalidParams;
  mPalette.fill(0);
  std::copy(argb, argb + count, mPalette.begin());
  return Result::Ok;
}

bool Texture::AllOpaque() const {
  if (mOpaque < 0) {
    bool opaque = mClass == TEXCLASS_R5G6B5;
    if (mClass == TEXCLASS_A8R8G8B8 || mClass == TEXCLASS_A4R4G4B4) {
      opaque = true;
      for (int32_t y = 0; y < mHeight && opaque; ++y)
        for (int32_t x = 0; x < mWidth && opaque; ++x) opaque = (TexelArgb(x, y) >> 24) == 255;
    }
    mOpaque = opaque ? 1 : 0;
  }
  return mOpaque == 1;
}

const Texture::AlphaRun* Texture::FindRuns(int32_t y) const {
  if (mClass != TEXCLASS_A8R8G8B8 || mWidth > 65535 || y < 0 || y >= mHeight) return nullptr;
  if (mRowStart.empty()) mRowStart.assign(size_t(mHeight), kNoRuns);
  const uint8_t* p = mTexels.data() + size_t(y) * size_t(mPitch);
  auto kind = [p](int32_t x) {
    const uint32_t a = SoftRows::Load32(p + size_t(x) * 4) >> 24;
    return a == 0 ? RUN_CLEAR : a == 255 ? RUN_SOLID : RUN_PARTIAL;
  };
  mRowStart[size_t(y)] = uint32_t(mRuns.size());
  for (int32_t x = 0; x < mWidth;) {
    const RunKind k = kind(x);
    int32_t end = x + 1;
    // Sixteen texels at a time through a long run.
    while (end + 16 <= mWidth && SoftRows::AlphaKind16(p + size_t(end) * 4) == int32_t(k)) end += 16;
    while (end < mWidth && kind(end) == k) ++end;
    mRuns.push_back({uint16_t(end), k});
    x = end;
  }
  return mRuns.data() + mRowStart[size_t(y)];
}

uint32_t Texture::TexelArgb(int32_t x, int32_t y) const {
  const uint8_t* p = mTexels.data() + size_t(y) * size_t(mPitch);
  switch (mClass) {
    case TEXCLASS_A8R8G8B8: {
      uint32_t v;
      std::memcpy(&v, p + size_t(x) * 4, 4);
      return v;
    }
    case TEXCLASS_A4R4G4B4: {
      uint16_t v;
      std::memcpy(&v, p + size_t(x) * 2, 2);
      return ((v >> 12) & 15u) * 0x11000000u | ((v >> 8) & 15u) * 0x110000u | ((v >> 4) & 15u) * 0x1100u |
             (v & 15u) * 0x11u;
    }
    case TEXCLASS_R5G6B5: {
      uint16_t v;
      std::memcpy(&v, p + size_t(x) * 2, 2);
      return 0xFF000000u | (Widen(v >> 11, 5) << 16) | (Widen((v >> 5) & 63u, 6) << 8) | Widen(v & 31u, 5);
    }
    case TEXCLASS_PALETTE8: return mPalette[p[x]];
    default: return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Device states

SoftDevice::SoftDevice(DeviceCaps caps) : mCaps(caps) {
  mRender[RenderState::AlphaBlendEnable] = 0;
  mRender[RenderState::SrcBlend] = BLEND_ONE;
  mRender[RenderState::DestBlend] = BLEND_ZERO;
  mRender[RenderState::CullMode] = CULL_CCW;
  mRender[RenderState::Lighting] = 1;
  mRender[RenderState::DitherEnable] = 0;
  mRender[RenderState::SpecularEnable] = 0;
  mRender[RenderState::ZEnable] = 0;
  mRender[RenderState::ZWriteEnable] = 1;
  for (int32_t s = 0; s < kStageCount; ++s) {
    auto& st = mStage[size_t(s)];
    st[StageState::ColorOp] = s == 0 ? TOP_MODULATE : TOP_DISABLE;
    st[StageState::ColorArg1] = TA_TEXTURE;
    st[StageState::ColorArg2] = TA_CURRENT;
    st[StageState::AlphaOp] = s == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
    st[StageState::AlphaArg1] = TA_TEXTURE;
    st[StageState::AlphaArg2] = TA_CURRENT;
    st[StageState::AddressU] = ADDRESS_CLAMP;
    st[StageState::AddressV] = ADDRESS_CLAMP;
    st[StageState::BorderColor] = 0;
    st[StageState::MinFilter] = FILTER_POINT;
    st[StageState::MagFilter] = FILTER_POINT;
    st[StageState::MipFilter] = FILTER_POINT;
    st[StageState::TexCoordIndex] = uint32_t(s);
  }
}

DeviceIdentifier SoftDevice::Identifier() const { return {"soft", "SoftDevice"}; }

void SoftDevice::Count(std::string_view name) {
  CountSlot& slot = mCountSlots[(reinterpret_cast<uintptr_t>(name.data()) >> 3) % mCountSlots.size()];
  if (slot.mText != name.data() || slot.mCounter->first != name) {
    auto it = mCalls.find(name);
    if (it == mCalls.end()) it = mCalls.emplace(std::string(name), 0).first;
    slot = {name.data(), it};
  }
  ++slot.mCounter->second;
}

Result SoftDevice::Enter(std::string_view name) {
  Count(name);
  if (mFailures.empty()) return Result::Ok;
  auto it = mFailures.find(name);
  return it == mFailures.end() ? Result::Ok : it->second;
}

void SoftDevice::FailCall(const std::string& name, Result result) {
  if (result == Result::Ok)
    mFailures.erase(name);
  else
    mFailures[name] = result;
}

uint64_t SoftDevice::CallCount(const std::string& name) const {
  auto it = mCalls.find(std::string_view(name));
  return it == mCalls.end() ? 0 : it->second;
}

Result SoftDevice::SetRenderTarget(std::shared_ptr<Surface> target) {
  if (Result r = Enter("SetRenderTarget"); r != Result::Ok) return r;
  if (!target) return Result::InvalidParams;
  int32_t bits = target->Format().mBitCount;
  if (bits != 32 && bits != 16) return Result::InvalidPixelFormat;
  mTarget = std::move(target);
  mViewport = {0, 0, mTarget->Width(), mTarget->Height()};
  return Result::Ok;
}

Result SoftDevice::SetViewport(const Area& viewport) {
  if (Result r = Enter("SetViewport"); r != Result::Ok) return r;
  if (viewport.Width() < 0 || viewport.Height() < 0) return Result::InvalidParams;
  mViewport = viewport;
  return Result::Ok;
}

Area SoftDevice::ClipArea() const {
  if (!mTarget) return {};
  Area a{std::max(mViewport.mLeft, 0), std::max(mViewport.mTop, 0), std::min(mViewport.mRight, mTarget->Width()),
         std::min(mViewport.mBottom, mTarget->Height())};
  if (a.mRight < a.mLeft) a.mRight = a.mLeft;
  if (a.mBottom < a.mTop) a.mBottom = a.mTop;
  return a;
}

Result SoftDevice::BeginScene() {
  if (Result r = Enter("BeginScene"); r != Result::Ok) return r;
  if (mInScene) return Result::InvalidCall;
  mInScene = true;
  return Result::Ok;
}

Result SoftDevice::EndScene() {
  if (Result r = Enter("EndScene"); r != Result::Ok) return r;
  if (!mInScene) return Result::InvalidCall;
  mInScene = false;
  if (mUnevenPending) NudgeCornerPixel();
  return Result::Ok;
}

Result SoftDevice::SetRenderState(RenderState state, uint32_t value) {
  if (Result r = Enter("SetRenderState"); r != Result::Ok) return r;
  if (!mRender.Holds(state)) return Result::InvalidParams;
  mRender[state] = value;
  return Result::Ok;
}

uint32_t SoftDevice::GetRenderState(RenderState state) const { return mRender.Holds(state) ? mRender.at(state) : 0; }

Result SoftDevice::SetTextureStageState(int32_t stage, StageState state, uint32_t value) {
  if (Result r = Enter("SetTextureStageState"); r != Result::Ok) return r;
  if (stage < 0 || stage >= kStageCount || !mStage[0].Holds(state)) return Result::InvalidParams;
  mStage[size_t(stage)][state] = value;
  return Result::Ok;
}

uint32_t SoftDevice::GetTextureStageState(int32_t stage, StageState state) const {
  return stage >= 0 && stage < kStageCount && mStage[0].Holds(state) ? mStage[size_t(stage)].at(state) : 0;
}

Result SoftDevice::SetTexture(int32_t stage, std::shared_ptr<Texture> texture) {
  if (Result r = Enter("SetTexture"); r != Result::Ok) return r;
  if (stage < 0 || stage >= kStageCount) return Result::InvalidParams;
  mTextures[stage] = std::move(texture);
  return Result::Ok;
}

Result SoftDevice::CreateTexture(int32_t width, int32_t height, uint32_t textureClass,
                                 std::shared_ptr<Texture>* out) {
  if (Result r = Enter("CreateTexture"); r != Result::Ok) return r;
  if (!out) return Result::InvalidParams;
  if (TextureClassBytes(textureClass) == 0 || !(mCaps.mTextureFormats & textureClass))
    return Result::InvalidPixelFormat;
  if (width < std::max(mCaps.mMinTextureWidth, 1) || height < std::max(mCaps.mMinTextureHeight, 1) ||
      width > mCaps.mMaxTextureWidth || height > mCaps.mMaxTextureHeight)
    return Result::InvalidParams;
  if (mCaps.mMaxTextureAspect > 0 && (int64_t(std::max(width, height)) >
                                      int64_t(mCaps.mMaxTextureAspect) * std::min(width, height)))
    return Result::InvalidParams;
  if (!mCaps.mNonPowerOfTwo && (!std::has_single_bit(uint32_t(width)) || !std::has_single_bit(uint32_t(height))))
    return Result::InvalidParams;
  *out = std::make_shared<Texture>(width, height, textureClass);
  return Result::Ok;
}

// ---------------------------------------------------------------------------------------------
// Pixels

Result SoftDevice::Clear(const Area* rects, int32_t count, uint32_t argb) {
  if (Result r = Enter("Clear"); r != Result::Ok) return r;
  if (!mTarget) return Result::NoPrimary;
  if (count < 0 || (count > 0 && !rects)) return Result::InvalidParams;
  Area clip = ClipArea();
  if (Result r = mTarget->LockAsStored(&mLock); r != Result::Ok) return r;
  const PixelFormat& f = mTarget->Format();
  const uint32_t value = FromArgb(argb, f);
  int32_t n = count == 0 ? 1 : count;
  for (int32_t i = 0; i < n; ++i) {
    Area a = count == 0 ? clip : rects[i];
    const int32_t left = std::max(a.mLeft, clip.mLeft), right = std::min(a.mRight, clip.mRight);
    if (left >= right) continue;
    const size_t bytes = f.mBitCount == 32 ? 4 : 2;
    for (int32_t y = std::max(a.mTop, clip.mTop); y < std::min(a.mBottom, clip.mBottom); ++y)
      SoftRows::FillRow(mLock.mBits + size_t(y) * size_t(mLock.mPitch) + size_t(left) * bytes, size_t(right - left),
                        bytes, value);
  }
  mTarget->Unlock();
  return Result::Ok;
}

void SoftDevice::TakeSnap() {
  mSnap.mBlend = mRender.at(RenderState::AlphaBlendEnable) != 0;
  mSnap.mSrcBlend = mRender.at(RenderState::SrcBlend);
  mSnap.mDestBlend = mRender.at(RenderState::DestBlend);
  for (int32_t s = 0; s < kStageCount; ++s) {
    const auto& st = mStage[s];
    mSnap.mStages[s] = {mTextures[s].get(),
                        st.at(StageState::ColorOp),
                        st.at(StageState::ColorArg1),
                        st.at(StageState::ColorArg2),
                        st.at(StageState::AlphaOp),
                        st.at(StageState::AlphaArg1),
                        st.at(StageState::AlphaArg2),
                        st.at(StageState::AddressU) == ADDRESS_BORDER,
                        st.at(StageState::AddressV) == ADDRESS_BORDER,
                        st.at(StageState::MagFilter) == FILTER_LINEAR,
                        st.at(StageState::BorderColor),
                        std::min<uint32_t>(st.at(StageState::TexCoordIndex), 1)};
  }
  const PixelFormat& f = mLock.mFormat;
  uint32_t masks[3] = {f.mRedMask, f.mGreenMask, f.mBlueMask};
  // The channel tables follow the target's format, built again only when it changes.
  const bool sameFormat = mSnapFormat == f;
  mSnapFormat = f;
  for (int32_t i = 0; i < 3 && !sameFormat; ++i) {
    mSnap.mMask[i] = masks[i];
    mSnap.mShift[i] = masks[i] ? std::countr_zero(masks[i]) : 0;
    mSnap.mBits[i] = std::clamp(std::popcount(masks[i]), 1, 8);
    const uint32_t top = (masks[i] >> mSnap.mShift[i]) & 255u;
    for (uint32_t v = 0; v < 256; ++v) mSnap.mWiden[i][v] = uint8_t(Widen(v & top, mSnap.mBits[i]));
  }
  if (!sameFormat) {
    mSnap.mGreen16 = 0;
    if (f.mBitCount == 16 && f.mBlueMask == 0x001Fu) {
      if (f.mRedMask == 0xF800u && f.mGreenMask == 0x07E0u) mSnap.mGreen16 = 6;
      if (f.mRedMask == 0x7C00u && f.mGreenMask == 0x03E0u) mSnap.mGreen16 = 5;
    }
  }
  const StageSnap& s0 = mSnap.mStages[0];
  mSnap.mAlphaFrom = -1;
  if (IsModulateTextureDiffuse(s0.mAlphaOp, s0.mAlphaArg1, s0.mAlphaArg2))
    mSnap.mAlphaFrom = 2;
  else if ((s0.mAlphaOp == TOP_SELECTARG1 && IsTexture(s0.mAlphaArg1)) ||
           (s0.mAlphaOp == TOP_SELECTARG2 && IsTexture(s0.mAlphaArg2)))
    mSnap.mAlphaFrom = 0;
  else if ((s0.mAlphaOp == TOP_SELECTARG1 && IsDiffuse(s0.mAlphaArg1)) ||
           (s0.mAlphaOp == TOP_SELECTARG2 && IsDiffuse(s0.mAlphaArg2)))
    mSnap.mAlphaFrom = 1;
}

uint32_t SoftDevice::Sample(int32_t stage, double u, double v) const {
  const StageSnap& st = mSnap.mStages[stage];
  const Texture* tex = st.mTexture;
  if (!tex) return 0xFFFFFFFFu;
  uint32_t border = st.mBorder;
  bool borderU = st.mBorderU, borderV = st.mBorderV;
  int32_t w = tex->Width(), h = tex->Height();
  auto fetch = [&](int64_t x, int64_t y) -> uint32_t {
    if (x < 0 || x >= w) {
      if (borderU) return border;
      x = std::clamp<int64_t>(x, 0, w - 1);
    }
    if (y < 0 || y >= h) {
      if (borderV) return border;
      y = std::clamp<int64_t>(y, 0, h - 1);
    }
    return tex->TexelArgb(int32_t(x), int32_t(y));
  };
  // Coordinates are finite (checked per vertex); keep them in a range that converts safely.
  double su = std::clamp(u * w, -1e9, 1e9), sv = std::clamp(v * h, -1e9, 1e9);
  if (!st.mLinear) return fetch(int64_t(std::floor(su)), int64_t(std::floor(sv)));
  su -= 0.5;
  sv -= 0.5;
  double fu = std::floor(su), fv = std::floor(sv);
  // Weights in 1/256 steps; a weight of 256 reads one texel exactly.
  uint32_t wu = uint32_t(std::lround((su - fu) * 256.0)), wv = uint32_t(std::lround((sv - fv) * 256.0));
  int64_t x0 = int64_t(fu), y0 = int64_t(fv);
  uint32_t t00 = fetch(x0, y0), t10 = fetch(x0 + 1, y0), t01 = fetch(x0, y0 + 1), t11 = fetch(x0 + 1, y0 + 1);
  uint32_t out = 0;
  for (int32_t shift = 0; shift < 32; shift += 8) {
    uint32_t a = (t00 >> shift) & 255u, b = (t10 >> shift) & 255u, c = (t01 >> shift) & 255u, d = (t11 >> shift) & 255u;
    uint32_t top = a * (256 - wu) + b * wu, bottom = c * (256 - wu) + d * wu;
    uint32_t value = (top * (256 - wv) + bottom * wv + 32768) >> 16;
    out |= std::min(value, 255u) << shift;
  }
  return out;
}

// The colour a pixel receives from the stages, before blending.
uint32_t SoftDevice::Shade(const double* values) const {
  const double* c = values;
  const double* t = values + 4;
  uint32_t diffuse[4];
  for (int32_t i = 0; i < 4; ++i) diffuse[i] = uint32_t(std::clamp(c[i], 0.0, 255.0) + 0.5);
  uint32_t current[4] = {diffuse[0], diffuse[1], diffuse[2], diffuse[3]};
  for (int32_t s = 0; s < kStageCount; ++s) {
    const StageSnap& st = mSnap.mStages[s];
    uint32_t colorOp = st.mColorOp;
    if (colorOp == TOP_DISABLE) break;
    uint32_t texel[4] = {255, 255, 255, 255};
    if (st.mTexture) Unpack(Sample(s, t[st.mSet * 2], t[st.mSet * 2 + 1]), texel);
    auto arg = [&](uint32_t which) -> const uint32_t* {
      switch (which & 15u) {
        case TA_DIFFUSE: return diffuse;
        case TA_TEXTURE: return texel;
        default: return current;
      }
    };
    auto apply = [&](uint32_t op, const uint32_t* a1, const uint32_t* a2, int32_t i) -> uint32_t {
      switch (op) {
        case TOP_SELECTARG1: return a1[i];
        case TOP_SELECTARG2: return a2[i];
        case TOP_ADD: return std::min(a1[i] + a2[i], 255u);
        case TOP_MODULATE: return Mul8(a1[i], a2[i]);
        default: return current[i];
      }
    };
    uint32_t next[4];
    next[0] = st.mAlphaOp == TOP_DISABLE ? current[0]
                                         : apply(st.mAlphaOp, arg(st.mAlphaArg1), arg(st.mAlphaArg2), 0);
    const uint32_t *c1 = arg(st.mColorArg1), *c2 = arg(st.mColorArg2);
    for (int32_t i = 1; i < 4; ++i) next[i] = apply(colorOp, c1, c2, i);
    std::copy(next, next + 4, current);
  }
  return Pack(current);
}

// The target pixel after the shaded colour is blended into it.
uint32_t SoftDevice::Blend(uint32_t argb, uint32_t pixel) const {
  auto write = [&](int32_t i, uint32_t c8) { return ((c8 >> (8 - mSnap.mBits[i])) << mSnap.mShift[i]) & mSnap.mMask[i]; };
  uint32_t src[4];
  Unpack(argb, src);
  uint32_t out[3];
  if (mSnap.mBlend) {
    uint32_t dst[4] = {255, 0, 0, 0};
    for (int32_t i = 0; i < 3; ++i) dst[i + 1] = mSnap.mWiden[i][(pixel & mSnap.mMask[i]) >> mSnap.mShift[i]];
    auto factor = [&](uint32_t blend, int32_t i) -> uint32_t {
      switch (blend) {
        case BLEND_ZERO: return 0;
        case BLEND_ONE: return 255;
        case BLEND_SRCCOLOR: return src[i];
        case BLEND_INVSRCCOLOR: return 255 - src[i];
        case BLEND_SRCALPHA: return src[0];
        case BLEND_INVSRCALPHA: return 255 - src[0];
        case BLEND_DESTALPHA: return dst[0];
        case BLEND_INVDESTALPHA: return 255 - dst[0];
        case BLEND_DESTCOLOR: return dst[i];
        case BLEND_INVDESTCOLOR: return 255 - dst[i];
        default: return 0;
      }
    };
    uint32_t sb = mSnap.mSrcBlend, db = mSnap.mDestBlend;
    for (int32_t i = 1; i < 4; ++i)
      out[i - 1] = std::min(Mul8(src[i], factor(sb, i)) + Mul8(dst[i], factor(db, i)), 255u);
  } else {
    out[0] = src[1];
    out[1] = src[2];
    out[2] = src[3];
  }
  return write(0, out[0]) | write(1, out[1]) | write(2, out[2]);
}

// ---------------------------------------------------------------------------------------------
// Span loops: one per texture sampling, texture class, blend set-up and target width, chosen once
// per draw, so that no state is looked up per pixel. Set-ups they do not cover (a second stage,
// other colour operations) go through the general Shade and Blend.

namespace {

enum TexKind { kNoTexture, kPoint, kLinear, kGeneral };
enum BlendKind { kOpaque, kAlphaBlend, kAddBlend, kOneOne, kOtherBlend };
// Targets: 32-bit 0x00RRGGBB, any other 32-bit layout, 16-bit.
enum TargetKind { kTarget8888, kTarget32, kTarget16 };

inline int64_t FloorToInt(double d) {
  int64_t i = int64_t(d);
  return i - int64_t(d < double(i));
}

inline uint32_t Clamp8(double c) { return uint32_t(std::clamp(c, 0.0, 255.0) + 0.5); }

// The texel a point-sampled coordinate reads along an axis of `size` texels, as the spans read it:
// clamped to the edge, or -1 (the border colour) outside a bordered texture. `nearEdge` is set
// where the scaled coordinate lies within `near` of a texel edge, or too far out to tell (the
// index then does not matter).
[[gnu::always_inline]] inline int32_t QuadTexel(double c, int32_t size, bool border, double near, bool& nearEdge) {
  double scaled = c * size;
  if (!(std::fabs(scaled) < 1e8)) {
    nearEdge = true;
    scaled = 0;
  }
  int32_t i = int32_t(scaled);
  i -= int32_t(scaled < double(i));
  const double above = scaled - double(i);
  nearEdge = nearEdge | (above <= near) | (above >= 1 - near);
  if (uint32_t(i) >= uint32_t(size)) i = border ? -1 : i < 0 ? 0 : size - 1;
  return i;
}

}  // namespace

struct SpanKernels {
  template <uint32_t kClass>
  [[gnu::always_inline]] static inline uint32_t Texel(const Texture& t, int64_t x, int64_t y) {
    const uint8_t* row = t.mTexels.data() + size_t(y) * size_t(t.mPitch);
    if constexpr (kClass == TEXCLASS_A8R8G8B8) {
      uint32_t v;
      std::memcpy(&v, row + size_t(x) * 4, 4);
      return v;
    } else if constexpr (kClass == TEXCLASS_PALETTE8) {
      return t.mPalette[row[x]];
    } else {
      uint16_t v;
      std::memcpy(&v, row + size_t(x) * 2, 2);
      if constexpr (kClass == TEXCLASS_A4R4G4B4)
        return ((v >> 12) & 15u) * 0x11000000u | ((v >> 8) & 15u) * 0x110000u | ((v >> 4) & 15u) * 0x1100u |
               (v & 15u) * 0x11u;
      else
        return 0xFF000000u | SoftRows::Widen16<6>(v);
    }
  }

  // A texel with the stage's addressing: clamped to the edge, or the border colour outside.
  template <uint32_t kClass>
  static uint32_t Fetch(const Texture& t, const SoftDevice::StageSnap& st, int64_t x, int64_t y) {
    if (x < 0 || x >= t.mWidth) {
      if (st.mBorderU) return st.mBorder;
      x = std::clamp<int64_t>(x, 0, t.mWidth - 1);
    }
    if (y < 0 || y >= t.mHeight) {
      if (st.mBorderV) return st.mBorder;
      y = std::clamp<int64_t>(y, 0, t.mHeight - 1);
    }
    return Texel<kClass>(t, x, y);
  }

  template <uint32_t kClass>
  static uint32_t Point(const Texture& t, const SoftDevice::StageSnap& st, double u, double v) {
    const double su = std::clamp(u * t.mWidth, -1e9, 1e9), sv = std::clamp(v * t.mHeight, -1e9, 1e9);
    return Fetch<kClass>(t, st, FloorToInt(su), FloorToInt(sv));
  }

  template <uint32_t kClass>
  [[gnu::always_inline]] static inline uint32_t Linear(const Texture& t, const SoftDevice::StageSnap& st, double u,
                                                       double v) {
#if defined(__SSE2__)
    // Both coordinates at once, by the same operations as one at a time below (the clamped
    // values fit 32-bit integers).
    const __m128d scaled = _mm_mul_pd(_mm_set_pd(v, u), _mm_set_pd(double(t.mHeight), double(t.mWidth)));
    const __m128d s = _mm_sub_pd(_mm_min_pd(_mm_max_pd(scaled, _mm_set1_pd(-1e9)), _mm_set1_pd(1e9)), _mm_set1_pd(0.5));
    const __m128i whole = _mm_cvttpd_epi32(s);
    const __m128i below = _mm_castpd_si128(_mm_cmplt_pd(s, _mm_cvtepi32_pd(whole)));
    const __m128i floor = _mm_add_epi32(whole, _mm_shuffle_epi32(below, _MM_SHUFFLE(3, 3, 2, 0)));
    const __m128i weights = _mm_cvttpd_epi32(
        _mm_add_pd(_mm_mul_pd(_mm_sub_pd(s, _mm_cvtepi32_pd(floor)), _mm_set1_pd(256.0)), _mm_set1_pd(0.5)));
    const int64_t x0 = _mm_cvtsi128_si32(floor), y0 = _mm_cvtsi128_si32(_mm_shuffle_epi32(floor, 1));
    const uint32_t wu = uint32_t(_mm_cvtsi128_si32(weights)),
                   wv = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(weights, 1)));
#else
    const double su = std::clamp(u * t.mWidth, -1e9, 1e9) - 0.5, sv = std::clamp(v * t.mHeight, -1e9, 1e9) - 0.5;
    const int64_t x0 = FloorToInt(su), y0 = FloorToInt(sv);
    // Weights in 1/256 steps, rounded; a weight of 256 reads one texel exactly.
    const uint32_t wu = uint32_t((su - double(x0)) * 256.0 + 0.5), wv = uint32_t((sv - double(y0)) * 256.0 + 0.5);
#endif
    uint32_t t00, t10, t01, t11;
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < t.mWidth && y0 + 1 < t.mHeight) {
#if defined(__SSE2__)
      // The four texels into the lanes straight from their rows, 565 ones widened together.
      if constexpr (kClass == TEXCLASS_A8R8G8B8 || kClass == TEXCLASS_R5G6B5) {
        constexpr size_t kSize = kClass == TEXCLASS_A8R8G8B8 ? 4 : 2;
        const uint8_t* at = t.mTexels.data() + size_t(y0) * size_t(t.mPitch) + size_t(x0) * kSize;
        const uint8_t* below = at + size_t(t.mPitch);
        if constexpr (kClass == TEXCLASS_A8R8G8B8) {
          const __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
          const __m128i bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(below));
          return SoftRows::Weigh4(_mm_unpacklo_epi64(top, bottom), wu, wv);
        } else {
          const __m128i texels = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(SoftRows::Load32(at))),
                                                    _mm_cvtsi32_si128(int(SoftRows::Load32(below))));
          return SoftRows::Weigh4(_mm_or_si128(SoftRows::Widen16x4<6>(texels), _mm_set1_epi32(int(0xFF000000u))), wu,
                                  wv);
        }
      }
#endif
      t00 = Texel<kClass>(t, x0, y0);
      t10 = Texel<kClass>(t, x0 + 1, y0);
      t01 = Texel<kClass>(t, x0, y0 + 1);
      t11 = Texel<kClass>(t, x0 + 1, y0 + 1);
    } else {
      t00 = Fetch<kClass>(t, st, x0, y0);
      t10 = Fetch<kClass>(t, st, x0 + 1, y0);
      t01 = Fetch<kClass>(t, st, x0, y0 + 1);
      t11 = Fetch<kClass>(t, st, x0 + 1, y0 + 1);
    }
    return SoftRows::Weigh(t00, t10, t01, t11, wu, wv);
  }

  // Stage 0 as MODULATE(TEXTURE, DIFFUSE) on the colour, the alpha as the snapshot says.
  static uint32_t Modulate(uint32_t texel, uint32_t a, uint32_t r, uint32_t g, uint32_t b, int32_t alphaFrom) {
    const uint32_t ta = texel >> 24;
    const uint32_t oa = alphaFrom == 2 ? Mul8(ta, a) : alphaFrom == 0 ? ta : a;
    return (oa << 24) | (Mul8((texel >> 16) & 255u, r) << 16) | (Mul8((texel >> 8) & 255u, g) << 8) |
           Mul8(texel & 255u, b);
  }

  // The 565 and 555 layouts with their shifts known: the same values as through the tables.
  template <int kGreen>
  [[gnu::always_inline]] static inline uint32_t Read16(uint32_t pixel, int32_t i) {
    if (i == 0) {
      const uint32_t c = (pixel >> (kGreen + 5)) & 31u;
      return (c << 3) | (c >> 2);
    }
    if (i == 1) {
      const uint32_t c = (pixel >> 5) & ((1u << kGreen) - 1);
      return (c << (8 - kGreen)) | (c >> (2 * kGreen - 8));
    }
    const uint32_t c = pixel & 31u;
    return (c << 3) | (c >> 2);
  }
  template <int kGreen>
  [[gnu::always_inline]] static inline uint32_t Make16(uint32_t r, uint32_t g, uint32_t b) {
    return ((r >> 3) << (kGreen + 5)) | ((g >> (8 - kGreen)) << 5) | (b >> 3);
  }

  // Channel i (0 red, 1 green, 2 blue) of a stored pixel as 0..255, and a pixel from three.
  template <int kTarget>
  [[gnu::always_inline]] static inline uint32_t ReadChannel(const SoftDevice::Snap& sn, uint32_t pixel, int32_t i) {
    if constexpr (kTarget == kTarget8888)
      return (pixel >> (16 - 8 * i)) & 255u;
    if constexpr (kTarget == kTarget16) {
      if (sn.mGreen16 == 6) return Read16<6>(pixel, i);
      if (sn.mGreen16 == 5) return Read16<5>(pixel, i);
    }
    return sn.mWiden[i][(pixel & sn.mMask[i]) >> sn.mShift[i]];
  }
  template <int kTarget>
  [[gnu::always_inline]] static inline uint32_t MakePixel(const SoftDevice::Snap& sn, uint32_t r, uint32_t g,
                                                          uint32_t b) {
    if constexpr (kTarget == kTarget16) {
      if (sn.mGreen16 == 6) return Make16<6>(r, g, b);
      if (sn.mGreen16 == 5) return Make16<5>(r, g, b);
    }
    if constexpr (kTarget == kTarget8888) {
      return (r << 16) | (g << 8) | b;
    } else {
      return (((r >> (8 - sn.mBits[0])) << sn.mShift[0]) & sn.mMask[0]) |
             (((g >> (8 - sn.mBits[1])) << sn.mShift[1]) & sn.mMask[1]) |
             (((b >> (8 - sn.mBits[2])) << sn.mShift[2]) & sn.mMask[2]);
    }
  }

  // The blend of one colour into one stored pixel; false when the pixel stays as it is.
  template <int kBlend, int kTarget>
  [[gnu::always_inline]] static inline bool BlendPixel(const SoftDevice& d, uint32_t argb, uint32_t& pixel) {
    const auto& sn = d.mSnap;
    const uint32_t sa = argb >> 24, sr = (argb >> 16) & 255u, sg = (argb >> 8) & 255u, sb = argb & 255u;
    if constexpr (kBlend == kOpaque) {
      pixel = MakePixel<kTarget>(sn, sr, sg, sb);
    } else if constexpr (kBlend == kAlphaBlend) {
      if (sa == 0) return false;
      if (sa == 255) {
        pixel = MakePixel<kTarget>(sn, sr, sg, sb);
      } else {
        const uint32_t ia = 255 - sa;
        pixel = MakePixel<kTarget>(sn, std::min(Mul8(sr, sa) + Mul8(ReadChannel<kTarget>(sn, pixel, 0), ia), 255u),
                                   std::min(Mul8(sg, sa) + Mul8(ReadChannel<kTarget>(sn, pixel, 1), ia), 255u),
                                   std::min(Mul8(sb, sa) + Mul8(ReadChannel<kTarget>(sn, pixel, 2), ia), 255u));
      }
    } else if constexpr (kBlend == kAddBlend || kBlend == kOneOne) {
      const uint32_t f = kBlend == kAddBlend ? sa : 255u;
      if (f == 0) return false;
      pixel = MakePixel<kTarget>(sn, std::min(Mul8(sr, f) + ReadChannel<kTarget>(sn, pixel, 0), 255u),
                                 std::min(Mul8(sg, f) + ReadChannel<kTarget>(sn, pixel, 1), 255u),
                                 std::min(Mul8(sb, f) + ReadChannel<kTarget>(sn, pixel, 2), 255u));
    } else {
      pixel = d.Blend(argb, pixel);
    }
    return true;
  }

  template <int kTarget>
  [[gnu::always_inline]] static inline uint32_t Load(const uint8_t* p) {
    if constexpr (kTarget != kTarget16) {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    } else {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
  }
  template <int kTarget>
  [[gnu::always_inline]] static inline void Store(uint8_t* p, uint32_t v) {
    if constexpr (kTarget != kTarget16) {
      std::memcpy(p, &v, 4);
    } else {
      const uint16_t w = uint16_t(v);
      std::memcpy(p, &w, 2);
    }
  }
  template <int kTarget>
  static constexpr int32_t kBytesOf = kTarget == kTarget16 ? 2 : 4;

  template <int kTex, uint32_t kClass, int kBlend, int kTarget>
  static void Span(const SoftDevice& d, int32_t y, int32_t x0, int32_t x1, double* v, const double* step) {
    constexpr int32_t kBytes = kBytesOf<kTarget>;
    const auto& sn = d.mSnap;
    const SoftDevice::StageSnap& st = sn.mStages[0];
    const Texture* tex = st.mTexture;
    const int32_t uv = 4 + int32_t(st.mSet) * 2;
    uint8_t* p = d.mLock.mBits + size_t(y) * size_t(d.mLock.mPitch) + size_t(x0) * kBytes;
    // A diffuse colour that does not change along the span is rounded once.
    const bool flat = kTex != kGeneral && step[0] == 0 && step[1] == 0 && step[2] == 0 && step[3] == 0;
    const uint32_t fa = Clamp8(v[0]), fr = Clamp8(v[1]), fg = Clamp8(v[2]), fb = Clamp8(v[3]);
    if constexpr (kTex != kGeneral) {
      // An uncoloured texture: its texels as they are. Only the texture coordinates then need
      // stepping (the values are the caller's scratch), by the same additions as below.
      if (flat && (fa & fr & fg & fb) == 255u && sn.mAlphaFrom != 1) {
        double u = v[uv], w = v[uv + 1];
        const double du = step[uv], dw = step[uv + 1];
        // Sampled a stretch at a time, then laid into the row.
        uint32_t texels[64];
        for (int32_t x = x0; x <= x1;) {
          const int32_t n = std::min(x1 - x + 1, 64);
          for (int32_t i = 0; i < n; ++i, u += du, w += dw) {
            if constexpr (kTex == kPoint) texels[i] = Point<kClass>(*tex, st, u, w);
            if constexpr (kTex == kLinear) texels[i] = Linear<kClass>(*tex, st, u, w);
            if constexpr (kTex == kNoTexture) texels[i] = 0xFFFFFFFFu;
          }
          LayTexels<kBlend, kTarget>(d, p, reinterpret_cast<const uint8_t*>(texels), n);
          p += size_t(n) * kBytes;
          x += n;
        }
        return;
      }
    }
    for (int32_t x = x0; x <= x1; ++x, p += kBytes) {
      uint32_t argb;
      if constexpr (kTex == kGeneral) {
        argb = d.Shade(v);
      } else {
        uint32_t texel = 0xFFFFFFFFu;
        if constexpr (kTex == kPoint) texel = Point<kClass>(*tex, st, v[uv], v[uv + 1]);
        if constexpr (kTex == kLinear) texel = Linear<kClass>(*tex, st, v[uv], v[uv + 1]);
        if (flat)
          argb = Modulate(texel, fa, fr, fg, fb, sn.mAlphaFrom);
        else
          argb = Modulate(texel, Clamp8(v[0]), Clamp8(v[1]), Clamp8(v[2]), Clamp8(v[3]), sn.mAlphaFrom);
      }
      uint32_t pixel = kBlend == kOpaque ? 0 : Load<kTarget>(p);
      if (BlendPixel<kBlend, kTarget>(d, argb, pixel)) Store<kTarget>(p, pixel);
      for (int32_t k = 0; k < 8; ++k) v[k] += step[k];
    }
  }

  // Uncoloured texels laid into a row as BlendPixel lays them one by one: by runs of alike alpha
  // into a 0x00RRGGBB, 565 or 555 target (transparent ones leave their pixels, opaque ones
  // replace them, the others blend), one by one into others.
  template <int kBlend, int kTarget>
  static void LayTexels(const SoftDevice& d, uint8_t* p, const uint8_t* texels, int32_t n) {
    constexpr int32_t kBytes = kBytesOf<kTarget>;
    const int32_t green = kTarget == kTarget16 ? d.mSnap.mGreen16 : 0;
    constexpr bool kRuns = kBlend == kOpaque || kBlend == kAlphaBlend || kBlend == kAddBlend;
    if (!kRuns || (kTarget != kTarget8888 && green == 0)) {
      for (int32_t i = 0; i < n; ++i, p += kBytes) {
        uint32_t pixel = kBlend == kOpaque ? 0 : Load<kTarget>(p);
        if (BlendPixel<kBlend, kTarget>(d, SoftRows::Load32(texels + size_t(i) * 4), pixel)) Store<kTarget>(p, pixel);
      }
      return;
    }
    auto kind = [texels](int32_t i) {
      const uint32_t a = SoftRows::Load32(texels + size_t(i) * 4) >> 24;
      return kBlend == kOpaque || a == 255 ? Texture::RUN_SOLID : a == 0 ? Texture::RUN_CLEAR : Texture::RUN_PARTIAL;
    };
    for (int32_t i = 0; i < n;) {
      const Texture::RunKind k = kind(i);
      int32_t end = i + 1;
      while (end < n && kind(end) == k) ++end;
      uint8_t* to = p + size_t(i) * kBytes;
      const uint8_t* from = texels + size_t(i) * 4;
      const int32_t len = end - i, room = n - i;
      if (k != Texture::RUN_CLEAR) {
        if constexpr (kTarget == kTarget8888) {
          if constexpr (kBlend == kAddBlend)
            SoftRows::AddRow(to, from, len, room);
          else if (k == Texture::RUN_SOLID)
            SoftRows::CopyRow(to, from, len, 0xFFFFFFu);
          else
            SoftRows::OverRow(to, from, len, room);
        } else if (green == 6) {
          Run16<kBlend, 6>(k, to, from, len, room);
        } else {
          Run16<kBlend, 5>(k, to, from, len, room);
        }
      }
      i = end;
    }
  }

  // n 32-bit texels laid into a row, read from `first` on (step 1) or from `first` back (step -1, a
  // mirrored picture) and modulated by the diffuse colour (which leaves them as they are when it
  // is white): gathered a part at a time, then laid as LayTexels lays them (as BlendPixel would,
  // one by one).
  template <int kBlend, int kTarget>
  static void LayRow(const SoftDevice& d, uint8_t* p, const uint8_t* first, int32_t step, int32_t n, uint32_t diffuse) {
    constexpr int32_t kPart = 256;
    uint32_t part[kPart];
    for (int32_t done = 0; done < n; done += kPart) {
      const int32_t m = std::min(kPart, n - done);
      SoftRows::ModulateRow(part, first + ptrdiff_t(done) * step * 4, step, m, diffuse, d.mSnap.mAlphaFrom);
      LayTexels<kBlend, kTarget>(d, p + size_t(done) * kBytesOf<kTarget>, reinterpret_cast<const uint8_t*>(part), m);
    }
  }

  // A run of texels of some alpha into a 565 or 555 target.
  template <int kBlend, int kGreen>
  static void Run16(Texture::RunKind kind, uint8_t* to, const uint8_t* from, int32_t len, int32_t room) {
    if constexpr (kBlend == kAddBlend)
      SoftRows::Add16Row<kGreen>(to, from, len, room);
    else if (kind == Texture::RUN_SOLID)
      SoftRows::Narrow16Row<kGreen>(to, from, len, room);
    else
      SoftRows::Over16Row<kGreen>(to, from, len, room);
  }

  // A point-sampled axis-aligned quad with one diffuse colour: the texel column of every pixel
  // column and the texel row of every pixel row are worked out once. `order` is 1 when the columns
  // run one after another inside the texture, -1 when they run backwards, else 0.
  template <uint32_t kClass, int kBlend, int kTarget>
  static void Quad(const SoftDevice& d, int32_t x0, int32_t x1, int32_t y0, int32_t y1, const int32_t* cols,
                   const int32_t* rows, int32_t order, uint32_t diffuse) {
    constexpr int32_t kBytes = kBytesOf<kTarget>;
    const auto& sn = d.mSnap;
    const SoftDevice::StageSnap& st = sn.mStages[0];
    const Texture& t = *st.mTexture;
    const bool white = diffuse == 0xFFFFFFFFu && sn.mAlphaFrom != 1;
    const uint32_t da = diffuse >> 24, dr = (diffuse >> 16) & 255u, dg = (diffuse >> 8) & 255u, db = diffuse & 255u;
    const uint32_t border = Modulate(st.mBorder, da, dr, dg, db, sn.mAlphaFrom);
    // Texel columns one after the other inside the texture: a row of the quad reads a run of
    // texels, which for an uncoloured picture in the target's own layout goes straight across.
    const int32_t n = x1 - x0 + 1;
    constexpr bool k32 = kClass == TEXCLASS_A8R8G8B8;
    // A mirrored picture's row reads the run from its end back (32-bit texels only).
    const bool mirrored = k32 && order < 0;
    const bool run = order > 0 || mirrored;
    constexpr bool k16 = kClass == TEXCLASS_R5G6B5 && kTarget == kTarget16;
    // (Blends go by the texture's alpha runs, which a texture too wide for them lacks.)
    const bool direct =
        white && run && !mirrored &&
        ((k32 && (kBlend == kOpaque || ((kBlend == kAlphaBlend || kBlend == kAddBlend) && t.RowRuns(0) != nullptr))) ||
         (k16 && sn.mMask[1] == 0x07E0u && sn.mMask[0] == 0xF800u && (kBlend == kOpaque || kBlend == kAlphaBlend)));
    // The other rows of a run of 32-bit texels (coloured, mirrored or without alpha runs) are
    // gathered and laid by runs of alike alpha.
    const bool laid = !direct && run && k32 && (kBlend == kOpaque || kBlend == kAlphaBlend || kBlend == kAddBlend);
    for (int32_t y = y0; y <= y1; ++y) {
      const int32_t ty = rows[y - y0];
      uint8_t* p = d.mLock.mBits + size_t(y) * size_t(d.mLock.mPitch) + size_t(x0) * kBytes;
      if (laid && ty >= 0) {
        LayRow<kBlend, kTarget>(d, p, t.mTexels.data() + size_t(ty) * size_t(t.mPitch) + size_t(cols[0]) * 4,
                                mirrored ? -1 : 1, n, diffuse);
        continue;
      }
      if (direct && ty >= 0) {
        const uint8_t* src = t.mTexels.data() + size_t(ty) * size_t(t.mPitch) + size_t(cols[0]) * size_t(t.mPitch / t.mWidth);
        if constexpr (k16) {
          std::memcpy(p, src, size_t(n) * 2);  // an opaque class: every texel replaces its pixel
          continue;
        } else if constexpr (k32) {
          if constexpr (kBlend == kOpaque) {
            // Every texel replaces its pixel; on a 0x00RRGGBB target the rows are copied as they
            // are (the alpha byte lands in the target's unused top byte).
            if constexpr (kTarget == kTarget8888) {
              std::memcpy(p, src, size_t(n) * 4);
            } else if (kTarget == kTarget16 && sn.mGreen16 == 6) {
              SoftRows::Narrow16Row<6>(p, src, n);
            } else if (kTarget == kTarget16 && sn.mGreen16 == 5) {
              SoftRows::Narrow16Row<5>(p, src, n);
            } else {
              for (int32_t k = 0; k < n; ++k) {
                uint32_t v;
                std::memcpy(&v, src + size_t(k) * 4, 4);
                Store<kTarget>(p + size_t(k) * kBytes,
                               MakePixel<kTarget>(sn, (v >> 16) & 255u, (v >> 8) & 255u, v & 255u));
              }
            }
            continue;
          }
          if (kTarget == kTarget8888 && kBlend == kAlphaBlend && t.AllOpaque()) {
            std::memcpy(p, src, size_t(n) * 4);
            continue;
          }
          // The texture's alpha runs: transparent ones leave their pixels, opaque ones are copied
          // (on a 0x00RRGGBB target, alpha byte and all), the others blend.
          const int32_t c0 = cols[0];
          const Texture::AlphaRun* r = t.RowRuns(ty);
          while (r->mEnd <= c0) ++r;
          for (int32_t at = c0; at < c0 + n; ++r) {
            const int32_t end = std::min<int32_t>(r->mEnd, c0 + n), len = end - at;
            uint8_t* to = p + size_t(at - c0) * kBytes;
            const uint8_t* from = src + size_t(at - c0) * 4;
            if (r->mKind != Texture::RUN_CLEAR) {
              // The rest of the quad's row may be touched by a short run's four-pixel tail.
              const int32_t room = c0 + n - at;
              if constexpr (kTarget == kTarget8888) {
                if constexpr (kBlend == kAddBlend)
                  SoftRows::AddRow(to, from, len, room);
                else if (r->mKind == Texture::RUN_SOLID)
                  SoftRows::CopyRow(to, from, len);
                else
                  SoftRows::OverRow(to, from, len, room);
              } else if (kTarget == kTarget16 && sn.mGreen16 == 6) {
                Run16<kBlend, 6>(r->mKind, to, from, len, room);
              } else if (kTarget == kTarget16 && sn.mGreen16 == 5) {
                Run16<kBlend, 5>(r->mKind, to, from, len, room);
              } else {
                for (int32_t k = 0; k < len; ++k) {
                  uint32_t pixel = Load<kTarget>(to + size_t(k) * kBytes);
                  BlendPixel<kBlend, kTarget>(d, SoftRows::Load32(from + size_t(k) * 4), pixel);
                  Store<kTarget>(to + size_t(k) * kBytes, pixel);
                }
              }
            }
            at = end;
          }
          continue;
        }
      }
      for (int32_t x = x0; x <= x1; ++x, p += kBytes) {
        const int32_t tx = cols[x - x0];
        uint32_t argb;
        if (ty < 0 || tx < 0)
          argb = border;
        else if (white)
          argb = Texel<kClass>(t, tx, ty);
        else
          argb = Modulate(Texel<kClass>(t, tx, ty), da, dr, dg, db, sn.mAlphaFrom);
        uint32_t pixel = kBlend == kOpaque ? 0 : Load<kTarget>(p);
        if (BlendPixel<kBlend, kTarget>(d, argb, pixel)) Store<kTarget>(p, pixel);
      }
    }
  }

  // One colour over a rectangle (an untextured axis-aligned quad): a colour that replaces the
  // pixels is stored as one value.
  template <int kBlend, int kTarget>
  static void Fill(const SoftDevice& d, int32_t x0, int32_t x1, int32_t y0, int32_t y1, uint32_t argb) {
    constexpr int32_t kBytes = kBytesOf<kTarget>;
    const bool replaces = kBlend == kOpaque || (kBlend == kAlphaBlend && (argb >> 24) == 255);
    const uint32_t value = MakePixel<kTarget>(d.mSnap, (argb >> 16) & 255u, (argb >> 8) & 255u, argb & 255u);
    for (int32_t y = y0; y <= y1; ++y) {
      uint8_t* p = d.mLock.mBits + size_t(y) * size_t(d.mLock.mPitch) + size_t(x0) * kBytes;
      if (replaces) {
        if (x1 >= x0) SoftRows::FillRow(p, size_t(x1 - x0 + 1), kBytes, value);
        continue;
      }
      for (int32_t x = x0; x <= x1; ++x, p += kBytes) {
        uint32_t pixel = Load<kTarget>(p);
        if (BlendPixel<kBlend, kTarget>(d, argb, pixel)) Store<kTarget>(p, pixel);
      }
    }
  }
  using FillFn = void (*)(const SoftDevice&, int32_t, int32_t, int32_t, int32_t, uint32_t);
  template <int kBlend>
  static FillFn FillForTarget(int32_t target) {
    switch (target) {
      case kTarget8888: return &Fill<kBlend, kTarget8888>;
      case kTarget16: return &Fill<kBlend, kTarget16>;
      default: return &Fill<kBlend, kTarget32>;
    }
  }
  static FillFn ChooseFill(int32_t blend, int32_t target) {
    switch (blend) {
      case kOpaque: return FillForTarget<kOpaque>(target);
      case kAlphaBlend: return FillForTarget<kAlphaBlend>(target);
      case kAddBlend: return FillForTarget<kAddBlend>(target);
      case kOneOne: return FillForTarget<kOneOne>(target);
      default: return FillForTarget<kOtherBlend>(target);
    }
  }
  // One colour into one pixel (a line's), as the general Blend writes it: a pixel the blend
  // leaves keeps only its colour bits.
  template <int kBlend, int kTarget>
  static void Put(const SoftDevice& d, uint8_t* p, uint32_t argb) {
    uint32_t pixel = Load<kTarget>(p);
    if (!BlendPixel<kBlend, kTarget>(d, argb, pixel)) pixel &= d.mSnap.mMask[0] | d.mSnap.mMask[1] | d.mSnap.mMask[2];
    Store<kTarget>(p, pixel);
  }
  using PutFn = void (*)(const SoftDevice&, uint8_t*, uint32_t);
  template <int kBlend>
  static PutFn PutForTarget(int32_t target) {
    switch (target) {
      case kTarget8888: return &Put<kBlend, kTarget8888>;
      case kTarget16: return &Put<kBlend, kTarget16>;
      default: return &Put<kBlend, kTarget32>;
    }
  }
  static PutFn ChoosePut(int32_t blend, int32_t target) {
    switch (blend) {
      case kOpaque: return PutForTarget<kOpaque>(target);
      case kAlphaBlend: return PutForTarget<kAlphaBlend>(target);
      case kAddBlend: return PutForTarget<kAddBlend>(target);
      case kOneOne: return PutForTarget<kOneOne>(target);
      default: return PutForTarget<kOtherBlend>(target);
    }
  }

  using QuadFn = void (*)(const SoftDevice&, int32_t, int32_t, int32_t, int32_t, const int32_t*, const int32_t*,
                          int32_t, uint32_t);
  template <uint32_t kClass, int kBlend>
  static QuadFn QuadForWidth(int32_t target) {
    switch (target) {
      case kTarget8888: return &Quad<kClass, kBlend, kTarget8888>;
      case kTarget16: return &Quad<kClass, kBlend, kTarget16>;
      default: return &Quad<kClass, kBlend, kTarget32>;
    }
  }
  template <uint32_t kClass>
  static QuadFn QuadForBlend(int32_t blend, int32_t bytes) {
    switch (blend) {
      case kOpaque: return QuadForWidth<kClass, kOpaque>(bytes);
      case kAlphaBlend: return QuadForWidth<kClass, kAlphaBlend>(bytes);
      case kAddBlend: return QuadForWidth<kClass, kAddBlend>(bytes);
      case kOneOne: return QuadForWidth<kClass, kOneOne>(bytes);
      default: return QuadForWidth<kClass, kOtherBlend>(bytes);
    }
  }
  static QuadFn ChooseQuad(uint32_t textureClass, int32_t blend, int32_t bytes) {
    switch (textureClass) {
      case TEXCLASS_A4R4G4B4: return QuadForBlend<TEXCLASS_A4R4G4B4>(blend, bytes);
      case TEXCLASS_R5G6B5: return QuadForBlend<TEXCLASS_R5G6B5>(blend, bytes);
      case TEXCLASS_PALETTE8: return QuadForBlend<TEXCLASS_PALETTE8>(blend, bytes);
      default: return QuadForBlend<TEXCLASS_A8R8G8B8>(blend, bytes);
    }
  }

  template <int kTex, uint32_t kClass, int kBlend>
  static SoftDevice::SpanFn ForWidth(int32_t target) {
    switch (target) {
      case kTarget8888: return &Span<kTex, kClass, kBlend, kTarget8888>;
      case kTarget16: return &Span<kTex, kClass, kBlend, kTarget16>;
      default: return &Span<kTex, kClass, kBlend, kTarget32>;
    }
  }

  template <int kTex, uint32_t kClass>
  static SoftDevice::SpanFn ForBlend(int32_t blend, int32_t bytes) {
    switch (blend) {
      case kOpaque: return ForWidth<kTex, kClass, kOpaque>(bytes);
      case kAlphaBlend: return ForWidth<kTex, kClass, kAlphaBlend>(bytes);
      case kAddBlend: return ForWidth<kTex, kClass, kAddBlend>(bytes);
      case kOneOne: return ForWidth<kTex, kClass, kOneOne>(bytes);
      default: return ForWidth<kTex, kClass, kOtherBlend>(bytes);
    }
  }

  template <int kTex>
  static SoftDevice::SpanFn ForClass(uint32_t textureClass, int32_t blend, int32_t bytes) {
    switch (textureClass) {
      case TEXCLASS_A4R4G4B4: return ForBlend<kTex, TEXCLASS_A4R4G4B4>(blend, bytes);
      case TEXCLASS_R5G6B5: return ForBlend<kTex, TEXCLASS_R5G6B5>(blend, bytes);
      case TEXCLASS_PALETTE8: return ForBlend<kTex, TEXCLASS_PALETTE8>(blend, bytes);
      default: return ForBlend<kTex, TEXCLASS_A8R8G8B8>(blend, bytes);
    }
  }
};

int32_t SoftDevice::BlendKind() const {
  const Snap& sn = mSnap;
  if (!sn.mBlend) return kOpaque;
  if (sn.mSrcBlend == BLEND_SRCALPHA && sn.mDestBlend == BLEND_INVSRCALPHA) return kAlphaBlend;
  if (sn.mSrcBlend == BLEND_SRCALPHA && sn.mDestBlend == BLEND_ONE) return kAddBlend;
  if (sn.mSrcBlend == BLEND_ONE && sn.mDestBlend == BLEND_ONE) return kOneOne;
  return kOtherBlend;
}

bool SoftDevice::SimpleShade() const {
  const StageSnap& s0 = mSnap.mStages[0];
  return IsModulateTextureDiffuse(s0.mColorOp, s0.mColorArg1, s0.mColorArg2) && mSnap.mAlphaFrom >= 0 &&
         mSnap.mStages[1].mColorOp == TOP_DISABLE;
}

int32_t SoftDevice::TargetKind() const {
  if (mLock.mFormat.BytesPerPixel() == 2) return kTarget16;
  return mLock.mFormat == PixelFormat::X8R8G8B8() ? kTarget8888 : kTarget32;
}

SoftDevice::SpanFn SoftDevice::ChooseSpan() const {
  const int32_t blend = BlendKind(), bytes = TargetKind();
  const StageSnap& s0 = mSnap.mStages[0];
  if (!SimpleShade()) return SpanKernels::ForBlend<kGeneral, 0>(blend, bytes);
  if (!s0.mTexture) return SpanKernels::ForBlend<kNoTexture, 0>(blend, bytes);
  if (s0.mLinear) return SpanKernels::ForClass<kLinear>(s0.mTexture->Class(), blend, bytes);
  return SpanKernels::ForClass<kPoint>(s0.mTexture->Class(), blend, bytes);
}

// ---------------------------------------------------------------------------------------------
// Primitives

namespace {

SoftDevice::Vtx WithDiffuse(SoftDevice::Vtx o, uint32_t diffuse) {
  uint32_t c[4];
  Unpack(diffuse, c);
  for (int32_t i = 0; i < 4; ++i) o.mA[i] = c[i];
  return o;
}

// One texture-coordinate set serves both stages.
SoftDevice::Vtx FromVertex(const VertexTex1& v) {
  return WithDiffuse({v.mX, v.mY, {0, 0, 0, 0, v.mU, v.mV, v.mU, v.mV}}, v.mDiffuse);
}

SoftDevice::Vtx FromVertex(const VertexTex2& v) {
  return WithDiffuse({v.mX, v.mY, {0, 0, 0, 0, v.mU0, v.mV0, v.mU1, v.mV1}}, v.mDiffuse);
}

template <typename Vertex>
std::vector<SoftDevice::Vtx> FromVertices(const Vertex* vertices, int32_t count) {
  std::vector<SoftDevice::Vtx> v;
  v.reserve(size_t(count));
  for (int32_t i = 0; i < count; ++i) v.push_back(FromVertex(vertices[i]));
  return v;
}

bool Usable(const SoftDevice::Vtx& v) {
  if (!Finite(v.mX) || !Finite(v.mY)) return false;
  for (int32_t i = 4; i < 8; ++i)
    if (!std::isfinite(v.mA[i])) return false;
  return true;
}

// The plane of every interpolated value over a triangle: value = base + dx * (x - x0) + dy * (y - y0).
struct Planes {
  double x0, y0;
  double base[8], dx[8], dy[8];
  bool Set(const SoftDevice::Vtx& a, const SoftDevice::Vtx& b, const SoftDevice::Vtx& c) {
    x0 = a.mX;
    y0 = a.mY;
    double bx = b.mX - a.mX, by = b.mY - a.mY, cx = c.mX - a.mX, cy = c.mY - a.mY;
    double det = bx * cy - cx * by;
    if (det == 0) return false;
    for (int32_t i = 0; i < 8; ++i) {
      double fa = a.mA[i], fb = b.mA[i] - fa, fc = c.mA[i] - fa;
      base[i] = fa;
      dx[i] = (fb * cy - fc * by) / det;
      dy[i] = (fc * bx - fb * cx) / det;
    }
    return true;
  }
  void At(double x, double y, double* out) const {
    for (int32_t i = 0; i < 8; ++i) out[i] = base[i] + dx[i] * (x - x0) + dy[i] * (y - y0);
  }
  double Value(int32_t i, double x, double y) const { return base[i] + dx[i] * (x - x0) + dy[i] * (y - y0); }
};

}  // namespace

void SoftDevice::CountPrimitive(Primitive type) {
  static const char* const kNames[] = {"DrawPrimitive TriangleList", "DrawPrimitive TriangleStrip",
                                       "DrawPrimitive TriangleFan", "DrawPrimitive LineStrip"};
  Count(kNames[int32_t(type)]);
}

Result SoftDevice::DrawPrimitive(Primitive type, const VertexTex1* vertices, int32_t count) {
  CountPrimitive(type);
  if (Result r = Enter("DrawPrimitive"); r != Result::Ok) return r;
  if (!vertices || count < 0) return Result::InvalidParams;
  return Draw(type, FromVertices(vertices, count));
}

Result SoftDevice::DrawPrimitive(Primitive type, const VertexTex2* vertices, int32_t count) {
  CountPrimitive(type);
  if (Result r = Enter("DrawPrimitive"); r != Result::Ok) return r;
  if (!vertices || count < 0) return Result::InvalidParams;
  return Draw(type, FromVertices(vertices, count));
}

Result SoftDevice::Draw(Primitive type, const std::vector<Vtx>& v) {
  if (!mInScene) return Result::InvalidCall;
  if (!mTarget) return Result::NoPrimary;
  int32_t n = int32_t(v.size());
  bool lines = type == Primitive::LineStrip;
  if (lines ? n < 2 : (n < 3 || (type == Primitive::TriangleList && n % 3 != 0))) return Result::InvalidParams;
  for (int32_t s = 0; s < kStageCount; ++s)
    if (mTextures[s] && mTextures[s]->IsLocked()) return Result::SurfaceBusy;
  if (mDrawFaults.Any()) return DrawWithFaults(type, v);
  if (Result r = mTarget->LockAsStored(&mLock); r != Result::Ok) return r;
  TakeSnap();
  mSpan = ChooseSpan();
  if (lines) {
    for (int32_t i = 0; i + 1 < n; ++i)
      if (Usable(v[i]) && Usable(v[i + 1])) Line(v[i], v[i + 1]);
  } else if (n == 4 && type != Primitive::TriangleList && FastQuad(v.data())) {
    ++mFastQuads;
  } else {
    auto tri = [&](int32_t a, int32_t b, int32_t c) {
      if (Usable(v[a]) && Usable(v[b]) && Usable(v[c])) Triangle(v[a], v[b], v[c]);
    };
    for (int32_t i = 0; i + 2 < n; ++i) {
      switch (type) {
        case Primitive::TriangleList:
          if (i % 3 == 0) tri(i, i + 1, i + 2);
          break;
        case Primitive::TriangleStrip:
          if (i % 2 == 0)
            tri(i, i + 1, i + 2);
          else
            tri(i + 1, i, i + 2);
          break;
        default: tri(0, i + 1, i + 2); break;
      }
    }
  }
  mTarget->Unlock();
  return Result::Ok;
}

void SoftDevice::Triangle(const Vtx& va, const Vtx& vb, const Vtx& vc) {
  // Positions in 1/16 pixel.
  int64_t ax = std::llround(va.mX * 16), ay = std::llround(va.mY * 16);
  int64_t bx = std::llround(vb.mX * 16), by = std::llround(vb.mY * 16);
  int64_t cx = std::llround(vc.mX * 16), cy = std::llround(vc.mY * 16);
  int64_t area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return;
  uint32_t cull = mRender.at(RenderState::CullMode);
  // Positive area: clockwise on the screen (y down).
  if ((cull == CULL_CW && area > 0) || (cull == CULL_CCW && area < 0)) return;
  if (area < 0) {
    std::swap(bx, cx);
    std::swap(by, cy);
  }
  Planes planes;
  if (!planes.Set(va, vb, vc)) return;
  Area clip = ClipArea();
  int64_t x0 = std::max<int64_t>(FloorDiv(std::min({ax, bx, cx}) + 15, 16), clip.mLeft);
  int64_t x1 = std::min<int64_t>(FloorDiv(std::max({ax, bx, cx}), 16), clip.mRight - 1);
  int64_t y0 = std::max<int64_t>(FloorDiv(std::min({ay, by, cy}) + 15, 16), clip.mTop);
  int64_t y1 = std::min<int64_t>(FloorDiv(std::max({ay, by, cy}), 16), clip.mBottom - 1);
  struct Edge {
    int64_t ax, ay, dx, dy, bias;
    int64_t At(int64_t px, int64_t py) const { return dx * (py - ay) - dy * (px - ax) + bias; }
  };
  auto edge = [](int64_t ax_, int64_t ay_, int64_t bx_, int64_t by_) {
    int64_t dx = bx_ - ax_, dy = by_ - ay_;
    // Top edges run right along a horizontal line, left edges run up: they own their pixels.
    bool topLeft = (dy == 0 && dx > 0) || dy < 0;
    return Edge{ax_, ay_, dx, dy, topLeft ? 0 : -1};
  };
  Edge e[3] = {edge(ax, ay, bx, by), edge(bx, by, cx, cy), edge(cx, cy, ax, ay)};
  // Each edge function is linear along a row: w(x) = A + s * x with s = -16 dy. Where s > 0 it
  // bounds the span from the left, where s < 0 from the right; a zero s keeps or drops the row.
  double values[8];
  for (int64_t y = y0; y <= y1; ++y) {
    int64_t lo = x0, hi = x1;
    for (int32_t k = 0; k < 3 && lo <= hi; ++k) {
      const int64_t a = e[k].At(0, y * 16), step = -e[k].dy * 16;
      if (step == 0) {
        if (a < 0) hi = lo - 1;
      } else if (step > 0) {
        lo = std::max(lo, -FloorDiv(a, step));
      } else {
        hi = std::min(hi, FloorDiv(a, -step));
      }
    }
    if (lo > hi) continue;
    planes.At(double(lo), double(y), values);
    mSpan(*this, int32_t(y), int32_t(lo), int32_t(hi), values, planes.dx);
  }
}

// An axis-aligned quad (four vertices of a strip or fan) whose texture coordinates follow the
// axes, with point sampling: filled row by row without edge tests. False when the quad does not
// qualify; the triangles then draw it.
bool SoftDevice::FastQuad(const Vtx* q) {
  if (!mFastPath) return false;
  for (int32_t s = 0; s < kStageCount; ++s)
    if (mSnap.mStages[s].mTexture && mSnap.mStages[s].mLinear) return false;
  for (int32_t i = 0; i < 4; ++i)
    if (!Usable(q[i])) return false;
  double minX = q[0].mX, maxX = q[0].mX, minY = q[0].mY, maxY = q[0].mY;
  for (int32_t i = 1; i < 4; ++i) {
    minX = std::min(minX, q[i].mX);
    maxX = std::max(maxX, q[i].mX);
    minY = std::min(minY, q[i].mY);
    maxY = std::max(maxY, q[i].mY);
  }
  if (minX == maxX || minY == maxY) return false;
  // Each vertex on a corner, the four corners distinct.
  int32_t seen = 0;
  for (int32_t i = 0; i < 4; ++i) {
    bool right = q[i].mX == maxX, bottom = q[i].mY == minY ? false : q[i].mY == maxY;
    if ((q[i].mX != minX && !right) || (q[i].mY != minY && q[i].mY != maxY)) return false;
    seen |= 1 << (int32_t(right) + 2 * int32_t(bottom));
  }
  if (seen != 15) return false;
  // All values must be planar over the quad: the fourth vertex agrees with the plane of three.
  Planes planes;
  if (!planes.Set(q[0], q[1], q[2])) return false;
  double at[8];
  planes.At(q[3].mX, q[3].mY, at);
  for (int32_t i = 0; i < 8; ++i) {
    double want = q[3].mA[i];
    if (std::fabs(at[i] - want) > 1e-9 * std::max(1.0, std::fabs(want))) return false;
  }
  if (mRender.at(RenderState::CullMode) != CULL_NONE) return false;
  // The pixels whose centres fall inside under the top-left rule, with positions in 1/16 pixel
  // as the triangles snap them.
  int64_t l = std::llround(minX * 16), r = std::llround(maxX * 16);
  int64_t t = std::llround(minY * 16), b = std::llround(maxY * 16);
  Area clip = ClipArea();
  int64_t x0 = std::max<int64_t>(FloorDiv(l + 15, 16), clip.mLeft);
  int64_t x1 = std::min<int64_t>(FloorDiv(r - 1, 16), clip.mRight - 1);
  int64_t y0 = std::max<int64_t>(FloorDiv(t + 15, 16), clip.mTop);
  int64_t y1 = std::min<int64_t>(FloorDiv(b - 1, 16), clip.mBottom - 1);
  if (x0 > x1 || y0 > y1) return true;
  // One diffuse colour, u along x and v along y: texel columns and rows once for the quad.
  const StageSnap& s0 = mSnap.mStages[0];
  const int32_t u = 4 + int32_t(s0.mSet) * 2, v = u + 1;
  bool flat = SimpleShade() && (!s0.mTexture || (planes.dy[u] == 0 && planes.dx[v] == 0));
  for (int32_t i = 0; i < 4 && flat; ++i) flat = planes.dx[i] == 0 && planes.dy[i] == 0;
  if (flat && !s0.mTexture) {
    double at[8];
    planes.At(double(x0), double(y0), at);
    const uint32_t argb = SpanKernels::Modulate(0xFFFFFFFFu, Clamp8(at[0]), Clamp8(at[1]), Clamp8(at[2]),
                                                Clamp8(at[3]), mSnap.mAlphaFrom);
    SpanKernels::ChooseFill(BlendKind(), TargetKind())(*this, int32_t(x0), int32_t(x1), int32_t(y0), int32_t(y1), argb);
    return true;
  }
  if (flat) {
    const Texture& t = *s0.mTexture;
    // The triangles reach a pixel's coordinates by steps from the start of its span, over planes
    // that may differ from this one within the tolerance above. Where a scaled coordinate comes
    // this near a texel edge (far more than both can differ by), they could take the other texel:
    // such a quad is left to them (pixel centres on texel centres never come near).
    auto slack = [&](int32_t i, int32_t size) {
      double most = 1;
      for (int32_t k = 0; k < 4; ++k) most = std::max(most, std::fabs(q[k].mA[i]));
      return 1e-8 * most * size;
    };
    double at[8];
    std::vector<int32_t>& cols = mQuadCols;
    std::vector<int32_t>& rows = mQuadRows;
    const int32_t n = int32_t(x1 - x0 + 1);
    cols.resize(size_t(n));
    rows.resize(size_t(y1 - y0 + 1));
    const double nearU = slack(u, t.Width()), nearV = slack(v, t.Height());
    bool nearEdge = false;
    for (int32_t k = 0; k < n; ++k)
      cols[size_t(k)] =
          QuadTexel(planes.Value(u, double(x0 + k), double(y0)), t.Width(), s0.mBorderU, nearU, nearEdge);
    for (int64_t y = y0; y <= y1; ++y)
      rows[size_t(y - y0)] =
          QuadTexel(planes.Value(v, double(x0), double(y)), t.Height(), s0.mBorderV, nearV, nearEdge);
    if (nearEdge) return false;
    // Whether the columns run one after another forwards or backwards inside the texture: every
    // one is compared, as clamped or repeated columns may lie between the ends.
    auto runs = [&](int32_t step) {
      if (cols[0] < 0 || cols[size_t(n - 1)] < 0 || cols[size_t(n - 1)] != cols[0] + step * (n - 1)) return false;
      for (int32_t k = 1; k < n - 1; ++k)
        if (cols[size_t(k)] != cols[0] + step * k) return false;
      return true;
    };
    const int32_t order = runs(1) ? 1 : n > 1 && runs(-1) ? -1 : 0;
    planes.At(double(x0), double(y0), at);
    uint32_t diffuse = 0;
    for (int32_t i = 0; i < 4; ++i) diffuse = (diffuse << 8) | Clamp8(at[i]);
    SpanKernels::ChooseQuad(t.Class(), BlendKind(), TargetKind())(
        *this, int32_t(x0), int32_t(x1), int32_t(y0), int32_t(y1), cols.data(), rows.data(), order, diffuse);
    return true;
  }
  double values[8];
  for (int64_t y = y0; y <= y1; ++y) {
    planes.At(double(x0), double(y), values);
    mSpan(*this, int32_t(y), int32_t(x0), int32_t(x1), values, planes.dx);
  }
  return true;
}

// A line from a to b, its end pixel left out, stepping one pixel along the longer axis.
void SoftDevice::Line(const Vtx& a, const Vtx& b) {
  int64_t x0 = int64_t(std::floor(a.mX + 0.5)), y0 = int64_t(std::floor(a.mY + 0.5));
  int64_t x1 = int64_t(std::floor(b.mX + 0.5)), y1 = int64_t(std::floor(b.mY + 0.5));
  int64_t dx = x1 - x0, dy = y1 - y0;
  int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  Area clip = ClipArea();
  // Without a texture on a stage in use and with one colour at both ends, every pixel gets the
  // same shade.
  bool same = std::equal(a.mA, a.mA + 4, b.mA);
  for (int32_t s = 0; s < kStageCount && same && mSnap.mStages[s].mColorOp != TOP_DISABLE; ++s)
    same = mSnap.mStages[s].mTexture == nullptr;
  const uint32_t shade = same ? Shade(a.mA) : 0;
  const auto put = SpanKernels::ChoosePut(BlendKind(), TargetKind());
  const size_t bytes = size_t(mLock.mFormat.BytesPerPixel());
  double values[8];
  for (int64_t i = 0; i < steps; ++i) {
    // Exact integer stepping: the minor axis rounds to the nearest pixel.
    int64_t x = x0 + FloorDiv(2 * dx * i + steps, 2 * steps);
    int64_t y = y0 + FloorDiv(2 * dy * i + steps, 2 * steps);
    if (x < clip.mLeft || x >= clip.mRight || y < clip.mTop || y >= clip.mBottom) continue;
    uint32_t argb = shade;
    if (!same) {
      double t = double(i) / double(steps);
      for (int32_t k = 0; k < 8; ++k) values[k] = a.mA[k] + (b.mA[k] - a.mA[k]) * t;
      argb = Shade(values);
    }
    put(*this, mLock.mBits + size_t(y) * size_t(mLock.mPitch) + size_t(x) * bytes, argb);
  }
}

// ---------------------------------------------------------------------------------------------
// Faults

uint32_t SoftDevice::FaultSetup() const {
  if (mRender.at(RenderState::AlphaBlendEnable) == 0) return 0;
  const uint32_t src = mRender.at(RenderState::SrcBlend), dest = mRender.at(RenderState::DestBlend);
  if (src == BLEND_ONE && dest == BLEND_ONE) return FAULT_ADDITIVE;
  if (src == BLEND_SRCALPHA && dest == BLEND_ONE) return FAULT_ALPHAADD;
  if (src != BLEND_SRCALPHA || dest != BLEND_INVSRCALPHA) return 0;
  return mStage[0].at(StageState::AlphaOp) == TOP_MODULATE ? FAULT_MODULATE : FAULT_ALPHA;
}

void SoftDevice::NudgeCornerPixel() {
  mUnevenPending = false;
  const Area area = ClipArea();
  LockInfo lock;
  if (area.Width() < 2 || area.Height() < 2 || mTarget->LockAsStored(&lock) != Result::Ok) return;
  const size_t bytes = size_t(lock.mFormat.BytesPerPixel());
  uint8_t* p = lock.mBits + size_t(area.mTop + 1) * size_t(lock.mPitch) + size_t(area.mLeft + 1) * bytes;
  uint32_t pixel = 0;
  std::memcpy(&pixel, p, bytes);
  pixel ^= lock.mFormat.mBlueMask & (~lock.mFormat.mBlueMask + 1);
  std::memcpy(p, &pixel, bytes);
  mTarget->Unlock();
}

Result SoftDevice::DrawWithFaults(Primitive type, std::vector<Vtx> v) {
  const uint32_t setup = FaultSetup();
  if (mDrawFaults.mClipNegative)
    for (Vtx& x : v) {
      x.mX = std::max(x.mX, 0.0);
      x.mY = std::max(x.mY, 0.0);
    }
  const DrawFaults faults = mDrawFaults;
  mDrawFaults = DrawFaults();
  // A wrong set-up loses the destination's share.
  const uint32_t dest = mRender.at(RenderState::DestBlend);
  if (faults.mWrong & setup) mRender[RenderState::DestBlend] = BLEND_ZERO;
  Result r = Draw(type, v);
  mRender[RenderState::DestBlend] = dest;
  mDrawFaults = faults;
  // An uneven one changes one pixel near the viewport's corner by a step of blue when the scene ends.
  if (r == Result::Ok && (faults.mUneven & setup)) mUnevenPending = true;
  return r;
}

}  // namespace Platform::Video
