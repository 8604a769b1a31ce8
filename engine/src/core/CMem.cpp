#include <Zelkoran/CMem.h>
#include <Zelkoran/Log.h>

#include <atomic>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace Zelkoran {

namespace {

// Every block starts with this header so free() knows what to give back to
// which module. Its size keeps the caller's pointer 16-byte aligned.
struct alignas(16) BlockHeader {
    uint64_t size;
    uint32_t module;
    uint32_t tag; // kTagCounted or kTagUncounted; anything else is not ours
};
static_assert(sizeof(BlockHeader) == 16);
static_assert(alignof(std::max_align_t) >= 16, "malloc must give 16-byte alignment");

constexpr uint32_t kTagCounted = 0x43'4D'45'31;   // charged to its module
constexpr uint32_t kTagUncounted = 0x43'4D'45'30; // allocated while statistics were off
constexpr uint32_t kTagFreed = 0xDE'AD'BE'EF;

struct ModuleCounters {
    std::atomic<uint64_t> allocations{0};
    std::atomic<uint64_t> frees{0};
    std::atomic<uint64_t> liveBytes{0};
    std::atomic<uint64_t> peakBytes{0};
};

constexpr size_t kNameSize = 32;

// Plain globals with constant initialisation and trivial destruction: they
// stay usable from atexit handlers and from other static destructors.
constinit ModuleCounters g_counters[CMem::kModuleCount];
constinit std::atomic<int> g_statsLevel{1};
constinit std::mutex g_namesMutex;
constinit char g_names[CMem::kModuleCount][kNameSize] = {};

bool validModule(int module) { return module >= 0 && module < CMem::kModuleCount; }

void raisePeak(ModuleCounters& c, uint64_t live)
{
    uint64_t peak = c.peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !c.peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
}

// One line of the statistics report: the log when an engine runs, else stderr.
void report(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void report(int level, const char* format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (Log* log = LogMgr::current())
        log->msg(level, "%s", line);
    else
        std::fputs(line, stderr);
}

} // namespace

void* CMem::alloc(size_t size, int module)
{
    if (size == 0 || !validModule(module) || size > SIZE_MAX - sizeof(BlockHeader))
        return nullptr;
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header)
        return nullptr;
    const bool counted = g_statsLevel.load(std::memory_order_relaxed) > 0;
    header->size = size;
    header->module = static_cast<uint32_t>(module);
    header->tag = counted ? kTagCounted : kTagUncounted;
    if (counted) {
        ModuleCounters& c = g_counters[module];
        c.allocations.fetch_add(1, std::memory_order_relaxed);
        raisePeak(c, c.liveBytes.fetch_add(size, std::memory_order_relaxed) + size);
    }
    return header + 1;
}

void CMem::free(void* ptr)
{
    if (!ptr)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(ptr) - 1;
    if (header->tag != kTagCounted && header->tag != kTagUncounted) {
        // A double free or a pointer that never came from alloc(): going on
        // would corrupt the heap.
        std::fprintf(stderr, "CMem::free: %p was not allocated by CMem::alloc or is already freed\n", ptr);
        std::abort();
    }
    if (header->tag == kTagCounted) {
        ModuleCounters& c = g_counters[header->module];
        c.frees.fetch_add(1, std::memory_order_relaxed);
        c.liveBytes.fetch_sub(header->size, std::memory_order_relaxed);
    }
    header->tag = kTagFreed;
    std::free(header);
}

void CMem::setStatsLevel(int level) { g_statsLevel.store(level < 0 ? 0 : level, std::memory_order_relaxed); }

int CMem::getStatsLevel() { return g_statsLevel.load(std::memory_order_relaxed); }

void CMem::setModuleName(int module, const char* name)
{
    if (!validModule(module))
        return;
    std::lock_guard lock(g_namesMutex);
    std::snprintf(g_names[module], kNameSize, "%s", name ? name : "");
}

const char* CMem::getModuleName(int module)
{
    if (!validModule(module))
        return "";
    std::lock_guard lock(g_namesMutex);
    return g_names[module];
}

CMem::ModuleStats CMem::getStats(int module)
{
    if (!validModule(module))
        return {};
    const ModuleCounters& c = g_counters[module];
    return {c.allocations.load(std::memory_order_relaxed), c.frees.load(std::memory_order_relaxed),
            c.liveBytes.load(std::memory_order_relaxed), c.peakBytes.load(std::memory_order_relaxed)};
}

void CMem::destroy()
{
    const int level = getStatsLevel();
    if (level <= 0)
        return;
    if (level >= 4)
        report(4, " [CMem] Module  Name              Allocations        Frees   Live bytes   Peak bytes\n");
    for (int m = 0; m < kModuleCount; ++m) {
        const ModuleStats s = getStats(m);
        if (s.allocations == 0)
            continue;
        if (level >= 4)
            report(4, " [CMem] %6d  %-16s %12" PRIu64 " %12" PRIu64 " %12" PRIu64 " %12" PRIu64 "\n", m,
                   getModuleName(m), s.allocations, s.frees, s.liveBytes, s.peakBytes);
        if (s.liveBytes > 0)
            report(3, " [CMem] Module %d (%s) still holds %" PRIu64 " bytes in %" PRIu64 " blocks.\n", m,
                   getModuleName(m), s.liveBytes, s.allocations - s.frees);
    }
}

} // namespace Zelkoran
