#include "cafe/CafeObjects.h"

#include <cstdio>

#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCItemPart.h"
#include "cafe/ActorParams.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCClient.h"
#include "cafe/ZCBoss.h"
#include "cafe/ZCStatus.h"
#include "cafe/ZCWorker.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"

void RegisterCafeItemClasses() {
  RegisterItemClass("boss", &ZCBoss::Create);
  RegisterItemClass("tray", &ZCTray::Create);
  RegisterItemClass("trash_bin", &ZCTrash::Create);
  RegisterItemClass("period_item", &ZCPeriodItem::Create);
  RegisterItemClass("item_bonus", &ZCItemBonus::Create);
  RegisterItemClass("client", &ZCClientStand::Create);
  RegisterItemClass("client_sit", &ZCClientSit::Create);
  RegisterItemClass("worker", &ZCWorker::Create);
  RegisterItemClass("status_bubble", &ZCStatus_Bubble::Create);
  RegisterItemClass("status_hp_client", &ZCStatus_HP_Client::Create);
  RegisterItemClass("status_hp_worker", &ZCStatus_HP_Worker::Create);
}

void ResetCafeWorld() {
  // Visitors: their registry, the list of those present and both free lists.
  ResetVisitorWorld();
  // Workers: their registry, and the worker blocks unbound from them.
  ClearWorkers();
}

std::string ReadThing(const XmlNode& node) {
  char buf[260] = "";
  GetAttrString(node, L"thing", buf, sizeof buf);
  return buf;
}

// ---- Tray ----

void ZCTray::ReadItem(const XmlNode& node) {
  ZCPickItem::ReadItem(node);
  mCode = ReadThing(node);
}

void ZCTray::Activate(bool active) {
  ZCPickItem::Activate(active);
  if (active) SetTrayState(0);
}

void ZCTray::SetTrayState(int32_t state) {
  if (mChanging) return;
  mChanging = true;
  mState = state;
  PlayAnimation(state == 1 ? "activation" : "idle", false);
  mChanging = false;
}

void ZCTray::ArmAnimRestart(ZCItemPart* part, const std::string& animation) {
  ZCPickItem::ArmAnimRestart(part, animation);
  SetTrayState(0);
}

bool ZCTray::Interact(ZCItem* other, bool dryRun, int32_t*) {
  if (!dynamic_cast<ZCBoss*>(other)) return false;
  if (dryRun) return true;
  SetTrayState(1);
  if (ZCBoard_Game3* board = GetCafeBoard()) board->GetTutorial().ApplyRule(5);
  return false;
}

// ---- Trash bin ----

void ZCTrash::ReadItem(const XmlNode& node) { ZCPickItem::ReadItem(node); }

bool ZCTrash::Interact(ZCItem* other, bool dryRun, int32_t*) {
  auto* boss = dynamic_cast<ZCBoss*>(other);
  if (!boss || boss->GetName() != "boss") return false;
  if (boss->GetFirstHand().empty() && boss->GetSecondHand().empty()) return false;
  if (dryRun) return true;
  SetTrayState(1);
  return false;
}

// ---- Period item ----

void ZCPeriodItem::ReadItem(const XmlNode& node) {
  ZCPickItem::ReadItem(node);
  mCode = ReadThing(node);
  mParams = FindPeriodParams(mName);
  if (!mParams) LogMessage("WARNING: ZCPeriodItem: no period_item parameters for '%s'", mName.c_str());
}

void ZCPeriodItem::StartWait() {
  const float lo = mParams ? mParams->mTimeoutMin : 0, hi = mParams ? mParams->mTimeoutMax : 0;
  mWait.SetTimeout(RandomFloat(lo, hi));
}

void ZCPeriodItem::Activate(bool active) {
  ZCPickItem::Activate(active);
  if (!active) return;
  mState = 0;
  PlayAnimation("idle", false);
  StartWait();
}

void ZCPeriodItem::Update() {
  ZCPickItem::Update();
  if (IsVisible() && mState == 0 && !mWait.IsRunning()) SetPeriodState(1);
}

void ZCPeriodItem::SetPeriodState(int32_t state) {
  if (mChanging) return;
  mChanging = true;
  const int32_t from = mState;
  mState = state;
  if (state == 0) {
    PlayAnimation(from == 0 ? "idle" : "deactivation", false);
    if (from == 1) StartWait();
  } else {
    PlayAnimation(from == 0 ? "activation" : "ready", false);
  }
  mChanging = false;
}

void ZCPeriodItem::ArmAnimRestart(ZCItemPart* part, const std::string& animation) {
  ZCPickItem::ArmAnimRestart(part, animation);
  if (animation == "activation" || animation == "deactivation") SetPeriodState(mState);
}

bool ZCPeriodItem::Interact(ZCItem* other, bool dryRun, int32_t*) {
  auto* boss = dynamic_cast<ZCBoss*>(other);
  if (!boss || boss->GetName() != "boss") return false;
  if (!boss->GetFirstHand().empty() && !boss->GetSecondHand().empty()) return false;
  if (mState != 1) return false;
  if (dryRun) return true;
  SetPeriodState(0);
  return false;
}

// ---- Floating money ----

void ZCItemBonus::Activate(bool active) {
  ZCItem::Activate(active);
  if (!active) return;
  for (auto& part : mParts) {
    part->PlayAnimation("idle", false);
    part->SetText(L"$", 100, 30);
    part->SetVisible(false);
  }
}

ZCItemPart* ZCItemBonus::FindFreePart() const {
  for (int32_t i = 0;; ++i) {
    ZCItemPart* part = FindPart("cash", i);
    if (!part) return nullptr;
    if (!part->IsVisible()) return part;
  }
}

void ZCItemBonus::ShowMoney(ZCItem* owner, int32_t amount) {
  if (amount == 0 || !owner) return;
  ZCItemPart* part = FindFreePart();
  if (!part) return;
  // The part stands over the owner: its offset is taken from the money item's own place.
  const BoardPoint at = owner->GetBasePoint({0, 0});
  const BoardPoint self = GetBasePoint({0, 0});
  part->SetOffset({SaturatingAdd(at.x, -int64_t(self.x)), SaturatingAdd(at.y, -int64_t(self.y))});
  char text[32];
  std::snprintf(text, sizeof text, amount > 0 ? "$%+i" : "$%i", amount);
  part->SetText(std::wstring(text, text + std::char_traits<char>::length(text)), 204, 30);
  part->SendEffectMessage(amount > 0 ? "on_cash" : "on_penalty");
  part->SetVisible(true);
  TraceBoardEvent("money %s %s", owner->GetName().c_str(), text);
}
