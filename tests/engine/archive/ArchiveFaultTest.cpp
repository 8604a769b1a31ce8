// Interrupted writes: every write and flush of every kind of change is
// failed in turn, torn in half, or made the last thing the process did.
// Reopening must show the state before or after the change, never a mix.
#include "core/FileIO.h"
#include "ArchiveTestUtil.h"

#include <Zelkoran/Result.h>

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace testutil;
using Zelkoran::Archive;
namespace za = Zelkoran::archive;

namespace {

const std::string kKey = "fault-key";

// Every entry in index order with its data (empty for deleted entries).
struct Snapshot {
    std::vector<std::string> entries;
    std::map<std::string, Bytes> data;
    bool indexEncrypted = false;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(Archive* a)
{
    Snapshot s;
    s.indexEncrypted = a->isEncrypted();
    for (int i = 0; i < a->getIndexCount(); ++i) {
        Archive::Block b;
        EXPECT_EQ(a->blockAt(i, b), 0);
        std::string id = std::string(b.name) + "|" + std::string(b.type, strnlen(b.type, 16)) + "|"
                         + std::to_string(b.storage) + (b.deleted ? "|deleted" : "");
        s.entries.push_back(id);
        if (!b.deleted) {
            Bytes out;
            EXPECT_EQ(load(a, b.name, std::string(b.type, strnlen(b.type, 16)), out), 0) << id;
            s.data[id] = out;
        }
    }
    return s;
}

// Hook that fails operation number `failAt` (1-based) and, in crash mode,
// every operation after it. `tear` lets the failing write put half its bytes.
struct Fault {
    int failAt;
    bool crash;
    bool tear;
    int seen = 0;
    bool triggered = false;

    Zelkoran::FaultHook hook()
    {
        return [this](Zelkoran::IoOp op, uint64_t offset, size_t length) -> int64_t {
            ++seen;
            if (seen < failAt || (!crash && seen > failAt))
                return static_cast<int64_t>(length);
            triggered = true;
            // A device writes a 512-byte sector whole or not at all: the
            // header, one such sector, is never torn.
            const bool wholeSector = offset % 512 == 0 && length == 512;
            if (seen == failAt && tear && op == Zelkoran::IoOp::Write && !wholeSector)
                return static_cast<int64_t>(length / 2);
            return -1;
        };
    }
};

using Operation = std::function<int(Archive*)>;

class ArchiveFaults : public ::testing::Test {
protected:
    void TearDown() override
    {
        Zelkoran::setFaultHook(nullptr);
        mgr()->closeAll();
    }

    // A small archive with every kind of entry; its 16 index slots are all
    // used, so the next new entry moves the index.
    std::string prepareBase()
    {
        std::string path = dir.file("base.qel");
        int id = mgr()->create(path.c_str(), 16);
        Archive* a = mgr()->get(id);
        EXPECT_EQ(a->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
        for (int i = 0; i < 14; ++i)
            EXPECT_EQ(add(a, "b" + std::to_string(i), "ZK7_FILE", randomBytes(500 + i * 100, i), 1 + i % 3), 0);
        EXPECT_EQ(a->blockDelete(Archive::Block("b3", "ZK7_FILE")), 0);
        EXPECT_EQ(add(a, "b4", "ZK7_FILE", textBytes("replaced once"), 1), 0);
        EXPECT_EQ(add(a, "b14", "ZK7_XML", textBytes("<last/>"), 2), 0); // 16 entries
        mgr()->close(id);
        return path;
    }

    int openWork(const std::string& base)
    {
        std::string work = dir.file("work.qel");
        std::filesystem::copy_file(base, work, std::filesystem::copy_options::overwrite_existing);
        return mgr()->load(work.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    }

    // Runs op once cleanly for the "after" state, then under every fault.
    void checkOperation(const std::string& label, const Operation& op)
    {
        std::string base = prepareBase();
        int id = openWork(base);
        ASSERT_GT(id, 0);
        Snapshot before = snapshot(mgr()->get(id));
        ASSERT_EQ(op(mgr()->get(id)), 0) << label;
        Snapshot after = snapshot(mgr()->get(id));
        ASSERT_NE(before, after) << label;
        mgr()->close(id);

        for (int mode = 0; mode < 3; ++mode) {
            bool crash = mode != 1;
            bool tear = mode == 2;
            for (int failAt = 1;; ++failAt) {
                SCOPED_TRACE(label + " mode " + std::to_string(mode) + " failAt " + std::to_string(failAt));
                id = openWork(base);
                ASSERT_GT(id, 0);
                Fault fault{failAt, crash, tear};
                Zelkoran::setFaultHook(fault.hook());
                int rc = op(mgr()->get(id));
                if (!fault.triggered) {
                    Zelkoran::setFaultHook(nullptr);
                    ASSERT_EQ(rc, 0);
                    mgr()->close(id);
                    break;
                }
                if (!crash) {
                    // Only one write failed: the open archive carries on. A
                    // failure after the commit (wiping old versions) is no
                    // failure of the change.
                    Zelkoran::setFaultHook(nullptr);
                    if (rc == 0) {
                        EXPECT_EQ(snapshot(mgr()->get(id)), after);
                    } else {
                        EXPECT_EQ(snapshot(mgr()->get(id)), before);
                        ASSERT_EQ(op(mgr()->get(id)), 0);
                        EXPECT_EQ(snapshot(mgr()->get(id)), after);
                    }
                }
                mgr()->close(id); // in crash mode the final flush fails too
                Zelkoran::setFaultHook(nullptr);

                id = mgr()->load(dir.file("work.qel").c_str(), kKey.data(), static_cast<int>(kKey.size()));
                ASSERT_GT(id, 0);
                Snapshot reopened = snapshot(mgr()->get(id));
                EXPECT_TRUE(reopened == before || reopened == after);
                if (!crash) {
                    EXPECT_EQ(reopened, after);
                }
                EXPECT_EQ(mgr()->validate(id, true), 0);
                // And it takes further writes.
                EXPECT_EQ(add(mgr()->get(id), "later", "ZK7_XML", textBytes("<ok/>")), 0);
                mgr()->close(id);
            }
        }
    }

    ScratchDir dir;
};

TEST_F(ArchiveFaults, AddReplaceDeleteUndelete)
{
    checkOperation("add", [](Archive* a) { return add(a, "fresh", "ZK7_IMAGE", randomBytes(4000, 99), 2); });
    checkOperation("add encrypted", [](Archive* a) { return add(a, "fresh", "ZK7_IMAGE", randomBytes(4000, 98), 3); });
    checkOperation("replace", [](Archive* a) { return add(a, "b5", "ZK7_FILE", textBytes("new content"), 1); });
    checkOperation("delete", [](Archive* a) { return a->blockDelete(Archive::Block("b7", "ZK7_FILE")); });
    checkOperation("undelete", [](Archive* a) { return a->blockUndelete(3, "b3_back"); });
}

TEST_F(ArchiveFaults, IndexGrowthAndEncryption)
{
    checkOperation("grow", [](Archive* a) { return add(a, "b1", "ZK7_FILE", textBytes("replacing b1 needs a 17th slot")); });
    checkOperation("encrypt index", [](Archive* a) { return a->encrypt(); });
}

TEST_F(ArchiveFaults, DefragFailureKeepsTheOriginal)
{
    std::string base = prepareBase();
    Bytes original = readFile(base);
    for (int failAt = 1;; ++failAt) {
        writeFile(base, original);
        Fault fault{failAt, true, failAt % 2 == 0};
        Zelkoran::setFaultHook(fault.hook());
        int rc = mgr()->defrag(base.c_str(), 0, kKey.data(), static_cast<int>(kKey.size()));
        Zelkoran::setFaultHook(nullptr);
        if (!fault.triggered) {
            ASSERT_EQ(rc, 0);
            break;
        }
        if (rc != 0) {
            EXPECT_EQ(readFile(base), original) << "failAt " << failAt;
        }
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files += entry.is_regular_file();
        EXPECT_EQ(files, 1u) << "failAt " << failAt;
    }
    int id = mgr()->load(base.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    EXPECT_EQ(mgr()->get(id)->getBlockCount(), 14);
    EXPECT_EQ(mgr()->get(id)->getIndexCount(), 14);
    EXPECT_EQ(mgr()->validate(id, true), 0);
}

TEST_F(ArchiveFaults, UnrecoverableFailureRefusesFurtherWrites)
{
    std::string base = prepareBase();
    int id = openWork(base);
    ASSERT_GT(id, 0);
    Archive* a = mgr()->get(id);
    // The header write fails, and so does every write that would undo it.
    Fault fault{4, true, false};
    Zelkoran::setFaultHook(fault.hook());
    EXPECT_LT(add(a, "x", "ZK7_FILE", textBytes("x")), 0);
    Zelkoran::setFaultHook(nullptr);
    EXPECT_EQ(add(a, "y", "ZK7_FILE", textBytes("y")), Zelkoran::RC_ERR_POISONED);
    EXPECT_EQ(a->blockDelete(Archive::Block("b0", "ZK7_FILE")), Zelkoran::RC_ERR_POISONED);
    Bytes out;
    EXPECT_EQ(load(a, "b0", "ZK7_FILE", out), 0); // reading goes on
    mgr()->close(id);

    id = mgr()->load(dir.file("work.qel").c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    EXPECT_EQ(mgr()->validate(id, true), 0);
    EXPECT_EQ(add(mgr()->get(id), "y", "ZK7_FILE", textBytes("y")), 0);
}

// A real process killed at random moments of a write loop.
TEST_F(ArchiveFaults, KilledWriterLeavesAConsistentFile)
{
    std::string path = dir.file("killed.qel");
    int id = mgr()->create(path.c_str(), 100000);
    ASSERT_GT(id, 0);
    mgr()->close(id);
    auto payload = [](int i) { return randomBytes(static_cast<size_t>(64 + (i * 977) % 20000), static_cast<uint32_t>(i)); };

    std::mt19937 rng(1234);
    int lastCount = 0;
    for (int round = 0; round < 8; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int cid = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
            if (cid <= 0)
                _exit(3);
            Archive* a = mgr()->get(cid);
            Archive::Block last;
            if (a->blockAt(a->getIndexCount() - 1, last) == 0 && last.deleted)
                a->blockUndelete(a->getIndexCount() - 1, nullptr); // killed between the two
            for (int i = a->getBlockCount();; ++i) {
                if (add(a, "k" + std::to_string(i), "ZK7_FILE", payload(i), 1 + i % 3) != 0)
                    _exit(4);
                if (i % 7 == 0)
                    a->blockDelete(Archive::Block(("k" + std::to_string(i)).c_str(), "ZK7_FILE"));
                if (i % 7 == 0)
                    a->blockUndelete(a->getIndexCount() - 1, nullptr);
            }
        }
        // The writer first derives its key (scrypt, about 0.2 s).
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + rng() % 200));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer stopped by itself: " << status;

        id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
        ASSERT_GT(id, 0) << "round " << round;
        Archive* a = mgr()->get(id);
        int count = a->getBlockCount();
        EXPECT_GE(count, lastCount);
        for (int i = 0; i < count; ++i) {
            Bytes out;
            ASSERT_EQ(load(a, "k" + std::to_string(i), "ZK7_FILE", out), 0) << "round " << round << " block " << i;
            ASSERT_EQ(out, payload(i));
        }
        EXPECT_EQ(mgr()->validate(id, true), 0);
        lastCount = count;
        mgr()->close(id);
    }
    EXPECT_GT(lastCount, 0);
}


// A full disk: only pages written before it filled up take writes. Changes
// that need a new page fail like any failed change; none after is refused.
TEST_F(ArchiveFaults, AFullDiskFailsOnlyTheChangesThatNeedSpace)
{
    constexpr uint64_t kPage = 4096;
    std::set<uint64_t> allocated;
    bool full = false;
    Zelkoran::setWriteTap([&](Zelkoran::IoOp op, uint64_t, uint64_t offset, const void*, size_t length) {
        if (op == Zelkoran::IoOp::Write && !full)
            for (uint64_t page = offset / kPage; length && page <= (offset + length - 1) / kPage; ++page)
                allocated.insert(page);
    });
    Zelkoran::setFaultHook([&](Zelkoran::IoOp op, uint64_t offset, size_t length) -> int64_t {
        if (full && op == Zelkoran::IoOp::Write)
            for (uint64_t page = offset / kPage; length && page <= (offset + length - 1) / kPage; ++page)
                if (!allocated.count(page))
                    return -1;
        return static_cast<int64_t>(length);
    });
    const std::string path = dir.file("full.qel");
    int id = mgr()->create(path.c_str(), 1024);
    ASSERT_GT(id, 0);
    Archive* a = mgr()->get(id);
    // Slots 0 to 79; slot 80 is the first to start on a page of its own.
    for (int i = 0; i < 80; ++i)
        ASSERT_EQ(add(a, "b" + std::to_string(i), "ZK7_FILE", randomBytes(1000, i)), 0);
    full = true;
    struct Step {
        const char* what;
        std::function<int()> run;
        bool succeeds;
    };
    const Step steps[] = {
        {"add into the last data page", [&] { return add(a, "f80", "ZK7_FILE", randomBytes(1000, 80)); }, true},
        {"add past it", [&] { return add(a, "f81", "ZK7_FILE", randomBytes(1000, 81)); }, false},
        {"delete", [&] { return a->blockDelete(Archive::Block("b0", "ZK7_FILE")); }, true},
        {"small add", [&] { return add(a, "f82", "ZK7_FILE", randomBytes(8, 82)); }, true},
        {"undelete", [&] { return a->blockUndelete(0, nullptr); }, true},
    };
    for (const Step& step : steps) {
        const int rc = step.run();
        EXPECT_EQ(rc == 0, step.succeeds) << step.what << ": " << rc;
    }
    full = false;
    EXPECT_EQ(add(a, "after", "ZK7_FILE", randomBytes(5000, 99)), 0);
    mgr()->close(id);
    Zelkoran::setWriteTap(nullptr);

    id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    a = mgr()->get(id);
    EXPECT_EQ(mgr()->validate(id, true), 0);
    for (const auto& [name, seed, size] : {std::tuple{"b0", 0, 1000}, {"b79", 79, 1000}, {"f80", 80, 1000},
                                           {"f82", 82, 8}, {"after", 99, 5000}}) {
        Bytes out;
        EXPECT_EQ(load(a, name, "ZK7_FILE", out), 0) << name;
        EXPECT_EQ(out, randomBytes(static_cast<size_t>(size), static_cast<uint32_t>(seed))) << name;
    }
    Bytes out;
    EXPECT_EQ(load(a, "f81", "ZK7_FILE", out), Zelkoran::RC_ERR_NOT_FOUND);
}

// A load in another process while create replaces the file must not get
// the file being replaced: its adds would return 0 and be lost.
TEST_F(ArchiveFaults, CreateLetsNoOtherProcessWriteIntoTheFileItReplaces)
{
    const std::string path = dir.file("raced.qel");
    int id = mgr()->create(path.c_str(), 16);
    ASSERT_GT(id, 0);
    mgr()->close(id);
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Zelkoran::setFaultHook(nullptr);
        char go = 0;
        // Loads while the parent's create is under way, adds once it is done.
        int rc = read(toChild[0], &go, 1) == 1 ? mgr()->load(path.c_str(), nullptr, 0) : -1;
        const int cid = rc;
        if (write(toParent[1], &rc, sizeof rc) != sizeof rc || read(toChild[0], &go, 1) != 1)
            _exit(3);
        rc = cid > 0 ? add(mgr()->get(cid), "child", "ZK7_FILE", textBytes("acknowledged")) : cid;
        if (cid > 0)
            mgr()->close(cid);
        _exit(write(toParent[1], &rc, sizeof rc) == sizeof rc ? 0 : 4);
    }
    int loadRc = 0, addRc = 0;
    bool signalled = false;
    const char go = 'g';
    Zelkoran::setFaultHook([&](Zelkoran::IoOp op, uint64_t offset, size_t length) -> int64_t {
        if (!signalled && op == Zelkoran::IoOp::Write && offset == 0) {
            signalled = true;
            EXPECT_EQ(write(toChild[1], &go, 1), 1);
            EXPECT_EQ(read(toParent[0], &loadRc, sizeof loadRc), static_cast<ssize_t>(sizeof loadRc));
        }
        return static_cast<int64_t>(length);
    });
    id = mgr()->create(path.c_str(), 16);
    Zelkoran::setFaultHook(nullptr);
    ASSERT_GT(id, 0);
    mgr()->close(id);
    ASSERT_EQ(write(toChild[1], &go, 1), 1);
    ASSERT_EQ(read(toParent[0], &addRc, sizeof addRc), static_cast<ssize_t>(sizeof addRc));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(loadRc, Zelkoran::RC_ERR_BUSY);

    id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    Bytes out;
    if (addRc == 0) {
        EXPECT_EQ(load(mgr()->get(id), "child", "ZK7_FILE", out), 0) << "an add that returned 0 was lost";
    }
}

} // namespace
