#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Color.h"

class XmlNode;
namespace Vesk {
class Graphics;
class MemoryImage;
}  // namespace Vesk

// A particle system as the effect file describes it ("particles" elements).
struct ParticleDef {
  static constexpr int32_t kMaxParticlesLimit = 4096;

  std::string mName;
  // Picture drawn for each particle, centred and colourised; empty: a filled square.
  std::string mImageFile;
  float mRate = 10;          // particles emitted per second
  int32_t mBurst = 0;        // particles emitted at once when the system starts
  int32_t mMaxParticles = 100;
  float mEmitTime = 0;       // seconds of emission; 0: until stopped
  float mLifeMin = 1, mLifeMax = 1;
  float mSpeedMin = 0, mSpeedMax = 0;          // pixels per second
  float mAngleMin = 0, mAngleMax = 360;        // degrees, 0 to the right, 90 downwards
  float mGravityX = 0, mGravityY = 0;          // pixels per second squared
  float mSpreadX = 0, mSpreadY = 0;            // emission box half-size around the position
  float mSizeStart = 4, mSizeEnd = 4;
  Color mColorStart = Color::White, mColorEnd = Color::White;
  float mAlphaStart = 1, mAlphaEnd = 0;
  bool mAdditive = false;

  // Reads a "particles" element; false (and a log line) when it has no name.
  bool Read(const XmlNode& node);
};

// One running system: particles moving under their definition, emitted at a position.
class ParticleSystem {
 public:
  struct Particle {
    float mX, mY, mVX, mVY, mAge, mLife;
  };

  ParticleSystem(std::shared_ptr<const ParticleDef> def, float x, float y);

  void Update(float seconds);
  void Draw(Vesk::Graphics& g) const;
  // Stops emitting; the particles in flight live out their lives.
  void StopEmitting() { mEmitting = false; }
  bool IsEmitting() const { return mEmitting; }
  // Not emitting and no particle left.
  bool IsDead() const { return !mEmitting && mParticles.empty(); }
  void SetPosition(float x, float y) { mX = x; mY = y; }
  const std::vector<Particle>& Particles() const { return mParticles; }
  const ParticleDef& Def() const { return *mDef; }

 private:
  void Emit(int32_t count);

  std::shared_ptr<const ParticleDef> mDef;
  std::shared_ptr<Vesk::MemoryImage> mImage;
  float mX, mY;
  float mElapsed = 0;
  float mEmitCarry = 0;
  bool mEmitting = true;
  std::vector<Particle> mParticles;
};

// The running particle systems by key (an effect's particle key, or any name a caller picks).
class ParticleSystemTable {
 public:
  // Starts a system under the key; the new system (owned by the table).
  ParticleSystem* Start(const std::string& key, std::shared_ptr<const ParticleDef> def, float x, float y);
  // Stops the emission of every system of the key.
  void StopByName(const std::string& key);
  // Advances the systems of the key and drops those that are dead.
  void UpdateByName(const std::string& key, float seconds);
  void DrawByName(const std::string& key, Vesk::Graphics& g) const;
  // Removes the systems of the key at once.
  void RemoveByName(const std::string& key);
  // Stops and removes every system.
  void StopAll();
  size_t CountByName(const std::string& key) const;
  size_t Count() const;

 private:
  std::map<std::string, std::vector<std::unique_ptr<ParticleSystem>>> mSystems;
};
