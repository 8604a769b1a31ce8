// Feeds arbitrary bytes to the archive reader: open (with and without a
// key), list every entry, load every live block, validate.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include "FuzzHarness.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {
void exercise(Zelkoran::ArchiveMgr* mgr, const char* key, int keyLength)
{
    int id = mgr->load(fuzz::scratchPath("archive_fuzz").c_str(), key, keyLength);
    if (id <= 0)
        return;
    Zelkoran::Archive* a = mgr->get(id);
    for (int i = 0; i < a->getIndexCount(); ++i) {
        Zelkoran::Archive::Block b;
        if (a->blockAt(i, b) != 0 || b.deleted)
            continue;
        if (a->blockLoad(b) == 0)
            a->blockFree(b);
    }
    a->getFragmentation();
    a->validate(true);
    mgr->close(id);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(fuzz::scratchPath("archive_fuzz").c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    Zelkoran::ArchiveMgr* mgr = Zelkoran::Main::instance()->archiveMgr();
    exercise(mgr, nullptr, 0);
    exercise(mgr, "fuzz", 4);
    std::remove(fuzz::scratchPath("archive_fuzz").c_str());
    return 0;
}
