#pragma once
#include <cstdint>
#include <string>

#include "board/ZCPickItem.h"
#include "effects/GameClock.h"

struct PeriodParams;
class XmlNode;

// The small objects of the café the heroine visits. Each answers whether it takes part in a
// visit and plays its own reaction; the heroine's rules decide what she takes or throws away.

// A dispenser: a machine, material or the wash stand holding the code of its "thing". It plays
// "activation" when the heroine takes from it and "idle" again when that ends.
class ZCTray : public ZCPickItem {
 public:
  static ZCItem* Create() { return new ZCTray(); }
  void Activate(bool active) override;
  void ArmAnimRestart(ZCItemPart* part, const std::string& animation) override;
  void ReadItem(const XmlNode& node) override;
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;
  // 0 idle, 1 reacting.
  void SetTrayState(int32_t state);
  int32_t GetTrayState() const { return mState; }

 protected:
  int32_t mState = 0;
  bool mChanging = false;
};

// The trash bin: reacts when the heroine throws away what she holds.
class ZCTrash : public ZCTray {
 public:
  static ZCItem* Create() { return new ZCTrash(); }
  void ReadItem(const XmlNode& node) override;
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;
};

// A period item: after a random wait it becomes available ("activation", then "ready"), can be
// collected once ("deactivation", then "idle") and starts a fresh wait.
class ZCPeriodItem : public ZCPickItem {
 public:
  static ZCItem* Create() { return new ZCPeriodItem(); }
  void Activate(bool active) override;
  void ArmAnimRestart(ZCItemPart* part, const std::string& animation) override;
  void ReadItem(const XmlNode& node) override;
  void Update() override;
  bool Interact(ZCItem* other, bool dryRun, int32_t* scratch) override;
  // 0 waiting, 1 available.
  void SetPeriodState(int32_t state);
  int32_t GetPeriodState() const { return mState; }
  const GameClock& GetWaitClock() const { return mWait; }

 private:
  void StartWait();

  const PeriodParams* mParams = nullptr;
  GameClock mWait;
  int32_t mState = 0;
  bool mChanging = false;
};

// The floating money: its "cash" parts rise as texts over the visitor who pays or costs.
class ZCItemBonus : public ZCItem {
 public:
  static ZCItem* Create() { return new ZCItemBonus(); }
  void Activate(bool active) override;
  // Shows "$+n" or "$-n" over the owner on a free "cash" part; nothing for 0, without an owner
  // or when every part is in use.
  void ShowMoney(ZCItem* owner, int32_t amount);
  // The first hidden "cash" part, or null.
  ZCItemPart* FindFreePart() const;
};

// The café's level object classes: "boss" (the heroine, in place of the plain walker), "tray",
// "trash_bin", "period_item", "item_bonus", the visitors "client" and "client_sit", "worker" and
// the status indicators "status_bubble", "status_hp_client" and "status_hp_worker". Run after
// InitItemFactoryTable.
void RegisterCafeItemClasses();
// Empties the café's own registries and lists of actors (the board world's reset cannot know
// them): tests call it beside ResetBoardWorld, and a level clear does the same.
void ResetCafeWorld();
// Reads a "thing" code (at most 259 characters).
std::string ReadThing(const XmlNode& node);
