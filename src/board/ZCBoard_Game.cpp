#include "board/ZCBoard_Game.h"

#include "board/BoardWorld.h"
#include "board/ZCItem.h"
#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "engine/ZCEngine.h"
#include "raster/TriangleRaster.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "sound/SoundManager.h"
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

ZCBoard_Game::ZCBoard_Game() : mZOrder(std::make_unique<ZOrderResolver>()) {
  GetBoardWorld().mBoard = this;
  GetBoardWorld().mZOrder = mZOrder.get();
  const ZCEngine* engine = GetEngine();
  Resize(0, 0, engine ? engine->mAppWidth : 1024, engine ? engine->mAppHeight : 768);
  FillTriangleSpanTable();
}

ZCBoard_Game::~ZCBoard_Game() {
  BoardWorld& world = GetBoardWorld();
  if (world.mBoard == this) world.mBoard = nullptr;
  if (world.mZOrder == mZOrder.get()) world.mZOrder = nullptr;
}

void ZCBoard_Game::Draw(Vesk::Graphics* g) {
  if (!SkipItemDraw()) DrawItems(g);
}

void ZCBoard_Game::DrawItems(Vesk::Graphics* g) {
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
  if (!AcceptsInput()) {
    SetFrameStep(0);
    return;
  }
  const ZCEngine* engine = GetEngine();
  const float step = float((engine ? engine->mFrameTime : 10) / 1000.0);
  SetFrameStep(step);
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

void ZCBoard_Game::StartLevel() {
  SetFrameStep(0);
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
}

void ZCBoard_Game::StopRunning() {
  if (!mRunning) return;
  mRunning = false;
  mHoveredItem = nullptr;
  ZCItem::DeactivateAll();
  OnLevelStopped();
}

void ZCBoard_Game::AbortLevel() { StopRunning(); }

void ZCBoard_Game::FinishLevel() {
  StopRunning();
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
  SetTextVarInt("normal", mSchedule.GetStageGoal());
  OnStageAdvanced();
}

void ZCBoard_Game::ReadStages(const XmlNode& level) {
  std::vector<XmlNode> stages = level.selectNodes(L"stages/stage");
  if (stages.empty()) stages = level.selectNodes(L"events_queue/stages/stage");
  for (const XmlNode& node : stages) {
    StageRecord record;
    GetAttrIntA(node, "num", record.mNum);
    for (const XmlNode& object : node.selectNodes(L"object")) {
      char name[128] = {};
      GetAttrString(object, L"name", name, sizeof name);
      if (ZCItem* item = ZCItem::FindByName(name))
        record.mItems.push_back(item);
      else
        LogMessage("ERROR: Item '%s' not found", name);
    }
    mStages.push_back(std::move(record));
  }
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
  for (int32_t queue = 0; queue < EventSchedule::kQueues; ++queue) {
    ScheduleEvent* event = mSchedule.NextDueEvent(queue);
    if (event && SpawnClientFromEvent(event)) mSchedule.Pop(queue);
  }
}

int32_t ZCBoard_Game::SpawnFromEvent(int32_t queue) {
  ZCBoard_Game* board = GetGameBoard();
  if (!board) return 0;
  EventSchedule& schedule = board->mSchedule;
  if (schedule.IsQueueAtEnd(queue)) return 1;
  ScheduleEvent* event = schedule.NextDueEvent(queue);
  if (!event || !board->SpawnClientFromEvent(event)) return 0;
  schedule.Pop(queue);
  return 1;
}
