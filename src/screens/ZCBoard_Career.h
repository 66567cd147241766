#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cafe/ZCBoard_Game3.h"
#include "resources/ZCTextureCache.h"
#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The career book (layout "career_menu"): the left page shows the café's picture, its day
// buttons and a mark on each finished day; the right page the selected day's briefing picture
// and text, its best money and badges. Play starts the day's level; the café board hands every
// career result back through SetLevelResult, which records it in the current player's record,
// opens the next level and feeds the career high-score table.
class ZCBoard_Career : public ZCDialog {
 public:
  static constexpr int32_t kSlots = 24;
  static constexpr int32_t kLastLevel = 59;
  static constexpr int32_t kBadges = 5;

  ZCBoard_Career(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnCommand(ZCCandyWidget* button) override;
  void OnShowStart() override;
  // A turn between cafés runs while the main menu is hidden: the book steps it.
  void Update() override;

  // Result codes: 0 expert goal, 1 goal, 2 goal missed, 3 level failed. Only 0 and 1 change the
  // player's record; a level outside 1..59 records nothing.
  void SetLevelResult(int32_t money, int32_t result, int32_t level);
  // Clamped to 1..59: hides the book and loads the level on the café board.
  void StartLevel(int32_t level);
  // After a level's debriefing or finish cut-scene: replay starts the level just played again;
  // otherwise the next level starts, or after the last one the career ends (no current level)
  // and the main menu shows.
  void ContinueCareer(bool replay);
  // Leaves the level for the main menu: the level is aborted and its sounds stopped first, so
  // the menu never sees a running level; then the board hides and the menus show.
  void ReturnToMainMenu();
  // Called when a page turn to the book ends.
  void ShowCafe(bool selectLastDay);
  void ShowCafeControls();
  // The player changed: the book opens on their highest open level next time.
  void ResetSelection() { mSelectedDay = -1; }

  int32_t GetSelectedDay() const { return mSelectedDay; }
  int32_t GetFirstLevel() const { return mFirstLevel; }
  int32_t GetShownCafe() const { return mShownCafe; }
  // The level the career plays now (0 before any start, -1 after the last level).
  int32_t GetStartedLevel() const { return mStartedLevel; }
  const std::string& GetBriefingId() const { return mBriefingId; }

 private:
  struct Page {
    ZCCandyWidget* mCafePicture = nullptr;
    ZCCandyWidget* mDayMark = nullptr;
    ZCCandyWidget* mBriefingPicture = nullptr;
    ZCCandyWidget* mRight = nullptr;
    std::vector<ZCCandyWidget*> mGoals, mExperts, mTexts;
  };
  void BindPage(ZCCandyWidget* dialog, Page& page, bool withButtons);
  void SelectCurrentLevel();
  void SetCafe(int32_t cafe);
  void RefreshDayPage(bool animate, bool levelDone);
  void ShowAchievements(int32_t level, bool copy);
  void PlaceDayMark(ZCCandyWidget* mark, int32_t day, const ZCCandyWidget* sized);
  void HideCafeTitle(bool hideControls);
  void TurnToCafe(int32_t cafe);
  // Shows the goal or expert mark of a day with money by the player's record; the mark shown, or
  // null.
  ZCCandyWidget* ShowDayMarks(const Page& page, int32_t day);
  // The current player's best money on the level (0 outside the record).
  static int32_t BestMoney(int32_t level);
  std::wstring BriefingText(int32_t level) const;
  std::string BriefingPicture(int32_t level) const;
  static int32_t ClampLevel(int32_t level);

  ZCEngine* mApp;
  ZCCandyWidget* mCareerPage = nullptr;
  ZCCandyWidget* mLeft = nullptr;
  ZCCandyWidget* mBack = nullptr;
  ZCCandyWidget* mPlay = nullptr;
  ZCCandyWidget* mBriefingText = nullptr;
  ZCCandyWidget* mCopyPage = nullptr;
  std::vector<ZCCandyWidget*> mDayButtons;
  Page mPage, mCopy;
  ZCCandyWidget* mCafeButtons[3] = {};
  ZCCandyWidget* mCafeTitles[3] = {};
  ZCCandyWidget* mReset = nullptr;
  ZCCandyWidget* mCurrentDay = nullptr;

  TextureHandle mBriefingTexture;
  std::string mBriefingId = "briefing_00";
  TextureHandle mCafeTexture;
  std::string mCafeId = "cafe_01";
  int32_t mSelectedDay = -1;
  int32_t mLastOpenDay = -1;
  int32_t mFirstLevel = 0;
  int32_t mStartedLevel = -1;
  int32_t mDays = 15;
  int32_t mLastMoney = 0;
  int32_t mShownCafe = 1;
  int32_t mSelectedCafe = 1;
};
