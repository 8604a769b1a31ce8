#include "import/legacy/UpgradeFixture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

using qelv1::Bytes;
using qelv1::bytesOf;
using qelv1::prose;
using qelv1::Writer;

const std::string kKey = "legacy index key";

Bytes pattern(size_t size, uint8_t seed)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 7));
    return b;
}

Writer mixedArchive()
{
    Writer w;
    w.add(qelv1::raw("ZK7_FILE", "readme", bytesOf("plain bytes")))
        .add(qelv1::deleted("ZK7_IMAGE", "old", 1, pattern(64, 1)))
        .add(qelv1::compressed("ZK7_IMAGE", "hero", prose(5000)))
        .add(qelv1::empty())
        .add(qelv1::encrypted("ZK7_FILE", "secret", pattern(77, 9)))
        .add(qelv1::deleted("ZK7_FILE", "gone", 3, pattern(32, 4)));
    return w;
}

// ---------------------------------------------------------------------------
// Detection: anything but a QELv1.1 file is no concern of the upgrade.

TEST_F(UpgradeTest, FilesThatAreNotQELv1AreLeftAloneWithoutALogLine)
{
    LogCapture log(logDir.path("test.log"));
    Bytes qelv2(512, 0);
    std::memcpy(qelv2.data(), "ZK7QELv2", 8);
    Bytes v10 = mixedArchive().bytes();
    std::memcpy(v10.data(), "QELv1.0", 8);
    const Bytes sevenBytes = bytesOf("QELv1.1");
    const Bytes noZero = bytesOf("QELv1.1 and more");
    TestFolder::write(dir.path("qelv2.qel"), qelv2);
    TestFolder::write(dir.path("v10.qel"), v10);
    TestFolder::write(dir.path("seven.qel"), sevenBytes);
    TestFolder::write(dir.path("nozero.qel"), noZero);
    std::filesystem::create_directory(dir.path("folder.qel"));
    const auto before = dir.list();

    for (const char* name : {"missing.qel", "qelv2.qel", "v10.qel", "seven.qel", "nozero.qel", "folder.qel"}) {
        EXPECT_EQ(upgrade(dir.path(name), kKey, LQEB_STORE_RAW), kNotQELv1) << name;
        EXPECT_EQ(upgrade(dir.path(name)), kNotQELv1) << name;
    }
    EXPECT_EQ(dir.list(), before);
    EXPECT_EQ(TestFolder::read(dir.path("seven.qel")), sevenBytes);
    EXPECT_EQ(log.text().find("QELv1"), std::string::npos);
}

TEST_F(UpgradeTest, OnlyCallsCarryingAnAnswerLogTheDetection)
{
    Writer w = mixedArchive();
    w.indexKey = kKey;
    const std::string path = write(w);
    const std::string detected = "\n  QELv1 archive detected. Upgrading to QELv2...\n";
    {
        LogCapture log(logDir.path("first.log"));
        EXPECT_EQ(upgrade(path), kNeedKey);
        EXPECT_EQ(log.text().find(detected), std::string::npos);
    }
    {
        LogCapture log(logDir.path("policy.log"));
        EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kNeedKey);
        EXPECT_NE(log.text().find(detected), std::string::npos);
    }
    {
        LogCapture log(logDir.path("key.log"));
        EXPECT_EQ(upgradeRaw(path, nullptr, 4, LQEB_ASK), kNeedKey);
        EXPECT_NE(log.text().find(detected), std::string::npos);
    }
}

// ---------------------------------------------------------------------------
// The reader refuses damaged files before anything is written.

struct Refusal {
    const char* what;
    Writer writer;
    size_t truncateTo; // 0 = keep the whole file
    std::string key;
    int code;
};

std::vector<Refusal> headerAndIndexRefusals()
{
    std::vector<Refusal> cases;
    auto add = [&](const char* what, auto change, int code, size_t truncateTo = 0, std::string key = "") {
        Writer w = mixedArchive();
        change(w);
        cases.push_back({what, w, truncateTo, key, code});
    };
    add("count 0", [](Writer& w) { w.count = 0; }, LQR_BAD_SIZE);
    add("count 4097", [](Writer& w) { w.count = 4097; }, LQR_BAD_SIZE);
    add("count 0xFFFFFFFF", [](Writer& w) { w.count = 0xFFFFFFFFu; }, LQR_BAD_SIZE);
    add("unknown marker", [](Writer& w) { w.marker = "ClosedQEL "; }, LQR_FORMAT);
    add("marker without its blank", [](Writer& w) { w.marker = "OpenQEL_"; }, LQR_FORMAT);
    add("short header", [](Writer&) {}, LQR_READ_HEADER, 8 + 255);
    add("short index", [](Writer&) {}, LQR_READ_INDEX, 264 + 6 * 128 - 1);
    add("count beyond the file", [](Writer& w) { w.count = 4096; }, LQR_READ_INDEX);
    add("header checksum", [](Writer& w) { w.headerChecksum = 12345; }, LQR_CORRUPT);
    add("wrong index key", [](Writer& w) { w.indexKey = kKey; }, LQR_CORRUPT, 0, "another key");
    add("index key missing its last byte", [](Writer& w) { w.indexKey = kKey; }, LQR_CORRUPT, 0,
        kKey.substr(0, kKey.size() - 1));
    return cases;
}

class RefusalTest : public UpgradeTest {
protected:
    // The upgrade refuses the file with the case's code and leaves it alone.
    void expectRefused(const std::vector<Refusal>& cases)
    {
        for (const Refusal& c : cases) {
            SCOPED_TRACE(c.what);
            Bytes file = c.writer.bytes();
            if (c.truncateTo)
                file.resize(c.truncateTo);
            const std::string path = dir.path("game.qel");
            TestFolder::write(path, file);
            EXPECT_EQ(upgrade(path, c.key, LQEB_STORE_RAW), failed(c.code));
            EXPECT_EQ(TestFolder::read(path), file);
            expectFolderHolds({"game.qel"});
        }
    }
};

TEST_F(RefusalTest, DamagedHeadersAndIndexesAreRefusedAndNothingIsWritten)
{
    expectRefused(headerAndIndexRefusals());
}

TEST_F(UpgradeTest, HeaderChecksumCoversBytesTheReaderDoesNotInterpret)
{
    Bytes file = mixedArchive().bytes();
    file[8 + 60] ^= 1;
    const std::string path = dir.path("game.qel");
    TestFolder::write(path, file);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), failed(LQR_CORRUPT));

    // A plain index counts bytes 120..151 as stored.
    file = mixedArchive().bytes();
    file[8 + 130] ^= 1;
    TestFolder::write(path, file);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), failed(LQR_CORRUPT));
    expectFolderHolds({"game.qel"});
}

// Entries whose sizes, offsets, modes or checksums do not hold. Every one
// is refused, leaving the QELv1 file as it was and no file behind.
std::vector<Refusal> entryRefusals()
{
    using qelv1::Entry;
    std::vector<Refusal> cases;
    auto add = [&](const char* what, Entry bad, auto change, int code) {
        change(bad);
        Writer w;
        w.add(qelv1::raw("ZK7_FILE", "first", bytesOf("fine"))).add(std::move(bad));
        cases.push_back({what, w, 0, "", code});
    };
    const Entry raw = qelv1::raw("ZK7_FILE", "bad", pattern(100, 3));
    const Entry zlib = qelv1::compressed("ZK7_FILE", "bad", prose(4000));
    const Entry aes = qelv1::encrypted("ZK7_FILE", "bad", pattern(40, 5));

    add("raw block checksum", raw, [](Entry& e) { e.checksum = 1; }, LQR_CORRUPT);
    add("compressed block checksum", zlib, [](Entry& e) { e.checksum = 1; }, LQR_CORRUPT);
    add("encrypted block checksum", aes, [](Entry& e) { e.checksum = 1; }, LQR_CORRUPT);
    add("stored size 0", raw, [](Entry& e) { e.storedSize = 0; }, LQR_BAD_SIZE);
    add("raw data size beyond the stored size", raw, [](Entry& e) { e.dataSize = 101; }, LQR_BAD_SIZE);
    add("raw data size 4 GiB", raw, [](Entry& e) { e.dataSize = 0xFFFFFFFFu; }, LQR_BAD_SIZE);
    add("stored bytes one past the end", raw, [](Entry& e) { e.storedSize = 101; }, LQR_BAD_SIZE);
    add("offset beyond the file", raw, [](Entry& e) { e.offset = 0x7FFFFFF0u; }, LQR_BAD_SIZE);
    add("offset and stored size wrap 32 bits", raw,
        [](Entry& e) {
            e.offset = 0xFFFFFFF0u;
            e.storedSize = 0x20;
            e.dataSize = 0x20;
        },
        LQR_BAD_SIZE);
    add("storage mode 4", raw, [](Entry& e) { e.storage = 4; }, LQR_STORAGE_MODE);
    add("storage mode 0", raw, [](Entry& e) { e.storage = 0; }, LQR_STORAGE_MODE);
    add("encrypted stored size not a multiple of 16", aes, [](Entry& e) { e.storedSize = 47; }, LQR_BAD_SIZE);
    add("encrypted data size beyond the stored size", aes, [](Entry& e) { e.dataSize = 49; }, LQR_BAD_SIZE);
    add("broken zlib stream", zlib, [](Entry& e) { e.stored = bytesOf("this is not a zlib stream at all"); },
        LQR_CORRUPT);
    add("inflates to less than the data size", zlib, [](Entry& e) { e.dataSize = 4001; }, LQR_CORRUPT);
    add("inflates to more than the data size", zlib, [](Entry& e) { e.dataSize = 3999; }, LQR_CORRUPT);
    add("data size no deflate stream of that length can give", zlib, [](Entry& e) { e.dataSize = 0xFFFFFFFFu; },
        LQR_BAD_SIZE);
    add("block of 0 bytes with a wrong checksum", qelv1::raw("ZK7_FILE", "bad", {}), [](Entry& e) { e.checksum = 1; },
        LQR_CORRUPT);
    add("compressed block of 0 bytes without a stream", qelv1::compressed("ZK7_FILE", "bad", {}),
        [](Entry& e) { e.stored = Bytes(); }, LQR_CORRUPT);
    return cases;
}

TEST_F(RefusalTest, DamagedEntriesAreRefusedAndTheOriginalStays)
{
    expectRefused(entryRefusals());
}

// ---------------------------------------------------------------------------
// The question-and-answer protocol: -477 with the flag that says what is missing.

TEST_F(UpgradeTest, AnEncryptedIndexNeedsAUsableKeyWhateverThePolicy)
{
    Writer w = mixedArchive();
    w.indexKey = kKey;
    const std::string path = write(w);
    const Bytes original = TestFolder::read(path);
    const std::string longKey(33, 'k');
    for (eLegacyQELEncryptedBlockPolicy policy : {LQEB_ASK, LQEB_KEEP_ENCRYPTED, LQEB_STORE_RAW}) {
        SCOPED_TRACE(policy);
        EXPECT_EQ(upgrade(path, "", policy), kNeedKey);
        EXPECT_EQ(upgrade(path, longKey, policy), kNeedKey);
        EXPECT_EQ(upgradeRaw(path, nullptr, 5, policy), kNeedKey);
        EXPECT_EQ(upgradeRaw(path, kKey.data(), 0, policy), kNeedKey);
    }
    EXPECT_EQ(TestFolder::read(path), original);
    expectFolderHolds({"game.qel"});
}

TEST_F(UpgradeTest, LiveEncryptedBlocksAskForAPolicyThenForAKey)
{
    const std::string path = write(mixedArchive());
    const Bytes original = TestFolder::read(path);
    EXPECT_EQ(upgrade(path), kAskPolicy);
    EXPECT_EQ(upgrade(path, "", LQEB_KEEP_ENCRYPTED), kNeedKey);
    EXPECT_EQ(upgradeRaw(path, kKey.data(), 0, LQEB_KEEP_ENCRYPTED), kNeedKey);
    EXPECT_EQ(upgradeRaw(path, nullptr, 8, LQEB_KEEP_ENCRYPTED), kNeedKey);
    // A key alone does not answer the question.
    EXPECT_EQ(upgrade(path, kKey, LQEB_ASK), kAskPolicy);
    EXPECT_EQ(TestFolder::read(path), original);
    expectFolderHolds({"game.qel"});
}

TEST_F(UpgradeTest, DeletedAndEmptyEncryptedEntriesAskNothing)
{
    Writer w;
    w.add(qelv1::raw("ZK7_FILE", "only", bytesOf("live and raw")))
        .add(qelv1::deleted("ZK7_FILE", "was secret", 3, pattern(48, 2)));
    w.add(qelv1::Entry{"", "", 3, {}}); // a slot never used, marked encrypted
    const std::string path = write(w);
    EXPECT_EQ(upgrade(path), kUpgraded);
    const std::vector<StoredBlock> expected{{"only", "ZK7_FILE", 1, bytesOf("live and raw")}};
    EXPECT_EQ(readQELv2(path), expected);
}

TEST_F(UpgradeTest, TheOpenFlowsSequenceUpgradesAnEncryptedIndexWithEncryptedBlocks)
{
    Writer w = mixedArchive();
    w.indexKey = kKey;
    const std::string path = write(w);
    const Bytes original = TestFolder::read(path);

    EXPECT_EQ(upgrade(path), kNeedKey);
    EXPECT_EQ(upgrade(path, kKey, LQEB_ASK), kAskPolicy);
    expectFolderHolds({"game.qel"});
    EXPECT_EQ(upgrade(path, kKey, LQEB_KEEP_ENCRYPTED), kUpgraded);

    expectFolderHolds({"game.qel", "game.backup.qel"});
    EXPECT_EQ(TestFolder::read(dir.path("game.backup.qel")), original);
    bool isQELv2 = false, encryptedIndex = false, encryptedBlocks = false;
    EXPECT_EQ(getQELv2EncryptionState(Zelkoran::String(path.c_str()), isQELv2, encryptedIndex, encryptedBlocks), 0);
    EXPECT_TRUE(isQELv2);
    EXPECT_TRUE(encryptedIndex);
    EXPECT_TRUE(encryptedBlocks);
    EXPECT_EQ(Zelkoran::Main::instance()->archiveMgr()->load(path.c_str(), nullptr, 0), -477);

    // Under an encrypted index every block is stored encrypted.
    const std::vector<StoredBlock> expected{
        {"readme", "ZK7_FILE", 3, bytesOf("plain bytes")},
        {"hero", "ZK7_IMAGE", 3, prose(5000)},
        {"secret", "ZK7_FILE", 3, pattern(77, 9)},
    };
    EXPECT_EQ(readQELv2(path, kKey), expected);
}

TEST_F(UpgradeTest, IndexKeysOfOneAndOf32BytesAreUsedZeroFilled)
{
    for (const std::string& key : {std::string("k"), std::string(32, 'K')}) {
        SCOPED_TRACE(key.size());
        Writer w;
        w.indexKey = key;
        w.add(qelv1::raw("ZK7_FILE", "a", bytesOf("aaa")));
        const std::string path = write(w, "k" + std::to_string(key.size()) + ".qel");
        EXPECT_EQ(upgrade(path, key), kUpgraded);
        const std::vector<StoredBlock> expected{{"a", "ZK7_FILE", 3, bytesOf("aaa")}};
        EXPECT_EQ(readQELv2(path, key), expected);
    }
}

// ---------------------------------------------------------------------------
// What the new archive holds.

TEST_F(UpgradeTest, StoringEncryptedBlocksRawCopiesEveryLiveBlockAndLogsEachConversion)
{
    const std::string path = write(mixedArchive());
    const Bytes original = TestFolder::read(path);
    LogCapture log(logDir.path("test.log"));
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);

    int blockLimit = 0;
    const std::vector<StoredBlock> expected{
        {"readme", "ZK7_FILE", 1, bytesOf("plain bytes")},
        {"hero", "ZK7_IMAGE", 2, prose(5000)},
        {"secret", "ZK7_FILE", 1, pattern(77, 9)},
    };
    EXPECT_EQ(readQELv2(path, "", &blockLimit), expected);
    EXPECT_EQ(blockLimit, 6); // every QELv1 entry, deleted and empty ones too
    EXPECT_EQ(TestFolder::read(dir.path("game.backup.qel")), original);
    expectFolderHolds({"game.qel", "game.backup.qel"});

    const std::string text = log.text();
    EXPECT_NE(text.find("\n  QELv1 archive detected. Upgrading to QELv2...\n"
                        "  QELv1 encrypted block stored raw in QELv2: name='secret' type='ZK7_FILE' size=77 bytes.\n"
                        "  QELv1 upgraded to QELv2. Copied 3 block(s). Backup: "
                        + dir.path("game.backup.qel")
                        + "\n  Legacy encrypted blocks stored raw in QELv2: 1. Review the per-block log entries above "
                          "if needed.\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("kept encrypted"), std::string::npos);
}

TEST_F(UpgradeTest, KeepingEncryptedBlocksSetsTheKeyOnThePlainIndexedArchive)
{
    const std::string path = write(mixedArchive());
    LogCapture log(logDir.path("test.log"));
    EXPECT_EQ(upgrade(path, kKey, LQEB_KEEP_ENCRYPTED), kUpgraded);

    bool isQELv2 = false, encryptedIndex = true, encryptedBlocks = false;
    EXPECT_EQ(getQELv2EncryptionState(Zelkoran::String(path.c_str()), isQELv2, encryptedIndex, encryptedBlocks), 0);
    EXPECT_TRUE(isQELv2);
    EXPECT_FALSE(encryptedIndex);
    EXPECT_TRUE(encryptedBlocks);
    const std::vector<StoredBlock> expected{
        {"readme", "ZK7_FILE", 1, bytesOf("plain bytes")},
        {"hero", "ZK7_IMAGE", 2, prose(5000)},
        {"secret", "ZK7_FILE", 3, pattern(77, 9)},
    };
    EXPECT_EQ(readQELv2(path, kKey), expected);

    const std::string text = log.text();
    EXPECT_NE(text.find("  QELv1 upgraded to QELv2. Copied 3 block(s). Backup: " + dir.path("game.backup.qel")
                        + "\n  Legacy encrypted blocks kept encrypted in QELv2: 1.\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("stored raw"), std::string::npos);
}

TEST_F(UpgradeTest, XMLBlocksLoseOneTrailingZeroByte)
{
    Writer w;
    w.add(qelv1::raw("ZK7_XML", "two zeros", bytesOf(std::string("<a/>\0\0", 6))))
        .add(qelv1::compressed("ZK7_XML", "one zero", bytesOf(std::string("<b/>\0", 5))))
        .add(qelv1::encrypted("ZK7_XML", "no zero", bytesOf("<c/>")))
        .add(qelv1::raw("ZK7_XMLDOC", "other type", bytesOf(std::string("<d/>\0", 5))))
        .add(qelv1::raw("ZK7_FILE", "file", bytesOf(std::string("e\0", 2))));
    const std::string path = write(w);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);
    const std::vector<StoredBlock> expected{
        {"two zeros", "ZK7_XML", 1, bytesOf(std::string("<a/>\0", 5))},
        {"one zero", "ZK7_XML", 2, bytesOf("<b/>")},
        {"no zero", "ZK7_XML", 1, bytesOf("<c/>")},
        {"other type", "ZK7_XMLDOC", 1, bytesOf(std::string("<d/>\0", 5))},
        {"file", "ZK7_FILE", 1, bytesOf(std::string("e\0", 2))},
    };
    EXPECT_EQ(readQELv2(path), expected);
}

// A verified zlib stream needs no second deflate: the QELv2 file holds the
// QELv1 stream byte for byte (it was made at the default level, which the
// engine itself never writes), unless a fix-up changed the data.
TEST_F(UpgradeTest, VerifiedStreamsAreStoredUnchanged)
{
    const Bytes text = prose(20000);
    const Bytes xml = bytesOf(std::string("<a>text</a>\0", 12));
    Writer w;
    w.add(qelv1::compressed("ZK7_FILE", "prose", text)).add(qelv1::compressed("ZK7_XML", "doc", xml));
    const std::string path = write(w);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);

    const Bytes file = TestFolder::read(path);
    const Bytes stream = qelv1::deflate(text);
    EXPECT_NE(std::search(file.begin(), file.end(), stream.begin(), stream.end()), file.end());
    const std::vector<StoredBlock> expected{
        {"prose", "ZK7_FILE", 2, text},
        {"doc", "ZK7_XML", 2, Bytes(xml.begin(), xml.end() - 1)},
    };
    EXPECT_EQ(readQELv2(path), expected);
}

TEST_F(UpgradeTest, SpriteStateBitsBecomeStateNumbers)
{
    const std::vector<uint16_t> legacy{0x4005, 0x8000, 0x3000, 0xC011, 0x0102, 0x2000, 0x1000,
                                       0x0800, 0x0400, 0x0200, 0x00FF};
    const std::vector<uint16_t> migrated{0x0105, 0x0000, 0x3000, 0x0811, 0x0702, 0x0200, 0x0300,
                                         0x0400, 0x0500, 0x0600, 0x00FF};
    Bytes notVersion10 = qelv1::sprite({0x4005}, 9);
    Bytes countTooLarge = qelv1::sprite({0x4005, 0x4005});
    qelv1::putU32(countTooLarge.data() + 44, 3);
    Bytes negativeCount = qelv1::sprite({0x4005});
    qelv1::putU32(negativeCount.data() + 44, 0xFFFFFFFFu);
    Bytes truncated = qelv1::sprite({0x4005});
    truncated.resize(127);

    Writer w;
    w.add(qelv1::compressed("ZK7_SPRITE", "hero", qelv1::sprite(legacy)))
        .add(qelv1::raw("ZK7_SPRITE", "v9", notVersion10))
        .add(qelv1::raw("ZK7_SPRITE", "count", countTooLarge))
        .add(qelv1::raw("ZK7_SPRITE", "negative", negativeCount))
        .add(qelv1::raw("ZK7_SPRITE", "short", truncated))
        .add(qelv1::raw("ZK7_FILE", "not a sprite", qelv1::sprite({0x4005})));
    const std::string path = write(w);
    LogCapture log(logDir.path("test.log"));
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);

    const std::vector<StoredBlock> expected{
        {"hero", "ZK7_SPRITE", 2, qelv1::sprite(migrated)},
        {"v9", "ZK7_SPRITE", 1, notVersion10},
        {"count", "ZK7_SPRITE", 1, countTooLarge},
        {"negative", "ZK7_SPRITE", 1, negativeCount},
        {"short", "ZK7_SPRITE", 1, truncated},
        {"not a sprite", "ZK7_FILE", 1, qelv1::sprite({0x4005})},
    };
    EXPECT_EQ(readQELv2(path), expected);
    const std::string text = log.text();
    EXPECT_NE(text.find("  Migrated QELv1 sprite states for hero.\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("sprite states for v9"), std::string::npos);
    EXPECT_EQ(text.find("sprite states for count"), std::string::npos);
}

// Only a slot without data, name and type is empty; a named block of 0
// bytes is carried over in every storage mode.
TEST_F(UpgradeTest, BlocksOfZeroBytesAreCarriedOver)
{
    Writer w;
    w.add(qelv1::raw("ZK7_FILE", "first", bytesOf("1")))
        .add(qelv1::raw("ZK7_FILE", "empty raw", {}))
        .add(qelv1::empty())
        .add(qelv1::compressed("ZK7_IMAGE", "empty zlib", {}))
        .add(qelv1::encrypted("ZK7_FILE", "empty secret", {}))
        .add(qelv1::deleted("ZK7_FILE", "gone", 1, {}))
        .add(qelv1::raw("ZK7_XML", "empty xml", {}))
        .add(qelv1::raw("ZK7_FILE", "last", bytesOf("6")));
    const std::string path = write(w);
    LogCapture log(logDir.path("test.log"));
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);
    const std::vector<StoredBlock> expected{
        {"first", "ZK7_FILE", 1, bytesOf("1")},   {"empty raw", "ZK7_FILE", 1, {}},
        {"empty zlib", "ZK7_IMAGE", 2, {}},       {"empty secret", "ZK7_FILE", 1, {}},
        {"empty xml", "ZK7_XML", 1, {}},          {"last", "ZK7_FILE", 1, bytesOf("6")},
    };
    EXPECT_EQ(readQELv2(path), expected);
    EXPECT_NE(log.text().find("Copied 6 block(s)."), std::string::npos) << log.text();
}

TEST_F(UpgradeTest, AFullIndexOf4096EntriesIsAccepted)
{
    Writer w;
    w.add(qelv1::raw("ZK7_FILE", "first", bytesOf("1")));
    for (int i = 1; i < 4095; ++i)
        w.add(qelv1::empty());
    w.add(qelv1::raw("ZK7_FILE", "last", bytesOf("4096")));
    const std::string path = write(w);
    LogCapture log(logDir.path("test.log"));
    EXPECT_EQ(upgrade(path), kUpgraded);
    int blockLimit = 0;
    const std::vector<StoredBlock> expected{{"first", "ZK7_FILE", 1, bytesOf("1")},
                                            {"last", "ZK7_FILE", 1, bytesOf("4096")}};
    EXPECT_EQ(readQELv2(path, "", &blockLimit), expected);
    EXPECT_EQ(blockLimit, 4096);
    EXPECT_NE(log.text().find("Copied 2 block(s)."), std::string::npos);
}

// ---------------------------------------------------------------------------
// File names: nothing that exists is ever overwritten.

TEST_F(UpgradeTest, ExistingBackupsAndStaleTemporaryFilesAreKept)
{
    const std::string path = write(mixedArchive(), "a.qel");
    const Bytes original = TestFolder::read(path);
    const Bytes other{1, 2, 3};
    for (const char* name : {"a.backup.qel", "a.backup.bak.qel", "a.qel.upgrade.tmp.qel"})
        TestFolder::write(dir.path(name), other);

    LogCapture log(logDir.path("test.log"));
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);
    expectFolderHolds({"a.qel", "a.backup.qel", "a.backup.bak.qel", "a.backup.bak2.qel", "a.qel.upgrade.tmp.qel"});
    EXPECT_EQ(TestFolder::read(dir.path("a.backup.bak2.qel")), original);
    for (const char* name : {"a.backup.qel", "a.backup.bak.qel", "a.qel.upgrade.tmp.qel"})
        EXPECT_EQ(TestFolder::read(dir.path(name)), other) << name;
    EXPECT_NE(log.text().find("Backup: " + dir.path("a.backup.bak2.qel") + "\n"), std::string::npos);
}

TEST_F(UpgradeTest, TheBackupStaysBesideAFileWithoutExtensionInADottedFolder)
{
    std::filesystem::create_directory(dir.path("my.dir"));
    const std::string path = write(mixedArchive(), "my.dir/game");
    const Bytes original = TestFolder::read(path);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);
    expectFolderHolds({"my.dir", "my.dir/game", "my.dir/game.backup.qel"});
    EXPECT_EQ(TestFolder::read(dir.path("my.dir/game.backup.qel")), original);
}

TEST_F(UpgradeTest, ABackslashPathIsUpgradedInPlace)
{
    std::filesystem::create_directory(dir.path("sub"));
    const std::string path = write(mixedArchive(), "sub/game.qel");
    const std::string backslashed = dir.path("sub\\game.qel");
    EXPECT_EQ(upgrade(backslashed, "", LQEB_STORE_RAW), kUpgraded);
    expectFolderHolds({"sub", "sub/game.qel", "sub/game.backup.qel"});
    EXPECT_EQ(readQELv2(path).size(), 3u);
}

TEST_F(UpgradeTest, AnUpgradedFileIsNotUpgradedAgain)
{
    const std::string path = write(mixedArchive());
    ASSERT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);
    const Bytes upgraded = TestFolder::read(path);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kNotQELv1);
    EXPECT_EQ(TestFolder::read(path), upgraded);
    expectFolderHolds({"game.qel", "game.backup.qel"});
}

} // namespace
