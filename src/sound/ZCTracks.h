#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Vesk {
class MusicInterface;
}

// One music file of a stream. Its heard volume is its level (0..100, the player's music volume or
// a cut-scene's value) times the file's own volume from the configuration, times the fade.
class MusicTrack {
 public:
  MusicTrack(Vesk::MusicInterface* music, int songId, int fileVolume, int fadeMs);
  MusicTrack(const MusicTrack&) = delete;
  MusicTrack& operator=(const MusicTrack&) = delete;

  // Starts from the beginning without a fade, looped or once, at `level` (silent by default: the
  // caller raises it with SetVolume).
  void Play(bool looped, int level = 0);
  // Stops, fading out over the stream's fade time when asked.
  void Stop(bool fade);
  // -100 (left) .. 0 .. 100 (right).
  void SetPan(float pan);
  void SetVolume(int level);

  // Starts from `startSeconds`, fading in from silence over `fadeMs` (at once when 0).
  void FadeIn(bool looped, int level, int fadeMs, double startSeconds);
  // Advances the fade by `ms`; notices when the file has ended.
  void Update(int ms);
  // True once after the file ended by itself (not stopped, not faded out).
  bool TakeEnded();
  // Turns a fade-out back into a fade-in; false when the track is not fading out.
  bool CancelFadeOut();

  // Started, not ended and not yet stopped (a fade-out still counts).
  bool IsPlaying() const { return mPlaying; }
  bool IsFadingOut() const { return mPlaying && mGainStep < 0; }
  // The volume handed to the back end: level x file volume x fade.
  int GetHeardVolume() const;
  int GetSongId() const { return mSongId; }
  // Seconds played while it plays; after it stopped, the seconds it had reached.
  double GetPosition() const;

 private:
  void Apply();
  void Halt();

  Vesk::MusicInterface* mMusic;
  int mSongId;
  int mFileVolume;
  int mFadeMs;
  int mLevel = 0;
  float mGain = 1.0f;
  float mGainStep = 0.0f;  // per millisecond
  bool mPlaying = false;
  bool mEnded = false;
  double mLastPosition = 0;
};

// A music stream: a named playlist of tracks. A stream of one track loops it; a longer stream
// plays its tracks one after another, in an order each kind chooses.
class ZCTracks {
 public:
  ZCTracks(std::string name, int fadeMs);
  virtual ~ZCTracks();
  ZCTracks(const ZCTracks&) = delete;
  ZCTracks& operator=(const ZCTracks&) = delete;

  const std::string& GetName() const { return mName; }
  int GetFadeMs() const { return mFadeMs; }
  void AddTrack(std::unique_ptr<MusicTrack> track);
  size_t GetTrackCount() const { return mTracks.size(); }
  MusicTrack* GetTrack(size_t index) const { return index < mTracks.size() ? mTracks[index].get() : nullptr; }

  // Starts with the kind's first track, fading in to `level`, from `startSeconds`.
  void Start(int level, double startSeconds);
  // Stops the playlist, fading out over the fade time when asked.
  void Stop(bool fade);
  // Takes back a Stop whose fade-out still runs: the track fades in again from where it is.
  // False when nothing is fading out.
  bool CancelStop();
  void SetVolume(int level);
  // Fades every track and moves on to the next track when the current one has ended.
  void Update(int ms);

  // Started and not stopped.
  bool IsRunning() const { return mRunning; }
  // Some track still sounds (a fade-out included).
  bool IsSounding() const;
  double GetPosition() const;
  // True when a change into this stream goes on from the position the stream before it reached.
  virtual bool KeepsPosition() const { return false; }

 protected:
  virtual size_t FirstTrack() { return 0; }
  virtual size_t NextTrack(size_t current) = 0;

 private:
  void StartTrack(size_t index, int fadeMs, double startSeconds);

  std::string mName;
  int mFadeMs;
  std::vector<std::unique_ptr<MusicTrack>> mTracks;
  int mCurrent = -1;
  int mLevel = 0;
  bool mRunning = false;
};

// Step by step: the tracks in file order, then from the first again.
class ZCTracksStep : public ZCTracks {
 public:
  using ZCTracks::ZCTracks;

 protected:
  size_t NextTrack(size_t current) override;
};

// Random: a random first track, then each time a random other one.
class ZCTracksRandom : public ZCTracks {
 public:
  using ZCTracks::ZCTracks;

 protected:
  size_t FirstTrack() override;
  size_t NextTrack(size_t current) override;
};

// Synchronised: step by step, and a change into it goes on from the position the stream before
// it had reached, so versions of one tune written to the same beat follow each other in time.
class ZCTracksSync : public ZCTracksStep {
 public:
  using ZCTracksStep::ZCTracksStep;
  bool KeepsPosition() const override { return true; }
};
