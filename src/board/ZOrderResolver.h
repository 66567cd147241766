#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ZCItemPart;

// The relations the placement reads: Behind(i) lists the parts that part i lies behind (each
// once). Each read is counted, one step for the list and one per relation in it, so that the
// work of a placement (however it is written) can be read by a test without timing it: the
// placement has no other way to the relations. A read past the budget, when one is given,
// throws std::length_error, so that a placement whose work grows with the square of the parts
// stops at once rather than running for hours.
class PlacementRelations {
 public:
  explicit PlacementRelations(const std::vector<std::vector<int32_t>>& behind,
                              uint64_t budget = std::numeric_limits<uint64_t>::max())
      : mBehind(behind), mBudget(budget) {}
  size_t Size() const { return mBehind.size(); }
  const std::vector<int32_t>& Behind(size_t i) const {
    mReads += 1 + mBehind[i].size();
    if (mReads > mBudget) throw std::length_error("the placement read more relations than its budget");
    return mBehind[i];
  }
  uint64_t Reads() const { return mReads; }

 private:
  const std::vector<std::vector<int32_t>>& mBehind;
  const uint64_t mBudget;
  mutable uint64_t mReads = 0;
};

// The order in which the static parts are placed, from their relations. The parts nothing lies
// behind come first, in index order; then, from each of them in turn, depth first along the
// lists, a part is placed as soon as every part lying behind it is placed. Parts never reached
// (on a cycle of relations) follow in index order, so every part is placed once. Linear in the
// parts and relations: each part keeps the count of its unplaced predecessors, and each list is
// read a few times at most.
std::vector<int32_t> ZOrderPlacement(const PlacementRelations& relations);

// The board's draw order: which part is drawn after which, back to front.
//
// Every static part has a base line through its three reference points. The lines are drawn
// into a floor map of the board that tells, for each pixel, which line lies nearest above it.
// From the map follow lies-behind relations between the static parts, ordered once per level;
// moving parts are then placed after the static part whose floor they stand on. Parts may hang
// on a z-parent instead (drawn right after it) or float over everything ("zover").
class ZOrderResolver {
 public:
  static constexpr int32_t kWidth = 1024;
  static constexpr int32_t kHeight = 768;

  ZOrderResolver();
  ZOrderResolver(const ZOrderResolver&) = delete;
  ZOrderResolver& operator=(const ZOrderResolver&) = delete;

  // Registers an ordered part; movable parts are placed anew at every solve.
  void AddPart(ZCItemPart* part, bool movable);
  // Registers a part drawn after all ordered parts.
  void AddOverlayPart(ZCItemPart* part);
  // Orders the static parts; once, after every part is registered.
  void Resolve();
  // The draw order, solved first when it is empty or when forced.
  const std::vector<ZCItemPart*>& GetItemOrder(bool force);
  // Hangs the child after the parent for the next solve only.
  void RegisterZParent(ZCItemPart* parent, ZCItemPart* child);
  // Forgets every part and relation and empties the floor map.
  void Clear();

  // The part whose base line lies nearest above the pixel, or null; the distance in rows (0
  // when no line lies above). Points off the board read the nearest cell of the board.
  ZCItemPart* FloorOwner(int32_t x, int32_t y, int32_t* distance = nullptr) const;
  const std::vector<ZCItemPart*>& GetStaticOrder() const { return mStaticOrder; }
  // The relations of the last Resolve, by static part (see ZOrderPlacement).
  const std::vector<std::vector<int32_t>>& GetRelations() const { return mBehind; }
  // The relations read by the last Resolve's placement (see PlacementRelations).
  uint64_t GetPlacementSteps() const { return mPlacementSteps; }
  size_t GetFrameZChildCount() const;

 private:
  // One cell of the floor map: the distance to the nearest line above (0: none) and the index of
  // that line's part in the static parts, plus 1.
  struct Cell {
    uint16_t mDistance = 0;
    uint16_t mOwner = 0;
  };

  Cell& CellAt(int32_t x, int32_t y) { return mFloor[size_t(x) * kHeight + size_t(y)]; }
  const Cell& ClampedCell(int32_t x, int32_t y) const;
  void DrawBaseLine(int32_t index);
  void FindRelations(int32_t index);
  // Appends the part and the z-children that hang on it.
  void Place(ZCItemPart* part);
  // Static z-children in one list per primary parent (a parent without a z-parent itself).
  void AttachZChildren();
  // Where a moving part goes: after the owner of its floor and the z-children that follow it.
  void InsertMovingPart(ZCItemPart* part);

  std::vector<ZCItemPart*> mSolved;
  std::vector<ZCItemPart*> mStaticOrder;
  std::vector<ZCItemPart*> mMoving;
  std::vector<ZCItemPart*> mOverlay;
  std::map<ZCItemPart*, std::vector<ZCItemPart*>> mFrameZChildren;
  std::vector<ZCItemPart*> mStatic;
  // Static parts with a point off the board: drawn after the ordered static parts.
  std::vector<ZCItemPart*> mOffBoard;
  // (parent, child) pairs of "parent_z", in registration order.
  std::vector<std::pair<ZCItemPart*, ZCItemPart*>> mStaticZChildren;
  std::unordered_map<ZCItemPart*, std::vector<ZCItemPart*>> mChildLists;
  std::vector<ZCItemPart*> mIsolated;
  // Parts drawn right after a parent; a moving part goes after them too.
  std::unordered_set<ZCItemPart*> mFollowers;
  // Zeroed pages from the allocator (an empty cell is all zero bits): a board pays only for the
  // columns its lines reach, not for a fill of the whole map when it is made.
  struct FreeFloor {
    void operator()(Cell* cells) const;
  };
  std::unique_ptr<Cell[], FreeFloor> mFloor;
  // The columns [mDirtyBegin, mDirtyEnd) of the floor hold lines; the others are all empty.
  int32_t mDirtyBegin = kWidth;
  int32_t mDirtyEnd = 0;
  // mBehind[i]: the static parts that static part i lies behind, in the order found.
  std::vector<std::vector<int32_t>> mBehind;
  std::unordered_map<ZCItemPart*, int32_t> mStaticIndex;
  uint64_t mPlacementSteps = 0;
};
