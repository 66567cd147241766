#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cafe/ProfileStore.h"
#include "driver/ScreenGame.h"

// The screens' tests: the game (see driver/ScreenGame.h) started as a test asks, the random
// generator seeded after Init.
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

  // Loads the level (career, or the endless level of café `level`) and steps until it runs, the
  // briefing pressed away when the driver presses it, then settles.
  void PlayLevel(int32_t level, bool endless = false);
  // Ends the running career day at once, as its end would after the last visitor: the money
  // raised to the goal, the result reported.
  void EndDayAtGoal();

  void Click(const std::string& path);
  void Key(int32_t vk);
  void Type(const std::wstring& text);
  // Runs the call inside the main loop, in turn with the queued input.
  void Do(std::function<void()> call);

  ZCCandyWidget* Find(const std::string& path) { return FindWidget(mGame.get(), path); }
  // One line per widget: path, visible or hidden, enabled or disabled, its text.
  std::string Dump() { return DumpWidgets(mGame.get()); }
  // Draws a frame and writes it as CAFE_BINARY_DIR/screenshots/<name>.png; the path.
  std::string Shot(const std::string& name);
  int32_t PauseCount();
  std::string ProfilePath();

  std::unique_ptr<ScreenGame> mGame;
};
