// Feeds arbitrary bytes to the demo reader and, when it accepts them, plays them back.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/Demo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Demo demo;
  if (!demo.StartPlaybackFromMemory(std::vector<uint8_t>(data, data + size), "fuzz.dmo")) return 0;
  bool b = false;
  std::string s;
  for (uint64_t step = 0; step < 64 && demo.IsPlaying(); ++step) {
    demo.TakeEvents(step * step * 1000);
    if (step % 2) demo.SyncBool(b);
    else demo.SyncString(s);
  }
  return 0;
}
