#include "engine/ZCEngine.h"

#include <algorithm>
#include <chrono>

#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"
#include "platform/time/Clock.h"

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
#include "effects/EffectCallbacks.h"
#include "widgets/CursorTable.h"
#include "widgets/FrameStep.h"
#include "widgets/WidgetManager.h"
#include "widgets/WidgetServices.h"
#include "widgets/ZCDialog.h"

namespace {
constexpr int kAudioFrequency = 44100;
// The cursor thread's period.
constexpr int kCursorPeriodMs = 10;

}  // namespace

// The display centres a cursor picture on the mouse position, so the arrow's tip is drawn at the
// picture's centre and its body fills the bottom-right quarter.
void ZCEngine::DrawArrowCursor(Vesk::MemoryImage& image) {
  const char* rows[] = {
      "X", "XX", "X.X", "X..X", "X...X", "X....X", "X.....X", "X......X", "X.......X", "X........X",
      "X.....XXXX", "X..X..X", "X.X X..X", "XX  X..X", "X    X..X", "     X..X", "      XX",
  };
  const int32_t arrowW = 12, arrowH = int32_t(sizeof(rows) / sizeof(rows[0]));
  const int32_t w = 2 * arrowW, h = 2 * arrowH;
  std::vector<uint32_t> bits(size_t(w) * h, 0);
  for (int32_t y = 0; y < arrowH; ++y)
    for (int32_t x = 0; rows[y][x]; ++x)
      if (rows[y][x] != ' ')
        bits[size_t(y + h / 2) * w + size_t(x + w / 2)] = rows[y][x] == 'X' ? 0xFF000000u : 0xFFFFFFFFu;
  image.SetBits(bits.data(), w, h);
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
      mEffects(std::make_unique<EffectLibrary>()),
      mCursorTable(std::make_unique<CursorTable>()),
      mWidgetManager(std::make_unique<Vesk::WidgetManager>(mAppWidth, mAppHeight)) {
  // The game's data: the packs beside the executable (the current folder), then the disk; names
  // read from data reach nothing outside the two.
  GetPakInterface()->ConfineToDataFolder(true);
  AddStandardPaks(GetPakInterface(), ".", &mPakProblems);
  ZCFontTable::SetCurrent(mFontTable.get());
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
  // What the widget kit reaches of the application.
  WidgetServices& widgets = GetWidgetServices();
  widgets.mPlaySound = [this](const std::string& name) {
    if (mSoundManager) mSoundManager->PlaySound(name);
  };
  widgets.mTextures = mTextureCache.get();
  widgets.mLocTable = &mLocTable;
  widgets.mTextVars = &mTextVars;
  SetCursorTable(mCursorTable.get());
  // Clicks wait while an effect locks the widgets (dialogs animating).
  mWidgetManager->mInputLocked = AreWidgetsLocked;
  mRootDialog = new ZCDialog(0, this);
  mRootDialog->SetName("root");
  mRootDialog->Resize(0, 0, mAppWidth, mAppHeight);
  mRootDialog->SetVisible(true);
  mWidgetManager->AddWidget(mRootDialog);
}

ZCEngine::~ZCEngine() {
  StopCursorThread();
  // The music and the sounds go before the output closes.
  JoinLoader();
  // The widgets go while everything they use is still there.
  for (ZCCandyWidget* w : mLoadedWidgets) delete w;
  mLoadedWidgets.clear();
  mRootDialog = nullptr;
  mWidgetManager.reset();
  mCursorTable->SetImageSink(nullptr);
  if (mDDInterface) mDDInterface->SetCursorImage(nullptr);
  mCursorTable.reset();
  SetCursorTable(nullptr);
  GetWidgetServices() = WidgetServices();
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
  mArrowCursor.reset();
  if (ZCFontTable::GetCurrent() == mFontTable.get()) ZCFontTable::SetCurrent(nullptr);
}

std::unique_ptr<Vesk::MemoryImage> ZCEngine::CreateImage() {
  // Every image becomes an image of the display once there is one.
  if (mDDInterface) return mDDInterface->CreateImage();
  return std::make_unique<Vesk::MemoryImage>();
}

std::unique_ptr<Vesk::MemoryImage> ZCEngine::LoadImageFile(const std::string& path, bool purgeAfterUpload) {
  std::unique_ptr<Vesk::MemoryImage> decoded = ImageLib::GetImage(path);
  if (!decoded) return nullptr;
  std::unique_ptr<Vesk::MemoryImage> image = CreateImage();
  if (!image) return nullptr;
  image->TakeFilePixels(*decoded);
  image->mPurgeBits = purgeAfterUpload;
  return image;
}

bool ZCEngine::GetSharedImage(ImageRef& ref, const std::string& file, const std::string& prefix, int32_t flags) {
  return mSharedImages->GetSharedImage(ref, file, prefix, flags);
}

std::string ZCEngine::GetPakProblem(const std::string& pack) const {
  auto it = mPakProblems.find(pack);
  return it == mPakProblems.end() ? std::string() : it->second;
}

bool ZCEngine::Init() {
  // The mod pack is optional, but one that is there and cannot be read would leave the player
  // with a game that is not the one installed.
  if (GetPakProblem("mod.pak") == "damaged") {
    EndWithError("DAMAGED_MOD_PAK", "mod.pak is damaged");
    return false;
  }
  mWidth = mAppWidth;
  mHeight = mAppHeight;
  if (!VeskAppBase::Init()) return false;
  // The colour depth of the screen: 32 bits, or 16 (565) or 15 (555) to see the 16-bit drawing.
  int32_t depth = 0;
  if (RegReadInt("ColorDepth", depth)) {
    if (depth == 32 || depth == 16 || depth == 15)
      mFullScreenBitDepth = depth;
    else
      LogMessage("WARNING: setting ColorDepth must be 32, 16 or 15 (found %d); using %d", depth, mFullScreenBitDepth);
  }
  if (!InitDisplay()) return false;
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
  mCursorTable->Load(root, mTextureCache.get());
  mUiDocument = doc;
}

void ZCEngine::AddLoadedWidget(ZCCandyWidget* widget) {
  if (widget) mLoadedWidgets.push_back(widget);
}

void ZCEngine::LoadingCompleted() {
  if (mCustomCursors && mDDInterface && mWindow) {
    mCursorTable->SetImageSink([this](Vesk::Image* image) {
      // Without a cursor of its own the table leaves the built-in arrow.
      mDDInterface->SetCursorImage(image ? image : (mCursorTable->IsShown() ? mArrowCursor.get() : nullptr));
    });
    mCursorTable->SetCursor("normal");
    mCursorTable->Show();
  }
}

bool ZCEngine::IsDirty() const { return mDirty || mWidgetManager->IsDirty(); }

void ZCEngine::UpdateStep() {
  // A level handed over here starts before this step's updates.
  PollLevelHandOver();
  mSoundManager->Update();
  mMusic->Update(mFrameTime);
  SetFrameStep(float(mFrameTime) / 1000.0f);
  mWidgetManager->UpdateFrame();
}

void ZCEngine::ShutdownServices() {
  StopCursorThread();
  mMusic->Stop(false);
}

bool ZCEngine::InitDisplay() {
  if (!mDDInterface) mDDInterface = std::make_unique<Vesk::DDInterface>(this);
  int32_t result = mDDInterface->Init(mWindow.get(), mWindowed);
  if (result == Vesk::DDInterface::RESULT_UNKNOWN && mDDInterface->mIs3D) {
    // The 3D layer could not start: the display draws in software.
    LogMessage("WARNING: %s; drawing in software", mDDInterface->GetLastError().c_str());
    mDDInterface->mIs3D = false;
    result = mDDInterface->Init(mWindow.get(), mWindowed);
  }
  if (result != Vesk::DDInterface::RESULT_OK) {
    ShowError("FAILED_INIT_DIRECTDRAW",
              Vesk::DDInterface::ResultToString(result) + " (" + mDDInterface->GetLastError() + ")");
    return false;
  }
  if (mCustomCursors && mWindow) {
    if (!mArrowCursor) {
      mArrowCursor = mDDInterface->CreateImage();
      DrawArrowCursor(*mArrowCursor);
    }
    mDDInterface->SetCursorImage(mArrowCursor.get());
    mWindow->ShowSystemCursor(false);
  }
  mDirty = true;
  return true;
}

void ZCEngine::StopCursorThread() {
  mCursorThreadStop.store(true, std::memory_order_release);
  if (mCursorThread.joinable()) mCursorThread.join();
}

void ZCEngine::SwitchScreenMode(bool windowed, bool is3D, bool force) {
  bool wasWindowed = mWindowed;
  bool was3D = mIs3D;
  VeskAppBase::SwitchScreenMode(windowed, is3D, force);
  // The route follows the switch: a test or the player may ask for either.
  if (mDDInterface && was3D != mIs3D) mDDInterface->mIs3D = mIs3D;
  if (mDDInterface && (force || wasWindowed != mWindowed || was3D != mIs3D)) {
    if (!InitDisplay()) ShutdownWithFailure();
  }
}

void ZCEngine::SleepMs(uint32_t ms) {
  uint64_t end = Platform::GetTickMs() + ms;
  for (;;) {
    if (mWindow) {
      size_t before = mInputQueue.size();
      mWindow->PumpEvents(mInputQueue);
      for (size_t i = before; i < mInputQueue.size(); ++i) {
        Platform::InputEvent& ev = mInputQueue[i];
        if (ev.mType == Platform::InputEvent::Type::MouseMove) {
          int32_t x = ev.mX, y = ev.mY;
          ToPicture(x, y);
          mMouseX = x;
          mMouseY = y;
        }
      }
    }
    if (mDDInterface) mDDInterface->PresentIfChanged();
    uint64_t now = Platform::GetTickMs();
    if (now >= end) break;
    Platform::SleepMs(uint32_t(std::min<uint64_t>(end - now, 5)));
  }
}

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
  if (mDDInterface && !mCursorThread.joinable()) {
    // Moves the software cursor while the main thread is busy; the main thread shows it.
    mCursorThreadStop.store(false, std::memory_order_release);
    mCursorThread = std::thread([this] {
      while (!mCursorThreadStop.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kCursorPeriodMs));
        int32_t x = mMouseX, y = mMouseY;
        if (x != mDDInterface->mCursorDrawnX || y != mDDInterface->mCursorDrawnY) mDDInterface->SetCursorPos(x, y);
      }
    });
  }
  BeginStartupLoading();
  VeskAppBase::Start();
}

void ZCEngine::BeginStartupLoading() {
  mStartupLoading = true;
  mLoaded.store(false, std::memory_order_release);
  StartLoaderThread([this] {
    {
      // The screens and dialogs built here share pictures (the book's pages, the buttons);
      // each widget locks its pictures while it stands alone and lets them go when it joins a
      // hidden parent. Held, each picture is read once.
      ZCTextureCache::Hold hold(mTextureCache.get());
      LoadConfig();
    }
    Platform::Audio::ReleaseThreadState();
    mLoaded.store(true, std::memory_order_release);
  });
}

void ZCEngine::SetLevelHandOver(std::function<void()> poll) {
  std::lock_guard<std::mutex> lock(mLevelHandOverLock);
  mLevelHandOver = std::move(poll);
}

void ZCEngine::PollLevelHandOver() {
  std::function<void()> handOver;
  {
    std::lock_guard<std::mutex> lock(mLevelHandOverLock);
    handOver = mLevelHandOver;
  }
  if (handOver && !IsShutdownRequested()) handOver();
}

void ZCEngine::OnLoaderFinished() {
  if (mStartupLoading) {
    mStartupLoading = false;
    // The widgets built by the loader join the tree here, on the main thread.
    std::vector<ZCCandyWidget*> loaded;
    loaded.swap(mLoadedWidgets);
    for (ZCCandyWidget* w : loaded) mRootDialog->AddWidget(w);
    LoadingCompleted();
  }
  mDirty = true;
}

void ZCEngine::ToPicture(int32_t& x, int32_t& y) const {
  if (mPresentWidth <= 0 || mPresentHeight <= 0 || !mDDInterface) return;
  x = int32_t(int64_t(x - mPresentX) * mDDInterface->mWidth / mPresentWidth);
  y = int32_t(int64_t(y - mPresentY) * mDDInterface->mHeight / mPresentHeight);
}

void ZCEngine::HandleInput(const Platform::InputEvent& event) {
  Platform::InputEvent e = event;
  if (e.mType == Platform::InputEvent::Type::MouseMove || e.mType == Platform::InputEvent::Type::MouseDown ||
      e.mType == Platform::InputEvent::Type::MouseUp) {
    ToPicture(e.mX, e.mY);
    mMouseX = e.mX;
    mMouseY = e.mY;
  }
  using Type = Platform::InputEvent::Type;
  Vesk::WidgetManager& widgets = *mWidgetManager;
  switch (e.mType) {
    case Type::MouseMove: widgets.MouseMove(e.mX, e.mY); break;
    case Type::MouseDown: widgets.MouseDown(e.mX, e.mY, e.mButton, e.mClicks); break;
    case Type::MouseUp: widgets.MouseUp(e.mX, e.mY, e.mButton); break;
    case Type::MouseWheel: widgets.MouseWheel(e.mButton); break;
    case Type::MouseLeave: widgets.MouseExit(); break;
    case Type::KeyDown:
      if (e.mKey == kScreenshotKey) WriteScreenshot();
      widgets.KeyDown(e.mKey);
      break;
    case Type::KeyUp: widgets.KeyUp(e.mKey); break;
    case Type::KeyChar:
      if (e.mKey > 0 && e.mKey <= 0x10FFFF) widgets.KeyChar(wchar_t(e.mKey));
      break;
    default: break;
  }
  VeskAppBase::HandleInput(e);
  if (event.mType == Platform::InputEvent::Type::Activate) mDirty = true;
}

int ZCEngine::WriteScreenshot() {
  Vesk::DDImage* screen = mDDInterface ? mDDInterface->GetScreenImage() : nullptr;
  if (!screen) return -1;
  const int number = ImageLib::WriteScreenshot(*screen, UserDataFolder());
  if (number >= 0) LogMessage("screenshot %d written", number);
  return number;
}

void ZCEngine::DrawFrame() {
  mDirty = false;
  Vesk::DDImage* screen = mDDInterface ? mDDInterface->GetScreenImage() : nullptr;
  if (!screen) return;
  Vesk::Graphics g(screen);
  DrawScreen(&g);
  const bool was3D = mDDInterface->mIs3D;
  if (!mDDInterface->Redraw(nullptr) && was3D && !mDDInterface->mIs3D) {
    // A 3D call failed: the display starts again in software for the rest of the run (the
    // setting is kept) and the frame is drawn anew.
    if (!InitDisplay()) {
      ShutdownWithFailure();
      return;
    }
    mDirty = true;
  }
}

void ZCEngine::DrawScreen(Vesk::Graphics* g) {
  g->SetColor(Color::Black);
  g->FillRect(0, 0, mDDInterface->mWidth, mDDInterface->mHeight);
  mWidgetManager->DrawScreen(g);
}
