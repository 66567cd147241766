#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The slides shown once after loading (layout "splash"): on a black screen, one textured child
// after the other, each shown with its "onshow" effect, which hides it again in time. A key or a
// click hides the current slide at once. After the last slide the splash hides itself and hands
// over to the menus; a layout without slides hands over at the first step. Children without a
// texture are hidden and never shown. The mouse cursor is hidden while the splash shows.
class ZCBoard_Splash : public ZCDialog {
 public:
  ZCBoard_Splash(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void Update() override;
  void Draw(Vesk::Graphics* g) override;
  void LockTextures() override;
  void UnlockTextures() override;
  void KeyDown(int32_t key) override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;

  // What the hand-over shows; unset, the menu background and the main menu.
  void SetHandOver(std::function<void()> handOver) { mHandOver = std::move(handOver); }
  const std::vector<ZCCandyWidget*>& GetSlides() const { return mSlides; }
  int32_t GetCurrentSlide() const { return mCurrent; }

 private:
  // Hides the current slide at once, so that the next step advances.
  void Skip();

  std::vector<ZCCandyWidget*> mSlides;
  int32_t mCurrent = 0;
  bool mSlideWasVisible = false;
  std::function<void()> mHandOver;
};
