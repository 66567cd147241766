#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "board/ZCItem.h"
#include "cafe/CafeActor.h"
#include "cafe/ZIStatSrc.h"
#include "effects/GameClock.h"

class ScheduleEvent;
class ZCItemPart;
struct ClientParams;

// The café's visitors. A standing visitor ("client") waits at the counter; a seated group
// ("client_sit") of up to four members sits at a table and also eats. Each takes one schedule
// event (holding it until it leaves), waits for the heroine to take its order, thinks, shows
// what it wants and loses patience meanwhile; served, it pays by the colour of its patience,
// else it leaves unhappy and costs money (and, in survival, a life). An impatient visitor makes
// a scandal that drains the patience of the others.
//
// States: 0 away or leaving, 1 waiting (patience falls only here), 2 deciding, 3 eating.
//
// Every visitor is in the visitor registry by name from its reading on, in the free list of its
// kind while it is not in play, and in the list of visitors present while it is. Each leaves
// all of them in its destructor; a level clear and ResetVisitorWorld empty them.
class ZCClient : public ZCItem, public ZIStatSrc, public CafeActor {
 public:
  enum State : int32_t { kAway = 0, kWaiting = 1, kDeciding = 2, kEating = 3 };

  ZCClient();
  ~ZCClient() override;

  // ZCItem.
  void SetVisibleFlag(bool visible) override;
  void Activate(bool active) override;
  void ArmAnimRestart(ZCItemPart* part, const std::string& animation) override;
  bool IsBusy() const override { return mState == kDeciding; }
  void SetHighlight(const BoardPoint& point, bool highlighted) override;
  void ReadItem(const XmlNode& node) override;
  void ClearParts() override;
  void Update() override;
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;

  // ZIStatSrc.
  bool IsActive() override { return mState != kAway; }
  bool IsInProgress() override { return mState == kDeciding; }
  bool HasExtra() override { return false; }
  bool GetLevel(float& level) override;
  bool GetBubbleName(std::string& name) override;
  bool GetIconName(std::string& name) override;
  bool GetProduct(std::string&) override { return false; }
  // The actor interface's product (none for a visitor) stays in sight beside the one above.
  using CafeActor::GetProduct;

  // CafeActor.
  bool IsVisitor() const override { return true; }
  int32_t GetActorState() const override { return mState; }
  // The order is the first or the second code (never an empty one), or one of them is "super".
  bool WantsProduct(const std::string& first, const std::string& second) override;

  // Changes the state (a call made while one runs is ignored).
  void SetState(int32_t state);
  // Adds to the patience (see the rules in the source).
  void ChangePatience(float delta);
  virtual int32_t GetPayment() const = 0;
  virtual int32_t GetLoss() const = 0;
  ZCItem* GetPlaceItem() const { return mPlace; }
  bool IsHovered() const { return IsHighlighted(); }

  int32_t GetState() const { return mState; }
  float GetPatience() const { return mPatience; }
  bool IsHappy() const { return mHappy; }
  bool IsVip() const { return mVip; }
  const ClientParams* GetParams() const { return mParams; }
  ScheduleEvent* GetEvent() const { return mEvent; }
  // The animation the visitor asked for last (whether or not a part could play it).
  const std::string& GetClientAnim() const { return mAnim; }
  const GameClock& GetScandalClock() const { return mScandalClock; }
  const GameClock& GetReusePause() const { return mReusePause; }
  bool IsPresent() const;
  // The orders start again from the first.
  void RewindOrders() { mOrderPos = 0; }
  // The order taken back: a visitor deciding or showing its order waits again with no order
  // (the bell in its bubble) until the heroine takes the order anew.
  void TakeBackOrder();

 protected:
  // The kind's part of a state change, run before the common part.
  virtual void OnStateChange(int32_t from, int32_t to) = 0;
  // "client_place" or "client_sit_place": the place item's name is it + the rest of the
  // visitor's name after "client" or "client_sit".
  virtual const char* PlacePrefix() const = 0;
  virtual const char* NamePrefix() const = 0;
  virtual void FindShadows() = 0;
  virtual void ShowShadows(bool show) = 0;
  virtual void OnPaid() {}
  // The heroine handed over the order: the standing visitor pays and orders again or goes; the
  // group eats first.
  virtual void OnServed();
  // Joins the list of visitors present; leaves it and goes back to the kind's free list.
  virtual void OnPresent();
  virtual void OnAbsent();
  // The kind's free list.
  virtual std::vector<ZCClient*>& FreeList() const = 0;

  // Takes a free visitor of the list for the event: false when none is free.
  static bool SpawnFrom(std::vector<ZCClient*>& free, ScheduleEvent* event, int32_t orderPos, float patience);
  // Binds the skin and members of the event; then state 1.
  virtual void Take(ScheduleEvent* event, int32_t orderPos, float patience);
  // The kinds' common parts of taking an event: present with its VIP flag and the patience;
  // then, after the skin, the hold on the event, the order position, no order and state 1.
  void Join(ScheduleEvent* event, float patience);
  void Hold(ScheduleEvent* event, int32_t orderPos);
  // The kinds' common parts of arriving (shown, parameters, restart rules, "pack", shadows,
  // sound), of starting to decide, and of going (no order, hidden, shadows off, hold given back).
  void Arrive();
  void StartDeciding();
  void GoAway();
  void Play(const std::string& animation);
  void PlaySound(const char* name);
  // The idle animation of the patience's colour.
  void PlayIdle();
  // The next order into the code; false when the list has none left.
  bool TakeNextOrder();
  bool HasNextOrder() const;
  // Pays or costs and books it.
  void Settle();
  // Gives the event's hold back, once.
  void ReleaseEvent();
  void LeaveLists();
  // Leaves the visitor registry (when it is the one registered under its name).
  void Unregister();
  // Joins the kind's free list, once.
  void JoinFreeList();
  // The money by colour of the patience from the record.
  int32_t MoneyByColour(const ClientParams& params) const;
  void ReloadParams();
  void SetIdleRestartRules();

  int32_t mState = kAway;
  const ClientParams* mParams = nullptr;
  ScheduleEvent* mEvent = nullptr;
  size_t mOrderPos = 0;
  ZCItem* mPlace = nullptr;
  ZCItemPart* mMoneyPart = nullptr;
  bool mHappy = true;
  float mPatience = 100.0f;
  GameClock mStateClock;
  GameClock mScandalClock;
  GameClock mBubbleClock;
  GameClock mReusePause;
  bool mVip = false;
  bool mChanging = false;
  bool mRegistered = false;
  std::string mAnim;
};

// A standing visitor at the counter, with the "bar" part and a shadow of its place.
class ZCClientStand : public ZCClient {
 public:
  static ZCItem* Create() { return new ZCClientStand(); }
  // Takes the first free standing visitor whose re-use pause is over: false when none.
  static bool Spawn(ScheduleEvent* event, int32_t orderPos, float patience);

  void Activate(bool active) override;
  void Update() override;
  int32_t GetPayment() const override;
  int32_t GetLoss() const override;

 protected:
  void OnStateChange(int32_t from, int32_t to) override;
  const char* PlacePrefix() const override { return "client_place"; }
  const char* NamePrefix() const override { return "client"; }
  void FindShadows() override;
  void ShowShadows(bool show) override;
  void OnPaid() override;
  std::vector<ZCClient*>& FreeList() const override;

  ZCItemPart* mBar = nullptr;
  ZCItemPart* mShadow = nullptr;
};

// A seated group of up to four members at a table. Its own skin, patience speed, decision and
// eating times are the first member's; payment and loss are the largest over the members.
class ZCClientSit : public ZCClient {
 public:
  static constexpr int32_t kMembers = 4;
  static ZCItem* Create() { return new ZCClientSit(); }
  static bool Spawn(ScheduleEvent* event, int32_t orderPos, float patience);

  void Update() override;
  int32_t GetPayment() const override;
  int32_t GetLoss() const override;
  const std::string& GetMember(int32_t i) const { return mMembers[i]; }

 protected:
  void OnStateChange(int32_t from, int32_t to) override;
  void OnServed() override;
  void Take(ScheduleEvent* event, int32_t orderPos, float patience) override;
  const char* PlacePrefix() const override { return "client_sit_place"; }
  const char* NamePrefix() const override { return "client_sit"; }
  void FindShadows() override;
  void ShowShadows(bool show) override;
  std::vector<ZCClient*>& FreeList() const override;

  std::string mMembers[kMembers];
  ZCItemPart* mShadows[kMembers] = {nullptr, nullptr, nullptr, nullptr};
};

// The visitor registered under the item name, or null.
ZCClient* FindClient(const std::string& name);
// True while any visitor is in the café.
bool AnyVisitorsPresent();
// True when the level has a visitor of the kind (seated groups or standing visitors), free,
// pausing or present.
bool AnyVisitorOfKind(bool seated);
// The visitors present, in the order they came.
const std::vector<ZCClient*>& GetPresentVisitors();
// Mode 1: every active present visitor gains amount; mode 2: every one but except loses it.
void ChangeAllPatience(int32_t mode, float amount, ZCClient* except = nullptr);
// Entries in the visitor registry, the list present and both free lists, together.
size_t CountVisitorEntries();
// Empties the visitor registry, the list of visitors present and both free lists, and forgets
// the skins already reported as unknown (level clear, tests).
void ResetVisitorWorld();
// The record of the skin; a skin without one gets a zeroed record of its own, reported once.
const ClientParams* ClientParamsOf(const std::string& skin);
