#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "screens/BoardDialog.h"
#include "widgets/ZCTask.h"

class XmlNode;

// The briefing (layout "briefing_dialog"): the level's picture, its introduction, the café and
// day, and the goal, expert and ready texts. It holds the café board paused until the player
// presses start (or Escape, which the board answers).
class ZCBoard_Briefing : public BoardDialog {
 public:
  ZCBoard_Briefing(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnShowStart() override;
  void OnHideStart() override;
  // In front of the board's widgets, the modal base, with the focus; the focus goes back to the
  // board when it closes.
  void LockTextures() override;
  void UnlockTextures() override;
  void OnCommand(ZCCandyWidget* button) override;
  const std::string& GetPicture() const { return mPicture; }

 private:
  ZCCandyWidget* mGoalText = nullptr;
  ZCCandyWidget* mExpertText = nullptr;
  ZCCandyWidget* mSettingsText = nullptr;
  ZCCandyWidget* mStart = nullptr;
  ZCCandyWidget* mPictureWidget = nullptr;
  ZCCandyWidget* mDayTitle = nullptr;
  std::string mPicture;
};

// Writes an achievement's title and description into the debriefing's two labels when the
// mouse rests on its icon; with both ids empty it clears them.
class ZCSetAchDescTask : public ZCTask {
 public:
  void Run() override;
  ZCCandyWidget* mTitleLabel = nullptr;
  ZCCandyWidget* mDescLabel = nullptr;
  std::string mTitleId;
  std::string mDescId;
  ZCEngine* mEngine = nullptr;
};

// The debriefing (layout "debriefing_dialog", or "debriefing_dialog_fail" after a failed
// level): the achievements earned are revealed one by one (2 s after the show, then every
// second), their descriptions show while the mouse rests on an icon, and start, replay and menu
// go on with the career. Each instance writes only its own labels.
class ZCBoard_Debriefing : public BoardDialog {
 public:
  static constexpr int32_t kAchievements = 5;
  enum Icon { kActive, kInactive, kGhost };

  ZCBoard_Debriefing(ZCEngine* app, const XmlNode& doc, bool fail);
  // The same from a layout of another name (tests).
  ZCBoard_Debriefing(ZCEngine* app, const XmlNode& doc, const std::string& layout, bool fail);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void LoadFromXml(const XmlNode& node) override;
  void OnShowStart() override;
  void OnHideStart() override;
  void LockTextures() override;
  void UnlockTextures() override;
  void OnCommand(ZCCandyWidget* button) override;
  void Update() override;

  bool IsFail() const { return mFail; }
  bool AreAwardsBound() const { return mAwardsBound; }
  int32_t GetRevealCount() const { return int32_t(mReveal.size()); }
  int32_t GetRevealedCount() const { return mRevealed; }
  ZCCandyWidget* GetIcon(int32_t achievement, Icon icon) const { return mIcons[size_t(achievement)][icon]; }

 private:
  void BindAwards();
  // Start or replay: a finish cut-scene first when the level has one (not after a failure).
  void GoOn(bool replay);

  bool mFail;
  bool mAwardsBound = false;
  std::string mPicture;
  int32_t mRevealMs = 0;
  std::vector<int32_t> mReveal;
  int32_t mRevealed = 0;
  ZCCandyWidget* mStart = nullptr;
  ZCCandyWidget* mMenu = nullptr;
  ZCCandyWidget* mReplay = nullptr;
  ZCCandyWidget* mOutro = nullptr;
  std::array<std::array<ZCCandyWidget*, 3>, kAchievements> mIcons = {};
  // Per achievement and state (active, inactive), then the clearing task.
  std::array<ZCSetAchDescTask, 2 * kAchievements + 1> mTasks;
};
