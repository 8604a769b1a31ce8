// Memory as the system counts it: the resident set of this process. Heap
// statistics miss large blocks, which the allocator maps on their own.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <malloc.h>

namespace bench {

// A field of /proc/self/status in bytes ("VmRSS:", "VmHWM:"), or 0.
inline size_t statusBytes(const char* field)
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    size_t kib = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0) {
            std::sscanf(line + length, "%zu", &kib);
            break;
        }
    std::fclose(status);
    return kib * 1024;
}

inline size_t residentBytes() { return statusBytes("VmRSS:"); }

// The highest resident set since the last resetPeak.
inline size_t peakResidentBytes() { return statusBytes("VmHWM:"); }

inline double peakResidentMiB() { return static_cast<double>(peakResidentBytes()) / (1 << 20); }

inline void resetPeak()
{
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// The resident set once freed memory has gone back to the system, so a
// growth measured from it is the memory the next step really holds.
inline size_t settledResidentBytes()
{
    malloc_trim(0);
    return residentBytes();
}

} // namespace bench
