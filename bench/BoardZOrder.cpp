// The draw-order solver: a whole solve (relations from the floor map, then the placement) of
// 500, 5,000 and 30,000 static parts with short random base lines over the board, and the
// placement alone against the first, scanning placement kept in tests/board/support, on the same
// relations. The orders are compared after timing. The scanning placement is quadratic: at
// 30,000 parts one solve of it takes seconds, so it is measured up to 5,000 only.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "board/support/ZOrderReference.h"

namespace {

// A solver holding n parts on the board: base lines 8 to 70 pixels wide, a little tilted.
struct Board {
  explicit Board(int n) {
    std::mt19937 rng{uint32_t(n)};
    for (int i = 0; i < n; ++i) {
      const int32_t x = int32_t(rng() % 1000), y = 4 + int32_t(rng() % 760), w = 8 + int32_t(rng() % 62);
      auto part = std::make_unique<ZCItemPart>(nullptr);
      part->SetReferencePoints({x, y}, {std::min(1023, x + w / 2), y + int32_t(rng() % 7) - 3},
                               {std::min(1023, x + w), y});
      solver.AddPart(part.get(), false);
      parts.push_back(std::move(part));
    }
    solver.Resolve();
  }
  std::vector<std::unique_ptr<ZCItemPart>> parts;
  ZOrderResolver solver;
};

Board& BoardOf(int n) {
  static std::map<int, std::unique_ptr<Board>> boards;
  auto& board = boards[n];
  if (!board) board = std::make_unique<Board>(n);
  return *board;
}

void Solve(benchmark::State& state) {
  Board& board = BoardOf(int(state.range(0)));
  for (auto _ : state) {
    board.solver.Resolve();
    benchmark::DoNotOptimize(board.solver.GetStaticOrder().data());
  }
  state.counters["parts"] = double(state.range(0));
}

// One placement timed; the other gives the order it must match.
void TimePlacement(benchmark::State& state, std::vector<int32_t> (*placement)(const std::vector<std::vector<int32_t>>&),
                   std::vector<int32_t> (*other)(const std::vector<std::vector<int32_t>>&)) {
  const auto& relations = BoardOf(int(state.range(0))).solver.GetRelations();
  std::vector<int32_t> order;
  for (auto _ : state) {
    order = placement(relations);
    benchmark::DoNotOptimize(order.data());
  }
  if (order != other(relations)) state.SkipWithError("the orders differ");
}

std::vector<int32_t> Placed(const std::vector<std::vector<int32_t>>& behind) {
  return ZOrderPlacement(PlacementRelations(behind));
}

void Placement(benchmark::State& state) { TimePlacement(state, Placed, ReferenceZOrderPlacement); }
void ScanningPlacement(benchmark::State& state) { TimePlacement(state, ReferenceZOrderPlacement, Placed); }

}  // namespace

BENCHMARK(Solve)->Arg(500)->Arg(5000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(Placement)->Arg(500)->Arg(5000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanningPlacement)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
