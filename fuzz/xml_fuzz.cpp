// Feeds arbitrary bytes to the XML reader: parse, visit every element
// through the cursor, write the text, and check that the written text
// reads back to itself.
#include <Zelkoran/CMem.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/XML.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void visit(Zelkoran::XML* doc)
{
    if (!doc->nodeFirst())
        std::abort(); // a loaded document always has a root
    for (;;) {
        Zelkoran::String name;
        doc->nodeGetName(name);
        doc->hasAttribute("name");
        doc->getAttributeString("source", "");
        doc->getAttributeInt("width", 0);
        if (doc->nodeChild())
            continue;
        while (!doc->nodeNext())
            if (!doc->nodeParent())
                return;
    }
}

std::string written(Zelkoran::XML* doc)
{
    char* buffer = nullptr;
    size_t size = 0;
    if (doc->saveToBuffer(buffer, size) != 0)
        std::abort();
    std::string text(buffer, size);
    Zelkoran::CMem::free(buffer);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zelkoran::XMLMgr* mgr = Zelkoran::Main::instance()->xmlMgr();
    const int id = mgr->loadFromBuffer(data, size, "fuzz");
    if (id <= 0)
        return 0;
    Zelkoran::XML* doc = mgr->get(id);
    visit(doc);
    const std::string once = written(doc);
    mgr->close(id);
    const int again = mgr->loadFromBuffer(once.data(), once.size(), "fuzz");
    if (again <= 0 || written(mgr->get(again)) != once)
        std::abort();
    mgr->close(again);
    return 0;
}
