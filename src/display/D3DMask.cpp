// The 3D layer's two-image drawing: an image and a mask in one pass, the mask on texture stage 0
// and the image on stage 1, one fan per pair of an image piece and a mask piece.
#include "display/D3DMask.h"

#include <algorithm>
#include <cmath>

#include "display/D3DClip.h"
#include "display/D3DInterface.h"
#include "graphics/MemoryImage.h"

namespace Vesk {

using namespace Platform::Video;

int GetRectSideOfPoint(float w, float h, float x, float y) {
  if (x == 0) return 1;
  if (y == h) return 2;
  if (x == w) return 3;
  if (y == 0) return 4;
  return 0;
}

bool QuadContainsOrigin(const VeskVector2 q[4]) {
  bool inside = false;
  for (int i = 0; i < 4; ++i) {
    const VeskVector2 a = q[(i + 3) % 4], b = q[i];
    if ((a.y > 0) != (b.y > 0) && b.x + (a.x - b.x) * (0 - b.y) / (a.y - b.y) > 0) inside = !inside;
  }
  return inside;
}

int GetSegmentRectCrossings(float w, float h, VeskVector2 a, VeskVector2 b, VeskVector2 out[2]) {
  int n = 0;
  auto add = [&](VeskVector2 p) {
    if (n < 2) out[n] = p;
    ++n;
  };
  // Left, bottom, right, top: the segment must pass strictly from one side of the line to the other.
  auto atX = [&](float x) { return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x); };
  auto atY = [&](float y) { return a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y); };
  if (a.x * b.x < 0) {
    const float y = atX(0);
    if (y >= 0 && y <= h) add({0, y});
  }
  if ((a.y - h) * (b.y - h) < 0) {
    const float x = atY(h);
    if (x >= 0 && x <= w) add({x, h});
  }
  if ((a.x - w) * (b.x - w) < 0) {
    const float y = atX(w);
    if (y >= 0 && y <= h) add({w, y});
  }
  if (a.y * b.y < 0) {
    const float x = atY(0);
    if (x >= 0 && x <= w) add({x, 0});
  }
  n = std::min(n, 2);
  if (n == 2) {
    const bool alongX = std::fabs(a.x - b.x) > std::fabs(a.y - b.y);
    const float ab = alongX ? a.x - b.x : a.y - b.y, fs = alongX ? out[0].x - out[1].x : out[0].y - out[1].y;
    if ((ab < 0) != (fs < 0) && ab != 0 && fs != 0) std::swap(out[0], out[1]);
  }
  return n;
}

void AddRectCornersBetween(float w, float h, VeskVector2 a, VeskVector2 b, std::vector<VeskVector2>& out) {
  const VeskVector2 corners[5] = {{}, {0, h}, {w, h}, {w, 0}, {0, 0}};
  int k = GetRectSideOfPoint(w, h, a.x, a.y);
  const int e = GetRectSideOfPoint(w, h, b.x, b.y);
  // A point off the sides (rounding at a corner) has no way round.
  if (k == 0 || e == 0) return;
  for (int steps = 0; k != e && steps < 4; ++steps) {
    out.push_back(corners[k]);
    k = k % 4 + 1;
  }
}

void ClipQuadToRect(float w, float h, const VeskVector2 quad[4], std::vector<VeskVector2>& out) {
  out.clear();
  // The walk round the corners follows the sides' numbering; a mirrored quadrilateral is turned
  // round first.
  VeskVector2 q[4] = {quad[0], quad[1], quad[2], quad[3]};
  float area = 0;
  for (int i = 0; i < 4; ++i) area += q[i].x * q[(i + 1) % 4].y - q[(i + 1) % 4].x * q[i].y;
  if (area > 0) std::swap(q[1], q[3]);

  auto flat = [](float d) { return std::fabs(d) < 0.0001f; };
  const bool firstAligned = flat(q[0].x - q[1].x) || flat(q[0].y - q[1].y);
  const bool nextAligned = flat(q[1].x - q[2].x) || flat(q[1].y - q[2].y);
  if (firstAligned && nextAligned) {
    float minX = q[0].x, maxX = q[0].x, minY = q[0].y, maxY = q[0].y;
    for (const VeskVector2& p : q) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
    const float left = std::max(minX, 0.0f), right = std::min(maxX, w), top = std::max(minY, 0.0f),
                bottom = std::min(maxY, h);
    if (left < right && top < bottom) out = {{left, top}, {left, bottom}, {right, bottom}, {right, top}};
    return;
  }

  auto inside = [&](VeskVector2 p) { return p.x >= 0 && p.x <= w && p.y >= 0 && p.y <= h; };
  VeskVector2 exit, entry;
  bool pending = false, recorded = false;
  for (int i = 0; i < 4; ++i) {
    const VeskVector2 a = q[i], b = q[(i + 1) % 4];
    VeskVector2 cross[2];
    const int n = GetSegmentRectCrossings(w, h, a, b, cross);
    if (inside(a)) {
      out.push_back(a);
      if (n >= 1) {
        out.push_back(cross[0]);
        exit = cross[0];
        pending = true;
      } else if (!inside(b)) {
        exit = a;
        pending = true;
      }
      continue;
    }
    if (n == 0) continue;
    if (pending) {
      AddRectCornersBetween(w, h, exit, cross[0], out);
      pending = false;
    } else if (!recorded) {
      entry = cross[0];
      recorded = true;
    }
    out.push_back(cross[0]);
    if (n == 2) {
      out.push_back(cross[1]);
      exit = cross[1];
      pending = true;
    }
  }
  if (pending || recorded) AddRectCornersBetween(w, h, exit, recorded ? entry : q[0], out);
  if (out.empty() && QuadContainsOrigin(q)) out = {{0, 0}, {w, 0}, {w, h}, {0, h}};
}

bool InvertMatrix3(const Matrix3& m, Matrix3* out) { return m.Invert(*out); }

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

uint32_t PackColor(const Color& c) {
  auto ch = [](int32_t v) { return uint32_t(std::clamp(v, 0, 255)); };
  return (ch(c.mAlpha) << 24) | (ch(c.mRed) << 16) | (ch(c.mGreen) << 8) | ch(c.mBlue);
}

}  // namespace

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
  const uint32_t diffuse = PackColor(color);
  auto within = [&](const VertexTex2& v) {
    return v.mX + 0.5f >= float(clip->mX) && v.mX + 0.5f < float(clip->mX + clip->mWidth) &&
           v.mY + 0.5f >= float(clip->mY) && v.mY + 0.5f < float(clip->mY + clip->mHeight);
  };

  // Colour = image texel x diffuse, alpha = diffuse x mask x image. Each fan stays within its
  // image piece, so the image's stage clamps at the piece's edge (a border would show as a seam
  // where linear filtering meets the next piece).
  SoftDevice& d = *mDevice;
  d.SetTextureStageState(0, StageState::TexCoordIndex, 1);
  d.SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE);
  d.SetTextureStageState(0, StageState::AlphaArg1, TA_CURRENT);
  d.SetTextureStageState(0, StageState::AlphaArg2, TA_TEXTURE);
  d.SetTextureStageState(1, StageState::TexCoordIndex, 0);
  d.SetTextureStageState(1, StageState::ColorOp, TOP_MODULATE);
  d.SetTextureStageState(1, StageState::ColorArg1, TA_TEXTURE);
  d.SetTextureStageState(1, StageState::ColorArg2, TA_DIFFUSE);
  d.SetTextureStageState(1, StageState::AlphaOp, TOP_MODULATE);
  d.SetTextureStageState(1, StageState::AlphaArg1, TA_CURRENT);
  d.SetTextureStageState(1, StageState::AlphaArg2, TA_TEXTURE);
  d.SetTextureStageState(1, StageState::AddressU, ADDRESS_CLAMP);
  d.SetTextureStageState(1, StageState::AddressV, ADDRESS_CLAMP);
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
  SoftDevice& d = *mDevice;
  d.SetTexture(1, nullptr);
  d.SetTextureStageState(0, StageState::TexCoordIndex, 0);
  d.SetTextureStageState(0, StageState::AlphaOp, TOP_MODULATE);
  d.SetTextureStageState(0, StageState::AlphaArg1, TA_TEXTURE);
  d.SetTextureStageState(0, StageState::AlphaArg2, TA_CURRENT);
  d.SetTextureStageState(1, StageState::TexCoordIndex, 1);
  d.SetTextureStageState(1, StageState::ColorOp, TOP_DISABLE);
  d.SetTextureStageState(1, StageState::ColorArg1, TA_TEXTURE);
  d.SetTextureStageState(1, StageState::ColorArg2, TA_CURRENT);
  d.SetTextureStageState(1, StageState::AlphaOp, TOP_DISABLE);
  d.SetTextureStageState(1, StageState::AlphaArg1, TA_TEXTURE);
  d.SetTextureStageState(1, StageState::AlphaArg2, TA_CURRENT);
  d.SetTextureStageState(1, StageState::AddressU, ADDRESS_BORDER);
  d.SetTextureStageState(1, StageState::AddressV, ADDRESS_BORDER);
}

}  // namespace Vesk
