// The engine log: one text file, lines filtered by level.
#pragma once

#include <memory>

namespace Zelkoran {

class Log {
public:
    Log();
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Opens (truncates) the log file and writes a first line naming appName.
    // level: lines with a level above it are dropped (1 critical ... 5 debug).
    // mode: bit 1 (2) also echoes lines to stderr; other bits are ignored.
    // The three trailing texts are reserved and may be empty. 0, or
    // RC_ERR_IO when the file cannot be opened (lines then go only to the
    // stderr echo). A second call closes the first file.
    int init(const char* appName, int level, int mode, const char* file, const char* reserved1,
             const char* reserved2, const char* reserved3);
    // Writes a printf-style message as given: the caller supplies leading
    // blanks and the trailing "\n". Levels: 1 critical, 2 error, 3 warning,
    // 4 information, 5 debug; other levels are dropped. Every message is
    // flushed at once so the file survives a crash. Any thread (serialised).
    void msg(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    int getLevel() const;
    void close();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

class LogMgr {
public:
    LogMgr();
    ~LogMgr();
    LogMgr(const LogMgr&) = delete;
    LogMgr& operator=(const LogMgr&) = delete;

    // The log with that id; only id 0 exists. Null for any other id.
    Log* get(int id);
    // The running engine's log, null when no engine exists. Unlike
    // Main::instance()->logMgr() it never creates the engine, so shutdown
    // code (CMem::destroy, fatal errors) can use it. Any thread.
    static Log* current();

private:
    Log m_log;
};

} // namespace Zelkoran
