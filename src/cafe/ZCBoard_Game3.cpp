#include "cafe/ZCBoard_Game3.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "board/BoardText.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "cafe/ActorParams.h"
#include "cafe/CafeObjects.h"
#include "cafe/ProductRules.h"
#include "cafe/TutorialManager.h"
#include "cafe/ZCWorker.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"
#include "widgets/ZCWidgetKit.h"

namespace {
ZCBoard_Game3* gCafeBoard = nullptr;

CafeHud gDefaultHud;
CafeMiniGame gDefaultMiniGame;
CafeActors gDefaultActors;
CafeProfile gDefaultProfile;
CafeScreens gDefaultScreens;
CafeDialog gDefaultDialog;
CafeComix gDefaultComix;

// Without a shop the level's result is reported at once.
class ReportingShop : public CafeDialog {
 public:
  void Show() override {
    if (ZCBoard_Game3* board = GetCafeBoard()) board->ReportLevelResult();
  }
};
ReportingShop gDefaultShop;

void PlayGameSound(const char* name) {
  ZCEngine* engine = GetEngine();
  if (SoundManager* sounds = engine ? engine->GetSoundManager() : nullptr) sounds->PlaySound(name);
}

// "func" 1, "vis" 2, anything else 0.
int32_t UpgradeKindOf(const std::string& word) {
  if (word == "func") return UpgradeRecord::kFunctional;
  if (word == "vis") return UpgradeRecord::kVisual;
  return UpgradeRecord::kNone;
}
}  // namespace

ZCBoard_Game3* GetCafeBoard() { return gCafeBoard; }

GameLevelValues& GetGameLevelValues() {
  static GameLevelValues values;
  return values;
}

namespace {
// The career's cafés: first level (the level before day 1) and days.
constexpr int32_t kCafeFirst[3] = {0, 15, 35};
constexpr int32_t kCafeDays[3] = {15, 20, 24};
}  // namespace

CafeDay FirstDayOfCafe(int32_t cafe) {
  CafeDay result;
  result.mCafe = cafe == 1 || cafe == 2 ? cafe : 3;
  result.mFirstLevel = kCafeFirst[result.mCafe - 1];
  result.mDays = kCafeDays[result.mCafe - 1];
  return result;
}

CafeDay CafeDayOfLevel(int32_t level) {
  if (level >= 100) {
    CafeDay result = FirstDayOfCafe(level >= 300 ? 3 : level >= 200 ? 2 : 1);
    result.mDayKnown = false;
    return result;
  }
  const int32_t cafe = level <= kCafeFirst[1] ? 1 : level <= kCafeFirst[2] ? 2 : 3;
  CafeDay result = FirstDayOfCafe(cafe);
  result.mDay = level - result.mFirstLevel;
  if (level < 1 || level > kCafeFirst[2] + kCafeDays[2]) {
    result.mDay = 1;
    result.mDayKnown = false;
    result.mCafeKnown = level < 1;
  }
  return result;
}

ZCBoard_Game3::ZCBoard_Game3()
    : mHud(&gDefaultHud),
      mTutorial(&GetTutorialManager()),
      mMiniGame(&gDefaultMiniGame),
      mGoals(&mOwnGoals),
      mActors(&gDefaultActors),
      mProfile(&gDefaultProfile),
      mScreens(&gDefaultScreens),
      mComix(&gDefaultComix) {
  for (CafeDialog*& dialog : mDialogs) dialog = &gDefaultDialog;
  mDialogs[kShop] = &gDefaultShop;
  gCafeBoard = this;
  SetActorFinder(this);
  // The tutorial answers the gates the schedule and the actors ask, holds the game time while
  // gate 7 is blocked, and hears its hint dialogs close.
  SetEventGate(&GetTutorialManager());
  GameClock::SetHoldQuery([] { return !::IsEventAllowed(7); });
  SetTutorialDialogClosedHandler([] {
    if (ZCBoard_Game3* board = GetCafeBoard()) board->GetTutorial().ApplyRule(11);
  });
}

ZCBoard_Game3::~ZCBoard_Game3() {
  // A load still running calls this board's hooks: it ends while they exist.
  JoinLoadingThread();
  if (GetBoardWorld().mActorFinder == this) SetActorFinder(nullptr);
  if (gCafeBoard == this) {
    GetTutorialManager().Stop();
    if (GetBoardWorld().mEventGate == &GetTutorialManager()) SetEventGate(nullptr);
    GameClock::SetHoldQuery(nullptr);
    SetTutorialDialogClosedHandler(nullptr);
    gCafeBoard = nullptr;
  }
}

void ZCBoard_Game3::SetHud(CafeHud* hud) { mHud = hud ? hud : &gDefaultHud; }
void ZCBoard_Game3::SetTutorial(CafeTutorial* tutorial) { mTutorial = tutorial ? tutorial : &GetTutorialManager(); }
void ZCBoard_Game3::SetMiniGame(CafeMiniGame* miniGame) { mMiniGame = miniGame ? miniGame : &gDefaultMiniGame; }
void ZCBoard_Game3::SetGoals(CafeGoals* goals) { mGoals = goals ? goals : &mOwnGoals; }
void ZCBoard_Game3::SetActors(CafeActors* actors) { mActors = actors ? actors : &gDefaultActors; }
void ZCBoard_Game3::SetProfile(CafeProfile* profile) { mProfile = profile ? profile : &gDefaultProfile; }
void ZCBoard_Game3::SetScreens(CafeScreens* screens) { mScreens = screens ? screens : &gDefaultScreens; }
void ZCBoard_Game3::SetComix(CafeComix* comix) { mComix = comix ? comix : &gDefaultComix; }

void ZCBoard_Game3::SetDialog(DialogId id, CafeDialog* dialog) {
  if (id < 0 || id >= kDialogCount) return;
  mDialogs[id] = dialog ? dialog : (id == kShop ? static_cast<CafeDialog*>(&gDefaultShop) : &gDefaultDialog);
}

ZCItem* ZCBoard_Game3::FindActorForPlace(ZCItem*, ZCItem* place) {
  if (!place) return nullptr;
  const std::string& name = place->GetName();
  auto rest = [&name](const char* prefix) { return name.substr(std::string(prefix).size()); };
  // "client_sit_place" does not begin with "client_place": the order of the tests is free.
  if (name.rfind("table", 0) == 0) {
    ZCItem* worker = mActors->FindWorker("worker" + rest("table"));
    return worker && worker->IsRunning() ? worker : nullptr;
  }
  if (name.rfind("client_place", 0) == 0) return mActors->FindVisitor("client" + rest("client_place"));
  if (name.rfind("client_sit_place", 0) == 0) return mActors->FindVisitor("client_sit" + rest("client_sit_place"));
  return nullptr;
}

ZCMoveItem* ZCBoard_Game3::GetHeroine() const { return dynamic_cast<ZCMoveItem*>(GetBoardWorld().mBoss); }

int32_t ZCBoard_Game3::GetCafe() const {
  if (mEndless) return mLevelNumber;
  const CafeDay place = CafeDayOfLevel(mLevelNumber);
  if (!place.mCafeKnown) LogMessage("WARNING: Cafe Detection FAILED for level %d", int(mLevelNumber));
  return place.mCafe;
}

int32_t ZCBoard_Game3::GetDay() const {
  if (mEndless) return mStageNumber;
  const CafeDay place = CafeDayOfLevel(mLevelNumber);
  if (!place.mDayKnown) LogMessage("WARNING: Day Detection FAILED for level %d", int(mLevelNumber));
  return place.mDay;
}

void ZCBoard_Game3::SetTextVarNumber(const char* name, int32_t value) {
  if (TextVars* vars = GetTextVars()) vars->SetTextVarInt(name, value);
}

// ---- The level's run ----

bool ZCBoard_Game3::SkipItemDraw() { return mComix->IsVisible(); }

bool ZCBoard_Game3::AreQueuesDone() {
  // A survival game ends when its current stage can send nobody and no visitor is left to earn
  // the money of the next: no visitor could ever come again.
  if (mEndless)
    return mLives < 0 || (!mSchedule.StageSendsVisitors(mSchedule.GetCurrentStage()) && !mActors->AnyVisitorsPresent());
  if (mVipLost) return true;
  if (mActors->AnyVisitorsPresent()) return false;
  return ZCBoard_Game::AreQueuesDone();
}

void ZCBoard_Game3::OnLevelStarted() {
  mGoals->ResetAchievements();
  mGoalMark = false;
  mExpertMark = false;
  mVipLost = false;
  mAbandoned = false;
  mGoals->ResetRush();
  mHud->OnLevelStart(mEndless);
  mMiniGame->ResetLevel();
  if (!mEndless) {
    SetTextVarNumber("normal", mGoal);
    SetTextVarNumber("expert", mExpertGoal);
    mTutorial->Start(mLevelNumber);
  } else {
    SetTextVarNumber("normal", mSchedule.GetStageGoal());
    // The briefing's "best so far": the player's best survival money, nothing before a first game.
    if (TextVars* vars = GetTextVars()) {
      const int32_t best = mProfile->GetBestSurvivalScore();
      if (best > 0)
        vars->SetTextVarInt("expert", best);
      else
        vars->SetTextVar("expert", L"");
    }
    mPendingUpgrades.clear();
    mStageUpgradeCursor = 0;
    std::memset(mSurvivalFlags, 0, sizeof mSurvivalFlags);
    mLives = 3;
    mHud->SetLives(mLives);
    mHud->HideSkipTutorial();
  }
  const int32_t cafe = GetCafe();
  const int32_t day = GetDay();
  SetTextVarNumber("cafe", cafe);
  SetTextVarNumber("day", day);
  TraceBoardEvent("cafe %d day %d", int(cafe), int(day));
  if (ZCMoveItem* heroine = GetHeroine()) heroine->BindPersonParams();
  Show();
  if (!mStartComix.empty())
    PlayBoardComix(mStartComix);
  else
    PlayLevelMusic();
}

void ZCBoard_Game3::PlayBoardComix(const std::string& name) {
  mComix->Play(name);
  mComix->Show();
}

void ZCBoard_Game3::PlayLevelMusic() {
  mHud->Show();
  mDialogs[kBriefing]->Show();
  char stream[16];
  std::snprintf(stream, sizeof stream, "level%d", int(GetCafe()));
  TraceBoardEvent("music %s", stream);
  ZCEngine* engine = GetEngine();
  if (ZCMusic* music = engine ? engine->GetMusic() : nullptr) music->Change(stream);
}

void ZCBoard_Game3::OnLevelEnding() {
  std::string splash;
  if (mEndless) {
    splash = "surv_end_splash";
    // The splash tells the money the game ended with.
    ZCEngine* engine = GetEngine();
    if (TextVars* vars = GetTextVars(); engine && vars)
      vars->SetTextVar("survival_result", engine->GetLocTable()->GetText("hud_surv_end") + std::to_wstring(mMoney));
  } else if (mVipLost || mMoney < mGoal) {
    splash = "fail_splash";
    ZCEngine* engine = GetEngine();
    TextVars* vars = GetTextVars();
    if (engine && vars)
      vars->SetTextVar("fail_cause",
                       engine->GetLocTable()->GetText(mVipLost ? "mn00_debrief_fail_vip" : "mn00_debrief_fail_goal"));
  } else {
    splash = "success_splash";
  }
  TraceBoardEvent("splash %s", splash.c_str());
  mHud->ShowSplash(splash);
}

void ZCBoard_Game3::OnLevelStopped() {
  mHud->Hide();
  mHud->OnLevelStopped();
  mTutorial->Stop();
  mPendingUpgrades.clear();
}

void ZCBoard_Game3::OnLevelFinished() {
  // The shop comes only with something to offer; otherwise the result is reported at once.
  if (!mEndless && mLevelUpgradeKind != UpgradeRecord::kNone && mLevelNumber == mProfile->GetLevelsOpen() &&
      mMoney >= mGoal) {
    std::vector<UpgradeRecord*> offers;
    const int32_t count = ListUpgradeOffers(offers);
    if (count > 0) {
      TraceBoardEvent("box upgrade");
      mScreens->ShowMessageBox("upgrade");
      TraceBoardEvent("shop %d offers", int(count));
      mDialogs[kShop]->Show();
      return;
    }
  }
  ReportLevelResult();
}

int32_t ZCBoard_Game3::GetResultCode() const {
  if (mVipLost) return 3;
  if (mMoney >= mExpertGoal) return 0;
  if (mMoney >= mGoal) return 1;
  return 2;
}

void ZCBoard_Game3::ReportLevelResult() {
  if (mEndless) {
    Hide();
    const int32_t place = mProfile->InsertSurvivalScore(mProfile->GetPlayerName(), mMoney);
    TraceBoardEvent("result survival money %d place %d", int(mMoney), int(place));
    mScreens->ShowSurvivalEnd(place < 14);
  } else {
    const int32_t result = GetResultCode();
    TraceBoardEvent("result %d money %d", int(result), int(mMoney));
    mScreens->SetCareerResult(mMoney, result, mLevelNumber);
    mDialogs[result <= 1 ? kDebriefing : kFailDebriefing]->Show();
  }
  mProfile->Save();
}

void ZCBoard_Game3::OnMoneyChanged() {
  TraceBoardEvent("money %d", int(mMoney));
  if (mEndless) return;
  // One change raises one mark at most: the expert mark follows on a later change.
  if (!mGoalMark) {
    if (mMoney >= mGoal) {
      mHud->OnGoalReached();
      mGoalMark = true;
      TraceBoardEvent("mark goal");
    }
  } else if (!mExpertMark && mMoney >= mExpertGoal) {
    mHud->OnExpertReached();
    mExpertMark = true;
    TraceBoardEvent("mark expert");
  }
}

void ZCBoard_Game3::OnStageAdvanced() {
  mHud->OnGoalReached();
  SetTextVarNumber("day", GetDay());
  if (mStageUpgradeCursor < mStageUpgrades.size() && mStageUpgrades[mStageUpgradeCursor].first == mStageNumber) {
    mPendingUpgrades.push_back(mStageUpgrades[mStageUpgradeCursor].second);
    mHud->SetUpgradeButton(true);
    ++mStageUpgradeCursor;
  }
}

void ZCBoard_Game3::LoseLife() {
  if (!mEndless) return;
  --mLives;
  TraceBoardEvent("lives %d", int(mLives));
  if (mLives >= 0) mHud->SetLives(mLives);
}

bool ZCBoard_Game3::HasVisitorSettings(const std::string (&persons)[4], const char* element) const {
  const auto& records = GetClientParamsMap();
  for (int i = 0; i < 4; ++i) {
    const std::string& skin = persons[i];
    if (i > 0 && skin.empty()) continue;
    if (!skin.empty() && records.count(skin)) continue;
    LogMessage("WARNING: %s: <%s> person%d=\"%s\" has no visitor settings in cfg\\cfg.xml; not spawned",
               LevelFileName().c_str(), element, i + 1, skin.c_str());
    return false;
  }
  return true;
}

bool ZCBoard_Game3::SpawnClientFromEvent(ScheduleEvent* event) {
  if (!event || !IsEventAllowed(5)) return false;
  // A visitor without settings would never lose patience nor leave: its event is dropped (taken
  // without a visitor), so that the queue goes on and the day still ends.
  if (!HasVisitorSettings(event->mPersons, mEndless ? "time_point_template" : "time_point")) return true;
  // Nor does an event wait for ever for a kind of visitor the level has no object for.
  const bool seated = event->mType == "family";
  if ((seated || event->mType == "client") && !mActors->HasVisitorsOfKind(seated)) {
    LogMessage("WARNING: %s: a \"%s\" comes, but the level has no %s visitor; not spawned", LevelFileName().c_str(),
               event->mType.c_str(), seated ? "seated" : "standing");
    return true;
  }
  bool placed = false;
  if (event->mType == "client")
    placed = mActors->SpawnStand(event, 0, 100.0f);
  else if (event->mType == "family")
    placed = mActors->SpawnSit(event, 0, 100.0f);
  if (placed) mTutorial->ApplyRule(1);
  return placed;
}

void ZCBoard_Game3::HandleClickedItem(ZCPickItem* item) {
  if (!item || !IsEventAllowed(7) || !mTutorial->IsItemAllowed(item->GetName())) return;
  if (ZCMoveItem* heroine = GetHeroine()) heroine->QueueTarget(item);
  mTutorial->ApplyRule(2);
}

void ZCBoard_Game3::StartRush() {
  if (!IsEventAllowed(6)) return;
  const int32_t forced = mTutorial->NextForcedBonus();
  if (forced >= 0) {
    TraceBoardEvent("minigame token %d disabled", int(forced));
    mMiniGame->AddToken(forced, false, false);
  } else {
    TraceBoardEvent("minigame token random");
    mMiniGame->AddRandomToken();
  }
}

void ZCBoard_Game3::OnGameStep() {
  mGoals->UpdateRush();
  mTutorial->Update();
}

void ZCBoard_Game3::KeyUp(int32_t key) {
  if (key != kEscapeKey) return;
  const bool anyOpen = mDialogs[kShop]->IsVisible() || mComix->IsVisible() || mDialogs[kEscapeMenu]->IsVisible() ||
                       mDialogs[kBriefing]->IsVisible() || mDialogs[kDebriefing]->IsVisible() ||
                       mDialogs[kFailDebriefing]->IsVisible();
  if (!anyOpen) {
    mDialogs[kEscapeMenu]->Show();
    return;
  }
  // Only what is shown is hidden: hiding a hidden dialog would give back a pause it never took.
  // A debriefing stays: the day is over, and without it the player would face a still café with
  // no way on but its buttons (the next day, again, the menu).
  for (DialogId id : {kEscapeMenu, kBriefing})
    if (mDialogs[id]->IsVisible()) mDialogs[id]->Hide();
}

void ZCBoard_Game3::ApplyMiniGameBonus(int32_t type, int32_t strength) {
  if (type < 0 || type >= CafeProfile::kBonusTypes) {
    LogMessage("WARNING: ZCBoard_Game3::ApplyMiniGameBonus: unknown bonus type %d ignored", int(type));
    return;
  }
  mTutorial->ApplyRule(6);
  const GameLevelValues& values = GetGameLevelValues();
  const bool shortChain = strength == 1;
  switch (type) {
    case 0: {
      const bool upgraded = IsUpgradeOwned("bonus", "money");
      const int32_t coins = shortChain ? (upgraded ? values.mBonusCoin3Upgrade : values.mBonusCoin3)
                                       : (upgraded ? values.mBonusCoin4Upgrade : values.mBonusCoin4);
      AddMoney(coins);
      PlayGameSound("minigame_coin");
      break;
    }
    case 1:
      mActors->ChangeAllPatience(1, float(strength) * values.mBonusClientStamina);
      mHud->RestartSmiles();
      PlayGameSound("minigame_happy");
      break;
    case 2:
      mActors->ChangeAllTidiness(1, float(strength) * values.mBonusWorkerStamina);
      mHud->ShowGlobalClean();
      PlayGameSound("minigame_clean");
      break;
    case 3: {
      const HeroineParams* heroine = FindHeroineParams("boss");
      const float seconds = heroine ? (shortChain ? heroine->mBonusSpeedTime3 : heroine->mBonusSpeedTime4) : 0.0f;
      mActors->StartSpeedBonus(seconds);
      PlayGameSound("minigame_momentready");
      break;
    }
    case 4: {
      const float seconds = float(strength) * values.mBonusIceTimeout;
      mFreezeClock.SetTimeout(seconds);
      mHud->ShowFreeze(seconds);
      PlayGameSound("minigame_ice");
      break;
    }
  }
  if (!mEndless && !mProfile->IsBonusHintShown(type)) {
    mProfile->SetBonusHintShown(type);
    mTutorial->ShowBonusHint(type);
  }
}

// ---- Reading a level (loading thread) ----

void ZCBoard_Game3::ReadLevelRules(const XmlNode& objectRoot, const XmlNode& level) {
  if (mEndless) std::memset(mSurvivalFlags, 0, sizeof mSurvivalFlags);
  mUpgradeSkin.clear();
  mDefaultSkin.clear();
  if (XmlNode param = objectRoot.selectSingleNode(L"param")) {
    ReadBoardText(param, L"upgrade_skin", mUpgradeSkin);
    ReadBoardText(param, L"default_skin", mDefaultSkin);
  } else {
    LogMessage("WARNING: the level's object document has no \"param\" element");
  }
  if (XmlNode params = level.selectSingleNode(L"params")) {
    const int32_t most = EventSchedule::kMaxGoalMoney;
    GetClampedInt(params, LevelFileName().c_str(), L"normal", mGoal, 0, most);
    GetClampedInt(params, LevelFileName().c_str(), L"expert", mExpertGoal, 0, most);
  } else if (!mEndless) {
    LogMessage("WARNING: level %d has no \"params\" element", int(mLevelNumber));
  }
  mStageUpgrades.clear();
  mStageUpgradeCursor = 0;
  mLevelUpgradeKind = UpgradeRecord::kNone;
  if (mEndless) {
    for (const XmlNode& stage : SelectLevelOrQueue(level, L"stages/stage")) {
      int32_t num = 0;
      GetClampedInt(stage, LevelFileName().c_str(), L"num", num, 0, EventSchedule::kMaxStageNumber);
      const std::string word = ReadBoardText(stage, L"upgrade");
      const int32_t kind = UpgradeKindOf(word);
      if (kind != UpgradeRecord::kNone)
        mStageUpgrades.emplace_back(num, kind);
      else if (!word.empty())
        LogMessage("WARNING: stage %d: unknown upgrade \"%s\" ignored", int(num), word.c_str());
    }
  } else {
    const std::string word = ReadBoardText(level, L"upgrade");
    mLevelUpgradeKind = UpgradeKindOf(word);
    if (mLevelUpgradeKind == UpgradeRecord::kNone && !word.empty())
      LogMessage("WARNING: level %d: unknown upgrade \"%s\" ignored", int(mLevelNumber), word.c_str());
  }
  // Before the upgrades change any skin: the codes the café's workers and machines make.
  const std::set<std::string> codes = CafeProductCodes();
  mSchedule.RemoveOrders([&](const std::string& order) {
    if (codes.count(order)) return false;
    LogMessage("WARNING: %s: order \"%s\" is made by no worker or machine of the café; left out",
               LevelFileName().c_str(), order.c_str());
    return true;
  });
  ReapplyUpgrades();
  ReadOverrides(level);
  if (mEndless) {
    // Visitor types without settings are left out of the stages (each with a warning), so that
    // the draws pick only visitors who can come and go.
    mSchedule.RemoveVisitorTypes(
        [this](const VisitorType& type) { return !HasVisitorSettings(type.mPersons, "time_point_template"); });
    if (!mSchedule.StageSendsVisitors(0))
      LogMessage("WARNING: %s: no visitor can come; the game ends", LevelFileName().c_str());
    for (size_t stage = 1; stage < mSchedule.GetStages().size(); ++stage)
      if (!mSchedule.StageSendsVisitors(stage))
        LogMessage("WARNING: %s: stage %d of the list can send no visitor; the game ends there",
                   LevelFileName().c_str(), int(stage + 1));
  }
  if (!mEndless)
    mGoals->LoadAchievements(level);
  else
    mGoals->ClearAchievements();
  mMiniGame->ReadLevel(level);
  if (!mEndless) PreloadVisitorTextures(level);
}

std::set<std::string> ZCBoard_Game3::CafeProductCodes() const {
  // What each machine or material holds, and the product of each worker's skin. A pair is joined
  // at a worker's table, so one of its halves is always a worker's product.
  std::vector<std::string> singles;
  std::set<std::string> workerMade;
  for (ZCItem* item : GetItemRegistry().Items()) {
    std::string code;
    if (dynamic_cast<ZCTrash*>(item))
      continue;
    else if (dynamic_cast<ZCTray*>(item) || dynamic_cast<ZCPeriodItem*>(item))
      code = item->GetCode();
    else if (dynamic_cast<ZCWorker*>(item)) {
      const auto& blocks = GetWorkerParamsMap();
      const auto it = blocks.find(item->GetSkin());
      if (it != blocks.end()) code = it->second.mProduct;
      if (!code.empty()) workerMade.insert(code);
    }
    if (!code.empty()) singles.push_back(code);
  }
  // Each alone, and each pair the heroine can join on a tray.
  std::set<std::string> codes;
  for (const std::string& a : singles) {
    codes.insert(NormalizePairKey(a, false));
    for (const std::string& b : singles)
      if ((workerMade.count(a) || workerMade.count(b)) && CanJoinProducts(a, b)) codes.insert(NormalizePairKey(JoinProducts(a, b), false));
  }
  return codes;
}

void ZCBoard_Game3::ReadOverrides(const XmlNode& level) {
  // A block keeps its true original however often it is overridden: values are saved only
  // while it is not yet marked.
  const std::string file = LevelFileName();
  for (const XmlNode& node : level.selectNodes(L"override_workers/worker")) {
    const std::string name = ReadBoardText(node, L"name");
    WorkerParams* block = FindWorkerParams(name);
    if (!block) {
      LogMessage("WARNING: level %d overrides the worker block '%s' that cfg.xml lacks; skipped", int(mLevelNumber),
                 name.c_str());
      continue;
    }
    if (!block->mOverridden) {
      block->mSavedWorkTime = block->mWorkTime;
      block->mSavedTidinessUp = block->mTidinessUp;
      block->mSavedTidinessDown = block->mTidinessDown;
      block->mOverridden = true;
    }
    GetClampedFloat(node, file.c_str(), L"work_time", block->mWorkTime, 0.0f, kMaxActorTime);
    GetClampedFloat(node, file.c_str(), L"tidiness_up", block->mTidinessUp, 0.0f, kMaxPercent);
    GetClampedFloat(node, file.c_str(), L"tidiness_down", block->mTidinessDown, 0.0f, kMaxPercent);
    block->mStartTidiness = 100.0f;
    GetClampedFloat(node, file.c_str(), L"worker_start_stamina", block->mStartTidiness, 0.0f, kMaxPercent);
  }
  auto& clients = GetClientParamsMap();
  for (const XmlNode& node : level.selectNodes(L"override_clients/client")) {
    const std::string name = ReadBoardText(node, L"name");
    auto it = clients.find(name);
    if (it == clients.end()) {
      LogMessage("WARNING: level %d overrides the client block '%s' that cfg.xml lacks; skipped", int(mLevelNumber),
                 name.c_str());
      continue;
    }
    ClientParams& block = it->second;
    if (!block.mOverridden) {
      block.mSavedPatienceSpeed = block.mPatienceSpeed;
      block.mSavedMoneyGreen = block.mMoneyGreen;
      block.mSavedMoneyYellow = block.mMoneyYellow;
      block.mSavedMoneyRed = block.mMoneyRed;
      block.mSavedLossesMoney = block.mLossesMoney;
      block.mOverridden = true;
    }
    ReadPatienceSpeed(node, file.c_str(), block.mPatienceSpeed);
    GetClampedInt(node, file.c_str(), L"client_money01_g", block.mMoneyGreen, 0, kMaxMoneyValue);
    GetClampedInt(node, file.c_str(), L"client_money01_y", block.mMoneyYellow, 0, kMaxMoneyValue);
    GetClampedInt(node, file.c_str(), L"client_money01_r", block.mMoneyRed, 0, kMaxMoneyValue);
    GetClampedInt(node, file.c_str(), L"client_losses_money", block.mLossesMoney, 0, kMaxMoneyValue);
    block.mStartPatience = 100.0f;
    GetClampedFloat(node, file.c_str(), L"client_start_stamina", block.mStartPatience, 0.0f, kMaxPercent);
  }
  mGoals->OverrideRushTimeout(level);
  std::string speedText;
  if (GetAttrStringA(level, "override_boss_speed", speedText)) {
    HeroineParams* heroine = FindHeroineParams("boss");
    auto& persons = GetBoardWorld().mPersons;
    auto person = persons.find("boss");
    if (!heroine || person == persons.end()) {
      LogMessage("WARNING: level %d overrides the speed of \"boss\", whom cfg.xml lacks; skipped", int(mLevelNumber));
    } else {
      if (!heroine->mOverridden) {
        heroine->mSavedMoveSpeed = person->second.mMoveSpeed;
        heroine->mOverridden = true;
      }
      // A speed she cannot walk at leaves her own.
      float& speed = person->second.mMoveSpeed;
      GetUsableFloat(level, file.c_str(), L"override_boss_speed", speed, kMinMoveSpeed, kMaxMoveSpeed,
                     heroine->mSavedMoveSpeed);
    }
  }
}

void ZCBoard_Game3::RestoreOverrides() {
  mGoals->RestoreRushTimeout();
  for (auto& [name, block] : GetWorkerParamsMap()) {
    block.mWorker = nullptr;
    if (!block.mOverridden) continue;
    block.mWorkTime = block.mSavedWorkTime;
    block.mTidinessUp = block.mSavedTidinessUp;
    block.mTidinessDown = block.mSavedTidinessDown;
    block.mOverridden = false;
  }
  for (auto& [name, block] : GetClientParamsMap()) {
    if (!block.mOverridden) continue;
    block.mPatienceSpeed = block.mSavedPatienceSpeed;
    block.mMoneyGreen = block.mSavedMoneyGreen;
    block.mMoneyYellow = block.mSavedMoneyYellow;
    block.mMoneyRed = block.mSavedMoneyRed;
    block.mLossesMoney = block.mSavedLossesMoney;
    block.mOverridden = false;
  }
  for (auto& [name, heroine] : GetHeroineParamsMap()) {
    if (!heroine.mOverridden) continue;
    auto& persons = GetBoardWorld().mPersons;
    auto person = persons.find(name);
    if (person != persons.end()) person->second.mMoveSpeed = heroine.mSavedMoveSpeed;
    heroine.mOverridden = false;
  }
}

void ZCBoard_Game3::PreloadVisitorTextures(const XmlNode& level) {
  ZCTextureCache* cache = mTextureCache;
  if (!cache) {
    ZCEngine* engine = GetEngine();
    cache = engine ? engine->GetTextureCache() : nullptr;
  }
  if (!cache) return;
  static const char* const kStandOrientations[] = {"client_stand_down", "client_stand_up"};
  static const char* const kStandStates[] = {"direct_green", "direct_yellow", "discontent", "go_happy",
                                             "go_unhappy",   "idle_green",    "idle_yellow"};
  static const char* const kSitOrientations[] = {"client_sitting_up", "client_sitting_down"};
  static const char* const kSitStates[] = {"direct_green", "direct_yellow", "discontent",   "go_happy",
                                           "go_unhappy",   "idle_green",    "idle_yellow",  "idle_thinking",
                                           "eating_process", "scandal"};
  // Only the ids the cache declares are taken, each once.
  auto take = [&](const std::string& id) {
    if (!cache->HasTexture(id)) return;
    for (const std::string& held : mPreloadIds)
      if (held == id) return;
    mPreload.push_back(cache->GetTexture(id));
    mPreloadIds.push_back(id);
  };
  auto takeSkin = [&](const std::string& skin, const auto& orientations, const auto& states, const char* head) {
    for (const char* orientation : orientations)
      for (const char* state : states) take(std::string("tex\\") + orientation + skin + "tl" + state);
    for (int number = 1; number <= 2; ++number)
      for (const char* state : states) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%02d", number);
        take(std::string("tex\\") + head + skin + "tl" + state + suffix);
      }
  };
  for (const XmlNode& point : level.selectNodes(L"events_queue/time_point")) {
    const std::string type = ReadBoardText(point, L"type");
    if (type == "client") {
      const std::string skin = ReadBoardText(point, L"person1");
      if (!skin.empty()) takeSkin(skin, kStandOrientations, kStandStates, "client_stand_head");
    } else if (type == "family") {
      for (const wchar_t* attr : {L"person1", L"person2", L"person3", L"person4"}) {
        const std::string skin = ReadBoardText(point, attr);
        if (!skin.empty()) takeSkin(skin, kSitOrientations, kSitStates, "client_sitting_head");
      }
    }
  }
}

void ZCBoard_Game3::OnLevelCleared() {
  mPreload.clear();
  mPreloadIds.clear();
  RestoreOverrides();
  // The items are gone: so are the actors' lists.
  ResetCafeWorld();
}

// ---- Game parameters ----

void ZCBoard_Game3::LoadGameParams(const XmlNode& root) {
  ZCMoveItem::LoadPersons(root);
  LoadWorkerParams(root);
  LoadClientParams(root);
  LoadPeriodParams(root);
  LoadHeroineParams(root);
  LoadLevelValues(root);
  mGoals->LoadRushConfig(root);
  LoadUpgrades(root);
  mVipLost = false;
  mAbandoned = false;
}

void ZCBoard_Game3::ClearGameParams() {
  ZCMoveItem::ClearPersons();
  ClearWorkerParams();
  ClearClientParams();
  ClearPeriodParams();
  ClearHeroineParams();
}

void ZCBoard_Game3::LoadLevelValues(const XmlNode& root) {
  XmlNode node = root.selectSingleNode(L"level");
  if (!node) {
    LogMessage("WARNING: cfg.xml has no \"level\" element");
    return;
  }
  GameLevelValues& values = GetGameLevelValues();
  ReadCfgInt(node, L"valBonusCoin3", values.mBonusCoin3, kMaxMoneyValue);
  ReadCfgInt(node, L"valBonusCoin4", values.mBonusCoin4, kMaxMoneyValue);
  ReadCfgInt(node, L"valBonusCoin3Upgrade", values.mBonusCoin3Upgrade, kMaxMoneyValue);
  ReadCfgInt(node, L"valBonusCoin4Upgrade", values.mBonusCoin4Upgrade, kMaxMoneyValue);
  ReadCfgFloat(node, L"bonus_wstamina", values.mBonusWorkerStamina, kMaxPercent);
  ReadCfgFloat(node, L"bonus_cstamina", values.mBonusClientStamina, kMaxPercent);
  ReadCfgTime(node, L"bonus_iceagetimeout", values.mBonusIceTimeout);
  ReadCfgTime(node, L"client_pause", values.mClientPause);
}
