// Creating, opening and closing the editor's archive. Opening upgrades a
// QELv1 file first, asks for keys as needed and migrates legacy blocks
// before the archive becomes the open one.
#include "services/ArchiveFailureText.h"
#include "app/EncryptedArchiveRecord.h"
#include "app/ErrorBox.h"
#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "app/KeyBuffer.h"
#include "app/LegacyUpgradeDialog.h"
#include "app/Menu.h"
#include "import/legacy/LegacyQELUpgrade.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>

#include <filesystem>
#include <system_error>

using namespace Zelkoran;

namespace {

constexpr const char* kLoadTitle = "Load a Zelkoran Data Container file";
constexpr const char* kNewTitle = "Create a Zelkoran Data Container file";
constexpr const char* kCloseTitle = "Close current QEL file";
// The file dialogs' filter: its description, then its pattern.
constexpr char kQELFilter[] = "Zelkoran Data Container Files (*.qel)\0*.qel\0";

constexpr const char* kSecuredPrompt = "QEL is secured, enter the key:";
constexpr const char* kWrongKey = "The key is wrong.";

Tool* tool() { return Main::instance()->tool(); }
ArchiveMgr* archives() { return Main::instance()->archiveMgr(); }

// The upgrade's questions, asked with the key prompt and a message box.
class MenuUpgradeQuestions : public UpgradeQuestions {
public:
    explicit MenuUpgradeQuestions(const Menu& menu) : m_menu(menu) {}
    int askKey(const char* prompt, KeyBuffer& key) override { return m_menu.secureModalPanel(prompt, key); }
    int askKeepEncryptedBlocks(const char* text) override
    {
        return tool()->messageBox("QELv1 encrypted blocks", text, MBB_YESNO, MBT_QUESTION, 0, -1, -1);
    }
    void sayKeyWrong() override { showError(kLoadTitle, kWrongKey); }

private:
    const Menu& m_menu;
};

const char* qelv2KeyPrompt(bool encryptedIndex, bool encryptedBlocks)
{
    if (encryptedIndex && encryptedBlocks)
        return "QELv2 encrypted index and blocks detected. Enter the QEL key:";
    return encryptedIndex ? "QELv2 encrypted index detected. Enter the QEL key:"
                          : "QELv2 encrypted blocks detected. Enter the QEL key:";
}

const char* yesNo(bool value) { return value ? "yes" : "no"; }

// Archives are opened and created by the ".qel" name alone.
void addQelExtension(Menu::string& path)
{
    if (!tool()->fileCheckExtension(path.c_str(), "qel"))
        path += ".qel";
}

// Whether both paths name one existing file (the engine locks an open
// archive, so that one cannot be opened a second time).
bool sameFile(const Menu::string& a, const Menu::string& b)
{
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a.c_str(), b.c_str(), error);
}

} // namespace

bool Menu::mayReplaceFile(const char* title, const string& path)
{
    if (!tool()->fileExists(path.c_str()))
        return true;
    const string question = "The file \"" + path + "\" already exists.\nDo you want to replace it?";
    return tool()->messageBox(title, question.c_str(), MBB_YESNO, MBT_QUESTION, 0, -1, -1) == MBB_YES;
}

int Menu::onClose()
{
    const string text = string("File \"") + pGlobalStatus->sArchivePath + "\" is opened\nDo you want to close it?";
    if (tool()->messageBox(kCloseTitle, text.c_str(), MBB_YESNO, MBT_INFORMATION, 0, -1, -1) != MBB_YES)
        return -1;
    archives()->close(pGlobalStatus->iArchiveID);
    pGlobalStatus->clear();
    update();
    return 0;
}

int Menu::onNew()
{
    string path;
    if (!tool()->fileSaveDialog(kNewTitle, kQELFilter, path))
        return -1;
    addQelExtension(path);
    // Asked before the open archive, which may be the one replaced, is closed.
    if (!mayReplaceFile(kNewTitle, path))
        return -1;
    if (pGlobalStatus->bArchiveLoaded && onClose() != 0)
        return -1;
    const int id = archives()->create(path.c_str(), 0);
    const Archive* archive = id > 0 ? archives()->get(id) : nullptr;
    if (!archive) {
        // Without a word the user would not know why no archive opened.
        showError(kNewTitle, newArchiveFailureText(id).c_str());
        return -1;
    }
    // Made here with a plain index: what an earlier file at this path or
    // with this inode was seen as no longer applies.
    EncryptedArchiveRecord::note(archive->getName(), false);
    pGlobalStatus->bArchiveLoaded = 1;
    pGlobalStatus->sArchivePath = archive->getName();
    pGlobalStatus->iArchiveID = id;
    update();
    return 0;
}

int Menu::onLoad() { return load(""); }

int Menu::load(const string& requested)
{
    string path = requested;
    if (path.empty() && !tool()->fileOpenDialog(kLoadTitle, kQELFilter, path))
        return -1;
    addQelExtension(path);
    if (!tool()->fileExists(path.c_str())) {
        showError(kLoadTitle, (string("The QEL file does not exist:\n") + path).c_str());
        return -1;
    }
    // The open archive itself is reopened: it must be closed first.
    if (pGlobalStatus->bArchiveLoaded && sameFile(path, pGlobalStatus->sArchivePath) && onClose() != 0)
        return -1;

    KeyBuffer key;
    bool keyUsed = false;
    const int id = openArchive(path, key, keyUsed);
    if (id <= 0)
        return -1;
    const Archive* archive = archives()->get(id);
    // Nothing in a file shows that its encrypted index was swapped for a
    // plain one: only what this user saw before can.
    if (!archive->isEncrypted() && EncryptedArchiveRecord::contains(archive->getName())) {
        const string question = string("The index of \"") + archive->getName()
                                + "\" was encrypted when it was last opened here and is not now: the file may have been "
                                  "replaced.\nDo you want to open it anyway?";
        if (tool()->messageBox(kLoadTitle, question.c_str(), MBB_YESNO, MBT_WARNING, 0, -1, -1) != MBB_YES) {
            archives()->close(id);
            return -1;
        }
    }
    EncryptedArchiveRecord::note(archive->getName(), archive->isEncrypted());
    const bool secured = isSecured(*archive);
    // The open archive goes only once the new one is open.
    if (pGlobalStatus->bArchiveLoaded && onClose() != 0) {
        archives()->close(id);
        return -1;
    }
    pGlobalStatus->bArchiveLoaded = 1;
    pGlobalStatus->bSecured = secured ? 1 : 0;
    pGlobalStatus->sArchivePath = path;
    pGlobalStatus->iArchiveID = id;
    if (keyUsed)
        rememberQELKey(key.data(), key.length);
    pGlobalStatus->bReparseAll = 1;
    update();
    return 0;
}

int Menu::openArchive(const string& path, KeyBuffer& key, bool& keyUsed)
{
    MenuUpgradeQuestions questions(*this);
    LegacyUpgradeDialog upgrade(questions);
    if (upgrade.run(path, key) != 0) {
        showError(kLoadTitle, "Could not upgrade the QEL file.");
        return -1;
    }
    keyUsed = upgrade.keyEntered();

    if (!keyUsed) {
        bool isQELv2 = false, encryptedIndex = false, encryptedBlocks = false;
        if (getQELv2EncryptionState(path, isQELv2, encryptedIndex, encryptedBlocks) == 0 && isQELv2
            && (encryptedIndex || encryptedBlocks)) {
            editorLog().msg(LOG_INFO,
                            "\n  QELv2 encrypted archive detected: index=%s, blocks=%s. A QEL key is required.\n",
                            yesNo(encryptedIndex), yesNo(encryptedBlocks));
            key.wipe();
            if (secureModalPanel(qelv2KeyPrompt(encryptedIndex, encryptedBlocks), key) != 1)
                return -1;
            keyUsed = true;
        }
    }

    int id = archives()->load(path.c_str(), keyUsed ? key.data() : nullptr, keyUsed ? key.size() : 0);
    if (id == RC_ERR_KEY) {
        // The prompt alone would not tell a refused key from a first question.
        if (keyUsed)
            showError(kLoadTitle, kWrongKey);
        key.wipe();
        if (secureModalPanel(kSecuredPrompt, key) == 1) {
            keyUsed = true;
            id = archives()->load(path.c_str(), key.data(), key.size());
            if (id == RC_ERR_KEY)
                showError(kLoadTitle, kWrongKey);
        }
    }
    if (id <= 0) {
        showError(kLoadTitle, "Could not load the QEL file.");
        return -1;
    }

    if (upgradeLegacyQELBlocks(path, id, keyUsed ? key.data() : nullptr, keyUsed ? key.length : 0) < 0) {
        archives()->close(id);
        showError(kLoadTitle, "Could not migrate legacy QEL blocks.");
        return -1;
    }
    if (!archives()->get(id)) {
        archives()->close(id);
        showError(kLoadTitle, "Could not access the QEL file.");
        return -1;
    }
    return id;
}
