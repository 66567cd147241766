// Level loading: the worker thread that reads a level into the board, the hand-over to the main
// thread, and clearing a level away.
#include <cstdio>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/PathGraph.h"
#include "board/ZCBoard_Game.h"
#include "board/ZCItem.h"
#include "board/ZCPickItem.h"
#include "board/ZOrderResolver.h"
#include "engine/ZCEngine.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {
// A text attribute of up to 259 characters; empty when absent.
std::string ReadPathText(const XmlNode& node, const wchar_t* name) {
  char buf[260] = "";
  GetAttrString(node, name, buf, sizeof buf);
  return buf;
}

void SetEngineLoaded(bool loaded) {
  if (ZCEngine* engine = GetEngine()) engine->mLoaded.store(loaded, std::memory_order_release);
}
}  // namespace

void ZCBoard_Game::StartLoadingThread(int32_t level, bool endless) {
  if (IsLoadingLevel()) {
    LogMessage("WARNING: ZCBoard_Game::StartLoadingThread: level %d asked for while a level loads; ignored", level);
    return;
  }
  AbortLevel();
  JoinLoadingThread();
  mLoadSucceeded = false;
  mLoadDone.store(false, std::memory_order_release);
  mLoading.store(true, std::memory_order_release);
  SetEngineLoaded(false);
  Hide();
  GetBoardWorld().mLoadScreen->ShowLoadScreen();
  mLoaderThread = std::thread(&ZCBoard_Game::LoadingThreadMain, this, level, endless);
}

void ZCBoard_Game::RestartLevel() { StartLoadingThread(mLevelNumber, mEndless); }

void ZCBoard_Game::LoadingThreadMain(int32_t level, bool endless) {
  mLoadSucceeded = LoadLevel(level, endless);
  // Everything the worker built is in place before these are seen.
  SetEngineLoaded(true);
  mLoadDone.store(true, std::memory_order_release);
}

void ZCBoard_Game::JoinLoadingThread() {
  if (mLoaderThread.joinable()) mLoaderThread.join();
}

bool ZCBoard_Game::PollLevelLoad() {
  if (!mLoading.load(std::memory_order_acquire)) return false;
  // When the worker ends is a matter of real time; the step that sees it goes through the demo,
  // so that a replay starts the level at the step the recording did (FinishLevelLoad waits for
  // a worker slower than the recorded one).
  bool done = mLoadDone.load(std::memory_order_acquire);
  if (ZCEngine* engine = GetEngine()) engine->DemoSyncBool(done);
  if (!done) return false;
  FinishLevelLoad();
  return true;
}

void ZCBoard_Game::FinishLevelLoad() {
  JoinLoadingThread();
  // A level that could not be read is not started.
  if (mLoadSucceeded) {
    GetBoardWorld().mLoadScreen->HideLoadScreen();
    StartLevel();
  } else {
    GetBoardWorld().mLoadScreen->LevelLoadFailed();
  }
  mLoading.store(false, std::memory_order_release);
  SetEngineLoaded(true);
}

std::string ZCBoard_Game::LevelFileName(int32_t level, bool endless) {
  char fileName[32];
  std::snprintf(fileName, sizeof fileName, endless ? "cfg\\e%03d.xml" : "cfg\\l%03d.xml", int(level));
  return fileName;
}

bool ZCBoard_Game::LoadLevel(int32_t level, bool endless) {
  ClearLevelData();
  // Level numbers from 1: a level 0 could never be cleared again.
  if (level <= 0) {
    LogMessage("ERROR: ZCBoard_Game::LoadLevel: no level %d", level);
    return false;
  }
  const std::string file = LevelFileName(level, endless);
  const char* fileName = file.c_str();
  XmlNode levelDoc = LoadXmlDocument(file);
  XmlNode levelNode = levelDoc.selectSingleNode(L"level");
  if (!levelNode) {
    LogMessage("ERROR: ZCBoard_Game::LoadLevel: '%s' has no \"level\" element", fileName);
    return false;
  }
  const std::string docName = ReadPathText(levelNode, L"doc");
  if (docName.empty()) {
    LogMessage("ERROR: ZCBoard_Game::LoadLevel: '%s' names no object document (\"doc\")", fileName);
    return false;
  }
  XmlNode objectDoc = LoadXmlDocument(docName);
  XmlNode root = objectDoc.selectSingleNode(L"root");
  if (!root) {
    LogMessage("ERROR: ZCBoard_Game::LoadLevel: object document '%s' of '%s' has no \"root\" element",
               docName.c_str(), fileName);
    return false;
  }
  ReadLevelDocuments(level, endless, levelNode, root);
  return true;
}

void ZCBoard_Game::ReadLevelDocuments(int32_t level, bool endless, const XmlNode& levelNode, const XmlNode& root) {
  ClearLevelData();
  mLevelNumber = level;
  mEndless = endless;
  mStartComix = ReadPathText(levelNode, L"onstart_comix");
  mFinishComix = ReadPathText(levelNode, L"onfinish_comix");
  ZCItem::ReadLevelObjects(root);
  ZCItem::ApplyLevelStates(levelNode);
  // Only now: the new parts have bound their images, so an image both levels use keeps a
  // share and is not read again.
  ClearImageList();
  ZCItem::RegisterAllForZOrder();
  if (endless) ReadStages(levelNode);
  for (auto& [owner, graph] : mPathGraphs) {
    graph->LoadBaseGraphs(root);
    graph->AddPickPoints(owner);
    graph->LoadLevelGraphs(levelNode);
  }
  mSchedule.SetMode(endless ? EventSchedule::kEndless : EventSchedule::kCareer);
  mSchedule.SetFileName(LevelFileName());
  mSchedule.Load(levelNode);
  ReadLevelRules(root, levelNode);
}

void ZCBoard_Game::ReadStages(const XmlNode& level) {
  // The schedule reads its stages from the same place: the level node, else its events queue.
  for (const XmlNode& node : SelectLevelOrQueue(level, L"stages/stage")) {
    StageRecord record;
    GetClampedInt(node, LevelFileName().c_str(), L"num", record.mNum, 0, EventSchedule::kMaxStageNumber);
    for (const XmlNode& object : node.selectNodes(L"object")) {
      const std::string name = ReadBoardText(object, L"name");
      if (ZCItem* item = ZCItem::FindByName(name))
        record.mItems.push_back(item);
      else
        LogMessage("ERROR: Item '%s' not found", name.c_str());
    }
    mStages.push_back(std::move(record));
  }
}

void ZCBoard_Game::ClearLevelData() {
  if (mLevelNumber <= 0) return;
  mLevelNumber = 0;
  StopRunning();
  mHoveredItem = nullptr;
  mClickQueue.clear();
  mStages.clear();
  mStageCursor = 0;
  for (auto& [owner, graph] : mPathGraphs) {
    graph->ClearBase();
    graph->ClearLevel();
    graph->ClearPickPoints();
  }
  mZOrder->Clear();
  ZCItem::ClearAllStates();
  ZCItem::DeleteAll();
  BoardWorld& world = GetBoardWorld();
  world.mPickItems.clear();
  world.mMoveItems.clear();
  mSchedule.Clear();
  OnLevelCleared();
}

void ZCBoard_Game::UnloadLevel() {
  // A level still loading is being written by the worker: it ends before anything is freed.
  JoinLoadingThread();
  mLoading.store(false, std::memory_order_release);
  ClearLevelData();
  ClearImageList();
  ClearGameParams();
}

void ZCBoard_Game::LoadConfig() {
  XmlNode doc = LoadXmlDocument("cfg\\cfg.xml");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) {
    if (doc) LogMessage("ERROR: cfg\\cfg.xml has no \"root\" element");
    return;
  }
  LoadGameParams(root);
}
