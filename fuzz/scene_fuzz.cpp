// Feeds arbitrary bytes to the scene reader as TMX text: load, draw it on a
// small offscreen window, write the engine's text, and check that it reads
// back and writes itself again.
// References resolve against an archive path in an empty folder, so they
// find nothing beside the input.
#include <Zelkoran/CMem.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>

#include "FuzzHarness.h"

#include <SDL_rect.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string written(Zelkoran::Scene* scene, const std::string& archive)
{
    char* buffer = nullptr;
    size_t size = 0;
    if (scene->saveToBuffer(buffer, size, "fuzz", "fuzz.tmx", archive.c_str(), true) != 0)
        std::abort();
    std::string text(buffer, size);
    Zelkoran::CMem::free(buffer);
    return text;
}

const std::string& emptyArchivePath()
{
    static const std::string path = [] {
        const auto folder = std::filesystem::temp_directory_path() / "skarden-scene-fuzz";
        std::filesystem::create_directories(folder);
        return (folder / "none.qel").string();
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zelkoran::SceneMgr* mgr = Zelkoran::Main::instance()->sceneMgr();
    const std::string& archive = emptyArchivePath();
    const int id = mgr->loadFromBuffer(data, size, "fuzz.tmx", archive.c_str());
    if (id <= 0)
        return 0;
    Zelkoran::Scene* scene = mgr->get(id);
    for (int slot = 0; slot <= scene->getLayerCount(0) + 1; ++slot) {
        float x = 0, y = 0;
        scene->getLayerType(slot);
        scene->getLayerPosition(slot, x, y);
    }
    if (fuzz::screenShown()) {
        Zelkoran::Screen* screen = Zelkoran::Main::instance()->configMgr()->get(0);
        const SDL_Rect clip{8, 8, 40, 40};
        screen->setClipRect(&clip);
        scene->setViewport(SDL_Rect{-7, 3, 100, 50});
        scene->update(250);
        scene->render(0, 0);
        screen->setClipRect(nullptr);
    }
    const std::string once = written(scene, archive);
    mgr->close(id);
    const int again = mgr->loadFromBuffer(once.data(), once.size(), "fuzz.tmx", archive.c_str());
    const std::string twice = again > 0 ? written(mgr->get(again), archive) : mgr->getLastError();
    if (twice != once) {
        std::fprintf(stderr, "written:\n%s\nthen:\n%s\n", once.c_str(), twice.c_str());
        std::abort();
    }
    mgr->close(again);
    return 0;
}
