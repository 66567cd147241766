#include "cafe/ActorParams.h"

#include <vector>

#include "board/BoardText.h"
#include "board/PersonParams.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

namespace {
std::map<std::string, HeroineParams> gHeroines;
std::map<std::string, ClientParams> gClients;
std::map<std::string, WorkerParams> gWorkers;
std::map<std::string, PeriodParams> gPeriodItems;
ClientsConfig gClientsConfig;
WorkersConfig gWorkersConfig;

template <typename Map>
typename Map::mapped_type* FindIn(Map& map, const std::string& name) {
  auto it = map.find(name);
  return it == map.end() ? nullptr : &it->second;
}

// One block per child node with a name; the first block of a name stays.
template <typename Params, typename ReadFn>
void ReadBlocks(const std::vector<XmlNode>& nodes, std::map<std::string, Params>& blocks, ReadFn read) {
  for (const XmlNode& node : nodes) {
    Params p;
    p.mName = ReadBoardText(node, L"name");
    if (p.mName.empty() || blocks.count(p.mName)) continue;
    read(node, p);
    blocks.emplace(p.mName, std::move(p));
  }
}

// The element below the root, with a warning when it is missing.
XmlNode SelectBlockList(const XmlNode& root, const wchar_t* path, const char* what) {
  XmlNode node = root.selectSingleNode(path);
  if (!node) LogMessage("WARNING: cfg.xml has no \"%s\" element", what);
  return node;
}
}  // namespace

void ReadCfgTime(const XmlNode& node, const wchar_t* name, float& out) { ReadCfgFloat(node, name, out, kMaxActorTime); }

void ReadCfgFloat(const XmlNode& node, const wchar_t* name, float& out, float max) {
  GetClampedFloat(node, "cfg\\cfg.xml", name, out, 0.0f, max);
}

void ReadCfgInt(const XmlNode& node, const wchar_t* name, int32_t& out, int32_t max) {
  GetClampedInt(node, "cfg\\cfg.xml", name, out, 0, max);
}

void ReadPatienceSpeed(const XmlNode& node, const char* file, float& speed) {
  const float fallback = speed > 0 ? speed : kDefaultPatienceSpeed;
  if (GetUsableFloat(node, file, L"client_patience_speed", speed, kMinPatienceSpeed, kMaxPatienceSpeed, fallback))
    return;
  if (speed > 0) return;
  LogMessage("WARNING: %s: <%s name=\"%s\"> has no client_patience_speed; %g used", file,
             WideToUtf8(node.nodeName()).c_str(), ReadBoardText(node, L"name").c_str(), double(fallback));
  speed = fallback;
}

void LoadHeroineParams(const XmlNode& root) {
  gHeroines.clear();
  ReadBlocks(root.selectNodes(L"perses/pers"), gHeroines, [](const XmlNode& node, HeroineParams& p) {
    ReadCfgTime(node, L"wash_time", p.mWashTime);
    ReadCfgFloat(node, L"speed_add_upgrade", p.mSpeedAddUpgrade, kMaxMoveSpeed);
    ReadCfgFloat(node, L"speed_add_bonus", p.mSpeedAddBonus, kMaxMoveSpeed);
    ReadCfgTime(node, L"bonus_speed_time3", p.mBonusSpeedTime3);
    ReadCfgTime(node, L"bonus_speed_time4", p.mBonusSpeedTime4);
    ReadCfgTime(node, L"idle_rastart_time_min", p.mIdleRestartMin);
    ReadCfgTime(node, L"idle_rastart_time_max", p.mIdleRestartMax);
    ReadCfgInt(node, L"idle_stop_frame", p.mIdleStopFrame, kMaxFrame);
  });
}

HeroineParams* FindHeroineParams(const std::string& name) { return FindIn(gHeroines, name); }
void ClearHeroineParams() { gHeroines.clear(); }
std::map<std::string, HeroineParams>& GetHeroineParamsMap() { return gHeroines; }

void LoadClientParams(const XmlNode& root) {
  gClients.clear();
  gClientsConfig = ClientsConfig();
  XmlNode list = SelectBlockList(root, L"clients", "clients");
  if (!list) return;
  ReadCfgFloat(list, L"patience_g_level", gClientsConfig.mPatienceGreen, kMaxPercent);
  ReadCfgFloat(list, L"patience_y_level", gClientsConfig.mPatienceYellow, kMaxPercent);
  ReadCfgFloat(list, L"patience_r_level", gClientsConfig.mPatienceRed, kMaxPercent);
  ReadCfgFloat(list, L"patience_critical", gClientsConfig.mPatienceCritical, kMaxPercent);
  ReadCfgFloat(list, L"scandal_effect", gClientsConfig.mScandalEffect, kMaxPercent);
  ReadCfgTime(list, L"client_reminder_timeout", gClientsConfig.mReminderTimeout);
  ReadCfgTime(list, L"client_alpha_blend_time", gClientsConfig.mAlphaBlendTime);
  ReadCfgTime(list, L"client_scandal_bubble_present", gClientsConfig.mScandalBubbleTime);
  ReadBlocks(list.selectNodes(L"client"), gClients, [](const XmlNode& node, ClientParams& p) {
    ReadCfgInt(node, L"idle_stop_frame", p.mIdleStopFrame, kMaxFrame);
    ReadCfgTime(node, L"idle_restart_time_min", p.mIdleRestartMin);
    ReadCfgTime(node, L"idle_restart_time_max", p.mIdleRestartMax);
    ReadPatienceSpeed(node, "cfg\\cfg.xml", p.mPatienceSpeed);
    ReadCfgTime(node, L"client_decision_timeout", p.mDecisionTime);
    ReadCfgTime(node, L"client_eating_time", p.mEatingTime);
    ReadCfgInt(node, L"client_money01_g", p.mMoneyGreen, kMaxMoneyValue);
    ReadCfgInt(node, L"client_money01_y", p.mMoneyYellow, kMaxMoneyValue);
    ReadCfgInt(node, L"client_money01_r", p.mMoneyRed, kMaxMoneyValue);
    ReadCfgInt(node, L"client_losses_money", p.mLossesMoney, kMaxMoneyValue);
    ReadCfgFloat(node, L"client_scandal_level", p.mScandalLevel, kMaxPercent);
    ReadCfgTime(node, L"client_scandal_timeout", p.mScandalTime);
    ReadCfgTime(node, L"client_bonus_timeout", p.mBonusTime);
    ReadCfgFloat(node, L"client_bonus_time_effect", p.mBonusTimeEffect, kMaxPercent);
  });
}

ClientParams* FindClientParams(const std::string& skin) {
  ClientParams* p = FindIn(gClients, skin);
  if (!p) LogMessage("ERROR: Undefined client skin name: '%s'", skin.c_str());
  return p;
}

ClientsConfig& GetClientsConfig() { return gClientsConfig; }
std::map<std::string, ClientParams>& GetClientParamsMap() { return gClients; }

void ClearClientParams() {
  gClients.clear();
  gClientsConfig = ClientsConfig();
}

void LoadWorkerParams(const XmlNode& root) {
  gWorkers.clear();
  gWorkersConfig = WorkersConfig();
  XmlNode list = SelectBlockList(root, L"workers", "workers");
  if (!list) return;
  ReadCfgFloat(list, L"tidiness_g_level", gWorkersConfig.mTidinessGreen, kMaxPercent);
  ReadCfgFloat(list, L"tidiness_y_level", gWorkersConfig.mTidinessYellow, kMaxPercent);
  ReadCfgFloat(list, L"tidiness_r_level", gWorkersConfig.mTidinessRed, kMaxPercent);
  ReadCfgFloat(list, L"cleanser_effect", gWorkersConfig.mCleanserEffect, kMaxPercent);
  ReadCfgFloat(list, L"brush_effect", gWorkersConfig.mBrushEffect, kMaxPercent);
  ReadCfgTime(list, L"worker_alpha_blend_time", gWorkersConfig.mAlphaBlendTime);
  // Serials count from 1 at every read: they place each worker's flags among the upgrades.
  int32_t serial = 0;
  ReadBlocks(list.selectNodes(L"worker"), gWorkers, [&serial](const XmlNode& node, WorkerParams& p) {
    ReadCfgTime(node, L"work_time", p.mWorkTime);
    ReadCfgFloat(node, L"tidiness_up", p.mTidinessUp, kMaxPercent);
    ReadCfgFloat(node, L"tidiness_down", p.mTidinessDown, kMaxPercent);
    ReadCfgInt(node, L"direct_character_break_frame", p.mBreakFrame, kMaxFrame);
    ReadCfgTime(node, L"direct_character_break_time", p.mBreakTime);
    ReadCfgFloat(node, L"upgrade_tidiness_down", p.mUpgradeTidinessDown, kMaxFactor);
    ReadCfgFloat(node, L"upgrade_work_speed", p.mUpgradeWorkSpeed, kMaxFactor);
    ReadCfgTime(node, L"idle_rastart_time_min", p.mIdleRestartMin);
    ReadCfgTime(node, L"idle_rastart_time_max", p.mIdleRestartMax);
    ReadCfgInt(node, L"idle_stop_frame", p.mIdleStopFrame, kMaxFrame);
    ReadBoardText(node, L"snd_worker_begin", p.mBeginSound);
    ReadBoardText(node, L"product", p.mProduct);
    ReadBoardText(node, L"product_type", p.mProductType);
    p.mSerial = ++serial;
  });
}

WorkerParams* FindWorkerParams(const std::string& skin, ZCItem* worker) {
  WorkerParams* p = FindIn(gWorkers, skin);
  if (p && worker) p->mWorker = worker;
  return p;
}

WorkersConfig& GetWorkersConfig() { return gWorkersConfig; }
std::map<std::string, WorkerParams>& GetWorkerParamsMap() { return gWorkers; }

void ClearWorkerParams() {
  gWorkers.clear();
  gWorkersConfig = WorkersConfig();
}

void LoadPeriodParams(const XmlNode& root) {
  gPeriodItems.clear();
  XmlNode list = SelectBlockList(root, L"period_items", "period_items");
  if (!list) return;
  ReadBlocks(list.selectNodes(L"period_item"), gPeriodItems, [](const XmlNode& node, PeriodParams& p) {
    ReadCfgTime(node, L"timeout_min", p.mTimeoutMin);
    ReadCfgTime(node, L"timeout_max", p.mTimeoutMax);
  });
}

PeriodParams* FindPeriodParams(const std::string& name) { return FindIn(gPeriodItems, name); }
void ClearPeriodParams() { gPeriodItems.clear(); }
