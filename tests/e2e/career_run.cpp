// The career played headless by the whole-game bot (GameBot.h), day after day: a player whose
// newest day is FIRST presses Play on the career page, serves each day, and presses "next" on
// every debriefing until day LAST; then she looks at the career page once more and quits.
//
//   career_run --first FIRST --last LAST [--first-time] [--idle DAY --patience RED,GONE]
//              [--react S] [--ignore DAY,N] [--cheat-no-wait] [--cheat-click-through]
//
// With --first-time the bot plays at a first-time player's pace (GameBot::kFirstTime: 6 s to read
// a note, 1.5 s between clicks, 1 s to take in a new order, patience told by the face's colour),
// and a lesson of the first day lost even once fails the run. Its play is held to the pace that
// docs/career.md promises (kFirstTimePace in PaceLog.h), not to the bot's own settings.
//
// With --idle DAY nothing is clicked in the café on that day (its ending below the goal is no
// failure) and the first visitor who comes is watched as a player sees her: the time from her
// coming in to her face turning red and to her going, printed ("idle day D: girl red after R s,
// gone after G s") and compared with RED and GONE (seconds, within half a second).
//
// With --react S the bot takes S seconds from a visitor's new order (or coming in) to the first
// click for it (the first-time pace takes 1): a player slow to react.
//
// With --ignore DAY,N the N-th visitor to come in on that day is left alone (its order never
// taken, nothing brought), as by a player who overlooks one guest; the day must still reach its
// goal, whatever that guest's scandals do to the others ("day D: left visitor N alone (NAME)").
//
// Each day's money is printed against its goal and expert goal ("day N money M goal G expert E").
// The run fails on a day that ends below its goal (or with a very important guest lost), on a note
// that hides what the bot is to click, on a day whose notes and clicks break the pace and sight it
// is held to (CheckPace in PaceLog.h), on any "ERROR: " log line, and when the days played are not
// FIRST to LAST in order; the first failure ends the run (the exit is then 1). A run that ends
// with day 59 also checks the career's end: "next" after the last day leads to the main menu, no
// level is loaded after it, the profile holds every day open (levels open 60) with the last
// day's money, and the career page shows the third café with its 24th day selected and marked.
//
// --cheat-no-wait and --cheat-click-through make the bot click without reading a new note, and at
// an item's middle whatever lies over it: a run with them shows that the pace check catches it.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"
#include "cafe/ActorParams.h"
#include "cafe/ProfileStore.h"
#include "cafe/ZCClient.h"
#include "cafe/ZCBoard_Game3.h"
#include "driver/ScreenGame.h"
#include "e2e/GameBot.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Career.h"
#include "shell/Log.h"

namespace fs = std::filesystem;

namespace {

int gFailures = 0;
int gErrors = 0;
// A failure inside the game's loop ended the run there.
bool gStopped = false;

void Fail(const std::string& what) {
  ++gFailures;
  std::cerr << "FAIL: " << what << "\n";
}

// Update steps after which a run that has not ended fails: 59 days of up to two minutes each,
// with their screens, and room to spare.
constexpr uint64_t kStepLimit = 1200000;
// Steps the career page of the review is shown before it is checked (its page has turned).
constexpr uint64_t kReviewDelay = 100;

class CareerRun : public ScreenGame {
 public:
  // The bot plays at `pace`; its play is held to `limits`, which are not the bot's to set.
  CareerRun(int32_t first, int32_t last, const GameBot::Pace& pace, const PaceLimits& limits)
      : ScreenGame("Career Run"), mBot(*this, pace), mLimits(limits), mFirst(first), mLast(last) {
    mBot.StartCareer(last);
  }
  GameBot& Bot() { return mBot; }

  void SetIdleDay(int32_t day, double red, double gone) {
    mBot.mIdleDay = day;
    mExpectRed = red;
    mExpectGone = gone;
  }

  // The career is over: the days played, in order, and the end when the last day is 59.
  void CheckEnd() {
    if (mBot.GetPhase() != GameBot::kDone) Fail("the run stopped on " + mScreen);
    if (mBot.mIdleDay > 0 && !WatchedToTheEnd()) Fail("the idle day's first visitor was not seen to go");
    if (mBot.mIgnoreDay > 0 && mBot.mIgnoredCount == 0)
      Fail("no visitor was left alone on day " + std::to_string(mBot.mIgnoreDay));
    if (mBot.mRushRetries > 0) Fail("the rush lesson was lost " + std::to_string(mBot.mRushRetries) + " times");
    // (A last day with a closing scene leads on to the next day, which is played too.)
    for (int32_t day = mFirst; day <= mLast; ++day)
      if (size_t(day - mFirst) >= mDays.size() || mDays[size_t(day - mFirst)] != day)
        return Fail("the days played are not " + std::to_string(mFirst) + " to " + std::to_string(mLast) + " in turn");
    if (mLast < ZCBoard_Career::kLastLevel) return;
    if (!mMenuAfterLast) Fail("\"next\" after the last day did not lead to the main menu");
    if (!mReviewed) Fail("the career page was not seen after the last day");
  }

 protected:
  // The first failure ends the run: what follows it would only repeat or hide it.
  void Fail(const std::string& what) override {
    ::Fail(what);
    gStopped = true;
    Shutdown();
  }

  bool IsDirty() const override { return false; }

  void UpdateStep() override {
    const uint64_t step = GetUpdateCount();
    ScreenGame::UpdateStep();
    if (IsShutdownRequested() || GetUpdateCount() != step) return;
    const std::string screen = ScreenName(*this);
    if (screen != mScreen) OnScreen(screen, step);
    if (mScreen == "career" && mBot.GetPhase() == GameBot::kCareerReview && step == mScreenStep + kReviewDelay)
      CheckCareerPage();
    if (mBot.mIdleDay > 0 && mScreen == "level_" + std::to_string(mBot.mIdleDay)) WatchFirstVisitor();
    mBot.Step(mScreen, step);
    if (!mBot.mIgnored.empty() && mBot.mIgnored != mIgnored)
      std::printf("day %d: left visitor %d alone (%s)\n", int(mBot.mIgnoreDay), int(mBot.mIgnoreVisitor), mBot.mIgnored.c_str());
    mIgnored = mBot.mIgnored;
    // A target under a note is waited for by the bot, which a person would not see to click.
    if (!mBot.mCovered.empty()) Fail("a note hid " + *mBot.mCovered.begin() + " when it was to be clicked");
    // CAREER_RUN_DEBUG: what the bot sees, now and then.
    static const bool debug = std::getenv("CAREER_RUN_DEBUG") != nullptr;
    if (debug && step % (std::getenv("CAREER_RUN_EVERY") ? std::atoi(std::getenv("CAREER_RUN_EVERY")) : 300) == 0 && mScreen.rfind("level_", 0) == 0 && GetBoard())
      std::printf("%llu %s money %d: %s\n", static_cast<unsigned long long>(step), mScreen.c_str(),
                  int(GetBoard()->GetMoney()), mBot.Describe().c_str());
  }

 private:
  void OnScreen(const std::string& screen, uint64_t step) {
    mBot.ScreenChanged(mScreen, screen);
    const std::string before = mScreen;
    mScreen = screen;
    mScreenStep = step;
    ZCBoard_Game3* board = GetBoard();
    if ((screen == "debriefing" || screen == "debriefing_fail") && board) {
      const int32_t day = board->GetLevel();
      mDays.push_back(day);
      std::printf("day %d money %d goal %d expert %d%s\n", int(day), int(board->GetMoney()), int(board->GetGoal()),
                  int(board->GetExpertGoal()), screen == "debriefing_fail" ? " FAILED" : "");
      std::fflush(stdout);
      if (screen == "debriefing_fail" && day != mBot.mIdleDay) Fail("day " + std::to_string(day) + " ended below its goal");
      // The bot's play so far against a person's pace and sight.
      const std::vector<std::string> faults = CheckPace(mBot.mLog, mLimits);
      if (!faults.empty()) Fail("pace: " + faults.front() + " (" + std::to_string(faults.size()) + " faults in all)");
    }
    // After the career's last day "next" leads straight back to the main menu.
    if (before == "debriefing" && board && board->GetLevel() == ZCBoard_Career::kLastLevel) {
      if (screen == "main_menu") mMenuAfterLast = true;
      else Fail("after the last day's debriefing came " + screen + ", not the main menu");
    }
    if (mMenuAfterLast && screen == "load_screen") Fail("a level was loaded after the career's last day");
  }

  // The page after the last day: the third café, its 24th day selected and marked, every day open.
  void CheckCareerPage() {
    if (mLast < ZCBoard_Career::kLastLevel) return;
    mReviewed = true;
    ProfileStore& store = GetProfileStore();
    if (store.mPlayer.levelsOpen != 60) Fail("levels open after the last day: " + std::to_string(store.mPlayer.levelsOpen));
    if (store.mPlayer.bestMoney[59] <= 0) Fail("the last day's money was not kept");
    auto* career = dynamic_cast<ZCBoard_Career*>(ScreenTable::Get(ScreenTable::kCareer));
    if (!career) return Fail("no career page");
    if (career->GetShownCafe() != 3 || career->GetSelectedDay() != 24)
      Fail("the career page shows café " + std::to_string(career->GetShownCafe()) + ", day " +
           std::to_string(career->GetSelectedDay()) + " after the last day");
    const std::string left = "career_menu/career_dlg/left_page/";
    ZCCandyWidget* goal = FindWidget(this, left + "goal_24");
    ZCCandyWidget* expert = FindWidget(this, left + "expert_24");
    if (!(goal && goal->IsVisible()) && !(expert && expert->IsVisible())) Fail("the last day has no mark");
    ZCCandyWidget* button = FindWidget(this, left + "day_button_24");
    if (!button || button->IsDisabled()) Fail("the last day's button is not enabled");
    for (const char* name : {"cafe1_button", "cafe2_button"}) {
      ZCCandyWidget* cafe = FindWidget(this, std::string("career_menu/") + name);
      if (!cafe || cafe->IsDisabled()) Fail(std::string(name) + " is not enabled after the last day");
    }
    std::printf("career end: levels open %d, café %d day %d\n", int(store.mPlayer.levelsOpen),
                int(career->GetShownCafe()), int(career->GetSelectedDay()));
  }

  // The idle day's first visitor: the game time from her coming in to her face turning red and
  // to her going (the café's time only: a menu or a box over it stops it).
  void WatchFirstVisitor() {
    if (!mWatched) {
      for (ZCItem* item : GetItemRegistry().Items())
        if (auto* v = dynamic_cast<ZCClient*>(item); v && v->IsActive() && v->IsVisible()) {
          mWatched = v;
          break;
        }
      return;
    }
    if (mGone >= 0) return;
    mWaited += GetGameStep();
    float level = 0;
    if (!mWatched->GetLevel(level)) {
      mGone = mWaited;
      const double red = mRed, gone = mGone;
      std::printf("idle day %d: %s red after %.2f s, gone after %.2f s\n", int(mBot.mIdleDay),
                  mWatched->GetSkin().c_str(), red, gone);
      if (mRed < 0 || std::fabs(red - mExpectRed) > 0.5 || std::fabs(gone - mExpectGone) > 0.5)
        Fail("the idle day's first visitor: red after " + std::to_string(red) + " s, gone after " +
             std::to_string(gone) + " s; expected " + std::to_string(mExpectRed) + " and " + std::to_string(mExpectGone));
      return;
    }
    // Red as the face shows it: at or below the yellow level.
    if (mRed < 0 && level <= GetClientsConfig().mPatienceYellow) mRed = mWaited;
  }

 public:
  double mExpectRed = 0, mExpectGone = 0;
  bool WatchedToTheEnd() const { return mGone >= 0; }

 private:
  std::string mIgnored;
  ZCClient* mWatched = nullptr;
  double mWaited = 0, mRed = -1, mGone = -1;
  GameBot mBot;
  PaceLimits mLimits;
  int32_t mFirst, mLast;
  std::string mScreen;
  uint64_t mScreenStep = 0;
  std::vector<int32_t> mDays;
  bool mMenuAfterLast = false;
  bool mReviewed = false;
};

}  // namespace

int main(int argc, char** argv) {
  int32_t first = 0, last = 0;
  GameBot::Pace pace = GameBot::kQuick;
  PaceLimits limits = kPractisedPace;
  int32_t idle = 0;
  int ignoreDay = 0, ignoreVisitor = 0;
  double react = -1;
  double red = 0, gone = 0;
  bool cheatNoWait = false, cheatClickThrough = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--first-time") {
      pace = GameBot::kFirstTime;
      limits = kFirstTimePace;
    }
    else if (a == "--first" && i + 1 < argc) first = std::atoi(argv[++i]);
    else if (a == "--last" && i + 1 < argc) last = std::atoi(argv[++i]);
    else if (a == "--idle" && i + 1 < argc) idle = std::atoi(argv[++i]);
    else if (a == "--patience" && i + 1 < argc) std::sscanf(argv[++i], "%lf,%lf", &red, &gone);
    else if (a == "--react" && i + 1 < argc) react = std::atof(argv[++i]);
    else if (a == "--ignore" && i + 1 < argc) std::sscanf(argv[++i], "%d,%d", &ignoreDay, &ignoreVisitor);
    else if (a == "--cheat-no-wait") cheatNoWait = true;
    else if (a == "--cheat-click-through") cheatClickThrough = true;
  }
  if (react >= 0) pace.mOrderSeen = uint64_t(react * 100);
  if (first < 1 || last < first || last > ZCBoard_Career::kLastLevel) {
    std::cerr << "usage: career_run --first FIRST --last LAST [--first-time] (1 <= FIRST <= LAST <= 59)\n";
    return 2;
  }
  LogSink::Set([](const std::string& line) {
    if (line.find("ERROR: ") == std::string::npos) return;
    std::cerr << line << "\n";
    ++gErrors;
  });
  // A player whose newest day is the first one to play.
  ProfileStore& store = GetProfileStore();
  fs::remove(store.GetPath());
  store.Load();
  if (!store.CreatePlayer(L"Tess", [first](ProfileStore::PlayerRecord& record) { record.levelsOpen = first; }) ||
      !store.Save()) {
    std::cerr << "the profile cannot be written: " << store.GetPath() << "\n";
    return 1;
  }
  auto game = std::make_unique<CareerRun>(first, last, pace, limits);
  game->SetIdleDay(idle, red, gone);
  game->Bot().mIgnoreDay = ignoreDay;
  game->Bot().mIgnoreVisitor = ignoreVisitor;
  game->Bot().mCheatNoWait = cheatNoWait;
  game->Bot().mCheatClickThrough = cheatClickThrough;
  fs::create_directories(fs::path(game->SettingsFilePath()).parent_path());
  { std::ofstream ini(game->SettingsFilePath()); ini << "[SOFTWARE\\Cafe Tests\\Career Run]\n"; }
  if (!game->Init()) {
    Fail("the game did not start");
    return 1;
  }
  game->PlayToEnd(kStepLimit);
  // A run stopped by a failure has not come to its end.
  if (!gStopped) game->CheckEnd();
  game.reset();
  LogSink::Set(nullptr);
  if (gErrors > 0) Fail(std::to_string(gErrors) + " \"ERROR: \" log lines");
  std::cout << "career_run: days " << first << " to " << last << ", " << gFailures << " failures"
            << (gStopped ? ", stopped at the first\n" : "\n");
  return gFailures ? 1 : 0;
}
