// Memory as the system counts it: the resident set of this process. Heap
// statistics miss large blocks, which the allocator maps on their own.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <malloc.h>

namespace bench {

// VmRSS in bytes, or 0 when it cannot be read.
inline size_t residentBytes()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    size_t kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            std::sscanf(line + 6, "%zu", &kib);
            break;
        }
    std::fclose(status);
    return kib * 1024;
}

// The resident set once freed memory has gone back to the system, so a
// growth measured from it is the memory the next step really holds.
inline size_t settledResidentBytes()
{
    malloc_trim(0);
    return residentBytes();
}

} // namespace bench
