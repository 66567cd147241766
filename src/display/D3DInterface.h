#pragma once
// The 3D drawing layer of the display: when the display draws in 3D, the screen is drawn by the
// 3D device as textured, coloured triangles instead of by the software pixel loops.
//
// Every image drawn this way gets a texture record (`D3DTextureData`, held by the image): its
// pixels cut into pieces whose sizes the device accepts, uploaded in the cheapest texture format
// that keeps the image's look (16-bit where the image is opaque and the screen is 16-bit, 8-bit
// indices for a colour-table image, 4-bit channels when the image asks for them), and uploaded
// again when the image's pixels change. Drawing calls open a scene on first use; the display
// closes it before it presents. Every device call is checked: a failure keeps "step: NAME" as the
// last 3D error and writes it to the setting "Test3D\RuntimeError"; the display's next present
// then turns 3D off and the application draws in software from there on.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Matrix3.h"
#include "graphics/NativeDisplay.h"
#include "graphics/Rect.h"
#include "graphics/TriVertex.h"
#include "graphics/VeskVector2.h"
#include "platform/video/SoftDevice.h"

namespace Vesk {

class D3DInterface;
class DDInterface;
class MemoryImage;
struct ImageMask;

// One piece of an image's texture: the device texture and its size.
struct TexturePiece {
  std::shared_ptr<Platform::Video::Texture> mTexture;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
};

// An image's texture: pieces row by row, Columns x Rows, each inner piece PieceWidth x
// PieceHeight; the last column and row are cut to the next power of two of what is left.
class D3DTextureData : public TextureData {
 public:
  D3DTextureData(D3DInterface* owner, MemoryImage* image) : mOwner(owner), mImage(image) {}
  // Tells the layer that the image no longer has a texture.
  ~D3DTextureData() override;

  // Cuts an image of the given size into pieces (no textures yet).
  void CreatePieces(int32_t width, int32_t height);
  // Builds or uploads again when the image's size, pixels or flags changed since the last build.
  void CheckCreateTextures();
  void ReleaseTextures();
  // The piece holding texel (x, y) and the texel's place in it.
  TexturePiece* GetPieceAt(int32_t x, int32_t y, int32_t* localX, int32_t* localY);
  int32_t BytesPerTexel() const { return Platform::Video::TextureClassBytes(uint32_t(mFormat)); }

  D3DInterface* mOwner;
  MemoryImage* mImage;
  std::vector<TexturePiece> mPieces;
  // 0xAARRGGBB entries of a colour-table texture.
  std::vector<uint32_t> mPalette;
  int32_t mBuiltWidth = 0, mBuiltHeight = 0;
  int32_t mPieceWidth = 64, mPieceHeight = 64;
  int32_t mColumns = 0, mRows = 0;
  int32_t mBitsVersion = -1;
  int32_t mTextureBytes = 0;
  // Texture class (Platform::Video::TEXCLASS_*), 0 = not usable.
  int32_t mFormat = 0;
  // MemoryImage::TEXFLAG_* when built.
  int32_t mFlags = 0;
  float mMaxU = 0, mMaxV = 0;
  // How many pieces were uploaded and how many textures made, over the record's life.
  int32_t mUploads = 0;
  int32_t mTexturesMade = 0;

 private:
  void CreateTextures();
  bool UploadPiece(int32_t index);
};

class D3DInterface {
 public:
  // Draw modes as the drawing context's.
  enum : int32_t { MODE_NORMAL = 0, MODE_ADDITIVE = 1 };

  explicit D3DInterface(DDInterface* display);
  virtual ~D3DInterface();
  D3DInterface(const D3DInterface&) = delete;
  D3DInterface& operator=(const D3DInterface&) = delete;

  // Takes the display's draw surface and builds the device on it; false with the last 3D
  // error set when it cannot.
  bool InitFromDDInterface(DDInterface* display);
  bool InitD3D();
  // False when the call succeeded; otherwise keeps "step: NAME", writes it to the setting
  // "Test3D\RuntimeError" and answers true.
  bool CheckDXError(Platform::Video::Result result, const char* step);
  // Ends the open scene.
  void Flush();
  // Drops every image's texture and the device.
  void Cleanup();
  bool IsReady() const { return mDevice != nullptr; }

  // The image's texture, built or brought up to date; false when it has none usable.
  bool CreateImageTexture(MemoryImage* image);
  void ReleaseImageTexture(MemoryImage* image);
  // Rebuilds the image's ARGB pixels from its texture; false when its pieces are not current.
  bool ReadTextureBits(MemoryImage* image);

  // Opens the scene with its fixed states on first use; false when nothing may be drawn.
  bool PrepareDraw();
  void SetDrawMode(int32_t mode);
  void SetLinearFilter(bool on);

  // Drawing into the draw surface; coordinates are the screen's.
  void FillRect(const Rect& rect, const Color& color, int32_t mode);
  void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t mode);
  // A convex polygon of integer points moved by (tx, ty), clipped to `clip` when given.
  void FillPoly(const VeskVector2* points, int32_t count, const Rect* clip, const Color& color, int32_t mode,
                int32_t tx, int32_t ty);
  // The source rectangle unscaled at (x, y).
  void Blit(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color, int32_t mode,
            bool linear);
  // The source rectangle through `matrix`, placed at (x, y); `centred` turns it about its middle.
  // With a mask image, the image's alpha is multiplied by the mask's, the mask's source rectangle
  // standing for its frame rectangle moved by its own transform; nothing is drawn when the mask
  // has no usable texture, and the mask is ignored while a transform is in force.
  void BlitTransformed(MemoryImage* image, const Rect* clip, const Color& color, int32_t mode, const Rect& srcRect,
                       const Matrix3& matrix, bool linear, float x, float y, bool centred,
                       const ImageMask* mask = nullptr);
  void BlitTriangles(MemoryImage* image, const TriVertex (*vertices)[3], int32_t count, const Rect& clip,
                     const Color& color, int32_t mode, float tx, float ty, bool linear);
  void BlitTranslated(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect* clip,
                      const Color& color, int32_t mode);
  void BlitMirrored(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color, int32_t mode,
                    bool linear);
  void BlitStretched(MemoryImage* image, const Rect& destRect, const Rect& srcRect, const Rect* clip,
                     const Color& color, int32_t mode, bool fast, bool mirror);
  void BlitRotated(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect* clip, const Color& color,
                   int32_t mode, double angle, float centerX, float centerY);

  // Piece size for an image dimension pair (see the cutting rules in the source).
  void GetTexturePieceSize(int32_t& width, int32_t& height, bool exactPowerOfTwo, bool fitToHardware,
                           int32_t flags) const;

  // Test seams: the caps the next InitD3D gives its device, and the device itself.
  void SetDeviceCaps(const Platform::Video::DeviceCaps& caps) { mDeviceCaps = caps; }
  Platform::Video::SoftDevice* GetDevice() const { return mDevice.get(); }
  // Forgets an image whose texture record is going (called by the record).
  void ForgetImage(MemoryImage* image);
  size_t TexturedImageCount() const;

  DDInterface* mDisplay;
  int32_t mWidth = 800, mHeight = 600;
  std::shared_ptr<Platform::Video::Surface> mDrawSurface;
  Platform::Video::Area mViewport;
  bool mSceneOpen = false;
  bool mWindowed = true;
  std::set<MemoryImage*> mImages;
  // Transforms applied to what is drawn (the top one), none by default.
  std::vector<Matrix3> mTransforms;

  // Device limits, read by InitD3D.
  int32_t mMinTextureWidth = 64, mMinTextureHeight = 64;
  int32_t mMaxTextureWidth = 64, mMaxTextureHeight = 64;
  int32_t mMaxTextureAspect = 1;
  bool mPowerOfTwoOnly = false;
  uint32_t mTextureFormats = 0;
  bool mLinearFilterOn = false;
  bool mRenderTargetLost = false;
  std::string mLastD3DError;

 private:
  friend class D3DTextureData;
  // Sets a piece's texture on stage 0; false when the device refused.
  bool SetPieceTexture(const TexturePiece& piece);
  // Draws a fan, clipped to the rectangle first when given.
  void DrawFan(std::vector<Platform::Video::VertexTex1>& polygon, const Rect* clip, const char* step);
  void DrawQuad(const Platform::Video::VertexTex1* quad, const char* step);
  // The image and the mask in one pass: one fan per pair of an image piece and a mask piece.
  void BlitTransformedMasked(MemoryImage* image, const Matrix3& m, const Rect& srcRect, const Color& color,
                             const Rect* clip, float x, float y, MemoryImage* mask, const Rect& maskSrc,
                             const Rect& maskFrame, const Matrix3& maskTransform);
  // The texture stages as every other drawing operation expects them.
  void RestoreStagesAfterMask();

  std::unique_ptr<Platform::Video::SoftDevice> mDevice;
  Platform::Video::DeviceCaps mDeviceCaps;
  std::string mWrittenError;
};

}  // namespace Vesk
