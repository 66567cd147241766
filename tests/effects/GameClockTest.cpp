#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/GameClock.h"

namespace {

class GameClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GameClock::SetHoldQuery(nullptr);
    GameClock::ResetAll();
  }
  void TearDown() override { GameClock::SetHoldQuery(nullptr); }
};

TEST_F(GameClockTest, TimeoutsRunOutAgainstTheGameTime) {
  GameClock clock;
  EXPECT_FALSE(clock.IsRunning());
  clock.SetTimeout(0.05f);
  EXPECT_TRUE(clock.IsRunning());
  for (int i = 0; i < 4; ++i) GameClock::Advance(0.01f);
  EXPECT_TRUE(clock.IsRunning());
  EXPECT_NEAR(clock.GetRemaining(), 0.01f, 1e-6);
  GameClock::Advance(0.01f);
  GameClock::Advance(0.01f);
  EXPECT_FALSE(clock.IsRunning());
  EXPECT_LT(clock.GetRemaining(), 0);

  // A timeout counts from the game time at which it is set.
  clock.SetTimeout(1.0f);
  EXPECT_NEAR(clock.GetRemaining(), 1.0f, 1e-6);
  clock.AddTime(0.5f);
  EXPECT_NEAR(clock.GetRemaining(), 1.5f, 1e-6);
  clock.AddTime(-2.0f);
  EXPECT_FALSE(clock.IsRunning());
  // A frame step that is not a number leaves the time alone.
  float before = GameClock::GetGameTime();
  GameClock::Advance(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(GameClock::GetGameTime(), before);
}

TEST_F(GameClockTest, HeldClocksStandStillWhileTheTutorialHoldsTime) {
  bool holding = false;
  GameClock::SetHoldQuery([&] { return holding; });
  GameClock held(true), free;
  held.SetTimeout(1.0f);
  free.SetTimeout(1.0f);
  holding = true;
  for (int i = 0; i < 50; ++i) GameClock::Advance(0.01f);
  EXPECT_NEAR(held.GetRemaining(), 1.0f, 1e-5);
  EXPECT_NEAR(free.GetRemaining(), 0.5f, 1e-5);
  holding = false;
  for (int i = 0; i < 50; ++i) GameClock::Advance(0.01f);
  EXPECT_NEAR(held.GetRemaining(), 0.5f, 1e-5);
  GameClock::Advance(0.01f);  // the float steps add up to a hair under one second
  EXPECT_FALSE(free.IsRunning());
}

TEST_F(GameClockTest, TheHoldQueryMayReadClocks) {
  GameClock rule;
  rule.SetTimeout(10.0f);
  GameClock::SetHoldQuery([&] { return rule.IsRunning(); });
  GameClock held(true);
  held.SetTimeout(1.0f);
  GameClock::Advance(0.5f);
  EXPECT_NEAR(held.GetRemaining(), 1.0f, 1e-6);
}

TEST_F(GameClockTest, ResetAllAndTheRegistry) {
  size_t before = GameClock::Count();
  {
    auto a = std::make_unique<GameClock>();
    std::vector<GameClock> copies(3, *a);
    EXPECT_EQ(GameClock::Count(), before + 4);
    a->SetTimeout(5.0f);
    copies[1] = *a;
    GameClock::Advance(2.0f);
    EXPECT_NEAR(copies[1].GetRemaining(), 3.0f, 1e-6);
    GameClock::ResetAll();
    EXPECT_EQ(GameClock::GetGameTime(), 0.0f);
    EXPECT_FALSE(a->IsRunning());
    EXPECT_FALSE(copies[1].IsRunning());
    EXPECT_EQ(a->GetRemaining(), 0.0f);
  }
  EXPECT_EQ(GameClock::Count(), before);
  GameClock::Advance(1.0f);  // no clock left behind to touch
}

}  // namespace
