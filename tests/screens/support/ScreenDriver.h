#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cafe/ProfileStore.h"
#include "driver/HeadlessGame.h"

// The real game headless in the test process for the screens' tests: the real start-up loader
// on its thread, the main loop on simulated time (one update step per 10 ms; loading takes its
// real time), the random generator seeded after Init. Input goes through the main loop's queue as the window's would.
//
// Clicks, keys and calls are queued and played by the main loop as it steps, one per loop step,
// so that a click that opens a box (which runs the loop in place until answered) is answered by
// the next queued click. A click waits while effects lock the widgets or a page turns, and until
// its widget exists.
class ScreenGame : public HeadlessGame {
 public:
  explicit ScreenGame(const std::string& product) : HeadlessGame(product) {
    mPlayFirstLevel = false;
    mAnswerBox = nullptr;
    mSimulatedClock = true;
    mSkipSplash = false;
  }
  bool LoopStep() override;

  struct Action {
    enum Kind { kClick, kKey, kText, kCall } mKind = kCall;
    std::string mPath;
    int32_t mKey = 0;
    std::wstring mText;
    std::function<void()> mCall;
    int32_t mWaited = 0;
  };
  std::deque<Action> mActions;
  // Loop steps taken inside boxes; a box left unanswered this long ends the run.
  int32_t mNestedSteps = 0;

 private:
  // Plays the first queued action when it can be; true when it was played.
  bool PlayAction();
  int32_t mDepth = 0;
};

// The widget of a path: the first name is a screen among the root's children (or a box), the
// others named children below it, joined by "/". Null when there is none.
ZCCandyWidget* FindWidget(ZCEngine* game, const std::string& path);

class ScreenDriver : public ::testing::Test {
 protected:
  struct StartOptions {
    std::vector<std::string> args;
    // Values written into settings.ini before the start ("Is3D" picks the display route).
    std::map<std::string, std::string> settings;
    // Players stored in pref.dat before the start, the last one current; none: no pref.dat.
    std::vector<std::wstring> players;
    // Fills the record of player n (counted from 0) before it is stored.
    std::function<void(size_t, ProfileStore::PlayerRecord&)> fill;
    bool playLevel = false;
    // Starts on the profile the last run left (players and fill are then ignored).
    bool keepProfile = false;
    // Start returns while the splash shows instead of skipping its slides with keys.
    bool keepSplash = false;
  };

  static StartOptions WithPlayers(std::vector<std::wstring> players, bool playLevel = false) {
    StartOptions options;
    options.players = std::move(players);
    options.playLevel = playLevel;
    return options;
  }
  static StartOptions WithArgs(std::vector<std::string> args) {
    StartOptions options;
    options.args = std::move(args);
    return options;
  }

  void TearDown() override;

  // Starts the game up to the main menu (or the first level when asked); the splash's slides
  // are skipped with keys.
  void Start(const StartOptions& options);
  void Start() { Start(StartOptions()); }

  // Update steps; queued input is played as it can be meanwhile.
  void Step(int n);
  // Steps until the condition holds (false when it does not within the limit).
  bool StepUntil(const std::function<bool()>& condition, int limit = 3000);
  // Steps until every queued action was played, no effect locks the widgets and no page turns,
  // then one more.
  void Settle(int limit = 3000);

  void Click(const std::string& path);
  void Key(int32_t vk);
  void Type(const std::wstring& text);
  // Runs the call inside the main loop, in turn with the queued input.
  void Do(std::function<void()> call);

  ZCCandyWidget* Find(const std::string& path) { return FindWidget(mGame.get(), path); }
  // One line per widget: path, visible or hidden, enabled or disabled, its text.
  std::string Dump();
  // Draws a frame and writes it as CAFE_BINARY_DIR/screenshots/<name>.png; the path.
  std::string Shot(const std::string& name);
  int32_t PauseCount();
  std::string ProfilePath();

  std::unique_ptr<ScreenGame> mGame;
};
