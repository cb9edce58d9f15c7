#pragma once
// The memory this process holds, as the benchmark reports it.
#include <cstddef>

namespace bench {

struct MemoryUse {
    size_t privateBytes = 0;  // committed private bytes
    size_t workingSet = 0;    // resident
};

MemoryUse MemoryNow();

}  // namespace bench
