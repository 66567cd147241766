#include "screens/ZCBoard_Options.h"

#include "board/ZCBoard_Game.h"
#include "cafe/ProfileStore.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_EscapeMenu.h"
#include "sound/SoundManager.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

using ScreenWidgets::Is;

ZCBoard_Options::ZCBoard_Options(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "options");
  if (mSoundVolume) mSoundVolume->SetMax(kMaxVolume);
  if (mMusicVolume) mMusicVolume->SetMax(kMaxVolume);
  SetVisible(false);
}

void ZCBoard_Options::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "apply") {
    mApply = widget;
  } else if (name == "cancel") {
    mCancel = widget;
  } else if (name == "mute_checkbox") {
    mMute = dynamic_cast<ZCCheckBox*>(widget);
  } else if (name == "fullscreen_checkbox") {
    mFullScreen = dynamic_cast<ZCCheckBox*>(widget);
  } else if (name == "sndvol_slider") {
    mSoundVolume = dynamic_cast<ZCSlider*>(widget);
  } else if (name == "musvol_slider") {
    mMusicVolume = dynamic_cast<ZCSlider*>(widget);
  }
  ZCDialog::AddChild(name, widget);
}

void ZCBoard_Options::LockTextures() {
  ZCDialog::LockTextures();
  const ProfileStore::Header& header = GetProfileStore().mHeader;
  ZCEngine* engine = GetEngine();
  mSavedFullScreen = engine && !engine->mWindowed;
  mSavedMute = header.mute != 0;
  mSavedSound = header.soundVolume;
  mSavedMusic = header.musicVolume;
}

void ZCBoard_Options::SaveWidgetValues() {
  if (mMusicVolume) mSavedMusic = mMusicVolume->GetValue();
  if (mSoundVolume) mSavedSound = mSoundVolume->GetValue();
  if (mFullScreen) mSavedFullScreen = mFullScreen->IsChecked();
  if (mMute) mSavedMute = mMute->IsChecked();
}

void ZCBoard_Options::OnShowStart() {
  if (Vesk::WidgetContainer* parent = GetParent()) {
    parent->BringToFront(this);
    if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(this);
  }
  const ProfileStore::Header& header = GetProfileStore().mHeader;
  ZCEngine* engine = GetEngine();
  if (mFullScreen) mFullScreen->SetChecked(engine && !engine->mWindowed);
  if (mMute) mMute->SetChecked(header.mute != 0);
  if (mSoundVolume) mSoundVolume->SetValue(header.soundVolume);
  if (mMusicVolume) mMusicVolume->SetValue(header.musicVolume);
  SaveWidgetValues();
  ScreenWidgets::PlaySound("window_open");
}

void ZCBoard_Options::OnHideStart() {
  Vesk::WidgetManager* manager = GetManager();
  if (!manager) return;
  // Opened from the escape menu: the focus goes back to it, so that Escape closes it again.
  ZCBoard_Game* board = ScreenTable::GetGameBoard();
  if (ZCBoard_EscapeMenu* escape = GetShownEscapeMenu())
    manager->SetFocus(escape);
  else if (board && board->IsRunning())
    manager->SetFocus(board);
}

void ZCBoard_Options::Update() {
  ZCDialog::Update();
  if (IsVisible()) ApplyLive();
}

void ZCBoard_Options::ApplyLive() {
  ProfileStore::Header& header = GetProfileStore().mHeader;
  ZCEngine* engine = GetEngine();
  if (!engine) return;
  if (mMute && mMute->IsChecked() != (header.mute != 0)) {
    header.mute = mMute->IsChecked() ? 1 : 0;
    // The engine hears both volumes as 0 while muted and the stored ones again after.
    engine->SetMuted(header.mute != 0);
    engine->SetSfxVolume(header.soundVolume);
    engine->SetMusicVolume(header.musicVolume);
  }
  if (mSoundVolume && mSoundVolume->GetValue() != header.soundVolume) {
    header.soundVolume = mSoundVolume->GetValue();
    engine->SetSfxVolume(header.soundVolume);
  }
  if (mMusicVolume && mMusicVolume->GetValue() != header.musicVolume) {
    header.musicVolume = mMusicVolume->GetValue();
    engine->SetMusicVolume(header.musicVolume);
  }
}

void ZCBoard_Options::OnCommand(ZCCandyWidget* button) {
  if (Is(button, mCancel)) {
    if (mMusicVolume) mMusicVolume->SetValue(mSavedMusic);
    if (mSoundVolume) mSoundVolume->SetValue(mSavedSound);
    if (mFullScreen) mFullScreen->SetChecked(mSavedFullScreen);
    if (mMute) mMute->SetChecked(mSavedMute);
    ApplyLive();
  } else if (Is(button, mApply)) {
    SaveWidgetValues();
    ProfileStore& store = GetProfileStore();
    if (mMusicVolume) store.mHeader.musicVolume = mMusicVolume->GetValue();
    if (mSoundVolume) store.mHeader.soundVolume = mSoundVolume->GetValue();
    if (mFullScreen) store.mHeader.windowed = mFullScreen->IsChecked() ? 0 : 1;
    if (mMute) store.mHeader.mute = mMute->IsChecked() ? 1 : 0;
    store.ApplySettings();
    // A failed save has logged its error; the values stay in memory and the dialog closes.
    store.Save();
  } else {
    // The boxes and sliders report each change; the live step reads them.
    return;
  }
  Hide();
}
