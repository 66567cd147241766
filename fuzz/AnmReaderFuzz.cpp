#include <cstddef>
#include <cstdint>

#include "effects/ZCAnimController.h"

// The .anm reader on arbitrary bytes; whatever it accepts is played through.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZCAnimController controller;
  if (!controller.LoadFromMemory(data, size, "fuzz.anm")) return 0;
  for (size_t i = 0; i < controller.GetAnimationCount() && i < 16; ++i) {
    controller.PlayByIndex(controller.GetAnimation(i).mName);
    bool stop = false;
    for (int step = 0; step < 8; ++step) {
      controller.Update(0.37f, stop);
      if (stop) controller.Resume();
      controller.GetProgress();
      controller.GetCurrentFrame();
    }
  }
  return 0;
}
