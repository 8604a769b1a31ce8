// Another program changes the archive's file while it is open: a change
// that cannot reach the file at the archive's path is refused before it
// writes anything, and the log names the file.
#include "ArchiveTestUtil.h"
#include "support/FileFaults.h"
#include "support/LogCapture.h"

#include "core/FileIO.h"

#include <Zelkoran/Result.h>

#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace testutil;
using namespace Zelkoran;

namespace {

const std::string kKey = "refusal-key";

struct Row {
    const char* label;
    std::function<void(const std::string& path)> beforeOpen;
    std::function<void(const std::string& path)> whileOpen;
    int refusal;                // of checkWritable and of every change
    const char* logged;         // what the log line says, after the path
    std::optional<int> defrag;  // of a defrag of the closed file, when it matters
};

void moveAnotherArchiveOver(const std::string& path)
{
    const std::string other = path + ".sync-tmp";
    const int id = mgr()->create(other.c_str(), 0);
    ASSERT_GT(id, 0);
    ASSERT_EQ(add(mgr()->get(id), "theirs", "ZK7_FILE", textBytes("written by another program")), 0);
    mgr()->close(id);
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
}

// Writes another archive over path in place, keeping its inode, as cp does.
void copyAnotherArchiveOver(const std::string& path)
{
    const std::string other = path + ".cp-src";
    moveAnotherArchiveOver(other);
    writeFile(path, readFile(other));
    std::filesystem::remove(other);
}

// An archive at path with a deleted block and a live one, "kept".
void buildWorkArchive(const std::string& path)
{
    const int id = mgr()->create(path.c_str(), 0);
    ASSERT_GT(id, 0);
    ASSERT_EQ(add(mgr()->get(id), "gone", "ZK7_FILE", textBytes("deleted once")), 0);
    ASSERT_EQ(mgr()->get(id)->blockDelete(Archive::Block("gone", "ZK7_FILE")), 0);
    ASSERT_EQ(add(mgr()->get(id), "kept", "ZK7_FILE", textBytes("kept")), 0);
    mgr()->close(id);
}

// Every kind of change, on an archive built so and given a key.
const std::function<int(Archive*)> kChanges[] = {
    [](Archive* a) { return add(a, "fresh", "ZK7_FILE", textBytes("fresh")); },
    [](Archive* a) { return add(a, "kept", "ZK7_FILE", textBytes("replacing kept")); },
    [](Archive* a) { return a->blockDelete(Archive::Block("kept", "ZK7_FILE")); },
    [](Archive* a) { return a->blockUndelete(0, "gone back"); },
    [](Archive* a) { return a->encrypt(); },
};

std::string folderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

// The file at path, or "none".
std::string fileAt(const std::string& path)
{
    if (!std::filesystem::exists(path))
        return "none";
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(ArchiveWriteRefusal, NoChangeReachesAFileTheArchiveNoLongerHolds)
{
    const std::string replaced = "is no longer the file this archive opened";
    const std::string denied = "cannot be written: permission denied";
    const std::string changed = "was changed by another program since it was opened";
    const Row rows[] = {
        {"another archive moved over it", nullptr, moveAnotherArchiveOver, RC_ERR_REPLACED, replaced.c_str(), {}},
        {"deleted", nullptr, [](const std::string& p) { std::filesystem::remove(p); }, RC_ERR_REPLACED,
         replaced.c_str(), {}},
        {"another archive copied over it in place", nullptr, copyAnotherArchiveOver, RC_ERR_CHANGED,
         changed.c_str(), {}},
        {"truncated to 0 bytes", nullptr, [](const std::string& p) { std::filesystem::resize_file(p, 0); },
         RC_ERR_CHANGED, changed.c_str(), {}},
        {"write-protected while open", nullptr, FileFaults::writeProtect, RC_ERR_ACCESS, denied.c_str(), {}},
        {"write-protected before opening", FileFaults::writeProtect, nullptr, RC_ERR_READ_ONLY, denied.c_str(),
         RC_ERR_READ_ONLY},
        // The file itself may be written in place; only a rewrite needs the folder.
        {"folder write-protected", nullptr, [](const std::string& p) { FileFaults::writeProtect(folderOf(p)); },
         RC_OK, nullptr, RC_ERR_ACCESS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ScratchDir dir;
        FileFaults::Scope faults;
        const std::string path = dir.file("work.qel");
        ASSERT_NO_FATAL_FAILURE(buildWorkArchive(path));
        if (row.beforeOpen)
            row.beforeOpen(path);
        const int id = mgr()->load(path.c_str(), nullptr, 0);
        ASSERT_GT(id, 0);
        Archive* a = mgr()->get(id);
        ASSERT_EQ(a->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
        if (row.whileOpen)
            row.whileOpen(path);
        const std::string before = fileAt(path);

        LogCapture log(dir.file("log.txt"));
        EXPECT_EQ(a->checkWritable(), row.refusal);
        for (const auto& change : kChanges)
            EXPECT_EQ(change(a), row.refusal);
        EXPECT_EQ(a->takeRefusal(), row.refusal);
        EXPECT_EQ(a->takeRefusal(), RC_OK);
        const std::string logged = log.text();
        if (row.refusal != RC_OK) {
            EXPECT_TRUE(fileAt(path) == before) << "the file at the path changed";
            EXPECT_NE(logged.find(path + " " + row.logged), std::string::npos) << logged;
            // The archive still shows what it held.
            EXPECT_EQ(a->getIndexCount(), 2);
            // Written over in place, its blocks went with the file.
            Bytes kept;
            EXPECT_EQ(load(a, "kept", "ZK7_FILE", kept) == 0, row.refusal != RC_ERR_CHANGED);
            EXPECT_EQ(kept == textBytes("kept"), row.refusal != RC_ERR_CHANGED);
        }
        mgr()->close(id);

        if (row.defrag) {
            const std::string closed = fileAt(path);
            EXPECT_EQ(mgr()->defrag(path.c_str(), 0, kKey.data(), static_cast<int>(kKey.size())), *row.defrag);
            EXPECT_TRUE(fileAt(path) == closed) << "the file at the path changed";
            size_t files = 0;
            for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
                files += entry.path().extension() != ".txt";
            EXPECT_EQ(files, 1u);
        }
    }
}

// The file leaves the path while a change is written, after the check
// before it: the change is in the file that left, so it is not reported
// as saved, and the log names the file.
TEST(ArchiveWriteRefusal, AChangeWhoseFileLeftThePathWhileWrittenIsNotReportedSaved)
{
    const struct {
        const char* label;
        bool throughLink;
        std::function<void(const std::string& path)> move;
    } movers[] = {
        {"another archive moved over it", false, moveAnotherArchiveOver},
        {"deleted", false, [](const std::string& p) { std::filesystem::remove(p); }},
        {"its link pointed at another archive", true,
         [](const std::string& p) {
             moveAnotherArchiveOver(p + ".other");
             std::filesystem::remove(p);
             std::filesystem::create_symlink(p + ".other", p);
         }},
    };
    for (const auto& mover : movers) {
        for (size_t c = 0; c < std::size(kChanges); ++c) {
            SCOPED_TRACE(std::string(mover.label) + ", change " + std::to_string(c));
            ScratchDir dir;
            const std::string path = dir.file("work.qel");
            const std::string held = mover.throughLink ? dir.file("target.qel") : path;
            ASSERT_NO_FATAL_FAILURE(buildWorkArchive(held));
            if (mover.throughLink)
                std::filesystem::create_symlink(held, path);
            const int id = mgr()->load(path.c_str(), nullptr, 0);
            ASSERT_GT(id, 0);
            Archive* a = mgr()->get(id);
            ASSERT_EQ(a->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);

            int moves = 0;
            // The mover writes its own archive: only changes of this one count.
            Zelkoran::setChangeWrittenHook([&](const char* written) {
                if (written == path && moves++ == 0)
                    mover.move(path);
            });
            LogCapture log(dir.file("log.txt"));
            EXPECT_EQ(kChanges[c](a), RC_ERR_REPLACED);
            Zelkoran::setChangeWrittenHook(nullptr);
            EXPECT_EQ(moves, 1);
            EXPECT_EQ(a->takeRefusal(), RC_ERR_REPLACED);
            EXPECT_EQ(add(a, "later", "ZK7_FILE", textBytes("later")), RC_ERR_REPLACED);
            const std::string logged = log.text();
            EXPECT_NE(logged.find(path + " is no longer the file this archive opened"), std::string::npos) << logged;
            mgr()->close(id);
        }
    }
}

} // namespace
