#pragma once
#include <string>

#include "effects/EffectLibrary.h"
#include "effects/ZCIEffect.h"

// A stand-in for a widget or an item: keeps what effects set on it.
class TestTarget : public ZCIEffect {
 public:
  float mAlpha = 1;
  float mScale = 1;
  bool mVisible = false;
  int32_t mScalePointX = 0, mScalePointY = 0;
  int32_t mOffsetX = 0, mOffsetY = 0;
  std::string mName = "target";

  void SetAlpha(float alpha) override { mAlpha = alpha; }
  void SetScale(float scale) override { mScale = scale; }
  void SetVisibleFlag(bool visible) override { mVisible = visible; }
  void SetScalePointX(int32_t x) override { mScalePointX = x; }
  void SetScalePointY(int32_t y) override { mScalePointY = y; }
  ZCIEffect* SetOffsetX(int32_t x) override {
    mOffsetX = x;
    return this;
  }
  ZCIEffect* SetOffsetY(int32_t y) override {
    mOffsetY = y;
    return this;
  }
  const std::string& GetName() const override { return mName; }
};

// Loads an effect file held in a string; the library's load result.
bool LoadEffects(EffectLibrary& library, const std::string& xml);
