#pragma once
#include <cstdint>
#include <string>

#include "cafe/CafeHooks.h"
#include "resources/ZCTextureCache.h"
#include "widgets/ZCDialog.h"

class ZCBoard_Game3;
class ZCEngine;

// A dialog the café board owns and shows over a level (briefing, debriefings, escape menu,
// upgrade shop). While shown it holds at most one pause of the board: taken when its show
// starts, given back once when its hide starts, however it closes.
class BoardDialog : public ZCDialog, public CafeDialog {
 public:
  explicit BoardDialog(ZCEngine* app);
  ~BoardDialog() override;

  // CafeDialog: the board shows and hides it with its effects.
  void Show() override { ZCCandyWidget::Show(); }
  void Hide() override { ZCCandyWidget::Hide(); }
  bool IsVisible() const override { return Vesk::Widget::IsVisible(); }
  // Hides it without waiting for its fade: used when the board itself goes next, which would
  // stop the fade half-way (a hidden widget's effect does not run) and show it half-faded later.
  void HideNow();
  bool HoldsPause() const { return mHoldsPause; }

 protected:
  void TakePause();
  void ReleasePause();
  static ZCBoard_Game3* Board();
  void PlaySound(const char* name) const;
  std::wstring Text(const std::string& id) const;
  // The texture of the id, or a null handle (without a warning) when there is none.
  TextureHandle Texture(const std::string& id) const;

  ZCEngine* mEngine;
  bool mHoldsPause = false;
};

// The level's texts shared by the briefing and the debriefing: the introduction in the text
// variable "level_briefing", the café and day in "currentcafe"/"cafe" and "currentday"/"day",
// and the level's picture ("briefing_%02d", survival "ebriefing_%02d", else "briefing_00").
struct LevelTexts {
  std::string mPicture;
  TextureHandle mTexture;
  int32_t mCafe = 1;
  int32_t mDay = 1;
};
// The introduction's id: briefing "breif_text_l%02d", debriefing "breif_l%d", both
// "ebreif_text_l%02d" in survival.
LevelTexts SetLevelTexts(ZCEngine* engine, bool briefing);
