#include "screens/ZCComixActor.h"

#include <cmath>
#include <functional>
#include <map>

#include "shell/Log.h"
#include "shell/XmlNode.h"

using Vesk::VeskVector2;

namespace {

constexpr float kTwoPi = 6.2831855f;

float Lerp(float p) { return p; }
float Roof(float p) { return p < 0.5f ? 2 * p : 2 - 2 * p; }
float Crazy(float p) { return (std::sin(6 * std::sin(kTwoPi * p)) + 1) / 2; }
float Sine(float p) { return (std::sin(kTwoPi * p) + 1) / 2; }
float EaseIn(float p) { return p * p; }
float EaseOut(float p) { return std::sqrt(p); }

// The values an actor reads: a float, a bool written as an integer, a point "x;y".
bool ReadValue(const XmlNode& node, const wchar_t* name, float& out) { return GetAttrFloat(node, name, out); }
bool ReadValue(const XmlNode& node, const wchar_t* name, bool& out) {
  int32_t value = 0;
  if (!GetAttrInt(node, name, &value)) return false;
  out = value != 0;
  return true;
}
bool ReadValue(const XmlNode& node, const wchar_t* name, VeskVector2& out) {
  return GetAttrPoint(node, name, out.x, out.y);
}

float Blend(float a, float b, float e) { return a + (b - a) * e; }
VeskVector2 Blend(const VeskVector2& a, const VeskVector2& b, float e) {
  return VeskVector2(Blend(a.x, b.x, e), Blend(a.y, b.y, e));
}


// The state of a picture or text; null for other objects.
ComixPicState* Pic(ZCComixObject* object) {
  ZCComixObjectPic* pic = object ? object->AsPic() : nullptr;
  return pic ? &pic->mState : nullptr;
}
ZCComixObjectSound* Sound(ZCComixObject* object) { return object ? object->AsSound() : nullptr; }

// One setter per property.
#define PIC_SETTER(Type, body)                         \
  [](ZCComixObject* object, const Type& v) {           \
    if (ComixPicState* s = Pic(object)) { body; }      \
  }
using V2 = VeskVector2;

using Factory = std::function<std::unique_ptr<ZCComixActor>()>;
template <class T>
Factory Set(ComixSetter<T> setter) {
  return [setter] { return std::make_unique<ZCComixActorSetValue<T>>(setter); };
}
template <class T>
Factory Change(ComixSetter<T> setter) {
  return [setter] { return std::make_unique<ZCComixActorChangeValue<T>>(setter); };
}

const std::map<std::string, Factory>& ActionTable() {
  static const ComixSetter<V2> pos = PIC_SETTER(V2, s->pos = v);
  static const ComixSetter<V2> offset = PIC_SETTER(V2, s->offset = v);
  static const ComixSetter<float> posX = PIC_SETTER(float, s->pos.x = v);
  static const ComixSetter<float> posY = PIC_SETTER(float, s->pos.y = v);
  static const ComixSetter<float> offsetX = PIC_SETTER(float, s->offset.x = v);
  static const ComixSetter<float> offsetY = PIC_SETTER(float, s->offset.y = v);
  static const ComixSetter<V2> maskStaticPos = PIC_SETTER(V2, s->maskStaticPos = v);
  static const ComixSetter<V2> clipPos = PIC_SETTER(V2, s->clip.mX = ComixWhole(v.x);
                                                     s->clip.mY = ComixWhole(v.y));
  static const ComixSetter<V2> clipSize = PIC_SETTER(V2, s->clip.mWidth = ComixWhole(v.x);
                                                      s->clip.mHeight = ComixWhole(v.y));
  static const ComixSetter<V2> centerpos = PIC_SETTER(V2, s->centerpos = v);
  static const ComixSetter<float> centerposX = PIC_SETTER(float, s->centerpos.x = v);
  static const ComixSetter<float> centerposY = PIC_SETTER(float, s->centerpos.y = v);
  static const ComixSetter<float> scale = PIC_SETTER(float, s->scale = v);
  static const ComixSetter<float> alpha = PIC_SETTER(float, s->alpha = v);
  static const ComixSetter<float> angle = PIC_SETTER(float, s->angle = v);
  static const ComixSetter<bool> visible = PIC_SETTER(bool, s->visible = v);
  static const ComixSetter<bool> staticMask = PIC_SETTER(bool, s->staticMask = v);
  static const ComixSetter<bool> centerposGlobal = PIC_SETTER(bool, s->centerposGlobal = v);
  static const ComixSetter<bool> play = [](ZCComixObject* o, const bool& v) {
    if (ZCComixObjectSound* s = Sound(o)) s->SetPlaying(v);
  };
  static const ComixSetter<float> pan = [](ZCComixObject* o, const float& v) {
    if (ZCComixObjectSound* s = Sound(o)) s->SetPan(v);
  };
  static const ComixSetter<float> volume = [](ZCComixObject* o, const float& v) {
    if (ZCComixObjectSound* s = Sound(o)) s->SetVolume(v);
  };
  static const std::map<std::string, Factory> table = {
      {"set_pos", Set(pos)},
      {"set_offset", Set(offset)},
      {"set_play", Set(play)},
      {"set_pan", Set(pan)},
      {"set_volume", Set(volume)},
      {"set_pos_x", Set(posX)},
      {"set_pos_y", Set(posY)},
      {"set_offset_x", Set(offsetX)},
      {"set_offset_y", Set(offsetY)},
      {"set_maskStaticPos", Set(maskStaticPos)},
      {"set_clipRectPos", Set(clipPos)},
      {"set_clipRectSize", Set(clipSize)},
      {"set_centerpos", Set(centerpos)},
      {"set_centerpos_x", Set(centerposX)},
      {"set_centerpos_y", Set(centerposY)},
      {"set_scale", Set(scale)},
      {"set_alpha", Set(alpha)},
      {"set_visible", Set(visible)},
      {"set_staticMask", Set(staticMask)},
      {"set_centerposGlobal", Set(centerposGlobal)},
      {"set_angle", Set(angle)},
      {"change_pan", Change(pan)},
      {"change_volume", Change(volume)},
      {"change_pos", Change(pos)},
      {"change_pos_x", Change(posX)},
      {"change_pos_y", Change(posY)},
      {"change_maskStaticPos", Change(maskStaticPos)},
      {"change_clipRectPos", Change(clipPos)},
      {"change_clipRectSize", Change(clipSize)},
      {"change_offset", Change(offset)},
      {"change_offset_x", Change(offsetX)},
      {"change_offset_y", Change(offsetY)},
      {"change_scale", Change(scale)},
      {"change_alpha", Change(alpha)},
      {"change_centerpos", Change(centerpos)},
      {"change_centerpos_x", Change(centerposX)},
      {"change_centerpos_y", Change(centerposY)},
      {"change_angle", Change(angle)},
  };
  return table;
}
#undef PIC_SETTER

}  // namespace

EaseRule GetEaseRule(const std::string& name) {
  static const std::map<std::string, EaseRule> rules = {{"lerp", Lerp}, {"roof", Roof},     {"crazy", Crazy},
                                                        {"sin", Sine},  {"easeIn", EaseIn}, {"easeOut", EaseOut}};
  auto it = rules.find(name);
  return it == rules.end() ? nullptr : it->second;
}

bool ZCComixActor::Bind(const ComixScene& scene, const XmlNode& node) {
  std::string object, group;
  const bool hasObject = GetAttrStringA(node, "object", object);
  const bool hasGroup = GetAttrStringA(node, "group", group);
  if (hasObject) {
    ZCComixObject* found = scene.FindObject(object);
    if (!found) {
      LogMessage("WARNING: ZCComixActor - object '%s' does not exist", object.c_str());
      return false;
    }
    mOwn = std::make_unique<ComixObjectList>(1, found);
    mTargets = mOwn.get();
    if (hasGroup)
      LogMessage("WARNING: ZCComixActor - group '%s' and object '%s' in single actor not supported.", group.c_str(),
                 object.c_str());
    return true;
  }
  if (hasGroup) {
    mTargets = scene.FindGroup(group);
    if (!mTargets) LogMessage("WARNING: ZCComixActor - group '%s' does not exist", group.c_str());
    return mTargets != nullptr;
  }
  LogMessage("WARNING: ZCComixActor - no atributes 'object' or 'group'");
  return false;
}

template <class T>
bool ZCComixActorSetValue<T>::Parse(const ComixScene& scene, const XmlNode& node) {
  if (!Bind(scene, node)) return false;
  if (!ReadValue(node, L"val", mValue)) {
    LogMessage("WARNING: ZCComixActorSetValue - bad atribute 'val'");
    return false;
  }
  if (!GetAttrFloat(node, L"t", mT)) {
    LogMessage("WARNING: ZCComixActorSetValue - bad atribute 't'");
    return false;
  }
  return true;
}

template <class T>
void ZCComixActorSetValue<T>::Apply() {
  for (ZCComixObject* object : *mTargets) mSetter(object, mValue);
  mDone = true;
}

template <class T>
bool ZCComixActorChangeValue<T>::Parse(const ComixScene& scene, const XmlNode& node) {
  if (!Bind(scene, node)) return false;
  const struct {
    const wchar_t* wide;
    const char* name;
    bool read;
  } needed[] = {{L"val1", "val1", ReadValue(node, L"val1", mVal1)},
                {L"val2", "val2", ReadValue(node, L"val2", mVal2)},
                {L"t1", "t1", GetAttrFloat(node, L"t1", mT1)},
                {L"t2", "t2", GetAttrFloat(node, L"t2", mT2)}};
  for (const auto& attribute : needed) {
    if (attribute.read) continue;
    LogMessage("WARNING: ZSComixActorChangeValue - bad atribute '%s'", attribute.name);
    return false;
  }
  ReadValue(node, L"loop", mLoop);
  ReadValue(node, L"local", mLocal);
  std::string rule = "lerp";
  GetAttrStringA(node, "rule", rule);
  mRule = GetEaseRule(rule);
  if (!mRule) {
    LogMessage("WARNING: ZSComixActorChangeValue - rule '%s' is unknown.", rule.c_str());
    return false;
  }
  return true;
}

template <class T>
void ZCComixActorChangeValue<T>::Set(const T& value) {
  for (ZCComixObject* object : *mTargets) mSetter(object, value);
}

template <class T>
void ZCComixActorChangeValue<T>::Update(float localTime) {
  if (mDone) return;
  const bool active = mLoop ? localTime >= mT1 : (mT1 <= localTime && localTime <= mT2);
  if (active) {
    const float span = mT2 - mT1;
    if (span == 0) {
      // A change without duration is its end value.
      Set(mVal2);
    } else {
      float p = (localTime - mT1) / span;
      // A loop starts again every span; a single run reaches its end value at t2 itself.
      if (mLoop) p -= std::floor(p);
      Set(Blend(mVal1, mVal2, mRule(p)));
    }
  }
  if (localTime > mT2 && !mLoop) {
    mDone = true;
    Set(mVal2);
  }
}

template <class T>
void ZCComixActorChangeValue<T>::Finish(float comixTime) {
  if (mT2 < comixTime && !mLocal) return;
  mDone = true;
  Set(mVal2);
}

template class ZCComixActorSetValue<float>;
template class ZCComixActorSetValue<bool>;
template class ZCComixActorSetValue<VeskVector2>;
template class ZCComixActorChangeValue<float>;
template class ZCComixActorChangeValue<VeskVector2>;

std::unique_ptr<ZCComixActor> CreateComixActor(const ComixScene& scene, const XmlNode& node) {
  std::string action;
  GetAttrStringA(node, "action", action);
  const auto& table = ActionTable();
  auto it = table.find(action);
  if (it == table.end()) {
    LogMessage("WARNING: Can not create actor for action '%s'", action.c_str());
    return nullptr;
  }
  std::unique_ptr<ZCComixActor> actor = it->second();
  if (!actor->Parse(scene, node)) return nullptr;
  return actor;
}
