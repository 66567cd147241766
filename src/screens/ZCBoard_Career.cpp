#include "screens/ZCBoard_Career.h"

#include <algorithm>
#include <cstdio>

#include "board/ZCBoard_Game.h"
#include "cafe/AchievementParams.h"
#include "cafe/ProfileStore.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/DevSettings.h"
#include "shell/Log.h"
#include "shell/TextVars.h"
#include "sound/SoundManager.h"

using ScreenWidgets::Child;
using ScreenWidgets::Is;
using ScreenWidgets::SetShown;

namespace {

const char* const kBadgeNames[ZCBoard_Career::kBadges] = {"achiev_flash_active", "achiev_clean_active",
                                                          "achiev_expert_active", "achiev_match_active",
                                                          "achiev_mega_active"};

ZCCandyWidget* At(const std::vector<ZCCandyWidget*>& widgets, int32_t day) {
  return day >= 1 && day <= int32_t(widgets.size()) ? widgets[size_t(day - 1)] : nullptr;
}
void SetOff(Vesk::Widget* widget, bool disabled) {
  if (widget) widget->SetDisabled(disabled);
}
void Send(ZCCandyWidget* widget, const char* message) {
  if (widget) widget->SendEffectMessage(message);
}
// The 24 numbered children of a page ("goal_%02d" ...), null where the layout lacks one.
std::vector<ZCCandyWidget*> Numbered(ZCCandyWidget* page, const char* format) {
  std::vector<ZCCandyWidget*> widgets;
  for (int32_t i = 1; i <= ZCBoard_Career::kSlots; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, format, int(i));
    widgets.push_back(Child(page, name));
  }
  return widgets;
}
void SetVar(const char* name, const std::wstring& value) {
  if (TextVars* vars = GetTextVars()) vars->SetTextVar(name, value);
}
void SetVar(const char* name, int32_t value) {
  if (TextVars* vars = GetTextVars()) vars->SetTextVarInt(name, value);
}
void SetPicture(ZCCandyWidget* picture, const TextureHandle& texture) {
  if (!picture) return;
  picture->SetTexture(0, texture);
  picture->SetTexture(1, texture);
}
void BringToScreenFront(ZCCandyWidget* widget) {
  if (widget && widget->GetParent()) widget->GetParent()->BringToFront(widget);
}

}  // namespace

ZCBoard_Career::ZCBoard_Career(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app), mApp(app) {
  LoadByName(doc, "career_menu");
  if (ZCTextureCache* cache = app ? app->GetTextureCache() : nullptr) {
    // The start id never names a picture of its own; the first ShowCafe sets the café's.
    if (cache->HasTexture(mBriefingId)) mBriefingTexture = cache->GetTexture(mBriefingId);
    if (cache->HasTexture(mCafeId)) mCafeTexture = cache->GetTexture(mCafeId);
  }
}

void ZCBoard_Career::BindPage(ZCCandyWidget* dialog, Page& page, bool withButtons) {
  ZCCandyWidget* left = Child(dialog, "left_page");
  page.mRight = Child(dialog, "right_page");
  page.mCafePicture = Child(left, "photo_cafe");
  page.mDayMark = Child(left, "day_mark");
  page.mBriefingPicture = Child(page.mRight, "photo_briefing");
  page.mGoals = Numbered(left, "goal_%02d");
  page.mExperts = Numbered(left, "expert_%02d");
  page.mTexts = Numbered(left, "day_text_%02d");
  if (!withButtons) return;
  mLeft = left;
  mBack = Child(left, "back_button");
  mDayButtons = Numbered(left, "day_button_%02d");
  mPlay = Child(page.mRight, "play_button");
  mBriefingText = Child(page.mRight, "brief_debrief");
}

void ZCBoard_Career::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "career_dlg") {
    mCareerPage = widget;
    BindPage(widget, mPage, true);
  } else if (name == "career_dlg_fake") {
    mCopyPage = widget;
    BindPage(widget, mCopy, false);
  } else if (name == "reset_button") {
    mReset = widget;
  } else if (name == "current_day") {
    mCurrentDay = widget;
  } else {
    for (int32_t c = 0; c < 3; ++c) {
      if (name == "cafe" + std::to_string(c + 1) + "_button") mCafeButtons[c] = widget;
      if (name == "cafe" + std::to_string(c + 1) + "_text_big") mCafeTitles[c] = widget;
    }
  }
  ZCCandyWidget::AddChild(name, widget);
}

int32_t ZCBoard_Career::ClampLevel(int32_t level) { return std::clamp(level, 1, kLastLevel); }

void ZCBoard_Career::SetCafe(int32_t cafe) {
  const CafeDay place = FirstDayOfCafe(cafe);
  mShownCafe = mSelectedCafe = place.mCafe;
  mFirstLevel = place.mFirstLevel;
  mDays = place.mDays;
}

// The highest open day, not played yet, asks what it will bring; every other day shows its own
// text and picture.
std::wstring ZCBoard_Career::BriefingText(int32_t level) const {
  if (level == GetProfileStore().mPlayer.levelsOpen) return mApp ? mApp->GetLocTable()->GetText("breif_qq") : L"";
  return mApp ? mApp->GetLocTable()->GetText("breif_l" + std::to_string(level)) : L"";
}

std::string ZCBoard_Career::BriefingPicture(int32_t level) const {
  if (level == GetProfileStore().mPlayer.levelsOpen) return "briefing_qq";
  char id[32];
  std::snprintf(id, sizeof id, "briefing_%02d", int(level));
  return id;
}

void ZCBoard_Career::SelectCurrentLevel() {
  const int32_t open = GetProfileStore().mPlayer.levelsOpen;
  const CafeDay place = CafeDayOfLevel(ClampLevel(open));
  SetCafe(place.mCafe);
  // Levels open 60 (every level done) selects the last day, not one past it.
  mSelectedDay = std::min(open - mFirstLevel, mDays);
  mLastOpenDay = mSelectedDay;
  ShowAchievements(mFirstLevel + mSelectedDay, false);
}

void ZCBoard_Career::ShowAchievements(int32_t level, bool copy) {
  ZCCandyWidget* right = copy ? mCopy.mRight : mPage.mRight;
  if (!right) return;
  const ProfileStore::PlayerRecord& player = GetProfileStore().mPlayer;
  const DevSettings& dev = GetDevSettings();
  int32_t x = int32_t(dev.mCareerAchievX);
  const int32_t y = int32_t(dev.mCareerAchievY);
  for (int32_t i = 0; i < kBadges; ++i) {
    ZCCandyWidget* badge = right->FindChild(kBadgeNames[i]);
    if (!badge) continue;
    const bool on = level >= 0 && level < int32_t(ProfileCodec::kLevels) &&
                    player.achievements[size_t(level * ProfileCodec::kAchievements + i)] != 0;
    badge->SetVisible(on);
    if (on && i < 4) {
      badge->Move(x, y);
      x += int32_t(dev.mCareerAchievW);
    }
  }
}

void ZCBoard_Career::PlaceDayMark(ZCCandyWidget* mark, int32_t day, const ZCCandyWidget* sized) {
  const ZCCandyWidget* button = At(mDayButtons, day);
  if (!mark || !button || !sized) return;
  mark->Move(button->mX - (sized->mWidth / 2 - button->mWidth / 2) - 2,
             button->mY - (sized->mHeight / 2 - button->mHeight / 2) - 4);
}

void ZCBoard_Career::ShowCafe(bool selectLastDay) {
  const int32_t open = GetProfileStore().mPlayer.levelsOpen;
  for (ZCCandyWidget* button : mCafeButtons) SetOff(button, false);
  BringToScreenFront(mCareerPage);
  // The other cafés' buttons and the shown café's title stay in front of the page.
  for (int32_t c = 0; c < 3; ++c) BringToScreenFront(c + 1 != mShownCafe ? mCafeButtons[c] : mCafeTitles[c]);
  BringToScreenFront(mCurrentDay);
  BringToScreenFront(mReset);
  SetShown(mCopyPage, false);
  SetOff(mCafeButtons[2], open < 36);
  SetOff(mCafeButtons[1], open < 16);
  const CafeDay place = FirstDayOfCafe(mShownCafe);
  mFirstLevel = place.mFirstLevel;
  mDays = place.mDays;
  if (selectLastDay) {
    mSelectedDay = open < mFirstLevel + mDays ? open - mFirstLevel : mDays;
    mLastOpenDay = mSelectedDay;
  }
  char id[32];
  std::snprintf(id, sizeof id, "cafe_%d", int(mShownCafe));
  if (mCafeId != id) {
    mCafeId = id;
    if (ZCTextureCache* cache = mApp ? mApp->GetTextureCache() : nullptr) mCafeTexture = cache->GetTexture(mCafeId);
    SetPicture(mPage.mCafePicture, mCafeTexture);
  }
  SetVar("cafe", mShownCafe);
  MarkDirty();
}

ZCCandyWidget* ZCBoard_Career::ShowDayMarks(const Page& page, int32_t day) {
  const int32_t level = mFirstLevel + day;
  if (level < 1 || BestMoney(level) == 0) return nullptr;
  ZCCandyWidget* mark = At(GetProfileStore().mPlayer.expert[size_t(level)] ? page.mExperts : page.mGoals, day);
  SetShown(mark, true);
  return mark;
}

int32_t ZCBoard_Career::BestMoney(int32_t level) {
  const ProfileStore::PlayerRecord& player = GetProfileStore().mPlayer;
  return level >= 0 && level < int32_t(ProfileCodec::kLevels) ? player.bestMoney[size_t(level)] : 0;
}

void ZCBoard_Career::RefreshDayPage(bool animate, bool levelDone) {
  if (ZCCandyWidget* mark = mPage.mDayMark) {
    PlaceDayMark(mark, mSelectedDay, mark);
    mark->SetVisible(false);
    mark->RewindTextures();
    mark->Show();
  }
  for (int32_t i = 1; i <= kSlots; ++i) {
    ZCCandyWidget* button = At(mDayButtons, i);
    ZCCandyWidget* text = At(mPage.mTexts, i);
    SetShown(button, i <= mDays);
    SetShown(text, i <= mDays);
    SetShown(At(mPage.mGoals, i), false);
    SetShown(At(mPage.mExperts, i), false);
    const bool closed = i > mLastOpenDay;
    SetOff(button, closed);
    SetOff(text, closed);
    ZCCandyWidget* mark = closed ? nullptr : ShowDayMarks(mPage, i);
    if (!mark) continue;
    if (animate) Send(mark, "onshow");
    if (levelDone && i == mLastOpenDay) Send(mark, "onleveldone");
  }
  const int32_t level = mFirstLevel + mSelectedDay;
  SetVar("selectedday", mSelectedDay);
  SetVar("brief_debrief", BriefingText(level));
  Send(mBriefingText, "onshow");
  SetVar("level_score", BestMoney(level));
  ShowAchievements(level, false);
  const std::string picture = BriefingPicture(level);
  if (picture != mBriefingId) {
    ZCTextureCache* cache = mApp ? mApp->GetTextureCache() : nullptr;
    if (cache && cache->HasTexture(picture)) {
      mBriefingId = picture;
    } else {
      mBriefingId = "briefing_00";
    }
    if (cache) mBriefingTexture = cache->GetTexture(mBriefingId);
    SetPicture(mPage.mBriefingPicture, mBriefingTexture);
    Send(mPage.mBriefingPicture, "onshow");
  }
  MarkDirty();
}

void ZCBoard_Career::OnShowStart() {
  for (int32_t c = 0; c < 3; ++c) {
    SetShown(mCafeButtons[c], false);
    SetShown(mCafeTitles[c], false);
  }
  if (mSelectedDay == -1) SelectCurrentLevel();
  RefreshDayPage(true, false);
  if (mPage.mDayMark) mPage.mDayMark->Show();
  if (SoundManager* sounds = mApp ? mApp->GetSoundManager() : nullptr) sounds->PlaySound("briefing_show");
  if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu())
    menu->TurnPage(mCareerPage, false, ZCBoard_MainMenu::kTurnCareer);
  ShowAchievements(mFirstLevel + mSelectedDay, false);
}

void ZCBoard_Career::Update() {
  ZCDialog::Update();
  if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu()) menu->StepTurnWhileHidden();
}

void ZCBoard_Career::ShowCafeControls() {
  for (int32_t c = 0; c < 3; ++c) {
    if (c + 1 == mShownCafe) {
      // The title takes the place of the café's own button, which a turn from it left shown.
      if (mCafeButtons[c]) mCafeButtons[c]->SetVisible(false);
      if (mCafeTitles[c]) {
        mCafeTitles[c]->Show();
        BringToScreenFront(mCafeTitles[c]);
      }
    } else {
      if (mCafeButtons[c] && !mCafeButtons[c]->IsVisible()) mCafeButtons[c]->Show();
      if (mCafeTitles[c] && mCafeTitles[c]->IsVisible()) mCafeTitles[c]->Hide();
    }
  }
  if (mReset) mReset->Show();
  if (mCurrentDay) mCurrentDay->Show();
}

void ZCBoard_Career::HideCafeTitle(bool hideControls) {
  const int32_t c = mShownCafe - 1;
  if (mCafeTitles[c]) mCafeTitles[c]->Hide();
  if (mCafeButtons[c]) mCafeButtons[c]->Show();
  if (!hideControls) return;
  if (mReset) mReset->Hide();
  if (mCurrentDay) mCurrentDay->Hide();
}

void ZCBoard_Career::TurnToCafe(int32_t cafe) {
  const bool backward = cafe < mShownCafe;
  HideCafeTitle(false);
  // The copy page holds the old page on top while the page turns.
  const int32_t level = mFirstLevel + mSelectedDay;
  SetVar("selectedday", mSelectedDay);
  SetVar("brief_debrief_fake", BriefingText(level));
  SetVar("level_score_fake", BestMoney(level));
  ShowAchievements(level, true);
  SetPicture(mCopy.mBriefingPicture, mBriefingTexture);
  SetPicture(mCopy.mCafePicture, mCafeTexture);
  if (mCopy.mDayMark) {
    PlaceDayMark(mCopy.mDayMark, mSelectedDay, mPage.mDayMark);
    mCopy.mDayMark->SetVisible(true);
  }
  for (int32_t i = 1; i <= kSlots; ++i) {
    SetShown(At(mCopy.mTexts, i), i <= mDays);
    SetShown(At(mCopy.mGoals, i), false);
    SetShown(At(mCopy.mExperts, i), false);
    SetOff(At(mCopy.mTexts, i), i > mLastOpenDay);
    if (i <= mLastOpenDay) ShowDayMarks(mCopy, i);
  }
  mShownCafe = cafe;
  for (ZCCandyWidget* button : mCafeButtons) SetOff(button, true);
  BringToScreenFront(mCopyPage);
  ShowCafe(true);
  RefreshDayPage(true, false);
  SetShown(mCopyPage, true);
  if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu())
    menu->TurnPage(mCareerPage, backward, ZCBoard_MainMenu::kTurnCareer);
}

void ZCBoard_Career::OnCommand(ZCCandyWidget* button) {
  if (Is(button, mBack)) {
    if (ZCBoard_Game* board = ScreenTable::GetGameBoard()) board->Hide();
    if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu()) menu->TurnPage(nullptr, true, ZCBoard_MainMenu::kTurnNone);
    for (int32_t c = 0; c < 3; ++c) {
      SetShown(mCafeButtons[c], false);
      SetShown(mCafeTitles[c], false);
    }
  } else if (Is(button, mPlay)) {
    StartLevel(mFirstLevel + mSelectedDay);
  } else if (Is(button, mReset)) {
    // Anything but yes (no, or a shut-down ending the box) resets nothing.
    if (ShowConfirmBox("delcareer") == 1) {
      ProfileStore& store = GetProfileStore();
      store.ResetProgress();
      store.Save();
      SelectCurrentLevel();
      ShowCafe(true);
      RefreshDayPage(false, false);
    }
  } else if (Is(button, mCurrentDay)) {
    const int32_t shown = mShownCafe;
    SelectCurrentLevel();
    if (mShownCafe == shown) {
      ShowCafe(false);
      RefreshDayPage(false, false);
    } else {
      const int32_t target = mShownCafe;
      SetCafe(shown);
      TurnToCafe(target);
    }
  } else {
    for (int32_t c = 0; c < 3; ++c)
      if (Is(button, mCafeButtons[c])) TurnToCafe(c + 1);
  }
  for (int32_t i = 1; i <= kSlots; ++i) {
    if (!Is(button, At(mDayButtons, i))) continue;
    mSelectedDay = i;
    mSelectedCafe = mShownCafe;
    RefreshDayPage(false, false);
    ShowAchievements(mFirstLevel + i, false);
  }
}

void ZCBoard_Career::StartLevel(int32_t level) {
  level = ClampLevel(level);
  mStartedLevel = level;
  SetCafe(CafeDayOfLevel(level).mCafe);
  mSelectedDay = level - mFirstLevel;
  Hide();
  ZCBoard_Game* board = ScreenTable::GetGameBoard();
  if (!board) return;
  if (mApp && mApp->GetRootDialog()) mApp->GetRootDialog()->BringToFront(board);
  board->StartLoadingThread(level, false);
}

void ZCBoard_Career::ContinueCareer(bool replay) {
  if (replay) {
    StartLevel(mStartedLevel);
  } else if (mStartedLevel >= kLastLevel) {
    mStartedLevel = -1;
    ReturnToMainMenu();
  } else {
    StartLevel(mStartedLevel + 1);
  }
}

void ZCBoard_Career::ReturnToMainMenu() {
  if (ZCBoard_Game* board = ScreenTable::GetGameBoard()) {
    board->AbortLevel();
    board->SetVisible(false);
  }
  if (SoundManager* sounds = mApp ? mApp->GetSoundManager() : nullptr) sounds->StopGroup("game");
  if (ZCCandyWidget* background = ScreenTable::Get(ScreenTable::kMenuBackground)) background->SetVisible(true);
  if (ZCCandyWidget* menu = ScreenTable::GetMainMenu()) menu->Show();
  if (mApp) mApp->MarkDirty();
}

void ZCBoard_Career::SetLevelResult(int32_t money, int32_t result, int32_t level) {
  mLastMoney = money;
  SetVar("debrief_money", money);
  if (level < 1 || level > kLastLevel) {
    // The record keeps 60 entries per level: nothing past them is written.
    LogMessage("WARNING: career result for level %d outside 1..%d not recorded", int(level), int(kLastLevel));
    return;
  }
  SetCafe(CafeDayOfLevel(level).mCafe);
  ProfileStore& store = GetProfileStore();
  ProfileStore::PlayerRecord& player = store.mPlayer;
  if (result == 0 || result == 1) {
    if (level == player.levelsOpen) ++player.levelsOpen;
    const AchievementParams& params = GetAchievementParams();
    for (int32_t i = 0; i < int32_t(ProfileCodec::kAchievements); ++i) {
      uint8_t& flag = player.achievements[size_t(level * ProfileCodec::kAchievements + i)];
      flag = (flag != 0 || params.IsAchieved(i)) ? 1 : 0;
    }
    if (result == 0) player.expert[size_t(level)] = 1;
    if (money > player.bestMoney[size_t(level)]) {
      player.bestMoney[size_t(level)] = money;
      // Levels 1..59 only: levels open reaches 60 after the last level.
      int32_t total = 0;
      for (int32_t l = 1; l <= std::min(player.levelsOpen, kLastLevel); ++l) total += player.bestMoney[size_t(l)];
      store.InsertScore(false, store.GetPlayerName(), total);
    }
  }
  const int32_t selected = mSelectedDay;
  ShowCafe(true);
  mSelectedDay = selected;
  RefreshDayPage(false, true);
}
