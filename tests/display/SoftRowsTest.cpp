// The 3D device's row blends, linear filter and texture alpha runs: the rows and the filter
// against the channel-by-channel rules, and pictures drawn through the rows (uncoloured, and random
// quads of every state) against the same pictures drawn pixel by pixel through the triangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "platform/video/SoftDevice.h"
#include "platform/video/SoftRows.h"

using namespace Platform::Video;

namespace {

// The device's rules, one channel at a time.
uint32_t Mul(uint32_t a, uint32_t b) { return (a * b * 2 + 255) / 510; }  // a * b / 255, rounded
uint32_t Channel(uint32_t c, int32_t shift) { return (c >> shift) & 255u; }
uint32_t Over(uint32_t d, uint32_t s) {
  const uint32_t a = s >> 24;
  uint32_t out = 0;
  for (int32_t shift : {0, 8, 16})
    out |= std::min(Mul(Channel(s, shift), a) + Mul(Channel(d, shift), 255 - a), 255u) << shift;
  return out;
}
uint32_t Add(uint32_t d, uint32_t s) {
  uint32_t out = 0;
  for (int32_t shift : {0, 8, 16}) out |= std::min(Mul(Channel(s, shift), s >> 24) + Channel(d, shift), 255u) << shift;
  return out;
}
// A channel of `bits` bits at `at` in a 16-bit pixel, its bits repeated to fill a byte.
uint32_t Widen(uint32_t p, int32_t at, int32_t bits) {
  const uint32_t c = (p >> at) & ((1u << bits) - 1);
  uint32_t v = 0;
  for (int32_t have = 0; have < 8; have += bits) v |= (c << (8 - bits)) >> have;
  return v & 255u;
}

std::vector<uint8_t> Bytes(const std::vector<uint32_t>& words) {
  std::vector<uint8_t> b(words.size() * 4);
  std::memcpy(b.data(), words.data(), b.size());
  return b;
}
uint32_t Word(const std::vector<uint8_t>& b, size_t i) {
  uint32_t v;
  std::memcpy(&v, b.data() + i * 4, 4);
  return v;
}

// Rows of n pixels with three more after them: blended one by one and four at a time, and with
// the room to read and write past the row's end, where the pixels must stay as they are.
TEST(SoftRows, RowsOfEveryLengthFollowTheChannelRulesForEveryAlpha) {
  std::mt19937 rng(7);
  for (int32_t n = 1; n <= 13; ++n)
    for (uint32_t a = 1; a < 256; a += 2) {
      const size_t size = size_t(n) + 3;
      std::vector<uint32_t> src(size), dst(size);
      for (size_t i = 0; i < size; ++i) {
        // Extremes included, where two roundings up would make 256.
        src[i] = (a << 24) | (i % 3 == 0 ? 0xFFFFFFu : uint32_t(rng()) & 0xFFFFFFu);
        dst[i] = (uint32_t(rng()) & 0xFF000000u) | (i % 4 == 0 ? 0xFFFFFFu : uint32_t(rng()) & 0xFFFFFFu);
      }
      const auto s = Bytes(src);
      for (int32_t room : {n, n + 3}) {
        auto over = Bytes(dst), add = Bytes(dst), copy = Bytes(dst), colour = Bytes(dst);
        SoftRows::OverRow(over.data(), s.data(), n, room);
        SoftRows::AddRow(add.data(), s.data(), n, room);
        SoftRows::CopyRow(copy.data(), s.data(), n);
        SoftRows::CopyRow(colour.data(), s.data(), n, 0xFFFFFFu);
        for (size_t i = 0; i < size; ++i) {
          const bool in = i < size_t(n);
          ASSERT_EQ(Word(over, i), in ? Over(dst[i], src[i]) : dst[i]) << "n " << n << " alpha " << a << " at " << i;
          ASSERT_EQ(Word(add, i), in ? Add(dst[i], src[i]) : dst[i]) << "n " << n << " alpha " << a << " at " << i;
          ASSERT_EQ(Word(copy, i), in ? src[i] : dst[i]);
          ASSERT_EQ(Word(colour, i), in ? src[i] & 0xFFFFFFu : dst[i]);
        }
      }
    }
}

// Every length from none to past a few doublings, at both widths and at an odd start: each pixel
// holds the value and the bytes on either side are untouched.
TEST(SoftRows, FilledRowsHoldTheValueAndStopAtTheirEnd) {
  for (size_t bytes : {size_t(2), size_t(4)})
    for (size_t count = 0; count < 140; ++count) {
      std::vector<uint8_t> row(count * bytes + 2 * 8 + 1, 0xAB);
      uint8_t* start = row.data() + 8 + 1;
      SoftRows::FillRow(start, count, bytes, 0x12345678u);
      for (size_t i = 0; i < row.size(); ++i) {
        const uint8_t* at = row.data() + i;
        if (at < start || at >= start + count * bytes) {
          ASSERT_EQ(row[i], 0xAB) << "byte " << i << " of a row of " << count << " x " << bytes;
        } else {
          const size_t k = size_t(at - start) % bytes;
          const uint8_t expected = uint8_t(0x12345678u >> (8 * k));
          ASSERT_EQ(row[i], expected) << "byte " << k << " of a pixel of a row of " << count << " x " << bytes;
        }
      }
    }
}

// Rows of every length to past a few four-texel steps, read forwards and backwards, against the
// channel rule for each way of taking the alpha.
TEST(SoftRows, ModulatedRowsFollowTheChannelRule) {
  std::mt19937 rng(11);
  std::vector<uint32_t> texels(40);
  for (uint32_t& t : texels) t = uint32_t(rng());
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(texels.data());
  for (uint32_t colour : {0xFFFFFFFFu, 0x80FF8040u, 0x00000000u, uint32_t(rng())})
    for (int32_t alphaFrom = 0; alphaFrom < 3; ++alphaFrom)
      for (int32_t step : {1, -1})
        for (int32_t n = 0; n <= 13; ++n) {
          uint32_t out[13];
          const uint8_t* first = step > 0 ? bytes + 4 : bytes + 4 * 30;
          SoftRows::ModulateRow(out, first, step, n, colour, alphaFrom);
          for (int32_t k = 0; k < n; ++k) {
            const uint32_t t = texels[size_t((first - bytes) / 4 + k * step)];
            const uint32_t a = alphaFrom == 2 ? Mul(t >> 24, colour >> 24) : alphaFrom == 1 ? colour >> 24 : t >> 24;
            uint32_t expected = a << 24;
            for (int32_t shift : {0, 8, 16}) expected |= Mul(Channel(t, shift), Channel(colour, shift)) << shift;
            ASSERT_EQ(out[k], expected) << std::hex << colour << " alpha from " << alphaFrom << " step " << step
                                        << " texel " << k << " of " << n;
          }
        }
}

TEST(SoftRows, TheLinearFilterWeighsEveryChannelByTheFormula) {
  auto formula = [](const uint32_t t[4], uint32_t wu, uint32_t wv) {
    uint32_t out = 0;
    for (int32_t shift = 0; shift < 32; shift += 8) {
      const uint32_t top = Channel(t[0], shift) * (256 - wu) + Channel(t[1], shift) * wu;
      const uint32_t bottom = Channel(t[2], shift) * (256 - wu) + Channel(t[3], shift) * wu;
      out |= std::min((top * (256 - wv) + bottom * wv + 32768) >> 16, 255u) << shift;
    }
    return out;
  };
  std::mt19937 rng(9);
  for (int32_t i = 0; i < 200000; ++i) {
    uint32_t t[4];
    for (uint32_t& x : t) x = rng() % 3 == 0 ? 0xFFFFFFFFu * (rng() & 1) : uint32_t(rng());
    // Every weight from 0 to 256 turns up, the ends (one texel read exactly) most.
    const uint32_t wu = i % 5 == 0 ? 256 * (rng() & 1) : rng() % 257, wv = i % 7 == 0 ? 256 * (rng() & 1) : rng() % 257;
    ASSERT_EQ(SoftRows::Weigh(t[0], t[1], t[2], t[3], wu, wv), formula(t, wu, wv)) << wu << " " << wv;
  }
}

TEST(SoftRows, SixteenBitPixelsWidenByRepeatingTheirBitsAndNarrowBack) {
  for (uint32_t p = 0; p < 65536; ++p) {
    ASSERT_EQ(SoftRows::Widen16<6>(p), Widen(p, 11, 5) << 16 | Widen(p, 5, 6) << 8 | Widen(p, 0, 5));
    ASSERT_EQ(SoftRows::Narrow16<6>(SoftRows::Widen16<6>(p)), p);
    if (p < 32768) {
      ASSERT_EQ(SoftRows::Narrow16<5>(SoftRows::Widen16<5>(p)), p);
    }
  }
  // Rows: the texels narrowed, and blended in 8-bit channels before narrowing; the three
  // pixels after the row stay as they are.
  std::mt19937 rng(3);
  for (int32_t n = 1; n <= 19; ++n) {
    const size_t size = size_t(n) + 3;
    std::vector<uint32_t> src(size);
    std::vector<uint16_t> dst(size);
    for (size_t i = 0; i < size; ++i) {
      src[i] = uint32_t(rng()) | 0x01000000u;
      dst[i] = uint16_t(rng());
    }
    const auto s = Bytes(src);
    for (int32_t room : {n, n + 3}) {
      std::vector<uint16_t> narrow = dst, over = dst, add = dst;
      SoftRows::Narrow16Row<6>(reinterpret_cast<uint8_t*>(narrow.data()), s.data(), n, room);
      SoftRows::Over16Row<6>(reinterpret_cast<uint8_t*>(over.data()), s.data(), n, room);
      SoftRows::Add16Row<5>(reinterpret_cast<uint8_t*>(add.data()), s.data(), n, room);
      for (size_t i = 0; i < size; ++i) {
        const uint32_t t = src[i];
        const bool in = i < size_t(n);
        EXPECT_EQ(narrow[i], in ? ((t >> 8) & 0xF800u) | ((t >> 5) & 0x07E0u) | ((t >> 3) & 0x1Fu) : dst[i]);
        EXPECT_EQ(over[i], in ? SoftRows::Narrow16<6>(Over(SoftRows::Widen16<6>(dst[i]), t)) : dst[i]);
        EXPECT_EQ(add[i], in ? SoftRows::Narrow16<5>(Add(SoftRows::Widen16<5>(dst[i]), t)) : dst[i]);
      }
    }
  }
}

// Texels whose alpha runs are some short, some long (past the sixteen texels looked at at once).
TEST(SoftRows, TextureRunsFollowTheAlphaAndStartAgainAfterALock) {
  constexpr int32_t kW = 70, kH = 6;
  std::mt19937 rng(21);
  std::vector<uint32_t> texels;
  while (texels.size() < size_t(kW * kH)) {
    const uint32_t kind = rng() % 3, alpha = kind == 0 ? 0 : kind == 1 ? 1 + rng() % 254 : 255;
    for (uint32_t k = rng() % 4 == 0 ? 17 + rng() % 30 : 1 + rng() % 5; k > 0; --k)
      texels.push_back((kind == 1 ? 1 + rng() % 254 : alpha) << 24 | (uint32_t(rng()) & 0xFFFFFFu));
  }
  Texture t(kW, kH, TEXCLASS_A8R8G8B8);
  LockInfo lock;
  auto fill = [&] {
    ASSERT_EQ(t.Lock(&lock), Result::Ok);
    for (int32_t y = 0; y < kH; ++y) std::memcpy(lock.mBits + y * lock.mPitch, &texels[size_t(y * kW)], kW * 4);
    t.Unlock();
  };
  auto kindAt = [&](int32_t x, int32_t y) {
    const uint32_t a = texels[size_t(y * kW + x)] >> 24;
    return a == 0 ? Texture::RUN_CLEAR : a == 255 ? Texture::RUN_SOLID : Texture::RUN_PARTIAL;
  };
  auto check = [&] {
    for (int32_t y = kH - 1; y >= 0; --y) {  // rows asked for in any order
      const Texture::AlphaRun* r = t.RowRuns(y);
      ASSERT_NE(r, nullptr);
      for (int32_t x = 0; x < kW; ++r) {
        ASSERT_GT(int32_t(r->mEnd), x);
        for (; x < r->mEnd; ++x) ASSERT_EQ(r->mKind, kindAt(x, y)) << x << ", " << y;
        // Each run as long as it goes.
        if (x < kW) {
          ASSERT_NE(r->mKind, kindAt(x, y)) << x << ", " << y;
        }
      }
    }
  };
  fill();
  check();
  // New texels give new runs.
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = i % 40 < 20 ? 0xFF000000u : 0u;
  fill();
  check();
  EXPECT_EQ(Texture(4, 4, TEXCLASS_R5G6B5).RowRuns(0), nullptr);
}

// An uncoloured picture with runs of every alpha, at one texel per pixel, partly off the target:
// drawn through the rows (the direct quad path) and through the triangles, pixel by pixel.
class SoftRowsDrawTest : public ::testing::TestWithParam<int32_t> {
 protected:
  // Two alike targets of the parameter's depth, for two ways of drawing.
  void MakeTargets(int32_t w, int32_t h) {
    mDesc.mWidth = w;
    mDesc.mHeight = h;
    mDesc.mFormat = PixelFormat::FromDepth(GetParam());
    for (auto& t : mTargets) ASSERT_EQ(mVideo.CreateSurface(mDesc, &t), Result::Ok);
  }
  // Pixels whose colours differ between the targets, and those of the first unlike `start`.
  int32_t Differences() const {
    int32_t differ = 0;
    for (int32_t y = 0; y < mDesc.mHeight; ++y)
      for (int32_t x = 0; x < mDesc.mWidth; ++x) differ += Colour(0, x, y) != Colour(1, x, y);
    return differ;
  }
  int32_t Changed(uint32_t start) const {
    int32_t changed = 0;
    for (int32_t y = 0; y < mDesc.mHeight; ++y)
      for (int32_t x = 0; x < mDesc.mWidth; ++x)
        changed += Colour(0, x, y) != ToArgb(FromArgb(start, mDesc.mFormat), mDesc.mFormat);
    return changed;
  }
  uint32_t Colour(int32_t side, int32_t x, int32_t y) const {
    return ToArgb(mTargets[side]->PixelAt(x, y), mDesc.mFormat);
  }

  Device mVideo{std::make_unique<HeadlessPresenter>()};
  SurfaceDesc mDesc;
  std::shared_ptr<Surface> mTargets[2];
};

TEST_P(SoftRowsDrawTest, TheRowsDrawWhatThePixelByPixelPathDraws) {
  MakeTargets(70, 30);
  constexpr int32_t kW = 37, kH = 11;
  std::mt19937 rng(5);
  std::vector<uint32_t> texels;
  while (texels.size() < size_t(kW * kH)) {
    const uint32_t kind = rng() % 3, alpha = kind == 0 ? 0 : kind == 1 ? 1 + rng() % 254 : 255;
    for (uint32_t k = 1 + rng() % 9; k > 0; --k) texels.push_back(alpha << 24 | (uint32_t(rng()) & 0xFFFFFFu));
  }
  SoftDevice device;
  std::shared_ptr<Texture> tex;
  ASSERT_EQ(device.CreateTexture(kW, kH, TEXCLASS_A8R8G8B8, &tex), Result::Ok);
  LockInfo lock;
  ASSERT_EQ(tex->Lock(&lock), Result::Ok);
  for (int32_t y = 0; y < kH; ++y) std::memcpy(lock.mBits + y * lock.mPitch, &texels[size_t(y * kW)], kW * 4);
  tex->Unlock();
  device.SetRenderState(RenderState::CullMode, CULL_NONE);
  device.SetRenderState(RenderState::AlphaBlendEnable, 1);
  device.SetRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
  for (int32_t side = 0; side < 2; ++side) {
    ASSERT_EQ(device.SetRenderTarget(mTargets[side]), Result::Ok);
    device.SetFastPath(side == 0);
    device.Clear(nullptr, 0, 0xFF8040C0u);
    device.SetTexture(0, tex);
    ASSERT_EQ(device.BeginScene(), Result::Ok);
    const float places[][2] = {{10, 4}, {-12, 9}, {50, -5}, {20, 23}, {3, 1}};
    // The picture as it is, mirrored (its texel columns read right to left), faded and tinted,
    // then both, at the same places, partly over itself; every other draw adds.
    const uint32_t colours[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0x80FF8040u, 0xFF40C0FFu};
    for (int32_t i = 0; i < 20; ++i) {
      device.SetRenderState(RenderState::DestBlend, i % 2 ? BLEND_ONE : BLEND_INVSRCALPHA);
      const float x0 = places[i % 5][0] - 0.5f + float(i / 5), y0 = places[i % 5][1] - 0.5f, x1 = x0 + kW,
                  y1 = y0 + kH;
      const float left = i / 5 % 2 ? 1.0f : 0.0f, right = 1.0f - left;
      const uint32_t c = colours[i / 5];
      const VertexTex1 quad[4] = {{x0, y0, 0, 1, c, 0, left, 0},
                                  {x1, y0, 0, 1, c, 0, right, 0},
                                  {x0, y1, 0, 1, c, 0, left, 1},
                                  {x1, y1, 0, 1, c, 0, right, 1}};
      ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Result::Ok);
    }
    ASSERT_EQ(device.EndScene(), Result::Ok);
  }
  // The first side's twenty quads took the rows, the second side's the triangles.
  EXPECT_EQ(device.FastQuadCount(), 20u);
  EXPECT_EQ(Differences(), 0);
}

// Rotated, stretched pictures with the linear filter, of 32-bit and 565 texels, blended and
// added: the spans of stage 0 alone against the general shading (a second stage that passes
// the colour on).
TEST_P(SoftRowsDrawTest, TheLinearSpansDrawWhatTheGeneralShadingDraws) {
  MakeTargets(64, 48);
  SoftDevice device;
  std::mt19937 rng(13);
  std::shared_ptr<Texture> textures[2];
  const uint32_t classes[2] = {TEXCLASS_A8R8G8B8, TEXCLASS_R5G6B5};
  for (int32_t i = 0; i < 2; ++i) {
    ASSERT_EQ(device.CreateTexture(19, 13, classes[i], &textures[i]), Result::Ok);
    LockInfo lock;
    ASSERT_EQ(textures[i]->Lock(&lock), Result::Ok);
    for (int32_t b = 0; b < lock.mPitch * 13; ++b) lock.mBits[b] = uint8_t(rng());
    // Runs of transparent and opaque texels among the partly transparent ones.
    for (int32_t b = 3; i == 0 && b < lock.mPitch * 13; b += 4)
      lock.mBits[b] = b % 40 < 12 ? 0 : b % 40 < 24 ? 255 : lock.mBits[b];
    textures[i]->Unlock();
  }
  device.SetRenderState(RenderState::CullMode, CULL_NONE);
  device.SetRenderState(RenderState::AlphaBlendEnable, 1);
  device.SetRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
  device.SetTextureStageState(0, StageState::MagFilter, FILTER_LINEAR);
  for (int32_t side = 0; side < 2; ++side) {
    ASSERT_EQ(device.SetRenderTarget(mTargets[side]), Result::Ok);
    device.SetTextureStageState(1, StageState::ColorOp, side == 0 ? TOP_DISABLE : TOP_SELECTARG2);
    device.Clear(nullptr, 0, 0xFF305070u);
    ASSERT_EQ(device.BeginScene(), Result::Ok);
    for (int32_t i = 0; i < 8; ++i) {
      device.SetTexture(0, textures[i % 2]);
      // Every third draw adds.
      device.SetRenderState(RenderState::DestBlend, i % 3 == 2 ? BLEND_ONE : BLEND_INVSRCALPHA);
      // A corner and two edges: rotated by some angle and stretched, partly outside the target.
      const float angle = 0.4f + float(i), cx = float(8 + 7 * i), cy = float(6 + 5 * i), w = 30.0f, h = 22.0f;
      const float c = std::cos(angle), s = std::sin(angle);
      auto at = [&](float x, float y, float u, float v) {
        return VertexTex1{cx + c * x - s * y, cy + s * x + c * y, 0, 1, 0xFFFFFFFFu, 0, u, v};
      };
      const VertexTex1 quad[4] = {at(0, 0, -0.1f, 0), at(w, 0, 1.1f, 0), at(0, h, -0.1f, 1), at(w, h, 1.1f, 1)};
      ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Result::Ok);
    }
    ASSERT_EQ(device.EndScene(), Result::Ok);
  }
  EXPECT_EQ(Differences(), 0);
  EXPECT_GT(Changed(0xFF305070u), 1000);
}

// Random axis-aligned quads, one at a time on cleared targets: through the device's quad rows and
// through the triangles, pixel by pixel. Every texture class, blend, colour and alpha source, both
// address modes, and texture coordinates inside and outside 0..1: at one texel per pixel from
// whole, half and odd positions (where pixel centres meet texel edges), stretched, shrunk and
// mirrored.
TEST_P(SoftRowsDrawTest, RandomQuadsDrawWhatThePixelByPixelPathDraws) {
  MakeTargets(48, 20);
  SoftDevice device;
  std::mt19937 rng(29);
  struct Kind {
    uint32_t cls;
    int32_t w, h;
  };
  const Kind kinds[] = {{TEXCLASS_A8R8G8B8, 27, 5},  {TEXCLASS_A8R8G8B8, 32, 4}, {TEXCLASS_A8R8G8B8, 7, 9},
                        {TEXCLASS_R5G6B5, 27, 3},    {TEXCLASS_R5G6B5, 16, 6},   {TEXCLASS_A4R4G4B4, 13, 4},
                        {TEXCLASS_A8R8G8B8, 40, 2}};
  std::vector<std::shared_ptr<Texture>> textures;
  for (const Kind& k : kinds) {
    textures.emplace_back();
    ASSERT_EQ(device.CreateTexture(k.w, k.h, k.cls, &textures.back()), Result::Ok);
    LockInfo lock;
    ASSERT_EQ(textures.back()->Lock(&lock), Result::Ok);
    for (int32_t b = 0; b < lock.mPitch * k.h; ++b) lock.mBits[b] = uint8_t(rng());
    // Runs of transparent and opaque texels among the partly transparent ones.
    for (int32_t b = 3; k.cls == TEXCLASS_A8R8G8B8 && b < lock.mPitch * k.h; b += 4)
      lock.mBits[b] = b % 36 < 12 ? 0 : b % 36 < 24 ? 255 : lock.mBits[b];
    textures.back()->Unlock();
  }
  const uint32_t blends[][2] = {{0, 0},
                                {BLEND_SRCALPHA, BLEND_INVSRCALPHA},
                                {BLEND_SRCALPHA, BLEND_ONE},
                                {BLEND_ONE, BLEND_ONE},
                                {BLEND_DESTCOLOR, BLEND_ZERO}};
  const uint32_t colours[] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0x80FFFFFFu, 0xFF40C0FFu, 0x60FF8040u};
  const uint32_t alphaOps[] = {TOP_MODULATE, TOP_SELECTARG1, TOP_SELECTARG2};
  device.SetRenderState(RenderState::CullMode, CULL_NONE);
  auto pick = [&](auto& list) { return list[rng() % std::size(list)]; };
  auto unit = [&] { return float(rng() % 1000) / 1000.0f; };
  int32_t differing = 0;
  for (int32_t draw = 0; draw < 1500 && differing < 5; ++draw) {
    const size_t k = rng() % textures.size();
    const uint32_t* blend = blends[rng() % std::size(blends)];
    device.SetTexture(0, textures[k]);
    device.SetRenderState(RenderState::AlphaBlendEnable, blend[0] != 0);
    if (blend[0]) {
      device.SetRenderState(RenderState::SrcBlend, blend[0]);
      device.SetRenderState(RenderState::DestBlend, blend[1]);
    }
    device.SetTextureStageState(0, StageState::AlphaOp, pick(alphaOps));
    device.SetTextureStageState(0, StageState::AddressU, rng() % 2 ? ADDRESS_CLAMP : ADDRESS_BORDER);
    device.SetTextureStageState(0, StageState::AddressV, rng() % 2 ? ADDRESS_CLAMP : ADDRESS_BORDER);
    device.SetTextureStageState(0, StageState::BorderColor, uint32_t(rng()));
    const uint32_t c = pick(colours);
    // Texels per pixel: one, two, a half or any; the picture's place: whole, half or odd.
    const float scales[] = {1.0f, 1.0f, 2.0f, 0.5f, 0.3f + 2.5f * unit()};
    const float offsets[] = {0.0f, -0.5f, 0.5f, float(rng() % 16) / 16.0f};
    const float sx = pick(scales), sy = pick(scales);
    const float x0 = float(int32_t(rng() % 50) - 10) + pick(offsets);
    const float y0 = float(int32_t(rng() % 24) - 6) + pick(offsets);
    float u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    if (rng() % 2) u0 = -0.25f, u1 = 1.30f;
    if (rng() % 4 == 0) u0 = 2 * unit() - 0.5f, u1 = 2 * unit() - 0.5f;
    if (rng() % 3 == 0) v0 = unit() - 0.4f, v1 = v0 + 1.5f * unit();
    if (rng() % 3 == 0) std::swap(u0, u1);  // mirrored
    const float x1 = x0 + float(kinds[k].w) * sx * std::fabs(u1 - u0);
    const float y1 = y0 + float(kinds[k].h) * sy * std::max(std::fabs(v1 - v0), 0.2f);
    const VertexTex1 strip[4] = {{x0, y0, 0, 1, c, 0, u0, v0},
                                 {x1, y0, 0, 1, c, 0, u1, v0},
                                 {x0, y1, 0, 1, c, 0, u0, v1},
                                 {x1, y1, 0, 1, c, 0, u1, v1}};
    const VertexTex1 fan[4] = {strip[1], strip[3], strip[2], strip[0]};
    const bool asFan = rng() % 2;
    for (int32_t side = 0; side < 2; ++side) {
      ASSERT_EQ(device.SetRenderTarget(mTargets[side]), Result::Ok);
      device.SetFastPath(side == 0);
      device.Clear(nullptr, 0, 0xFF8040C0u);
      ASSERT_EQ(device.BeginScene(), Result::Ok);
      ASSERT_EQ(device.DrawPrimitive(asFan ? Primitive::TriangleFan : Primitive::TriangleStrip, asFan ? fan : strip, 4),
                Result::Ok);
      ASSERT_EQ(device.EndScene(), Result::Ok);
    }
    if (Differences() != 0) {
      ++differing;
      ADD_FAILURE() << "draw " << draw << ": texture " << k << " at " << x0 << ", " << y0 << " to " << x1 << ", " << y1
                    << " u " << u0 << ".." << u1 << " v " << v0 << ".." << v1 << ", " << Differences() << " pixels";
    }
  }
  // Most quads took the rows (those at whole places with pixel centres on texel edges did not).
  EXPECT_GT(device.FastQuadCount(), 750u);
}

INSTANTIATE_TEST_SUITE_P(Formats, SoftRowsDrawTest, ::testing::Values(32, 16, 15));

}  // namespace
