// A headless engine with the editor's resources, for building tabs alone.
#pragma once

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "support/TestFolder.h"
#include "support/EditorTestSupport.h"
#include "support/ProbeTab.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <optional>

class TabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Zelkoran::Main* engine = Zelkoran::Main::instance();
        engine->timer()->init(0);
        Zelkoran::Screen* screen = engine->configMgr()->get(0);
        screen->setDriver(Zelkoran::Screen::DRV_SOFT);
        screen->setSize(1400, 1000);
        ASSERT_EQ(screen->show(), 0);
        char name[] = "Skarden";
        char* argv[] = {name};
        status.emplace(1, argv);
        resources.emplace();
        ASSERT_EQ(resources->load(), 0);
    }

    void TearDown() override
    {
        probe.reset();
        resources.reset();
        status.reset();
        Zelkoran::Main::terminate();
    }

    // A probe tab named "Probe" listing images, with its base panel.
    ProbeTab& makeProbe()
    {
        probe.reset();
        probe.reset(new (std::nothrow) ProbeTab("Probe", 250, &*resources, &*status));
        return *probe;
    }

    // Builds an archive in the scratch folder and makes it the open one.
    void openArchive(const std::vector<editortest::BlockSpec>& blocks)
    {
        const std::string path = folder.path("tab.qel");
        editortest::buildArchive(path, blocks);
        editortest::openAsEditorArchive(*status, path);
    }

    Zelkoran::Archive* archive() { return Zelkoran::Main::instance()->archiveMgr()->get(status->iArchiveID); }

    // The key the user remembered for encrypted blocks.
    void rememberKey(const char* key)
    {
        const size_t length = std::strlen(key);
        std::memcpy(status->szKey, key, length);
        status->iKeyLength = static_cast<uint32_t>(length);
        status->bKeyRemembered = 1;
    }

    TestFolder folder;
    std::optional<GlobalStatus> status;
    std::optional<ResourceManager> resources;
    std::unique_ptr<ProbeTab> probe;
};
