// The full import of a TSX tile set from disk: its images stored as image
// blocks of the open archive and named by "qel://" URIs, then the tile set
// itself as a "ZK7_XML" block.
#pragma once

#include "tabs/scenes/SceneDialogs.h"

#include <Zelkoran/CMem.h>

#include <functional>
#include <set>

class GlobalStatus;
class SceneFileNames;
class SceneReferences;

class SceneTileSetImport {
public:
    using string = Zelkoran::String;

    // relist runs once an import may have stored something.
    SceneTileSetImport(const GlobalStatus* status, const SceneReferences& references, const SceneDialogs& dialogs,
                       std::function<void()> relist)
        : m_status(status), m_references(references), m_dialogs(dialogs), m_relist(std::move(relist))
    {
    }

    // The TSX at path stored as blockName with its images. 0, or -1 after a
    // message.
    int onImportFullTSX(const string& path, const string& blockName) const;
    // The image file stored as an image block named by names (keyed by the
    // path); reference: its "qel://" URI. 0, or -1 without a message.
    int importImageToQEL(const string& imagePath, const string& archivePart, string& reference,
                         SceneFileNames& names) const;
    // The whole file (1 byte to 2 GiB) in a new buffer of module 15. 0, or
    // -1 with buffer null and size 0.
    static int loadFileToBuffer(const string& path, unsigned char*& buffer, int& size);
    // File name and lower-case extension of path ("Forest.TSX": "Forest.tsx").
    static string blockNameFor(const string& path);
    // Whether the open archive has a block of name and type.
    bool blockExists(const string& name, const char* type) const;

private:
    // The open archive's file name, as "qel://" URIs name it.
    string archivePart() const;
    // The image blocks of the open archive that the tile set block names.
    std::set<string> imagesNamedBy(const string& tileSetBlock) const;

    const GlobalStatus* m_status;
    const SceneReferences& m_references;
    const SceneDialogs& m_dialogs;
    std::function<void()> m_relist;
};
