#pragma once
#include <cstdint>

namespace Platform {
// Milliseconds since an arbitrary start, at 1 ms resolution.
uint32_t GetTickMs();
// Microseconds since an arbitrary start.
uint64_t GetTickUs();
void SleepMs(uint32_t ms);
}  // namespace Platform
