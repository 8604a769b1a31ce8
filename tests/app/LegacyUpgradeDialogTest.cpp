// The open flow's loop around the QELv1 upgrade as a state machine: a
// scripted upgrade routine says what it needs, scripted answers reply, and
// the calls, prompts and questions are checked.
#include "app/LegacyUpgradeDialog.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

using Zelkoran::RC_ERR_KEY;

// One reply of the scripted routine.
struct Reply {
    int result;
    bool needKey = false;
    bool hasEncryptedBlocks = false;
};
const Reply kNeedKey{RC_ERR_KEY, true, false};
const Reply kAskPolicy{RC_ERR_KEY, false, true};
const Reply kDone{0};

// One call the routine received.
struct Call {
    std::string key; // "<null>" for a null key
    uint32_t keyLength;
    int policy;
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c)
{
    return out << "{" << c.key << ", " << c.keyLength << ", policy " << c.policy << "}";
}

const std::string kIntro = "This QELv1 contains legacy encrypted blocks. Skarden can read them with the built-in "
                           "legacy block key.\n\n";
const std::string kSameKey =
    "If you keep them encrypted in QELv2, the QEL index key you already entered will also be used for these "
    "blocks.\n";
const std::string kNewKey = "If you keep them encrypted in QELv2, you will be asked for a new QELv2 key. Games and "
                            "tools must provide that key to load these blocks.\n";
const std::string kChoice =
    "Choose Yes to keep them encrypted, or No to store them raw and log every converted block.";
const std::string kOldKeyPrompt = "QELv1 encrypted index detected. Enter the old QELv1 key:";
const std::string kNewKeyPrompt = "Enter a new QELv2 key for migrated encrypted blocks:";
const std::string kWrongKey = "<the key is wrong>";

class ScriptedQuestions : public UpgradeQuestions {
public:
    struct KeyAnswer {
        int result;
        std::string key;
    };
    std::deque<KeyAnswer> keys;
    std::deque<int> policies;
    std::vector<std::string> asked; // prompts and question texts in order
    bool keyWipedAtEveryPrompt = true;

    int askKey(const char* prompt, KeyBuffer& key) override
    {
        asked.push_back(prompt);
        static const uint8_t zeros[sizeof key.bytes] = {};
        keyWipedAtEveryPrompt = keyWipedAtEveryPrompt && key.length == 0 && memcmp(key.bytes, zeros, sizeof zeros) == 0;
        if (keys.empty()) {
            ADD_FAILURE() << "unexpected prompt " << prompt;
            return 2;
        }
        const KeyAnswer a = keys.front();
        keys.pop_front();
        key.assign(a.key.data(), a.key.size());
        return a.result;
    }

    void sayKeyWrong() override { asked.push_back(kWrongKey); }

    int askKeepEncryptedBlocks(const char* text) override
    {
        asked.push_back(text);
        if (policies.empty()) {
            ADD_FAILURE() << "unexpected question";
            return 2;
        }
        const int a = policies.front();
        policies.pop_front();
        return a;
    }
};

class UpgradeDialogTest : public ::testing::Test {
protected:
    // Runs the loop against a routine that gives the replies in order.
    int run(std::vector<Reply> replies)
    {
        std::deque<Reply> queue(replies.begin(), replies.end());
        LegacyUpgradeDialog dialog(questions, [&](const Zelkoran::String& path, const void* given, uint32_t keyLength,
                                                  eLegacyQELEncryptedBlockPolicy policy, bool& upgraded,
                                                  bool& needKey, bool& hasEncryptedBlocks) {
            EXPECT_STREQ(path.c_str(), "/data/game.qel");
            calls.push_back(Call{given ? std::string(static_cast<const char*>(given), keyLength) : "<null>", keyLength,
                                 policy});
            upgraded = needKey = hasEncryptedBlocks = false;
            if (queue.empty()) {
                ADD_FAILURE() << "unexpected call";
                return -1;
            }
            const Reply r = queue.front();
            queue.pop_front();
            needKey = r.needKey;
            hasEncryptedBlocks = r.hasEncryptedBlocks;
            upgraded = r.result == 0;
            return r.result;
        });
        const int result = dialog.run("/data/game.qel", key);
        keyEntered = dialog.keyEntered();
        EXPECT_TRUE(queue.empty()) << queue.size() << " replies left";
        return result;
    }

    std::string keyText() const { return std::string(reinterpret_cast<const char*>(key.bytes), key.length); }

    ScriptedQuestions questions;
    std::vector<Call> calls;
    KeyBuffer key;
    bool keyEntered = false;
};

const Call kFirstCall{"<null>", 0, LQEB_ASK};

TEST_F(UpgradeDialogTest, AFileThatNeedsNothingIsOpenedWithoutQuestions)
{
    EXPECT_EQ(run({kDone}), 0);
    EXPECT_EQ(calls, std::vector<Call>{kFirstCall});
    EXPECT_TRUE(questions.asked.empty());
    EXPECT_FALSE(keyEntered);
}

TEST_F(UpgradeDialogTest, AFailingFirstCallEndsAtOnce)
{
    EXPECT_EQ(run({{-1242}}), -1);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(UpgradeDialogTest, EncryptedIndexAndBlocksAskTheOldKeyThenKeepTheBlocksWithIt)
{
    questions.keys.push_back({1, "old key"});
    questions.policies.push_back(4);

    EXPECT_EQ(run({kNeedKey, kAskPolicy, kDone}), 0);

    EXPECT_EQ(questions.asked, (std::vector<std::string>{kOldKeyPrompt, kIntro + kSameKey + kChoice}));
    EXPECT_EQ(calls, (std::vector<Call>{kFirstCall, {"old key", 7, LQEB_ASK}, {"old key", 7, LQEB_KEEP_ENCRYPTED}}));
    EXPECT_TRUE(keyEntered);
    EXPECT_EQ(keyText(), "old key");
}

TEST_F(UpgradeDialogTest, PlainIndexWithEncryptedBlocksStoredRawAsksNoKey)
{
    questions.policies.push_back(8);

    EXPECT_EQ(run({kAskPolicy, kDone}), 0);

    EXPECT_EQ(questions.asked, (std::vector<std::string>{kIntro + kNewKey + kChoice}));
    EXPECT_EQ(calls, (std::vector<Call>{kFirstCall, {"<null>", 0, LQEB_STORE_RAW}}));
    EXPECT_FALSE(keyEntered);
}

TEST_F(UpgradeDialogTest, KeepingBlocksOfAPlainIndexAsksForANewKey)
{
    questions.policies.push_back(4);
    questions.keys.push_back({1, "new key!"});

    EXPECT_EQ(run({kAskPolicy, kNeedKey, kDone}), 0);

    EXPECT_EQ(questions.asked, (std::vector<std::string>{kIntro + kNewKey + kChoice, kNewKeyPrompt}));
    EXPECT_EQ(calls, (std::vector<Call>{kFirstCall, {"<null>", 0, LQEB_KEEP_ENCRYPTED},
                                        {"new key!", 8, LQEB_KEEP_ENCRYPTED}}));
    EXPECT_TRUE(keyEntered);
}

TEST_F(UpgradeDialogTest, ARoutineThatNeverSettlesIsCalledFiveTimes)
{
    for (int i = 0; i < 4; ++i)
        questions.keys.push_back({1, "key " + std::to_string(i)});

    EXPECT_EQ(run({kNeedKey, kNeedKey, kNeedKey, kNeedKey, kNeedKey}), -1);

    EXPECT_EQ(calls.size(), static_cast<size_t>(LegacyUpgradeDialog::kMaxCalls));
    EXPECT_EQ(questions.asked.size(), 4u);
    // The key buffer is wiped before every prompt.
    EXPECT_TRUE(questions.keyWipedAtEveryPrompt);
    EXPECT_EQ(calls.back(), (Call{"key 3", 5, LQEB_ASK}));
}

TEST_F(UpgradeDialogTest, AnswersThatAreNoAnswerEndTheUpgrade)
{
    for (int answer : {2, 256}) {
        SCOPED_TRACE(answer);
        calls.clear();
        questions.keys.push_back({answer, "typed anyway"});
        EXPECT_EQ(run({kNeedKey}), -1);
        EXPECT_EQ(calls.size(), 1u);
    }
    for (int answer : {0, 1, 2, 256}) {
        SCOPED_TRACE(answer);
        calls.clear();
        questions.policies.push_back(answer);
        EXPECT_EQ(run({kAskPolicy}), -1);
        EXPECT_EQ(calls.size(), 1u);
    }
}

TEST_F(UpgradeDialogTest, NeedsThatNameNothingFail)
{
    EXPECT_EQ(run({{RC_ERR_KEY}}), -1);
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(UpgradeDialogTest, AWrongOldKeyIsSaidAndAskedOnceMore)
{
    const Reply kMismatch{LQR_CORRUPT};
    const std::string kBlocks = kIntro + kNewKey + kChoice;
    struct Row {
        const char* label;
        std::vector<Reply> replies;
        std::deque<ScriptedQuestions::KeyAnswer> keys;
        std::deque<int> policies;
        int result;
        std::vector<std::string> asked;
        std::string lastKey; // of the last call
    };
    const Row rows[] = {
        {"wrong, then right", {kNeedKey, kMismatch, kDone}, {{1, "wrong"}, {1, "right"}}, {}, 0,
         {kOldKeyPrompt, kWrongKey, kOldKeyPrompt}, "right"},
        {"wrong twice", {kNeedKey, kMismatch, kMismatch}, {{1, "wrong"}, {1, "wrong again"}}, {}, -1,
         {kOldKeyPrompt, kWrongKey, kOldKeyPrompt, kWrongKey}, "wrong again"},
        {"wrong, then cancelled", {kNeedKey, kMismatch}, {{1, "wrong"}, {2, ""}}, {}, -1,
         {kOldKeyPrompt, kWrongKey, kOldKeyPrompt}, "wrong"},
        // A mismatch once the key opened the index, or after a new key, is damage.
        {"damage after the blocks question", {kNeedKey, kAskPolicy, kMismatch}, {{1, "right"}}, {8}, -1,
         {kOldKeyPrompt, kIntro + kSameKey + kChoice}, "right"},
        {"damage after a new key", {kAskPolicy, kNeedKey, kMismatch}, {{1, "new"}}, {4}, -1,
         {kBlocks, kNewKeyPrompt}, "new"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        calls.clear();
        questions.asked.clear();
        questions.keys = row.keys;
        questions.policies = row.policies;
        EXPECT_EQ(run(row.replies), row.result);
        EXPECT_EQ(questions.asked, row.asked);
        EXPECT_EQ(calls.back().key, row.lastKey);
    }
}

} // namespace
