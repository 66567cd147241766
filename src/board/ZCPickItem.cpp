#include "board/ZCPickItem.h"

#include <algorithm>
#include <vector>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/ZCItemPart.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {
// A text attribute of up to size - 1 characters; empty when absent.
std::string ReadText(const XmlNode& node, const wchar_t* name, size_t size) {
  std::vector<char> buf(size, '\0');
  if (!GetAttrString(node, name, buf.data(), buf.size())) return std::string();
  return std::string(buf.data());
}
}  // namespace

ZCPickItem::~ZCPickItem() { Unregister(); }

ZCItem* ZCPickItem::Create() { return new ZCPickItem(); }

ZCPickItem* ZCPickItem::FindPickItem(const std::string& name) {
  auto& map = GetBoardWorld().mPickItems;
  auto it = map.find(name);
  return it == map.end() ? nullptr : it->second;
}

void ZCPickItem::Unregister() {
  auto& map = GetBoardWorld().mPickItems;
  auto it = map.find(mName);
  if (it != map.end() && it->second == this) map.erase(it);
}

void ZCPickItem::Activate(bool active) {
  ZCItem::Activate(active);
  if (!active) return;
  for (int i = 0; i < 2; ++i) {
    mMarkers[i] = FindPart("checkmark", i);
    mMarkerShown[i] = false;
    if (!mMarkers[i]) continue;
    mMarkers[i]->SetVisibleFlag(false);
    mMarkers[i]->PlayAnimation("idle", false);
  }
}

void ZCPickItem::SetHighlight(const BoardPoint& point, bool highlighted) {
  ZCItem::SetHighlight(point, highlighted);
  ZCItem* actor = FindActorForPlace(GetBoardWorld().mBoss, this);
  if (actor == this) actor = nullptr;
  if (actor) actor->SetHighlight(point, highlighted);
  // A pair named twice is lit once. The few items lit are checked in a list, not a set ordered
  // by address, so the same steps run whatever the addresses.
  std::vector<ZCItem*> done = {this, actor};
  for (ZCItem* pair : mPairs) {
    if (std::find(done.begin(), done.end(), pair) != done.end()) continue;
    done.push_back(pair);
    pair->SetHighlight(point, highlighted);
  }
}

void ZCPickItem::ReadState(const XmlNode& node) {
  ZCItem::ReadState(node);
  mPairs.clear();
  mCovers.clear();
  for (const std::string& name : mPairNames)
    if (ZCItem* item = FindByName(name)) mPairs.push_back(item);
  for (const std::string& name : mCoverNames)
    if (ZCPickItem* item = FindPickItem(name)) mCovers.push_back(item);
}

void ZCPickItem::ClearState() {
  ZCItem::ClearState();
  mCoverNames.clear();
  mCovers.clear();
  mPairNames.clear();
  mPairs.clear();
}

void ZCPickItem::ReadItem(const XmlNode& node) {
  ZCItem::ReadItem(node);
  GetBoardWorld().mPickItems.emplace(mName, this);
  for (const XmlNode& child : node.selectNodes(L"select_block")) {
    std::string name = ReadText(child, L"pair_item", 128);
    if (!name.empty()) mPairNames.push_back(name);
  }
  for (const XmlNode& child : node.selectNodes(L"picks")) {
    std::string name = ReadText(child, L"pick", 260);
    if (!name.empty()) mCoverNames.push_back(name);
  }
  for (const XmlNode& child : node.selectNodes(L"point")) {
    PickRecord record;
    record.mOwner = ReadText(child, L"owner", 128);
    record.mDirection = ReadText(child, L"direction", 128);
    ReadBoardCoord(child, L"offs_x", record.x);
    ReadBoardCoord(child, L"offs_y", record.y);
    mPickRecords.push_back(record);
  }
  mRegion.SetPolygon(PolygonRegion::ParsePoints(ReadText(node, L"rgn", 2048)));
}

void ZCPickItem::ClearParts() {
  Unregister();
  // The markers are parts: they go with them.
  mMarkers[0] = mMarkers[1] = nullptr;
  mMarkerShown[0] = mMarkerShown[1] = false;
  ZCItem::ClearParts();
}

bool ZCPickItem::HitTest(const BoardPoint& point) const {
  std::set<const ZCPickItem*> visited;
  return HitTestGuarded(point, visited);
}

bool ZCPickItem::HitTestGuarded(const BoardPoint& point, std::set<const ZCPickItem*>& visited) const {
  // Covers that cover each other in a ring: an item met again on the way down takes no click.
  if (!visited.insert(this).second) return false;
  bool hit = mRegion.Contains(point.x, point.y);
  for (const ZCPickItem* cover : mCovers) {
    if (!hit) break;
    if (cover->IsRunning() && cover->IsVisible() && cover->HitTestGuarded(point, visited)) hit = false;
  }
  visited.erase(this);
  return hit;
}

bool ZCPickItem::GetPickPoint(const std::string& owner, BoardPoint& point, std::string& direction) const {
  for (const PickRecord& record : mPickRecords)
    if (record.mOwner == owner) {
      point = BoardPoint{record.x, record.y};
      direction = record.mDirection;
      return true;
    }
  return false;
}

void ZCPickItem::ShowClickMarker() {
  for (int i = 0; i < 2; ++i) {
    if (!mMarkers[i] || mMarkers[i]->IsShown()) continue;
    mMarkers[i]->SetVisible(true);
    mMarkerShown[i] = true;
    TraceBoardEvent("marker %s %d on", mName.c_str(), i);
    return;
  }
  LogMessage("Warning: object <%s> is over clicked... oh... slowly, please!", mName.c_str());
}

void ZCPickItem::HideClickMarker() {
  for (int i = 1; i >= 0; --i) {
    if (!mMarkers[i] || !mMarkerShown[i]) continue;
    mMarkers[i]->SetVisible(false);
    mMarkerShown[i] = false;
    TraceBoardEvent("marker %s %d off", mName.c_str(), i);
    return;
  }
}
