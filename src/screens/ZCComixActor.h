#pragma once
#include <memory>
#include <string>

#include "graphics/VeskVector2.h"
#include "screens/ZCComixObjects.h"

class XmlNode;

// An easing rule: progress 0..1 to a blend factor.
using EaseRule = float (*)(float);
// "lerp", "roof", "crazy", "sin", "easeIn", "easeOut"; null for any other name.
EaseRule GetEaseRule(const std::string& name);

// One timed change of one property of the objects it targets (one object, or a group). Times
// are seconds of its episode's local time.
class ZCComixActor {
 public:
  virtual ~ZCComixActor() = default;
  // False when the actor is unusable (it is then dropped).
  virtual bool Parse(const ComixScene&, const XmlNode&) { return false; }
  virtual float EndTime() const { return 0; }
  virtual void Update(float /*localTime*/) {}
  // A click: jump to the final value (given the comix time).
  virtual void Finish(float /*comixTime*/) {}
  virtual void EndEpisode() {}
  virtual bool IsDone() const { return true; }

  const ComixObjectList* GetTargets() const { return mTargets; }

 protected:
  // Reads "object" or "group"; false (logged) when neither names something of the scene.
  bool Bind(const ComixScene& scene, const XmlNode& node);

  const ComixObjectList* mTargets = nullptr;
  std::unique_ptr<ComixObjectList> mOwn;
};

template <class T>
using ComixSetter = void (*)(ZCComixObject*, const T&);

// Sets the value at time t.
template <class T>
class ZCComixActorSetValue : public ZCComixActor {
 public:
  explicit ZCComixActorSetValue(ComixSetter<T> setter) : mSetter(setter) {}
  bool Parse(const ComixScene& scene, const XmlNode& node) override;
  float EndTime() const override { return mT; }
  void Update(float localTime) override {
    if (!mDone && mT <= localTime) Apply();
  }
  void Finish(float) override {
    if (!mDone) Apply();
  }
  bool IsDone() const override { return mDone; }

 private:
  void Apply();
  ComixSetter<T> mSetter;
  T mValue{};
  float mT = 0;
  bool mDone = false;
};

// Moves the value from val1 to val2 between t1 and t2 through an easing rule, once or looping.
template <class T>
class ZCComixActorChangeValue : public ZCComixActor {
 public:
  explicit ZCComixActorChangeValue(ComixSetter<T> setter) : mSetter(setter) {}
  bool Parse(const ComixScene& scene, const XmlNode& node) override;
  float EndTime() const override { return mT2; }
  void Update(float localTime) override;
  void Finish(float comixTime) override;
  void EndEpisode() override {
    if (mLocal) mDone = true;
  }
  bool IsDone() const override { return mDone; }

 private:
  void Set(const T& value);
  ComixSetter<T> mSetter;
  T mVal1{}, mVal2{};
  float mT1 = 0, mT2 = 0;
  bool mLoop = false;
  bool mDone = false;
  bool mLocal = true;
  EaseRule mRule = nullptr;
};

// The actor of the node's "action", parsed; null (logged) when the action is unknown or the
// actor unusable.
std::unique_ptr<ZCComixActor> CreateComixActor(const ComixScene& scene, const XmlNode& node);
