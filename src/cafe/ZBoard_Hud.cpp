#include "cafe/ZBoard_Hud.h"

#include <cmath>
#include <cstdio>

#include "board/BoardWorld.h"
#include "cafe/AchievementParams.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCMiniGame.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "sound/SoundManager.h"
#include "widgets/WidgetServices.h"

namespace {
const char* const kGoalNames[5] = {"goal_bkg", "goal_value", "goal_text", "money_goal_value", "money_goal_value_ghost"};
const char* const kExpertNames[5] = {"expert_bkg", "expert_value", "expert_text", "money_expert_value",
                                     "money_expert_value_ghost"};
// The scale the bonus pieces start from; their effect brings them down to their size.
constexpr float kBonusPieceScale = 5.12f;

void PlayHudSound(const char* name) {
  ZCEngine* engine = GetEngine();
  if (SoundManager* sounds = engine ? engine->GetSoundManager() : nullptr) sounds->PlaySound(name);
  TraceBoardEvent("hud sound %s", name);
}

ZCCandyWidget* ChildOf(ZCCandyWidget* parent, const char* name) { return parent ? parent->FindChild(name) : nullptr; }

// The textures "<format>" numbered from 0 while the cache declares the next number.
void CollectFrames(const char* format, std::vector<TextureHandle>& frames) {
  frames.clear();
  ZCTextureCache* cache = GetWidgetServices().mTextures;
  if (!cache) return;
  for (int32_t i = 0; i < 100; ++i) {
    char id[32];
    std::snprintf(id, sizeof id, format, int(i));
    if (!cache->HasTexture(id)) break;
    frames.push_back(cache->GetTexture(id));
  }
}
}  // namespace

ZBoard_Hud::ZBoard_Hud(Vesk::VeskAppBase* app) : ZCDialog(0, app) {}

ZBoard_Hud::~ZBoard_Hud() { UnlockFrames(); }

void ZBoard_Hud::LockModeFrames() {
  mLockedFrames = &ModeFrames();
  for (TextureHandle& frame : *mLockedFrames) frame.Lock();
}

void ZBoard_Hud::UnlockFrames() {
  if (mLockedFrames)
    for (TextureHandle& frame : *mLockedFrames) frame.Unlock();
  mLockedFrames = nullptr;
}

ZBoard_Hud* ZBoard_Hud::CreateFor(ZCBoard_Game3* board, const XmlNode& uiDocument, Vesk::VeskAppBase* app) {
  if (!board) return nullptr;
  auto* hud = new ZBoard_Hud(app);
  if (!hud->LoadByName(uiDocument, "hud")) {
    LogMessage("WARNING: ui.xml has no \"hud\"; the levels play without a head-up display");
    delete hud;
    return nullptr;
  }
  hud->SetVisible(false);
  board->AddChild("hud", hud);
  board->SetHud(hud);
  // The bonus row joins the display; the tutorial's hints stay in front of it.
  if (ZCMiniGame::CreateFor(board, hud, uiDocument, app)) hud->BringTutorialWidgetsToFront();
  return hud;
}

// ---- Building ----

void ZBoard_Hud::AddChild(const std::string& name, ZCCandyWidget* widget) {
  ZCDialog::AddChild(name, widget);
  if (name.rfind("tutorial", 0) == 0) mTutorialWidgets.emplace(name, widget);
}

void ZBoard_Hud::LoadFromXml(const XmlNode& node) {
  ZCDialog::LoadFromXml(node);
  BindChildren();
  CollectFrames("hud_watch%02d", mWatchFrames);
  CollectFrames("hud_upgrade_%02d", mUpgradeFrames);
  if (ZCTextureCache* cache = GetWidgetServices().mTextures) mTaskSheet = cache->GetTexture("achievment");
}

void ZBoard_Hud::BindChildren() {
  mSkipTutorial = FindChild("skip_tutorial_dlg");
  mSurvivalLife = FindChild("survival_life");
  for (int32_t i = 0; i < kLives; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "life_%d", int(i));
    mLives[i] = ChildOf(mSurvivalLife, name);
    // No life is counted as shown yet: the layout's pictures agree with that.
    SetShown(mLives[i], i == 0);
  }
  mLivesShown = 0;
  mGoalSplash = FindChild("goal_splash");
  mExpertSplash = FindChild("expert_splash");
  mSuccessSplash = FindChild("success_splash");
  mFailSplash = FindChild("fail_splash");
  mSurvivalEndSplash = FindChild("surv_end_splash");
  mLeftPart = FindChild("left_part");
  mClock = ChildOf(mLeftPart, "clock");
  mAlarm = ChildOf(mLeftPart, "alarm");
  mClosed = ChildOf(mLeftPart, "closed");
  mLeftSurvivalPart = FindChild("left_survival_part");
  mSurvivalClock = ChildOf(mLeftSurvivalPart, "clock");
  mUpgradeBack = ChildOf(mLeftSurvivalPart, "upgrade_back");
  mUpgradeButton = ChildOf(mLeftSurvivalPart, "upgrade_btn");
  mRightPart = FindChild("right_part");
  for (int32_t i = 0; i < 5; ++i) {
    mGoalWidgets[i] = ChildOf(mRightPart, kGoalNames[i]);
    mExpertWidgets[i] = ChildOf(mRightPart, kExpertNames[i]);
  }
  mMenuButton = FindChild("menu_btn");
  mGlobalClean = FindChild("globalclean");
  mFreeze = FindChild("freeze");
  for (int32_t i = 0; i < 3; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "smile%02d", int(i + 1));
    mSmiles[i] = FindChild(name);
  }
  for (ZCCandyWidget* piece : {ChildOf(mGlobalClean, "globalcleaning"), ChildOf(mFreeze, "step_1"),
                               ChildOf(mFreeze, "step_2"), ChildOf(mFreeze, "step_3")})
    if (piece) piece->SetScale(kBonusPieceScale);
  mTutorReset = FindChild("tutor_reset_widget");
  mAchievements = FindChild("achievments");
  for (int32_t i = 0; i < kTasks; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "achiev_%d", int(i + 1));
    TaskWidgets& task = mTasks[i];
    task.mIcon = ChildOf(mAchievements, name);
    std::snprintf(name, sizeof name, "achiev_%d_ghost", int(i + 1));
    task.mGhost = ChildOf(mAchievements, name);
    task.mIconCount = ChildOf(task.mIcon, "achiev_nm");
    task.mIconProgress = ChildOf(task.mIcon, "achiev_pr");
    task.mGhostCount = ChildOf(task.mGhost, "achiev_nm");
    task.mGhostProgress = ChildOf(task.mGhost, "achiev_pr");
  }
}

// ---- Widget hooks ----

void ZBoard_Hud::OnShowStart() {
  if (WidgetContainer* parent = GetParent()) parent->BringToFront(this);
}

void ZBoard_Hud::LockTextures() {
  ZCDialog::LockTextures();
  if (!mLockedFrames) LockModeFrames();
  if (!mSurvival)
    SetShown(mClosed, false);
  else
    SetShown(mAchievements, false);
}

void ZBoard_Hud::UnlockTextures() {
  ZCDialog::UnlockTextures();
  UnlockFrames();
}

void ZBoard_Hud::OnCommand(ZCCandyWidget* button) {
  ZCDialog::OnCommand(button);
  ZCBoard_Game3* board = GetCafeBoard();
  if (!button || !board) return;
  const std::string& name = button->GetName();
  if (name == "menu_btn")
    board->GetDialog(ZCBoard_Game3::kEscapeMenu).Show();
  else if (name == "upgrade_btn")
    board->GetDialog(ZCBoard_Game3::kShop).Show();
  else if (name == "skip")
    board->GetTutorial().Skip();
}

// ---- Small helpers ----

void ZBoard_Hud::SetShown(ZCCandyWidget* widget, bool shown) {
  if (widget) widget->SetVisible(shown);
}

void ZBoard_Hud::ShowWithChildren(ZCCandyWidget* widget) {
  if (!widget) return;
  widget->Show();
  // Each child is shown afresh, so that its show effect plays again even when the effect hid it
  // at its end (a shown widget takes no second show).
  for (Vesk::Widget* child : widget->GetChildren())
    if (auto* candy = dynamic_cast<ZCCandyWidget*>(child)) {
      candy->SetVisible(false);
      candy->Show();
    }
}

void ZBoard_Hud::HideWithChildren(ZCCandyWidget* widget) {
  if (!widget) return;
  widget->HideChildren();
  widget->SetVisible(false);
}

void ZBoard_Hud::ShowGoalPanel(bool goal) {
  for (ZCCandyWidget* w : mGoalWidgets) SetShown(w, goal);
  for (ZCCandyWidget* w : mExpertWidgets) SetShown(w, !goal);
}

// ---- The level ----

void ZBoard_Hud::OnLevelStart(bool survival) {
  for (ZCCandyWidget* splash : {mGoalSplash, mExpertSplash, mSuccessSplash, mFailSplash, mSurvivalEndSplash})
    SetShown(splash, false);
  // The frames of the mode locked now are those the level needs.
  if (mLockedFrames && survival != mSurvival) {
    UnlockFrames();
    mSurvival = survival;
    LockModeFrames();
  }
  mSurvival = survival;
  mFrameIndex = -1;
  mAlarmPending = true;
  ShowGoalPanel(true);
  SetShown(mRightPart, true);
  if (!survival) {
    SetShown(mLeftPart, true);
    SetShown(mAlarm, false);
    SetShown(mClosed, false);
  } else {
    SetShown(mSurvivalLife, true);
    SetShown(mLeftSurvivalPart, true);
  }
  LayOutTaskIcons();
  for (ZCCandyWidget* smile : mSmiles) SetShown(smile, false);
}

void ZBoard_Hud::OnLevelStopped() {
  for (ZCCandyWidget* life : mLives) SetShown(life, false);
  mLivesShown = 0;
  SetShown(mLeftPart, false);
  SetShown(mLeftSurvivalPart, false);
  for (ZCCandyWidget* splash : {mGoalSplash, mExpertSplash, mSuccessSplash, mFailSplash, mSurvivalEndSplash})
    HideWithChildren(splash);
  for (ZCCandyWidget* w : mGoalWidgets) SetShown(w, false);
  for (ZCCandyWidget* w : mExpertWidgets) SetShown(w, false);
  SetShown(mSurvivalLife, false);
  SetUpgradeButton(false);
  SetShown(mRightPart, false);
  for (auto& [name, widget] : mTutorialWidgets) SetShown(widget, false);
}

void ZBoard_Hud::OnGoalReached() {
  TraceBoardEvent("hud goal splash");
  ShowWithChildren(mGoalSplash);
  PlayHudSound("goal");
  if (!mSurvival) ShowGoalPanel(false);
}

void ZBoard_Hud::OnExpertReached() {
  TraceBoardEvent("hud expert splash");
  ShowWithChildren(mExpertSplash);
  PlayHudSound("expert");
}

void ZBoard_Hud::SetLives(int32_t lives) {
  if (lives < 0) lives = 0;
  if (lives > kLives - 1) lives = kLives - 1;
  if (lives == mLivesShown) return;
  SetShown(mLives[mLivesShown], false);
  SetShown(mLives[lives], true);
  mLivesShown = lives;
  TraceBoardEvent("hud lives %d", int(lives));
}

void ZBoard_Hud::SetUpgradeButton(bool on) {
  SetShown(mUpgradeButton, on);
  SetShown(mUpgradeBack, on);
}

void ZBoard_Hud::HideSkipTutorial() {
  mSkipWanted = false;
  if (mSkipTutorial) mSkipTutorial->Hide();
}

void ZBoard_Hud::ShowSkipCardWhileOpen() {
  if (!mSkipTutorial) return;
  // Beside the briefing, a box or the menu the card could be seen but not clicked: the modal
  // dialog takes the mouse. It waits for the café to take clicks again.
  const ZCBoard_Game3* board = GetCafeBoard();
  const bool open = mSkipWanted && (!board || board->AcceptsInput());
  if (open && (!mSkipTutorial->IsVisible() || mSkipTutorial->IsHiding()))
    mSkipTutorial->Show();
  else if (!open && mSkipTutorial->IsVisible() && !mSkipTutorial->IsHiding())
    mSkipTutorial->Hide();
}

void ZBoard_Hud::ShowSplash(const std::string& name) {
  ZCCandyWidget* splash = FindChild(name);
  if (!splash) return;
  BringToFront(splash);
  ShowWithChildren(splash);
}

void ZBoard_Hud::RestartSmiles() {
  for (ZCCandyWidget* smile : mSmiles) {
    if (!smile) continue;
    smile->RestartTextures();
    smile->Show();
  }
}

void ZBoard_Hud::ShowGlobalClean() { ShowWithChildren(mGlobalClean); }

void ZBoard_Hud::ShowFreeze(float seconds) {
  mFreezeClock.SetTimeout(seconds);
  ShowWithChildren(mFreeze);
}

void ZBoard_Hud::ShowSkipTutorial() {
  mSkipWanted = true;
  ShowSkipCardWhileOpen();
}

void ZBoard_Hud::SetTutorialWidgetVisible(const std::string& name, bool visible) {
  auto it = mTutorialWidgets.find(name);
  if (it == mTutorialWidgets.end()) {
    LogMessage("WARNING: the head-up display has no tutorial widget \"%s\"", name.c_str());
    return;
  }
  if (visible) {
    if (WidgetContainer* parent = it->second->GetParent()) parent->BringToFront(it->second);
    it->second->Show();
  } else {
    it->second->Hide();
  }
}

void ZBoard_Hud::HideTutorialWidgets() {
  for (auto& [name, widget] : mTutorialWidgets) widget->Hide();
}

void ZBoard_Hud::SetTutorResetWidget(bool visible, float alpha) {
  if (!mTutorReset) return;
  mTutorReset->SetAlpha(alpha);
  mTutorReset->SetVisible(visible);
}

void ZBoard_Hud::BringTutorialWidgetsToFront() {
  for (auto& [name, widget] : mTutorialWidgets)
    if (WidgetContainer* parent = widget->GetParent()) parent->BringToFront(widget);
}

// ---- Tasks ----

int32_t ZBoard_Hud::ProgressRow(int32_t target, int32_t remaining) {
  // A task without target has no share to show: its (hidden) icons show row 2.
  return target > 0 ? int32_t(std::floor(double(remaining) * 5.0 / double(target) + 0.5)) + 2 : 2;
}

void ZBoard_Hud::CountCell(int32_t remaining, int32_t& column, int32_t& row) {
  if (remaining > 0) {
    column = remaining - 1;
    row = 1;
  } else {
    column = 0;
    row = 8;
  }
}

void ZBoard_Hud::SetCell(ZCCandyWidget* widget, int32_t column, int32_t row) {
  if (!widget || mTaskSheet.IsNullHandle()) return;
  column = column < 0 ? 0 : column >= kCellColumns ? kCellColumns - 1 : column;
  row = row < 0 ? 0 : row >= kCellRows ? kCellRows - 1 : row;
  widget->SetTexture(0, mTaskSheet, Rect(column * kCellWidth, row * kCellHeight, kCellWidth, kCellHeight));
}

void ZBoard_Hud::RefreshAchievementIcons() {
  const AchievementParams& params = GetAchievementParams();
  for (int32_t i = 0; i < kTasks; ++i) {
    const int32_t target = params.GetTarget(i);
    const int32_t remaining = params.GetRemaining(i);
    const int32_t progress = ProgressRow(target, remaining);
    SetCell(mTasks[i].mIconProgress, i, progress);
    SetCell(mTasks[i].mGhostProgress, i, progress);
    int32_t column = 0, row = 0;
    CountCell(remaining, column, row);
    SetCell(mTasks[i].mIconCount, column, row);
    SetCell(mTasks[i].mGhostCount, column, row);
  }
}

void ZBoard_Hud::LayOutTaskIcons() {
  if (mSurvival) {
    SetShown(mAchievements, false);
    return;
  }
  SetShown(mAchievements, true);
  const AchievementParams& params = GetAchievementParams();
  const int32_t width = mTasks[0].mIcon ? mTasks[0].mIcon->mWidth : 0;
  int32_t slotX[kTasks];
  bool shown[kTasks];
  for (int32_t i = 0; i < kTasks; ++i) {
    slotX[i] = int32_t(double(width) * i + kTaskSlotX);
    shown[i] = params.GetTarget(i) > 0;
    SetShown(mTasks[i].mIcon, shown[i]);
    SetShown(mTasks[i].mGhost, false);
  }
  // The shown icons are packed to the right, keeping their order.
  auto moveTo = [this](int32_t task, int32_t x) {
    for (ZCCandyWidget* w : {mTasks[task].mIcon, mTasks[task].mGhost})
      if (w) w->Move(x, w->mY);
  };
  int32_t free = -1;
  for (int32_t i = kTasks - 1; i >= 0; --i) {
    if (shown[i]) {
      if (free < 0) {
        moveTo(i, slotX[i]);
      } else {
        moveTo(i, slotX[free]);
        --free;
      }
    } else if (free < 0) {
      free = i;
    }
  }
  RefreshAchievementIcons();
}

// ---- Each step ----

void ZBoard_Hud::ShowLevelProgress(float progress) {
  ZCBoard_Game3* board = GetCafeBoard();
  std::vector<TextureHandle>& frames = ModeFrames();
  if (!board || frames.empty()) return;
  const int32_t count = int32_t(frames.size());
  progress = progress > 1.0f ? 1.0f : progress > 0.0f ? progress : 0.0f;
  // Progress is held in 0..1, so the frame is one of the list's.
  const int32_t index = int32_t(float(count - 1) * progress);
  if (!mSurvival) {
    if (!mClock || !mClock->IsVisible() || index == mFrameIndex) return;
    mClock->SetTexture(0, frames[size_t(index)]);
    mFrameIndex = index;
    TraceBoardEvent("hud clock %d", int(index));
    if (index == count - 1) {
      if (mAlarmPending) {
        SetShown(mAlarm, true);
        SetShown(mClosed, true);
        mAlarmPending = false;
        TraceBoardEvent("hud alarm");
      }
    } else {
      SetShown(mAlarm, false);
    }
    return;
  }
  if (!mSurvivalClock) return;
  if (!board->GetPendingUpgrades().empty()) {
    SetShown(mSurvivalClock, false);
    return;
  }
  if (index != mFrameIndex || !mSurvivalClock->IsVisible()) {
    mSurvivalClock->SetTexture(0, frames[size_t(index)]);
    mFrameIndex = index;
    SetShown(mSurvivalClock, true);
  }
}

void ZBoard_Hud::Update() {
  ZCDialog::Update();
  if (!IsVisible()) return;
  ZCBoard_Game3* board = GetCafeBoard();
  ZCCandyWidget* expertText = mExpertWidgets[2];
  if (board && expertText && expertText->IsVisible() && board->GetMoney() < board->GetGoal()) {
    ShowGoalPanel(true);
    board->ClearGoalMark();
    TraceBoardEvent("hud goal lost");
  }
  for (ZCCandyWidget* smile : mSmiles)
    if (smile && smile->IsVisible() && !smile->IsAnyTexturePlaying()) smile->SetVisible(false);
  if (board) ShowLevelProgress(board->GetLevelProgress());
  ShowSkipCardWhileOpen();
  if (mFreeze && mFreeze->IsVisible() && !mFreezeClock.IsRunning()) HideWithChildren(mFreeze);
}
