#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cafe/CafeHooks.h"
#include "effects/GameClock.h"
#include "resources/ZCTextureCache.h"
#include "widgets/ZCDialog.h"

class ZCBoard_Game3;

// The head-up display of a level, built from the ui.xml dialog "hud" and owned by the café
// board (its child "hud"): the goal and expert panels with the money, the level clock drawn from
// numbered frames ("hud_watch00"... in career, "hud_upgrade_00"... in survival), the lives in
// survival, the task icons cut from the cell sheet "achievment", the splashes at the goals and
// the level's end, the bonus widgets (global clean, freeze, three smiles), the menu and upgrade
// buttons, and the tutorial's widgets by name. Every child is looked up by name when the layout
// is read; a child the layout lacks is simply left out.
class ZBoard_Hud : public ZCDialog, public CafeHud {
 public:
  static constexpr int32_t kTasks = 5;
  static constexpr int32_t kLives = 4;
  // Cells of the task sheet: 60 x 90 pixels, 5 columns and 9 rows.
  static constexpr int32_t kCellWidth = 60;
  static constexpr int32_t kCellHeight = 90;
  static constexpr int32_t kCellColumns = 5;
  static constexpr int32_t kCellRows = 9;
  // The x of the first task slot.
  static constexpr int32_t kTaskSlotX = 512;

  explicit ZBoard_Hud(Vesk::VeskAppBase* app);
  ~ZBoard_Hud() override;

  // Builds the "hud" dialog of the ui document, adds it to the board as its child "hud" and
  // makes it the board's head-up display. Null (with a warning) when the document has none.
  static ZBoard_Hud* CreateFor(ZCBoard_Game3* board, const XmlNode& uiDocument, Vesk::VeskAppBase* app);

  // ZCDialog.
  void Update() override;
  void OnShowStart() override;
  void LockTextures() override;
  void UnlockTextures() override;
  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void LoadFromXml(const XmlNode& node) override;
  void OnCommand(ZCCandyWidget* button) override;

  // CafeHud.
  void Show() override { ZCCandyWidget::Show(); }
  void Hide() override { ZCCandyWidget::Hide(); }
  void OnLevelStart(bool survival) override;
  void OnLevelStopped() override;
  void OnGoalReached() override;
  void OnExpertReached() override;
  // Bounded to 0..3.
  void SetLives(int32_t lives) override;
  void SetUpgradeButton(bool on) override;
  void HideSkipTutorial() override;
  void ShowSplash(const std::string& name) override;
  void RestartSmiles() override;
  void ShowGlobalClean() override;
  void ShowFreeze(float seconds) override;
  void RefreshAchievementIcons() override;

  // For the tutorial: its widgets ("tutorial..." children) by name; an unknown name does nothing
  // but a warning.
  void SetTutorialWidgetVisible(const std::string& name, bool visible) override;
  void ShowSkipTutorial() override;
  void HideTutorialWidgets() override;
  void SetTutorResetWidget(bool visible, float alpha) override;
  void BringTutorialWidgetsToFront();

  // The sheet cells of a task (its progress in its own column): the progress row is
  // floor(r x 5 / t + 0.5) + 2 (row 2 for a task without target); the count is the digit r,
  // cell (r - 1, 1), or the done mark (0, 8) at 0. Cells are held inside the sheet when set.
  static int32_t ProgressRow(int32_t target, int32_t remaining);
  static void CountCell(int32_t remaining, int32_t& column, int32_t& row);

  // The clock at the level's progress (0..1): frame (count - 1) x progress of the mode's frames;
  // in career the last frame sounds the alarm, once a level. Run by Update with the board's.
  void ShowLevelProgress(float progress);

  int32_t GetLivesShown() const { return mLivesShown; }
  int32_t GetFrameIndex() const { return mFrameIndex; }
  bool IsAlarmPending() const { return mAlarmPending; }
  size_t GetWatchFrameCount() const { return mWatchFrames.size(); }
  size_t GetUpgradeFrameCount() const { return mUpgradeFrames.size(); }
  // The icon and ghost of task i (0..4), or null.
  ZCCandyWidget* GetTaskIcon(int32_t i) const { return i >= 0 && i < kTasks ? mTasks[i].mIcon : nullptr; }
  ZCCandyWidget* GetTaskGhost(int32_t i) const { return i >= 0 && i < kTasks ? mTasks[i].mGhost : nullptr; }

 protected:
  struct TaskWidgets {
    ZCCandyWidget* mIcon = nullptr;
    ZCCandyWidget* mGhost = nullptr;
    ZCCandyWidget* mIconCount = nullptr;
    ZCCandyWidget* mIconProgress = nullptr;
    ZCCandyWidget* mGhostCount = nullptr;
    ZCCandyWidget* mGhostProgress = nullptr;
  };

  void BindChildren();
  void LayOutTaskIcons();
  void SetCell(ZCCandyWidget* widget, int32_t column, int32_t row);
  // Shows the goal panel's widgets and hides the expert panel's, or the reverse.
  void ShowGoalPanel(bool goal);
  std::vector<TextureHandle>& ModeFrames() { return mSurvival ? mUpgradeFrames : mWatchFrames; }
  // Locks the mode's frames and remembers them; lets go of the remembered ones.
  void LockModeFrames();
  void UnlockFrames();
  static void ShowWithChildren(ZCCandyWidget* widget);
  static void HideWithChildren(ZCCandyWidget* widget);
  // Shows the skip card while the lessons offer it and the café takes clicks; hides it otherwise.
  void ShowSkipCardWhileOpen();
  static void SetShown(ZCCandyWidget* widget, bool shown);

  bool mSurvival = false;
  ZCCandyWidget* mSkipTutorial = nullptr;
  // The lessons offer to be skipped; the card shows only while the café takes clicks.
  bool mSkipWanted = false;
  ZCCandyWidget* mSurvivalLife = nullptr;
  ZCCandyWidget* mLives[kLives] = {};
  int32_t mLivesShown = 0;
  ZCCandyWidget* mGoalSplash = nullptr;
  ZCCandyWidget* mExpertSplash = nullptr;
  ZCCandyWidget* mSuccessSplash = nullptr;
  ZCCandyWidget* mFailSplash = nullptr;
  ZCCandyWidget* mSurvivalEndSplash = nullptr;
  ZCCandyWidget* mLeftPart = nullptr;
  ZCCandyWidget* mClock = nullptr;
  ZCCandyWidget* mAlarm = nullptr;
  ZCCandyWidget* mClosed = nullptr;
  ZCCandyWidget* mLeftSurvivalPart = nullptr;
  ZCCandyWidget* mSurvivalClock = nullptr;
  ZCCandyWidget* mUpgradeBack = nullptr;
  ZCCandyWidget* mUpgradeButton = nullptr;
  ZCCandyWidget* mRightPart = nullptr;
  // goal_bkg, goal_value, goal_text, money_goal_value, money_goal_value_ghost and the same five
  // of the expert panel.
  ZCCandyWidget* mGoalWidgets[5] = {};
  ZCCandyWidget* mExpertWidgets[5] = {};
  ZCCandyWidget* mMenuButton = nullptr;
  bool mAlarmPending = true;
  std::vector<TextureHandle> mWatchFrames;
  std::vector<TextureHandle> mUpgradeFrames;
  // The list whose frames are locked now (the mode may change while they are).
  std::vector<TextureHandle>* mLockedFrames = nullptr;
  int32_t mFrameIndex = -1;
  ZCCandyWidget* mGlobalClean = nullptr;
  ZCCandyWidget* mFreeze = nullptr;
  ZCCandyWidget* mSmiles[3] = {};
  GameClock mFreezeClock;
  std::map<std::string, ZCCandyWidget*> mTutorialWidgets;
  ZCCandyWidget* mTutorReset = nullptr;
  ZCCandyWidget* mAchievements = nullptr;
  TaskWidgets mTasks[kTasks];
  TextureHandle mTaskSheet;
};
