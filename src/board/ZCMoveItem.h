#pragma once
#include <cstdint>
#include <deque>
#include <string>

#include "board/PersonParams.h"
#include "board/ZCItem.h"

class PathGraph;
class ZCPickItem;

// A board item that walks: it stands on a point of the board's path graph for its name, walks
// routes at the speed of its person parameters, turns to one of eight headings as it goes, and
// works through a queue of clicked pick items, interacting with each on arrival. Walkers are
// registered by name in the board world's moving-items map.
class ZCMoveItem : public ZCItem {
 public:
  // The heading names in index order.
  static const char* const kHeadings[8];

  ZCMoveItem() = default;
  ~ZCMoveItem() override;

  // The create function of the class word "boss" until the café brings its heroine.
  static ZCItem* Create() { return new ZCMoveItem(); }

  void Activate(bool active) override;
  bool IsMovable() const override { return true; }
  bool IsMoving() const override { return mWalking; }
  bool IsBusy() const override { return mWalking || HasAction(); }
  // The state, then the walker joins the moving-items map.
  void ReadState(const XmlNode& node) override;
  void ClearState() override;
  void ReadItem(const XmlNode& node) override;
  void Update() override;

  virtual void BindPersonParams();
  virtual void QueueTarget(ZCPickItem* item);
  // Stores the new current target and returns the previous one, which loses its clicks.
  virtual ZCItem* SetCurrentTarget(ZCItem* item);
  virtual void PlaceAtPoint(const std::string& point);
  // Once per update after walking and the targets.
  virtual void AfterMove() {}
  virtual float GetMoveSpeed() const;

  // Starts a walk to the named point; false when not running, already there or no route.
  bool WalkTo(const std::string& target, float speed);
  // Turns to the heading of a direction in board coordinates (y downwards).
  void ChooseOrientation(const BoardPoint& dir);
  // Every part's three draw-order reference points, from the position.
  void SetPartReferencePoints();
  // Hides the markers of every queued item and empties the queue.
  void ClearTargets();
  // The trail of faded frames behind the parts.
  void SetSpeedBoost(bool on, float fadeRate, float interval);

  // The heading name for a direction; empty for (0, 0).
  static std::string HeadingFor(const BoardPoint& dir);

  static ZCMoveItem* FindMoveItem(const std::string& name);
  // Reads every "perses/pers" block below the root; the first block of a name stays.
  static void LoadPersons(const XmlNode& root);
  static const PersonParams* FindPersonParams(const std::string& name);
  static void ClearPersons();

  const std::string& GetCurrentPoint() const { return mCurrentPoint; }
  const std::string& GetStartPoint() const { return mStartPoint; }
  const std::string& GetWalkOrientation() const { return mWalkOrientation; }
  const PersonParams* GetPerson() const { return mPerson; }
  PathGraph* GetGraph() const { return mGraph; }
  const std::deque<ZCPickItem*>& GetTargets() const { return mTargets; }
  ZCItem* GetCurrentTarget() const { return mCurrentTarget; }
  bool IsBoostOn() const { return mBoostOn; }

 protected:
  void Unregister();
  // Fades the parts' trails and, while the boost is on, adds a record every interval.
  void UpdateTrail(float step);
  static void ForgetPersons();

  std::string mCurrentPoint;
  std::string mStartPoint;
  std::string mWalkOrientation;
  bool mWalking = false;
  const PersonParams* mPerson = nullptr;
  PathGraph* mGraph = nullptr;
  bool mBoostOn = false;
  float mTrailInterval = 0;
  float mTrailFadeRate = 0;
  float mTrailElapsed = 0;
  std::deque<ZCPickItem*> mTargets;
  ZCItem* mCurrentTarget = nullptr;
};
