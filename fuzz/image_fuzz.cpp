// Feeds arbitrary bytes to the image block reader: the input is stored as a
// "ZK7_IMAGE" block, loaded through ImageMgr and drawn. An image that loads
// must also save and load again at the same size.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath()
{
    // A memory-backed folder keeps the archive's writes cheap.
    static std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/image_fuzz_"
                              + std::to_string(getpid()) + ".qel";
    return path;
}

// A small offscreen window to draw into, opened once.
bool screenShown()
{
    static const bool shown = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        Zelkoran::Screen* screen = Zelkoran::Main::instance()->configMgr()->get(0);
        screen->setDriver(Zelkoran::Screen::DRV_SOFT);
        screen->setSize(64, 64);
        return screen->show() == 0;
    }();
    return shown;
}

void exercise(Zelkoran::Archive* archive)
{
    Zelkoran::ImageMgr* images = Zelkoran::Main::instance()->imageMgr();
    const int id = images->load(archive->getID(), "fuzz");
    if (id <= 0)
        return;
    Zelkoran::Image* img = images->get(id);
    const int w = img->getWidth(), h = img->getHeight();
    if (!img->getSurface() || w < 1 || h < 1)
        std::abort(); // a loaded block always has pixels
    if (screenShown()) {
        const SDL_FRect src{0.5f, 0.5f, w / 2.0f, h / 2.0f};
        const SDL_FRect dst{-3, 7, 80, 20};
        img->render(0, nullptr, &dst);
        img->render(0, &src, nullptr);
    }
    if (img->save(archive->getID(), "again") != 0)
        std::abort(); // whatever loads must save
    const int again = images->load(archive->getID(), "again");
    if (again <= 0 || images->get(again)->getWidth() != w || images->get(again)->getHeight() != h)
        std::abort();
    images->close(again);
    images->close(id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int archiveId = archives->create(scratchPath().c_str(), 0);
    if (archiveId <= 0)
        return 0;
    Zelkoran::Archive* archive = archives->get(archiveId);
    archive->setDurable(false);
    Zelkoran::Archive::Block block("fuzz", "ZK7_IMAGE");
    block.data = const_cast<uint8_t*>(data);
    block.size = size;
    if (archive->blockAdd(block) == 0)
        exercise(archive);
    archives->close(archiveId);
    std::remove(scratchPath().c_str());
    return 0;
}
