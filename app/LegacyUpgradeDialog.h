// The question-and-answer loop of the open flow around the QELv1 upgrade:
// the upgrade routine says what it needs (a key, or what to do with legacy
// encrypted blocks), the user is asked, the routine is called again.
// Main thread only.
#pragma once

#include "app/KeyBuffer.h"
#include "import/legacy/LegacyQELUpgrade.h"

#include <functional>

// What the loop asks the user.
class UpgradeQuestions {
public:
    virtual ~UpgradeQuestions() = default;
    // Shows the key prompt; 1 with a non-empty key in key, anything else
    // means no key (cancelled, empty, quit).
    virtual int askKey(const char* prompt, KeyBuffer& key) = 0;
    // Asks whether legacy encrypted blocks stay encrypted: 4 Yes, 8 No,
    // anything else means no answer.
    virtual int askKeepEncryptedBlocks(const char* text) = 0;
    // Tells the user that the old key given does not open the index.
    virtual void sayKeyWrong() = 0;
};

// upgradeLegacyQELFileToQELv2's signature.
using UpgradeRoutine = std::function<int(const Zelkoran::String& path, const void* key, uint32_t keyLength,
                                         eLegacyQELEncryptedBlockPolicy policy, bool& upgraded, bool& needKey,
                                         bool& hasEncryptedBlocks)>;

class LegacyUpgradeDialog {
public:
    // The routine is called at most this often for one file.
    static constexpr int kMaxCalls = 5;

    explicit LegacyUpgradeDialog(UpgradeQuestions& questions, UpgradeRoutine routine = upgradeLegacyQELFileToQELv2);

    // Runs the routine on the file at path until it is settled. 0: the file
    // is ready to be opened as QELv2 (keyEntered() tells whether key holds
    // the key to open it with); -1: the upgrade failed, the user gave no
    // answer, or the routine did not settle in kMaxCalls calls. An old key
    // that does not open the index is said to be wrong and asked once
    // more, as the open of an encrypted QELv2 index does.
    int run(const Zelkoran::String& path, KeyBuffer& key);
    bool keyEntered() const { return m_keyEntered; }

private:
    // One answer and the call after it; false when there is no answer.
    bool askForKey(KeyBuffer& key);
    bool askForPolicy();
    int call(const Zelkoran::String& path, const KeyBuffer& key);

    UpgradeQuestions& m_questions;
    UpgradeRoutine m_routine;
    eLegacyQELEncryptedBlockPolicy m_policy = LQEB_ASK;
    bool m_keyEntered = false;
    bool m_oldKeyAsked = false; // the last key asked for was the index's
    bool m_upgraded = false;
    bool m_needKey = false;
    bool m_hasEncryptedBlocks = false;
};
