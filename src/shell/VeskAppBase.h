#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/SingleInstance.h"
#include "platform/window/InputEvent.h"
#include "platform/window/MessageBox.h"
#include "shell/CommandLine.h"
#include "shell/CrashReport.h"
#include "shell/Demo.h"

namespace Platform {
class Window;
class SettingsStore;
}  // namespace Platform

namespace Vesk {

// The framework layer of the one application object: settings, command line, the window,
// the fixed-step main loop, worker threads and shut-down. The engine and the game derive from it.
class VeskAppBase {
 public:
  VeskAppBase();
  virtual ~VeskAppBase();
  VeskAppBase(const VeskAppBase&) = delete;
  VeskAppBase& operator=(const VeskAppBase&) = delete;

  // `startFolder` is the folder the program was started from (it then moves to its own): a
  // relative "-demofile" path means a file there.
  void SetCommandLine(const std::vector<std::string>& args, const std::string& startFolder = "");

  // Framework initialisation: settings, command line, single-instance check, the main window.
  // False when the game cannot run (the user has been told).
  virtual bool Init();
  // Starts the loading thread, shows the window and runs the main loop until shut-down.
  virtual void Start();
  // One step of the main loop: pumps window events, hands queued input on, runs the due fixed
  // update steps and draws. Re-entrant (a modal box calls it while it waits); returns false
  // once shut-down was requested, and then does nothing.
  virtual bool LoopStep();
  // A quit asked for from the game (a menu's quit button): handled as the window's close is.
  void AskToQuit() { OnCloseRequest(); }
  // Ends the main loop (from another thread only the request is recorded).
  virtual void Shutdown();
  // A failure that ends the game: the player is told (ShowError), the loop ends and the process
  // exits with a non-zero code (ExitCode).
  void EndWithError(const std::string& id, const std::string& detail = "");
  // The same when the player has been told already.
  void ShutdownWithFailure();
  // The process's exit code once the loop has ended: 0, or 1 after a failure ended it.
  int ExitCode() const { return mExitCode; }
  bool IsShutdownRequested() const { return mShutdown.load(std::memory_order_acquire); }

  // Re-creates the window when the mode changes and updates the windowed flag.
  virtual void SwitchScreenMode(bool windowed, bool is3D, bool force);
  void SwitchWindowed(bool windowed);
  // Sleeps in 20 ms steps while the loading thread runs.
  void WaitForLoadingThread();

  // Settings under "SOFTWARE\\" + the registry key.
  bool RegWriteString(const std::string& valueName, const std::string& text);
  bool RegWriteInt(const std::string& valueName, int32_t value);
  bool RegReadString(const std::string& valueName, std::string& out) const;
  bool RegReadInt(const std::string& valueName, int32_t& out) const;
  std::string SettingsFilePath() const;
  // The per-user data folder (profile, error file, crash report, screenshots).
  std::string UserDataFolder() const;

  // Tells the user about a failure: a message box with the text of the id, and a line in
  // "ScrError.txt".
  void ShowError(const std::string& id, const std::string& detail = "");
  // A system message box with the game's title. A stop signal that comes while it is open closes
  // it (with the answer that agrees to nothing) and ends the run: once the run is under way it
  // leaves saving what a quit saves (LeaveOnSignal); under Init, Init gives up. Either way the
  // process then ends by the signal.
  Platform::MessageBoxAnswer ShowSystemBox(const std::string& text, Platform::MessageBoxButtons buttons);
  // A file the game keeps (profile, settings) could not be written: the cause goes to the log
  // with the file's name, and the player is told once a run that progress will not be saved.
  void ReportWriteFailure(const std::string& path, const std::string& cause);

  // Starts a loader on its own thread; the main loop polls its done flag each step and calls
  // OnLoaderFinished on the main thread once it is done.
  void StartLoaderThread(std::function<void()> work);
  bool IsLoaderRunning() const { return mLoaderRunning.load(std::memory_order_acquire); }
  // The loader's work is under way: started and not yet done (its hand-over comes after).
  bool IsLoaderWorking() const {
    return IsLoaderRunning() && !mLoaderDone.load(std::memory_order_acquire);
  }

  // Records the value into the demo being recorded, or replaces it by the recorded one during
  // playback; otherwise leaves it.
  void DemoSyncBool(bool& value) { mDemo.SyncBool(value); }
  void DemoSyncString(std::string& value) { mDemo.SyncString(value); }
  Demo& GetDemo() { return mDemo; }

  uint64_t GetUpdateCount() const { return mUpdateCount; }
  Platform::Window* GetWindow() const { return mWindow.get(); }
  const CommandLine& GetCommandLine() const { return mCommandLine; }

  // Identity.
  std::string mProductName = "Game";
  std::string mProductVersion = "1.0";
  std::string mVendorName;
  std::string mRegKey;  // "Vendor\\Product"
  std::string mTitle;

  // Timing: milliseconds of one fixed update step.
  int32_t mFrameTime = 10;

  // Window and display fields.
  int32_t mWidth = 1024;
  int32_t mHeight = 768;
  int32_t mFullScreenBitDepth = 32;
  bool mWindowed = true;
  // Draw through the 3D layer (setting "Is3D"; 0 forces the software route).
  bool mIs3D = true;
  bool mWindowAspectOverride = false;
  int32_t mWindowAspectNum = 4;
  int32_t mWindowAspectDen = 3;
  bool mStretch = false;
  bool mPageFlip = false;
  bool mFlipDisabled = false;
  bool mWaitForVSync = false;
  bool mTimedVSync = true;
  bool mRefreshRateUnreliable = false;
  bool mTest3D = true;
  bool mAuto3D = true;
  uint32_t mMinVidMemMB = 6;
  uint32_t mRecommendedVidMemMB = 14;
  bool mNo3DTestMode = false;
  bool mNoDrawing = false;
  // Where the display shows the drawn picture inside the window or screen (written by the
  // display when it starts; mouse positions are mapped back through it).
  int32_t mPresentX = 0;
  int32_t mPresentY = 0;
  int32_t mPresentWidth = 1024;
  int32_t mPresentHeight = 768;
  bool mActive = true;  // the window has the focus

  // The sound options and the screen mode (mWindowed) in force; the game keeps them (LoadOptions).
  int32_t mMusicVolume = 100;
  int32_t mSfxVolume = 100;
  bool mMuted = false;
  // Settings read at start and written at shut-down.
  int32_t mPreferredX = -1;
  int32_t mPreferredY = -1;
  bool mCustomCursors = true;
  bool mPreviousRunInterrupted = false;  // "InProgress" was left set by the last run

 protected:
  // Hooks of the loop for the layers above.
  virtual void HandleInput(const Platform::InputEvent& event);
  virtual void UpdateStep() {}
  virtual bool IsDirty() const { return false; }
  virtual void DrawFrame() {}
  // The window's close button: while loading runs it is kept and acted on once loading has
  // ended (never dropped); otherwise RequestQuit.
  virtual void OnCloseRequest();
  // True while a loader works (the start-up loader here; the game adds its level loader).
  virtual bool IsBusyLoading() const { return IsLoaderRunning(); }
  // A quit asked for by the player (the window's close once loading is over, or a quit button):
  // the game may ask first. Shutdown stays the unconditional end.
  virtual void RequestQuit() { Shutdown(); }
  // A quit that asks nothing but saves what a confirmed quit saves (a stop signal).
  virtual void QuitWithoutAsking() { Shutdown(); }
  // Someone can see and answer a question: a window on a real display (not the dummy driver).
  virtual bool CanAskPlayer() const;
  // The game could put its quit question to the player now (no splash, no other box open).
  virtual bool CanAskQuitNow() const { return true; }
  // SIGHUP, SIGINT or SIGTERM reached the loop. Without a window anyone could see, or when the
  // question cannot be put now (CanAskQuitNow), the game leaves at once (QuitWithoutAsking);
  // otherwise the first asks as the window's close does (once loading has ended, when it runs)
  // and a second while that question is open or waits leaves without asking. A run left so
  // ends, once its settings are written, as the signal would have ended it (the destructor
  // re-raises it).
  void OnStopSignal(int signal);
  // Leaves without asking, saving what a quit saves; the process will end by the signal.
  void LeaveOnSignal(int signal);
  // Inside Init, after the settings and the single-instance check and before the window opens:
  // the game reads its own options (volumes, mute, screen mode).
  virtual void LoadOptions() {}
  virtual void OnLoaderFinished() {}
  // Work done after the loop ends, before the settings are written (threads, music, display).
  virtual void ShutdownServices() {}

  // The clock of the loop; tests replace both to run simulated time.
  virtual uint64_t NowMs();
  virtual void SleepMs(uint32_t ms);
  // False in tests that run the loop without a window.
  virtual bool WantsWindow() const { return true; }

  void ReadSettings();
  void WriteSettings();
  void JoinLoader();
  // Starts recording or playback as the command line asks, and seeds the random generators.
  void StartDemo();
  // The crash report left by an earlier run: offered for upload when a report server is set.
  // `askText` is the question shown to the player; a "No" removes the report. Once the upload
  // has ended the player is told `sentText` or `failedText` (TellCrashUploadOutcome).
  void OfferCrashReport(const std::string& askText, const std::string& sentText, const std::string& failedText);
  // Tells the player how the upload ended, once, when it has (every loop step calls it).
  void TellCrashUploadOutcome();
  // Hands one input event to the game, recording it when a demo is being recorded.
  void DispatchInput(const Platform::InputEvent& event);
  // At the start of an update step: a finished loader is joined and OnLoaderFinished runs;
  // true when that happened. The decision goes through the demo's sync records.
  bool PollLoaderHandOver();

  CommandLine mCommandLine;
  std::unique_ptr<Platform::Window> mWindow;
  std::unique_ptr<Platform::SettingsStore> mSettings;
  Platform::SingleInstance mInstanceLock;
  std::deque<Platform::InputEvent> mInputQueue;
  Demo mDemo;
  CrashReport::Upload mCrashUpload;
  bool mCrashOutcomePending = false;
  std::string mCrashSentText;
  std::string mCrashFailedText;

 private:
  std::atomic<bool> mShutdown{false};
  std::atomic<bool> mLoaderRunning{false};
  std::atomic<bool> mLoaderDone{false};
  std::thread mLoaderThread;
  bool mClockStarted = false;
  uint64_t mNextUpdateMs = 0;
  uint64_t mUpdateCount = 0;
  bool mInitDone = false;
  // A close request that came while loading ran, acted on once loading has ended.
  bool mQuitDeferred = false;
  // "InProgress" was set by this run and not yet cleared.
  bool mRunMarked = false;
  // The player has been told that progress will not be saved.
  bool mWriteFailureTold = false;
  int mExitCode = 0;
  // The stop signal being asked about (its question is open, or waits for loading to end); 0: none.
  int mStopAsking = 0;
  // The stop signal that ended the run without asking (0: none).
  int mEndedBySignal = 0;
  // This application handles the stop signals (from Init to its destruction).
  bool mSignalsCaught = false;
  std::string mStartFolder;
};

}  // namespace Vesk

// The one application object.
extern Vesk::VeskAppBase* gVeskApp;
