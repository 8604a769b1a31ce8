// Shared set-up of the upgrade tests: a QELv1 file in a fresh folder, the
// upgrade call with its out-parameters, and the blocks of the result read
// back through the engine.
#pragma once

#include "import/legacy/LegacyQELUpgrade.h"
#include "support/LogCapture.h"
#include "import/legacy/QELv1Writer.h"
#include "support/TestFolder.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

struct UpgradeOutcome {
    int result = 0;
    bool upgraded = false, needKey = false, hasEncryptedBlocks = false;

    bool operator==(const UpgradeOutcome&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const UpgradeOutcome& o)
    {
        return out << "{result " << o.result << ", upgraded " << o.upgraded << ", needKey " << o.needKey
                   << ", hasEncryptedBlocks " << o.hasEncryptedBlocks << "}";
    }
};

inline const UpgradeOutcome kUpgraded{0, true, false, false};
inline const UpgradeOutcome kNotQELv1{0, false, false, false};
inline const UpgradeOutcome kNeedKey{-477, false, true, false};
inline const UpgradeOutcome kAskPolicy{-477, false, false, true};
inline UpgradeOutcome failed(int code)
{
    return UpgradeOutcome{code, false, false, false};
}

// A block of a QELv2 archive as read back.
struct StoredBlock {
    std::string name, type;
    uint32_t storage = 0;
    qelv1::Bytes data;

    bool operator==(const StoredBlock&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const StoredBlock& b)
    {
        return out << "{'" << b.name << "' " << b.type << " storage " << b.storage << ", " << b.data.size()
                   << " bytes}";
    }
};

class UpgradeTest : public ::testing::Test {
protected:
    UpgradeOutcome upgradeRaw(const std::string& path, const void* key, uint32_t keyLength,
                              eLegacyQELEncryptedBlockPolicy policy)
    {
        // Set on purpose: the call must clear them.
        UpgradeOutcome o{1, true, true, true};
        o.result = upgradeLegacyQELFileToQELv2(Zelkoran::String(path.c_str()), key, keyLength, policy, o.upgraded,
                                               o.needKey, o.hasEncryptedBlocks);
        return o;
    }

    UpgradeOutcome upgrade(const std::string& path, const std::string& key = "",
                           eLegacyQELEncryptedBlockPolicy policy = LQEB_ASK)
    {
        return upgradeRaw(path, key.empty() ? nullptr : key.data(), static_cast<uint32_t>(key.size()), policy);
    }

    // Writes the archive as name in the test folder; its path.
    std::string write(const qelv1::Writer& writer, const std::string& name = "game.qel")
    {
        const std::string path = dir.path(name);
        writer.write(path);
        return path;
    }

    // Every live block of the QELv2 archive at path, in index order.
    static std::vector<StoredBlock> readQELv2(const std::string& path, const std::string& key = "",
                                              int* blockLimit = nullptr)
    {
        Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
        const int id = archives->load(path.c_str(), key.empty() ? nullptr : key.data(), static_cast<int>(key.size()));
        EXPECT_GT(id, 0) << "cannot open " << path;
        std::vector<StoredBlock> blocks;
        Zelkoran::Archive* archive = archives->get(id);
        if (!archive)
            return blocks;
        if (key.empty() == false)
            archive->setKey(key.data(), static_cast<int>(key.size()));
        if (blockLimit)
            *blockLimit = archive->getBlockLimit();
        for (int i = 0; i < archive->getIndexCount(); ++i) {
            Zelkoran::Archive::Block entry;
            if (archive->blockAt(i, entry) != 0 || entry.deleted)
                continue;
            StoredBlock b{entry.name, entry.type, entry.storage, {}};
            Zelkoran::Archive::Block load(entry.name, entry.type);
            EXPECT_EQ(archive->blockLoad(load), 0) << "cannot load " << b;
            const auto* bytes = static_cast<const uint8_t*>(load.data);
            if (bytes)
                b.data.assign(bytes, bytes + load.size);
            archive->blockFree(load);
            blocks.push_back(std::move(b));
        }
        archives->close(id);
        return blocks;
    }

    // The test folder holds nothing but the given names.
    void expectFolderHolds(std::set<std::string> names) const { EXPECT_EQ(dir.list(), names); }

    TestFolder dir;
    TestFolder logDir;
};
