// The full import of a TSX tile set from disk: its images stored as image
// blocks of the open archive and named by "qel://" URIs, then the tile set
// itself as a "ZK7_XML" block.
#pragma once

#include <Zelkoran/CMem.h>

#include <set>

class SceneFileNames;
class SceneReferences;
class TabServices;

class SceneTileSetImport {
public:
    using string = Zelkoran::String;

    SceneTileSetImport(const TabServices& services, const SceneReferences& references)
        : m_services(services), m_references(references)
    {
    }

    // The TSX at path stored as blockName with its images: 0; 1 after a
    // message when some of it could not be stored; -1 after a message when
    // the file is no tile set, nothing stored. Unless -1 the archive may
    // have changed, and its lists must be built again.
    int onImportFullTSX(const string& path, const string& blockName) const;
    // The image file stored as an image block named by names (keyed by the
    // path); reference: its "qel://" URI. 0, or a negative code without a
    // message (-1 where there is no code of the engine's).
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

    const TabServices& m_services;
    const SceneReferences& m_references;
};
