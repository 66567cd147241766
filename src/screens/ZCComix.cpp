#include "screens/ZCComix.h"

#include <algorithm>

#include "board/ZCBoard_Game.h"
#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "graphics/Graphics.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCComixActor.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "sound/ZCMusic.h"

ZCComix::ZCComix(ZCEngine* app, const XmlNode& uiDoc) : ZCDialog(0, app), mEngine(app) {
  if (uiDoc) LoadByName(uiDoc, "comix_ui");
  // It covers the screen, so that a click anywhere reaches it.
  Resize(0, 0, app ? app->mAppWidth : 1024, app ? app->mAppHeight : 768);
  SetVisible(false);
}

ZCComix::~ZCComix() = default;

void ZCComix::Load(const std::string& name) {
  LoadFrom(LoadXmlDocument("cfg\\comix.xml"), name);
}

void ZCComix::LoadFrom(const XmlNode& doc, const std::string& name) {
  Clear();
  mComixName = name;
  mTime = 0;
  mEpisodeIndex = 0;
  XmlNode found;
  for (const XmlNode& node : doc.selectNodes(L"comixes/comix")) {
    std::string nodeName;
    if (GetAttrStringA(node, "name", nodeName) && nodeName == name) {
      found = node;
      break;
    }
  }
  if (!found) {
    if (doc) LogMessage("WARNING: no cut-scene '%s' in cfg\\comix.xml", name.c_str());
    return;
  }
  mScene.Build(mEngine, found);
  if (!mScene.mEpisodes.empty()) StartEpisode(0);
}

void ZCComix::Reload() {
  const std::string name = mComixName;
  Load(name);
}

void ZCComix::Clear() {
  mScene.Clear();
  mTime = 0;
  mEpisodeIndex = 0;
}

void ZCComix::Play(const std::string& name) { Load(name); }

void ZCComix::StartEpisode(size_t index) {
  ComixEpisode& episode = *mScene.mEpisodes[index];
  episode.start = mTime;
  for (auto& actor : episode.actors) actor->Update(0);
}

void ZCComix::NextEpisode() {
  const size_t index = size_t(mEpisodeIndex);
  if (index >= mScene.mEpisodes.size()) return;
  for (auto& actor : mScene.mEpisodes[index]->actors) actor->EndEpisode();
  ++mEpisodeIndex;
  if (size_t(mEpisodeIndex) < mScene.mEpisodes.size()) StartEpisode(size_t(mEpisodeIndex));
}

void ZCComix::Advance(float seconds) {
  mTime += seconds;
  const size_t current = size_t(mEpisodeIndex);
  // Past the last episode its final picture stays until the scene is ended.
  if (current >= mScene.mEpisodes.size()) return;
  // Earlier episodes' actors go on running (a background motion that is not local).
  for (size_t e = 0; e <= current; ++e) {
    ComixEpisode& episode = *mScene.mEpisodes[e];
    for (auto& actor : episode.actors) actor->Update(mTime - episode.start);
  }
  const ComixEpisode& episode = *mScene.mEpisodes[current];
  if (mTime > episode.start + episode.duration + episode.finishDelay) NextEpisode();
}

void ZCComix::Update() {
  ZCDialog::Update();
  if (!Vesk::Widget::IsVisible() || (mEngine && mEngine->mMessageBoxOpen)) return;
  const bool running = !mPaused && (!mEngine || mEngine->mActive);
  Advance(running ? float(mEngine ? mEngine->mFrameTime : 10) / 1000 : 0);
  // The scene moves every step: it is drawn again.
  if (running) MarkDirty();
}

void ZCComix::SkipEpisode() {
  if (mPaused || size_t(mEpisodeIndex) >= mScene.mEpisodes.size()) return;
  for (auto& actor : mScene.mEpisodes[size_t(mEpisodeIndex)]->actors) actor->Finish(mTime);
  NextEpisode();
}

void ZCComix::MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) {
  SkipEpisode();
  ZCDialog::MouseDown(x, y, button, clicks);
}

void ZCComix::Draw(Vesk::Graphics* g) {
  // The show and hide effects fade the whole scene.
  const float fade = std::clamp(GetAlpha(), 0.0f, 1.0f);
  if (mScene.mClearBack) {
    const Color saved = g->GetColor();
    g->SetColor(Color(0, 0, 0, int32_t(255 * fade)));
    g->FillRect(0, 0, mWidth, mHeight);
    g->SetColor(saved);
  }
  for (auto& object : mScene.mObjects) {
    if (ZCComixObjectPic* pic = object->AsPic()) pic->mFade = fade;
    object->Draw(g);
  }
  ZCDialog::Draw(g);
}

void ZCComix::TakePause() {
  if (mHoldsPause) return;
  if (ZCBoard_Game* board = ScreenTable::GetGameBoard()) {
    board->Pause();
    mHoldsPause = true;
  }
}

void ZCComix::ReleasePause() {
  if (!mHoldsPause) return;
  mHoldsPause = false;
  if (ZCBoard_Game* board = ScreenTable::GetGameBoard()) board->Resume();
}

void ZCComix::OnShowStart() {
  // Starting a level brings the board to the front: the scene goes before it again.
  if (mParent) mParent->BringToFront(this);
  if (ZCMusic* music = mEngine ? mEngine->GetMusic() : nullptr) music->Change("");
  TakePause();
}

void ZCComix::OnHideStart() {
  ReleasePause();
  if (ZCBoard_Game3* board = dynamic_cast<ZCBoard_Game3*>(ScreenTable::GetGameBoard())) board->PlayLevelMusic();
}

bool ZCComix::IsStartComix(const std::string& name) const {
  const ZCBoard_Game* board = ScreenTable::GetGameBoard();
  return board && board->GetStartComix() == name;
}

void ZCComix::Finish() {
  const std::string name = mComixName;
  for (auto& object : mScene.mObjects) object->Stop();
  Clear();
  if (IsStartComix(name)) {
    Hide();
    return;
  }
  // A finish scene: gone at once, the board's pause given back, and the career goes on.
  SetVisible(false);
  ReleasePause();
  const bool replay = mReplay;
  mReplay = false;
  if (mEngine) mEngine->MarkDirty();
  if (ZCBoard_Career* career = ScreenTable::GetCareer()) career->ContinueCareer(replay);
}

void ZCComix::ButtonDepress(int32_t) { Finish(); }
