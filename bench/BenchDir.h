// The folder the benchmarks write their files to: SKARDEN_BENCH_DIR, by
// default /tmp/skarden-bench, created when missing.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

// The folder, or its sub folder sub when one is named.
inline std::string benchDir(const char* sub = nullptr)
{
    const char* dir = std::getenv("SKARDEN_BENCH_DIR");
    std::string path = dir ? dir : "/tmp/skarden-bench";
    if (sub)
        path += std::string("/") + sub;
    std::filesystem::create_directories(path);
    return path;
}

} // namespace bench
