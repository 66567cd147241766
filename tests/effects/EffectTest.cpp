#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "effects/EffectCallbacks.h"
#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCEffect.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "support/TestTarget.h"

namespace {

const char* kEffects = R"(<?xml version="1.0"?>
<effects>
  <constant name="t" value="1.0"/>
  <callback name="EffectFade">
    <param name="from" default="0"/>
    <param name="to" default="1"/>
  </callback>
  <callback name="EffectMove">
    <param name="from_x"/><param name="from_y"/><param name="to_x"/><param name="to_y"/>
  </callback>
  <callback name="EffectSendMessage"><param name="message"/></callback>
  <callback name="EffectPlaySound"><param name="sound"/></callback>
  <callback name="WidgetsLock"><param name="lock" default="1"/></callback>
  <callback name="EffectTextColor"><param name="color"/><param name="color2"/></callback>
  <callback name="StartPS"><param name="name"/><param name="x" default="0"/><param name="y" default="0"/></callback>
  <particles name="dots" burst="5" rate="10" max="50" life="2" speed="0" size_start="2" size_end="2"
             color_start="255;0;0" alpha_start="1" alpha_end="1"/>

  <effect name="fade">
    <timer name="in" duration="$t">
      <control callback="EffectFade" start="0" end="$t"/>
    </timer>
    <timer name="out" duration="0.5">
      <control callback="EffectFade" start="0" end="0.5" from="1" to="0"/>
      <control callback="EffectHide" at="0.5"/>
    </timer>
    <message name="onshow"><call callback="EffectShow"/><start timer="in"/></message>
    <message name="onhide"><start timer="out"/></message>
    <message name="hold"><pause timer="in"/></message>
    <message name="go"><resume timer="in"/></message>
    <message name="halt"><stop timer="in"/></message>
    <message name="off" enabled="false"><start timer="in"/></message>
  </effect>

  <effect name="moves">
    <timer name="loop" duration="1" loop="true">
      <control callback="EffectMove" start="0" end="1" from_x="0" to_x="10" from_y="5" to_y="5"/>
      <control callback="EffectPlaySound" at="0.5" sound="tick"/>
    </timer>
    <message name="go"><start timer="loop"/></message>
    <message name="echo"><call callback="EffectSendMessage" message="echo"/></message>
  </effect>

  <effect name="locker">
    <message name="lock"><call callback="WidgetsLock" lock="1"/></message>
    <message name="unlock"><call callback="WidgetsLock" lock="0"/></message>
  </effect>

  <effect name="sparks">
    <message name="go"><call callback="StartPS" name="dots" x="10" y="20"/></message>
    <message name="stop"><call callback="StopPS"/></message>
    <message name="render_ps"><call callback="RenderPSFunc"/></message>
  </effect>

  <effect name="text">
    <message name="both"><call callback="EffectTextColor" color="255;128;0" color2="1;2;3;4"/></message>
    <message name="clamped"><call callback="EffectTextColor" color="300;-5;7;999"/></message>
    <message name="bad"><call callback="EffectTextColor" color="12;x;3" color2="1;2"/></message>
  </effect>
  <effect name="bad_callback">
    <message name="onshow"><call callback="NoSuchCallback"/></message>
  </effect>
  <effect name="bad_callback_too">
    <timer name="x" duration="1"><control callback="NoSuchCallback" start="0" end="1"/></timer>
  </effect>
  <effect name="missing_timer">
    <message name="onshow"><start timer="nowhere"/></message>
  </effect>
</effects>)";

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogHistory::Clear();
    ASSERT_TRUE(LoadEffects(mLibrary, kEffects));
    SetEffectLibrary(&mLibrary);
  }
  void TearDown() override {
    SetEffectLibrary(nullptr);
    GetEffectServices() = EffectServices();
  }
  std::unique_ptr<ZCEffect> Make(const std::string& name) {
    std::unique_ptr<ZCEffect> effect = CreateEffect(name);
    if (effect) effect->SetOwner(&mTarget);
    return effect;
  }

  EffectLibrary mLibrary;
  TestTarget mTarget;
};

TEST_F(EffectTest, FadeReachesExactAlphaOverItsTimer) {
  auto effect = Make("fade");
  ASSERT_TRUE(effect);
  mTarget.mAlpha = 0.5f;
  EXPECT_TRUE(effect->SendMessage("onshow"));
  EXPECT_TRUE(mTarget.mVisible);
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 0.0f);  // the fade starts at once
  const float expected[] = {0.25f, 0.5f, 0.75f, 1.0f};
  for (float e : expected) {
    effect->Update(0.25f);
    EXPECT_FLOAT_EQ(mTarget.mAlpha, e);
  }
  EXPECT_FALSE(effect->IsRunning());
  // A step past the end of the run lands on the last value exactly.
  effect->SendMessage("onshow");
  effect->Update(0.3f);
  effect->Update(5.0f);
  EXPECT_EQ(mTarget.mAlpha, 1.0f);
  EXPECT_FALSE(effect->IsRunning());

  effect->SendMessage("onhide");
  effect->Update(0.25f);
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 0.5f);
  EXPECT_TRUE(mTarget.mVisible);
  effect->Update(0.25f);
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 0.0f);
  EXPECT_FALSE(mTarget.mVisible);
}

TEST_F(EffectTest, MessagesStartPauseResumeAndStopTimers) {
  auto effect = Make("fade");
  effect->SendMessage("onshow");
  effect->Update(0.25f);
  ZCTimer* timer = effect->FindTimer("in");
  ASSERT_TRUE(timer);
  EXPECT_TRUE(effect->SendMessage("hold"));
  EXPECT_EQ(timer->GetState(), ZCTimer::State::Paused);
  effect->Update(0.5f);
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 0.25f);
  EXPECT_TRUE(effect->IsRunning());  // paused still counts as not ended
  effect->SendMessage("go");
  effect->Update(0.25f);
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 0.5f);
  effect->SendMessage("halt");
  EXPECT_EQ(timer->GetState(), ZCTimer::State::Stopped);
  effect->Update(0.25f);
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 0.5f);
  EXPECT_FALSE(effect->IsRunning());
}

TEST_F(EffectTest, DisabledAndUnknownMessages) {
  auto effect = Make("fade");
  EXPECT_TRUE(effect->HasMessage("off"));
  EXPECT_FALSE(effect->IsMessageEnabled("off"));
  EXPECT_TRUE(effect->SendMessage("off"));
  EXPECT_FALSE(effect->IsRunning());

  effect->EnableMessage("onshow", false);
  EXPECT_TRUE(effect->SendMessage("onshow"));
  EXPECT_FALSE(mTarget.mVisible);
  effect->EnableMessage("onshow", true);
  EXPECT_TRUE(effect->IsMessageEnabled("onshow"));
  effect->SendMessage("onshow");
  EXPECT_TRUE(mTarget.mVisible);

  EXPECT_FALSE(effect->SendMessage("onclick"));
  EXPECT_FALSE(effect->HasMessage("onclick"));
  EXPECT_FALSE(effect->IsMessageEnabled("onclick"));
  effect->EnableMessage("onclick", true);  // nothing to enable, nothing breaks
}

TEST_F(EffectTest, BadEffectsAreLeftOutWithOneWarningPerUnknownCallback) {
  EXPECT_EQ(mLibrary.Find("bad_callback"), nullptr);
  EXPECT_EQ(mLibrary.Find("bad_callback_too"), nullptr);
  EXPECT_EQ(mLibrary.Find("missing_timer"), nullptr);
  EXPECT_EQ(CreateEffect("missing_timer"), nullptr);
  EXPECT_EQ(CreateEffect("no such effect"), nullptr);
  int unknown = 0;
  for (const std::string& line : LogHistory::Recent())
    if (line.find("NoSuchCallback") != std::string::npos) ++unknown;
  EXPECT_EQ(unknown, 1);
  EXPECT_TRUE(LogHistory::Contains("ERROR: EffectLibrary: effect 'missing_timer'"));
  // The sound effects are still there.
  EXPECT_NE(mLibrary.Find("fade"), nullptr);
  EXPECT_NE(mLibrary.Find("moves"), nullptr);
}

TEST_F(EffectTest, MalformedFilesLeaveAnEmptyLibrary) {
  EffectLibrary library;
  EXPECT_FALSE(LoadEffects(library, "<effects><effect name='x'>"));
  EXPECT_EQ(library.EffectCount(), 0u);
  EXPECT_FALSE(LoadEffects(library, "<other/>"));
  EXPECT_TRUE(LogHistory::Contains("has no \"effects\" element"));
  EXPECT_TRUE(LoadEffects(library, R"(<effects>
    <effect/>
    <effect name="a"><timer/></effect>
    <effect name="b"><timer name="t" duration="-3" loop="1"><control callback="EffectShow" start="x" end="-1"/></timer>
      <message><start timer="t"/></message><message name="m"><jump/></message></effect>
    <effect name="b"/>
  </effects>)"));
  EXPECT_EQ(library.Find("a"), nullptr);
  ASSERT_NE(library.Find("b"), nullptr);
  const EffectDef& b = *library.Find("b");
  ASSERT_EQ(b.mTimers.size(), 1u);
  EXPECT_FALSE(b.mTimers[0].mLoop);  // a loop without duration would never end a step
  EXPECT_EQ(b.mMessages.size(), 1u);
  EXPECT_EQ(b.mMessages[0].mRecords.size(), 0u);
  EXPECT_FALSE(LoadEffects(library, ""));
  EXPECT_FALSE(library.Load("cfg\\no such file.xml"));
}

TEST_F(EffectTest, LoopingTimerWrapsAndInstantControlsRunOncePerRound) {
  int ticks = 0;
  GetEffectServices().mPlaySound = [&](const std::string& name) {
    EXPECT_EQ(name, "tick");
    ++ticks;
  };
  auto effect = Make("moves");
  effect->SendMessage("go");
  EXPECT_EQ(mTarget.mOffsetX, 0);
  EXPECT_EQ(mTarget.mOffsetY, 5);
  effect->Update(0.4f);
  EXPECT_EQ(mTarget.mOffsetX, 4);
  EXPECT_EQ(ticks, 0);
  effect->Update(0.4f);
  EXPECT_EQ(mTarget.mOffsetX, 8);
  EXPECT_EQ(ticks, 1);
  effect->Update(0.4f);  // 1.2: the round ended at 10, the next one is at 0.2
  EXPECT_EQ(mTarget.mOffsetX, 2);
  EXPECT_TRUE(effect->IsRunning());
  effect->Update(1000.5f);  // whole rounds skipped in one step do not run one by one
  EXPECT_EQ(mTarget.mOffsetX, 7);
  EXPECT_LE(ticks, 3);
  // Negative and not-a-number steps change nothing.
  effect->Update(-1.0f);
  effect->Update(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(mTarget.mOffsetX, 7);
}

TEST_F(EffectTest, MessagesSendingThemselvesStopAfterABoundedDepth) {
  auto effect = Make("moves");
  EXPECT_TRUE(effect->SendMessage("echo"));
  EXPECT_TRUE(LogHistory::Contains("WARNING: ZCEffect 'moves': message 'echo'"));
}

TEST_F(EffectTest, PartRecordsReceiveWhatTheOwnerWouldAndTargetsAreChecked) {
  auto effect = Make("fade");
  float alpha[3] = {1, 1, 1};
  bool visible[3] = {false, false, false};
  ZCPartRecordBlock block;
  for (int i = 0; i < 3; ++i) {
    ZCPartRecord record;
    record.mAlpha = &alpha[i];
    record.mVisible = &visible[i];
    EXPECT_TRUE(block.Add(record));
  }
  effect->SetTarget(ZCEffect::kTargetParts, &block);
  effect->SendMessage("onshow");
  effect->Update(0.5f);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(alpha[i], 0.5f);
    EXPECT_TRUE(visible[i]);
  }
  EXPECT_FLOAT_EQ(mTarget.mAlpha, 1.0f);  // an item answers alpha through its parts only
  EXPECT_TRUE(mTarget.mVisible);

  effect->SetTarget(300, &block);
  EXPECT_TRUE(LogHistory::Contains("unknown target id 300"));
  EXPECT_EQ(effect->GetTarget(300), nullptr);

  ZCPartRecordBlock full;
  for (int i = 0; i < ZCPartRecordBlock::kMaxRecords; ++i) EXPECT_TRUE(full.Add(ZCPartRecord()));
  EXPECT_FALSE(full.Add(ZCPartRecord()));
  EXPECT_EQ(full.mCount, ZCPartRecordBlock::kMaxRecords);
}

// Text colours reach every part packed red, green, blue, alpha from the high byte; a value that
// is not a colour leaves them as they were.
TEST_F(EffectTest, TextColoursReachThePartRecords) {
  auto effect = Make("text");
  int32_t color[2] = {0, 0}, color2[2] = {0, 0};
  ZCPartRecordBlock block;
  for (int i = 0; i < 2; ++i) {
    ZCPartRecord record;
    record.mTextColor = &color[i];
    record.mTextColor2 = &color2[i];
    block.Add(record);
  }
  effect->SetTarget(ZCEffect::kTargetParts, &block);
  effect->SendMessage("both");
  EXPECT_EQ(uint32_t(color[1]), 0xFF8000FFu);
  EXPECT_EQ(uint32_t(color2[0]), 0x01020304u);
  effect->SendMessage("clamped");
  EXPECT_EQ(uint32_t(color[0]), 0xFF0007FFu);
  effect->SendMessage("bad");
  EXPECT_EQ(uint32_t(color[0]), 0xFF0007FFu);
  EXPECT_EQ(uint32_t(color2[1]), 0x01020304u);
  EXPECT_TRUE(LogHistory::Contains("'12;x;3' is not a colour"));
}

TEST_F(EffectTest, WithoutOwnerTheVisibleTargetIsUsed) {
  auto effect = CreateEffect("fade");
  bool visible = false;
  effect->SetTarget(ZCEffect::kTargetVisible, &visible);
  effect->SendMessage("onshow");
  EXPECT_TRUE(visible);
}

TEST_F(EffectTest, WidgetsLockIsHeldPerEffectAndDroppedWithIt) {
  auto a = Make("locker");
  auto b = Make("locker");
  EXPECT_FALSE(AreWidgetsLocked());
  a->SendMessage("lock");
  b->SendMessage("lock");
  EXPECT_TRUE(AreWidgetsLocked());
  a->SendMessage("unlock");
  EXPECT_TRUE(AreWidgetsLocked());
  b.reset();  // an effect that goes away mid-animation does not leave the widgets locked
  EXPECT_FALSE(AreWidgetsLocked());
}

TEST_F(EffectTest, ParticleSystemsStartUpdateDrawAndGoWithTheirEffect) {
  ParticleSystemTable table;
  GetEffectServices().mParticles = &table;
  SeedRandom(7);
  auto effect = Make("sparks");
  int32_t x = 100 + ZCEffect::kPositionBiasX, y = 50 + ZCEffect::kPositionBiasY;
  effect->SetTarget(ZCEffect::kTargetX, &x);
  effect->SetTarget(ZCEffect::kTargetY, &y);
  effect->SendMessage("go");
  const std::string& key = effect->GetParticleKey();
  ASSERT_EQ(table.CountByName(key), 1u);
  table.UpdateByName(key, 0.5f);  // burst of 5, then 10 a second

  Vesk::MemoryImage image(200, 100);
  image.Clear();
  Vesk::Graphics g(&image);
  effect->SetTarget(ZCEffect::kTargetGraphics, &g);
  effect->SendMessage("render_ps");
  // The particles stand still at (110, 70): a red 2x2 square there.
  EXPECT_EQ(image.GetBits()[70 * 200 + 110], 0xFFFF0000u);
  EXPECT_EQ(image.GetBits()[10 * 200 + 10], 0u);

  effect->SendMessage("stop");
  table.UpdateByName(key, 1.0f);
  EXPECT_EQ(table.CountByName(key), 1u);  // particles still live out their lives
  table.UpdateByName(key, 2.0f);
  EXPECT_EQ(table.CountByName(key), 0u);

  effect->SendMessage("go");
  EXPECT_EQ(table.Count(), 1u);
  effect.reset();
  EXPECT_EQ(table.Count(), 0u);
  table.Start("other", mLibrary.FindParticles("dots"), 0, 0);
  table.StopAll();
  EXPECT_EQ(table.Count(), 0u);
}

TEST_F(EffectTest, ParticleCountsStayWithinTheirLimits) {
  EffectLibrary library;
  ASSERT_TRUE(LoadEffects(library, R"(<effects>
    <particles name="flood" rate="1e9" max="99999" burst="99999" life="1000" emit_time="-5"/>
    <particles/>
  </effects>)"));
  auto def = library.FindParticles("flood");
  ASSERT_TRUE(def);
  EXPECT_EQ(def->mMaxParticles, ParticleDef::kMaxParticlesLimit);
  ParticleSystem system(def, 0, 0);
  system.Update(1000.0f);
  EXPECT_LE(system.Particles().size(), size_t(ParticleDef::kMaxParticlesLimit));
  EXPECT_TRUE(LogHistory::Contains("WARNING: ParticleDef: a \"particles\" element has no name"));
}

TEST(EffectCallbackTable, HoldsTheStandardCallbacksAndTakesNewOnes) {
  for (const char* name : {"DlgFadeIn", "DlgFadeOut", "EffectShake", "RenderPSFunc", "WidgetsLock", "EffectFade",
                           "EffectScale", "EffectMove", "EffectShow", "EffectHide", "EffectSendMessage",
                           "EffectPlaySound", "StartPS"})
    EXPECT_NE(FindEffectCallback(name), nullptr) << name;
  EXPECT_EQ(FindEffectCallback("Nope"), nullptr);
  RegisterEffectCallback("TestOnly", [](EffectCallArgs&) {});
  EXPECT_NE(FindEffectCallback("TestOnly"), nullptr);
  RegisterEffectCallback("TestOnly", nullptr);
  EXPECT_EQ(FindEffectCallback("TestOnly"), nullptr);
}

TEST(EffectCallbacks, DialogFadesAndShakeLeaveTheTargetClean) {
  EffectLibrary library;
  ASSERT_TRUE(LoadEffects(library, R"(<effects>
    <callback name="EffectShake"><param name="amp_x" default="4"/><param name="amp_y" default="0"/></callback>
    <effect name="dlg">
      <timer name="show" duration="0.2"><control callback="DlgFadeIn" start="0" end="0.2"/></timer>
      <timer name="hide" duration="0.2"><control callback="DlgFadeOut" start="0" end="0.2"/></timer>
      <timer name="shake" duration="0.3"><control callback="EffectShake" start="0" end="0.3"/></timer>
      <message name="onshow"><start timer="show"/></message>
      <message name="onhide"><start timer="hide"/></message>
      <message name="shake"><start timer="shake"/></message>
    </effect>
  </effects>)"));
  TestTarget target;
  auto effect = library.CreateEffect("dlg");
  effect->SetOwner(&target);
  effect->SendMessage("onshow");
  EXPECT_TRUE(target.mVisible);
  EXPECT_FLOAT_EQ(target.mAlpha, 0);
  effect->Update(0.1f);
  EXPECT_FLOAT_EQ(target.mAlpha, 0.5f);
  effect->Update(0.1f);
  EXPECT_FLOAT_EQ(target.mAlpha, 1);
  effect->SendMessage("onhide");
  effect->Update(0.1f);
  EXPECT_FLOAT_EQ(target.mAlpha, 0.5f);
  effect->Update(0.1f);
  EXPECT_FALSE(target.mVisible);
  EXPECT_FLOAT_EQ(target.mAlpha, 1);  // hidden, but not left transparent

  SeedRandom(3);
  effect->SendMessage("shake");
  bool moved = false;
  for (int i = 0; i < 10; ++i) {
    effect->Update(0.01f);
    EXPECT_LE(std::abs(target.mOffsetX), 4);
    EXPECT_EQ(target.mOffsetY, 0);
    moved = moved || target.mOffsetX != 0;
  }
  EXPECT_TRUE(moved);
  effect->Update(1.0f);
  EXPECT_EQ(target.mOffsetX, 0);
}

TEST(SampleEffects, LoadCleanlyWithEveryEffectTheCallersName) {
  const char* source = std::getenv("CAFE_SOURCE_DIR");
  ASSERT_TRUE(source);
  std::ifstream file(std::string(source) + "/content/cfg/effect.xml", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  LogHistory::Clear();
  EffectLibrary library;
  ASSERT_TRUE(LoadEffects(library, text.str()));
  for (const std::string& line : LogHistory::Recent()) ADD_FAILURE() << line;
  for (const char* name : {"dlg_fade", "dlg_pop", "fade_in", "fade_out", "show_hide", "scale_pulse", "bubble",
                           "hp_blink", "floating_money", "steam", "minigame_token"})
    EXPECT_NE(library.Find(name), nullptr) << name;
  auto bubble = library.CreateEffect("bubble");
  for (const char* message : {"shake_start", "shake_stop", "product_highlight", "hide_product_highlight"})
    EXPECT_TRUE(bubble->HasMessage(message)) << message;
}

}  // namespace
