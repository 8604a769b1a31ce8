// The engine's memory manager: every allocation is charged to a module, so
// the statistics show who holds how much. Module 2 holds strings and
// containers (stl_allocator), module 15 is the editor's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace Zelkoran {

class CMem {
public:
    static constexpr int kModuleCount = 32;
    static constexpr int kModuleContainers = 2;

    struct ModuleStats {
        uint64_t allocations = 0; // successful alloc calls
        uint64_t frees = 0;       // free calls
        uint64_t liveBytes = 0;   // bytes currently held
        uint64_t peakBytes = 0;   // highest liveBytes seen
    };

    // Allocates size bytes charged to module (0..31), aligned to 16 bytes.
    // Null on failure, when size is 0 or when module is out of range. Any
    // thread.
    static void* alloc(size_t size, int module);
    // Releases a block from alloc (null is ignored). Any thread.
    static void free(void* ptr);
    // Level 0 keeps no statistics; 1 and above (the default is 1) count per
    // module; 4 also writes the whole table at destroy(). Blocks allocated
    // while counting was off are not charged when they are freed.
    static void setStatsLevel(int level);
    static int getStatsLevel();
    static void setModuleName(int module, const char* name);
    // The module's name, "" when none was set or module is out of range.
    static const char* getModuleName(int module);
    static ModuleStats getStats(int module);
    // Writes the statistics table (level >= 4) or the modules that still
    // hold memory (level 1..3) to the engine's log, or to stderr when no
    // engine is running. Never creates the engine; safe to call more than
    // once and from atexit.
    static void destroy();
};

// Allocator for standard containers; memory comes from module 2.
template <class T>
struct stl_allocator {
    using value_type = T;
    stl_allocator() noexcept = default;
    template <class U>
    stl_allocator(const stl_allocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T))
            throw std::bad_array_new_length();
        void* p = CMem::alloc(n * sizeof(T), CMem::kModuleContainers);
        if (!p)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept { CMem::free(p); }
    template <class U>
    bool operator==(const stl_allocator<U>&) const noexcept { return true; }
};

// The engine's text type: a std::string whose memory is charged to module 2.
using String = std::basic_string<char, std::char_traits<char>, stl_allocator<char>>;
template <class T>
using Vector = std::vector<T, stl_allocator<T>>;

} // namespace Zelkoran
