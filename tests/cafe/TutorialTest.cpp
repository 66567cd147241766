#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <sstream>

#include "cafe/support/TutorialDoubles.h"
#include "shell/XmlNode.h"
#include "widgets/ZCWidgetKit.h"

namespace {

const std::set<std::string> kManagedItems = {"table01",        "table02",        "table03",
                                             "client_place01", "client_place02", "client_place03",
                                             "client_sit_place01", "client_sit_place02", "trash_bin",
                                             "wash_stand"};

bool Has(const CallLog& log, const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); }

bool SameRule(const TutorialRule& a, const TutorialRule& b) {
  if (a.mTrigger != b.mTrigger || a.mDelay != b.mDelay || a.mShow != b.mShow || a.mHide != b.mHide ||
      !std::equal(a.mUnblock, a.mUnblock + TutorialRule::kSlots, b.mUnblock) ||
      !std::equal(a.mBlock, a.mBlock + TutorialRule::kSlots, b.mBlock) || a.mDisallow != b.mDisallow ||
      a.mAllow != b.mAllow || a.mMiniGameCommand != b.mMiniGameCommand || a.mNext != b.mNext ||
      a.mCallback != b.mCallback || a.mAlternatives.size() != b.mAlternatives.size())
    return false;
  for (size_t i = 0; i < a.mAlternatives.size(); ++i)
    if (!SameRule(a.mAlternatives[i], b.mAlternatives[i])) return false;
  return true;
}

bool SameTable(const TutorialTable& a, const TutorialTable& b) {
  if (a.mForcedBonuses != b.mForcedBonuses || a.mRules.size() != b.mRules.size()) return false;
  for (size_t i = 0; i < a.mRules.size(); ++i)
    if (!SameRule(a.mRules[i], b.mRules[i])) return false;
  return true;
}

class TutorialTest : public TutorialFixture {};

TEST_F(TutorialTest, GatesAndItemsFollowTheTable) {
  for (int32_t id = 1; id <= 7; ++id) EXPECT_TRUE(mManager.IsEventAllowed(id)) << id;
  EXPECT_TRUE(mManager.IsItemAllowed("table01"));

  mManager.Start(1);
  EXPECT_EQ(mManager.GetBarredItems(), kManagedItems);
  // The level here has none of them: each is named in a warning, and the table runs on.
  EXPECT_EQ(CountLogLines("the tutorial names the item"), 10);
  for (int32_t id : {1, 3, 4, 6}) EXPECT_FALSE(IsEventAllowed(id)) << id;
  for (int32_t id : {2, 5, 7}) EXPECT_TRUE(IsEventAllowed(id)) << id;
  // Items the table never names (the machines) stay clickable.
  EXPECT_TRUE(mManager.IsItemAllowed("candymachine"));

  // A visitor arrives: the hint asks for a click on her place, which alone is free.
  mManager.ApplyRule(1);
  for (const std::string& name : kManagedItems) EXPECT_EQ(mManager.IsItemAllowed(name), name == "client_place01") << name;
  EXPECT_FALSE(IsEventAllowed(5));
  EXPECT_EQ(mManager.GetRuleIndex(), 2);
}

TEST_F(TutorialTest, BlockedSevenRefusesEveryIdAndHoldsTheGameTime) {
  GameClock held(true);
  held.SetTimeout(1.0f);
  mManager.ShowBonusHint(0);
  for (int32_t id = 0; id <= 13; ++id) EXPECT_FALSE(IsEventAllowed(id)) << id;
  // Items are still asked apart: the hint bars none.
  EXPECT_TRUE(mManager.IsItemAllowed("table01"));
  GameClock::Advance(0.5f);
  EXPECT_FLOAT_EQ(held.GetRemaining(), 1.0f);

  // The hint dialog closes through the widgets' handler the board installed.
  TutorialDialogClosed();
  EXPECT_FALSE(mManager.IsRunning());
  EXPECT_TRUE(IsEventAllowed(7));
  GameClock::Advance(0.5f);
  EXPECT_FLOAT_EQ(held.GetRemaining(), 0.5f);
}

TEST_F(TutorialTest, SkipHidesEverythingAndAllowsEverything) {
  mManager.Start(1);
  mManager.ApplyRule(1);
  Take();
  // The head-up display's "skip" button reaches the board's tutorial.
  mBoard->GetTutorial().Skip();
  const CallLog calls = Take();
  EXPECT_TRUE(Has(calls, "hud hide all"));
  EXPECT_TRUE(Has(calls, "hud skip hide"));
  EXPECT_TRUE(Has(calls, "hud reset widget off 0.000"));
  EXPECT_TRUE(Has(calls, "minigame enable all"));
  EXPECT_FALSE(mManager.IsRunning());
  for (int32_t id = 1; id <= 7; ++id) EXPECT_TRUE(IsEventAllowed(id)) << id;
  for (const std::string& name : kManagedItems) EXPECT_TRUE(mManager.IsItemAllowed(name)) << name;
  // Nothing reported afterwards moves a rule.
  mManager.ApplyRule(2);
  EXPECT_FALSE(Has(Take(), "ApplyRule: 2"));

  mManager.Start(2);
  EXPECT_EQ(Take(), CallLog{"hud skip hide"});
  EXPECT_FALSE(mManager.IsRunning());
  mManager.Start(1);
  EXPECT_TRUE(Has(Take(), "hud skip show"));
}

TEST_F(TutorialTest, BonusHints) {
  mManager.ShowBonusHint(3);
  EXPECT_EQ(Take(), (CallLog{"ApplyRule: 0", "tutorial block 7", "tutorial show tutorial_bonus_speed",
                             "hud tutorial_bonus_speed on"}));
  mManager.ApplyRule(11);
  EXPECT_EQ(Take(), (CallLog{"ApplyRule: 1", "tutorial unblock 7", "tutorial hide tutorial_bonus_speed",
                             "hud tutorial_bonus_speed off", "tutorial finish", "minigame enable all",
                             "hud skip hide"}));

  // The clean bonus has no hint.
  mManager.ShowBonusHint(2);
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(mManager.IsRunning());

  // A hint replaces level 1's table and takes its shown hints away.
  mManager.Start(1);
  mManager.ApplyRule(1);
  Take();
  mManager.ShowBonusHint(1);
  const CallLog calls = Take();
  ASSERT_TRUE(Has(calls, "hud tutorial1 off"));
  EXPECT_TRUE(Has(calls, "hud tutorial_bonus_happy on"));
  EXPECT_EQ(mManager.GetTable(), &GetBonusHintTable(1));
  EXPECT_TRUE(mManager.GetBarredItems().empty());
}

TEST_F(TutorialTest, EventReportedWhileApplyingWaitsForTheRule) {
  // The hint dialog closes as soon as it is shown: event 11 comes while rule 0 is applied.
  mTutorialHud.mOnShow = [] { TutorialDialogClosed(); };
  mManager.ShowBonusHint(4);
  const CallLog calls = Take();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "ApplyRule: 0"), 1);
  const auto first = std::find(calls.begin(), calls.end(), "ApplyRule: 0");
  const auto second = std::find(calls.begin(), calls.end(), "ApplyRule: 1");
  ASSERT_NE(second, calls.end());
  // Rule 0 finished (its widget shown) before rule 1 began.
  EXPECT_LT(std::find(first, calls.end(), "hud tutorial_bonus_ice on"), second);
  EXPECT_FALSE(mManager.IsRunning());
}

TEST_F(TutorialTest, EventReportedByACallbackWaitsForItsRule) {
  // Level 1 up to the end of a rush during rule 36 (0: half a second of steps).
  mManager.Start(1);
  for (int32_t event : {1, 2, 4, 0, 2, 2, 2, 8, 2, 2, 3, 11, 10, 10, 1, 4, 0, 10, 10, 2, 11, 11, 1, 0, 1, 0, 1, 0, 1,
                        0, 1, 0, 11, 2, 2, 9}) {
    if (event == 0)
      for (int i = 0; i < 4; ++i) Step(0.125f);
    else
      mManager.ApplyRule(event);
  }
  ASSERT_EQ(mManager.GetRuleIndex(), 42);
  // Rule 42's fade-out sets the veil, whose double reports the fade's end at once.
  mTutorialHud.mOnVeil = [this] {
    mTutorialHud.mOnVeil = nullptr;
    mManager.ApplyRule(12);
  };
  Take();
  Step(0.125f);
  const CallLog calls = Take();
  const auto rule42 = std::find(calls.begin(), calls.end(), "ApplyRule: 42");
  const auto fade = std::find(calls.begin(), calls.end(), "tutorial fade out");
  const auto rule43 = std::find(calls.begin(), calls.end(), "ApplyRule: 43");
  ASSERT_NE(rule43, calls.end());
  EXPECT_LT(rule42, fade);
  EXPECT_LT(fade, rule43);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "ApplyRule: 42"), 1);
  EXPECT_EQ(mManager.GetRuleIndex(), 44);
}

TEST_F(TutorialTest, ForcedBonusesAndTables) {
  EXPECT_EQ(mManager.NextForcedBonus(), -1);
  mManager.Start(1);
  std::vector<int32_t> forced;
  for (int i = 0; i < 7; ++i) forced.push_back(mManager.NextForcedBonus());
  EXPECT_EQ(forced, (std::vector<int32_t>{0, 2, 2, 1, 2, 0, -1}));

  const TutorialTable a = BuildLevel1TutorialTable();
  const TutorialTable b = BuildLevel1TutorialTable();
  ASSERT_EQ(a.mRules.size(), 50u);
  EXPECT_TRUE(SameTable(a, b));
  EXPECT_TRUE(SameTable(a, GetLevel1TutorialTable()));
  EXPECT_TRUE(GetBonusHintTable(2).mRules.empty());
  EXPECT_TRUE(GetBonusHintTable(9).mRules.empty());
}

TEST_F(TutorialTest, ResetSceneAndFades) {
  mManager.Start(1);
  mManager.NextForcedBonus();
  Take();
  mManager.BeginFadeOut();
  Step(0.5f);
  Step(0.5f);
  mManager.ResetScene();
  CallLog calls = Take();
  EXPECT_TRUE(Has(calls, "hud reset widget on 0.000"));
  EXPECT_TRUE(Has(calls, "hud reset widget on 0.500"));
  EXPECT_TRUE(Has(calls, "hud reset widget on 1.000"));
  for (const char* line : {"reset heroine client_place02", "minigame reset", "reset worker01", "reset worker03",
                           "reset client_sit02", "reset client01"})
    EXPECT_TRUE(Has(calls, line)) << line;
  EXPECT_EQ(mManager.NextForcedBonus(), 0);
  mManager.BeginFadeIn();
  Step(1.0f);
  EXPECT_TRUE(Has(Take(), "hud reset widget off 0.000"));
  EXPECT_FALSE(mManager.IsFadingIn());

  // The level ends during a fade: the veil goes with it.
  mManager.BeginFadeOut();
  Take();
  mManager.Stop();
  EXPECT_EQ(Take(), CallLog{"hud reset widget off 0.000"});
  EXPECT_FALSE(mManager.IsFadingOut());
}

}  // namespace

namespace {

struct Box {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
  std::string Text() const {
    return std::to_string(x0) + "," + std::to_string(y0) + " to " + std::to_string(x1) + "," + std::to_string(y1);
  }
};

XmlNode LoadSample(const std::string& name) {
  const char* source = std::getenv("CAFE_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/content/cfg/" + name, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  return LoadXmlFromMemory(bytes.data(), bytes.size(), name);
}

int32_t IntAttr(const XmlNode& node, const char* name) {
  std::string value;
  return node.getAttribute(std::string(name), value) ? std::atoi(value.c_str()) : 0;
}

// Every element below the node, depth first.
void Walk(const XmlNode& node, const std::function<void(const XmlNode&)>& visit) {
  for (XmlNode child = node.firstChild(); child; child = child.nextSibling()) {
    visit(child);
    Walk(child, visit);
  }
}

}  // namespace

// On the first day a person sees what a note asks for: no note shown covers the item the script
// lets the player click (nor, for a note that lets nothing new, the item it let last), with the
// visitor or worker and the bubble over it and the heroine standing at it, nor another note shown
// at the same time (the offer to skip the lessons stays for the whole day). Followed along the
// lessons passed at the first try and along a lost rush that is tried again.
TEST(TutorialNotesTest, NotesOfTheFirstDayLeaveTheirTargetsAndEachOtherInSight) {
  std::map<std::string, Box> notes;
  Walk(LoadSample("ui.xml").documentElement(), [&](const XmlNode& node) {
    std::string name;
    if (!node.getAttribute(std::string("name"), name)) return;
    if (name.rfind("tutorial", 0) != 0 && name != "skip_tutorial_dlg") return;
    const int32_t x = IntAttr(node, "x"), y = IntAttr(node, "y");
    notes[name] = Box{x, y, x + IntAttr(node, "w"), y + IntAttr(node, "h")};
  });
  // A pick item's place on screen: its region, raised by the 110 pixels of the actor and its
  // bubble over it, and the heroine (40 by 80 pixels over her feet) at its pick point.
  std::map<std::string, Box> targets;
  Walk(LoadSample("cafe1.xml").documentElement(), [&](const XmlNode& node) {
    std::string name, region;
    XmlNode point = node.selectSingleNode(L"point");
    if (!node.getAttribute(std::string("rgn"), region) || !point || !node.getAttribute(std::string("name"), name))
      return;
    Box box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    std::istringstream values(region);
    for (int32_t x = 0, y = 0; values >> x >> y;)
      box = Box{std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
    box.y0 -= 110;
    const int32_t px = IntAttr(point, "offs_x"), py = IntAttr(point, "offs_y");
    targets[name] = Box{std::min(box.x0, px - 20), std::min(box.y0, py - 80), std::max(box.x1, px + 20),
                        std::max(box.y1, py)};
  });
  ASSERT_FALSE(targets.empty());

  const TutorialTable& table = GetLevel1TutorialTable();
  // Follows the script from its start: `lose` takes the alternative (the rush is lost) at that
  // rule once.
  auto follow = [&](int32_t lose) {
    std::set<std::string> shown{"skip_tutorial_dlg"};
    std::vector<std::string> target;
    bool lost = false;
    for (int32_t index = 0, steps = 0; index < int32_t(table.mRules.size()) && steps < 200; ++steps) {
      const TutorialRule* rule = &table.mRules[size_t(index)];
      if (index == lose && !lost && !rule->mAlternatives.empty()) {
        rule = &rule->mAlternatives.front();
        lost = true;
      }
      for (const std::string& name : rule->mHide) shown.erase(name);
      for (const std::string& name : rule->mShow) shown.insert(name);
      if (!rule->mDisallow.empty()) target = rule->mDisallow;
      for (const std::string& name : shown) {
        ASSERT_TRUE(notes.count(name)) << name;
        for (const std::string& item : target) {
          ASSERT_TRUE(targets.count(item)) << item;
          EXPECT_FALSE(notes[name].Overlaps(targets[item]))
              << "rule " << index << ": " << name << " (" << notes[name].Text() << ") covers " << item << " ("
              << targets[item].Text() << ")";
        }
        for (const std::string& other : shown)
          EXPECT_FALSE(name < other && notes[name].Overlaps(notes[other]))
              << "rule " << index << ": " << name << " overlaps " << other;
      }
      index = rule->mNext >= 0 ? rule->mNext : index + 1;
    }
  };
  follow(-1);
  follow(37);
}

namespace {

// The notes of the first day and the skip offer's card, by name, as ui.xml places them.
std::map<std::string, Box> NoteBoxes(std::map<std::string, Box>* briefing) {
  std::map<std::string, Box> notes;
  Walk(LoadSample("ui.xml").documentElement(), [&](const XmlNode& node) {
    std::string name;
    if (!node.getAttribute(std::string("name"), name)) return;
    const int32_t x = IntAttr(node, "x"), y = IntAttr(node, "y");
    const Box box{x, y, x + IntAttr(node, "w"), y + IntAttr(node, "h")};
    if (name == "briefing_dialog") (*briefing)[name] = box;
    if (name.rfind("tutorial", 0) == 0 || name == "skip_tutorial_dlg") notes[name] = box;
  });
  return notes;
}

}  // namespace

// A note lies inside the screen and over no visitor's patience face (the face's back, 48 by 22
// pixels, at its part's offset from the visitor's place); the skip offer's card lies wholly
// beside the briefing shown at the day's start.
TEST(TutorialNotesTest, NotesStayOnScreenClearOfThePatienceFacesAndTheBriefing) {
  std::map<std::string, Box> briefing;
  const std::map<std::string, Box> notes = NoteBoxes(&briefing);
  ASSERT_TRUE(notes.count("tutorial20") && notes.count("skip_tutorial_dlg") && briefing.count("briefing_dialog"));
  std::map<std::string, std::pair<int32_t, int32_t>> places;
  std::map<std::string, std::pair<int32_t, int32_t>> faceOffsets;
  Walk(LoadSample("cafe1.xml").documentElement(), [&](const XmlNode& node) {
    std::string name;
    if (!node.getAttribute(std::string("name"), name)) return;
    places[name] = {IntAttr(node, "pos_x"), IntAttr(node, "pos_y")};
    if (name.rfind("status_hp_client", 0) == 0)
      if (XmlNode back = node.selectSingleNode(L"part[@name='status_hp_client_back']"))
        faceOffsets[name.substr(std::string("status_hp_").size())] = {IntAttr(back, "offs_x"), IntAttr(back, "offs_y")};
  });
  ASSERT_EQ(faceOffsets.size(), 5u);
  for (const auto& [note, box] : notes) {
    EXPECT_TRUE(box.x0 >= 0 && box.y0 >= 0 && box.x1 <= 1024 && box.y1 <= 768) << note << " " << box.Text();
    for (const auto& [visitor, offset] : faceOffsets) {
      const auto [x, y] = places[visitor];
      const Box face{x + offset.first, y + offset.second, x + offset.first + 48, y + offset.second + 22};
      EXPECT_FALSE(box.Overlaps(face)) << note << " (" << box.Text() << ") covers the face of " << visitor << " ("
                                       << face.Text() << ")";
    }
  }
  EXPECT_FALSE(notes.at("skip_tutorial_dlg").Overlaps(briefing.at("briefing_dialog")));
}

