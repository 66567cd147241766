#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "platform/audio/Audio.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/XmlNode.h"
#include "sound/SoundConfig.h"
#include "sound/SoundNumbers.h"

namespace Audio = Platform::Audio;

namespace SoundDetail {

// One playing of a sound: a one-shot of PlaySound, or the current playing of an instance.
struct Voice {
  Audio::Channel mChannel;
  int mRecordVolume = 100;
  int mLevel = -1;  // an instance's own level; -1 follows the table's volume
  int mPan = 0;
  int mPauses = 0;  // an instance's counted pauses
};

struct Group {
  std::string mName;
  int mTag = 0;  // the mixer's channel group
  int mPauses = 0;
  std::vector<std::shared_ptr<Voice>> mVoices;

  void Forget(const std::shared_ptr<Voice>& v) { mVoices.erase(std::remove(mVoices.begin(), mVoices.end(), v), mVoices.end()); }
  void DropEnded() {
    mVoices.erase(std::remove_if(mVoices.begin(), mVoices.end(),
                                 [](const std::shared_ptr<Voice>& v) { return !Audio::IsActive(v->mChannel); }),
                  mVoices.end());
  }
};

struct Record {
  std::string mName;
  std::shared_ptr<Group> mGroup;
  int mVolume = 100;
  bool mLooping = false;
  std::unique_ptr<Audio::Sample> mSample;  // null when the output is closed
};

// Shared by the table and its instances, so that an instance may outlive the table.
struct Core {
  mutable std::mutex mMutex;  // the loading thread fills the table while the main thread reads it
  std::map<std::string, std::shared_ptr<Record>> mRecords;
  std::map<std::string, std::shared_ptr<Group>> mGroups;
  int mVolume = 100;

  std::shared_ptr<Group> GroupOf(const std::string& name) {
    auto& g = mGroups[name];
    if (!g) {
      g = std::make_shared<Group>();
      g->mName = name;
      g->mTag = int(mGroups.size());
    }
    return g;
  }

  int Effective(const Voice& v) const {
    int level = v.mLevel < 0 ? mVolume : v.mLevel;
    return v.mRecordVolume * level / 100;
  }

  // Starts a voice of the record; it starts paused when the voice or its group is paused.
  void Start(const Record& r, Voice& v) {
    if (!r.mSample) return;
    v.mRecordVolume = r.mVolume;
    v.mChannel = Audio::Play(*r.mSample, r.mLooping ? -1 : 0, Effective(v), v.mPan, r.mGroup->mTag);
    if (v.mChannel.IsNull()) return;
    if (v.mPauses > 0 || r.mGroup->mPauses > 0) Audio::Pause(v.mChannel);
  }
};

}  // namespace SoundDetail

using namespace SoundDetail;

// --- SoundInstance ---

SoundInstance::SoundInstance(std::shared_ptr<Core> core, std::shared_ptr<Record> record)
    : mCore(std::move(core)), mRecord(std::move(record)), mVoice(std::make_shared<Voice>()) {}

SoundInstance::~SoundInstance() {
  Audio::Stop(mVoice->mChannel);
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  mRecord->mGroup->Forget(mVoice);
}

void SoundInstance::Play() {
  Audio::Stop(mVoice->mChannel);
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  Group& g = *mRecord->mGroup;
  g.Forget(mVoice);
  mCore->Start(*mRecord, *mVoice);
  if (!mVoice->mChannel.IsNull()) g.mVoices.push_back(mVoice);
}

void SoundInstance::Stop() { Audio::Stop(mVoice->mChannel); }

void SoundInstance::Pause() {
  if (++mVoice->mPauses == 1) Audio::Pause(mVoice->mChannel);
}

void SoundInstance::Resume() {
  if (mVoice->mPauses == 0) return;
  if (--mVoice->mPauses == 0 && mRecord->mGroup->mPauses == 0) Audio::Resume(mVoice->mChannel);
}

void SoundInstance::SetPan(float pan) {
  mVoice->mPan = SoundNumbers::ToPan(pan);
  Audio::SetPan(mVoice->mChannel, mVoice->mPan);
}

void SoundInstance::SetVolume(float volume) {
  mVoice->mLevel = SoundNumbers::ToVolume(volume);
  Audio::SetVolume(mVoice->mChannel, mCore->Effective(*mVoice));
}

bool SoundInstance::IsPlaying() const { return IsActive() && !Audio::IsPaused(mVoice->mChannel); }
bool SoundInstance::IsActive() const { return Audio::IsActive(mVoice->mChannel); }
int SoundInstance::GetMixerVolume() const { return Audio::GetMixerVolume(mVoice->mChannel); }
int SoundInstance::GetPauseCount() const { return mVoice->mPauses; }
const std::string& SoundInstance::GetName() const { return mRecord->mName; }

// --- SoundManager ---

SoundManager::SoundManager() : mCore(std::make_shared<Core>()) {}

SoundManager::~SoundManager() { Clear(); }

void SoundManager::LoadSounds(const XmlNode& root) {
  ForEachNode(
      root, L"sounds/sound",
      [](const XmlNode& node, void* self, void*) {
        SoundDesc desc;
        GetAttrStringA(node, "name", desc.mName);
        GetAttrStringA(node, "file", desc.mFile);
        GetAttrStringA(node, "group", desc.mGroup);
        GetAttrBool(node, L"looping", desc.mLooping);
        desc.mVolume = SoundConfig::ReadVolume(node, "sound '" + desc.mName + "'", desc.mVolume);
        static_cast<SoundManager*>(self)->AddSound(desc);
        return true;
      },
      this, nullptr);
}

bool SoundManager::AddSound(const SoundDesc& desc) {
  if (desc.mName.empty()) {
    LogMessage("WARNING: SoundManager: a sound has no name (file '%s')", desc.mFile.c_str());
    return false;
  }
  if (HasSound(desc.mName)) {
    LogMessage("WARNING: SoundManager: sound '%s' is defined twice; the first stays", desc.mName.c_str());
    return false;
  }
  auto record = std::make_shared<Record>();
  record->mName = desc.mName;
  record->mVolume = std::clamp(desc.mVolume, 0, 100);
  record->mLooping = desc.mLooping;
  if (Audio::IsOpen()) {
    // Decoded outside the lock: this runs on the loading thread while the game may play sounds.
    std::vector<uint8_t> bytes;
    if (desc.mFile.empty() || !GetPakInterface()->ReadWholeFile(desc.mFile, bytes, FileKind::kSound)) {
      LogMessage("WARNING: SoundManager: sound '%s': cannot read '%s'", desc.mName.c_str(), desc.mFile.c_str());
      return false;
    }
    std::string error;
    record->mSample = Audio::Sample::Decode(bytes.data(), bytes.size(), &error);
    if (!record->mSample) {
      LogMessage("WARNING: SoundManager: sound '%s': cannot decode '%s' (%s)", desc.mName.c_str(),
                 desc.mFile.c_str(), error.c_str());
      return false;
    }
  }
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  record->mGroup = mCore->GroupOf(desc.mGroup);
  return mCore->mRecords.emplace(desc.mName, std::move(record)).second;
}

bool SoundManager::HasSound(const std::string& name) const { return Find(name) != nullptr; }

size_t SoundManager::GetSoundCount() const {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  return mCore->mRecords.size();
}

void SoundManager::Clear() {
  std::map<std::string, std::shared_ptr<Record>> records;
  {
    std::lock_guard<std::mutex> lock(mCore->mMutex);
    for (auto& [name, g] : mCore->mGroups) {
      Audio::StopGroup(g->mTag);
      g->mVoices.clear();
    }
    records.swap(mCore->mRecords);
  }
  // Records still held by instances keep their samples until those instances go.
}

std::shared_ptr<Record> SoundManager::Find(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  auto it = mCore->mRecords.find(name);
  return it == mCore->mRecords.end() ? nullptr : it->second;
}

std::unique_ptr<SoundInstance> SoundManager::CreateInstance(const std::string& name) {
  auto record = Find(name);
  if (!record) return nullptr;
  return std::unique_ptr<SoundInstance>(new SoundInstance(mCore, std::move(record)));
}

void SoundManager::PlaySound(const std::string& name) {
  if (name.empty()) return;
  auto record = Find(name);
  if (!record || !record->mSample) return;
  auto voice = std::make_shared<Voice>();
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  mCore->Start(*record, *voice);
  if (voice->mChannel.IsNull()) return;
  record->mGroup->DropEnded();
  record->mGroup->mVoices.push_back(std::move(voice));
}

void SoundManager::PauseGroup(const std::string& group) {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  auto g = mCore->GroupOf(group);
  if (++g->mPauses != 1) return;
  for (auto& v : g->mVoices) Audio::Pause(v->mChannel);
}

void SoundManager::ResumeGroup(const std::string& group) {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  auto it = mCore->mGroups.find(group);
  if (it == mCore->mGroups.end() || it->second->mPauses == 0) return;
  Group& g = *it->second;
  if (--g.mPauses != 0) return;
  for (auto& v : g.mVoices)
    if (v->mPauses == 0) Audio::Resume(v->mChannel);
}

void SoundManager::StopGroup(const std::string& group) {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  auto it = mCore->mGroups.find(group);
  if (it == mCore->mGroups.end()) return;
  Audio::StopGroup(it->second->mTag);
  it->second->mVoices.clear();
}

int SoundManager::GetGroupPauseCount(const std::string& group) const {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  auto it = mCore->mGroups.find(group);
  return it == mCore->mGroups.end() ? 0 : it->second->mPauses;
}

int SoundManager::GetActiveCount(const std::string& group) const {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  auto it = mCore->mGroups.find(group);
  if (it == mCore->mGroups.end()) return 0;
  return int(std::count_if(it->second->mVoices.begin(), it->second->mVoices.end(),
                           [](const std::shared_ptr<Voice>& v) { return Audio::IsActive(v->mChannel); }));
}

void SoundManager::SetVolume(int volume) {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  mCore->mVolume = std::clamp(volume, 0, 100);
  for (auto& [name, g] : mCore->mGroups)
    for (auto& v : g->mVoices)
      if (v->mLevel < 0) Audio::SetVolume(v->mChannel, mCore->Effective(*v));
}

int SoundManager::GetVolume() const {
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  return mCore->mVolume;
}

void SoundManager::Update() {
  if (Audio::TakeEndedChannels().empty()) return;
  std::lock_guard<std::mutex> lock(mCore->mMutex);
  for (auto& [name, g] : mCore->mGroups) g->DropEnded();
}
