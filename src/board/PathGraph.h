#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "board/ZCItem.h"

class XmlNode;

// A named point of a walking network.
struct GraphPoint {
  int32_t x = 0;
  int32_t y = 0;
  std::string mName;
  // The heading taken on arrival ("t", "tr", ... "tl"), or empty.
  std::string mDirection;
  // Scratch of the route search.
  float mCost = 0;
  std::string mPredecessor;
  bool mIsStart = false;
};

// An undirected edge between two named points.
struct GraphEdge {
  std::string mP1;
  std::string mP2;
  float mLength = 0;
};

// One straight piece of a route, from one point to the next.
struct RouteSegment {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  float mLength = 0;
  // The direction of the point the segment leads to.
  std::string mDirection;
};

// Points and edges of one source of a graph (object document, level file, pick items) or the
// merged graph the queries use.
struct PointSet {
  std::map<std::string, GraphPoint> mPoints;
  std::vector<GraphEdge> mEdges;
  std::vector<RouteSegment> mRoute;
  // Only a set with this flag accepts merges and pick points.
  bool mMerged = false;

  void Clear();
  // Reads one "graph" element: the set is emptied first; the first point of a name stays.
  void ReadGraph(const XmlNode& graph);
  // Copies in the points of other whose names are new and the edges that join two names not
  // yet joined (in either order). Nothing when this set is not a merged one.
  void Merge(const PointSet& other);
};

// The walking network of one kind of walker for the current level, assembled from the graphs
// of the object document, those of the level file and one point per pick item. It answers
// point positions and shortest routes, and turns time and speed into a place on the route.
class PathGraph {
 public:
  explicit PathGraph(const std::string& ownerName);

  // Loading, in this order.
  void LoadBaseGraphs(const XmlNode& objectRoot);
  void AddPickPoints(const std::string& ownerName);
  void LoadLevelGraphs(const XmlNode& level);
  // Each empties the working set, its own set and the start point.
  void ClearBase();
  void ClearLevel();
  void ClearPickPoints();

  bool GetPointPos(const std::string& name, BoardPoint& out) const;
  bool SetStart(const std::string& name);
  // A route from the start point to the target at the given speed; false without one.
  bool FindPath(const std::string& target, float speed);
  // Changes the speed keeping the distance already walked.
  void SetSpeed(float speed);
  // Walks on by the step; false once the end of the route is reached.
  bool Advance(float step, BoardPoint& pos, BoardPoint& dir);
  // The place and heading after the walked distance; false past the end.
  bool PositionAt(BoardPoint& pos, BoardPoint& dir) const;

  const std::string& GetOwnerName() const { return mOwnerName; }
  void SetOwnerName(const std::string& name) { mOwnerName = name; }
  const std::string& GetStart() const { return mStartPoint; }
  const PointSet& GetWorkingSet() const { return mWorking; }
  const std::vector<RouteSegment>& GetRoute() const { return mWorking.mRoute; }
  float GetSpeed() const { return mSpeed; }
  // The distance walked on the current route.
  float GetDistance() const;

 private:
  // Reads every "graphs/graph" element of the owner's name below node into the set.
  void ReadGraphs(const XmlNode& node, PointSet& set) const;
  bool SearchRoute(const std::string& target);

  std::string mOwnerName;
  std::string mStartPoint;
  PointSet mBase;
  PointSet mLevel;
  PointSet mWorking;
  PointSet mPicks;
  float mSpeed = 0;
  float mElapsed = 0;
  // The distance walked while the speed is 0 (time then moves nothing on).
  float mHeldDistance = 0;
};

// The direction vector of a heading name; (0, 0) and false for an empty or unknown name.
bool HeadingVector(const std::string& heading, BoardPoint& out);
