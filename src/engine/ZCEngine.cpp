#include "engine/ZCEngine.h"

#include "platform/window/Window.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

ZCEngine* GetEngine() { return static_cast<ZCEngine*>(gVeskApp); }

TextVars* GetTextVars() {
  ZCEngine* engine = GetEngine();
  return engine ? engine->GetTextVarsTable() : nullptr;
}

ZCEngine::ZCEngine() {
  // The game's data: the packs beside the executable (the current folder), then the disk.
  AddStandardPaks(GetPakInterface(), ".");
  mScreen.assign(size_t(mAppWidth) * size_t(mAppHeight), 0xFF000000u);
}

ZCEngine::~ZCEngine() = default;

bool ZCEngine::Init() {
  mWidth = mAppWidth;
  mHeight = mAppHeight;
  return VeskAppBase::Init();
}

void ZCEngine::Start() {
  mStartupLoading = true;
  mLoaded.store(false, std::memory_order_release);
  StartLoaderThread([this] {
    LoadConfig();
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
