// Shared by the editor's tests: archives built through the engine, opened as
// the editor's archive, and readers for the widgets of the editor's panels.
#pragma once

#include "services/GlobalStatus.h"
#include "support/TestFolder.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/TestSupport.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace editortest {

namespace TS = Zelkoran::TestSupport;

struct BlockSpec {
    std::string name;
    std::string type;
    bool deleted = false;
};

// Writes an archive with the blocks (each holding its own name as data);
// deleted ones are added and then deleted. The archive is closed again.
inline void buildArchive(const std::string& path, const std::vector<BlockSpec>& blocks)
{
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int id = archives->create(path.c_str(), static_cast<int>(blocks.size()) + 16);
    ASSERT_GT(id, 0);
    Zelkoran::Archive* archive = archives->get(id);
    archive->setDurable(false);
    for (const BlockSpec& spec : blocks) {
        Zelkoran::Archive::Block block(spec.name.c_str(), spec.type.c_str());
        block.data = const_cast<char*>(spec.name.data());
        block.size = spec.name.size();
        ASSERT_EQ(archive->blockAdd(block), 0) << spec.name;
        if (spec.deleted) {
            ASSERT_EQ(archive->blockDelete(block), 0) << spec.name;
        }
    }
    archives->close(id);
}

// Opens the archive and records it in gs as the editor's open archive,
// with every block list due for a rebuild.
inline void openAsEditorArchive(GlobalStatus& gs, const std::string& path)
{
    const int id = Zelkoran::Main::instance()->archiveMgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    gs.bArchiveLoaded = 1;
    gs.iArchiveID = id;
    gs.sArchivePath = path.c_str();
    gs.bReparseAll = 1;
}

inline Zelkoran::Panel* panel(int id) { return Zelkoran::Main::instance()->guiMgr()->getPanel(id); }

inline std::vector<std::string> listItems(Zelkoran::WidgetList* list)
{
    std::vector<std::string> items;
    for (int i = 1; i <= list->getItemCount(); ++i)
        items.emplace_back(list->getItemText(i));
    return items;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace editortest
