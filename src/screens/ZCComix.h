#pragma once
#include <cstdint>
#include <string>

#include "cafe/CafeHooks.h"
#include "screens/ZCComixObjects.h"
#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The cut-scene player: plays a "comix" of "cfg\\comix.xml" over the café board, episode after
// episode. A click skips to the next episode; any button of its layout ("comix_ui") ends it. The
// level's start scene ends by fading out, which hands the level its music; any other scene is a
// level's finish scene and ends by continuing the career. While shown it holds one pause of the
// café board, given back exactly once however it ends.
class ZCComix : public ZCDialog, public CafeComix {
 public:
  ZCComix(ZCEngine* app, const XmlNode& uiDoc);
  ~ZCComix() override;

  // The scene of that name from "cfg\\comix.xml" (what was loaded before is cleared first); an
  // unknown name leaves the player empty.
  void Load(const std::string& name);
  // The same from a document already read (its root "comixes").
  void LoadFrom(const XmlNode& doc, const std::string& name);
  void Reload();
  void Clear();
  // Every object stopped, the scene cleared, and the player hidden: faded out for the level's
  // start scene, at once (continuing the career) for a finish scene.
  void Finish();

  // CafeComix: the board plays a scene and shows the player.
  void Play(const std::string& name) override;
  void Show() override { ZCCandyWidget::Show(); }
  void Hide() override { ZCCandyWidget::Hide(); }
  // Shown and not fading out: the board draws its items again while the scene fades away.
  bool IsVisible() const override { return Vesk::Widget::IsVisible() && !IsHiding(); }
  void SetReplay(bool replay) override { mReplay = replay; }

  void Update() override;
  void Draw(Vesk::Graphics* g) override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void OnShowStart() override;
  void OnHideStart() override;
  void ButtonDepress(int32_t id) override;

  // Skips the current episode as a click does.
  void SkipEpisode();
  // Moves the comix time on by `seconds` and plays the episodes to it, as one update step does.
  void Advance(float seconds);

  const std::string& GetComixName() const { return mComixName; }
  float GetTime() const { return mTime; }
  int32_t GetEpisodeIndex() const { return mEpisodeIndex; }
  bool IsPaused() const { return mPaused; }
  void SetPaused(bool paused) { mPaused = paused; }
  const ComixScene& GetScene() const { return mScene; }
  bool HoldsPause() const { return mHoldsPause; }

 private:
  void StartEpisode(size_t index);
  void NextEpisode();
  void TakePause();
  void ReleasePause();
  bool IsStartComix(const std::string& name) const;

  ZCEngine* mEngine;
  bool mPaused = false;
  std::string mComixName;
  float mTime = 0;
  int32_t mEpisodeIndex = 0;
  ComixScene mScene;
  bool mHoldsPause = false;
  bool mReplay = false;
};
