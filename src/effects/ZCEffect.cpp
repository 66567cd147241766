#include "effects/ZCEffect.h"

#include <cmath>

#include "effects/EffectCallbacks.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "shell/Log.h"

namespace {
uint64_t gEffectSerial = 0;

// Seconds of an update as the timers use them: negative or not-a-number steps count as 0.
double CleanStep(float seconds) { return std::isfinite(seconds) && seconds > 0 ? double(seconds) : 0.0; }
}  // namespace

// ---- ZCTimer ----

void ZCTimer::Start(ZCEffect& effect) {
  ++mGeneration;
  mState = State::Running;
  mTime = 0;
  RunStartControls(effect);
}

void ZCTimer::Stop() {
  ++mGeneration;
  mState = State::Stopped;
  mTime = 0;
}

void ZCTimer::Pause() {
  if (mState == State::Running) mState = State::Paused;
}

void ZCTimer::Resume() {
  if (mState == State::Paused) mState = State::Running;
}

bool ZCTimer::RunStartControls(ZCEffect& effect) {
  uint32_t generation = mGeneration;
  for (const EffectControlDef& c : mDef->mControls) {
    if (c.mStart != 0) continue;
    bool instant = c.mEnd <= c.mStart;
    effect.Call(c.mCallback, &c.mParams, instant ? 1.0f : 0.0f, 0, true, instant);
    if (generation != mGeneration) return false;
  }
  return true;
}

bool ZCTimer::RunControls(ZCEffect& effect, double prev, double cur, float step) {
  uint32_t generation = mGeneration;
  for (const EffectControlDef& c : mDef->mControls) {
    double start = c.mStart, end = c.mEnd;
    if (end <= start) {
      // An instant control runs once, in the update that reaches its time.
      if (!(prev < start && start <= cur)) continue;
      effect.Call(c.mCallback, &c.mParams, 1.0f, step, true, true);
    } else {
      if (!(cur >= start && prev < end)) continue;
      double progress = (cur - start) / (end - start);
      if (progress > 1) progress = 1;
      effect.Call(c.mCallback, &c.mParams, float(progress), step, prev < start, cur >= end);
    }
    if (generation != mGeneration) return false;
  }
  return true;
}

void ZCTimer::Update(ZCEffect& effect, float seconds) {
  if (mState != State::Running) return;
  double step = CleanStep(seconds);
  double prev = mTime;
  double cur = prev + step;
  double duration = mDef->mDuration;
  if (cur < duration) {
    mTime = cur;
    RunControls(effect, prev, cur, float(step));
    return;
  }
  // The end of the run: every control gets its last call.
  mTime = duration;
  if (!RunControls(effect, prev, duration, float(step))) return;
  if (!mDef->mLoop || duration <= 0) {
    mState = State::Stopped;
    mTime = 0;
    return;
  }
  // A looping timer starts over; a step longer than a whole run drops the runs it skipped.
  double rest = std::fmod(cur - duration, duration);
  mTime = 0;
  if (!RunStartControls(effect)) return;
  mTime = rest;
  if (rest > 0) RunControls(effect, 0, rest, float(step));
}

// ---- ZCEffect ----

ZCEffect::ZCEffect(std::shared_ptr<const EffectDef> def) : mDef(std::move(def)) {
  mTimers.reserve(mDef->mTimers.size());
  for (const EffectTimerDef& t : mDef->mTimers) mTimers.emplace_back(&t);
  for (const EffectMessageDef& m : mDef->mMessages) mEnabled.push_back(m.mEnabled);
  mParticleKey = "effect:" + mDef->mName + "#" + std::to_string(++gEffectSerial);
}

ZCEffect::~ZCEffect() {
  ReleaseWidgetsLock(this);
  if (ParticleSystemTable* table = GetEffectServices().mParticles) table->RemoveByName(mParticleKey);
}

int32_t ZCEffect::FindMessage(const std::string& name) const {
  for (size_t i = 0; i < mDef->mMessages.size(); ++i)
    if (mDef->mMessages[i].mName == name) return int32_t(i);
  return -1;
}

bool ZCEffect::HasMessage(const std::string& name) const { return FindMessage(name) >= 0; }

void ZCEffect::EnableMessage(const std::string& name, bool enable) {
  int32_t i = FindMessage(name);
  if (i >= 0) mEnabled[size_t(i)] = enable;
}

bool ZCEffect::IsMessageEnabled(const std::string& name) const {
  int32_t i = FindMessage(name);
  return i >= 0 && mEnabled[size_t(i)];
}

bool ZCEffect::SendMessage(const std::string& name) {
  int32_t index = FindMessage(name);
  if (index < 0) return false;
  if (!mEnabled[size_t(index)]) return true;
  if (mMessageDepth >= kMaxMessageDepth) {
    LogMessage("WARNING: ZCEffect '%s': message '%s' sent from its own handling too deeply; ignored",
               mDef->mName.c_str(), name.c_str());
    return true;
  }
  ++mMessageDepth;
  for (const EffectRecordDef& r : mDef->mMessages[size_t(index)].mRecords) {
    ZCTimer* timer = r.mTimer >= 0 && size_t(r.mTimer) < mTimers.size() ? &mTimers[size_t(r.mTimer)] : nullptr;
    switch (r.mKind) {
      case EffectRecordDef::Kind::Start:
        if (timer) timer->Start(*this);
        break;
      case EffectRecordDef::Kind::Stop:
        if (timer) timer->Stop();
        break;
      case EffectRecordDef::Kind::Pause:
        if (timer) timer->Pause();
        break;
      case EffectRecordDef::Kind::Resume:
        if (timer) timer->Resume();
        break;
      case EffectRecordDef::Kind::Call:
        Call(r.mCallback, &r.mParams, 1.0f, 0, true, true);
        break;
    }
  }
  --mMessageDepth;
  return true;
}

void ZCEffect::SetTarget(int32_t id, void* target) {
  if (id < kFirstTarget || id >= kFirstTarget + kTargetCount) {
    LogMessage("WARNING: ZCEffect '%s': unknown target id %d", mDef->mName.c_str(), id);
    return;
  }
  mTargets[id - kFirstTarget] = target;
}

void* ZCEffect::GetTarget(int32_t id) const {
  if (id < kFirstTarget || id >= kFirstTarget + kTargetCount) return nullptr;
  return mTargets[id - kFirstTarget];
}

void ZCEffect::Update(float seconds) {
  for (ZCTimer& t : mTimers) t.Update(*this, seconds);
}

bool ZCEffect::IsRunning() const {
  for (const ZCTimer& t : mTimers)
    if (t.GetState() != ZCTimer::State::Stopped) return true;
  return false;
}

ZCTimer* ZCEffect::FindTimer(const std::string& name) {
  for (ZCTimer& t : mTimers)
    if (t.GetName() == name) return &t;
  return nullptr;
}

void ZCEffect::Call(EffectCallback callback, const ZCCallBackParams* params, float progress, float step, bool first,
                    bool last) {
  if (!callback) return;
  EffectCallArgs args;
  args.mEffect = this;
  args.mOwner = mOwner;
  args.mParams = params;
  args.mProgress = progress;
  args.mStep = step;
  args.mFirst = first;
  args.mLast = last;
  callback(args);
}
