#pragma once
#include <cstdint>
#include <memory>

#include "graphics/Image.h"
#include "graphics/NativeDisplay.h"
#include "raster/TriangleTexture.h"

namespace Vesk {

// An image whose pixels live in memory as 32-bit 0xAARRGGBB words (not premultiplied), or as a
// 256-entry colour table with one 8-bit index per pixel. Every pixel buffer holds width x height
// words followed by one sentinel word. Derived caches (display-format copy, alpha and additive
// runs) are built on demand and dropped whenever the pixels change.
class MemoryImage : public Image, public TriangleTexture {
 public:
  // Written after the last pixel of every ARGB buffer.
  static constexpr uint32_t kSentinel = 0x4BEEFADE;
  // Texture flags.
  static constexpr int32_t TEXFLAG_POW2 = 1, TEXFLAG_64X64 = 2, TEXFLAG_PREFER16 = 4, TEXFLAG_FULLCOLOR = 8;
  // Option byte: blend straight from the ARGB bits or the colour table.
  static constexpr uint8_t IMAGEOPT_STRAIGHT_BLEND = 1;

  MemoryImage();
  MemoryImage(int32_t width, int32_t height);
  ~MemoryImage() override;

  std::unique_ptr<uint32_t[]> mBits;
  std::unique_ptr<uint32_t[]> mColorTable;   // 256 ARGB entries
  std::unique_ptr<uint8_t[]> mColorIndices;  // width x height
  // Display-format copy: one word per pixel, or 256 words for a colour-table image.
  std::unique_ptr<uint32_t[]> mNativeAlphaData;
  NativeDisplay mNativeFormat;
  // The display-format copy is the 256-word table of the colour table, not one word per pixel.
  bool mNativeFromTable = false;
  // The per-pixel display-format words narrowed to 16 bits, for 16-bit displays.
  std::unique_ptr<uint16_t[]> mNativeData16;
  std::unique_ptr<uint8_t[]> mRLAlphaData;
  std::unique_ptr<uint8_t[]> mRLAdditiveData;
  std::unique_ptr<TextureData> mTextureData;

  bool mHasTrans = false;
  bool mHasAlpha = false;
  // The two flags were set by SetImageMode and are not recomputed.
  bool mForcedMode = false;
  // The pixels changed since the flags were last computed.
  bool mBitsChangedSinceCommit = true;
  // Incremented by every change of the pixels; textures compare it.
  int32_t mBitsChangedCount = 0;
  int32_t mTextureFlags = 0;
  bool mPurgeBits = false;
  uint8_t mImageOption = 0;
  // The pixels change count at which the pixels were those of the image file mFilePath; -1 when
  // they never were. While it holds, dropped pixels are read from the file again.
  int32_t mFileBitsVersion = -1;
  // Pixels once dropped and then needed again are kept from then on.
  bool mKeepBits = false;

  // TriangleTexture.
  void CommitBits() override;
  uint32_t* GetBits() override;
  int32_t TextureWidth() const override { return mWidth; }
  int32_t TextureHeight() const override { return mHeight; }
  bool TextureHasTransparency() const override { return mHasTrans; }
  bool TextureHasAlpha() const override { return mHasAlpha; }

  // Drawing into the bits.
  void FillRect(const Rect& rect, const Color& color, int32_t drawMode) override;
  void ClearRect(const Rect& rect) override;
  void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void FillSpansCoverage(const Span* spans, int32_t count, const Color& color, int32_t drawMode,
                         const uint8_t* coverage, int32_t coverX, int32_t coverY, int32_t coverRowLength,
                         int32_t passThrough) override;
  void Blit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color, int32_t drawMode) override;
  void BlitAtFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                   int32_t drawMode) override;
  void BlitRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                   int32_t drawMode, double angle, float centerX, float centerY) override;
  void BlitStretched(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                     int32_t drawMode, bool fast) override;
  void BlitMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                  int32_t drawMode, const Rect& srcRect, bool linear, const ImageMask& mask) override;
  void BlitTriangles(Image* src, const TriVertex (*vertices)[3], int32_t count, const Rect& clip, const Color& color,
                     int32_t drawMode, float tx, float ty, bool linear) override;
  void BlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                    int32_t drawMode) override;
  void BlitStretchedMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                             const Color& color, int32_t drawMode, bool fast) override;
  // Filtered stretch of a source rectangle (fractional, in source pixels) into the destination
  // rectangle of this image, clipped to `clip`; each destination pixel averages the source area
  // it covers.
  void BlitStretchedSmooth(Image* src, const Rect& destRect, const FRect& srcRect, const Rect& clip,
                           const Color& color, int32_t drawMode, bool mirror = false);

  // Buffer management.
  // Display-format words: the colour premultiplied by alpha in the display's channel layout,
  // alpha in the top byte; a 256-word table for an image drawn from its colour table.
  virtual uint32_t* GetDisplayFormatBits(const NativeDisplay& display);
  // The same words as 16-bit pixels, which opaque copies move a row at a time; null unless the
  // display is 16-bit and the image has one word per pixel.
  const uint16_t* GetDisplayFormatBits16(const NativeDisplay& display);
  // One byte per pixel: length (at most 255) of the run of pixels of the same alpha class
  // (transparent, opaque, partial) starting there. Runs continue across rows.
  virtual uint8_t* GetAlphaRuns();
  // The same for pixels that add nothing in additive drawing and those that do.
  virtual uint8_t* GetAdditiveRuns();
  virtual void PurgeBits();
  virtual void DeleteSoftwareBuffers();
  virtual void Delete3DBuffers();
  virtual void DeleteExtraBuffers();
  virtual void ReapplyOptions();
  virtual void BitsChanged();
  virtual void DeleteDisplayFormatBits();
  // Sets every pixel to 0.
  virtual void Clear();
  virtual void SetBits(const uint32_t* bits, int32_t width, int32_t height, bool commit = true);
  virtual void Create(int32_t width, int32_t height);
  virtual void SetImageMode(bool hasTrans, bool hasAlpha);
  virtual void SetImageOption(uint8_t option);
  // Moves the pixels into a colour table when there are at most 256 distinct values; true when
  // the image now draws from a colour table.
  virtual bool Palettize();

  // Drops the alpha and additive run caches and the display-format copy.
  void DeleteNativeData();
  // Takes the pixels, file name and cells of an image just read from its file; the pixels keep
  // the mark that they can be read from the file again.
  void TakeFilePixels(MemoryImage& decoded);
  // True when the pixels can be read from the image file again exactly as they are now.
  bool CanReloadBits() const { return mFileBitsVersion == mBitsChangedCount && !mFilePath.empty(); }
  // True when the pixels may be dropped because another copy gives them back exactly: the
  // image file, or (`heldElsewhere`) a copy the caller keeps; never once they were needed again.
  bool MayDropBits(bool heldElsewhere) const { return mBits && !mKeepBits && (heldElsewhere || CanReloadBits()); }
  // Frees the ARGB pixels (which another copy gives back), counting their bytes.
  void DropBits();
  // True, and the count started again, once dropped pixels come to at least `bytes` since the
  // last time it answered true: the caller then gives the freed pages back to the system.
  static bool TakeDroppedBytes(size_t bytes);
  // Drops the ARGB pixels once the display-format copy is all the software loops read, when
  // the image file gives them back (the display-format copy loses precision where alpha is
  // partial). The next GetBits reads the file again and keeps the pixels from then on.
  void DropBitsAfterDisplayCopy();
  // Reads pixels dropped after a copy was made from the image file again (and keeps them from
  // then on); false when they cannot be read.
  bool ReloadBits();
  // True when GetDisplayFormatBits(display) can answer: the copy is made, or pixels to make it from exist.
  bool CanGiveDisplayFormat(const NativeDisplay& display);
  // True when the pixel buffer or the colour table exists.
  bool HasPixelData() const { return mBits || (mColorTable && mColorIndices); }
  // A new ARGB buffer of width x height words plus the sentinel, pixels zeroed.
  static std::unique_ptr<uint32_t[]> AllocateBits(int32_t width, int32_t height);
  // The rasteriser's format code for drawing into these pixels: without alpha when the
  // transparency mode was fixed by hand and the image has neither transparency nor alpha.
  int32_t OwnTriangleFormat();
};

}  // namespace Vesk
