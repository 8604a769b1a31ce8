// Feeds arbitrary bytes to the image block reader: the input is stored as a
// "ZK7_IMAGE" block, loaded through ImageMgr and drawn. An image that loads
// must also save and load again at the same size.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>

#include "FuzzHarness.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

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
    if (fuzz::screenShown()) {
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
    const int archiveId = archives->create(fuzz::scratchPath("image_fuzz").c_str(), 0);
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
    std::remove(fuzz::scratchPath("image_fuzz").c_str());
    return 0;
}
