// The 3D layer: the device on the display's draw surface, scenes, error reporting and the
// image textures (cutting, format choice, upload and read-back).
#include "display/D3DInterface.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "shell/VeskAppBase.h"

namespace Vesk {

using namespace Platform::Video;

namespace {

int32_t NextPowerOfTwo(int32_t n) { return n <= 1 ? 1 : int32_t(std::bit_ceil(uint32_t(n))); }

// The texel of one ARGB pixel in a texture class.
uint32_t ToTexel(uint32_t c, int32_t format) {
  switch (format) {
    case TEXCLASS_A4R4G4B4:
      return ((c >> 16) & 0xF000u) | ((c >> 12) & 0x0F00u) | ((c >> 8) & 0x00F0u) | ((c >> 4) & 0x000Fu);
    case TEXCLASS_R5G6B5: return ((c >> 8) & 0xF800u) | ((c >> 5) & 0x07E0u) | ((c >> 3) & 0x001Fu);
    default: return c;
  }
}

// Back from a texel: 8-bit channels as they are; narrow ones with their bits at the top of the
// byte, except the 4-bit alpha, which is widened (15 reads 255) so transparency survives.
uint32_t FromTexel(uint32_t t, int32_t format) {
  switch (format) {
    case TEXCLASS_A4R4G4B4:
      return ((t >> 12) & 15u) * 17u << 24 | ((t >> 8) & 15u) << 20 | ((t >> 4) & 15u) << 12 | (t & 15u) << 4;
    case TEXCLASS_R5G6B5: return 0xFF000000u | ((t & 0xF800u) << 8) | ((t & 0x07E0u) << 5) | ((t & 0x001Fu) << 3);
    default: return t;
  }
}

using Guard = std::lock_guard<std::recursive_mutex>;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Texture records

D3DTextureData::~D3DTextureData() {
  if (mOwner) mOwner->ForgetImage(mImage);
}

void D3DTextureData::ReleaseTextures() {
  mPieces.clear();
  mPalette.clear();
  mTextureBytes = 0;
  mColumns = mRows = 0;
  mBuiltWidth = mBuiltHeight = 0;
}

void D3DTextureData::CreatePieces(int32_t width, int32_t height) {
  int32_t pw = width, ph = height;
  mOwner->GetTexturePieceSize(pw, ph, false, true, mFlags);
  mPieceWidth = pw;
  mPieceHeight = ph;
  const int32_t restW = width % pw, restH = height % ph;
  int32_t lastW = pw, lastH = ph;
  if (restW > 0) {
    int32_t h = ph;
    lastW = restW;
    mOwner->GetTexturePieceSize(lastW, h, true, true, mFlags);
  }
  if (restH > 0) {
    int32_t w = pw;
    lastH = restH;
    mOwner->GetTexturePieceSize(w, lastH, true, true, mFlags);
  }
  mColumns = (width + pw - 1) / pw;
  mRows = (height + ph - 1) / ph;
  mPieces.assign(size_t(mColumns) * size_t(mRows), TexturePiece());
  for (int32_t r = 0; r < mRows; ++r)
    for (int32_t c = 0; c < mColumns; ++c) {
      TexturePiece& p = mPieces[size_t(r) * size_t(mColumns) + size_t(c)];
      p.mWidth = c == mColumns - 1 ? lastW : pw;
      p.mHeight = r == mRows - 1 ? lastH : ph;
    }
  mMaxU = float(width) / float(pw);
  mMaxV = float(height) / float(ph);
}

TexturePiece* D3DTextureData::GetPieceAt(int32_t x, int32_t y, int32_t* localX, int32_t* localY) {
  if (mPieceWidth <= 0 || mPieceHeight <= 0) return nullptr;
  const int32_t c = x / mPieceWidth, r = y / mPieceHeight;
  if (x < 0 || y < 0 || c >= mColumns || r >= mRows) return nullptr;
  *localX = x % mPieceWidth;
  *localY = y % mPieceHeight;
  return &mPieces[size_t(r) * size_t(mColumns) + size_t(c)];
}

void D3DTextureData::CheckCreateTextures() {
  MemoryImage& image = *mImage;
  if (mFormat != 0 && image.mWidth == mBuiltWidth && image.mHeight == mBuiltHeight &&
      image.mBitsChangedCount == mBitsVersion && image.mTextureFlags == mFlags)
    return;
  CreateTextures();
}

void D3DTextureData::CreateTextures() {
  MemoryImage& image = *mImage;
  D3DInterface& d3d = *mOwner;
  image.CommitBits();
  const uint32_t formats = d3d.mTextureFormats;
  const bool table = image.mColorTable && image.mColorIndices;
  int32_t format = TEXCLASS_A8R8G8B8;
  // 16-bit colour only where the screen has no more than that to show.
  if (!image.mHasTrans && !image.mHasAlpha && (formats & TEXCLASS_R5G6B5) &&
      !(image.mTextureFlags & MemoryImage::TEXFLAG_FULLCOLOR) && d3d.mDisplay && d3d.mDisplay->mBitsPerPixel == 16)
    format = TEXCLASS_R5G6B5;
  if (table && (formats & TEXCLASS_PALETTE8)) format = TEXCLASS_PALETTE8;
  if (format == TEXCLASS_A8R8G8B8 &&
      (((image.mTextureFlags & MemoryImage::TEXFLAG_PREFER16) && (formats & TEXCLASS_A4R4G4B4)) ||
       !(formats & TEXCLASS_A8R8G8B8)))
    format = TEXCLASS_A4R4G4B4;
  if (!(formats & uint32_t(format))) {
    mFormat = 0;
    return;
  }
  const bool recut = image.mWidth != mBuiltWidth || image.mHeight != mBuiltHeight || format != mFormat ||
                     image.mTextureFlags != mFlags || mPieces.empty();
  if (recut) {
    // Pixels held only by the old pieces come back from them before the pieces go.
    if (!image.HasPixelData()) image.GetBits();
    ReleaseTextures();
    mFormat = format;
    mFlags = image.mTextureFlags;
    if (image.mWidth <= 0 || image.mHeight <= 0) {
      mFormat = 0;
      return;
    }
    CreatePieces(image.mWidth, image.mHeight);
  }
  if (format == TEXCLASS_PALETTE8) mPalette.assign(image.mColorTable.get(), image.mColorTable.get() + 256);
  for (int32_t i = 0; i < int32_t(mPieces.size()); ++i) {
    TexturePiece& piece = mPieces[size_t(i)];
    if (!piece.mTexture) {
      if (d3d.CheckDXError(d3d.mDevice->SetTexture(0, nullptr), "SetTexture NULL") ||
          d3d.CheckDXError(d3d.mDevice->CreateTexture(piece.mWidth, piece.mHeight, uint32_t(format), &piece.mTexture),
                           "CreateSurface Texture")) {
        ReleaseTextures();
        mFormat = 0;
        return;
      }
      ++mTexturesMade;
      mTextureBytes += piece.mWidth * piece.mHeight * BytesPerTexel() + (format == TEXCLASS_PALETTE8 ? 1024 : 0);
    }
    if (format == TEXCLASS_PALETTE8) piece.mTexture->SetPalette(mPalette.data(), 256);
    if (!UploadPiece(i)) {
      mFormat = 0;
      return;
    }
  }
  mBuiltWidth = image.mWidth;
  mBuiltHeight = image.mHeight;
  mBitsVersion = image.mBitsChangedCount;
  mFormat = format;
}

bool D3DTextureData::UploadPiece(int32_t index) {
  MemoryImage& image = *mImage;
  D3DInterface& d3d = *mOwner;
  TexturePiece& piece = mPieces[size_t(index)];
  const int32_t col = index % mColumns, row = index / mColumns;
  const int32_t x0 = col * mPieceWidth, y0 = row * mPieceHeight;
  const int32_t w = std::min(piece.mWidth, image.mWidth - x0), h = std::min(piece.mHeight, image.mHeight - y0);
  LockInfo lock;
  if (d3d.CheckDXError(piece.mTexture->Lock(&lock), "Lock Texture")) return false;
  const bool indexed = mFormat == TEXCLASS_PALETTE8;
  const uint8_t* indices = indexed ? image.mColorIndices.get() : nullptr;
  const uint32_t* bits = indexed ? nullptr : image.GetBits();
  const int32_t bytes = BytesPerTexel();
  // The copied part, then its last column and last row once more, so that filtering at the
  // image's edge reads the edge and not what lies beyond.
  const int32_t rows = std::min(piece.mHeight, h + 1), cols = std::min(piece.mWidth, w + 1);
  if (w > 0 && h > 0 && (bits || indices)) {
    for (int32_t y = 0; y < rows; ++y) {
      const size_t from = size_t(y0 + std::min(y, h - 1)) * size_t(image.mWidth) + size_t(x0);
      uint8_t* dst = lock.mBits + size_t(y) * size_t(lock.mPitch);
      if (indexed) {
        std::memcpy(dst, indices + from, size_t(w));
      } else if (bytes == 4) {
        std::memcpy(dst, bits + from, size_t(w) * 4);
      } else {
        for (int32_t x = 0; x < w; ++x) {
          const uint16_t t = uint16_t(ToTexel(bits[from + size_t(x)], mFormat));
          std::memcpy(dst + size_t(x) * 2, &t, 2);
        }
      }
      if (cols > w) std::memcpy(dst + size_t(w) * size_t(bytes), dst + size_t(w - 1) * size_t(bytes), size_t(bytes));
    }
  }
  ++mUploads;
  return !d3d.CheckDXError(piece.mTexture->Unlock(), "Texture Unlock");
}

// ---------------------------------------------------------------------------------------------
// The device

D3DInterface::D3DInterface(DDInterface* display) : mDisplay(display) {}

D3DInterface::~D3DInterface() { Cleanup(); }

bool D3DInterface::CheckDXError(Result result, const char* step) {
  if (result == Result::Ok) return false;
  mLastD3DError = std::string(step) + ": " + ResultName(result);
  LogMessage("ERROR: 3D: %s", mLastD3DError.c_str());
  // The same failure repeated within a frame is written once.
  if (mLastD3DError != mWrittenError && mDisplay && mDisplay->mApp) {
    mWrittenError = mLastD3DError;
    mDisplay->mApp->RegWriteString("Test3D\\RuntimeError", mLastD3DError);
  }
  return true;
}

bool D3DInterface::InitFromDDInterface(DDInterface* display) {
  mLastD3DError.clear();
  mWrittenError.clear();
  mDisplay = display;
  mDrawSurface = display->mDrawSurface;
  if (!mDrawSurface) {
    CheckDXError(Result::NoPrimary, "Query DrawSurface");
    return false;
  }
  mWidth = mDrawSurface->Width();
  mHeight = mDrawSurface->Height();
  mWindowed = display->mWindowed;
  return InitD3D();
}

bool D3DInterface::InitD3D() {
  mDevice = std::make_unique<SoftDevice>(mDeviceCaps);
  // The calls the setting "D3DFault" makes fail, fail here too: a start that fails, or a frame
  // whose drawing fails, can be brought about on the software device.
  if (Device* display = mDisplay ? mDisplay->GetDevice() : nullptr)
    for (const std::string& call : display->Faults().mFailedCalls) mDevice->FailCall(call, Result::Generic);
  if (CheckDXError(mDevice->SetRenderTarget(mDrawSurface), "CreateDevice IID_IDirect3DHALDevice")) {
    mDevice.reset();
    return false;
  }
  const DeviceCaps& caps = mDevice->Caps();
  if (caps.mMaxTextureWidth <= 0) {
    mMinTextureWidth = mMinTextureHeight = mMaxTextureWidth = mMaxTextureHeight = 64;
    mMaxTextureAspect = 1;
  } else {
    mMinTextureWidth = std::max(caps.mMinTextureWidth, 1);
    mMinTextureHeight = std::max(caps.mMinTextureHeight, 1);
    mMaxTextureWidth = std::min(caps.mMaxTextureWidth, 2048);
    mMaxTextureHeight = std::min(caps.mMaxTextureHeight, 2048);
    mMaxTextureAspect = caps.mMaxTextureAspect == 0 ? 65536 : caps.mMaxTextureAspect;
  }
  mPowerOfTwoOnly = !caps.mNonPowerOfTwo;
  mTextureFormats = mDevice->TextureFormats();
  if (!caps.mAlphaPalette) mTextureFormats &= ~uint32_t(TEXCLASS_PALETTE8);
  // The viewport is the surface: the window's client area may be larger than the picture.
  mViewport = {0, 0, mWidth, mHeight};
  if (CheckDXError(mDevice->SetViewport(mViewport), "SetViewport") ||
      CheckDXError(mDevice->Clear(nullptr, 0, 0xFF000000u), "Clear")) {
    mDevice.reset();
    return false;
  }
  mSceneOpen = false;
  mLinearFilterOn = false;
  mRenderTargetLost = false;
  return true;
}

void D3DInterface::Flush() {
  if (!mSceneOpen) return;
  if (mDevice) mDevice->EndScene();
  mSceneOpen = false;
  mLastD3DError.clear();
}

void D3DInterface::Cleanup() {
  Flush();
  {
    // The records stay with their images (a loader thread may be deleting one right now) but
    // lose their textures and their tie to this layer; the next draw makes new ones.
    std::unique_lock<std::recursive_mutex> guard;
    if (mDisplay) guard = std::unique_lock<std::recursive_mutex>(mDisplay->GetLock());
    for (MemoryImage* image : mImages)
      if (auto* data = dynamic_cast<D3DTextureData*>(image->mTextureData.get())) {
        // Pixels held only by the texture come back from it (the software route draws from them).
        if (!image->HasPixelData()) ReadTextureBits(image);
        data->mOwner = nullptr;
        data->ReleaseTextures();
        data->mFormat = 0;
      }
    mImages.clear();
  }
  mDevice.reset();
  mDrawSurface.reset();
}

void D3DInterface::ForgetImage(MemoryImage* image) {
  if (!mDisplay) {
    mImages.erase(image);
    return;
  }
  Guard guard(mDisplay->GetLock());
  mImages.erase(image);
}

size_t D3DInterface::TexturedImageCount() const { return mImages.size(); }

bool D3DInterface::CreateImageTexture(MemoryImage* image) {
  if (!image || !mDevice) return false;
  auto* data = dynamic_cast<D3DTextureData*>(image->mTextureData.get());
  if (!data || data->mOwner != this) {
    auto fresh = std::make_unique<D3DTextureData>(this, image);
    data = fresh.get();
    image->mTextureData = std::move(fresh);
    Guard guard(mDisplay->GetLock());
    mImages.insert(image);
  }
  data->CheckCreateTextures();
  if (image->mPurgeBits && data->mFormat != 0) image->PurgeBits();
  // An 8-bit-per-channel texture holds the pixels exactly: they are kept once, there. A
  // display's image reads them back from it when they are needed (see DDImage::GetBits), one
  // with a surface of its own from that surface, so it keeps them; another reads its file again.
  auto* dd = dynamic_cast<DDImage*>(image);
  if (data->mFormat == TEXCLASS_A8R8G8B8 && !(dd && dd->HasSurface()) && image->MayDropBits(dd != nullptr))
    image->DropBits();
  return data->mFormat != 0;
}

void D3DInterface::ReleaseImageTexture(MemoryImage* image) {
  if (!image) return;
  if (!image->HasPixelData()) ReadTextureBits(image);
  image->mTextureData.reset();
}

bool D3DInterface::ReadTextureBits(MemoryImage* image) {
  auto* data = image ? dynamic_cast<D3DTextureData*>(image->mTextureData.get()) : nullptr;
  if (!data || data->mFormat == 0 || data->mBitsVersion != image->mBitsChangedCount ||
      data->mBuiltWidth != image->mWidth || data->mBuiltHeight != image->mHeight)
    return false;
  auto bits = MemoryImage::AllocateBits(image->mWidth, image->mHeight);
  for (int32_t i = 0; i < int32_t(data->mPieces.size()); ++i) {
    TexturePiece& piece = data->mPieces[size_t(i)];
    const int32_t x0 = (i % data->mColumns) * data->mPieceWidth, y0 = (i / data->mColumns) * data->mPieceHeight;
    const int32_t w = std::min(piece.mWidth, image->mWidth - x0), h = std::min(piece.mHeight, image->mHeight - y0);
    LockInfo lock;
    if (CheckDXError(piece.mTexture->Lock(&lock), "Lock Texture")) return false;
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* row = lock.mBits + size_t(y) * size_t(lock.mPitch);
      uint32_t* dst = bits.get() + size_t(y0 + y) * size_t(image->mWidth) + size_t(x0);
      for (int32_t x = 0; x < w; ++x) {
        if (data->mFormat == TEXCLASS_PALETTE8) {
          dst[x] = data->mPalette[row[x]];
        } else if (data->mFormat == TEXCLASS_A8R8G8B8) {
          std::memcpy(&dst[x], row + size_t(x) * 4, 4);
        } else {
          uint16_t t;
          std::memcpy(&t, row + size_t(x) * 2, 2);
          dst[x] = FromTexel(t, data->mFormat);
        }
      }
    }
    if (CheckDXError(piece.mTexture->Unlock(), "Texture Unlock")) return false;
  }
  image->mBits = std::move(bits);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Piece sizes

void D3DInterface::GetTexturePieceSize(int32_t& width, int32_t& height, bool exactPowerOfTwo, bool fitToHardware,
                                       int32_t flags) const {
  if (flags & MemoryImage::TEXFLAG_64X64) {
    width = height = 64;
    return;
  }
  // For each size below 2048, the piece that wastes at most 64 texels at the image's edge: the
  // next power of two, or a smaller power of two whose last piece is small or itself a power.
  static const std::vector<int32_t> table = [] {
    std::vector<int32_t> t(2048);
    for (int32_t n = 0; n < 2048; ++n) {
      const int32_t p = NextPowerOfTwo(n);
      int32_t q = p;
      if (p - n > 64) {
        q = p / 2;
        while (q > 1 && n % q >= 64 && !std::has_single_bit(uint32_t(n % q))) q /= 2;
      }
      t[size_t(n)] = q;
    }
    return t;
  }();
  if (fitToHardware) {
    auto fit = [&](int32_t& v, int32_t max) {
      if (v >= max)
        v = max;
      else if (exactPowerOfTwo || (flags & MemoryImage::TEXFLAG_POW2))
        v = NextPowerOfTwo(v);
      else
        v = table[size_t(std::max(v, 0))];
    };
    fit(width, mMaxTextureWidth);
    fit(height, mMaxTextureHeight);
  }
  width = std::max(width, mMinTextureWidth);
  height = std::max(height, mMinTextureHeight);
  while (mMaxTextureAspect > 0 && std::max(width, height) > int64_t(mMaxTextureAspect) * std::min(width, height)) {
    if (width < height)
      width *= 2;
    else
      height *= 2;
  }
}

// ---------------------------------------------------------------------------------------------
// Scene and states

bool D3DInterface::PrepareDraw() {
  if (!mDevice) return false;
  if (mDisplay && mDisplay->mApp && mDisplay->mApp->mNoDrawing) return false;
  if (!mSceneOpen) {
    if (mDevice->SetRenderTarget(mDrawSurface) != Result::Ok) {
      mRenderTargetLost = true;
      return false;
    }
    mRenderTargetLost = false;
    mDevice->SetViewport(mViewport);
    if (CheckDXError(mDevice->BeginScene(), "BeginScene")) return false;
    SoftDevice& d = *mDevice;
    d.SetRenderState(RenderState::AlphaBlendEnable, 1);
    d.SetRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
    d.SetRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
    d.SetRenderState(RenderState::Lighting, 0);
    for (int32_t s = 0; s < 2; ++s) {
      // Stage 0 starts with point filters, which LinearFilterOn = false says it has.
      const uint32_t filter = s == 0 ? FILTER_POINT : FILTER_LINEAR;
      d.SetTextureStageState(s, StageState::MinFilter, filter);
      d.SetTextureStageState(s, StageState::MagFilter, filter);
      d.SetTextureStageState(s, StageState::MipFilter, filter);
      d.SetTextureStageState(s, StageState::AlphaOp, TOP_MODULATE);
      d.SetTextureStageState(s, StageState::BorderColor, 0);
      const uint32_t address = s == 0 ? ADDRESS_CLAMP : ADDRESS_BORDER;
      d.SetTextureStageState(s, StageState::AddressU, address);
      d.SetTextureStageState(s, StageState::AddressV, address);
    }
    d.SetRenderState(RenderState::DitherEnable, 0);
    d.SetRenderState(RenderState::SpecularEnable, 0);
    d.SetRenderState(RenderState::ZWriteEnable, 0);
    d.SetRenderState(RenderState::ZEnable, 0);
    d.SetRenderState(RenderState::CullMode, CULL_NONE);
    mSceneOpen = true;
    mLinearFilterOn = false;
  }
  return true;
}

void D3DInterface::SetDrawMode(int32_t mode) {
  mDevice->SetRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
  mDevice->SetRenderState(RenderState::DestBlend, mode == MODE_ADDITIVE ? BLEND_ONE : BLEND_INVSRCALPHA);
}

void D3DInterface::SetLinearFilter(bool on) {
  if (mLinearFilterOn == on) return;
  const uint32_t filter = on ? FILTER_LINEAR : FILTER_POINT;
  const char* step = on ? "SetTextureStageState LINEAR" : "SetTextureStageState Point";
  if (CheckDXError(mDevice->SetTextureStageState(0, StageState::MinFilter, filter), step) ||
      CheckDXError(mDevice->SetTextureStageState(0, StageState::MagFilter, filter), step) ||
      CheckDXError(mDevice->SetTextureStageState(0, StageState::MipFilter, filter), step))
    return;
  mDevice->SetTextureStageState(0, StageState::TexCoordIndex, 0);
  mLinearFilterOn = on;
}

}  // namespace Vesk
