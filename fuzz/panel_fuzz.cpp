// Feeds arbitrary bytes to the stored-panel reader: the input is stored as a
// "ZK7_GUIPANEL" block, loaded through GUIMgr and drawn. A panel that loads
// must save and load again into the same block bytes.
#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>

#include "FuzzHarness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The stored bytes of block name (empty when it cannot be read).
std::string storedPanelBytes(Zelkoran::Archive* archive, const char* name)
{
    Zelkoran::Archive::Block block(name, "ZK7_GUIPANEL");
    if (archive->blockLoad(block) != 0)
        return std::string();
    std::string bytes(static_cast<const char*>(block.data), block.size);
    archive->blockFree(block);
    return bytes;
}

void exercise(Zelkoran::Archive* archive)
{
    Zelkoran::GUIMgr* gui = Zelkoran::Main::instance()->guiMgr();
    const int id = gui->load(archive->getID(), "fuzz");
    if (id <= 0)
        return;
    Zelkoran::Panel* panel = gui->getPanel(id);
    if (fuzz::screenShown()) {
        panel->baseWidget()->show();
        gui->render();
    }
    // Saving needs the panel's own name: the stored copy goes to "again".
    if (gui->setName(id, "again") != 0 || panel->save(archive->getID()) != 0)
        std::abort(); // whatever loads must save
    const int again = gui->load(archive->getID(), "again");
    if (again <= 0)
        std::abort();
    const std::string first = storedPanelBytes(archive, "again");
    gui->close(id);
    if (gui->getPanel(again)->save(archive->getID()) != 0 || storedPanelBytes(archive, "again") != first)
        std::abort(); // a reloaded panel stores the same bytes
    gui->close(again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int archiveId = archives->create(fuzz::scratchPath("panel_fuzz").c_str(), 0);
    if (archiveId <= 0)
        return 0;
    Zelkoran::Archive* archive = archives->get(archiveId);
    archive->setDurable(false);
    Zelkoran::Archive::Block block("fuzz", "ZK7_GUIPANEL");
    block.data = const_cast<uint8_t*>(data);
    block.size = size;
    if (archive->blockAdd(block) == 0)
        exercise(archive);
    archives->close(archiveId);
    std::remove(fuzz::scratchPath("panel_fuzz").c_str());
    return 0;
}
