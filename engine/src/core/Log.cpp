#include <Zelkoran/Log.h>
#include <Zelkoran/Result.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace Zelkoran {

namespace {

constexpr int kModeEchoStderr = 2;
constexpr int kLevelCritical = 1;
constexpr int kLevelDebug = 5;

constinit std::atomic<Log*> g_currentLog{nullptr};

} // namespace

struct Log::State {
    std::mutex mutex;
    std::FILE* file = nullptr; // guarded by mutex
    std::atomic<int> level{4};
    std::atomic<int> mode{0};

    void closeFile()
    {
        if (file)
            std::fclose(file);
        file = nullptr;
    }

    void write(const char* text, size_t length)
    {
        std::lock_guard lock(mutex);
        if (file) {
            std::fwrite(text, 1, length, file);
            std::fflush(file);
        }
        if (mode.load(std::memory_order_relaxed) & kModeEchoStderr)
            std::fwrite(text, 1, length, stderr);
    }
};

Log::Log() : m_state(std::make_unique<State>()) {}

Log::~Log() { close(); }

int Log::init(const char* appName, int level, int mode, const char* file, const char*, const char*, const char*)
{
    m_state->level.store(level, std::memory_order_relaxed);
    m_state->mode.store(mode, std::memory_order_relaxed);
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closeFile();
        if (file && *file)
            m_state->file = std::fopen(file, "w");
        if (!m_state->file)
            return RC_ERR_IO;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char started[32];
    std::strftime(started, sizeof started, "%Y-%m-%d %H:%M:%S", &local);
    char line[512];
    const int length = std::snprintf(line, sizeof line, "%s - log started %s\n", appName ? appName : "", started);
    if (length > 0)
        m_state->write(line, std::min(static_cast<size_t>(length), sizeof line - 1));
    return RC_OK;
}

void Log::msg(int level, const char* format, ...)
{
    if (level < kLevelCritical || level > kLevelDebug || level > m_state->level.load(std::memory_order_relaxed) ||
        !format)
        return;
    char small[1024];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(again);
        m_state->write(small, static_cast<size_t>(length));
        return;
    }
    std::string large(static_cast<size_t>(length), '\0');
    std::vsnprintf(large.data(), large.size() + 1, format, again);
    va_end(again);
    m_state->write(large.data(), large.size());
}

int Log::getLevel() const { return m_state->level.load(std::memory_order_relaxed); }

void Log::close()
{
    std::lock_guard lock(m_state->mutex);
    m_state->closeFile();
}

LogMgr::LogMgr() { g_currentLog.store(&m_log); }

LogMgr::~LogMgr()
{
    Log* self = &m_log;
    g_currentLog.compare_exchange_strong(self, nullptr);
}

Log* LogMgr::get(int id) { return id == 0 ? &m_log : nullptr; }

Log* LogMgr::current() { return g_currentLog.load(); }

} // namespace Zelkoran
