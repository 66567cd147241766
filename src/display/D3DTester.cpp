// The 3D capability test: set-up and static checks, the card lists, the five blend tests drawn
// on the video layer's 3D device and read back.
#include "display/D3DTester.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "shell/StringUtil.h"
#include "shell/VeskAppBase.h"

namespace Vesk {

using namespace Platform::Video;

// ---------------------------------------------------------------------------------------------
// Test image

void D3DTestImage::Create(int32_t width, int32_t height) {
  mWidth = std::max(width, 0);
  mHeight = std::max(height, 0);
  mBits.assign(size_t(mWidth) * size_t(mHeight), 0);
}

void D3DTestImage::Free() {
  mBits.clear();
  mWidth = mHeight = 0;
}

void D3DTestImage::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color) {
  for (int32_t j = std::max(y, 0); j < std::min(y + h, mHeight); ++j)
    for (int32_t i = std::max(x, 0); i < std::min(x + w, mWidth); ++i) mBits[size_t(j) * size_t(mWidth) + size_t(i)] = color;
}

void D3DTestImage::FillStripes() {
  for (int32_t x = 0; x < mWidth; ++x) FillRect(x, 0, 1, mHeight, x % 2 ? 0xFFFFFFFFu : 0xFF000000u);
}

bool D3DTestImage::IsUniform(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color, bool* identical) const {
  bool within = true, same = true;
  const uint32_t first = At(x, y);
  for (int32_t j = y; j < y + h; ++j)
    for (int32_t i = x; i < x + w; ++i) {
      within = within && D3DTester::ColorDistance(At(i, j), color) <= D3DTester::kTolerance;
      same = same && At(i, j) == first;
    }
  if (identical) *identical = same;
  return within;
}

// ---------------------------------------------------------------------------------------------
// Tester

D3DTester::D3DTester(VeskAppBase* app) : mApp(app) {}

D3DTester::~D3DTester() { ReleaseAll(); }

void D3DTester::SetVidMemoryLimits(uint32_t minMB, uint32_t recMB) {
  mMinVidMemory = minMB;
  mRecVidMemory = recMB;
}

bool D3DTester::SetFailureReason(const std::string& text) {
  mFailureReason = text;
  return false;
}

bool D3DTester::SetWarning(const std::string& text) {
  mWarning = text;
  return true;
}

void D3DTester::CheckDXError(Result result, const char* step) {
  if (result != Result::Ok) throw TestException(std::string("DXError - ") + step + ": " + ResultName(result));
}

int32_t D3DTester::ColorDistance(uint32_t a, uint32_t b) {
  int32_t d = 0;
  for (int32_t shift = 0; shift < 24; shift += 8) {
    const int32_t c = int32_t((a >> shift) & 255u) - int32_t((b >> shift) & 255u);
    d += c * c;
  }
  return d;
}

void D3DTester::ReleaseAll() {
  mTexture1.reset();
  mTexture2.reset();
  mDevice3D.reset();
  mRenderTarget.reset();
  mDevice = nullptr;
}

void D3DTester::TestD3D(Device* device) {
  if (!mNoTestMode) {
    mFailureReason.clear();
    mWarning.clear();
    // A failure anywhere, a device step or the read-back, ends the test with its text.
    try {
      if (PrepareTest(device)) TestBlends();
    } catch (const std::exception& e) {
      SetFailureReason(e.what());
    }
    ReleaseAll();
    mFreshResult = true;
  }
  if (mApp) {
    mApp->DemoSyncString(mFailureReason);
    mApp->DemoSyncString(mWarning);
    mApp->DemoSyncBool(mFreshResult);
  }
}

bool D3DTester::PrepareTest(Device* device) {
  ReleaseAll();
  mDriverYear = 0;
  if (!device || !device->Offers3D()) return SetFailureReason("No DirectDrawCreateEx");
  mDevice = device;
  try {
    DeviceIdentifier id;
    CheckDXError(device->GetDeviceIdentifier(&id), "GetDeviceIdentifier");
    mDriverName = id.mDriver;
    mDescription = id.mDescription;

    // The desktop's own frame counts as available: the device reports what is left beside it.
    int64_t total = 0;
    if (Result r = device->GetAvailableVidMem(&total); r != Result::Ok) {
      SetWarning(std::string("GetAvailableVidMem failed: ") + ResultName(r));
    } else {
      const Presenter* p = device->GetPresenter();
      const int64_t desktop =
          p ? int64_t(p->DesktopFormat().mBitCount / 8) * p->DesktopWidth() * p->DesktopHeight() : 0;
      const int64_t megabytes = (desktop + total) >> 20;
      if (megabytes < int64_t(mMinVidMemory)) return SetFailureReason("Not enough video memory.");
      if (megabytes < int64_t(mRecVidMemory)) SetWarning("Low video memory.");
    }
    mFailureReason.clear();

    struct stat st;
    if (!mDriverName.empty() && ::stat(mDriverName.c_str(), &st) == 0) {
      std::tm t{};
      const std::time_t when = st.st_mtime;
      if (::localtime_r(&when, &t)) mDriverYear = t.tm_year + 1900;
    }
    if (!IsSupportedCard(mDescription, mCardFolder)) SetWarning("Unsupported video card: " + mDescription);

    SurfaceDesc desc;
    desc.mWidth = desc.mHeight = 100;
    desc.mMemory = Memory::Video;
    desc.mRenderTarget3D = true;
    CheckDXError(device->CreateSurface(desc, &mRenderTarget), "CreateSurface (Primary)");
    mResultImage.Create(100, 100);
    CheckDXError(device->CreateDevice(mRenderTarget, &mDevice3D), "CreateDevice");

    const uint32_t formats = mDevice3D->TextureFormats();
    mTexture32 = (formats & TEXCLASS_A8R8G8B8) != 0;
    if (!mTexture32) {
      SetWarning("A8R8G8B8 texture format not supported.");
      if (!(formats & TEXCLASS_A4R4G4B4))
        return SetFailureReason("A4R4G4B4 and A8R8G8B8 texture formats not supported.");
    }
    const uint32_t cls = mTexture32 ? TEXCLASS_A8R8G8B8 : TEXCLASS_A4R4G4B4;
    CheckDXError(mDevice3D->CreateTexture(64, 64, cls, &mTexture1), "CreateSurface (TextureSurface1)");
    CheckDXError(mDevice3D->CreateTexture(64, 64, cls, &mTexture2), "CreateSurface (TextureSurfacd2)");
  } catch (const TestException& e) {
    return SetFailureReason(e.what());
  }
  return true;
}

bool D3DTester::TestBlends() {
  return TestAlphaBlend() && TestAdditiveBlend() && TestAlphaAddBlend() && TestAlphaModulate() && TestClipping();
}

bool D3DTester::TestAlphaBlend() {
  return BlendTest(BLEND_SRCALPHA, BLEND_INVSRCALPHA, false, 0xFF0000FFu, 0xFFFFFFFFu, 0x80FF0000u, 0xFFFFFFFFu,
                   0x7F007Fu, "Alpha blend test not uniform.", "Alpha blend Not Supported");
}

bool D3DTester::TestAdditiveBlend() {
  return BlendTest(BLEND_ONE, BLEND_ONE, false, 0xFF404040u, 0xFFFFFFFFu, 0xFF404040u, 0xFFFFFFFFu, 0x808080u,
                   "Additive blend test not uniform.", "Additive blend not supported.");
}

bool D3DTester::TestAlphaAddBlend() {
  return BlendTest(BLEND_SRCALPHA, BLEND_ONE, false, 0xFF404040u, 0xFFFFFFFFu, 0x80808080u, 0xFFFFFFFFu, 0x808080u,
                   "AlphaAdd blend test not uniform.", "AlphaAdd blend not supported.");
}

bool D3DTester::TestAlphaModulate() {
  return BlendTest(BLEND_SRCALPHA, BLEND_INVSRCALPHA, true, 0xFF0000FFu, 0xFFFFFFFFu, 0xFFFF0000u, 0x80FFFFFFu,
                   0x7F007Fu, "AlphaModulated blend test not uniform.", "AlphaModulated blend not supported.");
}

bool D3DTester::TestClipping() {
  BeginTest(BLEND_SRCALPHA, BLEND_INVSRCALPHA);
  D3DTestImage image(64, 64);
  image.FillStripes();
  DrawTestTexture(*mTexture1, image, -2, -2, 0xFFFFFFFFu);
  EndTest();
  int32_t wrong = 0;
  for (int32_t y = 0; y < 62; ++y)
    for (int32_t x = 0; x < 62; ++x)
      if (ColorDistance(mResultImage.At(x, y), x % 2 ? 0xFFFFFFFFu : 0xFF000000u) > kTolerance) ++wrong;
  if (wrong) SetWarning("Clip problem detected.");
  return true;
}

bool D3DTester::BlendTest(uint32_t srcBlend, uint32_t destBlend, bool modulate, uint32_t fill1, uint32_t color1,
                          uint32_t fill2, uint32_t color2, uint32_t expected, const char* warning,
                          const char* failure) {
  BeginTest(srcBlend, destBlend);
  if (modulate)
    CheckDXError(mDevice3D->SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE),
                 "SetTextureStageState AlphaOp, TOP_MODULATE");
  D3DTestImage image(64, 64);
  image.FillRect(0, 0, 64, 64, fill1);
  DrawTestTexture(*mTexture1, image, 0, 0, color1);
  image.FillRect(0, 0, 64, 64, fill2);
  DrawTestTexture(*mTexture2, image, 0, 0, color2);
  EndTest();
  bool identical = false;
  if (!mResultImage.IsUniform(0, 0, 10, 10, expected, &identical)) return SetFailureReason(failure);
  if (!identical) return SetWarning(warning);
  return true;
}

void D3DTester::BeginTest(uint32_t srcBlend, uint32_t destBlend) {
  auto name = [](uint32_t blend) {
    switch (blend) {
      case BLEND_ONE: return "BLEND_ONE";
      case BLEND_SRCALPHA: return "BLEND_SRCALPHA";
      default: return "BLEND_INVSRCALPHA";
    }
  };
  SoftDevice& d = *mDevice3D;
  CheckDXError(d.BeginScene(), "BeginScene");
  CheckDXError(d.Clear(nullptr, 0, 0xFF000000u), "Clear");
  CheckDXError(d.SetRenderState(RenderState::AlphaBlendEnable, 1), "SetRenderState AlphaBlendEnable, 1");
  CheckDXError(d.SetRenderState(RenderState::SrcBlend, srcBlend),
               (std::string("SetRenderState SrcBlend, ") + name(srcBlend)).c_str());
  CheckDXError(d.SetRenderState(RenderState::DestBlend, destBlend),
               (std::string("SetRenderState DestBlend, ") + name(destBlend)).c_str());
  CheckDXError(d.SetRenderState(RenderState::CullMode, CULL_NONE), "SetRenderState CullMode, CULL_NONE");
}

void D3DTester::EndTest() {
  CheckDXError(mDevice3D->EndScene(), "EndScene");
  CopyPrimaryToImage();
}

void D3DTester::DrawTestTexture(Texture& texture, const D3DTestImage& image, float x, float y, uint32_t color) {
  // The test image is one 64 x 64 piece.
  LockInfo lock;
  CheckDXError(texture.Lock(&lock), "Lock Texture");
  for (int32_t j = 0; j < std::min(image.mHeight, lock.mHeight); ++j)
    for (int32_t i = 0; i < std::min(image.mWidth, lock.mWidth); ++i) {
      const uint32_t c = image.At(i, j);
      uint8_t* p = lock.mBits + size_t(j) * size_t(lock.mPitch);
      if (mTexture32) {
        std::memcpy(p + size_t(i) * 4, &c, 4);
      } else {
        const uint16_t t = uint16_t(((c >> 16) & 0xF000u) | ((c >> 12) & 0x0F00u) | ((c >> 8) & 0x00F0u) | ((c >> 4) & 0x000Fu));
        std::memcpy(p + size_t(i) * 2, &t, 2);
      }
    }
  CheckDXError(texture.Unlock(), "Texture Unlock");
  std::shared_ptr<Texture> bound = &texture == mTexture1.get() ? mTexture1 : mTexture2;
  CheckDXError(mDevice3D->SetTexture(0, bound), "SetTexture theTexture");
  const float l = x - 0.5f, t = y - 0.5f, r = l + 64, b = t + 64;
  const VertexTex1 strip[4] = {{l, t, 0, 1, color, 0, 0, 0},
                               {r, t, 0, 1, color, 0, 1, 0},
                               {l, b, 0, 1, color, 0, 0, 1},
                               {r, b, 0, 1, color, 0, 1, 1}};
  CheckDXError(mDevice3D->DrawPrimitive(Primitive::TriangleStrip, strip, 4), "DrawPrimitive");
  CheckDXError(mDevice3D->SetTexture(0, nullptr), "SetTexture NULL");
}

void D3DTester::CopyPrimaryToImage() {
  LockInfo lock;
  CheckDXError(mRenderTarget->Lock(&lock), "CopyPrimary Lock");
  const int32_t bits = lock.mFormat.mBitCount;
  if (bits != 32 && bits != 16) {
    mRenderTarget->Unlock();
    throw TestException(bits == 24 ? "Can't test 24-bit mode." : "Invalid Color Depth");
  }
  // Each channel's top bit lands on bit 23, 15 or 7; the bits below stay zero.
  auto place = [](uint32_t pixel, uint32_t mask, int32_t top) -> uint32_t {
    if (!mask) return 0;
    const int32_t shift = top - (31 - std::countl_zero(mask));
    const uint32_t v = pixel & mask;
    return shift >= 0 ? v << shift : v >> -shift;
  };
  const PixelFormat& f = lock.mFormat;
  for (int32_t y = 0; y < std::min(lock.mHeight, mResultImage.mHeight); ++y)
    for (int32_t x = 0; x < std::min(lock.mWidth, mResultImage.mWidth); ++x) {
      const uint8_t* p = lock.mBits + size_t(y) * size_t(lock.mPitch) + size_t(x) * size_t(bits / 8);
      uint32_t pixel = 0;
      std::memcpy(&pixel, p, size_t(bits / 8));
      mResultImage.mBits[size_t(y) * size_t(mResultImage.mWidth) + size_t(x)] =
          0xFF000000u | place(pixel, f.mRedMask, 23) | place(pixel, f.mGreenMask, 15) | place(pixel, f.mBlueMask, 7);
    }
  mRenderTarget->Unlock();
}

// ---------------------------------------------------------------------------------------------
// Card lists

bool D3DTester::CardListMatches(const std::string& file, const std::string& description, bool* opened) {
  if (opened) *opened = false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  FILE* f = std::fopen(file.c_str(), "r");
  if (!f) return false;
  if (opened) *opened = true;
  bool match = false;
  // A line longer than the buffer is read as several lines.
  char line[4001];
  while (!match && std::fgets(line, sizeof line, f)) {
    const std::string name = TrimSpaces(line);
    match = !name.empty() && FindNoCase(description, name) >= 0;
  }
  std::fclose(f);
  return match;
}

bool D3DTester::IsSupportedCard(const std::string& description, const std::string& folder) const {
  auto path = [&](const char* name) { return folder.empty() ? std::string(name) : folder + "/" + name; };
  bool blockedOpened = false, knownOpened = false;
  if (CardListMatches(path("vhwb.dat"), description, &blockedOpened)) return false;
  const bool known = CardListMatches(path("vhw.dat"), description, &knownOpened);
  if (knownOpened) return known;
  if (blockedOpened) return true;
  return mDriverYear >= 2002 || FindNoCase(description, "nvidia") >= 0 || FindNoCase(description, "radeon") >= 0 ||
         FindNoCase(description, "ati ") >= 0;
}

}  // namespace Vesk
