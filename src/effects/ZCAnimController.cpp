#include "effects/ZCAnimController.h"

#include <cmath>
#include <cstdio>

#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/Random.h"

bool LoadAnmFile(ZCAnimController& controller, const std::string& name) {
  std::string fileName = "anm\\" + name + ".anm";
  std::vector<uint8_t> bytes;
  if (!GetPakInterface()->ReadWholeFile(fileName, bytes, FileKind::kAnimation)) return false;
  return controller.LoadFromMemory(bytes.data(), bytes.size(), fileName);
}

bool ZCAnimController::LoadFromMemory(const uint8_t* data, size_t size, const std::string& label) {
  Stop();
  mAnimations.clear();
  return Anm::Parse(data, size, label, mAnimations);
}

int32_t ZCAnimController::FindAnimation(const std::string& name) const {
  for (size_t i = 0; i < mAnimations.size(); ++i)
    if (mAnimations[i].mName == name) return int32_t(i);
  return -1;
}

void ZCAnimController::Start(int32_t index) {
  mCurrent = index;
  mFrame = 0;
  mFrameTime = 0;
  mStopFrame = mAnimations[size_t(index)].mStopFrame;
  mStopHandled = false;
  mState = State::Playing;
}

bool ZCAnimController::Play(const std::string& name, bool keep) {
  int32_t index = FindAnimation(name);
  if (index < 0) {
    int32_t variants[9];
    int32_t count = 0;
    for (int32_t n = 1; n <= 9; ++n) {
      char suffix[4];
      std::snprintf(suffix, sizeof suffix, "%02d", n);
      int32_t v = FindAnimation(name + suffix);
      if (v >= 0) variants[count++] = v;
    }
    if (count == 0) return false;
    index = variants[count > 1 ? RandomInt(0, count) : 0];
  }
  if (keep && index == mCurrent && mState != State::Stopped) return true;
  if (!keep) Stop();
  Start(index);
  return true;
}

bool ZCAnimController::PlayByIndex(const std::string& name) {
  int32_t index = FindAnimation(name);
  if (index < 0) return false;
  Start(index);
  return true;
}

void ZCAnimController::Pause() {
  if (mState == State::Playing) mState = State::Paused;
}

void ZCAnimController::Resume() {
  if (mState == State::Paused) mState = State::Playing;
}

void ZCAnimController::Stop() {
  mState = State::Stopped;
  mCurrent = -1;
  mFrame = 0;
  mFrameTime = 0;
  mStopFrame = -1;
  mStopHandled = false;
}

void ZCAnimController::PauseAtFrame(int32_t frame) {
  if (mCurrent < 0) return;
  int32_t count = int32_t(mAnimations[size_t(mCurrent)].mFrames.size());
  mStopFrame = frame >= 0 && frame < count ? frame : -1;
  mStopHandled = false;
}

void ZCAnimController::CancelPauseAtFrame() { mStopFrame = -1; }

void ZCAnimController::SetStage(float stage) {
  if (mCurrent < 0) return;
  const int32_t count = int32_t(mAnimations[size_t(mCurrent)].mFrames.size());
  // NaN and stages at or below 0 show the first frame.
  const double held = stage > 1.0f ? 1.0 : stage > 0.0f ? double(stage) : 0.0;
  int32_t frame = int32_t(std::ceil(held * count)) - 1;
  if (frame < 0) frame = 0;
  if (frame >= count) frame = count - 1;
  mFrame = frame;
  mFrameTime = 0;
  // Resuming moves on from here, as from a stop frame.
  mStopHandled = true;
  mState = State::Paused;
}

bool ZCAnimController::NextFrame() {
  const AnimEntry& a = mAnimations[size_t(mCurrent)];
  if (mFrame + 1 < int32_t(a.mFrames.size())) {
    ++mFrame;
  } else if (a.mLooping) {
    mFrame = 0;
  } else {
    return false;
  }
  mStopHandled = false;
  return true;
}

void ZCAnimController::Update(float seconds, bool& stopReached) {
  stopReached = false;
  if (mState != State::Playing || mCurrent < 0) return;
  const AnimEntry& a = mAnimations[size_t(mCurrent)];
  if (std::isfinite(seconds) && seconds > 0) mFrameTime += seconds;
  // A looping animation without a stop frame drops the whole rounds a long step skips.
  if (a.mLooping && mStopFrame < 0) {
    double total = 0;
    for (const AnimFrame& f : a.mFrames) total += f.mTime;
    if (mFrameTime >= total) mFrameTime = std::fmod(mFrameTime, total);
  }
  for (;;) {
    if (mFrame == mStopFrame && !mStopHandled) {
      mStopHandled = true;
      mFrameTime = 0;
      mState = State::Paused;
      stopReached = true;
      return;
    }
    double frameTime = a.mFrames[size_t(mFrame)].mTime;
    if (mFrameTime < frameTime) return;
    mFrameTime -= frameTime;
    if (!NextFrame()) {
      // A non-looping animation stays on its last frame and reports its end like a stop frame.
      mFrameTime = 0;
      mStopHandled = true;
      mState = State::Paused;
      stopReached = true;
      return;
    }
  }
}

const AnimEntry* ZCAnimController::GetCurrentAnimation() const {
  if (mState == State::Stopped || mCurrent < 0) return nullptr;
  return &mAnimations[size_t(mCurrent)];
}

const AnimFrame* ZCAnimController::GetCurrentFrame() const {
  const AnimEntry* a = GetCurrentAnimation();
  return a ? &a->mFrames[size_t(mFrame)] : nullptr;
}

float ZCAnimController::GetProgress() const {
  const AnimEntry* a = GetCurrentAnimation();
  return a ? float(mFrame) / float(a->mFrames.size()) : 0.0f;
}
