#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/video/SoftDevice.h"

using namespace Platform::Video;

namespace {

class SoftDeviceTest : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    mTarget = MakeTarget(48, 40);
    ASSERT_EQ(mDevice.SetRenderTarget(mTarget), Result::Ok);
    ASSERT_EQ(mDevice.SetRenderState(RenderState::CullMode, CULL_NONE), Result::Ok);
  }

  std::shared_ptr<Surface> MakeTarget(int32_t w, int32_t h) {
    SurfaceDesc desc;
    desc.mWidth = w;
    desc.mHeight = h;
    desc.mFormat = PixelFormat::FromDepth(GetParam());
    std::shared_ptr<Surface> s;
    EXPECT_EQ(mVideo.CreateSurface(desc, &s), Result::Ok);
    return s;
  }

  // The colour as the target stores it, read back as 0xFFRRGGBB.
  uint32_t Stored(uint32_t argb) const { return ToArgb(FromArgb(argb, mTarget->Format()), mTarget->Format()); }
  uint32_t At(int32_t x, int32_t y, const Surface* s = nullptr) const {
    const Surface& t = s ? *s : *mTarget;
    return ToArgb(t.PixelAt(x, y), t.Format());
  }

  std::shared_ptr<Texture> MakeTexture(int32_t w, int32_t h, const std::vector<uint32_t>& argb) {
    std::shared_ptr<Texture> t;
    EXPECT_EQ(mDevice.CreateTexture(w, h, TEXCLASS_A8R8G8B8, &t), Result::Ok);
    LockInfo lock;
    EXPECT_EQ(t->Lock(&lock), Result::Ok);
    for (int32_t y = 0; y < h; ++y) std::memcpy(lock.mBits + y * lock.mPitch, &argb[size_t(y * w)], size_t(w) * 4);
    t->Unlock();
    return t;
  }

  // A strip quad from (x0, y0) to (x1, y1) mapping u0..u1, v0..v1.
  static std::vector<VertexTex1> Quad(float x0, float y0, float x1, float y1, uint32_t colour, float u0 = 0,
                                      float v0 = 0, float u1 = 1, float v1 = 1) {
    return {{x0, y0, 0, 1, colour, 0, u0, v0},
            {x1, y0, 0, 1, colour, 0, u1, v0},
            {x0, y1, 0, 1, colour, 0, u0, v1},
            {x1, y1, 0, 1, colour, 0, u1, v1}};
  }

  Result Draw(Primitive type, const std::vector<VertexTex1>& v) {
    EXPECT_EQ(mDevice.BeginScene(), Result::Ok);
    Result r = mDevice.DrawPrimitive(type, v.data(), int32_t(v.size()));
    EXPECT_EQ(mDevice.EndScene(), Result::Ok);
    return r;
  }

  void Blend(uint32_t src, uint32_t dst) {
    mDevice.SetRenderState(RenderState::AlphaBlendEnable, 1);
    mDevice.SetRenderState(RenderState::SrcBlend, src);
    mDevice.SetRenderState(RenderState::DestBlend, dst);
  }

  Device mVideo{std::make_unique<HeadlessPresenter>()};
  SoftDevice mDevice;
  std::shared_ptr<Surface> mTarget;
};

std::vector<uint32_t> RandomTexels(int32_t count, uint32_t seed, bool opaque) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> v(static_cast<size_t>(count));
  for (auto& t : v) t = uint32_t(rng()) | (opaque ? 0xFF000000u : 0u);
  return v;
}

int32_t ColorDistance(uint32_t a, uint32_t b) {
  int32_t d = 0;
  for (int32_t s = 0; s < 24; s += 8) {
    int32_t c = int32_t((a >> s) & 255u) - int32_t((b >> s) & 255u);
    d += c * c;
  }
  return d;
}

TEST_P(SoftDeviceTest, AJitteredMeshCoversEveryPixelOnce) {
  // A grid whose inner points sit at awkward fractions, cut along alternating diagonals and
  // drawn additively: a pixel hit twice (or missed) shows.
  const int32_t cols = 7, rows = 6;
  std::vector<std::pair<float, float>> p;
  for (int32_t j = 0; j <= rows; ++j)
    for (int32_t i = 0; i <= cols; ++i) {
      float x = 48.0f * float(i) / cols, y = 40.0f * float(j) / rows;
      if (i > 0 && i < cols) x += (i % 3 == 0) ? 0.5f : (i % 3 == 1 ? 0.3125f : -0.0625f);
      if (j > 0 && j < rows) y += (j % 2 == 0) ? 0.5f : 0.1875f;
      p.push_back({x, y});
    }
  std::vector<VertexTex1> tris;
  auto vert = [&](int32_t i, int32_t j) {
    auto [x, y] = p[size_t(j * (cols + 1) + i)];
    tris.push_back({x, y, 0, 1, 0xFF080808u, 0, 0, 0});
  };
  for (int32_t j = 0; j < rows; ++j)
    for (int32_t i = 0; i < cols; ++i) {
      if ((i + j) % 2) {
        vert(i, j), vert(i + 1, j), vert(i + 1, j + 1);
        vert(i, j), vert(i + 1, j + 1), vert(i, j + 1);
      } else {
        vert(i, j), vert(i + 1, j), vert(i, j + 1);
        vert(i + 1, j), vert(i + 1, j + 1), vert(i, j + 1);
      }
    }
  ASSERT_EQ(mDevice.Clear(nullptr, 0, 0xFF000000u), Result::Ok);
  Blend(BLEND_ONE, BLEND_ONE);
  ASSERT_EQ(Draw(Primitive::TriangleList, tris), Result::Ok);
  int32_t wrong = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x) wrong += At(x, y) != 0xFF080808u;
  EXPECT_EQ(wrong, 0);
}

TEST_P(SoftDeviceTest, AHalfPixelShiftedQuadCopiesTheTextureExactly) {
  const int32_t w = 32, h = 16;
  auto texels = RandomTexels(w * h, 7, true);
  mDevice.SetTexture(0, MakeTexture(w, h, texels));
  for (uint32_t filter : {FILTER_POINT, FILTER_LINEAR})
    for (bool fast : {true, false}) {
      mDevice.SetTextureStageState(0, StageState::MagFilter, filter);
      mDevice.SetFastPath(fast);
      mDevice.Clear(nullptr, 0, 0xFF000000u);
      ASSERT_EQ(Draw(Primitive::TriangleStrip, Quad(3 - 0.5f, 2 - 0.5f, 3 + w - 0.5f, 2 + h - 0.5f, 0xFFFFFFFFu)),
                Result::Ok);
      int32_t wrong = 0;
      for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 48; ++x) {
          bool in = x >= 3 && x < 3 + w && y >= 2 && y < 2 + h;
          wrong += At(x, y) != (in ? Stored(texels[size_t((y - 2) * w + x - 3)]) : 0xFF000000u);
        }
      EXPECT_EQ(wrong, 0) << "filter " << filter << " fast " << fast;
    }
}

TEST_P(SoftDeviceTest, BorderAddressingIsTransparentOutsideThePieceWhereClampRepeatsTheEdge) {
  std::vector<uint32_t> red(64, 0xFFFF0000u);
  mDevice.SetTexture(0, MakeTexture(8, 8, red));
  mDevice.SetTextureStageState(0, StageState::MagFilter, FILTER_LINEAR);
  mDevice.SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE);
  Blend(BLEND_SRCALPHA, BLEND_INVSRCALPHA);
  for (uint32_t address : {ADDRESS_BORDER, ADDRESS_CLAMP}) {
    mDevice.SetTextureStageState(0, StageState::AddressU, address);
    mDevice.SetTextureStageState(0, StageState::AddressV, address);
    mDevice.Clear(nullptr, 0, 0xFF0000FFu);
    // 16 pixels show u from -0.5 to 1.5: pixels 4 to 11 hold the texels.
    ASSERT_EQ(Draw(Primitive::TriangleStrip, Quad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFFu, -0.5f, -0.5f, 1.5f, 1.5f)),
              Result::Ok);
    for (int32_t i = 0; i < 16; ++i) {
      bool inside = i >= 4 && i < 12;
      uint32_t want = inside || address == ADDRESS_CLAMP ? Stored(0xFFFF0000u) : Stored(0xFF0000FFu);
      EXPECT_EQ(At(i, 8), want) << i << " address " << address;
      EXPECT_EQ(At(8, i), want) << i << " address " << address;
    }
    EXPECT_EQ(At(2, 2), address == ADDRESS_CLAMP ? Stored(0xFFFF0000u) : Stored(0xFF0000FFu));
  }
}

TEST_P(SoftDeviceTest, UntexturedDrawsGiveTheDiffuseColourInEveryPrimitive) {
  mDevice.SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE);
  Blend(BLEND_SRCALPHA, BLEND_INVSRCALPHA);
  mDevice.Clear(nullptr, 0, 0xFF000000u);
  std::vector<VertexTex1> fan = {{10, 10, 0, 1, 0xFF336699u, 0, 0, 0},
                                 {30, 10, 0, 1, 0xFF336699u, 0, 0, 0},
                                 {30, 30, 0, 1, 0xFF336699u, 0, 0, 0},
                                 {10, 30, 0, 1, 0xFF336699u, 0, 0, 0}};
  ASSERT_EQ(Draw(Primitive::TriangleFan, fan), Result::Ok);
  EXPECT_EQ(At(10, 10), Stored(0xFF336699u));
  EXPECT_EQ(At(29, 29), Stored(0xFF336699u));
  EXPECT_EQ(At(30, 20), 0xFF000000u);  // right edge left out
  EXPECT_EQ(At(20, 30), 0xFF000000u);  // bottom edge left out
  // Two-set layout, opaque white blended at half alpha over black.
  std::vector<VertexTex2> tri = {{0, 0, 0, 1, 0x80FFFFFFu, 0, 0, 0, 0}, {8, 0, 0, 1, 0x80FFFFFFu, 0, 0, 0, 0},
                                 {0, 8, 0, 1, 0x80FFFFFFu, 0, 0, 0, 0}};
  mDevice.BeginScene();
  ASSERT_EQ(mDevice.DrawPrimitive(Primitive::TriangleList, tri.data(), 3), Result::Ok);
  mDevice.EndScene();
  EXPECT_EQ(At(1, 1), Stored(0xFF808080u));
}

TEST_P(SoftDeviceTest, TheFourBlendSetUpsOfTheCapabilityTestGiveTheirColours) {
  struct Case {
    uint32_t src, dst, fill1, vertex1, fill2, vertex2, expected;
    bool alphaModulate;
  } cases[] = {
      {BLEND_SRCALPHA, BLEND_INVSRCALPHA, 0xFF0000FFu, 0xFFFFFFFFu, 0x80FF0000u, 0xFFFFFFFFu, 0x7F007Fu, false},
      {BLEND_ONE, BLEND_ONE, 0xFF404040u, 0xFFFFFFFFu, 0xFF404040u, 0xFFFFFFFFu, 0x808080u, false},
      {BLEND_SRCALPHA, BLEND_ONE, 0xFF404040u, 0xFFFFFFFFu, 0x80808080u, 0xFFFFFFFFu, 0x808080u, false},
      {BLEND_SRCALPHA, BLEND_INVSRCALPHA, 0xFF0000FFu, 0xFFFFFFFFu, 0xFFFF0000u, 0x80FFFFFFu, 0x7F007Fu, true},
  };
  for (const Case& c : cases) {
    SoftDevice device;
    ASSERT_EQ(device.SetRenderTarget(mTarget), Result::Ok);
    device.BeginScene();
    device.Clear(nullptr, 0, 0xFF000000u);
    device.SetRenderState(RenderState::AlphaBlendEnable, 1);
    device.SetRenderState(RenderState::SrcBlend, c.src);
    device.SetRenderState(RenderState::DestBlend, c.dst);
    device.SetRenderState(RenderState::CullMode, CULL_NONE);
    if (c.alphaModulate) device.SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE);
    for (auto [fill, vertex] : {std::pair{c.fill1, c.vertex1}, std::pair{c.fill2, c.vertex2}}) {
      std::shared_ptr<Texture> t;
      ASSERT_EQ(device.CreateTexture(64, 64, TEXCLASS_A8R8G8B8, &t), Result::Ok);
      LockInfo lock;
      t->Lock(&lock);
      for (int32_t i = 0; i < 64 * 64; ++i) std::memcpy(lock.mBits + i * 4, &fill, 4);
      t->Unlock();
      device.SetTexture(0, t);
      auto q = Quad(-0.5f, -0.5f, 63.5f, 63.5f, vertex);
      ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, q.data(), 4), Result::Ok);
      device.SetTexture(0, nullptr);
    }
    device.EndScene();
    uint32_t first = At(0, 0);
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 10; ++x) {
        EXPECT_LE(ColorDistance(At(x, y), c.expected), 768) << std::hex << At(x, y) << " want " << c.expected;
        EXPECT_EQ(At(x, y), first);
      }
  }
}

TEST_P(SoftDeviceTest, LineStripsLeaveOutTheLastPixelOfEachSegment) {
  mDevice.Clear(nullptr, 0, 0xFF000000u);
  std::vector<VertexTex1> strip = {{2, 2, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                   {10, 2, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                   {10, 8, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                   {4, 14, 0, 1, 0xFFFFFFFFu, 0, 0, 0}};
  ASSERT_EQ(Draw(Primitive::LineStrip, strip), Result::Ok);
  int32_t lit = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x) lit += At(x, y) != 0xFF000000u;
  EXPECT_EQ(lit, 8 + 6 + 6);
  EXPECT_NE(At(2, 2), 0xFF000000u);
  EXPECT_NE(At(10, 2), 0xFF000000u);  // the next segment's first pixel
  EXPECT_NE(At(5, 13), 0xFF000000u);
  EXPECT_EQ(At(4, 14), 0xFF000000u);
}

TEST_P(SoftDeviceTest, TheFastQuadPathEqualsTheTriangles) {
  auto texels = RandomTexels(13 * 7, 3, false);
  auto tex = MakeTexture(13, 7, texels);
  auto other = MakeTarget(48, 40);
  Blend(BLEND_SRCALPHA, BLEND_INVSRCALPHA);
  mDevice.SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE);
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> pos(-6.0f, 50.0f), uv(-0.3f, 1.3f);
  for (auto& target : {mTarget, other}) {
    bool fast = target == mTarget;
    mDevice.SetRenderTarget(target);
    mDevice.SetFastPath(fast);
    mDevice.Clear(nullptr, 0, 0xFF204060u);
    mDevice.SetTexture(0, tex);
    rng.seed(11);
    uint64_t before = mDevice.FastQuadCount();
    for (int32_t i = 0; i < 40; ++i) {
      float x0 = pos(rng), y0 = pos(rng), x1 = pos(rng), y1 = pos(rng);
      float u0 = uv(rng), v0 = uv(rng), u1 = uv(rng), v1 = uv(rng);
      ASSERT_EQ(Draw(Primitive::TriangleStrip, Quad(x0, y0, x1, y1, 0xC0FFFFFFu - uint32_t(i) * 0x030201u, u0, v0, u1, v1)),
                Result::Ok);
    }
    EXPECT_EQ(mDevice.FastQuadCount() - before, fast ? 40u : 0u);
  }
  int32_t differ = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x) differ += At(x, y) != At(x, y, other.get());
  EXPECT_EQ(differ, 0);
}

TEST_P(SoftDeviceTest, BrokenVerticesAreDroppedAndNothingLandsOutsideTheViewport) {
  mDevice.Clear(nullptr, 0, 0xFF000000u);
  ASSERT_EQ(mDevice.SetViewport({5, 6, 30, 60}), Result::Ok);  // cut to the target at 40
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<VertexTex1> bad = {{nan, 0, 0, 1, 0xFFFFFFFFu, 0, 0, 0}, {40, 0, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                 {0, 40, 0, 1, 0xFFFFFFFFu, 0, 0, 0},  {1e30f, 0, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                 {40, inf, 0, 1, 0xFFFFFFFFu, 0, 0, 0}, {0, 40, 0, 1, 0xFFFFFFFFu, 0, 0, 0}};
  ASSERT_EQ(Draw(Primitive::TriangleList, bad), Result::Ok);
  ASSERT_EQ(Draw(Primitive::LineStrip, {bad[0], bad[3], bad[4], bad[0]}), Result::Ok);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x) ASSERT_EQ(At(x, y), 0xFF000000u);
  // A triangle far larger than the target fills exactly the viewport.
  std::vector<VertexTex1> big = {{-5000, -5000, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                 {90000, -5000, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                 {-5000, 90000, 0, 1, 0xFFFFFFFFu, 0, 0, 0}};
  ASSERT_EQ(Draw(Primitive::TriangleFan, big), Result::Ok);
  std::vector<VertexTex1> line = {{-100, 20, 0, 1, 0xFFFFFFFFu, 0, 0, 0}, {500, 20, 0, 1, 0xFFFFFFFFu, 0, 0, 0}};
  ASSERT_EQ(Draw(Primitive::LineStrip, line), Result::Ok);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x)
      ASSERT_EQ(At(x, y), x >= 5 && x < 30 && y >= 6 ? Stored(0xFFFFFFFFu) : 0xFF000000u) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, SoftDeviceTest, ::testing::Values(32, 16, 15));

// Device-level behaviour that does not depend on the target format.

// A device drawing into a 32-bit target of its own, culling nothing; no target when it could
// not be made.
struct OnTarget32 {
  OnTarget32(int32_t w, int32_t h) {
    SurfaceDesc desc{w, h, Memory::System, PixelFormat::X8R8G8B8()};
    if (video.CreateSurface(desc, &target) != Result::Ok || device.SetRenderTarget(target) != Result::Ok) target.reset();
    device.SetRenderState(RenderState::CullMode, CULL_NONE);
  }
  Device video{std::make_unique<HeadlessPresenter>()};
  std::shared_ptr<Surface> target;
  SoftDevice device;
};

TEST(SoftDevice, CapsFormatsAndTexturesFollowTheChosenLimits) {
  SoftDevice device;
  EXPECT_EQ(device.Identifier().mDescription, "SoftDevice");
  EXPECT_EQ(device.Caps().mMaxTextureWidth, 2048);
  EXPECT_EQ(device.TextureFormats(), TEXCLASS_ALL);
  std::shared_ptr<Texture> t;
  EXPECT_EQ(device.CreateTexture(2048, 64, TEXCLASS_R5G6B5, &t), Result::Ok);
  EXPECT_EQ(device.CreateTexture(4096, 64, TEXCLASS_R5G6B5, &t), Result::InvalidParams);
  EXPECT_EQ(device.CreateTexture(64, 64, 3, &t), Result::InvalidPixelFormat);

  DeviceCaps caps;
  caps.mMaxTextureWidth = caps.mMaxTextureHeight = 256;
  caps.mTextureFormats = TEXCLASS_A4R4G4B4;
  caps.mNonPowerOfTwo = false;
  SoftDevice small(caps);
  EXPECT_EQ(small.CreateTexture(256, 256, TEXCLASS_A8R8G8B8, &t), Result::InvalidPixelFormat);
  EXPECT_EQ(small.CreateTexture(512, 256, TEXCLASS_A4R4G4B4, &t), Result::InvalidParams);
  EXPECT_EQ(small.CreateTexture(100, 64, TEXCLASS_A4R4G4B4, &t), Result::InvalidParams);
  ASSERT_EQ(small.CreateTexture(128, 64, TEXCLASS_A4R4G4B4, &t), Result::Ok);

  // New textures are zero; 4-bit channels read back as nibble x 17; palettes apply to indices.
  EXPECT_EQ(t->TexelArgb(127, 63), 0u);
  LockInfo lock;
  ASSERT_EQ(t->Lock(&lock), Result::Ok);
  EXPECT_EQ(t->Lock(&lock), Result::SurfaceBusy);
  uint16_t texel = 0x8F3C;
  std::memcpy(lock.mBits, &texel, 2);
  t->Unlock();
  EXPECT_EQ(t->TexelArgb(0, 0), 0x88FF33CCu);
  EXPECT_EQ(t->SetPalette(nullptr, 0), Result::Unsupported);

  ASSERT_EQ(device.CreateTexture(4, 4, TEXCLASS_PALETTE8, &t), Result::Ok);
  uint32_t palette[2] = {0xFF112233u, 0x80445566u};
  ASSERT_EQ(t->SetPalette(palette, 2), Result::Ok);
  t->Lock(&lock);
  lock.mBits[1] = 1;
  lock.mBits[2] = 7;
  t->Unlock();
  EXPECT_EQ(t->TexelArgb(0, 0), 0xFF112233u);
  EXPECT_EQ(t->TexelArgb(1, 0), 0x80445566u);
  EXPECT_EQ(t->TexelArgb(2, 0), 0u);
}

// Every texel value of the 16-bit classes drawn onto a 32-bit target, on the quad path and the
// triangle path, point and linear sampled: 5-6-5 widens each channel by repeating its top bits;
// 4-4-4-4 widens every nibble to full range, so alpha 15 covers its pixel and 0 leaves it.
TEST(SoftDevice, SixteenBitTexelsWidenExactlyWhenDrawn) {
  OnTarget32 on(256, 256);
  ASSERT_TRUE(on.target);
  SoftDevice& device = on.device;
  const std::shared_ptr<Surface>& target = on.target;
  device.SetRenderState(RenderState::AlphaBlendEnable, 1);
  device.SetRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
  device.SetRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
  auto widen = [](uint32_t c, int32_t bits) {
    uint32_t v = 0;
    for (int32_t at = 8 - bits; at > -bits; at -= bits) v |= at >= 0 ? c << at : c >> -at;
    return v & 255u;
  };
  constexpr uint32_t kBack = 0xFF1E64C8u;
  for (uint32_t cls : {uint32_t(TEXCLASS_R5G6B5), uint32_t(TEXCLASS_A4R4G4B4)}) {
    std::shared_ptr<Texture> texture;
    ASSERT_EQ(device.CreateTexture(256, 256, cls, &texture), Result::Ok);
    LockInfo lock;
    ASSERT_EQ(texture->Lock(&lock), Result::Ok);
    for (int32_t y = 0; y < 256; ++y)
      for (int32_t x = 0; x < 256; ++x) {
        const uint16_t v = uint16_t(y * 256 + x);
        std::memcpy(lock.mBits + size_t(y) * size_t(lock.mPitch) + size_t(x) * 2, &v, 2);
      }
    texture->Unlock();
    ASSERT_EQ(device.SetTexture(0, texture), Result::Ok);
    for (uint32_t filter : {FILTER_POINT, FILTER_LINEAR})
      for (bool fast : {true, false}) {
        device.SetTextureStageState(0, StageState::MagFilter, filter);
        device.SetFastPath(fast);
        device.Clear(nullptr, 0, kBack);
        const VertexTex1 quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                    {255.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 0, 1, 0},
                                    {-0.5f, 255.5f, 0, 1, 0xFFFFFFFFu, 0, 0, 1},
                                    {255.5f, 255.5f, 0, 1, 0xFFFFFFFFu, 0, 1, 1}};
        ASSERT_EQ(device.BeginScene(), Result::Ok);
        ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Result::Ok);
        ASSERT_EQ(device.EndScene(), Result::Ok);
        int32_t wrong = 0, first = -1;
        for (uint32_t v = 0; v < 65536; ++v) {
          const uint32_t got = ToArgb(target->PixelAt(int32_t(v & 255u), int32_t(v >> 8)), target->Format());
          uint32_t want = 0;
          bool exact = true, ok = true;  // ok: the texel reads back as the widened value
          if (cls == TEXCLASS_R5G6B5) {
            want = 0xFF000000u | widen(v >> 11, 5) << 16 | widen((v >> 5) & 63u, 6) << 8 | widen(v & 31u, 5);
            ok = ok && texture->TexelArgb(int32_t(v & 255u), int32_t(v >> 8)) == want;
          } else {
            const uint32_t a = widen(v >> 12, 4);
            exact = a == 0 || a == 255;
            want = 0xFF000000u;
            for (int32_t shift : {0, 8, 16}) {
              const uint32_t src = widen((v >> (shift / 2)) & 15u, 4), dst = (kBack >> shift) & 255u;
              want |= ((src * a + dst * (255u - a) + 127u) / 255u) << shift;
            }
            ok = ok && texture->TexelArgb(int32_t(v & 255u), int32_t(v >> 8)) >> 24 == a;
          }
          // A partial alpha may round either way; full and zero alpha are exact.
          bool drawn = got == want;
          if (!exact) {
            drawn = true;
            for (int32_t shift = 0; shift < 24; shift += 8)
              drawn = drawn && std::abs(int32_t((got >> shift) & 255u) - int32_t((want >> shift) & 255u)) <= 1;
          }
          ok = ok && drawn;
          if (!ok && first < 0) first = int32_t(v);
          wrong += !ok;
        }
        EXPECT_EQ(wrong, 0) << "class " << cls << " filter " << filter << " fast " << fast << ", first texel "
                            << std::hex << first;
      }
  }
}

TEST(SoftDevice, AFailingCallAnswersItsResultAndCallsAreCounted) {
  OnTarget32 on(8, 8);
  ASSERT_TRUE(on.target);
  SoftDevice& device = on.device;
  const std::shared_ptr<Surface>& target = on.target;
  VertexTex1 v[3] = {{0, 0, 0, 1, 0xFFFFFFFFu, 0, 0, 0}, {8, 0, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                     {0, 8, 0, 1, 0xFFFFFFFFu, 0, 0, 0}};
  EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), Result::InvalidCall);  // no scene
  ASSERT_EQ(device.BeginScene(), Result::Ok);
  EXPECT_EQ(device.BeginScene(), Result::InvalidCall);
  device.FailCall("DrawPrimitive", Result::OutOfVideoMemory);
  EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), Result::OutOfVideoMemory);
  EXPECT_EQ(target->PixelAt(0, 0), 0u);
  device.FailCall("DrawPrimitive", Result::Ok);
  // A locked target cannot be drawn into; once unlocked, the draw shows at once.
  LockInfo lock;
  target->Lock(&lock);
  EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), Result::SurfaceBusy);
  target->Unlock();
  EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 2), Result::InvalidParams);
  EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), Result::Ok);
  EXPECT_EQ(target->PixelAt(0, 0) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(device.CallCount("DrawPrimitive"), 5u);
  EXPECT_EQ(device.CallCount("BeginScene"), 2u);
  EXPECT_EQ(device.CallCount("EndScene"), 0u);

  // Culling follows the winding on the screen; the default culls counter-clockwise triangles.
  SoftDevice culling;
  culling.SetRenderTarget(target);
  culling.Clear(nullptr, 0, 0);
  culling.BeginScene();
  VertexTex1 ccw[3] = {v[0], v[2], v[1]};
  culling.DrawPrimitive(Primitive::TriangleList, ccw, 3);
  EXPECT_EQ(target->PixelAt(1, 1), 0u);
  culling.DrawPrimitive(Primitive::TriangleList, v, 3);
  EXPECT_NE(target->PixelAt(1, 1), 0u);
}

// A state number outside the device's list is refused, and reads as 0, rather than stored.
TEST(SoftDevice, StatesOutsideTheirListsAreRefusedAndReadAsZero) {
  SoftDevice device;
  EXPECT_EQ(device.SetRenderState(RenderState(99), 1), Result::InvalidParams);
  EXPECT_EQ(device.GetRenderState(RenderState(99)), 0u);
  EXPECT_EQ(device.SetTextureStageState(0, StageState(99), 1), Result::InvalidParams);
  EXPECT_EQ(device.GetTextureStageState(0, StageState(99)), 0u);
  EXPECT_EQ(device.GetRenderState(RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(device.GetTextureStageState(1, StageState::TexCoordIndex), 1u);
}

}  // namespace
