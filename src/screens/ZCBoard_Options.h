#pragma once
#include <cstdint>
#include <string>

#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;
class ZCCheckBox;
class ZCSlider;

// The options dialog (layout "options"): mute and full-screen check boxes, sound and music
// volume sliders (0 to 100), apply and cancel. The profile store's header owns the options.
// While the dialog shows, every step copies the mute box and the volumes into the store in
// memory and makes them heard (both volumes 0 while muted). Cancel puts back the values the
// dialog opened with; apply keeps them, switches the screen mode and saves the profile. Only
// those two buttons close the dialog; the boxes and sliders report to it without closing it.
class ZCBoard_Options : public ZCDialog {
 public:
  static constexpr int32_t kMaxVolume = 100;

  ZCBoard_Options(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void LockTextures() override;
  void OnShowStart() override;
  void OnHideStart() override;
  void OnCommand(ZCCandyWidget* button) override;
  void Update() override;

  ZCCandyWidget* mApply = nullptr;
  ZCCandyWidget* mCancel = nullptr;
  ZCCheckBox* mMute = nullptr;
  ZCCheckBox* mFullScreen = nullptr;
  ZCSlider* mSoundVolume = nullptr;
  ZCSlider* mMusicVolume = nullptr;

 private:
  // The widgets' mute and volumes into the store, heard at once.
  void ApplyLive();
  // The values cancel restores, from the widgets.
  void SaveWidgetValues();

  int32_t mSavedSound = kMaxVolume;
  int32_t mSavedMusic = kMaxVolume;
  bool mSavedFullScreen = false;
  bool mSavedMute = false;
};
