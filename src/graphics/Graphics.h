#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Image.h"
#include "graphics/Matrix3.h"
#include "graphics/Rect.h"
#include "graphics/TriVertex.h"

namespace Vesk {

class Font;

// One line of wrapped text: its characters in the text and its width (trailing blanks left out).
struct TextLine {
  size_t mStart = 0;
  size_t mLength = 0;
  int32_t mWidth = 0;
};
// Breaks the text into lines no wider than `wrapWidth`: at newlines, and at the last blank before
// a character that would overflow (the blank is dropped). A word wider than the whole line is cut
// where it overflows, with at least one character a line.
std::vector<TextLine> WrapTextLines(Font& font, const std::wstring& text, int32_t wrapWidth);

// The drawing context: draws onto a destination image with a translation, a scale, a clip
// rectangle, a colour, a draw mode and a mask. Coordinates given to it are moved by the
// translation and clipped to the clip rectangle (itself always inside the destination) before
// they reach the image.
class Graphics {
 public:
  explicit Graphics(Image* destImage);
  Graphics(const Graphics&) = default;
  Graphics& operator=(const Graphics&) = default;

  Image* GetDestImage() const { return mDestImage; }

  void SetFont(Font* font) { mFont = font; }
  Font* GetFont() const { return mFont; }
  void SetColor(const Color& color) { mColor = color; }
  const Color& GetColor() const { return mColor; }
  void SetDrawMode(int32_t mode) { mDrawMode = mode; }
  int32_t GetDrawMode() const { return mDrawMode; }
  void SetColorizeImages(bool on) { mColorizeImages = on; }
  bool GetColorizeImages() const { return mColorizeImages; }
  // Smooth (filtered) instead of nearest-pixel sampling where images are scaled or transformed.
  void SetLinearBlend(bool on) { mLinearBlend = on; }
  bool GetLinearBlend() const { return mLinearBlend; }
  void SetFastStretch(bool on) { mFastStretch = on; }
  bool GetFastStretch() const { return mFastStretch; }

  void Translate(float dx, float dy) {
    mTransX += dx;
    mTransY += dy;
  }
  void SetTranslation(float x, float y) {
    mTransX = x;
    mTransY = y;
  }
  float GetTransX() const { return mTransX; }
  float GetTransY() const { return mTransY; }
  // Scales images drawn by DrawImage about (originX, originY), in untranslated coordinates.
  void SetScale(float sx, float sy, float originX, float originY);

  // The clip rectangle, given in untranslated coordinates; kept inside the destination.
  void SetClipRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void SetClipRectFromRect(const Rect& rect) { SetClipRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
  void ClipRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void ClearClipRect();
  // In destination coordinates.
  const Rect& GetClipRect() const { return mClipRect; }

  // Mask state for matrix drawing.
  void SetMaskImage(Image* image) { mMask.mImage = image; }
  Image* GetMaskImage() const { return mMask.mImage; }
  void SetMaskSrcRect(const Rect& rect) { mMask.mSrcRect = rect; }
  void SetMaskFrameRect(const Rect& rect) { mMask.mFrameRect = rect; }
  void SetMaskTransform(const Matrix3& m) { mMask.mTransform = m; }
  const ImageMask& GetMask() const { return mMask; }
  void ClearMask() { mMask = ImageMask(); }

  // Fills with the current colour; nothing when its alpha is 0.
  void FillRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void FillRect(const Rect& rect) { FillRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
  // The one-pixel outline of the rectangle.
  void DrawRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void ClearRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void DrawLineAA(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  void DrawImage(Image* image, int32_t x, int32_t y);
  void DrawImage(Image* image, int32_t x, int32_t y, const Rect& srcRect);
  // Stretched into the destination rectangle.
  void DrawImage(Image* image, const Rect& destRect, const Rect& srcRect);
  void DrawImageF(Image* image, float x, float y);
  void DrawImageF(Image* image, float x, float y, const Rect& srcRect);
  // The source part stretched into the destination, mirrored left to right when `mirror` is set.
  void DrawImageMirrored(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror = true);
  void DrawImageMirrored(Image* image, int32_t x, int32_t y, bool mirror = true);
  void DrawImageCel(Image* image, int32_t x, int32_t y, int32_t cel);
  // Rotated by `angle` radians about (rotCenterX, rotCenterY), relative to the image's corner.
  void DrawImageRotated(Image* image, float x, float y, double angle, float rotCenterX, float rotCenterY,
                        const Rect* srcRect = nullptr);
  // Through the matrix, then moved by (x, y) and the translation; with clip, colour and mask.
  void DrawImageMatrix(Image* image, const Matrix3& matrix, const Rect& srcRect, float x = 0, float y = 0);
  void DrawImageMatrix(Image* image, const Matrix3& matrix, float x = 0, float y = 0);
  void DrawTrianglesTex(Image* texture, const TriVertex (*vertices)[3], int32_t count);

  // Text with the current font and colour; y is the baseline. Nothing without a font.
  void DrawString(const std::wstring& text, int32_t x, int32_t y);
  // Word-wrapped text whose first baseline is at y; each line is placed by the justification
  // (-1 left from x, 0 centred in the width, 1 right-aligned to x + width) and the next baseline
  // is `lineSpacing` lower (-1: the font's). Returns the height used, from the top of the first
  // line to the bottom of the last: (lines - 1) x spacing + font height; 0 for no line.
  int32_t DrawWrappedString(const std::wstring& text, int32_t x, int32_t y, int32_t wrapWidth,
                            int32_t lineSpacing = -1, int32_t justification = -1);
  // The same inside a rectangle: the first line's top at the rectangle's top, wrapped at its
  // width.
  int32_t DrawWrappedText(const std::wstring& text, const Rect& rect, int32_t lineSpacing = -1,
                          int32_t justification = -1);

 private:
  // The colour images are drawn with: the current colour when colourising, else opaque white.
  Color ImageColor() const { return mColorizeImages ? mColor : Color::White; }
  Rect DestBounds() const;

  Image* mDestImage;
  float mTransX = 0;
  float mTransY = 0;
  float mScaleX = 1;
  float mScaleY = 1;
  float mScaleOrigX = 0;
  float mScaleOrigY = 0;
  Rect mClipRect;
  Font* mFont = nullptr;
  Color mColor = Color::White;
  int32_t mDrawMode = DRAWMODE_NORMAL;
  bool mColorizeImages = false;
  bool mLinearBlend = false;
  bool mFastStretch = false;
  ImageMask mMask;
};

}  // namespace Vesk
