#include "e2e/GameBot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"
#include "board/ZCPickItem.h"
#include "cafe/ActorParams.h"
#include "cafe/CafeObjects.h"
#include "cafe/TutorialManager.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/ZCBoss.h"
#include "cafe/ZCClient.h"
#include "cafe/ZCMiniGame.h"
#include "cafe/ZCWorker.h"
#include "driver/ScreenGame.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_MainMenu.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

namespace {

const char* const kMenuPage = "main_menu/main_menu_dlg/right_page/";
const char* const kCareerPlay = "career_menu/career_dlg/right_page/play_button";
const char* const kCareerBack = "career_menu/career_dlg/left_page/back_button";
const char* const kSurvivalCafe = "survival_menu/survival_dlg/left_page/cafe1_small_photo";
const char* const kSurvivalPlay = "survival_menu/survival_dlg/right_page/play_button";
const char* const kSurvivalBack = "survival_menu/survival_dlg/right_page/cancel_button";
// Steps before the same item is clicked again.
constexpr uint64_t kSameItemSteps = 120;
// A workplace below this tidiness is cleaned.
constexpr float kDirty = 50.0f;

bool Shown(ZCCandyWidget* widget) { return widget && widget->IsVisible(); }

// The head-up display's notes shown now: the tutorial's hints and the offer to skip the lessons.
std::vector<ZCCandyWidget*> ShownNotes(ZCBoard_Game3& board) {
  std::vector<ZCCandyWidget*> notes;
  ZCCandyWidget* hud = board.FindChild("hud");
  if (!hud) return notes;
  for (Vesk::Widget* child : hud->GetChildren()) {
    auto* note = dynamic_cast<ZCCandyWidget*>(child);
    if (!note || !note->IsVisible()) continue;
    if (note->GetName().rfind("tutorial", 0) == 0 || note->GetName() == "skip_tutorial_dlg") notes.push_back(note);
  }
  return notes;
}

// The box a widget takes on the picture.
PaceLog::Box BoxOf(ZCCandyWidget& widget) {
  int32_t x = 0, y = 0;
  widget.GetAbsolutePos(x, y);
  return PaceLog::Box{x, y, x + widget.mWidth, y + widget.mHeight};
}

// The pick item a click at the point reaches: of the items hit there, the one with the last name
// (the board's own choice).
ZCPickItem* TopItemAt(const BoardPoint& point) {
  const auto& items = GetBoardWorld().mPickItems;
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    if (it->second->IsVisible() && it->second->HitTest(point)) return it->second;
  return nullptr;
}

// A widget as the pace log names it: "<parent>/<name>".
std::string LogName(Vesk::Widget& widget) {
  auto* parent = dynamic_cast<ZCCandyWidget*>(widget.GetParent());
  auto* candy = dynamic_cast<ZCCandyWidget*>(&widget);
  return (parent ? parent->GetName() : std::string()) + "/" + (candy ? candy->GetName() : std::string("?"));
}

// A point of the item's region where a person sees the item itself, nearest its middle first; false
// when there is none. `covered` tells whether notes were what hid it. `anywhere` (a cheat) takes
// the first point of the region, whatever lies over it. `box` is the bounds of the item's region.
bool VisiblePoint(ZCBoard_Game3& board, ZCPickItem& item, BoardPoint& out, bool& covered, bool anywhere,
                  PaceLog::Box& box) {
  const auto& vertices = item.GetRegion().Vertices();
  if (vertices.empty()) return false;
  const auto [leftmost, rightmost] = std::minmax_element(
      vertices.begin(), vertices.end(), [](const BoardPoint& a, const BoardPoint& b) { return a.x < b.x; });
  const auto [topmost, bottommost] = std::minmax_element(
      vertices.begin(), vertices.end(), [](const BoardPoint& a, const BoardPoint& b) { return a.y < b.y; });
  const int32_t left = leftmost->x, right = rightmost->x, top = topmost->y, bottom = bottommost->y;
  box = PaceLog::Box{left, top, right, bottom};
  const std::vector<ZCCandyWidget*> notes = ShownNotes(board);
  const BoardPoint middle{(left + right) / 2, (top + bottom) / 2};
  std::vector<BoardPoint> points;
  for (int32_t y = top; y < bottom; y += 4)
    for (int32_t x = left; x < right; x += 4) points.push_back(BoardPoint{x, y});
  auto distance = [&](const BoardPoint& p) { return std::abs(p.x - middle.x) + std::abs(p.y - middle.y); };
  std::stable_sort(points.begin(), points.end(),
                   [&](const BoardPoint& a, const BoardPoint& b) { return distance(a) < distance(b); });
  covered = false;
  for (const BoardPoint& point : points) {
    if (anywhere && item.HitTest(point)) {
      out = point;
      return true;
    }
    if (TopItemAt(point) != &item) continue;
    if (std::any_of(notes.begin(), notes.end(),
                    [&](ZCCandyWidget* note) { return BoxOf(*note).Contains(point.x, point.y); })) {
      covered = true;
      continue;
    }
    out = point;
    return true;
  }
  return false;
}

bool Shown(ScreenTable::Id id) { return Shown(ScreenTable::Get(id)); }

// A dialog of the board shown or on its way in (its fade makes it visible a step later).
bool Shown(ZCBoard_Game3& board, ZCBoard_Game3::DialogId id) {
  auto* dialog = dynamic_cast<ZCCandyWidget*>(&board.GetDialog(id));
  return dialog && (dialog->IsVisible() || dialog->IsShowing());
}

// The single products a combination is made of ("0401": "0400" and "0100").
std::vector<std::string> Parts(const std::string& code) {
  if (code.size() != 4) return {};
  std::vector<std::string> parts{code.substr(0, 2) + "00"};
  if (code.substr(2, 2) != "00") parts.push_back(code.substr(2, 2) + "00");
  return parts;
}

// A dispenser's product (candy, cola, coffee): taken into a free hand, never joined there.
bool FromDispenser(const std::string& single) { return single == "0100" || single == "0200" || single == "0300"; }

// What the heroine fetches next for an order, given her hands: empty when the order is in hand or
// her hands cannot make it. A pair is joined when its second half is taken from a worker into the
// hand that holds the first, so a dispenser's half comes first.
std::string NextPart(const std::string& order, const std::string& first, const std::string& second) {
  const std::vector<std::string> parts = Parts(order);
  if (parts.empty() || first == order || second == order) return "";
  if (parts.size() == 1) return parts[0];
  for (const std::string* hand : {&first, &second})
    for (size_t i = 0; i < 2; ++i)
      if (*hand == parts[i] && !FromDispenser(parts[1 - i])) return parts[1 - i];
  if (!first.empty() && !second.empty()) return "";
  return FromDispenser(parts[1]) ? parts[1] : parts[0];
}

}  // namespace

std::string ScreenName(ScreenGame& game) {
  if (game.IsLoaderRunning() || !game.GetBoard()) return "startup";
  if (ZCBoard_Box* box = ScreenTable::GetConfirmBox(); box && box->IsShowing()) return "box_" + box->GetBoxId();
  if (ZCBoard_Box* box = ScreenTable::GetMessageBox(); box && box->IsShowing()) return "box_" + box->GetBoxId();
  ZCBoard_Game3* board = game.GetBoard();
  if (board->IsLoadingLevel() || Shown(ScreenTable::kLoadScreen)) return "load_screen";
  if (board->IsVisible()) {
    if (Shown(dynamic_cast<ZCCandyWidget*>(&board->GetComix()))) return "comix";
    if (Shown(*board, ZCBoard_Game3::kBriefing)) return "briefing";
    if (Shown(*board, ZCBoard_Game3::kFailDebriefing)) return "debriefing_fail";
    if (Shown(*board, ZCBoard_Game3::kDebriefing)) return "debriefing";
    if (Shown(*board, ZCBoard_Game3::kShop)) return "upgrade";
    if (Shown(*board, ZCBoard_Game3::kEscapeMenu)) return "escape_menu";
  }
  if (board->IsRunning() && board->IsVisible())
    return (board->IsSurvival() ? "survival_" : "level_") + std::to_string(board->GetLevel());
  if (Shown(ScreenTable::kSplash)) return "splash";
  if (ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu(); Shown(menu)) {
    if (Shown(menu->mCreateDialog) && !menu->mCreateDialog->IsHiding()) return "create_player";
    if (Shown(menu->mPlayerPage)) return "players";
  }
  if (Shown(ScreenTable::kCareer)) return "career";
  if (Shown(ScreenTable::kSurvival)) return "survival_menu";
  if (Shown(ScreenTable::kHiScores)) return "hiscores";
  if (Shown(ScreenTable::kOptions)) return "options";
  if (Shown(ScreenTable::kHelp)) return "help";
  if (Shown(ScreenTable::kMainMenu)) return "main_menu";
  return "none";
}

void GameBot::ScreenChanged(const std::string& from, const std::string& to) {
  if (to == "survival_menu") mCafePicked = false;
  if (from == "hiscores" && mPhase == kScores) mPhase = kQuit;
  if (from == "career" && mPhase == kCareerReview) mPhase = kQuit;
  // A day or café ends at whatever follows it that is not a box over it (a box, the shop's
  // question for one, stays in the day).
  const bool played = from.rfind("level_", 0) == 0 || (from.rfind("survival_", 0) == 0 && from != "survival_menu");
  if (played) mLastPlayed = from;
  if (mLastPlayed.empty() || to == "load_screen" || to.rfind("box_", 0) == 0 || to == "none" || to == mLastPlayed)
    return;
  const std::string ended = mLastPlayed;
  mLastPlayed.clear();
  if (ended == "level_1" && mPhase == kFirstDay) mPhase = kSecondDay;
  if (ended == "level_2" && mPhase == kSecondDay) mPhase = kSurvival;
  if (ended.rfind("survival_", 0) == 0 && mPhase == kSurvival && !mSoak) mPhase = kScores;
  if (mPhase == kCareer && (ended == "level_" + std::to_string(mCareerLast) || to == "debriefing_fail"))
    mPhase = kCareerReview;
}

void GameBot::Step(const std::string& screen, uint64_t step) {
  // The notes are watched at every step of play, so that the time to read one counts from the
  // step it came up at.
  const bool play = screen.rfind("level_", 0) == 0 || (screen.rfind("survival_", 0) == 0 && screen != "survival_menu");
  if (play && mGame.GetBoard() && !mSoak) {
    WatchNotes(*mGame.GetBoard(), step);
    WatchOrders(*mGame.GetBoard(), step);
  }
  if (step < mNextAction || !mGame.IsSettled()) return;
  if (mSoak && mPhase < kSurvival) mPhase = kSurvival;
  mNextAction = step + mPace.mAction;
  if (screen == "splash") {
    // A key skips the splash's slides.
    mGame.QueueKey(' ');
  } else if (screen == "create_player") {
    // First the name is typed and given up with Escape (no player may come of it); then the field
    // is emptied, the name typed again and Enter makes the player.
    if (!mNameEscaped) {
      mGame.QueueText(L"Tess");
      mGame.QueueKey(27);
      mNameEscaped = true;
      return;
    }
    ZCBoard_MainMenu* menu = ScreenTable::GetMainMenu();
    const size_t typed = menu && menu->mNameField ? menu->mNameField->GetText().size() : 0;
    for (size_t i = 0; i < typed; ++i) mGame.QueueKey(8);
    mGame.QueueText(L"Tess");
    mGame.QueueKey(13);
  } else if (screen == "main_menu") {
    if (mPhase == kFirstDay || mPhase == kSecondDay || mPhase == kCareer || mPhase == kCareerReview) {
      mGame.QueueClick(std::string(kMenuPage) + "career");
    } else if (mPhase == kSurvival) {
      mGame.QueueClick(std::string(kMenuPage) + "survival");
    } else if (mPhase == kScores) {
      mGame.QueueClick(std::string(kMenuPage) + "scores");
    } else if (mPhase == kQuit) {
      mGame.QueueClick(std::string(kMenuPage) + "quit");
      mPhase = kDone;
    }
  } else if (screen == "career") {
    // The career's review: the page is read for a while (the run checks it), then left.
    if (mPhase == kCareerReview) {
      if (!mCareerShown) mCareerShown = step;
      if (step < mCareerShown + 150) return;
      mCareerShown = 0;
    }
    mGame.QueueClick(mPhase == kFirstDay || mPhase == kSecondDay || mPhase == kCareer ? kCareerPlay : kCareerBack);
  } else if (screen == "survival_menu") {
    // The first café is picked on the left page, then played.
    if (mPhase != kSurvival) {
      mGame.QueueClick(kSurvivalBack);
    } else if (!mCafePicked) {
      mGame.QueueClick(kSurvivalCafe);
      mCafePicked = true;
    } else {
      mGame.QueueClick(kSurvivalPlay);
    }
  } else if (screen == "hiscores") {
    // Read for a while (the run checks the rows and takes its picture), then closed.
    if (!mScoresShown) mScoresShown = step;
    if (step >= mScoresShown + 150) {
      mGame.QueueClick("hiscores/close");
      mScoresShown = 0;
    }
  } else if (screen == "comix") {
    // A day's cut-scene is ended with its button.
    auto* comix = mGame.GetBoard() ? dynamic_cast<ZCCandyWidget*>(&mGame.GetBoard()->GetComix()) : nullptr;
    if (ZCCandyWidget* end = comix ? comix->FindChild("comix_end") : nullptr) {
      int32_t x = 0, y = 0;
      end->GetAbsolutePos(x, y);
      mGame.QueuePoint(x + end->mWidth / 2, y + end->mHeight / 2);
    }
  } else if (screen == "briefing") {
    mGame.QueueClick("game_board/briefingdlg/start");
  } else if (screen == "debriefing") {
    // After the first day the next one follows at once; after the second, back to the menu. In
    // the career every day goes on to the next, and the last day to the menu; after the career's
    // last day "next" is what leads back to the menu.
    const int32_t level = mGame.GetBoard() ? mGame.GetBoard()->GetLevel() : 0;
    const bool career = mPhase == kCareer || mPhase == kCareerReview;
    // A day with a closing scene offers no way to the menu but through its scene and the next day.
    ZCCandyWidget* menu = FindWidget(&mGame, "game_board/debriefing_dialog/menu");
    const bool next = mPhase == kSecondDay || (career && (level < mCareerLast || level >= 59)) ||
                      (career && menu && menu->IsDisabled());
    mGame.QueueClick(next ? "game_board/debriefing_dialog/start" : "game_board/debriefing_dialog/menu");
  } else if (screen == "debriefing_fail") {
    mGame.QueueClick("game_board/debriefing_dialog_fail/menu");
  } else if (screen == "upgrade") {
    mGame.QueueClick("game_board/upgrade/upgrade_dialog/upgrade");
  } else if (screen == "escape_menu") {
    // Once, on day 2, the restart is asked for and refused at its question; then play resumes.
    if (mEscapeVisit == 1) {
      mGame.QueueClick("game_board/escape_menu/escape_dlg/right_page/restart");
      mEscapeVisit = 2;
    } else {
      mGame.QueueClick("game_board/escape_menu/escape_dlg/right_page/resume");
    }
  } else if (screen == "box_quit") {
    // Yes only when the bot itself asked to quit; the close over day 2 is answered no.
    mGame.QueueClick(mPhase == kDone ? "dialogbox_2button/btn_yes" : "dialogbox_2button/btn_no");
  } else if (screen.rfind("box_", 0) == 0) {
    // Any other question is answered no (a message box has yes only).
    if (auto* box = ScreenTable::GetConfirmBox(); box && box->IsShowing())
      mGame.QueueClick("dialogbox_2button/btn_no");
    else
      mGame.QueueClick("dialogbox_1button/btn_yes");
  } else if (play) {
    mNextAction = step + 1;
    if (screen == "level_2" && !mDayTwoStart) mDayTwoStart = step;
    if (screen == "level_2" && mEscapeVisit == 0 && step > mDayTwoStart + 1500 && !mSoak) {
      mGame.QueueKey(27);
      mEscapeVisit = 1;
      mNextAction = step + mPace.mAction;
      return;
    }
    // Later on day 2 the window's close is asked for over the running café (and refused).
    if (screen == "level_2" && mEscapeVisit == 2 && !mCloseAsked && step > mDayTwoStart + 2500 && !mSoak) {
      mGame.QueueCall([this] { mGame.Input(Platform::InputEvent::Type::Close); });
      mCloseAsked = true;
      mNextAction = step + mPace.mAction;
      return;
    }
    if (ZCBoard_Game3* board = mGame.GetBoard()) {
      if (mSoak) SoakCafe(step);
      else if (board->GetLevel() != mIdleDay || board->IsSurvival()) PlayCafe(*board, step);
    }
  }
}

bool GameBot::CloseNote(ZCBoard_Game3& board) {
  ZCCandyWidget* hud = board.FindChild("hud");
  if (!hud) return false;
  for (Vesk::Widget* child : hud->GetChildren()) {
    auto* note = dynamic_cast<ZCCandyWidget*>(child);
    if (!note || !note->IsVisible() || note->GetName().rfind("tutorial", 0) != 0) continue;
    ZCCandyWidget* close = note->FindChild("close");
    if (!close || !close->IsVisible()) continue;
    const PaceLog::Box box = BoxOf(*close);
    Press((box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2, LogName(*close), box);
    ++mCafeClicks;
    return true;
  }
  return false;
}

bool GameBot::ClickToken(ZCBoard_Game3& board) {
  ZCCandyWidget* hud = board.FindChild("hud");
  ZCCandyWidget* row = board.FindChild("minigame");
  if (!row && hud) row = hud->FindChild("minigame");
  auto* game = dynamic_cast<ZCMiniGame*>(row);
  if (!game || !game->IsVisible()) return false;
  for (const ZCMiniGame::Token& token : game->GetRow()) {
    ZCCandyWidget* widget = token.mWidget;
    if (!widget || !widget->IsVisible() || widget->IsDisabled()) continue;
    const PaceLog::Box box = BoxOf(*widget);
    Press((box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2, LogName(*widget), box);
    ++mCafeClicks;
    return true;
  }
  return false;
}

bool GameBot::ClickItem(ZCBoard_Game3& board, const std::string& name, uint64_t step) {
  if (!board.GetTutorial().IsItemAllowed(name)) return false;
  auto last = mLastClick.find(name);
  if (last != mLastClick.end() && step < last->second + kSameItemSteps) return false;
  ZCPickItem* item = ZCPickItem::FindPickItem(name);
  BoardPoint point{};
  bool covered = false;
  PaceLog::Box box;
  if (!item || !item->IsVisible()) return false;
  if (!VisiblePoint(board, *item, point, covered, mCheatClickThrough, box)) {
    if (covered) mCovered.insert(name);
    return false;
  }
  mLastClick[name] = step;
  Press(point.x, point.y, name, box);
  mNextAction = step + mPace.mAction;
  ++mCafeClicks;
  return true;
}

void GameBot::Press(int32_t x, int32_t y, const std::string& aim, const PaceLog::Box& aimBox) {
  // Logged as the click is handed to the game, at the loop step that hands it (no update step
  // runs between).
  mGame.QueueCall([this, x, y, aim, aimBox] {
    ZCBoard_Game3* board = mGame.GetBoard();
    mLog.clicks.push_back({mGame.GetUpdateCount(), x, y, aim, aimBox, board ? TopAt(*board, x, y) : ""});
    using Type = Platform::InputEvent::Type;
    mGame.Input(Type::MouseMove, x, y);
    mGame.Input(Type::MouseDown, x, y);
    mGame.Input(Type::MouseUp, x, y);
  });
}

std::string GameBot::TopAt(ZCBoard_Game3& board, int32_t x, int32_t y) {
  Vesk::Widget* hit = mGame.GetWidgetManager()->GetWidgetAt(x, y);
  // A note over the point is what a person sees there, though it may let the click through.
  const std::vector<ZCCandyWidget*> notes = ShownNotes(board);
  for (auto note = notes.rbegin(); note != notes.rend(); ++note) {
    if (!BoxOf(**note).Contains(x, y)) continue;
    for (Vesk::Widget* w = hit; w; w = dynamic_cast<Vesk::Widget*>(w->GetParent()))
      if (w == *note && hit != *note) return LogName(*hit);
    return (*note)->GetName();
  }
  // Another widget than the board and its head-up display takes the click; else the board's pick
  // item there.
  ZCCandyWidget* hud = board.FindChild("hud");
  if (hit && hit != &board && hit != hud) return LogName(*hit);
  ZCPickItem* item = TopItemAt(BoardPoint{x, y});
  return item ? item->GetName() : "";
}

void GameBot::WatchNotes(ZCBoard_Game3& board, uint64_t step) {
  // The heroine's start: where she stands at the first step of a day or café, until she first
  // leaves it (her figure 40 by 80 pixels over her feet).
  const BoardPoint at = board.GetHeroine() ? board.GetHeroine()->GetPosition() : BoardPoint{};
  const int32_t day = board.IsSurvival() ? -board.GetLevel() : board.GetLevel();
  if (day != mStartDay) {
    mStartDay = day;
    mStartX = at.x;
    mStartY = at.y;
    mHeroineStart = PaceLog::Box{at.x - 20, at.y - 80, at.x + 20, at.y};
  }
  if (at.x != mStartX || at.y != mStartY) mHeroineStart = PaceLog::Box{};
  std::set<std::string> notes;
  for (ZCCandyWidget* note : ShownNotes(board)) {
    notes.insert(note->GetName());
    if (mNotes.count(note->GetName())) continue;
    mLoggedNotes[note->GetName()] = mLog.notes.size();
    PaceLog::Note entry;
    entry.name = note->GetName();
    entry.shown = step;
    entry.box = BoxOf(*note);
    entry.heroineAtStart = mHeroineStart;
    mLog.notes.push_back(entry);
  }
  for (const std::string& name : mNotes)
    if (!notes.count(name)) mLog.notes[mLoggedNotes[name]].hidden = step;
  for (const std::string& name : notes) {
    if (mNotes.count(name)) continue;
    mNoteShown = step;
    if (name == "tutorial21b") ++mRushRetries;
  }
  mNotes = std::move(notes);
  auto* tutorial = dynamic_cast<TutorialManager*>(&board.GetTutorial());
  const int32_t rule = tutorial && tutorial->IsRunning() ? tutorial->GetRuleIndex() : -1;
  if (rule != mRule && board.GetLevel() == 1 && !board.IsSurvival())
    mLessonLog.push_back("rule " + std::to_string(rule) + " step " + std::to_string(step) + " clicks " +
                         std::to_string(mCafeClicks));
  mRule = rule;
}

void GameBot::WatchOrders(ZCBoard_Game3& board, uint64_t step) {
  const int32_t day = board.IsSurvival() ? -board.GetLevel() : board.GetLevel();
  if (day != mArrivalsDay) {
    mArrivalsDay = day;
    mArrivals = 0;
    mPresent.clear();
    mIgnored.clear();
  }
  for (ZCItem* item : GetItemRegistry().Items()) {
    auto* v = dynamic_cast<ZCClient*>(item);
    if (!v) continue;
    // Visitors counted as they come in; the one to leave alone, until it goes.
    if (v->IsActive() && mPresent.insert(v->GetName()).second && ++mArrivals == mIgnoreVisitor && day == mIgnoreDay) {
      mIgnored = v->GetName();
      ++mIgnoredCount;
    }
    if (!v->IsActive() && mPresent.erase(v->GetName()) && v->GetName() == mIgnored) mIgnored.clear();
    auto& seen = mOrderSeen[v->GetName()];
    const bool waits = v->IsActive() && v->GetState() == ZCClient::kWaiting;
    const std::string now = waits ? "wait:" + v->GetCode() : std::string();
    if (seen.first != now) seen = {now, step};
  }
}

void GameBot::PlayCafe(ZCBoard_Game3& board, uint64_t step) {
  // A note that came up is read before anything is clicked.
  if (mNoteShown && step < mNoteShown + mPace.mRead && !mCheatNoWait) return;
  if (CloseNote(board)) {
    mNextAction = step + mPace.mAction;
    return;
  }
  // The tutorial's notes ask for one item at a time: the one it lets go of.
  auto* tutorial = dynamic_cast<TutorialManager*>(&board.GetTutorial());
  const bool tutorialRuns = tutorial && tutorial->IsRunning();
  if (tutorialRuns) {
    const std::set<std::string>& barred = tutorial->GetBarredItems();
    for (const std::string& name : mBarred)
      if (!barred.count(name)) mAsked.push_back(name);
    mBarred = barred;
  } else {
    mBarred.clear();
    mAsked.clear();
  }
  if (tutorialRuns && ClickToken(board)) {
    mNextAction = step + mPace.mAction;
    return;
  }
  // Clicked while she walks: the rush lesson wants its clicks one right after the other.
  while (!mAsked.empty()) {
    const std::string name = mAsked.front();
    mLastClick.erase(name);
    const bool clicked = ClickItem(board, name, step);
    // A target a note hides is waited for (and the run fails on it).
    if (!clicked && mCovered.count(name)) return;
    mAsked.erase(mAsked.begin());
    if (clicked) return;
  }
  auto* heroine = dynamic_cast<ZCBoss*>(board.GetHeroine());
  if (!heroine || !heroine->GetTargets().empty() || heroine->IsMoving()) return;
  const bool survivalIdle = board.IsSurvival() && board.GetMoney() >= kSurvivalMoney;
  if (survivalIdle) return;
  std::vector<ZCClient*> visitors;
  std::vector<ZCWorker*> workers;
  std::vector<ZCTray*> trays;
  for (ZCItem* item : GetItemRegistry().Items()) {
    if (auto* visitor = dynamic_cast<ZCClient*>(item); visitor && visitor->IsActive() && visitor->GetName() != mIgnored)
      visitors.push_back(visitor);
    if (auto* worker = dynamic_cast<ZCWorker*>(item); worker && worker->GetTable()) workers.push_back(worker);
    if (auto* tray = dynamic_cast<ZCTray*>(item); tray && !dynamic_cast<ZCTrash*>(item)) trays.push_back(tray);
  }
  const std::string& first = heroine->GetFirstHand();
  const std::string& second = heroine->GetSecondHand();
  const bool handFree = first.empty() || second.empty();
  auto act = [&](const std::string& name) { return !name.empty() && ClickItem(board, name, step); };

  // Every useful click gets a worth, less the way to walk there (a player does what is near
  // first); the best one that takes the click is made.
  const BoardPoint here = heroine->GetPosition();
  std::vector<std::pair<float, std::string>> choices;
  auto offer = [&](float worth, ZCItem* item) {
    if (!item) return;
    const BoardPoint at = item->GetPosition();
    const float way = std::hypot(float(at.x - here.x), float(at.y - here.y));
    choices.emplace_back(worth - way / 4.0f, item->GetName());
  };
  // A visitor's worth grows as its patience runs out: read as a number, or from the colour of
  // its face (green, yellow, red) as a person sees it.
  auto urgency = [this, step](ZCClient* v) {
    const float p = v->GetPatience();
    if (mPace.mReadsNumbers) {
      mLog.ReadHidden(step, v->GetName() + "'s patience as a number");
      return (100.0f - p) * 2.0f;
    }
    const ClientsConfig& levels = GetClientsConfig();
    return p > levels.mPatienceGreen ? 0.0f : p > levels.mPatienceYellow ? 80.0f : 160.0f;
  };
  // A visitor is seen waiting once its new order (or its coming in) has been looked at.
  auto waiting = [this, step](ZCClient* v) {
    return v->GetState() == ZCClient::kWaiting && step >= mOrderSeen[v->GetName()].second + mPace.mOrderSeen;
  };
  for (ZCClient* v : visitors) {
    if (!waiting(v)) continue;
    // Serve what is in hand, take orders.
    if (v->WantsProduct(first, second)) offer(1000.0f + urgency(v), v->GetPlaceItem());
    if (v->GetCode().empty()) offer(550.0f + urgency(v), v->GetPlaceItem());
  }
  // A broken or dirty workplace: the brush, then the table.
  for (ZCWorker* w : workers) {
    if (w->GetWorkState() != ZCWorker::kBroken && w->GetTidiness() >= kDirty) continue;
    const float worth = w->GetWorkState() == ZCWorker::kBroken ? 900.0f : 450.0f;
    if (first == "wash" || second == "wash") offer(worth, w->GetTable());
    else if (handFree) offer(worth - 50.0f, ZCPickItem::FindPickItem("wash_stand"));
  }
  // Fetch what the waiting orders need from the dispensers and the workers.
  std::set<std::string> needed;
  for (ZCClient* v : visitors) {
    if (!waiting(v) || v->GetCode().empty()) continue;
    const std::string part = NextPart(v->GetCode(), first, second);
    if (part.empty()) continue;
    needed.insert(part);
    // A worker's half joins the other half in hand, full hands or not.
    const std::vector<std::string> parts = Parts(v->GetCode());
    const std::string& other = parts.size() == 2 ? (parts[0] == part ? parts[1] : parts[0]) : part;
    const bool joins = parts.size() == 2 && (first == other || second == other);
    if (!handFree && !joins) continue;
    // A dispenser's half waits in hand only for a worker who is at work: an idle one starts first.
    if (parts.size() == 2 && FromDispenser(part)) {
      auto maker = std::find_if(workers.begin(), workers.end(), [&](ZCWorker* w) { return w->GetProduct() == other; });
      if (maker != workers.end() && (*maker)->GetWorkState() == ZCWorker::kIdle) {
        offer(620.0f + urgency(v), (*maker)->GetTable());
        continue;
      }
    }
    for (ZCTray* t : trays)
      if (t->GetCode() == part && handFree) offer(600.0f + urgency(v), t);
    for (ZCWorker* w : workers)
      if (w->GetProduct() == part && w->GetWorkState() == ZCWorker::kReady) offer(650.0f + urgency(v), w->GetTable());
  }
  // Idle workers start work, first those whose product is waited for.
  // (A worker is started by a free hand.)
  for (ZCWorker* w : workers)
    if (w->GetWorkState() == ZCWorker::kIdle && handFree)
      offer(needed.count(w->GetProduct()) ? 620.0f : 400.0f, w->GetTable());
  // Hands holding what nobody waits for are emptied; so are full hands that serve nobody.
  auto wanted = [&](const std::string& hand) {
    if (hand.empty()) return true;
    if (hand == "wash")
      return std::any_of(workers.begin(), workers.end(),
                         [](ZCWorker* w) { return w->GetWorkState() == ZCWorker::kBroken || w->GetTidiness() < kDirty; });
    for (ZCClient* v : visitors)
      if (waiting(v) && v->WantsProduct(hand, "")) return true;
    // A half of a pair that the other half can still join.
    for (ZCClient* v : visitors) {
      const std::vector<std::string> parts = Parts(v->GetCode());
      if (parts.size() == 2 && ((parts[0] == hand && !FromDispenser(parts[1])) || (parts[1] == hand && !FromDispenser(parts[0]))))
        return true;
    }
    return false;
  };
  // The bin takes the second hand's load first: a wanted load there is kept unless nothing else helps.
  // Full hands that are both waited for are kept: what joins them or takes them comes.
  if (!wanted(second) || (second.empty() && !wanted(first))) offer(700.0f, ZCPickItem::FindPickItem("trash_bin"));
  else if (!wanted(first)) offer(100.0f, ZCPickItem::FindPickItem("trash_bin"));
  std::stable_sort(choices.begin(), choices.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [worth, name] : choices)
    if (act(name)) return;
}

void GameBot::SoakCafe(uint64_t step) {
  // Random clicks over the whole picture: the café, the head-up display, the bonus row.
  std::uniform_int_distribution<int32_t> x(0, 1023), y(0, 767);
  mGame.QueuePoint(x(mRandom), y(mRandom));
  mNextAction = step + 5 + uint64_t(mRandom() % 40);
}

std::string GameBot::Describe() {
  ZCBoard_Game3* board = mGame.GetBoard();
  if (!board) return "";
  std::string out;
  if (auto* heroine = dynamic_cast<ZCBoss*>(board->GetHeroine())) {
    out += "hands [" + heroine->GetFirstHand() + "," + heroine->GetSecondHand() + "] at " +
           std::to_string(int(heroine->GetPosition().x)) + "," + std::to_string(int(heroine->GetPosition().y));
    if (heroine->IsMoving()) out += " walking";
    for (ZCPickItem* target : heroine->GetTargets()) out += " to " + target->GetName();
  }
  for (ZCItem* item : GetItemRegistry().Items()) {
    if (auto* v = dynamic_cast<ZCClient*>(item); v && v->IsActive())
      out += " " + v->GetName() + ":" + std::to_string(v->GetState()) + ":" + v->GetCode();
    if (auto* w = dynamic_cast<ZCWorker*>(item); w && w->GetTable())
      out += " " + w->GetName() + ":" + std::to_string(w->GetWorkState()) + ":" + std::to_string(int(w->GetTidiness()));
  }
  if (ZCCandyWidget* hud = board->FindChild("hud"))
    for (Vesk::Widget* child : hud->GetChildren())
      if (auto* note = dynamic_cast<ZCCandyWidget*>(child); note && note->IsVisible() && note->GetName().rfind("tutorial", 0) == 0)
        out += " note " + note->GetName();
  for (const std::string& name : mBarred) out += " barred " + name;
  for (const std::string& name : mAsked) out += " asked " + name;
  return out;
}
