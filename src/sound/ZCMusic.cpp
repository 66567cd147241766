#include "sound/ZCMusic.h"

#include <algorithm>
#include <vector>

#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/XmlNode.h"
#include "sound/SoundConfig.h"
#include "sound/MusicInterface.h"

ZCMusic::ZCMusic(Vesk::MusicInterface* music) : mMusic(music) {}

ZCMusic::~ZCMusic() {
  std::lock_guard<std::mutex> lock(mMutex);
  for (auto& [name, s] : mStreams) s->Stop(false);
}

namespace {
constexpr int kDefaultFadeMs = 1000;

ZCMusic::Order ReadOrder(const XmlNode& node, const std::string& name) {
  std::string type;
  if (!GetAttrStringA(node, "type", type) || type == "step") return ZCMusic::Order::Step;
  if (type == "random") return ZCMusic::Order::Random;
  if (type == "sync") return ZCMusic::Order::Sync;
  LogMessage("WARNING: ZCMusic::LoadMusic: stream '%s' has unknown type '%s'; playing it step by step", name.c_str(),
             type.c_str());
  return ZCMusic::Order::Step;
}

struct StreamLoad {
  ZCMusic* mMusic;
  ZCTracks* mStream;
};
}  // namespace

void ZCMusic::LoadMusic(const XmlNode& root) {
  ForEachNode(
      root, L"music/stream",
      [](const XmlNode& node, void* self, void*) {
        auto* music = static_cast<ZCMusic*>(self);
        std::string name;
        GetAttrStringA(node, "name", name);
        Order order = ReadOrder(node, name);
        int32_t fade = kDefaultFadeMs;
        if (GetAttrInt(node, L"fade", &fade) && fade < 0) {
          LogMessage("WARNING: ZCMusic::LoadMusic: stream '%s' has a negative fade; using %d ms", name.c_str(),
                     kDefaultFadeMs);
          fade = kDefaultFadeMs;
        }
        StreamLoad load{music, music->AddStream(name, order, fade)};
        if (!load.mStream) return true;
        ForEachNode(
            node, L"track",
            [](const XmlNode& track, void* arg, void*) {
              auto* l = static_cast<StreamLoad*>(arg);
              std::string file;
              GetAttrStringA(track, "file", file);
              int volume = SoundConfig::ReadVolume(track, "music stream '" + l->mStream->GetName() + "'", 100);
              l->mMusic->AddTrack(l->mStream, file, volume);
              return true;
            },
            &load, nullptr);
        return true;
      },
      this, nullptr);
}

ZCTracks* ZCMusic::AddStream(const std::string& name, Order order, int fadeMs) {
  if (name.empty()) {
    LogMessage("ZCMusic::LoadMusic failed. Stream node has no name");
    return nullptr;
  }
  std::unique_ptr<ZCTracks> stream;
  switch (order) {
    case Order::Step: stream = std::make_unique<ZCTracksStep>(name, fadeMs); break;
    case Order::Random: stream = std::make_unique<ZCTracksRandom>(name, fadeMs); break;
    case Order::Sync: stream = std::make_unique<ZCTracksSync>(name, fadeMs); break;
  }
  std::lock_guard<std::mutex> lock(mMutex);
  auto [it, added] = mStreams.emplace(name, std::move(stream));
  if (!added) {
    LogMessage("WARNING: ZCMusic::LoadMusic: stream '%s' is defined twice; the first stays", name.c_str());
    return nullptr;
  }
  return it->second.get();
}

bool ZCMusic::AddTrack(ZCTracks* stream, const std::string& file, int volume) {
  if (!stream) return false;
  int songId;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    songId = mNextSongId++;
  }
  if (mMusic->IsAvailable()) {
    if (file.empty() || !GetPakInterface()->Exists(file)) {
      LogMessage("WARNING: ZCMusic::LoadMusic: stream '%s': cannot read '%s'", stream->GetName().c_str(),
                 file.c_str());
      return false;
    }
    // The file is read here to be checked, and again when the song starts.
    auto read = [file] {
      std::vector<uint8_t> bytes;
      GetPakInterface()->ReadWholeFile(file, bytes, FileKind::kMusic);
      return bytes;
    };
    std::string error;
    if (!mMusic->LoadMusicFile(songId, read, &error)) {
      LogMessage("WARNING: ZCMusic::LoadMusic: stream '%s': cannot decode '%s' (%s)", stream->GetName().c_str(),
                 file.c_str(), error.c_str());
      return false;
    }
  }
  std::lock_guard<std::mutex> lock(mMutex);
  stream->AddTrack(std::make_unique<MusicTrack>(mMusic, songId, volume, stream->GetFadeMs()));
  return true;
}

ZCTracks* ZCMusic::FindStream(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mMutex);
  auto it = mStreams.find(name);
  return it == mStreams.end() ? nullptr : it->second.get();
}

size_t ZCMusic::GetStreamCount() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mStreams.size();
}

void ZCMusic::Change(const std::string& id) {
  ZCTracks* next = nullptr;
  if (!id.empty()) {
    next = FindStream(id);
    if (!next) {
      LogMessage("WARNING: ZCMusic::Change: no music stream '%s'", id.c_str());
      return;
    }
  }
  std::lock_guard<std::mutex> lock(mMutex);
  if (!mSwitching && next == mCurrent && (!next || next->IsRunning())) return;
  if (mSwitching) {
    // Back to the stream that fades out: it fades in again. Otherwise only what follows changes.
    if (next == mCurrent && mCurrent->CancelStop()) {
      mSwitching = false;
      mPending = nullptr;
    } else {
      mPending = next;
    }
    return;
  }
  if (mCurrent && mCurrent->IsSounding()) {
    mCurrent->Stop(true);
    mPending = next;
    mSwitching = true;
    if (mCurrent->IsSounding()) return;
  }
  mPending = next;
  StartPending();
}

void ZCMusic::StartPending() {
  // One stream sounds at a time: the next starts where the old one ended, when it keeps time.
  double position = mPending && mCurrent && mPending->KeepsPosition() ? mCurrent->GetPosition() : 0.0;
  mSwitching = false;
  mCurrent = mPending;
  mPending = nullptr;
  if (mCurrent) mCurrent->Start(mVolume, position);
}

std::string ZCMusic::GetCurrentName() const {
  std::lock_guard<std::mutex> lock(mMutex);
  const ZCTracks* s = mSwitching ? mPending : mCurrent;
  return s ? s->GetName() : std::string();
}

MusicTrack* ZCMusic::GetSingleTrack(const std::string& name) const {
  ZCTracks* s = FindStream(name);
  return s && s->GetTrackCount() == 1 ? s->GetTrack(0) : nullptr;
}

void ZCMusic::SetVolume(int volume) {
  std::lock_guard<std::mutex> lock(mMutex);
  mVolume = std::clamp(volume, 0, 100);
  if (mCurrent && !mSwitching) mCurrent->SetVolume(mVolume);
}

void ZCMusic::Stop(bool fade) {
  std::lock_guard<std::mutex> lock(mMutex);
  for (auto& [name, s] : mStreams) s->Stop(fade);
  mPending = nullptr;
  mSwitching = false;
  if (!fade) mCurrent = nullptr;
}

void ZCMusic::Update(int ms) {
  std::lock_guard<std::mutex> lock(mMutex);
  for (auto& [name, s] : mStreams) s->Update(ms);
  if (mSwitching && !(mCurrent && mCurrent->IsSounding())) StartPending();
}
