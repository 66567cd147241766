#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/EffectCallArgs.h"

class ZCIEffect;
struct ParticleDef;

// What an effect of the effect file holds, shared by every ZCEffect made from it.
struct EffectControlDef {
  std::string mCallbackName;
  EffectCallback mCallback = nullptr;
  // The window of timer time in which the control runs; an instant control has mEnd == mStart.
  float mStart = 0;
  float mEnd = 0;
  ZCCallBackParams mParams;
};

struct EffectTimerDef {
  std::string mName;
  float mDuration = 0;
  bool mLoop = false;
  std::vector<EffectControlDef> mControls;
};

struct EffectRecordDef {
  enum class Kind { Start, Stop, Pause, Resume, Call };
  Kind mKind = Kind::Call;
  int32_t mTimer = -1;  // index into the effect's timers
  std::string mCallbackName;
  EffectCallback mCallback = nullptr;
  ZCCallBackParams mParams;
};

struct EffectMessageDef {
  std::string mName;
  bool mEnabled = true;
  std::vector<EffectRecordDef> mRecords;
};

struct EffectDef {
  std::string mName;
  std::vector<EffectTimerDef> mTimers;
  std::vector<EffectMessageDef> mMessages;
};

class ZCEffect;

// A named timer of one effect: runs its controls over its time, once or looping.
class ZCTimer {
 public:
  enum class State { Stopped, Running, Paused };

  explicit ZCTimer(const EffectTimerDef* def) : mDef(def) {}

  // Starts from time 0 (also when running): controls that begin at 0 run at once.
  void Start(ZCEffect& effect);
  void Stop();
  void Pause();
  void Resume();
  void Update(ZCEffect& effect, float seconds);

  State GetState() const { return mState; }
  bool IsRunning() const { return mState == State::Running; }
  float GetTime() const { return float(mTime); }
  const std::string& GetName() const { return mDef->mName; }

 private:
  // Runs the controls whose window meets (prev, cur]; false when a control restarted or
  // stopped the timer meanwhile.
  bool RunControls(ZCEffect& effect, double prev, double cur, float step);
  bool RunStartControls(ZCEffect& effect);

  const EffectTimerDef* mDef;
  State mState = State::Stopped;
  double mTime = 0;
  uint32_t mGeneration = 0;
};

// An effect in use: its own timers and message switches over a shared definition, the target
// pointers its owner handed it, and the owner itself.
class ZCEffect {
 public:
  // Target ids of SetTarget.
  static constexpr int32_t kTargetParts = 256;        // ZCPartRecordBlock*
  static constexpr int32_t kTargetVisible = 257;      // bool*
  static constexpr int32_t kTargetGraphics = 262;     // Vesk::Graphics*
  static constexpr int32_t kTargetX = 263;            // int32_t*, drawing x + 512
  static constexpr int32_t kTargetY = 264;            // int32_t*, drawing y + 384
  static constexpr int32_t kTargetOrientation = 265;  // std::string*
  static constexpr int32_t kTargetMirrored = 266;     // bool*
  // Offset of the drawing position in targets 263 and 264.
  static constexpr int32_t kPositionBiasX = 512;
  static constexpr int32_t kPositionBiasY = 384;

  explicit ZCEffect(std::shared_ptr<const EffectDef> def);
  ~ZCEffect();
  ZCEffect(const ZCEffect&) = delete;
  ZCEffect& operator=(const ZCEffect&) = delete;

  // Runs every record of the message when it is enabled; false when the effect has no message
  // of that name (true for a disabled one).
  bool SendMessage(const std::string& name);
  bool HasMessage(const std::string& name) const;
  void EnableMessage(const std::string& name, bool enable);
  bool IsMessageEnabled(const std::string& name) const;

  // Stores a pointer for the callbacks; an id outside the known ones is refused with a warning.
  void SetTarget(int32_t id, void* target);
  void* GetTarget(int32_t id) const;
  template <class T>
  T* Target(int32_t id) const {
    return static_cast<T*>(GetTarget(id));
  }

  // Advances every running timer.
  void Update(float seconds);
  // True while a timer runs or is paused.
  bool IsRunning() const;
  ZCTimer* FindTimer(const std::string& name);

  void SetOwner(ZCIEffect* owner) { mOwner = owner; }
  ZCIEffect* GetOwner() const { return mOwner; }
  const std::string& GetName() const { return mDef->mName; }
  // The key under which the particle systems it starts are kept.
  const std::string& GetParticleKey() const { return mParticleKey; }

  // Runs one callback for this effect.
  void Call(EffectCallback callback, const ZCCallBackParams* params, float progress, float step, bool first,
            bool last);

 private:
  static constexpr int32_t kFirstTarget = 256;
  static constexpr int32_t kTargetCount = 11;
  static constexpr int32_t kMaxMessageDepth = 8;

  int32_t FindMessage(const std::string& name) const;

  std::shared_ptr<const EffectDef> mDef;
  std::vector<ZCTimer> mTimers;
  std::vector<bool> mEnabled;
  void* mTargets[kTargetCount] = {};
  ZCIEffect* mOwner = nullptr;
  std::string mParticleKey;
  int32_t mMessageDepth = 0;
};
