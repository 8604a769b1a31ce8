// The archive key: the key panel run modally, the key prompt of the other
// actions, the lock/unlock action (key, index encryption) and the key the
// editor remembers in GlobalStatus.
#include "services/ArchiveFailureText.h"
#include "app/EncryptedArchiveRecord.h"
#include "app/EventRoute.h"
#include "services/FixedPanelIds.h"
#include "services/GlobalStatus.h"
#include "app/KeyBuffer.h"
#include "app/ReadableBlocks.h"
#include "app/Menu.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

#include <SDL_events.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace Zelkoran;

namespace {

// Results of the modal runs.
constexpr int kConfirmed = 1;
constexpr int kCancelled = 2;

constexpr const char* kEncryptionTitle = "QEL encryption";

void placeButton(Panel* panel, int id, float x)
{
    if (WidgetButton* button = panel->getButton(id))
        button->setPosition(ui::centred(x), ui::bottom(-10));
}

void labelButton(Panel* panel, int id, const char* text)
{
    if (WidgetButton* button = panel->getButton(id))
        button->setText(text);
}

// The key field, emptied or showing text, with the keyboard focus so the
// user can type at once.
void prepareKeyField(Panel* panel, const char* text)
{
    if (WidgetTextEdit* edit = panel->getTextEdit(KP_KEY)) {
        edit->setText(text);
        Main::instance()->guiMgr()->setFocus(edit);
    }
}

// The text typed into the key field; the caller wipes it.
String typedKey(Panel* panel)
{
    const WidgetTextEdit* edit = panel ? panel->getTextEdit(KP_KEY) : nullptr;
    return edit ? edit->getText() : String();
}

void wipe(String& text) { OPENSSL_cleanse(text.data(), text.size()); }

void showBox(const char* text, int type)
{
    Main::instance()->tool()->messageBox(kEncryptionTitle, text, MBB_OK, type, 0, -1, -1);
}

} // namespace

Panel* Menu::securePanel() const
{
    const int id = pResourceManager->get(SR_SECURE_PANEL);
    return id > 0 ? Main::instance()->guiMgr()->getPanel(id) : nullptr;
}

int Menu::runModalPanel(int panelId, const std::function<int(int)>& fn) const
{
    Main* engine = Main::instance();
    GUIMgr* gui = engine->guiMgr();
    Panel* panel = gui->getPanel(panelId);
    if (!panel)
        return -1;
    panel->baseWidget()->show();
    gui->pushModal(panelId);
    LoopResult result;
    while (result.get() == 0) {
        result = LoopResult();
        SDL_Event event;
        while (engine->update(&event)) {
            if (event.type == SDL_QUIT)
                result.assign(LoopResult::kQuitRequest);
            else if (event.type == kGUIEventType && event.user.code == GE_ACTION)
                result.assign(fn(eventInt(event.user.data1)));
        }
    }
    gui->popModal();
    if (Panel* shown = gui->getPanel(panelId))
        shown->baseWidget()->hide();
    // Callers that cannot pass 256 on take it as a cancel; the main loop
    // must still end.
    if (result.quitRequested()) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    return result.get();
}

int Menu::secureModalPanel(const char* prompt, KeyBuffer& key) const
{
    Panel* panel = securePanel();
    if (!panel)
        return kCancelled;
    panel->setTitle(prompt, ui::centred(), ui::top(10));
    labelButton(panel, KP_CONFIRM, "OK");
    placeButton(panel, KP_CONFIRM, -60);
    placeButton(panel, KP_CANCEL, 60);
    if (WidgetButton* index = panel->getButton(KP_INDEX))
        index->hide();
    prepareKeyField(panel, "");

    const int result = runModalPanel(panel->getID(), [](int widgetId) {
        return widgetId == KP_CONFIRM ? kConfirmed : widgetId == KP_CANCEL ? kCancelled : 0;
    });

    String text = typedKey(securePanel());
    if (text.empty()) {
        key.wipe();
        return result == kConfirmed ? kCancelled : result;
    }
    key.assign(text.data(), text.size());
    wipe(text);
    return result;
}

int Menu::setQELKeyFromSecurePanel(Archive* archive, Panel* panel)
{
    if (!archive || !panel)
        return -1;
    String text = typedKey(panel);
    if (text.empty()) {
        showBox("Enter a password before setting the QEL key.", MBT_WARNING);
        return -1;
    }
    KeyBuffer key;
    key.assign(text.data(), text.size());
    wipe(text);
    if (archive->setKey(key.bytes, key.size()) == 0) {
        rememberQELKey(key.bytes, key.length);
        return 0;
    }
    if (isSecured(*archive))
        showBox("This QEL already contains encrypted data. The key cannot be changed while it is open.", MBT_ERROR);
    else
        showBox("Could not set the QEL key.", MBT_ERROR);
    return -1;
}

void Menu::rememberQELKey(const void* key, uint32_t length)
{
    pGlobalStatus->wipeKey();
    pGlobalStatus->bKeyRemembered = 0;
    if (!key || length == 0)
        return;
    const uint32_t n = std::min(length, GlobalStatus::kMaxKeyLength);
    memcpy(pGlobalStatus->szKey, key, n);
    pGlobalStatus->iKeyLength = n;
    pGlobalStatus->bKeyRemembered = 1;
}

void Menu::dressLockPanel(Panel* panel, const Archive& archive) const
{
    panel->setTitle("QEL encryption and password", ui::centred(), ui::top(10));
    labelButton(panel, KP_CONFIRM, "Set key");
    placeButton(panel, KP_CONFIRM, -115);
    labelButton(panel, KP_INDEX, archive.isEncrypted() ? "Decrypt index" : "Encrypt index");
    placeButton(panel, KP_INDEX, 0);
    if (WidgetButton* index = panel->getButton(KP_INDEX))
        index->show();
    placeButton(panel, KP_CANCEL, 115);
    prepareKeyField(panel, pGlobalStatus->bKeyRemembered ? reinterpret_cast<const char*>(pGlobalStatus->szKey) : "");
}

int Menu::onSecure()
{
    Archive* archive = Main::instance()->archiveMgr()->get(pGlobalStatus->iArchiveID);
    Panel* panel = securePanel();
    if (!archive || !panel)
        return -1;
    for (;;) {
        dressLockPanel(panel, *archive);
        const int result = runModalPanel(panel->getID(), [](int widgetId) {
            return widgetId == KP_CONFIRM || widgetId == KP_INDEX ? widgetId : widgetId == KP_CANCEL ? kCancelled : 0;
        });
        if (result == KP_CONFIRM) {
            setQELKeyFromSecurePanel(archive, panel);
            continue;
        }
        if (result != KP_INDEX)
            return result == LoopResult::kQuitRequest ? result : 0;

        const bool decrypting = archive->isEncrypted();
        if (setQELKeyFromSecurePanel(archive, panel) != 0)
            continue;
        if ((decrypting ? archive->decrypt() : archive->encrypt()) != 0) {
            // Said here, while the panel is up, rather than after it closes.
            const String cause = archiveRefusalText(archive->takeRefusal(), archive->getName());
            const String text =
                "Could not update the QEL index encryption state." + (cause.empty() ? cause : "\n" + cause);
            showBox(text.c_str(), MBT_ERROR);
            continue;
        }
        pGlobalStatus->bSecured = isSecured(*archive);
        EncryptedArchiveRecord::note(archive->getName(), archive->isEncrypted());
        update();
        // Blocks stored in clear before stay so in the file: the user must
        // know that the key does not cover them yet.
        const std::string readable = decrypting ? std::string() : readableBlocksNotice(readableBlockCount(*archive));
        const std::string text = std::string(decrypting ? "QEL index decrypted." : "QEL index encrypted.") +
                                 (readable.empty() ? "" : "\n" + readable);
        Main::instance()->tool()->messageBox(kEncryptionTitle, text.c_str(), MBB_NONE, MBT_INFORMATION,
                                             readable.empty() ? 2000 : 5000, -1, -1);
        return 0;
    }
}
