#include <cmath>

#include "raster/FixedMath.h"
#include "raster/TriangleClip.h"
#include "raster/TriangleRaster.h"

using namespace raster;

namespace {

// Clip boxes are kept where their 16.16 edges fit in 32 bits.
constexpr int64_t kMaxWhole = 32767;

bool FinitePosition(const TriVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace

void DrawTriangleStrip(const TriVertex* vertices, int32_t vertexCount, TriangleTexture* texture, const Color* color,
                       int32_t drawMode, const Rect* clipRect, void* frameBuffer, uint32_t pitch, int32_t pixelFormat,
                       bool bilinear, bool vertexColors) {
  DrawTriangleStripThrough(TriangleSpanTable, vertices, vertexCount, texture, color, drawMode, clipRect, frameBuffer,
                           pitch, pixelFormat, bilinear, vertexColors);
}

void DrawTriangleStripThrough(const SpanFillerTable& table, const TriVertex* vertices, int32_t vertexCount,
                              TriangleTexture* texture, const Color* color, int32_t /*drawMode*/,
                              const Rect* clipRect, void* frameBuffer, uint32_t pitch, int32_t pixelFormat,
                              bool bilinear, bool vertexColors) {
  const Color& global = color ? *color : Color::White;
  const SpanColor spanColor{global.mAlpha, global.mRed, global.mGreen, global.mBlue};
  const bool globalColor = Color::NotEquals(global, Color::White);
  if (texture) texture->CommitBits();
  const bool textured = texture != nullptr;
  const bool alpha = textured && (texture->TextureHasAlpha() || texture->TextureHasTransparency() || bilinear);
  if (vertexCount < 3 || !vertices || !clipRect || !frameBuffer) return;

  // The clip covers exactly its width x height pixels: columns x .. x + width - 1. The polygon is
  // clipped to the closed box [x, x + width] x [y, y + height]; the fill never draws a pixel on
  // its right or bottom edge.
  SpanClip clip;
  clip.left = int32_t(Clamp64(clipRect->mX, -kMaxWhole, kMaxWhole));
  clip.top = int32_t(Clamp64(clipRect->mY, -kMaxWhole, kMaxWhole));
  clip.right = int32_t(Clamp64(int64_t(clipRect->mX) + clipRect->mWidth, -kMaxWhole, kMaxWhole));
  clip.bottom = int32_t(Clamp64(int64_t(clipRect->mY) + clipRect->mHeight, -kMaxWhole, kMaxWhole));
  if (clip.right <= clip.left || clip.bottom <= clip.top) return;
  const float left = float(clip.left), right = float(clip.right);
  const float top = float(clip.top), bottom = float(clip.bottom);
  const int64_t fixedLeft = int64_t(clip.left) << 16, fixedRight = int64_t(clip.right) << 16;
  const int64_t fixedTop = int64_t(clip.top) << 16, fixedBottom = int64_t(clip.bottom) << 16;

  SpanTexture spanTexture;
  float textureWidth = 0, textureHeight = 0;
  if (textured) {
    const int32_t w = texture->TextureWidth(), h = texture->TextureHeight();
    if (w <= 0 || h <= 0 || int64_t(w) * h > INT32_MAX) return;  // no texels to draw with
    spanTexture.width = w;
    spanTexture.height = h;
    spanTexture.texelCount = w * h;
    textureWidth = float(w);
    textureHeight = float(h);
  }

  ClipStore store;
  ClipList polygon;
  SpanVertex spans[kClipListSize];
  bool reversed = false;
  for (int32_t k = 1; k + 1 < vertexCount; ++k, reversed = !reversed) {
    const TriVertex* p0 = &vertices[k - 1];
    const TriVertex* p1 = reversed ? &vertices[k + 1] : &vertices[k];
    const TriVertex* p2 = reversed ? &vertices[k] : &vertices[k + 1];
    if (!FinitePosition(*p0) || !FinitePosition(*p1) || !FinitePosition(*p2)) continue;
    const int n = ClipTriangleToRect(p0, p1, p2, left, right, top, bottom, polygon, store);
    if (n < 3) continue;
    for (int i = 0; i < n; ++i) {
      const TriVertex& t = *polygon[i];
      SpanVertex& s = spans[i];
      s.x = int32_t(Clamp64(SaturateToInt32(t.x * 65536.0f), fixedLeft, fixedRight));
      s.y = int32_t(Clamp64(SaturateToInt32(t.y * 65536.0f), fixedTop, fixedBottom));
      if (textured) {
        s.u = SaturateToInt32(t.u * textureWidth * 65536.0f);
        s.v = SaturateToInt32(t.v * textureHeight * 65536.0f);
      }
      if (vertexColors) {
        s.a = int32_t((t.color >> 24) << 16);
        s.r = int32_t(((t.color >> 16) & 0xFF) << 16);
        s.g = int32_t(((t.color >> 8) & 0xFF) << 16);
        s.b = int32_t((t.color & 0xFF) << 16);
      }
    }
    if (textured) {
      spanTexture.bits = texture->GetBits();
      if (!spanTexture.bits) continue;  // no software access to the texels
    }
    auto* buffer = static_cast<uint8_t*>(frameBuffer);
    SpanVertex piece[3] = {spans[0], spans[1], spans[2]};
    DrawTriangleDispatchThrough(table, textured, alpha, vertexColors, globalColor, piece, buffer, pitch, &spanTexture, &spanColor,
                         pixelFormat, bilinear, &clip);
    for (int j = 3; j < n; ++j) {
      piece[1] = spans[j - 1];
      piece[2] = spans[j];
      DrawTriangleDispatchThrough(table, textured, alpha, vertexColors, globalColor, piece, buffer, pitch, &spanTexture,
                           &spanColor, pixelFormat, bilinear, &clip);
    }
  }
}
