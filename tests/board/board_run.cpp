// The board's level runner: plays a level headless with the plain board (see
// driver/LevelRunner.h); the last lines give the walker's final place and the markers still
// shown.
#include <string>

#include "board/BoardWorld.h"
#include "board/ZCBoard_Plain.h"
#include "board/ZCMoveItem.h"
#include "board/ZCPickItem.h"
#include "driver/LevelRunner.h"

namespace {
void TraceEnd(RunTrace& trace, ZCBoard_Game&) {
  if (ZCMoveItem* walker = ZCMoveItem::FindMoveItem("boss")) {
    trace.TraceEvent("end " + walker->GetName() + " on " + walker->GetCurrentPoint() + " at " +
                     std::to_string(walker->GetPosition().x) + "," + std::to_string(walker->GetPosition().y) +
                     " heading " + walker->GetOrientation());
  }
  std::string shown;
  for (const auto& [name, item] : GetBoardWorld().mPickItems)
    for (int i = 0; i < 2; ++i)
      if (item->IsMarkerShown(i)) shown += " " + name + ":" + std::to_string(i);
  trace.TraceEvent("end markers" + (shown.empty() ? std::string(" none") : shown));
}
}  // namespace

int main(int argc, char** argv) {
  return RunLevelMain(argc, argv, "board_run", [] { return new ZCBoard_Plain(); }, TraceEnd);
}
