#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/ZCItem.h"
#include "shell/XmlNode.h"

// A fixture file of tests/board/data as an XML document (its document element).
XmlNode LoadBoardFixture(const std::string& name);
// Makes tests/board/data the current folder, where level files are read as "cfg\\l%03d.xml";
// false when it cannot.
bool EnterBoardDataFolder();
// An XML document written in the test.
XmlNode ParseXml(const std::string& text);
// Loads the sample effect file of content/cfg, with the extra "effect" elements given, into a
// library installed for CreateEffect; false when it cannot be read.
bool InstallEffects(const std::string& extraEffects = "");
// Removes the installed effect library again.
void RemoveEffects();

// Two stopped items a stage can bring in: "cup", with the effect "item_fade" and a part, and
// "plate". Needs InstallEffects for the cup's effect.
void MakeStageItems();

// Runs n board-world updates of all items with the given game step.
void StepItems(int n, float frameStep);

// An item that counts its updates and timed actions, registered as "counting".
class CountingItem : public ZCItem {
 public:
  static ZCItem* Create() { return new CountingItem(); }
  void Update() override;
  void OnActionTimer(int32_t kind) override;

  int mUpdates = 0;
  int mActions = 0;
  int32_t mLastKind = -1;
  int mActionStep = -1;  // the update (from 1) in which the last action fired
};

// Resets the board world and the log around each test.
class BoardWorldTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

class ZCItemPart;

// Opens the sample data.pak of the build (beside the tests) once, for the generated animation
// sets; false when it is missing.
bool OpenSampleData();

// A walker stand-in: movable, with its parts' base lines set from its feet as walkers set them.
class MovableTestItem : public ZCItem {
 public:
  static ZCItem* Create() { return new MovableTestItem(); }
  bool IsMovable() const override { return true; }
  // Puts the feet at (x, y): every part's base line becomes (x - 20, y) to (x + 20, y).
  void StandAt(int32_t x, int32_t y);
};

// Registers the stand-ins for the test room's classes: "pickable" (a plain item) and "boss" (a
// movable test item).
void RegisterTestRoomClasses();

// The names "item:part" of the parts in the order, for readable comparisons.
std::vector<std::string> PartNames(const std::vector<ZCItemPart*>& order);
