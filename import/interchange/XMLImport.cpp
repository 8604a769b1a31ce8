// The VUQv1 import driver: checks the document, walks its top-level
// elements in document order, hands each to its kind's handler and sums
// the run up in one information box.
#include "import/interchange/XMLImport.h"

#include "import/interchange/XMLImportContext.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

using namespace Zelkoran;

namespace xmlimport {

bool ImportContext::text(const char* attribute, String& out) const
{
    if (!xml.hasAttribute(attribute))
        return false;
    out = xml.getAttributeString(attribute, "");
    return true;
}

bool ImportContext::integer(const char* attribute, int& out) const
{
    if (!xml.hasAttribute(attribute))
        return false;
    out = xml.getAttributeInt(attribute, 0);
    return true;
}

bool ImportContext::readName() { return text("name", name); }

void ImportContext::warn(const char* format, ...)
{
    // Names in warnings are the document's, of any length.
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    String line(static_cast<size_t>(std::max(length, 0)), '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, again);
    va_end(again);
    m_log.msg(3, "%s", line.c_str());
}

void ImportContext::tally(eImportKind kind, bool ok, const char* noun)
{
    if (ok) {
        ++counts.imported[kind];
        ++counts.total;
        return;
    }
    ++counts.failed[kind];
    warn("  [XML2QEL] Warning: could not import '%s' %s.\n", name.c_str(), noun);
}

} // namespace xmlimport

namespace {

using namespace xmlimport;

constexpr const char* kNoName = "no name attribute";

void showBox(const String& title, const char* text, int type)
{
    Main::instance()->tool()->messageBox(title.c_str(), text, MBB_OK, type, 0, -1, -1);
}

void dispatch(ImportContext& ctx, const String& element)
{
    struct Handler {
        const char* element;
        void (*run)(ImportContext&);
    };
    static constexpr Handler kHandlers[] = {
        {"image", importImage},
        {"tile", importTile},
        {"font", importFont},
        {"sprite", importSprite},
        {"music", [](ImportContext& c) { importAudio(c, true); }},
        {"sound", [](ImportContext& c) { importAudio(c, false); }},
        {"file", importFile},
        {"guipanel", importPanel},
    };
    for (const Handler& handler : kHandlers) {
        if (element == handler.element) {
            ctx.name = kNoName;
            handler.run(ctx);
            return;
        }
    }
}

String decimal(int value)
{
    String text;
    Main::instance()->tool()->intToStrDec(value, text);
    return text;
}

String summary(const ImportCounters& counts, int totalBlocks)
{
    static constexpr const char* kLines[IK_COUNT] = {"Images", "Tiles", "Fonts", "Sprites",
                                                     "Music",  "Sounds", "Files"};
    // The format's own reckoning: widgets count with the total, less one
    // once there are any.
    const int imported = counts.total + counts.widgets - (counts.widgets > 0 ? 1 : 0);
    String text = "VUQv1\nImported / Total - " + decimal(imported) + " / " + decimal(totalBlocks) + "\n";
    for (int kind = 0; kind < IK_COUNT; ++kind)
        text += String(kLines[kind]) + " (Errors) - " + decimal(counts.imported[kind]) + " ("
              + decimal(counts.failed[kind]) + ")\n";
    return text + "Widgets - " + decimal(counts.widgets);
}

} // namespace

int XML2QEL(XML& xml, int archiveId, const String& title, const void* key, uint32_t keyLength)
{
    Log& log = *Main::instance()->logMgr()->get(0);
    if (!Main::instance()->archiveMgr()->get(archiveId)) {
        showBox(title, "Error importing XML resources, QEL archive is not available.", MBT_ERROR);
        return -1;
    }
    if (!xml.nodePointTo(1, "VUQ")) {
        showBox(title, "Error parsing the XML, is it a VUQ file?", MBT_ERROR);
        return -1;
    }
    const int totalBlocks = xml.getAttributeInt("totalblocks", 0);
    if (std::strcmp(xml.getAttributeString("version", ""), "v1") != 0) {
        showBox(title, "Only VUQv1 format is supported.", MBT_ERROR);
        return -1;
    }

    ImportContext ctx(xml, archiveId, keyLength ? key : nullptr, key ? keyLength : 0, log);
    String element;
    for (bool more = xml.nodeChild(); more; more = xml.nodeNext()) {
        xml.nodeGetName(element);
        dispatch(ctx, element);
    }
    showBox(title, summary(ctx.counts, totalBlocks).c_str(), MBT_INFORMATION);
    return 0;
}
