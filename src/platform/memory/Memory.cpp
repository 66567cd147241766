#include "platform/memory/Memory.h"

#include <malloc.h>

namespace Platform {

void ReturnFreeMemory() { malloc_trim(0); }

}  // namespace Platform
