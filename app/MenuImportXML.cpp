// The interchange import of the menu bar: a VUQv1 document imported into
// the open archive or into a new one beside the document, which then
// becomes the open archive.
#include "services/ArchiveFailureText.h"
#include "app/EncryptedArchiveRecord.h"
#include "app/ErrorBox.h"
#include "services/GlobalStatus.h"
#include "app/KeyBuffer.h"
#include "app/Menu.h"
#include "import/interchange/XMLImport.h"
#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace Zelkoran;

namespace {

constexpr const char* kImportTitle = "Import a Hollet Interchange XML";
constexpr char kXMLFilter[] = "Hollet Interchange XML format (*.xml)\0*.xml\0";
constexpr const char* kSecuredPrompt = "QEL is secured, enter the key:";
constexpr const char* kMergeQuestion =
    "Do you want to merge the XML resources with the opened QEL?\nOtherwise, a new QEL will be created.";
constexpr const char* kTooManyBlocks = "The XML announces more blocks (totalblocks) than a QEL file can hold.";
// Slots kept free beyond the document's count, and added on a resize.
constexpr int64_t kSpareSlots = 2;
constexpr int64_t kResizeSlots = 1026;

Tool* tool() { return Main::instance()->tool(); }
ArchiveMgr* archives() { return Main::instance()->archiveMgr(); }
void fail(const char* text) { showError(kImportTitle, text); }

// The loaded document, closed when the import ends.
class Document {
public:
    explicit Document(const char* path) : m_id(Main::instance()->xmlMgr()->loadFromFile(path, "")) {}
    ~Document()
    {
        if (m_id > 0)
            Main::instance()->xmlMgr()->close(m_id);
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    bool loaded() const { return m_id > 0; }
    XML* get() const { return Main::instance()->xmlMgr()->get(m_id); }

private:
    int m_id;
};

// The new archive beside the document, named after the file name part of
// the root's "source" (folders in it are dropped, so it stays beside the
// document) or, without one, after the document: its extension becomes
// ".qel", and a name without one gets it, so the Open dialog lists it.
Menu::string newArchivePath(const Menu::string& documentPath, const Menu::string& source)
{
    Menu::string name = source.substr(source.find_last_of("/\\") + 1);
    // Without a name of its own ("", ".", ".x") the document's file names it.
    if (name.empty() || name.find_last_of('.') == 0)
        name = documentPath.substr(documentPath.find_last_of("/\\") + 1);
    name.resize(std::min(name.find_last_of('.'), name.size()));
    return tool()->fileGetDir(documentPath.c_str()) + "/" + name + ".qel";
}

} // namespace

int Menu::onImportXML() { return importXML(""); }

int Menu::importXML(const string& requested)
{
    string path = requested;
    if (path.empty() && !tool()->fileOpenDialog(kImportTitle, kXMLFilter, path))
        return -1;
    const Document document(path.c_str());
    if (!document.loaded()) {
        fail("Could not load the XML file.");
        return -1;
    }
    XML* xml = document.get();
    if (!xml) {
        fail("Could not access the XML file.");
        return -1;
    }
    if (!xml->nodePointTo(1, "VUQ")) {
        fail("Error parsing the XML, is it a VUQ file?");
        return -1;
    }
    // Checked before any archive is touched.
    if (std::strcmp(xml->getAttributeString("version", ""), "v1") != 0) {
        fail("Only VUQv1 format is supported.");
        return -1;
    }
    const int64_t totalBlocks = xml->getAttributeInt("totalblocks", 0);
    if (totalBlocks < 0 || totalBlocks + kResizeSlots > ArchiveMgr::kMaxBlockLimit) {
        fail(kTooManyBlocks);
        return -1;
    }

    // The target: the open archive, or a new one that replaces it.
    const bool merge = pGlobalStatus->bArchiveLoaded
                    && tool()->messageBox(kImportTitle, kMergeQuestion, MBB_YESNO, MBT_INFORMATION, 0, -1, -1)
                           == MBB_YES;
    string archivePath = pGlobalStatus->sArchivePath;
    int id = pGlobalStatus->iArchiveID;
    if (!merge) {
        archivePath = newArchivePath(path, xml->getAttributeString("source", ""));
        if (!mayReplaceFile(kImportTitle, archivePath))
            return -1;
        if (pGlobalStatus->bArchiveLoaded && onClose() != 0)
            return -1;
        id = archives()->create(archivePath.c_str(), 0);
        if (id <= 0) {
            fail(newArchiveFailureText(id).c_str());
            return -1;
        }
        // Made here with a plain index, as New makes one.
        EncryptedArchiveRecord::note(archives()->get(id)->getName(), false);
    }
    // An archive made here goes again when the import does not finish.
    const auto abandon = [&] {
        if (!merge)
            archives()->close(id);
        return -1;
    };
    // The archive is gone (closed for the resize, or lost): nothing is open any more.
    const auto lost = [&](const char* text) {
        fail(text);
        pGlobalStatus->clear();
        update();
        return -1;
    };

    const Archive* archive = archives()->get(id);
    if (!archive) {
        fail("Could not access the QEL file.");
        return abandon();
    }
    // A file at the path that is no longer the open archive's would take
    // the resize's place; one that cannot be written would take part of
    // the import. Either is left alone, with the archive open.
    if (const int refusal = merge ? archive->checkWritable() : 0; refusal != 0) {
        logArchiveRefusal("import", refusal, archivePath.c_str());
        fail(("Could not import into the QEL file.\n" + archiveRefusalText(refusal, archivePath.c_str())).c_str());
        return -1;
    }
    const int64_t blockCount = archive->getBlockCount();
    if (archive->getBlockLimit() - blockCount < totalBlocks + kSpareSlots) {
        // Refused while the archive is still open: a resize the engine
        // cannot make would close it.
        const int64_t newLimit = totalBlocks + blockCount + kResizeSlots;
        if (newLimit > ArchiveMgr::kMaxBlockLimit) {
            fail(kTooManyBlocks);
            return abandon();
        }
        KeyBuffer key;
        if (isSecured(*archive)) {
            if (pGlobalStatus->bKeyRemembered)
                key.assign(reinterpret_cast<const char*>(pGlobalStatus->szKey), pGlobalStatus->iKeyLength);
            else if (secureModalPanel(kSecuredPrompt, key) != 1)
                return abandon();
            rememberQELKey(key.bytes, key.length);
        }
        archives()->close(id);
        if (const int rc = archives()->defrag(archivePath.c_str(), static_cast<int>(newLimit), key.data(), key.size());
            rc != 0) {
            logArchiveRefusal("resize", rc, archivePath.c_str(), true);
            const string cause = archiveRefusalText(rc, archivePath.c_str(), true);
            return lost(("Could not resize the QEL file.\n" + (cause.empty() ? cause : cause + "\n")
                         + "The QEL file was closed.")
                            .c_str());
        }
        id = archives()->load(archivePath.c_str(), key.data(), key.size());
        if (id <= 0)
            return lost("Could not reload the QEL file after resize.");
        // The open archive has a new id now, whatever the import gives.
        if (merge)
            pGlobalStatus->iArchiveID = id;
    }

    const bool keyRemembered = pGlobalStatus->bKeyRemembered != 0;
    if (XML2QEL(*xml, id, kImportTitle, keyRemembered ? pGlobalStatus->szKey : nullptr,
                keyRemembered ? pGlobalStatus->iKeyLength : 0)
        < 0)
        return abandon();

    archive = archives()->get(id);
    if (!archive)
        return lost("Could not access the QEL file.");
    pGlobalStatus->bArchiveLoaded = 1;
    pGlobalStatus->sArchivePath = archive->getName();
    pGlobalStatus->iArchiveID = id;
    pGlobalStatus->bSecured = isSecured(*archive);
    pGlobalStatus->bReparseAll = 1;
    update();
    // A clean tab still showing a block the import replaced would save its
    // old bytes back over it; a tab with unsaved edits keeps them.
    for (CtrlBase* tab : vCtrls)
        if (!tab->isDirty())
            tab->reloadShown();
    return 0;
}
