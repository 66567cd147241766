#include "cafe/ZCClient.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "board/BoardWorld.h"
#include "board/EventSchedule.h"
#include "board/ZCItemPart.h"
#include "cafe/ActorParams.h"
#include "cafe/CafeObjects.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCBoss.h"
#include "engine/ZCEngine.h"
#include "shell/DevSettings.h"
#include "shell/Log.h"
#include "sound/SoundManager.h"

namespace {

std::map<std::string, ZCClient*> gRegistry;
std::vector<ZCClient*> gPresent;
std::vector<ZCClient*> gStandFree;
std::vector<ZCClient*> gSitFree;
// Records of skins cfg.xml lacks: kept for the whole run (visitors point into them), reported
// once until the next reset.
std::map<std::string, ClientParams> gZeroed;
std::set<std::string> gReported;

void Erase(std::vector<ZCClient*>& list, ZCClient* client) { std::erase(list, client); }

bool Contains(const std::vector<ZCClient*>& list, const ZCClient* client) {
  return std::find(list.begin(), list.end(), client) != list.end();
}

// Patience crossed one of the colour levels: upward (old at or below, new above) or downward.
bool CrossedUp(float from, float to) {
  const ClientsConfig& c = GetClientsConfig();
  for (float level : {c.mPatienceRed, c.mPatienceYellow, c.mPatienceGreen})
    if (from <= level && to > level) return true;
  return false;
}
bool CrossedDown(float from, float to) {
  const ClientsConfig& c = GetClientsConfig();
  for (float level : {c.mPatienceRed, c.mPatienceYellow, c.mPatienceGreen})
    if (from > level && to <= level) return true;
  return false;
}

CafeTutorial* Tutorial() {
  ZCBoard_Game3* board = GetCafeBoard();
  return board ? &board->GetTutorial() : nullptr;
}

}  // namespace

const ClientParams* ClientParamsOf(const std::string& skin) {
  auto& records = GetClientParamsMap();
  auto it = records.find(skin);
  if (it != records.end()) return &it->second;
  if (gReported.insert(skin).second) LogMessage("ERROR: Undefined client skin name: '%s'", skin.c_str());
  ClientParams& zero = gZeroed[skin];
  zero.mName = skin;
  return &zero;
}

ZCClient* FindClient(const std::string& name) {
  auto it = gRegistry.find(name);
  return it == gRegistry.end() ? nullptr : it->second;
}

bool AnyVisitorsPresent() { return !gPresent.empty(); }

bool AnyVisitorOfKind(bool seated) {
  if (!(seated ? gSitFree : gStandFree).empty()) return true;
  for (ZCClient* client : gPresent)
    if ((dynamic_cast<ZCClientSit*>(client) != nullptr) == seated) return true;
  return false;
}

const std::vector<ZCClient*>& GetPresentVisitors() { return gPresent; }

void ChangeAllPatience(int32_t mode, float amount, ZCClient* except) {
  // A copy: a change may send a visitor away.
  const std::vector<ZCClient*> present = gPresent;
  for (ZCClient* client : present) {
    if (!client->IsActive()) continue;
    if (mode == 1)
      client->ChangePatience(amount);
    else if (mode == 2 && client != except)
      client->ChangePatience(-amount);
  }
}

size_t CountVisitorEntries() { return gRegistry.size() + gPresent.size() + gStandFree.size() + gSitFree.size(); }

void ResetVisitorWorld() {
  gRegistry.clear();
  gPresent.clear();
  gStandFree.clear();
  gSitFree.clear();
  gReported.clear();
}

// ---- ZCClient ----

ZCClient::ZCClient() = default;

ZCClient::~ZCClient() {
  ReleaseEvent();
  LeaveLists();
}

void ZCClient::Unregister() {
  if (!mRegistered) return;
  auto it = gRegistry.find(mName);
  if (it != gRegistry.end() && it->second == this) gRegistry.erase(it);
  mRegistered = false;
}

void ZCClient::LeaveLists() {
  Unregister();
  Erase(gPresent, this);
  Erase(gStandFree, this);
  Erase(gSitFree, this);
}

bool ZCClient::IsPresent() const { return Contains(gPresent, this); }

void ZCClient::ReadItem(const XmlNode& node) {
  ZCItem::ReadItem(node);
  mRegistered = gRegistry.emplace(mName, this).second;
}

void ZCClient::ClearParts() {
  Unregister();
  mPlace = nullptr;
  mMoneyPart = nullptr;
  ZCItem::ClearParts();
}

void ZCClient::ReleaseEvent() {
  ScheduleEvent* event = mEvent;
  mEvent = nullptr;
  if (event) event->Release();
}

void ZCClient::SetVisibleFlag(bool visible) {
  ZCItem::SetVisibleFlag(visible);
  if (!visible && mRunning && IsPresent()) OnAbsent();
}

void ZCClient::JoinFreeList() {
  std::vector<ZCClient*>& free = FreeList();
  if (!Contains(free, this)) free.push_back(this);
}

void ZCClient::OnPresent() {
  Erase(FreeList(), this);
  if (!IsPresent()) gPresent.push_back(this);
}

void ZCClient::OnAbsent() {
  Erase(gPresent, this);
  JoinFreeList();
  mReusePause.SetTimeout(GetGameLevelValues().mClientPause);
}

void ZCClient::Activate(bool active) {
  if (!active) return;
  // A visitor still in play from an earlier run of the level leaves it without a word.
  ReleaseEvent();
  Erase(gPresent, this);
  ZCItem::SetVisibleFlag(false);
  mState = kAway;
  mCode.clear();
  mParams = nullptr;
  mHappy = true;
  mPatience = 100.0f;
  mReusePause.SetTimeout(0);
  const std::string prefix = NamePrefix();
  const std::string rest = IsNamed(prefix) ? mName.substr(prefix.size()) : std::string();
  mPlace = ZCItem::FindByName(PlacePrefix() + rest);
  mMoneyPart = mPlace ? mPlace->FindPart("client_money", 0) : nullptr;
  if (!mPlace) LogMessage("WARNING: visitor '%s' has no place '%s%s'", mName.c_str(), PlacePrefix(), rest.c_str());
  if (mMoneyPart) mMoneyPart->SetVisible(false);
  FindShadows();
  ShowShadows(false);
  JoinFreeList();
}

bool ZCClient::SpawnFrom(std::vector<ZCClient*>& free, ScheduleEvent* event, int32_t orderPos, float patience) {
  if (!event) return false;
  for (ZCClient* client : free) {
    if (client->mReusePause.IsRunning()) continue;
    client->Take(event, orderPos, patience);
    return true;
  }
  return false;
}

void ZCClient::Join(ScheduleEvent* event, float patience) {
  OnPresent();
  mVip = event->mVip;
  mPatience = patience;
  if (event->mPersons[0].empty()) LogMessage("WARNING: Client skin not defined!");
}

void ZCClient::Hold(ScheduleEvent* event, int32_t orderPos) {
  event->AddRef();
  mEvent = event;
  mOrderPos = orderPos > 0 ? size_t(orderPos) : 0;
  mCode.clear();
  SetState(kWaiting);
}

void ZCClient::Take(ScheduleEvent* event, int32_t orderPos, float patience) {
  Join(event, patience);
  SetSkin(event->mPersons[0], true);
  for (auto& part : mParts) part->BindSkinTextures();
  Hold(event, orderPos);
}

void ZCClient::ReloadParams() { mParams = ClientParamsOf(mSkin); }

void ZCClient::SetIdleRestartRules() {
  if (!mParams) return;
  for (const char* idle : {"idle_green", "idle_yellow", "discontent"})
    SetAnimRestart(idle, mParams->mIdleStopFrame, mParams->mIdleRestartMin, mParams->mIdleRestartMax);
}

void ZCClient::Arrive() {
  SetVisible(true);
  ReloadParams();
  if (mParams && mParams->mOverridden) mPatience = mParams->mStartPatience;
  SetIdleRestartRules();
  Play("pack");
  ShowShadows(true);
  PlaySound("client_spawn");
}

void ZCClient::StartDeciding() {
  ReloadParams();
  mStateClock.SetTimeout(mParams ? mParams->mDecisionTime : 0);
  Play("idle_thinking");
}

void ZCClient::GoAway() {
  mCode.clear();
  SetVisible(false);
  mParams = nullptr;
  ShowShadows(false);
  ReleaseEvent();
}

void ZCClient::Play(const std::string& animation) {
  mAnim = animation;
  PlayAnimation(animation, false);
}

void ZCClient::PlaySound(const char* name) {
  ZCEngine* engine = GetEngine();
  if (SoundManager* sounds = engine ? engine->GetSoundManager() : nullptr) sounds->PlaySound(name);
}

void ZCClient::PlayIdle() {
  const ClientsConfig& c = GetClientsConfig();
  Play(mPatience > c.mPatienceGreen ? "idle_green" : mPatience > c.mPatienceYellow ? "idle_yellow" : "discontent");
}

bool ZCClient::HasNextOrder() const { return mEvent && mOrderPos < mEvent->mOrders.size(); }

bool ZCClient::TakeNextOrder() {
  if (!HasNextOrder()) return false;
  mCode = mEvent->mOrders[mOrderPos++];
  return true;
}

int32_t ZCClient::MoneyByColour(const ClientParams& params) const {
  const ClientsConfig& c = GetClientsConfig();
  if (mPatience > c.mPatienceGreen) return params.mMoneyGreen;
  if (mPatience > c.mPatienceYellow) return params.mMoneyYellow;
  return params.mMoneyRed;
}

void ZCClient::SetState(int32_t state) {
  if (mChanging) return;
  mChanging = true;
  const int32_t from = mState;
  OnStateChange(from, state);
  if (from == kAway && state == kWaiting) {
    ReloadParams();
    mScandalClock.SetTimeout(mParams ? mParams->mScandalTime : 0);
    mBubbleClock.SetTimeout(0);
    mHappy = true;
  } else if (from == kDeciding && state == kWaiting) {
    PlaySound("client_ready");
    if (CafeTutorial* tutorial = Tutorial()) tutorial->ApplyRule(4);
    TraceBoardEvent("visitor %s orders %s", mName.c_str(), mCode.empty() ? "nothing" : mCode.c_str());
  } else if (state == kAway && (from == kWaiting || from == kDeciding)) {
    Play(mHappy ? "go_happy" : "go_unhappy");
    ReleaseEvent();
  }
  mState = state;
  mChanging = false;
  if (from != state) TraceBoardEvent("visitor %s state %d>%d", mName.c_str(), int(from), int(state));
}

void ZCClient::TakeBackOrder() {
  SetCode("");
  RewindOrders();
  if (mState != kDeciding) return;
  // Not through SetState: from deciding to waiting the visitor would take its next order.
  mStateClock.SetTimeout(0);
  mState = kWaiting;
  PlayIdle();
  TraceBoardEvent("visitor %s state %d>%d", mName.c_str(), int(kDeciding), int(kWaiting));
}

void ZCClient::ChangePatience(float delta) {
  if (delta < 0 && !IsEventAllowed(1)) delta = 0;
  const float old = mPatience;
  ZCBoard_Game3* board = GetCafeBoard();
  if (board && board->IsFrozen()) {
    // The ice bonus: nothing is lost, and a running scandal clock stands still.
    if (delta > 0) mPatience += delta;
    if (mScandalClock.IsRunning()) mScandalClock.AddTime(GetGameStep());
  } else {
    mPatience += delta;
  }
  if (mPatience > 100.0f) mPatience = 100.0f;
  if (mPatience < 0.0f) {
    mPatience = 0.0f;
    mHappy = false;
  }
  if (mPatience > old && CrossedUp(old, mPatience)) SetState(mState);
}

void ZCClient::Update() {
  if (IsActive() && mState == kWaiting) {
    if (!mHappy) {
      if (ZCBoard_Game3* board = GetCafeBoard()) board->GetGoals().ClearNoVisitorLost();
      Settle();
      SetState(kAway);
    } else {
      const float old = mPatience;
      ChangePatience(-((mParams ? mParams->mPatienceSpeed : 0.0f) * GetGameStep()));
      if (CrossedDown(old, mPatience)) SetState(kWaiting);
      if (mParams && mPatience <= mParams->mScandalLevel && !mScandalClock.IsRunning()) {
        mScandalClock.SetTimeout(mParams->mScandalTime);
        TraceBoardEvent("visitor %s scandal", mName.c_str());
        ChangeAllPatience(2, GetClientsConfig().mScandalEffect, this);
        mBubbleClock.SetTimeout(GetClientsConfig().mScandalBubbleTime);
        if (mState == kWaiting && mAnim != "scandal") {
          Play("scandal");
          PlaySound("client_scandal");
        }
      }
    }
  }
  ZCItem::Update();
}

void ZCClient::Settle() {
  ZCBoard_Game3* board = GetCafeBoard();
  int32_t amount = 0;
  if (mHappy) {
    amount = GetPayment();
    OnPaid();
    if (mMoneyPart) {
      mMoneyPart->SetVisible(true);
      mMoneyPart->PlayAnimation("activation", false);
    }
    PlaySound("client_positiv");
    TraceBoardEvent("visitor %s pays %d", mName.c_str(), int(amount));
  } else {
    amount = GetLoss();
    PlaySound("client_negativ");
    TraceBoardEvent("visitor %s loses %d", mName.c_str(), int(amount));
    if (board) {
      board->LoseLife();
      if (mVip) {
        board->SetVipLost();
        TraceBoardEvent("vip lost");
      }
    }
  }
  if (auto* bonus = dynamic_cast<ZCItemBonus*>(GetBoardWorld().mBonus)) bonus->ShowMoney(this, amount);
  if (ZCBoard_Game* game = GetGameBoard()) game->AddMoney(amount);
  if (CafeTutorial* tutorial = Tutorial()) tutorial->ApplyRule(3);
}

bool ZCClient::WantsProduct(const std::string& first, const std::string& second) {
  if (mCode.empty()) return false;
  const DevSettings& dev = GetDevSettings();
  for (const std::string* code : {&first, &second})
    if (!code->empty() && (*code == mCode || *code == "super" || (dev.mDevMode && dev.mFoodAll))) return true;
  return false;
}

bool ZCClient::Interact(ZCItem* other, bool dryRun, int32_t*) {
  auto* boss = dynamic_cast<ZCBoss*>(other);
  if (!boss || !IsActive() || mState != kWaiting) return false;
  if (mCode.empty()) {
    if (!dryRun) SetState(kDeciding);
    return true;
  }
  const DevSettings& dev = GetDevSettings();
  if (dev.mDevMode) LogMessage("Client wants '%s'", mCode.c_str());
  std::string first = boss->GetFirstHand(), second = boss->GetSecondHand();
  // An empty hand never serves, whatever the switches say.
  if (!first.empty() && (first == mCode || first == "super" || (dev.mDevMode && dev.mFoodAll)))
    first.clear();
  else if (!second.empty() && (second == mCode || second == "super"))
    second.clear();
  else
    return false;
  if (dryRun) return true;
  if (first.empty() && !second.empty())
    boss->SetHands(second, "");
  else
    boss->SetHands(first, second);
  TraceBoardEvent("visitor %s served %s", mName.c_str(), mCode.c_str());
  OnServed();
  return true;
}

void ZCClient::OnServed() {
  Settle();
  SetState(HasNextOrder() ? kDeciding : kAway);
}

void ZCClient::SetHighlight(const BoardPoint& point, bool highlighted) {
  ZCItem::SetHighlight(point, highlighted);
  if (!highlighted || mState != kWaiting || mAnim == "direct_green" || mAnim == "direct_yellow") return;
  Play(mPatience <= GetClientsConfig().mPatienceYellow ? "direct_yellow" : "direct_green");
}

void ZCClient::ArmAnimRestart(ZCItemPart* part, const std::string& animation) {
  ZCItem::ArmAnimRestart(part, animation);
  if (!part || (part->GetName() != "client_stand_up" && part->GetName() != "client_sitting_up")) return;
  if (animation == "pack" && mState == kWaiting)
    Play("direct_green");
  else if (animation == "direct_green" || animation == "direct_yellow" || animation == "scandal")
    SetState(mState);
}

bool ZCClient::GetLevel(float& level) {
  if (!IsActive()) return false;
  level = mPatience;
  return true;
}

bool ZCClient::GetBubbleName(std::string& name) {
  if (mState == kAway) return false;
  if (mBubbleClock.IsRunning()) {
    name = "scandal";
    return true;
  }
  switch (mState) {
    case kWaiting:
      name = mCode.empty() ? "ready" : mCode;
      return true;
    case kDeciding:
      name = "think";
      return true;
    default:
      return false;
  }
}

bool ZCClient::GetIconName(std::string& name) {
  if (mBubbleClock.IsRunning())
    name = "aggro";
  else
    name = !mCode.empty() && HasNextOrder() ? "multi_client" : "client";
  return true;
}

// ---- The standing visitor ----

std::vector<ZCClient*>& ZCClientStand::FreeList() const { return gStandFree; }

bool ZCClientStand::Spawn(ScheduleEvent* event, int32_t orderPos, float patience) {
  return SpawnFrom(gStandFree, event, orderPos, patience);
}

void ZCClientStand::Activate(bool active) {
  mBar = nullptr;
  ZCClient::Activate(active);
  if (!active) return;
  mBar = mPlace ? mPlace->FindPart("bar", 0) : nullptr;
  if (mBar) mBar->SetVisible(false);
}

void ZCClientStand::FindShadows() {
  const std::string suffix = mName.size() >= 2 ? mName.substr(mName.size() - 2) : mName;
  mShadow = mPlace ? mPlace->FindPart("bar01_shadow" + suffix, 0) : nullptr;
}

void ZCClientStand::ShowShadows(bool show) {
  if (!mShadow) return;
  mShadow->SetVisible(show);
  if (show) mShadow->PlayAnimation("shadow", false);
}

void ZCClientStand::OnStateChange(int32_t from, int32_t to) {
  if (from == kAway && to == kWaiting) {
    if (mBar) mBar->SetVisible(true);
    Arrive();
  } else if (to == kWaiting && (from == kWaiting || from == kDeciding)) {
    if (from == kDeciding) TakeNextOrder();
    PlayIdle();
  } else if (from == kWaiting && to == kDeciding) {
    StartDeciding();
  } else if (to == kAway && (from == kWaiting || from == kDeciding)) {
    GoAway();
    if (mBar) mBar->SetVisible(false);
  }
}

void ZCClientStand::Update() {
  if (mState == kDeciding && !mStateClock.IsRunning()) SetState(kWaiting);
  ZCClient::Update();
}

void ZCClientStand::OnPaid() {
  if (mParams) ChangePatience(mParams->mBonusTimeEffect);
}

int32_t ZCClientStand::GetPayment() const { return mParams ? MoneyByColour(*mParams) : 0; }

int32_t ZCClientStand::GetLoss() const { return mParams ? -mParams->mLossesMoney : 0; }

// ---- The seated group ----

std::vector<ZCClient*>& ZCClientSit::FreeList() const { return gSitFree; }

bool ZCClientSit::Spawn(ScheduleEvent* event, int32_t orderPos, float patience) {
  return SpawnFrom(gSitFree, event, orderPos, patience);
}

void ZCClientSit::Take(ScheduleEvent* event, int32_t orderPos, float patience) {
  for (int32_t i = 0; i < kMembers; ++i) {
    mMembers[i] = event->mPersons[i];
    const std::string& skin = mMembers[i].empty() ? std::string("empty") : mMembers[i];
    for (const char* name : {"client_sitting_up", "client_sitting_down", "client_sitting_head"})
      if (ZCItemPart* part = FindPart(name, i)) {
        part->SetSkin(skin);
        part->BindSkinTextures();
      }
  }
  // The item's own skin (the first member's) would overwrite the members' on the parts.
  Join(event, patience);
  mSkin = event->mPersons[0];
  Hold(event, orderPos);
}

void ZCClientSit::FindShadows() {
  for (int32_t i = 0; i < kMembers; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "client_table01_shadow%02d", int(i + 1));
    mShadows[i] = mPlace ? mPlace->FindPart(name, 0) : nullptr;
  }
}

void ZCClientSit::ShowShadows(bool show) {
  for (int32_t i = 0; i < kMembers; ++i)
    if (mShadows[i]) mShadows[i]->SetVisible(show && !mMembers[i].empty());
}

void ZCClientSit::OnStateChange(int32_t from, int32_t to) {
  if (from == kAway && to == kWaiting) {
    Arrive();
  } else if (to == kWaiting && (from == kWaiting || from == kDeciding || from == kEating)) {
    if (from != kWaiting) TakeNextOrder();
    PlayIdle();
  } else if (to == kDeciding && (from == kWaiting || from == kEating)) {
    StartDeciding();
  } else if (from == kWaiting && to == kEating) {
    ReloadParams();
    mStateClock.SetTimeout(mParams ? mParams->mEatingTime : 0);
    ChangePatience(mParams ? mParams->mBonusTimeEffect : 0);
    Play("eating_process");
  } else if (to == kAway && (from == kWaiting || from == kEating)) {
    GoAway();
    Play(mHappy ? "go_happy" : "go_unhappy");
  }
}

void ZCClientSit::Update() {
  if (mState == kDeciding && !mStateClock.IsRunning()) {
    SetState(kWaiting);
  } else if (mState == kEating && !mStateClock.IsRunning()) {
    Settle();
    if (!HasNextOrder())
      SetState(kAway);
    else if (mParams && mParams->mDecisionTime > 0)
      SetState(kDeciding);
    else
      SetState(kWaiting);
  }
  ZCClient::Update();
}

void ZCClientSit::OnServed() { SetState(kEating); }

int32_t ZCClientSit::GetPayment() const {
  int32_t best = 0;
  bool any = false;
  for (const std::string& member : mMembers) {
    if (member.empty()) continue;
    const int32_t money = MoneyByColour(*ClientParamsOf(member));
    best = any ? std::max(best, money) : money;
    any = true;
  }
  return best;
}

int32_t ZCClientSit::GetLoss() const {
  int32_t worst = 0;
  for (const std::string& member : mMembers)
    if (!member.empty()) worst = std::max(worst, ClientParamsOf(member)->mLossesMoney);
  return -worst;
}
