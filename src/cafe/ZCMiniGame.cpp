#include "cafe/ZCMiniGame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "board/BoardWorld.h"
#include "cafe/AchievementParams.h"
#include "cafe/ZBoard_Hud.h"
#include "cafe/ZCBoard_Game3.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCEffect.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
#include "widgets/FrameStep.h"
#include "widgets/WidgetServices.h"

namespace {
const char* const kKindNames[ZCMiniGame::kKinds] = {"coin", "happy", "clean", "speed", "ice"};
const char* const kChainMessages[ZCMiniGame::kKinds] = {"onchaincoin", "onchainhappy", "onchaincleaning",
                                                        "onchainmomentready", "onchainice"};
const wchar_t* const kWeightAttrs[ZCMiniGame::kKinds] = {L"bonus_coin", L"bonus_happy", L"bonus_clean",
                                                          L"bonus_speed", L"bonus_ice"};
const char* const kHowNames[] = {"hide", "click", "chain"};

ZCMiniGame::RandomSource gRandom = &RandomFloat;
MiniGameHost gDefaultHost;

// An attribute of "partparams" (a weight or a speed): absent is 0; one outside [0, 1e6] takes
// the nearest bound with a warning.
float ReadPartParam(const XmlNode& node, const wchar_t* name) {
  float value = 0;
  const std::string file = GetCafeBoard() ? GetCafeBoard()->LevelFileName() : std::string("the level");
  GetClampedFloat(node, file.c_str(), name, value, 0.0f, 1e6f);
  return value;
}

// The widget's effect still plays (a timer or its particles).
bool EffectPlays(const ZCCandyWidget* widget) {
  const ZCEffect* effect = widget->GetEffect();
  if (!effect) return false;
  if (effect->IsRunning()) return true;
  ParticleSystemTable* particles = GetEffectServices().mParticles;
  return particles && particles->CountByName(effect->GetParticleKey()) > 0;
}
}  // namespace

// ---- The café's side ----

void MiniGameHost::ApplyBonus(int32_t kind, int32_t strength) {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->ApplyMiniGameBonus(kind, strength);
}

bool MiniGameHost::IsInputBlocked() {
  ZCBoard_Game3* board = GetCafeBoard();
  return !board || !board->AcceptsInput();
}

ZCCandyWidget* MiniGameHost::GetTaskIcon(int32_t kind) {
  ZCBoard_Game3* board = GetCafeBoard();
  auto* hud = board ? dynamic_cast<ZBoard_Hud*>(&board->GetHud()) : nullptr;
  return hud ? hud->GetTaskIcon(kind) : nullptr;
}

int32_t MiniGameHost::GetTaskTarget(int32_t kind) { return GetAchievementParams().GetTarget(kind); }
int32_t MiniGameHost::GetTaskRemaining(int32_t kind) { return GetAchievementParams().GetRemaining(kind); }
void MiniGameHost::CompleteTask(int32_t kind) { GetAchievementParams().CompleteTask(kind); }

void MiniGameHost::PlaySound(const std::string& name) {
  ZCEngine* engine = GetEngine();
  if (SoundManager* sounds = engine ? engine->GetSoundManager() : nullptr) sounds->PlaySound(name);
}

// ---- Building ----

ZCMiniGame::ZCMiniGame(Vesk::VeskAppBase* app) : ZCDialog(0, app), mHost(&gDefaultHost) {}

ZCMiniGame::~ZCMiniGame() = default;

ZCMiniGame* ZCMiniGame::CreateFor(ZCBoard_Game3* board, ZCCandyWidget* parent, const XmlNode& uiDocument,
                                  Vesk::VeskAppBase* app) {
  if (!board || !parent) return nullptr;
  auto* game = new ZCMiniGame(app);
  if (!game->LoadByName(uiDocument, "minigame")) {
    LogMessage("WARNING: ui.xml has no \"minigame\"; the levels play without the bonus row");
    delete game;
    return nullptr;
  }
  game->SetVisible(true);
  parent->AddChild("minigame", game);
  board->SetMiniGame(game);
  return game;
}

void ZCMiniGame::SetRandomSource(RandomSource source) { gRandom = source ? source : &RandomFloat; }

const char* ZCMiniGame::KindName(int32_t kind) { return kind >= 0 && kind < kKinds ? kKindNames[kind] : "?"; }

void ZCMiniGame::SetHost(MiniGameHost* host) { mHost = host ? host : &gDefaultHost; }

void ZCMiniGame::AddChild(const std::string& name, ZCCandyWidget* widget) {
  // The pools' widgets share their names: they are kept in the pools, not by name.
  std::vector<ZCCandyWidget*>* pool = name == "tray"          ? &mTrays
                                      : name == "effect_elem" ? &mEffectElems
                                      : name == "coin_anim"   ? &mCoinAnims
                                                              : nullptr;
  if (!pool || !widget) {
    ZCDialog::AddChild(name, widget);
    return;
  }
  widget->SetName(name);
  AddWidget(widget);
  widget->SetVisible(false);
  pool->push_back(widget);
  if (pool == &mTrays) mFreeTrays.push_back(widget);
}

void ZCMiniGame::LoadFromXml(const XmlNode& node) {
  ZCDialog::LoadFromXml(node);
  ZCTextureCache* cache = GetWidgetServices().mTextures;
  if (!cache) return;
  static const char* const kSuffixes[3] = {"", "_e", "_s"};
  for (int32_t k = 0; k < kKinds; ++k)
    for (int32_t s = 0; s < 3; ++s) {
      char id[32];
      std::snprintf(id, sizeof id, "bonus%02d00%s", int(k + 1), kSuffixes[s]);
      if (cache->HasTexture(id)) mImages[k][s] = cache->GetTexture(id);
    }
}

void ZCMiniGame::LockTextures() {
  ZCDialog::LockTextures();
  for (auto& set : mImages)
    for (TextureHandle& image : set)
      if (!image.IsNullHandle() && !image.IsLocked()) image.Lock();
}

void ZCMiniGame::UnlockTextures() {
  ZCDialog::UnlockTextures();
  for (auto& set : mImages)
    for (TextureHandle& image : set)
      if (image.IsLocked()) image.Unlock();
}

// ---- The level ----

void ZCMiniGame::ReadLevel(const XmlNode& level) {
  float weights[kKinds] = {};
  float speed = 0;
  if (XmlNode params = level.selectSingleNode(L"partparams")) {
    for (int32_t k = 0; k < kKinds; ++k) weights[k] = ReadPartParam(params, kWeightAttrs[k]);
    speed = ReadPartParam(params, L"speed");
  }
  float sum = 0;
  for (float w : weights) sum += w;
  for (int32_t k = 0; k < kKinds; ++k) mWeights[k] = sum > 0.01f ? weights[k] / sum : 0.0f;
  mSpeed = speed;
}

void ZCMiniGame::ResetLevel() {
  mPendingEnable = 0;
  while (!mRow.empty()) RemoveToken(mRow.front().mWidget, kHideAtOnce, false);
  mFlights.clear();
  for (ZCCandyWidget* widget : std::vector<ZCCandyWidget*>(mLeaving)) ReleaseWidget(widget);
  for (ZCCandyWidget* widget : mEffectElems) widget->SetVisible(false);
  for (ZCCandyWidget* widget : mCoinAnims) widget->SetVisible(false);
}

// ---- Tokens ----

void ZCMiniGame::AddRandomToken() {
  int32_t kinds = 0, only = -1;
  for (int32_t k = 0; k < kKinds; ++k)
    if (mWeights[k] > 0) {
      ++kinds;
      only = k;
    }
  if (kinds == 0) return;
  int32_t kind = only;
  if (kinds > 1) {
    // Never a third equal token in a row; a kind of weight 0 is never taken, even for a draw of 0.
    const size_t n = mRow.size();
    const int32_t excluded = n >= 2 && mRow[n - 1].mKind == mRow[n - 2].mKind ? mRow[n - 1].mKind : -1;
    float r = gRandom(0.0f, 1.0f);
    kind = -1;
    for (int32_t i = 0; kind < 0 && i < 100000; ++i) {
      const int32_t k = i % kKinds;
      if (k == excluded || mWeights[k] <= 0) continue;
      r -= mWeights[k];
      if (r <= 0) kind = k;
    }
    if (kind < 0) return;
  }
  AddToken(kind, true, false);
}

void ZCMiniGame::AddToken(int32_t kind, bool enabled, bool atFront) {
  if (kind < 0 || kind >= kKinds) {
    LogMessage("WARNING: ZCMiniGame: unknown token kind %d ignored", int(kind));
    return;
  }
  if (mRow.size() >= kMaxTokens) RemoveToken(mRow.front().mWidget, kHideAtOnce, false);
  if (mFreeTrays.empty()) {
    LogMessage("WARNING: ZCMiniGame: no free \"tray\" widget; a %s token is refused", kKindNames[kind]);
    TraceBoardEvent("minigame refused %s", kKindNames[kind]);
    return;
  }
  ZCCandyWidget* widget = mFreeTrays.back();
  mFreeTrays.pop_back();
  widget->SetDisabled(!enabled);
  widget->SetAlpha(1);
  widget->SetScale(1);
  widget->SetDisplayOffset(0, 0);
  SetTokenImages(widget, kind);
  Token token;
  token.mKind = kind;
  token.mWidget = widget;
  token.mX = atFront ? 0.0f : float(mWidth - TokenWidth(token));
  widget->Move(int32_t(std::lround(token.mX)), kRowY);
  widget->SetVisible(true);
  if (atFront)
    mRow.insert(mRow.begin(), token);
  else
    mRow.push_back(token);
  TraceBoardEvent("minigame add %s %s %s", kKindNames[kind], enabled ? "enabled" : "disabled",
                  atFront ? "front" : "end");
  if (mPendingEnable > 0 && mRow.size() >= size_t(mPendingEnable)) EnableToken(mPendingEnable);
}

void ZCMiniGame::SetTokenImages(ZCCandyWidget* widget, int32_t kind) {
  // Normal, mouse over, pressed; the disabled picture falls back to the normal one. A missing
  // picture leaves its slot empty (never the picture of the widget's last token).
  for (int32_t s = 0; s < 3; ++s) widget->SetTexture(s, mImages[kind][s]);
}

void ZCMiniGame::RemoveToken(ZCCandyWidget* widget, int32_t how, bool countsForTask) {
  auto it = std::find_if(mRow.begin(), mRow.end(), [widget](const Token& t) { return t.mWidget == widget; });
  if (it == mRow.end()) return;
  const int32_t kind = it->mKind;
  mRow.erase(it);
  how = std::clamp(how, int32_t(kHideAtOnce), int32_t(kChained));
  TraceBoardEvent("minigame remove %s %s", kKindNames[kind], kHowNames[how]);
  if (how == kClicked) {
    widget->SendEffectMessage("onclick");
  } else if (how == kChained) {
    widget->SendEffectMessage("onchain");
    widget->SendEffectMessage(kChainMessages[kind]);
    widget->SendEffectMessage(countsForTask ? "fly_and_hide" : "simple_hide");
  }
  if (how == kHideAtOnce || (!EffectPlays(widget) && !countsForTask)) {
    ReleaseWidget(widget);
    return;
  }
  mLeaving.push_back(widget);
}

void ZCMiniGame::ReleaseWidget(ZCCandyWidget* widget) {
  widget->SetVisible(false);
  widget->SetDisabled(true);
  mLeaving.erase(std::remove(mLeaving.begin(), mLeaving.end(), widget), mLeaving.end());
  if (std::find(mFreeTrays.begin(), mFreeTrays.end(), widget) == mFreeTrays.end()) mFreeTrays.push_back(widget);
}

void ZCMiniGame::EnableToken(int32_t n) {
  if (n < 1) return;
  // The tutorial may ask before the rush has brought that many tokens: the n-th is enabled as
  // it enters the row, or the lesson that waits on its click could never go on.
  if (size_t(n) > mRow.size()) {
    mPendingEnable = n;
    return;
  }
  mPendingEnable = 0;
  mRow[size_t(n - 1)].mWidget->SetDisabled(false);
}

void ZCMiniGame::EnableAllTokens() {
  mPendingEnable = 0;
  for (Token& token : mRow) token.mWidget->SetDisabled(false);
}

void ZCMiniGame::OnCommand(ZCCandyWidget* button) {
  if (!button || !IsEventAllowed(7) || mHost->IsInputBlocked()) return;
  auto it = std::find_if(mRow.begin(), mRow.end(), [button](const Token& t) { return t.mWidget == button; });
  if (it == mRow.end() || button->IsDisabled()) return;
  RemoveToken(button, kClicked, false);
  mHost->PlaySound("minigame_hit");
}

// ---- Each frame ----

void ZCMiniGame::Update() {
  ZCDialog::Update();
  UpdateFlights(GetFrameStep());
  size_t chainStart = 0, chainLength = 0;
  if (IsEventAllowed(6) && SettleRow(GetGameStep())) FindChain(chainStart, chainLength);
  CollectFinished();
  if (chainLength >= 3) GrantChain(chainStart, chainLength);
}

float ZCMiniGame::TokenWidth(const Token& token) const {
  return float(token.mWidget->mWidth > 0 ? token.mWidget->mWidth : kTokenWidth);
}

bool ZCMiniGame::SettleRow(float gameStep) {
  // Positions are kept below the pixel, so that a slow row still moves a little each step.
  const float reach = mSpeed * gameStep;
  bool settled = true;
  float target = kFirstX;
  for (Token& token : mRow) {
    if (token.mX != target) {
      if (token.mX > target)
        token.mX = std::max(target, token.mX - reach);
      else
        token.mX = std::min(target, token.mX + reach);
      if (token.mX != target) settled = false;
    }
    token.mWidget->Move(int32_t(std::lround(token.mX)), kRowY);
    target = token.mX + TokenWidth(token);
  }
  return settled;
}

void ZCMiniGame::FindChain(size_t& start, size_t& length) const {
  start = 0;
  length = 0;
  for (size_t i = 0; i < mRow.size();) {
    size_t j = i + 1;
    while (j < mRow.size() && mRow[j].mKind == mRow[i].mKind) ++j;
    if (j - i >= 3) {
      start = i;
      length = j - i;
      return;
    }
    i = j;
  }
}

void ZCMiniGame::GrantChain(size_t start, size_t length) {
  const int32_t kind = mRow[start].mKind;
  const float firstX = mRow[start].mX;
  TraceBoardEvent("minigame chain %s %d", kKindNames[kind], int(length));
  mHost->ApplyBonus(kind, int32_t(length) - 2);
  TraceBoardEvent("minigame bonus %s %d", kKindNames[kind], int(length) - 2);
  const int32_t centre = int32_t(firstX + float(kTokenWidth) * float(length) / 2.0f);
  if (!mEffectElems.empty()) {
    ZCCandyWidget* effect = mEffectElems[mNextEffect++ % mEffectElems.size()];
    effect->Move(centre - effect->mWidth / 2, kRowY + kTokenWidth / 2 - effect->mHeight / 2);
    effect->SetVisible(true);
    effect->SendEffectMessage("onchain");
    effect->SendEffectMessage(kChainMessages[kind]);
  }
  if (kind == 0 && !mCoinAnims.empty()) {
    ZCCandyWidget* anim = mCoinAnims[mNextCoinAnim++ % mCoinAnims.size()];
    anim->Move(centre - kCoinAnimWidth / 2, kRowY - kCoinAnimRise);
    anim->SetVisible(true);
    anim->RestartTextures();
  }
  const bool countsForTask = mHost->GetTaskRemaining(kind) > 0;
  ZCCandyWidget* icon = countsForTask ? mHost->GetTaskIcon(kind) : nullptr;
  float endX = 0, endY = 0;
  if (icon) {
    // The token lands on the icon's centre, in this dialog's coordinates.
    int32_t ix = 0, iy = 0, ox = 0, oy = 0;
    icon->GetAbsolutePos(ix, iy);
    GetAbsolutePos(ox, oy);
    endX = float(ix - ox + (icon->mWidth - kTokenWidth) / 2);
    endY = float(iy - oy + (icon->mHeight - kTokenWidth) / 2);
  }
  std::vector<Token> chain(mRow.begin() + std::ptrdiff_t(start), mRow.begin() + std::ptrdiff_t(start + length));
  for (const Token& token : chain) {
    RemoveToken(token.mWidget, kChained, countsForTask);
    if (!countsForTask) continue;
    Flight flight;
    flight.mWidget = token.mWidget;
    flight.mStartX = token.mX;
    flight.mStartY = float(kRowY);
    flight.mEndX = icon ? endX : token.mX;
    flight.mEndY = icon ? endY : float(kRowY);
    flight.mKind = kind;
    mFlights.push_back(flight);
  }
}

void ZCMiniGame::UpdateFlights(float frameStep) {
  for (size_t i = 0; i < mFlights.size();) {
    Flight& flight = mFlights[i];
    flight.mTime += frameStep;
    const float t = std::min(flight.mTime / kFlightSeconds, 1.0f);
    flight.mWidget->Move(int32_t(std::lround(flight.mStartX + (flight.mEndX - flight.mStartX) * t)),
                         int32_t(std::lround(flight.mStartY + (flight.mEndY - flight.mStartY) * t)));
    if (flight.mTime < kFlightSeconds) {
      ++i;
      continue;
    }
    const int32_t kind = flight.mKind;
    mFlights.erase(mFlights.begin() + std::ptrdiff_t(i));
    if (ZCCandyWidget* icon = mHost->GetTaskIcon(kind)) icon->SendEffectMessage("onarrive");
    const int32_t before = mHost->GetTaskRemaining(kind);
    mHost->CompleteTask(kind);
    const int32_t after = mHost->GetTaskRemaining(kind);
    TraceBoardEvent("task %s %d->%d", kKindNames[kind], int(before), int(after));
    if (before <= 0 || after > 0) continue;
    // This flight finished the last task: every other task icon arrives too.
    bool allDone = true;
    for (int32_t k = 0; k < kKinds; ++k)
      if (mHost->GetTaskRemaining(k) > 0) allDone = false;
    if (!allDone) continue;
    for (int32_t k = 0; k < kKinds; ++k)
      if (k != kind && mHost->GetTaskTarget(k) > 0)
        if (ZCCandyWidget* other = mHost->GetTaskIcon(k)) other->SendEffectMessage("onarrive");
  }
}

bool ZCMiniGame::IsFlying(const ZCCandyWidget* widget) const {
  return std::any_of(mFlights.begin(), mFlights.end(), [widget](const Flight& f) { return f.mWidget == widget; });
}

void ZCMiniGame::CollectFinished() {
  for (ZCCandyWidget* widget : std::vector<ZCCandyWidget*>(mLeaving))
    if (!IsFlying(widget) && (!widget->IsVisible() || !EffectPlays(widget))) ReleaseWidget(widget);
  for (ZCCandyWidget* widget : mEffectElems)
    if (widget->IsVisible() && !EffectPlays(widget)) widget->SetVisible(false);
  for (ZCCandyWidget* widget : mCoinAnims)
    if (widget->IsVisible() && !widget->IsAnyTexturePlaying()) widget->SetVisible(false);
}
