// The editor's services around one tab for a drawing benchmark: the soft
// screen, GlobalStatus, the editor's resources and a scratch archive holding
// the blocks it is given, open as the editor's archive. The tab itself is
// the caller's.
#pragma once

#include "BenchScreen.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "support/TestFolder.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>

#include <memory>
#include <optional>
#include <string>

namespace bench {

template <class Tab>
class EditorRig {
public:
    // Empty string, or why the rig could not be built.
    std::string open(int width, int height, const char* blockName, const char* type, const std::string& bytes)
    {
        screen = openSoftScreen(width, height);
        if (!screen)
            return "no window";
        char name[] = "Skarden";
        char* argv[] = {name};
        status.emplace(1, argv);
        resources.emplace();
        if (resources->load() != 0)
            return "no editor resources";
        const std::string path = folder.path("bench.qel");
        const int id = Zelkoran::Main::instance()->archiveMgr()->create(path.c_str(), 16);
        if (id <= 0)
            return "no archive";
        status->bArchiveLoaded = 1;
        status->iArchiveID = id;
        status->sArchivePath = path.c_str();
        return addBlock(blockName, type, bytes);
    }

    // Stores one more block, compressed, in the open archive. Empty string,
    // or why it could not.
    std::string addBlock(const char* blockName, const char* type, const std::string& bytes)
    {
        Zelkoran::Archive::Block block(blockName, type);
        block.storage = Zelkoran::Archive::ST_COMPRESSED;
        block.data = const_cast<char*>(bytes.data());
        block.size = bytes.size();
        Zelkoran::Archive* archive = Zelkoran::Main::instance()->archiveMgr()->get(status->iArchiveID);
        return archive && archive->blockAdd(block) == 0 ? "" : "block not stored";
    }

    // The tab draws every frame from now on; one frame warms its caches.
    void drawEveryFrame()
    {
        Tab* shown = tab.get();
        screen->setRenderCallback([shown](int value) { return shown->render(value); });
        screen->renderFrame(true);
    }

    ~EditorRig()
    {
        if (screen)
            screen->setRenderCallback(nullptr);
        tab.reset();
        resources.reset();
        status.reset();
        Zelkoran::Main::terminate();
    }

    TestFolder folder;
    Zelkoran::Screen* screen = nullptr;
    std::optional<GlobalStatus> status;
    std::optional<ResourceManager> resources;
    std::unique_ptr<Tab> tab;
};

} // namespace bench
