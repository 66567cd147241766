#pragma once
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/LocTable.h"
#include "shell/TextVars.h"
#include "shell/VeskAppBase.h"
#include "shell/XmlNode.h"

class EffectLibrary;
class ParticleSystemTable;
class SoundManager;
class ZCMusic;
class ZCTextureCache;
class ZCFontTable;
class SharedImageTable;
class ImageRef;
class CursorTable;
class ZCCandyWidget;
class ZCDialog;
namespace Vesk {
class DDImage;
class DDInterface;
class Graphics;
class MusicInterface;
class MemoryImage;
class ResourceManager;
class WidgetManager;
}  // namespace Vesk

// The engine layer of the application object (the top of the engine layer). It owns the engine's managers as they are
// built, the screen picture and the start-up loading. ZCEngine3, the game, derives from it.
class ZCEngine : public Vesk::VeskAppBase {
 public:
  ZCEngine();
  ~ZCEngine() override;

  bool Init() override;
  void Start() override;

  // Draws the built-in arrow cursor, shown while no cursor of ui.xml is: white inside a black
  // outline, its tip at the picture's centre (where the display puts the mouse position).
  static void DrawArrowCursor(Vesk::MemoryImage& image);

  // The sound table and the music player; they exist for the application's whole life (silent
  // when there is no sound output).
  SoundManager* GetSoundManager() const { return mSoundManager.get(); }
  ZCMusic* GetMusic() const { return mMusic.get(); }
  // The effect definitions read from "cfg\\effect.xml" at Init, and the running particle systems.
  EffectLibrary* GetEffectLibrary() const { return mEffects.get(); }
  ParticleSystemTable* GetParticleSystemTable() const { return mParticles.get(); }
  // The sound settings: stored (written at shut-down) and heard at once.
  void SetSfxVolume(int32_t volume);
  void SetMusicVolume(int32_t volume);
  void SetMuted(bool muted);

  // Set while a confirm or message box waits for its answer; the board ignores clicks then.
  bool mMessageBoxOpen = false;
  // Set when a loader thread has finished (the start-up resource loader and the level loader).
  std::atomic<bool> mLoaded{false};
  // Called on the main thread at the start of every update step: the board's level hand-over.
  // Empty for none. May be set from a loading thread (a board made there), hence the lock.
  void SetLevelHandOver(std::function<void()> poll);
  // The application's logical size.
  int32_t mAppWidth = 1024;
  int32_t mAppHeight = 768;

  // Images, textures and fonts. Every image the engine loads is made by CreateImage, which the
  // display overrides to make images of its own kind.
  virtual std::unique_ptr<Vesk::MemoryImage> CreateImage();
  // Loads an image file (pack or disk) into a new image from CreateImage; null on failure.
  // `purgeAfterUpload` lets a surface-backed image drop its memory pixels once they are on the
  // display (atlas pages and cut-scene pictures).
  std::unique_ptr<Vesk::MemoryImage> LoadImageFile(const std::string& path, bool purgeAfterUpload = false);
  // Fills the reference with the image of that file, loaded once and shared by every caller
  // asking for the same name; false when it cannot be loaded.
  virtual bool GetSharedImage(ImageRef& ref, const std::string& file, const std::string& prefix = "",
                              int32_t flags = 0);
  ZCTextureCache* GetTextureCache() const { return mTextureCache.get(); }
  ZCFontTable* GetFontTable() const { return mFontTable.get(); }
  Vesk::ResourceManager* GetResourceManager() const { return mResourceManager.get(); }
  SharedImageTable* GetSharedImageTable() const { return mSharedImages.get(); }

  // The widget tree: its manager, the dialog covering the screen that screens join, and the
  // mouse cursors of "cfg\\ui.xml".
  Vesk::WidgetManager* GetWidgetManager() const { return mWidgetManager.get(); }
  ZCDialog* GetRootDialog() const { return mRootDialog; }
  CursorTable* GetCursorTable() const { return mCursorTable.get(); }
  // The ui.xml document read at start-up (null before, or when it could not be read).
  const XmlNode& GetUiDocument() const { return mUiDocument; }
  // "missing" or "damaged" when the standard pack of the name ("data.pak", "loc.pak",
  // "mod.pak") could not be opened at start, else "".
  std::string GetPakProblem(const std::string& pack) const;
  // Called on the loading thread: the widget joins the root dialog on the main thread once
  // loading is done (before LoadingCompleted).
  void AddLoadedWidget(ZCCandyWidget* widget);

  LocTable* GetLocTable() { return &mLocTable; }
  TextVars* GetTextVarsTable() { return &mTextVars; }

  // Asks for a redraw on the next loop step.
  void MarkDirty() { mDirty = true; }
  // The display (null before Init). Every frame is drawn into its screen image.
  Vesk::DDInterface* GetDisplay() const { return mDDInterface.get(); }

  void SwitchScreenMode(bool windowed, bool is3D, bool force) override;

  // The key (Print Screen) that writes the last drawn frame as a screenshot.
  static constexpr int32_t kScreenshotKey = 44;
  // Writes the last drawn frame as "_screenshots/N.png" in the data folder; its number, or -1.
  int WriteScreenshot();

 protected:
  // Starts the start-up loader (LoadConfig on its own thread); the main loop hands it over.
  void BeginStartupLoading();
  // Runs on the start-up loading thread: reads the configuration and builds the screens.
  virtual void LoadConfig();
  // The textures and fonts of "cfg\\ui.xml" (part of LoadConfig).
  void LoadUiResources();
  // Runs on the main thread once LoadConfig is done: shows the cursor table.
  virtual void LoadingCompleted();

  void OnLoaderFinished() override;
  void UpdateStep() override;
  // Runs the level hand-over set by SetLevelHandOver, if any.
  void PollLevelHandOver();
  void ShutdownServices() override;
  // Hands the settings' volumes and mute to the sound table and the music player.
  void ApplySoundSettings();
  void HandleInput(const Platform::InputEvent& event) override;
  bool IsDirty() const override;
  void DrawFrame() override;
  // Draws one frame into the screen image.
  virtual void DrawScreen(Vesk::Graphics* g);
  // Sleeps in short slices; between them the window's events are queued (so the cursor thread
  // sees the mouse) and a cursor move is shown.
  void SleepMs(uint32_t ms) override;
  // Starts (or restarts, after a mode switch) the display; false after telling the user.
  bool InitDisplay();
  void StopCursorThread();
  // A position in the window's display pixels moved into picture pixels.
  void ToPicture(int32_t& x, int32_t& y) const;

  // Declared first: the display outlives every image made of it.
  std::unique_ptr<Vesk::DDInterface> mDDInterface;
  std::unique_ptr<SharedImageTable> mSharedImages;
  std::unique_ptr<ZCTextureCache> mTextureCache;
  std::unique_ptr<ZCFontTable> mFontTable;
  std::unique_ptr<Vesk::ResourceManager> mResourceManager;
  std::unique_ptr<Vesk::MusicInterface> mMusicInterface;
  std::unique_ptr<SoundManager> mSoundManager;
  std::unique_ptr<ZCMusic> mMusic;
  std::unique_ptr<ParticleSystemTable> mParticles;
  std::unique_ptr<EffectLibrary> mEffects;
  std::unique_ptr<CursorTable> mCursorTable;
  // Declared after the managers it uses: the widgets go first.
  std::unique_ptr<Vesk::WidgetManager> mWidgetManager;
  ZCDialog* mRootDialog = nullptr;
  std::vector<ZCCandyWidget*> mLoadedWidgets;
  std::mutex mLevelHandOverLock;
  std::function<void()> mLevelHandOver;
  XmlNode mUiDocument;
  std::map<std::string, std::string> mPakProblems;
  LocTable mLocTable;
  TextVars mTextVars;
  // The software cursor's picture until the cursor table gives one.
  std::unique_ptr<Vesk::DDImage> mArrowCursor;
  // The mouse in picture coordinates, for the cursor thread.
  std::atomic<int32_t> mMouseX{0}, mMouseY{0};
  std::atomic<bool> mCursorThreadStop{false};
  std::thread mCursorThread;
  bool mDirty = true;
  bool mStartupLoading = false;
};

// The application object as the engine sees it (null before it exists).
ZCEngine* GetEngine();
// The application's text variables (null before the application exists).
TextVars* GetTextVars();
