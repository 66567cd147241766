#pragma once
#include <functional>

// A countdown against the game time. The game time is one program-wide value that the board
// advances every game step; every clock is registered in one list while it exists. A clock made
// with the hold flag stands still while the tutorial holds the game time: its deadline moves on
// with the game time.
class GameClock {
 public:
  explicit GameClock(bool hold = false);
  GameClock(const GameClock& other);
  GameClock& operator=(const GameClock& other);
  ~GameClock();

  // Deadline := game time + seconds.
  void SetTimeout(float seconds);
  // Deadline += seconds.
  void AddTime(float seconds);
  // Deadline − game time (negative once it has passed).
  float GetRemaining() const;
  // True while the game time is below the deadline.
  bool IsRunning() const;
  bool HoldsWithTutorial() const { return mHold; }

  // Game time += step; while the tutorial holds the game time, the deadlines of the clocks with
  // the hold flag move by the same step.
  static void Advance(float step);
  // Game time := 0 and every deadline := 0.
  static void ResetAll();
  static float GetGameTime();
  // The question "does the tutorial hold the game time now?", asked by Advance (the café's
  // tutorial installs it; none means never).
  static void SetHoldQuery(std::function<bool()> query);
  // Clocks registered now (tests).
  static size_t Count();

 private:
  double mDeadline = 0;
  bool mHold = false;
};
