#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/ZCIUpgrade.h"
#include "effects/ZCIEffect.h"

class XmlNode;
class ZCEffect;
class ZCItemPart;
class ZOrderResolver;

// A point of the board in whole pixels, y downwards.
struct BoardPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// a + b, held at the ends of the 32-bit range: levels may place things anywhere in it, and a
// position plus an offset must not wrap around to the other side of the board.
inline int32_t SaturatingAdd(int32_t a, int64_t b) {
  const int64_t sum = int64_t(a) + b;
  return sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : int32_t(sum);
}

// A float held inside the 32-bit range (NaN reads 0), for pixel positions and sizes.
inline int32_t ClampToInt32(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return int32_t(v);
}

// An idle animation that stops on a frame and starts again after a random pause.
struct AnimRestartRule {
  std::string mName;
  int32_t mStopFrame = 0;
  float mMinDelay = 0;
  float mMaxDelay = 0;
};

// Every object of a level: furniture, machines, places, visitors and the heroine. An item has a
// name, a position, a skin and an orientation, an optional effect and its animated parts. The
// level object factory makes items; the item registry of the board world keeps them.
class ZCItem : public ZCIEffect, public ZCIUpgrade {
 public:
  ZCItem();
  virtual ~ZCItem();
  ZCItem(const ZCItem&) = delete;
  ZCItem& operator=(const ZCItem&) = delete;

  // The create function of the class word "item".
  static ZCItem* Create();

  // ZCIEffect.
  void SetAlpha(float) override {}
  void SetScale(float) override {}
  void SetVisibleFlag(bool visible) override;
  void SetScalePointX(int32_t) override {}
  void SetScalePointY(int32_t) override {}
  ZCIEffect* SetOffsetX(int32_t x) override;
  ZCIEffect* SetOffsetY(int32_t y) override;
  const std::string& GetName() const override { return mName; }

  // ZCIUpgrade: the skin, then the current animation played again with it.
  void ApplyUpgradeSkin(const std::string& skin) override;

  // True shows the item; false does nothing here.
  virtual void Activate(bool active);
  virtual bool IsMovable() const { return false; }
  // Called when the timed action started by StartAction runs out.
  virtual void OnActionTimer(int32_t) {}
  // Called by a part whose animation reached its stop frame.
  virtual void ArmAnimRestart(ZCItemPart* part, const std::string& animation);
  virtual bool IsMoving() const { return false; }
  virtual bool IsBusy() const { return false; }
  virtual void SetHighlight(const BoardPoint& point, bool highlighted);
  virtual bool IsHighlighted() const { return mHighlighted; }
  // The starting state from the level file's "object" node of this item.
  virtual void ReadState(const XmlNode& node);
  // Every part hands its animation images to the board.
  virtual void ClearState();
  // The description from the object document's "object" node.
  virtual void ReadItem(const XmlNode& node);
  // Deletes every part, then the effect.
  virtual void ClearParts();
  virtual void Update();
  // A place forwards the interaction to the actor that owns it; false without one.
  virtual bool Interact(ZCItem* other, bool dryRun, int32_t* scratch);
  // Every part plays part name + skin + orientation + name, by exact name.
  virtual void SetPartsImageSuffix(const std::string& name);

  // Shows or hides through the effect when it handles "onshow"/"onhide", else at once.
  void SetVisible(bool show);
  void SetSkin(const std::string& name, bool toParts);
  void SetOrientation(const std::string& name, bool toParts);
  void PlayAnimation(const std::string& name, bool reorient);
  // Every part takes the item's skin and orientation, binds its images and plays the name; the
  // largest progress over the parts goes to length (-1 when no part). True when a part played.
  bool ReplayAnimation(const std::string& name, float* length = nullptr);
  void SetAnimRestart(const std::string& name, int32_t stopFrame, float minDelay, float maxDelay);
  void RemoveAnimRestart(const std::string& name);
  void SetStopFrame(int32_t frame);
  void PauseAnimations(bool pause);
  // To the item's effect, then to every part's.
  void SendEffectMessage(const std::string& name);
  // The index-th part (from 0) of that name, or null.
  ZCItemPart* FindPart(const std::string& name, int32_t index) const;
  void StartAction(float seconds, int32_t kind);
  bool HasAction() const { return mActionTime != 0; }
  void SetPosition(const BoardPoint& point) { mPos = point; }
  // Position + offset + point.
  BoardPoint GetBasePoint(const BoardPoint& point) const;
  // The name begins with the text; an empty text matches every name.
  bool IsNamed(const std::string& text) const;

  // The product code the item carries: what a machine gives, a worker made or a visitor
  // wants ("" nothing, "0000" an empty worker, two two-digit halves, "wash", "super").
  const std::string& GetCode() const { return mCode; }
  void SetCode(const std::string& code) { mCode = code; }
  bool IsVisible() const { return mVisible; }
  bool IsRunning() const { return mRunning; }
  void SetRunning(bool running) { mRunning = running; }
  const std::string& GetSkin() const { return mSkin; }
  const std::string& GetOrientation() const { return mOrientation; }
  const std::string& GetCurrentAnimation() const { return mCurrentAnim; }
  const BoardPoint& GetPosition() const { return mPos; }
  const BoardPoint& GetOffset() const { return mOffset; }
  const std::vector<std::unique_ptr<ZCItemPart>>& GetParts() const { return mParts; }
  ZCEffect* GetEffect() const { return mEffect.get(); }
  bool IsRestartArmed() const { return mRestartArmed; }
  float GetActionTime() const { return mActionTime; }
  // Records a part for the item's effect; false when the block is full.
  bool AddPartRecord(const ZCPartRecord& record) { return mPartRecords.Add(record); }
  const ZCPartRecordBlock& GetPartRecords() const { return mPartRecords; }

  // The item registered first under the name, or null.
  static ZCItem* FindByName(const std::string& name);
  // Creates the items of the object document's "objects/object" nodes through the factory.
  static void ReadLevelObjects(const XmlNode& root);
  // Gives every item its state from the level file; an item the file does not mention is
  // hidden and out of play.
  static void ApplyLevelStates(const XmlNode& level);
  // These walk the registry in creation order and skip items that are not running.
  static void UpdateAll();
  static void ActivateAll();
  static void DeactivateAll();
  static void ClearAllStates();
  // Deletes every item and empties the registry; the "boss" and "bonus" pointers go with them.
  static void DeleteAll();
  // Registers every item's parts with the board's draw-order solver, then orders them.
  static void RegisterAllForZOrder();
  // Registers the parts: "held_items" never, "zover" parts as overlays, others as ordered parts.
  void RegisterPartsForZOrder(ZOrderResolver& resolver);

 protected:
  // Starts the rule of an animation that has just started, when there is one.
  void ApplyRestartRule(const std::string& name);
  AnimRestartRule* FindRule(const std::string& name);
  void UpdateRestart();

  std::string mClass;
  std::string mName;
  std::string mCode;
  bool mVisible = false;
  bool mRunning = false;
  bool mHighlighted = false;
  std::string mSkin;
  std::string mOrientation;
  std::string mCurrentAnim;
  std::vector<std::unique_ptr<ZCItemPart>> mParts;
  float mScale = 1.0f;
  std::vector<AnimRestartRule> mRestartRules;
  std::string mPendingRestart;
  bool mRestartArmed = false;
  float mRestartDelay = 0;
  std::unique_ptr<ZCEffect> mEffect;
  ZCPartRecordBlock mPartRecords;
  BoardPoint mPos;
  BoardPoint mOffset;
  float mActionTime = 0;
  int32_t mActionKind = 0;
};
