#include "board/ZOrderResolver.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "board/ZCItem.h"
#include "board/ZCItemPart.h"
#include "shell/Log.h"

namespace {
bool OnBoard(const BoardPoint& p) {
  return p.x >= 0 && p.x < ZOrderResolver::kWidth && p.y >= 0 && p.y < ZOrderResolver::kHeight;
}

// The row of the segment a-b in column x (a.x <= x < b.x), truncated toward zero.
int32_t LineY(const BoardPoint& a, const BoardPoint& b, int32_t x) {
  return a.y + int32_t(int64_t(x - a.x) * (b.y - a.y) / (b.x - a.x));
}

// Calls fn(x, y) for each column of the segments p0-p1 and p1-p2 that run left to right, with the
// row of the line in that column, within the columns [minX, maxX).
template <class Fn>
void ForEachLineColumn(const BoardPoint (&p)[3], int32_t minX, int32_t maxX, Fn fn) {
  for (int32_t s = 0; s < 2; ++s) {
    const BoardPoint& a = p[s];
    const BoardPoint& b = p[s + 1];
    const int32_t end = std::min(b.x, maxX);
    for (int32_t x = std::max(a.x, minX); x < end; ++x) fn(x, LineY(a, b, x));
  }
}

const char* ItemName(const ZCItemPart* part) { return part->GetOwner() ? part->GetOwner()->GetName().c_str() : ""; }

// Static parts are counted in 16 bits in the floor map.
constexpr size_t kMaxStaticParts = 0xFFFF;
}  // namespace

ZOrderResolver::ZOrderResolver()
    : mFloor(static_cast<Cell*>(std::calloc(size_t(kWidth) * kHeight, sizeof(Cell)))) {
  static_assert(std::is_trivially_copyable_v<Cell>, "an empty floor is all zero bytes");
  if (!mFloor) throw std::bad_alloc();
}

void ZOrderResolver::FreeFloor::operator()(Cell* cells) const { std::free(cells); }

void ZOrderResolver::Clear() {
  mSolved.clear();
  mStaticOrder.clear();
  mMoving.clear();
  mOverlay.clear();
  mFrameZChildren.clear();
  mStatic.clear();
  mOffBoard.clear();
  mStaticZChildren.clear();
  mChildLists.clear();
  mIsolated.clear();
  mFollowers.clear();
  // The floor is stored column by column: only the columns drawn since the last clear are reset.
  if (mDirtyBegin < mDirtyEnd)
    std::fill(mFloor.get() + ptrdiff_t(mDirtyBegin) * kHeight, mFloor.get() + ptrdiff_t(mDirtyEnd) * kHeight, Cell{});
  mDirtyBegin = kWidth;
  mDirtyEnd = 0;
  mBehind.clear();
  mStaticIndex.clear();
  mPlacementSteps = 0;
}

const ZOrderResolver::Cell& ZOrderResolver::ClampedCell(int32_t x, int32_t y) const {
  x = std::clamp(x, 0, kWidth - 1);
  y = std::clamp(y, 0, kHeight - 1);
  return mFloor[size_t(x) * kHeight + size_t(y)];
}

ZCItemPart* ZOrderResolver::FloorOwner(int32_t x, int32_t y, int32_t* distance) const {
  const Cell& cell = ClampedCell(x, y);
  if (distance) *distance = cell.mDistance;
  return cell.mOwner ? mStatic[cell.mOwner - 1u] : nullptr;
}

void ZOrderResolver::AddOverlayPart(ZCItemPart* part) {
  if (part) mOverlay.push_back(part);
}

void ZOrderResolver::AddPart(ZCItemPart* part, bool movable) {
  if (!part) return;
  if (movable) {
    mMoving.push_back(part);
    return;
  }
  for (int32_t i = 0; i < 3; ++i)
    if (!OnBoard(part->GetReferencePoint(i))) {
      mOffBoard.push_back(part);
      return;
    }
  if (ZCItemPart* parent = part->FindParentPart()) {
    mStaticZChildren.emplace_back(parent, part);
    return;
  }
  if (mStatic.size() >= kMaxStaticParts) {
    LogMessage("ERROR: ZOrderResolver: too many ordered parts, <%s:%s> drawn after them", ItemName(part),
               part->GetName().c_str());
    mOffBoard.push_back(part);
    return;
  }
  mStaticIndex[part] = int32_t(mStatic.size());
  mStatic.push_back(part);
  DrawBaseLine(int32_t(mStatic.size()) - 1);
}

void ZOrderResolver::DrawBaseLine(int32_t index) {
  const ZCItemPart* part = mStatic[size_t(index)];
  BoardPoint p[3] = {part->GetReferencePoint(0), part->GetReferencePoint(1), part->GetReferencePoint(2)};
  std::stable_sort(p, p + 3, [](const BoardPoint& a, const BoardPoint& b) { return a.x < b.x; });
  const uint16_t owner = uint16_t(index + 1);
  ForEachLineColumn(p, 0, kWidth, [&](int32_t x, int32_t y) {
    mDirtyBegin = std::min(mDirtyBegin, x);
    mDirtyEnd = std::max(mDirtyEnd, x + 1);
    for (int32_t r = y; r < kHeight; ++r) {
      const uint16_t d = uint16_t(r - y + 1);
      Cell& cell = CellAt(x, r);
      if (cell.mOwner != 0 && cell.mDistance <= d) break;
      cell = Cell{d, owner};
    }
  });
}

void ZOrderResolver::FindRelations(int32_t index) {
  const ZCItemPart* part = mStatic[size_t(index)];
  const BoardPoint p[3] = {part->GetReferencePoint(0), part->GetReferencePoint(1), part->GetReferencePoint(2)};
  const int64_t length = std::abs(int64_t(p[1].x) - p[0].x) + std::abs(int64_t(p[1].y) - p[0].y) +
                         std::abs(int64_t(p[2].x) - p[1].x) + std::abs(int64_t(p[2].y) - p[1].y);
  if (length == 0) {
    LogMessage("WARNING: Invalid part (no zorder, no zparent): <%s:%s>", ItemName(part), part->GetName().c_str());
    return;
  }
  const uint16_t self = uint16_t(index + 1);
  ForEachLineColumn(p, 0, kWidth, [&](int32_t x, int32_t y) {
    // Where another line lies nearer, this column tells nothing.
    if (CellAt(x, y).mOwner != self) return;
    int32_t r = y + 1;
    while (r < kHeight && CellAt(x, r).mOwner == self) ++r;
    if (r == kHeight || CellAt(x, r).mOwner == 0) return;
    const int32_t q = CellAt(x, r).mOwner - 1;
    std::vector<int32_t>& behind = mBehind[size_t(index)];
    if (std::find(behind.begin(), behind.end(), q) == behind.end()) behind.push_back(q);
  });
}

void ZOrderResolver::AttachZChildren() {
  std::unordered_map<ZCItemPart*, ZCItemPart*> parentOf;
  for (const auto& [parent, child] : mStaticZChildren) parentOf.emplace(child, parent);
  for (const auto& [parent, child] : mStaticZChildren) {
    // A child of a child joins the list of the top of its chain.
    ZCItemPart* top = parent;
    for (size_t steps = 0; parentOf.count(top) && steps <= mStaticZChildren.size(); ++steps) top = parentOf[top];
    if (top != parent) {
      LogMessage("WARNING: Crossparent part: part: <%s:%s>, parent: <%s:%s>", ItemName(child),
                 child->GetName().c_str(), ItemName(parent), parent->GetName().c_str());
      LogMessage("         primary part: <%s:%s>\n", ItemName(top), top->GetName().c_str());
    }
    const bool ordered =
        mStaticIndex.count(top) || std::find(mOffBoard.begin(), mOffBoard.end(), top) != mOffBoard.end();
    if (ordered && !parentOf.count(top)) {
      mChildLists[top].push_back(child);
      mFollowers.insert(child);
    } else {
      mIsolated.push_back(child);
    }
  }
  if (mIsolated.empty()) return;
  LogMessage("Error! Isolated parts (no zorder, no zparent):\n--------------------------------------------\n");
  for (const ZCItemPart* part : mIsolated)
    LogMessage("   --- part: <%s:%s>", ItemName(part), part->GetName().c_str());
  LogMessage("-end----------------------------------------\n");
}

void ZOrderResolver::Place(ZCItemPart* part) {
  mStaticOrder.push_back(part);
  auto children = mChildLists.find(part);
  if (children != mChildLists.end())
    mStaticOrder.insert(mStaticOrder.end(), children->second.begin(), children->second.end());
}

std::vector<int32_t> ZOrderPlacement(const PlacementRelations& relations) {
  const size_t n = relations.Size();
  // pending[q]: how many unplaced parts lie behind q; q is ready at 0.
  std::vector<int32_t> pending(n, 0);
  for (size_t i = 0; i < n; ++i)
    for (int32_t q : relations.Behind(i)) ++pending[size_t(q)];
  std::vector<bool> placed(n, false);
  std::vector<int32_t> order;
  order.reserve(n);
  // Places the part; its list, for the walk that goes on from it.
  auto place = [&](int32_t i) -> const std::vector<int32_t>& {
    placed[size_t(i)] = true;
    order.push_back(i);
    const std::vector<int32_t>& list = relations.Behind(size_t(i));
    for (int32_t q : list) --pending[size_t(q)];
    return list;
  };

  std::vector<int32_t> roots;
  for (size_t i = 0; i < n; ++i)
    if (pending[i] == 0) roots.push_back(int32_t(i));
  for (int32_t root : roots) place(root);
  // Depth first from each root, on a stack of its own (long chains of parts would overflow the
  // call stack): a part's list and how far along it the walk is.
  std::vector<std::pair<const std::vector<int32_t>*, size_t>> stack;
  for (int32_t root : roots) {
    stack.emplace_back(&relations.Behind(size_t(root)), 0);
    while (!stack.empty()) {
      const std::vector<int32_t>& list = *stack.back().first;
      const size_t at = stack.back().second++;
      if (at == list.size()) {
        stack.pop_back();
        continue;
      }
      const int32_t next = list[at];
      if (placed[size_t(next)] || pending[size_t(next)] != 0) continue;
      stack.emplace_back(&place(next), 0);
    }
  }
  // Parts on a cycle of relations (crossing lines) are never reached: they follow in index
  // order, so that every part is placed once.
  for (size_t i = 0; i < n; ++i)
    if (!placed[i]) place(int32_t(i));
  return order;
}

void ZOrderResolver::Resolve() {
  mStaticOrder.clear();
  mSolved.clear();
  mChildLists.clear();
  mIsolated.clear();
  mFollowers.clear();
  const size_t n = mStatic.size();
  mBehind.assign(n, {});

  AttachZChildren();
  for (size_t i = 0; i < n; ++i) FindRelations(int32_t(i));

  // Something must lie behind nothing, or there is no place to start.
  std::vector<bool> inFront(n, false);
  for (const std::vector<int32_t>& list : mBehind)
    for (int32_t q : list) inFront[size_t(q)] = true;
  if (n > 0 && std::all_of(inFront.begin(), inFront.end(), [](bool b) { return b; }))
    LogMessage("!!!Critical Error: Can't find root object, remake z-order");
  const PlacementRelations relations(mBehind);
  for (int32_t index : ZOrderPlacement(relations)) Place(mStatic[size_t(index)]);
  mPlacementSteps = relations.Reads();
  for (ZCItemPart* part : mOffBoard) Place(part);
  mStaticOrder.insert(mStaticOrder.end(), mIsolated.begin(), mIsolated.end());
}

void ZOrderResolver::RegisterZParent(ZCItemPart* parent, ZCItemPart* child) {
  if (!parent || !child) return;
  std::vector<ZCItemPart*>& children = mFrameZChildren[parent];
  if (std::find(children.begin(), children.end(), child) == children.end()) children.push_back(child);
}

size_t ZOrderResolver::GetFrameZChildCount() const {
  size_t count = 0;
  for (const auto& entry : mFrameZChildren) count += entry.second.size();
  return count;
}

void ZOrderResolver::InsertMovingPart(ZCItemPart* part) {
  const BoardPoint p[3] = {part->GetReferencePoint(0), part->GetReferencePoint(1), part->GetReferencePoint(2)};
  const Cell* floor = &ClampedCell(p[1].x, p[1].y);
  // Columns far off the board read its edge: the walk stays bounded.
  ForEachLineColumn(p, -kWidth, 2 * kWidth, [&](int32_t x, int32_t y) {
    const Cell& cell = ClampedCell(x, y);
    if (cell.mDistance <= floor->mDistance) floor = &cell;
  });

  auto at = mSolved.end();
  if (floor->mOwner != 0) {
    auto owner = std::find(mSolved.begin(), mSolved.end(), mStatic[floor->mOwner - 1u]);
    if (owner != mSolved.end()) {
      at = owner + 1;
      while (at != mSolved.end() && mFollowers.count(*at)) ++at;
    }
  }
  at = mSolved.insert(at, part);
  auto children = mFrameZChildren.find(part);
  if (children != mFrameZChildren.end()) mSolved.insert(at + 1, children->second.begin(), children->second.end());
}

const std::vector<ZCItemPart*>& ZOrderResolver::GetItemOrder(bool force) {
  if (!mSolved.empty() && !force) return mSolved;
  mSolved = mStaticOrder;
  // Walkers are placed from the bottom of the board upwards (ties: the earlier registered).
  std::vector<ZCItemPart*> moving = mMoving;
  std::stable_sort(moving.begin(), moving.end(), [](const ZCItemPart* a, const ZCItemPart* b) {
    return a->GetReferencePoint(0).y > b->GetReferencePoint(0).y;
  });
  for (ZCItemPart* part : moving) {
    InsertMovingPart(part);
    auto children = mFrameZChildren.find(part);
    if (children != mFrameZChildren.end()) mFollowers.insert(children->second.begin(), children->second.end());
  }
  mSolved.insert(mSolved.end(), mOverlay.begin(), mOverlay.end());
  // Frame z-children live for one step; they leave the followers with their map.
  for (const auto& entry : mFrameZChildren)
    for (ZCItemPart* child : entry.second) mFollowers.erase(child);
  mFrameZChildren.clear();
  return mSolved;
}
