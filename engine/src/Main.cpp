#include <Zelkoran/Archive.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>
namespace Zelkoran {
namespace { Main* g_main = nullptr; }
struct Main::Managers { LogMgr log; Timer timer; Tool tool; ArchiveMgr archive; };
Main::Main() : m_mgr(std::make_unique<Managers>()) {}
Main::~Main() = default;
Main* Main::instance() { if (!g_main) g_main = new Main(); return g_main; }
void Main::terminate() { delete g_main; g_main = nullptr; }
ArchiveMgr* Main::archiveMgr() { return &m_mgr->archive; }
LogMgr* Main::logMgr() { return &m_mgr->log; }
Timer* Main::timer() { return &m_mgr->timer; }
Tool* Main::tool() { return &m_mgr->tool; }
}
