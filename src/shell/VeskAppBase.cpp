#include "shell/VeskAppBase.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "platform/paths/UserPaths.h"
#include "platform/process/StopSignals.h"
#include "platform/settings/SettingsStore.h"
#include "platform/time/Clock.h"
#include "platform/window/MessageBox.h"
#include "platform/window/Window.h"
#include "shell/ErrorReport.h"
#include "shell/Log.h"
#include "shell/Random.h"

Vesk::VeskAppBase* gVeskApp = nullptr;

namespace Vesk {

namespace {
// Simulation time behind the clock beyond this is dropped rather than caught up in one burst
// (a debugger stop, a suspended machine).
constexpr uint64_t kMaxBacklogMs = 2000;
// While a loader runs the loop gives it the processor, at most this long a frame.
constexpr uint32_t kLoaderSleepMs = 250;

std::string SplitVendor(const std::string& regKey, bool vendor) {
  size_t p = regKey.find('\\');
  if (p == std::string::npos) return vendor ? regKey : std::string();
  return vendor ? regKey.substr(0, p) : regKey.substr(p + 1);
}
}  // namespace

VeskAppBase::VeskAppBase() {
  if (!gVeskApp) gVeskApp = this;
}

VeskAppBase::~VeskAppBase() {
  JoinLoader();
  // A run that ends without its shut-down (Init failed, a "-crash" run) still ended cleanly.
  if (mRunMarked) {
    RegWriteInt("InProgress", 0);
    mRunMarked = false;
  }
  if (mWindow) mWindow->Destroy();
  if (gVeskApp == this) gVeskApp = nullptr;
  // The lock (and its file) goes before a stop signal may end the process below.
  mInstanceLock.Release();
  // Everything is saved: whoever sent a stop signal (one that came while the run was ending, too)
  // sees the process end by it.
  if (mSignalsCaught) {
    const int late = Platform::ReleaseStopSignals();
    if (mEndedBySignal == 0) mEndedBySignal = late;
  }
  if (mEndedBySignal != 0) Platform::EndBySignal(mEndedBySignal);
}

void VeskAppBase::SetCommandLine(const std::vector<std::string>& args, const std::string& startFolder) {
  mCommandLine = CommandLine::Parse(args);
  mStartFolder = startFolder;
}

std::string VeskAppBase::UserDataFolder() const {
  return Platform::UserDataDir(SplitVendor(mRegKey, true), SplitVendor(mRegKey, false));
}

std::string VeskAppBase::SettingsFilePath() const {
  return Platform::JoinPath(Platform::UserConfigDir(SplitVendor(mRegKey, true), SplitVendor(mRegKey, false)),
                            "settings.ini");
}

bool VeskAppBase::Init() {
  if (mTitle.empty()) mTitle = mProductName;
  // SIGHUP, SIGINT and SIGTERM reach the loop (OnStopSignal).
  Platform::CatchStopSignals();
  mSignalsCaught = true;
  std::string error;
  if (!Platform::EnsureDirectory(UserDataFolder(), &error)) ReportWriteFailure(UserDataFolder(), error);
  CrashReport::Install(UserDataFolder(), mProductVersion);
  ReadSettings();
  if (mEndedBySignal != 0) return false;  // a signal closed the box that told of the folder

  // One game at a time: the lock lives in the runtime folder, else in the data folder (also when
  // the runtime folder's lock file cannot be used: something else stands under its name there).
  std::string lockDir = Platform::RuntimeDir();
  if (lockDir.empty() || !Platform::EnsureDirectory(lockDir)) lockDir = UserDataFolder();
  if (!Platform::EnsureDirectory(lockDir, &error)) {
    LogMessage("ERROR: cannot create the folder %s: %s", lockDir.c_str(), error.c_str());
  } else {
    std::string name = SplitVendor(mRegKey, false);
    std::replace(name.begin(), name.end(), ' ', '_');
    auto r = mInstanceLock.Acquire(Platform::JoinPath(lockDir, name + ".lock"), &error);
    if (r == Platform::SingleInstance::Result::Error && lockDir != UserDataFolder() &&
        Platform::EnsureDirectory(UserDataFolder())) {
      LogMessage("WARNING: the lock in %s is unusable (%s): taking it in the data folder", lockDir.c_str(),
                 error.c_str());
      r = mInstanceLock.Acquire(Platform::JoinPath(UserDataFolder(), name + ".lock"), &error);
    }
    if (r == Platform::SingleInstance::Result::AlreadyRunning) {
      ShowSystemBox(GetErrorText("ALREADY_RUNNING"), Platform::MessageBoxButtons::Ok);
      LogMessage("ERROR: another instance is running");
      return false;
    }
    if (r == Platform::SingleInstance::Result::Error)
      LogMessage("WARNING: single-instance lock unavailable: %s", error.c_str());
  }

  // A run that did not reach its shut-down leaves "InProgress" set.
  int32_t inProgress = 0;
  if (RegReadInt("InProgress", inProgress) && inProgress != 0) {
    mPreviousRunInterrupted = true;
    LogMessage("WARNING: the previous run did not end cleanly");
  }
  mRunMarked = RegWriteInt("InProgress", 1);

  StartDemo();

  // The game's own options (they decide the window's mode) are read before the window opens.
  LoadOptions();
  if (mEndedBySignal != 0) return false;  // a signal closed a box that told of a write failure

  if (WantsWindow()) {
    mWindow = std::make_unique<Platform::Window>();
    if (!mWindow->Create(mTitle, mWidth, mHeight, mWindowed, &error)) {
      mWindow.reset();
      ShowError("FAILED_INIT_WINDOW", error);
      return false;
    }
  }
  mInitDone = true;
  return true;
}

void VeskAppBase::Start() {
  if (mWindow) mWindow->Show();
  while (LoopStep()) {
  }
  // Leave the loop: threads first, then the services, then the settings.
  JoinLoader();
  ShutdownServices();
  if (mDemo.IsRecording()) mDemo.Finish(mUpdateCount);
  WriteSettings();
  if (mCrashUpload.IsRunning()) mCrashUpload.WaitFor(3000);
}

void VeskAppBase::StartDemo() {
  uint32_t seed = uint32_t(Platform::GetTickUs() ^ (uint64_t(::time(nullptr)) << 20));
  const CommandLine& cl = mCommandLine;
  // A numbered demo lives in the data folder; a named one where the player named it, a relative
  // name counting from the folder the game was started from.
  auto demoPath = [&](int number) {
    if (cl.mDemoFile.empty()) return Platform::JoinPath(UserDataFolder(), Demo::FileName("", number < 0 ? 0 : number));
    if (cl.mDemoFile.front() == '/' || mStartFolder.empty()) return cl.mDemoFile;
    return Platform::JoinPath(mStartFolder, cl.mDemoFile);
  };
  if (cl.mPlay) {
    std::string path = demoPath(cl.mPlayNum);
    if (mDemo.StartPlayback(path)) {
      seed = mDemo.Seed();
      LogMessage("demo: playing %s", path.c_str());
    }
  } else if (cl.mRecord) {
    std::string path = demoPath(cl.mRecNum);
    if (mDemo.StartRecording(path, seed)) LogMessage("demo: recording into %s", path.c_str());
  }
  SeedRandom(seed);
}

void VeskAppBase::OfferCrashReport(const std::string& askText, const std::string& sentText,
                                   const std::string& failedText) {
  std::string folder = UserDataFolder();
  if (!CrashReport::IsPending(folder)) return;
  std::string server;
  if (!RegReadString("CrashReportServer", server) || server.empty()) return;  // nowhere to send it
  const std::string url = CrashReport::UploadUrl(server);
  if (url.empty()) {
    LogMessage("WARNING: bad crash report server address: %s", server.c_str());
    return;
  }
  auto answer = ShowSystemBox(askText, Platform::MessageBoxButtons::YesNo);
  if (answer != Platform::MessageBoxAnswer::Yes) {
    // A stop signal that closed the box answered for nobody: the report waits for the next start.
    if (mEndedBySignal != 0) {
      LogMessage("crash report offer closed by a stop signal: the report is kept");
      return;
    }
    CrashReport::Discard(folder);
    return;
  }
  if (!mCrashUpload.Start(folder, mProductVersion, url, 10000)) return;
  mCrashSentText = sentText;
  mCrashFailedText = failedText;
  mCrashOutcomePending = true;
}

void VeskAppBase::TellCrashUploadOutcome() {
  if (!mCrashOutcomePending || !mCrashUpload.IsDone()) return;
  mCrashOutcomePending = false;
  const Platform::HttpResult result = mCrashUpload.Result();
  if (result.mOk) {
    LogMessage("crash report sent");
  } else {
    LogMessage("WARNING: the crash report could not be sent (%s); it is kept", result.mError.c_str());
  }
  ShowSystemBox(result.mOk ? mCrashSentText : mCrashFailedText, Platform::MessageBoxButtons::Ok);
}

bool VeskAppBase::LoopStep() {
  if (IsShutdownRequested()) return false;
  // Each signal is answered on its own: a second one that came with the first leaves.
  while (const int signal = Platform::TakeStopSignal()) {
    OnStopSignal(signal);
    if (IsShutdownRequested()) return false;
  }
  TellCrashUploadOutcome();

  if (mWindow) mWindow->PumpEvents(mInputQueue);
  // Events are taken one at a time from the front: a handler may run a nested LoopStep, which
  // drains the rest of the queue itself.
  while (!mInputQueue.empty()) {
    Platform::InputEvent ev = mInputQueue.front();
    mInputQueue.pop_front();
    // A demo being played owns the input; the player can still close the window.
    if (mDemo.IsPlaying() && ev.mType != Platform::InputEvent::Type::Close) continue;
    DispatchInput(ev);
    if (IsShutdownRequested()) return false;
  }

  if (mQuitDeferred && !IsBusyLoading()) {
    mQuitDeferred = false;
    LogMessage("loading ended: the quit asked for meanwhile goes ahead");
    if (mStopAsking != 0 && !CanAskQuitNow()) LeaveOnSignal(mStopAsking);
    else RequestQuit();
    mStopAsking = 0;
    if (IsShutdownRequested()) return false;
  }

  uint64_t now = NowMs();
  if (!mClockStarted) {
    mClockStarted = true;
    mNextUpdateMs = now;
  }
  if (now > mNextUpdateMs + kMaxBacklogMs) {
    LogMessage("WARNING: main loop fell %llu ms behind; skipping ahead",
               static_cast<unsigned long long>(now - mNextUpdateMs));
    mNextUpdateMs = now;
  }
  uint32_t step = uint32_t(std::max<int32_t>(1, mFrameTime));
  while (now >= mNextUpdateMs) {
    // The step is counted before it runs, so a nested loop inside it never runs it twice.
    mNextUpdateMs += step;
    if (mDemo.IsPlaying()) {
      // Recorded input is handed over at the step it was handled at when it was recorded.
      for (const Platform::InputEvent& ev : mDemo.TakeEvents(mUpdateCount)) {
        HandleInput(ev);
        if (IsShutdownRequested()) return false;
      }
      if (mDemo.PlaybackFinished(mUpdateCount)) {
        mDemo.Finish();
        LogMessage("demo: playback finished at step %llu", static_cast<unsigned long long>(mUpdateCount));
      }
    }
    ++mUpdateCount;
    if (PollLoaderHandOver() && IsShutdownRequested()) return false;
    UpdateStep();
    if (IsShutdownRequested()) return false;
  }

  if (IsDirty()) DrawFrame();

  if (mLoaderRunning.load(std::memory_order_acquire) && !mLoaderDone.load(std::memory_order_acquire)) {
    // Give the loader the processor, waking as soon as it is done.
    for (uint32_t slept = 0; slept < kLoaderSleepMs && !mLoaderDone.load(std::memory_order_acquire); slept += 10)
      SleepMs(10);
  } else {
    // A loader that is done waits for the next update step to be handed over: the loop sleeps
    // until then (without sleeping it would spin, and a clock that moves only when the loop
    // sleeps would never reach that step).
    now = NowMs();
    if (mNextUpdateMs > now) SleepMs(uint32_t(std::min<uint64_t>(mNextUpdateMs - now, step)));
  }
  return !IsShutdownRequested();
}

bool VeskAppBase::PollLoaderHandOver() {
  if (!mLoaderRunning.load(std::memory_order_acquire)) return false;
  // When the loader ends is a matter of real time; the step that sees it goes through the demo,
  // so that a replay hands over at the step the recording did.
  bool done = mLoaderDone.load(std::memory_order_acquire);
  DemoSyncBool(done);
  if (!done) return false;
  JoinLoader();  // a replay waits here for a loader slower than the recorded one
  OnLoaderFinished();
  return true;
}

void VeskAppBase::DispatchInput(const Platform::InputEvent& event) {
  // The window's close is kept too: the box it opens over play, and its answer, replay alike.
  if (mDemo.IsRecording()) mDemo.RecordEvent(mUpdateCount, event);
  HandleInput(event);
}

void VeskAppBase::HandleInput(const Platform::InputEvent& event) {
  if (event.mType == Platform::InputEvent::Type::Close) OnCloseRequest();
  else if (event.mType == Platform::InputEvent::Type::Activate) mActive = event.mKey != 0;
}

void VeskAppBase::OnCloseRequest() {
  if (IsBusyLoading()) {
    LogMessage("quit deferred until loading ends");
    mQuitDeferred = true;
    return;
  }
  RequestQuit();
}

bool VeskAppBase::CanAskPlayer() const { return mWindow && !Platform::IsHeadlessVideo(); }

void VeskAppBase::OnStopSignal(int signal) {
  if (!CanAskPlayer() || mStopAsking != 0) {
    LeaveOnSignal(signal);
    return;
  }
  if (IsBusyLoading()) {
    // Asked once loading has ended; a second signal meanwhile leaves.
    LogMessage("stop signal %d: asking once loading ends", signal);
    mStopAsking = signal;
    mQuitDeferred = true;
    return;
  }
  if (!CanAskQuitNow()) {
    LeaveOnSignal(signal);
    return;
  }
  LogMessage("stop signal %d: asking as the window's close does", signal);
  mStopAsking = signal;
  RequestQuit();
  mStopAsking = 0;
}

void VeskAppBase::LeaveOnSignal(int signal) {
  LogMessage("stop signal %d: leaving without asking", signal);
  mEndedBySignal = signal;
  QuitWithoutAsking();
}

void VeskAppBase::Shutdown() { mShutdown.store(true, std::memory_order_release); }

void VeskAppBase::EndWithError(const std::string& id, const std::string& detail) {
  ShowError(id, detail);
  ShutdownWithFailure();
}

void VeskAppBase::ShutdownWithFailure() {
  mExitCode = 1;
  Shutdown();
}

void VeskAppBase::SwitchScreenMode(bool windowed, bool is3D, bool force) {
  if (!force && windowed == mWindowed && is3D == mIs3D) return;
  mIs3D = is3D;
  if (mWindow && !mWindow->SetWindowed(windowed)) {
    LogMessage("WARNING: could not switch to %s", windowed ? "a window" : "full screen");
    return;
  }
  mWindowed = windowed;
}

void VeskAppBase::SwitchWindowed(bool windowed) { SwitchScreenMode(windowed, mIs3D, false); }

void VeskAppBase::WaitForLoadingThread() {
  while (mLoaderRunning.load(std::memory_order_acquire) && !mLoaderDone.load(std::memory_order_acquire))
    SleepMs(20);
}

void VeskAppBase::StartLoaderThread(std::function<void()> work) {
  JoinLoader();
  mLoaderDone.store(false, std::memory_order_release);
  mLoaderRunning.store(true, std::memory_order_release);
  mLoaderThread = std::thread([this, work = std::move(work)] {
    work();
    mLoaderDone.store(true, std::memory_order_release);
  });
}

void VeskAppBase::JoinLoader() {
  if (mLoaderThread.joinable()) mLoaderThread.join();
  mLoaderRunning.store(false, std::memory_order_release);
}

uint64_t VeskAppBase::NowMs() { return Platform::GetTickMs(); }
void VeskAppBase::SleepMs(uint32_t ms) { Platform::SleepMs(ms); }

void VeskAppBase::ShowError(const std::string& id, const std::string& detail) {
  std::string text = GetErrorText(id);
  AppendErrorFile(UserDataFolder(), detail.empty() ? id : id + ": " + detail);
  ShowSystemBox(text, Platform::MessageBoxButtons::Ok);
}

Platform::MessageBoxAnswer VeskAppBase::ShowSystemBox(const std::string& text, Platform::MessageBoxButtons buttons) {
  const Platform::MessageBoxAnswer answer =
      Platform::ShowMessageBox(mTitle.empty() ? mProductName : mTitle, text, buttons);
  // A stop signal closes the box (the game cannot ask while one is open) and the run leaves as
  // on any signal that cannot be asked about. Before the run is under way (Init) or once it is
  // ending there is nothing more to save: the signal ends the process once Init or the run ends.
  if (const int signal = Platform::TakeStopSignal()) {
    if (mInitDone && !IsShutdownRequested()) {
      LeaveOnSignal(signal);
    } else {
      LogMessage("stop signal %d under a box: leaving", signal);
      if (mEndedBySignal == 0) mEndedBySignal = signal;
    }
  }
  return answer;
}

void VeskAppBase::ReadSettings() {
  mSettings = std::make_unique<Platform::SettingsStore>(SettingsFilePath(), "SOFTWARE\\" + mRegKey);
  switch (mSettings->Load()) {
    case Platform::SettingsStore::LoadResult::Loaded: break;
    case Platform::SettingsStore::LoadResult::Missing: LogMessage("settings: none yet, using defaults"); break;
    case Platform::SettingsStore::LoadResult::Corrupt:
      LogMessage("ERROR: settings file %s is damaged; using defaults (kept as %s)", SettingsFilePath().c_str(),
                 mSettings->KeptAsidePath().empty() ? "it could not be moved" : mSettings->KeptAsidePath().c_str());
      break;
  }
  auto readInt = [&](const char* name, int32_t& field, int32_t lo, int32_t hi) {
    int32_t v;
    if (!mSettings->GetInt(name, v)) return;
    if (v < lo || v > hi) {
      LogMessage("WARNING: setting %s out of range (%d)", name, v);
      return;
    }
    field = v;
  };
  auto readBool = [&](const char* name, bool& field) {
    int32_t v = field ? 1 : 0;
    readInt(name, v, 0, 1);
    field = v != 0;
  };
  readInt("PreferredX", mPreferredX, -1, 100000);
  readInt("PreferredY", mPreferredY, -1, 100000);
  readBool("CustomCursors", mCustomCursors);
  readBool("WaitForVSync", mWaitForVSync);
  readBool("Is3D", mIs3D);
}

void VeskAppBase::WriteSettings() {
  if (!mSettings) return;
  // The volumes, mute and screen mode belong to the game's options (kept by the game itself);
  // a file of an older version still holding them loses them here.
  for (const char* gone : {"MusicVolume", "SfxVolume", "Muted", "ScreenMode"}) mSettings->Remove(gone);
  mSettings->SetInt("PreferredX", mPreferredX);
  mSettings->SetInt("PreferredY", mPreferredY);
  mSettings->SetInt("CustomCursors", mCustomCursors ? 1 : 0);
  mSettings->SetInt("WaitForVSync", mWaitForVSync ? 1 : 0);
  mSettings->SetInt("Is3D", mIs3D ? 1 : 0);
  mSettings->SetInt("InProgress", 0);
  std::string error;
  if (mSettings->Save(&error)) {
    mRunMarked = false;
    return;
  }
  ReportWriteFailure(SettingsFilePath(), error);
  // The file keeps its last good contents. A full disk cannot take a new copy, but the run's
  // mark can still be cleared in place: this run did end cleanly.
  if (mRunMarked) {
    std::string cause;
    if (mSettings->OverwriteStoredValue("InProgress", "0", &cause))
      LogMessage("settings: the run's mark was cleared in place");
    else
      LogMessage("ERROR: cannot clear InProgress in %s: %s", SettingsFilePath().c_str(), cause.c_str());
  }
  mRunMarked = false;
}

void VeskAppBase::ReportWriteFailure(const std::string& path, const std::string& cause) {
  LogMessage("ERROR: cannot write %s: %s", path.c_str(), cause.c_str());
  if (mWriteFailureTold) return;
  mWriteFailureTold = true;
  ShowError("FAILED_DATA_FOLDER", path + ": " + cause);
}

bool VeskAppBase::RegWriteString(const std::string& valueName, const std::string& text) {
  if (!mSettings) mSettings = std::make_unique<Platform::SettingsStore>(SettingsFilePath(), "SOFTWARE\\" + mRegKey);
  mSettings->SetString(valueName, text);
  std::string error;
  if (!mSettings->Save(&error)) {
    ReportWriteFailure(SettingsFilePath(), error);
    return false;
  }
  return true;
}

bool VeskAppBase::RegWriteInt(const std::string& valueName, int32_t value) {
  return RegWriteString(valueName, std::to_string(value));
}

bool VeskAppBase::RegReadString(const std::string& valueName, std::string& out) const {
  return mSettings && mSettings->GetString(valueName, out);
}

bool VeskAppBase::RegReadInt(const std::string& valueName, int32_t& out) const {
  return mSettings && mSettings->GetInt(valueName, out);
}

}  // namespace Vesk
