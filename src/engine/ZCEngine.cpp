#include "engine/ZCEngine.h"

#include <algorithm>

#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "fonts/ZCFont.h"
#include "graphics/ImageLib.h"
#include "platform/audio/Audio.h"
#include "resources/ResourceManager.h"
#include "resources/SharedImages.h"
#include "resources/ZCTextureCache.h"
#include "platform/window/Window.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/XmlNode.h"
#include "sound/MusicInterface.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"

namespace {
constexpr int kAudioFrequency = 44100;
}

ZCEngine* GetEngine() { return static_cast<ZCEngine*>(gVeskApp); }

TextVars* GetTextVars() {
  ZCEngine* engine = GetEngine();
  return engine ? engine->GetTextVarsTable() : nullptr;
}

ZCEngine::ZCEngine()
    : mSharedImages(std::make_unique<SharedImageTable>([this](const std::string& f) { return LoadImageFile(f); })),
      mTextureCache(std::make_unique<ZCTextureCache>([this](const std::string& f) { return LoadImageFile(f); })),
      mFontTable(std::make_unique<ZCFontTable>()),
      mResourceManager(
          std::make_unique<Vesk::ResourceManager>([this](const std::string& f) { return LoadImageFile(f); })),
      mMusicInterface(std::make_unique<Vesk::SdlMusicInterface>()),
      mSoundManager(std::make_unique<SoundManager>()),
      mMusic(std::make_unique<ZCMusic>(mMusicInterface.get())),
      mParticles(std::make_unique<ParticleSystemTable>()),
      mEffects(std::make_unique<EffectLibrary>()) {
  // The game's data: the packs beside the executable (the current folder), then the disk.
  AddStandardPaks(GetPakInterface(), ".");
  ZCFontTable::SetCurrent(mFontTable.get());
  mScreen.assign(size_t(mAppWidth) * size_t(mAppHeight), 0xFF000000u);
  // What the effects reach of the application: the particle table, the sounds and the effect
  // definitions that CreateEffect reads.
  EffectServices& services = GetEffectServices();
  services.mParticles = mParticles.get();
  services.mPlaySound = [this](const std::string& name) {
    if (mSoundManager) mSoundManager->PlaySound(name);
  };
  // Animation sheets are shared through the shared-image table: the pointer handed out keeps
  // its share, which is released with the last copy.
  services.mLoadImage = [this](const std::string& file) -> std::shared_ptr<Vesk::MemoryImage> {
    auto ref = std::make_shared<ImageRef>();
    if (!GetSharedImage(*ref, file)) return nullptr;
    Vesk::MemoryImage* image = ref->GetImage();
    return std::shared_ptr<Vesk::MemoryImage>(std::move(ref), image);
  };
  SetEffectLibrary(mEffects.get());
}

ZCEngine::~ZCEngine() {
  // The music and the sounds go before the output closes.
  JoinLoader();
  EffectServices& services = GetEffectServices();
  services.mParticles = nullptr;
  services.mPlaySound = nullptr;
  services.mLoadImage = nullptr;
  SetEffectLibrary(nullptr);
  mParticles->StopAll();
  mMusic.reset();
  mSoundManager.reset();
  mMusicInterface.reset();
  Platform::Audio::Close();
  if (ZCFontTable::GetCurrent() == mFontTable.get()) ZCFontTable::SetCurrent(nullptr);
}

std::unique_ptr<Vesk::MemoryImage> ZCEngine::CreateImage() { return std::make_unique<Vesk::MemoryImage>(); }

std::unique_ptr<Vesk::MemoryImage> ZCEngine::LoadImageFile(const std::string& path, bool purgeAfterUpload) {
  std::unique_ptr<Vesk::MemoryImage> decoded = ImageLib::GetImage(path);
  if (!decoded) return nullptr;
  std::unique_ptr<Vesk::MemoryImage> image = CreateImage();
  if (!image) return nullptr;
  image->SetBits(decoded->GetBits(), decoded->mWidth, decoded->mHeight);
  image->mFilePath = decoded->mFilePath;
  image->mNumRows = decoded->mNumRows;
  image->mNumCols = decoded->mNumCols;
  image->mPurgeBits = purgeAfterUpload;
  return image;
}

bool ZCEngine::GetSharedImage(ImageRef& ref, const std::string& file, const std::string& prefix, int32_t flags) {
  return mSharedImages->GetSharedImage(ref, file, prefix, flags);
}

bool ZCEngine::Init() {
  mWidth = mAppWidth;
  mHeight = mAppHeight;
  if (!VeskAppBase::Init()) return false;
  mEffects->Load("cfg\\effect.xml");
  std::string error;
  if (!Platform::Audio::Open(kAudioFrequency, &error))
    LogMessage("WARNING: no sound output (%s); the game runs silent", error.c_str());
  ApplySoundSettings();
  return true;
}

void ZCEngine::LoadConfig() {
  LoadUiResources();
  XmlNode doc = LoadXmlDocument("cfg\\cfg.xml");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) {
    if (doc) LogMessage("ERROR: cfg\\cfg.xml has no \"root\" element");
    return;
  }
  mSoundManager->LoadSounds(root);
  mMusic->LoadMusic(root);
}

void ZCEngine::LoadUiResources() {
  XmlNode doc = LoadXmlDocument("cfg\\ui.xml");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) {
    if (doc) LogMessage("ERROR: cfg\\ui.xml has no \"root\" element");
    return;
  }
  mTextureCache->LoadTextures(root);
  mFontTable->LoadFonts(root);
}

void ZCEngine::UpdateStep() {
  mSoundManager->Update();
  mMusic->Update(mFrameTime);
}

void ZCEngine::ShutdownServices() { mMusic->Stop(false); }

void ZCEngine::ApplySoundSettings() {
  mSoundManager->SetVolume(mMuted ? 0 : mSfxVolume);
  mMusic->SetVolume(mMuted ? 0 : mMusicVolume);
}

void ZCEngine::SetSfxVolume(int32_t volume) {
  mSfxVolume = std::clamp(volume, 0, 100);
  ApplySoundSettings();
}

void ZCEngine::SetMusicVolume(int32_t volume) {
  mMusicVolume = std::clamp(volume, 0, 100);
  ApplySoundSettings();
}

void ZCEngine::SetMuted(bool muted) {
  mMuted = muted;
  ApplySoundSettings();
}

void ZCEngine::Start() {
  mStartupLoading = true;
  mLoaded.store(false, std::memory_order_release);
  StartLoaderThread([this] {
    LoadConfig();
    Platform::Audio::ReleaseThreadState();
    mLoaded.store(true, std::memory_order_release);
  });
  VeskAppBase::Start();
}

void ZCEngine::OnLoaderFinished() {
  if (mStartupLoading) {
    mStartupLoading = false;
    LoadingCompleted();
  }
  mDirty = true;
}

void ZCEngine::HandleInput(const Platform::InputEvent& event) {
  VeskAppBase::HandleInput(event);
  if (event.mType == Platform::InputEvent::Type::Activate) mDirty = true;
}

void ZCEngine::DrawFrame() {
  mDirty = false;
  if (mWindow) mWindow->Present(mScreen.data(), mAppWidth * 4);
}
