#include "platform/time/Clock.h"

#include <chrono>
#include <thread>

namespace Platform {
namespace {
const auto gStart = std::chrono::steady_clock::now();
}
uint32_t GetTickMs() {
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - gStart).count());
}
uint64_t GetTickUs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - gStart).count());
}
void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace Platform
