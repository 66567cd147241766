#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "effects/AnmFile.h"

class ZCIEffect;

// Plays the animations of one .anm animation set: one current animation at a time, frame by
// frame over game time, looping or stopping at its end or at a stop frame.
class ZCAnimController {
 public:
  enum class State { Stopped, Playing, Paused };

  explicit ZCAnimController(ZCIEffect* owner = nullptr) : mOwner(owner) {}

  // Replaces the animation set by an .anm file's contents; false (set emptied) when it is bad.
  bool LoadFromMemory(const uint8_t* data, size_t size, const std::string& label);

  // Plays the animation of that exact name, else one of its variants name01 to name09 chosen at
  // random. Without keep the current animation is stopped first; with keep, an animation that is
  // already the current one goes on where it is. False when none exists.
  bool Play(const std::string& name, bool keep = false);
  // Plays the animation of that exact name (no variants), from its start.
  bool PlayByIndex(const std::string& name);
  void Pause();
  void Resume();
  void Stop();
  // Sets or clears the stop frame of the current animation.
  void PauseAtFrame(int32_t frame);
  void CancelPauseAtFrame();
  // Shows the current animation paused at frame ceil(stage x frame count) - 1, the stage held in
  // (0, 1]: a stage just above 0 shows the first frame, 1 the last. Nothing without one.
  void SetStage(float stage);

  // Advances the current animation; stopReached is set when it paused at its stop frame or, not
  // looping, at its last frame during this update.
  void Update(float seconds, bool& stopReached);

  // The current animation and frame (playing or paused), else null.
  const AnimEntry* GetCurrentAnimation() const;
  const AnimFrame* GetCurrentFrame() const;
  // Frame number / frame count of the current animation (0 without one).
  float GetProgress() const;
  int32_t GetFrameIndex() const { return mFrame; }
  int32_t GetStopFrame() const { return mStopFrame; }
  State GetState() const { return mState; }
  bool IsPlaying() const { return mState == State::Playing; }

  // Index of the animation of that exact name, or -1.
  int32_t FindAnimation(const std::string& name) const;
  size_t GetAnimationCount() const { return mAnimations.size(); }
  AnimEntry& GetAnimation(size_t index) { return mAnimations[index]; }
  const AnimEntry& GetAnimation(size_t index) const { return mAnimations[index]; }
  ZCIEffect* GetOwner() const { return mOwner; }

 private:
  void Start(int32_t index);
  // Moves to the next frame; false when a non-looping animation is at its end.
  bool NextFrame();

  ZCIEffect* mOwner;
  std::vector<AnimEntry> mAnimations;
  State mState = State::Stopped;
  int32_t mCurrent = -1;
  int32_t mFrame = 0;
  double mFrameTime = 0;
  int32_t mStopFrame = -1;
  // The pause at the current frame was reported already; resuming moves on from it.
  bool mStopHandled = false;
};

// Loads "anm\\<name>.anm" through the file layer into the controller; false when the file is
// missing or is not an animation file.
bool LoadAnmFile(ZCAnimController& controller, const std::string& name);
