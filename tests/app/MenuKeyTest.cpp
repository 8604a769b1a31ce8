// The key panel: the key prompt other actions use, the lock/unlock action
// that sets the key and encrypts or decrypts the index, and the key the
// editor remembers.
#include "app/AppFixture.h"
#include "app/KeyBuffer.h"
#include "app/KeyPanelScript.h"
#include "app/Menu.h"

#include "core/FileIO.h"

#include <Zelkoran/Archive.h>

#include <SDL_events.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

namespace TS = editortest::TS;
using Zelkoran::Main;

const std::string k40 = "0123456789abcdefghijABCDEFGHIJ0123456789";

class MenuKeyTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
        script.install();
        app.runPass();
    }

    GlobalStatus& gs() { return *app.globalStatus(); }
    Zelkoran::Panel* keyPanel() { return editortest::panel(app.resources()->get(SR_SECURE_PANEL)); }
    Zelkoran::Archive* openedArchive() { return Main::instance()->archiveMgr()->get(gs().iArchiveID); }
    bool usable(int buttonId) { return menuPanel()->getButton(buttonId)->status() != 0; }
    std::string remembered() { return std::string(reinterpret_cast<const char*>(gs().szKey), gs().iKeyLength); }

    // True when a quit request is waiting in the queue (the events are consumed).
    static bool quitQueued()
    {
        const auto events = TS::pump();
        return std::any_of(events.begin(), events.end(), [](const SDL_Event& e) { return e.type == SDL_QUIT; });
    }

    KeyPanelScript script{app};
};

// ---------------------------------------------------------------------------
// The key prompt.

TEST_F(MenuKeyTest, ThePromptTakesTheFirst32BytesOfTheTypedKey)
{
    script.answer(k40);
    KeyBuffer key;

    EXPECT_EQ(app.menu()->secureModalPanel("Enter the key, please:", key), 1);

    EXPECT_EQ(key.length, 32u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(key.bytes)), k40.substr(0, 32));
    ASSERT_EQ(script.seen().size(), 1u);
    const KeyPanelScript::Seen& seen = script.seen()[0];
    EXPECT_EQ(seen.title, "Enter the key, please:");
    EXPECT_EQ(seen.confirmText, "OK");
    EXPECT_FALSE(seen.indexShown);
    EXPECT_EQ(seen.keyText, "");
    EXPECT_FALSE(keyPanel()->isShown());
}

TEST_F(MenuKeyTest, ConfirmingAnEmptyKeyIsACancel)
{
    script.answer("", KeyPanelScript::OK);
    script.answer("typed", KeyPanelScript::CANCEL);
    KeyBuffer key;

    EXPECT_EQ(app.menu()->secureModalPanel("Key:", key), 2);
    EXPECT_EQ(key.length, 0u);
    EXPECT_EQ(app.menu()->secureModalPanel("Key:", key), 2);
    // The next prompt starts empty again.
    EXPECT_EQ(script.seen()[1].keyText, "");
}

TEST_F(MenuKeyTest, AQuitRequestStandsAgainstAClickOnOkInTheSameDrain)
{
    script.answer("secret", KeyPanelScript::OK, true);
    KeyBuffer key;

    EXPECT_EQ(app.menu()->secureModalPanel("Key:", key), 256);

    EXPECT_FALSE(keyPanel()->isShown());
    // Posted again, so the main loop ends even when the caller cannot pass
    // the result on.
    EXPECT_TRUE(quitQueued());
}

TEST_F(MenuKeyTest, WithoutTheKeyPanelThePromptIsACancelAndTheKeyUntouched)
{
    Main::instance()->guiMgr()->close(app.resources()->get(SR_SECURE_PANEL));
    KeyBuffer key;
    key.assign("kept", 4);

    EXPECT_EQ(app.menu()->secureModalPanel("Key:", key), 2);
    EXPECT_EQ(key.length, 4u);
    EXPECT_EQ(app.menu()->runModalPanel(app.resources()->get(SR_SECURE_PANEL), [](int) { return 1; }), -1);
    EXPECT_EQ(app.menu()->onSecure(), -1);
}

TEST_F(MenuKeyTest, RememberingReplacesTheKeyAndAnEmptyKeyForgetsIt)
{
    app.menu()->rememberQELKey(k40.data(), static_cast<uint32_t>(k40.size()));
    EXPECT_EQ(gs().bKeyRemembered, 1);
    EXPECT_EQ(remembered(), k40.substr(0, 32));
    EXPECT_EQ(gs().szKey[32], 0);

    app.menu()->rememberQELKey("abc", 3);
    EXPECT_EQ(remembered(), "abc");
    EXPECT_EQ(gs().szKey[3], 0); // the longer key is gone

    app.menu()->rememberQELKey(nullptr, 5);
    EXPECT_EQ(gs().bKeyRemembered, 0);
    EXPECT_EQ(gs().iKeyLength, 0u);
    EXPECT_EQ(gs().szKey[0], 0);
}

// ---------------------------------------------------------------------------
// The lock/unlock action.

TEST_F(MenuKeyTest, WithoutAnArchiveTheActionDoesNothing)
{
    EXPECT_EQ(app.menu()->onSecure(), -1);
    EXPECT_TRUE(script.seen().empty());
}

TEST_F(MenuKeyTest, EncryptingThenDecryptingTheIndexSwapsLockAndUnlock)
{
    openArchive(kMixedBlocks);
    ASSERT_TRUE(usable(Menu::MB_LOCK));
    script.answer(k40, KeyPanelScript::INDEX);
    TS::pushAnswer(0); // the confirmation closes by itself

    EXPECT_EQ(app.menu()->processEvent(Menu::MB_LOCK, 0), 0);

    EXPECT_TRUE(openedArchive()->isEncrypted());
    EXPECT_EQ(gs().bSecured, 1);
    EXPECT_EQ(remembered(), k40.substr(0, 32));
    EXPECT_FALSE(usable(Menu::MB_LOCK));
    EXPECT_TRUE(usable(Menu::MB_UNLOCK));
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_STREQ(TS::modalLog()[0].title.c_str(), "QEL encryption");
    EXPECT_STREQ(TS::modalLog()[0].text.c_str(),
                 "QEL index encrypted.\n13 blocks stay readable without the key until they are saved again.");
    EXPECT_EQ(TS::modalLog()[0].buttons, 0);
    EXPECT_EQ(TS::modalLog()[0].type, 3);
    const KeyPanelScript::Seen& locking = script.seen()[0];
    EXPECT_EQ(locking.title, "QEL encryption and password");
    EXPECT_EQ(locking.confirmText, "Set key");
    EXPECT_EQ(locking.indexText, "Encrypt index");
    EXPECT_TRUE(locking.indexShown);
    EXPECT_EQ(locking.keyText, "");

    // Reopened, the panel shows the remembered key and offers decryption.
    script.answer("", KeyPanelScript::INDEX);
    TS::pushAnswer(0);
    EXPECT_EQ(app.menu()->processEvent(Menu::MB_UNLOCK, 0), 0);

    EXPECT_EQ(script.seen()[1].keyText, k40.substr(0, 32));
    EXPECT_EQ(script.seen()[1].indexText, "Decrypt index");
    EXPECT_FALSE(openedArchive()->isEncrypted());
    EXPECT_EQ(gs().bSecured, 0);
    EXPECT_TRUE(usable(Menu::MB_LOCK));
    EXPECT_STREQ(TS::modalLog()[1].text.c_str(), "QEL index decrypted.");
}

TEST_F(MenuKeyTest, AKeyTheArchiveRefusesIsNotRemembered)
{
    // Blocks encrypted with another key.
    const std::string path = folder.path("locked.qel");
    {
        Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->create(path.c_str(), 0);
        Zelkoran::Archive* archive = archives->get(id);
        ASSERT_EQ(archive->setKey("first key", 9), 0);
        Zelkoran::Archive::Block block("vault", "ZK7_FILE");
        block.storage = Zelkoran::Archive::ST_ENCRYPTED;
        block.data = const_cast<char*>("gold");
        block.size = 4;
        ASSERT_EQ(archive->blockAdd(block), 0);
        archives->close(id);
    }
    editortest::openAsEditorArchive(gs(), path);
    app.menu()->rememberQELKey("first key", 9);
    app.menu()->update();
    script.answer("other", KeyPanelScript::OK);           // Set key: refused
    script.answer("", KeyPanelScript::CANCEL);
    TS::pushAnswer(1);

    EXPECT_EQ(app.menu()->onSecure(), 0);

    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_STREQ(TS::modalLog()[0].text.c_str(),
                 "This QEL already contains encrypted data. The key cannot be changed while it is open.");
    EXPECT_EQ(TS::modalLog()[0].type, 1);
    EXPECT_EQ(remembered(), "first key");
    EXPECT_EQ(script.seen()[0].keyText, "first key");
}

TEST_F(MenuKeyTest, AnEmptyKeyIsRefusedWithAWarningAndThePanelComesBack)
{
    openArchive(kMixedBlocks);
    script.answer("", KeyPanelScript::OK);
    script.answer("", KeyPanelScript::INDEX);
    script.answer("", KeyPanelScript::CANCEL);
    TS::pushAnswer(1);
    TS::pushAnswer(1);

    EXPECT_EQ(app.menu()->onSecure(), 0);

    ASSERT_EQ(TS::modalLog().size(), 2u);
    for (const auto& box : TS::modalLog()) {
        EXPECT_STREQ(box.text.c_str(), "Enter a password before setting the QEL key.");
        EXPECT_EQ(box.type, 2);
    }
    EXPECT_EQ(script.seen().size(), 3u);
    EXPECT_FALSE(openedArchive()->isEncrypted());
    EXPECT_EQ(gs().bKeyRemembered, 0);
}

TEST_F(MenuKeyTest, AnIndexThatCannotBeEncryptedIsReportedAndThePanelComesBack)
{
    openArchive(kMixedBlocks);
    script.answer("secret", KeyPanelScript::INDEX);
    script.answer("", KeyPanelScript::CANCEL);
    TS::pushAnswer(1);
    Zelkoran::setFaultHook([](Zelkoran::IoOp op, uint64_t, size_t) -> int64_t {
        return op == Zelkoran::IoOp::Write ? -1 : INT64_MAX;
    });

    const int result = app.menu()->onSecure();

    Zelkoran::setFaultHook(nullptr);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_STREQ(TS::modalLog()[0].text.c_str(), "Could not update the QEL index encryption state.");
    EXPECT_FALSE(openedArchive()->isEncrypted());
    EXPECT_EQ(gs().bSecured, 0);
    EXPECT_EQ(script.seen().size(), 2u);
}

TEST_F(MenuKeyTest, QuittingWhileThePanelIsUpEndsTheProgram)
{
    openArchive(kMixedBlocks);
    script.answer("secret", KeyPanelScript::CANCEL, true);

    EXPECT_EQ(app.menu()->processEvent(Menu::MB_LOCK, 0), 256);

    EXPECT_FALSE(keyPanel()->isShown());
    EXPECT_FALSE(openedArchive()->isEncrypted());
    EXPECT_TRUE(quitQueued());
}

} // namespace
