#pragma once
#include <memory>
namespace Zelkoran {
class ArchiveMgr; class LogMgr; class Timer; class Tool;
class Main {
public:
    static Main* instance();
    static void terminate();
    ArchiveMgr* archiveMgr(); LogMgr* logMgr(); Timer* timer(); Tool* tool();
    ~Main();
private:
    Main();
    struct Managers;
    std::unique_ptr<Managers> m_mgr;
};
}
