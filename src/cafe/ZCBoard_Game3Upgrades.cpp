// The upgrade model of the café board: the records of cfg.xml, their flags, the offers of the
// upgrade shop and how an upgrade shows on the board.
#include <algorithm>
#include <climits>
#include <cstring>

#include "board/BoardText.h"
#include "board/ZCItemPart.h"
#include "cafe/ActorParams.h"
#include "cafe/ZCBoard_Game3.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {
// The first flag of each worker's tidiness, then speed; the heroine's speed and the coin bonus.
constexpr int32_t kWorkerTidinessFlag = 0;
constexpr int32_t kWorkerSpeedFlag = 6;
constexpr int32_t kHeroineSpeedFlag = 12;
constexpr int32_t kCoinBonusFlag = 13;
constexpr int32_t kMaxWorkers = 6;
// Visual upgrades: five flags per café from 14, by the object's leading word.
constexpr int32_t kVisualFlag = 14;
constexpr int32_t kVisualFlagsPerCafe = 5;
const char* const kVisualWords[kVisualFlagsPerCafe] = {"floor", "worker_table", "bar", "decor", "client_table"};

bool IsWorkerUpgrade(const UpgradeRecord& record) {
  return record.mKind == UpgradeRecord::kFunctional && record.mObject != "bonus" && record.mObject != "boss";
}

UpgradeRecord ReadRecord(const XmlNode& node, int32_t kind) {
  UpgradeRecord record;
  record.mKind = kind;
  ReadBoardText(node, L"name", record.mName);
  ReadBoardText(node, L"object", record.mObject);
  ReadCfgInt(node, L"min_level", record.mMinLevel, kMaxCount);
  ReadCfgInt(node, L"max_level", record.mMaxLevel, kMaxCount);
  return record;
}
}  // namespace

int32_t ZCBoard_Game3::ResolveUpgradeFlag(const UpgradeRecord& record) {
  if (record.mKind == UpgradeRecord::kFunctional) {
    if (record.mObject == "bonus" && record.mName == "money") return kCoinBonusFlag;
    if (record.mObject == "boss" && record.mName == "speed") return kHeroineSpeedFlag;
    const WorkerParams* worker = FindWorkerParams(record.mObject);
    if (!worker || worker->mSerial < 1 || worker->mSerial > kMaxWorkers) return -1;
    if (record.mName == "speed") return kWorkerSpeedFlag + worker->mSerial - 1;
    if (record.mName == "tidiness") return kWorkerTidinessFlag + worker->mSerial - 1;
    return -1;
  }
  if (record.mKind == UpgradeRecord::kVisual) {
    if (record.mMinLevel < 1 || record.mMinLevel > 3) return -1;
    for (int32_t i = 0; i < kVisualFlagsPerCafe; ++i)
      if (record.mObject.compare(0, std::strlen(kVisualWords[i]), kVisualWords[i]) == 0)
        return kVisualFlag + i + kVisualFlagsPerCafe * (record.mMinLevel - 1);
  }
  return -1;
}

void ZCBoard_Game3::LoadUpgrades(const XmlNode& root) {
  mFunctional.clear();
  mVisual.clear();
  XmlNode list = root.selectSingleNode(L"upgrade");
  if (!list) {
    LogMessage("WARNING: cfg.xml has no \"upgrade\" element");
    return;
  }
  // A record that can have no flag could never be owned nor shown: it is refused here.
  auto add = [](std::vector<UpgradeRecord>& records, UpgradeRecord record) {
    record.mFlag = ResolveUpgradeFlag(record);
    if (record.mFlag < 0) {
      LogMessage("ERROR: upgrade '%s' of '%s' (café %d..%d) has no flag; refused", record.mName.c_str(),
                 record.mObject.c_str(), int(record.mMinLevel), int(record.mMaxLevel));
      return;
    }
    records.push_back(std::move(record));
  };
  for (const XmlNode& node : list.selectNodes(L"functional")) add(mFunctional, ReadRecord(node, UpgradeRecord::kFunctional));
  for (const XmlNode& node : list.selectNodes(L"visual")) {
    UpgradeRecord record = ReadRecord(node, UpgradeRecord::kVisual);
    for (const XmlNode& object : node.selectNodes(L"object")) record.mObjects.push_back(ReadBoardText(object, L"name"));
    add(mVisual, std::move(record));
  }
}

uint8_t* ZCBoard_Game3::GetUpgradeFlags() { return mEndless ? mSurvivalFlags : mProfile->GetUpgradeFlags(); }

bool ZCBoard_Game3::GetUpgradeFlag(const UpgradeRecord& record) {
  const uint8_t* flags = GetUpgradeFlags();
  return flags && record.mFlag >= 0 && record.mFlag < kUpgradeFlags && flags[record.mFlag] != 0;
}

bool ZCBoard_Game3::IsUpgradeOwned(const std::string& object, const std::string& name) {
  for (const std::vector<UpgradeRecord>* list : {&mFunctional, &mVisual})
    for (const UpgradeRecord& record : *list)
      if (record.mObject == object && record.mName == name) return GetUpgradeFlag(record);
  return false;
}

ZCItem* ZCBoard_Game3::FindUpgradeWorker(const UpgradeRecord& record) {
  if (!IsWorkerUpgrade(record)) return nullptr;
  const WorkerParams* worker = FindWorkerParams(record.mObject);
  return worker ? worker->mWorker : nullptr;
}

void ZCBoard_Game3::ReapplyUpgrades() {
  const int32_t cafe = GetCafe();
  for (const UpgradeRecord& record : mVisual) {
    if (!GetUpgradeFlag(record) || cafe < record.mMinLevel || cafe > record.mMaxLevel) continue;
    for (const std::string& name : record.mObjects) {
      ZCItem* item = ZCItem::FindByName(name);
      if (!item) {
        LogMessage("ERROR: Cannot find upgrade item '%s'", name.c_str());
        continue;
      }
      item->ApplyUpgradeSkin(mUpgradeSkin);
    }
  }
}

int32_t ZCBoard_Game3::ListUpgradeOffers(std::vector<UpgradeRecord*>& out) {
  out.clear();
  if (mEndless) {
    if (mPendingUpgrades.empty()) return 0;
    mLevelUpgradeKind = mPendingUpgrades.front();
    mPendingUpgrades.pop_front();
    if (mPendingUpgrades.empty()) mHud->SetUpgradeButton(false);
  }
  std::vector<UpgradeRecord>* list = mLevelUpgradeKind == UpgradeRecord::kFunctional ? &mFunctional
                                     : mLevelUpgradeKind == UpgradeRecord::kVisual   ? &mVisual
                                                                                     : nullptr;
  if (!list) return 0;
  const int32_t cafe = GetCafe();
  for (UpgradeRecord& record : *list) {
    if (int32_t(out.size()) >= kMaxOffers) break;
    if (GetUpgradeFlag(record) || cafe < record.mMinLevel || cafe > record.mMaxLevel) continue;
    if (IsWorkerUpgrade(record)) {
      // Only a worker who is in the level.
      ZCItem* worker = FindUpgradeWorker(record);
      if (!worker || !worker->IsVisible()) continue;
    }
    out.push_back(&record);
  }
  return int32_t(out.size());
}

bool ZCBoard_Game3::GetUpgradeArea(const UpgradeRecord& record, Rect& out) {
  std::vector<const ZCItem*> items;
  if (record.mKind == UpgradeRecord::kFunctional) {
    items.push_back(FindUpgradeWorker(record));
  } else {
    for (const std::string& name : record.mObjects) items.push_back(ZCItem::FindByName(name));
  }
  bool any = false;
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (const ZCItem* item : items) {
    if (!item || !item->IsVisible()) continue;
    for (const auto& part : item->GetParts()) {
      Rect r;
      if (!part || !part->GetFrameRect(r)) continue;
      if (!any) {
        x0 = r.mX, y0 = r.mY, x1 = int64_t(r.mX) + r.mWidth, y1 = int64_t(r.mY) + r.mHeight;
        any = true;
        continue;
      }
      x0 = std::min<int64_t>(x0, r.mX);
      y0 = std::min<int64_t>(y0, r.mY);
      x1 = std::max<int64_t>(x1, int64_t(r.mX) + r.mWidth);
      y1 = std::max<int64_t>(y1, int64_t(r.mY) + r.mHeight);
    }
  }
  if (any) out = Rect(int32_t(x0), int32_t(y0), int32_t(std::min<int64_t>(x1 - x0, INT32_MAX)),
                      int32_t(std::min<int64_t>(y1 - y0, INT32_MAX)));
  return any;
}

void ZCBoard_Game3::ApplyUpgrade(UpgradeRecord& record, bool owned) {
  uint8_t* flags = GetUpgradeFlags();
  if (flags && record.mFlag >= 0 && record.mFlag < kUpgradeFlags) flags[record.mFlag] = owned ? 1 : 0;
  if (record.mKind == UpgradeRecord::kFunctional) {
    // The worker takes its new values from the flags.
    if (ZCItem* worker = FindUpgradeWorker(record)) worker->ApplyUpgradeSkin("");
    return;
  }
  for (const std::string& name : record.mObjects) {
    ZCItem* item = ZCItem::FindByName(name);
    if (!item) {
      LogMessage("ERROR: Cannot find upgrade item '%s'", name.c_str());
      continue;
    }
    item->ApplyUpgradeSkin(owned ? mUpgradeSkin : mDefaultSkin);
    item->SendEffectMessage(owned ? "on_upgrade" : "on_downgrade");
  }
}
