// The tools panel (the open archive's facts, its block table, defragment and
// resize) and the information panel with the change log. The panels are
// the editor's fixed ones, run modally through the engine's message box.
#include "services/ArchiveFailureText.h"
#include "app/ErrorBox.h"
#include "app/BlockTable.h"
#include "app/DocumentViewer.h"
#include "services/FixedPanelIds.h"
#include "services/GlobalStatus.h"
#include "app/KeyBuffer.h"
#include "app/Menu.h"
#include "app/ReadableBlocks.h"
#include "services/ResourceManager.h"
#include "services/Version.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

using namespace Zelkoran;

namespace {

// Results of a panel run.
constexpr int kPanelOk = 1;
constexpr int kPanelQuit = 2;
constexpr int kQuitProgram = 256;

// The block limit the maximum-blocks field offers at least.
constexpr uint32_t kOfferedBlockLimit = 8192;
// Below this the archive holds no dead space worth a rewrite.
constexpr float kNoFragmentation = static_cast<float>(std::numeric_limits<double>::epsilon());

constexpr const char* kToolsTitle = "QEL tools";
constexpr const char* kDefragTitle = "Defrag a QEL file";
constexpr const char* kDefragFailed = "Could not defrag/resize the QEL file.\n";
constexpr const char* kSecuredPrompt = "QEL is secured, enter the key:";
constexpr const char* kDefragQuestion =
    "Blocks (Images, sprites, music, etc) deletion is a soft-action,\n"
    "they can be restored on the Undelete tab.\n"
    "However, this action will physically remove all these soft-deleted blocks.\n"
    "Do you want to continue ? ";

// The defrag question. A file of several names (hard links) is rewritten
// under this one only: the user is told the others keep the old content.
std::string defragQuestion(const char* path)
{
    std::error_code error;
    const uintmax_t names = std::filesystem::hard_link_count(path, error);
    if (error || names < 2)
        return kDefragQuestion;
    const uintmax_t others = names - 1;
    return std::string("The QEL file \"") + path + "\" has " + std::to_string(others)
           + (others == 1 ? " other name" : " other names")
           + " (hard links): the defrag rewrites it under this name only, the other names keep the old content.\n"
           + kDefragQuestion;
}

Tool* tool() { return Main::instance()->tool(); }
ArchiveMgr* archives() { return Main::instance()->archiveMgr(); }
Panel* panelOf(const ResourceManager& resources, int resourceId)
{
    const int id = resources.get(resourceId);
    return id > 0 ? Main::instance()->guiMgr()->getPanel(id) : nullptr;
}

// The id of the button that ended the run, 2 on a quit request.
int runPanel(const char* title, const Panel& panel)
{
    return tool()->messageBox(title, "", MBB_NONE, MBT_PANEL, 0, panel.getID(), 0);
}

// OK is done, 2 asks the main loop to end the program, the rest as it came.
int actionResult(int panelResult)
{
    if (panelResult == kPanelOk)
        return 0;
    return panelResult == kPanelQuit ? kQuitProgram : panelResult;
}

void setLabel(Panel& panel, int id, const std::string& text)
{
    if (WidgetLabel* label = panel.getLabel(id))
        label->setText(text.c_str(), ui::centred(), ui::centred());
}

const char* yesNo(bool value) { return value ? "Yes" : "No"; }

// The archive file's size in KiB, 0 when it cannot be read; none when the
// path no longer names the file the archive holds.
std::string fileSizeText(const Archive& archive, const char* path)
{
    if (archive.checkWritable() == RC_ERR_REPLACED)
        return "File size: the file was replaced or deleted";
    std::error_code error;
    const uintmax_t bytes = std::filesystem::file_size(path, error);
    return "File size: " + std::to_string(error ? 0 : bytes >> 10) + "KB";
}

std::string percent(float value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%3.2f%%", static_cast<double>(value));
    return text;
}

// Labels 300 to 306 and the maximum-blocks field; the fragmentation shown.
float fillToolsPanel(Panel& panel, const Archive& archive, const char* path)
{
    const float fragmentation = archive.getFragmentation();
    const auto live = static_cast<uint32_t>(archive.getBlockCount());
    const auto entries = static_cast<uint32_t>(archive.getIndexCount());
    const auto limit = static_cast<uint32_t>(archive.getBlockLimit());

    setLabel(panel, TW_VERSION, "Version: QELv2");
    setLabel(panel, TW_CREATED, std::string("Creation date: ") + archive.getCreationDate().c_str());
    setLabel(panel, TW_MODIFIED, std::string("Last modification: ") + archive.getModificationDate().c_str());
    setLabel(panel, TW_ENCRYPTION, std::string("Encrypted index: ") + yesNo(archive.isEncrypted())
                                       + " - Encrypted blocks: " + yesNo(archive.isEncryptedBlocks()));
    const int readable = readableBlockCount(archive);
    setLabel(panel, TW_READABLE,
             readable > 0 ? "Readable without the key: " + std::to_string(readable) +
                                (readable == 1 ? " block" : " blocks")
                          : std::string());
    setLabel(panel, TW_FILE_SIZE, fileSizeText(archive, path));
    setLabel(panel, TW_FRAGMENTATION, "Fragmentation: " + percent(fragmentation));
    setLabel(panel, TW_USED_DELETED,
             "Used/Deleted: " + std::to_string(live) + "/" + std::to_string(entries - live) + " - Max blocks:");
    if (WidgetNumberEdit* field = panel.getNumberEdit(TW_MAX_BLOCKS)) {
        field->setRange(static_cast<float>(live), static_cast<float>(std::max(limit, kOfferedBlockLimit)));
        field->setValue(static_cast<float>(limit));
    }
    return fragmentation;
}

// Rewrites the open archive without its deleted blocks and with newLimit
// as its block limit, then opens it again in its place. 0, or -1 when the
// user cancelled the key prompt (the archive stays open) or the rewrite or
// the reopening failed (nothing is open then).
class ArchiveRewrite {
public:
    ArchiveRewrite(Menu& menu, GlobalStatus& status) : m_menu(menu), m_status(status) {}

    int run(const Archive& archive, int newLimit)
    {
        const char* path = m_status.sArchivePath.c_str();
        // The rewrite reads the file at the path: one that is no longer this
        // archive's would take its place, one that cannot be written stays
        // as it is. Either way the archive stays open.
        if (const int refusal = archive.checkWritable(); refusal != 0) {
            logArchiveRefusal("defrag/resize", refusal, path);
            showError(kDefragTitle, (String(kDefragFailed) + archiveRefusalText(refusal, path)).c_str());
            return -1;
        }
        if (chooseKey(archive) != 0)
            return -1;
        archives()->close(m_status.iArchiveID);
        if (const int rc = archives()->defrag(path, newLimit, m_key.data(), m_key.size()); rc != 0) {
            logArchiveRefusal("defrag/resize", rc, path, true);
            const String cause = archiveRefusalText(rc, path, true);
            const String text = kDefragFailed + (cause.empty() ? cause : cause + "\n") + "The QEL file was closed.";
            return giveUp(text.c_str());
        }
        m_status.iArchiveID = archives()->load(path, m_key.data(), m_key.size());
        const Archive* reopened = m_status.iArchiveID > 0 ? archives()->get(m_status.iArchiveID) : nullptr;
        if (!reopened)
            return giveUp("Could not reload the QEL file after defrag/resize.");
        // Encrypted entries that were deleted are gone now.
        m_status.bSecured = isSecured(*reopened);
        m_status.bReparseAll = 1;
        m_menu.update();
        return 0;
    }

private:
    // A secured archive needs its key: the remembered one or one typed at
    // the prompt, remembered from then on. The flag alone is not trusted,
    // as encrypted blocks may have been saved since it was set. A key the
    // user gave an unsecured archive is kept too, so the reopened archive
    // has it again.
    int chooseKey(const Archive& archive)
    {
        const bool secured = m_status.bSecured || isSecured(archive);
        if (m_status.bKeyRemembered)
            m_key.assign(reinterpret_cast<const char*>(m_status.szKey), m_status.iKeyLength);
        else if (secured && m_menu.secureModalPanel(kSecuredPrompt, m_key) != 1)
            return -1;
        if (!m_key.empty())
            m_menu.rememberQELKey(m_key.bytes, m_key.length);
        return 0;
    }

    int giveUp(const char* text)
    {
        showError(kDefragTitle, text);
        m_status.clear();
        m_menu.update();
        return -1;
    }

    Menu& m_menu;
    GlobalStatus& m_status;
    KeyBuffer m_key;
};

} // namespace

int Menu::onTools()
{
    for (;;) {
        const Archive* archive = archives()->get(pGlobalStatus->iArchiveID);
        if (!archive) {
            showError(kToolsTitle, "The QEL file is not loaded.");
            return 0;
        }
        Panel* panel = panelOf(*pResourceManager, SR_TOOLS_PANEL);
        if (!panel) {
            showError(kToolsTitle, "The QEL tools panel is not available.");
            return 0;
        }
        const float fragmentation = fillToolsPanel(*panel, *archive, pGlobalStatus->sArchivePath.c_str());
        const int result = runPanel("QEL Info and Options", *panel);
        if (result == TW_SHOW_BLOCKS) {
            onShowBlocks();
            continue;
        }
        if (result != TW_DEFRAG)
            return actionResult(result);
        if (tool()->messageBox("Defrag/resize the QEL file", defragQuestion(pGlobalStatus->sArchivePath.c_str()).c_str(),
                               MBB_YESNO, MBT_INFORMATION, 0, -1, -1)
            != MBB_YES)
            continue;
        const WidgetNumberEdit* field = panel->getNumberEdit(TW_MAX_BLOCKS);
        const int newLimit = field ? static_cast<int>(field->getValue()) : archive->getBlockLimit();
        if (newLimit == archive->getBlockLimit() && std::fabs(fragmentation) <= kNoFragmentation)
            continue;
        if (ArchiveRewrite(*this, *pGlobalStatus).run(*archive, newLimit) != 0)
            return -1;
    }
}

int Menu::onShowBlocks() const
{
    const Archive* archive = archives()->get(pGlobalStatus->iArchiveID);
    Panel* panel = panelOf(*pResourceManager, SR_BLOCKS_PANEL);
    if (!archive || !panel)
        return 0;
    if (WidgetTextEdit* table = panel->getTextEdit(BT_TABLE))
        writeBlockTable(*table, *archive);
    return actionResult(runPanel("QEL Blocks Information", *panel));
}

int Menu::onInfo() const
{
    // The engine reads a panel run without its panel as a quit request.
    const Panel* panel = panelOf(*pResourceManager, SR_INFO_PANEL);
    if (!panel)
        return 0;
    const int result = runPanel(kSkardenNameVersion, *panel);
    if (result != IP_CHANGELOG)
        return actionResult(result);
    const std::string changeLog = std::string(tool()->fileGetExePath().c_str()) + "/CHANGELOG.md";
    openDocument(changeLog.c_str());
    return 0;
}
