#include "e2e/PaceLog.h"

#include <gtest/gtest.h>

namespace {

// A note at the bottom right, up from step 100 to 400; the heroine had left her start by then.
// The bot reads it for 100 steps, closes it with its own button, then clicks a table clear of it
// while it is still up, and a dispenser under where it lay once it has gone.
PaceLog Honest() {
  PaceLog log;
  log.notes.push_back({"tutorial5", 100, 400, {600, 570, 960, 680}, {}});
  log.clicks.push_back({200, 780, 660, "tutorial5/close", {740, 640, 820, 680}, "tutorial5/close"});
  log.clicks.push_back({250, 400, 200, "table02", {320, 160, 480, 240}, "table02"});
  log.clicks.push_back({450, 700, 600, "candymachine", {660, 560, 740, 640}, "candymachine"});
  return log;
}

// A note read for 100 steps, 50 steps between two clicks, no hidden value read.
constexpr PaceLimits kLimits{100, 50, false};

// The one fault of a log, or what it found instead.
std::string OnlyFault(const PaceLog& log) {
  const std::vector<std::string> faults = CheckPace(log, kLimits);
  if (faults.size() == 1) return faults[0];
  std::string all = std::to_string(faults.size()) + " faults:";
  for (const std::string& fault : faults) all += " [" + fault + "]";
  return all;
}

}  // namespace

// An honest bot's log passes; each way of cheating it is caught on its own: a click before the
// note is read, a click too soon after the one before, a patience read as a number, a click
// through a note onto the item under it, a click that lands on another item than the one aimed
// at, a note over part of what is clicked while it is up, a note over the heroine where the day
// started her.
TEST(PaceLogTest, AnHonestLogPassesAndEachCheatIsCaught) {
  EXPECT_TRUE(CheckPace(Honest(), kLimits).empty());

  PaceLog early = Honest();
  early.clicks[0].step = 150;
  EXPECT_NE(OnlyFault(early).find("came 50 steps after note tutorial5, within its read time of 100"),
            std::string::npos)
      << OnlyFault(early);

  PaceLog hasty = Honest();
  hasty.clicks[1].step = 240;
  EXPECT_NE(OnlyFault(hasty).find("on table02 at 400,200 came 40 steps after the one on tutorial5/close, within "
                                  "the gap of 50"),
            std::string::npos)
      << OnlyFault(hasty);

  PaceLog sharp = Honest();
  sharp.ReadHidden(300, "client01's patience as a number");
  sharp.ReadHidden(310, "client02's patience as a number");
  EXPECT_NE(OnlyFault(sharp).find("read client01's patience as a number at step 300, which the game shows no player "
                                  "(2 such reads)"),
            std::string::npos)
      << OnlyFault(sharp);
  EXPECT_TRUE(CheckPace(sharp, PaceLimits{100, 50, true}).empty());

  // (The note takes no click: the game hands it to the item, but a person sees the note there.)
  PaceLog through = Honest();
  through.clicks[2].step = 300;
  through.clicks[2].top = "tutorial5";
  const std::vector<std::string> faults = CheckPace(through, kLimits);
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_NE(faults[0].find("candymachine at 700,600 landed on tutorial5"), std::string::npos) << faults[0];
  EXPECT_NE(faults[1].find("candymachine at 700,600 landed under note tutorial5"), std::string::npos) << faults[1];

  PaceLog other = Honest();
  other.clicks[1].top = "client_place02";
  EXPECT_NE(OnlyFault(other).find("on table02 at 400,200 landed on client_place02"), std::string::npos)
      << OnlyFault(other);

  PaceLog part = Honest();
  part.clicks[1].aimBox = {320, 160, 620, 600};
  EXPECT_NE(OnlyFault(part).find("note tutorial5 (600,570 to 960,680) covers part of table02"), std::string::npos)
      << OnlyFault(part);

  PaceLog start = Honest();
  start.notes[0].heroineAtStart = {580, 560, 620, 640};
  EXPECT_NE(OnlyFault(start).find("note tutorial5 (600,570 to 960,680) covers the heroine at her start"),
            std::string::npos)
      << OnlyFault(start);
}
