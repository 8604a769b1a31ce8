// Export of the selected Tiled document into the folder of the open archive
// file: the XML alone, or a map or tile set with what it depends on. The
// archive is never changed.
#pragma once

#include <Zelkoran/CMem.h>

class BlockText;
class SceneDocument;
class SceneReferences;
class TabServices;

class SceneExport {
public:
    using string = Zelkoran::String;

    // held: the tab's bytes of the selected block; document: the scene the
    // tab shows, if any.
    SceneExport(const TabServices& services, const BlockText& held, const SceneReferences& references,
                const SceneDocument& document)
        : m_services(services), m_held(held), m_references(references), m_document(document)
    {
    }

    // The selected block into the folder of archivePath, as the user
    // chooses. 0 after the success box, -1 when nothing (or not all) was written.
    int onExport(const string& archivePath) const;
    // The map with its tile sets and images, written by the engine. 0 or -1.
    int onExportTMX(const string& outputPath, const string& blockName) const;
    // Every image of the tile set as a PNG file in exportFolder (ending in
    // '/' unless empty), then the TSX naming those files. 0 or -1.
    int onExportTSX(const string& outputPath, const string& exportFolder) const;

private:
    int exportXML(const string& outputPath, const string& name) const;
    void reportFailure(const string& text) const;

    const TabServices& m_services;
    const BlockText& m_held;
    const SceneReferences& m_references;
    const SceneDocument& m_document;
};
