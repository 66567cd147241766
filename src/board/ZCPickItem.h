#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "board/PolygonRegion.h"
#include "board/ZCItem.h"

class ZCItemPart;

// Where one walker stands to use a pick item, and the heading it takes there.
struct PickRecord {
  std::string mOwner;
  std::string mDirection;
  int32_t x = 0;
  int32_t y = 0;
};

// An item the player can click: machines, materials, places at tables, trays, the trash bin.
// It has a polygon hit region, the places where walkers stand to use it, items lit together
// with it, pick items lying over it that take clicks inside their own region, and two
// "checkmark" parts that show how many clicks wait for it. Every pick item is registered by
// name in the board world's pick-item map.
class ZCPickItem : public ZCItem {
 public:
  ZCPickItem() = default;
  ~ZCPickItem() override;

  // The create function of the class word "pickable".
  static ZCItem* Create();
  // The pick item registered under the name, or null.
  static ZCPickItem* FindPickItem(const std::string& name);

  void Activate(bool active) override;
  void SetHighlight(const BoardPoint& point, bool highlighted) override;
  void ReadState(const XmlNode& node) override;
  void ClearState() override;
  void ReadItem(const XmlNode& node) override;
  void ClearParts() override;

  virtual void AddClick() { ++mPendingClicks; }
  virtual void RemoveClick() { mPendingClicks = 0; }
  virtual bool CanPick(bool highlighted) const { return IsRunning() && IsVisible() && highlighted; }

  // Inside the region and in no running, visible cover that is hit itself.
  bool HitTest(const BoardPoint& point) const;
  // The first pick record of that walker; false when there is none.
  bool GetPickPoint(const std::string& owner, BoardPoint& point, std::string& direction) const;
  // Shows the first marker that is not on screen; takes them in order 0, 1.
  void ShowClickMarker();
  // Hides the last marker shown; gives them back in order 1, 0.
  void HideClickMarker();

  int32_t GetPendingClicks() const { return mPendingClicks; }
  ZCItemPart* GetMarker(int index) const { return (index == 0 || index == 1) ? mMarkers[index] : nullptr; }
  bool IsMarkerShown(int index) const { return (index == 0 || index == 1) && mMarkerShown[index]; }
  const std::vector<PickRecord>& GetPickRecords() const { return mPickRecords; }
  const PolygonRegion& GetRegion() const { return mRegion; }
  const std::vector<ZCItem*>& GetPairs() const { return mPairs; }
  const std::vector<ZCPickItem*>& GetCovers() const { return mCovers; }

 private:
  bool HitTestGuarded(const BoardPoint& point, std::set<const ZCPickItem*>& visited) const;
  // Leaves the pick-item map when the entry of its name is its own.
  void Unregister();

  ZCItemPart* mMarkers[2] = {nullptr, nullptr};
  bool mMarkerShown[2] = {false, false};
  std::vector<std::string> mPairNames;
  std::vector<ZCItem*> mPairs;
  std::vector<std::string> mCoverNames;
  std::vector<ZCPickItem*> mCovers;
  int32_t mPendingClicks = 0;
  std::vector<PickRecord> mPickRecords;
  PolygonRegion mRegion;
};
