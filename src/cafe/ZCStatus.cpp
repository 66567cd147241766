#include "cafe/ZCStatus.h"

#include <cmath>
#include <cstdio>

#include "board/BoardWorld.h"
#include "board/ZCItemPart.h"
#include "cafe/ActorParams.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCBoss.h"
#include "cafe/ZIStatSrc.h"
#include "shell/Log.h"

namespace {
// The rest of the name after the prefix, or false when it does not begin with it.
bool RestAfter(const std::string& name, const char* prefix, std::string& rest) {
  const std::string p(prefix);
  if (name.compare(0, p.size(), p) != 0) return false;
  rest = name.substr(p.size());
  return true;
}

CafeActors* Actors() {
  ZCBoard_Game3* board = GetCafeBoard();
  return board ? &board->GetActors() : nullptr;
}

bool BoardFrozen() {
  const ZCBoard_Game3* board = GetCafeBoard();
  return board && board->IsFrozen();
}
}  // namespace

// ---- Binding ----

void ZCStatusItem::ReadState(const XmlNode& node) {
  ZCItem::ReadState(node);
  mSourceItem = nullptr;
  mSource = nullptr;
  const std::string actor = ActorName();
  CafeActors* actors = Actors();
  if (!actor.empty() && actors) {
    ZCItem* item = ActorIsWorker() ? actors->FindWorker(actor) : actors->FindVisitor(actor);
    if (auto* source = dynamic_cast<ZIStatSrc*>(item)) {
      mSourceItem = item;
      mSource = source;
    }
  }
  if (!mSource) {
    LogMessage("WARNING: status item '%s' finds no actor '%s'; it stays hidden", mName.c_str(), actor.c_str());
    SetVisibleFlag(false);
    return;
  }
  SetPosition(mSourceItem->GetPosition());
  for (auto& part : mParts) part->BindSkinTextures();
}

void ZCStatusItem::Signal(const char* message) {
  SendEffectMessage(message);
  TraceBoardEvent("status %s %s", mName.c_str(), message);
}

// ---- Bubble ----

std::string ZCStatus_Bubble::ActorName() const {
  std::string rest;
  if (RestAfter(mName, "status_bubble_worker", rest)) return "worker" + rest;
  // "_sit01" reaches the seated group "client_sit01".
  if (RestAfter(mName, "status_bubble_client", rest)) return "client" + rest;
  return std::string();
}

bool ZCStatus_Bubble::ActorIsWorker() const { return IsNamed("status_bubble_worker"); }

void ZCStatus_Bubble::ReadState(const XmlNode& node) {
  ZCStatusItem::ReadState(node);
  mBubblePart = FindPart("status_bubble", 0);
  mProductionPart = FindPart("status_production", 0);
}

void ZCStatus_Bubble::Activate(bool active) {
  if (!active) return;
  mShown = false;
  mHighlighted = false;
  mShaking = false;
  SetVisible(false);
}

void ZCStatus_Bubble::Refresh(const std::string& name) {
  if (name != "scandal") mDisplayed = name;
  if (!mSource) return;
  std::string icon;
  mSource->GetIconName(icon);
  if (mHighlighted) icon += "_active";
  if (mBubblePart) mBubblePart->PlayAnimation(icon, false);
  if (mProductionPart) mProductionPart->PlayAnimation(name, false);
  TraceBoardEvent("bubble %s %s %s", mName.c_str(), icon.c_str(), name.c_str());
}

void ZCStatus_Bubble::UpdateProduction() {
  if (!mProductionPart || !ActorIsWorker()) return;
  CafeActors* actors = Actors();
  const float progress = actors ? actors->GetWorkProgress(mSourceItem) : -1.0f;
  if (!(progress >= 0.0f)) {
    // Out of work the bar goes; a ready worker's bubble shows the product it holds (and a broken
    // one its sign), as a visitor's shows what it wants.
    const bool shows = !mDisplayed.empty() && mDisplayed != "working";
    if (mProductionPart->IsVisible() != shows) mProductionPart->SetVisible(shows);
    return;
  }
  if (!mProductionPart->IsVisible()) mProductionPart->SetVisible(true);
  float stage = 1.0f - progress;
  if (stage < 0.00011f) stage = 0.00011f;
  if (stage > 1.0f) stage = 1.0f;
  mProductionPart->SetAnimStage(stage);
  if (DevMode::IsOn()) LogMessage("worker '%s', animStage = %f", mName.c_str(), double(stage));
}

void ZCStatus_Bubble::Update() {
  ZCItem::Update();
  if (!mRunning || !mSource) return;
  std::string name;
  const bool counts = mSource->GetBubbleName(name) && mSource->IsActive();
  if (!mVisible || !mShown) {
    if (counts && !mVisible) {
      mShown = true;
      SetVisible(true);
      Refresh(name);
    }
    return;
  }
  const bool scandal = name == "scandal";
  if (!counts || (name != mDisplayed && !scandal)) {
    // Hidden for this frame; the next one shows the new name.
    mShown = false;
    SendEffectMessage("hide_product_highlight");
    SendEffectMessage("shake_stop");
    mHighlighted = false;
    mShaking = false;
    SetVisible(false);
    return;
  }
  UpdateProduction();
  if (!scandal) {
    if (mShaking) {
      Signal("shake_stop");
      mShaking = false;
      Refresh(name);
    }
    const auto* heroine = dynamic_cast<const ZCBoss*>(GetBoardWorld().mBoss);
    const bool held = heroine && !mDisplayed.empty() &&
                      (mDisplayed == heroine->GetFirstHand() || mDisplayed == heroine->GetSecondHand());
    if (held) {
      if (!mHighlighted) {
        Signal("product_highlight");
        mHighlighted = true;
        Refresh(name);
      }
    } else if (mHighlighted) {
      Signal("hide_product_highlight");
      mHighlighted = false;
      Refresh(name);
    }
    return;
  }
  const bool active = mSource->IsActive();
  if (!mShaking) {
    Signal("shake_start");
    mShaking = true;
    if (active) Refresh(name);
  }
  if (mHighlighted) {
    Signal("hide_product_highlight");
    mHighlighted = false;
    if (active) Refresh(name);
  }
}

// ---- Patience face ----

std::string ZCStatus_HP_Client::ActorName() const {
  std::string rest;
  return RestAfter(mName, "status_hp_client", rest) ? "client" + rest : std::string();
}

void ZCStatus_HP_Client::ReadState(const XmlNode& node) {
  ZCStatusItem::ReadState(node);
  mPointsPart = FindPart("status_hp_client", 0);
  mBackPart = FindPart("status_hp_client_back", 0);
  mSmilePart = FindPart("status_hp_client_smile", 0);
}

void ZCStatus_HP_Client::Activate(bool active) {
  if (!active) return;
  mShown = mSource && mSource->IsActive();
  SetVisible(mShown);
  if (mBackPart) mBackPart->PlayAnimation("idle", false);
  mPointIndex = -1;
  mFace.clear();
  mLastLevel = 100.0f;
}

void ZCStatus_HP_Client::Update() {
  ZCItem::Update();
  if (!mRunning || !mSource) return;
  float p = 0;
  if (!mSource->IsActive() || !mSource->GetLevel(p)) {
    if (mShown) {
      mShown = false;
      SetVisible(false);
    }
    return;
  }
  if (!mShown) {
    mShown = true;
    SetVisible(true);
  }
  const ClientsConfig& levels = GetClientsConfig();
  const float g = levels.mPatienceGreen, y = levels.mPatienceYellow, r = levels.mPatienceRed;
  std::string face;
  uint32_t colour;
  int32_t index;
  if (p > g) {
    face = "greenidle";
    colour = kStatusGreen;
    index = p > g + 2 * (100 - g) / 3 ? 6 : p > g + (100 - g) / 3 ? 5 : 4;
  } else if (p > y) {
    face = "yellowidle";
    colour = kStatusYellow;
    index = p > y + (g - y) / 2 ? 3 : 2;
  } else {
    face = "redidle";
    colour = kStatusRed;
    index = p > r ? 1 : 0;
  }
  if (BoardFrozen()) {
    face = "freezeidle";
    colour = kStatusFrozen;
  }
  CafeActors* actors = Actors();
  if (actors && actors->IsVip(mSourceItem)) face = "vip_" + face;
  // Above the red level is "above"; at it or below, "below", as the points count it.
  if (mLastLevel > r && p <= r)
    Signal("on_blink_hp");
  else if (mLastLevel <= r && p > r)
    Signal("off_blink_hp");
  if (index != mPointIndex) {
    char anim[16];
    std::snprintf(anim, sizeof anim, "point0%didle", int(index));
    if (mPointsPart) mPointsPart->PlayAnimation(anim, false);
  }
  if (face != mFace && mSmilePart) mSmilePart->PlayAnimation(face, false);
  if (index != mPointIndex || face != mFace) TraceBoardEvent("face %s %s %d", mName.c_str(), face.c_str(), int(index));
  mPointIndex = index;
  mFace = face;
  if (mPointsPart) mPointsPart->SetTint(colour);
  mLastLevel = p;
}

// ---- Tidiness meter ----

std::string ZCStatus_HP_Worker::ActorName() const {
  std::string rest;
  return RestAfter(mName, "status_hp_worker", rest) ? "worker" + rest : std::string();
}

int32_t ZCStatus_HP_Worker::PointIndexOf(float tidiness) {
  const double points = std::ceil(double(tidiness) / 8.333333);
  return points >= 12 ? 12 : points <= 0 ? 0 : int32_t(points);
}

void ZCStatus_HP_Worker::ReadState(const XmlNode& node) {
  ZCStatusItem::ReadState(node);
  mPointsPart = FindPart("status_hp_worker", 0);
  mBackPart = FindPart("status_hp_worker_back", 0);
}

void ZCStatus_HP_Worker::Activate(bool active) {
  if (!active) return;
  SetVisible(mSource != nullptr);
  mLastLevel = 0;
  if (mSource) mSource->GetLevel(mLastLevel);
  mPointIndex = -1;
}

void ZCStatus_HP_Worker::Update() {
  ZCItem::Update();
  float t = 0;
  if (!mVisible || !mSource || !mSource->GetLevel(t)) return;
  if (mBackPart) mBackPart->PlayAnimation("idle", true);
  const int32_t index = PointIndexOf(t);
  const WorkersConfig& levels = GetWorkersConfig();
  uint32_t colour = t > levels.mTidinessGreen ? kStatusGreen : t > levels.mTidinessYellow ? kStatusYellow : kStatusRed;
  if (BoardFrozen()) colour = kStatusFrozen;
  if (mPointsPart) mPointsPart->SetTint(colour);
  const float r = levels.mTidinessRed;
  if (mLastLevel > r && t <= r)
    Signal("on_blink_hp");
  else if (mLastLevel <= r && t > r)
    Signal("off_blink_hp");
  mLastLevel = t;
  if (index != mPointIndex) {
    char anim[16];
    std::snprintf(anim, sizeof anim, "point%02didle", int(index));
    if (mPointsPart) mPointsPart->PlayAnimation(anim, false);
    TraceBoardEvent("meter %s %d", mName.c_str(), int(index));
    mPointIndex = index;
  }
}
