// The 3D layer's drawing operations: rectangles, lines and polygons without texture, images from
// their texture pieces (plain, through a transform, with a mask, as triangles), each clipped as
// asked.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "display/D3DClip.h"
#include "display/D3DInterface.h"
#include "display/D3DMask.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"

namespace Vesk {

using namespace Platform::Video;

namespace {

uint32_t Diffuse(const Color& c) {
  auto ch = [](int32_t v) { return uint32_t(std::clamp(v, 0, 255)); };
  return (ch(c.mAlpha) << 24) | (ch(c.mRed) << 16) | (ch(c.mGreen) << 8) | ch(c.mBlue);
}

VertexTex1 Vertex(float x, float y, uint32_t diffuse, float u = 0, float v = 0) {
  return VertexTex1{x, y, 0.0f, 1.0f, diffuse, 0, u, v};
}

// The product of two colours, channel by channel, exact at 0 and 255.
uint32_t Modulate(uint32_t a, uint32_t b) {
  uint32_t out = 0;
  for (int32_t s = 0; s < 32; s += 8) {
    const uint32_t t = ((a >> s) & 255u) * ((b >> s) & 255u) + 128;
    out |= ((t + (t >> 8)) >> 8) << s;
  }
  return out;
}

struct StageSetting {
  int32_t stage;
  StageState state;
  uint32_t value;
};

void SetStages(SoftDevice& d, std::initializer_list<StageSetting> settings) {
  for (const StageSetting& s : settings) d.SetTextureStageState(s.stage, s.state, s.value);
}

// A source rectangle kept inside the image.
Rect InsideImage(const Rect& r, const MemoryImage& image) { return r.Intersection(image.GetRect()); }

// Walks the source rectangle piece by piece, row by row: `part` gets each piece with the part of
// the source lying in it, as its corner relative to the source rectangle (cx, cy), its size and
// its texture coordinates. A false answer stops the walk.
template <typename Part>
void WalkPieces(D3DTextureData& data, const Rect& sr, Part&& part) {
  for (int32_t sy = sr.mY; sy < sr.mY + sr.mHeight;) {
    int32_t h = 0;
    for (int32_t sx = sr.mX; sx < sr.mX + sr.mWidth;) {
      int32_t lx = 0, ly = 0;
      TexturePiece* piece = data.GetPieceAt(sx, sy, &lx, &ly);
      if (!piece) return;
      const int32_t w = std::min(sr.mX + sr.mWidth - sx, piece->mWidth - lx);
      h = std::min(sr.mY + sr.mHeight - sy, piece->mHeight - ly);
      const float tw = float(piece->mWidth), th = float(piece->mHeight);
      const float uv[4] = {float(lx) / tw, float(ly) / th, float(lx + w) / tw, float(ly + h) / th};
      if (!part(*piece, float(sx - sr.mX), float(sy - sr.mY), float(w), float(h), uv)) return;
      sx += w;
    }
    sy += h;
  }
}

}  // namespace

bool D3DInterface::SetPieceTexture(const TexturePiece& piece) {
  return !CheckDXError(mDevice->SetTexture(0, piece.mTexture), "SetTexture gTexture");
}

void D3DInterface::DrawQuad(const VertexTex1* quad, const char* step) {
  CheckDXError(mDevice->DrawPrimitive(Primitive::TriangleStrip, quad, 4), step);
}

void D3DInterface::DrawFan(std::vector<VertexTex1>& polygon, const Rect* clip, const char* step) {
  if (clip)
    D3DClip::ClipToRect(polygon, float(clip->mX), float(clip->mY), float(clip->mX + clip->mWidth),
                        float(clip->mY + clip->mHeight));
  if (polygon.size() > 2)
    CheckDXError(mDevice->DrawPrimitive(Primitive::TriangleFan, polygon.data(), int32_t(polygon.size())), step);
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, int32_t mode) {
  if (rect.mWidth <= 0 || rect.mHeight <= 0 || !PrepareDraw()) return;
  SetDrawMode(mode);
  if (CheckDXError(mDevice->SetTexture(0, nullptr), "SetTexture NULL")) return;
  const uint32_t d = Diffuse(color);
  const float l = float(rect.mX), t = float(rect.mY), r = float(rect.mX + rect.mWidth),
              b = float(rect.mY + rect.mHeight);
  const VertexTex1 quad[4] = {Vertex(l, t, d), Vertex(r, t, d), Vertex(l, b, d), Vertex(r, b, d)};
  DrawQuad(quad, "DrawPrimitive (Rect)");
}

void D3DInterface::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t mode) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2) || !PrepareDraw()) return;
  SetDrawMode(mode);
  if (CheckDXError(mDevice->SetTexture(0, nullptr), "SetTexture NULL")) return;
  const uint32_t d = Diffuse(color);
  // A line strip leaves out its last pixel: a third point one pixel further along the major
  // axis lights the end.
  double ex = x2, ey = y2;
  if (std::fabs(x2 - x1) >= std::fabs(y2 - y1))
    ex += x2 >= x1 ? 1 : -1;
  else
    ey += y2 >= y1 ? 1 : -1;
  const VertexTex1 line[3] = {Vertex(float(x1), float(y1), d), Vertex(float(x2), float(y2), d),
                              Vertex(float(ex), float(ey), d)};
  CheckDXError(mDevice->DrawPrimitive(Primitive::LineStrip, line, 3), "DrawPrimitive (Line)");
}

void D3DInterface::FillPoly(const VeskVector2* points, int32_t count, const Rect* clip, const Color& color,
                            int32_t mode, int32_t tx, int32_t ty) {
  if (!points || count < 3 || !PrepareDraw()) return;
  SetDrawMode(mode);
  if (CheckDXError(mDevice->SetTexture(0, nullptr), "SetTexture NULL")) return;
  const uint32_t d = Diffuse(color);
  std::vector<VertexTex1> polygon;
  polygon.reserve(size_t(std::max(count, 100)));
  for (int32_t i = 0; i < count; ++i) {
    VeskVector2 p(points[i].x + float(tx), points[i].y + float(ty));
    if (!mTransforms.empty()) p = mTransforms.back().TransformPoint(p);
    polygon.push_back(Vertex(p.x, p.y, d));
  }
  DrawFan(polygon, clip, clip ? "DrawPrimitive (Tri) 2" : "DrawPrimitive (FillPoly)");
}

void D3DInterface::Blit(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color, int32_t mode,
                        bool linear) {
  if (!image) return;
  if (!mTransforms.empty()) {
    BlitTranslated(image, x, y, srcRect, nullptr, color, mode);
    return;
  }
  if (!PrepareDraw() || !CreateImageTexture(image)) return;
  SetDrawMode(mode);
  SetLinearFilter(linear);
  auto& data = static_cast<D3DTextureData&>(*image->mTextureData);
  const Rect sr = InsideImage(srcRect, *image);
  const uint32_t d = Diffuse(color);
  // Each quad covers what of the source lies in one piece, texel centres on pixel centres.
  WalkPieces(data, sr, [&](const TexturePiece& piece, float cx, float cy, float w, float h, const float* uv) {
    const float l = x + cx - 0.5f, t = y + cy - 0.5f;
    const VertexTex1 quad[4] = {Vertex(l, t, d, uv[0], uv[1]), Vertex(l + w, t, d, uv[2], uv[1]),
                                Vertex(l, t + h, d, uv[0], uv[3]), Vertex(l + w, t + h, d, uv[2], uv[3])};
    if (!SetPieceTexture(piece)) return false;
    DrawQuad(quad, "DrawPrimitive (Tri) 1");
    return true;
  });
}

void D3DInterface::BlitTransformed(MemoryImage* image, const Rect* clip, const Color& color, int32_t mode,
                                   const Rect& srcRect, const Matrix3& matrix, bool linear, float x, float y,
                                   bool centred, const ImageMask* mask) {
  if (!image || !PrepareDraw() || !CreateImageTexture(image)) return;
  auto* maskImage = mask && mask->mImage ? dynamic_cast<MemoryImage*>(mask->mImage) : nullptr;
  if (mask && mask->mImage && (!maskImage || !CreateImageTexture(maskImage))) return;
  SetDrawMode(mode);
  Matrix3 m = matrix;
  if (!mTransforms.empty()) {
    SetLinearFilter(true);
    const Matrix3& top = mTransforms.back();
    if (x == 0 && y == 0) {
      m = top * matrix;
    } else {
      Matrix3 place;
      place.Translate(x, y);
      Matrix3 half;
      if (centred) half.Translate(-float(srcRect.mWidth) / 2, -float(srcRect.mHeight) / 2);
      m = top * place * matrix * half;
      x = y = 0;
      centred = false;
    }
  } else {
    SetLinearFilter(linear);
    if (maskImage) {
      BlitTransformedMasked(image, m, srcRect, color, clip, x, y, maskImage, mask->mSrcRect, mask->mFrameRect,
                            mask->mTransform);
      RestoreStagesAfterMask();
      return;
    }
  }
  auto& data = static_cast<D3DTextureData&>(*image->mTextureData);
  const Rect sr = InsideImage(srcRect, *image);
  const uint32_t d = Diffuse(color);
  const float kx = centred ? float(sr.mWidth) / 2 : 0, ky = centred ? float(sr.mHeight) / 2 : 0;
  const float shift = centred ? 0.0f : -0.5f;
  auto place = [&](float cx, float cy) {
    VeskVector2 p = m.TransformPoint(VeskVector2(cx - kx, cy - ky));
    return VeskVector2(p.x + x + shift, p.y + y + shift);
  };
  auto within = [&](const VeskVector2& p) {
    return p.x >= float(clip->mX) && p.x < float(clip->mX + clip->mWidth) && p.y >= float(clip->mY) &&
           p.y < float(clip->mY + clip->mHeight);
  };
  mDevice->SetTextureStageState(0, StageState::TexCoordIndex, 0);
  mDevice->SetTexture(1, nullptr);
  mDevice->SetTextureStageState(1, StageState::ColorOp, TOP_DISABLE);
  mDevice->SetTextureStageState(1, StageState::AlphaOp, TOP_DISABLE);
  WalkPieces(data, sr, [&](const TexturePiece& piece, float cx, float cy, float w, float h, const float* uv) {
    const VeskVector2 p[4] = {place(cx, cy), place(cx + w, cy), place(cx, cy + h), place(cx + w, cy + h)};
    const VertexTex1 quad[4] = {Vertex(p[0].x, p[0].y, d, uv[0], uv[1]), Vertex(p[1].x, p[1].y, d, uv[2], uv[1]),
                                Vertex(p[2].x, p[2].y, d, uv[0], uv[3]), Vertex(p[3].x, p[3].y, d, uv[2], uv[3])};
    if (!SetPieceTexture(piece)) return false;
    if (!clip || (within(p[0]) && within(p[1]) && within(p[2]) && within(p[3]))) {
      DrawQuad(quad, "DrawPrimitive (Tri) 3");
    } else {
      // The strip's corners in fan order.
      std::vector<VertexTex1> polygon = {quad[0], quad[1], quad[3], quad[2]};
      DrawFan(polygon, clip, "DrawPrimitive (Tri) 2");
    }
    return true;
  });
}

void D3DInterface::BlitTriangles(MemoryImage* image, const TriVertex (*vertices)[3], int32_t count,
                                 const Rect& clip, const Color& color, int32_t mode, float tx, float ty,
                                 bool linear) {
  if (!image || !vertices || count <= 0 || !PrepareDraw() || !CreateImageTexture(image)) return;
  SetDrawMode(mode);
  SetLinearFilter(linear);
  auto& data = static_cast<D3DTextureData&>(*image->mTextureData);
  const uint32_t global = Diffuse(color);
  const float iw = float(image->mWidth), ih = float(image->mHeight);
  // Vertex colours count for a triangle when any of its three is set; they tint the global one.
  auto triangle = [&](const TriVertex (&t)[3], std::vector<VertexTex1>& out) {
    const bool tinted = t[0].color || t[1].color || t[2].color;
    out.clear();
    for (const TriVertex& v : t)
      out.push_back(Vertex(v.x + tx, v.y + ty, tinted ? Modulate(v.color, global) : global, v.u * iw, v.v * ih));
  };
  auto inClip = [&](const VertexTex1& v) {
    return v.mX >= float(clip.mX) && v.mX <= float(clip.mX + clip.mWidth) && v.mY >= float(clip.mY) &&
           v.mY <= float(clip.mY + clip.mHeight);
  };
  std::vector<VertexTex1> polygon;
  if (data.mColumns == 1 && data.mRows == 1) {
    // One piece: all triangles in one list when none reaches out of the clip.
    const TexturePiece& piece = data.mPieces[0];
    std::vector<VertexTex1> list;
    bool inside = true;
    for (int32_t i = 0; i < count; ++i) {
      triangle(vertices[i], polygon);
      for (VertexTex1& v : polygon) {
        v.mU /= float(piece.mWidth);
        v.mV /= float(piece.mHeight);
        inside = inside && inClip(v);
        list.push_back(v);
      }
    }
    if (!SetPieceTexture(piece)) return;
    if (inside) {
      CheckDXError(mDevice->DrawPrimitive(Primitive::TriangleList, list.data(), int32_t(list.size())),
                   "DrawPrimitive (TriList)");
      return;
    }
    for (size_t i = 0; i + 2 < list.size(); i += 3) {
      polygon.assign(list.begin() + ptrdiff_t(i), list.begin() + ptrdiff_t(i + 3));
      DrawFan(polygon, &clip, "DrawPrimitive (Tri) 4");
    }
    return;
  }
  // Several pieces: each triangle is cut to every piece its texel box touches, in that piece's
  // own texture space, and to the clip.
  for (int32_t i = 0; i < count; ++i) {
    std::vector<VertexTex1> texels;
    triangle(vertices[i], texels);
    float minU = texels[0].mU, maxU = minU, minV = texels[0].mV, maxV = minV;
    for (const VertexTex1& v : texels) {
      minU = std::min(minU, v.mU);
      maxU = std::max(maxU, v.mU);
      minV = std::min(minV, v.mV);
      maxV = std::max(maxV, v.mV);
    }
    if (!std::isfinite(minU + maxU + minV + maxV)) continue;
    const int32_t c0 = std::clamp(int32_t(std::floor(minU / float(data.mPieceWidth))), 0, data.mColumns - 1);
    const int32_t c1 = std::clamp(int32_t(std::floor(maxU / float(data.mPieceWidth))), 0, data.mColumns - 1);
    const int32_t r0 = std::clamp(int32_t(std::floor(minV / float(data.mPieceHeight))), 0, data.mRows - 1);
    const int32_t r1 = std::clamp(int32_t(std::floor(maxV / float(data.mPieceHeight))), 0, data.mRows - 1);
    for (int32_t r = r0; r <= r1; ++r)
      for (int32_t c = c0; c <= c1; ++c) {
        const TexturePiece& piece = data.mPieces[size_t(r) * size_t(data.mColumns) + size_t(c)];
        const float ox = float(c * data.mPieceWidth), oy = float(r * data.mPieceHeight);
        const float pw = float(piece.mWidth), ph = float(piece.mHeight);
        polygon = texels;
        for (VertexTex1& v : polygon) {
          v.mU = (v.mU - ox) / pw;
          v.mV = (v.mV - oy) / ph;
        }
        // The piece's part of the image: the first and last pieces reach out to the image's
        // edges, so texels the triangle maps outside the image still come from the edge piece.
        const float uLow = c == 0 ? -1e30f : 0.0f, vLow = r == 0 ? -1e30f : 0.0f;
        const float uHigh = c == data.mColumns - 1 ? 1e30f : float(data.mPieceWidth) / pw;
        const float vHigh = r == data.mRows - 1 ? 1e30f : float(data.mPieceHeight) / ph;
        D3DClip::ClipAgainst(polygon, D3DClip::U0, uLow, false);
        D3DClip::ClipAgainst(polygon, D3DClip::V0, vLow, false);
        D3DClip::ClipAgainst(polygon, D3DClip::U0, uHigh, true);
        D3DClip::ClipAgainst(polygon, D3DClip::V0, vHigh, true);
        if (polygon.size() < 3) continue;
        if (!SetPieceTexture(piece)) return;
        DrawFan(polygon, &clip, "DrawPrimitive (Tri) 4");
      }
  }
}

void D3DInterface::BlitTranslated(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect* clip,
                                  const Color& color, int32_t mode) {
  Matrix3 m;
  m.Translate(x, y);
  BlitTransformed(image, clip, color, mode, srcRect, m, true, 0, 0, false);
}

void D3DInterface::BlitMirrored(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color,
                                int32_t mode, bool linear) {
  Matrix3 m;
  m.Translate(-float(srcRect.mWidth), 0);
  m.Scale(-1, 1);
  m.Translate(x, y);
  BlitTransformed(image, nullptr, color, mode, srcRect, m, linear, 0, 0, false);
}

void D3DInterface::BlitStretched(MemoryImage* image, const Rect& destRect, const Rect& srcRect, const Rect* clip,
                                 const Color& color, int32_t mode, bool fast, bool mirror) {
  if (srcRect.mWidth <= 0 || srcRect.mHeight <= 0) return;
  const float sx = float(destRect.mWidth) / float(srcRect.mWidth), sy = float(destRect.mHeight) / float(srcRect.mHeight);
  Matrix3 m;
  if (mirror) {
    m.Translate(-float(srcRect.mWidth), 0);
    m.Scale(-sx, sy);
  } else {
    m.Scale(sx, sy);
  }
  m.Translate(float(destRect.mX), float(destRect.mY));
  BlitTransformed(image, clip, color, mode, srcRect, m, !fast, 0, 0, false);
}

void D3DInterface::BlitRotated(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect* clip,
                               const Color& color, int32_t mode, double angle, float centerX, float centerY) {
  Matrix3 m;
  m.Translate(-centerX, -centerY);
  m.RotateRad(float(angle));
  m.Translate(x + centerX, y + centerY);
  BlitTransformed(image, clip, color, mode, srcRect, m, true, 0, 0, false);
}

// Two-image drawing: an image and a mask in one pass, the mask on texture stage 0 and the image
// on stage 1, one fan per pair of an image piece and a mask piece.

void D3DInterface::BlitTransformedMasked(MemoryImage* image, const Matrix3& m, const Rect& srcRect,
                                         const Color& color, const Rect* clip, float x, float y, MemoryImage* mask,
                                         const Rect& maskSrc, const Rect& maskFrame, const Matrix3& maskTransform) {
  auto& data = static_cast<D3DTextureData&>(*image->mTextureData);
  auto& maskData = static_cast<D3DTextureData&>(*mask->mTextureData);
  const Rect sr = srcRect.Intersection(image->GetRect());
  const Rect ms = maskSrc.Intersection(mask->GetRect());
  if (sr.mWidth <= 0 || sr.mHeight <= 0 || ms.mWidth <= 0 || ms.mHeight <= 0) return;
  // Mask space (relative to the mask source rectangle) into the image's source space and back;
  // a singular transform draws nothing.
  Matrix3 inverse, back;
  if (!InvertMatrix3(m, &inverse)) return;
  Matrix3 frame;
  frame.Translate(float(maskFrame.mX) - x, float(maskFrame.mY) - y);
  const Matrix3 toSource = inverse * maskTransform * frame;
  if (!InvertMatrix3(toSource, &back)) return;
  const uint32_t diffuse = Diffuse(color);
  auto within = [&](const VertexTex2& v) {
    return v.mX + 0.5f >= float(clip->mX) && v.mX + 0.5f < float(clip->mX + clip->mWidth) &&
           v.mY + 0.5f >= float(clip->mY) && v.mY + 0.5f < float(clip->mY + clip->mHeight);
  };

  // Colour = image texel x diffuse, alpha = diffuse x mask x image. Each fan stays within its
  // image piece, so the image's stage clamps at the piece's edge (a border would show as a seam
  // where linear filtering meets the next piece).
  SoftDevice& d = *mDevice;
  SetStages(d, {{0, StageState::TexCoordIndex, 1},
                {0, StageState::AlphaOp, TOP_MODULATE},
                {0, StageState::AlphaArg1, TA_CURRENT},
                {0, StageState::AlphaArg2, TA_TEXTURE},
                {1, StageState::TexCoordIndex, 0},
                {1, StageState::ColorOp, TOP_MODULATE},
                {1, StageState::ColorArg1, TA_TEXTURE},
                {1, StageState::ColorArg2, TA_DIFFUSE},
                {1, StageState::AlphaOp, TOP_MODULATE},
                {1, StageState::AlphaArg1, TA_CURRENT},
                {1, StageState::AlphaArg2, TA_TEXTURE},
                {1, StageState::AddressU, ADDRESS_CLAMP},
                {1, StageState::AddressV, ADDRESS_CLAMP}});
  // The image's pieces that the source rectangle touches, each as its part of the source.
  std::vector<VeskVector2> region;
  std::vector<VertexTex2> fan;
  const int32_t c0 = sr.mX / data.mPieceWidth, c1 = (sr.mX + sr.mWidth - 1) / data.mPieceWidth;
  const int32_t r0 = sr.mY / data.mPieceHeight, r1 = (sr.mY + sr.mHeight - 1) / data.mPieceHeight;
  for (int32_t r = r0; r <= r1 && r < data.mRows; ++r)
    for (int32_t c = c0; c <= c1 && c < data.mColumns; ++c) {
      const TexturePiece& piece = data.mPieces[size_t(r) * size_t(data.mColumns) + size_t(c)];
      const int32_t px = c * data.mPieceWidth, py = r * data.mPieceHeight;
      const Rect part = Rect(px, py, data.mPieceWidth, data.mPieceHeight).Intersection(sr);
      if (part.mWidth <= 0 || part.mHeight <= 0) continue;
      const float qx = float(part.mX - sr.mX), qy = float(part.mY - sr.mY);
      // Each mask piece's part of the mask source rectangle, at (mx, my) within it.
      int32_t my = 0;
      for (int32_t sy = ms.mY; sy < ms.mY + ms.mHeight;) {
        int32_t rowH = 0, mx = 0;
        for (int32_t sx = ms.mX; sx < ms.mX + ms.mWidth;) {
          int32_t lx = 0, ly = 0;
          TexturePiece* maskPiece = maskData.GetPieceAt(sx, sy, &lx, &ly);
          if (!maskPiece) return;
          const int32_t mw = std::min(ms.mX + ms.mWidth - sx, maskPiece->mWidth - lx);
          const int32_t mh = std::min(ms.mY + ms.mHeight - sy, maskPiece->mHeight - ly);
          const float s0 = float(lx) / float(maskPiece->mWidth), t0 = float(ly) / float(maskPiece->mHeight);
          const float s1 = float(lx + mw) / float(maskPiece->mWidth), t1 = float(ly + mh) / float(maskPiece->mHeight);
          const float fx = float(mx), fy = float(my);
          VeskVector2 quad[4] = {{fx, fy}, {fx, fy + float(mh)}, {fx + float(mw), fy + float(mh)}, {fx + float(mw), fy}};
          for (VeskVector2& p : quad) p = toSource.TransformPoint(p) - VeskVector2(qx, qy);
          ClipQuadToRect(float(part.mWidth), float(part.mHeight), quad, region);
          fan.clear();
          bool needsClip = false;
          for (const VeskVector2& rp : region) {
            const VeskVector2 p = rp + VeskVector2(qx, qy);
            const VeskVector2 q = back.TransformPoint(p);
            const VeskVector2 g = m.TransformPoint(p);
            VertexTex2 v{g.x + x - 0.5f,
                         g.y + y - 0.5f,
                         0.0f,
                         1.0f,
                         diffuse,
                         (float(sr.mX - px) + p.x) / float(piece.mWidth),
                         (float(sr.mY - py) + p.y) / float(piece.mHeight),
                         s0 + (q.x - fx) * (s1 - s0) / float(mw),
                         t0 + (q.y - fy) * (t1 - t0) / float(mh)};
            needsClip = needsClip || (clip && !within(v));
            fan.push_back(v);
          }
          if (fan.size() >= 3) {
            CheckDXError(d.SetTexture(0, maskPiece->mTexture), "SetTexture gTexture");
            CheckDXError(d.SetTexture(1, piece.mTexture), "SetTexture gTexture");
            if (needsClip)
              D3DClip::ClipToRect(fan, float(clip->mX), float(clip->mY), float(clip->mX + clip->mWidth),
                                  float(clip->mY + clip->mHeight));
            if (fan.size() >= 3)
              CheckDXError(d.DrawPrimitive(Primitive::TriangleFan, fan.data(), int32_t(fan.size())),
                           needsClip ? "DrawPrimitive (Tri) 2" : "DrawPrimitive (Tri) 3");
          }
          CheckDXError(d.SetTexture(1, nullptr), "SetTexture gTexture");
          mx += mw;
          rowH = mh;
          sx += mw;
        }
        my += rowH;
        sy += rowH;
      }
    }
}

void D3DInterface::RestoreStagesAfterMask() {
  mDevice->SetTexture(1, nullptr);
  SetStages(*mDevice, {{0, StageState::TexCoordIndex, 0},
                       {0, StageState::AlphaOp, TOP_MODULATE},
                       {0, StageState::AlphaArg1, TA_TEXTURE},
                       {0, StageState::AlphaArg2, TA_CURRENT},
                       {1, StageState::TexCoordIndex, 1},
                       {1, StageState::ColorOp, TOP_DISABLE},
                       {1, StageState::ColorArg1, TA_TEXTURE},
                       {1, StageState::ColorArg2, TA_CURRENT},
                       {1, StageState::AlphaOp, TOP_DISABLE},
                       {1, StageState::AlphaArg1, TA_TEXTURE},
                       {1, StageState::AlphaArg2, TA_CURRENT},
                       {1, StageState::AddressU, ADDRESS_BORDER},
                       {1, StageState::AddressV, ADDRESS_BORDER}});
}

}  // namespace Vesk
