// The café's level runner: plays a level headless on the café board with its default
// neighbours (see driver/LevelRunner.h); the last line gives the money against the goals.
#include <string>

#include "board/ItemFactory.h"
#include "cafe/CafeObjects.h"
#include "cafe/ZCBoard_Game3.h"
#include "cafe/support/StandInActors.h"
#include "driver/LevelRunner.h"

namespace {
void TraceEnd(RunTrace& trace, ZCBoard_Game& board) {
  auto* cafe = dynamic_cast<ZCBoard_Game3*>(&board);
  if (!cafe) return;
  trace.TraceEvent("end money " + std::to_string(cafe->GetMoney()) + " goal " + std::to_string(cafe->GetGoal()) +
                   " expert " + std::to_string(cafe->GetExpertGoal()));
}
}  // namespace

int main(int argc, char** argv) {
  InitItemFactoryTable();
  RegisterCafeItemClasses();
  // Until the café has its visitors, "visitor" is a stand-in.
  RegisterStandInVisitor();
  return RunLevelMain(argc, argv, "cafe_run", [] { return new ZCBoard_Game3(); }, TraceEnd);
}
