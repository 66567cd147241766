#pragma once
#include <cstdint>
#include <string>

#include "board/ZCItem.h"

class ZIStatSrc;

// The indicators over the café's actors: the bubble (what a visitor wants, what a worker is
// doing, with a production bar), the patience face of a visitor and the tidiness meter of a
// worker. Each finds its actor by its own name ("status_bubble_worker01" → "worker01",
// "status_bubble_client_sit01" → "client_sit01", "status_hp_client01" → "client01",
// "status_hp_worker01" → "worker01"), stands where it stands and reads it only through its
// status interface (ZIStatSrc.h) and the café board's actors hook. An indicator whose actor is
// not found stays hidden and does nothing.

// Part colours (ARGB).
constexpr uint32_t kStatusGreen = 0xff70f044;
constexpr uint32_t kStatusYellow = 0xfff9ef4d;
constexpr uint32_t kStatusRed = 0xfffb2626;
constexpr uint32_t kStatusFrozen = 0xff47d6ff;

// The common part: the actor and its status interface, bound by name when the level's state is
// read.
class ZCStatusItem : public ZCItem {
 public:
  void ReadState(const XmlNode& node) override;
  ZCItem* GetSource() const { return mSourceItem; }
  ZIStatSrc* GetStatSource() const { return mSource; }

 protected:
  // The actor's name for the indicator's: the prefix replaced, or "" when it is not this kind's.
  virtual std::string ActorName() const = 0;
  virtual bool ActorIsWorker() const = 0;
  // Sends the effect message to the item and traces it.
  void Signal(const char* message);

  ZCItem* mSourceItem = nullptr;
  ZIStatSrc* mSource = nullptr;
};

class ZCStatus_Bubble : public ZCStatusItem {
 public:
  static ZCItem* Create() { return new ZCStatus_Bubble(); }
  void Activate(bool active) override;
  void ReadState(const XmlNode& node) override;
  void Update() override;

  bool IsBubbleShown() const { return mShown; }
  bool IsShaking() const { return mShaking; }
  bool IsProductHighlighted() const { return mHighlighted; }
  const std::string& GetDisplayedName() const { return mDisplayed; }

 protected:
  std::string ActorName() const override;
  bool ActorIsWorker() const override;
  // The name becomes the displayed one (unless "scandal"); the bubble part plays the source's
  // icon ("_active" while highlighted), the production part the name.
  void Refresh(const std::string& name);
  void UpdateProduction();

  ZCItemPart* mBubblePart = nullptr;
  ZCItemPart* mProductionPart = nullptr;
  bool mShown = false;
  std::string mDisplayed;
  bool mHighlighted = false;
  bool mShaking = false;
};

class ZCStatus_HP_Client : public ZCStatusItem {
 public:
  static ZCItem* Create() { return new ZCStatus_HP_Client(); }
  void Activate(bool active) override;
  void ReadState(const XmlNode& node) override;
  void Update() override;

  const std::string& GetFace() const { return mFace; }
  int32_t GetPointIndex() const { return mPointIndex; }

 protected:
  std::string ActorName() const override;
  bool ActorIsWorker() const override { return false; }

  ZCItemPart* mPointsPart = nullptr;
  ZCItemPart* mBackPart = nullptr;
  ZCItemPart* mSmilePart = nullptr;
  float mLastLevel = 100.0f;
  bool mShown = false;
  int32_t mPointIndex = -1;
  std::string mFace;
};

class ZCStatus_HP_Worker : public ZCStatusItem {
 public:
  static ZCItem* Create() { return new ZCStatus_HP_Worker(); }
  void Activate(bool active) override;
  void ReadState(const XmlNode& node) override;
  void Update() override;

  int32_t GetPointIndex() const { return mPointIndex; }
  // The meter's point index for a tidiness: ceil(t / 8.333333) in double, at most 12.
  static int32_t PointIndexOf(float tidiness);

 protected:
  std::string ActorName() const override;
  bool ActorIsWorker() const override { return true; }

  ZCItemPart* mPointsPart = nullptr;
  ZCItemPart* mBackPart = nullptr;
  float mLastLevel = 0;
  int32_t mPointIndex = -1;
};
