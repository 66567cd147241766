#include <cstddef>
#include <cstdint>

#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCEffect.h"
#include "effects/ZCIEffect.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {
class Target : public ZCIEffect {
 public:
  void SetAlpha(float) override {}
  void SetScale(float) override {}
  void SetVisibleFlag(bool) override {}
  void SetScalePointX(int32_t) override {}
  void SetScalePointY(int32_t) override {}
  ZCIEffect* SetOffsetX(int32_t) override { return this; }
  ZCIEffect* SetOffsetY(int32_t) override { return this; }
  const std::string& GetName() const override { return mName; }
  std::string mName = "fuzz";
};
}  // namespace

// The effect file on arbitrary bytes; every effect it yields is then run through its messages.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ParticleSystemTable table;
  GetEffectServices().mParticles = &table;
  EffectLibrary library;
  library.LoadFromMemory(data, size, "fuzz effect.xml");
  SetEffectLibrary(&library);
  Vesk::MemoryImage image(64, 64);
  Vesk::Graphics g(&image);
  Target target;
  for (const char* name : {"a", "fade", "dlg_fade", "bubble", "steam", "minigame_token", "x"}) {
    auto effect = library.CreateEffect(name);
    if (!effect) continue;
    effect->SetOwner(&target);
    effect->SetTarget(ZCEffect::kTargetGraphics, &g);
    for (const EffectMessageDef& m : library.Find(name)->mMessages) {
      effect->SendMessage(m.mName);
      effect->Update(0.3f);
      table.UpdateByName(effect->GetParticleKey(), 0.3f);
    }
    effect->Update(10.0f);
  }
  table.StopAll();
  SetEffectLibrary(nullptr);
  return 0;
}
