// The folder a benchmark run writes its files to: a fresh folder made for
// this run inside SKARDEN_BENCH_DIR (default: the system temp folder) and
// removed when the run ends, so two runs at once never share a file and no
// run leaves one behind. Also the smoke switch the test suite runs with.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace bench {

class RunDir {
public:
    RunDir()
    {
        const char* parent = std::getenv("SKARDEN_BENCH_DIR");
        std::string pattern = (parent ? std::filesystem::path(parent) : std::filesystem::temp_directory_path()) /
                              "skarden-bench-XXXXXX";
        std::filesystem::create_directories(std::filesystem::path(pattern).parent_path());
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~RunDir()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    RunDir(const RunDir&) = delete;
    RunDir& operator=(const RunDir&) = delete;

    std::string path;
};

// The run's folder, or its sub folder sub when one is named (created).
inline std::string benchDir(const char* sub = nullptr)
{
    static RunDir run;
    std::string path = run.path;
    if (sub) {
        path += std::string("/") + sub;
        std::filesystem::create_directories(path);
    }
    return path;
}

// SKARDEN_BENCH_SMOKE=1: the test suite's run, once at the smallest size;
// it must finish and print its figures, nothing is timed against a target.
inline bool smoke()
{
    static const bool on = [] {
        const char* value = std::getenv("SKARDEN_BENCH_SMOKE");
        return value && *value && *value != '0';
    }();
    return on;
}

// full in a real run, small in the smoke run.
template <typename T>
T scaled(T full, T small)
{
    return smoke() ? small : full;
}

} // namespace bench
