#include "effects/ParticleSystem.h"

#include <algorithm>
#include <cmath>

#include "effects/EffectServices.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"

namespace {
constexpr float kPi = 3.14159265358979f;

float Finite(float v, float def) { return std::isfinite(v) ? v : def; }

// Reads a min/max pair from "<base>_min" and "<base>_max" (or both from "<base>").
void ReadRange(const XmlNode& node, const char* base, float& lo, float& hi) {
  std::string name(base);
  float v = 0;
  if (GetAttrFloatA(node, name.c_str(), v)) lo = hi = v;
  GetAttrFloatA(node, (name + "_min").c_str(), lo);
  GetAttrFloatA(node, (name + "_max").c_str(), hi);
  lo = Finite(lo, 0);
  hi = Finite(hi, lo);
  if (hi < lo) std::swap(lo, hi);
}

int32_t Mix(int32_t a, int32_t b, float t) { return std::clamp(int32_t(std::lround(a + (b - a) * t)), 0, 255); }
}  // namespace

bool ParticleDef::Read(const XmlNode& node) {
  GetAttrStringA(node, "name", mName);
  if (mName.empty()) {
    LogMessage("WARNING: ParticleDef: a \"particles\" element has no name");
    return false;
  }
  GetAttrStringA(node, "image", mImageFile);
  GetAttrFloatA(node, "rate", mRate);
  GetAttrIntA(node, "burst", mBurst);
  GetAttrIntA(node, "max", mMaxParticles);
  GetAttrFloatA(node, "emit_time", mEmitTime);
  ReadRange(node, "life", mLifeMin, mLifeMax);
  ReadRange(node, "speed", mSpeedMin, mSpeedMax);
  ReadRange(node, "angle", mAngleMin, mAngleMax);
  GetAttrFloatA(node, "gravity_x", mGravityX);
  GetAttrFloatA(node, "gravity_y", mGravityY);
  GetAttrFloatA(node, "spread_x", mSpreadX);
  GetAttrFloatA(node, "spread_y", mSpreadY);
  GetAttrFloatA(node, "size_start", mSizeStart);
  GetAttrFloatA(node, "size_end", mSizeEnd);
  GetAttrColor(node, L"color_start", mColorStart);
  GetAttrColor(node, L"color_end", mColorEnd);
  GetAttrFloatA(node, "alpha_start", mAlphaStart);
  GetAttrFloatA(node, "alpha_end", mAlphaEnd);
  GetAttrBool(node, L"additive", mAdditive);

  // Values that would make a system run away are brought back into range.
  if (mMaxParticles < 0 || mMaxParticles > kMaxParticlesLimit) {
    LogMessage("WARNING: ParticleDef '%s': max %d out of range 0..%d", mName.c_str(), mMaxParticles,
               kMaxParticlesLimit);
    mMaxParticles = std::clamp(mMaxParticles, 0, kMaxParticlesLimit);
  }
  mBurst = std::clamp(mBurst, 0, mMaxParticles);
  mRate = std::clamp(Finite(mRate, 0), 0.0f, 100000.0f);
  mEmitTime = std::max(Finite(mEmitTime, 0), 0.0f);
  if (mLifeMax <= 0) {
    LogMessage("WARNING: ParticleDef '%s': particles without life", mName.c_str());
    mLifeMin = mLifeMax = 0.001f;
  }
  mLifeMin = std::max(mLifeMin, 0.001f);
  mGravityX = Finite(mGravityX, 0);
  mGravityY = Finite(mGravityY, 0);
  mSpreadX = std::fabs(Finite(mSpreadX, 0));
  mSpreadY = std::fabs(Finite(mSpreadY, 0));
  mSizeStart = std::clamp(Finite(mSizeStart, 1), 0.0f, 1024.0f);
  mSizeEnd = std::clamp(Finite(mSizeEnd, mSizeStart), 0.0f, 1024.0f);
  mAlphaStart = std::clamp(Finite(mAlphaStart, 1), 0.0f, 1.0f);
  mAlphaEnd = std::clamp(Finite(mAlphaEnd, 0), 0.0f, 1.0f);
  return true;
}

ParticleSystem::ParticleSystem(std::shared_ptr<const ParticleDef> def, float x, float y)
    : mDef(std::move(def)), mX(x), mY(y) {
  if (!mDef->mImageFile.empty()) {
    mImage = LoadEffectImage(mDef->mImageFile);
    if (!mImage) LogMessage("WARNING: ParticleSystem '%s': image '%s' not found", mDef->mName.c_str(),
                            mDef->mImageFile.c_str());
  }
  Emit(mDef->mBurst);
}

void ParticleSystem::Emit(int32_t count) {
  count = std::min<int64_t>(count, int64_t(mDef->mMaxParticles) - int64_t(mParticles.size()));
  for (int32_t i = 0; i < count; ++i) {
    Particle p;
    p.mX = mX + RandomFloat(-mDef->mSpreadX, mDef->mSpreadX);
    p.mY = mY + RandomFloat(-mDef->mSpreadY, mDef->mSpreadY);
    float angle = RandomFloat(mDef->mAngleMin, mDef->mAngleMax) * kPi / 180;
    float speed = RandomFloat(mDef->mSpeedMin, mDef->mSpeedMax);
    p.mVX = std::cos(angle) * speed;
    p.mVY = std::sin(angle) * speed;
    p.mAge = 0;
    p.mLife = RandomFloat(mDef->mLifeMin, mDef->mLifeMax);
    mParticles.push_back(p);
  }
}

void ParticleSystem::Update(float seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return;
  for (Particle& p : mParticles) {
    p.mAge += seconds;
    p.mVX += mDef->mGravityX * seconds;
    p.mVY += mDef->mGravityY * seconds;
    p.mX += p.mVX * seconds;
    p.mY += p.mVY * seconds;
  }
  mParticles.erase(std::remove_if(mParticles.begin(), mParticles.end(),
                                  [](const Particle& p) { return p.mAge >= p.mLife; }),
                   mParticles.end());
  if (!mEmitting) return;
  float emitSeconds = seconds;
  if (mDef->mEmitTime > 0 && mElapsed + seconds >= mDef->mEmitTime) {
    emitSeconds = std::max(mDef->mEmitTime - mElapsed, 0.0f);
    mEmitting = false;
  }
  mElapsed += seconds;
  mEmitCarry += mDef->mRate * emitSeconds;
  // A long step emits no more than the system can hold.
  float room = float(mDef->mMaxParticles);
  if (mEmitCarry > room) mEmitCarry = room;
  int32_t count = int32_t(mEmitCarry);
  mEmitCarry -= float(count);
  Emit(count);
}

void ParticleSystem::Draw(Vesk::Graphics& g) const {
  Color oldColor = g.GetColor();
  int32_t oldMode = g.GetDrawMode();
  bool oldColorize = g.GetColorizeImages();
  if (mDef->mAdditive) g.SetDrawMode(Vesk::DRAWMODE_ADDITIVE);
  for (const Particle& p : mParticles) {
    float t = p.mLife > 0 ? std::clamp(p.mAge / p.mLife, 0.0f, 1.0f) : 1.0f;
    float alpha = mDef->mAlphaStart + (mDef->mAlphaEnd - mDef->mAlphaStart) * t;
    Color c(Mix(mDef->mColorStart.mRed, mDef->mColorEnd.mRed, t), Mix(mDef->mColorStart.mGreen, mDef->mColorEnd.mGreen, t),
            Mix(mDef->mColorStart.mBlue, mDef->mColorEnd.mBlue, t), std::clamp(int32_t(std::lround(alpha * 255)), 0, 255));
    if (c.mAlpha == 0) continue;
    float size = mDef->mSizeStart + (mDef->mSizeEnd - mDef->mSizeStart) * t;
    int32_t s = std::max(1, int32_t(std::lround(size)));
    int32_t x = int32_t(std::lround(p.mX)) - s / 2, y = int32_t(std::lround(p.mY)) - s / 2;
    g.SetColor(c);
    if (mImage) {
      g.SetColorizeImages(true);
      g.DrawImage(mImage.get(), Rect(x, y, s, s), mImage->GetRect());
    } else {
      g.FillRect(x, y, s, s);
    }
  }
  g.SetColor(oldColor);
  g.SetDrawMode(oldMode);
  g.SetColorizeImages(oldColorize);
}

// ---- ParticleSystemTable ----

ParticleSystem* ParticleSystemTable::Start(const std::string& key, std::shared_ptr<const ParticleDef> def, float x,
                                           float y) {
  if (!def) return nullptr;
  auto& list = mSystems[key];
  list.push_back(std::make_unique<ParticleSystem>(std::move(def), x, y));
  return list.back().get();
}

void ParticleSystemTable::StopByName(const std::string& key) {
  auto it = mSystems.find(key);
  if (it == mSystems.end()) return;
  for (auto& s : it->second) s->StopEmitting();
}

void ParticleSystemTable::UpdateByName(const std::string& key, float seconds) {
  auto it = mSystems.find(key);
  if (it == mSystems.end()) return;
  auto& list = it->second;
  for (auto& s : list) s->Update(seconds);
  list.erase(std::remove_if(list.begin(), list.end(), [](const auto& s) { return s->IsDead(); }), list.end());
  if (list.empty()) mSystems.erase(it);
}

void ParticleSystemTable::DrawByName(const std::string& key, Vesk::Graphics& g) const {
  auto it = mSystems.find(key);
  if (it == mSystems.end()) return;
  for (const auto& s : it->second) s->Draw(g);
}

void ParticleSystemTable::RemoveByName(const std::string& key) { mSystems.erase(key); }

void ParticleSystemTable::StopAll() { mSystems.clear(); }

size_t ParticleSystemTable::CountByName(const std::string& key) const {
  auto it = mSystems.find(key);
  return it == mSystems.end() ? 0 : it->second.size();
}

size_t ParticleSystemTable::Count() const {
  size_t n = 0;
  for (const auto& [key, list] : mSystems) n += list.size();
  return n;
}
