#include "board/PathGraph.h"

#include <cmath>
#include <set>
#include <unordered_map>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/ZCPickItem.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {
float Distance(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  // In 64 bits: coordinates at both ends of the 32-bit range do not overflow.
  const float dx = float(int64_t(x1) - x0);
  const float dy = float(int64_t(y1) - y0);
  return std::sqrt(dx * dx + dy * dy);
}

int32_t Clamp32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int32_t(v);
}

// a + trunc((b - a) * t), kept inside the 32-bit range.
int32_t Lerp(int32_t a, int32_t b, float t) {
  const float delta = float(int64_t(b) - a) * t;
  if (!(std::fabs(delta) < 9.0e18f)) return b;
  return Clamp32(int64_t(a) + int64_t(std::trunc(delta)));
}
}  // namespace

bool HeadingVector(const std::string& heading, BoardPoint& out) {
  static const struct {
    const char* name;
    int32_t x, y;
  } kHeadings[] = {{"t", 0, -1}, {"tr", 1, -1}, {"r", 1, 0},  {"br", 1, 1},
                   {"b", 0, 1},  {"bl", -1, 1}, {"l", -1, 0}, {"tl", -1, -1}};
  for (const auto& h : kHeadings)
    if (heading == h.name) {
      out = BoardPoint{h.x, h.y};
      return true;
    }
  return false;
}

// ---- PointSet ----

void PointSet::Clear() {
  mPoints.clear();
  mEdges.clear();
  mRoute.clear();
  mMerged = false;
}

void PointSet::ReadGraph(const XmlNode& graph) {
  Clear();
  // A missing "points" or "edges" element selects nothing: the set stays empty.
  for (const XmlNode& node : graph.selectNodes(L"points/point")) {
    GraphPoint point;
    point.mName = ReadBoardText(node, L"name");
    ReadBoardCoord(node, L"x", point.x);
    ReadBoardCoord(node, L"y", point.y);
    point.mDirection = ReadBoardText(node, L"direction");
    mPoints.emplace(point.mName, point);
  }
  for (const XmlNode& node : graph.selectNodes(L"edges/edge")) {
    GraphEdge edge;
    edge.mP1 = ReadBoardText(node, L"p1");
    edge.mP2 = ReadBoardText(node, L"p2");
    mEdges.push_back(edge);
  }
}

void PointSet::Merge(const PointSet& other) {
  if (!mMerged) return;
  for (const auto& [name, point] : other.mPoints) mPoints.emplace(name, point);
  std::set<std::pair<std::string, std::string>> joined;
  for (const GraphEdge& e : mEdges) {
    joined.emplace(e.mP1, e.mP2);
    joined.emplace(e.mP2, e.mP1);
  }
  for (const GraphEdge& e : other.mEdges) {
    if (joined.count({e.mP1, e.mP2})) continue;
    mEdges.push_back(e);
    joined.emplace(e.mP1, e.mP2);
    joined.emplace(e.mP2, e.mP1);
  }
}

// ---- PathGraph ----

PathGraph::PathGraph(const std::string& ownerName) : mOwnerName(ownerName) {}

void PathGraph::ReadGraphs(const XmlNode& node, PointSet& set) const {
  // Every matching element is read in turn and each read empties the set: the last one wins.
  for (const XmlNode& graph : node.selectNodes(L"graphs/graph")) {
    std::string name;
    if (!ReadBoardText(graph, L"name", name) || name != mOwnerName) continue;
    set.ReadGraph(graph);
  }
}

void PathGraph::LoadBaseGraphs(const XmlNode& objectRoot) { ReadGraphs(objectRoot, mBase); }

void PathGraph::AddPickPoints(const std::string& ownerName) {
  mPicks.mMerged = true;
  for (const auto& [name, item] : GetBoardWorld().mPickItems) {
    GraphPoint point;
    BoardPoint pos;
    if (!item->GetPickPoint(ownerName, pos, point.mDirection)) continue;
    point.mName = name;
    point.x = pos.x;
    point.y = pos.y;
    mPicks.mPoints[name] = point;
  }
}

void PathGraph::LoadLevelGraphs(const XmlNode& level) {
  ReadGraphs(level, mLevel);
  mWorking.Clear();
  mWorking.mPoints = mBase.mPoints;
  mWorking.mEdges = mBase.mEdges;
  mWorking.mMerged = true;
  mWorking.Merge(mLevel);
  mWorking.Merge(mPicks);
}

void PathGraph::ClearBase() {
  mWorking.Clear();
  mBase.Clear();
  mStartPoint.clear();
}

void PathGraph::ClearLevel() {
  mWorking.Clear();
  mLevel.Clear();
  mStartPoint.clear();
}

void PathGraph::ClearPickPoints() {
  mWorking.Clear();
  mPicks.Clear();
  mStartPoint.clear();
}

bool PathGraph::GetPointPos(const std::string& name, BoardPoint& out) const {
  auto it = mWorking.mPoints.find(name);
  if (it == mWorking.mPoints.end()) return false;
  out = BoardPoint{it->second.x, it->second.y};
  return true;
}

bool PathGraph::SetStart(const std::string& name) {
  if (!mWorking.mPoints.count(name)) return false;
  mStartPoint = name;
  return true;
}

bool PathGraph::FindPath(const std::string& target, float speed) {
  if (!mWorking.mPoints.count(target)) return false;
  if (!SearchRoute(target)) return false;
  mSpeed = speed;
  mElapsed = 0;
  mHeldDistance = 0;
  return true;
}

bool PathGraph::SearchRoute(const std::string& target) {
  mWorking.mRoute.clear();
  std::map<std::string, GraphPoint> points = mWorking.mPoints;
  std::vector<GraphEdge> edges = mWorking.mEdges;
  for (auto& [name, point] : points) {
    point.mCost = 0;
    point.mPredecessor.clear();
    point.mIsStart = (name == mStartPoint);
  }

  // Every edge is resolved; the first with an undefined end fails the search.
  std::unordered_map<std::string, std::vector<size_t>> edgesAt;
  for (size_t i = 0; i < edges.size(); ++i) {
    GraphEdge& e = edges[i];
    auto a = points.find(e.mP1);
    auto b = points.find(e.mP2);
    if (a == points.end()) LogMessage("ERROR: Edge refer to undefined point. FromPointStr='%s'", e.mP1.c_str());
    if (b == points.end()) LogMessage("ERROR: Edge refer to undefined point. ToPointStr='%s'", e.mP2.c_str());
    if (a == points.end() || b == points.end()) return false;
    e.mLength = Distance(a->second.x, a->second.y, b->second.x, b->second.y);
    edgesAt[e.mP1].push_back(i);
    if (e.mP2 != e.mP1) edgesAt[e.mP2].push_back(i);
  }

  auto startIt = points.find(mStartPoint);
  if (startIt == points.end()) return false;

  // Waves of a label-correcting search. Costs change at once, so later points of the same wave
  // see them; an equal cost replaces the predecessor, so among equal routes the one relaxed
  // last wins. Through a step that does not raise the cost (a zero-length edge, or a short one
  // far out, where float costs no longer grow) an equal cost is no improvement: two points
  // would hand each other the same cost wave after wave.
  //
  // Costs are final after at most n - 1 waves (n points); every change after that is an
  // equal-cost replacement along a step that raises the cost, and each wave of those follows a
  // chain of strictly rising costs, so at most n - 1 more waves come. The bound below is thus
  // never reached while the rule above holds: it only keeps a broken rule from hanging the game,
  // ending the search with what it found.
  const size_t maxWaves = 2 * points.size() + 2;
  size_t waves = 0;
  std::set<std::string> frontier = {mStartPoint};
  while (!frontier.empty()) {
    if (++waves > maxWaves) {
      LogMessage("WARNING: PathGraph: the route search of \"%s\" did not settle after %zu waves",
                 mOwnerName.c_str(), maxWaves);
      break;
    }
    std::set<std::string> next;
    for (const std::string& fName : frontier) {
      const GraphPoint& f = points.at(fName);
      auto adj = edgesAt.find(fName);
      if (adj == edgesAt.end()) continue;
      for (size_t index : adj->second) {
        const GraphEdge& e = edges[index];
        const std::string& oName = (e.mP1 == fName) ? e.mP2 : e.mP1;
        GraphPoint& o = points.at(oName);
        const float c = e.mLength + f.mCost;
        const bool reached = !o.mPredecessor.empty();
        if (reached && o.mCost < c) continue;
        if (reached && c <= f.mCost && o.mCost <= c) continue;
        if (o.mIsStart) continue;
        o.mCost = c;
        o.mPredecessor = fName;
        next.insert(oName);
      }
    }
    frontier.swap(next);
  }

  // Back from the target along the predecessors. Each predecessor was set with a strictly
  // larger or (only through a step that raises the cost) equal cost, so the chain has no loop;
  // the count guards it all the same.
  std::vector<std::string> names;
  std::string current = target;
  for (size_t guard = 0; guard <= points.size(); ++guard) {
    auto it = points.find(current);
    if (it == points.end()) break;
    const GraphPoint& p = it->second;
    if (p.mIsStart || !p.mPredecessor.empty()) names.push_back(current);
    if (p.mIsStart) break;
    current = p.mPredecessor;
  }

  if (names.size() > 1) {
    for (size_t i = names.size() - 1; i > 0; --i) {
      const GraphPoint& a = points.at(names[i]);
      const GraphPoint& b = points.at(names[i - 1]);
      RouteSegment seg;
      seg.x0 = a.x;
      seg.y0 = a.y;
      seg.x1 = b.x;
      seg.y1 = b.y;
      seg.mLength = Distance(a.x, a.y, b.x, b.y);
      seg.mDirection = b.mDirection;
      mWorking.mRoute.push_back(seg);
    }
  }
  return !mWorking.mRoute.empty();
}

float PathGraph::GetDistance() const { return mSpeed == 0 ? mHeldDistance : mElapsed * mSpeed; }

void PathGraph::SetSpeed(float speed) {
  if (speed == mSpeed) return;
  // At speed 0 time moves nothing on; the distance is held apart instead of dividing by 0.
  const float distance = GetDistance();
  mSpeed = speed;
  if (speed == 0) {
    mHeldDistance = distance;
    mElapsed = 0;
  } else {
    mElapsed = distance / speed;
  }
}

bool PathGraph::Advance(float step, BoardPoint& pos, BoardPoint& dir) {
  mElapsed += step;
  return PositionAt(pos, dir);
}

bool PathGraph::PositionAt(BoardPoint& pos, BoardPoint& dir) const {
  const std::vector<RouteSegment>& route = mWorking.mRoute;
  if (route.empty()) return false;
  float d = GetDistance();
  for (const RouteSegment& seg : route) {
    // A zero-length piece has no place along it to be at.
    if (seg.mLength == 0) continue;
    if (d <= seg.mLength) {
      const float t = d / seg.mLength;
      pos = BoardPoint{Lerp(seg.x0, seg.x1, t), Lerp(seg.y0, seg.y1, t)};
      dir = BoardPoint{Clamp32(int64_t(seg.x1) - seg.x0), Clamp32(int64_t(seg.y1) - seg.y0)};
      return true;
    }
    d -= seg.mLength;
  }
  const RouteSegment& last = route.back();
  pos = BoardPoint{last.x1, last.y1};
  HeadingVector(last.mDirection, dir);
  return false;
}
