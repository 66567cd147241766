#include "screens/BoardDialog.h"

#include <cstdio>

#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "shell/TextVars.h"
#include "sound/SoundManager.h"

BoardDialog::BoardDialog(ZCEngine* app) : ZCDialog(0, app), mEngine(app) {}

BoardDialog::~BoardDialog() {
  // A dialog deleted while shown gives its pause back to a board that outlives it.
  ReleasePause();
}

ZCBoard_Game3* BoardDialog::Board() { return GetCafeBoard(); }

void BoardDialog::TakePause() {
  if (mHoldsPause) return;
  if (ZCBoard_Game3* board = Board()) {
    board->Pause();
    mHoldsPause = true;
  }
}

void BoardDialog::ReleasePause() {
  if (!mHoldsPause) return;
  mHoldsPause = false;
  if (ZCBoard_Game3* board = Board()) board->Resume();
}

void BoardDialog::HideNow() {
  if (!Vesk::Widget::IsVisible()) return;
  Hide();
  SetVisible(false);
  SetAlpha(1);
}

void BoardDialog::PlaySound(const char* name) const {
  if (SoundManager* sounds = mEngine ? mEngine->GetSoundManager() : nullptr) sounds->PlaySound(name);
}

std::wstring BoardDialog::Text(const std::string& id) const {
  return mEngine ? mEngine->GetLocTable()->GetText(id) : L"$" + std::wstring(id.begin(), id.end());
}

TextureHandle BoardDialog::Texture(const std::string& id) const {
  ZCTextureCache* cache = mEngine ? mEngine->GetTextureCache() : nullptr;
  return cache && cache->HasTexture(id) ? cache->GetTexture(id) : TextureHandle();
}

LevelTexts SetLevelTexts(ZCEngine* engine, bool briefing) {
  LevelTexts texts;
  ZCBoard_Game3* board = GetCafeBoard();
  if (!board) return texts;
  const int32_t level = board->GetLevel();
  const bool survival = board->IsSurvival();
  char id[40];
  std::snprintf(id, sizeof id, survival ? "ebriefing_%02d" : "briefing_%02d", int(level));
  texts.mPicture = id;
  if (survival)
    std::snprintf(id, sizeof id, "ebreif_text_l%02d", int(level));
  else
    std::snprintf(id, sizeof id, briefing ? "breif_text_l%02d" : "breif_l%d", int(level));
  const std::string textId = id;
  ZCTextureCache* cache = engine ? engine->GetTextureCache() : nullptr;
  if (cache && !cache->HasTexture(texts.mPicture)) texts.mPicture = "briefing_00";
  if (cache && cache->HasTexture(texts.mPicture)) texts.mTexture = cache->GetTexture(texts.mPicture);
  // The café and day are the board's: in survival the day row counts the stages reached.
  texts.mCafe = board->GetCafe();
  texts.mDay = board->GetDay();
  TextVars* vars = GetTextVars();
  if (!engine || !vars) return texts;
  LocTable* loc = engine->GetLocTable();
  vars->SetTextVar("level_briefing", loc->GetText(textId));
  std::snprintf(id, sizeof id, "%d", int(texts.mCafe));
  vars->SetTextVar("currentcafe", loc->GetText(id));
  vars->SetTextVar("cafe", loc->GetText(id));
  std::snprintf(id, sizeof id, "%d", int(texts.mDay));
  vars->SetTextVar("currentday", loc->GetText(id));
  vars->SetTextVar("day", loc->GetText(id));
  return texts;
}
