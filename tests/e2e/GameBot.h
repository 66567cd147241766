#pragma once
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "e2e/PaceLog.h"

class ZCBoard_Game3;
class ScreenGame;

// The player of the whole-game run. It looks at what the game shows (the screen in front, the
// widgets, the café's visitors, workers and dispensers, the tutorial's barred items) and queues
// clicks, keys and text on the game's input queue as a player would; nothing else reaches the
// game from it, so a demo of its run replays without it.
//
// It works by steps per screen: the screen's name (see ScreenName) picks the step, and the
// phase (the career's first day, its second, survival, the end) picks what the step does there.
//
// It plays at a pace (Pace): at least mAction steps of game time between two actions, at least
// mRead steps after a tutorial note comes up before it clicks anything, and it clicks an item only
// at a point where that item is what a person sees: no note lies over it and no other pick item
// takes the click there. The quick pace is a practised player's; the first-time pace is a person
// who reads each note and looks before each click, and who tells how patient a visitor is by the
// colour of the face only. What it does in the café and the notes it meets there are logged
// (mLog), so that a run holds it to that pace and sight (CheckPace) rather than take its word.
class GameBot {
 public:
  enum Phase { kFirstDay, kSecondDay, kSurvival, kScores, kQuit, kDone, kCareer, kCareerReview };

  // Game steps (10 ms each) between two actions, from a note's coming up to the next click, and
  // from a visitor's new order (or arrival) to the first click for it; whether it reads a
  // visitor's patience as a number (else by the colour of its face).
  struct Pace {
    uint64_t mAction;
    uint64_t mRead;
    uint64_t mOrderSeen;
    bool mReadsNumbers;
  };
  static constexpr Pace kQuick{60, 100, 0, true};
  static constexpr Pace kFirstTime{150, 600, 100, false};

  explicit GameBot(ScreenGame& game, const Pace& pace = kQuick) : mGame(game), mPace(pace) {}

  // One decision on the screen shown; called at every update step while the game's input queue
  // is settled.
  void Step(const std::string& screen, uint64_t step);
  // The screen changed from `from` to `to`: a level that ended moves the phase on.
  void ScreenChanged(const std::string& from, const std::string& to);

  Phase GetPhase() const { return mPhase; }
  // One line on the café as the bot sees it: the heroine's hands, the visitors, the workers, the
  // notes shown.
  std::string Describe();
  // Soak: random clicks over the café instead of play, boxes answered no, and survival again and
  // again instead of quitting.
  bool mSoak = false;
  // The career's day on which nothing is clicked in the café (0: none): its visitors are left to
  // wait until they go.
  int32_t mIdleDay = 0;
  // The career's day (0: none) on which the bot leaves one visitor alone, the mIgnoreVisitor-th
  // to come in (from 1): its order is never taken nor served, as a player who overlooks one guest.
  // mIgnored names the visitor while it is there; mIgnoredCount counts those left alone so.
  int32_t mIgnoreDay = 0;
  int32_t mIgnoreVisitor = 0;
  std::string mIgnored;
  int mIgnoredCount = 0;
  std::mt19937 mRandom{1};
  // Plays the career from the player's newest day to the day `last` (kCareer): "next" after each
  // day, then the career page is looked at once more (kCareerReview) and the game quit. A day
  // below its goal ends the career there.
  void StartCareer(int32_t last) {
    mPhase = kCareer;
    mCareerLast = last;
  }
  // The lessons as the bot played them: one line per rule of the first day's script, with the
  // step it was reached at and the clicks made in the café so far.
  std::vector<std::string> mLessonLog;
  // How often the rush lesson was lost ("too slow") and the targets a note hid from the bot.
  int mRushRetries = 0;
  std::set<std::string> mCovered;
  // Survival: the bot serves until the café's money reaches kSurvivalMoney (a score that enters
  // the sample table, whatever the visitors drawn), then idles until the lives run out.
  static constexpr int32_t kSurvivalMoney = 100;
  // The notes and clicks of play in the café (not kept in the soak), for CheckPace.
  PaceLog mLog;
  const Pace& GetPace() const { return mPace; }
  // Cheats, for the run's own self-test: clicks come with no time to read a new note, and land
  // at the middle of the item whatever lies over it there.
  bool mCheatNoWait = false;
  bool mCheatClickThrough = false;

 private:
  void PlayCafe(ZCBoard_Game3& board, uint64_t step);
  void SoakCafe(uint64_t step);
  // Queues a click on the pick item; false when it is barred, was clicked just now, or shows no
  // point where it is the topmost thing under the pointer.
  bool ClickItem(ZCBoard_Game3& board, const std::string& name, uint64_t step);
  // The tutorial notes shown: remembers when a new one came up and follows the script's rules.
  void WatchNotes(ZCBoard_Game3& board, uint64_t step);
  // Notes when each visitor's order (or its coming in) changed, as a person sees it.
  void WatchOrders(ZCBoard_Game3& board, uint64_t step);
  // The tutorial's bonus token that takes a click (it lets one at a time); true when clicked.
  bool ClickToken(ZCBoard_Game3& board);
  // A visible tutorial note with a button is closed; true when one was.
  bool CloseNote(ZCBoard_Game3& board);
  // Queues a click at the picture point; as it is played, it is logged with what the game has
  // topmost there.
  void Press(int32_t x, int32_t y, const std::string& aim, const PaceLog::Box& aimBox);
  // What the game has topmost at the point, named as PaceLog::Click::top says.
  std::string TopAt(ZCBoard_Game3& board, int32_t x, int32_t y);

  ScreenGame& mGame;
  Pace mPace;
  // When each visitor's order (or its coming in) was first seen, by the visitor's name.
  std::map<std::string, std::pair<std::string, uint64_t>> mOrderSeen;
  // The visitors there now and how many came in on the day (mArrivalsDay, as mStartDay).
  std::set<std::string> mPresent;
  int32_t mArrivals = 0;
  int32_t mArrivalsDay = 0;
  Phase mPhase = kFirstDay;
  uint64_t mNextAction = 0;
  // The notes seen at the last step, the step the last one came up at, the script's rule then,
  // and the clicks made in the café.
  std::set<std::string> mNotes;
  uint64_t mNoteShown = 0;
  // The log's entries of the notes up now, by name; the day (a café of survival less than 0),
  // the heroine's start on it and her figure there until she first leaves it (then empty).
  std::map<std::string, size_t> mLoggedNotes;
  int32_t mStartDay = 0;
  int32_t mStartX = 0, mStartY = 0;
  PaceLog::Box mHeroineStart;
  int32_t mRule = -1;
  int mCafeClicks = 0;
  std::map<std::string, uint64_t> mLastClick;
  // The tutorial's items barred at the last look, and those let go since: what its note asks for.
  std::set<std::string> mBarred;
  std::vector<std::string> mAsked;
  // Day 2's visit to the escape menu: 0 not yet, 1 opened (restart is asked and refused), 2 done.
  int mEscapeVisit = 0;
  uint64_t mDayTwoStart = 0;
  // Day 2's close of the window, over live play.
  bool mCloseAsked = false;
  // The first name typed was given up with Escape.
  bool mNameEscaped = false;
  // The day or café last played, until the screen after it shows.
  std::string mLastPlayed;
  // The survival page: the first café was picked.
  bool mCafePicked = false;
  // The step the high-score page came up at (the bot reads it a moment before closing it).
  uint64_t mScoresShown = 0;
  int32_t mCareerLast = 0;
  // The step the career page came up at in kCareerReview.
  uint64_t mCareerShown = 0;
};

// The name of the screen in front: "startup", "splash", "create_player", "players",
// "main_menu", "career", "load_screen", "comix" (a day's cut-scene), "level_<n>", "survival_<n>",
// "box_<id>", or the name of
// another screen shown ("survival_menu", "hiscores", "options", "help"); "none" between them.
std::string ScreenName(ScreenGame& game);
