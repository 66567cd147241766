#include "board/ZCBoard_Game.h"

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"
#include "board/PathGraph.h"
#include "board/ZCItem.h"
#include "board/ZCPickItem.h"
#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "engine/ZCEngine.h"
#include "raster/TriangleRaster.h"
#include "shell/Log.h"
#include "sound/SoundManager.h"
#include "widgets/CursorTable.h"
#include "widgets/WidgetManager.h"

namespace {
// The sound group of everything that sounds in play.
const char* const kGameSoundGroup = "game";

SoundManager* Sounds() {
  ZCEngine* engine = GetEngine();
  return engine ? engine->GetSoundManager() : nullptr;
}

void SetTextVarInt(const char* name, int32_t value) {
  if (TextVars* vars = GetTextVars()) vars->SetTextVarInt(name, value);
}
}  // namespace

namespace {
// The walkers that have a path graph of their own.
const char* const kGraphOwners[] = {"boss"};
}  // namespace

ZCBoard_Game::ZCBoard_Game() : mZOrder(std::make_unique<ZOrderResolver>()) {
  GetBoardWorld().mBoard = this;
  GetBoardWorld().mZOrder = mZOrder.get();
  ZCEngine* engine = GetEngine();
  Resize(0, 0, engine ? engine->mAppWidth : 1024, engine ? engine->mAppHeight : 768);
  for (const char* owner : kGraphOwners) mPathGraphs[owner] = std::make_unique<PathGraph>(owner);
  FillTriangleSpanTable();
  if (engine) engine->SetLevelHandOver([this] { PollLevelLoad(); });
}

ZCBoard_Game::~ZCBoard_Game() {
  // A load still running writes into this board: it ends first.
  JoinLoadingThread();
  if (ZCEngine* engine = GetEngine()) engine->SetLevelHandOver(nullptr);
  mPathGraphs.clear();
  BoardWorld& world = GetBoardWorld();
  if (world.mBoard == this) world.mBoard = nullptr;
  if (world.mZOrder == mZOrder.get()) world.mZOrder = nullptr;
}

PathGraph* ZCBoard_Game::GetPathGraph(const std::string& owner) const {
  auto it = mPathGraphs.find(owner);
  return it == mPathGraphs.end() ? nullptr : it->second.get();
}

void ZCBoard_Game::Draw(Vesk::Graphics* g) {
  if (!SkipItemDraw()) DrawItems(g);
}

void ZCBoard_Game::DrawItems(Vesk::Graphics* g) {
  // While a level loads its items belong to the loading thread.
  if (IsLoadingLevel()) return;
  const std::vector<ZCItemPart*>& order = mZOrder->GetItemOrder(mDrawOrderDirty);
  mDrawOrderDirty = false;
  for (ZCItemPart* part : order) {
    ZCItem* owner = part->GetOwner();
    if (owner && owner->IsVisible() && part->IsShown()) part->Draw(g);
  }
}

void ZCBoard_Game::KeepLevelImage(std::shared_ptr<Vesk::MemoryImage> image) {
  if (image) mLevelImages.push_back(std::move(image));
}

void ZCBoard_Game::ClearImageList() { mLevelImages.clear(); }

void ZCBoard_Game::Update() {
  ZCCandyWidget::Update();
  StepGame();
}

void ZCBoard_Game::OnShowStart() {
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(this);
}

void ZCBoard_Game::OnHideStart() {
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(nullptr);
}

bool ZCBoard_Game::AreQueuesDone() { return mSchedule.AllQueuesDone(); }

bool ZCBoard_Game::AcceptsInput() const {
  if (!mRunning || mPauseCount > 0 || !IsVisible()) return false;
  const ZCEngine* engine = GetEngine();
  return !engine || (engine->mActive && !engine->mMessageBoxOpen);
}

void ZCBoard_Game::StepGame() {
  // While a level loads its items belong to the loading thread. A closed gate stills the game
  // only: the widgets' frame step is left alone, so dialogs over the board or inside it play on.
  if (IsLoadingLevel() || !AcceptsInput()) {
    SetGameStep(0);
    return;
  }
  const ZCEngine* engine = GetEngine();
  const float step = float((engine ? engine->mFrameTime : 10) / 1000.0);
  SetGameStep(step);
  mLevelTime += step;
  mSchedule.Tick();
  GameClock::Advance(step);
  SpawnClients();
  ZCItem::UpdateAll();
  OnGameStep();
  // Clicks queued while the queue drains are handled in the same drain.
  while (!mClickQueue.empty()) {
    ZCPickItem* item = mClickQueue.front();
    mClickQueue.pop_front();
    HandleClickedItem(item);
  }
  // A still room is not drawn again: only a step that changed something drawn asks for it.
  if (DrawnStateChanged()) MarkDirty();
  if (mEnding) {
    if (!mEndClock.IsRunning()) FinishLevel();
    return;
  }
  if (AreQueuesDone()) {
    mEnding = true;
    mEndClock.SetTimeout(kEndDelay);
    OnLevelEnding();
  }
}

bool ZCBoard_Game::DrawnStateChanged() {
  uint64_t hash = 0xCBF29CE484222325ull;
  bool moving = mDrawOrderDirty;
  for (ZCItem* item : GetItemRegistry().Items()) {
    hash = (hash ^ uint64_t(item->IsVisible())) * 0x100000001B3ull;
    for (const auto& part : item->GetParts())
      if (part->AddDrawState(hash)) moving = true;
  }
  const bool changed = moving || hash != mDrawnState;
  mDrawnState = hash;
  return changed;
}

void ZCBoard_Game::StartLevel() {
  MarkDirty();
  SetGameStep(0);
  mLevelTime = 0;
  mStageNumber = 1;
  mEnding = false;
  mStageCursor = 0;
  GameClock::ResetAll();
  ZCItem::ActivateAll();
  mClickQueue.clear();
  mSchedule.Reset();
  if (ParticleSystemTable* particles = GetEffectServices().mParticles) particles->StopAll();
  mMoney = 0;
  mStageBase = 0;
  mStagesPending = true;
  AddMoney(0);
  OnLevelStarted();
  mRunning = true;
  TraceBoardEvent("level %d started", mLevelNumber);
}

void ZCBoard_Game::StopRunning() {
  if (!mRunning) return;
  mRunning = false;
  mHoveredItem = nullptr;
  MarkDirty();
  ZCItem::DeactivateAll();
  OnLevelStopped();
}

void ZCBoard_Game::AbortLevel() { StopRunning(); }

void ZCBoard_Game::FinishLevel() {
  StopRunning();
  TraceBoardEvent("level %d finished", int(mLevelNumber));
  OnLevelFinished();
}

void ZCBoard_Game::Pause() {
  if (mPauseCount++ != 0) return;
  if (SoundManager* sounds = Sounds()) sounds->PauseGroup(kGameSoundGroup);
  OnPause();
}

void ZCBoard_Game::Resume() {
  // An unpaired resume would leave the count below 0 and swallow the next pause.
  if (mPauseCount <= 0) {
    LogMessage("WARNING: ZCBoard_Game::Resume without a matching Pause ignored");
    return;
  }
  if (--mPauseCount != 0) return;
  if (SoundManager* sounds = Sounds()) sounds->ResumeGroup(kGameSoundGroup);
  OnResume();
}

int32_t ZCBoard_Game::AddMoney(int32_t amount) {
  if (mEndless && amount < 0) amount = 0;
  // Summed in 64 bits: a total past the 32-bit range stays at its largest value.
  int64_t total = int64_t(mMoney) + amount;
  if (total < 0) total = 0;
  if (total > INT32_MAX) total = INT32_MAX;
  mMoney = int32_t(total);
  if (mEndless && mMoney >= mSchedule.GetStageGoal()) AdvanceStage();
  OnMoneyChanged();
  SetTextVarInt("money", mMoney);
  return mMoney;
}

void ZCBoard_Game::AdvanceStage() {
  mStageBase = mSchedule.GetStageGoal();
  ++mStageNumber;
  if (mStageCursor >= mStages.size() || mStages[mStageCursor].mNum != mStageNumber) {
    // The cursor stays: a later stage of that number still opens the record.
    mStagesPending = false;
  } else {
    for (ZCItem* item : mStages[mStageCursor].mItems) {
      item->SetRunning(true);
      item->Activate(true);
      item->SendEffectMessage("on_add");
    }
    ++mStageCursor;
  }
  mSchedule.AdvanceStage();
  TraceBoardEvent("stage %d goal %d", int(mStageNumber), int(mSchedule.GetStageGoal()));
  SetTextVarInt("normal", mSchedule.GetStageGoal());
  OnStageAdvanced();
}

float ZCBoard_Game::GetLevelProgress() const {
  if (!mEndless) return mSchedule.GetProgress();
  const int32_t span = mSchedule.GetStageGoal() - mStageBase;
  if (span > 0 && mMoney > mStageBase && mStagesPending) return float(mMoney - mStageBase) / float(span);
  return 0.0f;
}

void ZCBoard_Game::SpawnClients() {
  if (mEndless) {
    mSchedule.SpawnRandom(1, &ZCBoard_Game::SpawnFromEvent);
    return;
  }
  for (int32_t queue = 0; queue < EventSchedule::kQueues; ++queue) TakeDueEvent(queue);
}

int32_t ZCBoard_Game::SpawnFromEvent(int32_t queue) {
  ZCBoard_Game* board = GetGameBoard();
  if (!board) return 0;
  if (board->mSchedule.IsQueueAtEnd(queue)) return 1;
  return board->TakeDueEvent(queue) ? 1 : 0;
}

bool ZCBoard_Game::TakeDueEvent(int32_t queue) {
  ScheduleEvent* event = mSchedule.NextDueEvent(queue);
  if (!event || !SpawnClientFromEvent(event)) return false;
  if (IsBoardTraced()) {
    // Traced before the pop, which may hand an endless event back for reuse.
    auto join = [](const auto& texts) {
      std::string joined;
      for (const std::string& text : texts)
        if (!text.empty()) joined += (joined.empty() ? "" : ",") + text;
      return joined.empty() ? std::string("none") : joined;
    };
    TraceBoardEvent("spawn %d %s persons %s orders %s", int(queue), event->mType.c_str(),
                    join(event->mPersons).c_str(), join(event->mOrders).c_str());
  }
  mSchedule.Pop(queue);
  return true;
}

// ---- Mouse ----

void ZCBoard_Game::MouseMove(int32_t x, int32_t y) {
  ZCCandyWidget::MouseMove(x, y);
  UpdateHover(x, y);
}

void ZCBoard_Game::MouseDown(int32_t x, int32_t y, int32_t button, int32_t) {
  // Button 1 is the left one.
  if (button != 1 || IsLoadingLevel() || !AcceptsInput()) return;
  ClickAt(BoardPoint{x, y});
}

void ZCBoard_Game::UpdateHover(int32_t x, int32_t y) {
  if (IsLoadingLevel() || !AcceptsInput()) return;
  const BoardPoint point{x, y};
  ZCPickItem* chosen = nullptr;
  // The later name wins: the map is walked from its last entry to its first.
  const auto& items = GetBoardWorld().mPickItems;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    ZCPickItem* item = it->second;
    const bool hit = item->HitTest(point);
    const bool highlight = hit && !chosen;
    if (item->IsVisible()) item->SetHighlight(point, highlight);
    if (!chosen && item->CanPick(highlight)) chosen = item;
  }
  if (chosen != mHoveredItem) {
    TraceBoardEvent("hover %s", chosen ? chosen->GetName().c_str() : "none");
    MarkDirty();
  }
  mHoveredItem = chosen;
  if (CursorTable* cursors = GetCursorTable()) cursors->SetCursor(chosen ? "active" : "normal");
}

void ZCBoard_Game::ClickAt(const BoardPoint& point) {
  if (IsLoadingLevel() || !AcceptsInput()) return;
  ZCPickItem* item = mHoveredItem;
  if (!item || !item->IsVisible() || !item->IsRunning() || !item->HitTest(point)) return;
  QueueClick(item);
}

void ZCBoard_Game::QueueClick(ZCPickItem* item) {
  if (!item) return;
  item->AddClick();
  TraceBoardEvent("click %s", item->GetName().c_str());
  if (SoundManager* sounds = Sounds()) sounds->PlaySound("click");
  mClickQueue.push_back(item);
}
