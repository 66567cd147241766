#include "effects/EffectCallbacks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCEffect.h"
#include "effects/ZCIEffect.h"
#include "graphics/Graphics.h"
#include "shell/Log.h"
#include "shell/Random.h"

namespace {

// ---- What the callbacks change: the owner's part records when it handed them, else the owner ----

ZCPartRecordBlock* Parts(EffectCallArgs& a) { return a.mEffect->Target<ZCPartRecordBlock>(ZCEffect::kTargetParts); }

template <class Fn>
void ForEachRecord(EffectCallArgs& a, Fn fn) {
  ZCPartRecordBlock* block = Parts(a);
  if (!block) return;
  int32_t count = std::clamp(block->mCount, 0, ZCPartRecordBlock::kMaxRecords);
  for (int32_t i = 0; i < count; ++i) fn(block->mRecords[i]);
}

float Lerp(float from, float to, float t) { return from + (to - from) * t; }
int32_t RoundToInt(float v) { return int32_t(std::lround(v)); }

// One float field: to every part record when the owner handed them, else through the owner.
void ApplyFloat(EffectCallArgs& a, float* ZCPartRecord::*field, void (ZCIEffect::*set)(float), float value) {
  if (Parts(a))
    ForEachRecord(a, [&](ZCPartRecord& r) {
      if (r.*field) *(r.*field) = value;
    });
  else if (a.mOwner)
    (a.mOwner->*set)(value);
}

void ApplyAlpha(EffectCallArgs& a, float alpha) { ApplyFloat(a, &ZCPartRecord::mAlpha, &ZCIEffect::SetAlpha, alpha); }
void ApplyScale(EffectCallArgs& a, float scale) { ApplyFloat(a, &ZCPartRecord::mScale, &ZCIEffect::SetScale, scale); }

void ApplyOffset(EffectCallArgs& a, int32_t x, int32_t y) {
  if (Parts(a))
    ForEachRecord(a, [&](ZCPartRecord& r) {
      if (r.mOffsetX) *r.mOffsetX = x;
      if (r.mOffsetY) *r.mOffsetY = y;
    });
  else if (a.mOwner)
    a.mOwner->SetOffsetX(x)->SetOffsetY(y);
}

void ApplyScalePoint(EffectCallArgs& a, int32_t x, int32_t y) {
  if (Parts(a))
    ForEachRecord(a, [&](ZCPartRecord& r) {
      if (r.mScalePointX) *r.mScalePointX = x;
      if (r.mScalePointY) *r.mScalePointY = y;
    });
  else if (a.mOwner) {
    a.mOwner->SetScalePointX(x);
    a.mOwner->SetScalePointY(y);
  }
}

// Visibility goes to the owner (which knows what else changes with it) or to the visible-flag
// target, and to every part record.
void ApplyVisible(EffectCallArgs& a, bool visible) {
  if (a.mOwner)
    a.mOwner->SetVisibleFlag(visible);
  else if (bool* flag = a.mEffect->Target<bool>(ZCEffect::kTargetVisible))
    *flag = visible;
  ForEachRecord(a, [&](ZCPartRecord& r) {
    if (r.mVisible) *r.mVisible = visible;
  });
}

// ---- The standard callbacks ----

// Alpha from "from" to "to" over the control's window.
void EffectFade(EffectCallArgs& a) { ApplyAlpha(a, Lerp(a.Param("from", 0), a.Param("to", 1), a.mProgress)); }

// A dialog appears: shown at once, alpha 0 to 1.
void DlgFadeIn(EffectCallArgs& a) {
  if (a.mFirst) ApplyVisible(a, true);
  ApplyAlpha(a, a.mProgress);
}

// A dialog vanishes: alpha 1 to 0, hidden at the end with its alpha back at 1, so that showing
// it without an effect later does not leave it transparent.
void DlgFadeOut(EffectCallArgs& a) {
  ApplyAlpha(a, 1 - a.mProgress);
  if (a.mLast) {
    ApplyVisible(a, false);
    ApplyAlpha(a, 1);
  }
}

void EffectScale(EffectCallArgs& a) { ApplyScale(a, Lerp(a.Param("from", 1), a.Param("to", 1), a.mProgress)); }

void EffectScalePoint(EffectCallArgs& a) { ApplyScalePoint(a, a.ParamInt("x", 0), a.ParamInt("y", 0)); }

// Offset from ("from_x", "from_y") to ("to_x", "to_y"), rounded to whole pixels.
void EffectMove(EffectCallArgs& a) {
  ApplyOffset(a, RoundToInt(Lerp(a.Param("from_x", 0), a.Param("to_x", 0), a.mProgress)),
              RoundToInt(Lerp(a.Param("from_y", 0), a.Param("to_y", 0), a.mProgress)));
}

// Fixed offset ("x", "y").
void EffectOffset(EffectCallArgs& a) { ApplyOffset(a, a.ParamInt("x", 0), a.ParamInt("y", 0)); }

// A random offset of up to "amp_x" and "amp_y" pixels every call; back to 0 at the end.
void EffectShake(EffectCallArgs& a) {
  if (a.mLast) {
    ApplyOffset(a, 0, 0);
    return;
  }
  int32_t ax = std::abs(a.ParamInt("amp_x", 3)), ay = std::abs(a.ParamInt("amp_y", 3));
  ApplyOffset(a, ax ? RandomInt(-ax, ax + 1) : 0, ay ? RandomInt(-ay, ay + 1) : 0);
}

// "r;g;b" or "r;g;b;a" (alpha 255 when left out), each clamped to 0..255, packed red, green,
// blue, alpha from the high byte down as the part records keep text colours; false when the
// text is empty or not a colour.
bool ParsePackedColor(const std::string& text, int32_t& packed) {
  int32_t c[4] = {0, 0, 0, 255};
  size_t at = 0;
  int32_t count = 0;
  while (count < 4 && at <= text.size()) {
    const size_t end = std::min(text.find(';', at), text.size());
    const std::string field = text.substr(at, end - at);
    char* stop = nullptr;
    const long value = std::strtol(field.c_str(), &stop, 10);
    if (field.empty() || *stop != '\0') return false;
    c[count++] = int32_t(std::clamp(value, 0L, 255L));
    at = end + 1;
  }
  if (count < 3 || at <= text.size()) return false;
  packed = int32_t((uint32_t(c[0]) << 24) | (uint32_t(c[1]) << 16) | (uint32_t(c[2]) << 8) | uint32_t(c[3]));
  return true;
}

// The text colours of the parts: "color" for the text, "color2" for the second font layer.
// Text parts start with colour 0 (transparent), so a part that shows text needs this once.
void EffectTextColor(EffectCallArgs& a) {
  for (const auto& entry : {std::pair{"color", &ZCPartRecord::mTextColor}, std::pair{"color2", &ZCPartRecord::mTextColor2}}) {
    const auto field = entry.second;  // a copy the lambda can capture (clang 14 refuses a structured binding)
    const std::string text = a.ParamString(entry.first);
    if (text.empty()) continue;
    int32_t packed = 0;
    if (!ParsePackedColor(text, packed)) {
      LogMessage("WARNING: EffectTextColor: '%s' is not a colour", text.c_str());
      continue;
    }
    ForEachRecord(a, [&](ZCPartRecord& r) {
      if (r.*field) *(r.*field) = packed;
    });
  }
}

void EffectShow(EffectCallArgs& a) { ApplyVisible(a, true); }
void EffectHide(EffectCallArgs& a) { ApplyVisible(a, false); }

std::mutex gLockMutex;
std::set<const ZCEffect*>& LockHolders() {
  static std::set<const ZCEffect*> holders;
  return holders;
}

// "lock" 1 takes the widget lock for this effect, 0 gives it back.
void WidgetsLock(EffectCallArgs& a) {
  std::lock_guard<std::mutex> lock(gLockMutex);
  if (a.ParamInt("lock", 1) != 0)
    LockHolders().insert(a.mEffect);
  else
    LockHolders().erase(a.mEffect);
}

// Starts the particle system "name" at ("x", "y") from the owner's drawing position (targets
// 263 and 264 when handed over), or at ("x", "y") itself.
void StartPS(EffectCallArgs& a) {
  ParticleSystemTable* table = GetEffectServices().mParticles;
  EffectLibrary* library = GetEffectLibrary();
  if (!table || !library) return;
  std::string name = a.ParamString("name");
  std::shared_ptr<const ParticleDef> def = library->FindParticles(name);
  if (!def) {
    LogMessage("WARNING: StartPS: no particle system '%s' (effect '%s')", name.c_str(), a.mEffect->GetName().c_str());
    return;
  }
  float x = a.Param("x", 0), y = a.Param("y", 0);
  if (int32_t* px = a.mEffect->Target<int32_t>(ZCEffect::kTargetX)) x += float(*px - ZCEffect::kPositionBiasX);
  if (int32_t* py = a.mEffect->Target<int32_t>(ZCEffect::kTargetY)) y += float(*py - ZCEffect::kPositionBiasY);
  table->Start(a.mEffect->GetParticleKey(), def, x, y);
}

void StopPS(EffectCallArgs& a) {
  if (ParticleSystemTable* table = GetEffectServices().mParticles) table->StopByName(a.mEffect->GetParticleKey());
}

// Draws the effect's particle systems into the graphics handed over as target 262.
void RenderPSFunc(EffectCallArgs& a) {
  ParticleSystemTable* table = GetEffectServices().mParticles;
  Vesk::Graphics* g = a.mEffect->Target<Vesk::Graphics>(ZCEffect::kTargetGraphics);
  if (table && g) table->DrawByName(a.mEffect->GetParticleKey(), *g);
}

void EffectSendMessage(EffectCallArgs& a) { a.mEffect->SendMessage(a.ParamString("message")); }

void EffectPlaySound(EffectCallArgs& a) {
  std::string sound = a.ParamString("sound");
  const EffectServices& services = GetEffectServices();
  if (!sound.empty() && services.mPlaySound) services.mPlaySound(sound);
}

struct CallbackTable {
  std::mutex mMutex;
  std::map<std::string, EffectCallback> mCallbacks{
      {"EffectFade", EffectFade},
      {"DlgFadeIn", DlgFadeIn},
      {"DlgFadeOut", DlgFadeOut},
      {"EffectScale", EffectScale},
      {"EffectScalePoint", EffectScalePoint},
      {"EffectMove", EffectMove},
      {"EffectOffset", EffectOffset},
      {"EffectShake", EffectShake},
      {"EffectShow", EffectShow},
      {"EffectHide", EffectHide},
      {"EffectTextColor", EffectTextColor},
      {"WidgetsLock", WidgetsLock},
      {"StartPS", StartPS},
      {"StopPS", StopPS},
      {"RenderPSFunc", RenderPSFunc},
      {"EffectSendMessage", EffectSendMessage},
      {"EffectPlaySound", EffectPlaySound},
  };
};

CallbackTable& Table() {
  static CallbackTable table;
  return table;
}

}  // namespace

void RegisterEffectCallback(const std::string& name, EffectCallback callback) {
  CallbackTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mMutex);
  if (callback)
    t.mCallbacks[name] = callback;
  else
    t.mCallbacks.erase(name);
}

EffectCallback FindEffectCallback(const std::string& name) {
  CallbackTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mMutex);
  auto it = t.mCallbacks.find(name);
  return it == t.mCallbacks.end() ? nullptr : it->second;
}

std::vector<std::string> EffectCallbackNames() {
  CallbackTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mMutex);
  std::vector<std::string> names;
  for (const auto& [name, fn] : t.mCallbacks) names.push_back(name);
  return names;
}

bool AreWidgetsLocked() {
  std::lock_guard<std::mutex> lock(gLockMutex);
  return !LockHolders().empty();
}

void ReleaseWidgetsLock(const ZCEffect* effect) {
  std::lock_guard<std::mutex> lock(gLockMutex);
  LockHolders().erase(effect);
}
