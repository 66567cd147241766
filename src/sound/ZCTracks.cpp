#include "sound/ZCTracks.h"

#include <algorithm>
#include <cmath>

#include "shell/Random.h"
#include "sound/MusicInterface.h"
#include "sound/SoundNumbers.h"

// --- MusicTrack ---

MusicTrack::MusicTrack(Vesk::MusicInterface* music, int songId, int fileVolume, int fadeMs)
    : mMusic(music), mSongId(songId), mFileVolume(std::clamp(fileVolume, 0, 100)), mFadeMs(std::max(0, fadeMs)) {}

int MusicTrack::GetHeardVolume() const {
  return int(std::lround(float(mLevel) * float(mFileVolume) / 100.0f * mGain));
}

void MusicTrack::Apply() { mMusic->SetSongVolume(mSongId, GetHeardVolume()); }

void MusicTrack::Halt() {
  mLastPosition = mMusic->GetPosition(mSongId);
  mMusic->StopMusic(mSongId);
  mPlaying = false;
  mGainStep = 0;
}

void MusicTrack::Play(bool looped, int level) { FadeIn(looped, level, 0, 0); }

void MusicTrack::FadeIn(bool looped, int level, int fadeMs, double startSeconds) {
  mLevel = std::clamp(level, 0, 100);
  mEnded = false;
  mGain = fadeMs > 0 ? 0.0f : 1.0f;
  mGainStep = fadeMs > 0 ? 1.0f / float(fadeMs) : 0.0f;
  Apply();
  mPlaying = mMusic->PlayMusic(mSongId, looped, std::max(0.0, startSeconds));
  if (!mPlaying) mGainStep = 0;
}

void MusicTrack::Stop(bool fade) {
  if (!mPlaying) return;
  if (fade && mFadeMs > 0 && mGain > 0) {
    if (mGainStep >= 0) mGainStep = -1.0f / float(mFadeMs);
    return;
  }
  Halt();
}

void MusicTrack::SetPan(float pan) { mMusic->SetSongPan(mSongId, SoundNumbers::ToPan(pan)); }

void MusicTrack::SetVolume(int level) {
  mLevel = std::clamp(level, 0, 100);
  if (mPlaying) Apply();
}

void MusicTrack::Update(int ms) {
  if (!mPlaying) return;
  if (mGainStep != 0 && ms > 0) {
    mGain = std::clamp(mGain + mGainStep * float(ms), 0.0f, 1.0f);
    if (mGainStep < 0 && mGain <= 0) {
      Halt();
      return;
    }
    if (mGainStep > 0 && mGain >= 1) mGainStep = 0;
    Apply();
  }
  if (!mMusic->IsPlaying(mSongId)) {
    mLastPosition = 0;
    mPlaying = false;
    mGainStep = 0;
    mEnded = true;
  }
}

bool MusicTrack::TakeEnded() {
  bool ended = mEnded;
  mEnded = false;
  return ended;
}

bool MusicTrack::CancelFadeOut() {
  if (!IsFadingOut()) return false;
  mGainStep = 1.0f / float(mFadeMs);
  return true;
}

double MusicTrack::GetPosition() const { return mPlaying ? mMusic->GetPosition(mSongId) : mLastPosition; }

// --- ZCTracks ---

ZCTracks::ZCTracks(std::string name, int fadeMs) : mName(std::move(name)), mFadeMs(std::max(0, fadeMs)) {}

ZCTracks::~ZCTracks() = default;

void ZCTracks::AddTrack(std::unique_ptr<MusicTrack> track) {
  if (track) mTracks.push_back(std::move(track));
}

void ZCTracks::StartTrack(size_t index, int fadeMs, double startSeconds) {
  if (index >= mTracks.size()) return;
  mCurrent = int(index);
  mTracks[index]->FadeIn(mTracks.size() == 1, mLevel, fadeMs, startSeconds);
}

void ZCTracks::Start(int level, double startSeconds) {
  mLevel = std::clamp(level, 0, 100);
  mRunning = true;
  if (!mTracks.empty()) StartTrack(FirstTrack() % mTracks.size(), mFadeMs, startSeconds);
}

void ZCTracks::Stop(bool fade) {
  mRunning = false;
  for (auto& t : mTracks) t->Stop(fade);
}

bool ZCTracks::CancelStop() {
  if (mRunning || mCurrent < 0 || !mTracks[size_t(mCurrent)]->CancelFadeOut()) return false;
  mRunning = true;
  return true;
}

void ZCTracks::SetVolume(int level) {
  mLevel = std::clamp(level, 0, 100);
  if (mRunning && mCurrent >= 0) mTracks[size_t(mCurrent)]->SetVolume(mLevel);
}

void ZCTracks::Update(int ms) {
  for (auto& t : mTracks) t->Update(ms);
  if (!mRunning || mCurrent < 0) return;
  if (mTracks[size_t(mCurrent)]->TakeEnded()) StartTrack(NextTrack(size_t(mCurrent)) % mTracks.size(), 0, 0);
}

bool ZCTracks::IsSounding() const {
  return std::any_of(mTracks.begin(), mTracks.end(), [](const auto& t) { return t->IsPlaying(); });
}

double ZCTracks::GetPosition() const { return mCurrent < 0 ? 0.0 : mTracks[size_t(mCurrent)]->GetPosition(); }

size_t ZCTracksStep::NextTrack(size_t current) { return current + 1; }

size_t ZCTracksRandom::FirstTrack() { return GetTrackCount() > 1 ? size_t(RandomRaw()) % GetTrackCount() : 0; }

size_t ZCTracksRandom::NextTrack(size_t current) {
  size_t n = GetTrackCount();
  if (n < 2) return 0;
  // Any track but the one that just ended, each with the same chance.
  size_t pick = size_t(RandomRaw()) % (n - 1);
  return pick >= current ? pick + 1 : pick;
}
