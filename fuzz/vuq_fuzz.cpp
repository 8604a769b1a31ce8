// Feeds arbitrary bytes to the VUQv1 import: the input is parsed as an XML
// document whose "@/" stands for a folder of small assets (a picture, a
// sheet, a WAV tone, a text file) and imported into a fresh archive. The
// import must end with its summary or a clear error, and leave an archive
// that validates block by block.
#include "import/interchange/XMLImport.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/XML.h>

#include "FuzzHarness.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string scratch(const char* name)
{
    static const std::string folder = [] {
        const std::string path = fuzz::scratchPath("vuq_fuzz", "");
        mkdir(path.c_str(), 0700);
        return path + "/";
    }();
    return folder + name;
}

void writePicture(const char* name, int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, 200, 40, 90, 255));
    IMG_SavePNG(s, scratch(name).c_str());
    SDL_FreeSurface(s);
}

void writeAssets()
{
    static const bool written = [] {
        writePicture("pic.png", 16, 16);
        writePicture("sheet.png", 32, 48);
        // 8-bit mono PCM WAV of 64 samples.
        std::string wav = "RIFF";
        auto u32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
        u32(36 + 64);
        wav += "WAVEfmt ";
        u32(16), u16(1), u16(1), u32(8000), u32(8000), u16(1), u16(8);
        wav += "data";
        u32(64);
        wav.append(64, '\x80');
        std::ofstream(scratch("tone.wav"), std::ios::binary) << wav;
        std::ofstream(scratch("notes.txt"), std::ios::binary) << "notes";
        return true;
    }();
    (void)written;
}

std::string placed(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string folder = scratch("");
    for (size_t at = text.find("@/"); at != std::string::npos; at = text.find("@/", at + folder.size()))
        text.replace(at, 2, folder);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeAssets();
    Zelkoran::Main* main = Zelkoran::Main::instance();
    const std::string text = placed(data, size);
    const int doc = main->xmlMgr()->loadFromBuffer(text.data(), text.size(), "fuzz");
    if (doc <= 0)
        return 0;
    const std::string path = scratch("out.qel");
    const int archiveId = main->archiveMgr()->create(path.c_str(), 64);
    if (archiveId <= 0)
        std::abort();
    main->archiveMgr()->get(archiveId)->setDurable(false);

    // Every box is answered at once: the summary or one error.
    Zelkoran::TestSupport::keepModalLog(true);
    Zelkoran::TestSupport::clearModalLog();
    Zelkoran::TestSupport::pushAnswer(1);
    const int rc = XML2QEL(*main->xmlMgr()->get(doc), archiveId, "Import", "fuzz key", 8);
    if ((rc != 0 && rc != -1) || Zelkoran::TestSupport::modalLog().size() != 1)
        std::abort();
    if (main->archiveMgr()->validate(archiveId, true) != 0)
        std::abort();
    Zelkoran::TestSupport::clearAnswers();
    main->xmlMgr()->close(doc);
    main->archiveMgr()->close(archiveId);
    unlink(path.c_str());
    return 0;
}
