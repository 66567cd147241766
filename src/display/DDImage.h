#pragma once
#include <cstdint>
#include <memory>

#include "graphics/MemoryImage.h"
#include "platform/video/Video.h"

namespace Vesk {

class D3DInterface;
class DDInterface;

// An image whose pixels can live in a surface of the display, in the display's own pixel format.
// It keeps everything of the memory image; at any time either the memory pixels or the surface
// is the current copy. Opaque and colour-keyed images are drawn into through their surface (the
// surface route); images with partial alpha never get a surface and draw in memory.
class DDImage : public MemoryImage {
 public:
  explicit DDImage(DDInterface* display);
  ~DDImage() override;

  // Drawing.
  bool FillPolygon3D(const VeskVector2* points, int32_t count, const Rect* clip, const Color& color, int32_t drawMode,
                     int32_t tx, int32_t ty) override;
  void FillRect(const Rect& rect, const Color& color, int32_t drawMode) override;
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

  // Buffers.
  void PurgeBits() override;
  void Delete3DBuffers() override;
  void DeleteExtraBuffers() override;
  void ReapplyOptions() override;
  void BitsChanged() override;
  void CommitBits() override;
  void DeleteDisplayFormatBits() override;
  void Create(int32_t width, int32_t height) override;
  // The ARGB pixels, read back from the surface when it is the current copy (pixels matching
  // the colour key read back transparent); null when software access is barred.
  uint32_t* GetBits() override;
  bool Palettize() override;

  // The surface.
  // Moves the surface to video or system memory on its next creation.
  virtual void SetVideoMemory(bool wantsVideoMemory);
  virtual bool GenerateSurfaceWithColorKey();
  // The surface-route loops: they draw straight into the locked surface at 16 and 32 bits per
  // pixel; uncoloured opaque blits of surface images copy surface to surface.
  virtual void NormalFillRect(const Rect& rect, const Color& color);
  virtual void AdditiveFillRect(const Rect& rect, const Color& color);
  virtual void NormalBlit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color);
  virtual void AdditiveBlit(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color);
  virtual void NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color);
  virtual void AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color);
  virtual void NormalDrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color);
  // Smooth additive lines are not drawn on a surface.
  virtual void AdditiveDrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color);
  virtual void NormalBlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color);
  virtual void AdditiveBlitMirrored(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color);
  // Counted: only the outermost pair locks and unlocks the surface.
  virtual bool LockSurface();
  virtual bool UnlockSurface();
  // Adopts a surface that belongs to the display (screen, cursor areas); the image takes its size.
  virtual Platform::Video::Result SetSurface(std::shared_ptr<Platform::Video::Surface> surface);

  // True when the 3D layer draws into this image: it is the display's draw surface and the
  // display draws in 3D.
  bool DrawsThroughD3D() const;
  D3DInterface* D3D() const;
  // The surface, made from the pixels when missing; null when it cannot be.
  Platform::Video::Surface* GetSurface();
  bool HasSurface() const { return mSurface != nullptr; }
  bool GenerateDDSurface();
  // Drops the surface, reading its pixels back first when nothing else holds them.
  void DeleteDDSurface();
  // Frees every memory copy once the surface holds the drawing.
  void DeleteMemoryBuffers();
  const Platform::Video::LockInfo& GetLockInfo() const { return mLockInfo; }
  int32_t GetLockCount() const { return mLockCount; }

  DDInterface* mDisplay;
  bool mSurfaceFromOutside = false;
  bool mNoSoftwareAccess = false;
  bool mWantsVideoMemory = false;
  bool mSurfaceWanted = false;

 protected:
  // True when draws with this image as destination go to its surface: it is opaque (no alpha, no
  // transparency), the display draws in software and a surface exists or can be made.
  bool UsesSurfaceRoute();
  // Runs `draw` (a memory-image operation on a target, with the target's origin in this image)
  // on a copy of `area` read from the locked surface, then writes the copy back. Without a
  // surface the operation runs on this image's own pixels. Nothing when software access is barred.
  template <typename Draw>
  void DrawThroughMemory(const Rect& area, Draw&& draw);
  // Runs `raster(clip, format code)` (the triangle rasteriser into the locked surface); false
  // when the surface cannot be locked or has no rasteriser format, and nothing was drawn.
  template <typename Raster>
  bool RasterIntoSurface(const Rect& clip, Raster&& raster);

 private:
  void RegisterWithInterface();
  // Sets the source's drawn flag, takes it as a memory image and clips the blit; false when
  // nothing is to be drawn.
  bool PrepareBlit(Image* src, int32_t& x, int32_t& y, Rect& srcRect, bool mirror, MemoryImage** source);
  // Blends plain ARGB pixels (or colour-table entries) straight into the surface.
  void StraightBlend(MemoryImage* src, int32_t x, int32_t y, const Rect& srcRect);
  // The run loops of the display-format words, normal or additive, straight or mirrored.
  void DrawRuns(Image* src, int32_t x, int32_t y, const Rect& srcRect, const Color& color, bool additive, bool mirror);
  // The nearest-pixel or filtered stretch, mirrored in x or not.
  void Stretch(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
               int32_t drawMode, bool fast, bool mirror);
  // Walks a line over the locked surface, replacing each pixel d by pixel(d).
  template <typename Pixel>
  void DrawLineWith(double x1, double y1, double x2, double y2, Pixel pixel);
  // Surface-to-surface copy (scaled when the areas differ); locked surfaces are unlocked around
  // it and locked again.
  void BltFromSurface(DDImage* src, const Platform::Video::Area& dst, const Platform::Video::Area& srcArea);

  std::shared_ptr<Platform::Video::Surface> mSurface;
  int32_t mLockCount = 0;
  Platform::Video::LockInfo mLockInfo;
};

}  // namespace Vesk
