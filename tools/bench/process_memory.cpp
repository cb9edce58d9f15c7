#include "tools/bench/process_memory.h"

#include <windows.h>
#include <psapi.h>

namespace bench {

MemoryUse MemoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    // Wine leaves PrivateUsage at zero; PagefileUsage is the same count of
    // committed private bytes.
    return {counters.PagefileUsage, counters.WorkingSetSize};
}

}  // namespace bench
