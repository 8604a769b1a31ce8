// Sends the engine log to a file for the lifetime of the object, so a test
// can read what was logged.
#pragma once

#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>

#include <fstream>
#include <sstream>
#include <string>

class LogCapture {
public:
    explicit LogCapture(std::string file) : m_file(std::move(file))
    {
        log()->init("Skarden tests", 5, 0, m_file.c_str(), "", "", "");
    }
    ~LogCapture() { log()->close(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything logged so far; ends the capture.
    std::string text()
    {
        log()->close();
        std::ifstream in(m_file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    static Zelkoran::Log* log() { return Zelkoran::Main::instance()->logMgr()->get(0); }
    std::string m_file;
};
