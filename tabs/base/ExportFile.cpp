#include "tabs/base/ExportFile.h"

#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Result.h>

#include <SDL_rwops.h>

#include <cstdio>

using namespace Zelkoran;
using string = Zelkoran::String;

namespace {

// A name beside path that no file has yet, for writing path's new contents.
string partialFilePath(const string& path)
{
    Tool* tool = Main::instance()->tool();
    string candidate = path + ".part";
    for (int n = 2; tool->fileExists(candidate.c_str()); ++n) {
        string number;
        tool->intToStrDec(n, number);
        candidate = path + ".part" + number;
    }
    return candidate;
}


// Writes and closes rw.
bool writeWhole(SDL_RWops* rw, const void* data, size_t size)
{
    const bool written = size == 0 || SDL_RWwrite(rw, data, 1, size) == size;
    // Closing flushes the stream: only a clean close means the bytes are there.
    const bool closed = SDL_RWclose(rw) == 0;
    return written && closed;
}


} // namespace

int writeExportFile(const string& path, const void* data, size_t size)
{
    if (path.empty() || (!data && size != 0))
        return RC_ERR_INVALID;
    const string partial = partialFilePath(path);
    SDL_RWops* rw = SDL_RWFromFile(partial.c_str(), "wb");
    if (!rw)
        return RC_ERR_NOT_FOUND;
    if (writeWhole(rw, data, size) && std::rename(partial.c_str(), path.c_str()) == 0)
        return 0;
    std::remove(partial.c_str());
    return RC_ERR_IO;
}


string humanSize(uint64_t bytes)
{
    char text[64] = {};
    Internal::getHumanReadableSize(bytes, text, sizeof(text), 1);
    return text;
}

