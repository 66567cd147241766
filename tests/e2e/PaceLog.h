#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// What the whole-game bot did in the café and what the game showed it, step by step: every note
// that came up (with where it lay and where the heroine stood) and every click (where it went,
// what the bot aimed at, and what the game had topmost at that point as the click landed).
// CheckPace holds the bot to a person's pace and sight over it.
struct PaceLog {
  // A rectangle of picture pixels, x1 and y1 excluded.
  struct Box {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Contains(int32_t x, int32_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    bool Overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
    std::string Text() const {
      return std::to_string(x0) + "," + std::to_string(y0) + " to " + std::to_string(x1) + "," + std::to_string(y1);
    }
  };
  struct Note {
    std::string name;
    uint64_t shown = 0;
    // The step it was first seen gone at (none while it is still up).
    uint64_t hidden = std::numeric_limits<uint64_t>::max();
    Box box;
    // The heroine's figure when the note came up, while she still stood where the day started
    // her (empty once she has left that point).
    Box heroineAtStart;
  };
  struct Click {
    uint64_t step = 0;
    int32_t x = 0, y = 0;
    // What the bot aimed at and the box it has on screen: a pick item by its name, a widget as
    // "<parent>/<name>"; what the game had topmost at the point, named the same way (a note
    // that takes no click by its own name).
    std::string aim;
    Box aimBox;
    std::string top;
  };
  std::vector<Note> notes;
  std::vector<Click> clicks;
  // What the bot read that the game shows no player (a visitor's patience as a number): how
  // often, and the first read.
  uint64_t hiddenReads = 0;
  std::string firstHiddenRead;
  void ReadHidden(uint64_t step, const std::string& what) {
    if (hiddenReads++ == 0) firstHiddenRead = what + " at step " + std::to_string(step);
  }
};

// The pace and sight a run is held to, in game steps (10 ms each), set here rather than taken
// from the bot's own settings, so that a bot made quicker or sharper-eyed fails its runs.
struct PaceLimits {
  // From a note's coming up to the next click; between two clicks.
  uint64_t readSteps;
  uint64_t gapSteps;
  // Whether the player may act on what the game shows nobody (a visitor's patience as a number).
  bool readsHiddenValues;
};
// A practised player: 1 s to read a new note, 0.6 s between two clicks (docs/career.md).
inline constexpr PaceLimits kPractisedPace{100, 60, true};
// A first-time player, as docs/career.md promises: 6 s from a new note to its click, 1.5 s
// between two clicks, a visitor's patience told by the colour of its face only.
inline constexpr PaceLimits kFirstTimePace{600, 150, false};

// The faults of a run against a person's pace and sight, one line each, none when it kept them:
// a click within the read time of a note's coming up, or within the gap of the click before; a
// hidden value read where the player sees none; a click under a note (but on that note's own
// button); a click that landed on another thing than the one aimed at; a note over any part of
// what a click aimed at while the note was up; a note over the heroine at her start.
inline std::vector<std::string> CheckPace(const PaceLog& log, const PaceLimits& limits) {
  std::vector<std::string> faults;
  if (log.hiddenReads && !limits.readsHiddenValues)
    faults.push_back("read " + log.firstHiddenRead + ", which the game shows no player (" +
                     std::to_string(log.hiddenReads) + " such reads)");
  for (const PaceLog::Note& note : log.notes)
    if (note.box.Overlaps(note.heroineAtStart))
      faults.push_back("note " + note.name + " (" + note.box.Text() + ") covers the heroine at her start (" +
                       note.heroineAtStart.Text() + ")");
  for (size_t i = 0; i < log.clicks.size(); ++i) {
    const PaceLog::Click& click = log.clicks[i];
    const std::string what = "the click at step " + std::to_string(click.step) + " on " + click.aim + " at " +
                             std::to_string(click.x) + "," + std::to_string(click.y);
    if (click.top != click.aim) faults.push_back(what + " landed on " + (click.top.empty() ? "nothing" : click.top));
    if (i > 0 && click.step < log.clicks[i - 1].step + limits.gapSteps)
      faults.push_back(what + " came " + std::to_string(click.step - log.clicks[i - 1].step) + " steps after the one on " +
                       log.clicks[i - 1].aim + ", within the gap of " + std::to_string(limits.gapSteps) +
                       " between two clicks");
    for (const PaceLog::Note& note : log.notes) {
      if (note.shown > click.step) continue;
      if (click.step < note.shown + limits.readSteps)
        faults.push_back(what + " came " + std::to_string(click.step - note.shown) + " steps after note " + note.name +
                         ", within its read time of " + std::to_string(limits.readSteps));
      const bool up = click.step < note.hidden;
      const bool onNote = click.aim.rfind(note.name + "/", 0) == 0;
      if (!up || onNote) continue;
      if (note.box.Contains(click.x, click.y)) faults.push_back(what + " landed under note " + note.name);
      else if (note.box.Overlaps(click.aimBox))
        faults.push_back("note " + note.name + " (" + note.box.Text() + ") covers part of " + click.aim + " (" +
                         click.aimBox.Text() + ")");
    }
  }
  return faults;
}
