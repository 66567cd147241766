#include "cafe/TutorialManager.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "board/ZCItem.h"
#include "cafe/ZCBoard_Game3.h"
#include "shell/Log.h"

namespace {

std::vector<std::string> SplitNames(const char* names) {
  std::vector<std::string> out;
  if (!names) return out;
  std::string piece;
  for (const char* p = names;; ++p) {
    if (*p == ';' || *p == '\0') {
      if (!piece.empty()) out.push_back(piece);
      piece.clear();
      if (*p == '\0') break;
    } else {
      piece += *p;
    }
  }
  return out;
}

void FillSlots(int32_t (&slots)[TutorialRule::kSlots], std::initializer_list<int32_t> ids) {
  std::copy(ids.begin(), ids.end(), slots);
}

// The manager whose rule is being applied: the callbacks act on it.
TutorialManager* gApplying = nullptr;

TutorialManager& CallbackTarget() { return gApplying ? *gApplying : GetTutorialManager(); }

// Level 1's 35th to 41st rules wait for a click; the end of a rush chain (event 9) instead
// hides the hint, bars the item again and goes to the fade-out (rule 42).
TutorialRule RushLost(const char* hide, const char* allow) {
  return TutorialRule(9).SetHide(hide).SetAllow(allow).SetNext(42);
}

}  // namespace

TutorialTable BuildLevel1TutorialTable() {
  using R = TutorialRule;
  TutorialTable t;
  t.mForcedBonuses = {0, 2, 2, 1, 2, 0};
  t.mRules = {
      R(0).SetBlock(1, 6, 4, 3).SetAllow(
          "table01;table02;table03;client_place01;client_place02;client_place03;client_sit_place01;"
          "client_sit_place02;trash_bin;wash_stand"),
      R(1).SetShow("tutorial1").SetBlock(5).SetDisallow("client_place01"),
      R(2).SetHide("tutorial1").SetAllow("client_place01"),
      R(4).SetDelay(0.5f).SetShow("tutorial2"),
      R(0).SetShow("tutorial3").SetDisallow("table01"),
      R(2).SetShow("tutorial4").SetHide("tutorial2;tutorial3").SetAllow("table01").SetDisallow("table02"),
      R(2).SetShow("tutorial5").SetHide("tutorial4").SetAllow("table02").SetDisallow("table03"),
      R(2).SetDelay(5).SetShow("tutorial6").SetHide("tutorial5").SetUnblock(4, 3, 2).SetAllow("table03"),
      R(8).SetShow("tutorial7").SetHide("tutorial6").SetDisallow("table01"),
      R(2).SetShow("tutorial8").SetHide("tutorial7").SetAllow("table01").SetDisallow("client_place01"),
      // 10
      R(2).SetHide("tutorial8").SetAllow("client_place01"),
      R(3).SetDelay(3).SetShow("tutorial9"),
      R(11).SetShow("tutorial10").SetHide("tutorial9").SetDisallow("wash_stand"),
      R(10).SetShow("tutorial11").SetHide("tutorial10").SetAllow("wash_stand").SetDisallow("table01"),
      R(10).SetHide("tutorial11").SetUnblock(5).SetAllow("table01"),
      R(1).SetShow("tutorial12").SetBlock(5).SetDisallow("client_place02"),
      R(4).SetDelay(0.5f).SetShow("tutorial13").SetHide("tutorial12").SetAllow("client_place02"),
      R(0).SetDelay(0.1f).SetShow("tutorial14").SetDisallow("table02"),
      R(10).SetShow("tutorial15").SetHide("tutorial14").SetAllow("table02").SetDisallow("table03"),
      R(10).SetShow("tutorial16").SetHide("tutorial15;tutorial13").SetAllow("table03").SetDisallow("client_place02"),
      // 20
      R(2).SetShow("tutorial17").SetHide("tutorial16"),
      R(11).SetShow("tutorial18").SetHide("tutorial16;tutorial17").SetAllow("client_place02"),
      R(11).SetShow("tutorial19").SetHide("tutorial18").SetUnblock(5),
      R(1).SetDelay(0.5f).SetBlock(5),
      R(0).SetUnblock(5),
      R(1).SetDelay(0.5f).SetBlock(5),
      R(0).SetUnblock(5),
      R(1).SetDelay(0.5f).SetBlock(5),
      R(0).SetUnblock(5),
      R(1).SetDelay(0.5f).SetBlock(5),
      // 30
      R(0).SetUnblock(5),
      R(1).SetDelay(0.5f),
      R(0).SetShow("tutorial20"),
      R(11).SetShow("tutorial20a;tutorial20a1").SetHide("tutorial19;tutorial20").SetUnblock(6).SetDisallow("table01"),
      R(2).SetShow("tutorial20a2").SetHide("tutorial20a1").SetAllow("table01").SetDisallow("table02").SetCallback(
          TutorialRestartRushTimer),
      R(2).SetShow("tutorial20a3").SetHide("tutorial20a2").SetAllow("table02").SetDisallow("table03").AddAlternative(
          RushLost("tutorial20a2", "table02")),
      R(2).SetShow("tutorial20a4").SetHide("tutorial20a3").SetAllow("table03").SetDisallow("client_place01")
          .AddAlternative(RushLost("tutorial20a3", "table03")),
      R(2).SetShow("tutorial20a5").SetHide("tutorial20a4").SetAllow("client_place01").SetDisallow("client_place02")
          .AddAlternative(RushLost("tutorial20a4", "client_place01")),
      R(2).SetShow("tutorial20a6").SetHide("tutorial20a5").SetAllow("client_place02").SetDisallow("client_place03")
          .AddAlternative(RushLost("tutorial20a5", "client_place02")),
      R(2).SetShow("tutorial20a7").SetHide("tutorial20a6").SetAllow("client_place03").SetDisallow("client_sit_place02")
          .AddAlternative(RushLost("tutorial20a6", "client_place03")),
      // 40
      R(2).SetShow("tutorial20a8").SetHide("tutorial20a7").SetAllow("client_sit_place02")
          .SetDisallow("client_sit_place01").AddAlternative(RushLost("tutorial20a7", "client_sit_place02")),
      R(2).SetDelay(4).SetShow("tutorial21a").SetHide("tutorial20a8;tutorial20a").SetAllow("client_sit_place01")
          .SetNext(46).AddAlternative(RushLost("tutorial20a8", "client_sit_place01")),
      R(0).SetHide("tutorial20a").SetCallback(TutorialBeginFadeOut),
      R(12).SetShow("tutorial21b").SetCallback(TutorialResetScene),
      R(11).SetHide("tutorial21b").SetCallback(TutorialBeginFadeIn),
      R(13).SetShow("tutorial20a;tutorial20a1").SetDisallow("table01").SetNext(34),
      R(0).SetShow("tutorial22").SetMiniGameCommand(4),
      R(6).SetDelay(3).SetShow("tutorial23").SetHide("tutorial22;tutorial21a"),
      R(11).SetDelay(3).SetShow("tutorial24").SetHide("tutorial23"),
      R(11).SetHide("tutorial24"),
  };
  return t;
}

namespace {

TutorialTable BuildBonusHintTable(const char* widget) {
  TutorialTable t;
  t.mRules = {TutorialRule(0).SetShow(widget).SetBlock(7), TutorialRule(11).SetHide(widget).SetUnblock(7)};
  return t;
}

CafeHud& Hud() {
  static CafeHud none;
  ZCBoard_Game3* board = GetCafeBoard();
  return board ? board->GetHud() : none;
}

CafeMiniGame& MiniGame() {
  static CafeMiniGame none;
  ZCBoard_Game3* board = GetCafeBoard();
  return board ? board->GetMiniGame() : none;
}

}  // namespace

// ---- Rules ----

TutorialRule& TutorialRule::SetDelay(float seconds) {
  mDelay = seconds;
  return *this;
}
TutorialRule& TutorialRule::SetShow(const char* names) {
  mShow = SplitNames(names);
  return *this;
}
TutorialRule& TutorialRule::SetHide(const char* names) {
  mHide = SplitNames(names);
  return *this;
}
TutorialRule& TutorialRule::SetUnblock(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
  FillSlots(mUnblock, {a, b, c, d, e});
  return *this;
}
TutorialRule& TutorialRule::SetBlock(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
  FillSlots(mBlock, {a, b, c, d, e});
  return *this;
}
TutorialRule& TutorialRule::SetDisallow(const char* names) {
  mDisallow = SplitNames(names);
  return *this;
}
TutorialRule& TutorialRule::SetAllow(const char* names) {
  mAllow = SplitNames(names);
  return *this;
}
TutorialRule& TutorialRule::SetMiniGameCommand(int32_t command) {
  mMiniGameCommand = command;
  return *this;
}
TutorialRule& TutorialRule::SetNext(int32_t index) {
  mNext = index;
  return *this;
}
TutorialRule& TutorialRule::SetCallback(Callback callback) {
  mCallback = callback;
  return *this;
}
TutorialRule& TutorialRule::AddAlternative(const TutorialRule& rule) {
  mAlternatives.push_back(rule);
  return *this;
}

// ---- Tables ----

const TutorialTable& GetLevel1TutorialTable() {
  static const TutorialTable table = BuildLevel1TutorialTable();
  return table;
}

const TutorialTable& GetBonusHintTable(int32_t type) {
  static const TutorialTable tables[] = {BuildBonusHintTable("tutorial_bonus_coin"),
                                         BuildBonusHintTable("tutorial_bonus_happy"), TutorialTable(),
                                         BuildBonusHintTable("tutorial_bonus_speed"),
                                         BuildBonusHintTable("tutorial_bonus_ice")};
  static const TutorialTable empty;
  return type >= 0 && type < int32_t(std::size(tables)) ? tables[type] : empty;
}

TutorialManager& GetTutorialManager() {
  static TutorialManager manager;
  return manager;
}

// ---- Gates ----

bool TutorialManager::IsEventAllowed(int32_t id) {
  if (!mTable) return true;
  return mBlocked.count(7) == 0 && mBlocked.count(id) == 0;
}

bool TutorialManager::IsItemAllowed(const std::string& name) {
  if (!mTable) return true;
  if (mLock) return false;
  return mBarred.count(name) == 0;
}

// ---- Running a table ----

void TutorialManager::Reset() {
  mTable = nullptr;
  mRuleIndex = 0;
  mForcedIndex = 0;
  mBlocked.clear();
  mBarred.clear();
  mShown.clear();
  mPending.clear();
  mFadeOut = false;
  mFadeIn = false;
}

void TutorialManager::Begin(const TutorialTable& table) {
  if (table.mRules.empty()) return;
  mTable = &table;
  // Rule 0 waits for a clock that has run out.
  mRuleClock.SetTimeout(0);
  ApplyRule(0);
}

void TutorialManager::Start(int32_t level) {
  Reset();
  if (level != kTutorialLevel) {
    Hud().HideSkipTutorial();
    return;
  }
  Hud().ShowSkipTutorial();
  CheckItems(GetLevel1TutorialTable());
  Begin(GetLevel1TutorialTable());
}

void TutorialManager::Stop() {
  // A level left during the scene's reset would keep its veil over the next one.
  if (mFadeOut || mFadeIn) Hud().SetTutorResetWidget(false, 0);
  Reset();
}

void TutorialManager::ShowBonusHint(int32_t type) {
  if (type < 0 || type > 4) {
    LogMessage("WARNING: TutorialManager::ShowBonusHint: unknown bonus type %d ignored", int(type));
    return;
  }
  const TutorialTable& table = GetBonusHintTable(type);
  if (table.mRules.empty()) return;
  // The replaced table's hints would otherwise stay on screen for good.
  for (const std::string& name : std::set<std::string>(mShown)) SetWidget(name, false);
  Reset();
  Begin(table);
}

int32_t TutorialManager::NextForcedBonus() {
  if (!mTable || mForcedIndex >= int32_t(mTable->mForcedBonuses.size())) return -1;
  return mTable->mForcedBonuses[size_t(mForcedIndex++)];
}

void TutorialManager::Finish() {
  mTable = nullptr;
  TraceBoardEvent("tutorial finish");
  MiniGame().EnableAllTokens();
  Hud().HideSkipTutorial();
}

void TutorialManager::Skip() {
  TraceBoardEvent("tutorial skip");
  Finish();
  mFadeOut = false;
  mFadeIn = false;
  mShown.clear();
  mPending.clear();
  Hud().SetTutorResetWidget(false, 0);
  Hud().HideTutorialWidgets();
}

bool TutorialManager::Matches(const TutorialRule& rule, int32_t event) const {
  if (rule.mTrigger != 0) return rule.mTrigger == event;
  return !mRuleClock.IsRunning();
}

void TutorialManager::ApplyRule(int32_t event) {
  // A rule's callback or what it shows may report events: they wait for the rule to finish.
  if (mApplying) {
    mPending.push_back(event);
    return;
  }
  mApplying = true;
  ApplyOne(event);
  while (!mPending.empty()) {
    const int32_t next = mPending.front();
    mPending.pop_front();
    ApplyOne(next);
  }
  mApplying = false;
}

void TutorialManager::ApplyOne(int32_t event) {
  if (!mTable) return;
  if (mRuleIndex < 0 || mRuleIndex >= int32_t(mTable->mRules.size())) {
    Finish();
    return;
  }
  const TutorialRule& current = mTable->mRules[size_t(mRuleIndex)];
  const TutorialRule* taken = nullptr;
  bool alternative = false;
  if (Matches(current, event)) {
    taken = &current;
  } else {
    for (const TutorialRule& alt : current.mAlternatives)
      if (Matches(alt, event)) {
        taken = &alt;
        alternative = true;
        break;
      }
  }
  if (!taken) return;
  const char* suffix = alternative ? "(alt)" : "";
  LogMessage("ApplyRule: %d%s", int(mRuleIndex), suffix);
  TraceBoardEvent("ApplyRule: %d%s", int(mRuleIndex), suffix);
  const TutorialTable* table = mTable;
  Apply(*taken);
  mRuleClock.SetTimeout(taken->mDelay);
  // A callback that replaced or ended the table has moved on already.
  if (mTable != table) return;
  mRuleIndex = taken->mNext != -1 ? taken->mNext : mRuleIndex + 1;
  if (mRuleIndex < 0 || mRuleIndex >= int32_t(mTable->mRules.size())) Finish();
}

void TutorialManager::Apply(const TutorialRule& rule) {
  for (int32_t id : rule.mBlock)
    if (id != 0 && mBlocked.insert(id).second) TraceBoardEvent("tutorial block %d", int(id));
  for (int32_t id : rule.mUnblock)
    if (id != 0 && mBlocked.erase(id)) TraceBoardEvent("tutorial unblock %d", int(id));
  for (const std::string& name : rule.mAllow) mBarred.insert(name);
  for (const std::string& name : rule.mDisallow) mBarred.erase(name);
  for (const std::string& name : rule.mShow) SetWidget(name, true);
  for (const std::string& name : rule.mHide) SetWidget(name, false);
  if (rule.mMiniGameCommand != 0) {
    TraceBoardEvent("tutorial minigame %d", int(rule.mMiniGameCommand));
    MiniGame().EnableToken(rule.mMiniGameCommand);
  }
  if (rule.mCallback) {
    TutorialManager* outer = gApplying;
    gApplying = this;
    rule.mCallback();
    gApplying = outer;
  }
}

void TutorialManager::SetWidget(const std::string& name, bool visible) {
  if (visible)
    mShown.insert(name);
  else
    mShown.erase(name);
  TraceBoardEvent("tutorial %s %s", visible ? "show" : "hide", name.c_str());
  Hud().SetTutorialWidgetVisible(name, visible);
}

void TutorialManager::CheckItems(const TutorialTable& table) {
  std::set<std::string> names;
  for (const TutorialRule& rule : table.mRules) {
    names.insert(rule.mAllow.begin(), rule.mAllow.end());
    names.insert(rule.mDisallow.begin(), rule.mDisallow.end());
  }
  for (const std::string& name : names)
    if (!ZCItem::FindByName(name)) LogMessage("WARNING: the tutorial names the item \"%s\" that the level lacks", name.c_str());
}

void TutorialManager::Update() {
  const float step = GetGameStep();
  if (mFadeOut) {
    Hud().SetTutorResetWidget(true, 1.0f - mFadeTime);
    mFadeTime -= step;
    if (mFadeTime <= 0) {
      mFadeOut = false;
      ApplyRule(12);
      Hud().SetTutorResetWidget(true, 1.0f);
    }
  }
  if (mFadeIn) {
    Hud().SetTutorResetWidget(true, mFadeTime);
    mFadeTime -= step;
    if (mFadeTime <= 0) {
      mFadeIn = false;
      ApplyRule(13);
      Hud().SetTutorResetWidget(false, 0);
    }
  }
  if (mTable && !mRuleClock.IsRunning()) {
    mRuleClock.SetTimeout(0);
    ApplyRule(0);
  }
}

// ---- Callbacks ----

void TutorialManager::RestartRushTimer() {
  if (ZCBoard_Game3* board = GetCafeBoard()) board->GetGoals().RestartRushTimer();
}

void TutorialManager::BeginFadeOut() {
  mFadeOut = true;
  mFadeTime = 1.0f;
  TraceBoardEvent("tutorial fade out");
  Hud().SetTutorResetWidget(true, 0);
}

void TutorialManager::BeginFadeIn() {
  mFadeIn = true;
  mFadeTime = 1.0f;
  TraceBoardEvent("tutorial fade in");
}

void TutorialManager::ResetScene() {
  TraceBoardEvent("tutorial reset scene");
  ZCBoard_Game3* board = GetCafeBoard();
  if (!board) return;
  CafeActors& actors = board->GetActors();
  actors.ResetHeroine("client_place02");
  board->GetMiniGame().ResetLevel();
  // A step made while the café faded out must not count towards the next try's rush.
  board->GetGoals().ResetRush();
  mForcedIndex = 0;
  for (const char* name : {"worker01", "worker02", "worker03"}) actors.ResetWorker(name);
  for (const char* name : {"client01", "client02", "client03", "client_sit01", "client_sit02"})
    actors.ResetVisitor(name);
}

void TutorialRestartRushTimer() { CallbackTarget().RestartRushTimer(); }
void TutorialBeginFadeOut() { CallbackTarget().BeginFadeOut(); }
void TutorialBeginFadeIn() { CallbackTarget().BeginFadeIn(); }
void TutorialResetScene() { CallbackTarget().ResetScene(); }
