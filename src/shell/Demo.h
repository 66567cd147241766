#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/window/InputEvent.h"
#include "shell/MersenneTwister.h"

// Demo recording and playback. A recording keeps, per fixed update step, the input events
// handed to the game, plus the values passed through SyncBool / SyncString and the random
// seed; playback hands the same events back at the same steps, replaces the synced values
// and reseeds the generator, so a replayed run reaches the same state. File format: see
// docs/formats.md ("Demo files").
class Demo {
 public:
  enum class Mode { Off, Recording, Playing };

  Demo() = default;
  ~Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  // "%d.dmo" with the number, unless an explicit demo file name is given ("-demofile").
  static std::string FileName(const std::string& demoFile, int number);

  // Starts recording into path (written by Finish); the seed is stored and seeds Random().
  bool StartRecording(const std::string& path, uint32_t seed);
  // Reads and checks a whole demo file. False, with an "ERROR: " log line and no playback,
  // when the file is missing, truncated or malformed.
  bool StartPlayback(const std::string& path);
  // The same from bytes already in memory; `label` names them in log lines.
  bool StartPlaybackFromMemory(const std::vector<uint8_t>& bytes, const std::string& label);

  Mode GetMode() const { return mMode; }
  bool IsRecording() const { return mMode == Mode::Recording; }
  bool IsPlaying() const { return mMode == Mode::Playing; }
  // The seed being recorded or played back.
  uint32_t Seed() const { return mSeed; }
  // The generator for choices that must repeat on playback; seeded with Seed().
  MersenneTwister& Random() { return mRandom; }

  // Recording: keeps an event handed to the game at this update step. Steps never go back.
  void RecordEvent(uint64_t step, const Platform::InputEvent& ev);
  // Playback: the recorded events of every step up to this one not yet taken, in order.
  std::vector<Platform::InputEvent> TakeEvents(uint64_t step);
  // Playback: true once every event has been taken and the recorded last step is reached.
  bool PlaybackFinished(uint64_t step) const;
  // The last step of the recording (known during playback, or the highest seen so far).
  uint64_t LastStep() const { return mLastStep; }

  // Recording: stores the value. Playback: replaces it with the recorded one (an "ERROR: "
  // line and the end of playback when the demo holds no matching value). Off: leaves it.
  void SyncBool(bool& value);
  void SyncString(std::string& value);

  // Recording: writes the file (through a temporary file renamed into place); false with an
  // "ERROR: " line when it cannot be written. Playback: stops. Either way the mode is Off.
  bool Finish(uint64_t lastStep = 0);

 private:
  struct Sync {
    bool mIsString = false;
    bool mBool = false;
    std::string mString;
  };
  struct Record {
    enum Kind : uint8_t { kEnd = 0, kEvent = 1, kBool = 2, kString = 3 };
    Kind mKind = kEnd;
    uint64_t mStep = 0;
    Platform::InputEvent mEvent;
    Sync mSync;
  };
  void StopPlayback(const char* why);

  Mode mMode = Mode::Off;
  std::string mPath;
  uint32_t mSeed = 0;
  MersenneTwister mRandom;
  uint64_t mLastStep = 0;
  std::vector<Record> mRecords;  // recording, in order
  std::map<uint64_t, std::vector<Platform::InputEvent>> mEvents;  // playback
  std::deque<Sync> mSyncs;                                          // playback
};
