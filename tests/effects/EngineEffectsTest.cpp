#include <gtest/gtest.h>

#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCAnimController.h"
#include "engine/ZCEngine.h"
#include "resources/SharedImages.h"
#include "shell/Log.h"

namespace {

class Engine : public ZCEngine {
 public:
  Engine() {
    mProductName = "Effects Test";
    mRegKey = "Cafe Tests\\Effects Test";
  }

 protected:
  bool WantsWindow() const override { return false; }
};

TEST(EngineEffects, InitLoadsTheSampleEffectsAndAnimationSheetsAreShared) {
  Engine app;
  LogHistory::Clear();
  ASSERT_TRUE(app.Init());
  ASSERT_NE(app.GetEffectLibrary(), nullptr);
  EXPECT_EQ(GetEffectLibrary(), app.GetEffectLibrary());
  EXPECT_EQ(GetEffectServices().mParticles, app.GetParticleSystemTable());
  EXPECT_NE(CreateEffect("dlg_fade"), nullptr);
  EXPECT_FALSE(LogHistory::Contains("EffectLibrary"));

  // The generated sample animations come from data.pak; two parts of the same set share one
  // sheet image through the application's shared-image table.
  ZCAnimController first, second;
  ASSERT_TRUE(LoadAnmFile(first, "worker_body"));
  ASSERT_TRUE(LoadAnmFile(second, "worker_body"));
  ASSERT_TRUE(first.Play("worker_bodyidle"));
  AnimEntry& a = first.GetAnimation(0);
  AnimEntry& b = second.GetAnimation(0);
  ASSERT_TRUE(a.LoadImage());
  ASSERT_TRUE(b.LoadImage());
  EXPECT_EQ(a.mImage.get(), b.mImage.get());
  EXPECT_EQ(app.GetSharedImageTable()->GetRefCount(a.mImageFile), 2);
  a.ReleaseImage();
  EXPECT_EQ(app.GetSharedImageTable()->GetRefCount(b.mImageFile), 1);
}

}  // namespace
