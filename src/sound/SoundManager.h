#pragma once
#include <memory>
#include <string>

class XmlNode;

namespace SoundDetail {
struct Core;
struct Record;
struct Voice;
}  // namespace SoundDetail

// One entry of the sound table, as the configuration describes it.
struct SoundDesc {
  std::string mName;
  std::string mFile;
  std::string mGroup;
  int mVolume = 100;  // 0..100, the sample's own level
  bool mLooping = false;
};

// A sound of the table that its owner plays, pauses and stops itself (a walking loop, a machine
// at work, a cut-scene's sound). Pauses are counted: the sound resumes when every pause has been
// matched by a resume and its group is not paused. Destroying the instance stops its sound.
class SoundInstance {
 public:
  ~SoundInstance();
  SoundInstance(const SoundInstance&) = delete;
  SoundInstance& operator=(const SoundInstance&) = delete;

  // Starts the sound from the beginning (stopping an earlier playing of this instance). It starts
  // paused while the instance or its group is paused.
  void Play();
  // Stops the sound if it plays.
  void Stop();
  void Pause();
  // A resume without a pause does nothing.
  void Resume();
  // -100 (left) .. 0 .. 100 (right).
  void SetPan(float pan);
  // 0..100, an absolute level: from now on the table's volume no longer applies to this instance.
  void SetVolume(float volume);

  bool IsPlaying() const;  // sounding: started, not ended, not paused
  bool IsActive() const;   // started and not ended (paused or not)
  int GetPauseCount() const;
  const std::string& GetName() const;
  // The volume its channel plays at, on the mixer's scale; -1 when it does not play.
  int GetMixerVolume() const;

 private:
  friend class SoundManager;
  SoundInstance(std::shared_ptr<SoundDetail::Core> core, std::shared_ptr<SoundDetail::Record> record);
  std::shared_ptr<SoundDetail::Core> mCore;
  std::shared_ptr<SoundDetail::Record> mRecord;
  std::shared_ptr<SoundDetail::Voice> mVoice;
};

// The engine's sound table: sounds by name, each in a named group. Whole groups pause (counted),
// resume and stop at once; the table's volume applies to every group.
class SoundManager {
 public:
  SoundManager();
  ~SoundManager();
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  // Reads every "sounds/sound" element below the configuration root. May run on a loading thread.
  void LoadSounds(const XmlNode& root);
  // Adds one sound, reading its file through the file layer. A repeated name, an empty name or
  // a file that is missing or cannot be decoded is skipped with one log line (false). Without a
  // sound output the sound is entered silent.
  bool AddSound(const SoundDesc& desc);
  bool HasSound(const std::string& name) const;
  size_t GetSoundCount() const;
  // Forgets every sound (stopping them).
  void Clear();

  // A new instance of the named sound, or null when the table lacks the name.
  std::unique_ptr<SoundInstance> CreateInstance(const std::string& name);
  // Plays the named sound once (or looping, as its entry says). Empty and unknown names do
  // nothing.
  void PlaySound(const std::string& name);

  void PauseGroup(const std::string& group);
  // A resume without a pause does nothing.
  void ResumeGroup(const std::string& group);
  void StopGroup(const std::string& group);
  int GetGroupPauseCount(const std::string& group) const;
  // Sounds of the group that have started and not ended.
  int GetActiveCount(const std::string& group) const;

  // 0..100; applied at once to every group's sounds.
  void SetVolume(int volume);
  int GetVolume() const;

  // Main thread, once per update: forgets the sounds that have ended.
  void Update();

 private:
  std::shared_ptr<SoundDetail::Record> Find(const std::string& name) const;

  std::shared_ptr<SoundDetail::Core> mCore;
};
