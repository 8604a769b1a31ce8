#include "app/LegacyUpgradeDialog.h"

#include <Zelkoran/Result.h>

#include <utility>

namespace {

constexpr const char* kNewKeyPrompt = "Enter a new QELv2 key for migrated encrypted blocks:";
constexpr const char* kOldKeyPrompt = "QELv1 encrypted index detected. Enter the old QELv1 key:";

constexpr const char* kBlocksIntro = "This QELv1 contains legacy encrypted blocks. Skarden can read them with the "
                                     "built-in legacy block key.\n\n";
constexpr const char* kBlocksSameKey = "If you keep them encrypted in QELv2, the QEL index key you already entered "
                                       "will also be used for these blocks.\n";
constexpr const char* kBlocksNewKey = "If you keep them encrypted in QELv2, you will be asked for a new QELv2 key. "
                                      "Games and tools must provide that key to load these blocks.\n";
constexpr const char* kBlocksChoice =
    "Choose Yes to keep them encrypted, or No to store them raw and log every converted block.";

constexpr int kYes = 4;
constexpr int kNo = 8;

} // namespace

LegacyUpgradeDialog::LegacyUpgradeDialog(UpgradeQuestions& questions, UpgradeRoutine routine)
    : m_questions(questions), m_routine(std::move(routine))
{
}

int LegacyUpgradeDialog::run(const Zelkoran::String& path, KeyBuffer& key)
{
    m_policy = LQEB_ASK;
    m_keyEntered = m_oldKeyAsked = false;
    m_upgraded = m_needKey = m_hasEncryptedBlocks = false;
    bool retried = false;
    int result = m_routine(path, nullptr, 0, LQEB_ASK, m_upgraded, m_needKey, m_hasEncryptedBlocks);
    for (int calls = 1; calls < kMaxCalls; ++calls) {
        // With a wrong key the decrypted index fails the header checksum.
        const bool wrongKey = result == LQR_CORRUPT && m_oldKeyAsked;
        if (wrongKey)
            m_questions.sayKeyWrong();
        bool answered = false;
        if (wrongKey && !retried)
            answered = retried = askForKey(key);
        else if (result == Zelkoran::RC_ERR_KEY)
            answered = m_needKey ? askForKey(key) : m_hasEncryptedBlocks && askForPolicy();
        else
            break;
        if (!answered)
            return -1;
        result = call(path, key);
    }
    return result == 0 ? 0 : -1;
}

bool LegacyUpgradeDialog::askForKey(KeyBuffer& key)
{
    const char* prompt = m_policy == LQEB_KEEP_ENCRYPTED && !m_keyEntered ? kNewKeyPrompt : kOldKeyPrompt;
    m_oldKeyAsked = prompt == kOldKeyPrompt;
    key.wipe();
    if (m_questions.askKey(prompt, key) != 1)
        return false;
    m_keyEntered = true;
    return true;
}

bool LegacyUpgradeDialog::askForPolicy()
{
    // The routine asks this only past the header checksum: the key opened
    // the index, and a later mismatch is damage.
    m_oldKeyAsked = false;
    Zelkoran::String text = kBlocksIntro;
    text += m_keyEntered ? kBlocksSameKey : kBlocksNewKey;
    text += kBlocksChoice;
    const int answer = m_questions.askKeepEncryptedBlocks(text.c_str());
    if (answer == kYes)
        m_policy = LQEB_KEEP_ENCRYPTED;
    else if (answer == kNo)
        m_policy = LQEB_STORE_RAW;
    else
        return false;
    return true;
}

int LegacyUpgradeDialog::call(const Zelkoran::String& path, const KeyBuffer& key)
{
    m_needKey = m_hasEncryptedBlocks = false;
    const void* bytes = m_keyEntered ? key.bytes : nullptr;
    const uint32_t length = m_keyEntered ? key.length : 0;
    return m_routine(path, bytes, length, m_policy, m_upgraded, m_needKey, m_hasEncryptedBlocks);
}
