#include "screens/ZCBoard_Briefing.h"

#include "cafe/AchievementParams.h"
#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_Career.h"
#include "shell/Log.h"
#include "shell/TextVars.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

using ScreenWidgets::Is;
using ScreenWidgets::SetShown;

namespace {

void SetText(ZCCandyWidget* widget, const std::wstring& text) {
  if (ZCText* label = widget ? widget->AsText() : nullptr) label->SetText(text);
}

// The dialog in front of the board's widgets, the modal base with the focus.
void TakeFront(ZCDialog* dialog) {
  if (dialog->GetParent()) dialog->GetParent()->BringToFront(dialog);
  if (Vesk::WidgetManager* manager = dialog->GetManager()) {
    manager->AddBaseModal(dialog);
    manager->SetFocus(dialog);
  }
}

void LeaveFront(ZCDialog* dialog) {
  if (dialog->GetParent()) dialog->GetParent()->BringToBack(dialog);
  if (Vesk::WidgetManager* manager = dialog->GetManager()) {
    manager->RemoveBaseModal(dialog);
    manager->SetFocus(GetCafeBoard());
  }
}

struct AchievementNames {
  const char* mIcons[3];
  const char* mTitle;
  const char* mDescs[2];
};
const AchievementNames kAchievementNames[ZCBoard_Debriefing::kAchievements] = {
    {{"achiev_flash_active", "achiev_flash_inactive", "achiev_flash_active_ghost"},
     "mn00_achiev_flash",
     {"mn00_achiev_flash_active", "mn00_achiev_flash_inactive"}},
    {{"achiev_clean_active", "achiev_clean_inactive", "achiev_clean_active_ghost"},
     "mn00_achiev_clean",
     {"mn00_achiev_clean_active", "mn00_achiev_clean_inactive"}},
    {{"achiev_expert_active", "achiev_expert_inactive", "achiev_expert_active_ghost"},
     "mn00_achiev_expert",
     {"mn00_achiev_expert_active", "mn00_achiev_expert_inactive"}},
    {{"achiev_match_active", "achiev_match_inactive", "achiev_match_active_ghost"},
     "mn00_achiev_mach",
     {"mn00_achiev_mach_active", "mn00_achiev_mach_inactive"}},
    {{"achiev_mega_active", "achiev_mega_inactive", "achiev_mega_active_ghost"},
     "mn00_achiev_mega",
     {"mn00_achiev_mega_active", "mn00_achiev_mega_inactive"}},
};

}  // namespace

// ---- Briefing ----

ZCBoard_Briefing::ZCBoard_Briefing(ZCEngine* app, const XmlNode& doc) : BoardDialog(app) {
  LoadByName(doc, "briefing_dialog");
}

void ZCBoard_Briefing::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "goal_text")
    mGoalText = widget;
  else if (name == "expert_text")
    mExpertText = widget;
  else if (name == "settings_text")
    mSettingsText = widget;
  else if (name == "start")
    mStart = widget;
  else if (name == "picture")
    mPictureWidget = widget;
  else if (name == "day_title")
    mDayTitle = widget;
  ZCCandyWidget::AddChild(name, widget);
}

void ZCBoard_Briefing::OnShowStart() {
  const LevelTexts texts = SetLevelTexts(mEngine, true);
  mPicture = texts.mPicture;
  const bool survival = Board() && Board()->IsSurvival();
  SetText(mGoalText, Text(survival ? "mn04_endless_goal" : "mn04_goal"));
  SetText(mExpertText, Text(survival ? "mn04_endless_expert" : "mn04_expert"));
  // Survival's "best so far" row stands only once there is a best game (its value is empty before).
  const TextVars* vars = GetTextVars();
  SetShown(mExpertText, !survival || (vars && !vars->GetTextVar("expert").empty()));
  // In survival the day row counts the stages.
  SetText(mDayTitle, Text(survival ? "mn04_endless_stage" : "career_day"));
  SetText(mSettingsText, Text(survival ? "mn04_endless_ready" : "mn04_ready"));
  if (mPictureWidget) {
    mPictureWidget->SetTexture(0, texts.mTexture);
    mPictureWidget->SetTexture(1, texts.mTexture);
  }
  TakePause();
}

void ZCBoard_Briefing::OnHideStart() { ReleasePause(); }

void ZCBoard_Briefing::LockTextures() {
  ZCDialog::LockTextures();
  TakeFront(this);
}

void ZCBoard_Briefing::UnlockTextures() {
  ZCDialog::UnlockTextures();
  LeaveFront(this);
}

void ZCBoard_Briefing::OnCommand(ZCCandyWidget* button) {
  if (Is(button, mStart)) Hide();
}

// ---- Achievement descriptions ----

void ZCSetAchDescTask::Run() {
  auto text = [&](const std::string& id) {
    return id.empty() || !mEngine ? std::wstring() : mEngine->GetLocTable()->GetText(id);
  };
  SetText(mTitleLabel, text(mTitleId));
  SetText(mDescLabel, text(mDescId));
}

// ---- Debriefing ----

ZCBoard_Debriefing::ZCBoard_Debriefing(ZCEngine* app, const XmlNode& doc, bool fail)
    : ZCBoard_Debriefing(app, doc, fail ? "debriefing_dialog_fail" : "debriefing_dialog", fail) {}

ZCBoard_Debriefing::ZCBoard_Debriefing(ZCEngine* app, const XmlNode& doc, const std::string& layout, bool fail)
    : BoardDialog(app), mFail(fail) {
  LoadByName(doc, layout);
}

void ZCBoard_Debriefing::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "start")
    mStart = widget;
  else if (name == "menu")
    mMenu = widget;
  else if (name == "replay")
    mReplay = widget;
  else if (name == "level_outro_text")
    mOutro = widget;
  ZCCandyWidget::AddChild(name, widget);
}

void ZCBoard_Debriefing::LoadFromXml(const XmlNode& node) {
  ZCDialog::LoadFromXml(node);
  BindAwards();
}

void ZCBoard_Debriefing::BindAwards() {
  ZCCandyWidget* title = FindDescendant("label_achiev");
  ZCCandyWidget* desc = FindDescendant("label_achiev_about");
  for (ZCSetAchDescTask& task : mTasks) {
    task.mEngine = mEngine;
    task.mTitleLabel = title;
    task.mDescLabel = desc;
  }
  ZCSetAchDescTask* clear = &mTasks.back();
  mAwardsBound = true;
  for (int32_t a = 0; a < kAchievements; ++a) {
    const AchievementNames& names = kAchievementNames[a];
    for (int32_t icon = 0; icon < 3; ++icon) mIcons[size_t(a)][size_t(icon)] = FindDescendant(names.mIcons[icon]);
    for (int32_t state = 0; state < 2; ++state) {
      ZCSetAchDescTask& task = mTasks[size_t(2 * a + state)];
      task.mTitleId = names.mTitle;
      task.mDescId = names.mDescs[state];
      ZCCandyWidget* icon = mIcons[size_t(a)][size_t(state)];
      if (!icon) {
        LogMessage("WARNING: Can not find element '%s' in debriefing dialog", names.mIcons[state]);
        mAwardsBound = false;
        continue;
      }
      icon->SetMouseEnterTask(&task);
      icon->SetMouseLeaveTask(clear);
    }
  }
}

void ZCBoard_Debriefing::OnShowStart() {
  mRevealMs = 2000;
  mReveal.clear();
  mRevealed = 0;
  const AchievementParams& params = GetAchievementParams();
  for (int32_t a = 0; a < kAchievements; ++a) {
    SetShown(mIcons[size_t(a)][kActive], false);
    SetShown(mIcons[size_t(a)][kInactive], true);
    SetShown(mIcons[size_t(a)][kGhost], false);
    if (params.IsAchieved(a)) mReveal.push_back(a);
  }
  ZCBoard_Game3* board = Board();
  if (mOutro)
    SetText(mOutro, Text(board && board->IsVipLost() ? "mn00_debrief_fail_vip" : "mn00_debrief_fail_goal"));
  mPicture = SetLevelTexts(mEngine, false).mPicture;
  TakePause();
  PlaySound(mFail ? "bad_debriefing_show" : "good_debriefing_show");
  if (mMenu) mMenu->SetDisabled(!mFail && board && !board->GetFinishComix().empty());
}

void ZCBoard_Debriefing::OnHideStart() { ReleasePause(); }

void ZCBoard_Debriefing::LockTextures() {
  ZCDialog::LockTextures();
  TakeFront(this);
}

void ZCBoard_Debriefing::UnlockTextures() {
  ZCDialog::UnlockTextures();
  LeaveFront(this);
}

void ZCBoard_Debriefing::Update() {
  ZCDialog::Update();
  if (!Vesk::Widget::IsVisible() || !mAwardsBound || mRevealed >= int32_t(mReveal.size())) return;
  // Counted in whole milliseconds: a float second taken down by 0.01 a step keeps a rest above
  // 0 and each award would come a step later than the one before.
  mRevealMs -= mEngine ? mEngine->mFrameTime : 10;
  if (mRevealMs > 0) return;
  PlaySound("debriefing_awards");
  const size_t a = size_t(mReveal[size_t(mRevealed)]);
  // The ghost is used unchecked by the layout's owner: a missing one is skipped.
  for (ZCCandyWidget* icon : {mIcons[a][kActive], mIcons[a][kGhost]})
    if (icon) icon->Show();
  mRevealMs = 1000;
  ++mRevealed;
}

void ZCBoard_Debriefing::OnCommand(ZCCandyWidget* button) {
  if (Is(button, mMenu)) {
    HideNow();
    if (ZCBoard_Career* career = ScreenTable::GetCareer()) career->ReturnToMainMenu();
  } else if (Is(button, mStart) || Is(button, mReplay)) {
    GoOn(Is(button, mReplay));
  }
}

void ZCBoard_Debriefing::GoOn(bool replay) {
  ZCBoard_Game3* board = Board();
  if (!mFail && board && !board->GetFinishComix().empty()) {
    Hide();
    board->GetComix().SetReplay(replay);
    board->PlayBoardComix(board->GetFinishComix());
    return;
  }
  HideNow();
  if (ZCBoard_Career* career = ScreenTable::GetCareer()) career->ContinueCareer(replay);
}
