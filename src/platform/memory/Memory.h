#pragma once

namespace Platform {

// Gives the free pages of the heap back to the system: after many large pictures are freed at
// once (a start-up's or a level's loading), the allocator may keep them resident otherwise.
void ReturnFreeMemory();

}  // namespace Platform
